// PNG pictures (RGB), written whole or not at all. The only user of libpng.
#pragma once
#include <cstddef>
#include <cstdint>

#include "files/file.h"

// Widest picture (after enlarging) that can be written.
constexpr int HOST_PNG_MAX_WIDTH = 4096;

// The PNG of host_png_write_rgb written into an open file, which the caller then completes or discards.
const char* host_png_encode(HostFile* file, const uint32_t* top, int width, int height, ptrdiff_t stride,
                            int scale);

// Writes width x height pixels of 0x??RRGGBB (alpha ignored) to path as an RGB PNG, each pixel enlarged to a
// scale x scale square, whole or not at all. `top` points at the top row; rows lie `stride` words apart,
// negative for bottom-up arrays. Rows are converted one at a time, without a whole-image copy.
const char* host_png_write_rgb(const char* path, const uint32_t* top, int width, int height, ptrdiff_t stride,
                               int scale);
