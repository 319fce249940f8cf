#include "host/bezel.h"

#include "host/host.h"

void host_bezel_compose(uint32_t* out) {
    for (int i = 0; i < BEZEL_WIDTH * BEZEL_HEIGHT; ++i) out[i] = 0xFF202020;
    for (int y = 0; y < FRAME_HEIGHT; ++y)
        for (int x = 0; x < FRAME_WIDTH; ++x)
            out[(FRAME_ORIGIN_Y + y) * BEZEL_WIDTH + FRAME_ORIGIN_X + x] =
                0xFF000000 | host_frame.pixels[gfx_index(x, y, FRAME_WIDTH, FRAME_HEIGHT)];
}
