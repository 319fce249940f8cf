#include <gtest/gtest.h>

#include <iterator>
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

uint32_t px(const FrameBuffer& f, int x, int y) {
    return f.pixels[gfx_index(x, y, 128, 160)];
}

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
bool fonts_present() {
    return font_text_width(0, "D") == 8;
}

// The splash picture as the frame shows it: every 4-bit channel n becomes 16 n.
uint32_t splash_pixel(int x, int y) {
    uint32_t p = SPLASH_IMAGE[gfx_index(x, y, FRAME_WIDTH, FRAME_HEIGHT)];
    uint32_t r = (p >> 8) & 0xF, g = (p >> 4) & 0xF, b = p & 0xF;
    return 0xFF000000u + r * 16 * 65536 + g * 16 * 256 + b * 16;
}

// Pixels in the box where a differs from b, or from the splash picture when b is null.
int changed_in(const FrameBuffer& a, const FrameBuffer* b, Box box) {
    int n = 0;
    for (int y = box.y0; y <= box.y1; ++y) {
        for (int x = box.x0; x <= box.x1; ++x) n += px(a, x, y) != (b ? px(*b, x, y) : splash_pixel(x, y));
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
    bool white_bar_at(int x) const {
        for (int y = 145; y <= 155; ++y) {
            if (px(frame, x, y) != WHITE || px(frame, x + 1, y) != WHITE) return false;
        }
        return px(frame, x, 144) != WHITE && px(frame, x, 156) != WHITE && px(frame, x + 2, 150) != WHITE;
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

TEST_F(Page, SplashCopiesThePictureAndWritesItsTexts) {
    const Box model = text_box(1, 64, 100, "ZT-30-S"), version = text_box(0, 64, 143, "1.8"),
              demo = text_box(0, 10, 10, "D1");
    draw();
    for (int y = 0; y < FRAME_HEIGHT; ++y) {
        for (int x = 0; x < FRAME_WIDTH; ++x) {
            if (!model.contains(x, y) && !version.contains(x, y) && !demo.contains(x, y)) {
                ASSERT_EQ(px(frame, x, y), splash_pixel(x, y)) << x << "," << y;
            }
        }
    }
    if (fonts_present()) {
        EXPECT_GT(changed_in(frame, nullptr, model), 20);
        EXPECT_GT(changed_in(frame, nullptr, version), 10);
        EXPECT_GT(changed_in(frame, nullptr, demo), 10);
    }
    // No demo label with demo mode NONE; D2 differs from D1 in DEMO 2.
    const FrameBuffer d1 = frame;
    device_settings.demo_mode = DEMO_NONE;
    draw();
    EXPECT_EQ(changed_in(frame, nullptr, demo), 0);
    device_settings.demo_mode = DEMO_2;
    draw();
    if (fonts_present()) {
        EXPECT_GT(changed_in(frame, &d1, demo), 0);
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
    EXPECT_TRUE(white_bar_at(115)) << "CLOCK drawn";
}

TEST_F(Page, EarlyStepLeavesTheSplashForGood) {
    for (int i = 0; i < 10; ++i) draw();
    right_button_down = 1;
    btn_process_tick();
    right_button_down = 0;
    btn_process_tick();
    ASSERT_EQ(current_page, PAGE_CLOCK);
    for (int i = 0; i < 200; ++i) draw();
    EXPECT_EQ(current_page, PAGE_CLOCK);
    EXPECT_EQ(splash_countdown, SPLASH_FRAMES - 10);
    EXPECT_TRUE(white_bar_at(115));
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
    auto arrow_ink = [&](int x0) {
        int n = 0;
        for (int y = 144; y <= 155; ++y)
            for (int x = x0; x <= x0 + 7; ++x) n += px(frame, x, y) != 0x00000000u;
        return n;
    };
    for (const Case& c : cases) {
        device_settings.page_enable_mask = c.mask;
        current_page = c.page;
        frame = FrameBuffer{};
        page_draw_softkeys(frame.pixels);
        EXPECT_EQ(bars(), c.bars) << c.page;
        for (int x : bars()) EXPECT_TRUE(white_bar_at(x)) << x;
        EXPECT_GT(arrow_ink(2), 10) << c.page;
        EXPECT_GT(arrow_ink(119), 10) << c.page;
    }
    // With no bars only the two arrows are left.
    for (int y = 0; y < FRAME_HEIGHT; ++y) {
        for (int x = 0; x < FRAME_WIDTH; ++x) {
            bool in_arrow = (x <= 9 || x >= 119) && y >= 144 && y <= 155;
            if (!in_arrow) {
                ASSERT_EQ(px(frame, x, y), 0x00000000u) << x << "," << y;
            }
        }
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
        seen += px(frame, 0, 5) == ALERT_GREY ? '#' : '.';
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
    const Box strip{0, 5, 14, 94}, text{1, 9, 13, 92};
    int ink = 0;
    for (int y = 0; y < FRAME_HEIGHT; ++y) {
        for (int x = 0; x < FRAME_WIDTH; ++x) {
            if (!strip.contains(x, y)) {
                ASSERT_EQ(px(frame, x, y), 0u) << x << "," << y;
            } else if (!text.contains(x, y)) {
                ASSERT_EQ(px(frame, x, y), ALERT_GREY) << x << "," << y;
            } else {
                ink += px(frame, x, y) != ALERT_GREY;
            }
        }
    }
    const FrameBuffer both = frame;
    timer1_alert = 0;
    alert_blink_counter = 5;
    draw();
    if (fonts_present()) {
        // TIMER1 and TIMER2 share their first five letters and differ in the last.
        EXPECT_GT(ink, 20);
        EXPECT_EQ(changed_in(frame, &both, {0, 5, 14, 78}), 0);
        EXPECT_GT(changed_in(frame, &both, {0, 79, 14, 92}), 0);
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

TEST_F(Page, BrightnessOverlayLayout) {
    current_page = PAGE_CLOCK;
    brightness_overlay_shown = 1;
    for (int32_t manual = 0; manual <= 1; ++manual) {
        brightness_manual = manual;
        brightness_percent = manual ? 100 : 1;
        draw();
        // The bar is one pixel per percent from x = 20; everything else drawn stays in its place.
        const Box bar{20, 80, 19 + brightness_percent, 94};
        const Box places[] = {
            bar,
            text_box(0, 64, 10, manual ? "MANUAL" : "AUTO"),
            text_box(0, 64, 25, "BRIGHTNESS"),
            text_box(0, 64, 150, manual ? "SET AUTO" : "SET MANUAL"),
            text_box(3, 64, 60, manual ? "100" : "1"),
            {3, 41, 14, 48},      // up arrow
            {3, 116, 14, 123},    // down arrow
            {117, 101, 127, 128}, // OK
        };
        int arrows = 0;
        for (int y = 0; y < FRAME_HEIGHT; ++y) {
            for (int x = 0; x < FRAME_WIDTH; ++x) {
                if (bar.contains(x, y)) {
                    ASSERT_EQ(px(frame, x, y), WHITE) << x << "," << y;
                }
                if (px(frame, x, y) == 0x00000000u) continue;
                bool placed = false;
                for (const Box& b : places) placed = placed || b.contains(x, y);
                ASSERT_TRUE(placed) << x << "," << y << " with " << brightness_percent;
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
