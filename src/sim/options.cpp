#include "sim/options.h"

#include <cstring>
#include <string_view>

#include "core/page.h"
#include "front/help.h"
#include "front/view_scale.h"

namespace {

constexpr int EXIT_USAGE = 2;

const char* const USAGE =
    "Usage: zt30-sim [--scale N] [--record FILE] [--live SOURCE]\n"
    "The ZT-30-S instrument in a desktop window, worked with the mouse on its pictured buttons or\n"
    "with the keys below.\n"
    "\n"
    "Options:\n"
    "  --scale N      show the window N times as large, N = 1-4 (default 1); every pixel becomes\n"
    "                 an N x N square. Ctrl+plus, Ctrl+minus and Ctrl+0 change it while running.\n"
    "  --record FILE  write the session, as it goes, as a zt30-headless script that replays it:\n"
    "                 'zt30-headless FILE' exits 0 when the replay ends on the frame the window showed\n"
    "                 (FILE - is standard output); with --live it also holds the flight values\n"
    "  --live SOURCE  show flight values from outside while DEMO MODE is NONE. SOURCE is one of\n"
    "                   udp:[ADDR:]PORT         KEY=VALUE datagrams (pitch=5 roll=-30 ...) on ADDR\n"
    "                                           (default 127.0.0.1)\n"
    "                   xplane[:HOST[:PORT]]    X-Plane's UDP interface (default 127.0.0.1:49000)\n"
    "                   flightgear:[ADDR:]PORT  FlightGear with the zt30 generic protocol\n"
    "                 The window title shows the link's state; after 1 s without data the\n"
    "                 instrument's own values return.\n"
    "  --help         show this help and exit\n"
    "  --version      show the version of the simulator and of the instrument software, and exit\n"
    "\n";

const char* const EXIT_STATUS =
    "\n"
    "Screenshots are named zt30-YYYYMMDD-HHMMSS.png; the path is printed on standard error.\n"
    "\n"
    "The recording takes FILE's name only when the window ends with it complete; an incomplete one is\n"
    "kept as FILE.partial. Every ending completes it: closing, a signal, a lost X connection.\n"
    "\n"
    "Exit status: 0 the window was closed (or destroyed by another program), 1 no window could be\n"
    "opened, the --record file could not be created or completed, the --live socket could not be set\n"
    "up, or the X connection was lost, 2 bad command line, 128 + N ended by signal N (130 Ctrl-C,\n"
    "129 SIGHUP, 143 SIGTERM).\n";

// An option's value, given as "--name VALUE" or "--name=VALUE"; nullptr (after an error) when missing.
const char* value_of(const char* name, int argc, const char* const* argv, int* i, FILE* err) {
    std::string_view arg = argv[*i];
    size_t n = std::strlen(name);
    if (arg.size() > n && arg[n] == '=') return argv[*i] + n + 1;
    if (*i + 1 >= argc) {
        std::fprintf(err, "zt30-sim: %s needs a value (see --help)\n", name);
        return nullptr;
    }
    return argv[++*i];
}

const char* shown(std::string_view word) {
    static char buf[SIM_SHOWN_SIZE];
    host_sim_shown(word, buf, sizeof buf);
    return buf;
}

bool is_option(std::string_view arg, std::string_view name) {
    return arg == name || (arg.size() > name.size() && arg.starts_with(name) && arg[name.size()] == '=');
}

} // namespace

void host_sim_shown(std::string_view word, char* out, size_t size) {
    constexpr size_t MAX_SHOWN = 60;
    size_t n = 0;
    out[0] = 0;
    for (size_t i = 0; i < word.size() && i < MAX_SHOWN; ++i) {
        auto c = static_cast<unsigned char>(word[i]);
        char piece[8] = {static_cast<char>(c), 0};
        if (c < 0x20 || c == 0x7F) std::snprintf(piece, sizeof piece, "\\x%02X", c);
        size_t len = std::strlen(piece);
        if (n + len + 4 > size) break;
        std::memcpy(out + n, piece, len + 1);
        n += len;
    }
    if (word.size() > MAX_SHOWN && n + 4 <= size) std::memcpy(out + n, "...", 4);
}

int host_sim_options(int argc, const char* const* argv, SimOptions* options, FILE* out, FILE* err) {
    *options = SimOptions{1, nullptr, false, {}};
    for (int i = 1; i < argc; ++i) {
        std::string_view arg = argv[i];
        const bool help = arg == "--help" || arg == "-h";
        if ((help || arg == "--version") && i + 1 < argc) {
            std::fprintf(err, "zt30-sim: unexpected argument '%s' after %s\n", shown(argv[i + 1]), argv[i]);
            return EXIT_USAGE;
        }
        if (help) {
            std::fputs(USAGE, out);
            std::fputs(HOST_HELP_TEXT, out);
            std::fputs(EXIT_STATUS, out);
            return 0;
        }
        if (arg == "--version") {
            std::fprintf(out, "zt30-sim %s, instrument software %s\n", ZT30_VERSION, SPLASH_VERSION);
            return 0;
        }
        if (is_option(arg, "--scale")) {
            const char* v = value_of("--scale", argc, argv, &i, err);
            if (!v) return EXIT_USAGE;
            if (std::strlen(v) != 1 || v[0] < '1' || v[0] > '0' + HOST_SCALE_MAX) {
                std::fprintf(err, "zt30-sim: bad --scale '%s' (a whole number 1-%d)\n", shown(v),
                             HOST_SCALE_MAX);
                return EXIT_USAGE;
            }
            options->scale = v[0] - '0';
            continue;
        }
        if (is_option(arg, "--record")) {
            const char* v = value_of("--record", argc, argv, &i, err);
            if (!v) return EXIT_USAGE;
            if (!*v) {
                std::fprintf(err, "zt30-sim: --record needs a file name\n");
                return EXIT_USAGE;
            }
            options->record_path = v;
            continue;
        }
        if (is_option(arg, "--live")) {
            const char* v = value_of("--live", argc, argv, &i, err);
            if (!v) return EXIT_USAGE;
            const char* why = nullptr;
            if (!live_parse_source(v, &options->live_source, &why)) {
                std::fprintf(err, "zt30-sim: bad --live '%s': %s\n", shown(v), why);
                return EXIT_USAGE;
            }
            options->live = true;
            continue;
        }
        if (arg.size() > 1 && arg[0] == '-')
            std::fprintf(err, "zt30-sim: unknown option '%s' (see --help)\n", shown(arg));
        else
            std::fprintf(err, "zt30-sim: unexpected argument '%s' (see --help)\n", shown(arg));
        return EXIT_USAGE;
    }
    return -1;
}
