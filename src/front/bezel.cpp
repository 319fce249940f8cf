#include "front/bezel.h"

#include <algorithm>
#include <cmath>
#include <cstring>

#include "host/host.h"

// The artwork is drawn in code once, in floating point, as a released and a pressed picture; composing
// a window picture is then a copy, a few pressed rectangles and the frame.

namespace {

constexpr int W = BEZEL_WIDTH;
constexpr int H = BEZEL_HEIGHT;

struct Rgb {
    float r, g, b;
};

// Working picture while drawing, 0..255 per channel.
Rgb canvas[H][W];
uint32_t bezel_released[W * H];
uint32_t bezel_pressed[W * H];
bool bezel_built = false;

// A control: its mouse region (both ends included) and the part of the picture its pressed look touches.
struct Control {
    int x0, y0, x1, y1;
};
constexpr Control VIEW_KEY{101, 131, 139, 169};
constexpr Control LEFT_KEY{101, 201, 139, 239};
constexpr Control RIGHT_KEY{321, 201, 359, 239};
constexpr Control BOTH_PAD{201, 276, 259, 324};
constexpr int PRESS_MARGIN = 8;

// Body of the instrument and the opening of the display.
constexpr float BODY_X0 = 10, BODY_Y0 = 10, BODY_X1 = 440, BODY_Y1 = 540, BODY_R = 26;
constexpr float DISPLAY_CX = FRAME_ORIGIN_X + FRAME_WIDTH / 2.0f;

// Light falls from the upper left.
constexpr float LIGHT_X = -0.53f, LIGHT_Y = -0.85f;

float clampf(float v, float lo, float hi) {
    return std::min(hi, std::max(lo, v));
}
float smooth(float t) {
    t = clampf(t, 0, 1);
    return t * t * (3 - 2 * t);
}

// Signed distance to a rounded rectangle with continuous edges x0..x1, y0..y1 (negative inside).
float sd_round_rect(float px, float py, float x0, float y0, float x1, float y1, float r) {
    float cx = (x0 + x1) / 2, cy = (y0 + y1) / 2;
    float hx = (x1 - x0) / 2 - r, hy = (y1 - y0) / 2 - r;
    float qx = std::fabs(px - cx) - hx, qy = std::fabs(py - cy) - hy;
    float ox = std::max(qx, 0.0f), oy = std::max(qy, 0.0f);
    return std::sqrt(ox * ox + oy * oy) + std::min(std::max(qx, qy), 0.0f) - r;
}

// Outward normal of a rounded rectangle at a point (the direction the distance grows).
void rr_normal(float px, float py, float x0, float y0, float x1, float y1, float r, float* nx, float* ny) {
    const float e = 0.5f;
    float dx = sd_round_rect(px + e, py, x0, y0, x1, y1, r) - sd_round_rect(px - e, py, x0, y0, x1, y1, r);
    float dy = sd_round_rect(px, py + e, x0, y0, x1, y1, r) - sd_round_rect(px, py - e, x0, y0, x1, y1, r);
    float len = std::sqrt(dx * dx + dy * dy);
    if (len < 1e-6f) len = 1;
    *nx = dx / len;
    *ny = dy / len;
}

// Small fixed grain so flat areas look like a matte surface rather than a fill.
float grain(int x, int y) {
    uint32_t h = static_cast<uint32_t>(x) * 374761393u + static_cast<uint32_t>(y) * 668265263u;
    h = (h ^ (h >> 13)) * 1274126177u;
    h ^= h >> 16;
    return static_cast<float>(h & 0xFFFF) / 32767.5f - 1.0f;
}

void blend(int x, int y, Rgb c, float a) {
    if (x < 0 || y < 0 || x >= W || y >= H || a <= 0) return;
    a = std::min(a, 1.0f);
    Rgb& p = canvas[y][x];
    p.r += (c.r - p.r) * a;
    p.g += (c.g - p.g) * a;
    p.b += (c.b - p.b) * a;
}

void shade(int x, int y, float amount) {
    if (x < 0 || y < 0 || x >= W || y >= H) return;
    Rgb& p = canvas[y][x];
    p.r += amount;
    p.g += amount;
    p.b += amount;
}

float coverage(float d) {
    return clampf(0.5f - d, 0, 1);
}

// ---- Lettering: single-stroke capitals, drawn as anti-aliased strokes -----------------------------

struct Glyph {
    char ch;
    float width;         // in units; letters are 6 units tall
    const float* points; // polylines: x, y pairs; a pair (-1, -1) starts a new line; ends at (-2, -2)
};

constexpr float G_V[] = {0, 0, 2, 6, 4, 0, -2, -2};
constexpr float G_I[] = {0.4f, 0, 0.4f, 6, -2, -2};
constexpr float G_E[] = {3.6f, 0, 0, 0, 0, 6, 3.6f, 6, -1, -1, 0, 3, 3, 3, -2, -2};
constexpr float G_W[] = {0, 0, 1.3f, 6, 2.6f, 1.6f, 3.9f, 6, 5.2f, 0, -2, -2};
constexpr float G_H[] = {0, 0, 0, 6, -1, -1, 4, 0, 4, 6, -1, -1, 0, 3, 4, 3, -2, -2};
constexpr float G_L[] = {0, 0, 0, 6, 3.6f, 6, -2, -2};
constexpr float G_D[] = {0, 0, 2.3f, 0, 4, 1.7f, 4, 4.3f, 2.3f, 6, 0, 6, 0, 0, -2, -2};
constexpr float G_B[] = {0, 3, 2.9f, 3, 3.7f, 2.2f, 3.7f, 0.8f, 2.9f, 0, 0,  0,
                         0, 6, 3.1f, 6, 4,    5.1f, 4,    3.9f, 3.1f, 3, -2, -2};
constexpr float G_R[] = {0, 6, 0, 0, 3, 0, 4, 1, 4, 2, 3, 3, 0, 3, -1, -1, 2.2f, 3, 4, 6, -2, -2};
constexpr float G_T[] = {0, 0, 4, 0, -1, -1, 2, 0, 2, 6, -2, -2};
constexpr float G_O[] = {1.3f, 0, 2.7f, 0,    4, 1.3f, 4,    4.7f, 2.7f, 6,
                         1.3f, 6, 0,    4.7f, 0, 1.3f, 1.3f, 0,    -2,   -2};
constexpr float G_Z[] = {0, 0, 4, 0, 0, 6, 4, 6, -2, -2};
constexpr float G_DASH[] = {0, 3.3f, 2.6f, 3.3f, -2, -2};
constexpr float G_3[] = {0.2f, 0, 3.8f, 0, 1.9f, 2.5f, 2.8f, 2.5f, 3.8f, 3.5f,
                         3.8f, 5, 2.8f, 6, 1,    6,    0,    5.1f, -2,   -2};
constexpr float G_0[] = {1.2f, 0, 2.6f, 0,    3.8f, 1.2f, 3.8f, 4.8f, 2.6f, 6,
                         1.2f, 6, 0,    4.8f, 0,    1.2f, 1.2f, 0,    -2,   -2};
constexpr float G_S[] = {3.9f, 1, 3, 0, 1, 0, 0, 1, 0, 2, 1, 3, 3, 3, 4, 4, 4, 5, 3, 6, 1, 6, 0, 5, -2, -2};
constexpr float G_A[] = {0, 6, 2, 0, 4, 6, -1, -1, 0.7f, 4, 3.3f, 4, -2, -2};

constexpr Glyph GLYPHS[] = {{'V', 4, G_V},       {'I', 0.8f, G_I}, {'E', 3.6f, G_E}, {'W', 5.2f, G_W},
                            {'H', 4, G_H},       {'L', 3.6f, G_L}, {'D', 4, G_D},    {'B', 4, G_B},
                            {'R', 4, G_R},       {'T', 4, G_T},    {'O', 4, G_O},    {'Z', 4, G_Z},
                            {'-', 2.6f, G_DASH}, {'3', 3.8f, G_3}, {'0', 3.8f, G_0}, {'S', 4, G_S},
                            {'A', 4, G_A}};

const Glyph* find_glyph(char ch) {
    for (const Glyph& g : GLYPHS)
        if (g.ch == ch) return &g;
    return nullptr;
}

constexpr float LETTER_GAP = 1.7f; // units between letters
constexpr float WORD_GAP = 3.0f;   // units for a space

float text_units(const char* text) {
    float w = 0;
    for (const char* p = text; *p; ++p) {
        const Glyph* g = find_glyph(*p);
        w += (g ? g->width : WORD_GAP) + (p[1] ? LETTER_GAP : 0);
    }
    return w;
}

float seg_distance(float px, float py, float ax, float ay, float bx, float by) {
    float vx = bx - ax, vy = by - ay, wx = px - ax, wy = py - ay;
    float len2 = vx * vx + vy * vy;
    float t = len2 > 0 ? clampf((wx * vx + wy * vy) / len2, 0, 1) : 0;
    float dx = wx - t * vx, dy = wy - t * vy;
    return std::sqrt(dx * dx + dy * dy);
}

// Text centred on (cx, cy): cap height `height` pixels, strokes `stroke` pixels wide.
void draw_text(const char* text, float cx, float cy, float height, float stroke, Rgb color, float alpha) {
    float s = height / 6;
    float left = cx - text_units(text) * s / 2, top = cy - height / 2;
    int x0 = static_cast<int>(left - stroke - 1), x1 = static_cast<int>(cx + (cx - left) + stroke + 2);
    int y0 = static_cast<int>(top - stroke - 1), y1 = static_cast<int>(top + height + stroke + 2);
    for (int y = y0; y <= y1; ++y) {
        for (int x = x0; x <= x1; ++x) {
            float px = x + 0.5f, py = y + 0.5f, best = 1e9f, pen = left;
            for (const char* p = text; *p; ++p) {
                const Glyph* g = find_glyph(*p);
                if (!g) {
                    pen += (WORD_GAP + LETTER_GAP) * s;
                    continue;
                }
                const float* q = g->points;
                bool have_prev = false;
                float prev_x = 0, prev_y = 0;
                for (; q[0] != -2; q += 2) {
                    if (q[0] == -1) {
                        have_prev = false;
                        continue;
                    }
                    float gx = pen + q[0] * s, gy = top + q[1] * s;
                    if (have_prev) best = std::min(best, seg_distance(px, py, prev_x, prev_y, gx, gy));
                    prev_x = gx;
                    prev_y = gy;
                    have_prev = true;
                }
                pen += (g->width + LETTER_GAP) * s;
            }
            blend(x, y, color, alpha * coverage(best - stroke / 2));
        }
    }
}

// ---- Surfaces -------------------------------------------------------------------------------------

// The aircraft panel the instrument is mounted in.
void draw_panel() {
    for (int y = 0; y < H; ++y) {
        float t = static_cast<float>(y) / H;
        for (int x = 0; x < W; ++x) {
            float v = 50 - 12 * t + 2.2f * grain(x, y);
            canvas[y][x] = Rgb{v, v + 1.5f, v + 3.5f};
        }
    }
}

void draw_body() {
    // Soft shadow of the body on the panel, thrown down and to the right.
    for (int y = 0; y < H; ++y)
        for (int x = 0; x < W; ++x) {
            float d = sd_round_rect(x + 0.5f - 3, y + 0.5f - 5, BODY_X0, BODY_Y0, BODY_X1, BODY_Y1, BODY_R);
            if (d > 0)
                shade(x, y, -26 * std::exp(-d / 5));
            else
                shade(x, y, -26);
        }
    for (int y = 0; y < H; ++y) {
        float t = (y - BODY_Y0) / (BODY_Y1 - BODY_Y0);
        for (int x = 0; x < W; ++x) {
            float px = x + 0.5f, py = y + 0.5f;
            float d = sd_round_rect(px, py, BODY_X0, BODY_Y0, BODY_X1, BODY_Y1, BODY_R);
            float a = coverage(d);
            if (a <= 0) continue;
            // Anodised face: a little lighter at the top, a faint sheen across the upper left.
            float sheen = 7 * std::exp(-((px - 120) * (px - 120) + (py - 90) * (py - 90)) / 60000.0f);
            float v = 45 - 16 * t + sheen + 1.3f * grain(x, y);
            // Rounded edge: lit where it faces the light.
            float nx, ny;
            rr_normal(px, py, BODY_X0, BODY_Y0, BODY_X1, BODY_Y1, BODY_R, &nx, &ny);
            float edge = std::pow(1 - clampf(-d / 7, 0, 1), 1.6f);
            v += 40 * edge * (nx * LIGHT_X + ny * LIGHT_Y);
            float rim = 1 - clampf(std::fabs(d + 0.8f) / 1.2f, 0, 1); // dark outline of the edge
            v -= 14 * rim;
            blend(x, y, Rgb{v, v + 1, v + 3}, a);
        }
    }
    // Engraved line of the face plate: a dark groove with its lower lip catching the light.
    for (int y = 0; y < H; ++y)
        for (int x = 0; x < W; ++x) {
            float px = x + 0.5f, py = y + 0.5f;
            float d = sd_round_rect(px, py, 24, 24, 426, 526, 16);
            if (std::fabs(d) > 3) continue;
            float nx, ny;
            rr_normal(px, py, 24, 24, 426, 526, 16, &nx, &ny);
            float groove = 1 - clampf(std::fabs(d) / 0.9f, 0, 1);
            shade(x, y, -22 * groove);
            float lip = 1 - clampf(std::fabs(d + 1.3f) / 0.8f, 0, 1);
            shade(x, y, -14 * lip * (nx * LIGHT_X + ny * LIGHT_Y));
        }
}

void draw_screw(float cx, float cy, float angle) {
    const float head = 8.5f, hole = 11.0f;
    for (int y = static_cast<int>(cy - hole - 3); y <= static_cast<int>(cy + hole + 3); ++y)
        for (int x = static_cast<int>(cx - hole - 3); x <= static_cast<int>(cx + hole + 3); ++x) {
            float dx = x + 0.5f - cx, dy = y + 0.5f - cy, r = std::sqrt(dx * dx + dy * dy);
            // Countersink: a dark cone whose far (lower right) wall catches the light.
            float a_hole = coverage(r - hole);
            if (a_hole > 0) {
                float facing = r > 0 ? -(dx * LIGHT_X + dy * LIGHT_Y) / r : 0;
                float v = 20 + 18 * facing * clampf((r - head) / (hole - head), 0, 1);
                blend(x, y, Rgb{v, v, v + 1}, a_hole);
            }
            float a_head = coverage(r - head);
            if (a_head <= 0) continue;
            // Domed steel head.
            float nx = dx / head, ny = dy / head;
            float nz = std::sqrt(std::max(0.0f, 1 - nx * nx - ny * ny));
            const float lx = -0.45f, ly = -0.62f, lz = 0.64f;
            float diffuse = std::max(0.0f, nx * lx + ny * ly + nz * lz);
            float shine = std::pow(std::max(0.0f, 2 * diffuse * nz - lz), 18.0f);
            float v = 52 + 95 * diffuse + 80 * shine + 2 * grain(x * 3, y * 5);
            // Cross recess, turned as the screw happened to be tightened.
            float c = std::cos(angle), s = std::sin(angle);
            float u = dx * c + dy * s, w = -dx * s + dy * c;
            float slot = std::max(coverage(std::max(std::fabs(u) - 5.6f, std::fabs(w) - 1.15f)),
                                  coverage(std::max(std::fabs(w) - 5.6f, std::fabs(u) - 1.15f)));
            v = v * (1 - slot) + 26 * slot;
            Rgb col{v, v + 1, v + 3};
            blend(x, y, col, a_head);
        }
}

void draw_display_window() {
    const float ox0 = 158, oy0 = 100, ox1 = 300, oy1 = 273, orr = 6; // opening in the face
    const float mx0 = 162, my0 = 104, mx1 = 296, my1 = 270;          // black border of the glass
    for (int y = static_cast<int>(oy0) - 5; y < static_cast<int>(oy1) + 5; ++y)
        for (int x = static_cast<int>(ox0) - 5; x < static_cast<int>(ox1) + 5; ++x) {
            float px = x + 0.5f, py = y + 0.5f;
            float d = sd_round_rect(px, py, ox0, oy0, ox1, oy1, orr);
            float nx, ny;
            rr_normal(px, py, ox0, oy0, ox1, oy1, orr, &nx, &ny);
            float facing = nx * LIGHT_X + ny * LIGHT_Y;
            // Chamfered lip just outside the opening.
            if (d > -0.5f && d < 2.5f) shade(x, y, 16 * facing * (1 - clampf(d / 2.5f, 0, 1)));
            float a = coverage(d);
            if (a <= 0) continue;
            // Inside: walls going down to the glass; the upper left wall lies in shadow.
            float depth = clampf(-d / 4, 0, 1);
            float v = 9 + (1 - depth) * (14 - 22 * facing);
            blend(x, y, Rgb{v, v + 1, v + 2}, a);
            // The glass border and a faint reflection across it.
            float dm = sd_round_rect(px, py, mx0, my0, mx1, my1, 2.5f);
            float am = coverage(dm);
            if (am > 0) {
                float glare = 5 * smooth(1 - std::fabs((px - mx0) * 0.55f + (py - my0) - 60) / 70);
                blend(x, y, Rgb{4 + glare, 5 + glare, 7 + glare}, am);
            }
        }
}

// A rubber key exactly on its mouse region, sitting in a dark well.
void draw_key(const Control& k, bool pressed) {
    float x0 = k.x0, y0 = k.y0, x1 = k.x1 + 1.0f, y1 = k.y1 + 1.0f;
    const float well = 3.5f, r = 8;
    for (int y = k.y0 - 7; y <= k.y1 + 7; ++y)
        for (int x = k.x0 - 7; x <= k.x1 + 7; ++x) {
            float px = x + 0.5f, py = y + 0.5f;
            float dw = sd_round_rect(px, py, x0 - well, y0 - well, x1 + well, y1 + well, r + well);
            float nx, ny;
            rr_normal(px, py, x0 - well, y0 - well, x1 + well, y1 + well, r + well, &nx, &ny);
            float facing = nx * LIGHT_X + ny * LIGHT_Y;
            if (dw > -0.5f && dw < 2.5f) shade(x, y, 12 * facing * (1 - clampf(dw / 2.5f, 0, 1)));
            float aw = coverage(dw);
            if (aw > 0) {
                float v = 13 - 6 * facing;
                blend(x, y, Rgb{v, v, v + 1}, aw);
            }
            // The raised key throws a shadow into the well.
            if (!pressed) {
                float ds = sd_round_rect(px - 1.5f, py - 2.5f, x0, y0, x1, y1, r);
                blend(x, y, Rgb{2, 2, 2}, 0.7f * coverage(ds - 1) * aw);
            }
            float d = sd_round_rect(px, py, x0, y0, x1, y1, r);
            float a = coverage(d);
            if (a <= 0) continue;
            rr_normal(px, py, x0, y0, x1, y1, r, &nx, &ny);
            facing = nx * LIGHT_X + ny * LIGHT_Y;
            float t = (py - y0) / (y1 - y0);
            float edge = std::pow(1 - clampf(-d / 5, 0, 1), 1.4f);
            float v;
            if (!pressed) {
                // Slightly domed top, lit from above, with a bright rounded rim.
                float dome = 1 - ((px - (x0 + x1) / 2) * (px - (x0 + x1) / 2) +
                                  (py - y0 - 0.35f * (y1 - y0)) * (py - y0 - 0.35f * (y1 - y0))) /
                                     500.0f;
                v = 62 + 14 * (0.5f - t) + 8 * clampf(dome, 0, 1) + 42 * edge * facing;
            } else {
                // Pushed in: darker, flat, the upper left rim now in shadow.
                v = 40 + 4 * (0.5f - t) - 26 * edge * facing - 8 * edge;
            }
            v += 1.2f * grain(x, y);
            blend(x, y, Rgb{v, v + 1, v + 4}, a);
        }
}

// The BOTH pad under the display: a printed plate with arrows to both soft keys.
void draw_both_pad(bool pressed) {
    const Control& k = BOTH_PAD;
    float x0 = k.x0, y0 = k.y0, x1 = k.x1 + 1.0f, y1 = k.y1 + 1.0f;
    const float r = 9;
    for (int y = k.y0 - 6; y <= k.y1 + 6; ++y)
        for (int x = k.x0 - 6; x <= k.x1 + 6; ++x) {
            float px = x + 0.5f, py = y + 0.5f;
            float d = sd_round_rect(px, py, x0, y0, x1, y1, r);
            float nx, ny;
            rr_normal(px, py, x0, y0, x1, y1, r, &nx, &ny);
            float facing = nx * LIGHT_X + ny * LIGHT_Y;
            if (!pressed && d > 0 && d < 5) {
                float ds = sd_round_rect(px - 1, py - 2, x0, y0, x1, y1, r);
                shade(x, y, -16 * coverage(ds - 1.5f));
            }
            // The membrane's seam around the pad.
            float dg = sd_round_rect(px, py, x0 - 2, y0 - 2, x1 + 2, y1 + 2, r + 2);
            blend(x, y, Rgb{12, 12, 13}, coverage(dg));
            float a = coverage(d);
            if (a <= 0) continue;
            float edge = std::pow(1 - clampf(-d / 4, 0, 1), 1.5f);
            float t = (py - y0) / (y1 - y0);
            float v = pressed ? 30 - 18 * edge * facing - 6 * edge : 46 + 8 * (0.5f - t) + 22 * edge * facing;
            blend(x, y, Rgb{v, v + 1, v + 4}, a);
        }
    Rgb ink = pressed ? Rgb{150, 153, 158} : Rgb{205, 208, 212};
    float cx = (x0 + x1) / 2, ay = y0 + 15;
    // Double arrow: shaft and two heads.
    for (int y = static_cast<int>(ay) - 6; y <= static_cast<int>(ay) + 6; ++y)
        for (int x = k.x0 + 4; x <= k.x1 - 4; ++x) {
            float px = x + 0.5f, py = y + 0.5f;
            float dist = seg_distance(px, py, cx - 17, ay, cx + 17, ay);
            dist = std::min(dist, seg_distance(px, py, cx - 19, ay, cx - 13, ay - 4.5f));
            dist = std::min(dist, seg_distance(px, py, cx - 19, ay, cx - 13, ay + 4.5f));
            dist = std::min(dist, seg_distance(px, py, cx + 19, ay, cx + 13, ay - 4.5f));
            dist = std::min(dist, seg_distance(px, py, cx + 19, ay, cx + 13, ay + 4.5f));
            blend(x, y, ink, coverage(dist - 0.75f));
        }
    draw_text("BOTH", cx, y0 + 33, 9, 1.45f, ink, 1);
}

// Photo cell for the automatic brightness: a small dark lens with a glint.
void draw_light_sensor(float cx, float cy) {
    for (int y = static_cast<int>(cy) - 8; y <= static_cast<int>(cy) + 8; ++y)
        for (int x = static_cast<int>(cx) - 8; x <= static_cast<int>(cx) + 8; ++x) {
            float dx = x + 0.5f - cx, dy = y + 0.5f - cy, r = std::sqrt(dx * dx + dy * dy);
            float facing = r > 0 ? (dx * LIGHT_X + dy * LIGHT_Y) / r : 0;
            blend(x, y, Rgb{18 - 10 * facing, 18 - 10 * facing, 20 - 10 * facing}, coverage(r - 5.5f));
            float lens = coverage(r - 4);
            float glint = std::exp(-((dx + 1.5f) * (dx + 1.5f) + (dy + 1.6f) * (dy + 1.6f)) / 1.6f);
            blend(x, y, Rgb{40 + 170 * glint, 30 + 150 * glint, 36 + 140 * glint}, lens);
        }
}

// Speaker grille for the audio alerts: a field of drilled holes.
void draw_grille(float cx, float cy) {
    const int rows = 5, cols = 11;
    const float pitch = 10, hole = 2.6f;
    for (int j = 0; j < rows; ++j)
        for (int i = 0; i < cols - (j & 1); ++i) {
            float hx = cx + (i - (cols - 1) / 2.0f + 0.5f * (j & 1)) * pitch;
            float hy = cy + (j - (rows - 1) / 2.0f) * pitch * 0.87f;
            for (int y = static_cast<int>(hy) - 5; y <= static_cast<int>(hy) + 5; ++y)
                for (int x = static_cast<int>(hx) - 5; x <= static_cast<int>(hx) + 5; ++x) {
                    float dx = x + 0.5f - hx, dy = y + 0.5f - hy, r = std::sqrt(dx * dx + dy * dy);
                    float facing = r > 0 ? (dx * LIGHT_X + dy * LIGHT_Y) / r : 0;
                    if (r > hole - 0.5f && r < hole + 1.5f) shade(x, y, -9 * facing * coverage(r - hole - 1));
                    float v = 6 + 10 * std::max(0.0f, -facing) * clampf((r - 1) / hole, 0, 1);
                    blend(x, y, Rgb{v, v, v + 1}, coverage(r - hole));
                }
        }
}

void draw_static() {
    draw_panel();
    draw_body();
    draw_screw(40, 40, 0.35f);
    draw_screw(410, 40, 1.10f);
    draw_screw(40, 510, 0.80f);
    draw_screw(410, 510, 0.15f);
    draw_display_window();
    draw_light_sensor(340.5f, 140);
    const Rgb silk{205, 208, 212};
    draw_text("TESSARO", DISPLAY_CX, 66, 11, 1.6f, silk, 1);
    draw_text("VIEW", 120.5f, 182, 8, 1.4f, silk, 1);
    draw_text("HLD BRT", 340.5f, 187, 8, 1.4f, silk, 1);
    draw_text("ZT-30-S", DISPLAY_CX, 368, 10, 1.5f, Rgb{150, 153, 158}, 1);
    draw_grille(DISPLAY_CX, 445);
}

void draw_controls(bool pressed) {
    draw_key(VIEW_KEY, pressed);
    draw_key(LEFT_KEY, pressed);
    draw_key(RIGHT_KEY, pressed);
    draw_both_pad(pressed);
}

uint32_t to_pixel(Rgb c) {
    auto ch = [](float v) { return static_cast<uint32_t>(clampf(v + 0.5f, 0, 255)); };
    return 0xFF000000u | ch(c.r) << 16 | ch(c.g) << 8 | ch(c.b);
}

void store(uint32_t* out) {
    for (int y = 0; y < H; ++y)
        for (int x = 0; x < W; ++x) out[y * W + x] = to_pixel(canvas[y][x]);
}

void build_bezel() {
    if (bezel_built) return;
    draw_static();
    // The pressed picture starts from the same face, so the two differ only around the controls.
    static Rgb base[H][W];
    std::memcpy(base, canvas, sizeof canvas);
    draw_controls(false);
    store(bezel_released);
    std::memcpy(canvas, base, sizeof canvas);
    draw_controls(true);
    store(bezel_pressed);
    bezel_built = true;
}

void copy_pressed(uint32_t* out, const Control& k) {
    int x0 = k.x0 - PRESS_MARGIN, x1 = k.x1 + PRESS_MARGIN;
    for (int y = k.y0 - PRESS_MARGIN; y <= k.y1 + PRESS_MARGIN; ++y)
        std::memcpy(out + y * W + x0, bezel_pressed + y * W + x0, (x1 - x0 + 1) * sizeof(uint32_t));
}

} // namespace

