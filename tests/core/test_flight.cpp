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
    void steps(int n) {
        for (int i = 0; i < n; ++i) flt_demo_step();
    }
};

} // namespace

TEST_F(Flight, LoadFactorChannelApproachesItsTarget) {
    smooth_target[LOAD_FACTOR_CHANNEL] = LIVE_G_TARGET;
    flt_smooth_step();
    EXPECT_EQ(smooth_output[LOAD_FACTOR_CHANNEL], 0.0f) << "the output lags the state by one step";
    flt_smooth_step();
    EXPECT_EQ(smooth_output[LOAD_FACTOR_CHANNEL], 0.28f);
    for (int n = 3; n <= 50; ++n) {
        flt_smooth_step();
        float expected = 2.8f * (1.0f - std::pow(0.9f, static_cast<float>(n - 1)));
        ASSERT_NEAR(smooth_output[LOAD_FACTOR_CHANNEL], expected, 2e-5f) << "after " << n << " ticks";
        if (n == 10) {
            EXPECT_NEAR(smooth_output[LOAD_FACTOR_CHANNEL], 1.715f, 1e-3f);
        }
    }
    EXPECT_NEAR(smooth_output[LOAD_FACTOR_CHANNEL], 2.784f, 1e-3f);
}

TEST_F(Flight, ChannelsAreIndependent) {
    smooth_target[35] = 1.0f;
    flt_smooth_step();
    flt_smooth_step();
    EXPECT_EQ(smooth_output[35], 1.0f / 500.0f);
    EXPECT_EQ(smooth_output[LOAD_FACTOR_CHANNEL], 0.0f) << "channel 34 has no target yet";
    // Channels without a divisor produce nothing meaningful but must not disturb the fed one.
    smooth_target[0] = 5.0f;
    smooth_target[LOAD_FACTOR_CHANNEL] = 1.0f;
    flt_smooth_step();
    flt_smooth_step();
    EXPECT_EQ(smooth_output[LOAD_FACTOR_CHANNEL], 0.1f);
}

TEST_F(Flight, RollTurnsAtStep500And1500) {
    steps(499);
    EXPECT_LE(demo_roll_deg, 5.0f);
    EXPECT_EQ(demo_roll_dir, 1);
    steps(1);
    EXPECT_GT(demo_roll_deg, 5.0f);
    EXPECT_LT(demo_roll_deg, 5.0001f);
    EXPECT_EQ(demo_roll_dir, -1);
    float top = demo_roll_deg;
    steps(1);
    EXPECT_LT(demo_roll_deg, top);
    steps(998);
    EXPECT_EQ(demo_roll_dir, -1);
    steps(1); // step 1500
    EXPECT_LT(demo_roll_deg, -5.0f);
    EXPECT_EQ(demo_roll_dir, 1);
}

TEST_F(Flight, SweepTurnsAtStep1200And2400) {
    steps(1199);
    EXPECT_LE(demo_sweep, 12.0f);
    steps(1);
    EXPECT_GT(demo_sweep, 12.0f);
    EXPECT_LT(demo_sweep, 12.001f);
    EXPECT_EQ(demo_sweep_dir, -1);
    float top = demo_sweep;
    steps(1);
    EXPECT_LT(demo_sweep, top);
    steps(1198);
    EXPECT_GE(demo_sweep, 0.0f);
    EXPECT_EQ(demo_sweep_dir, -1);
    steps(1); // step 2400
    EXPECT_LT(demo_sweep, 0.0f);
    EXPECT_GT(demo_sweep, -0.001f);
    EXPECT_EQ(demo_sweep_dir, 1);
    float bottom = demo_sweep;
    steps(1);
    EXPECT_GT(demo_sweep, bottom);
}

TEST_F(Flight, DemoModeNoneHoldsTheOscillatorsAndAnyDemoModeResumes) {
    steps(700); // roll on its way down, sweep still rising
    float roll = demo_roll_deg, sweep = demo_sweep;
    device_settings.demo_mode = DEMO_NONE;
    steps(300);
    EXPECT_EQ(demo_roll_deg, roll);
    EXPECT_EQ(demo_sweep, sweep);
    device_settings.demo_mode = 3;
    steps(10);
    EXPECT_EQ(demo_sweep, sweep) << "only DEMO 1 and DEMO 2 move them";
    device_settings.demo_mode = DEMO_2;
    steps(1);
    EXPECT_FLOAT_EQ(demo_roll_deg, roll - 0.01f);
    EXPECT_FLOAT_EQ(demo_sweep, sweep + 0.01f);
    EXPECT_EQ(demo_roll_dir, -1);
    EXPECT_EQ(demo_sweep_dir, 1);
}
