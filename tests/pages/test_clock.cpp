#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <vector>

#include "core/buttons.h"
#include "core/flight.h"
#include "core/page.h"
#include "gfx/font.h"
#include "gfx/gfx.h"
#include "host/headless.h"
#include "host/host.h"
#include "host/local_time.h"
#include "pages/clock.h"
#include "setup/settings.h"

namespace {

constexpr uint32_t WHITE = 0xFFFFFFFF, GREEN = 0xFF00B000, BLUE = 0xFF000090, BLACK = 0x00000000;

struct Frame {
    FrameBuffer f{};
    uint32_t at(int x, int y) const { return f.pixels[gfx_index(x, y, FRAME_WIDTH, FRAME_HEIGHT)]; }
    // Pixels of the inclusive box that differ from the colour.
    int count_not(uint32_t c, int x0, int y0, int x1, int y1) const {
        int n = 0;
        for (int y = y0; y <= y1; ++y)
            for (int x = x0; x <= x1; ++x) n += at(x, y) != c;
        return n;
    }
};

// Whether the frame shows text as a left-aligned run with its pen at (x, y), compared over the run's box
// against the same run drawn alone on the background.
bool shows_run(const Frame& fr, int font, int x, int y, uint32_t color, const char* text) {
    Frame ref;
    std::fill(ref.f.pixels, ref.f.pixels + FRAME_PIXELS, setup_background_color());
    int end = x;
    for (const char* c = text; *c; ++c)
        end += font_draw_glyph(ref.f.pixels, FRAME_WIDTH, FRAME_HEIGHT, font, end, y, color, *c);
    for (int yy = y + 1; yy <= y + FONT_TABLE[font].height; ++yy)
        for (int xx = x; xx < end; ++xx)
            if (fr.at(xx, yy) != ref.at(xx, yy)) return false;
    return true;
}
bool shows_centered(const Frame& fr, int font, int cx, int cy, uint32_t color, const char* text) {
    return shows_run(fr, font, cx - font_text_width(font, text) / 2, cy - FONT_TABLE[font].height / 2, color,
                     text);
}

class Clock : public ::testing::Test {
  protected:
    void SetUp() override {
        host_reset_all();
        host_start();
        set_time(10, 10, 30);
        current_page = PAGE_CLOCK;
    }
    void TearDown() override { host_set_local_time(nullptr); }
    static void set_time(int h, int m, int s) {
        const ClockTime t{
            2024, 5, 3, 17, static_cast<uint16_t>(h), static_cast<uint16_t>(m), static_cast<uint16_t>(s),
            250};
        host_set_local_time(&t);
    }
    Frame draw() {
        Frame fr;
        page_draw_frame(fr.f.pixels);
        return fr;
    }
    static int32_t input(int32_t e) {
        button_event = e;
        return page_clock_input();
    }
    static int hms(const ClockTime& t) { return t.hour * 10000 + t.minute * 100 + t.second; }
};

} // namespace

TEST_F(Clock, HourShownOnBothDialsAndInLocalTime) {
    struct Case {
        int hour, offset;
        bool local, h24;
        int shown;
        const char* suffix;
    } cases[] = {
        {0, 0, false, false, 12, "am"},    {11, 0, false, false, 11, "am"},
        {12, 0, false, false, 12, "pm"},   {13, 0, false, false, 1, "pm"},
        {23, 0, false, false, 11, "pm"},   {0, 0, false, true, 0, nullptr},
        {12, 0, false, true, 12, nullptr}, {23, 0, false, true, 23, nullptr},
        {22, 3, true, true, 1, nullptr},   {22, 3, true, false, 1, "am"},
        {22, 3, false, true, 22, nullptr}, {1, -3, true, true, 22, nullptr},
        {0, -12, true, true, 12, nullptr}, {23, 12, true, true, 11, nullptr},
        {11, 1, true, false, 12, "pm"},    {23, 1, true, true, 0, nullptr},
        {23, 1, true, false, 12, "am"},
    };
    for (const Case& c : cases) {
        local_offset_hours = c.offset;
        device_settings.option_flags = c.h24 ? OPTION_24H_TIME : 0;
        const char* suffix = "unset";
        EXPECT_EQ(page_clock_hour_shown(c.hour, c.local, &suffix), c.shown) << c.hour << " " << c.offset;
        EXPECT_STREQ(suffix, c.suffix) << c.hour << " " << c.offset;
    }
}

