// The simulator window on SDL2: the bezel picture with the live display, the mouse and the keys on its
// buttons, zoom, screenshots, help, and the three ticks on a monotonic clock.
#pragma once

#include "sim/options.h"

// Opens the window and runs the instrument until the window ends. Returns the process exit code: 0 when
// closed (or destroyed by another program), 1 when no window could be opened, the record file could not
// be created or completed, or the X connection was lost, 128 + N when signal N ended it; each but a
// plain close with one line on stderr. A lost X connection ends the process from inside (_exit).
int host_sdl_run(const SimOptions& options);
