// The pages with flight values given, against what the same state shows by other means or the geometry
// worked out from the numbers (the scripts flight_*.zts pin the horizon, the bar and the tape too).
#include <gtest/gtest.h>

#include <cmath>

#include "core/flight.h"
#include "core/page.h"
#include "gfx/font.h"
#include "host/host.h"
#include "pages/aoa_bar.h"
#include "pages/clock.h"
#include "pages/g_meter.h"
#include "setup/settings.h"
#include "setup/setup_menu.h"
#include "setup/setup_screens.h"
#include "frame_probe.h"

namespace {

constexpr uint32_t WHITE = 0xFFFFFFFF, GREY = 0xFF707070, LABEL = 0xFF60F0F0, DIM = SETUP_DIM_COLOR;

class FlightValues : public ::testing::Test {
  protected:
    void SetUp() override {
        host_reset_all();
        host_start();
        device_settings.demo_mode = DEMO_NONE;
    }
    static ProbeFrame frame(int32_t page) {
        current_page = page;
        ProbeFrame fr;
        page_draw_frame(fr.px());
        return fr;
    }
    static void give(int32_t id, float v) { ASSERT_TRUE(flt_state_set(&flight_state, id, v)); }
};

} // namespace

// A given roll adds to the roll trim; slip moves the ball no further than 7 units; in DEMO 2 the page
// takes its attitude from the trims alone, as without flight values.
TEST_F(FlightValues, AttitudeAsTheTrimsWouldShowIt) {
    device_settings.roll_trim = 20;
    give(FLT_ROLL, 1.0f);
    const ProbeFrame both = frame(PAGE_ATTITUDE);
    device_settings.roll_trim = 30;
    flt_state_unset(&flight_state, FLT_ROLL);
    EXPECT_TRUE(frame(PAGE_ATTITUDE).same(both));
    give(FLT_SLIP, 7.0f);
    const ProbeFrame seven = frame(PAGE_ATTITUDE);
    give(FLT_SLIP, 12.0f);
    EXPECT_TRUE(frame(PAGE_ATTITUDE).same(seven));
    EXPECT_FALSE(seven.same(both, {15, 111, 112, 129}));
    device_settings.demo_mode = DEMO_2;
    const ProbeFrame demo = frame(PAGE_ATTITUDE);
    flt_reset();
    EXPECT_TRUE(frame(PAGE_ATTITUDE).same(demo));
}

// Through the filter, which lags a frame: the tape's tip on row 97 - trunc(aoa x 2.5) shows 0 on the
// first frame and 10.2 / 10 = 1.02 (row 95) on the second; column 79 of the chevron holds Y +- 2..5.
// (The chevron of 95 would hold 90-93 and 97-100.)
TEST_F(FlightValues, AngleOfAttackGoesThroughTheFilter) {
    auto chevron = [](int y) {
        return std::vector<int>{y - 5, y - 4, y - 3, y - 2, y + 2, y + 3, y + 4, y + 5};
    };
    give(FLT_AOA, 10.2f);
    EXPECT_EQ(frame(PAGE_AOA).rows_of(79, LABEL), chevron(97));
    EXPECT_EQ(frame(PAGE_AOA).rows_of(79, LABEL), (std::vector<int>{90, 91, 92, 93, 99, 100}))
        << "rows 97 and 98 lie under the low peak's mark, 96-98, where the first frame's 0 left it";
    // Past the pre-stall limit (15.0) ATTITUDE's bar lights segment 10 (rows 22-25); the stand-in 4 does not.
    give(FLT_AOA, 16.0f);
    for (int i = 0; i < 300; ++i) frame(PAGE_ATTITUDE);
    EXPECT_EQ(frame(PAGE_ATTITUDE).at(118, 23), 0xFFFF0000u);
    flt_reset();
    EXPECT_NE(frame(PAGE_ATTITUDE).at(118, 23), 0xFFFF0000u);
}

