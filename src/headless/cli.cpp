#include "headless/cli.h"

#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <string>
#include <string_view>

#include "headless/run.h"
#include "headless/script.h"

namespace {

const char* const USAGE =
    "Usage: zt30-headless [--local-time HH:MM:SS] [--quiet] [SCRIPT]\n"
    "Runs the instrument on a simulated clock, driven by the commands in SCRIPT\n"
    "(standard input when SCRIPT is absent or -).\n"
    "\n"
    "Options:\n"
    "  --local-time HH:MM:SS  local time of day the instrument reads (default: the machine's)\n"
    "  --quiet                no progress line (shown on a terminal when a run takes over 2 s)\n"
    "  --help                 show this help and exit\n"
    "  --version              show the version and exit\n"
    "\n"
    "Commands, one a line (# at the start of a word starts a comment):\n"
    "  wait DURATION          advance the simulated clock, running every tick that falls due\n"
    "  press BUTTON           left-mouse press at the centre of the button's region\n"
    "  release BUTTON         the matching release at the same point\n"
    "  click BUTTON           press, wait 50ms, release, wait 50ms\n"
    "  hold BUTTON DURATION   press, wait DURATION, release, wait 50ms\n"
    "  mouse down X Y         raw left-button press at window client coordinates X, Y\n"
    "  mouse up X Y           raw left-button release at X, Y\n"
    "  local-time HH:MM:SS    from now on the local time of day reads this\n"
    "  probe X Y              print 'X Y 0xAARRGGBB' for pixel (X, Y) of the last rendered frame\n"
    "  expect X Y 0xAARRGGBB  stop with exit status 3 unless pixel (X, Y) has exactly that colour\n"
    "  shot FILE [SCALE]      the last frame as an RGB PNG, each pixel SCALE x SCALE (1-8, default 1)\n"
    "  window FILE            the whole 450 x 550 window picture as an RGB PNG\n"
    "  dump FILE              the last frame raw: 20480 little-endian ARGB words, top row first\n"
    "  flight KEY=VALUE ...   give flight values, shown while DEMO MODE is NONE; KEY=- takes one back\n"
    "  flight clear           take every flight value back: the instrument's own values return\n"
    "\n"
    "Flight values, each clamped to its range: pitch and roll -180..180 degrees (nose up, right bank\n"
    "positive), slip -20..20 (ball deflection), aoa -30..60 degrees, g -10..10, tas 0..999 knots,\n"
    "dalt -2000..60000 feet, oat -99..99 degrees C, volts 0..40.\n"
    "\n"
    "DURATION is a whole number followed by ms or s (10ms, 2s), at most 1000 hours. BUTTON is view,\n"
    "left, right or both. For probe and expect X is 0-127 and Y 0-159; mouse coordinates may be anything.\n"
    "A FILE with blanks or # goes in double quotes, with \\\" and \\\\ inside: shot \"my shot.png\" 2.\n"
    "Files appear whole or not at all. A script is at most 16 MiB; Ctrl-C stops it (exit status 130).\n"
    "A recording of zt30-sim without its last line '# end of the recorded session' is refused.\n"
    "\n"
    "Exit status: 0 every command ran, 1 a file could not be written, 2 bad option or script\n"
    "(nothing runs), 3 an expect line saw another colour, 128 + N stopped by signal N (130 Ctrl-C,\n"
    "129 SIGHUP, 131 SIGQUIT, 143 SIGTERM).\n";

enum ReadResult { READ_OK, READ_FAILED, READ_TOO_BIG };

// Reads a whole stream of at most HEADLESS_MAX_SCRIPT_BYTES; on a read error errno's reason in *reason.
ReadResult read_all(FILE* f, std::string* text, const char** reason) {
    char buf[65536];
    size_t n;
    errno = 0;
    while ((n = std::fread(buf, 1, sizeof buf, f)) > 0) {
        if (text->size() + n > HEADLESS_MAX_SCRIPT_BYTES) return READ_TOO_BIG;
        text->append(buf, n);
    }
    if (std::ferror(f)) {
        *reason = std::strerror(errno != 0 ? errno : EIO);
        return READ_FAILED;
    }
    return READ_OK;
}

} // namespace

