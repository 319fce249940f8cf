#include <algorithm>
#include <cmath>

#include "gfx/gfx.h"

#if defined(__SSE2__)
#include <emmintrin.h>
#endif
// Where the compiler can build code for a wider instruction set than the baseline and pick it at run
// time, the mixing of samples uses it.
#if defined(__SSE2__) && defined(__x86_64__) && (defined(__GNUC__) || defined(__clang__))
#define ZT30_AVX2_RUNS 1
#include <immintrin.h>
#else
#define ZT30_AVX2_RUNS 0
#endif

uint32_t SCRATCH_IMAGE[SCRATCH_IMAGE_SIZE * SCRATCH_IMAGE_SIZE];

namespace {

inline uint32_t pixel_or_black(const uint32_t* image, int w, int h, int x, int y) {
    if (x < 0 || x >= w || y < 0 || y >= h) return 0x00000000;
    return image[gfx_index(x, y, w, h)];
}

// The bilinear mix of four neighbours: p00 = (ix, iy), p01 = (ix, iy + 1), p10 = (ix + 1, iy),
// p11 = (ix + 1, iy + 1). Each blend truncates, so the vertical pass must come first for the same result.
inline uint32_t bilinear(uint32_t p00, uint32_t p01, uint32_t p10, uint32_t p11, float fx, float fy) {
#if defined(__SSE2__)
    // Both vertical blends side by side, then the horizontal one: the single-precision operations of
    // gfx_blend_color in the same order, so the result is bit for bit the same.
    const __m128i zero = _mm_setzero_si128();
    __m128i top = _mm_unpacklo_epi8(_mm_unpacklo_epi32(_mm_cvtsi32_si128(static_cast<int>(p00)),
                                                       _mm_cvtsi32_si128(static_cast<int>(p10))),
                                    zero);
    __m128i bottom = _mm_unpacklo_epi8(_mm_unpacklo_epi32(_mm_cvtsi32_si128(static_cast<int>(p01)),
                                                          _mm_cvtsi32_si128(static_cast<int>(p11))),
                                       zero);
    const __m128 keep_y = _mm_set1_ps(1.0f - fy), take_y = _mm_set1_ps(fy);
    __m128 left = _mm_add_ps(_mm_mul_ps(_mm_cvtepi32_ps(_mm_unpacklo_epi16(top, zero)), keep_y),
                             _mm_mul_ps(_mm_cvtepi32_ps(_mm_unpacklo_epi16(bottom, zero)), take_y));
    __m128 right = _mm_add_ps(_mm_mul_ps(_mm_cvtepi32_ps(_mm_unpackhi_epi16(top, zero)), keep_y),
                              _mm_mul_ps(_mm_cvtepi32_ps(_mm_unpackhi_epi16(bottom, zero)), take_y));
    // Limited to 0..255 as the blend does, then back to floats for the horizontal pass.
    __m128i both = _mm_packus_epi16(_mm_packs_epi32(_mm_cvttps_epi32(left), _mm_cvttps_epi32(right)), zero);
    both = _mm_unpacklo_epi8(both, zero);
    left = _mm_cvtepi32_ps(_mm_unpacklo_epi16(both, zero));
    right = _mm_cvtepi32_ps(_mm_unpackhi_epi16(both, zero));
    __m128i mixed = _mm_cvttps_epi32(
        _mm_add_ps(_mm_mul_ps(left, _mm_set1_ps(1.0f - fx)), _mm_mul_ps(right, _mm_set1_ps(fx))));
    mixed = _mm_packs_epi32(mixed, mixed);
    return static_cast<uint32_t>(_mm_cvtsi128_si32(_mm_packus_epi16(mixed, mixed)));
#else
    return gfx_blend_color(gfx_blend_color(p00, p01, fy), gfx_blend_color(p10, p11, fy), fx);
#endif
}

// The smallest integer >= v and the largest integer <= v, limited to [lo, hi]; NaN gives lo.
inline int ceil_within(double v, int lo, int hi) {
    if (!(v > lo)) return lo;
    if (v > hi) return hi;
    int t = static_cast<int>(v);
    return t + (v > t);
}
inline int floor_within(double v, int lo, int hi) {
    if (!(v > lo)) return lo;
    if (v > hi) return hi;
    int t = static_cast<int>(v);
    return t - (v < t);
}

// Narrows [first, last) to the integers where base + slope * i can lie within [lo, hi], given
// 1 / slope. The bounds are widened by margin, so an index whose single-precision value passes the
// exact test is never cut; the test still decides.
inline void narrow_span(double base, double slope, double inverse, double lo, double hi, double margin,
                        int& first, int& last) {
    if (first >= last) return;
    lo -= margin, hi += margin;
    if (std::fabs(slope) < 1e-9) {
        if (base < lo || base > hi) last = first;
        return;
    }
    double a = (lo - base) * inverse, b = (hi - base) * inverse;
    if (a > b) std::swap(a, b);
    first = ceil_within(a, first, last);
    last = std::max(first, floor_within(b, first - 1, last - 1) + 1);
}

// One row of the transformed draw: u = dx * uu + row_u, v = dx * vu + row_v with dx = x - cx.
struct RowScan {
    const uint32_t* image;
    int image_width, image_height;
    float cx, uu, vu, row_u, row_v;
    float u_lo, v_lo, u_hi, v_hi; // where a sample can find light
};

// The two neighbours (ix, iy), (ix + 1, iy) in the low half of *upper and (ix, iy + 1), (ix + 1, iy + 1)
// in that of *lower, for ix, iy >= 0; INSIDE when all four are known to lie in the picture.
#if defined(__SSE2__)
template <bool INSIDE>
inline void load_neighbours(const RowScan& s, int ix, int iy, __m128i* upper, __m128i* lower) {
    const int w = s.image_width, h = s.image_height;
    if (INSIDE || (ix + 1 < w && iy + 1 < h)) {
        const uint32_t* p = s.image + gfx_index(ix, iy, w, h);
        *upper = _mm_loadl_epi64(reinterpret_cast<const __m128i*>(p));
        *lower = _mm_loadl_epi64(reinterpret_cast<const __m128i*>(p - w));
    } else {
        auto px = [&](int x, int y) {
            return _mm_cvtsi32_si128(static_cast<int>(pixel_or_black(s.image, w, h, x, y)));
        };
        *upper = _mm_unpacklo_epi32(px(ix, iy), px(ix + 1, iy));
        *lower = _mm_unpacklo_epi32(px(ix, iy + 1), px(ix + 1, iy + 1));
    }
}

// Adds the samples of columns x_begin..x_end - 1, all on the ink. u and v side by side, the same
// single-precision operations as on_ink; then the bilinear mix as in gfx_sample_bilinear, whose vertical
// results stay within 0..255 for weights within 0..1 and so need no limiting before the horizontal pass.
template <bool INSIDE> void mix_run(const RowScan& s, uint32_t* row, int x_begin, int x_end) {
    const __m128 slope = _mm_setr_ps(s.uu, s.vu, 0.0f, 0.0f),
                 base = _mm_setr_ps(s.row_u, s.row_v, 0.0f, 0.0f);
    const __m128 one = _mm_set1_ps(1.0f);
    const __m128i zero = _mm_setzero_si128();
    for (int x = x_begin; x < x_end; ++x) {
        __m128 uv = _mm_add_ps(_mm_mul_ps(_mm_set1_ps(static_cast<float>(x) - s.cx), slope), base);
        __m128i whole = _mm_cvttps_epi32(uv);
        __m128 frac = _mm_sub_ps(uv, _mm_cvtepi32_ps(whole));
        __m128i upper, lower;
        load_neighbours<INSIDE>(s, _mm_cvtsi128_si32(whole), _mm_cvtsi128_si32(_mm_shuffle_epi32(whole, 1)),
                                &upper, &lower);
        upper = _mm_unpacklo_epi8(upper, zero);
        lower = _mm_unpacklo_epi8(lower, zero);
        const __m128 take_y = _mm_shuffle_ps(frac, frac, 0x55), keep_y = _mm_sub_ps(one, take_y);
        const __m128 take_x = _mm_shuffle_ps(frac, frac, 0x00), keep_x = _mm_sub_ps(one, take_x);
        __m128 left = _mm_add_ps(_mm_mul_ps(_mm_cvtepi32_ps(_mm_unpacklo_epi16(upper, zero)), keep_y),
                                 _mm_mul_ps(_mm_cvtepi32_ps(_mm_unpacklo_epi16(lower, zero)), take_y));
        __m128 right = _mm_add_ps(_mm_mul_ps(_mm_cvtepi32_ps(_mm_unpackhi_epi16(upper, zero)), keep_y),
                                  _mm_mul_ps(_mm_cvtepi32_ps(_mm_unpackhi_epi16(lower, zero)), take_y));
        left = _mm_cvtepi32_ps(_mm_cvttps_epi32(left));
        right = _mm_cvtepi32_ps(_mm_cvttps_epi32(right));
        __m128i mixed = _mm_cvttps_epi32(_mm_add_ps(_mm_mul_ps(left, keep_x), _mm_mul_ps(right, take_x)));
        mixed = _mm_packs_epi32(mixed, mixed);
        mixed = _mm_adds_epu8(_mm_cvtsi32_si128(static_cast<int>(row[x])), _mm_packus_epi16(mixed, mixed));
        row[x] = static_cast<uint32_t>(_mm_cvtsi128_si32(mixed));
    }
}

#if ZT30_AVX2_RUNS
// The same with wider registers: the positions of a stretch of the run eight at a time first, then each
// sample with its left and right vertical mixes in one eight-lane register. The same operations on the
// same values (no fused multiply-add), so the same result.
template <bool INSIDE>
__attribute__((target("avx2"))) void mix_run_avx2(const RowScan& s, uint32_t* row, int x_begin, int x_end) {
    const uint32_t* image = s.image;
    const int w = s.image_width, h = s.image_height;
    const __m256 cx = _mm256_set1_ps(s.cx), uu = _mm256_set1_ps(s.uu), vu = _mm256_set1_ps(s.vu);
    const __m256 row_u = _mm256_set1_ps(s.row_u), row_v = _mm256_set1_ps(s.row_v);
    const __m256i lanes = _mm256_setr_epi32(0, 1, 2, 3, 4, 5, 6, 7);
    const __m256 one8 = _mm256_set1_ps(1.0f);
    const __m128 one = _mm_set1_ps(1.0f);
    constexpr int STRETCH = 64;
    alignas(32) float fx[STRETCH], fy[STRETCH];
    alignas(32) int32_t ix[STRETCH], iy[STRETCH];
    for (int first = x_begin; first < x_end; first += STRETCH) {
        const int n = std::min(STRETCH, x_end - first);
        for (int i = 0; i < n; i += 8) {
            __m256 dx =
                _mm256_sub_ps(_mm256_cvtepi32_ps(_mm256_add_epi32(_mm256_set1_epi32(first + i), lanes)), cx);
            __m256 u = _mm256_add_ps(_mm256_mul_ps(dx, uu), row_u);
            __m256 v = _mm256_add_ps(_mm256_mul_ps(dx, vu), row_v);
            __m256i whole_u = _mm256_cvttps_epi32(u), whole_v = _mm256_cvttps_epi32(v);
            _mm256_store_ps(fx + i, _mm256_sub_ps(u, _mm256_cvtepi32_ps(whole_u)));
            _mm256_store_ps(fy + i, _mm256_sub_ps(v, _mm256_cvtepi32_ps(whole_v)));
            _mm256_store_si256(reinterpret_cast<__m256i*>(ix + i), whole_u);
            _mm256_store_si256(reinterpret_cast<__m256i*>(iy + i), whole_v);
        }
        uint32_t* target = row + first;
        for (int i = 0; i < n; ++i) {
            __m128i upper, lower;
            if (INSIDE || (ix[i] + 1 < w && iy[i] + 1 < h)) {
                const uint32_t* p = image + gfx_index(ix[i], iy[i], w, h);
                upper = _mm_loadl_epi64(reinterpret_cast<const __m128i*>(p));
                lower = _mm_loadl_epi64(reinterpret_cast<const __m128i*>(p - w));
            } else {
                load_neighbours<false>(s, ix[i], iy[i], &upper, &lower);
            }
            const __m256 take_y = _mm256_broadcast_ss(fy + i), keep_y = _mm256_sub_ps(one8, take_y);
            __m256 both =
                _mm256_add_ps(_mm256_mul_ps(_mm256_cvtepi32_ps(_mm256_cvtepu8_epi32(upper)), keep_y),
                              _mm256_mul_ps(_mm256_cvtepi32_ps(_mm256_cvtepu8_epi32(lower)), take_y));
            both = _mm256_cvtepi32_ps(_mm256_cvttps_epi32(both));
            const __m128 take_x = _mm_broadcast_ss(fx + i), keep_x = _mm_sub_ps(one, take_x);
            __m128i mixed = _mm_cvttps_epi32(_mm_add_ps(_mm_mul_ps(_mm256_castps256_ps128(both), keep_x),
                                                        _mm_mul_ps(_mm256_extractf128_ps(both, 1), take_x)));
            mixed = _mm_packs_epi32(mixed, mixed);
            mixed =
                _mm_adds_epu8(_mm_cvtsi32_si128(static_cast<int>(target[i])), _mm_packus_epi16(mixed, mixed));
            target[i] = static_cast<uint32_t>(_mm_cvtsi128_si32(mixed));
        }
    }
}

bool wide_vectors_allowed = true;

bool use_avx2() {
    static const bool has = __builtin_cpu_supports("avx2");
    return has && wide_vectors_allowed;
}
#endif
#endif

// Columns x_begin..x_end - 1 of one row. u and v are monotonic along the row even as rounded, so the
// pixels whose (u, v) falls on the ink form one run: its ends are found by testing inward from both
// sides, and the run is drawn without further tests.
template <bool INSIDE> void draw_row(const RowScan& s, uint32_t* row, int x_begin, int x_end) {
    auto on_ink = [&](int x) {
        float dx = static_cast<float>(x) - s.cx;
        float u = dx * s.uu + s.row_u, v = dx * s.vu + s.row_v;
        // Beyond the ink, or beyond the picture, every neighbour is 0x00000000 (NaN fails here too).
        return (u >= s.u_lo) & (v >= s.v_lo) & (u < s.u_hi) & (v < s.v_hi);
    };
    while (x_begin < x_end && !on_ink(x_begin)) ++x_begin;
    while (x_end > x_begin && !on_ink(x_end - 1)) --x_end;
#if defined(__SSE2__)
#if ZT30_AVX2_RUNS
    if (use_avx2()) return mix_run_avx2<INSIDE>(s, row, x_begin, x_end);
#endif
    mix_run<INSIDE>(s, row, x_begin, x_end);
#else
    const int w = s.image_width, h = s.image_height;
    for (int x = x_begin; x < x_end; ++x) {
        float dx = static_cast<float>(x) - s.cx;
        float u = dx * s.uu + s.row_u, v = dx * s.vu + s.row_v;
        int ix = static_cast<int>(u), iy = static_cast<int>(v);
        float fx = u - static_cast<float>(ix), fy = v - static_cast<float>(iy);
        row[x] = gfx_add_color(row[x], bilinear(pixel_or_black(s.image, w, h, ix, iy),
                                                pixel_or_black(s.image, w, h, ix, iy + 1),
                                                pixel_or_black(s.image, w, h, ix + 1, iy),
                                                pixel_or_black(s.image, w, h, ix + 1, iy + 1), fx, fy));
    }
#endif
}

// Adds the image through the transform. Only the pixels of the ink box may be non-zero: a sample that
// finds none of them is 0x00000000 and adds nothing, so pixels that can only take such samples are skipped.
void draw_transformed(uint32_t* pixels, int w, int h, const uint32_t* image, int image_width,
                      int image_height, const InkBox& ink, float cx, float cy, const ImageTransform& t) {
    float s = t.k * t.k;
    float reach = std::trunc(static_cast<float>(std::max(image_width, image_height)) * 1.415f);
    // Out-of-range centres give an empty range rather than an undefined conversion.
    auto whole = [](float v) {
        return static_cast<int>(std::max(-1073741824.0f, std::min(1073741824.0f, std::trunc(v))));
    };
    if (std::isnan(cx) || std::isnan(cy)) return;
    int x_first = std::max(whole(cx - reach), 0), x_last = std::min(whole(cx + reach), w);
    int y_begin = std::max(whole(cy - reach), 0), y_end = std::min(whole(cy + reach), h);
    if (y_begin >= y_end || x_first >= x_last) return;

    // The inverse of the matrix for a rotation, shrunk by k * k.
    float uu = s * t.m11, uv = -t.m01 * s;
    float vu = -t.m10 * s, vv = s * t.m00;
    // A sample reads columns trunc(u) and trunc(u) + 1: it can find the ink for u in [x0 - 1, x1), u >= 0.
    const InkBox box{std::max(ink.x0, 0), std::max(ink.y0, 0), std::min(ink.x1, image_width),
                     std::min(ink.y1, image_height)};
    if (box.x0 >= box.x1 || box.y0 >= box.y1) return;
    const float u_lo = static_cast<float>(std::max(box.x0 - 1, 0)), u_hi = static_cast<float>(box.x1);
    const float v_lo = static_cast<float>(std::max(box.y0 - 1, 0)), v_hi = static_cast<float>(box.y1);

    // Only the pixels whose (u, v) falls on the ink can change. The visited square lies within reach + 1
    // of the centre, so the rounding of u and v stays far below the margin; the rows and columns are
    // narrowed to the ink's parallelogram in exact arithmetic, and the per-pixel test below decides.
    const double duu = uu, duv = uv, dvu = vu, dvv = vv;
    double spread = (std::fabs(duu) + std::fabs(duv) + std::fabs(dvu) + std::fabs(dvv)) * (reach + 2.0);
    double det = duu * dvv - duv * dvu;
    bool narrow = std::isfinite(spread) && spread < 1e6 && std::fabs(det) > 1e-6;
    double margin = 1e-4 * (1.0 + spread);
    if (narrow) {
        // dy = (uu v - vu u) / det at the corners of the widened ink box.
        double lo = 1e300, hi = -1e300;
        for (double u : {u_lo - margin, u_hi + margin})
            for (double v : {v_lo - margin, v_hi + margin}) {
                double dy = (duu * v - dvu * u) / det;
                lo = std::min(lo, dy), hi = std::max(hi, dy);
            }
        narrow_span(-static_cast<double>(cy), 1.0, 1.0, lo, hi, 0.0, y_begin, y_end);
    }
    // Along row y the bounds on u and v are met at x = a + b * y: one line per bound, in exact arithmetic
    // with dy = y - cy (the rounding of dy in single precision is far below the margin).
    struct Bound {
        double a, b;
    };
    auto bound = [&](double limit, double along, double across) {
        return Bound{(limit + cy * across + cx * along) / along, -across / along};
    };
    const bool steep_u = std::fabs(duu) >= 1e-9, steep_v = std::fabs(dvu) >= 1e-9;
    const Bound u_low = bound(u_lo - margin, duu, duv), u_high = bound(u_hi + margin, duu, duv);
    const Bound v_low = bound(v_lo - margin, dvu, dvv), v_high = bound(v_hi + margin, dvu, dvv);
    const bool inside = box.x1 < image_width && box.y1 < image_height;

    for (int y = y_begin; y < y_end; ++y) {
        float dy = static_cast<float>(y) - cy;
        int x_begin = x_first, x_end = x_last;
        if (narrow) {
            const double yd = y;
            auto clip = [&](bool steep, const Bound& low, const Bound& high, double lo, double hi,
                            double base) {
                if (x_begin >= x_end) return;
                if (!steep) {
                    // u (or v) is the same all along the row.
                    if (base < lo - margin || base > hi + margin) x_end = x_begin;
                    return;
                }
                double a = low.a + low.b * yd, b = high.a + high.b * yd;
                if (a > b) std::swap(a, b);
                x_begin = ceil_within(a, x_begin, x_end);
                x_end = std::max(x_begin, floor_within(b, x_begin - 1, x_end - 1) + 1);
            };
            clip(steep_u, u_low, u_high, u_lo, u_hi, dy * duv - cx * duu);
            clip(steep_v, v_low, v_high, v_lo, v_hi, dy * dvv - cx * dvu);
        }
        const RowScan scan{image,   image_width, image_height, cx,   uu,   vu,
                           dy * uv, dy * vv,     u_lo,         v_lo, u_hi, v_hi};
        uint32_t* row = pixels + gfx_index(0, y, w, h);
        if (inside)
            draw_row<true>(scan, row, x_begin, x_end);
        else
            draw_row<false>(scan, row, x_begin, x_end);
    }
}

} // namespace

