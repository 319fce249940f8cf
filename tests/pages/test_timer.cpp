#include <gtest/gtest.h>

#include <string>

#include "core/buttons.h"
#include "core/page.h"
#include "gfx/gfx.h"
#include "host/headless.h"
#include "host/host.h"
#include "host/scheduler.h"
#include "pages/timer.h"
#include "setup/settings.h"

namespace {

constexpr uint32_t ALERT_GREY = 0xFFC0C0C0;

class Timer : public ::testing::Test {
  protected:
    void SetUp() override {
        host_reset_all();
        setup_settings_reset();
        current_page = PAGE_TIMER1;
    }
    FrameBuffer f{};
    UserTimer& t = user_timers[0];
    void draw() { page_draw_frame(f.pixels); }
    // One decoded event through the dispatch; returns what page stepping was left with.
    int32_t send(int32_t ev) {
        button_event = ev;
        btn_dispatch(0, 0);
        return button_event;
    }
    // The page works out whether the timer counts down when it draws.
    void set_preset(int32_t h, int32_t m, int32_t s) {
        t.preset_hours = h, t.preset_minutes = m, t.preset_seconds = s;
        draw();
    }
    static void ticks(int n) {
        for (int i = 0; i < n; ++i) timer_tick();
    }
    std::string value() const {
        char s[16];
        std::snprintf(s, sizeof s, "%d:%02d:%02d", t.hours, t.minutes, t.seconds);
        return s;
    }
    // True when columns x0..x1 of rows y0..y1 hold only the background.
    bool blank(int x0, int y0, int x1, int y1) const {
        for (int y = y0; y <= y1; ++y)
            for (int x = x0; x <= x1; ++x)
                if (f.pixels[gfx_index(x, y, FRAME_WIDTH, FRAME_HEIGHT)] != 0) return false;
        return true;
    }
};

} // namespace

TEST_F(Timer, CountingFromAResetOrAtTheWrap) {
    struct Case {
        int32_t h, m, s; // preset, loaded by a reset before the start
        int n;           // tenth-second ticks after the start
        const char* shown;
        int32_t running, expired;
    };
    const Case cases[] = {
        {0, 0, 5, 49, "0:00:01", 1, 0},    {0, 0, 5, 50, "0:00:00", 0, 1}, {0, 0, 5, 80, "0:00:00", 0, 1},
        {1, 1, 0, 9, "1:01:00", 1, 0},     {1, 1, 0, 10, "1:00:59", 1, 0}, {1, 1, 0, 610, "0:59:59", 1, 0},
        {10, 0, 0, 10, "9:59:59", 1, 0},   {0, 0, 0, 9, "0:00:00", 1, 0},  {0, 0, 0, 10, "0:00:01", 1, 0},
        {0, 0, 0, 36000, "1:00:00", 1, 0},
    };
    for (const Case& c : cases) {
        SetUp();
        set_preset(c.h, c.m, c.s);
        EXPECT_EQ(send(EV_VIEW_LONG), EV_NONE);
        EXPECT_EQ(send(EV_VIEW_RELEASE), EV_NONE);
        ticks(c.n);
        const std::string what = std::to_string(c.h) + ":" + std::to_string(c.m) + ":" + std::to_string(c.s) +
                                 " after " + std::to_string(c.n);
        EXPECT_EQ(value(), c.shown) << what;
        EXPECT_EQ(t.running, c.running) << what;
        EXPECT_EQ(t.expired, c.expired) << what;
    }
    // A count-up passes 98:59:59 to 0:00:00; the other timer, stopped, does not move.
    SetUp();
    t.hours = 98, t.minutes = t.seconds = 59, t.tenths = 9, t.running = 1;
    ticks(1);
    EXPECT_EQ(value(), "0:00:00");
    EXPECT_EQ(user_timers[1].tenths, 0);
}

