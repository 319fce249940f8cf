// AOA page: angle of attack against the PRE-STALL and CRUISE limits, as a pair of tapes or a wide bar.
#pragma once
#include <cstdint>

// Highest and lowest angle of attack seen, in degrees; they follow aoa_filtered and CLR PK clears them.
extern float aoa_peak_high;
extern float aoa_peak_low;

// The demo load factor the load peaks follow: demo_sweep / 15 + 1 by way of a degree-radian round trip
// in single precision (1.0 to about 1.8 G).
float page_demo_g();
// What the load peaks follow: the shown load factor while one is given (DEMO MODE NONE), else
// page_demo_g.
float page_peak_g();

// The whole page: background, the view chosen by aoa_view, "CLR PK", soft keys and the demo label.
void page_aoa_draw(uint32_t* frame);
// View 0: load factor g (in G) and angle of attack aoa (degrees) on two tapes sharing one axis, with
// pointers, peaks and the two limit marks.
void page_aoa_draw_tape_view(uint32_t* frame, float g, float aoa);
// View 1: the normalised angle of attack v (0 .. 1) as ten widening segments, the peaks in figures.
void page_aoa_draw_bar_view(uint32_t* frame, float v);

// Process start values.
void page_aoa_reset();
