#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <string>
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
    {14, 588, ASCII,
     {4, 5, 7, 6, 10, 8, 3, 3, 4, 5, 6, 3, 4, 4, 3, 6, 6, 6, 6, 7, 6, 6, 7, 6, 6, 4, 4, 6, 7, 6, 7, 11,
      9, 8, 8, 8, 8, 7, 9, 7, 4, 6, 8, 7, 10, 7, 9, 8, 9, 8, 7, 7, 8, 8, 10, 8, 7, 8, 3, 3, 3, 7, 7, 4,
      6, 6, 7, 7, 6, 4, 7, 7, 2, 4, 6, 3, 11, 6, 7, 7, 7, 4, 6, 5, 6, 7, 8, 6, 6, 6, 5, 2, 5, 6}},
    {18, 756, ASCII,
     {5, 7, 8, 8, 14, 10, 3, 5, 5, 5, 9, 4, 5, 3, 5, 8, 7, 9, 7, 9, 8, 8, 8, 8, 8, 5, 5, 8, 9, 8, 9, 14,
      11, 11, 10, 11, 10, 8, 11, 10, 4, 9, 11, 8, 12, 11, 11, 10, 11, 10, 10, 9, 10, 10, 14, 10, 9, 10, 4, 4,
      5, 8, 9, 4, 8, 9, 8, 9, 8, 5, 9, 9, 3, 5, 8, 3, 13, 9, 9, 9, 9, 6, 7, 6, 8, 8, 12, 8, 8, 7, 6, 3, 6, 9}},
    {20, 224, "0123456789+,-.tdkn:cfm", {11, 11, 11, 11, 11, 11, 11, 11, 11, 11, 10, 4, 7, 4, 6, 8, 6, 10, 6, 9, 9, 21}},
    {23, 256, "0123456789+,-./dkn:cf", {12, 12, 12, 12, 12, 12, 12, 13, 11, 12, 12, 5, 8, 5, 7, 9, 7, 11, 6, 11, 9}},
    {29, 324, "0123456789+,-./dkn:cfm", {15, 15, 15, 15, 15, 15, 15, 15, 15, 15, 15, 6, 11, 6, 10, 12, 8, 14, 8, 14, 10, 26}},
    {51, 360, "0123456789.+-", {31, 31, 31, 31, 31, 31, 31, 31, 31, 31, 7, 17, 16}},
};

int nibble(const Font& f, int col, int stored_row) {
    uint8_t byte = f.atlas[stored_row * (f.atlas_width / 2) + col / 2];
    return (col & 1) ? byte & 0x0F : byte >> 4;
}

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

TEST(FontData, MatchesTheTable) {
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
            EXPECT_EQ(font.starts[i + 1] - font.starts[i], e.advances[i]) << "'" << e.charset[i] << "'";
            EXPECT_EQ(font_advance(font, e.charset[i]), e.advances[i]);
        }
        EXPECT_LE(font.starts[e.charset.size()], font.atlas_width);
    }
    // The two text fonts hold the same set, kept once.
    EXPECT_EQ(FONT_TABLE[0].charset, FONT_TABLE[1].charset);
    // The stated totals: the advances of fonts 0 and 2 leave spare atlas columns.
    EXPECT_EQ(FONT_TABLE[0].starts[94], 587);
    EXPECT_EQ(FONT_TABLE[2].starts[22], 210);
}

TEST(FontData, EveryGlyphHasInkAndTheSpareColumnsAreBlank) {
    for (int f = 0; f < FONT_COUNT; ++f) {
        const Font& font = FONT_TABLE[f];
        const int count = static_cast<int>(std::strlen(font.charset));
        for (int i = 0; i < count; ++i) {
            int ink = 0;
            for (int c = font.starts[i]; c < font.starts[i + 1]; ++c)
                for (int r = 0; r < font.height; ++r) ink += nibble(font, c, r) != 0;
            EXPECT_GT(ink, 0) << "font " << f << " '" << font.charset[i] << "'";
        }
        for (int c = font.starts[count]; c < font.atlas_width; ++c)
            for (int r = 0; r < font.height; ++r) EXPECT_EQ(nibble(font, c, r), 0) << "font " << f;
    }
}

// The baseline is the lowest row with ink of at least half strength: the faint edge of a round digit's
// overshoot may hang below it in the large fonts.
TEST(FontData, DigitsOfAFontShareOneBaseline) {
    for (int f = 0; f < FONT_COUNT; ++f) {
        const Font& font = FONT_TABLE[f];
        int lowest[10];
        for (int d = 0; d < 10; ++d) {
            int i = font_glyph_index(font, static_cast<char>('0' + d));
            ASSERT_GE(i, 0);
            lowest[d] = -1;
            for (int r = font.height - 1; r >= 0; --r)
                for (int c = font.starts[i]; c < font.starts[i + 1]; ++c)
                    if (nibble(font, c, r) >= 8) lowest[d] = r; // stored rows: 0 is the bottom
        }
        for (int d = 1; d < 10; ++d) EXPECT_EQ(lowest[d], lowest[0]) << "font " << f << " digit " << d;
    }
}

