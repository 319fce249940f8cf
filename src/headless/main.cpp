// zt30-headless: the instrument on a simulated clock, driven by a script.
#include <csignal>
#include <cstdio>

#include "headless/cli.h"
#include "headless/run.h"

namespace {

void on_stop(int signal) {
    headless_stop_signal = signal;
}

} // namespace

int main(int argc, char** argv) {
    // Each stops the run between two ticks or two files, so nothing is left half written. No SA_RESTART:
    // a read of the script from a terminal, or the open of a pipe nobody reads, must end at Ctrl-C too.
    struct sigaction action {};
    action.sa_handler = on_stop;
    sigemptyset(&action.sa_mask);
    for (int sig : {SIGHUP, SIGINT, SIGQUIT, SIGTERM}) sigaction(sig, &action, nullptr);
    return headless_main(argc, argv, stdin, stdout, stderr);
}
