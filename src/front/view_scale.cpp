#include "front/view_scale.h"

#include <algorithm>
#include <cstddef>
#include <cstring>

#include "host/host.h"

namespace {

int floor_div(int a, int b) {
    return a >= 0 ? a / b : -((-a + b - 1) / b);
}

HostRect clip(const HostRect& r, int w, int h) {
    return HostRect{std::max(r.x0, 0), std::max(r.y0, 0), std::min(r.x1, w), std::min(r.y1, h)};
}

// One screen row of an enlarged picture row: each pixel repeated up times.
void widen_row(const uint32_t* src, int n, int up, uint32_t* dst) {
    switch (up) {
    case 1:
        std::memcpy(dst, src, static_cast<size_t>(n) * sizeof *dst);
        return;
    case 2:
        for (int i = 0; i < n; ++i) dst[2 * i] = dst[2 * i + 1] = src[i];
        return;
    case 4:
        for (int i = 0; i < n; ++i) dst[4 * i] = dst[4 * i + 1] = dst[4 * i + 2] = dst[4 * i + 3] = src[i];
        return;
    default:
        for (int i = 0; i < n; ++i)
            for (int k = 0; k < up; ++k) dst[i * up + k] = src[i];
        return;
    }
}

// The mean of a down x down block, each channel rounded.
uint32_t block_mean(const uint32_t* top_left, int down) {
    uint32_t r = 0, g = 0, b = 0, n = static_cast<uint32_t>(down * down);
    for (int j = 0; j < down; ++j)
        for (int i = 0; i < down; ++i) {
            uint32_t c = top_left[j * BEZEL_WIDTH + i];
            r += c >> 16 & 0xFF;
            g += c >> 8 & 0xFF;
            b += c & 0xFF;
        }
    return 0xFF000000u | (r + n / 2) / n << 16 | (g + n / 2) / n << 8 | (b + n / 2) / n;
}

} // namespace

HostRect host_rect_union(const HostRect& a, const HostRect& b) {
    if (host_rect_empty(a)) return b;
    if (host_rect_empty(b)) return a;
    return HostRect{std::min(a.x0, b.x0), std::min(a.y0, b.y0), std::max(a.x1, b.x1), std::max(a.y1, b.y1)};
}

HostViewFit host_view_fit(int win_w, int win_h, int max_up) {
    HostViewFit f{1, 1, 0, 0, BEZEL_WIDTH, BEZEL_HEIGHT};
    int up = std::clamp(max_up, 1, HOST_SCALE_MAX);
    while (up > 1 && (BEZEL_WIDTH * up > win_w || BEZEL_HEIGHT * up > win_h)) --up;
    f.up = up;
    f.w = BEZEL_WIDTH * up;
    f.h = BEZEL_HEIGHT * up;
    if (up == 1)
        while (f.down < HOST_SHRINK_MAX && (f.w > win_w || f.h > win_h)) {
            ++f.down;
            f.w = BEZEL_WIDTH / f.down;
            f.h = BEZEL_HEIGHT / f.down;
        }
    f.x = floor_div(win_w - f.w, 2);
    f.y = floor_div(win_h - f.h, 2);
    return f;
}

void host_view_to_picture(const HostViewFit& f, int wx, int wy, int* px, int* py) {
    if (f.down > 1) {
        // The middle of the block the screen pixel stands for.
        *px = (wx - f.x) * f.down + f.down / 2;
        *py = (wy - f.y) * f.down + f.down / 2;
    } else {
        *px = floor_div(wx - f.x, f.up);
        *py = floor_div(wy - f.y, f.up);
    }
}

HostRect host_view_screen_rect(const HostViewFit& f, const HostRect& r) {
    HostRect p = clip(r, BEZEL_WIDTH, BEZEL_HEIGHT);
    if (host_rect_empty(p)) return HostRect{0, 0, 0, 0};
    if (f.down > 1) {
        HostRect s{p.x0 / f.down, p.y0 / f.down, (p.x1 + f.down - 1) / f.down, (p.y1 + f.down - 1) / f.down};
        s = clip(s, f.w, f.h);
        return HostRect{s.x0 + f.x, s.y0 + f.y, s.x1 + f.x, s.y1 + f.y};
    }
    return HostRect{f.x + p.x0 * f.up, f.y + p.y0 * f.up, f.x + p.x1 * f.up, f.y + p.y1 * f.up};
}

