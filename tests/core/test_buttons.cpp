#include <gtest/gtest.h>

#include <vector>

#include "core/buttons.h"
#include "core/page.h"
#include "host/host.h"
#include "pages/aoa.h"
#include "pages/g_meter.h"
#include "setup/settings.h"
#include "setup/setup_menu.h"

namespace {

// Decoder alone: the events of n ticks with the lines held at (v, l, r).
std::vector<int32_t> decode(int32_t v, int32_t l, int32_t r, int n) {
    std::vector<int32_t> out;
    for (int i = 0; i < n; ++i) out.push_back(btn_decode(v, l, r));
    return out;
}

std::vector<int32_t> concat(std::initializer_list<std::vector<int32_t>> parts) {
    std::vector<int32_t> out;
    for (const auto& p : parts) out.insert(out.end(), p.begin(), p.end());
    return out;
}

std::vector<int32_t> repeat(int32_t ev, int n) { return std::vector<int32_t>(n, ev); }

class Decoder : public ::testing::Test {
  protected:
    void SetUp() override { host_reset_all(); }
};

// Whole ticks through the dispatch, driving the host's button lines.
class Dispatch : public ::testing::Test {
  protected:
    void SetUp() override {
        host_reset_all();
        setup_settings_reset();
    }
    void ticks(int n) {
        for (int i = 0; i < n; ++i) btn_process_tick();
    }
    void set(int32_t v, int32_t l, int32_t r) {
        view_button_down = v;
        left_button_down = l;
        right_button_down = r;
    }
    void click_view() { press_release(1, 0, 0); }
    void click_left() { press_release(0, 1, 0); }
    void click_right() { press_release(0, 0, 1); }
    void click_both() { press_release(0, 1, 1); }
    void press_release(int32_t v, int32_t l, int32_t r) {
        set(v, l, r);
        ticks(3);
        set(0, 0, 0);
        ticks(3);
    }
    // The event that the dispatch leaves in button_event for a one-tick press of both keys.
    int32_t both_press_left_over() {
        set(0, 1, 1);
        btn_process_tick();
        int32_t ev = button_event;
        set(0, 0, 0);
        ticks(2);
        return ev;
    }
};

} // namespace

TEST_F(Decoder, ViewClickAndLongPress) {
    // Released with 58 counted hold ticks: a click.
    EXPECT_EQ(concat({decode(1, 0, 0, 59), decode(0, 0, 0, 2)}),
              concat({{EV_VIEW_PRESS}, repeat(0, 58), {EV_VIEW_RELEASE, 0}}));
    // Held 60 ticks after the press tick: the long press fires once and the release is silent.
    EXPECT_EQ(concat({decode(1, 0, 0, 100), decode(0, 0, 0, 2)}),
              concat({{EV_VIEW_PRESS}, repeat(0, 59), {EV_VIEW_LONG}, repeat(0, 39), {0, 0}}));
    // Released on the tick the count reaches 60: that tick still reports the long press, the next is silent.
    EXPECT_EQ(concat({decode(1, 0, 0, 60), decode(0, 0, 0, 2)}),
              concat({{EV_VIEW_PRESS}, repeat(0, 59), {EV_VIEW_LONG, 0}}));
}

TEST_F(Decoder, LeftClickAndRepeatingLongPress) {
    EXPECT_EQ(concat({decode(0, 1, 0, 60), decode(0, 0, 0, 2)}),
              concat({{EV_LEFT_PRESS}, repeat(0, 59), {EV_LEFT_RELEASE, 0}}));
    EXPECT_EQ(concat({decode(0, 1, 0, 64), decode(0, 0, 0, 2)}),
              concat({{EV_LEFT_PRESS}, repeat(0, 59), repeat(EV_LEFT_LONG, 4), {0, 0}}));
}

TEST_F(Decoder, RightKeyDeadBandThenBrightnessHold) {
    EXPECT_EQ(concat({decode(0, 0, 1, 123), decode(0, 0, 0, 2)}),
              concat({{EV_RIGHT_PRESS}, repeat(0, 119), repeat(EV_RIGHT_HOLD, 3), {0, 0}}));
    // A release inside the dead band is an ordinary release.
    EXPECT_EQ(concat({decode(0, 0, 1, 100), decode(0, 0, 0, 1)}),
              concat({{EV_RIGHT_PRESS}, repeat(0, 99), {EV_RIGHT_RELEASE}}));
}

TEST_F(Decoder, DeadBandBlocksOtherButtonsUntilTheRightKeyIsReleased) {
    decode(0, 0, 1, 70); // 69 counted hold ticks
    // VIEW goes down during the dead band: not taken, and still not taken once the hold repeats.
    EXPECT_EQ(decode(1, 0, 1, 60), concat({repeat(0, 50), repeat(EV_RIGHT_HOLD, 10)}));
    // The right key goes up: the VIEW press is taken first and clears the hold's suppression,
    // so the right release that follows on the next tick is reported.
    EXPECT_EQ(decode(1, 0, 0, 2), (std::vector<int32_t>{EV_VIEW_PRESS, EV_RIGHT_RELEASE}));
}

