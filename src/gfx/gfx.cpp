#include "gfx/gfx.h"

#include <algorithm>

void gfx_fill_rect(uint32_t* frame, int x0, int y0, int x1, int y1, uint32_t color) {
    // Clipping the range up front touches exactly the in-frame pixels a per-pixel test would.
    int xa = std::max(std::min(x0, x1), 0), xb = std::min(std::max(x0, x1), FRAME_WIDTH);
    int ya = std::max(std::min(y0, y1), 0), yb = std::min(std::max(y0, y1), FRAME_HEIGHT);
    for (int y = ya; y < yb; ++y) {
        uint32_t* row = frame + gfx_index(0, y, FRAME_WIDTH, FRAME_HEIGHT);
        for (int x = xa; x < xb; ++x) row[x] = color;
    }
}

void gfx_blit_image(uint32_t* frame, const uint32_t* image, int width, int height, int x, int y) {
    for (int r = 0; r < height; ++r) {
        int dy = y + r;
        if (dy >= FRAME_HEIGHT) return;
        if (dy < 0) continue;
        const uint32_t* src = image + (height - 1 - r) * width;
        uint32_t* dst = frame + gfx_index(0, dy, FRAME_WIDTH, FRAME_HEIGHT);
        // Columns left of the frame are skipped, the first one right of it ends the row.
        int c0 = std::max(0, -x), c1 = std::min(width, FRAME_WIDTH - x);
        for (int c = c0; c < c1; ++c) dst[x + c] = src[c];
    }
}

void gfx_draw_mask(uint32_t* pixels, int w, int h, const uint8_t* mask, int mask_width, int mask_height,
                   int x, int y, uint32_t color) {
    // Contribution per intensity: k = floor(16 n / 15), each channel min(255, channel * k).
    uint32_t contribution[16];
    for (int n = 0; n < 16; ++n) {
        uint32_t k = static_cast<uint32_t>(16 * n / 15), c = 0;
        for (int shift = 24; shift >= 0; shift -= 8)
            c |= std::min<uint32_t>(((color >> shift) & 0xFF) * k, 255) << shift;
        contribution[n] = c;
    }
    // Stored row r lands on row y + mask_height - r; every pixel is touched once, so the order is free.
    for (int r = 0; r < mask_height; ++r) {
        int row = y + mask_height - r;
        if (row < 0 || row >= h) continue;
        uint32_t* dst = pixels + gfx_index(0, row, w, h);
        const uint8_t* src = mask + (r * mask_width) / 2;
        for (int p = 0; p < mask_width / 2; ++p) {
            uint8_t byte = src[p];
            if (byte == 0) continue; // adds nothing
            for (int half = 0; half < 2; ++half) {
                int col = x + 2 * p + half;
                int n = half == 0 ? byte >> 4 : byte & 0x0F;
                if (col < 0 || col >= w) continue;
                dst[col] = gfx_add_color(dst[col], contribution[n]);
            }
        }
    }
}
