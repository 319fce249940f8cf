// Small helpers the page tests share: a frame to draw into and ways to read rows and regions back.
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
    // Columns x0..x1 and rows y0..y1 (inclusive) are the same in both frames.
    bool same_box(const ProbeFrame& o, int x0, int y0, int x1, int y1) const {
        for (int y = y0; y <= y1; ++y)
            for (int x = x0; x <= x1; ++x)
                if (at(x, y) != o.at(x, y)) return false;
        return true;
    }
    bool same(const ProbeFrame& o) const { return same_box(o, 0, 0, FRAME_WIDTH - 1, FRAME_HEIGHT - 1); }
};

// The consecutive rows first..last.
inline std::vector<int> row_span(int first, int last) {
    std::vector<int> rows;
    for (int y = first; y <= last; ++y) rows.push_back(y);
    return rows;
}
