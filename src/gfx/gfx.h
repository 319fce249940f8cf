// Frame buffer geometry and the drawing primitives every screen is built from.
#pragma once
#include <cstdint>

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

// Per-channel a * (1 - weight) + b * weight in single precision, truncated, at most 255.
uint32_t gfx_blend_color(uint32_t color_a, uint32_t color_b, float weight);

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

// The same, for an image whose pixels are all 0x00000000 outside its top-left ink_width x ink_height
// corner: the result is identical, and the pixels that could only receive black are skipped.
void gfx_draw_image_transformed_ink(uint32_t* pixels, int w, int h, const uint32_t* image, int image_width,
                                    int image_height, int ink_width, int ink_height, float cx, float cy,
                                    const ImageTransform* transform);

constexpr int SCRATCH_IMAGE_SIZE = 32;
extern uint32_t SCRATCH_IMAGE[SCRATCH_IMAGE_SIZE * SCRATCH_IMAGE_SIZE];
