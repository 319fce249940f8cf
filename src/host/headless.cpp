#include "host/headless.h"

#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "gfx/gfx.h"
#include "host/bezel.h"
#include "host/host.h"
#include "host/local_time.h"
#include "host/png_write.h"
#include "host/scheduler.h"

namespace {

// Output pictures live here so that running a script allocates nothing.
uint32_t window_pixels[BEZEL_WIDTH * BEZEL_HEIGHT];
uint8_t dump_bytes[FRAME_PIXELS * 4];

constexpr int MAX_WORDS = 5; // the longest command has four; one more tells "too many"

struct Words {
    std::string w[MAX_WORDS];
    int n; // words seen, counted past MAX_WORDS
};

bool is_blank(char c) {
    return c == ' ' || c == '\t' || c == '\r' || c == '\v' || c == '\f';
}

std::string quoted(std::string_view word);

// Blanks separate words; '#' at the start of a word starts a comment. A word in double quotes may hold
// blanks and '#', with \" for a quote and \\ for a backslash. Returns why the line cannot be split, else
// nothing.
std::string split_words(std::string_view line, Words* out) {
    *out = Words{};
    size_t i = 0;
    for (;;) {
        while (i < line.size() && is_blank(line[i])) ++i;
        if (i == line.size() || line[i] == '#') return {};
        std::string word;
        if (line[i] == '"') {
            for (++i;; ++i) {
                if (i == line.size()) return "missing closing quote";
                char c = line[i];
                if (c == '"') break;
                if (c == '\\') {
                    if (i + 1 == line.size() || (line[i + 1] != '"' && line[i + 1] != '\\'))
                        return "bad escape " + quoted(line.substr(i, 2)) + " in quotes (only \\\" and \\\\)";
                    c = line[++i];
                }
                word += c;
            }
            if (++i < line.size() && !is_blank(line[i])) return "no blank after the closing quote";
        } else {
            size_t start = i;
            while (i < line.size() && !is_blank(line[i])) ++i;
            word.assign(line.substr(start, i - start));
        }
        if (out->n < MAX_WORDS) out->w[out->n] = std::move(word);
        ++out->n;
    }
}

// A word as it may appear inside a one-line message: quoted, control bytes escaped, long words cut.
std::string quoted(std::string_view word) {
    constexpr size_t MAX_SHOWN = 40;
    std::string s = "'";
    for (size_t i = 0; i < word.size() && i < MAX_SHOWN; ++i) {
        auto c = static_cast<unsigned char>(word[i]);
        if (c >= 0x20 && c < 0x7F) {
            s += static_cast<char>(c);
        } else {
            char hex[8];
            std::snprintf(hex, sizeof hex, "\\x%02X", c);
            s += hex;
        }
    }
    if (word.size() > MAX_SHOWN) s += "...";
    return s + "'";
}

bool all_digits(std::string_view s) {
    if (s.empty()) return false;
    for (char c : s)
        if (c < '0' || c > '9') return false;
    return true;
}

// Decimal digits only, at most `limit`.
bool parse_unsigned(std::string_view s, uint64_t limit, uint64_t* out) {
    if (!all_digits(s)) return false;
    uint64_t v = 0;
    for (char c : s) {
        uint64_t d = static_cast<uint64_t>(c - '0');
        if (v > (limit - d) / 10) return false;
        v = v * 10 + d;
    }
    *out = v;
    return true;
}

// A signed decimal that fits 32 bits.
bool parse_int32(std::string_view s, int32_t* out) {
    bool negative = !s.empty() && s[0] == '-';
    if (negative) s.remove_prefix(1);
    uint64_t v = 0;
    if (!parse_unsigned(s, negative ? 2147483648ull : 2147483647ull, &v)) return false;
    *out = static_cast<int32_t>(negative ? -static_cast<int64_t>(v) : static_cast<int64_t>(v));
    return true;
}

enum DurationResult { DURATION_OK, DURATION_BAD, DURATION_TOO_LONG };

DurationResult parse_duration(std::string_view s, uint64_t* ms) {
    uint64_t unit = 0;
    if (s.ends_with("ms")) {
        unit = 1;
        s.remove_suffix(2);
    } else if (s.ends_with("s")) {
        unit = 1000;
        s.remove_suffix(1);
    } else {
        return DURATION_BAD;
    }
    if (!all_digits(s)) return DURATION_BAD;
    uint64_t v = 0;
    if (!parse_unsigned(s, HEADLESS_MAX_WAIT_MS / unit, &v)) return DURATION_TOO_LONG;
    *ms = v * unit;
    return DURATION_OK;
}

bool parse_color(std::string_view s, uint32_t* out) {
    if (s.size() != 10 || s[0] != '0' || (s[1] != 'x' && s[1] != 'X')) return false;
    uint32_t v = 0;
    for (char c : s.substr(2)) {
        uint32_t d;
        if (c >= '0' && c <= '9')
            d = static_cast<uint32_t>(c - '0');
        else if (c >= 'a' && c <= 'f')
            d = static_cast<uint32_t>(c - 'a' + 10);
        else if (c >= 'A' && c <= 'F')
            d = static_cast<uint32_t>(c - 'A' + 10);
        else
            return false;
        v = v << 4 | d;
    }
    *out = v;
    return true;
}

bool parse_button(std::string_view s, HeadlessButton* out) {
    if (s == "view")
        *out = HL_BUTTON_VIEW;
    else if (s == "left")
        *out = HL_BUTTON_LEFT;
    else if (s == "right")
        *out = HL_BUTTON_RIGHT;
    else if (s == "both")
        *out = HL_BUTTON_BOTH;
    else
        return false;
    return true;
}

struct CommandForm {
    const char* name;
    HeadlessOp op;
    int min_args, max_args;
    const char* usage;
};

constexpr CommandForm COMMAND_FORMS[] = {
    {"wait", HL_WAIT, 1, 1, "wait DURATION"},
    {"press", HL_PRESS, 1, 1, "press BUTTON"},
    {"release", HL_RELEASE, 1, 1, "release BUTTON"},
    {"click", HL_CLICK, 1, 1, "click BUTTON"},
    {"hold", HL_HOLD, 2, 2, "hold BUTTON DURATION"},
    {"mouse", HL_MOUSE_DOWN, 3, 3, "mouse down|up X Y"},
    {"local-time", HL_LOCAL_TIME, 1, 1, "local-time HH:MM:SS"},
    {"probe", HL_PROBE, 2, 2, "probe X Y"},
    {"expect", HL_EXPECT, 3, 3, "expect X Y 0xAARRGGBB"},
    {"shot", HL_SHOT, 1, 2, "shot FILE [SCALE]"},
    {"window", HL_WINDOW, 1, 1, "window FILE"},
    {"dump", HL_DUMP, 1, 1, "dump FILE"},
};

// A file name as written: any bytes but control characters.
std::string file_name(const std::string& word, std::string* out) {
    if (word.empty()) return "empty file name";
    for (char c : word)
        if (static_cast<unsigned char>(c) < 0x20 || c == 0x7F)
            return "control character in file name " + quoted(word);
    *out = word;
    return {};
}

// Parses one line that has at least one word; returns the reason when it is malformed, else empty.
std::string parse_command(const Words& words, HeadlessCommand* cmd) {
    const CommandForm* form = nullptr;
    for (const CommandForm& f : COMMAND_FORMS)
        if (words.w[0] == f.name) form = &f;
    if (!form) return "unknown command " + quoted(words.w[0]) + " (see --help)";
    int args = words.n - 1;
    if (args < form->min_args || args > form->max_args)
        return "wrong number of words for " + quoted(words.w[0]) + ": expected '" + form->usage + "'";
    cmd->op = form->op;
    std::string_view a1 = words.w[1], a2 = words.w[2], a3 = words.w[3];

    auto duration = [&](std::string_view s) -> std::string {
        DurationResult d = parse_duration(s, &cmd->duration_ms);
        if (d == DURATION_OK) return {};
        if (d == DURATION_TOO_LONG)
            return "duration " + quoted(s) + " is over the limit of " +
                   std::to_string(HEADLESS_MAX_WAIT_HOURS) + " hours (" +
                   std::to_string(HEADLESS_MAX_WAIT_MS / 1000) + "s)";
        return "bad duration " + quoted(s) + " (a whole number followed by ms or s, e.g. 10ms or 2s)";
    };
    auto button = [&](std::string_view s) -> std::string {
        if (parse_button(s, &cmd->button)) return {};
        return "unknown button " + quoted(s) + " (view, left, right or both)";
    };
    auto coordinate = [&](std::string_view s, const char* axis, int32_t limit, int32_t* out) -> std::string {
        if (!parse_int32(s, out)) return "bad number " + quoted(s) + " for " + axis;
        if (limit > 0 && (*out < 0 || *out >= limit))
            return std::string(axis) + " " + std::to_string(*out) + " is outside the frame (0-" +
                   std::to_string(limit - 1) + ")";
        return {};
    };

    std::string e;
    switch (form->op) {
    case HL_WAIT:
        return duration(a1);
    case HL_PRESS:
    case HL_RELEASE:
    case HL_CLICK:
        return button(a1);
    case HL_HOLD:
        if (!(e = button(a1)).empty()) return e;
        return duration(a2);
    case HL_MOUSE_DOWN:
    case HL_MOUSE_UP:
        if (a1 == "up")
            cmd->op = HL_MOUSE_UP;
        else if (a1 != "down")
            return "bad mouse action " + quoted(a1) + " (down or up)";
        if (!(e = coordinate(a2, "X", 0, &cmd->x)).empty()) return e;
        return coordinate(a3, "Y", 0, &cmd->y);
    case HL_LOCAL_TIME:
        if (headless_parse_time(a1, &cmd->time)) return {};
        return "bad time " + quoted(a1) + " (HH:MM:SS, hours 0-23)";
    case HL_EXPECT:
        if (!parse_color(a3, &cmd->color))
            return "bad colour " + quoted(a3) + " (0x and 8 hex digits: 0xAARRGGBB)";
        [[fallthrough]];
    case HL_PROBE:
        if (!(e = coordinate(a1, "X", FRAME_WIDTH, &cmd->x)).empty()) return e;
        return coordinate(a2, "Y", FRAME_HEIGHT, &cmd->y);
    case HL_SHOT:
        cmd->scale = 1;
        if (args == 2) {
            uint64_t s = 0;
            if (!parse_unsigned(a2, 1000, &s) || s < 1 || s > HEADLESS_MAX_SCALE)
                return "bad scale " + quoted(a2) + " (a whole number 1-8)";
            cmd->scale = static_cast<int32_t>(s);
        }
        return file_name(words.w[1], &cmd->file);
    case HL_WINDOW:
    case HL_DUMP:
        return file_name(words.w[1], &cmd->file);
    }
    return "unknown command " + quoted(words.w[0]);
}

void write_failed(const HeadlessScript& script, const HeadlessCommand& cmd, const char* reason, FILE* err) {
    std::fprintf(err, "%s:%d: cannot write '%s': %s\n", script.name.c_str(), cmd.line, cmd.file.c_str(),
                 reason);
}

// The last rendered frame as 20,480 little-endian ARGB words, top row first.
const char* write_dump(const char* path) {
    uint8_t* p = dump_bytes;
    for (int y = 0; y < FRAME_HEIGHT; ++y)
        for (int x = 0; x < FRAME_WIDTH; ++x) {
            uint32_t c = host_frame.pixels[gfx_index(x, y, FRAME_WIDTH, FRAME_HEIGHT)];
            *p++ = static_cast<uint8_t>(c);
            *p++ = static_cast<uint8_t>(c >> 8);
            *p++ = static_cast<uint8_t>(c >> 16);
            *p++ = static_cast<uint8_t>(c >> 24);
        }
    return host_file_write_all(path, dump_bytes, sizeof dump_bytes);
}

struct Runner {
    HostScheduler sched;
    uint64_t now_ms;
};

// Simulated time between two looks at the stop signal: about a millisecond of real time.
constexpr uint64_t STOP_CHECK_MS = 1000;

// Runs the ticks of the next ms milliseconds; false when a signal stopped it.
bool advance(Runner* r, uint64_t ms) {
    uint64_t end = r->now_ms + ms;
    do {
        if (headless_stop_signal != 0) return false;
        r->now_ms = end - r->now_ms > STOP_CHECK_MS ? r->now_ms + STOP_CHECK_MS : end;
        host_sched_run(&r->sched, r->now_ms, -1);
    } while (r->now_ms < end);
    return true;
}

void button_line(HeadlessButton b, bool press) {
    int x = 0, y = 0;
    headless_button_point(b, &x, &y);
    host_hit_test(press, x, y);
}

const char* const USAGE =
    "Usage: zt30-headless [--local-time HH:MM:SS] [SCRIPT]\n"
    "Runs the instrument on a simulated clock, driven by the commands in SCRIPT\n"
    "(standard input when SCRIPT is absent or -).\n"
    "\n"
    "Options:\n"
    "  --local-time HH:MM:SS  local time of day the instrument reads (default: the machine's)\n"
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
    "\n"
    "DURATION is a whole number followed by ms or s (10ms, 2s), at most 1000 hours. BUTTON is view,\n"
    "left, right or both. For probe and expect X is 0-127 and Y 0-159; mouse coordinates may be anything.\n"
    "A FILE with blanks or # goes in double quotes, with \\\" and \\\\ inside: shot \"my shot.png\" 2.\n"
    "Files appear whole or not at all. A script is at most 16 MiB; Ctrl-C stops it (exit status 130).\n"
    "\n"
    "Exit status: 0 every command ran, 1 a file could not be written, 2 bad option or script\n"
    "(nothing runs), 3 an expect line saw another colour.\n";

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

int stopped(FILE* out, FILE* err, const char* where) {
    std::fflush(out);
    std::fprintf(err, "%s: interrupted\n", where);
    return 128 + headless_stop_signal;
}

} // namespace