TEST_F(Timer, StartStopAndResetOutsideEditing) {
    set_preset(0, 0, 3);
    // At 0:00:00 a count-down will not start, but the click is still used up.
    EXPECT_EQ(send(EV_VIEW_RELEASE), EV_NONE);
    EXPECT_EQ(t.running, 0);
    send(EV_VIEW_LONG);
    send(EV_VIEW_RELEASE);
    ticks(30);
    ASSERT_EQ(t.expired, 1);
    // The reset reloads the preset but leaves the expiry for the start to clear.
    send(EV_VIEW_LONG);
    EXPECT_EQ(value(), "0:00:03");
    EXPECT_EQ(t.expired, 1);
    send(EV_VIEW_RELEASE);
    EXPECT_EQ(t.expired, 0);
    // A long press while running does nothing and is left for page stepping, which ignores it.
    EXPECT_EQ(send(EV_VIEW_LONG), EV_VIEW_LONG);
    EXPECT_EQ(t.running, 1);
    EXPECT_EQ(t.tenths, 10);
}

TEST_F(Timer, PresetEditing) {
    t.running = 1;
    EXPECT_EQ(send(EV_BOTH_PRESS), EV_NONE);
    EXPECT_EQ(t.editing, 1);
    EXPECT_EQ(t.running, 0) << "editing stops the timer";
    struct Case {
        int32_t field, from, ev, to;
    };
    const Case cases[] = {
        {0, 10, EV_VIEW_RELEASE, 0}, {0, 0, EV_LEFT_RELEASE, 10},  {0, 4, EV_VIEW_RELEASE, 5},
        {1, 59, EV_VIEW_RELEASE, 0}, {1, 0, EV_LEFT_RELEASE, 59},  {2, 59, EV_VIEW_RELEASE, 0},
        {2, 0, EV_LEFT_RELEASE, 59}, {2, 30, EV_LEFT_RELEASE, 29},
    };
    int32_t* fields[] = {&t.preset_hours, &t.preset_minutes, &t.preset_seconds};
    for (const Case& c : cases) {
        while (t.selected_field != c.field) EXPECT_EQ(send(EV_RIGHT_RELEASE), EV_NONE);
        *fields[c.field] = c.from;
        timer_blink_counter = 8;
        EXPECT_EQ(send(c.ev), EV_NONE);
        EXPECT_EQ(*fields[c.field], c.to) << "field " << c.field << " from " << c.from << " event " << c.ev;
        EXPECT_EQ(timer_blink_counter, 0);
    }
    EXPECT_EQ(current_page, PAGE_TIMER1) << "soft-key releases edited instead of stepping";
    EXPECT_EQ(send(EV_LEFT_LONG), EV_LEFT_LONG);
    // Edit mode outlasts a visit to another page.
    current_page = PAGE_TIMER2;
    draw();
    EXPECT_EQ(timer_layout_offset, 0);
    current_page = PAGE_TIMER1;
    set_preset(0, 2, 0);
    EXPECT_EQ(timer_layout_offset, 30);
    send(EV_BOTH_PRESS); // accept
    EXPECT_EQ(t.editing, 0);
    EXPECT_EQ(value(), "0:02:00");
    EXPECT_EQ(t.running, 0);
    send(EV_BOTH_PRESS);
    send(EV_VIEW_LONG);
    EXPECT_EQ(t.preset_hours + t.preset_minutes + t.preset_seconds, 0);
}

TEST_F(Timer, EditedFieldBlinksFiveOnSixOffAndShowsAtOnceAfterAStep) {
    set_preset(1, 11, 11);
    send(EV_BOTH_PRESS);
    struct Field {
        int x0, x1;
    };
    const Field boxes[] = {{22, 46}, {55, 79}, {88, 112}};
    std::string seen;
    for (int i = 0; i < 25; ++i) {
        if (i == 14) send(EV_RIGHT_RELEASE); // to minutes, in the hidden phase
        draw();
        const Field& b = boxes[t.selected_field];
        seen += blank(b.x0, 63, b.x1, 85) ? '-' : '#';
        // Only the selected field blinks; page arrows and bars are not drawn while editing.
        const Field& other = boxes[(t.selected_field + 1) % 3];
        ASSERT_FALSE(blank(other.x0, 63, other.x1, 85));
        ASSERT_TRUE(blank(0, 140, 14, 159));
    }
    EXPECT_EQ(seen, "#####------###"
                    "#####------");
}

