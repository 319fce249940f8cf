#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "core/buttons.h"
#include "core/page.h"
#include "gfx/font.h"
#include "gfx/gfx.h"
#include "host/host.h"
#include "pages/timer.h"
#include "setup/settings.h"

namespace {

constexpr uint32_t WHITE = 0xFFFFFFFF;
constexpr uint32_t ALERT_GREY = 0xFFC0C0C0;

uint32_t px(const FrameBuffer& f, int x, int y) { return f.pixels[gfx_index(x, y, FRAME_WIDTH, FRAME_HEIGHT)]; }

struct Box {
    int x0, y0, x1, y1; // inclusive
    bool contains(int x, int y) const { return x >= x0 && x <= x1 && y >= y0 && y <= y1; }
};

// Where centred text may land: its advances around cx, glyph rows cy - h/2 + 1 .. cy - h/2 + h.
Box text_box(int font, int cx, int cy, const char* text) {
    int w = font_text_width(font, text), h = FONT_TABLE[font].height;
    return {cx - w / 2, cy - h / 2 + 1, cx - w / 2 + w - 1, cy - h / 2 + h};
}

// The real glyphs are in when a capital D has its own advance rather than the missing-glyph gap.
bool fonts_present() { return font_text_width(0, "D") == 8; }

// The splash picture as the frame shows it: every 4-bit channel n becomes 16 n.
uint32_t splash_pixel(int x, int y) {
    uint32_t p = SPLASH_IMAGE[gfx_index(x, y, FRAME_WIDTH, FRAME_HEIGHT)];
    uint32_t r = (p >> 8) & 0xF, g = (p >> 4) & 0xF, b = p & 0xF;
    return 0xFF000000u + r * 16 * 65536 + g * 16 * 256 + b * 16;
}

FrameBuffer splash_picture() {
    FrameBuffer f{};
    for (int y = 0; y < FRAME_HEIGHT; ++y) {
        for (int x = 0; x < FRAME_WIDTH; ++x) f.pixels[gfx_index(x, y, 128, 160)] = splash_pixel(x, y);
    }
    return f;
}

int changed_in(const FrameBuffer& a, const FrameBuffer& b, Box box) {
    int n = 0;
    for (int y = box.y0; y <= box.y1; ++y) {
        for (int x = box.x0; x <= box.x1; ++x) n += px(a, x, y) != px(b, x, y);
    }
    return n;
}

class Page : public ::testing::Test {
  protected:
    void SetUp() override {
        host_reset_all();
        setup_settings_reset();
    }
    FrameBuffer frame{};
    void draw() { page_draw_frame(frame.pixels); }
    // The soft keys alone on a black frame, whatever the page itself draws.
    void softkeys() {
        frame = FrameBuffer{};
        page_draw_softkeys(frame.pixels);
    }
    bool white_bar_at(int x) const {
        for (int y = 145; y <= 155; ++y) {
            if (px(frame, x, y) != WHITE || px(frame, x + 1, y) != WHITE) return false;
        }
        return px(frame, x, 144) != WHITE && px(frame, x, 156) != WHITE;
    }
    // Columns 10..117 of the bar rows hold only bars: the x of each bar from left to right.
    std::vector<int> bars() const {
        std::vector<int> xs;
        for (int x = 10; x <= 117; ++x) {
            if (px(frame, x, 150) == WHITE && px(frame, x - 1, 150) != WHITE) xs.push_back(x);
        }
        return xs;
    }
};

} // namespace

TEST_F(Page, SplashImageIsBlackBelowTheEmblemExceptTheCaption) {
    int caption = 0, emblem = 0;
    for (int y = 0; y < FRAME_HEIGHT; ++y) {
        for (int x = 0; x < FRAME_WIDTH; ++x) {
            uint32_t rgb = SPLASH_IMAGE[gfx_index(x, y, FRAME_WIDTH, FRAME_HEIGHT)] & 0x0FFF;
            if (y < 80) emblem += rgb != 0;
            else if (y > 110 && y < 136) {
                // The caption: white capitals between the model name and the version.
                EXPECT_TRUE(rgb == 0 || rgb == 0xFFF) << x << "," << y;
                caption += rgb == 0xFFF;
            } else {
                EXPECT_EQ(rgb, 0u) << x << "," << y;
            }
        }
    }
    EXPECT_GT(emblem, 2000);
    EXPECT_GT(caption, 150);
    // The demo label's corner stays black so the label reads on it.
    for (int y = 0; y < 20; ++y) {
        for (int x = 0; x < 22; ++x) EXPECT_EQ(SPLASH_IMAGE[gfx_index(x, y, 128, 160)] & 0x0FFF, 0u);
    }
}

