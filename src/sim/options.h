// The simulator window's command line.
#pragma once
#include <cstdio>

#include "live/source.h"

struct SimOptions {
    int scale;               // 1..4: the window is 450 x 550 times this
    const char* record_path; // --record FILE, nullptr when not recording
    bool live;               // --live SOURCE given
    LiveSource live_source;
};

// Reads the options. Returns -1 to go on and open the window; otherwise the program is done (help or
// version printed to out, or a one-line error to err) and the result is its exit code: 0, or 2 for a
// bad command line.
int host_sim_options(int argc, const char* const* argv, SimOptions* options, FILE* out, FILE* err);
