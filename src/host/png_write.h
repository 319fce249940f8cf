// PNG output of pictures for screenshots: plain 8-bit RGB, written row by row without a whole-image copy.
#pragma once
#include <cstddef>
#include <cstdint>

// Widest picture (after enlarging) that can be written.
constexpr int HOST_PNG_MAX_WIDTH = 4096;

// Writes width x height pixels of 0x??RRGGBB (alpha ignored) to path as an RGB PNG, each pixel enlarged to a
// scale x scale square. `top` points at the top row; rows lie `stride` words apart, negative for bottom-up
// arrays. Returns nullptr when the file was written, else the reason it was not (valid until the next call).
const char* host_png_write_rgb(const char* path, const uint32_t* top, int width, int height, ptrdiff_t stride,
                               int scale);
