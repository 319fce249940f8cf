#include "gfx/gfx.h"

#include <algorithm>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

uint32_t gfx_blend_color(uint32_t color_a, uint32_t color_b, float weight) {
#if defined(__SSE2__)
    // The four channels side by side: the same single-precision operations in the same order as the
    // scalar form below, so the results are bit for bit the same; it is the hot path of all text.
    const __m128i zero = _mm_setzero_si128();
    __m128i ai =
        _mm_unpacklo_epi16(_mm_unpacklo_epi8(_mm_cvtsi32_si128(static_cast<int>(color_a)), zero), zero);
    __m128i bi =
        _mm_unpacklo_epi16(_mm_unpacklo_epi8(_mm_cvtsi32_si128(static_cast<int>(color_b)), zero), zero);
    __m128 v = _mm_add_ps(_mm_mul_ps(_mm_cvtepi32_ps(ai), _mm_set1_ps(1.0f - weight)),
                          _mm_mul_ps(_mm_cvtepi32_ps(bi), _mm_set1_ps(weight)));
    __m128i t = _mm_cvttps_epi32(v);
    t = _mm_packs_epi32(t, t);
    return static_cast<uint32_t>(_mm_cvtsi128_si32(_mm_packus_epi16(t, t)));
#else
    uint32_t out = 0;
    for (int shift = 24; shift >= 0; shift -= 8) {
        float a = static_cast<float>((color_a >> shift) & 0xFF);
        float b = static_cast<float>((color_b >> shift) & 0xFF);
        int v = static_cast<int>(a * (1.0f - weight) + b * weight);
        if (v > 255) v = 255;
        out |= static_cast<uint32_t>(v) << shift;
    }
    return out;
#endif
}

void gfx_fill_rect(uint32_t* frame, int x0, int y0, int x1, int y1, uint32_t color) {
    // Clipping the range up front touches exactly the in-frame pixels a per-pixel test would.
    int xa = std::max(std::min(x0, x1), 0), xb = std::min(std::max(x0, x1), FRAME_WIDTH);
    int ya = std::max(std::min(y0, y1), 0), yb = std::min(std::max(y0, y1), FRAME_HEIGHT);
    for (int y = ya; y < yb; ++y) {
        uint32_t* row = frame + gfx_index(0, y, FRAME_WIDTH, FRAME_HEIGHT);
        for (int x = xa; x < xb; ++x) row[x] = color;
    }
}

void gfx_blit_image(uint32_t* frame, const uint32_t* image, int width, int height, int x, int y) {
    for (int r = 0; r < height; ++r) {
        int dy = y + r;
        if (dy >= FRAME_HEIGHT) return;
        if (dy < 0) continue;
        const uint32_t* src = image + (height - 1 - r) * width;
        uint32_t* dst = frame + gfx_index(0, dy, FRAME_WIDTH, FRAME_HEIGHT);
        // Columns left of the frame are skipped, the first one right of it ends the row.
        int c0 = std::max(0, -x), c1 = std::min(width, FRAME_WIDTH - x);
        for (int c = c0; c < c1; ++c) dst[x + c] = src[c];
    }
}

void gfx_draw_mask(uint32_t* pixels, int w, int h, const uint8_t* mask, int mask_width, int mask_height,
                   int x, int y, uint32_t color) {
    // Contribution per intensity: k = floor(16 n / 15), each channel min(255, channel * k).
    uint32_t contribution[16];
    for (int n = 0; n < 16; ++n) {
        int k = 16 * n / 15;
        uint32_t c = 0;
        for (int shift = 24; shift >= 0; shift -= 8) {
            double v = static_cast<double>((color >> shift) & 0xFF) * k;
            c |= static_cast<uint32_t>(std::min(255.0, v)) << shift;
        }
        contribution[n] = c;
    }
    for (int p = 0; p < mask_width / 2; ++p) {
        for (int r = 0; r < mask_height; ++r) {
            uint8_t byte = mask[(r * mask_width) / 2 + p];
            int row = y + mask_height - r;
            for (int half = 0; half < 2; ++half) {
                int col = x + 2 * p + half;
                int n = half == 0 ? byte >> 4 : byte & 0x0F;
                // Intensity 0 adds nothing; most of an icon's box is empty.
                if (n == 0 || col < 0 || col >= w || row < 0 || row >= h) continue;
                uint32_t& dst = pixels[gfx_index(col, row, w, h)];
                uint32_t add = contribution[n];
#if defined(__SSE2__)
                dst = static_cast<uint32_t>(_mm_cvtsi128_si32(_mm_adds_epu8(
                    _mm_cvtsi32_si128(static_cast<int>(dst)), _mm_cvtsi32_si128(static_cast<int>(add)))));
#else
                uint32_t out = 0;
                for (int shift = 24; shift >= 0; shift -= 8) {
                    uint32_t v = ((dst >> shift) & 0xFF) + ((add >> shift) & 0xFF);
                    out |= std::min<uint32_t>(v, 255) << shift;
                }
                dst = out;
#endif
            }
        }
    }
}
