#include "gfx/font.h"

#include <algorithm>
#include <array>

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

// gfx_blend_color of a pixel toward one colour with the weight of an intensity 1..15, with the
// colour's share of each weight worked out once: the same operations, in the same order, on the same
// values, so bit for bit the same result.
struct BlendTowards {
#if defined(__SSE2__)
    __m128 keep[16], take[16];
    explicit BlendTowards(uint32_t color) {
        const __m128i zero = _mm_setzero_si128();
        __m128 c = _mm_cvtepi32_ps(
            _mm_unpacklo_epi16(_mm_unpacklo_epi8(_mm_cvtsi32_si128(static_cast<int>(color)), zero), zero));
        for (int n = 1; n < 16; ++n) {
            keep[n] = _mm_set1_ps(1.0f - COVERAGE.w[n]);
            take[n] = _mm_mul_ps(c, _mm_set1_ps(COVERAGE.w[n]));
        }
    }
    uint32_t blend(uint32_t pixel, int n) const {
        const __m128i zero = _mm_setzero_si128();
        __m128i p =
            _mm_unpacklo_epi16(_mm_unpacklo_epi8(_mm_cvtsi32_si128(static_cast<int>(pixel)), zero), zero);
        __m128i t = _mm_cvttps_epi32(_mm_add_ps(_mm_mul_ps(_mm_cvtepi32_ps(p), keep[n]), take[n]));
        t = _mm_packs_epi32(t, t);
        return static_cast<uint32_t>(_mm_cvtsi128_si32(_mm_packus_epi16(t, t)));
    }
#else
    uint32_t color;
    explicit BlendTowards(uint32_t c) : color(c) {}
    uint32_t blend(uint32_t pixel, int n) const {
        return gfx_blend_color(pixel, color, COVERAGE.w[n]);
    }
#endif
};

} // namespace

int font_glyph_index(const Font& font, char ch) {
    // The table's fonts look their characters up in a map made on first use; others search.
    int table_index = 0;
    while (table_index < FONT_COUNT && &font != &FONT_TABLE[table_index]) ++table_index;
    if (table_index < FONT_COUNT) {
        static const auto maps = [] {
            std::array<std::array<int16_t, 256>, FONT_COUNT> m{};
            for (int f = 0; f < FONT_COUNT; ++f) {
                m[f].fill(-1);
                // The first occurrence wins, as in the search.
                for (int i = 0; FONT_TABLE[f].charset[i] != '\0'; ++i) {
                    int16_t& slot = m[f][static_cast<uint8_t>(FONT_TABLE[f].charset[i])];
                    if (slot < 0) slot = static_cast<int16_t>(i);
                }
            }
            return m;
        }();
        return maps[table_index][static_cast<uint8_t>(ch)];
    }
    for (int i = 0; font.charset[i] != '\0'; ++i)
        if (font.charset[i] == ch) return i;
    return -1;
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
    const BlendTowards toward(color);
    const int32_t height = font.height, row_bytes = font.atlas_width / 2;
    // Stored row r lands on row y + height - r. Clipping the ranges once touches exactly the pixels
    // inside the array, as a test per pixel would. 64-bit sums keep far-off pens from overflowing.
    const int64_t col0 = std::max<int64_t>(start, static_cast<int64_t>(start) - x);
    const int64_t col1 = std::min<int64_t>(end, static_cast<int64_t>(start) - x + w);
    const int64_t r0 = std::max<int64_t>(0, static_cast<int64_t>(y) + height - (h - 1));
    const int64_t r1 = std::min<int64_t>(height, static_cast<int64_t>(y) + height + 1);
    for (int64_t r = r0; r < r1; ++r) {
        const uint8_t* src = font.atlas + r * row_bytes;
        const int64_t row = static_cast<int64_t>(y) + height - r;
        const int64_t base = (h - 1 - row) * w + x - start; // index of atlas column 0 on this row
        // Two pixels a byte, the even column in the high nibble; most bytes are empty.
        int64_t c = col0;
        if ((c & 1) != 0 && c < col1) {
            if (const int n = src[c >> 1] & 0x0F) pixels[base + c] = toward.blend(pixels[base + c], n);
            ++c;
        }
        for (; c + 1 < col1; c += 2) {
            const uint8_t byte = src[c >> 1];
            if (byte == 0) continue;
            if (const int n = byte >> 4) pixels[base + c] = toward.blend(pixels[base + c], n);
            if (const int n = byte & 0x0F) pixels[base + c + 1] = toward.blend(pixels[base + c + 1], n);
        }
        if (c < col1) {
            if (const int n = src[c >> 1] >> 4) pixels[base + c] = toward.blend(pixels[base + c], n);
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
