#include <gtest/gtest.h>

#include <vector>

#include "core/buttons.h"
#include "core/page.h"
#include "host/host.h"
#include "host/local_time.h"
#include "pages/clock.h"
#include "pages/timer.h"
#include "setup/settings.h"
#include "frame_probe.h"

namespace {

constexpr uint32_t LABEL = 0xFF60F0F0, GREY = 0xFF707070, WHITE = 0xFFFFFFFF, RULE = 0xFF888888;
constexpr uint32_t CYAN = 0xFF00FFFF;

// The page in a given state, demo mode NONE unless the state says otherwise (its label would cross the
// titles of some pages), local time 01:22:38.
ProbeFrame page(int32_t id, void (*state)()) {
    host_reset_all();
    host_start();
    static const ClockTime t{2024, 5, 3, 17, 1, 22, 38, 0};
    host_set_local_time(&t);
    device_settings.demo_mode = DEMO_NONE;
    current_page = id;
    if (state) state();
    ProbeFrame fr;
    page_draw_frame(fr.px());
    host_set_local_time(nullptr);
    return fr;
}

// Rows a..b after those given.
std::vector<int> rows(int a, int b, std::vector<int> before = {}) {
    for (int y = a; y <= b; ++y) before.push_back(y);
    return before;
}

void analog() {
    clock_view = CLOCK_VIEW_ANALOG;
}
void density() {
    clock_view = CLOCK_VIEW_DENSITY_ALT;
}
void airspeed() {
    clock_view = CLOCK_VIEW_AIRSPEED;
}
void set_clock() {
    clock_setting = 1;
}
void editing() {
    user_timers[0].editing = 1;
}
void number_view() {
    g_view = 1;
}
void dial_view() {
    g_view = 2;
}
void bar_view() {
    aoa_view = 1;
}

} // namespace