bool headless_parse_time(std::string_view text, ClockTime* out) {
    size_t c1 = text.find(':');
    if (c1 == std::string_view::npos || c1 < 1 || c1 > 2 || text.size() != c1 + 6 || text[c1 + 3] != ':')
        return false;
    std::string_view h = text.substr(0, c1), m = text.substr(c1 + 1, 2), s = text.substr(c1 + 4, 2);
    uint64_t hv, mv, sv;
    if (!parse_unsigned(h, 23, &hv) || !parse_unsigned(m, 59, &mv) || !parse_unsigned(s, 59, &sv))
        return false;
    // Any fixed date will do: Saturday, 1 January 2000.
    *out = ClockTime{
        2000, 1, 6, 1, static_cast<uint16_t>(hv), static_cast<uint16_t>(mv), static_cast<uint16_t>(sv), 0};
    return true;
}

void headless_button_point(HeadlessButton b, int* x, int* y) {
    switch (b) {
    case HL_BUTTON_VIEW:
        *x = 120, *y = 150;
        return;
    case HL_BUTTON_LEFT:
        *x = 120, *y = 220;
        return;
    case HL_BUTTON_RIGHT:
        *x = 340, *y = 220;
        return;
    case HL_BUTTON_BOTH:
        *x = 230, *y = 300;
        return;
    }
}

