// Records a window session as a zt30-headless script that replays it: the local time the instrument
// read, every press and release that reached the instrument and every change of the flight values given
// to it, each at the tick at which it did, and at the end the last frame, sampled as expect lines. Every
// line goes to the file as it is written.
#pragma once
#include <cstdint>
#include <cstdio>

#include "core/flight.h"
#include "host/scheduler.h"

// The sampled pixels of the last frame: every fourth row, every fourth column, shifted one column
// further on each sampled row so that thin vertical strokes are met too.
constexpr int RECORDER_SAMPLE_STEP = 4;

struct HostRecorder {
    FILE* file;                 // nullptr while not recording
    const char* name;           // the file as named in messages
    FILE* err;                  // where a failure to write is reported
    const HostScheduler* sched; // the window's ticks: the time of each line
    uint64_t replay_ms;         // the replay's simulated clock after the lines written so far
    uint64_t read_ms;           // the tick of the last local-time read written ...
    bool read_pending;          // ... while the replay has not run that tick yet
    uint32_t reads_seen;        // host_local_time_reads() when last looked
    uint64_t skipped_seen;      // sched->ticks_skipped when last looked
    bool inexact;               // the window dropped ticks: the replay cannot follow from there
    FlightState flight;         // the flight values as the lines written so far leave them
};

// Starts recording into file (already open for writing; the recorder closes it) with a header of
// comments. Returns false, reporting why on err, when the header cannot be written.
bool host_recorder_start(HostRecorder* rec, FILE* file, const char* name, const HostScheduler* sched,
                         FILE* err);

// After each tick: notes a read of the local time (and the tick it happened in) and dropped ticks.
void host_recorder_tick(HostRecorder* rec);

// A press or release reached host_hit_test at picture coordinates (x, y), after the ticks run so far.
void host_recorder_pointer(HostRecorder* rec, bool press, int x, int y);

// The flight values may have changed, after the ticks run so far: a flight line with the values that
// did (KEY=VALUE, KEY=- for one no longer given, "flight clear" when none is left).
void host_recorder_flight(HostRecorder* rec);

// The session ended: a wait to the last rendered frame, expect lines sampled from it; closes the file.
// False when the file could not be completed (reported on err).
bool host_recorder_finish(HostRecorder* rec);
