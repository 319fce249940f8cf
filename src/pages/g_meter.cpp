#include "pages/g_meter.h"

#include <algorithm>
#include <cmath>

#include "core/buttons.h"
#include "core/flight.h"
#include "core/page.h"
#include "gfx/colors.h"
#include "gfx/fmt.h"
#include "gfx/font.h"
#include "gfx/gfx.h"
#include "pages/aoa.h"
#include "setup/settings.h"

float g_peak_high = 2.5f;
float g_peak_low = 0.5f;
float g_dial_deg_per_g = 11.25f;
uint32_t dial_numeral_tile[DIAL_NUMERAL_TILE_SIZE * DIAL_NUMERAL_TILE_SIZE];

namespace {

constexpr float DEG_TO_RAD = 0.017453292f;
constexpr uint32_t UNLIT_GREY = 0xFF202020;

// The load factor the page shows: the demo input, or the smoothed live channel with NONE.
float shown_g() {
    if (device_settings.demo_mode != DEMO_NONE) return demo_sweep / 15.0f + 1.0f;
    return smooth_output[LOAD_FACTOR_CHANNEL];
}

float limit_g(int32_t tenths) {
    return static_cast<float>(tenths) / 10.0f;
}

void update_peak_low() {
    float gd = page_peak_g();
    if (g_peak_low > gd) g_peak_low = gd;
}

void update_peak_high() {
    float gd = page_peak_g();
    if (gd > g_peak_high) g_peak_high = gd;
}

uint32_t bar_segment_color(int n) {
    if (n < 20) return COLOR_BRIGHT_GREEN;
    if (n <= 21) return COLOR_YELLOW;
    return COLOR_RED;
}

// The point at radius r in direction a (degrees from 12 o'clock, counter-clockwise).
void dial_point(float r, float a_deg, float* x, float* y) {
    float a = a_deg * DEG_TO_RAD;
    *x = G_DIAL_CENTER_X - r * std::sin(a);
    *y = G_DIAL_CENTER_Y - r * std::cos(a);
}

void dial_tick(uint32_t* frame, float a_deg, float inner) {
    float x0, y0, x1, y1;
    dial_point(G_DIAL_RADIUS, a_deg, &x0, &y0);
    dial_point(inner, a_deg, &x1, &y1);
    gfx_draw_line(frame, FRAME_WIDTH, FRAME_HEIGHT, x0, y0, x1, y1, COLOR_SECONDARY);
}

// A radial mark from radius r0 in to r1 where the needle points at load g.
void dial_mark(uint32_t* frame, float g, float r0, float r1, uint32_t color) {
    float psi = ((g - 1.0f) * g_dial_deg_per_g - 90.0f) * DEG_TO_RAD;
    float s = std::sin(psi), c = std::cos(psi);
    gfx_draw_line(frame, FRAME_WIDTH, FRAME_HEIGHT, G_DIAL_CENTER_X + r0 * s, G_DIAL_CENTER_Y - r0 * c,
                  G_DIAL_CENTER_X + r1 * s, G_DIAL_CENTER_Y - r1 * c, color);
}

} // namespace

void page_g_meter_draw(uint32_t* frame) {
    gfx_fill_rect(frame, 0, 0, FRAME_WIDTH, FRAME_HEIGHT, setup_background_color());
    smooth_target[LOAD_FACTOR_CHANNEL] = flt_value_or(FLT_LOAD, LIVE_G_TARGET);
    float g = shown_g();
    if (g_view == 0) {
        float p = limit_g(device_settings.g_limit_positive), n = limit_g(device_settings.g_limit_negative);
        float fraction = 0.0f;
        // Limits of half a G or less in size would divide by almost nothing: the bar stays dark.
        if (p > 0.5f && n < -0.5f) {
            if (g > 0.0f)
                fraction = g / p;
            else if (g < 0.0f)
                fraction = g / n; // a negative load fills the bar the same way
        }
        page_g_meter_draw_bar_view(frame, std::max(-1.0f, std::min(1.0f, fraction)));
    } else if (g_view == 1) {
        page_g_meter_draw_digital_view(frame, g);
    } else if (g_view == 2) {
        page_g_meter_draw_dial_view(frame, g);
    }
    font_draw_text_centered(frame, 0, 64, 150, COLOR_SECONDARY, "CLR PK");
    page_draw_softkeys(frame);
    page_draw_demo_label(frame);
}

void page_g_meter_draw_bar_view(uint32_t* frame, float fraction) {
    font_draw_text_centered(frame, 0, 64, 8, COLOR_LABEL, "G Load");
    gfx_fill_rect(frame, 40, 126, 88, 132, COLOR_CYAN);
    const float f = fraction * 25.0f;
    for (int k = 0; k <= 23; ++k) {
        const int n = k + 2, y = 120 - 4 * k, x0 = 46 - 2 * k, x1 = 82 + 2 * k;
        const float nf = static_cast<float>(n);
        if (nf > f) {
            if (n % 3 == 0) gfx_fill_rect(frame, x0, y, x1, y + 1, UNLIT_GREY);
        } else if (f > nf) {
            gfx_fill_rect(frame, x0, y, x1, y + 3, bar_segment_color(n));
        }
        // A segment exactly at the fraction is neither lit nor drawn as a line.
    }
    page_g_meter_draw_peaks(frame);
}

void page_g_meter_draw_peaks(uint32_t* frame) {
    char text[FMT_TENTHS_SIZE];
    font_draw_text_centered(frame, 0, 18, 105, COLOR_LABEL, "L");
    font_draw_text_centered(frame, 0, 113, 105, COLOR_LABEL, "H");
    update_peak_low();
    font_draw_text_centered(frame, 1, 20, 125, COLOR_WHITE, fmt_tenths_rounded(g_peak_low, text));
    update_peak_high();
    font_draw_text_centered(frame, 1, 108, 125, COLOR_WHITE, fmt_tenths_rounded(g_peak_high, text));
}

