#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <string>
#include <utility>
#include <vector>

#include "gfx/font.h"
#include "gfx/gfx.h"

namespace {

const std::string ASCII = "!\"#$%&'()*+,-./0123456789:;<=>?@ABCDEFGHIJKLMNOPQRSTUVWXYZ[\\]^_`"
                          "abcdefghijklmnopqrstuvwxyz{|}~";

struct Expected {
    int height, atlas_width;
    std::string charset;
    std::vector<int> advances;
};

const Expected EXPECTED[FONT_COUNT] = {
    {14, 588, ASCII, {4, 5, 7, 6, 10, 8, 3,  3,  4, 5, 6, 3, 4, 4, 3, 6, 6, 6, 6, 7, 6,  6, 7, 6,
                      6, 4, 4, 6, 7,  6, 7,  11, 9, 8, 8, 8, 8, 7, 9, 7, 4, 6, 8, 7, 10, 7, 9, 8,
                      9, 8, 7, 7, 8,  8, 10, 8,  7, 8, 3, 3, 3, 7, 7, 4, 6, 6, 7, 7, 6,  4, 7, 7,
                      2, 4, 6, 3, 11, 6, 7,  7,  7, 4, 6, 5, 6, 7, 8, 6, 6, 6, 5, 2, 5,  6}},
    {18, 756, ASCII, {5,  7,  8, 8, 14, 10, 3,  5,  5,  5,  9,  4,  5,  3,  5,  8,  7,  9,  7,
                      9,  8,  8, 8, 8,  8,  5,  5,  8,  9,  8,  9,  14, 11, 11, 10, 11, 10, 8,
                      11, 10, 4, 9, 11, 8,  12, 11, 11, 10, 11, 10, 10, 9,  10, 10, 14, 10, 9,
                      10, 4,  4, 5, 8,  9,  4,  8,  9,  8,  9,  8,  5,  9,  9,  3,  5,  8,  3,
                      13, 9,  9, 9, 9,  6,  7,  6,  8,  8,  12, 8,  8,  7,  6,  3,  6,  9}},
    {20, 224, "0123456789+,-.tdkn:cfm", {11, 11, 11, 11, 11, 11, 11, 11, 11, 11, 10,
                                         4,  7,  4,  6,  8,  6,  10, 6,  9,  9,  21}},
    {23, 256, "0123456789+,-./dkn:cf", {12, 12, 12, 12, 12, 12, 12, 13, 11, 12, 12,
                                        5,  8,  5,  7,  9,  7,  11, 6,  11, 9}},
    {29, 324, "0123456789+,-./dkn:cfm", {15, 15, 15, 15, 15, 15, 15, 15, 15, 15, 15,
                                         6,  11, 6,  10, 12, 8,  14, 8,  14, 10, 26}},
    {51, 360, "0123456789.+-", {31, 31, 31, 31, 31, 31, 31, 31, 31, 31, 7, 17, 16}},
};

// A bottom-up pixel array with helpers to read by (x, y) and find what drawing changed.
struct Canvas {
    int w, h;
    std::vector<uint32_t> px;
    Canvas(int w_, int h_, uint32_t c = 0) : w(w_), h(h_), px(static_cast<size_t>(w_) * h_, c) {}
    uint32_t at(int x, int y) const { return px[gfx_index(x, y, w, h)]; }
};

struct Box {
    int count = 0, x0 = 1 << 20, y0 = 1 << 20, x1 = -(1 << 20), y1 = -(1 << 20);
};
Box changed(const Canvas& c, uint32_t background) {
    Box b;
    for (int y = 0; y < c.h; ++y)
        for (int x = 0; x < c.w; ++x)
            if (c.at(x, y) != background) {
                ++b.count;
                b.x0 = std::min(b.x0, x), b.x1 = std::max(b.x1, x);
                b.y0 = std::min(b.y0, y), b.y1 = std::max(b.y1, y);
            }
    return b;
}

// What a caller drawing glyph by glyph from a pen gets; the layouts must match it.
int draw_run(Canvas& c, int font, int x, int y, uint32_t color, const char* text) {
    for (; *text; ++text) x += font_draw_glyph(c.px.data(), c.w, c.h, font, x, y, color, *text);
    return x;
}

} // namespace

