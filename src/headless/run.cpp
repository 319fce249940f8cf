#include "headless/run.h"

#include <cerrno>
#include <cstring>

#include "gfx/gfx.h"
#include "headless/output.h"
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

void button_line(HostButton b, bool press) {
    int x = 0, y = 0;
    host_button_point(b, &x, &y);
    host_hit_test(press, x, y);
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
            failure = headless_write_shot(cmd.file.c_str(), cmd.scale);
            break;
        case HL_WINDOW:
            failure = headless_write_window(cmd.file.c_str());
            break;
        case HL_DUMP:
            failure = headless_write_dump(cmd.file.c_str());
            break;
        }
        // A file that could not be opened because a signal came (a pipe nobody reads) was interrupted.
        if (failure && headless_stop_signal != 0) failure = nullptr;
        if (failure) {
            std::fflush(out);
            write_failed(script, cmd, failure, err);
            return HEADLESS_EXIT_WRITE;
        }
        if (headless_stop_signal != 0)
            return headless_stopped(out, err, (script.name + ":" + std::to_string(cmd.line)).c_str());
    }
    if (headless_stop_signal != 0) return headless_stopped(out, err, "zt30-headless");
    errno = 0;
    if (std::fflush(out) != 0 || std::ferror(out)) {
        std::fprintf(err, "zt30-headless: cannot write standard output: %s\n",
                     std::strerror(errno != 0 ? errno : EIO));
        return HEADLESS_EXIT_WRITE;
    }
    return HEADLESS_EXIT_OK;
}
