#include "gfx/font.h"

#include <algorithm>

#include "gfx/gfx.h"

namespace {

// Blend weight of each 4-bit intensity: 16 n / 255, so the strongest pixel covers 240/255.
struct CoverageWeights {
    float w[16];
    constexpr CoverageWeights() : w{} {
        for (int n = 0; n < 16; ++n) w[n] = static_cast<float>(16 * n) / 255.0f;
    }
};
constexpr CoverageWeights COVERAGE;

} // namespace

namespace {

int glyph_index_search(const Font& font, char ch) {
    for (int i = 0; font.charset[i] != '\0'; ++i)
        if (font.charset[i] == ch) return i;
    return -1;
}

// Glyph index by character code for the six fonts of the table, so that text layout does not search the
// character set once per character and again per glyph drawn.
struct GlyphIndexTable {
    int8_t index[FONT_COUNT][128];
    GlyphIndexTable() {
        for (int f = 0; f < FONT_COUNT; ++f)
            for (int c = 0; c < 128; ++c)
                index[f][c] = static_cast<int8_t>(glyph_index_search(FONT_TABLE[f], static_cast<char>(c)));
    }
};

} // namespace

int font_glyph_index(const Font& font, char ch) {
    const unsigned code = static_cast<unsigned char>(ch);
    for (int f = 0; f < FONT_COUNT; ++f) {
        if (&font == &FONT_TABLE[f]) {
            static const GlyphIndexTable table;
            return code < 128 ? table.index[f][code] : -1;
        }
    }
    return glyph_index_search(font, ch);
}

int32_t font_advance(const Font& font, char ch) {
    int i = font_glyph_index(font, ch);
    return i < 0 ? MISSING_GLYPH_ADVANCE : font.starts[i + 1] - font.starts[i];
}

int32_t font_draw_glyph_of(const Font& font, uint32_t* pixels, int w, int h, int32_t x, int32_t y,
                           uint32_t color, char ch) {
    int i = font_glyph_index(font, ch);
    if (i < 0) return MISSING_GLYPH_ADVANCE;
    const int32_t start = font.starts[i], end = font.starts[i + 1];
    const int32_t height = font.height, row_bytes = font.atlas_width / 2;
    // Stored row r lands on row y + height - r. Clipping the ranges once touches exactly the pixels
    // inside the array, as a test per pixel would. 64-bit sums keep far-off pens from overflowing.
    const int64_t col0 = std::max<int64_t>(start, static_cast<int64_t>(start) - x);
    const int64_t col1 = std::min<int64_t>(end, static_cast<int64_t>(start) - x + w);
    const int64_t r0 = std::max<int64_t>(0, static_cast<int64_t>(y) + height - (h - 1));
    const int64_t r1 = std::min<int64_t>(height, static_cast<int64_t>(y) + height + 1);
    // Text mostly lands on one background: the blend of the last destination colour is kept per
    // intensity, so most pixels cost a table look-up instead of a blend.
    uint32_t cached_dst = 0, cached[16];
    uint32_t cached_valid = 0; // bit n: cached[n] holds the blend of cached_dst at intensity n
    auto put = [&](uint32_t& dst, int n) {
        if (dst != cached_dst) {
            cached_dst = dst;
            cached_valid = 0;
        }
        if (!(cached_valid & (1u << n))) {
            cached[n] = gfx_blend_color(dst, color, COVERAGE.w[n]);
            cached_valid |= 1u << n;
        }
        dst = cached[n];
    };
    // A byte holds two columns, the even one in its high nibble; empty bytes are the common case.
    const int64_t b0 = col0 >> 1, b1 = (col1 + 1) >> 1;
    for (int64_t r = r0; r < r1; ++r) {
        const uint8_t* src = font.atlas + r * row_bytes;
        const int64_t row = static_cast<int64_t>(y) + height - r;
        const int64_t base = (h - 1 - row) * w + x - start; // index of atlas column 0 on this row
        for (int64_t b = b0; b < b1; ++b) {
            const uint8_t byte = src[b];
            if (byte == 0) continue;
            const int64_t c = 2 * b;
            if ((byte >> 4) != 0 && c >= col0) put(pixels[base + c], byte >> 4);
            if ((byte & 0x0F) != 0 && c + 1 < col1) put(pixels[base + c + 1], byte & 0x0F);
        }
    }
    return end - start;
}

int32_t font_draw_glyph(uint32_t* pixels, int w, int h, int font_index, int32_t x, int32_t y, uint32_t color,
                        char ch) {
    return font_draw_glyph_of(FONT_TABLE[font_index], pixels, w, h, x, y, color, ch);
}

int32_t font_text_width(int font_index, const char* text) {
    const Font& font = FONT_TABLE[font_index];
    int32_t width = 0;
    for (; *text != '\0'; ++text) width += font_advance(font, *text);
    return width;
}

void font_draw_text_centered(uint32_t* frame, int font_index, int32_t cx, int32_t cy, uint32_t color,
                             const char* text) {
    int32_t x = cx - font_text_width(font_index, text) / 2;
    const int32_t y = cy - FONT_TABLE[font_index].height / 2;
    for (; *text != '\0'; ++text)
        x += font_draw_glyph(frame, FRAME_WIDTH, FRAME_HEIGHT, font_index, x, y, color, *text);
}

void font_draw_text_right(uint32_t* frame, int32_t y, const char* text) {
    int32_t x = 42 - font_text_width(0, text);
    for (; *text != '\0'; ++text)
        x += font_draw_glyph(frame, FRAME_WIDTH, FRAME_HEIGHT, 0, x, y, 0xFFFFFFFF, *text);
}

void font_draw_text_vertical(uint32_t* frame, int32_t x, int32_t y, uint32_t color, const char* text) {
    const Font& font = FONT_TABLE[0];
    for (int32_t line_y = y; *text != '\0'; ++text, line_y += font.height)
        font_draw_glyph(frame, FRAME_WIDTH, FRAME_HEIGHT, 0, x - font_advance(font, *text) / 2, line_y, color,
                        *text);
}

int32_t font_draw_text_left(uint32_t* pixels, int w, int h, int font_index, int32_t x, int32_t y,
                            uint32_t color, const char* text) {
    for (; *text != '\0'; ++text) x += font_draw_glyph(pixels, w, h, font_index, x, y, color, *text);
    return x;
}