TEST_F(Decoder, BothPressReleaseAndRepeat) {
    EXPECT_EQ(concat({decode(0, 1, 1, 10), decode(0, 0, 0, 2)}),
              concat({{EV_BOTH_PRESS}, repeat(0, 9), {EV_BOTH_RELEASE, 0}}));
    EXPECT_EQ(concat({decode(0, 1, 1, 63), decode(0, 0, 0, 2)}),
              concat({{EV_BOTH_PRESS}, repeat(0, 59), repeat(EV_BOTH_LONG, 3), {EV_BOTH_RELEASE, 0}}));
    EXPECT_EQ(button_decoder.both_active, 0);
}

TEST_F(Decoder, BothKeysLetGoOneAtATimeGiveNoSingleRelease) {
    EXPECT_EQ(concat({decode(0, 1, 1, 5), decode(0, 1, 0, 3), decode(0, 0, 0, 2)}),
              concat({{EV_BOTH_PRESS}, repeat(0, 4), repeat(0, 3), {EV_BOTH_RELEASE, 0}}));
    EXPECT_EQ(concat({decode(0, 1, 1, 5), decode(0, 0, 1, 3), decode(0, 0, 0, 2)}),
              concat({{EV_BOTH_PRESS}, repeat(0, 4), repeat(0, 3), {EV_BOTH_RELEASE, 0}}));
    // Afterwards the keys work singly again.
    EXPECT_EQ(concat({decode(0, 0, 1, 2), decode(0, 0, 0, 1)}),
              (std::vector<int32_t>{EV_RIGHT_PRESS, 0, EV_RIGHT_RELEASE}));
}

TEST_F(Decoder, SecondKeyJoiningMakesABothPress) {
    EXPECT_EQ(concat({decode(0, 1, 0, 3), decode(0, 1, 1, 2), decode(0, 0, 0, 2)}),
              (std::vector<int32_t>{EV_LEFT_PRESS, 0, 0, EV_BOTH_PRESS, 0, EV_BOTH_RELEASE, 0}));
}

TEST_F(Decoder, TwoLinesChangingInOneTickAreTakenOnePerTick) {
    // VIEW before left before right.
    EXPECT_EQ(decode(1, 1, 0, 3), (std::vector<int32_t>{EV_VIEW_PRESS, EV_LEFT_PRESS, 0}));
    EXPECT_EQ(decode(0, 0, 0, 3), (std::vector<int32_t>{EV_VIEW_RELEASE, EV_LEFT_RELEASE, 0}));
    EXPECT_EQ(decode(1, 0, 1, 2), (std::vector<int32_t>{EV_VIEW_PRESS, EV_RIGHT_PRESS}));
    EXPECT_EQ(decode(0, 0, 0, 3), (std::vector<int32_t>{EV_VIEW_RELEASE, EV_RIGHT_RELEASE, 0}));
}

TEST_F(Decoder, LaterPressClearsTheReleaseSuppression) {
    // VIEW long press suppresses its release, but a left click while VIEW is still held clears that.
    decode(1, 0, 0, 70);
    EXPECT_EQ(button_decoder.release_suppressed, 1);
    EXPECT_EQ(concat({decode(1, 1, 0, 3), decode(1, 0, 0, 1), decode(0, 0, 0, 1)}),
              (std::vector<int32_t>{EV_LEFT_PRESS, 0, 0, EV_LEFT_RELEASE, EV_VIEW_RELEASE}));
    // A BOTH long press leaves the suppression set after its release; the next press clears it.
    decode(0, 1, 1, 61);
    decode(0, 0, 0, 1);
    EXPECT_EQ(button_decoder.release_suppressed, 1);
    EXPECT_EQ(concat({decode(0, 1, 0, 1), decode(0, 0, 0, 1)}),
              (std::vector<int32_t>{EV_LEFT_PRESS, EV_LEFT_RELEASE}));
}

TEST_F(Dispatch, BrightnessOverlayOpensOnTheFirstHoldAndStaysAfterTheSilentRelease) {
    set(0, 0, 1);
    ticks(120);
    EXPECT_EQ(brightness_overlay_shown, 0);
    ticks(1);
    EXPECT_EQ(brightness_overlay_shown, 1);
    ticks(20);
    set(0, 0, 0);
    ticks(2);
    EXPECT_EQ(brightness_overlay_shown, 1);
    EXPECT_EQ(current_page, PAGE_SPLASH);
    click_right();
    EXPECT_EQ(brightness_overlay_shown, 0);
    EXPECT_EQ(current_page, PAGE_SPLASH) << "the closing click is not a page step";
}

