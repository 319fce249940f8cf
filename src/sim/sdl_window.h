// The simulator window on SDL2: the bezel picture with the live display, the mouse and the keys on its
// buttons, zoom, screenshots, help, and the three ticks on a monotonic clock.
#pragma once

#include "sim/options.h"

// Opens the window and runs the instrument until the window is closed. Returns the process exit code:
// 0 when closed (or destroyed by another program), 1 when no window could be opened or the record file
// could not be created (with a one-line message on stderr).
int host_sdl_run(const SimOptions& options);
