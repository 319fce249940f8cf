#include "pages/aoa.h"

#include <algorithm>
#include <cmath>

#include "core/buttons.h"
#include "core/flight.h"
#include "core/page.h"
#include "gfx/colors.h"
#include "gfx/fmt.h"
#include "gfx/font.h"
#include "gfx/gfx.h"
#include "pages/aoa_bar.h"
#include "pages/g_meter.h"
#include "setup/settings.h"

float aoa_peak_high = 15.0f;
float aoa_peak_low = 2.0f;

namespace {

// The tapes' shared axis: row 97 is 1 G and 0 degrees; 37 rows a G and 2.5 rows a degree upward;
// every pointer and mark stays within rows 24 .. 134.
constexpr int ZERO_ROW = 97;
constexpr float ROWS_PER_G = 37.0f;
constexpr float ROWS_PER_DEG = 2.5f;
constexpr int TOP_ROW = 24;
constexpr int BOTTOM_ROW = 134;

constexpr uint32_t TAPE_GREY = 0xFF595959;
constexpr uint32_t UNLIT_GREY = 0xFF202020;

// Columns x0..x1 (inclusive) of one row; rows off the frame are skipped by the fill.
void span(uint32_t* frame, int row, int x0, int x1, uint32_t color) {
    gfx_fill_rect(frame, x0, row, x1 + 1, row + 1, color);
}

int clamp_row(int row) {
    return std::max(TOP_ROW, std::min(BOTTOM_ROW, row));
}

// Three rows around y (each truncated), columns x0..x1.
void peak_mark(uint32_t* frame, float y, int x0, int x1) {
    for (float dy = -1.0f; dy <= 1.0f; dy += 1.0f) span(frame, static_cast<int>(y + dy), x0, x1, COLOR_CYAN);
}

float angle_row(float degrees) {
    return std::max(static_cast<float>(TOP_ROW),
                    std::min(static_cast<float>(BOTTOM_ROW), ZERO_ROW - degrees * ROWS_PER_DEG));
}

// Load peaks are rounded to a row before they are limited; angle peaks are not.
float load_row(float g) {
    return std::max(static_cast<float>(TOP_ROW), std::min(static_cast<float>(BOTTOM_ROW),
                                                          std::roundf(ZERO_ROW - (g - 1.0f) * ROWS_PER_G)));
}

void limit_mark(uint32_t* frame, int32_t tenths, uint32_t color) {
    float y = angle_row(static_cast<float>(tenths) / 10.0f);
    for (float dy = -2.0f; dy <= 2.0f; dy += 1.0f) span(frame, static_cast<int>(y + dy), 62, 71, color);
}

} // namespace

float page_demo_g() {
    // Evaluated left to right: the round trip through radians is part of the value.
    return demo_sweep * 6.2831855f / 360.0f * 360.0f / 6.2831855f / 15.0f + 1.0f;
}

float page_peak_g() {
    // A given load factor is a real one, so the peaks record what is shown rather than a demo value
    // that stands still.
    float given;
    return flt_value(FLT_LOAD, &given) ? smooth_output[LOAD_FACTOR_CHANNEL] : page_demo_g();
}

void page_aoa_draw(uint32_t* frame) {
    gfx_fill_rect(frame, 0, 0, FRAME_WIDTH, FRAME_HEIGHT, setup_background_color());
    smooth_target[LOAD_FACTOR_CHANNEL] = flt_value_or(FLT_LOAD, LIVE_G_TARGET);
    const bool demo = device_settings.demo_mode != DEMO_NONE;
    if (aoa_view == 0) {
        float aoa = page_aoa_current();
        float g = demo ? demo_sweep / 15.0f + 1.0f : smooth_output[LOAD_FACTOR_CHANNEL];
        page_aoa_draw_tape_view(frame, g, aoa);
    } else {
        float v = page_aoa_normalized(page_aoa_current());
        page_aoa_draw_bar_view(frame, std::max(0.0f, std::min(1.0f, v)));
    }
    font_draw_text_centered(frame, 0, 64, 150, COLOR_SECONDARY, "CLR PK");
    page_draw_softkeys(frame);
    page_draw_demo_label(frame);
}

