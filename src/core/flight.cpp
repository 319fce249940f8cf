#include "core/flight.h"

#include <algorithm>
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
float live_roll_deg = 0.0f;
FlightState flight_state{};

const FlightValueInfo FLT_VALUES[FLT_VALUE_COUNT] = {
    {"pitch", -180.0f, 180.0f},   {"roll", -180.0f, 180.0f}, {"slip", -20.0f, 20.0f},
    {"aoa", -30.0f, 60.0f},       {"g", -10.0f, 10.0f},      {"tas", 0.0f, 999.0f},
    {"dalt", -2000.0f, 60000.0f}, {"oat", -99.0f, 99.0f},    {"volts", 0.0f, 40.0f},
};

bool flt_state_set(FlightState* s, int32_t id, float v) {
    if (id < 0 || id >= FLT_VALUE_COUNT || !std::isfinite(v)) return false;
    s->value[id] = std::clamp(v, FLT_VALUES[id].lo, FLT_VALUES[id].hi);
    s->given |= 1u << id;
    return true;
}

void flt_state_unset(FlightState* s, int32_t id) {
    if (id < 0 || id >= FLT_VALUE_COUNT) return;
    s->value[id] = 0.0f;
    s->given &= ~(1u << id);
}

int32_t flt_key_id(std::string_view key) {
    for (int32_t i = 0; i < FLT_VALUE_COUNT; ++i)
        if (key == FLT_VALUES[i].key) return i;
    return -1;
}

bool flt_value(int32_t id, float* v) {
    if (device_settings.demo_mode != DEMO_NONE || !(flight_state.given >> id & 1u)) return false;
    *v = flight_state.value[id];
    return true;
}

float flt_value_or(int32_t id, float fallback) {
    float v;
    return flt_value(id, &v) ? v : fallback;
}

void flt_live_update() {
    live_pitch_deg = flt_value_or(FLT_PITCH, 0.0f);
    live_slip = flt_value_or(FLT_SLIP, 0.0f);
    live_roll_deg = flt_value_or(FLT_ROLL, 0.0f);
}

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
    live_roll_deg = 0.0f;
    flight_state = FlightState{};
}

void flt_start() {
    smooth_divisor[34] = 10.0f;
    smooth_divisor[35] = 500.0f;
    for (int i = 34; i <= 35; ++i) smooth_target[i] = smooth_state[i] = smooth_output[i] = 0.0f;
}
