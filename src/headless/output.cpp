#include "headless/output.h"

#include <cstdint>

#include "files/png.h"
#include "front/bezel.h"
#include "gfx/gfx.h"
#include "host/host.h"

namespace {

// Output pictures live here so that running a script allocates nothing.
uint32_t window_pixels[BEZEL_WIDTH * BEZEL_HEIGHT];
uint8_t dump_bytes[FRAME_PIXELS * 4];

} // namespace

const char* headless_write_shot(const char* path, int scale) {
    // Top row of the bottom-up frame, walking down one row at a time.
    return host_png_write_rgb(path, &host_frame.pixels[gfx_index(0, 0, FRAME_WIDTH, FRAME_HEIGHT)],
                              FRAME_WIDTH, FRAME_HEIGHT, -FRAME_WIDTH, scale);
}

const char* headless_write_window(const char* path) {
    host_bezel_compose(window_pixels);
    return host_png_write_rgb(path, window_pixels, BEZEL_WIDTH, BEZEL_HEIGHT, BEZEL_WIDTH, 1);
}

const char* headless_write_dump(const char* path) {
    uint8_t* p = dump_bytes;
    for (int y = 0; y < FRAME_HEIGHT; ++y)
        for (int x = 0; x < FRAME_WIDTH; ++x) {
            uint32_t c = host_frame.pixels[gfx_index(x, y, FRAME_WIDTH, FRAME_HEIGHT)];
            *p++ = static_cast<uint8_t>(c);
            *p++ = static_cast<uint8_t>(c >> 8);
            *p++ = static_cast<uint8_t>(c >> 16);
            *p++ = static_cast<uint8_t>(c >> 24);
        }
    return host_file_write_all(path, dump_bytes, sizeof dump_bytes);
}
