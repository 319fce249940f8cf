// Flight data: the smoothing bank, the two demo oscillators, and the flight values given from outside
// (a script's flight command, a live link to a flight simulator).
#pragma once
#include <cstdint>
#include <string_view>

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

// The live sensor values: the given pitch, slip and roll while DEMO MODE is NONE, else 0 (set at the
// start of every frame by flt_live_update).
extern float live_pitch_deg;
extern float live_slip;
extern float live_roll_deg;

// The flight values that can be given. Each is either not given (the pages show their demo or stand-in
// value) or given, and acts only while DEMO MODE is NONE.
enum FlightValueId : int32_t {
    FLT_PITCH, // degrees, nose up positive
    FLT_ROLL,  // degrees, right bank positive
    FLT_SLIP,  // slip-ball deflection, the unit of live_slip
    FLT_AOA,   // angle of attack, degrees
    FLT_LOAD,  // load factor, g
    FLT_TAS,   // true airspeed, knots
    FLT_DALT,  // density altitude, feet
    FLT_OAT,   // outside air temperature, degrees C
    FLT_VOLTS, // bus voltage, volts
    FLT_VALUE_COUNT
};
constexpr uint32_t FLT_ALL_GIVEN = (1u << FLT_VALUE_COUNT) - 1;

struct FlightValueInfo {
    const char* key; // as scripts and datagrams name it
    float lo, hi;    // a given value is clamped to lo..hi
};
extern const FlightValueInfo FLT_VALUES[FLT_VALUE_COUNT];

struct FlightState {
    uint32_t given;               // bit i: value[i] is given
    float value[FLT_VALUE_COUNT]; // 0 when not given
};
extern FlightState flight_state;

// Gives value id (clamped to its range); NaN and infinities are refused: false, and nothing changes.
bool flt_state_set(FlightState* s, int32_t id, float v);
// Value id back to not given.
void flt_state_unset(FlightState* s, int32_t id);
// The index of a key ("pitch", "g", ...), or -1.
int32_t flt_key_id(std::string_view key);

// The value a page uses: true and *v while value id is given and DEMO MODE is NONE.
bool flt_value(int32_t id, float* v);
// That value, else the fallback.
float flt_value_or(int32_t id, float fallback);
// Feeds live_pitch_deg, live_slip and live_roll_deg from the given values; page_draw_frame calls it first.
void flt_live_update();

// One step of every smoothing channel; every 10 ms tick.
void flt_smooth_step();
// One step of the oscillators in DEMO 1 and DEMO 2; once per rendered frame.
void flt_demo_step();

// Process start values (all channels 0, oscillators at 0 moving up, no flight value given).
void flt_reset();
// The divisors and values that window creation sets.
void flt_start();