// A hand-made font pins down the atlas layout: bottom row stored first, even column in the high
// nibble, glyphs that start or end on an odd column, and the 16 n / 255 coverage.
TEST(FontGlyph, ReadsTheAtlasLayoutExactly) {
    // 6 columns x 2 rows. Glyph 'a' = column 0, 'b' = columns 1..3, 'c' = columns 4..5.
    // Stored row 0 (bottom): 1 2 | 3 4 | 5 6     stored row 1 (top): F 0 | 0 0 | 0 A
    const uint8_t atlas[] = {0x12, 0x34, 0x56, 0xF0, 0x00, 0x0A};
    const int32_t starts[] = {0, 1, 4, 6};
    const Font font = {atlas, 6, 2, "abc", starts};
    Canvas c(8, 6);
    EXPECT_EQ(font_draw_glyph_of(font, c.px.data(), c.w, c.h, 2, 1, 0xFFFFFFFF, 'b'), 3);
    // Top row lands on y + 1 = 2, the bottom row on y + height = 3.
    auto level = [](int n) { return gfx_blend_color(0, 0xFFFFFFFF, 16.0f * n / 255.0f); };
    EXPECT_EQ(c.at(2, 3), level(2));
    EXPECT_EQ(c.at(3, 3), level(3));
    EXPECT_EQ(c.at(4, 3), level(4));
    EXPECT_EQ(changed(c, 0).count, 3); // the top row of 'b' is blank
    Canvas d(8, 6);
    EXPECT_EQ(font_draw_glyph_of(font, d.px.data(), d.w, d.h, 0, 0, 0xFFFFFFFF, 'a'), 1);
    EXPECT_EQ(font_draw_glyph_of(font, d.px.data(), d.w, d.h, 5, 0, 0xFFFFFFFF, 'c'), 2);
    EXPECT_EQ(d.at(0, 1), 0xF0F0F0F0u); // intensity 15 of white over 0: 240 in every channel
    EXPECT_EQ(d.at(0, 2), level(1));
    EXPECT_EQ(d.at(5, 2), level(5));
    EXPECT_EQ(d.at(6, 1), level(10));
    EXPECT_EQ(d.at(6, 2), level(6));
    EXPECT_EQ(changed(d, 0).count, 5);
}

TEST(FontGlyph, StaysInsideItsBoxAndReturnsItsAdvance) {
    for (int f = 0; f < FONT_COUNT; ++f) {
        const Font& font = FONT_TABLE[f];
        for (const char* p = font.charset; *p; ++p) {
            Canvas c(48, 70);
            int adv = font_draw_glyph(c.px.data(), c.w, c.h, f, 5, 3, 0xFFFFFFFF, *p);
            EXPECT_EQ(adv, font_advance(font, *p));
            Box b = changed(c, 0);
            ASSERT_GT(b.count, 0) << "font " << f << " '" << *p << "'";
            EXPECT_GE(b.x0, 5);
            EXPECT_LE(b.x1, 5 + adv - 1);
            EXPECT_GE(b.y0, 4);
            EXPECT_LE(b.y1, 3 + font.height);
        }
    }
}

TEST(FontGlyph, MissingCharactersAdvanceSevenAndDrawNothing) {
    struct Case {
        int font;
        char ch;
    } cases[] = {{0, ' '}, {1, ' '}, {2, ' '}, {3, ' '}, {4, ' '}, {5, ' '}, {2, 'A'}, {5, 'x'},
                 {5, ':'}, {3, 't'}, {0, '\t'}, {1, static_cast<char>(0xB0)}};
    for (const Case& k : cases) {
        Canvas c(128, 160, 0xFF123456);
        EXPECT_EQ(font_draw_glyph(c.px.data(), c.w, c.h, k.font, 10, 10, 0xFFFFFFFF, k.ch), 7);
        EXPECT_EQ(changed(c, 0xFF123456).count, 0);
    }
    EXPECT_EQ(font_text_width(2, "A1"), 7 + 11);
    EXPECT_EQ(font_text_width(5, "x"), 7);
    for (int f = 0; f < FONT_COUNT; ++f) {
        EXPECT_EQ(font_text_width(f, " "), 7);
        EXPECT_EQ(font_text_width(f, ""), 0);
    }
}

