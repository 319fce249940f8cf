#include "sim/wake.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <ctime>

#include "sim/record_file.h"

void sim_wake_reset(SimWake* w) {
    *w = SimWake{};
}

int sim_wake_watch(SimWake* w, int fd) {
    if (fd < 0 || w->count == SIM_WAKE_MAX_FDS) return -1;
    w->fds[w->count] = pollfd{fd, POLLIN, 0};
    return w->count++;
}

bool sim_wake_ready(const SimWake* w, int slot) {
    return slot >= 0 && slot < w->count && (w->fds[slot].revents & (POLLIN | POLLHUP | POLLERR)) != 0;
}

void sim_wake_forget(SimWake* w, int slot) {
    if (slot >= 0 && slot < w->count) w->fds[slot].revents = 0;
}

void sim_wake_wait(SimWake* w, int64_t timeout_ns) {
    if (timeout_ns < 0) timeout_ns = 0;
    timespec timeout{static_cast<time_t>(timeout_ns / 1000000000),
                     static_cast<long>(timeout_ns % 1000000000)};
    for (int i = 0; i < w->count; ++i) w->fds[i].revents = 0;
    if (timeout_ns > 0) ++w->waits;
    // A signal cuts the wait short (EINTR) and leaves its byte in the pipe; either way the loop looks again.
    if (ppoll(w->fds, static_cast<nfds_t>(w->count), &timeout, nullptr) < 0)
        for (int i = 0; i < w->count; ++i) w->fds[i].revents = 0;
}

// ---- Signals --------------------------------------------------------------------------------------

namespace {

constexpr int END_SIGNALS[] = {SIGHUP, SIGINT, SIGQUIT, SIGTERM, SIGUSR1, SIGALRM};

int pipe_fds[2] = {-1, -1};
SimRecordFile* early_record = nullptr;
volatile sig_atomic_t running = 0;
volatile sig_atomic_t caught = 0;
volatile sig_atomic_t stats_asked = 0;

void say(const char* text) {
    ssize_t n = ::write(STDERR_FILENO, text, std::strlen(text));
    (void)n;
}

void on_end_signal(int sig) {
    int saved = errno;
    if (!running && sig == SIGUSR2) return;
    if (!running) {
        // Still starting (opening the display may hang on a remote one): end now, leaving nothing.
        if (early_record) sim_record_abandon(early_record);
        say("zt30-sim: ended by ");
        say(sim_signal_name(sig));
        say(" before the window opened\n");
        _exit(128 + sig);
    }
    if (sig == SIGUSR2)
        stats_asked = 1;
    else if (caught == 0)
        caught = sig;
    char byte = 1;
    ssize_t n = ::write(pipe_fds[1], &byte, 1);
    (void)n;
    errno = saved;
}

} // namespace

const char* sim_signal_name(int sig) {
    switch (sig) {
    case SIGHUP:
        return "SIGHUP";
    case SIGINT:
        return "SIGINT";
    case SIGQUIT:
        return "SIGQUIT";
    case SIGTERM:
        return "SIGTERM";
    case SIGUSR1:
        return "SIGUSR1";
    case SIGALRM:
        return "SIGALRM";
    default:
        return "a signal";
    }
}

bool sim_signals_install(SimRecordFile* record) {
    early_record = record;
    running = 0;
    caught = 0;
    if (pipe_fds[0] < 0 && pipe2(pipe_fds, O_CLOEXEC | O_NONBLOCK) != 0) return false;
    struct sigaction ignore {};
    ignore.sa_handler = SIG_IGN;
    sigemptyset(&ignore.sa_mask);
    sigaction(SIGPIPE, &ignore, nullptr);
    sigaction(SIGXFSZ, &ignore, nullptr);
    struct sigaction end {};
    end.sa_handler = on_end_signal;
    sigemptyset(&end.sa_mask);
    for (int sig : END_SIGNALS) sigaddset(&end.sa_mask, sig);
    // Restarted: the display library's reads and writes must not see EINTR; the wait wakes by the pipe.
    end.sa_flags = SA_RESTART;
    for (int sig : END_SIGNALS) sigaction(sig, &end, nullptr);
    sigaction(SIGUSR2, &end, nullptr);
    return true;
}

void sim_signals_run() {
    running = 1;
}

int sim_signals_fd() {
    return pipe_fds[0];
}

int sim_signals_caught() {
    return caught;
}

bool sim_signals_stats_asked() {
    if (!stats_asked) return false;
    stats_asked = 0;
    return true;
}

void sim_signals_drain() {
    char bytes[64];
    while (::read(pipe_fds[0], bytes, sizeof bytes) > 0) {
    }
}