uint32_t host_bezel_pressed() {
    uint32_t bits = 0;
    if (view_button_down) bits |= BEZEL_PRESSED_VIEW;
    if (left_button_down) bits |= BEZEL_PRESSED_LEFT;
    if (right_button_down) bits |= BEZEL_PRESSED_RIGHT;
    if (left_button_down && right_button_down) bits |= BEZEL_PRESSED_BOTH;
    return bits;
}

void host_bezel_put_frame(uint32_t* out) {
    for (int y = 0; y < FRAME_HEIGHT; ++y) {
        const uint32_t* src = host_frame.pixels + gfx_index(0, y, FRAME_WIDTH, FRAME_HEIGHT);
        uint32_t* dst = out + (FRAME_ORIGIN_Y + y) * W + FRAME_ORIGIN_X;
        for (int x = 0; x < FRAME_WIDTH; ++x) dst[x] = 0xFF000000u | src[x];
    }
}

void host_bezel_compose(uint32_t* out) {
    build_bezel();
    std::memcpy(out, bezel_released, sizeof bezel_released);
    uint32_t pressed = host_bezel_pressed();
    if (pressed & BEZEL_PRESSED_VIEW) copy_pressed(out, VIEW_KEY);
    if (pressed & BEZEL_PRESSED_LEFT) copy_pressed(out, LEFT_KEY);
    if (pressed & BEZEL_PRESSED_RIGHT) copy_pressed(out, RIGHT_KEY);
    if (pressed & BEZEL_PRESSED_BOTH) copy_pressed(out, BOTH_PAD);
    host_bezel_put_frame(out);
}

