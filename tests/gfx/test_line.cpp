#include <gtest/gtest.h>

#include <algorithm>
#include <vector>

#include "gfx/gfx.h"

namespace {

constexpr uint32_t WHITE = 0xFFFFFFFF;
constexpr uint32_t HALF = 0x7F7F7F7F;

// A W x H bottom-up pixel array with guard words on both sides, to catch writes outside it.
struct Canvas {
    static constexpr int GUARD = 4096;
    static constexpr uint32_t CANARY = 0xDEADBEEF;
    int w, h;
    std::vector<uint32_t> store;
    Canvas(int w_, int h_, uint32_t fill = 0) : w(w_), h(h_), store(w_ * h_ + 2 * GUARD, CANARY) {
        std::fill(pixels(), pixels() + w * h, fill);
    }
    uint32_t* pixels() { return store.data() + GUARD; }
    uint32_t at(int x, int y) const { return store[GUARD + gfx_index(x, y, w, h)]; }
    void line(float x0, float y0, float x1, float y1, uint32_t color = WHITE) {
        gfx_draw_line(pixels(), w, h, x0, y0, x1, y1, color);
    }
    bool guards_intact() const {
        for (int i = 0; i < GUARD; ++i)
            if (store[i] != CANARY || store[store.size() - 1 - i] != CANARY) return false;
        return true;
    }
    // Pixels that differ from `background`, with their bounds.
    struct Changed {
        int count = 0, x0 = 1 << 20, y0 = 1 << 20, x1 = -1, y1 = -1;
    };
    Changed changed(uint32_t background = 0) const {
        Changed c;
        for (int y = 0; y < h; ++y)
            for (int x = 0; x < w; ++x)
                if (at(x, y) != background) {
                    ++c.count;
                    c.x0 = std::min(c.x0, x), c.y0 = std::min(c.y0, y);
                    c.x1 = std::max(c.x1, x), c.y1 = std::max(c.y1, y);
                }
        return c;
    }
};

void expect_box(const Canvas::Changed& c, int count, int x0, int y0, int x1, int y1) {
    EXPECT_EQ(c.count, count);
    EXPECT_EQ(c.x0, x0);
    EXPECT_EQ(c.y0, y0);
    EXPECT_EQ(c.x1, x1);
    EXPECT_EQ(c.y1, y1);
}

} // namespace

TEST(Line, HorizontalIsTwoRowsWithZeroWeightEndCap) {
    Canvas c(128, 160);
    c.line(11, 69, 117, 69, 0xFF888888);
    // f = 0: row 68 takes the full colour by blending, row 69 is the core, row 70 gets weight 0.
    expect_box(c.changed(), 2 * 107, 11, 68, 117, 69);
    for (int x = 11; x <= 117; ++x) {
        EXPECT_EQ(c.at(x, 68), 0xFF888888u) << x;
        EXPECT_EQ(c.at(x, 69), 0xFF888888u) << x;
    }
    // Start cap at 11, body 12..117, end cap at 118.
    EXPECT_EQ(gfx_line_cross_sections(128, 160, 11, 69, 117, 69), 108);
}

TEST(Line, VerticalIsSteepWithZeroGradientAndEitherDirection) {
    Canvas down(64, 64), up(64, 64);
    down.line(40, 10, 40, 30);
    up.line(40, 30, 40, 10);
    // Columns 39 and 40 over rows 10..30: the minor axis is x.
    expect_box(down.changed(), 2 * 21, 39, 10, 40, 30);
    EXPECT_EQ(down.store, up.store);
}

TEST(Line, FortyFiveDegreesIsNotSteep) {
    Canvas c(64, 64);
    c.line(10, 10, 20, 20);
    // Not steep: each column P gets rows P - 1 and P; steep would have lit (P - 1, P) instead.
    expect_box(c.changed(), 22, 10, 9, 20, 20);
    for (int p = 10; p <= 20; ++p) {
        EXPECT_EQ(c.at(p, p - 1), WHITE);
        EXPECT_EQ(c.at(p, p), WHITE);
    }
    EXPECT_EQ(c.at(9, 10), 0u);
}

