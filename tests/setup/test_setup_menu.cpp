#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "core/buttons.h"
#include "core/flight.h"
#include "core/page.h"
#include "gfx/gfx.h"
#include "host/host.h"
#include "setup/settings.h"
#include "setup/setup_menu.h"

namespace {

constexpr int32_t UP = EV_VIEW_RELEASE, DOWN = EV_LEFT_RELEASE, SEL = EV_RIGHT_RELEASE, BOTH = EV_BOTH_PRESS;

class SetupMenu : public ::testing::Test {
  protected:
    void SetUp() override {
        host_reset_all();
        setup_settings_reset();
        current_page = PAGE_SETUP;
    }
    SetupState& s = setup_state;
    DeviceSettings& d = device_settings;
    // Sends ev n times; every result must be 0 (only the title state passes events on).
    void send(int32_t ev, int n = 1) {
        for (int i = 0; i < n; ++i) ASSERT_EQ(setup_handle_event(ev), EV_NONE) << "event " << ev;
    }
    // From the title state: into the list and down to the item, then open it.
    void open(int32_t item) {
        send(BOTH);
        send(DOWN, item);
        send(SEL);
        ASSERT_EQ(s.setup_screen, item + 1);
    }
};

} // namespace

TEST_F(SetupMenu, TitleStatePassesTheSoftKeysOnAndEntersTheListWithBoth) {
    for (int32_t ev : {DOWN, SEL, int32_t{EV_VIEW_PRESS}, int32_t{EV_RIGHT_HOLD}, int32_t{EV_BOTH_RELEASE}})
        EXPECT_EQ(setup_handle_event(ev), ev);
    EXPECT_EQ(setup_handle_event(UP), EV_NONE);
    EXPECT_EQ(s.setup_selected_item, -1);
    s.setup_list_top = 5;
    EXPECT_EQ(setup_handle_event(BOTH), EV_NONE);
    EXPECT_EQ(s.setup_selected_item, 0);
    EXPECT_EQ(s.setup_list_top, 0);
}

TEST_F(SetupMenu, OpeningAnItemPreparesItsScreen) {
    d.audio_volume = 7;
    d.aoa_prestall_limit = 120;
    d.aoa_cruise_limit = 30;
    d.g_limit_positive = 44;
    d.g_limit_negative = -22;
    d.slip_trim = 80; // edit copies are clamped to the screen's range
    d.roll_trim = -60;
    d.pitch_trim = 300;
    d.oat_trim = 200;
    d.demo_mode = DEMO_2;
    struct Case {
        int32_t item;
        int32_t* field;
        int32_t want;
    } cases[] = {
        {1, &s.page_enable_cursor, 0}, {2, &s.audio_alert_cursor, 0},   {3, &s.visual_alert_cursor, 0},
        {4, &s.edit_volume, 7},        {5, &s.option_cursor, 0},        {6, &s.edit_prestall, 120},
        {6, &s.edit_cruise, 30},       {7, &s.edit_g_positive, 44},     {7, &s.edit_g_negative, -22},
        {8, &s.edit_slip, 50},         {9, &s.edit_roll, -50},          {10, &s.edit_pitch, 270},
        {11, &s.edit_oat, 150},        {13, &s.speed_assist_cursor, 0}, {15, &s.ias_trim_cursor, 0},
        {16, &s.alt_trim_cursor, 0},   {17, &s.demo_mode_cursor, 0}, // NONE, whatever the mode
    };
    for (const Case& c : cases) {
        s = SetupState{};
        s.aoa_limit_step = s.g_limit_step = s.ias_trim_editing = s.alt_trim_editing = 1;
        *c.field = 99;
        s.setup_selected_item = c.item;
        send(SEL);
        EXPECT_EQ(s.setup_screen, c.item + 1);
        EXPECT_EQ(*c.field, c.want) << SETUP_ITEM_TEXT[c.item];
        // The step and edit flags start over too.
        EXPECT_EQ(s.aoa_limit_step, c.item == 6 ? 0 : 1);
        EXPECT_EQ(s.g_limit_step, c.item == 7 ? 0 : 1);
        EXPECT_EQ(s.ias_trim_editing, c.item == 15 ? 0 : 1);
        EXPECT_EQ(s.alt_trim_editing, c.item == 16 ? 0 : 1);
    }
}

