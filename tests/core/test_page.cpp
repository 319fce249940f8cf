#include <gtest/gtest.h>

#include <iterator>
#include <string>
#include <vector>

#include "core/buttons.h"
#include "core/page.h"
#include "gfx/masks.h"
#include "host/host.h"
#include "pages/timer.h"
#include "setup/settings.h"
#include "../pages/frame_probe.h"

namespace {

constexpr uint32_t WHITE = 0xFFFFFFFF, ALERT_GREY = 0xFFC0C0C0, GREY = 0xFF707070, LABEL = 0xFF60F0F0;

void mask(ProbeFrame& f, const MaskImage& m, int x, int y) {
    gfx_draw_mask(f.px(), FRAME_WIDTH, FRAME_HEIGHT, m.data, m.width, m.height, x, y, WHITE);
}

// The splash picture as the frame shows it: every 4-bit channel n becomes 16 n.
ProbeFrame splash_picture() {
    ProbeFrame fr;
    for (int y = 0; y < FRAME_HEIGHT; ++y)
        for (int x = 0; x < FRAME_WIDTH; ++x) {
            uint32_t p = SPLASH_IMAGE[gfx_index(x, y, FRAME_WIDTH, FRAME_HEIGHT)];
            fr.px()[gfx_index(x, y, FRAME_WIDTH, FRAME_HEIGHT)] =
                0xFF000000u + ((p >> 8) & 0xF) * 0x100000u + ((p >> 4) & 0xF) * 0x1000u + (p & 0xF) * 0x10u;
        }
    return fr;
}

class Page : public ::testing::Test {
  protected:
    void SetUp() override {
        host_reset_all();
        setup_settings_reset();
    }
    ProbeFrame frame;
    void draw() { page_draw_frame(frame.px()); }
    // A bar of columns x, x + 1 and rows 145..155, with nothing around it.
    bool white_bar_at(int x) const {
        ProbeFrame bar;
        gfx_fill_rect(bar.px(), x, 145, x + 2, 156, WHITE);
        return frame.same(bar, {x - 1, 144, x + 2, 156});
    }
};

} // namespace

// The picture with "ZT-30-S" (font 1) and "1.8" in grey, and the demo mode's "D1" or "D2" in light cyan.
TEST_F(Page, SplashCopiesThePictureAndWritesItsTexts) {
    for (uint32_t mode : {DEMO_1, DEMO_NONE, DEMO_2}) {
        device_settings.demo_mode = mode;
        splash_countdown = SPLASH_FRAMES;
        draw();
        ProbeFrame want = splash_picture();
        font_draw_text_centered(want.px(), 1, 64, 100, GREY, "ZT-30-S");
        font_draw_text_centered(want.px(), 0, 64, 143, GREY, "1.8");
        if (mode != DEMO_NONE)
            font_draw_text_centered(want.px(), 0, 10, 10, LABEL, mode == DEMO_1 ? "D1" : "D2");
        EXPECT_TRUE(frame.same(want)) << "demo mode " << mode;
    }
}

TEST_F(Page, SplashHandsOverToClockOnFrame120WithItsAlertAlreadyDrawn) {
    const ProbeFrame splash = splash_picture();
    timer1_alert = 1;
    for (int i = 1; i < SPLASH_FRAMES; ++i) {
        draw();
        ASSERT_EQ(current_page, PAGE_SPLASH) << "frame " << i;
    }
    EXPECT_EQ(frame.at(0, 5), splash.at(0, 5));
    draw();
    EXPECT_EQ(current_page, PAGE_CLOCK);
    // Still the splash picture, with the alert strip over it from this very frame.
    EXPECT_EQ(frame.at(60, 40), splash.at(60, 40));
    EXPECT_EQ(frame.at(0, 5), ALERT_GREY);
    // The blink counter started at 0, so it runs below 0 and never reaches 0 again: the strip stays on
    // until the alert falls and the counter starts over at 20.
    draw();
    EXPECT_EQ(frame.at(0, 5), ALERT_GREY);
    EXPECT_EQ(alert_blink_counter, -2);
    timer1_alert = 0;
    draw();
    EXPECT_EQ(alert_blink_counter, 20);
    EXPECT_TRUE(white_bar_at(115)) << "CLOCK drawn";
}

TEST_F(Page, SoftkeyBarsCountEnabledPagesOnEachSide) {
    struct Case {
        uint32_t mask;
        int32_t page;
        std::vector<int> bars;
    };
    const Case cases[] = {
        {0x1FB, PAGE_CLOCK, {91, 95, 99, 103, 107, 111, 115}},
        {0x1FB, PAGE_TIMER1, {12, 16, 99, 103, 107, 111, 115}},
        {0x1FB, PAGE_SETUP, {12, 16, 20, 24, 28, 32, 36}},
        {0x0A1, PAGE_AOA, {12, 115}}, // CLOCK, AOA, ATTITUDE; SETUP loses its bar once its bit is clear
        {0, PAGE_RUN_TIME, {}},
    };
    // Both arrows on every page, SETUP included, each in its corner, and nothing else.
    for (const Case& c : cases) {
        device_settings.page_enable_mask = c.mask;
        current_page = c.page;
        frame = ProbeFrame();
        page_draw_softkeys(frame.px());
        ProbeFrame want;
        mask(want, MASK_ARROW_LEFT, 2, 143);
        mask(want, MASK_ARROW_RIGHT, 119, 143);
        for (int x : c.bars) gfx_fill_rect(want.px(), x, 145, x + 2, 156, WHITE);
        EXPECT_TRUE(frame.same(want)) << c.page;
    }
}

