// Runs a parsed script on the instrument, on a simulated clock.
#pragma once
#include <csignal>
#include <cstdio>

#include "headless/script.h"
#include "host/scheduler.h"

// Exit codes of the runner.
constexpr int HEADLESS_EXIT_OK = 0;
constexpr int HEADLESS_EXIT_WRITE = 1;  // a file could not be written
constexpr int HEADLESS_EXIT_USAGE = 2;  // bad option, unreadable or malformed script
constexpr int HEADLESS_EXIT_EXPECT = 3; // an expect line saw another colour

struct HeadlessOptions {
    bool local_time_set;
    ClockTime local_time;
    bool quiet; // no progress line on a terminal
};

// A signal number set by the program's signal handler (SIGINT, SIGTERM): a running script stops between
// two ticks and returns 128 + the number.
extern volatile std::sig_atomic_t headless_stop_signal;

// Starts the instrument as the window does, on a simulated clock at 0 ms whose ticks sched counts; the
// local time of day is the one of the options, else the machine's.
void headless_start(const HeadlessOptions& options, HostScheduler* sched);

// Starts the instrument as the window does and runs the script; probe lines go to out, errors to err, and
// on a terminal, for a run that takes more than 2 s, the progress line too. Returns the exit code.
int headless_run(const HeadlessScript& script, const HeadlessOptions& options, FILE* out, FILE* err);

// Flushes out, says on err that `where` was interrupted, and returns the exit code for the signal.
int headless_stopped(FILE* out, FILE* err, const char* where);