TEST_F(Page, SplashCopiesThePictureAndWritesItsTextsInTheirPlaces) {
    const Box model = text_box(1, 64, 100, "ZT-30-S"), version = text_box(0, 64, 143, "1.8"),
              demo = text_box(0, 10, 10, "D1");
    EXPECT_EQ(model.y0, 92);
    EXPECT_EQ(version.y1, 150);
    draw();
    const FrameBuffer picture = splash_picture();
    for (int y = 0; y < FRAME_HEIGHT; ++y) {
        for (int x = 0; x < FRAME_WIDTH; ++x) {
            if (!model.contains(x, y) && !version.contains(x, y) && !demo.contains(x, y)) {
                ASSERT_EQ(px(frame, x, y), splash_pixel(x, y)) << x << "," << y;
            }
        }
    }
    if (fonts_present()) {
        EXPECT_GT(changed_in(frame, picture, model), 20);
        EXPECT_GT(changed_in(frame, picture, version), 10);
        EXPECT_GT(changed_in(frame, picture, demo), 10);
    }
    // A white caption pixel is 0xF0 a channel, not 0xFF.
    bool found = false;
    for (int i = 0; i < FRAME_PIXELS && !found; ++i) {
        if ((SPLASH_IMAGE[i] & 0xFFF) == 0xFFF) {
            EXPECT_EQ(frame.pixels[i], 0xFFF0F0F0u);
            found = true;
        }
    }
    EXPECT_TRUE(found);

    // No demo label with demo mode NONE; D2 differs from D1 in DEMO 2.
    FrameBuffer d1 = frame;
    device_settings.demo_mode = DEMO_NONE;
    draw();
    EXPECT_EQ(changed_in(frame, picture, demo), 0);
    device_settings.demo_mode = DEMO_2;
    draw();
    if (fonts_present()) {
        EXPECT_GT(changed_in(frame, d1, demo), 0);
    }
}

TEST_F(Page, SplashHandsOverToClockOnFrame120WithItsAlertAlreadyDrawn) {
    timer1_alert = 1;
    for (int i = 1; i < SPLASH_FRAMES; ++i) {
        draw();
        ASSERT_EQ(current_page, PAGE_SPLASH) << "frame " << i;
    }
    EXPECT_EQ(px(frame, 0, 5), splash_pixel(0, 5));
    draw();
    EXPECT_EQ(current_page, PAGE_CLOCK);
    // Still the splash picture, with the alert strip over it from this very frame.
    EXPECT_EQ(px(frame, 60, 40), splash_pixel(60, 40));
    EXPECT_EQ(px(frame, 0, 5), ALERT_GREY);
    // The blink counter started at 0, so it runs below 0 and never reaches 0 again: the strip stays on
    // until the alert falls and the counter starts over at 20.
    draw();
    EXPECT_EQ(px(frame, 0, 5), ALERT_GREY);
    EXPECT_EQ(alert_blink_counter, -2);
    timer1_alert = 0;
    draw();
    EXPECT_EQ(alert_blink_counter, 20);
    EXPECT_NE(px(frame, 64, 42), splash_pixel(64, 42));
    EXPECT_TRUE(white_bar_at(115));
}

TEST_F(Page, HostShowsTheSplashFor120FramesAndTheDemoLabelFromTheSecond) {
    const Box demo = text_box(0, 10, 10, "D1");
    host_reset_all();
    host_start();
    FrameBuffer first{};
    std::copy(std::begin(host_frame.pixels), std::end(host_frame.pixels), first.pixels);
    host_tick_10ms();
    if (fonts_present()) {
        EXPECT_EQ(changed_in(first, splash_picture(), demo), 0) << "the first frame comes before demo mode is set";
        EXPECT_GT(changed_in(host_frame, first, demo), 0);
    }
    for (int i = 2; i < SPLASH_FRAMES - 1; ++i) host_tick_10ms();
    EXPECT_EQ(current_page, PAGE_SPLASH);
    host_tick_10ms();
    EXPECT_EQ(current_page, PAGE_CLOCK);
    EXPECT_EQ(host_frames_rendered, 120u);
}