// Drawing into a small array must give exactly the window of the same glyph drawn into a big one,
// never write outside it, and still return the full advance.
TEST(FontGlyph, ClipsAtEveryEdgePixelByPixel) {
    const int W = 18, H = 18, M = 60;
    const uint32_t guard = 0xDEADBEEF, bg = 0xFF000090;
    struct Case {
        int font;
        char ch;
    } glyphs[] = {{0, 'W'}, {0, 'g'}, {1, '@'}, {3, '8'}, {4, '0'}, {5, '5'}};
    for (const Case& g : glyphs) {
        const int height = FONT_TABLE[g.font].height, adv = font_advance(FONT_TABLE[g.font], g.ch);
        for (int x = -adv - 1; x <= W + 1; ++x)
            for (int y = -height - 2; y <= H + 1; y += (y > -4 && y < H - height) ? 5 : 1) {
                Canvas big(W + 2 * M, H + 2 * M, bg);
                font_draw_glyph(big.px.data(), big.w, big.h, g.font, x + M, y + M, 0xFFFFFF00, g.ch);
                // The small array sits between two guard zones of the same memory block.
                std::vector<uint32_t> mem(W * H + 2 * W, guard);
                std::fill(mem.begin() + W, mem.begin() + W + W * H, bg);
                uint32_t* small = mem.data() + W;
                ASSERT_EQ(font_draw_glyph(small, W, H, g.font, x, y, 0xFFFFFF00, g.ch), adv);
                for (int i = 0; i < W; ++i) {
                    ASSERT_EQ(mem[i], guard);
                    ASSERT_EQ(mem[W + W * H + i], guard);
                }
                for (int py = 0; py < H; ++py)
                    for (int px = 0; px < W; ++px)
                        ASSERT_EQ(small[gfx_index(px, py, W, H)], big.at(px + M, py + M))
                            << "font " << g.font << " '" << g.ch << "' at (" << x << ", " << y << ") pixel ("
                            << px << ", " << py << ")";
            }
    }
}

TEST(FontGlyph, FarOffPensDrawNothing) {
    Canvas c(128, 160);
    EXPECT_EQ(font_draw_glyph(c.px.data(), c.w, c.h, 5, INT32_MAX - 3, 10, 0xFFFFFFFF, '8'), 31);
    EXPECT_EQ(font_draw_glyph(c.px.data(), c.w, c.h, 5, INT32_MIN, INT32_MIN, 0xFFFFFFFF, '8'), 31);
    EXPECT_EQ(font_draw_glyph(c.px.data(), c.w, c.h, 5, 10, INT32_MAX - 3, 0xFFFFFFFF, '8'), 31);
    EXPECT_EQ(changed(c, 0).count, 0);
}

TEST(FontGlyph, BlendingIsNotIdempotent) {
    // The strongest pixels of a glyph (intensity 15) cover 240/255 each time they are drawn.
    const Font& font = FONT_TABLE[0];
    int i = font_glyph_index(font, 'H'), sc = -1, sr = -1;
    for (int c = font.starts[i]; c < font.starts[i + 1] && sc < 0; ++c)
        for (int r = 0; r < font.height && sc < 0; ++r)
            if (nibble(font, c, r) == 15) sc = c, sr = r;
    ASSERT_GE(sc, 0) << "font 0 'H' has no full-intensity pixel";
    const int x = 20 + sc - font.starts[i], y = 30 + font.height - sr;
    FrameBuffer f{};
    font_draw_glyph(f.pixels, FRAME_WIDTH, FRAME_HEIGHT, 0, 20, 30, 0xFFFFFFFF, 'H');
    EXPECT_EQ(f.pixels[gfx_index(x, y, FRAME_WIDTH, FRAME_HEIGHT)], 0xF0F0F0F0u);
    font_draw_glyph(f.pixels, FRAME_WIDTH, FRAME_HEIGHT, 0, 20, 30, 0xFFFFFFFF, 'H');
    EXPECT_EQ(f.pixels[gfx_index(x, y, FRAME_WIDTH, FRAME_HEIGHT)], 0xFEFEFEFEu);
}

TEST(FontLayout, CentredClockTimeInFont4) {
    EXPECT_EQ(font_text_width(4, "12:30"), 68);
    Canvas c(128, 160), ref(128, 160);
    font_draw_text_centered(c.px.data(), 4, 64, 80, 0xFFFFFFFF, "12:30");
    EXPECT_EQ(draw_run(ref, 4, 30, 66, 0xFFFFFFFF, "12:30"), 98);
    EXPECT_EQ(c.px, ref.px);
    Box b = changed(c, 0);
    EXPECT_GE(b.x0, 30);
    EXPECT_LE(b.x1, 97);
    EXPECT_GE(b.y0, 67);
    EXPECT_LE(b.y1, 95);
}