uint32_t gfx_sample_bilinear(const uint32_t* image, int w, int h, float u, float v) {
    // So far out every neighbour is outside; this also keeps the index conversion defined.
    constexpr float FAR = 16777216.0f;
    if (!(std::fabs(u) < FAR && std::fabs(v) < FAR)) return 0x00000000;
    int ix = static_cast<int>(u), iy = static_cast<int>(v);
    float fx = u - static_cast<float>(ix), fy = v - static_cast<float>(iy);
    return bilinear(pixel_or_black(image, w, h, ix, iy), pixel_or_black(image, w, h, ix, iy + 1),
                    pixel_or_black(image, w, h, ix + 1, iy), pixel_or_black(image, w, h, ix + 1, iy + 1), fx,
                    fy);
}

void gfx_draw_image_transformed(uint32_t* pixels, int w, int h, const uint32_t* image, int image_width,
                                int image_height, float cx, float cy, const ImageTransform* transform) {
    draw_transformed(pixels, w, h, image, image_width, image_height, InkBox{0, 0, image_width, image_height},
                     cx, cy, *transform);
}

void gfx_draw_image_transformed_ink(uint32_t* pixels, int w, int h, const uint32_t* image, int image_width,
                                    int image_height, float cx, float cy, const ImageTransform* transform,
                                    const InkBox* ink) {
    draw_transformed(pixels, w, h, image, image_width, image_height, *ink, cx, cy, *transform);
}

InkBox gfx_find_ink(const uint32_t* image, int w, int h, InkBox within) {
    InkBox box{within.x1, within.y1, within.x0, within.y0};
    for (int y = std::max(within.y0, 0); y < std::min(within.y1, h); ++y) {
        const uint32_t* row = image + gfx_index(0, y, w, h);
        for (int x = std::max(within.x0, 0); x < std::min(within.x1, w); ++x) {
            if (row[x] == 0) continue;
            box.x0 = std::min(box.x0, x), box.x1 = std::max(box.x1, x + 1);
            box.y0 = std::min(box.y0, y), box.y1 = std::max(box.y1, y + 1);
        }
    }
    return box;
}

void gfx_allow_wide_vectors(bool allow) {
#if ZT30_AVX2_RUNS
    wide_vectors_allowed = allow;
#else
    (void)allow;
#endif
}