volatile std::sig_atomic_t headless_stop_signal = 0;

bool headless_parse(std::string_view name, std::string_view text, HeadlessScript* out, std::string* error) {
    out->name.assign(name);
    out->commands.clear();
    if (text.starts_with("\xEF\xBB\xBF")) text.remove_prefix(3);
    int line_no = 0;
    size_t pos = 0;
    while (pos < text.size()) {
        size_t end = text.find('\n', pos);
        if (end == std::string_view::npos) end = text.size();
        std::string_view line = text.substr(pos, end - pos);
        pos = end + 1;
        ++line_no;
        Words words;
        std::string why = split_words(line, &words);
        if (why.empty() && words.n == 0) continue;
        HeadlessCommand cmd{};
        cmd.line = line_no;
        if (why.empty()) why = parse_command(words, &cmd);
        if (!why.empty()) {
            *error = out->name + ":" + std::to_string(line_no) + ": " + why;
            return false;
        }
        out->commands.push_back(std::move(cmd));
    }
    return true;
}

void headless_start(const HeadlessOptions& options, HostScheduler* sched) {
    host_reset_all();
    host_set_local_time(options.local_time_set ? &options.local_time : nullptr);
    host_start();
    host_sched_reset(sched);
}

int headless_run(const HeadlessScript& script, const HeadlessOptions& options, FILE* out, FILE* err) {
    Runner r{};
    headless_start(options, &r.sched);

    for (const HeadlessCommand& cmd : script.commands) {
        const char* failure = nullptr;
        if (headless_stop_signal != 0) break;
        switch (cmd.op) {
        case HL_WAIT:
            advance(&r, cmd.duration_ms);
            break;
        case HL_PRESS:
            button_line(cmd.button, true);
            break;
        case HL_RELEASE:
            button_line(cmd.button, false);
            break;
        case HL_CLICK:
            button_line(cmd.button, true);
            if (!advance(&r, HEADLESS_CLICK_MS)) break;
            button_line(cmd.button, false);
            advance(&r, HEADLESS_CLICK_MS);
            break;
        case HL_HOLD:
            button_line(cmd.button, true);
            if (!advance(&r, cmd.duration_ms)) break;
            button_line(cmd.button, false);
            advance(&r, HEADLESS_CLICK_MS);
            break;
        case HL_MOUSE_DOWN:
            host_hit_test(true, cmd.x, cmd.y);
            break;
        case HL_MOUSE_UP:
            host_hit_test(false, cmd.x, cmd.y);
            break;
        case HL_LOCAL_TIME:
            host_set_local_time(&cmd.time);
            break;
        case HL_PROBE:
            std::fprintf(out, "%d %d 0x%08X\n", cmd.x, cmd.y,
                         host_frame.pixels[gfx_index(cmd.x, cmd.y, FRAME_WIDTH, FRAME_HEIGHT)]);
            break;
        case HL_EXPECT: {
            uint32_t got = host_frame.pixels[gfx_index(cmd.x, cmd.y, FRAME_WIDTH, FRAME_HEIGHT)];
            if (got != cmd.color) {
                std::fflush(out);
                std::fprintf(err, "%s:%d: expected 0x%08X at (%d, %d), got 0x%08X\n", script.name.c_str(),
                             cmd.line, cmd.color, cmd.x, cmd.y, got);
                return HEADLESS_EXIT_EXPECT;
            }
            break;
        }
        case HL_SHOT:
            // Top row of the bottom-up frame, walking down one row at a time.
            failure = host_png_write_rgb(cmd.file.c_str(),
                                         &host_frame.pixels[gfx_index(0, 0, FRAME_WIDTH, FRAME_HEIGHT)],
                                         FRAME_WIDTH, FRAME_HEIGHT, -FRAME_WIDTH, cmd.scale);
            break;
        case HL_WINDOW:
            host_bezel_compose(window_pixels);
            failure = host_png_write_rgb(cmd.file.c_str(), window_pixels, BEZEL_WIDTH, BEZEL_HEIGHT,
                                         BEZEL_WIDTH, 1);
            break;
        case HL_DUMP:
            failure = write_dump(cmd.file.c_str());
            break;
        }
        if (failure) {
            std::fflush(out);
            write_failed(script, cmd, failure, err);
            return HEADLESS_EXIT_WRITE;
        }
        if (headless_stop_signal != 0)
            return stopped(out, err, (script.name + ":" + std::to_string(cmd.line)).c_str());
    }
    if (headless_stop_signal != 0) return stopped(out, err, "zt30-headless");
    errno = 0;
    if (std::fflush(out) != 0 || std::ferror(out)) {
        std::fprintf(err, "zt30-headless: cannot write standard output: %s\n",
                     std::strerror(errno != 0 ? errno : EIO));
        return HEADLESS_EXIT_WRITE;
    }
    return HEADLESS_EXIT_OK;
}

int headless_main(int argc, const char* const* argv, FILE* in, FILE* out, FILE* err) {
    HeadlessOptions options{};
    const char* path = nullptr;
    bool options_done = false;
    for (int i = 1; i < argc; ++i) {
        std::string_view arg = argv[i];
        if (!options_done && arg == "--help") {
            std::fputs(USAGE, out);
            return HEADLESS_EXIT_OK;
        }
        if (!options_done && arg == "--version") {
            std::fprintf(out, "zt30-headless %s\n", ZT30_VERSION);
            return HEADLESS_EXIT_OK;
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
                             quoted(value).c_str());
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
            std::fprintf(err, "zt30-headless: unknown option %s (see --help)\n", quoted(arg).c_str());
            return HEADLESS_EXIT_USAGE;
        }
        if (path) {
            std::fprintf(err, "zt30-headless: more than one script given (%s and %s)\n", quoted(path).c_str(),
                         quoted(arg).c_str());
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
    if (headless_stop_signal != 0) return stopped(out, err, "zt30-headless");
    std::string shown = from_in ? "standard input" : quoted(name);
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