TEST_F(Clock, TimeViewsDrawTheShiftedHourAndLabel) {
    set_time(22, 0, 5);
    device_settings.demo_mode = DEMO_NONE; // its label would touch the title
    local_offset_hours = 3;
    device_settings.option_flags &= ~OPTION_24H_TIME;
    Frame gmt = draw();
    EXPECT_TRUE(shows_centered(gmt, 0, 64, 12, 0xFF60F0F0, "GMT Time"));
    EXPECT_TRUE(shows_run(gmt, 4, 18, 21, WHITE, "10"));
    EXPECT_TRUE(shows_run(gmt, 0, 93, 20, 0xFF888888, "pm"));
    EXPECT_TRUE(shows_run(gmt, 0, 91, 35, WHITE, ":05"));
    clock_view = CLOCK_VIEW_LOCAL;
    Frame local = draw();
    EXPECT_TRUE(shows_centered(local, 0, 64, 12, 0xFF60F0F0, "Local Time"));
    EXPECT_TRUE(shows_run(local, 4, 18, 21, WHITE, "01"));
    EXPECT_TRUE(shows_run(local, 0, 93, 20, 0xFF888888, "am"));
    EXPECT_TRUE(shows_run(local, 4, 58, 21, WHITE, "00"));
}

TEST_F(Clock, FirstTimeDrawingSyncsOnceThenOnlyTheTickMovesIt) {
    clock_view = CLOCK_VIEW_DENSITY_ALT; // no time shown: no read
    draw();
    clock_view = CLOCK_VIEW_AIRSPEED;
    draw();
    EXPECT_EQ(clock_needs_sync, 1);
    host_tick_1s();
    clock_view = CLOCK_VIEW_ANALOG;
    draw();
    EXPECT_EQ(clock_needs_sync, 0);
    EXPECT_EQ(hms(clock_time), 101030);
    EXPECT_EQ(clock_time.year, 2024);
    set_time(20, 0, 0);
    clock_view = CLOCK_VIEW_GMT;
    draw();
    host_tick_1s();
    draw();
    EXPECT_EQ(hms(clock_time), 101031);
    EXPECT_EQ(hms(clock_shown), 101031);
}

// The runner's local-time decides the one read if it comes before the first CLOCK frame (at 1.2 s).
TEST_F(Clock, HeadlessLocalTimeCountsOnlyBeforeTheSync) {
    struct Case {
        std::vector<const char*> args;
        const char* script;
        int want;
    } cases[] = {
        {{"--local-time", "07:00:00", "-"}, "wait 1500ms", 70000},
        {{"--local-time", "07:00:00", "-"}, "wait 500ms\nlocal-time 08:30:00\nwait 1000ms", 83000},
        {{"--local-time", "07:00:00", "-"}, "wait 1500ms\nlocal-time 08:30:00\nwait 1s", 70001},
    };
    for (const Case& c : cases) {
        std::vector<const char*> argv{"zt30-headless"};
        argv.insert(argv.end(), c.args.begin(), c.args.end());
        FILE* in = std::tmpfile();
        std::fputs(c.script, in);
        std::rewind(in);
        FILE* sink = std::tmpfile();
        EXPECT_EQ(headless_main(static_cast<int>(argv.size()), argv.data(), in, sink, sink), 0);
        std::fclose(in);
        std::fclose(sink);
        EXPECT_EQ(hms(clock_time), c.want) << c.script;
    }
}

TEST_F(Clock, ViewInputOutsideSetClock) {
    for (int v : {1, 2, 3, 4, 0}) {
        EXPECT_EQ(input(EV_VIEW_RELEASE), EV_NONE);
        EXPECT_EQ(clock_view, v);
    }
    EXPECT_EQ(input(EV_VIEW_LONG), EV_VIEW_LONG); // only the analog view takes it
    EXPECT_EQ(analog_show_local, 0);
    clock_view = CLOCK_VIEW_ANALOG;
    EXPECT_EQ(input(EV_VIEW_LONG), EV_NONE);
    EXPECT_EQ(analog_show_local, 1);
    EXPECT_EQ(input(EV_VIEW_LONG), EV_NONE);
    EXPECT_EQ(analog_show_local, 0);
    for (int32_t e : {EV_LEFT_RELEASE, EV_RIGHT_RELEASE, EV_BOTH_LONG, EV_LEFT_PRESS}) EXPECT_EQ(input(e), e);
    for (int32_t v : {3, 4}) {
        clock_view = v;
        EXPECT_EQ(input(EV_BOTH_PRESS), EV_NONE);
        EXPECT_EQ(clock_setting, 0);
    }
}