TEST(FontLayout, CentredPenTruncatesHalves) {
    struct Case {
        int font, cx, cy;
        const char* text;
        int pen_x, pen_y;
    } cases[] = {
        {0, 64, 8, "G Load", 43, 1},       // 9 + 7 (space) + 7 + 7 + 6 + 7 = 43
        {1, 20, 125, "-1.5", 9, 116},      // 5 + 7 + 3 + 8 = 23
        {0, 3, 150, "AI", -3, 143},        // 9 + 4 = 13, so the pen starts left of the frame
        {5, 59, 60, "+1.0", 16, 35},       // 17 + 31 + 7 + 31 = 86
        {2, 64, 112, "-ALIGNING-", 29, 102}, // 7 + 8 missing letters x 7 + 7 = 70
    };
    for (const Case& k : cases) {
        SCOPED_TRACE(k.text);
        Canvas c(128, 160, 0xFF000090), ref(128, 160, 0xFF000090);
        font_draw_text_centered(c.px.data(), k.font, k.cx, k.cy, 0xFF60F0F0, k.text);
        const int total = font_text_width(k.font, k.text);
        EXPECT_EQ(k.cx - total / 2, k.pen_x) << "width " << total;
        draw_run(ref, k.font, k.pen_x, k.pen_y, 0xFF60F0F0, k.text);
        EXPECT_EQ(c.px, ref.px);
    }
    // Font 0 text centred on cy covers rows cy - 6 .. cy + 7 at most; font 1 rows cy - 8 .. cy + 9.
    Canvas c(128, 160);
    font_draw_text_centered(c.px.data(), 0, 64, 80, 0xFFFFFFFF, "Wg|}[");
    Box b = changed(c, 0);
    EXPECT_GE(b.y0, 74);
    EXPECT_LE(b.y1, 87);
    Canvas d(128, 160);
    font_draw_text_centered(d.px.data(), 1, 64, 80, 0xFFFFFFFF, "Wg|}[");
    b = changed(d, 0);
    EXPECT_GE(b.y0, 72);
    EXPECT_LE(b.y1, 89);
    // Nothing to draw, nothing drawn.
    Canvas e(128, 160, 7);
    font_draw_text_centered(e.px.data(), 3, 64, 80, 0xFFFFFFFF, "");
    EXPECT_EQ(changed(e, 7).count, 0);
}

TEST(FontLayout, RightAlignedEndsAtColumn42InWhiteFont0) {
    const char* labels[] = {"+3", "+2", "+1", "+0", "-15", "W"};
    for (const char* text : labels) {
        Canvas c(128, 160), ref(128, 160);
        font_draw_text_right(c.px.data(), 55, text);
        EXPECT_EQ(draw_run(ref, 0, 42 - font_text_width(0, text), 55, 0xFFFFFFFF, text), 42);
        EXPECT_EQ(c.px, ref.px) << text;
        EXPECT_LE(changed(c, 0).x1, 41);
    }
    EXPECT_EQ(font_text_width(0, "+3"), 12);
}

TEST(FontLayout, VerticalStacksCentredCharacters14RowsApart) {
    Canvas c(128, 160), ref(128, 160);
    font_draw_text_vertical(c.px.data(), 122, 100, 0xFF60F0F0, "OK");
    font_draw_glyph(ref.px.data(), 128, 160, 0, 122 - 9 / 2, 100, 0xFF60F0F0, 'O');
    font_draw_glyph(ref.px.data(), 128, 160, 0, 122 - 8 / 2, 114, 0xFF60F0F0, 'K');
    EXPECT_EQ(c.px, ref.px);

    // A character font 0 lacks leaves its line empty; the next one still goes 14 rows lower. The last
    // line here runs off the bottom of the frame and is clipped.
    Canvas d(128, 160), dref(128, 160);
    font_draw_text_vertical(d.px.data(), 7, 120, 0xFFFFFFFF, "A Iy");
    font_draw_glyph(dref.px.data(), 128, 160, 0, 7 - 9 / 2, 120, 0xFFFFFFFF, 'A');
    font_draw_glyph(dref.px.data(), 128, 160, 0, 7 - 4 / 2, 148, 0xFFFFFFFF, 'I');
    font_draw_glyph(dref.px.data(), 128, 160, 0, 7 - 6 / 2, 162, 0xFFFFFFFF, 'y');
    EXPECT_EQ(d.px, dref.px);
    Box b = changed(d, 0);
    EXPECT_GE(b.y0, 121);
    // The space's line, rows 135..148, stays empty.
    for (int y = 135; y <= 148; ++y)
        for (int x = 0; x < 128; ++x) ASSERT_EQ(d.at(x, y), 0u) << x << "," << y;
}