int headless_main(int argc, const char* const* argv, FILE* in, FILE* out, FILE* err) {
    HeadlessOptions options{};
    const char* path = nullptr;
    bool options_done = false;
    for (int i = 1; i < argc; ++i) {
        std::string_view arg = argv[i];
        if (!options_done && (arg == "--help" || arg == "--version") && i + 1 < argc) {
            std::fprintf(err, "zt30-headless: unexpected argument %s after %s\n",
                         headless_quoted(argv[i + 1]).c_str(), argv[i]);
            return HEADLESS_EXIT_USAGE;
        }
        if (!options_done && arg == "--help") {
            std::fputs(USAGE, out);
            return HEADLESS_EXIT_OK;
        }
        if (!options_done && arg == "--version") {
            std::fprintf(out, "zt30-headless %s\n", ZT30_VERSION);
            return HEADLESS_EXIT_OK;
        }
        if (!options_done && arg == "--quiet") {
            options.quiet = true;
            continue;
        }
        if (!options_done && (arg == "--local-time" || arg.starts_with("--local-time="))) {
            std::string_view value;
            if (arg == "--local-time") {
                if (i + 1 >= argc) {
                    std::fprintf(err, "zt30-headless: --local-time needs a value HH:MM:SS\n");
                    return HEADLESS_EXIT_USAGE;
                }
                value = argv[++i];
            } else {
                value = arg.substr(std::strlen("--local-time="));
            }
            if (!headless_parse_time(value, &options.local_time)) {
                std::fprintf(err, "zt30-headless: bad --local-time %s (HH:MM:SS, hours 0-23)\n",
                             headless_quoted(value).c_str());
                return HEADLESS_EXIT_USAGE;
            }
            options.local_time_set = true;
            continue;
        }
        if (!options_done && arg == "--") {
            options_done = true;
            continue;
        }
        if (!options_done && arg.size() > 1 && arg[0] == '-') {
            std::fprintf(err, "zt30-headless: unknown option %s (see --help)\n",
                         headless_quoted(arg).c_str());
            return HEADLESS_EXIT_USAGE;
        }
        if (path) {
            std::fprintf(err, "zt30-headless: more than one script given (%s and %s)\n",
                         headless_quoted(path).c_str(), headless_quoted(arg).c_str());
            return HEADLESS_EXIT_USAGE;
        }
        path = argv[i];
    }

    std::string text;
    const char* reason = nullptr;
    std::string name = path ? path : "-";
    bool from_in = !path || name == "-";
    ReadResult got = READ_FAILED;
    if (from_in) {
        if (isatty(fileno(in)))
            std::fputs("zt30-headless: reading commands from standard input, end with Ctrl-D (--help lists "
                       "them)\n",
                       err);
        got = read_all(in, &text, &reason);
    } else {
        errno = 0;
        FILE* f = std::fopen(path, "rb");
        if (!f)
            reason = std::strerror(errno != 0 ? errno : EIO);
        else
            got = read_all(f, &text, &reason);
        if (f) std::fclose(f);
    }
    if (headless_stop_signal != 0) return headless_stopped(out, err, "zt30-headless");
    // The name starts every error line of the script: a long one is cut.
    name = headless_shown_name(name);
    std::string shown = from_in ? "standard input" : headless_quoted(path);
    if (got == READ_TOO_BIG) {
        std::fprintf(err, "zt30-headless: %s is over the %zu MiB limit of a script\n", shown.c_str(),
                     HEADLESS_MAX_SCRIPT_BYTES >> 20);
        return HEADLESS_EXIT_USAGE;
    }
    if (got == READ_FAILED) {
        std::fprintf(err, "zt30-headless: cannot read %s: %s\n", shown.c_str(), reason);
        return HEADLESS_EXIT_USAGE;
    }

    HeadlessScript script;
    std::string error;
    if (!headless_parse(name, text, &script, &error)) {
        std::fprintf(err, "%s\n", error.c_str());
        return HEADLESS_EXIT_USAGE;
    }
    return headless_run(script, options, out, err);
}
