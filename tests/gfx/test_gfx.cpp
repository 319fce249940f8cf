#include <gtest/gtest.h>

#include <algorithm>
#include <vector>

#include "gfx/gfx.h"
#include "gfx/masks.h"

namespace {

uint32_t at(const FrameBuffer& f, int x, int y) {
    return f.pixels[gfx_index(x, y, FRAME_WIDTH, FRAME_HEIGHT)];
}

// Pixels of the frame that differ from `background`, as (x, y) bounds and count.
struct Touched {
    int count = 0, x0 = 999, y0 = 999, x1 = -1, y1 = -1;
};
Touched touched(const FrameBuffer& f, uint32_t background) {
    Touched t;
    for (int y = 0; y < FRAME_HEIGHT; ++y)
        for (int x = 0; x < FRAME_WIDTH; ++x)
            if (at(f, x, y) != background) {
                ++t.count;
                t.x0 = std::min(t.x0, x), t.y0 = std::min(t.y0, y);
                t.x1 = std::max(t.x1, x), t.y1 = std::max(t.y1, y);
            }
    return t;
}

} // namespace

// Every channel, alpha included, is its own single-precision sum truncated to an integer; weights beyond 1
// overshoot and are limited per channel, never wrapped.
TEST(Blend, EveryChannelFollowsTheSinglePrecisionFormula) {
    auto channel = [](int a, int b, float w) {
        return std::min(255, static_cast<int>(a * (1.0f - w) + b * w));
    };
    const float weights[] = {0.0f,   16.0f / 255.0f,  0.3f, 0.5f, 112.0f / 255.0f,
                             0.999f, 240.0f / 255.0f, 1.0f};
    for (int a = 0; a < 256; a += 5)
        for (int b = 0; b < 256; b += 3)
            for (float w : weights) {
                uint32_t ca = 0xFF000000u | a << 16 | (255 - a) << 8 | b,
                         cb = static_cast<uint32_t>(b) << 24 | b << 16 | a << 8 | 7;
                uint32_t want = static_cast<uint32_t>(channel(0xFF, b, w)) << 24 | channel(a, b, w) << 16 |
                                channel(255 - a, a, w) << 8 | channel(b, 7, w);
                ASSERT_EQ(gfx_blend_color(ca, cb, w), want) << a << " " << b << " " << w;
            }
    EXPECT_EQ(gfx_blend_color(0xFF000000, 0xFFFFFFFF, 0.5f), 0xFF7F7F7Fu);
    EXPECT_EQ(gfx_blend_color(0x00000000, 0xFF80FF10, 1.5f), 0xFFC0FF18u);
}

// Corners in either order, the far edges excluded, clipped on every edge; the colour is written as it is.
TEST(FillRect, OrdersCornersExcludesFarEdgesAndClips) {
    struct Case {
        int x0, y0, x1, y1, count, bx0, by0, bx1, by1;
    } cases[] = {
        {10, 20, 5, 25, 25, 5, 20, 9, 24},           {-5, -5, 3, 3, 9, 0, 0, 2, 2},
        {125, 157, 200, 300, 9, 125, 157, 127, 159}, {-10, 50, 200, 51, 128, 0, 50, 127, 50},
        {60, -100, 61, 500, 160, 60, 0, 60, 159},    {10, 10, 10, 50, 0, 999, 999, -1, -1},
        {10, 10, 50, 10, 0, 999, 999, -1, -1},       {200, 10, 300, 50, 0, 999, 999, -1, -1},
    };
    for (const auto& c : cases) {
        FrameBuffer f{};
        gfx_fill_rect(f.pixels, c.x0, c.y0, c.x1, c.y1, 0xFF00FF00);
        Touched t = touched(f, 0);
        EXPECT_EQ(t.count, c.count) << c.x0 << "," << c.y0;
        EXPECT_EQ((std::vector<int>{t.x0, t.y0, t.x1, t.y1}), (std::vector<int>{c.bx0, c.by0, c.bx1, c.by1}));
    }
    FrameBuffer f{};
    gfx_fill_rect(f.pixels, 0, 0, 128, 160, 0xFFFFFFFF);
    gfx_fill_rect(f.pixels, 0, 0, 128, 160, 0x00000000);
    EXPECT_EQ(touched(f, 0).count, 0);
}

namespace {
// A bottom-up image whose pixel value encodes its picture position: 0xFF00XXYY (y from the top).
std::vector<uint32_t> coded_image(int w, int h) {
    std::vector<uint32_t> img(static_cast<size_t>(w * h));
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) img[gfx_index(x, y, w, h)] = 0xFF000000u | (x << 8) | y;
    return img;
}
} // namespace

