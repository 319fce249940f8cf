// The simulator window's command line.
#pragma once
#include <cstddef>
#include <cstdio>
#include <string_view>

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

// A word (a name, an argument) as it may appear inside a one-line message: control bytes escaped, cut
// after 60 characters; out holds SIM_SHOWN_SIZE bytes or fewer (then cut sooner).
constexpr size_t SIM_SHOWN_SIZE = 4 * 60 + 8;
void host_sim_shown(std::string_view word, char* out, size_t size);
