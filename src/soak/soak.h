// The soak test: hours of random use on a simulated clock, every invariant of the instrument state checked
// after every rendered frame. The input is a function of the seed (and of the state it meets), so a run
// repeats exactly, and a failure leaves a zt30-headless script that replays it.
#pragma once
#include <atomic>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <string>

constexpr uint64_t SOAK_MAX_HOURS = 100;
constexpr uint64_t SOAK_MAX_MS = SOAK_MAX_HOURS * 3600 * 1000;
// Input events shown in a failure report (the whole history goes to the replay script).
constexpr int SOAK_REPORT_EVENTS = 50;

// Exit codes of the soak program.
constexpr int SOAK_EXIT_PASSED = 0;
constexpr int SOAK_EXIT_FAILED = 1;
constexpr int SOAK_EXIT_USAGE = 2;

// Faults planted on purpose, to show that the checker sees them.
enum SoakBreak : int32_t {
    SOAK_BREAK_NONE,
    SOAK_BREAK_SETTING, // audio_volume pushed to 11, one past its range
    SOAK_BREAK_ALLOC,   // one allocator call inside the run
    SOAK_BREAK_HANG,    // the run stops advancing (for the watchdog)
};

// Screens counted for the coverage table: the pages by PageId, then the SETUP screens.
constexpr int SOAK_PAGES = 10;
constexpr int SOAK_SETUP_SCREENS = 19;

struct SoakOptions {
    uint64_t seed;
    uint64_t duration_ms;
    std::string script_path; // the replay script of a failure; empty: soak-failure-SEED.zts
    int watchdog_seconds;    // a run that makes no simulated progress for this long is hung; 0: none
    SoakBreak planted;       // a fault planted at planted_at_ms
    uint64_t planted_at_ms;
    bool progress;         // a line every simulated hour
    bool require_coverage; // fail when a page or SETUP screen was never shown
    FILE* terminal;        // where the progress line goes when it is a terminal; nullptr: nowhere
};

struct SoakStats {
    uint64_t frames;
    uint64_t inputs;        // press, release and raw mouse events
    uint64_t button_events; // events the decoder produced
    uint64_t simulated_ms;
    uint64_t allocations; // allocator calls after start-up
    double wall_seconds;
    uint64_t page_frames[SOAK_PAGES];
    uint64_t setup_frames[SOAK_SETUP_SCREENS];
    uint64_t overlay_frames;   // brightness overlay shown
    uint64_t alert_frames;     // an alert raised
    uint64_t clock_set_frames; // Set Clock open
    uint64_t timer_edit_frames;
    uint64_t demo_frames[3];
    uint64_t flight_frames; // DEMO MODE NONE with a flight value given
    bool failed;
    std::string failure; // the broken invariant
    uint64_t failed_at_ms;
    int stop_signal; // the signal that interrupted the run (every check held until then); 0: none
};

// Allocator calls so far. The soak program's allocator hooks count them; elsewhere nothing does.
extern std::atomic<uint64_t> soak_allocations;

struct HostScheduler;

// The history an invariant may depend on: what the previous check saw.
struct SoakChecker {
    bool splash_over;
    uint64_t frames, decodes, events, ticks, tenths, seconds;
    int64_t flight_seconds, engine_seconds, clock_seconds;
    int32_t clock_needs_sync;
    uint8_t clock_setting;
    int64_t timer_value[2], timer_preset[2];
    int32_t timer_running[2];
    uint64_t allocations;
    bool unpainted_test; // the frame holds SOAK_UNPAINTED everywhere until the next render
};

// A colour no screen draws (every drawn colour is opaque, or 0 for black), and how many frames apart the
// frame is filled with it to see that the next render paints every pixel.
constexpr uint32_t SOAK_UNPAINTED = 0x7E5A5A5A;
constexpr uint64_t SOAK_UNPAINTED_EVERY = 16;

// Takes the state as it stands as the reference for the next check; sched counts the ticks run so far.
void soak_checker_start(SoakChecker* c, const HostScheduler* sched);

// Checks every invariant against the state and the ticks run since the last check. On the first broken
// one returns false and describes it in why (NUL-terminated, at most n bytes).
bool soak_check(SoakChecker* c, const HostScheduler* sched, char* why, size_t n);

// Simulated time as H:MM:SS.mmm.
std::string soak_format_time(uint64_t ms);

// Runs a soak: start-up, then random use until the duration is over, an invariant breaks or a signal
// (headless_stop_signal) stops it. The seed, a line per simulated hour (with progress) and the report go to
// out; a failure also writes the replay script. Returns an exit code: 128 + the signal when stopped.
int soak_run(const SoakOptions& options, SoakStats* stats, FILE* out);

// Prints the coverage table: frames per page, per SETUP screen and per overlay.
void soak_print_coverage(const SoakStats& stats, FILE* out);

// The program: options, the run, the summary. Returns the exit code.
int soak_main(int argc, const char* const* argv, FILE* out, FILE* err);