TEST_F(Page, EarlyStepLeavesTheSplashForGood) {
    for (int i = 0; i < 10; ++i) draw();
    right_button_down = 1;
    btn_process_tick();
    right_button_down = 0;
    btn_process_tick();
    ASSERT_EQ(current_page, PAGE_CLOCK);
    draw();
    EXPECT_EQ(splash_countdown, SPLASH_FRAMES - 10);
    EXPECT_NE(px(frame, 64, 42), splash_pixel(64, 42));
    EXPECT_TRUE(white_bar_at(115));
    for (int i = 0; i < 200; ++i) draw();
    EXPECT_EQ(current_page, PAGE_CLOCK);
}

TEST_F(Page, SoftkeyBarsCountEnabledPagesOnEachSide) {
    current_page = PAGE_CLOCK;
    softkeys();
    EXPECT_EQ(bars(), (std::vector<int>{91, 95, 99, 103, 107, 111, 115}));
    for (int x : bars()) EXPECT_TRUE(white_bar_at(x)) << x;

    current_page = PAGE_TIMER1;
    softkeys();
    EXPECT_EQ(bars(), (std::vector<int>{12, 16, 99, 103, 107, 111, 115}));

    current_page = PAGE_SETUP;
    softkeys();
    EXPECT_EQ(bars(), (std::vector<int>{12, 16, 20, 24, 28, 32, 36}));

    // SETUP loses its bar once its bit is clear; hidden pages lose theirs.
    device_settings.page_enable_mask = 0x0A1; // CLOCK, AOA, ATTITUDE
    current_page = PAGE_AOA;
    softkeys();
    EXPECT_EQ(bars(), (std::vector<int>{12, 115}));
    device_settings.page_enable_mask = 0;
    softkeys();
    EXPECT_TRUE(bars().empty());
}

TEST_F(Page, SoftkeyArrowsStayInTheirCorners) {
    device_settings.page_enable_mask = 0;
    current_page = PAGE_RUN_TIME;
    softkeys();
    int left = 0, right = 0;
    for (int y = 0; y < FRAME_HEIGHT; ++y) {
        for (int x = 0; x < FRAME_WIDTH; ++x) {
            if (px(frame, x, y) == 0x00000000u) continue;
            bool in_left = x >= 2 && x <= 9 && y >= 144 && y <= 155;
            bool in_right = x >= 119 && x <= 126 && y >= 144 && y <= 155;
            ASSERT_TRUE(in_left || in_right) << x << "," << y;
            left += in_left;
            right += in_right;
        }
    }
    EXPECT_GT(left, 10);
    EXPECT_GT(right, 10);
}

TEST_F(Page, OutOfRangePageDrawsNothing) {
    current_page = 12;
    for (uint32_t& p : frame.pixels) p = 0xFF123456;
    button_event = EV_RIGHT_RELEASE;
    draw();
    EXPECT_EQ(px(frame, 64, 80), 0xFF123456u);
    EXPECT_EQ(button_event, EV_NONE);
}

TEST_F(Page, AlertStripBlinksElevenOffNineOn) {
    current_page = PAGE_CLOCK;
    draw(); // no alert: the blink starts over
    timer1_alert = 1;
    std::string seen;
    for (int i = 0; i < 40; ++i) {
        draw();
        seen += px(frame, 0, 5) == ALERT_GREY ? '#' : '.';
    }
    EXPECT_EQ(seen, "...........#########...........#########");
    EXPECT_EQ(alert_active, 1);
}

TEST_F(Page, AlertStripExtentAndWhichTimerItNames) {
    current_page = PAGE_CLOCK;
    alert_blink_counter = 5; // in the shown phase
    timer1_alert = timer2_alert = 1;
    draw();
    FrameBuffer both = frame;
    EXPECT_EQ(px(frame, 0, 5), ALERT_GREY);
    EXPECT_EQ(px(frame, 14, 94), ALERT_GREY);
    EXPECT_EQ(px(frame, 14, 5), ALERT_GREY);
    EXPECT_NE(px(frame, 15, 50), ALERT_GREY);
    EXPECT_NE(px(frame, 0, 95), ALERT_GREY);
    EXPECT_NE(px(frame, 0, 4), ALERT_GREY);
    // The text stays inside the strip: rows 9..92, off its outer columns.
    for (int y = 5; y <= 94; ++y) {
        for (int x = 0; x <= 14; ++x) {
            if (px(frame, x, y) != ALERT_GREY) {
                EXPECT_TRUE(y >= 9 && y <= 92 && x >= 1 && x <= 13) << x << "," << y;
            }
        }
    }
    timer1_alert = 0;
    alert_blink_counter = 5;
    draw();
    if (fonts_present()) {
        // TIMER1 and TIMER2 share their first five lines and differ in the last.
        EXPECT_EQ(changed_in(frame, both, {0, 5, 14, 78}), 0);
        EXPECT_GT(changed_in(frame, both, {0, 79, 14, 92}), 0);
    }
}