// Each glyph is also drawn: it returns its advance and has ink, all of it inside its box.
TEST(FontData, MatchesTheTableAndGlyphsStayInTheirBoxes) {
    for (int f = 0; f < FONT_COUNT; ++f) {
        SCOPED_TRACE("font " + std::to_string(f));
        const Font& font = FONT_TABLE[f];
        const Expected& e = EXPECTED[f];
        EXPECT_EQ(font.height, e.height);
        EXPECT_EQ(font.atlas_width, e.atlas_width);
        ASSERT_EQ(std::string(font.charset), e.charset);
        ASSERT_EQ(e.advances.size(), e.charset.size());
        EXPECT_EQ(font.starts[0], 0);
        for (size_t i = 0; i < e.charset.size(); ++i) {
            SCOPED_TRACE(std::string("'") + e.charset[i] + "'");
            EXPECT_EQ(font.starts[i + 1] - font.starts[i], e.advances[i]);
            Canvas c(48, 70);
            const int adv = font_draw_glyph(c.px.data(), c.w, c.h, f, 5, 3, 0xFFFFFFFF, e.charset[i]);
            EXPECT_EQ(adv, e.advances[i]);
            Box b = changed(c, 0);
            EXPECT_GT(b.count, 0);
            EXPECT_TRUE(b.x0 >= 5 && b.x1 < 5 + e.advances[i] && b.y0 >= 4 && b.y1 <= 3 + e.height);
        }
    }
    // The two text fonts hold the same set, kept once.
    EXPECT_EQ(FONT_TABLE[0].charset, FONT_TABLE[1].charset);
}

// A hand-made font pins down the atlas layout: bottom row stored first, even column in the high
// nibble, glyphs that start or end on an odd column, and each pixel blended over what lies below it
// with weight 16 n / 255.
TEST(FontGlyph, ReadsTheAtlasLayoutExactly) {
    // 6 columns x 2 rows. Glyph 'a' = column 0, 'b' = columns 1..3, 'c' = columns 4..5.
    // Stored row 0 (bottom): 1 2 | 3 4 | 5 6     stored row 1 (top): F 0 | 0 0 | 0 A
    const uint8_t atlas[] = {0x12, 0x34, 0x56, 0xF0, 0x00, 0x0A};
    const int32_t starts[] = {0, 1, 4, 6};
    const Font font = {atlas, 6, 2, "abc", starts};
    const uint32_t bg = 0xFF000090;
    auto level = [&](int n) { return gfx_blend_color(bg, 0xFFFFFF00, 16.0f * n / 255.0f); };
    Canvas c(8, 6, bg);
    EXPECT_EQ(font_draw_glyph_of(font, c.px.data(), c.w, c.h, 2, 1, 0xFFFFFF00, 'b'), 3);
    // Top row lands on y + 1 = 2, the bottom row on y + height = 3.
    EXPECT_EQ(c.at(2, 3), level(2));
    EXPECT_EQ(c.at(3, 3), level(3));
    EXPECT_EQ(c.at(4, 3), level(4));
    EXPECT_EQ(changed(c, bg).count, 3); // the top row of 'b' is blank
    Canvas d(8, 6, bg);
    EXPECT_EQ(font_draw_glyph_of(font, d.px.data(), d.w, d.h, 0, 0, 0xFFFFFF00, 'a'), 1);
    EXPECT_EQ(font_draw_glyph_of(font, d.px.data(), d.w, d.h, 5, 0, 0xFFFFFF00, 'c'), 2);
    EXPECT_EQ(d.at(0, 1), 0xFFF0F008u); // intensity 15: 240/255 of the way
    EXPECT_EQ(d.at(0, 2), level(1));
    EXPECT_EQ(d.at(5, 2), level(5));
    EXPECT_EQ(d.at(6, 1), level(10));
    EXPECT_EQ(d.at(6, 2), level(6));
    EXPECT_EQ(changed(d, bg).count, 5);
    // Not idempotent: drawn again, the strongest pixel is blended once more.
    font_draw_glyph_of(font, d.px.data(), d.w, d.h, 0, 0, 0xFFFFFF00, 'a');
    EXPECT_EQ(d.at(0, 1), gfx_blend_color(0xFFF0F008u, 0xFFFFFF00, 240.0f / 255.0f));
}

TEST(FontGlyph, MissingCharactersAdvanceSevenAndDrawNothing) {
    for (int f = 0; f < FONT_COUNT; ++f) {
        EXPECT_EQ(font_text_width(f, " "), 7);
        EXPECT_EQ(font_text_width(f, ""), 0);
    }
    EXPECT_EQ(font_text_width(2, "A1"), 7 + 11);
    // 't' is in font 2 but not 3; a byte above 0x7F matches nothing.
    const std::pair<int, char> cases[] = {{0, ' '}, {4, ' '}, {2, 'A'},  {5, 'x'},
                                          {5, ':'}, {3, 't'}, {0, '\t'}, {1, '\xB0'}};
    for (const auto& [font, ch] : cases) {
        Canvas c(128, 160, 0xFF123456);
        EXPECT_EQ(font_draw_glyph(c.px.data(), c.w, c.h, font, 10, 10, 0xFFFFFFFF, ch), 7);
        EXPECT_EQ(changed(c, 0xFF123456).count, 0);
    }
}

