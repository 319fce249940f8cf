#include "front/recorder.h"

#include <cerrno>
#include <cinttypes>
#include <cstdarg>
#include <cstring>
#include <ctime>

#include "gfx/gfx.h"
#include "host/host.h"
#include "host/local_time.h"
#include "live/text.h"

namespace {

// Gives up on the file after a failed write, with one line on err; the session itself goes on.
void fail(HostRecorder* rec, int error) {
    std::fprintf(rec->err, "zt30-sim: cannot write '%s': %s; recording stopped\n", rec->name,
                 std::strerror(error != 0 ? error : EIO));
    std::fclose(rec->file);
    rec->file = nullptr;
}

// One whole line, flushed at once so that a session cut short still leaves a script up to that point.
void line(HostRecorder* rec, const char* format, ...) __attribute__((format(printf, 2, 3)));
void line(HostRecorder* rec, const char* format, ...) {
    if (!rec->file) return;
    va_list args;
    va_start(args, format);
    errno = 0;
    bool ok = std::vfprintf(rec->file, format, args) >= 0 && std::fputc('\n', rec->file) != EOF &&
              std::fflush(rec->file) == 0;
    va_end(args);
    if (!ok) fail(rec, errno);
}

// Advances the replay's clock to t.
void wait_until(HostRecorder* rec, uint64_t t) {
    if (t <= rec->replay_ms) return;
    line(rec, "wait %" PRIu64 "ms", t - rec->replay_ms);
    rec->replay_ms = t;
    if (rec->read_pending && rec->replay_ms >= rec->read_ms) rec->read_pending = false;
}

void note_drops(HostRecorder* rec) {
    uint64_t skipped = rec->sched->ticks_skipped;
    if (skipped == rec->skipped_seen) return;
    uint64_t t = host_sched_ran_until(rec->sched);
    line(rec,
         "# the window skipped %" PRIu64 " ticks of 10 ms after a stall, the last at %" PRIu64 ".%02" PRIu64
         " s: from here on the replay is inexact",
         skipped - rec->skipped_seen, t / 1000, t % 1000 / 10);
    rec->skipped_seen = skipped;
    rec->inexact = true;
}

// A read of the local time in the tick at t: the replay must read the same, so its local-time line goes
// before that tick and after the tick of the read before it.
void note_read(HostRecorder* rec, uint64_t t) {
    uint32_t reads = host_local_time_reads();
    if (reads == rec->reads_seen) return;
    rec->reads_seen = reads;
    if (rec->read_pending && rec->read_ms < t) wait_until(rec, rec->read_ms);
    ClockTime c = host_local_time_last_read();
    line(rec, "local-time %02u:%02u:%02u", c.hour, c.minute, c.second);
    rec->read_ms = t;
    rec->read_pending = true;
}

} // namespace

bool host_recorder_start(HostRecorder* rec, FILE* file, const char* name, const HostScheduler* sched,
                         FILE* err) {
    *rec = HostRecorder{};
    rec->file = file;
    rec->name = name;
    rec->err = err;
    rec->sched = sched;
    rec->reads_seen = host_local_time_reads();
    rec->skipped_seen = sched->ticks_skipped;
    rec->flight = flight_state;
    time_t now = std::time(nullptr);
    tm local{};
    char when[32] = "";
    if (localtime_r(&now, &local)) std::strftime(when, sizeof when, "%Y-%m-%d %H:%M:%S", &local);
    line(rec, "# zt30-sim %s session recorded %s", ZT30_VERSION, when);
    line(rec,
         "# Replay: zt30-headless FILE (exit status 0 when the replay ends on the frame the window showed)");
    return rec->file != nullptr;
}

void host_recorder_tick(HostRecorder* rec) {
    if (!rec->file) return;
    note_drops(rec);
    note_read(rec, host_sched_ran_until(rec->sched));
}

void host_recorder_pointer(HostRecorder* rec, bool press, int x, int y) {
    if (!rec->file) return;
    host_recorder_tick(rec);
    wait_until(rec, host_sched_ran_until(rec->sched));
    line(rec, "mouse %s %d %d", press ? "down" : "up", x, y);
}

void host_recorder_flight(HostRecorder* rec) {
    if (!rec->file || std::memcmp(&rec->flight, &flight_state, sizeof flight_state) == 0) return;
    host_recorder_tick(rec);
    wait_until(rec, host_sched_ran_until(rec->sched));
    if (flight_state.given == 0) {
        line(rec, "flight clear");
    } else {
        char text[32 * FLT_VALUE_COUNT] = "flight";
        size_t n = std::strlen(text);
        for (int32_t i = 0; i < FLT_VALUE_COUNT; ++i) {
            // Compared as masks: GCC 12 at -O2 got the same test written with two bools wrong.
            const uint32_t bit = 1u << i;
            const bool given = (flight_state.given & bit) != 0;
            if (((flight_state.given ^ rec->flight.given) & bit) == 0 &&
                (!given || std::memcmp(&flight_state.value[i], &rec->flight.value[i], sizeof(float)) == 0))
                continue;
            n += static_cast<size_t>(std::snprintf(text + n, sizeof text - n, " %s=", FLT_VALUES[i].key));
            if (given)
                n += live_format_number(flight_state.value[i], text + n, sizeof text - n - 1);
            else
                text[n++] = '-';
            text[n] = '\0';
        }
        if (n > std::strlen("flight")) line(rec, "%s", text);
    }
    rec->flight = flight_state;
}

bool host_recorder_finish(HostRecorder* rec) {
    if (!rec->file) return false;
    host_recorder_tick(rec);
    wait_until(rec, host_sched_ran_until(rec->sched));
    line(rec, "# the last frame the window showed, sampled");
    for (int j = 0; j * RECORDER_SAMPLE_STEP < FRAME_HEIGHT; ++j) {
        int y = j * RECORDER_SAMPLE_STEP + 1;
        for (int x = j % RECORDER_SAMPLE_STEP; x < FRAME_WIDTH; x += RECORDER_SAMPLE_STEP)
            line(rec, "expect %d %d 0x%08X", x, y,
                 host_frame.pixels[gfx_index(x, y, FRAME_WIDTH, FRAME_HEIGHT)]);
    }
    if (!rec->file) return false;
    errno = 0;
    bool ok = std::fclose(rec->file) == 0;
    if (!ok)
        std::fprintf(rec->err, "zt30-sim: cannot write '%s': %s\n", rec->name,
                     std::strerror(errno != 0 ? errno : EIO));
    rec->file = nullptr;
    return ok;
}