TEST_F(Page, AlertStripOverTheBrightnessOverlay) {
    current_page = PAGE_CLOCK;
    brightness_overlay_shown = 1;
    timer2_alert = 1;
    alert_blink_counter = 20;
    for (int i = 0; i < 11; ++i) draw();
    EXPECT_NE(px(frame, 0, 5), ALERT_GREY);
    draw();
    EXPECT_EQ(px(frame, 0, 5), ALERT_GREY);
}

TEST_F(Page, AlertLatching) {
    device_settings.visual_alert_mask = 0;
    user_timers[0].expired = 1;
    page_update_alerts();
    EXPECT_EQ(timer1_alert, 0) << "visual alerts off";
    EXPECT_EQ(timer1_alert_latch, 1);
    device_settings.visual_alert_mask = 3;
    page_update_alerts();
    EXPECT_EQ(timer1_alert, 0) << "this expiry was already seen";
    user_timers[0].expired = 0;
    page_update_alerts();
    EXPECT_EQ(timer1_alert_latch, 0);
    user_timers[0].expired = 1;
    page_update_alerts();
    EXPECT_EQ(timer1_alert, 1);
    timer1_alert = 0; // acknowledged
    page_update_alerts();
    EXPECT_EQ(timer1_alert, 0) << "an acknowledged alert stays down";

    // Timer 2 answers to bit 1 only; a cleared expired flag drops the alert.
    device_settings.visual_alert_mask = 1;
    user_timers[1].expired = 1;
    page_update_alerts();
    EXPECT_EQ(timer2_alert, 0);
    user_timers[1].expired = 0;
    device_settings.visual_alert_mask = 2;
    page_update_alerts();
    user_timers[1].expired = 1;
    page_update_alerts();
    EXPECT_EQ(timer2_alert, 1);
    user_timers[1].expired = 0;
    page_update_alerts();
    EXPECT_EQ(timer2_alert, 0);
    EXPECT_EQ(timer2_alert_latch, 0);
}

TEST_F(Page, BrightnessOverlayBarAndLayout) {
    current_page = PAGE_CLOCK;
    brightness_overlay_shown = 1;
    const int32_t values[] = {1, 30, 100};
    for (int32_t v : values) {
        brightness_percent = v;
        draw();
        for (int x = 19; x <= 121; ++x) {
            bool in_bar = x >= 20 && x < 20 + v;
            EXPECT_EQ(px(frame, x, 80) == WHITE && px(frame, x, 94) == WHITE, in_bar) << v << " at " << x;
            EXPECT_NE(px(frame, x, 79), WHITE);
            EXPECT_NE(px(frame, x, 95), WHITE);
        }
    }
    // Everything else drawn stays in its place: texts, arrows, OK.
    brightness_percent = 100;
    for (int32_t manual = 0; manual <= 1; ++manual) {
        brightness_manual = manual;
        draw();
        const Box places[] = {
            text_box(0, 64, 10, manual ? "MANUAL" : "AUTO"),
            text_box(0, 64, 25, "BRIGHTNESS"),
            text_box(0, 64, 150, manual ? "SET AUTO" : "SET MANUAL"),
            text_box(3, 64, 60, "100"),
            {20, 80, 119, 94},
            {3, 41, 14, 48},   // up arrow
            {3, 116, 14, 123}, // down arrow
            {117, 101, 127, 128}, // OK
        };
        int arrows = 0;
        for (int y = 0; y < FRAME_HEIGHT; ++y) {
            for (int x = 0; x < FRAME_WIDTH; ++x) {
                if (px(frame, x, y) == 0x00000000u) continue;
                bool placed = false;
                for (const Box& b : places) placed = placed || b.contains(x, y);
                ASSERT_TRUE(placed) << x << "," << y;
                arrows += places[5].contains(x, y) || places[6].contains(x, y);
            }
        }
        EXPECT_GT(arrows, 20);
    }
    device_settings.option_flags |= OPTION_BLUE_BG;
    draw();
    EXPECT_EQ(px(frame, 0, 0), 0xFF000090u);
    EXPECT_EQ(px(frame, 64, 130), 0xFF000090u);
}