// The load factor is the channel's target; the peaks follow what is shown (the channel starts at 0).
TEST_F(FlightValues, LoadFactorIsTheChannelsTarget) {
    give(FLT_LOAD, 4.0f);
    g_view = 1;
    for (int k = 0; k < 200; ++k, flt_smooth_step()) frame(PAGE_G_METER);
    EXPECT_TRUE(frame(PAGE_G_METER).shows_text(5, 59, 60, WHITE, "+4.0"));
    EXPECT_EQ(std::tuple(g_peak_low, std::round(g_peak_high * 1000)), std::tuple(0.0f, 4000.0f));
    device_settings.demo_mode = DEMO_1;
    frame(PAGE_G_METER);
    EXPECT_EQ(smooth_target[LOAD_FACTOR_CHANNEL], LIVE_G_TARGET) << "a demo mode keeps the stand-in";
}

TEST_F(FlightValues, ClockAirData) {
    give(FLT_TAS, 118.9f);
    give(FLT_DALT, 6449.0f);
    give(FLT_OAT, -4.0f);
    give(FLT_VOLTS, 13.8f);
    clock_view = CLOCK_VIEW_AIRSPEED;
    ProbeFrame fr = frame(PAGE_CLOCK);
    EXPECT_TRUE(fr.shows_text(4, 64, 36, WHITE, "118 k") && fr.shows_text(2, 33, 84, GREY, "13.8") &&
                fr.shows_text(2, 33, 129, GREY, "-4d"));
    clock_view = CLOCK_VIEW_DENSITY_ALT; // to the nearest hundred: 6 and 400
    fr = frame(PAGE_CLOCK);
    EXPECT_TRUE(fr.shows_run(4, 63 - font_text_width(4, "6"), 23, WHITE, "6") &&
                fr.shows_run(3, 65, 23, WHITE, "400"));
    device_settings.option_flags &= ~(OPTION_TAS_IN_KT | OPTION_TEMP_IN_C);
    clock_view = CLOCK_VIEW_AIRSPEED;
    fr = frame(PAGE_CLOCK); // 118.9 kt is 136.8 mph, -4 C is 24.8 F
    EXPECT_TRUE(fr.shows_text(4, 64, 36, WHITE, "136 m") && fr.shows_text(2, 33, 129, GREY, "+25d"));
    device_settings.demo_mode = DEMO_1; // the demo's 23 C, 73.4 F
    EXPECT_TRUE(frame(PAGE_CLOCK).shows_text(2, 33, 129, GREY, "+73d"));
}

// The trim screens read the given pitch, roll, slip and temperature where a sensor would be read.
TEST_F(FlightValues, TrimScreensReadTheGivenValues) {
    const std::tuple<int32_t, int32_t, float, int, const char*> cases[] = {
        {SETUP_PITCH_TRIM, FLT_PITCH, 3.0f, 3, "3.0d"},
        {SETUP_ROLL_TRIM, FLT_ROLL, 2.0f, 3, "2.0d"},
        {SETUP_ROLL_TRIM, FLT_ROLL, 30.0f, 2, "-ALIGNING-"},
        {SETUP_SLIP_TRIM, FLT_SLIP, 1.5f, 3, "1.5d"},
        {SETUP_OAT_TRIM, FLT_OAT, -4.4f, 3, "-4d"}};
    for (const auto& [screen, id, value, font, text] : cases) {
        setup_menu_reset();
        setup_state.setup_selected_item = screen - 1;
        setup_handle_event(EV_RIGHT_RELEASE);
        give(id, value);
        EXPECT_TRUE(frame(PAGE_SETUP).shows_text(font, 64, 112, DIM, text)) << text;
    }
    device_settings.demo_mode = DEMO_1;
    EXPECT_TRUE(frame(PAGE_SETUP).shows_text(3, 64, 112, DIM, "22d"));
}
