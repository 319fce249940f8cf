#include <gtest/gtest.h>

#include <string>

#include "core/page.h"
#include "host/host.h"
#include "pages/timer.h"
#include "setup/settings.h"
#include "frame_probe.h"

namespace {

class Timer : public ::testing::Test {
  protected:
    void SetUp() override {
        host_reset_all();
        setup_settings_reset();
        current_page = PAGE_TIMER1;
    }
    ProbeFrame f;
    UserTimer& t = user_timers[0];
    void draw() { page_draw_frame(f.px()); }
    static int32_t send(int32_t ev) { return send_event(ev); }
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
    // True when the box holds only the background.
    bool blank(Box b) const { return f.same(ProbeFrame(), b); }
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
    t.hours = 97, t.minutes = t.seconds = 59, t.tenths = 9;
    ticks(1);
    EXPECT_EQ(value(), "98:00:00");
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
    for (int32_t field : {1, 2, 0}) {
        send(EV_RIGHT_RELEASE);
        EXPECT_EQ(t.selected_field, field);
    }
    struct Case {
        int32_t field, from, ev, to;
    };
    const Case cases[] = {
        {0, 10, EV_VIEW_RELEASE, 0},  {0, 0, EV_LEFT_RELEASE, 10},  {0, 4, EV_VIEW_RELEASE, 5},
        {1, 59, EV_VIEW_RELEASE, 0},  {1, 0, EV_LEFT_RELEASE, 59},  {2, 59, EV_VIEW_RELEASE, 0},
        {2, 0, EV_LEFT_RELEASE, 59},  {2, 30, EV_LEFT_RELEASE, 29}, {0, 9, EV_VIEW_RELEASE, 10},
        {1, 58, EV_VIEW_RELEASE, 59},
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
    EXPECT_EQ(t.selected_field, 0) << "editing starts on the hours, whichever field was last";
    t.preset_hours = 10, t.preset_seconds = 59;
    send(EV_VIEW_LONG);
    EXPECT_EQ(t.preset_hours + t.preset_minutes + t.preset_seconds, 0);
}

TEST_F(Timer, EditedFieldBlinksFiveOnSixOffAndShowsAtOnceAfterAStep) {
    set_preset(1, 11, 11);
    send(EV_BOTH_PRESS);
    const Box fields[] = {{22, 63, 46, 85}, {55, 63, 79, 85}, {88, 63, 112, 85}};
    std::string seen;
    for (int i = 0; i < 25; ++i) {
        if (i == 14) send(EV_RIGHT_RELEASE); // to minutes, in the hidden phase
        draw();
        seen += blank(fields[t.selected_field]) ? '-' : '#';
        // Only the selected field blinks; page arrows and bars are not drawn while editing.
        ASSERT_FALSE(blank(fields[(t.selected_field + 1) % 3]));
        ASSERT_TRUE(blank({0, 140, 14, 159}));
    }
    EXPECT_EQ(seen, "#####------###"
                    "#####------");
}
