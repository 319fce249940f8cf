#include "core/flight.h"

#include <cmath>

#include "setup/settings.h"

float smooth_divisor[SMOOTH_CHANNELS];
float smooth_target[SMOOTH_CHANNELS];
float smooth_state[SMOOTH_CHANNELS];
float smooth_output[SMOOTH_CHANNELS];

float demo_roll_deg = 0.0f;
int32_t demo_roll_dir = 1;
float demo_sweep = 0.0f;
int32_t demo_sweep_dir = 1;
float live_pitch_deg = 0.0f;
float live_slip = 0.0f;

void flt_smooth_step() {
    for (int i = 0; i < SMOOTH_CHANNELS; ++i) {
        float out = smooth_state[i] / smooth_divisor[i];
        smooth_output[i] = out;
        smooth_state[i] = smooth_state[i] + smooth_target[i] - out;
    }
}

void flt_demo_step() {
    if (device_settings.demo_mode != DEMO_1 && device_settings.demo_mode != DEMO_2) return;
    demo_roll_deg += static_cast<float>(demo_roll_dir) * DEMO_STEP;
    if (std::fabs(demo_roll_deg) > 5.0f) demo_roll_dir = -demo_roll_dir;
    demo_sweep += static_cast<float>(demo_sweep_dir) * DEMO_STEP;
    if (demo_sweep > 12.0f) demo_sweep_dir = -demo_sweep_dir;
    if (demo_sweep < 0.0f) demo_sweep_dir = -demo_sweep_dir;
}

void flt_reset() {
    for (int i = 0; i < SMOOTH_CHANNELS; ++i) {
        smooth_divisor[i] = smooth_target[i] = smooth_state[i] = smooth_output[i] = 0.0f;
    }
    demo_roll_deg = 0.0f;
    demo_roll_dir = 1;
    demo_sweep = 0.0f;
    demo_sweep_dir = 1;
    live_pitch_deg = 0.0f;
    live_slip = 0.0f;
}

void flt_start() {
    smooth_divisor[34] = 10.0f;
    smooth_divisor[35] = 500.0f;
    for (int i = 34; i <= 35; ++i) smooth_target[i] = smooth_state[i] = smooth_output[i] = 0.0f;
}
