// The simulator window on SDL2: the bezel picture with the live display, the mouse on its buttons, and
// the three ticks on a monotonic clock.
#pragma once

// Opens the window and runs the instrument until the window is closed. Returns the process exit code:
// 0 when closed, 1 when no window could be opened (with a one-line message on stderr).
int host_sdl_run();
