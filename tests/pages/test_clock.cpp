#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>

#include "core/buttons.h"
#include "core/page.h"
#include "headless/cli.h"
#include "headless/run.h"
#include "headless/script.h"
#include "host/host.h"
#include "host/local_time.h"
#include "pages/clock.h"
#include "setup/settings.h"
#include "frame_probe.h"

namespace {

constexpr uint32_t WHITE = 0xFFFFFFFF, LABEL = 0xFF60F0F0, GREY = 0xFF707070, BLACK = 0x00000000;

// 2024-05-03 (a Friday, day 17) at hh:mm:ss.250.
ClockTime at_hms(int hms) {
    return {2024,
            5,
            3,
            17,
            static_cast<uint16_t>(hms / 10000),
            static_cast<uint16_t>(hms / 100 % 100),
            static_cast<uint16_t>(hms % 100),
            250};
}
int hms(const ClockTime& t) {
    return t.hour * 10000 + t.minute * 100 + t.second;
}

class Clock : public ::testing::Test {
  protected:
    void SetUp() override {
        host_reset_all();
        host_start();
        set_time(101030);
        current_page = PAGE_CLOCK;
    }
    void TearDown() override { host_set_local_time(nullptr); }
    static void set_time(int t) {
        const ClockTime c = at_hms(t);
        host_set_local_time(&c);
    }
    static ProbeFrame draw() {
        ProbeFrame fr;
        page_draw_frame(fr.px());
        return fr;
    }
    static int32_t input(int32_t e) {
        button_event = e;
        return page_clock_input();
    }
};

} // namespace

TEST_F(Clock, HourShownOnBothDialsAndInLocalTime) {
    struct Case {
        int hour, offset;
        bool local, h24;
        int shown;
        const char* suffix;
    } cases[] = {
        {0, 0, false, false, 12, "am"},    {11, 0, false, false, 11, "am"},
        {12, 0, false, false, 12, "pm"},   {13, 0, false, false, 1, "pm"},
        {23, 0, false, false, 11, "pm"},   {0, 0, false, true, 0, nullptr},
        {13, 0, false, true, 13, nullptr}, {22, 3, true, true, 1, nullptr},
        {22, 3, false, true, 22, nullptr}, {1, -3, true, true, 22, nullptr},
        {0, -12, true, true, 12, nullptr}, {23, 1, true, true, 0, nullptr},
        {23, 1, true, false, 12, "am"},    {11, 1, true, false, 12, "pm"},
        {22, 1, true, true, 23, nullptr},  {23, 0, true, false, 11, "pm"},
    };
    for (const Case& c : cases) {
        local_offset_hours = c.offset;
        device_settings.option_flags = c.h24 ? OPTION_24H_TIME : 0;
        const char* suffix = "unset";
        EXPECT_EQ(page_clock_hour_shown(c.hour, c.local, &suffix), c.shown) << c.hour << " " << c.offset;
        EXPECT_STREQ(suffix, c.suffix) << c.hour << " " << c.offset;
    }
}

TEST_F(Clock, TimeViewsDrawTheShiftedHour) {
    set_time(220005);
    device_settings.demo_mode = DEMO_NONE; // its label would touch the title
    device_settings.option_flags &= ~OPTION_24H_TIME;
    local_offset_hours = 3;
    ProbeFrame gmt = draw();
    EXPECT_TRUE(gmt.shows_text(0, 64, 12, LABEL, "GMT Time"));
    EXPECT_TRUE(gmt.shows_run(4, 18, 21, WHITE, "10"));
    EXPECT_TRUE(gmt.shows_run(0, 93, 20, 0xFF888888, "pm"));
    EXPECT_TRUE(gmt.shows_run(0, 91, 35, WHITE, ":05"));
    clock_view = CLOCK_VIEW_LOCAL;
    ProbeFrame local = draw();
    EXPECT_TRUE(local.shows_text(0, 64, 12, LABEL, "Local Time"));
    EXPECT_TRUE(local.shows_run(4, 18, 21, WHITE, "01"));
    EXPECT_TRUE(local.shows_run(0, 93, 20, 0xFF888888, "am"));
    // VIEW steps through the five views and from the last back to GMT time.
    for (int32_t want : {2, 3, 4, 0, 1}) {
        EXPECT_EQ(input(EV_VIEW_RELEASE), EV_NONE);
        EXPECT_EQ(clock_view, want);
    }
}