TEST_F(Timer, PlayPauseSymbolHidesWhileAnAlertIsActive) {
    draw(); // no alert yet: the blink starts over
    timer2_alert = 1;
    draw(); // the overlay works out alert_active after the page is drawn
    EXPECT_FALSE(blank(2, 36, 17, 52));
    // From the next frame on, in both blink phases: the strip covers columns 0..14, the symbol reaches 16.
    for (int i = 0; i < 20; ++i) {
        draw();
        ASSERT_TRUE(blank(15, 36, 17, 52)) << i;
        if (i < 10) {
            ASSERT_TRUE(blank(0, 36, 17, 52)) << i; // the hidden phase
        }
    }
}

// Whole seconds of the host's ticks with mouse clicks on the bezel, as the window runs them.
TEST(TimerHost, ExpiryRaisesTheAlertOnceOnAnyPageWithItsVisualBit) {
    struct Case {
        uint32_t visual_mask;
        int page;       // the timer's page
        int32_t raised; // the alert that comes up
    };
    const Case cases[] = {{1, PAGE_TIMER1, 1}, {2, PAGE_TIMER1, 0}, {2, PAGE_TIMER2, 1}, {1, PAGE_TIMER2, 0}};
    for (const Case& c : cases) {
        const int i = c.page - PAGE_TIMER1;
        host_reset_all();
        host_start();
        device_settings.visual_alert_mask = c.visual_mask;
        HostScheduler sched;
        host_sched_reset(&sched);
        uint64_t now = 0;
        auto run = [&](uint64_t ms) { host_sched_run(&sched, now += ms, -1); };
        auto click = [&](HeadlessButton b) {
            int x, y;
            headless_button_point(b, &x, &y);
            host_hit_test(true, x, y);
            run(50);
            host_hit_test(false, x, y);
            run(50);
        };
        run(100);
        while (current_page != c.page) click(HL_BUTTON_RIGHT);
        click(HL_BUTTON_BOTH);
        click(HL_BUTTON_RIGHT);
        click(HL_BUTTON_RIGHT);
        for (int k = 0; k < 5; ++k) click(HL_BUTTON_VIEW);
        click(HL_BUTTON_BOTH); // accept 0:00:05
        // Start, noting the tenth-second tick at which the timer began to run.
        int x, y;
        headless_button_point(HL_BUTTON_VIEW, &x, &y);
        host_hit_test(true, x, y);
        run(50);
        host_hit_test(false, x, y);
        while (!user_timers[i].running) run(10);
        const uint64_t started = sched.tenth_count;
        click(HL_BUTTON_LEFT); // the alert comes up on another page
        const int32_t away = current_page;
        int32_t& alert = i == 0 ? timer1_alert : timer2_alert;
        int rises = 0, shown = 0;
        uint64_t stopped = 0;
        for (int k = 0; k < 1000; ++k) {
            int32_t before = alert;
            run(10);
            rises += alert && !before;
            shown += host_frame.pixels[gfx_index(0, 5, FRAME_WIDTH, FRAME_HEIGHT)] == ALERT_GREY;
            if (!stopped && !user_timers[i].running) stopped = sched.tenth_count;
        }
        EXPECT_EQ(stopped - started, 50u) << "five seconds of tenths";
        EXPECT_EQ(rises, c.raised);
        EXPECT_EQ(alert, c.raised);
        EXPECT_EQ(shown > 0, c.raised == 1);
        // VIEW acknowledges it; it stays down while the timer stays expired.
        click(HL_BUTTON_VIEW);
        run(5000);
        EXPECT_EQ(alert, 0);
        EXPECT_EQ(user_timers[i].expired, 1);
        EXPECT_EQ(current_page, away) << "the acknowledgement is no page input";
    }
}