// Each screen's way back to the list, and the events it ignores: those change neither the menu nor the
// settings.
TEST_F(SetupMenu, EveryScreenGoesBackWithItsOwnKeyAndIgnoresTheOthers) {
    // Per item: the keys that lead back, the last one landing on the list, and the keys it ignores
    // (U up, D down, S select, B both).
    const char* back[] = {"S", "B", "B", "B", "S", "B", "SS", "SS", "S",
                          "S", "S", "S", "D", "B", "D", "B",  "B",  "B"};
    const char* ignored[] = {"DB", "",  "",  "",    "B", "",    "B", "B", "B",
                             "B",  "B", "B", "USB", "",  "USB", "",  "",  ""};
    auto key = [](char k) { return k == 'U' ? UP : k == 'D' ? DOWN : k == 'S' ? SEL : BOTH; };
    for (int32_t item = 0; item <= SETUP_LAST_ITEM; ++item) {
        SetUp();
        open(item);
        const SetupState menu = s;
        const DeviceSettings settings = d;
        for (const char* k = ignored[item]; *k; ++k) send(key(*k));
        EXPECT_EQ(std::memcmp(&menu, &s, sizeof s), 0) << SETUP_ITEM_TEXT[item];
        EXPECT_EQ(std::memcmp(&settings, &d, sizeof d), 0) << SETUP_ITEM_TEXT[item];
        for (const char* k = back[item]; *k; ++k) {
            EXPECT_NE(s.setup_screen, SETUP_LIST) << SETUP_ITEM_TEXT[item];
            send(key(*k));
        }
        EXPECT_EQ(s.setup_screen, SETUP_LIST) << SETUP_ITEM_TEXT[item];
        EXPECT_EQ(s.setup_selected_item, item);
    }
}

// SYSTEM INFO: VIEW switches between the unit's and the software's part number, and back.
TEST_F(SetupMenu, SystemInfoTogglesThePartNumber) {
    open(0);
    for (int32_t shown : {1, 0, 1}) {
        send(UP);
        EXPECT_EQ(s.show_sw_part_number, shown);
    }
}

// Every row toggles its own page bit and clears XPDR CTRL's and SETUP's (the cursor walk is in
// tests/scripts/setup_page_enable.zts).
TEST_F(SetupMenu, PageEnableTogglesKeepBits2And8Clear) {
    open(1);
    uint32_t before = d.page_enable_mask & 0xFB;
    for (int32_t bit : {0, 1, 3, 4, 5, 6, 7}) {
        send(SEL);
        EXPECT_EQ(s.page_enable_cursor, bit);
        EXPECT_EQ(d.page_enable_mask, before ^ (1u << bit)) << "bit " << bit;
        before = d.page_enable_mask;
        send(DOWN);
    }
    EXPECT_EQ(s.page_enable_cursor, 0);
}

TEST_F(SetupMenu, CheckBoxScreensWrapAndStoreOnlyTheLowByte) {
    struct Case {
        int32_t item;
        int32_t* cursor;
        uint32_t* mask;
        int32_t last;
    } cases[] = {
        {2, &s.audio_alert_cursor, &d.audio_alert_mask, 3},
        {3, &s.visual_alert_cursor, &d.visual_alert_mask, 3},
        {5, &s.option_cursor, &d.option_flags, 6},
        {13, &s.speed_assist_cursor, &d.speed_assist_flags, 0},
    };
    for (const Case& c : cases) {
        SetUp();
        *c.mask |= 0xFF00u;
        open(c.item);
        send(UP);
        EXPECT_EQ(*c.cursor, c.last) << SETUP_ITEM_TEXT[c.item];
        send(DOWN);
        EXPECT_EQ(*c.cursor, 0);
        const uint32_t start = *c.mask & 0xFFu;
        send(SEL);
        EXPECT_EQ(*c.mask, start ^ 1u) << SETUP_ITEM_TEXT[c.item];
        send(DOWN, c.last);
        send(SEL);
        EXPECT_EQ(*c.mask, start ^ 1u ^ (1u << c.last)) << SETUP_ITEM_TEXT[c.item];
        // MISC OPTIONS from 0xFFFE: BLUE BG on, AI POPUP off, bits 8..15 gone.
        if (c.item == 5) {
            EXPECT_EQ(d.option_flags, 0xBFu);
        }
    }
}

