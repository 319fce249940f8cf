#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <tuple>

#include "core/flight.h"
#include "host/host.h"
#include "setup/settings.h"

namespace {

class Flight : public ::testing::Test {
  protected:
    void SetUp() override {
        host_reset_all();
        setup_settings_reset();
        flt_start();
    }
};

} // namespace

TEST_F(Flight, SmoothingChannelsApproachTheirTargetsIndependently) {
    float* const g = &smooth_output[LOAD_FACTOR_CHANNEL];
    smooth_target[LOAD_FACTOR_CHANNEL] = LIVE_G_TARGET;
    // Channel 0 has no divisor and gives nothing meaningful, but must not disturb its neighbours.
    smooth_target[0] = 5.0f;
    smooth_target[35] = 1.0f;
    flt_smooth_step();
    EXPECT_EQ(*g, 0.0f) << "the output lags the state by one step";
    flt_smooth_step();
    EXPECT_EQ(*g, 0.28f);
    EXPECT_EQ(smooth_output[35], 1.0f / 500.0f);
    for (int n = 3; n <= 50; ++n) {
        flt_smooth_step();
        ASSERT_NEAR(*g, 2.8f * (1.0f - std::pow(0.9f, static_cast<float>(n - 1))), 2e-5f) << n << " ticks";
        if (n == 10) {
            EXPECT_NEAR(*g, 1.715f, 1e-3f);
        }
    }
    EXPECT_NEAR(*g, 2.784f, 1e-3f);
}

TEST_F(Flight, OscillatorsTurnOneStepPastTheirBounds) {
    // roll[n] and sweep[n] after n steps.
    static float roll[2402], sweep[2402];
    for (int n = 1; n <= 2401; ++n) {
        flt_demo_step();
        roll[n] = demo_roll_deg;
        sweep[n] = demo_sweep;
    }
    // Each turns on the step that first passes its bound, so that value lies beyond it: roll at 5 and -5,
    // sweep at 12 and 0.
    const struct {
        const float* v;
        int n;
        float bound;
    } turns[] = {{roll, 500, 5.0f}, {roll, 1500, -5.0f}, {sweep, 1200, 12.0f}, {sweep, 2400, 0.0f}};
    for (const auto& t : turns) {
        const float side = t.v[t.n] > t.v[t.n - 1] ? 1.0f : -1.0f; // the way it was going
        EXPECT_LE(side * t.v[t.n - 1], side * t.bound) << t.n;
        EXPECT_GT(side * t.v[t.n], side * t.bound) << t.n;
        EXPECT_LT(side * t.v[t.n + 1], side * t.v[t.n]) << t.n;
    }
}

TEST_F(Flight, DemoModeNoneHoldsTheOscillatorsAndAnyDemoModeResumes) {
    for (int i = 0; i < 700; ++i) flt_demo_step(); // roll on its way down, sweep still rising
    const float roll = demo_roll_deg, sweep = demo_sweep;
    for (uint32_t mode : {uint32_t{DEMO_NONE}, 3u}) {
        device_settings.demo_mode = mode;
        for (int i = 0; i < 10; ++i) flt_demo_step();
        EXPECT_EQ(demo_roll_deg, roll) << "mode " << mode;
        EXPECT_EQ(demo_sweep, sweep) << "mode " << mode;
    }
    device_settings.demo_mode = DEMO_2;
    flt_demo_step();
    EXPECT_FLOAT_EQ(demo_roll_deg, roll - 0.01f);
    EXPECT_FLOAT_EQ(demo_sweep, sweep + 0.01f);
}

// Given values: NaN and infinities refused, each taken back alone; they act, and feed the live values,
// only with DEMO MODE NONE. (The text format's tests show the clamping.)
TEST_F(Flight, GivenValuesActOnlyWithoutDemo) {
    FlightState& s = flight_state;
    EXPECT_TRUE(flt_state_set(&s, flt_key_id("pitch"), 7.5f) &&
                flt_state_set(&s, flt_key_id("slip"), -2.0f) &&
                flt_state_set(&s, flt_key_id("roll"), 30.0f) && flt_state_set(&s, flt_key_id("g"), 3.0f));
    const FlightState before = s;
    for (float bad : {std::nanf(""), INFINITY, -INFINITY}) EXPECT_FALSE(flt_state_set(&s, FLT_OAT, bad));
    EXPECT_EQ(std::tuple(std::memcmp(&s, &before, sizeof s), flt_key_id("G"), flt_key_id("pitc")),
              std::tuple(0, -1, -1));
    flt_state_unset(&s, FLT_LOAD);
    EXPECT_EQ(std::tuple(s.given, s.value[FLT_LOAD]), std::tuple(before.given & ~(1u << FLT_LOAD), 0.0f));
    for (uint32_t mode : {uint32_t{DEMO_1}, uint32_t{DEMO_2}, uint32_t{DEMO_NONE}}) {
        device_settings.demo_mode = mode;
        flt_live_update();
        const bool acts = mode == DEMO_NONE;
        EXPECT_EQ(std::tuple(flt_value_or(FLT_PITCH, 0.0f), flt_value_or(FLT_TAS, 152.0f)),
                  std::tuple(acts ? 7.5f : 0.0f, 152.0f));
        EXPECT_EQ(std::tuple(live_pitch_deg, live_slip, live_roll_deg),
                  acts ? std::tuple(7.5f, -2.0f, 30.0f) : std::tuple(0.0f, 0.0f, 0.0f))
            << "mode " << mode;
    }
}
