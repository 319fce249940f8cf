#include <gtest/gtest.h>

#include <algorithm>
#include <vector>

#include "gfx/gfx.h"

namespace {

constexpr uint32_t WHITE = 0xFFFFFFFF, HALF = 0x7F7F7F7F, CANARY = 0xDEADBEEF;

// A W x H bottom-up array with guard words on both sides, to catch writes outside it.
struct Canvas {
    static constexpr int GUARD = 4096;
    int w, h;
    std::vector<uint32_t> store;
    Canvas(int w_, int h_, uint32_t fill = 0) : w(w_), h(h_), store(w_ * h_ + 2 * GUARD, CANARY) {
        std::fill(store.begin() + GUARD, store.end() - GUARD, fill);
    }
    uint32_t at(int x, int y) const { return store[GUARD + gfx_index(x, y, w, h)]; }
    void line(float x0, float y0, float x1, float y1, uint32_t color = WHITE) {
        gfx_draw_line(store.data() + GUARD, w, h, x0, y0, x1, y1, color);
    }
    bool guards_intact() const {
        return std::count(store.begin(), store.begin() + GUARD, CANARY) == GUARD &&
               std::count(store.end() - GUARD, store.end(), CANARY) == GUARD;
    }
    // Count and bounds {count, x0, y0, x1, y1} of the pixels that differ from `background`.
    std::vector<int> changed(uint32_t background = 0) const {
        std::vector<int> c{0, 1 << 20, 1 << 20, -1, -1};
        for (int y = 0; y < h; ++y)
            for (int x = 0; x < w; ++x)
                if (at(x, y) != background)
                    c = {c[0] + 1, std::min(c[1], x), std::min(c[2], y), std::max(c[3], x),
                         std::max(c[4], y)};
        return c;
    }
};

using Box = std::vector<int>;

} // namespace

TEST(Line, HorizontalVerticalAndFortyFive) {
    Canvas c(128, 160);
    c.line(11, 69, 117, 69, 0xFF888888);
    // f = 0: row 68 is blended with weight 1, row 69 is the core, row 70 and the end cap at 118 get weight 0.
    EXPECT_EQ(c.changed(), (Box{2 * 107, 11, 68, 117, 69}));
    EXPECT_EQ(c.at(11, 68), 0xFF888888u);

    // Vertical lines are steep with g = 0, whichever end comes first.
    Canvas down(64, 64), up(64, 64);
    down.line(40, 10, 40, 30);
    up.line(40, 30, 40, 10);
    EXPECT_EQ(down.changed(), (Box{2 * 21, 39, 10, 40, 30}));
    EXPECT_EQ(down.store, up.store);

    // 45 degrees is not steep: column P gets rows P - 1 and P (steep would light (P - 1, P)).
    Canvas d(64, 64);
    d.line(10, 10, 20, 20);
    EXPECT_EQ(d.changed(), (Box{22, 10, 9, 20, 20}));
    EXPECT_EQ(d.at(15, 14), WHITE);
}

TEST(Line, ShallowAndSteepGradients) {
    Canvas c(64, 64);
    c.line(10, 20, 20, 25);
    // Column 11 at m = 20.5 halves both outer pixels; column 12 at m = 21 exactly lights only the one above.
    EXPECT_EQ(c.at(11, 19), HALF);
    EXPECT_EQ(c.at(11, 21), HALF);
    EXPECT_EQ(c.at(12, 20), WHITE);
    EXPECT_EQ(c.at(12, 22), 0u);

    // A steep line is the shallow line with the axes exchanged.
    const float ends[][4] = {
        {3, 5.5f, 40.25f, 17}, {50, 2, 7.5f, 20.75f}, {-3, 30, 60, 1.2f}, {0.3f, 44, 62.9f, 43.1f}};
    for (const auto& e : ends) {
        Canvas shallow(64, 64), steep(64, 64);
        shallow.line(e[0], e[1], e[2], e[3]);
        steep.line(e[1], e[0], e[3], e[2]);
        for (int y = 0; y < 64; ++y)
            for (int x = 0; x < 64; ++x) ASSERT_EQ(shallow.at(x, y), steep.at(y, x)) << x << "," << y;
    }
}