TEST_F(SetupMenu, AoaLimitsKeepPrestallTwoDegreesAboveCruise) {
    open(6);
    send(SEL); // CRUISE
    send(UP, 16);
    EXPECT_EQ(d.aoa_cruise_limit, 130);
    EXPECT_EQ(d.aoa_prestall_limit, 150);
    send(UP);
    EXPECT_EQ(d.aoa_cruise_limit, 135);
    EXPECT_EQ(d.aoa_prestall_limit, 155);
    send(UP, 40);
    EXPECT_EQ(d.aoa_cruise_limit, 280);
    EXPECT_EQ(d.aoa_prestall_limit, 300);
    send(DOWN, 80);
    EXPECT_EQ(d.aoa_cruise_limit, -100);
    send(SEL);
    send(SEL); // opened again: PRE-STALL
    EXPECT_EQ(s.aoa_limit_step, 0);
    send(DOWN, 80);
    EXPECT_EQ(d.aoa_prestall_limit, -80);
    EXPECT_EQ(d.aoa_cruise_limit, -100);
    send(UP, 80);
    EXPECT_EQ(d.aoa_prestall_limit, 300);
    // Down from the top drags CRUISE along once they are 2.0 apart.
    d.aoa_cruise_limit = s.edit_cruise = 260;
    send(DOWN, 5);
    EXPECT_EQ(d.aoa_prestall_limit, 275);
    EXPECT_EQ(d.aoa_cruise_limit, 255);
}

// Each value stops at its ends and is stored on every step; the selects open the value on its screen.
TEST_F(SetupMenu, ValuesStopAtTheirEndsAndStoreEveryStep) {
    struct Case {
        int32_t item, selects;
        int32_t* field;
        int32_t lo, hi;
    } cases[] = {
        {7, 0, &d.g_limit_positive, 20, 80}, {7, 1, &d.g_limit_negative, -80, -10},
        {8, 0, &d.slip_trim, -50, 50},       {9, 0, &d.roll_trim, -50, 50},
        {10, 0, &d.pitch_trim, -270, 270},   {11, 0, &d.oat_trim, -150, 150},
        {15, 1, &d.ias_trim_low, -100, 100}, {16, 1, &d.alt_trim_low, -300, 100},
    };
    for (const Case& c : cases) {
        SetUp();
        open(c.item);
        send(SEL, c.selects);
        send(UP, c.hi - c.lo + 3);
        EXPECT_EQ(*c.field, c.hi) << SETUP_ITEM_TEXT[c.item];
        send(DOWN, c.hi - c.lo + 3);
        EXPECT_EQ(*c.field, c.lo) << SETUP_ITEM_TEXT[c.item];
    }
    // AUDIO VOL at 10: up stays at 10 and still writes it.
    SetUp();
    d.audio_volume = 10;
    open(4);
    d.audio_volume = 3;
    send(UP);
    EXPECT_EQ(d.audio_volume, 10u);
    send(DOWN, 12);
    EXPECT_EQ(d.audio_volume, 0u);
}

// One press moves a value by its step from the stored value: 5 for the AOA limits, 1 for the rest.
TEST_F(SetupMenu, EachPressStepsByItsUnit) {
    struct Case {
        int32_t item, selects, event;
        int32_t* field;
        int32_t want;
    } cases[] = {
        {6, 0, UP, &d.aoa_prestall_limit, 155},
        {6, 1, DOWN, &d.aoa_cruise_limit, 45},
        {7, 0, UP, &d.g_limit_positive, 21},
        {7, 1, DOWN, &d.g_limit_negative, -11},
        {8, 0, UP, &d.slip_trim, 1},
        {9, 0, DOWN, &d.roll_trim, -1},
        {10, 0, UP, &d.pitch_trim, 1},
        {11, 0, DOWN, &d.oat_trim, -1},
        {15, 1, UP, &d.ias_trim_low, 1},
        {16, 1, DOWN, &d.alt_trim_low, -1},
    };
    for (const Case& c : cases) {
        SetUp();
        open(c.item);
        send(SEL, c.selects);
        send(c.event);
        EXPECT_EQ(*c.field, c.want) << SETUP_ITEM_TEXT[c.item];
    }
}

