// A frame for the page tests and ways to read rows and regions back from it.
#pragma once
#include <algorithm>
#include <vector>

#include "gfx/gfx.h"

struct ProbeFrame {
    FrameBuffer f{};
    explicit ProbeFrame(uint32_t fill = 0) { std::fill(f.pixels, f.pixels + FRAME_PIXELS, fill); }
    uint32_t at(int x, int y) const { return f.pixels[gfx_index(x, y, FRAME_WIDTH, FRAME_HEIGHT)]; }
    uint32_t* px() { return f.pixels; }
    // The rows of column x that hold exactly this colour, top down.
    std::vector<int> rows_of(int x, uint32_t color) const {
        std::vector<int> rows;
        for (int y = 0; y < FRAME_HEIGHT; ++y)
            if (at(x, y) == color) rows.push_back(y);
        return rows;
    }
    // Columns x0..x1 and rows y0..y1 (inclusive) match; the whole frame by default.
    bool same(const ProbeFrame& o, int x0 = 0, int y0 = 0, int x1 = FRAME_WIDTH - 1,
              int y1 = FRAME_HEIGHT - 1) const {
        for (int y = y0; y <= y1; ++y)
            for (int x = x0; x <= x1; ++x)
                if (at(x, y) != o.at(x, y)) return false;
        return true;
    }
};

// The consecutive rows centre - half .. centre + half.
inline std::vector<int> rows_around(int centre, int half) {
    std::vector<int> rows;
    for (int y = centre - half; y <= centre + half; ++y) rows.push_back(y);
    return rows;
}
