#include <algorithm>
#include <cmath>
#include <cstddef>

#include "gfx/gfx.h"

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace {

// Integer parts beyond this are clamped: such indexes are out of every array, and the clamp keeps the
// conversion defined for absurd coordinates.
constexpr float INDEX_CLAMP = 1073741824.0f;
// A start pulled back this far lies where the line is already heading away from the array, so nothing
// of it can show; stopping here keeps absurd inputs from walking millions of empty sections.
constexpr float FAR_BEHIND = -1048576.0f;

inline int floor_index(float v) {
    if (!(v > -INDEX_CLAMP)) return -static_cast<int>(INDEX_CLAMP); // NaN as well
    if (v > INDEX_CLAMP) return static_cast<int>(INDEX_CLAMP);
    // Rounded toward zero, then one down for negative fractions: floor without a library call.
    int t = static_cast<int>(v);
    return t - (v < static_cast<float>(t));
}

// v - floor(v), given floor_index(v).
inline float fraction(float v, int index) {
    // Beyond the clamp (or NaN) floor(v) is v itself.
    float whole = std::fabs(v) < INDEX_CLAMP ? static_cast<float>(index) : v;
    return v - whole;
}

// Walks the line's cross-sections in order: the start cap, the body, the end cap. For each cap it calls
// section(P, M, w_below, w_core, w_above, core_solid), P the major index and M the minor index of the core;
// for the body section.body(P_begin, P_end, m, g), which takes the sections P_begin..P_end - 1 (all
// within the major limit), each after m += g, as section(P, M, 1 - f, 1, f, true) with M and f the whole
// and fractional parts of m.
template <typename Section>
void line_walk(int w, int h, float x0, float y0, float x1, float y1, bool& steep, Section&& section) {
    float dx = x1 - x0, dy = y1 - y0;
    if (dx == 0.0f && dy == 0.0f) return;
    steep = std::fabs(dy) > std::fabs(dx);
    float a0 = steep ? y0 : x0, b0 = steep ? x0 : y0;
    float a1 = steep ? y1 : x1, b1 = steep ? x1 : y1;
    int major_limit = steep ? h : w, minor_limit = steep ? w : h;
    if (a0 > a1) {
        float t = a0;
        a0 = a1, a1 = t;
        t = b0;
        b0 = b1, b1 = t;
    }
    float g = (b1 - b0) / (a1 - a0);

    // Pull the ends in to the array's edges so that lines running far outside stay cheap.
    float major_edge = static_cast<float>(major_limit), minor_edge = static_cast<float>(minor_limit);
    bool minor_steps = std::fabs(g) > 0.01f;
    if (a0 < 0.0f) {
        b0 += (-1.0f - a0) * g;
        a0 = -1.0f;
    }
    if (minor_steps && b0 < 0.0f) {
        a0 += (-1.0f - b0) / g;
        b0 = -1.0f;
    }
    if (minor_steps && b0 > minor_edge) {
        a0 += (minor_edge + 1.0f - b0) / g;
        b0 = minor_edge + 1.0f;
    }
    if (a1 > major_edge) {
        b1 += (major_edge + 1.0f - a1) * g;
        a1 = major_edge + 1.0f;
    }
    if (a1 < 0.0f) {
        b1 += (-1.0f - a1) * g;
        a1 = -1.0f;
    }
    if (minor_steps && b1 < 0.0f) {
        a1 += (-1.0f - b1) / g;
        b1 = -1.0f;
    }
    if (minor_steps && b1 > minor_edge) a1 += (minor_edge + 1.0f - b1) / g;

    // Sections at or beyond the major limit are outside the array whatever their minor index.
    if (!(a0 < major_edge) || a0 < FAR_BEHIND) return;

    int A = floor_index(a0);
    float fa = a0 - static_cast<float>(A);
    float m = b0 - fa * g;
    int M = floor_index(m);
    float f = fraction(m, M);
    section(A, M, (1.0f - f) * (1.0f - fa), 1.0f - fa, f * (1.0f - fa), false);

    // The body: P from A + 1 while P <= a1, ending the walk at the major limit. P >= 0 here, as the pulled-in
    // start is at least -1.
    int P = A + 1;
    const int after_body = floor_index(a1) + 1;
    if (P < after_body) {
        const int end = std::min(after_body, major_limit);
        if (P < end) {
            section.body(P, end, m, g);
            P = end;
        }
        if (P < after_body) return;
    }
    if (P >= major_limit) return;
    m += g;
    M = floor_index(m);
    f = fraction(m, M);
    float fe = a1 - std::floor(a1);
    section(P, M, fe * (1.0f - f), fe, fe * f, false);
}

} // namespace

