// ATTITUDE page: artificial horizon with pitch ladder, aircraft symbol and the AoA / slip inset.
#pragma once
#include <cstdint>

// The horizon picture is 12 columns wider than the frame; columns 6..133 show.
constexpr int ATTITUDE_IMAGE_SIZE = 140;
constexpr int ATTITUDE_FIRST_SHOWN_COLUMN = 6;

constexpr uint32_t SKY_COLOR = 0xFF0003C1;
constexpr uint32_t GROUND_COLOR = 0xFF882A00;

// Picture heights the horizon moves per radian of pitch, and the ladder's pixels per 10 degrees.
constexpr float PITCH_GAIN = 1.4f;
constexpr float LADDER_PIXELS_PER_10_DEG = 34.208454f;
// Smallest distance of the roll from 0 and from half a turn: keeps the slope finite and non-zero.
constexpr float ROLL_GUARD = 0.001f;

// Bottom-up like every pixel array: pixel (x, y) at (139 - y) * 140 + x. Rebuilt every frame.
extern uint32_t attitude_image[ATTITUDE_IMAGE_SIZE * ATTITUDE_IMAGE_SIZE];

// The whole page.
void page_attitude_draw(uint32_t* frame);
// Sky, ground, horizon line and pitch ladder into attitude_image; pitch and roll in radians.
void page_attitude_draw_horizon(float pitch, float roll);
// Each row left of the boundary (x_top on the top row, x_bottom at the bottom edge) is ground, the
// rest sky; flipped swaps the two.
void page_attitude_fill_sky_ground(int32_t x_top, int32_t x_bottom, bool flipped);
// One pass of rungs, half_length pixels either side of their centres, spacing ladder steps apart and
// starting offset steps from the horizon centre (cx, cy).
void page_attitude_draw_ladder(float cx, float cy, float roll, int32_t half_length, float offset,
                               float spacing, bool with_numbers);
// The number |value| beyond both ends of the rung whose midpoint is (mx, my), upright along the rung.
void page_attitude_draw_ladder_label(float mx, float my, float dx, float dy, float roll, float value);
