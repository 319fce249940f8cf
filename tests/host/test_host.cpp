#include <gtest/gtest.h>

#include "core/buttons.h"
#include "core/flight.h"
#include "core/page.h"
#include "host/host.h"
#include "host/local_time.h"
#include "host/scheduler.h"
#include "pages/clock.h"
#include "setup/settings.h"

namespace {

class Host : public ::testing::Test {
  protected:
    void SetUp() override { host_reset_all(); }
};

} // namespace

TEST_F(Host, SettingsStartValues) {
    setup_settings_reset();
    const DeviceSettings& s = device_settings;
    EXPECT_EQ(s.page_enable_mask, 0x1FBu);
    EXPECT_EQ(s.audio_alert_mask, 7u);
    EXPECT_EQ(s.visual_alert_mask, 0u);
    EXPECT_EQ(s.audio_volume, 5u);
    EXPECT_EQ(s.option_flags, 0xFFFEu);
    EXPECT_EQ(s.aoa_prestall_limit, 150);
    EXPECT_EQ(s.aoa_cruise_limit, 50);
    EXPECT_EQ(s.g_limit_positive, 20);
    EXPECT_EQ(s.g_limit_negative, -10);
    EXPECT_EQ(s.demo_mode, 1u);
    EXPECT_EQ(s.speed_assist_flags, 1u);
    EXPECT_EQ(s.pitch_trim | s.roll_trim | s.slip_trim | s.oat_trim | s.alt_trim_low | s.unit_id, 0);
    EXPECT_EQ(setup_background_color(), 0x00000000u);
    device_settings.option_flags |= OPTION_BLUE_BG;
    EXPECT_EQ(setup_background_color(), 0xFF000090u);
}

TEST_F(Host, FirstFrameIsDrawnBeforeTheSettingsStartValues) {
    // Remember what demo_mode was while the first frame was drawn.
    host_start();
    EXPECT_EQ(host_frames_rendered, 1u);
    EXPECT_EQ(paint_countdown, PAINTS_PER_FRAME);
    EXPECT_EQ(device_settings.demo_mode, 1u);
    EXPECT_EQ(attitude_inset_shown, 1);
    // The demo oscillators did not step on that frame: demo_mode was still 0.
    EXPECT_EQ(demo_sweep, 0.0f);
    // Window creation set the smoothing divisors.
    EXPECT_EQ(smooth_divisor[LOAD_FACTOR_CHANNEL], 10.0f);
    EXPECT_EQ(smooth_divisor[35], 500.0f);
}

TEST_F(Host, DecoderTakesTheLinesAsTheyStandAtCreation) {
    left_button_down = 1;
    button_decoder.release_suppressed = 1;
    host_start();
    EXPECT_EQ(button_decoder.left_prev, 1);
    EXPECT_EQ(button_decoder.view_prev, 0);
    EXPECT_EQ(button_decoder.release_suppressed, 0);
}

TEST_F(Host, PaintCountRendersFirstThenEveryTenth) {
    EXPECT_TRUE(host_paint()); // countdown starts at 1
    for (int i = 2; i <= 10; ++i) EXPECT_FALSE(host_paint()) << i;
    EXPECT_TRUE(host_paint()); // the eleventh
    EXPECT_EQ(host_frames_rendered, 2u);
}

TEST_F(Host, OneFramePerTickAfterTheTicksWork) {
    host_start();
    for (int i = 0; i < 25; ++i) host_tick_10ms();
    EXPECT_EQ(host_frames_rendered, 26u);
    EXPECT_EQ(paint_countdown, PAINTS_PER_FRAME);
    // The demo oscillators step once per rendered frame after start (25 frames in DEMO 1).
    EXPECT_NEAR(demo_sweep, 0.25f, 1e-5f);
}

