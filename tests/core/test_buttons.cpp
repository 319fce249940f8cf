#include <gtest/gtest.h>

#include <sstream>
#include <string>
#include <vector>

#include "core/buttons.h"
#include "core/page.h"
#include "host/host.h"
#include "pages/aoa.h"
#include "pages/g_meter.h"
#include "setup/settings.h"
#include "setup/setup_menu.h"

namespace {

// "a b*n ...": each value once, or n times in a row.
std::vector<int32_t> expand(const char* runs) {
    std::vector<int32_t> out;
    std::istringstream in(runs);
    for (std::string w; in >> w;) {
        const size_t star = w.find('*');
        out.insert(out.end(), star == std::string::npos ? 1 : std::stoi(w.substr(star + 1)), std::stoi(w));
    }
    return out;
}

// Whole ticks through the dispatch, driving the host's button lines.
class Dispatch : public ::testing::Test {
  protected:
    void SetUp() override {
        host_reset_all();
        setup_settings_reset();
    }
    void hold(int32_t v, int32_t l, int32_t r, int n) {
        view_button_down = v;
        left_button_down = l;
        right_button_down = r;
        for (int i = 0; i < n; ++i) btn_process_tick();
    }
    void click(int32_t v, int32_t l, int32_t r) {
        hold(v, l, r, 3);
        hold(0, 0, 0, 3);
    }
    void click_view() { click(1, 0, 0); }
    void click_left() { click(0, 1, 0); }
    void click_right() { click(0, 0, 1); }
    void click_both() { click(0, 1, 1); }
};

} // namespace

// Lines as VLR digits (110: VIEW and left down) held for ticks, and the event of every tick. Events: 1..3
// VIEW press, release, long; 4..6 left; 7..9 right (9 the brightness hold); 10..12 BOTH.
TEST(Decoder, EventSequences) {
    const struct {
        const char *what, *lines, *events;
    } cases[] = {
        // VIEW: the hold count passes 60 on the 61st tick, even when that is the release tick.
        {"view click", "100*59 0*2", "1 0*58 2 0"},
        {"view let go as its count reaches 60", "100*60 0*2", "1 0*59 3 0"},
        {"view long press fires once", "100*100 0*2", "1 0*59 3 0*41"},
        {"left click", "10*60 0*2", "4 0*59 5 0"},
        {"left long press repeats", "10*64 0*2", "4 0*59 6*4 0*2"},
        {"right dead band, then hold", "1*123 0*2", "7 0*119 9*3 0*2"},
        {"right release in the dead band", "1*100 0", "7 0*99 8"},
        // The dead band blocks VIEW; once the right key is up, the VIEW press clears the hold's
        // suppression, so the right release on the next tick is reported.
        {"dead band blocks VIEW", "1*70 101*60 100*2", "7 0*119 9*10 1 8"},
        {"both click", "11*10 0*2", "10 0*9 11 0"},
        {"both long press repeats", "11*63 0*2", "10 0*59 12*3 11 0"},
        {"both, right let go first", "11*5 10*3 0*2", "10 0*7 11 0"},
        {"both, left let go first", "11*5 1*3 0*2", "10 0*7 11 0"},
        {"right joins a held left", "10*3 11*2 0*2", "4 0*2 10 0 11 0"},
        // Several lines changing in one tick are taken one per tick: VIEW, then left, then right (the
        // left release before the right press that came with it).
        {"simultaneous changes", "110*3 0*3 101*2 0*3 10 1*2", "1 4 0 2 5 0 1 7 2 8 0 4 5 7"},
        // A VIEW long press suppresses its release, but a left press while VIEW is held clears that.
        {"left press after a view long press", "100*70 110*3 100 0", "1 0*59 3 0*9 4 0*2 5 2"},
        // BOTH's own release ignores the suppression its long press set; a VIEW held under it does not.
        {"view let go after a both long press", "100*61 111*61 100 0", "1 0*59 3 10 0*59 12 11 0"},
    };
    for (const auto& c : cases) {
        host_reset_all();
        std::vector<int32_t> got;
        for (int32_t vlr : expand(c.lines)) got.push_back(btn_decode(vlr / 100, vlr / 10 % 10, vlr % 10));
        EXPECT_EQ(got, expand(c.events)) << c.what;
    }
}

// Opening on the hold, staying after its silent release and the closing click are walked in
// tests/scripts/core_brightness.zts.
TEST_F(Dispatch, BrightnessHoldWithViewDownOpensNothing) {
    hold(1, 0, 0, 1);
    hold(1, 0, 1, 200);
    EXPECT_EQ(button_event, EV_RIGHT_HOLD);
    EXPECT_EQ(brightness_overlay_shown, 0);
}