// Drawing into a small array must give exactly the window of the same glyph drawn into a big one,
// never write outside it, and still return the full advance.
TEST(FontGlyph, ClipsAtEveryEdgePixelByPixel) {
    const int W = 18, H = 18, M = 60;
    const uint32_t guard = 0xDEADBEEF, bg = 0xFF000090;
    const std::pair<int, char> glyphs[] = {{0, 'W'}, {0, 'g'}, {1, '@'}, {3, '8'}, {4, '0'}, {5, '5'}};
    for (const auto& [font, ch] : glyphs) {
        const int height = FONT_TABLE[font].height, adv = font_advance(FONT_TABLE[font], ch);
        for (int x = -adv - 1; x <= W + 1; ++x)
            for (int y = -height - 2; y <= H + 1; y += (y > -4 && y < H - height) ? 5 : 1) {
                Canvas big(W + 2 * M, H + 2 * M, bg);
                font_draw_glyph(big.px.data(), big.w, big.h, font, x + M, y + M, 0xFFFFFF00, ch);
                // The small array sits between two guard zones of the same memory block.
                std::vector<uint32_t> mem(W * H + 2 * W, guard);
                std::fill(mem.begin() + W, mem.begin() + W + W * H, bg);
                uint32_t* small = mem.data() + W;
                ASSERT_EQ(font_draw_glyph(small, W, H, font, x, y, 0xFFFFFF00, ch), adv);
                for (int i = 0; i < W; ++i) ASSERT_TRUE(mem[i] == guard && mem[W + W * H + i] == guard);
                for (int py = 0; py < H; ++py)
                    for (int px = 0; px < W; ++px)
                        ASSERT_EQ(small[gfx_index(px, py, W, H)], big.at(px + M, py + M))
                            << font << " '" << ch << "' pen " << x << "," << y << " at " << px << "," << py;
            }
    }
    // Pens at the ends of the integer range must not overflow into the array.
    Canvas c(128, 160);
    for (const auto& [x, y] :
         {std::pair{INT32_MAX - 3, 10}, {INT32_MIN, 10}, {10, INT32_MAX - 3}, {10, INT32_MIN}})
        EXPECT_EQ(font_draw_glyph(c.px.data(), c.w, c.h, 5, x, y, 0xFFFFFFFF, '8'), 31);
    EXPECT_EQ(changed(c, 0).count, 0);
}

TEST(FontLayout, CentredPenTruncatesHalves) {
    struct Case {
        int font, cx, cy;
        const char* text;
        int pen_x, pen_y;
    } cases[] = {
        {4, 64, 80, "12:30", 30, 66},        // 15 + 15 + 8 + 15 + 15 = 68: glyph rows 67..95
        {0, 64, 8, "G Load", 43, 1},         // 9 + 7 (space) + 7 + 7 + 6 + 7 = 43
        {1, 20, 125, "-1.5", 9, 116},        // 5 + 7 + 3 + 8 = 23
        {0, 3, 150, "AI", -3, 143},          // 9 + 4 = 13, so the pen starts left of the frame
        {5, 59, 60, "+1.0", 16, 35},         // 17 + 31 + 7 + 31 = 86
        {2, 64, 112, "-ALIGNING-", 29, 102}, // 7 + 8 missing letters x 7 + 7 = 70
        {3, 64, 80, "", 64, 69},             // nothing to draw
    };
    for (const Case& k : cases) {
        SCOPED_TRACE(k.text);
        Canvas c(128, 160, 0xFF000090), ref(128, 160, 0xFF000090);
        font_draw_text_centered(c.px.data(), k.font, k.cx, k.cy, 0xFF60F0F0, k.text);
        draw_run(ref, k.font, k.pen_x, k.pen_y, 0xFF60F0F0, k.text);
        EXPECT_EQ(c.px, ref.px);
    }
}

TEST(FontLayout, RightAlignedEndsAtColumn42InWhiteFont0) {
    for (const char* text : {"+3", "+2", "+1", "+0", "-15", "W"}) {
        Canvas c(128, 160), ref(128, 160);
        font_draw_text_right(c.px.data(), 55, text);
        EXPECT_EQ(draw_run(ref, 0, 42 - font_text_width(0, text), 55, 0xFFFFFFFF, text), 42);
        EXPECT_EQ(c.px, ref.px) << text;
    }
}

// Each character centred on x by half its advance (9, 4 and 6 here, halves truncated). A character font
// 0 lacks leaves its line empty; the next one still goes 14 rows lower. The last line runs off the
// bottom of the frame, clipped.
TEST(FontLayout, VerticalStacksCentredCharacters14RowsApart) {
    Canvas c(128, 160), ref(128, 160);
    font_draw_text_vertical(c.px.data(), 7, 110, 0xFF60F0F0, "A Iy");
    font_draw_glyph(ref.px.data(), 128, 160, 0, 7 - 9 / 2, 110, 0xFF60F0F0, 'A');
    font_draw_glyph(ref.px.data(), 128, 160, 0, 7 - 4 / 2, 138, 0xFF60F0F0, 'I');
    font_draw_glyph(ref.px.data(), 128, 160, 0, 7 - 6 / 2, 152, 0xFF60F0F0, 'y');
    EXPECT_EQ(c.px, ref.px);
}
