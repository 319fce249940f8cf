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

int search_charset(const char* charset, char ch) {
    for (int i = 0; charset[i] != '\0'; ++i)
        if (charset[i] == ch) return i;
    return -1;
}

// Glyph indices of the table's fonts by character, worked out on first use: every glyph drawn looks
// one up, and walking a character set of ninety-odd entries for each came to a tenth of a text frame.
struct GlyphIndexTable {
    int8_t index[FONT_COUNT][128];
    bool built;
};
GlyphIndexTable glyph_index_table{};

} // namespace

int font_glyph_index(const Font& font, char ch) {
    int f = 0;
    while (f < FONT_COUNT && &font != &FONT_TABLE[f]) ++f;
    const unsigned char u = static_cast<unsigned char>(ch);
    if (f == FONT_COUNT || u >= 128) return search_charset(font.charset, ch);
    GlyphIndexTable& t = glyph_index_table;
    if (!t.built) {
        for (int k = 0; k < FONT_COUNT; ++k)
            for (int c = 0; c < 128; ++c)
                t.index[k][c] =
                    static_cast<int8_t>(search_charset(FONT_TABLE[k].charset, static_cast<char>(c)));
        t.built = true;
    }
    return t.index[f][u];
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
    // Text mostly lands on a plain background: each intensity's blend over the first pixel value inked
    // is kept and reused wherever the glyph meets that same value, which gives the same result.
    uint32_t plain = 0, over_plain[16];
    uint32_t known = 0; // bit n: over_plain[n] is worked out; bit 0: plain is set
    auto ink = [&](uint32_t& dst, int n) {
        if (!(known & 1u)) {
            plain = dst;
            known = 1u;
        }
        if (dst != plain) {
            dst = gfx_blend_color(dst, color, COVERAGE.w[n]);
            return;
        }
        if (!(known & (1u << n))) {
            over_plain[n] = gfx_blend_color(plain, color, COVERAGE.w[n]);
            known |= 1u << n;
        }
        dst = over_plain[n];
    };
    for (int64_t r = r0; r < r1; ++r) {
        const uint8_t* src = font.atlas + r * row_bytes;
        const int64_t row = static_cast<int64_t>(y) + height - r;
        const int64_t base = (h - 1 - row) * w + x - start; // index of atlas column 0 on this row
        // Two columns a byte: an odd first column alone, then whole bytes, then an even last column alone.
        int64_t c = col0;
        if ((c & 1) && c < col1) {
            if (const int n = src[c >> 1] & 0x0F) ink(pixels[base + c], n);
            ++c;
        }
        for (; c + 1 < col1; c += 2) {
            const uint8_t byte = src[c >> 1];
            if (byte == 0) continue;
            if (byte >> 4) ink(pixels[base + c], byte >> 4);
            if (byte & 0x0F) ink(pixels[base + c + 1], byte & 0x0F);
        }
        if (c < col1) {
            if (const int n = src[c >> 1] >> 4) ink(pixels[base + c], n);
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

int32_t font_draw_text_left(uint32_t* pixels, int w, int h, int font_index, int32_t x, int32_t y,
                            uint32_t color, const char* text) {
    for (; *text != '\0'; ++text) x += font_draw_glyph(pixels, w, h, font_index, x, y, color, *text);
    return x;
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