void host_bezel_icon(uint32_t* out, int size) {
    build_bezel();
    size = std::clamp(size, 16, 256);
    // The icon's display shows a level horizon, which reads as a flight instrument even when tiny.
    auto source = [](int x, int y, float* r, float* g, float* b) {
        uint32_t p = bezel_released[y * W + x];
        int fx = x - FRAME_ORIGIN_X, fy = y - FRAME_ORIGIN_Y;
        if (fx >= 0 && fx < FRAME_WIDTH && fy >= 0 && fy < FRAME_HEIGHT) {
            float horizon = 92 + (fx - 64) * 0.27f;
            bool line = std::fabs(fy - horizon) < 2.5f;
            bool wing = (fy >= 74 && fy <= 80 && ((fx >= 26 && fx <= 54) || (fx >= 74 && fx <= 102))) ||
                        (fy >= 72 && fy <= 82 && fx >= 59 && fx <= 69);
            p = wing ? 0xFFFFD000 : line ? 0xFFFFFFFF : fy < horizon ? 0xFF2A78D8 : 0xFF8A5424;
        }
        *r = static_cast<float>(p >> 16 & 0xFF);
        *g = static_cast<float>(p >> 8 & 0xFF);
        *b = static_cast<float>(p & 0xFF);
    };
    const float body_w = BODY_X1 - BODY_X0, body_h = BODY_Y1 - BODY_Y0;
    const float scale = body_h / size; // source pixels per icon pixel
    const float left = BODY_X0 - (size * scale - body_w) / 2;
    for (int j = 0; j < size; ++j)
        for (int i = 0; i < size; ++i) {
            float sx0 = left + i * scale, sy0 = BODY_Y0 + j * scale;
            float sum_r = 0, sum_g = 0, sum_b = 0, sum_a = 0;
            int n = 0;
            const int steps = static_cast<int>(std::ceil(scale)) + 1;
            for (int v = 0; v < steps; ++v)
                for (int u = 0; u < steps; ++u) {
                    float px = sx0 + (u + 0.5f) * scale / steps, py = sy0 + (v + 0.5f) * scale / steps;
                    ++n;
                    int x = static_cast<int>(px), y = static_cast<int>(py);
                    if (px < 0 || py < 0 || x >= W || y >= H) continue;
                    float a = coverage(sd_round_rect(px, py, BODY_X0, BODY_Y0, BODY_X1, BODY_Y1, BODY_R));
                    float r, g, b;
                    source(x, y, &r, &g, &b);
                    sum_r += r * a;
                    sum_g += g * a;
                    sum_b += b * a;
                    sum_a += a;
                }
            uint32_t alpha = static_cast<uint32_t>(sum_a / n * 255 + 0.5f);
            uint32_t color = 0;
            if (sum_a > 0)
                color = static_cast<uint32_t>(sum_r / sum_a + 0.5f) << 16 |
                        static_cast<uint32_t>(sum_g / sum_a + 0.5f) << 8 |
                        static_cast<uint32_t>(sum_b / sum_a + 0.5f);
            out[j * size + i] = alpha << 24 | color;
        }
}
