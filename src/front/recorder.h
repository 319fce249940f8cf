// Records a window session as a zt30-headless script that replays it: the local time the instrument
// read, every press and release that reached the instrument and every change of the flight values given
// to it, each at the tick at which it did, and at the end the last frame, sampled as expect lines, and the
// line that marks the recording complete.
// Every line goes out whole as it is written; after a failed write the output ends at the last whole line
// and the recording stops, while the session goes on.
#pragma once
#include <sys/types.h>

#include <cstddef>
#include <cstdint>
#include <cstdio>

#include "core/flight.h"
#include "host/scheduler.h"

// The sampled pixels of the last frame: every fourth row, every fourth column, shifted one column
// further on each sampled row so that thin vertical strokes are met too.
constexpr int RECORDER_SAMPLE_STEP = 4;

// The first words of a recording's first line, and its last line. zt30-headless refuses a script that
// starts like a recording but lacks the last line: the window never completed it.
constexpr char RECORDER_HEADER_START[] = "# zt30-sim ";
constexpr char RECORDER_END_LINE[] = "# end of the recorded session";

struct HostRecorder {
    int fd;                     // -1 while not recording (never opened, stopped, or finished)
    const char* name;           // the output as named in messages
    FILE* err;                  // where a failure to write is reported
    const HostScheduler* sched; // the window's ticks: the time of each line
    off_t start_offset;         // where the output started in a seekable file, else -1
    uint64_t kept;              // bytes of whole lines written
    int error;                  // errno of the write that stopped the recording, 0 while none did
    bool finished;              // the end line is out: the recording is complete
    uint64_t replay_ms;         // the replay's simulated clock after the lines written so far
    uint64_t read_ms;           // the tick of the last local-time read written ...
    bool read_pending;          // ... while the replay has not run that tick yet
    uint32_t reads_seen;        // host_local_time_reads() when last looked
    uint64_t skipped_seen;      // sched->ticks_skipped when last looked
    bool inexact;               // the window dropped ticks: the replay cannot follow from there
    FlightState flight;         // the flight values as the lines written so far leave them
};

// Writes the header into fd (open for writing; the recorder never closes it). False, with errno's reason
// in rec->error and nothing reported, when even the header cannot be written.
bool host_recorder_open(HostRecorder* rec, int fd, const char* name, FILE* err);

// Starts following the session's ticks; call after host_session_begin.
void host_recorder_start(HostRecorder* rec, const HostScheduler* sched);

// After each tick: notes a read of the local time (and the tick it happened in) and dropped ticks.
void host_recorder_tick(HostRecorder* rec);

// A press or release reached host_hit_test at picture coordinates (x, y), after the ticks run so far.
void host_recorder_pointer(HostRecorder* rec, bool press, int x, int y);

// The flight values may have changed, after the ticks run so far: a flight line with the values that
// did (KEY=VALUE, KEY=- for one no longer given, "flight clear" when none is left).
void host_recorder_flight(HostRecorder* rec);

// The session ended: a wait to the last rendered frame, expect lines sampled from it and the end line.
// True when the recording is complete; the caller closes the output. Writes nothing but to fd and
// nothing on err, so it may run where the process is about to end abruptly.
bool host_recorder_finish(HostRecorder* rec);

// Every write(2) of the recorder goes through this; tests swap it to play a full disk or a closed pipe.
// nullptr restores the real one.
using HostRecorderWriteFn = ssize_t (*)(int fd, const void* data, size_t size);
void host_recorder_set_write_hook(HostRecorderWriteFn fn);
