#include <gtest/gtest.h>

#include <cmath>

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