TEST_F(Dispatch, BrightnessOverlayInput) {
    brightness_overlay_shown = 1;
    struct Case {
        int32_t from;
        bool up;
        int32_t to;
    };
    const Case cases[] = {{30, true, 40}, {9, true, 10},    {10, true, 20}, {90, true, 100}, {100, true, 100},
                          {10, false, 9}, {100, false, 90}, {2, false, 1},  {1, false, 1}};
    for (const Case& c : cases) {
        brightness_percent = c.from;
        brightness_manual = 0;
        if (c.up) {
            click_view();
        } else {
            click_left();
        }
        EXPECT_EQ(brightness_percent, c.to) << c.from << (c.up ? " up" : " down");
        EXPECT_EQ(brightness_manual, 1);
    }
    EXPECT_EQ(current_page, PAGE_SPLASH) << "the left release went to the overlay, not to page stepping";
    // BOTH toggles the mode, and the page under the overlay does not see it.
    current_page = PAGE_RUN_TIME;
    engine_run_time = {1, 2, 3};
    const int32_t manual_after[][2] = {{1, 0}, {0, 1}, {5, 1}};
    for (const auto& m : manual_after) {
        brightness_manual = m[0];
        click_both();
        EXPECT_EQ(brightness_manual, m[1]) << m[0];
    }
    EXPECT_EQ(engine_run_time.seconds, 3);
    EXPECT_EQ(brightness_overlay_shown, 1);
}

TEST_F(Dispatch, AlertAcknowledgementTakesTimer1FirstAndNothingElseSeesIt) {
    static FrameBuffer f;
    current_page = PAGE_ATTITUDE;
    brightness_overlay_shown = 1;
    timer1_alert = timer2_alert = 1;
    page_draw_frame(f.pixels);
    click_view();
    EXPECT_EQ(timer1_alert, 0);
    EXPECT_EQ(timer2_alert, 1);
    page_draw_frame(f.pixels);
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

TEST_F(Dispatch, PageStepping) {
    // With SETUP's bit clear, as after a PAGE ENABLE edit, forward still reaches it.
    const bool R = true, L = false;
    struct Case {
        uint32_t mask;
        int32_t from;
        bool right;
        int32_t to;
    } cases[] = {
        {0x1FB, PAGE_SPLASH, R, PAGE_CLOCK},    {0x1FB, PAGE_SPLASH, L, PAGE_SETUP},
        {0x1FB, PAGE_RUN_TIME, R, PAGE_TIMER1}, {0x1FB, PAGE_TIMER1, L, PAGE_RUN_TIME},
        {0x1FB, PAGE_ATTITUDE, R, PAGE_SETUP},  {0x1FB, PAGE_SETUP, R, PAGE_CLOCK},
        {0x1FB, PAGE_CLOCK, L, PAGE_SETUP},     {0x021, PAGE_CLOCK, R, PAGE_AOA},
        {0x021, PAGE_AOA, R, PAGE_SETUP},       {0x021, PAGE_CLOCK, L, PAGE_SETUP},
        {0x021, PAGE_SETUP, L, PAGE_AOA},       {0, PAGE_CLOCK, R, PAGE_SETUP},
        {0, PAGE_SETUP, L, PAGE_SETUP},
    };
    for (const Case& c : cases) {
        device_settings.page_enable_mask = c.mask;
        current_page = c.from;
        // SETUP itself is left only from its title state.
        const int32_t item = c.from == PAGE_SETUP ? -1 : 4;
        setup_state.setup_selected_item = item;
        setup_state.page_enable_cursor = 2;
        if (c.right) {
            click_right();
        } else {
            click_left();
        }
        EXPECT_EQ(current_page, c.to) << c.from << (c.right ? " next" : " back") << " with mask " << c.mask;
        // Only arriving at SETUP going forward starts its menu over.
        bool reset = c.right && c.to == PAGE_SETUP;
        EXPECT_EQ(setup_state.setup_selected_item, reset ? -1 : item) << c.from;
        EXPECT_EQ(setup_state.page_enable_cursor, reset ? -1 : 2) << c.from;
    }
}

// RUN TIME's inputs are walked in tests/scripts/run_time_clear.zts.
TEST_F(Dispatch, PageInputs) {
    // AOA view 0 shows the load factor too, so BOTH clears its peaks there; the bar view leaves them.
    current_page = PAGE_AOA;
    click_both(); // from the start peaks 15, 2 and 2.5, 0.5
    EXPECT_EQ(aoa_peak_high + aoa_peak_low, 0.0f);
    EXPECT_EQ(g_peak_high + g_peak_low, 2.0f);
    click_view();
    EXPECT_EQ(aoa_view, 1);
    aoa_peak_high = 9.0f;
    g_peak_high = g_peak_low = 2.0f;
    click_both();
    EXPECT_EQ(aoa_peak_high, 0.0f);
    EXPECT_EQ(g_peak_high + g_peak_low, 4.0f);
    click_view();
    EXPECT_EQ(aoa_view, 0);

    current_page = PAGE_G_METER;
    aoa_peak_high = 9.0f;
    for (int32_t v : {1, 2, 0}) {
        click_view();
        EXPECT_EQ(g_view, v);
    }
    click_both();
    EXPECT_EQ(g_peak_high + g_peak_low, 2.0f);
    EXPECT_EQ(aoa_peak_high, 9.0f);

    current_page = PAGE_ATTITUDE;
    for (int32_t before : {1, 0, 3}) {
        attitude_inset_shown = before;
        click_view();
        EXPECT_EQ(attitude_inset_shown, before == 1 ? 0 : 1) << before;
    }
    EXPECT_EQ(current_page, PAGE_ATTITUDE);
}
