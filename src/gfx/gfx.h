// Frame buffer geometry and the drawing primitives every screen is built from.
#pragma once
#include <cstdint>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

constexpr int FRAME_WIDTH = 128;
constexpr int FRAME_HEIGHT = 160;
constexpr int FRAME_PIXELS = FRAME_WIDTH * FRAME_HEIGHT;

// 128 x 160 ARGB pixels, bottom row first: pixel (x, y) at (159 - y) * 128 + x.
struct FrameBuffer {
    uint32_t pixels[FRAME_PIXELS];
};

// Index of pixel (x, y) in any bottom-up W x H array.
constexpr int gfx_index(int x, int y, int w, int h) {
    return (h - 1 - y) * w + x;
}

// Per-channel a * (1 - weight) + b * weight in single precision, truncated, at most 255. Inline: it is
// the inner step of text, lines and samples.
inline uint32_t gfx_blend_color(uint32_t color_a, uint32_t color_b, float weight) {
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

// Per-channel a + b, each channel at most 255 (alpha included).
inline uint32_t gfx_add_color(uint32_t a, uint32_t b) {
#if defined(__SSE2__)
    return static_cast<uint32_t>(_mm_cvtsi128_si32(
        _mm_adds_epu8(_mm_cvtsi32_si128(static_cast<int>(a)), _mm_cvtsi32_si128(static_cast<int>(b)))));
#else
    uint32_t out = 0;
    for (int shift = 24; shift >= 0; shift -= 8) {
        uint32_t v = ((a >> shift) & 0xFF) + ((b >> shift) & 0xFF);
        out |= (v > 255 ? 255 : v) << shift;
    }
    return out;
#endif
}

// Opaque fill of columns min(x0,x1)..max(x0,x1)-1 and rows min(y0,y1)..max(y0,y1)-1 of the frame.
void gfx_fill_rect(uint32_t* frame, int x0, int y0, int x1, int y1, uint32_t color);

// Opaque copy of a bottom-up width x height image with its top-left pixel at (x, y).
void gfx_blit_image(uint32_t* frame, const uint32_t* image, int width, int height, int x, int y);

// Additive, saturating draw of a 4-bit mask; its top row lands on y + 1.
void gfx_draw_mask(uint32_t* pixels, int w, int h, const uint8_t* mask, int mask_width, int mask_height,
                   int x, int y, uint32_t color);

// Anti-aliased line about two pixels wide, both ends included.
void gfx_draw_line(uint32_t* pixels, int w, int h, float x0, float y0, float x1, float y1, uint32_t color);
// How many three-pixel cross-sections gfx_draw_line walks for these arguments (its cost).
int gfx_line_cross_sections(int w, int h, float x0, float y0, float x1, float y1);

// Colour at fractional (u, v) of a bottom-up image; outside neighbours count as 0x00000000.
uint32_t gfx_sample_bilinear(const uint32_t* image, int w, int h, float u, float v);

struct ImageTransform {
    float m00, m01, m10, m11;
    float k;
};

// Adds the image, turned and shrunk by the transform about its top-left corner at (cx, cy).
void gfx_draw_image_transformed(uint32_t* pixels, int w, int h, const uint32_t* image, int image_width,
                                int image_height, float cx, float cy, const ImageTransform* transform);

// A rectangle of a picture, columns x0..x1 - 1 and rows y0..y1 - 1, outside which every pixel is
// 0x00000000; empty when x0 >= x1 or y0 >= y1.
struct InkBox {
    int x0, y0, x1, y1;
};
// The same draw for a picture whose light lies within the ink box: the result is identical, and the
// pixels that could only take black are skipped.
void gfx_draw_image_transformed_ink(uint32_t* pixels, int w, int h, const uint32_t* image, int image_width,
                                    int image_height, float cx, float cy, const ImageTransform* transform,
                                    const InkBox* ink);
// Whether the transformed draw may use instructions beyond the baseline where the processor has them
// (the default); the pictures are the same either way, which tests check by turning it off.
void gfx_allow_wide_vectors(bool allow);
// The smallest box holding every non-zero pixel of the picture within the given one.
InkBox gfx_find_ink(const uint32_t* image, int w, int h, InkBox within);

constexpr int SCRATCH_IMAGE_SIZE = 32;
extern uint32_t SCRATCH_IMAGE[SCRATCH_IMAGE_SIZE * SCRATCH_IMAGE_SIZE];