TEST_F(Clock, SetClockFieldsWrapAndTheOffsetIsLiveAtOnce) {
    struct Case {
        int field;
        int32_t event;
        int hour, minute, second, offset; // before
        int want_hour, want_minute, want_second, want_offset;
    } cases[] = {
        {0, EV_LEFT_RELEASE, 0, 5, 6, 0, 23, 5, 6, 0},   {0, EV_VIEW_RELEASE, 23, 5, 6, 0, 0, 5, 6, 0},
        {0, EV_VIEW_RELEASE, 9, 5, 6, 0, 10, 5, 6, 0},   {1, EV_VIEW_RELEASE, 9, 59, 6, 0, 9, 0, 6, 0},
        {1, EV_LEFT_RELEASE, 9, 0, 6, 0, 9, 59, 6, 0},   {2, EV_VIEW_RELEASE, 9, 5, 42, 0, 9, 5, 0, 0},
        {2, EV_LEFT_RELEASE, 9, 5, 42, 0, 9, 5, 0, 0},   {3, EV_VIEW_RELEASE, 9, 5, 6, 12, 9, 5, 6, -12},
        {3, EV_LEFT_RELEASE, 9, 5, 6, -12, 9, 5, 6, 12}, {3, EV_LEFT_RELEASE, 9, 5, 6, 0, 9, 5, 6, -1},
    };
    for (const Case& c : cases) {
        clock_setting = 1;
        clock_edit_field = static_cast<int8_t>(c.field);
        clock_edit = ClockTime{2024,
                               5,
                               3,
                               17,
                               static_cast<uint16_t>(c.hour),
                               static_cast<uint16_t>(c.minute),
                               static_cast<uint16_t>(c.second),
                               0};
        local_offset_hours = c.offset;
        clock_blink = 0;
        EXPECT_EQ(input(c.event), EV_NONE);
        EXPECT_EQ(hms(clock_edit), c.want_hour * 10000 + c.want_minute * 100 + c.want_second)
            << "field " << c.field << " event " << c.event;
        EXPECT_EQ(local_offset_hours, c.want_offset) << "field " << c.field;
        EXPECT_EQ(clock_blink, 2);
    }
    // The right key walks the fields; nothing leaves the screen but ACCEPT.
    clock_edit_field = CLOCK_FIELD_HOUR;
    for (int f : {1, 2, 3, 0}) {
        EXPECT_EQ(input(EV_RIGHT_RELEASE), EV_NONE);
        EXPECT_EQ(clock_edit_field, f);
    }
    for (int32_t e : {EV_VIEW_LONG, EV_LEFT_LONG, EV_BOTH_RELEASE, EV_RIGHT_HOLD})
        EXPECT_EQ(input(e), EV_NONE);
    EXPECT_EQ(clock_setting, 1);
}

TEST_F(Clock, AcceptCopiesTheEditedTimeWithTheDateAsOpened) {
    clock_view = CLOCK_VIEW_LOCAL;
    draw();
    EXPECT_EQ(input(EV_BOTH_PRESS), EV_NONE);
    EXPECT_EQ(clock_setting, 1);
    EXPECT_EQ(clock_edit_field, 0);
    input(EV_VIEW_RELEASE); // hour 11
    input(EV_RIGHT_RELEASE);
    input(EV_LEFT_RELEASE); // minute 09
    host_tick_1s();         // the running clock goes on meanwhile
    clock_time.day = 18;    // and whatever happened to it is replaced
    input(EV_BOTH_PRESS);
    EXPECT_EQ(clock_setting, 0);
    const ClockTime want{2024, 5, 3, 17, 11, 9, 30, 250};
    EXPECT_EQ(std::memcmp(&clock_time, &want, sizeof want), 0);
}

TEST_F(Clock, PagesDoNotStepWhileSetting) {
    draw();
    input(EV_BOTH_PRESS);
    for (int32_t e : {EV_RIGHT_RELEASE, EV_LEFT_RELEASE}) {
        button_event = e;
        btn_dispatch(0, 0);
        EXPECT_EQ(current_page, PAGE_CLOCK);
    }
    input(EV_BOTH_PRESS);
    button_event = EV_RIGHT_RELEASE;
    btn_dispatch(0, 0);
    EXPECT_EQ(current_page, PAGE_RUN_TIME);
}

