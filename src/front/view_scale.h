// How the 450 x 550 window picture sits in a window of any size: enlarged by a whole factor, or shrunk
// by one when even 1:1 does not fit, and centred on a plain background; never stretched, never blurred.
#pragma once
#include <cstddef>
#include <cstdint>

constexpr int HOST_SCALE_MAX = 4;  // largest enlargement: --scale and the zoom keys go 1..4
constexpr int HOST_SHRINK_MAX = 4; // smallest picture, 1/4, for windows forced below 450 x 550

// Half-open: columns x0..x1-1, rows y0..y1-1; empty when either range is.
struct HostRect {
    int x0, y0, x1, y1;
};

inline bool host_rect_empty(const HostRect& r) {
    return r.x0 >= r.x1 || r.y0 >= r.y1;
}

// The smallest rectangle holding both.
HostRect host_rect_union(const HostRect& a, const HostRect& b);

struct HostViewFit {
    int up;   // each picture pixel is an up x up square on the screen ...
    int down; // ... or each screen pixel the mean of a down x down block; one of the two is 1
    int x, y; // the picture's top-left corner in the window (negative when even 1/4 does not fit)
    int w, h; // the picture's size on the screen
};

// The largest whole enlargement up to max_up that fits win_w x win_h, else the mildest reduction that
// does (1/4 at most), centred.
HostViewFit host_view_fit(int win_w, int win_h, int max_up);

// A window position to picture coordinates; positions off the picture map off it, on the same side.
void host_view_to_picture(const HostViewFit& f, int wx, int wy, int* px, int* py);

// The window pixels that show the picture pixels of r.
HostRect host_view_screen_rect(const HostViewFit& f, const HostRect& r);

// Draws the picture pixels of r (a 450 x 550 picture, top row first) into a window of win_w x win_h
// pixels whose rows lie pitch words apart. Only the window pixels of host_view_screen_rect are written.
void host_view_draw(const HostViewFit& f, const uint32_t* picture, const HostRect& r, uint32_t* win,
                    int pitch, int win_w, int win_h);

// Fills every window pixel around the picture with color.
void host_view_fill_margins(const HostViewFit& f, uint32_t color, uint32_t* win, int pitch, int win_w,
                            int win_h);

// The smallest rectangle within area holding every pixel in which a and b differ (rows stride words
// apart in both); empty when they agree.
HostRect host_rect_diff(const uint32_t* a, const uint32_t* b, int stride, const HostRect& area);

// The pixels within area in which a and b differ, as at most max rectangles (max >= 1): each changed row's
// span from its first to its last changed pixel, neighbouring rows joined while that takes in no more
// than `slack` unchanged pixels, and everything after the last rectangle allowed joined into it. A moving
// line that crosses the display touches few pixels of each row but spans the whole of it, so sending
// these rather than one bounding rectangle saves most of the pixels; each rectangle costs a request of
// its own, which the slack weighs against the pixels. Rows lie stride words apart (negative for a
// bottom-up picture, with a and b at its top row). Returns how many; 0 when they agree.
constexpr int HOST_BAND_SLACK = 128; // for pixels drawn 1:1; an N x N square counts N * N
constexpr int HOST_BANDS_MAX = 64;
int host_rect_diff_bands(const uint32_t* a, const uint32_t* b, ptrdiff_t stride, const HostRect& area,
                         int slack, HostRect* out, int max);