namespace {

// One cross-section: the core pixel (P, M) on the major and minor axes and its two neighbours across
// the line. They lie one step apart in memory along the minor axis: a column for a steep line, a row
// otherwise.
// gfx_blend_color toward one colour, with the colour's channels converted once: the same operations on
// the same values, so the same result.
struct TowardColor {
    uint32_t color;
#if defined(__SSE2__)
    __m128 channels;
    explicit TowardColor(uint32_t c) : color(c) {
        const __m128i zero = _mm_setzero_si128();
        channels = _mm_cvtepi32_ps(
            _mm_unpacklo_epi16(_mm_unpacklo_epi8(_mm_cvtsi32_si128(static_cast<int>(c)), zero), zero));
    }
    uint32_t blend(uint32_t pixel, float weight) const {
        const __m128i zero = _mm_setzero_si128();
        __m128i p =
            _mm_unpacklo_epi16(_mm_unpacklo_epi8(_mm_cvtsi32_si128(static_cast<int>(pixel)), zero), zero);
        __m128i t = _mm_cvttps_epi32(_mm_add_ps(_mm_mul_ps(_mm_cvtepi32_ps(p), _mm_set1_ps(1.0f - weight)),
                                                _mm_mul_ps(channels, _mm_set1_ps(weight))));
        t = _mm_packs_epi32(t, t);
        return static_cast<uint32_t>(_mm_cvtsi128_si32(_mm_packus_epi16(t, t)));
    }
#else
    explicit TowardColor(uint32_t c) : color(c) {}
    uint32_t blend(uint32_t pixel, float weight) const {
        return gfx_blend_color(pixel, color, weight);
    }
#endif
};

template <bool STEEP> struct SectionPainter {
    uint32_t* pixels;
    int w, h;
    TowardColor toward;
    void operator()(int P, int M, float below, float core, float above, bool solid) const {
        const int major_limit = STEEP ? h : w, minor_limit = STEEP ? w : h;
        if (P < 0 || P >= major_limit) return;
        // From minor M to M + 1: the next column of a row, or the row above in a bottom-up array.
        uint32_t* base = STEEP ? pixels + gfx_index(0, P, w, h) : pixels + gfx_index(P, 0, w, h);
        const ptrdiff_t stride = STEEP ? 1 : -w;
        if (M >= 1 && M + 1 < minor_limit) {
            // The whole cross-section is inside: the common case.
            uint32_t* p = base + M * stride;
            p[-stride] = toward.blend(p[-stride], below);
            *p = solid ? toward.color : toward.blend(*p, core);
            p[stride] = toward.blend(p[stride], above);
            return;
        }
        auto put = [&](int minor, float weight, bool solid_pixel) {
            if (minor < 0 || minor >= minor_limit) return;
            uint32_t& p = base[minor * stride];
            p = solid_pixel ? toward.color : toward.blend(p, weight);
        };
        // M is clamped far from any array, so M - 1 and M + 1 cannot overflow.
        put(M - 1, below, false);
        put(M, core, solid);
        put(M + 1, above, false);
    }
    void body(int P, int end, float& m, float g) const {
        // While m stays well inside the clamp its floor is the rounded-down conversion.
        if (!(std::fabs(m) + std::fabs(g) * static_cast<float>(end - P + 1) < 1048576.0f)) {
            for (; P < end; ++P) {
                m += g;
                const int M = floor_index(m);
                const float f = fraction(m, M);
                (*this)(P, M, 1.0f - f, 1.0f, f, true);
            }
            return;
        }
        const int minor_limit = STEEP ? w : h;
        const ptrdiff_t stride = STEEP ? 1 : -w, step = STEEP ? -w : 1;
        uint32_t* base = STEEP ? pixels + gfx_index(0, P, w, h) : pixels + gfx_index(P, 0, w, h);
        for (; P < end; ++P, base += step) {
            m += g;
            int M = static_cast<int>(m);
            M -= m < static_cast<float>(M);
            const float f = m - static_cast<float>(M);
            if (M >= 1 && M + 1 < minor_limit) {
                uint32_t* p = base + M * stride;
                p[-stride] = toward.blend(p[-stride], 1.0f - f);
                *p = toward.color;
                p[stride] = toward.blend(p[stride], f);
            } else {
                (*this)(P, M, 1.0f - f, 1.0f, f, true);
            }
        }
    }
};

} // namespace

void gfx_draw_line(uint32_t* pixels, int w, int h, float x0, float y0, float x1, float y1, uint32_t color) {
    bool steep = std::fabs(y1 - y0) > std::fabs(x1 - x0);
    bool unused = false;
    if (steep)
        line_walk(w, h, x0, y0, x1, y1, unused, SectionPainter<true>{pixels, w, h, TowardColor(color)});
    else
        line_walk(w, h, x0, y0, x1, y1, unused, SectionPainter<false>{pixels, w, h, TowardColor(color)});
}

int gfx_line_cross_sections(int w, int h, float x0, float y0, float x1, float y1) {
    bool steep = false;
    int count = 0;
    struct Counter {
        int* count;
        void operator()(int, int, float, float, float, bool) const { ++*count; }
        void body(int P, int end, float& m, float g) const {
            *count += end - P;
            for (; P < end; ++P) m += g;
        }
    };
    line_walk(w, h, x0, y0, x1, y1, steep, Counter{&count});
    return count;
}