// Two seconds shown after an edit, then one off, one on; each field has its own box.
TEST_F(Clock, EditedFieldBlinks) {
    struct Box {
        int x0, y0, x1, y1;
    } boxes[] = {{15, 57, 49, 81}, {58, 57, 91, 81}, {95, 69, 109, 81}, {34, 93, 93, 111}};
    device_settings.option_flags |= OPTION_BLUE_BG;
    draw();
    input(EV_BOTH_PRESS);
    for (int f = 0; f < 4; ++f) {
        clock_edit_field = static_cast<int8_t>(f);
        input(EV_VIEW_RELEASE);
        const Box& b = boxes[f];
        const bool shown[] = {true, true, false, true, false};
        for (bool s : shown) {
            Frame fr = draw();
            EXPECT_EQ(fr.count_not(BLUE, b.x0, b.y0, b.x1, b.y1) > 0, s) << "field " << f;
            for (int o = 0; o < 4; ++o) {
                const Box& other = boxes[o];
                if (o == f) continue;
                EXPECT_GT(fr.count_not(BLUE, other.x0, other.y0, other.x1, other.y1), 0);
            }
            host_tick_1s();
        }
    }
}

TEST_F(Clock, SetClockScreenShowsOffsetAndNoPageChrome) {
    draw();
    input(EV_BOTH_PRESS);
    clock_edit_field = CLOCK_FIELD_OFFSET;
    input(EV_LEFT_RELEASE);
    input(EV_LEFT_RELEASE);
    Frame fr = draw();
    EXPECT_TRUE(shows_centered(fr, 0, 64, 100, WHITE, "Local -02"));
    EXPECT_TRUE(shows_centered(fr, 0, 64, 152, 0xFF60F0F0, "ACCEPT"));
    EXPECT_TRUE(shows_run(fr, 4, 18, 55, WHITE, "10"));
    EXPECT_EQ(fr.count_not(BLACK, 0, 0, 20, 17), 0);       // no demo label
    EXPECT_EQ(fr.count_not(BLACK, 100, 140, 127, 159), 0); // no page bars or page arrow
}

TEST_F(Clock, AirDataTexts) {
    char a[16], b[16];
    const struct {
        float t;
        const char* want;
    } temps[] = {{23.0f, "+23d"}, {22.4f, "+22d"}, {22.4f * 1.8f + 32.0f, "+72d"},
                 {0.4f, "0d"},    {-0.4f, "0d"},   {0.5f, "+1d"},
                 {-4.6f, "-5d"}};
    for (const auto& c : temps) {
        page_clock_format_temperature(c.t, a);
        EXPECT_STREQ(a, c.want) << c.t;
    }
    const struct {
        float kt;
        bool in_kt;
        const char* want;
    } speeds[] = {{152.0f, true, "152 k"},
                  {152.0f, false, "174 m"},
                  {75.9996f, true, "75 k"},
                  {100.0f, false, "115 m"}};
    for (const auto& c : speeds) {
        page_clock_format_airspeed(c.kt, c.in_kt, a);
        EXPECT_STREQ(a, c.want) << c.kt;
    }
    const struct {
        float ft;
        const char *thousands, *rest;
    } alts[] = {{1234.56f, "1", "200"},  {5000.0f, "5", "000"},  {5649.0f, "5", "600"},
                {5650.0f, "5", "700"},   {950.0f, "1", "000"},   {0.0f, "0", "000"},
                {-500.0f, "-0", "500"},  {-40.0f, "0", "000"},   {-60.0f, "-0", "100"},
                {-1234.0f, "-1", "200"}, {12345.0f, "12", "300"}};
    for (const auto& c : alts) {
        page_clock_format_density_alt(c.ft, a, b);
        EXPECT_STREQ(a, c.thousands) << c.ft;
        EXPECT_STREQ(b, c.rest) << c.ft;
    }
}