void page_aoa_draw_tape_view(uint32_t* frame, float g, float aoa) {
    font_draw_text_left(frame, FRAME_WIDTH, FRAME_HEIGHT, 0, 5, 2, COLOR_SECONDARY, "G Load");
    font_draw_text_right(frame, 19, "+3");
    font_draw_text_right(frame, 55, "+2");
    font_draw_text_right(frame, 90, "+1");
    font_draw_text_right(frame, 127, "+0");
    font_draw_text_centered(frame, 0, 105, 9, COLOR_LABEL, "AoA");
    font_draw_text_left(frame, FRAME_WIDTH, FRAME_HEIGHT, 0, 85, 18, COLOR_LABEL, "+30");
    font_draw_text_left(frame, FRAME_WIDTH, FRAME_HEIGHT, 0, 85, 53, COLOR_LABEL, "+15");
    font_draw_text_left(frame, FRAME_WIDTH, FRAME_HEIGHT, 0, 87, 90, COLOR_LABEL, "+0");
    font_draw_text_left(frame, FRAME_WIDTH, FRAME_HEIGHT, 0, 87, 127, COLOR_LABEL, "-15");

    gfx_fill_rect(frame, 61, TOP_ROW, 65, BOTTOM_ROW, TAPE_GREY);
    for (int row : {24, 60, 97, 134}) span(frame, row, 53, 72, COLOR_WHITE);
    for (int row : {42, 78, 115}) span(frame, row, 56, 69, COLOR_WHITE);

    // Angle pointer: a chevron four pixels thick, its tip at column 74 pointing left at the tape. The
    // input is limited before it becomes a row, so far below the scale the tip stops at row 122.
    float limited = std::max(-10.01f, std::min(30.01f, aoa));
    int ya = clamp_row(ZERO_ROW - static_cast<int>(limited * ROWS_PER_DEG));
    for (int i = 0; i <= 5; ++i) {
        span(frame, ya - i, 74 + i, 77 + i, COLOR_LABEL);
        span(frame, ya + i, 74 + i, 77 + i, COLOR_LABEL);
    }

    // Angle peaks follow the filter, not the pointer: with NONE they stay where the demo left them.
    if (aoa_filtered > aoa_peak_high) aoa_peak_high = aoa_filtered;
    peak_mark(frame, angle_row(aoa_peak_high), 74, 83);
    if (aoa_peak_low > aoa_filtered) aoa_peak_low = aoa_filtered;
    peak_mark(frame, angle_row(aoa_peak_low), 74, 83);

    // Cruise goes second so that it covers the pre-stall mark where they meet.
    limit_mark(frame, device_settings.aoa_prestall_limit, COLOR_RED);
    limit_mark(frame, device_settings.aoa_cruise_limit, COLOR_BRIGHT_GREEN);

    // Load pointer: the mirror chevron, its tip at column 54 pointing right at the tape.
    int yg = clamp_row(ZERO_ROW - static_cast<int>((g - 1.0f) * ROWS_PER_G));
    for (int i = 0; i <= 5; ++i) {
        span(frame, yg - i, 51 - i, 54 - i, COLOR_WHITE);
        span(frame, yg + i, 51 - i, 54 - i, COLOR_WHITE);
    }

    float gd = page_peak_g();
    if (gd > g_peak_high) g_peak_high = gd;
    peak_mark(frame, load_row(g_peak_high), 45, 54);
    if (g_peak_low > gd) g_peak_low = gd;
    peak_mark(frame, load_row(g_peak_low), 45, 54);
}

void page_aoa_draw_bar_view(uint32_t* frame, float v) {
    font_draw_text_centered(frame, 0, 64, 8, COLOR_LABEL, "AoA");
    gfx_fill_rect(frame, 40, 126, 88, 132, COLOR_CYAN);
    int lit = static_cast<int>(std::max(0.0f, v) * 10.0f);
    for (int i = 1; i <= 10; ++i) {
        int y = 115 - 9 * (i - 1), x0 = 42 - 4 * (i - 1), x1 = 86 + 4 * (i - 1);
        if (i <= lit)
            gfx_fill_rect(frame, x0, y - 2, x1, y + 6, page_aoa_segment_color(i));
        else
            gfx_fill_rect(frame, x0, y, x1, y + 1, UNLIT_GREY);
    }
    font_draw_text_centered(frame, 0, 18, 105, COLOR_LABEL, "L");
    font_draw_text_centered(frame, 0, 113, 105, COLOR_LABEL, "H");

    char text[FMT_TENTHS_SIZE];
    if (aoa_peak_low > aoa_filtered) aoa_peak_low = aoa_filtered;
    font_draw_text_centered(frame, 1, 20, 125, COLOR_WHITE, fmt_tenths_truncated(aoa_peak_low, text));
    if (aoa_filtered > aoa_peak_high) aoa_peak_high = aoa_filtered;
    font_draw_text_centered(frame, 1, 108, 125, COLOR_WHITE, fmt_tenths_truncated(aoa_peak_high, text));
}

void page_aoa_reset() {
    aoa_peak_high = 15.0f;
    aoa_peak_low = 2.0f;
}