TEST(Line, FractionalEnds) {
    // Half-pixel ends a quarter pixel down: half-weight caps at 10 and 21, and each cross-section puts
    // 3/4 on the row above the core and 1/4 below it.
    Canvas c(64, 64);
    c.line(10.5f, 30.25f, 20.5f, 30.25f);
    EXPECT_EQ(c.changed(), (Box{36, 10, 29, 21, 31}));
    for (int x : {10, 21}) {
        EXPECT_EQ(c.at(x, 29), 0x5F5F5F5Fu);
        EXPECT_EQ(c.at(x, 30), HALF);
        EXPECT_EQ(c.at(x, 31), 0x1F1F1F1Fu);
    }
    EXPECT_EQ(c.at(15, 29), 0xBFBFBFBFu);
    EXPECT_EQ(c.at(15, 31), 0x3F3F3F3Fu);
}

TEST(Line, FarOutsideVisitsOnlyThePulledInSpan) {
    Canvas c(128, 160);
    c.line(-500, 10, 50, 10);
    EXPECT_EQ(c.changed(), (Box{2 * 51, 0, 9, 50, 10}));
    const struct {
        float x0, y0, x1, y1;
        int sections;
    } spans[] = {
        {-500, 10, 50, 10, 53}, // the cross-section at -1, the body 0..50 and the end cap at 51
        {-5.0e7f, 10, 50, 10, 53},
        {-2.5f, 10, 50, 10, 53},
        {30, -1.0e6f, 30, 1.0e6f, 161}, // both ends far out: the walk ends at the far edge
        {-1000, -2000, 1000, 2000, 162},
        {0, 10, 4000, -990, 46},       // leaves through row -1 at column 44
        {0, 170, 400, -30, 110},       // comes in from below the array at column 18
        {0, 100, 400, 300, 124},       // leaves it downward at column 122
        {0, 159.6f, 100, 160.4f, 102}, // too flat to be pulled in along the rows
        {5, 5, 5, 5, 0},               // coinciding ends
    };
    for (const auto& [x0, y0, x1, y1, sections] : spans)
        EXPECT_EQ(gfx_line_cross_sections(128, 160, x0, y0, x1, y1), sections) << x0 << "," << y0;
    Canvas m(128, 160);
    m.line(0, 10, 4000, -990);
    EXPECT_EQ(m.changed()[3], 43); // at column 44, row 0 gets weight 0

    // The start pulled back to (9.5, -1) puts column 10 at m = -0.75: row 0 gets 1/4 from the body where
    // an unpulled start cap would have given it 1/8.
    Canvas p(128, 160);
    p.line(10.5f, -0.5f, 100.5f, 44.5f);
    EXPECT_EQ(p.at(10, 0), 0x3F3F3F3Fu);
    EXPECT_EQ(p.changed()[1], 10);

    // Ending at -1.5, pulled in to -1: its end cap at column 0 weighs nothing.
    Canvas o(128, 160);
    o.line(-100, 10, -1.5f, 10);
    EXPECT_EQ(o.changed()[0], 0);
    EXPECT_TRUE(c.guards_intact() && m.guards_intact() && p.guards_intact() && o.guards_intact());
}

TEST(Line, ClipsAtEveryEdgeOfSmallArrays) {
    Canvas c(20, 12, 0xFF000000);
    const float lines[][4] = {{-5, -5, 25, 17},       {-3, 6, 30, 6},        {10, -40, 10, 40},
                              {19.5f, 11.5f, 60, 80}, {25, -1, -6, 13},      {-0.5f, 0, -0.5f, 11},
                              {20.2f, 0, 20.2f, 11},  {3, 12.4f, 18, 12.4f}, {-1e9f, 3, 1e9f, 4},
                              {5, 1e9f, 6, -1e9f}};
    for (const auto& l : lines) c.line(l[0], l[1], l[2], l[3], 0xFF00FFFF);
    EXPECT_TRUE(c.guards_intact());
    Box b = c.changed(0xFF000000);
    EXPECT_EQ((Box{b[1], b[2], b[3], b[4]}), (Box{0, 0, 19, 11}));
}

// The core is written as the colour itself, not blended: a 0x00000000 line clears it.
TEST(Line, CoreIsWrittenOutright) {
    Canvas k(64, 64, 0xFF00FFFF);
    k.line(30, 10, 30, 20, 0x00000000);
    EXPECT_EQ(k.at(29, 15), 0u);
    EXPECT_EQ(k.at(30, 15), 0u);
    EXPECT_EQ(k.at(31, 15), 0xFF00FFFFu);
}
