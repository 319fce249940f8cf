// The pages with flight values given, each checked against what the same state shows by other means or
// against the geometry worked out from the numbers.
#include <gtest/gtest.h>

#include <cmath>

#include "core/flight.h"
#include "core/page.h"
#include "gfx/font.h"
#include "host/host.h"
#include "pages/aoa.h"
#include "pages/aoa_bar.h"
#include "pages/attitude.h"
#include "pages/clock.h"
#include "pages/g_meter.h"
#include "setup/settings.h"
#include "setup/setup_menu.h"
#include "setup/setup_screens.h"
#include "frame_probe.h"

namespace {

constexpr uint32_t SKY = SKY_COLOR, GROUND = GROUND_COLOR, WHITE = 0xFFFFFFFF, GREY = 0xFF707070;
constexpr uint32_t LABEL = 0xFF60F0F0, BLACK = 0x00000000;

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

// A given pitch is a pitch trim that needs no SETUP; a given roll adds to the roll trim.
TEST_F(FlightValues, AttitudeAsTheTrimsWouldShowIt) {
    device_settings.pitch_trim = 100;
    const ProbeFrame trimmed = frame(PAGE_ATTITUDE);
    device_settings.pitch_trim = 0;
    give(FLT_PITCH, 10.0f);
    EXPECT_TRUE(frame(PAGE_ATTITUDE).same(trimmed));
    device_settings.roll_trim = 20;
    give(FLT_ROLL, 1.0f);
    const ProbeFrame both = frame(PAGE_ATTITUDE);
    device_settings.roll_trim = 30;
    flt_state_unset(&flight_state, FLT_ROLL);
    EXPECT_TRUE(frame(PAGE_ATTITUDE).same(both));
    // In DEMO 2 the page takes its attitude from the trims alone, as without a flight value.
    device_settings.demo_mode = DEMO_2;
    const ProbeFrame demo = frame(PAGE_ATTITUDE);
    flt_reset();
    EXPECT_TRUE(frame(PAGE_ATTITUDE).same(demo));
}

// A 30 degree right bank: the horizon through the middle rises to the right at tan 30 degrees. Its ends
// reach picture columns 191 on the top row and -51 on the bottom edge (70 +- 70 / tan 30), and each row
// is sky left of 191 - 1.7286 y: frame (100, 60) is ground, (5, 90) and (120, 20) sky, (10, 120) ground.
TEST_F(FlightValues, ThirtyDegreesOfRightBank) {
    give(FLT_ROLL, 30.0f);
    const ProbeFrame fr = frame(PAGE_ATTITUDE);
    EXPECT_EQ(std::tuple(fr.at(100, 60), fr.at(5, 90), fr.at(120, 20), fr.at(10, 120)),
              std::tuple(GROUND, SKY, SKY, GROUND));
    give(FLT_ROLL, -30.0f); // the mirror image
    const ProbeFrame left = frame(PAGE_ATTITUDE);
    EXPECT_EQ(std::tuple(left.at(27, 60), left.at(122, 90), left.at(7, 20), left.at(117, 120)),
              std::tuple(GROUND, SKY, SKY, GROUND));
}

// The ball moves 6 pixels a unit of slip and no further than 7 units.
TEST_F(FlightValues, SlipMovesTheBall) {
    const ProbeFrame centred = frame(PAGE_ATTITUDE);
    give(FLT_SLIP, 7.0f);
    const ProbeFrame seven = frame(PAGE_ATTITUDE);
    give(FLT_SLIP, 12.0f);
    EXPECT_TRUE(frame(PAGE_ATTITUDE).same(seven));
    EXPECT_FALSE(seven.same(centred, {15, 111, 112, 129}));
    EXPECT_EQ(seven.at(64, 120), BLACK) << "the ball has left the middle";
    EXPECT_NE(centred.at(64, 120), BLACK);
}

// The tape's pointer tip sits on row Y = 97 - trunc(aoa x 2.5), and column 79 of the chevron holds rows
// Y - 5 .. Y - 2 and Y + 2 .. Y + 5: the filter starts at 0 (Y = 97), then settles on 10.2 degrees
// (Y = 97 - 25 = 72).
TEST_F(FlightValues, AngleOfAttackGoesThroughTheFilter) {
    auto chevron = [](int y) {
        return std::vector<int>{y - 5, y - 4, y - 3, y - 2, y + 2, y + 3, y + 4, y + 5};
    };
    give(FLT_AOA, 10.2f);
    EXPECT_EQ(frame(PAGE_AOA).rows_of(79, LABEL), chevron(97));
    for (int i = 0; i < 300; ++i) frame(PAGE_AOA);
    EXPECT_EQ(frame(PAGE_AOA).rows_of(79, LABEL), chevron(72));
    EXPECT_NEAR(aoa_filtered, 10.2f, 1e-5f);
    // Past the pre-stall limit (15.0) the compact bar lights all ten segments; at 4 (the stand-in) none.
    give(FLT_AOA, 16.0f);
    for (int i = 0; i < 300; ++i) frame(PAGE_ATTITUDE);
    EXPECT_EQ(frame(PAGE_ATTITUDE).at(118, 23), 0xFFFF0000u); // segment 10: rows 22-25, columns 114-122
    flt_reset();
    EXPECT_NE(frame(PAGE_ATTITUDE).at(118, 23), 0xFFFF0000u);
}

// The load factor is the channel's target: 4 g reads 4 (1 - 0.9^(k - 2)) on the k-th frame of the
// number view (0 on the first two), and the peaks follow what is shown.
TEST_F(FlightValues, LoadFactorRisesAsTheChannelSmoothsIt) {
    give(FLT_LOAD, 4.0f);
    g_view = 1;
    const std::pair<int, const char*> shown[] = {{1, "+0.0"},  {2, "+0.0"},  {3, "+0.4"},  {4, "+0.8"},
                                                 {12, "+2.6"}, {22, "+3.5"}, {52, "+4.0"}, {200, "+4.0"}};
    int k = 0;
    for (const auto& [at, text] : shown) {
        ProbeFrame fr;
        while (k < at) {
            fr = frame(PAGE_G_METER);
            flt_smooth_step();
            ++k;
        }
        EXPECT_TRUE(fr.shows_text(5, 59, 60, WHITE, text)) << "frame " << at << " should read " << text;
    }
    EXPECT_NEAR(g_peak_high, 4.0f, 1e-4f);
    EXPECT_EQ(g_peak_low, 0.0f) << "the channel started from 0";
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
    EXPECT_TRUE(fr.shows_text(4, 64, 36, WHITE, "118 k"));
    EXPECT_TRUE(fr.shows_text(2, 33, 84, GREY, "13.8"));
    EXPECT_TRUE(fr.shows_text(2, 33, 129, GREY, "-4d"));
    clock_view = CLOCK_VIEW_DENSITY_ALT; // to the nearest hundred: 6400
    fr = frame(PAGE_CLOCK);
    EXPECT_TRUE(fr.shows_run(4, 63 - font_text_width(4, "6"), 23, WHITE, "6"));
    EXPECT_TRUE(fr.shows_run(3, 65, 23, WHITE, "400"));
    device_settings.option_flags &= ~(OPTION_TAS_IN_KT | OPTION_TEMP_IN_C);
    clock_view = CLOCK_VIEW_AIRSPEED;
    fr = frame(PAGE_CLOCK);
    EXPECT_TRUE(fr.shows_text(4, 64, 36, WHITE, "136 m")); // 118.9 x 1.15078 = 136.8
    EXPECT_TRUE(fr.shows_text(2, 33, 129, GREY, "+25d"));  // -4 C is 24.8 F
    device_settings.demo_mode = DEMO_1;                    // the demo's 23 C, 73.4 F
    EXPECT_TRUE(frame(PAGE_CLOCK).shows_text(2, 33, 129, GREY, "+73d"));
}

// The trim screens read the given pitch, roll, slip and temperature where a sensor would be read.
TEST_F(FlightValues, TrimScreensReadTheGivenValues) {
    auto open = [](int32_t screen) {
        setup_menu_reset();
        setup_state.setup_selected_item = screen - 1;
        setup_handle_event(EV_RIGHT_RELEASE);
    };
    give(FLT_PITCH, 3.0f);
    give(FLT_ROLL, 2.0f);
    give(FLT_SLIP, 1.5f);
    give(FLT_OAT, -4.4f);
    const constexpr uint32_t DIM = SETUP_DIM_COLOR;
    open(SETUP_PITCH_TRIM);
    EXPECT_TRUE(frame(PAGE_SETUP).shows_text(3, 64, 112, DIM, "3.0d"));
    open(SETUP_ROLL_TRIM);
    EXPECT_TRUE(frame(PAGE_SETUP).shows_text(3, 64, 112, DIM, "2.0d"));
    give(FLT_ROLL, 30.0f);
    EXPECT_TRUE(frame(PAGE_SETUP).shows_text(2, 64, 112, DIM, "-ALIGNING-"));
    open(SETUP_SLIP_TRIM);
    EXPECT_TRUE(frame(PAGE_SETUP).shows_text(3, 64, 112, DIM, "1.5d"));
    open(SETUP_OAT_TRIM);
    EXPECT_TRUE(frame(PAGE_SETUP).shows_text(3, 64, 112, DIM, "-4d"));
    device_settings.demo_mode = DEMO_1;
    EXPECT_TRUE(frame(PAGE_SETUP).shows_text(3, 64, 112, DIM, "22d"));
}