// The clock reads the platform once, on the first frame that shows a time; in the runner that is the first
// CLOCK frame at 1.2 s, so a local-time line counts only before it.
TEST_F(Clock, ReadsTheLocalTimeOnce) {
    for (int32_t v : {CLOCK_VIEW_DENSITY_ALT, CLOCK_VIEW_AIRSPEED}) {
        clock_view = v;
        draw();
    }
    EXPECT_EQ(clock_needs_sync, 1);
    struct Case {
        const char* script;
        int want;
    } cases[] = {{"wait 1500ms", 70000},
                 {"wait 500ms\nlocal-time 08:30:00\nwait 1000ms", 83000},
                 {"wait 1500ms\nlocal-time 08:30:00\nwait 1s", 70001}};
    for (const Case& c : cases) {
        const char* argv[] = {"zt30-headless", "--local-time", "07:00:00", "-"};
        FILE *in = std::tmpfile(), *sink = std::tmpfile();
        std::fputs(c.script, in);
        std::rewind(in);
        EXPECT_EQ(headless_main(4, argv, in, sink, sink), 0);
        std::fclose(in);
        std::fclose(sink);
        EXPECT_EQ(hms(clock_time), c.want) << c.script;
    }
}

TEST_F(Clock, SetClockFieldsWrapAndTheOffsetIsLiveAtOnce) {
    struct Case {
        int field;
        int32_t event;
        int hms, offset, want_hms, want_offset;
    } cases[] = {
        {0, EV_LEFT_RELEASE, 5006, 0, 235006, 0},     {0, EV_VIEW_RELEASE, 230506, 0, 506, 0},
        {1, EV_VIEW_RELEASE, 95906, 0, 90006, 0},     {1, EV_LEFT_RELEASE, 90006, 0, 95906, 0},
        {1, EV_VIEW_RELEASE, 95806, 0, 95906, 0},     {2, EV_VIEW_RELEASE, 90542, 0, 90500, 0},
        {2, EV_LEFT_RELEASE, 90542, 0, 90500, 0},     {3, EV_VIEW_RELEASE, 90506, 12, 90506, -12},
        {3, EV_LEFT_RELEASE, 90506, -12, 90506, 12},  {3, EV_VIEW_RELEASE, 90506, 11, 90506, 12},
        {3, EV_LEFT_RELEASE, 90506, -11, 90506, -12},
    };
    for (const Case& c : cases) {
        clock_setting = 1;
        clock_edit_field = static_cast<int8_t>(c.field);
        clock_edit = at_hms(c.hms);
        local_offset_hours = c.offset;
        clock_blink = 0;
        EXPECT_EQ(input(c.event), EV_NONE);
        EXPECT_EQ(hms(clock_edit), c.want_hms) << "field " << c.field << " event " << c.event;
        EXPECT_EQ(local_offset_hours, c.want_offset) << "field " << c.field;
        EXPECT_EQ(clock_blink, 2); // shown for two whole seconds after the edit
    }
    clock_edit_field = CLOCK_FIELD_HOUR;
    for (int f : {1, 2, 3, 0}) {
        EXPECT_EQ(input(EV_RIGHT_RELEASE), EV_NONE);
        EXPECT_EQ(clock_edit_field, f);
    }
    local_offset_hours = -2;
    EXPECT_TRUE(draw().shows_text(0, 64, 100, WHITE, "Local -02"));
    local_offset_hours = 12;
    EXPECT_TRUE(draw().shows_text(0, 64, 100, WHITE, "Local +12"));
    local_offset_hours = 0;
    EXPECT_TRUE(draw().shows_text(0, 64, 100, WHITE, "Local +00"));
}

TEST_F(Clock, AcceptCopiesTheEditedTimeWithTheDateAsOpened) {
    clock_view = CLOCK_VIEW_ANALOG;
    draw();
    EXPECT_EQ(input(EV_BOTH_PRESS), EV_NONE);
    input(EV_VIEW_RELEASE); // hour 11
    input(EV_RIGHT_RELEASE);
    input(EV_LEFT_RELEASE); // minute 09
    host_tick_1s();         // the running clock goes on meanwhile ...
    clock_time.day = 18;    // ... and whatever happened to it is replaced
    input(EV_BOTH_PRESS);
    EXPECT_EQ(clock_setting, 0);
    EXPECT_EQ(clock_view, CLOCK_VIEW_ANALOG);
    const ClockTime want = at_hms(110930);
    EXPECT_EQ(std::memcmp(&clock_time, &want, sizeof want), 0);
    // Opened again, Set Clock starts on the hour whichever field was set last.
    draw();
    input(EV_BOTH_PRESS);
    input(EV_VIEW_RELEASE);
    EXPECT_EQ(hms(clock_edit), 120930);
}