TEST(Line, ShallowGradientSplitsTheOuterPixels) {
    Canvas c(64, 64);
    c.line(10, 20, 20, 25);
    // Column 11 sits at m = 20.5: both neighbours of the core get half the colour.
    EXPECT_EQ(c.at(11, 19), HALF);
    EXPECT_EQ(c.at(11, 20), WHITE);
    EXPECT_EQ(c.at(11, 21), HALF);
    // Column 12 at m = 21 exactly: the row below joins the core, the row above stays dark.
    EXPECT_EQ(c.at(12, 20), WHITE);
    EXPECT_EQ(c.at(12, 21), WHITE);
    EXPECT_EQ(c.at(12, 22), 0u);
    EXPECT_EQ(c.at(20, 25), WHITE);
    EXPECT_EQ(c.at(21, 25), 0u);
}

TEST(Line, SteepLinesAreShallowLinesTransposed) {
    const float ends[][4] = {{3.0f, 5.5f, 40.25f, 17.0f},
                             {50.0f, 2.0f, 7.5f, 20.75f},
                             {-3.0f, 30.0f, 60.0f, 1.2f},
                             {10.0f, 10.0f, 11.0f, 10.4f},
                             {0.3f, 44.0f, 62.9f, 43.1f}};
    for (const auto& e : ends) {
        Canvas shallow(64, 64), steep(64, 64);
        shallow.line(e[0], e[1], e[2], e[3]);
        steep.line(e[1], e[0], e[3], e[2]);
        EXPECT_GT(shallow.changed().count, 0);
        for (int y = 0; y < 64; ++y)
            for (int x = 0; x < 64; ++x) ASSERT_EQ(shallow.at(x, y), steep.at(y, x)) << x << "," << y;
    }
}

TEST(Line, FractionalEndsWeightTheCaps) {
    Canvas c(64, 64);
    c.line(10.5f, 30, 20.5f, 30);
    // Start cap at 10 and end cap at 21 each carry half the colour on both rows.
    for (int x : {10, 21}) {
        EXPECT_EQ(c.at(x, 29), HALF) << x;
        EXPECT_EQ(c.at(x, 30), HALF) << x;
    }
    EXPECT_EQ(c.at(11, 30), WHITE);
    EXPECT_EQ(c.at(20, 29), WHITE);
    expect_box(c.changed(), 2 * 12, 10, 29, 21, 30);

    Canvas q(64, 64);
    q.line(10, 30.25f, 20, 30.25f);
    // A quarter pixel down: 3/4 on the row above, the core, 1/4 on the row below.
    EXPECT_EQ(q.at(10, 29), 0xBFBFBFBFu);
    EXPECT_EQ(q.at(10, 30), WHITE);
    EXPECT_EQ(q.at(10, 31), 0x3F3F3F3Fu);
    EXPECT_EQ(q.at(15, 29), 0xBFBFBFBFu);
    EXPECT_EQ(q.at(15, 31), 0x3F3F3F3Fu);
}

TEST(Line, ShortLineIsCapsOnly) {
    Canvas c(64, 64);
    // Shorter than a pixel: the start cap at 10 and the half-weight end cap at 11, no body.
    c.line(10, 10, 10.5f, 10);
    EXPECT_EQ(c.at(10, 10), WHITE);
    EXPECT_EQ(c.at(11, 9), HALF);
    EXPECT_EQ(c.at(11, 10), HALF);
    expect_box(c.changed(), 4, 10, 9, 11, 10);
}

