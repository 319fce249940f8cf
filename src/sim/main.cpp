// zt30-sim: the instrument in a desktop window.
#include <cstdio>

#include "sim/sdl_window.h"
#include "sim/options.h"

int main(int argc, char** argv) {
    SimOptions options;
    int done = host_sim_options(argc, argv, &options, stdout, stderr);
    if (done >= 0) return done;
    return host_sdl_run(options);
}
