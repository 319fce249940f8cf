#include "front/recorder.h"

#include <unistd.h>

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

HostRecorderWriteFn write_fn = ::write;

// Stops the recording after a failed write. What reached the output beyond the last whole line is cut
// off again where the output can be cut (a regular file), so a replay never meets half a line.
void stop(HostRecorder* rec, int error, bool report) {
    rec->error = error != 0 ? error : EIO;
    // A pipe cannot be cut: its reader has the half line already, and the end line never follows it.
    if (rec->start_offset >= 0 && ftruncate(rec->fd, rec->start_offset + static_cast<off_t>(rec->kept)) != 0)
        rec->start_offset = -1;
    rec->fd = -1;
    if (!report) return;
    if (rec->error == EPIPE)
        std::fprintf(rec->err, "zt30-sim: the recording's reader went away; the window runs on without "
                               "recording\n");
    else
        std::fprintf(rec->err,
                     "zt30-sim: cannot write '%s': %s; the recording stopped after %" PRIu64 ".%02" PRIu64
                     " s of the session\n",
                     rec->name, std::strerror(rec->error), rec->replay_ms / 1000, rec->replay_ms % 1000 / 10);
}

// One whole line, written at once so that a session cut short still leaves a script up to that point.
bool line(HostRecorder* rec, bool report, const char* format, ...) __attribute__((format(printf, 3, 4)));
bool line(HostRecorder* rec, bool report, const char* format, ...) {
    if (rec->fd < 0) return false;
    char text[256];
    va_list args;
    va_start(args, format);
    int n = std::vsnprintf(text, sizeof text - 1, format, args);
    va_end(args);
    if (n < 0) n = 0;
    if (static_cast<size_t>(n) > sizeof text - 2) n = sizeof text - 2;
    text[n++] = '\n';
    for (int done = 0; done < n;) {
        errno = 0;
        ssize_t w = write_fn(rec->fd, text + done, static_cast<size_t>(n - done));
        if (w < 0 && errno == EINTR) continue;
        if (w <= 0) {
            stop(rec, w < 0 ? errno : ENOSPC, report);
            return false;
        }
        done += static_cast<int>(w);
    }
    rec->kept += static_cast<uint64_t>(n);
    return true;
}

// Advances the replay's clock to t.
void wait_until(HostRecorder* rec, uint64_t t, bool report) {
    if (t <= rec->replay_ms) return;
    if (!line(rec, report, "wait %" PRIu64 "ms", t - rec->replay_ms)) return;
    rec->replay_ms = t;
    if (rec->read_pending && rec->replay_ms >= rec->read_ms) rec->read_pending = false;
}

void note_drops(HostRecorder* rec, bool report) {
    uint64_t skipped = rec->sched->ticks_skipped;
    if (skipped == rec->skipped_seen) return;
    uint64_t t = host_sched_ran_until(rec->sched);
    line(rec, report,
         "# the window skipped %" PRIu64 " ticks of 10 ms after a stall, the last at %" PRIu64 ".%02" PRIu64
         " s: from here on the replay is inexact",
         skipped - rec->skipped_seen, t / 1000, t % 1000 / 10);
    rec->skipped_seen = skipped;
    rec->inexact = true;
}

// A read of the local time in the tick at t: the replay must read the same, so its local-time line goes
// before that tick and after the tick of the read before it.
void note_read(HostRecorder* rec, uint64_t t, bool report) {
    uint32_t reads = host_local_time_reads();
    if (reads == rec->reads_seen) return;
    rec->reads_seen = reads;
    if (rec->read_pending && rec->read_ms < t) wait_until(rec, rec->read_ms, report);
    ClockTime c = host_local_time_last_read();
    line(rec, report, "local-time %02u:%02u:%02u", c.hour, c.minute, c.second);
    rec->read_ms = t;
    rec->read_pending = true;
}

void tick(HostRecorder* rec, bool report) {
    if (rec->fd < 0 || !rec->sched) return;
    note_drops(rec, report);
    note_read(rec, host_sched_ran_until(rec->sched), report);
}

} // namespace

void host_recorder_set_write_hook(HostRecorderWriteFn fn) {
    write_fn = fn ? fn : ::write;
}

bool host_recorder_open(HostRecorder* rec, int fd, const char* name, FILE* err) {
    *rec = HostRecorder{};
    rec->fd = fd;
    rec->name = name;
    rec->err = err;
    rec->start_offset = lseek(fd, 0, SEEK_CUR);
    rec->reads_seen = host_local_time_reads();
    time_t now = std::time(nullptr);
    tm local{};
    char when[32] = "";
    if (localtime_r(&now, &local)) std::strftime(when, sizeof when, "%Y-%m-%d %H:%M:%S", &local);
    // One write: a reader that leaves within the header (head -c 10) meets a started recording.
    return line(rec, false,
                "%s%s session recorded %s\n"
                "# Replay: zt30-headless FILE (exit status 0 when the replay ends on the frame the window "
                "showed)",
                RECORDER_HEADER_START, ZT30_VERSION, when);
}

void host_recorder_start(HostRecorder* rec, const HostScheduler* sched) {
    rec->sched = sched;
    rec->reads_seen = host_local_time_reads();
    rec->skipped_seen = sched->ticks_skipped;
    rec->flight = flight_state;
}

void host_recorder_tick(HostRecorder* rec) {
    tick(rec, true);
}

void host_recorder_pointer(HostRecorder* rec, bool press, int x, int y) {
    if (rec->fd < 0 || !rec->sched) return;
    tick(rec, true);
    wait_until(rec, host_sched_ran_until(rec->sched), true);
    line(rec, true, "mouse %s %d %d", press ? "down" : "up", x, y);
}

void host_recorder_flight(HostRecorder* rec) {
    if (rec->fd < 0 || !rec->sched || std::memcmp(&rec->flight, &flight_state, sizeof flight_state) == 0)
        return;
    tick(rec, true);
    wait_until(rec, host_sched_ran_until(rec->sched), true);
    if (flight_state.given == 0) {
        line(rec, true, "flight clear");
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
        if (n > std::strlen("flight")) line(rec, true, "%s", text);
    }
    rec->flight = flight_state;
}

bool host_recorder_finish(HostRecorder* rec) {
    if (rec->fd < 0 || !rec->sched) return rec->finished;
    tick(rec, false);
    wait_until(rec, host_sched_ran_until(rec->sched), false);
    line(rec, false, "# the last frame the window showed, sampled");
    for (int j = 0; j * RECORDER_SAMPLE_STEP < FRAME_HEIGHT; ++j) {
        int y = j * RECORDER_SAMPLE_STEP + 1;
        for (int x = j % RECORDER_SAMPLE_STEP; x < FRAME_WIDTH; x += RECORDER_SAMPLE_STEP)
            line(rec, false, "expect %d %d 0x%08X", x, y,
                 host_frame.pixels[gfx_index(x, y, FRAME_WIDTH, FRAME_HEIGHT)]);
    }
    rec->finished = line(rec, false, "%s", RECORDER_END_LINE);
    rec->fd = -1;
    return rec->finished;
}
