// A frame for the page tests and ways to read rows, regions and texts back from it.
#pragma once
#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

#include "core/buttons.h"
#include "gfx/font.h"
#include "gfx/gfx.h"
#include "gfx/masks.h"

struct Box {
    int x0, y0, x1, y1; // inclusive
    bool contains(int x, int y) const { return x >= x0 && x <= x1 && y >= y0 && y <= y1; }
};

// Where centred text may land: its advances around cx, glyph rows cy - h/2 + 1 .. cy - h/2 + h.
inline Box text_box(int font, int cx, int cy, const char* text) {
    int w = font_text_width(font, text), h = FONT_TABLE[font].height;
    return {cx - w / 2, cy - h / 2 + 1, cx - w / 2 + w - 1, cy - h / 2 + h};
}

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
    // Pixels of the box that differ from o's; the whole frame by default.
    int differs(const ProbeFrame& o, Box b = {0, 0, FRAME_WIDTH - 1, FRAME_HEIGHT - 1}) const {
        int n = 0;
        for (int y = b.y0; y <= b.y1; ++y)
            for (int x = b.x0; x <= b.x1; ++x) n += at(x, y) != o.at(x, y);
        return n;
    }
    bool same(const ProbeFrame& o, Box b = {0, 0, FRAME_WIDTH - 1, FRAME_HEIGHT - 1}) const {
        return differs(o, b) == 0;
    }
    bool any(Box b, uint32_t color) const {
        for (int y = b.y0; y <= b.y1; ++y)
            for (int x = b.x0; x <= b.x1; ++x)
                if (at(x, y) == color) return true;
        return false;
    }
    // Whether the box holds exactly what paint draws on the background bg alone, and paint drew there.
    template <typename Paint> bool shows(Box b, uint32_t bg, Paint paint) const {
        ProbeFrame ref(bg);
        paint(ref.px());
        ProbeFrame blank(bg);
        return same(ref, b) && !blank.same(ref, b);
    }
    // Text centred on (cx, cy), or left-aligned with its pen at (x, y).
    bool shows_text(int font, int cx, int cy, uint32_t color, const char* text, uint32_t bg = 0) const {
        return shows(text_box(font, cx, cy, text), bg,
                     [&](uint32_t* p) { font_draw_text_centered(p, font, cx, cy, color, text); });
    }
    bool shows_run(int font, int x, int y, uint32_t color, const char* text, uint32_t bg = 0) const {
        const Box b{x, y + 1, x + font_text_width(font, text) - 1, y + FONT_TABLE[font].height};
        return shows(b, bg, [&](uint32_t* p) {
            font_draw_text_left(p, FRAME_WIDTH, FRAME_HEIGHT, font, x, y, color, text);
        });
    }
};

// "" when the two frames are the same, else where they first differ (top row first).
inline std::string difference(const ProbeFrame& got, const ProbeFrame& want) {
    for (int y = 0; y < FRAME_HEIGHT; ++y)
        for (int x = 0; x < FRAME_WIDTH; ++x)
            if (got.at(x, y) != want.at(x, y)) {
                char s[80];
                std::snprintf(s, sizeof s, "(%d, %d) is 0x%08X, not 0x%08X", x, y, got.at(x, y),
                              want.at(x, y));
                return s;
            }
    return "";
}

// A whole screen drawn element by element from its layout with the drawing primitives, to compare a page
// with: centred texts, runs of glyphs from a pen, vertical labels, lines, filled rectangles and masks.
struct Sketch : ProbeFrame {
    using ProbeFrame::ProbeFrame;
    Sketch& text(int font, int cx, int cy, uint32_t color, const char* s) {
        font_draw_text_centered(px(), font, cx, cy, color, s);
        return *this;
    }
    Sketch& run(int font, int x, int y, uint32_t color, const char* s) {
        font_draw_text_left(px(), FRAME_WIDTH, FRAME_HEIGHT, font, x, y, color, s);
        return *this;
    }
    Sketch& down(int x, int y, uint32_t color, const char* s) {
        font_draw_text_vertical(px(), x, y, color, s);
        return *this;
    }
    Sketch& line(float x0, float y0, float x1, float y1, uint32_t color) {
        gfx_draw_line(px(), FRAME_WIDTH, FRAME_HEIGHT, x0, y0, x1, y1, color);
        return *this;
    }
    Sketch& rect(int x0, int y0, int x1, int y1, uint32_t color) {
        gfx_fill_rect(px(), x0, y0, x1, y1, color);
        return *this;
    }
    Sketch& mask(const MaskImage& m, int x, int y, uint32_t color = 0xFFFFFFFF) {
        gfx_draw_mask(px(), FRAME_WIDTH, FRAME_HEIGHT, m.data, m.width, m.height, x, y, color);
        return *this;
    }
};

// The consecutive rows centre - half .. centre + half.
inline std::vector<int> rows_around(int centre, int half) {
    std::vector<int> rows;
    for (int y = centre - half; y <= centre + half; ++y) rows.push_back(y);
    return rows;
}

// One decoded event through the dispatch, as a tick hands it on; returns what page stepping was left with.
inline int32_t send_event(int32_t ev) {
    button_event = ev;
    btn_dispatch(0, 0);
    return button_event;
}
