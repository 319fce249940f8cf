#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <vector>

#include "gfx/gfx.h"

namespace {

constexpr ImageTransform TURN_90{0, 1, -1, 0, 1}, TURN_180{-1, 0, 0, -1, 1};

// A bottom-up picture whose every pixel is distinct and has no channel near saturation.
struct Picture {
    int w, h;
    std::vector<uint32_t> px;
    Picture(int w_, int h_) : w(w_), h(h_), px(w_ * h_) {
        for (int y = 0; y < h; ++y)
            for (int x = 0; x < w; ++x)
                set(x, y, 0x40000000u | ((10 + 9 * x) & 0xFF) << 16 | ((20 + 11 * y) & 0xFF) << 8 | 0x33);
    }
    void set(int x, int y, uint32_t c) { px[gfx_index(x, y, w, h)] = c; }
    uint32_t at(int x, int y) const { return px[gfx_index(x, y, w, h)]; }
};

// A target array with guard words around it, to catch writes outside it.
struct Target {
    static constexpr int GUARD = 1024;
    int w, h;
    std::vector<uint32_t> store;
    Target(int w_, int h_, uint32_t fill = 0) : w(w_), h(h_), store(w_ * h_ + 2 * GUARD, 0xDEADBEEF) {
        std::fill(pixels(), pixels() + w * h, fill);
    }
    uint32_t* pixels() { return store.data() + GUARD; }
    uint32_t at(int x, int y) const { return store[GUARD + gfx_index(x, y, w, h)]; }
    void draw(const Picture& p, float cx, float cy, const ImageTransform& t) {
        gfx_draw_image_transformed(pixels(), w, h, p.px.data(), p.w, p.h, cx, cy, &t);
    }
    int changed(uint32_t background, int* x1 = nullptr, int* y1 = nullptr) const {
        int n = 0;
        for (int y = 0; y < h; ++y)
            for (int x = 0; x < w; ++x)
                if (at(x, y) != background) {
                    ++n;
                    if (x1) *x1 = std::max(*x1, x);
                    if (y1) *y1 = std::max(*y1, y);
                }
        return n;
    }
};

} // namespace

TEST(Bilinear, VerticalPassComesFirst) {
    Picture p(2, 2);
    p.set(0, 0, 0), p.set(0, 1, 0), p.set(1, 0, 0x01010101), p.set(1, 1, 0xFFFFFFFF);
    // Columns first: 0 and trunc(128.0) = 128, then 64. Rows first would give trunc(63.5) = 63.
    EXPECT_EQ(gfx_sample_bilinear(p.px.data(), 2, 2, 0.5f, 0.5f), 0x40404040u);
}

TEST(TransformedImage, QuarterTurns) {
    Picture p(6, 4);
    Target t(128, 160), h(128, 160);
    t.draw(p, 60, 80, TURN_90);
    h.draw(p, 60, 80, TURN_180);
    // About the corner at (60, 80); by 90 degrees the picture's columns run up the screen, its rows right.
    for (int j = 0; j < 4; ++j)
        for (int i = 0; i < 6; ++i) {
            EXPECT_EQ(t.at(60 + j, 80 - i), p.at(i, j)) << i << "," << j;
            EXPECT_EQ(h.at(60 - i, 80 - j), p.at(i, j)) << i << "," << j;
        }
    EXPECT_EQ(t.changed(0), 24);
    EXPECT_EQ(h.changed(0), 24);
}

TEST(TransformedImage, ScaleShrinksByKSquared) {
    Picture p(20, 20);
    std::fill(p.px.begin(), p.px.end(), 0xFFFFFFFFu);
    Target t(128, 160);
    t.draw(p, 50, 50, ImageTransform{1, 0, 0, 1, 1.1f});
    // k = 1.1 maps 20 pixels onto about 16.5: columns and rows 50..66.
    int x1 = -1, y1 = -1;
    EXPECT_EQ(t.changed(0, &x1, &y1), 17 * 17);
    EXPECT_EQ(x1, 66);
    EXPECT_EQ(y1, 66);
    EXPECT_EQ(t.at(50, 50), 0xFFFFFFFFu);
    // u = 16 * 1.21 = 19.36: the last column blended 64 % toward the black beyond it.
    EXPECT_EQ(t.at(66, 50), 0xA3A3A3A3u);
}

TEST(TransformedImage, ReachLimitsAnEnlargedPicture) {
    Picture p(10, 10);
    std::fill(p.px.begin(), p.px.end(), 0xFFFFFFFFu);
    Target t(128, 160);
    // k = 0.5 would blow the picture up to 40 pixels, but only trunc(10 * 1.415) = 14 are visited.
    t.draw(p, 0, 0, ImageTransform{1, 0, 0, 1, 0.5f});
    int x1 = -1, y1 = -1;
    EXPECT_EQ(t.changed(0, &x1, &y1), 14 * 14);
    EXPECT_EQ(x1, 13);
    EXPECT_EQ(y1, 13);
}

