// The zt30-soak command line.
#include <chrono>
#include <cinttypes>
#include <cstdio>
#include <cstring>
#include <random>
#include <string_view>

#include "soak/random_use.h"
#include "soak/soak.h"

namespace {

const char* const USAGE =
    "Usage: zt30-soak [--seed N] [--duration D] [--script FILE] [--watchdog SECONDS] [--quiet]\n"
    "Drives the instrument on a simulated clock with random presses, releases, clicks, long holds,\n"
    "both-key presses and mouse drags, touring every page and SETUP screen, and checks every invariant\n"
    "of its state after every rendered frame.\n"
    "\n"
    "Options:\n"
    "  --seed N             the random seed (default: a new one, printed); the same seed repeats a run\n"
    "  --duration D         simulated time: a whole number followed by s, m or h (default 1h, at most 100h)\n"
    "  --script FILE        where a failure writes its replay script (default soak-failure-SEED.zts)\n"
    "  --watchdog SECONDS   call the run hung when simulated time stops for this long (default 60, 0 off)\n"
    "  --plant KIND@SECONDS plant a fault to see the checker catch it: setting (a settings field out of\n"
    "                       range), alloc (an allocation) or hang\n"
    "  --quiet              no progress line on the terminal (the hourly lines and the report remain)\n"
    "  --help, --version\n"
    "\n"
    "Runs of an hour or more also fail when a page or SETUP screen was never shown.\n"
    "A failure prints the seed, the simulated time, the broken invariant and the last 50 input events, and\n"
    "writes a zt30-headless script that replays the run up to the failure.\n"
    "Exit status: 0 passed, 1 failed, 2 bad option, 130 interrupted (Ctrl-C).\n";

bool parse_u64(std::string_view s, uint64_t limit, uint64_t* out) {
    if (s.empty() || s.size() > 20) return false;
    uint64_t v = 0;
    for (char c : s) {
        if (c < '0' || c > '9') return false;
        uint64_t d = static_cast<uint64_t>(c - '0');
        if (v > (limit - d) / 10) return false;
        v = v * 10 + d;
    }
    *out = v;
    return true;
}

bool parse_duration(std::string_view s, uint64_t* ms) {
    if (s.empty()) return false;
    uint64_t unit = s.back() == 's' ? 1000 : s.back() == 'm' ? 60000 : s.back() == 'h' ? 3600000 : 0;
    uint64_t v = 0;
    if (unit == 0 || !parse_u64(s.substr(0, s.size() - 1), SOAK_MAX_MS / unit, &v) || v == 0) return false;
    *ms = v * unit;
    return true;
}

bool parse_plant(std::string_view s, SoakOptions* o) {
    size_t at = s.find('@');
    if (at == std::string_view::npos) return false;
    std::string_view kind = s.substr(0, at);
    if (kind == "setting")
        o->planted = SOAK_BREAK_SETTING;
    else if (kind == "alloc")
        o->planted = SOAK_BREAK_ALLOC;
    else if (kind == "hang")
        o->planted = SOAK_BREAK_HANG;
    else
        return false;
    uint64_t seconds = 0;
    if (!parse_u64(s.substr(at + 1), SOAK_MAX_MS / 1000, &seconds)) return false;
    o->planted_at_ms = seconds * 1000;
    return true;
}

uint64_t fresh_seed() {
    std::random_device device;
    uint64_t t = static_cast<uint64_t>(std::chrono::system_clock::now().time_since_epoch().count());
    uint64_t s = (static_cast<uint64_t>(device()) << 32 | device()) ^ t;
    return soak_splitmix(&s) % 1000000000000ull; // short enough to type back
}

} // namespace

int soak_main(int argc, const char* const* argv, FILE* out, FILE* err) {
    SoakOptions o{};
    o.duration_ms = 3600000;
    o.watchdog_seconds = 60;
    o.progress = true;
    o.terminal = err;
    bool seeded = false;
    for (int i = 1; i < argc; ++i) {
        std::string_view arg = argv[i];
        if (arg == "--help") {
            std::fputs(USAGE, out);
            return SOAK_EXIT_PASSED;
        }
        if (arg == "--version") {
            std::fprintf(out, "zt30-soak %s\n", ZT30_VERSION);
            return SOAK_EXIT_PASSED;
        }
        if (arg == "--quiet") {
            o.terminal = nullptr;
            continue;
        }
        bool takes_value = arg == "--seed" || arg == "--duration" || arg == "--script" ||
                           arg == "--watchdog" || arg == "--plant";
        if (!takes_value) {
            std::fprintf(err, "zt30-soak: unknown option '%s' (see --help)\n", argv[i]);
            return SOAK_EXIT_USAGE;
        }
        if (i + 1 >= argc) {
            std::fprintf(err, "zt30-soak: %s needs a value (see --help)\n", argv[i]);
            return SOAK_EXIT_USAGE;
        }
        std::string_view value = argv[++i];
        uint64_t v = 0;
        bool good = true;
        if (arg == "--seed") {
            good = parse_u64(value, UINT64_MAX, &o.seed);
            seeded = true;
        } else if (arg == "--duration") {
            good = parse_duration(value, &o.duration_ms);
        } else if (arg == "--script") {
            good = !value.empty();
            o.script_path.assign(value);
        } else if (arg == "--watchdog") {
            good = parse_u64(value, 86400, &v);
            o.watchdog_seconds = static_cast<int>(v);
        } else {
            good = parse_plant(value, &o);
        }
        if (!good) {
            const char* hint = arg == "--seed"       ? "a whole number"
                               : arg == "--duration" ? "a whole number followed by s, m or h, at most 100h"
                               : arg == "--script"   ? "a file name"
                               : arg == "--watchdog" ? "seconds, 0-86400"
                                                     : "setting, alloc or hang, then @SECONDS";
            std::fprintf(err, "zt30-soak: bad %s '%s' (%s)\n", argv[i - 1], argv[i], hint);
            return SOAK_EXIT_USAGE;
        }
    }
    if (!seeded) o.seed = fresh_seed();
    o.require_coverage = o.duration_ms >= 3600000;

    SoakStats st;
    int code = soak_run(o, &st, out);
    if (st.stop_signal != 0) {
        std::fflush(out);
        std::fprintf(err,
                     "zt30-soak: interrupted at %s of %s simulated (seed %" PRIu64 "): %" PRIu64
                     " frames and %" PRIu64 " input events checked, no invariant broken\n",
                     soak_format_time(st.simulated_ms).c_str(), soak_format_time(o.duration_ms).c_str(),
                     o.seed, st.frames, st.inputs);
        return code;
    }
    if (code == SOAK_EXIT_PASSED) {
        std::fprintf(out,
                     "zt30-soak: passed: %s of simulated time in %.1f s of wall time (%.0fx); %" PRIu64
                     " frames, %" PRIu64 " input events, %" PRIu64 " button events, %" PRIu64
                     " allocations after start-up\n",
                     soak_format_time(st.simulated_ms).c_str(), st.wall_seconds,
                     static_cast<double>(st.simulated_ms) / 1000.0 / std::max(st.wall_seconds, 1e-3),
                     st.frames, st.inputs, st.button_events, st.allocations);
    }
    soak_print_coverage(st, out);
    return code;
}
