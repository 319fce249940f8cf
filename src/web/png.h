// PNG pictures for the browser, encoded in memory: the browser build has no libpng, and its files and
// downloads live in memory anyway.
#pragma once
#include <cstddef>
#include <cstdint>

// Widest and tallest picture (after enlarging) that can be encoded.
constexpr int WEB_PNG_MAX_WIDTH = 1024;
constexpr int WEB_PNG_MAX_HEIGHT = 1280;

// Encodes width x height pixels of 0x??RRGGBB (alpha ignored) as an RGB PNG into out, each pixel a
// scale x scale square. `top` points at the top row; rows lie `stride` words apart, negative for
// bottom-up arrays. Returns the size, or 0 when it does not fit in cap bytes or the picture is too large.
size_t web_png_encode(const uint32_t* top, int width, int height, ptrdiff_t stride, int scale, uint8_t* out,
                      size_t cap);