TEST(BlitImage, StandsUprightWithTopLeftAtXYAndClips) {
    auto img = coded_image(20, 18);
    FrameBuffer f{};
    gfx_blit_image(f.pixels, img.data(), 20, 18, 10, 20);
    EXPECT_EQ(at(f, 10, 20), 0xFF000000u);
    EXPECT_EQ(at(f, 29, 37), 0xFF001311u);
    EXPECT_EQ(touched(f, 0).count, 20 * 18); // (0, 0) codes as 0xFF000000, so it counts too
    // Image columns 2.. land on frame columns 0..; the top ten picture rows on 150..159.
    FrameBuffer g{};
    gfx_blit_image(g.pixels, img.data(), 20, 18, -2, 150);
    EXPECT_EQ(at(g, 0, 150), 0xFF000200u);
    EXPECT_EQ(at(g, 17, 159), 0xFF001309u);
    EXPECT_EQ(touched(g, 0).count, 18 * 10);
    FrameBuffer h{};
    gfx_blit_image(h.pixels, img.data(), 20, 18, 120, -5);
    EXPECT_EQ(at(h, 120, 0), 0xFF000005u);
    EXPECT_EQ(at(h, 127, 12), 0xFF000711u);
    EXPECT_EQ(touched(h, 0).count, 8 * 13);
    FrameBuffer e{};
    gfx_blit_image(e.pixels, img.data(), 20, 0, 0, 0);
    gfx_blit_image(e.pixels, img.data(), 20, -3, 0, 0);
    gfx_blit_image(e.pixels, img.data(), 20, 18, 128, 0);
    gfx_blit_image(e.pixels, img.data(), 20, 18, 0, 160);
    EXPECT_EQ(touched(e, 0).count, 0);
}

TEST(DrawMask, NibbleOrderAndOneRowDownPlacement) {
    // 4 x 2 mask: stored bottom row first; high nibble = left pixel.
    const uint8_t mask[] = {0x10, 0x00,  // bottom row: only column 0
                            0x00, 0x0F}; // top row: only column 3
    FrameBuffer f{};
    gfx_draw_mask(f.pixels, 128, 160, mask, 4, 2, 10, 20, 0xFFFFFFFF);
    EXPECT_EQ(at(f, 13, 21), 0xFFFFFFFFu); // top row lands on y + 1
    EXPECT_EQ(at(f, 10, 22), 0xFFFFFFFFu); // bottom row on y + mask height
    EXPECT_EQ(touched(f, 0).count, 2);
}

TEST(DrawMask, WeightIsSixteenthsAndAdditiveSaturating) {
    const uint8_t mask[] = {0x17, 0xEF};
    FrameBuffer f{};
    gfx_draw_mask(f.pixels, 128, 160, mask, 4, 1, 0, 0, 0x01020304);
    EXPECT_EQ(at(f, 0, 1), 0x01020304u); // n = 1: k = 1
    EXPECT_EQ(at(f, 1, 1), 0x070E151Cu); // n = 7: k = 7
    EXPECT_EQ(at(f, 2, 1), 0x0E1C2A38u); // n = 14: k = 14
    EXPECT_EQ(at(f, 3, 1), 0x10203040u); // n = 15: k = 16
    gfx_draw_mask(f.pixels, 128, 160, mask, 4, 1, 0, 0, 0x80808080);
    EXPECT_EQ(at(f, 0, 1), 0x81828384u); // adds to what is there
    EXPECT_EQ(at(f, 3, 1), 0xFFFFFFFFu); // saturates per channel
}

TEST(DrawMask, ClipsAgainstTheTargetArray) {
    // A 12 x 8 arrow into a small array, hanging over each edge: nothing outside it is written.
    std::vector<uint32_t> small(18 * 18 + 16, 0xDEADBEEF);
    uint32_t* px = small.data() + 8;
    for (auto pos : {std::pair{-6, -4}, std::pair{12, 12}, std::pair{-10, 10}, std::pair{10, -6}}) {
        std::fill(px, px + 18 * 18, 0u);
        gfx_draw_mask(px, 18, 18, MASK_ARROW_UP.data, 12, 8, pos.first, pos.second, 0xFFFFFFFF);
        for (int i = 0; i < 8; ++i) EXPECT_EQ(small[i], 0xDEADBEEFu);
        for (int i = 0; i < 8; ++i) EXPECT_EQ(small[8 + 18 * 18 + i], 0xDEADBEEFu);
        int lit = static_cast<int>(std::count_if(px, px + 18 * 18, [](uint32_t v) { return v != 0; }));
        EXPECT_GT(lit, 0) << pos.first << "," << pos.second;
        EXPECT_LT(lit, 70);
    }
}

// The shared masks stand the right way up: the up arrow's base at the bottom, the ball a shaded disc.
TEST(Masks, Shapes) {
    auto nib = [](const MaskImage& m, int x, int y_top) {
        uint8_t b = m.data[((m.height - 1 - y_top) * m.width) / 2 + x / 2];
        return x % 2 == 0 ? b >> 4 : b & 15;
    };
    EXPECT_EQ(nib(MASK_ARROW_UP, 5, 6), 15);
    EXPECT_EQ(nib(MASK_ARROW_UP, 0, 1), 0);
    EXPECT_EQ(nib(MASK_ARROW_DOWN, 5, 1), 15);
    EXPECT_GE(nib(MASK_ARROW_LEFT, 1, 6), 12);
    EXPECT_EQ(nib(MASK_ARROW_RIGHT, 7, 0), 0);
    int max_ball = 0;
    for (int y = 0; y < 20; ++y)
        for (int x = 0; x < 20; ++x) max_ball = std::max(max_ball, nib(MASK_BALL, x, y));
    EXPECT_EQ(max_ball, 13);
    EXPECT_EQ(nib(MASK_BALL, 0, 0), 0);
    EXPECT_GE(nib(MASK_BALL, 10, 10), 1);
}
