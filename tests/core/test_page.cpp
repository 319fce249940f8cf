#include <gtest/gtest.h>

#include <iterator>
#include <string>
#include <vector>

#include "core/buttons.h"
#include "core/page.h"
#include "host/host.h"
#include "pages/timer.h"
#include "setup/settings.h"
#include "../pages/frame_probe.h"

namespace {

constexpr uint32_t WHITE = 0xFFFFFFFF, ALERT_GREY = 0xFFC0C0C0;

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
    // Columns 10..117 of the bar rows hold only bars: the x of each bar from left to right.
    std::vector<int> bars() const {
        std::vector<int> xs;
        for (int x = 10; x <= 117; ++x)
            if (frame.at(x, 150) == WHITE && frame.at(x - 1, 150) != WHITE) xs.push_back(x);
        return xs;
    }
};

} // namespace

TEST_F(Page, SplashCopiesThePictureAndWritesItsTexts) {
    const ProbeFrame splash = splash_picture();
    const Box model = text_box(1, 64, 100, "ZT-30-S"), version = text_box(0, 64, 143, "1.8"),
              demo = text_box(0, 10, 10, "D1");
    draw();
    for (int y = 0; y < FRAME_HEIGHT; ++y)
        for (int x = 0; x < FRAME_WIDTH; ++x)
            if (!model.contains(x, y) && !version.contains(x, y) && !demo.contains(x, y)) {
                ASSERT_EQ(frame.at(x, y), splash.at(x, y)) << x << "," << y;
            }
    EXPECT_GT(frame.differs(splash, model), 20);
    EXPECT_GT(frame.differs(splash, version), 10);
    EXPECT_GT(frame.differs(splash, demo), 10);
    // No demo label with demo mode NONE; D2 differs from D1 in DEMO 2.
    const ProbeFrame d1 = frame;
    device_settings.demo_mode = DEMO_NONE;
    draw();
    EXPECT_TRUE(frame.same(splash, demo));
    device_settings.demo_mode = DEMO_2;
    draw();
    EXPECT_GT(frame.differs(d1, demo), 0);
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
    // Both arrows on every page, SETUP included, each in its corner.
    const Box left_arrow{2, 144, 9, 155}, right_arrow{119, 144, 126, 155};
    for (const Case& c : cases) {
        device_settings.page_enable_mask = c.mask;
        current_page = c.page;
        frame = ProbeFrame();
        page_draw_softkeys(frame.px());
        EXPECT_EQ(bars(), c.bars) << c.page;
        for (int x : bars()) EXPECT_TRUE(white_bar_at(x)) << x;
        EXPECT_GT(frame.differs(ProbeFrame(), left_arrow), 10) << c.page;
        EXPECT_GT(frame.differs(ProbeFrame(), right_arrow), 10) << c.page;
    }
    // With no bars only the two arrows are left.
    EXPECT_EQ(frame.differs(ProbeFrame()),
              frame.differs(ProbeFrame(), left_arrow) + frame.differs(ProbeFrame(), right_arrow));
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
    // Grey over columns 0..14 and rows 5..94; the text keeps off the strip's outer rows and columns.
    ProbeFrame strip;
    gfx_fill_rect(strip.px(), 0, 5, 15, 95, ALERT_GREY);
    const Box text{1, 9, 13, 92};
    EXPECT_EQ(frame.differs(strip), frame.differs(strip, text));
    EXPECT_GT(frame.differs(strip, text), 20);
    // TIMER1 and TIMER2 share their first five letters and differ in the last.
    const ProbeFrame both = frame;
    timer1_alert = 0;
    alert_blink_counter = 5;
    draw();
    EXPECT_TRUE(frame.same(both, {0, 5, 14, 78}));
    EXPECT_FALSE(frame.same(both, {0, 79, 14, 92}));
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
        EXPECT_TRUE(frame.shows_text(0, 64, 10, 0xFF00B000, manual ? "MANUAL" : "AUTO"));
        EXPECT_TRUE(frame.shows_text(0, 64, 25, 0xFF00B000, "BRIGHTNESS"));
        EXPECT_TRUE(frame.shows_text(0, 64, 150, 0xFF707070, manual ? "SET AUTO" : "SET MANUAL"));
        EXPECT_TRUE(frame.shows_text(3, 64, 60, WHITE, manual ? "100" : "1"));
        // The bar is one pixel per percent from x = 20.
        ProbeFrame bar;
        gfx_fill_rect(bar.px(), 20, 80, 20 + brightness_percent, 95, WHITE);
        EXPECT_TRUE(frame.same(bar, {0, 75, 127, 100}));
        EXPECT_GT(frame.differs(ProbeFrame(), {3, 41, 14, 48}), 20);      // up arrow
        EXPECT_GT(frame.differs(ProbeFrame(), {3, 116, 14, 123}), 20);    // down arrow
        EXPECT_GT(frame.differs(ProbeFrame(), {117, 101, 127, 128}), 20); // OK
    }
    device_settings.option_flags |= OPTION_BLUE_BG;
    draw();
    EXPECT_EQ(frame.at(0, 0), 0xFF000090u);
    EXPECT_EQ(frame.at(64, 130), 0xFF000090u);
}