TEST_F(Page, AlertStripBlinksElevenOffNineOnOverPageAndOverlay) {
    current_page = PAGE_CLOCK;
    draw(); // no alert: the blink starts over
    timer2_alert = 1;
    std::string seen;
    for (int i = 0; i < 40; ++i) {
        brightness_overlay_shown = i >= 20;
        draw();
        seen += frame.at(0, 5) == ALERT_GREY ? '#' : '.';
    }
    EXPECT_EQ(seen, "...........#########...........#########");
}

TEST_F(Page, AlertStripExtentAndWhichTimerItNames) {
    current_page = 12;       // out of range: draws nothing but the alerts, and still clears the event
    alert_blink_counter = 5; // in the shown phase
    timer1_alert = timer2_alert = 1;
    button_event = EV_RIGHT_RELEASE;
    draw();
    EXPECT_EQ(button_event, EV_NONE);
    // Grey over columns 0..14 and rows 5..94, the name down it in black from (7, 8); TIMER1 first.
    for (const char* name : {"TIMER1", "TIMER2"}) {
        ProbeFrame want;
        gfx_fill_rect(want.px(), 0, 5, 15, 95, ALERT_GREY);
        font_draw_text_vertical(want.px(), 7, 8, 0xFF000000, name);
        EXPECT_TRUE(frame.same(want)) << name;
        timer1_alert = 0;
        alert_blink_counter = 5;
        frame = ProbeFrame();
        draw();
    }
}

TEST_F(Page, AlertLatching) {
    struct Step {
        uint32_t visual_mask;
        int32_t expired1, expired2;
        bool acknowledge;
        int32_t alert1, alert2;
    };
    const Step steps[] = {
        {0, 1, 0, false, 0, 0}, // visual alerts off: the expiry is seen but raises nothing
        {3, 1, 0, false, 0, 0}, // ... and is not seen again
        {3, 0, 0, false, 0, 0}, {3, 1, 0, false, 1, 0},
        {3, 1, 0, true, 0, 0},  // an acknowledged alert stays down
        {1, 0, 1, false, 0, 0}, // timer 2 answers to bit 1 only
        {2, 0, 0, false, 0, 0}, {2, 0, 1, false, 0, 1},
        {2, 0, 0, false, 0, 0}, // the expired flag cleared drops the alert
    };
    for (size_t i = 0; i < std::size(steps); ++i) {
        const Step& s = steps[i];
        device_settings.visual_alert_mask = s.visual_mask;
        user_timers[0].expired = s.expired1;
        user_timers[1].expired = s.expired2;
        if (s.acknowledge) timer1_alert = 0;
        page_update_alerts();
        EXPECT_EQ(timer1_alert, s.alert1) << "step " << i;
        EXPECT_EQ(timer2_alert, s.alert2) << "step " << i;
    }
}

// The bar's steps and extents as the buttons drive them are in tests/scripts/core_brightness.zts.
TEST_F(Page, BrightnessOverlayLayout) {
    current_page = PAGE_CLOCK;
    brightness_overlay_shown = 1;
    for (int32_t manual = 0; manual <= 1; ++manual) {
        brightness_manual = manual;
        brightness_percent = manual ? 100 : 1;
        draw();
        // The bar is one pixel per percent from x = 20.
        ProbeFrame want;
        font_draw_text_centered(want.px(), 0, 64, 10, 0xFF00B000, manual ? "MANUAL" : "AUTO");
        font_draw_text_centered(want.px(), 0, 64, 25, 0xFF00B000, "BRIGHTNESS");
        font_draw_text_centered(want.px(), 0, 64, 150, GREY, manual ? "SET AUTO" : "SET MANUAL");
        font_draw_text_centered(want.px(), 3, 64, 60, WHITE, manual ? "100" : "1");
        gfx_fill_rect(want.px(), 20, 80, 20 + brightness_percent, 95, WHITE);
        mask(want, MASK_ARROW_UP, 3, 40);
        mask(want, MASK_ARROW_DOWN, 3, 115);
        font_draw_text_vertical(want.px(), 122, 100, LABEL, "OK");
        EXPECT_TRUE(frame.same(want)) << "manual " << manual;
    }
    device_settings.option_flags |= OPTION_BLUE_BG;
    draw();
    EXPECT_EQ(frame.at(0, 0), 0xFF000090u);
    EXPECT_EQ(frame.at(64, 130), 0xFF000090u);
}
