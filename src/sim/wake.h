// What wakes the window between ticks: the file descriptors it watches and the signals that end it.
//
// The wait watches a short list of descriptors along with the clock: the display connection and the
// signal pipe below. Another source of input (a data link's socket, say) is one more sim_wake_watch
// call, and its slot tells after each wait whether it has something to read.
#pragma once
#include <poll.h>

#include <csignal>
#include <cstdint>

constexpr int SIM_WAKE_MAX_FDS = 4;

struct SimWake {
    pollfd fds[SIM_WAKE_MAX_FDS];
    int count;
    uint64_t waits; // waits that slept (a count for the tick statistics and the tests)
};

void sim_wake_reset(SimWake* w);

// Watches fd for input from now on; returns its slot, or -1 when the list is full or fd is negative.
int sim_wake_watch(SimWake* w, int fd);

// Whether the descriptor in `slot` had input (or hung up) when the last wait returned.
bool sim_wake_ready(const SimWake* w, int slot);

// The input in `slot` has been dealt with: not ready until the next wait says so again.
void sim_wake_forget(SimWake* w, int slot);

// Sleeps for at most timeout_ns, until a watched descriptor has input or a signal arrives. A timeout of
// 0 or less only looks.
void sim_wake_wait(SimWake* w, int64_t timeout_ns);

// ---- Signals --------------------------------------------------------------------------------------

struct SimRecordFile;

// The signals that end the window as its close button does: SIGHUP, SIGINT, SIGQUIT, SIGTERM, SIGUSR1,
// SIGALRM. Until sim_signals_run() such a signal ends the process at once (exit status 128 + the
// signal), removing the recording's temporary file; from then on it only asks the window to end, through
// the pipe sim_signals_fd() that the wait watches. SIGUSR2 asks for the tick statistics so far. SIGPIPE
// and SIGXFSZ are ignored: a write to a closed pipe or past the file size limit fails as any other write
// does. False when the pipe cannot be made.
bool sim_signals_install(SimRecordFile* record);
void sim_signals_run();
int sim_signals_fd();
// Empties the pipe once the wait has woken on it.
void sim_signals_drain();

// The signal that asked the window to end, 0 while none did.
int sim_signals_caught();
// Whether SIGUSR2 came since the last call.
bool sim_signals_stats_asked();

// "SIGTERM" for SIGTERM, and so on for the signals above; "a signal" for others.
const char* sim_signal_name(int sig);
