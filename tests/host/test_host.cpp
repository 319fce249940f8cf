#include <gtest/gtest.h>

#include <tuple>

#include "core/buttons.h"
#include "core/flight.h"
#include "core/page.h"
#include "host/host.h"
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
    EXPECT_EQ(std::tuple(s.page_enable_mask, s.audio_alert_mask, s.visual_alert_mask, s.audio_volume,
                         s.option_flags),
              std::tuple(0x1FBu, 7u, 0u, 5u, 0xFFFEu));
    EXPECT_EQ(std::tuple(s.aoa_prestall_limit, s.aoa_cruise_limit, s.g_limit_positive, s.g_limit_negative),
              std::tuple(150, 50, 20, -10));
    EXPECT_EQ(std::tuple(s.demo_mode, s.speed_assist_flags), std::tuple(1u, 1u));
    EXPECT_EQ(s.pitch_trim | s.roll_trim | s.slip_trim | s.oat_trim | s.alt_trim_low | s.unit_id, 0);
}

// The first frame is drawn on window creation, before the settings have their start values: demo_mode
// was still 0, so the demo oscillators did not step.
TEST_F(Host, FirstFrameIsDrawnBeforeTheSettingsStartValues) {
    left_button_down = 1;
    button_decoder.release_suppressed = 1;
    host_start();
    EXPECT_EQ(
        std::tuple(host_frames_rendered, paint_countdown, device_settings.demo_mode, attitude_inset_shown),
        std::tuple(1u, PAINTS_PER_FRAME, 1u, 1));
    EXPECT_EQ(std::tuple(demo_sweep, smooth_divisor[LOAD_FACTOR_CHANNEL], smooth_divisor[35]),
              std::tuple(0.0f, 10.0f, 500.0f));
    // The decoder takes the lines as they stand at creation.
    EXPECT_EQ(
        std::tuple(button_decoder.left_prev, button_decoder.view_prev, button_decoder.release_suppressed),
        std::tuple(1, 0, 0));
}

TEST_F(Host, PaintCountRendersFirstThenEveryTenth) {
    EXPECT_TRUE(host_paint()); // the countdown starts at 1
    for (int i = 2; i <= 10; ++i) EXPECT_FALSE(host_paint()) << i;
    EXPECT_TRUE(host_paint());
    EXPECT_EQ(host_frames_rendered, 2u);
    // After start, one frame per tick; the demo oscillators step once per frame (DEMO 1).
    host_reset_all();
    host_start();
    for (int i = 0; i < 25; ++i) host_tick_10ms();
    EXPECT_EQ(std::tuple(host_frames_rendered, paint_countdown), std::tuple(26u, PAINTS_PER_FRAME));
    EXPECT_NEAR(demo_sweep, 0.25f, 1e-5f);
}

// The run-time counters wrap at 99 hours, the clock at midnight (keeping its date); the clock's blink
// steps 2, 1, 0, 1, 0, ...
TEST_F(Host, OneSecondTick) {
    flight_time = {98, 59, 59};
    engine_run_time = {3, 59, 58};
    clock_time = ClockTime{2026, 12, 6, 5, 23, 59, 59, 500};
    clock_blink = 2;
    host_tick_1s();
    auto hms = [](const auto& t) { return std::tuple<int, int, int>(t.hours, t.minutes, t.seconds); };
    EXPECT_EQ(hms(flight_time), std::tuple(0, 0, 0));
    EXPECT_EQ(hms(engine_run_time), std::tuple(3, 59, 59));
    const ClockTime& c = clock_time;
    EXPECT_EQ(std::tuple(c.hour, c.minute, c.second, c.day, c.milliseconds), std::tuple(0, 0, 0, 5, 500));
    EXPECT_EQ(clock_blink, 1);
    host_tick_1s();
    EXPECT_EQ(hms(engine_run_time), std::tuple(4, 0, 0));
    EXPECT_EQ(clock_time.second, 1);
    for (int want : {0, 1, 0, 1}) {
        EXPECT_EQ(clock_blink, want);
        host_tick_1s();
    }
}