void page_g_meter_draw_digital_view(uint32_t* frame, float g) {
    font_draw_text_centered(frame, 0, 64, 8, COLOR_LABEL, "G Load");
    // Whole tenths, halves away from zero; a tenth count of -0.0 shows as "+0.0".
    float t = std::roundf(std::max(-9.0f, std::min(9.0f, g)) * 10.0f);
    char text[8];
    char* cursor = text;
    *cursor++ = t < 0.0f ? '-' : '+';
    int32_t n = static_cast<int32_t>(std::fabs(t));
    fmt_append_int(n / 10, &cursor);
    *cursor++ = '.';
    *cursor++ = static_cast<char>('0' + n % 10);
    *cursor = '\0';
    font_draw_text_centered(frame, 5, 59, 60, COLOR_WHITE, text);
    // The peaks draw L and H again over these: this view's letters come out a shade brighter.
    font_draw_text_centered(frame, 0, 18, 105, COLOR_LABEL, "L");
    font_draw_text_centered(frame, 0, 113, 105, COLOR_LABEL, "H");
    page_g_meter_draw_peaks(frame);
}

void page_g_meter_draw_dial_view(uint32_t* frame, float g) {
    page_g_meter_draw_dial_scale(frame);
    const float k = g_dial_deg_per_g;

    // The needle is not limited: past the scale it keeps turning.
    float phi = ((g - 1.0f) * k + 180.0f) * DEG_TO_RAD;
    gfx_draw_line(frame, FRAME_WIDTH, FRAME_HEIGHT, G_DIAL_CENTER_X, G_DIAL_CENTER_Y,
                  G_DIAL_CENTER_X + 55.0f * std::cos(phi), G_DIAL_CENTER_Y + 55.0f * std::sin(phi),
                  COLOR_BRIGHT_GREEN);

    dial_mark(frame, limit_g(device_settings.g_limit_positive), 68.0f, 57.0f, COLOR_RED);
    dial_mark(frame, limit_g(device_settings.g_limit_negative), 68.0f, 57.0f, COLOR_RED);

    update_peak_high();
    dial_mark(frame, g_peak_high, 67.0f, 58.0f, COLOR_CYAN);
    update_peak_low();
    dial_mark(frame, g_peak_low, 67.0f, 58.0f, COLOR_CYAN);

    font_draw_text_centered(frame, 0, 26, 8, COLOR_LABEL, "G Load");
    page_g_meter_draw_peaks_side(frame);
}

void page_g_meter_draw_peaks_side(uint32_t* frame) {
    char text[FMT_TENTHS_SIZE];
    font_draw_text_centered(frame, 0, 111, 95, COLOR_LABEL, "L");
    font_draw_text_centered(frame, 0, 111, 30, COLOR_LABEL, "H");
    update_peak_low();
    font_draw_text_centered(frame, 1, 115, 113, COLOR_WHITE, fmt_tenths_rounded(g_peak_low, text));
    update_peak_high();
    font_draw_text_centered(frame, 1, 115, 48, COLOR_WHITE, fmt_tenths_rounded(g_peak_high, text));
}

void page_g_meter_draw_dial_scale(uint32_t* frame) {
    const int32_t p = device_settings.g_limit_positive, n = device_settings.g_limit_negative;
    const int32_t big = std::abs(p) >= std::abs(n) ? std::abs(p) : std::abs(n);
    const int32_t low = std::abs(std::min(p, n));
    float k;
    int32_t first, step;
    if (big >= 60 || low > 30) {
        k = 11.25f, first = 9, step = -2;
    } else if (big > 30 || low > 10) {
        k = 22.5f, first = 5, step = -1;
    } else {
        k = 45.0f, first = 3, step = -1;
    }
    g_dial_deg_per_g = k;

    // The arc step is whole degrees: 23 rather than 22.5 on the two finer scales, so those numerals
    // drift from their ticks toward the bottom.
    const int32_t arc_step = std::abs(static_cast<int32_t>(std::lroundf(static_cast<float>(step) * k)));
    int32_t v = first;
    for (int32_t a = 0; a < 185; a += arc_step, v += step) {
        float x, y;
        dial_point(50.0f, static_cast<float>(a), &x, &y);
        page_g_meter_draw_dial_numeral(frame, x, y, v);
    }
    for (int i = 0; i <= 8; ++i) dial_tick(frame, 22.5f * static_cast<float>(i), 59.0f);
    for (float a = 12.25f; a < 182.0f; a += 22.5f) dial_tick(frame, a, 61.0f);
}

void page_g_meter_draw_dial_numeral(uint32_t* frame, float x, float y, int32_t value) {
    char text[16];
    char* cursor = text;
    fmt_append_int(value, &cursor);
    *cursor = '\0';
    constexpr int S = DIAL_NUMERAL_TILE_SIZE;
    std::fill(dial_numeral_tile, dial_numeral_tile + S * S, setup_background_color());
    int32_t w = font_text_width(0, text);
    int32_t pen_x = static_cast<int32_t>(std::lroundf(9.0f - static_cast<float>(w) * 0.5f)) + 2;
    font_draw_text_left(dial_numeral_tile, S, S, 0, pen_x, 9 - 14 / 2, COLOR_SECONDARY, text);
    gfx_blit_image(frame, dial_numeral_tile, S, S, static_cast<int>(x - 9.0f), static_cast<int>(y - 9.0f));
}

void page_g_meter_reset() {
    g_peak_high = 2.5f;
    g_peak_low = 0.5f;
    g_dial_deg_per_g = 11.25f;
}
