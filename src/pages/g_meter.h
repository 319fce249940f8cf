// G METER page: the load factor as a 24-segment bar, a large signed number or a dial, with peaks.
#pragma once
#include <cstdint>

// Highest and lowest load factor seen, in g; shared with the AOA page. They follow page_peak_g.
extern float g_peak_high;
extern float g_peak_low;

// The dial's scale in degrees of arc per G (45, 22.5 or 11.25), chosen from the G limits at each draw.
extern float g_dial_deg_per_g;

// One dial numeral at a time, 18 x 18 ARGB, bottom-up; blitted opaque over the dial.
constexpr int DIAL_NUMERAL_TILE_SIZE = 18;
extern uint32_t dial_numeral_tile[DIAL_NUMERAL_TILE_SIZE * DIAL_NUMERAL_TILE_SIZE];

// Dial geometry: 1 G lies at 9 o'clock, higher loads turn clockwise toward 12 o'clock.
constexpr float G_DIAL_CENTER_X = 82.0f;
constexpr float G_DIAL_CENTER_Y = 72.0f;
constexpr float G_DIAL_RADIUS = 64.0f;

// The whole page: background, the view chosen by g_view, "CLR PK", soft keys and the demo label.
void page_g_meter_draw(uint32_t* frame);
// View 0: fraction of the applicable limit, 0 .. 1, as 24 widening segments; peaks below.
void page_g_meter_draw_bar_view(uint32_t* frame, float fraction);
// View 1: g as a signed number in tenths (limited to +/-9.0) in the largest font; peaks below.
void page_g_meter_draw_digital_view(uint32_t* frame, float g);
// View 2: the dial with its scale, needle, limit and peak marks; peaks beside it.
void page_g_meter_draw_dial_view(uint32_t* frame, float g);
// Update the two peaks from page_peak_g and print them under the bar or the number ...
void page_g_meter_draw_peaks(uint32_t* frame);
// ... or beside the dial.
void page_g_meter_draw_peaks_side(uint32_t* frame);
// Chooses g_dial_deg_per_g from the limits and draws the numerals, then the major and minor ticks.
void page_g_meter_draw_dial_scale(uint32_t* frame);
// The numeral value centred near (x, y) on an opaque square of the page background.
void page_g_meter_draw_dial_numeral(uint32_t* frame, float x, float y, int32_t value);

// Process start values.
void page_g_meter_reset();
