#include "headless/run.h"

#include <cerrno>
#include <cstring>

#include "core/flight.h"
#include "gfx/gfx.h"
#include "headless/output.h"
#include "headless/progress.h"
#include "host/host.h"
#include "host/local_time.h"

namespace {

void write_failed(const HeadlessScript& script, const HeadlessCommand& cmd, const char* reason, FILE* err) {
    std::fprintf(err, "%s:%d: cannot write '%s': %s\n", script.name.c_str(), cmd.line,
                 headless_shown_name(cmd.file).c_str(), reason);
}

struct Runner {
    HostScheduler sched;
    uint64_t now_ms;
    uint64_t total_ms; // simulated time of the whole script
    uint64_t inputs;   // presses and releases so far
    Progress progress;
};

// A run that takes longer than this much wall time shows its progress on a terminal.
constexpr uint64_t PROGRESS_DELAY_MS = 2000;

uint64_t simulated_ms(const HeadlessCommand& cmd) {
    switch (cmd.op) {
    case HL_WAIT:
        return cmd.duration_ms;
    case HL_CLICK:
        return 2 * HEADLESS_CLICK_MS;
    case HL_HOLD:
        return cmd.duration_ms + HEADLESS_CLICK_MS;
    default:
        return 0;
    }
}

// Simulated time between two looks at the stop signal: about a millisecond of real time.
constexpr uint64_t STOP_CHECK_MS = 1000;

// Runs the ticks of the next ms milliseconds; false when a signal stopped it.
bool advance(Runner* r, uint64_t ms) {
    uint64_t end = r->now_ms + ms;
    do {
        if (headless_stop_signal != 0) return false;
        r->now_ms = end - r->now_ms > STOP_CHECK_MS ? r->now_ms + STOP_CHECK_MS : end;
        host_sched_run(&r->sched, r->now_ms, -1);
        progress_update(&r->progress, {r->now_ms, r->total_ms, host_frames_rendered, r->inputs});
    } while (r->now_ms < end);
    return true;
}

void button_line(Runner* r, HostButton b, bool press) {
    int x = 0, y = 0;
    host_button_point(b, &x, &y);
    host_hit_test(press, x, y);
    ++r->inputs;
}

// How far an interrupted run got: its line and its simulated time.
int interrupted(Runner* r, const HeadlessScript& script, const HeadlessCommand& cmd, FILE* out, FILE* err) {
    progress_clear(&r->progress);
    std::fflush(out);
    char done[32], total[32];
    progress_hms(done, sizeof done, r->now_ms);
    progress_hms(total, sizeof total, r->total_ms);
    std::fprintf(err, "%s:%d: interrupted at %s of %s simulated\n", script.name.c_str(), cmd.line, done,
                 total);
    return 128 + headless_stop_signal;
}

} // namespace

volatile std::sig_atomic_t headless_stop_signal = 0;

int headless_stopped(FILE* out, FILE* err, const char* where) {
    std::fflush(out);
    std::fprintf(err, "%s: interrupted\n", where);
    return 128 + headless_stop_signal;
}

void headless_start(const HeadlessOptions& options, HostScheduler* sched) {
    host_reset_all();
    host_set_local_time(options.local_time_set ? &options.local_time : nullptr);
    host_start();
    host_sched_reset(sched);
}

int headless_run(const HeadlessScript& script, const HeadlessOptions& options, FILE* out, FILE* err) {
    Runner r{};
    for (const HeadlessCommand& cmd : script.commands) r.total_ms += simulated_ms(cmd);
    progress_start(&r.progress, err, options.quiet,
                   script.name == "-" ? "zt30-headless" : script.name.c_str(), PROGRESS_DELAY_MS);
    headless_start(options, &r.sched);

    for (const HeadlessCommand& cmd : script.commands) {
        const char* failure = nullptr;
        if (headless_stop_signal != 0) return interrupted(&r, script, cmd, out, err);
        switch (cmd.op) {
        case HL_WAIT:
            advance(&r, cmd.duration_ms);
            break;
        case HL_PRESS:
            button_line(&r, cmd.button, true);
            break;
        case HL_RELEASE:
            button_line(&r, cmd.button, false);
            break;
        case HL_CLICK:
            button_line(&r, cmd.button, true);
            if (!advance(&r, HEADLESS_CLICK_MS)) break;
            button_line(&r, cmd.button, false);
            advance(&r, HEADLESS_CLICK_MS);
            break;
        case HL_HOLD:
            button_line(&r, cmd.button, true);
            if (!advance(&r, cmd.duration_ms)) break;
            button_line(&r, cmd.button, false);
            advance(&r, HEADLESS_CLICK_MS);
            break;
        case HL_MOUSE_DOWN:
            host_hit_test(true, cmd.x, cmd.y);
            ++r.inputs;
            break;
        case HL_MOUSE_UP:
            host_hit_test(false, cmd.x, cmd.y);
            ++r.inputs;
            break;
        case HL_LOCAL_TIME:
            host_set_local_time(&cmd.time);
            break;
        case HL_PROBE:
            progress_clear(&r.progress); // when standard output shares the terminal, on a line of its own
            std::fprintf(out, "%d %d 0x%08X\n", cmd.x, cmd.y,
                         host_frame.pixels[gfx_index(cmd.x, cmd.y, FRAME_WIDTH, FRAME_HEIGHT)]);
            break;
        case HL_EXPECT: {
            uint32_t got = host_frame.pixels[gfx_index(cmd.x, cmd.y, FRAME_WIDTH, FRAME_HEIGHT)];
            if (got != cmd.color) {
                progress_clear(&r.progress);
                std::fflush(out);
                std::fprintf(err, "%s:%d: expected 0x%08X at (%d, %d), got 0x%08X\n", script.name.c_str(),
                             cmd.line, cmd.color, cmd.x, cmd.y, got);
                return HEADLESS_EXIT_EXPECT;
            }
            break;
        }
        case HL_SHOT:
            failure = headless_write_shot(cmd.file.c_str(), cmd.scale);
            break;
        case HL_WINDOW:
            failure = headless_write_window(cmd.file.c_str());
            break;
        case HL_DUMP:
            failure = headless_write_dump(cmd.file.c_str());
            break;
        case HL_FLIGHT:
            for (int32_t i = 0; i < FLT_VALUE_COUNT; ++i) {
                if (cmd.flight_unset >> i & 1u) flt_state_unset(&flight_state, i);
                if (cmd.flight_set >> i & 1u) flt_state_set(&flight_state, i, cmd.flight_value[i]);
            }
            break;
        }
        // A file that could not be opened because a signal came (a pipe nobody reads) was interrupted.
        if (failure && headless_stop_signal != 0) failure = nullptr;
        if (failure) {
            progress_clear(&r.progress);
            std::fflush(out);
            write_failed(script, cmd, failure, err);
            return HEADLESS_EXIT_WRITE;
        }
        if (headless_stop_signal != 0) return interrupted(&r, script, cmd, out, err);
    }
    progress_clear(&r.progress);
    errno = 0;
    if (std::fflush(out) != 0 || std::ferror(out)) {
        std::fprintf(err, "zt30-headless: cannot write standard output: %s\n",
                     std::strerror(errno != 0 ? errno : EIO));
        return HEADLESS_EXIT_WRITE;
    }
    return HEADLESS_EXIT_OK;
}
