// Flight data: the smoothing bank and the two demo oscillators.
#pragma once
#include <cstdint>

constexpr int SMOOTH_CHANNELS = 37;
constexpr int LOAD_FACTOR_CHANNEL = 34;
constexpr float DEMO_STEP = 0.01f;
constexpr float LIVE_G_TARGET = 2.8f;

extern float smooth_divisor[SMOOTH_CHANNELS];
extern float smooth_target[SMOOTH_CHANNELS];
extern float smooth_state[SMOOTH_CHANNELS];
extern float smooth_output[SMOOTH_CHANNELS];

extern float demo_roll_deg;
extern int32_t demo_roll_dir;
extern float demo_sweep;
extern int32_t demo_sweep_dir;

// Never fed in this program; they keep their start values.
extern float live_pitch_deg;
extern float live_slip;

// One step of every smoothing channel; every 10 ms tick.
void flt_smooth_step();
// One step of the oscillators in DEMO 1 and DEMO 2; once per rendered frame.
void flt_demo_step();

// Process start values (all channels 0, oscillators at 0 moving up).
void flt_reset();
// The divisors and values that window creation sets.
void flt_start();