TEST_F(Host, HitRegionsHaveExclusiveUpperBounds) {
    struct Case {
        int x, y;
        int32_t* line;
    } inside[] = {{101, 131, &view_button_down},  {139, 169, &view_button_down},
                  {101, 201, &left_button_down},  {139, 239, &left_button_down},
                  {321, 201, &right_button_down}, {359, 239, &right_button_down}};
    for (const auto& c : inside) {
        host_reset_all();
        host_hit_test(true, c.x, c.y);
        EXPECT_EQ(*c.line, 1) << c.x << "," << c.y;
        host_hit_test(false, c.x, c.y);
        EXPECT_EQ(*c.line, 0) << c.x << "," << c.y;
    }
    int outside[][2] = {{100, 150}, {140, 150}, {120, 130}, {120, 170}, {120, 200},
                        {120, 240}, {320, 220}, {360, 220}, {340, 200}, {340, 240},
                        {200, 300}, {260, 300}, {230, 275}, {230, 325}, {120, 185}};
    for (auto& p : outside) {
        host_reset_all();
        host_hit_test(true, p[0], p[1]);
        EXPECT_EQ(view_button_down + left_button_down + right_button_down, 0) << p[0] << "," << p[1];
    }
    host_reset_all();
    host_hit_test(true, 201, 276);
    EXPECT_EQ(left_button_down + right_button_down, 2);
    host_hit_test(false, 259, 324);
    EXPECT_EQ(left_button_down + right_button_down, 0);
}

TEST_F(Host, RightLineSideEffectsAndReleasesOutside) {
    host_hit_test(true, 340, 220);
    host_hit_test(true, 120, 150); // VIEW press clears the right line
    EXPECT_EQ(right_button_down, 0);
    EXPECT_EQ(view_button_down, 1);

    host_reset_all();
    host_hit_test(true, 230, 300);  // BOTH
    host_hit_test(false, 120, 220); // released on the left key
    EXPECT_EQ(left_button_down, 0);
    EXPECT_EQ(right_button_down, 0);

    host_reset_all();
    host_hit_test(true, 120, 220);
    host_hit_test(false, 5, 5); // outside every region: the line stays set
    EXPECT_EQ(left_button_down, 1);
    host_hit_test(false, -1000, 9999);
    EXPECT_EQ(left_button_down, 1);
}

TEST_F(Host, CoordinatesAreSigned16Bit) {
    host_hit_test(true, 65536 + 120, 150); // wraps to (120, 150): VIEW
    EXPECT_EQ(view_button_down, 1);
    host_reset_all();
    host_hit_test(true, 340 - 65536, 220 + 65536);
    EXPECT_EQ(right_button_down, 1);
}

TEST_F(Host, RunTimeCountersWrapAt99Hours) {
    flight_time = {98, 59, 59};
    engine_run_time = {98, 59, 58};
    host_tick_1s();
    EXPECT_EQ(flight_time.hours, 0);
    EXPECT_EQ(flight_time.minutes, 0);
    EXPECT_EQ(flight_time.seconds, 0);
    EXPECT_EQ(engine_run_time.hours, 98);
    EXPECT_EQ(engine_run_time.seconds, 59);
    flight_time = {3, 59, 59};
    host_tick_1s();
    EXPECT_EQ(flight_time.hours, 4);
    EXPECT_EQ(flight_time.minutes, 0);
}

TEST_F(Host, ClockWrapsAtMidnightAndKeepsTheDate) {
    clock_time = ClockTime{2026, 12, 6, 5, 23, 59, 59, 500};
    host_tick_1s();
    EXPECT_EQ(clock_time.hour, 0);
    EXPECT_EQ(clock_time.minute, 0);
    EXPECT_EQ(clock_time.second, 0);
    EXPECT_EQ(clock_time.day, 5);
    EXPECT_EQ(clock_time.milliseconds, 500);
    clock_time.hour = 10, clock_time.minute = 59, clock_time.second = 59;
    host_tick_1s();
    EXPECT_EQ(clock_time.hour, 11);
    EXPECT_EQ(clock_time.minute, 0);
}

TEST_F(Host, ClockBlinkSequence) {
    clock_blink = 2;
    int seen[5];
    for (int& s : seen) {
        host_tick_1s();
        s = clock_blink;
    }
    EXPECT_EQ(seen[0], 1);
    EXPECT_EQ(seen[1], 0);
    EXPECT_EQ(seen[2], 1);
    EXPECT_EQ(seen[3], 0);
    EXPECT_EQ(seen[4], 1);
}

TEST_F(Host, LocalTimeCanBeFixedAndReleased) {
    ClockTime fixed{2000, 1, 6, 1, 12, 34, 56, 0};
    host_set_local_time(&fixed);
    ClockTime t{};
    host_local_time(&t);
    EXPECT_EQ(t.hour, 12);
    EXPECT_EQ(t.minute, 34);
    EXPECT_EQ(t.second, 56);
    host_set_local_time(nullptr);
    host_local_time(&t);
    EXPECT_GE(t.year, 2024);
    EXPECT_LT(t.hour, 24);
    EXPECT_LT(t.milliseconds, 1000);
}