TEST_F(Clock, AirDataViewsWithoutDemo) {
    device_settings.demo_mode = DEMO_NONE;
    clock_view = CLOCK_VIEW_AIRSPEED;
    Frame kt = draw();
    EXPECT_TRUE(shows_centered(kt, 4, 64, 36, WHITE, "152 k"));
    EXPECT_TRUE(shows_centered(kt, 2, 33, 84, 0xFF707070, "14.1"));
    EXPECT_TRUE(shows_centered(kt, 0, 33, 111, 0xFF60F0F0, "OAT C"));
    EXPECT_TRUE(shows_centered(kt, 2, 33, 129, 0xFF707070, "+22d"));
    device_settings.option_flags &= ~(OPTION_TAS_IN_KT | OPTION_TEMP_IN_C);
    Frame mph = draw();
    EXPECT_TRUE(shows_centered(mph, 4, 64, 36, WHITE, "174 m"));
    EXPECT_TRUE(shows_centered(mph, 0, 33, 111, 0xFF60F0F0, "OAT F"));
    EXPECT_TRUE(shows_centered(mph, 2, 33, 129, 0xFF707070, "+72d"));
    clock_view = CLOCK_VIEW_DENSITY_ALT;
    Frame alt = draw();
    EXPECT_TRUE(shows_run(alt, 4, 63 - 15, 23, WHITE, "1"));
    EXPECT_TRUE(shows_run(alt, 3, 65, 23, WHITE, "200"));
    EXPECT_TRUE(shows_run(alt, 2, 103, 23, WHITE, "t"));
    EXPECT_EQ(clock_needs_sync, 1);
}

TEST_F(Clock, HandAngles) {
    struct Case {
        float h;
        int m, s;
        float hour, minute, second;
    } cases[] = {{12.0f, 30, 0, 285.0f, 90.0f, -90.0f},
                 {3.0f, 0, 0, 0.0f, -90.0f, -90.0f},
                 {9.0f, 45, 15, 202.5f, 181.5f, 0.0f}};
    for (const Case& c : cases) {
        ClockHandAngles a = page_clock_hand_angles(c.h, c.m, c.s);
        EXPECT_FLOAT_EQ(a.hour, c.hour);
        EXPECT_FLOAT_EQ(a.minute, c.minute);
        EXPECT_FLOAT_EQ(a.second, c.second);
    }
}

// At 03:00:00 the hour hand runs right to x = 99, its tail left to 55; minute and second hands point up
// and the green second hand, drawn last, ends at row 20 and its tail at 92.
TEST_F(Clock, AnalogHandsEndWhereTheyShould) {
    set_time(15, 0, 0);
    clock_view = CLOCK_VIEW_ANALOG;
    Frame fr = draw();
    EXPECT_EQ(fr.at(99, 80), WHITE);
    EXPECT_EQ(fr.at(100, 80), BLACK);
    EXPECT_EQ(fr.at(55, 80), WHITE);
    EXPECT_EQ(fr.at(54, 80), BLACK);
    // Straight up or down, cos leaves x a hair under 64: the solid core is column 63.
    EXPECT_EQ(fr.at(63, 20), GREEN);
    EXPECT_EQ(fr.at(63, 19), BLACK);
    EXPECT_EQ(fr.at(63, 92), GREEN);
    EXPECT_EQ(fr.at(63, 93), BLACK);
    EXPECT_TRUE(shows_centered(fr, 0, 116, 10, 0xFF707070, "pm"));
    EXPECT_TRUE(shows_centered(fr, 0, 64, 10, 0xFF707070, "GMT"));
    EXPECT_TRUE(shows_centered(fr, 0, 64, 150, 0xFF707070, "SET"));
    EXPECT_EQ(fr.count_not(BLACK, 11, 99, 55, 100), 0); // no lower half
}

// At 12:30 the hour hand stands halfway between 12 and 1 (15 degrees): about 30 pixels out it passes
// column 71, not 64.
TEST_F(Clock, AnalogHourHandAtHalfPast) {
    set_time(12, 30, 15);
    clock_view = CLOCK_VIEW_ANALOG;
    Frame fr = draw();
    EXPECT_EQ(fr.at(71, 51), WHITE);
    EXPECT_EQ(fr.at(64, 51), BLACK);
    EXPECT_EQ(fr.count_not(BLACK, 71, 40, 80, 44), 0); // the tip (73.1, 46.2) stops short of row 45
    EXPECT_TRUE(shows_centered(fr, 0, 116, 10, 0xFF707070, "pm"));
    // Local time shown on the dial: offset -1 makes it 11:30 am.
    local_offset_hours = -1;
    analog_show_local = 1;
    fr = draw();
    EXPECT_TRUE(shows_centered(fr, 0, 116, 10, 0xFF707070, "am"));
    EXPECT_TRUE(shows_centered(fr, 0, 64, 10, 0xFF707070, "LOCAL"));
}