TEST_F(Dispatch, BrightnessHoldWithViewDownDoesNotOpenTheOverlay) {
    set(1, 0, 0);
    ticks(1);
    set(1, 0, 1);
    ticks(200);
    EXPECT_EQ(button_event, EV_RIGHT_HOLD);
    EXPECT_EQ(brightness_overlay_shown, 0);
}

TEST_F(Dispatch, BrightnessStepsAtBothEnds) {
    brightness_overlay_shown = 1;
    struct Case {
        int32_t from;
        bool up;
        int32_t to;
    };
    const Case cases[] = {{30, true, 40},  {100, true, 100}, {10, false, 9}, {1, false, 1}, {9, true, 10},
                          {10, true, 20},  {90, true, 100},  {20, false, 10}, {2, false, 1}, {100, false, 90},
                          {1, true, 2}};
    for (const Case& c : cases) {
        brightness_percent = c.from;
        brightness_manual = 0;
        if (c.up) click_view();
        else click_left();
        EXPECT_EQ(brightness_percent, c.to) << c.from << (c.up ? " up" : " down");
        EXPECT_EQ(brightness_manual, 1);
        EXPECT_EQ(brightness_overlay_shown, 1);
    }
    EXPECT_EQ(current_page, PAGE_SPLASH) << "the left release went to the overlay, not to page stepping";
}

TEST_F(Dispatch, BothTogglesManualAndOtherEventsAreSwallowed) {
    brightness_overlay_shown = 1;
    brightness_manual = 0;
    click_both();
    EXPECT_EQ(brightness_manual, 1);
    click_both();
    EXPECT_EQ(brightness_manual, 0);
    brightness_manual = 5;
    click_both();
    EXPECT_EQ(brightness_manual, 1);
    current_page = PAGE_ATTITUDE;
    set(1, 0, 0);
    ticks(80); // long VIEW press
    set(0, 0, 0);
    ticks(2);
    EXPECT_EQ(attitude_inset_shown, 1);
    EXPECT_EQ(brightness_percent, 30);
    EXPECT_EQ(brightness_overlay_shown, 1);
}

TEST_F(Dispatch, AlertAcknowledgementTakesTimer1FirstAndNothingElseSeesIt) {
    static FrameBuffer f;
    current_page = PAGE_ATTITUDE;
    brightness_overlay_shown = 1;
    timer1_alert = timer2_alert = 1;
    page_draw_frame(f.pixels);
    ASSERT_EQ(alert_active, 1);
    click_view();
    EXPECT_EQ(timer1_alert, 0);
    EXPECT_EQ(timer2_alert, 1);
    page_draw_frame(f.pixels);
    EXPECT_EQ(alert_active, 1);
    click_view();
    EXPECT_EQ(timer2_alert, 0);
    EXPECT_EQ(brightness_percent, 30) << "the overlay's up arrow must not see an acknowledgement";
    EXPECT_EQ(brightness_manual, 0);

    // With the overlay closed the page does not see it either.
    brightness_overlay_shown = 0;
    timer2_alert = 1;
    page_draw_frame(f.pixels);
    click_view();
    EXPECT_EQ(timer2_alert, 0);
    EXPECT_EQ(attitude_inset_shown, 1);
    // Once the alert flag is recomputed as clear, VIEW reaches the page again.
    page_draw_frame(f.pixels);
    click_view();
    EXPECT_EQ(attitude_inset_shown, 0);
}

TEST_F(Dispatch, PageSteppingWithTheStartMask) {
    click_right();
    EXPECT_EQ(current_page, PAGE_CLOCK) << "right from the splash";
    click_right();
    EXPECT_EQ(current_page, PAGE_RUN_TIME);
    click_right();
    EXPECT_EQ(current_page, PAGE_TIMER1) << "XPDR CTRL is skipped";
    click_left();
    EXPECT_EQ(current_page, PAGE_RUN_TIME);
    click_left();
    click_left();
    EXPECT_EQ(current_page, PAGE_SETUP) << "previous from CLOCK wraps to SETUP";
    click_right();
    EXPECT_EQ(current_page, PAGE_CLOCK);

    host_reset_all();
    setup_settings_reset();
    click_left();
    EXPECT_EQ(current_page, PAGE_SETUP) << "left from the splash";
    current_page = PAGE_ATTITUDE;
    click_right();
    EXPECT_EQ(current_page, PAGE_SETUP);
}

