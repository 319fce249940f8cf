#include "gfx/gfx.h"

uint32_t SCRATCH_IMAGE[SCRATCH_IMAGE_SIZE * SCRATCH_IMAGE_SIZE];

// Placeholders until the anti-aliased primitives are written.
void gfx_draw_line(uint32_t*, int, int, float, float, float, float, uint32_t) {}
uint32_t gfx_sample_bilinear(const uint32_t*, int, int, float, float) { return 0; }
void gfx_draw_image_transformed(uint32_t*, int, int, const uint32_t*, int, int, float, float,
                                const ImageTransform*) {}
