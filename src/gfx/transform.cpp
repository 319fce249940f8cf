#include <algorithm>
#include <cmath>

#include "gfx/gfx.h"

uint32_t SCRATCH_IMAGE[SCRATCH_IMAGE_SIZE * SCRATCH_IMAGE_SIZE];

namespace {

inline uint32_t pixel_or_black(const uint32_t* image, int w, int h, int x, int y) {
    if (x < 0 || x >= w || y < 0 || y >= h) return 0x00000000;
    return image[gfx_index(x, y, w, h)];
}

inline uint32_t add_saturated(uint32_t a, uint32_t b) {
    uint32_t out = 0;
    for (int shift = 24; shift >= 0; shift -= 8) {
        uint32_t v = ((a >> shift) & 0xFF) + ((b >> shift) & 0xFF);
        out |= std::min<uint32_t>(v, 255) << shift;
    }
    return out;
}

} // namespace

uint32_t gfx_sample_bilinear(const uint32_t* image, int w, int h, float u, float v) {
    // So far out every neighbour is outside; this also keeps the index conversion defined.
    constexpr float FAR = 16777216.0f;
    if (!(std::fabs(u) < FAR && std::fabs(v) < FAR)) return 0x00000000;
    int ix = static_cast<int>(u), iy = static_cast<int>(v);
    float fx = u - static_cast<float>(ix), fy = v - static_cast<float>(iy);
    // Each blend truncates, so the vertical pass must come first for the same result.
    uint32_t left =
        gfx_blend_color(pixel_or_black(image, w, h, ix, iy), pixel_or_black(image, w, h, ix, iy + 1), fy);
    uint32_t right = gfx_blend_color(pixel_or_black(image, w, h, ix + 1, iy),
                                     pixel_or_black(image, w, h, ix + 1, iy + 1), fy);
    return gfx_blend_color(left, right, fx);
}

void gfx_draw_image_transformed(uint32_t* pixels, int w, int h, const uint32_t* image, int image_width,
                                int image_height, float cx, float cy, const ImageTransform* transform) {
    const ImageTransform& t = *transform;
    float s = t.k * t.k;
    float reach = std::trunc(static_cast<float>(std::max(image_width, image_height)) * 1.415f);
    // Out-of-range centres give an empty range rather than an undefined conversion.
    auto whole = [](float v) {
        return static_cast<int>(std::max(-1073741824.0f, std::min(1073741824.0f, std::trunc(v))));
    };
    if (std::isnan(cx) || std::isnan(cy)) return;
    int x_begin = std::max(whole(cx - reach), 0), x_end = std::min(whole(cx + reach), w);
    int y_begin = std::max(whole(cy - reach), 0), y_end = std::min(whole(cy + reach), h);
    if (y_begin >= y_end) return;

    // The inverse of the matrix for a rotation, shrunk by k * k.
    float uu = s * t.m11, uv = -t.m01 * s;
    float vu = -t.m10 * s, vv = s * t.m00;
    float width = static_cast<float>(image_width), height = static_cast<float>(image_height);
    for (int y = y_begin; y < y_end; ++y) {
        float dy = static_cast<float>(y) - cy;
        for (int x = x_begin; x < x_end; ++x) {
            float dx = static_cast<float>(x) - cx;
            float u = dx * uu + dy * uv;
            float v = dx * vu + dy * vv;
            if (u < 0.0f || v < 0.0f || u > width || v > height) continue;
            uint32_t& p = pixels[gfx_index(x, y, w, h)];
            p = add_saturated(p, gfx_sample_bilinear(image, image_width, image_height, u, v));
        }
    }
}