// The fixed texts of every page, each where it stands in its font and colour, alone on the background.
TEST(PageTexts, EachAtItsPlace) {
    const struct {
        int32_t id;
        void (*state)();
        int font, cx, cy;
        uint32_t color;
        const char* text;
        uint32_t bg = 0;
    } cases[] = {
        {PAGE_CLOCK, nullptr, 0, 64, 12, LABEL, "GMT Time"},
        {PAGE_CLOCK, nullptr, 0, 33, 66, LABEL, "Bus V"},
        {PAGE_CLOCK, nullptr, 0, 64, 150, GREY, "SET"},
        {PAGE_CLOCK, analog, 0, 64, 10, GREY, "GMT"},
        {PAGE_CLOCK, analog, 0, 116, 10, GREY, "am"},
        {PAGE_CLOCK, analog, 0, 64, 150, GREY, "SET"},
        {PAGE_CLOCK, density, 0, 64, 12, LABEL, "Density Alt"},
        {PAGE_CLOCK, airspeed, 0, 64, 12, LABEL, "True Airspeed"},
        {PAGE_CLOCK, set_clock, 0, 64, 8, LABEL, "Set Clock"},
        {PAGE_CLOCK, set_clock, 0, 64, 25, LABEL, "(24 Hour GMT)"},
        {PAGE_CLOCK, set_clock, 0, 64, 152, LABEL, "ACCEPT"},
        {PAGE_RUN_TIME, nullptr, 0, 64, 15, LABEL, "Engine Run Time"},
        {PAGE_RUN_TIME, nullptr, 0, 64, 57, GREY, "HH:MM:SS"},
        {PAGE_RUN_TIME, nullptr, 0, 64, 86, LABEL, "Flight Time"},
        {PAGE_RUN_TIME, nullptr, 0, 64, 128, GREY, "HH:MM:SS"},
        {PAGE_RUN_TIME, nullptr, 0, 64, 150, GREY, "CLEAR"},
        {PAGE_TIMER1, nullptr, 0, 64, 8, LABEL, "Timer 1"},
        {PAGE_TIMER2, nullptr, 0, 64, 8, LABEL, "Timer 2"},
        {PAGE_TIMER1, nullptr, 0, 64, 23, WHITE, "Count Up"},
        {PAGE_TIMER1, nullptr, 0, 66, 68, GREY, "HH:MM:SS"},
        {PAGE_TIMER1, nullptr, 0, 64, 102, GREY, "Set Value:"},
        {PAGE_TIMER1, nullptr, 0, 64, 150, GREY, "SET"},
        {PAGE_TIMER1, editing, 0, 66, 98, GREY, "HH:MM:SS"},
        {PAGE_TIMER1, editing, 0, 64, 150, LABEL, "ACCEPT"},
        {PAGE_AOA, nullptr, 0, 105, 9, LABEL, "AoA"},
        {PAGE_AOA, nullptr, 0, 64, 150, GREY, "CLR PK"},
        {PAGE_AOA, bar_view, 0, 64, 8, LABEL, "AoA"},
        {PAGE_AOA, bar_view, 0, 18, 105, LABEL, "L"},
        {PAGE_AOA, bar_view, 0, 113, 105, LABEL, "H"},
        {PAGE_G_METER, nullptr, 0, 64, 8, LABEL, "G Load"},
        {PAGE_G_METER, nullptr, 0, 18, 105, LABEL, "L"},
        {PAGE_G_METER, nullptr, 0, 113, 105, LABEL, "H"},
        {PAGE_G_METER, nullptr, 0, 64, 150, GREY, "CLR PK"},
        {PAGE_G_METER, number_view, 0, 64, 8, LABEL, "G Load"},
        {PAGE_G_METER, dial_view, 0, 26, 8, LABEL, "G Load"},
        {PAGE_ATTITUDE, nullptr, 0, 64, 150, GREY, "AI", 0xFF000000},
    };
    for (const auto& c : cases) {
        const ProbeFrame fr = page(c.id, c.state);
        EXPECT_TRUE(fr.shows_text(c.font, c.cx, c.cy, c.color, c.text, c.bg))
            << "page " << c.id << ": " << c.text << " at " << c.cx << "," << c.cy;
    }
}

// Rules and marks where they cross one column: the rows that hold exactly their colour.
TEST(PageTexts, RulesAndMarks) {
    const struct {
        int32_t id;
        void (*state)();
        int column;
        uint32_t color;
        std::vector<int> rows;
    } cases[] = {
        // CLOCK: (10, 54)-(118, 54), (11, 100)-(55, 100) and (64, 65)-(64, 136), each two pixels thick.
        {PAGE_CLOCK, nullptr, 30, RULE, {53, 54, 99, 100}},
        {PAGE_CLOCK, nullptr, 118, RULE, {53, 54}},
        {PAGE_CLOCK, nullptr, 119, RULE, {}},
        {PAGE_CLOCK, nullptr, 63, RULE, rows(65, 136, {53, 54})},
        // TIMER: the rule (20, 85)-(108, 85).
        {PAGE_TIMER1, nullptr, 20, RULE, {84, 85}},
        {PAGE_TIMER1, nullptr, 108, RULE, {84, 85}},
        {PAGE_TIMER1, nullptr, 109, RULE, {}},
        // AOA tape: long marks on rows 24, 60, 97 and 134 (columns 53..72), short ones on 42, 78 and 115.
        {PAGE_AOA, nullptr, 58, WHITE, {24, 42, 60, 78, 97, 115, 134}},
        // G METER bar view: the cyan base, columns 40..87, rows 126..131.
        {PAGE_G_METER, nullptr, 40, CYAN, rows(126, 131)},
        {PAGE_G_METER, nullptr, 88, CYAN, {}},
    };
    for (const auto& c : cases) {
        const ProbeFrame fr = page(c.id, c.state);
        EXPECT_EQ(fr.rows_of(c.column, c.color), c.rows) << "page " << c.id << " column " << c.column;
    }
}
