// The shared angle-of-attack bar, its filter, and the slip indicator.
#pragma once
#include <cstdint>

// Ten times the filtered angle of attack.
extern float aoa_filter_state;
// The filtered angle of attack in degrees as last computed; the AOA page's peaks follow it.
extern float aoa_filtered;

// The angle of attack shown when no demo mode is selected.
constexpr float AOA_FALLBACK_DEG = 4.0f;
// The ball picture's side; it lives in the first 400 pixels of SCRATCH_IMAGE.
constexpr int BALL_IMAGE_SIZE = 20;

// One step of the ten-step first-order filter; returns the output, which lags the state by a step.
float page_aoa_filter_step(float x);
// The angle of attack a display shows this frame: in a demo mode the demo input and with NONE a given
// angle of attack, each through one filter step; with NONE and none given AOA_FALLBACK_DEG, unfiltered.
float page_aoa_current();
// (aoa - cruise) / (prestall - cruise) with the limits in degrees; 0 when they are equal. Not limited.
float page_aoa_normalized(float aoa);

// Colour of segment i (1 at the bottom, 10 at the top) of the ten-segment AoA bars: green, yellow, red.
uint32_t page_aoa_segment_color(int i);
// Ten segments from y - 4 upward, width w from column x, under the title "AoA". Steps the filter as
// page_aoa_current says.
void page_draw_aoa_bar(uint32_t* frame, int32_t x, int32_t y, int32_t width, bool title_shift);
// Black box, ball (6 pixels a unit of slip, limited to +/-7) and cage, y_offset rows lower.
void page_draw_slip_indicator(uint32_t* frame, float slip, int32_t y_offset);

// Process start values of the filter.
void page_aoa_bar_reset();