TEST_F(Clock, AirDataTexts) {
    char a[16], b[16];
    const struct {
        float t;
        const char* want;
    } temps[] = {{23.0f, "+23d"}, {22.4f * 1.8f + 32.0f, "+72d"}, {0.4f, "0d"}, {-0.4f, "0d"}, {0.5f, "+1d"},
                 {-4.6f, "-5d"}};
    for (const auto& c : temps) {
        page_clock_format_temperature(c.t, a);
        EXPECT_STREQ(a, c.want) << c.t;
    }
    page_clock_format_airspeed(75.9996f, true, a); // the demo's lowest speed
    EXPECT_STREQ(a, "75 k");
    const struct {
        float ft;
        const char *thousands, *rest;
    } alts[] = {{1234.56f, "1", "200"}, {5650.0f, "5", "700"},   {950.0f, "1", "000"},
                {0.0f, "0", "000"},     {-500.0f, "-0", "500"},  {-40.0f, "0", "000"},
                {-60.0f, "-0", "100"},  {-1234.0f, "-1", "200"}, {12345.0f, "12", "300"}};
    for (const auto& c : alts) {
        page_clock_format_density_alt(c.ft, a, b);
        EXPECT_STREQ(a, c.thousands) << c.ft;
        EXPECT_STREQ(b, c.rest) << c.ft;
    }
}

// The start options (knots, degrees C) are in tests/pages/test_page_frames.cpp; here the other units.
TEST_F(Clock, AirDataInMilesPerHourAndFahrenheit) {
    device_settings.demo_mode = DEMO_NONE;
    device_settings.option_flags &= ~(OPTION_TAS_IN_KT | OPTION_TEMP_IN_C);
    clock_view = CLOCK_VIEW_AIRSPEED;
    ProbeFrame mph = draw();
    EXPECT_TRUE(mph.shows_text(4, 64, 36, WHITE, "174 m"));
    EXPECT_TRUE(mph.shows_text(0, 33, 111, LABEL, "OAT F"));
    EXPECT_TRUE(mph.shows_text(2, 33, 129, GREY, "+72d"));
}

// At 12:30 the hour hand stands halfway between 12 and 1: 30 pixels out it passes column 71, and its tip
// (73.1, 46.2) stops short of row 45.
TEST_F(Clock, AnalogHourHandAtHalfPast) {
    set_time(123015);
    clock_view = CLOCK_VIEW_ANALOG;
    ProbeFrame fr = draw();
    EXPECT_EQ(fr.at(71, 51), WHITE);
    EXPECT_EQ(fr.at(64, 51), BLACK);
    EXPECT_TRUE(fr.same(ProbeFrame(), {71, 45, 80, 45}));
    // The minute hand, 53 long at 91.5 degrees, keeps its core on column 62 down to row 132.
    EXPECT_EQ(fr.at(62, 132), WHITE);
    EXPECT_EQ(fr.at(62, 134), BLACK);
    EXPECT_TRUE(fr.shows_text(0, 116, 10, GREY, "pm"));
    EXPECT_TRUE(fr.shows_text(0, 64, 10, GREY, "GMT"));
    // VIEW held: the dial shows local time, here 11:30 am.
    local_offset_hours = -1;
    EXPECT_EQ(input(EV_VIEW_LONG), EV_NONE);
    fr = draw();
    EXPECT_TRUE(fr.shows_text(0, 116, 10, GREY, "am"));
    EXPECT_TRUE(fr.shows_text(0, 64, 10, GREY, "LOCAL"));
    clock_time.hour = 1; // 01:30 GMT is 22:30 three hours behind: pm
    local_offset_hours = -3;
    EXPECT_TRUE(draw().shows_text(0, 116, 10, GREY, "pm"));
    input(EV_VIEW_LONG); // and back to GMT
    EXPECT_TRUE(draw().shows_text(0, 64, 10, GREY, "GMT"));
}

// The running clock carries seconds into minutes into hours and passes midnight to 00:00:00.
TEST_F(Clock, RunsThroughMidnight) {
    for (auto [from, to] : {std::pair{235959, 0}, {225959, 230000}, {105959, 110000}, {100058, 100059}}) {
        ClockTime t = at_hms(from);
        page_clock_advance_second(&t);
        EXPECT_EQ(hms(t), to) << from;
    }
}