// A trim step takes the live reading as its reference; HIGH TRIM opens only far enough from LOW's.
TEST_F(SetupMenu, TrimReferencesAndTheHighTrimsAvailability) {
    open(16);
    send(SEL); // LOW TRIM
    send(UP);
    EXPECT_EQ(d.alt_trim_low_ref, SETUP_LIVE_ALTITUDE);
    send(SEL);
    EXPECT_EQ(s.alt_trim_editing, 0);
    send(DOWN); // HIGH TRIM: 8191 above the reference is not enough, only more than 10000 opens it
    send(SEL);
    EXPECT_EQ(s.alt_trim_editing, 0);
    d.alt_trim_low_ref = SETUP_LIVE_ALTITUDE - 10000;
    send(SEL);
    EXPECT_EQ(s.alt_trim_editing, 0);
    d.alt_trim_low_ref = SETUP_LIVE_ALTITUDE - 10001;
    send(SEL);
    ASSERT_EQ(s.alt_trim_editing, 1);
    send(UP, 301);
    EXPECT_EQ(d.alt_trim_high, 300);
    EXPECT_EQ(d.alt_trim_high_ref, SETUP_LIVE_ALTITUDE);
    send(BOTH); // nothing while editing
    EXPECT_EQ(s.setup_screen, SETUP_ALT_TRIM);

    SetUp();
    open(15);
    send(DOWN);
    send(SEL);
    EXPECT_EQ(s.ias_trim_editing, 0);
    d.ias_trim_low_ref = -71; // 71 knots below the live 0
    send(SEL);
    ASSERT_EQ(s.ias_trim_editing, 1);
    send(DOWN);
    EXPECT_EQ(d.ias_trim_low_ref, -71); // HIGH leaves the low reference alone
}

TEST_F(SetupMenu, DemoModeSelectsWithoutLeavingAndStopsTheOscillators) {
    host_start(); // settings at their start values, DEMO 1 running
    current_page = PAGE_SETUP;
    open(17);
    EXPECT_EQ(s.demo_mode_cursor, 0);
    send(SEL);
    EXPECT_EQ(d.demo_mode, DEMO_NONE);
    EXPECT_EQ(s.setup_screen, SETUP_DEMO_MODE);
    const float sweep = demo_sweep, roll = demo_roll_deg;
    for (int i = 0; i < 5; ++i) host_tick_10ms();
    EXPECT_EQ(demo_sweep, sweep);
    EXPECT_EQ(demo_roll_deg, roll);
    for (int32_t row : {1, 2, 0}) {
        send(DOWN);
        EXPECT_EQ(s.demo_mode_cursor, row);
    }
    send(UP); // wraps to DEMO 2
    send(SEL);
    EXPECT_EQ(d.demo_mode, DEMO_2);
    host_tick_10ms();
    EXPECT_NE(demo_sweep, sweep);
}

// BLUE BG set on MISC OPTIONS turns the background of every page drawn on the next frame.
TEST_F(SetupMenu, BlueBackgroundReachesEveryPage) {
    open(5);
    send(SEL);
    ASSERT_EQ(d.option_flags & OPTION_BLUE_BG, OPTION_BLUE_BG);
    static FrameBuffer f;
    // ATTITUDE is sky and ground edge to edge: it has no background to turn.
    for (int32_t page :
         {PAGE_CLOCK, PAGE_RUN_TIME, PAGE_TIMER1, PAGE_TIMER2, PAGE_AOA, PAGE_G_METER, PAGE_SETUP}) {
        current_page = page;
        page_draw_frame(f.pixels);
        EXPECT_EQ(f.pixels[gfx_index(127, 0, FRAME_WIDTH, FRAME_HEIGHT)], COLOR_BLUE_BG) << "page " << page;
    }
}