TEST(Line, FarOutsideVisitsOnlyThePulledInSpan) {
    Canvas c(128, 160);
    c.line(-500, 10, 50, 10);
    expect_box(c.changed(), 2 * 51, 0, 9, 50, 10);
    // One cross-section at column -1, the body 0..50, the end cap at 51: not the 551 of the whole line.
    EXPECT_EQ(gfx_line_cross_sections(128, 160, -500, 10, 50, 10), 53);
    EXPECT_EQ(gfx_line_cross_sections(128, 160, -5.0e7f, 10, 50, 10), 53);

    // Both ends far out: the walk stops at the array's far edge.
    EXPECT_EQ(gfx_line_cross_sections(128, 160, 30, -1.0e6f, 30, 1.0e6f), 161);
    Canvas v(128, 160);
    v.line(30, -1.0e6f, 30, 1.0e6f);
    expect_box(v.changed(), 2 * 160, 29, 0, 30, 159);

    // A steep line through the corner; its start is pulled in along both axes.
    EXPECT_EQ(gfx_line_cross_sections(128, 160, -1000, -2000, 1000, 2000), 162);

    // Leaving through the bottom edge of the minor axis ends the walk where the line crosses row -1.
    EXPECT_EQ(gfx_line_cross_sections(128, 160, 0, 10, 4000, -990), 46);
    Canvas m(128, 160);
    m.line(0, 10, 4000, -990);
    EXPECT_EQ(m.changed().x1, 43); // at column 44 the line is on row -1 and row 0 gets weight 0

    // Entirely outside: nothing drawn, a couple of sections at most.
    Canvas o(128, 160);
    o.line(-100, -50, -10, -5);
    EXPECT_EQ(o.changed().count, 0);
    EXPECT_LE(gfx_line_cross_sections(128, 160, -100, -50, -10, -5), 2);
    EXPECT_TRUE(c.guards_intact() && v.guards_intact() && m.guards_intact() && o.guards_intact());
}

TEST(Line, MinorPullInMovesTheStartCap) {
    Canvas c(128, 160);
    // The start is pulled back to (9.5, -1): column 10 then sits at m = -0.75 and row 0 gets weight 1/4
    // (from the body), where the unpulled start cap would have given it 1/8.
    c.line(10.5f, -0.5f, 100.5f, 44.5f);
    EXPECT_EQ(c.at(10, 0), 0x3F3F3F3Fu);
    for (int y = 0; y < 160; ++y) EXPECT_EQ(c.at(9, y), 0u);
}

TEST(Line, ClipsAtEveryEdgeOfSmallArrays) {
    Canvas c(20, 12, 0xFF000000);
    const float lines[][4] = {{-5, -5, 25, 17},       {-3, 6, 30, 6},        {10, -40, 10, 40},
                              {19.5f, 11.5f, 60, 80}, {25, -1, -6, 13},      {0, 11, 19, 11},
                              {-0.5f, 0, -0.5f, 11},  {20.2f, 0, 20.2f, 11}, {3, 12.4f, 18, 12.4f},
                              {-1e9f, 3, 1e9f, 4},    {5, 1e9f, 6, -1e9f}};
    for (const auto& l : lines) c.line(l[0], l[1], l[2], l[3], 0xFF00FFFF);
    EXPECT_TRUE(c.guards_intact());
    // Rows 0 and 11 and columns 0 and 19 were all reached.
    Canvas::Changed ch = c.changed(0xFF000000);
    expect_box(ch, ch.count, 0, 0, 19, 11);
}

TEST(Line, CoincidingEndpointsDrawNothing) {
    Canvas c(32, 32);
    c.line(5, 5, 5, 5);
    c.line(7.25f, 8.5f, 7.25f, 8.5f);
    EXPECT_EQ(c.changed().count, 0);
    EXPECT_EQ(gfx_line_cross_sections(32, 32, 5, 5, 5, 5), 0);
}

TEST(Line, RedrawingBlendsPartialPixelsAgainButNotTheCore) {
    Canvas c(64, 64);
    c.line(10, 30.25f, 20, 30.25f);
    c.line(10, 30.25f, 20, 30.25f);
    EXPECT_EQ(c.at(15, 30), WHITE);
    // 191 -> 191 * 0.25 + 255 * 0.75 = 239; 63 -> 63 * 0.75 + 255 * 0.25 = 111.
    EXPECT_EQ(c.at(15, 29), 0xEFEFEFEFu);
    EXPECT_EQ(c.at(15, 31), 0x6F6F6F6Fu);

    // A black line sets its core to 0x00000000 outright.
    Canvas k(64, 64, 0xFF00FFFF);
    k.line(30, 10, 30, 20, 0x00000000);
    EXPECT_EQ(k.at(30, 15), 0x00000000u);
    EXPECT_EQ(k.at(29, 15), 0x00000000u);
    EXPECT_EQ(k.at(31, 15), 0xFF00FFFFu);
}