namespace {

// The draw as defined pixel by pixel, with every visited pixel tested and sampled.
void reference_draw(uint32_t* pixels, int w, int h, const uint32_t* image, int iw, int ih, float cx, float cy,
                    const ImageTransform& t) {
    auto px = [&](int x, int y) {
        return x < 0 || x >= iw || y < 0 || y >= ih ? 0u : image[gfx_index(x, y, iw, ih)];
    };
    float s = t.k * t.k, reach = std::trunc(static_cast<float>(std::max(iw, ih)) * 1.415f);
    int x0 = std::max(static_cast<int>(cx - reach), 0), x1 = std::min(static_cast<int>(cx + reach), w);
    for (int y = std::max(static_cast<int>(cy - reach), 0); y < std::min(static_cast<int>(cy + reach), h);
         ++y)
        for (int x = x0; x < x1; ++x) {
            float dx = static_cast<float>(x) - cx, dy = static_cast<float>(y) - cy;
            float u = dx * (s * t.m11) + dy * (-t.m01 * s), v = dx * (-t.m10 * s) + dy * (s * t.m00);
            if (u < 0 || v < 0 || u > iw || v > ih) continue;
            int ix = static_cast<int>(u), iy = static_cast<int>(v);
            float fx = u - ix, fy = v - iy;
            uint32_t c = gfx_blend_color(gfx_blend_color(px(ix, iy), px(ix, iy + 1), fy),
                                         gfx_blend_color(px(ix + 1, iy), px(ix + 1, iy + 1), fy), fx);
            uint32_t& p = pixels[gfx_index(x, y, w, h)];
            uint32_t out = 0;
            for (int shift = 0; shift < 32; shift += 8)
                out |= std::min<uint32_t>(((p >> shift) & 0xFF) + ((c >> shift) & 0xFF), 255) << shift;
            p = out;
        }
}

} // namespace

// Pictures with black margins and holes, turned, sheared, scaled, anchored anywhere and partly off the
// target: the draw adds exactly what the definition adds, saturating, and writes nothing outside the
// target (the guard words are compared too); it only skips pixels that could receive nothing.
TEST(TransformedImage, MatchesThePixelByPixelDefinition) {
    uint32_t seed = 7;
    auto rnd = [&]() { return (seed = seed * 1664525u + 1013904223u) >> 8 & 0xFFFF; };
    for (int n = 0; n < 800; ++n) {
        // Half the cases on the baseline instructions alone, where the processor has wider ones.
        gfx_allow_wide_vectors(n % 2 == 0);
        int iw = 1 + rnd() % 32, ih = 1 + rnd() % 32, ink_x = rnd() % iw, ink_y = rnd() % ih;
        int ink_w = 1 + rnd() % (iw - ink_x), ink_h = 1 + rnd() % (ih - ink_y);
        Picture p(iw, ih);
        for (int y = 0; y < ih; ++y)
            for (int x = 0; x < iw; ++x)
                p.set(x, y,
                      x >= ink_x && x < ink_x + ink_w && y >= ink_y && y < ink_y + ink_h && rnd() % 3
                          ? rnd() * 0x10001u
                          : 0u);
        float a = (rnd() / 65536.0f - 0.5f) * 8, k = 0.7f + rnd() / 65536.0f;
        ImageTransform t = n % 4 ? ImageTransform{std::cos(a), std::sin(a), -std::sin(a), std::cos(a), k}
                                 : ImageTransform{rnd() / 32768.0f - 1, rnd() / 32768.0f - 1,
                                                  rnd() / 32768.0f - 1, rnd() / 32768.0f - 1, k};
        float cx = rnd() / 65536.0f * 180 - 20, cy = rnd() / 65536.0f * 160 - 20;
        Target want(140, 120, 0x10203040), got(140, 120, 0x10203040), inked(140, 120, 0x10203040);
        reference_draw(want.pixels(), 140, 120, p.px.data(), iw, ih, cx, cy, t);
        got.draw(p, cx, cy, t);
        InkBox ink = gfx_find_ink(p.px.data(), iw, ih, InkBox{0, 0, iw, ih});
        gfx_draw_image_transformed_ink(inked.pixels(), 140, 120, p.px.data(), iw, ih, cx, cy, &t, &ink);
        ASSERT_TRUE(std::equal(want.store.begin(), want.store.end(), got.store.begin())) << "case " << n;
        ASSERT_TRUE(std::equal(want.store.begin(), want.store.end(), inked.store.begin()))
            << "ink case " << n;
    }
}
