// zt30-sim: the instrument in a desktop window. It takes no command line options.
#include <cstdio>

#include "host/sdl_window.h"

int main(int argc, char** argv) {
    if (argc > 1) {
        std::fprintf(stderr, "zt30-sim: unexpected argument '%s' (the simulator takes no options)\n",
                     argv[1]);
        return 2;
    }
    return host_sdl_run();
}