void host_view_draw(const HostViewFit& f, const uint32_t* picture, const HostRect& r, uint32_t* win,
                    int pitch, int win_w, int win_h) {
    HostRect s = clip(host_view_screen_rect(f, r), win_w, win_h);
    if (host_rect_empty(s)) return;
    if (f.down > 1) {
        for (int sy = s.y0; sy < s.y1; ++sy) {
            const uint32_t* row = picture + (sy - f.y) * f.down * BEZEL_WIDTH;
            uint32_t* out = win + static_cast<ptrdiff_t>(sy) * pitch;
            for (int sx = s.x0; sx < s.x1; ++sx) out[sx] = block_mean(row + (sx - f.x) * f.down, f.down);
        }
        return;
    }
    if (s.x0 == f.x + r.x0 * f.up && s.x1 == f.x + r.x1 * f.up && s.y0 == f.y + r.y0 * f.up &&
        s.y1 == f.y + r.y1 * f.up) {
        // The usual case, the window holds the whole rectangle: widen each row once, copy it up times.
        const int n = r.x1 - r.x0, bytes = n * f.up * static_cast<int>(sizeof(uint32_t));
        for (int py = r.y0; py < r.y1; ++py) {
            uint32_t* first = win + static_cast<ptrdiff_t>(f.y + py * f.up) * pitch + s.x0;
            widen_row(picture + py * BEZEL_WIDTH + r.x0, n, f.up, first);
            for (int k = 1; k < f.up; ++k)
                std::memcpy(first + static_cast<ptrdiff_t>(k) * pitch, first, bytes);
        }
        return;
    }
    for (int sy = s.y0; sy < s.y1; ++sy) {
        const uint32_t* row = picture + (sy - f.y) / f.up * BEZEL_WIDTH;
        uint32_t* out = win + static_cast<ptrdiff_t>(sy) * pitch;
        for (int sx = s.x0; sx < s.x1; ++sx) out[sx] = row[(sx - f.x) / f.up];
    }
}

void host_view_fill_margins(const HostViewFit& f, uint32_t color, uint32_t* win, int pitch, int win_w,
                            int win_h) {
    HostRect pic = clip(HostRect{f.x, f.y, f.x + f.w, f.y + f.h}, win_w, win_h);
    for (int y = 0; y < win_h; ++y) {
        uint32_t* row = win + static_cast<ptrdiff_t>(y) * pitch;
        if (y < pic.y0 || y >= pic.y1 || host_rect_empty(pic)) {
            std::fill(row, row + win_w, color);
            continue;
        }
        std::fill(row, row + pic.x0, color);
        std::fill(row + pic.x1, row + win_w, color);
    }
}

HostRect host_rect_diff(const uint32_t* a, const uint32_t* b, int stride, const HostRect& area) {
    HostRect out{0, 0, 0, 0};
    const size_t bytes = static_cast<size_t>(area.x1 - area.x0) * sizeof(uint32_t);
    if (host_rect_empty(area)) return out;
    for (int y = area.y0; y < area.y1; ++y) {
        const uint32_t* ra = a + static_cast<ptrdiff_t>(y) * stride;
        const uint32_t* rb = b + static_cast<ptrdiff_t>(y) * stride;
        if (std::memcmp(ra + area.x0, rb + area.x0, bytes) == 0) continue;
        int x0 = area.x0, x1 = area.x1;
        while (ra[x0] == rb[x0]) ++x0;
        while (ra[x1 - 1] == rb[x1 - 1]) --x1;
        out = host_rect_union(out, HostRect{x0, y, x1, y + 1});
    }
    return out;
}

int host_rect_diff_bands(const uint32_t* a, const uint32_t* b, ptrdiff_t stride, const HostRect& area,
                         int slack, HostRect* out, int max) {
    int n = 0;
    if (host_rect_empty(area)) return 0;
    const size_t bytes = static_cast<size_t>(area.x1 - area.x0) * sizeof(uint32_t);
    for (int y = area.y0; y < area.y1; ++y) {
        const uint32_t* ra = a + y * stride;
        const uint32_t* rb = b + y * stride;
        if (std::memcmp(ra + area.x0, rb + area.x0, bytes) == 0) continue;
        // Eight pixels at a time to near each end of the span, then one at a time.
        constexpr int STEP = 8;
        int x0 = area.x0, x1 = area.x1;
        while (x1 - x0 >= STEP && std::memcmp(ra + x0, rb + x0, STEP * sizeof(uint32_t)) == 0) x0 += STEP;
        while (ra[x0] == rb[x0]) ++x0;
        while (x1 - x0 >= STEP && std::memcmp(ra + x1 - STEP, rb + x1 - STEP, STEP * sizeof(uint32_t)) == 0)
            x1 -= STEP;
        while (ra[x1 - 1] == rb[x1 - 1]) --x1;
        if (n > 0) {
            HostRect& r = out[n - 1];
            HostRect joined = host_rect_union(r, HostRect{x0, y, x1, y + 1});
            long unchanged = static_cast<long>(joined.x1 - joined.x0) * (joined.y1 - joined.y0) -
                             static_cast<long>(r.x1 - r.x0) * (r.y1 - r.y0) - (x1 - x0);
            if ((r.y1 == y && unchanged <= slack) || n == max) {
                r = joined;
                continue;
            }
        }
        out[n++] = HostRect{x0, y, x1, y + 1};
    }
    return n;
}