TEST_F(Dispatch, PageSteppingWithMasksThatHidePages) {
    // Only CLOCK and AOA enabled, SETUP's bit clear (as after a PAGE ENABLE edit).
    device_settings.page_enable_mask = 0x021;
    current_page = PAGE_CLOCK;
    click_right();
    EXPECT_EQ(current_page, PAGE_AOA);
    click_right();
    EXPECT_EQ(current_page, PAGE_SETUP) << "SETUP is always reached going forward";
    click_right();
    EXPECT_EQ(current_page, PAGE_CLOCK);
    click_left();
    EXPECT_EQ(current_page, PAGE_SETUP) << "the way back wraps past the first enabled page";
    click_left();
    EXPECT_EQ(current_page, PAGE_AOA);

    // Nothing enabled at all: forward always lands on SETUP, and so does back.
    device_settings.page_enable_mask = 0;
    current_page = PAGE_CLOCK;
    click_right();
    EXPECT_EQ(current_page, PAGE_SETUP);
    click_left();
    EXPECT_EQ(current_page, PAGE_SETUP);
}

TEST_F(Dispatch, ArrivingAtSetupForwardResetsItsCursors) {
    setup_selected_item = 4;
    page_enable_cursor = 2;
    current_page = PAGE_CLOCK;
    click_left();
    ASSERT_EQ(current_page, PAGE_SETUP);
    EXPECT_EQ(setup_selected_item, 4);
    EXPECT_EQ(page_enable_cursor, 2);
    current_page = PAGE_ATTITUDE;
    click_right();
    ASSERT_EQ(current_page, PAGE_SETUP);
    EXPECT_EQ(setup_selected_item, -1);
    EXPECT_EQ(page_enable_cursor, -1);
}

TEST_F(Dispatch, RunTimePageSelectsAndClearsACounter) {
    current_page = PAGE_RUN_TIME;
    flight_time = {1, 2, 3};
    engine_run_time = {4, 5, 6};
    EXPECT_EQ(both_press_left_over(), EV_NONE);
    EXPECT_EQ(engine_run_time.hours + engine_run_time.minutes + engine_run_time.seconds, 0);
    EXPECT_EQ(flight_time.seconds, 3);
    click_view();
    EXPECT_EQ(flight_time_selected, 1);
    both_press_left_over();
    EXPECT_EQ(flight_time.hours + flight_time.minutes + flight_time.seconds, 0);
    click_view();
    EXPECT_EQ(flight_time_selected, 0);
    EXPECT_EQ(current_page, PAGE_RUN_TIME);
}

TEST_F(Dispatch, AoaPageViewsAndPeakClearing) {
    current_page = PAGE_AOA;
    EXPECT_EQ(both_press_left_over(), EV_NONE);
    EXPECT_EQ(aoa_peak_high, 0.0f);
    EXPECT_EQ(aoa_peak_low, 0.0f);
    EXPECT_EQ(g_peak_high, 1.0f) << "view 0 shows the load factor too";
    EXPECT_EQ(g_peak_low, 1.0f);
    click_view();
    EXPECT_EQ(aoa_view, 1);
    aoa_peak_high = 9.0f;
    g_peak_high = 2.0f;
    g_peak_low = 0.8f;
    both_press_left_over();
    EXPECT_EQ(aoa_peak_high, 0.0f);
    EXPECT_EQ(g_peak_high, 2.0f) << "the bar view leaves the load peaks alone";
    EXPECT_EQ(g_peak_low, 0.8f);
    click_view();
    EXPECT_EQ(aoa_view, 0);
}

TEST_F(Dispatch, GMeterAndAttitudeInputs) {
    current_page = PAGE_G_METER;
    const int32_t views[] = {1, 2, 0, 1};
    for (int32_t v : views) {
        click_view();
        EXPECT_EQ(g_view, v);
    }
    aoa_peak_high = 7.0f;
    EXPECT_EQ(both_press_left_over(), EV_NONE);
    EXPECT_EQ(g_peak_high, 1.0f);
    EXPECT_EQ(g_peak_low, 1.0f);
    EXPECT_EQ(aoa_peak_high, 7.0f);

    current_page = PAGE_ATTITUDE;
    click_view();
    EXPECT_EQ(attitude_inset_shown, 0);
    click_view();
    EXPECT_EQ(attitude_inset_shown, 1);
    attitude_inset_shown = 3;
    click_view();
    EXPECT_EQ(attitude_inset_shown, 1);
    EXPECT_EQ(both_press_left_over(), EV_BOTH_PRESS) << "ATTITUDE has no use for BOTH";
    EXPECT_EQ(current_page, PAGE_ATTITUDE);
}

TEST_F(Dispatch, PagesWithoutHandlersPassEventsOn) {
    current_page = PAGE_CLOCK;
    EXPECT_EQ(both_press_left_over(), EV_BOTH_PRESS);
    click_view();
    EXPECT_EQ(current_page, PAGE_CLOCK);
    click_right();
    EXPECT_EQ(current_page, PAGE_RUN_TIME);
}
