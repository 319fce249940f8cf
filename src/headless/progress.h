// The progress line of a long run: one line on a terminal, rewritten in place a few times a second, that
// tells how much simulated time is done, how fast it goes and how long is left. Nothing of it when the
// stream is not a terminal or the user asked for quiet. Nothing here allocates, so the soak may draw it
// while it counts allocator calls.
#pragma once
#include <cstddef>
#include <cstdint>
#include <cstdio>

struct ProgressCounts {
    uint64_t simulated_ms; // done so far
    uint64_t total_ms;     // the whole run
    uint64_t frames;
    uint64_t inputs;
};

struct Progress {
    int fd;            // the terminal, or -1: off
    uint64_t start_ns; // wall clock at the start
    uint64_t first_ns; // nothing is drawn before this
    uint64_t next_ns;  // the next redraw is due then
    bool shown;        // a line is on the terminal now
    char label[96];    // what the line starts with
    char line[256];
};

// Prepares the line for stream `err` (off unless it is a terminal, and off when quiet). The first line
// is drawn once `delay_ms` of wall time have passed.
void progress_start(Progress* p, FILE* err, bool quiet, const char* label, uint64_t delay_ms);
// Redraws the line when a redraw is due; otherwise one read of the clock.
void progress_update(Progress* p, const ProgressCounts& c);
// Redraws the line now (once the delay of the start is over).
void progress_draw(Progress* p, const ProgressCounts& c);
// Takes the line off the terminal, so that what comes next starts on a clean line.
void progress_clear(Progress* p);

// The text of the line, at most n - 1 bytes (never a UTF-8 character cut in two):
// "LABEL: 1:02:03 of 24:00:00 simulated, 372,300 frames, 1,024 inputs, 950x real time, 0:01:31 left".
// Speed and time left are left out while nothing has run.
size_t progress_format(char* buf, size_t n, const char* label, const ProgressCounts& c, uint64_t wall_ms);

// Simulated time as H:MM:SS (hours not wrapped), into buf of n bytes.
void progress_hms(char* buf, size_t n, uint64_t ms);
