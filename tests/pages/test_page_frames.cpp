// Whole pages against their layout: each page drawn by the page manager must equal, pixel for pixel, a
// frame sketched element by element from the layout's fonts, positions and colours. The shared pieces
// (soft keys, AoA bar, slip indicator) have their own tests and are sketched by their own routines.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdio>

#include "core/flight.h"
#include "core/page.h"
#include "host/host.h"
#include "host/local_time.h"
#include "pages/aoa.h"
#include "pages/aoa_bar.h"
#include "pages/clock.h"
#include "pages/g_meter.h"
#include "pages/timer.h"
#include "setup/settings.h"
#include "frame_probe.h"

namespace {

constexpr uint32_t LABEL = 0xFF60F0F0, GREY = 0xFF707070, WHITE = 0xFFFFFFFF, RULE = 0xFF888888;
constexpr uint32_t CYAN = 0xFF00FFFF, GREEN = 0xFF00FF00, RED = 0xFFFF0000, YELLOW = 0xFFFFFF00;
constexpr uint32_t DARK = 0xFF202020, DEMO_RED = 0xFFFF0000;
constexpr float RAD = 0.017453292f;
constexpr uint32_t BLUE = 0xFF000090;

class PageFrames : public ::testing::Test {
  protected:
    // Demo mode NONE (tests that want DEMO 1 say so), the local time 01:22:38, and the blue background,
    // so that whatever is drawn in it shows.
    void SetUp() override {
        host_reset_all();
        host_start();
        static const ClockTime t{2024, 5, 3, 17, 1, 22, 38, 0};
        host_set_local_time(&t);
        device_settings.demo_mode = DEMO_NONE;
        device_settings.option_flags |= OPTION_BLUE_BG;
    }
    void TearDown() override { host_set_local_time(nullptr); }
    static ProbeFrame draw(int32_t page) {
        current_page = page;
        ProbeFrame fr;
        page_draw_frame(fr.px());
        return fr;
    }
    // The soft keys and page bars every page ends with.
    static Sketch& keys(Sketch& s) {
        page_draw_softkeys(s.px());
        return s;
    }
    static void demo_label(Sketch& s) {
        if (device_settings.demo_mode != DEMO_NONE)
            s.text(0, 20, 10, DEMO_RED, device_settings.demo_mode == DEMO_1 ? "DEMO1" : "DEMO2");
    }
};

// An HH:MM:SS value: digit pairs from x[0], x[2], x[4] on pen row y, colons at x[1] and x[3] on row cy.
void hms(Sketch& s, int digits, int colons, const int x[5], int y, int cy, uint32_t color, int h, int m,
         int sec) {
    char t[3][3];
    std::snprintf(t[0], 3, "%02d", h);
    std::snprintf(t[1], 3, "%02d", m);
    std::snprintf(t[2], 3, "%02d", sec);
    s.run(digits, x[0], y, color, t[0]).run(colons, x[1], cy, color, ":").run(digits, x[2], y, color, t[1]);
    s.run(colons, x[3], cy, color, ":").run(digits, x[4], y, color, t[2]);
}

// CLOCK's lower half in every view but the analog clock: bus voltage, OAT, AoA bar and three rules.
void clock_lower_half(Sketch& s, const char* oat = "+22d") {
    s.text(0, 33, 66, LABEL, "Bus V").text(2, 33, 84, GREY, "14.1");
    s.text(0, 33, 111, LABEL, "OAT C").text(2, 33, 129, GREY, oat);
    page_draw_aoa_bar(s.px(), 77, 135, 30, false);
    s.line(10, 54, 118, 54, RULE).line(11, 100, 55, 100, RULE).line(64, 65, 64, 136, RULE);
}

} // namespace

TEST_F(PageFrames, RunTime) {
    engine_run_time = {12, 34, 56};
    flight_time = {7, 8, 9};
    const int x[5] = {18, 42, 51, 75, 84};
    for (int32_t selected : {0, 1}) {
        flight_time_selected = selected;
        current_page = PAGE_RUN_TIME;
        const uint32_t flight = selected ? WHITE : 0xFF608080, engine = selected ? 0xFF608080 : WHITE;
        Sketch want(BLUE);
        want.text(0, 64, 86, LABEL, "Flight Time").text(0, 64, 128, GREY, "HH:MM:SS");
        hms(want, 3, 4, x, 95, 93, flight, 7, 8, 9);
        want.text(0, 64, 15, LABEL, "Engine Run Time").text(0, 64, 57, GREY, "HH:MM:SS");
        hms(want, 3, 4, x, 25, 23, engine, 12, 34, 56);
        want.line(11, 69, 117, 69, RULE).text(0, 64, 150, GREY, "CLEAR");
        EXPECT_EQ(difference(draw(PAGE_RUN_TIME), keys(want)), "") << "flight selected " << selected;
    }
}

TEST_F(PageFrames, Timers) {
    const int big[5] = {23, 47, 56, 80, 89}, small[5] = {27, 49, 56, 78, 86};
    UserTimer& t = user_timers[0];
    t.hours = 1, t.minutes = 23, t.seconds = 45, t.running = 1;
    t.preset_hours = 2, t.preset_minutes = 34, t.preset_seconds = 56;
    current_page = PAGE_TIMER1;
    Sketch want(BLUE);
    want.text(0, 64, 8, LABEL, "Timer 1")
        .text(0, 64, 23, WHITE, "Count Down")
        .text(0, 66, 68, GREY, "HH:MM:SS");
    hms(want, 3, 4, big, 33, 31, WHITE, 1, 23, 45);
    want.line(20, 85, 108, 85, RULE).text(0, 64, 102, GREY, "Set Value:");
    hms(want, 2, 2, small, 112, 112, GREY, 2, 34, 56);
    want.text(0, 64, 150, GREY, "SET").mask(MASK_PAUSE, 2, 35);
    EXPECT_EQ(difference(draw(PAGE_TIMER1), keys(want)), "");

    // TIMER 2 untouched: counting up from 0:00:00, stopped.
    current_page = PAGE_TIMER2;
    Sketch two(BLUE);
    two.text(0, 64, 8, LABEL, "Timer 2").text(0, 64, 23, WHITE, "Count Up").text(0, 66, 68, GREY, "HH:MM:SS");
    hms(two, 3, 4, big, 33, 31, WHITE, 0, 0, 0);
    two.line(20, 85, 108, 85, RULE).text(0, 64, 102, GREY, "Set Value:");
    hms(two, 2, 2, small, 112, 112, GREY, 0, 0, 0);
    two.text(0, 64, 150, GREY, "SET").mask(MASK_PLAY, 2, 35);
    EXPECT_EQ(difference(draw(PAGE_TIMER2), keys(two)), "");

    // Editing TIMER 1's preset: the preset in the large digits 30 rows lower, arrows and ACCEPT, no keys.
    t.editing = 1;
    Sketch edit(BLUE);
    edit.text(0, 64, 8, LABEL, "Timer 1")
        .text(0, 64, 23, WHITE, "Count Down")
        .text(0, 66, 98, GREY, "HH:MM:SS");
    hms(edit, 3, 4, big, 63, 61, WHITE, 2, 34, 56);
    edit.mask(MASK_ARROW_UP, 3, 40).mask(MASK_ARROW_DOWN, 3, 115).mask(MASK_ARROW_RIGHT, 115, 115);
    edit.text(0, 64, 150, LABEL, "ACCEPT");
    EXPECT_EQ(difference(draw(PAGE_TIMER1), edit), "");
}

TEST_F(PageFrames, ClockDigitalViews) {
    current_page = PAGE_CLOCK;
    // GMT in 24-hour time, the start options (TEMP IN C, TAS IN KT).
    Sketch gmt(BLUE);
    gmt.text(0, 64, 12, LABEL, "GMT Time").run(4, 18, 21, WHITE, "01").run(4, 49, 21, WHITE, ":");
    gmt.run(4, 58, 21, WHITE, "22").run(0, 91, 35, WHITE, ":38");
    clock_lower_half(gmt);
    gmt.text(0, 64, 150, GREY, "SET");
    EXPECT_EQ(difference(draw(PAGE_CLOCK), keys(gmt)), "");

    // Local time two hours behind, in 12-hour time: 11 pm.
    device_settings.option_flags &= ~OPTION_24H_TIME;
    local_offset_hours = -2;
    clock_view = CLOCK_VIEW_LOCAL;
    Sketch local(BLUE);
    local.text(0, 64, 12, LABEL, "Local Time").run(0, 93, 20, RULE, "pm").run(4, 18, 21, WHITE, "11");
    local.run(4, 49, 21, WHITE, ":").run(4, 58, 21, WHITE, "22").run(0, 91, 35, WHITE, ":38");
    clock_lower_half(local);
    local.text(0, 64, 150, GREY, "SET");
    EXPECT_EQ(difference(draw(PAGE_CLOCK), keys(local)), "");

    // Density altitude 1234.56 ft shows 1 and 200 with the feet glyph; no SET.
    clock_view = CLOCK_VIEW_DENSITY_ALT;
    Sketch alt(BLUE);
    alt.text(0, 64, 12, LABEL, "Density Alt").run(4, 48, 23, WHITE, "1").run(3, 65, 23, WHITE, "200");
    alt.run(2, 103, 23, WHITE, "t");
    clock_lower_half(alt);
    EXPECT_EQ(difference(draw(PAGE_CLOCK), keys(alt)), "");

    clock_view = CLOCK_VIEW_AIRSPEED;
    Sketch tas(BLUE);
    tas.text(0, 64, 12, LABEL, "True Airspeed").text(4, 64, 36, WHITE, "152 k");
    clock_lower_half(tas);
    EXPECT_EQ(difference(draw(PAGE_CLOCK), keys(tas)), "");

    // DEMO 1 at a sweep of 6: 88 knots, 5300 ft, 23 degrees C. The AoA bar steps the filter once a frame.
    device_settings.demo_mode = DEMO_1;
    demo_sweep = 6.0f;
    for (int32_t view : {CLOCK_VIEW_DENSITY_ALT, CLOCK_VIEW_AIRSPEED}) {
        clock_view = view;
        const float filter = aoa_filter_state;
        const ProbeFrame got = draw(PAGE_CLOCK);
        aoa_filter_state = filter;
        Sketch demo(BLUE);
        if (view == CLOCK_VIEW_AIRSPEED)
            demo.text(0, 64, 12, LABEL, "True Airspeed").text(4, 64, 36, WHITE, "88 k");
        else
            demo.text(0, 64, 12, LABEL, "Density Alt")
                .run(4, 48, 23, WHITE, "5")
                .run(3, 65, 23, WHITE, "300")
                .run(2, 103, 23, WHITE, "t");
        clock_lower_half(demo, "+23d");
        keys(demo);
        demo_label(demo);
        EXPECT_EQ(difference(got, demo), "") << "view " << view;
    }
}

// Set Clock: the time 34 rows lower, the local offset under it, three arrows and ACCEPT; no keys. In the
// blink's off phase the field being set is covered.
TEST_F(PageFrames, SetClock) {
    draw(PAGE_CLOCK);
    button_event = EV_BOTH_PRESS;
    page_clock_input();
    clock_blink = 1;
    auto set_clock = [](bool offset_shown) {
        Sketch s(BLUE);
        s.text(0, 64, 8, LABEL, "Set Clock").text(0, 64, 25, LABEL, "(24 Hour GMT)");
        s.mask(MASK_ARROW_UP, 3, 40).mask(MASK_ARROW_DOWN, 3, 115).mask(MASK_ARROW_RIGHT, 115, 115);
        s.text(0, 64, 152, LABEL, "ACCEPT");
        s.run(4, 18, 55, WHITE, "01").run(4, 49, 55, WHITE, ":").run(4, 58, 55, WHITE, "22");
        s.run(0, 91, 69, WHITE, ":38");
        if (offset_shown) s.text(0, 64, 100, WHITE, "Local +00");
        return s;
    };
    EXPECT_EQ(difference(draw(PAGE_CLOCK), set_clock(true)), "");
    clock_edit_field = CLOCK_FIELD_OFFSET;
    clock_blink = 0;
    EXPECT_EQ(difference(draw(PAGE_CLOCK), set_clock(false)), "");
}

// The analog clock at 01:22:38: numerals in their boxes 43 from the centre (64, 80), 12 hour ticks 8 long
// and 60 minute ticks 3 long from radius 60, the three hands with their tails, GMT and am above.
TEST_F(PageFrames, AnalogClock) {
    clock_view = CLOCK_VIEW_ANALOG;
    current_page = PAGE_CLOCK;
    draw(PAGE_CLOCK); // reads 01:22:38; then 13:47:05, past noon: pm, the hour hand from 1
    for (int hms : {12238, 134705}) {
        const int h = hms / 10000, m = hms / 100 % 100, sec = hms % 100;
        clock_time.hour = static_cast<uint16_t>(h), clock_time.minute = static_cast<uint16_t>(m);
        clock_time.second = static_cast<uint16_t>(sec);
        Sketch want(BLUE);
        const char* numerals[] = {"12", "3", "6", "9"};
        for (int i = 0; i < 4; ++i) {
            const float a = static_cast<float>(i < 3 ? 90 * i : -90) * RAD;
            uint32_t box[18 * 18];
            std::fill(box, box + 18 * 18, BLUE);
            int32_t pen = static_cast<int32_t>(std::round(9.0f - font_text_width(1, numerals[i]) / 2.0f)) + 2;
            for (const char* c = numerals[i]; *c; ++c)
                pen += font_draw_glyph(box, 18, 18, 1, pen, 0, GREY, *c);
            gfx_blit_image(want.px(), box, 18, 18, static_cast<int>(64.0f + 43.0f * std::sin(a) - 11.0f),
                           static_cast<int>(80.0f - 43.0f * std::cos(a) - 9.0f));
        }
        for (int step : {30, 6})
            for (int deg = 0; deg < 360; deg += step) {
                const float a = -static_cast<float>(deg) * RAD, in = step == 30 ? 52.0f : 57.0f;
                want.line(64 + 60 * std::sin(a), 80 - 60 * std::cos(a), 64 + in * std::sin(a),
                          80 - in * std::cos(a), GREY);
            }
        want.text(0, 64, 10, GREY, "GMT").text(0, 116, 10, GREY, h >= 12 ? "pm" : "am");
        auto hand = [&](float deg, float length, float tail, uint32_t color) {
            const float a = deg * RAD, b = (deg + 180.0f) * RAD;
            want.line(64, 80, 64 + length * std::cos(a), 80 + length * std::sin(a), color);
            want.line(64, 80, 64 + tail * std::cos(b), 80 + tail * std::sin(b), color);
        };
        const float hf = static_cast<float>(h > 12 ? h - 12 : h), mf = static_cast<float>(m);
        const float sf = static_cast<float>(sec);
        hand((mf / 60.0f + hf) * 30.0f - 90.0f, 35, 9, WHITE);
        hand((sf / 60.0f + mf) * 6.0f - 90.0f, 53, 9, WHITE);
        hand(sf * 6.0f - 90.0f, 60, 12, 0xFF00B000);
        want.text(0, 64, 150, GREY, "SET");
        EXPECT_EQ(difference(draw(PAGE_CLOCK), keys(want)), "") << hms;
    }
}

// G METER in DEMO 1 at a sweep of 6: 1.4 G, seven tenths of the +2.0 limit; the peaks at their start.
TEST_F(PageFrames, GMeterViews) {
    device_settings.demo_mode = DEMO_1;
    demo_sweep = 6.0f;
    current_page = PAGE_G_METER;
    auto peaks_under = [](Sketch& s) {
        s.text(0, 18, 105, LABEL, "L").text(0, 113, 105, LABEL, "H");
        s.text(1, 20, 125, WHITE, "0.5").text(1, 108, 125, WHITE, "2.5");
    };
    auto finish = [&](Sketch& s) {
        s.text(0, 64, 150, GREY, "CLR PK");
        keys(s);
        demo_label(s);
        return s;
    };
    // The bar: segments 2..17 lit below the fraction's 17.5 of 25, dark lines on 18, 21 and 24.
    Sketch bar(BLUE);
    bar.text(0, 64, 8, LABEL, "G Load").rect(40, 126, 88, 132, CYAN);
    for (int k = 0; k <= 23; ++k) {
        const int n = k + 2, y = 120 - 4 * k, x0 = 46 - 2 * k, x1 = 82 + 2 * k;
        if (n <= 17) bar.rect(x0, y, x1, y + 3, n < 20 ? GREEN : n < 22 ? YELLOW : RED);
        if (n > 17 && n % 3 == 0) bar.rect(x0, y, x1, y + 1, DARK);
    }
    peaks_under(bar);
    EXPECT_EQ(difference(draw(PAGE_G_METER), finish(bar)), "");

    g_view = 1;
    Sketch number(BLUE);
    number.text(0, 64, 8, LABEL, "G Load").text(5, 59, 60, WHITE, "+1.4");
    number.text(0, 18, 105, LABEL, "L").text(0, 113, 105, LABEL, "H");
    peaks_under(number);
    EXPECT_EQ(difference(draw(PAGE_G_METER), finish(number)), "");

    // The dial: numerals every `arc` degrees at radius 50, nine major and eight minor ticks, the needle,
    // the limit marks (radius 68 to 57) and the peak marks (67 to 58). The start limits give 45 degrees
    // a G and numerals 3..-1; a negative limit of -2.0 gives 22.5 degrees a G and numerals 5..-3, 23
    // degrees apart. The high peak, cleared to 1.0, follows the load to 1.4 on the very frame.
    g_view = 2;
    g_peak_high = 1.0f;
    const struct {
        int32_t negative;
        float k;
        int first, arc;
    } scales[] = {{-10, 45.0f, 3, 45}, {-20, 22.5f, 5, 23}};
    for (const auto& sc : scales) {
        device_settings.g_limit_negative = sc.negative;
        auto point = [](float r, float deg, float* x, float* y) {
            *x = 82.0f - r * std::sin(deg * RAD);
            *y = 72.0f - r * std::cos(deg * RAD);
        };
        Sketch dial(BLUE);
        for (int a = 0, v = sc.first; a < 185; a += sc.arc, --v) {
            char text[4];
            std::snprintf(text, sizeof text, "%d", v);
            uint32_t tile[18 * 18];
            std::fill(tile, tile + 18 * 18, BLUE);
            font_draw_text_left(tile, 18, 18, 0, std::lroundf(9.0f - font_text_width(0, text) * 0.5f) + 2, 2,
                                GREY, text);
            float x, y;
            point(50, static_cast<float>(a), &x, &y);
            gfx_blit_image(dial.px(), tile, 18, 18, static_cast<int>(x - 9), static_cast<int>(y - 9));
        }
        for (float deg = 0; deg <= 180; deg += 22.5f) {
            float x0, y0, x1, y1;
            point(64, deg, &x0, &y0);
            point(59, deg, &x1, &y1);
            dial.line(x0, y0, x1, y1, GREY);
        }
        for (float deg = 12.25f; deg < 182; deg += 22.5f) {
            float x0, y0, x1, y1;
            point(64, deg, &x0, &y0);
            point(61, deg, &x1, &y1);
            dial.line(x0, y0, x1, y1, GREY);
        }
        const float phi = ((page_demo_g() - 1.0f) * sc.k + 180.0f) * RAD;
        dial.line(82, 72, 82 + 55 * std::cos(phi), 72 + 55 * std::sin(phi), GREEN);
        const struct {
            float g, r0, r1;
            uint32_t color;
        } marks[] = {{2.0f, 68, 57, RED},
                     {sc.negative / 10.0f, 68, 57, RED},
                     {page_demo_g(), 67, 58, CYAN},
                     {0.5f, 67, 58, CYAN}};
        for (const auto& m : marks) {
            const float psi = ((m.g - 1.0f) * sc.k - 90.0f) * RAD;
            dial.line(82 + m.r0 * std::sin(psi), 72 - m.r0 * std::cos(psi), 82 + m.r1 * std::sin(psi),
                      72 - m.r1 * std::cos(psi), m.color);
        }
        dial.text(0, 26, 8, LABEL, "G Load").text(0, 111, 95, LABEL, "L").text(0, 111, 30, LABEL, "H");
        dial.text(1, 115, 113, WHITE, "0.5").text(1, 115, 48, WHITE, "1.4");
        EXPECT_EQ(difference(draw(PAGE_G_METER), finish(dial)), "") << "negative limit " << sc.negative;
    }
}

// AOA in DEMO 1: the filter at 8 degrees (state 80), the load at 1.4 G; the peaks at their start.
TEST_F(PageFrames, AoaViews) {
    device_settings.demo_mode = DEMO_1;
    demo_sweep = 6.0f;
    aoa_filter_state = 80.0f;
    current_page = PAGE_AOA;
    auto span = [](Sketch& s, int row, int x0, int x1, uint32_t color) {
        s.rect(x0, row, x1 + 1, row + 1, color);
    };
    Sketch tape(BLUE);
    tape.run(0, 5, 2, GREY, "G Load");
    const char* g_labels[] = {"+3", "+2", "+1", "+0"};
    const int g_rows[] = {19, 55, 90, 127};
    for (int i = 0; i < 4; ++i)
        tape.run(0, 42 - font_text_width(0, g_labels[i]), g_rows[i], WHITE, g_labels[i]);
    tape.text(0, 105, 9, LABEL, "AoA").run(0, 85, 18, LABEL, "+30").run(0, 85, 53, LABEL, "+15");
    tape.run(0, 87, 90, LABEL, "+0").run(0, 87, 127, LABEL, "-15").rect(61, 24, 65, 134, 0xFF595959);
    for (int row : {24, 60, 97, 134}) span(tape, row, 53, 72, WHITE);
    for (int row : {42, 78, 115}) span(tape, row, 56, 69, WHITE);
    for (int i = 0; i <= 5; ++i) { // 8 degrees: tip on row 97 - 20
        span(tape, 77 - i, 74 + i, 77 + i, LABEL);
        span(tape, 77 + i, 74 + i, 77 + i, LABEL);
    }
    for (int row : {58, 59, 60, 91, 92, 93}) span(tape, row, 74, 83, CYAN); // 15.0 and 2.0 degrees
    for (int row : {57, 58, 59, 60, 61}) span(tape, row, 62, 71, RED);      // PRE-STALL 15.0
    for (int row : {82, 83, 84, 85, 86}) span(tape, row, 62, 71, GREEN);    // CRUISE 5.0
    for (int i = 0; i <= 5; ++i) {                                          // 1.4 G: tip on row 97 - 14
        span(tape, 83 - i, 51 - i, 54 - i, WHITE);
        span(tape, 83 + i, 51 - i, 54 - i, WHITE);
    }
    for (int row : {41, 42, 43, 115, 116, 117}) span(tape, row, 45, 54, CYAN); // 2.5 and 0.5 G
    tape.text(0, 64, 150, GREY, "CLR PK");
    keys(tape);
    demo_label(tape);
    EXPECT_EQ(difference(draw(PAGE_AOA), tape), "");

    // The bar, in DEMO 2: 8 degrees, (8 - 5) / (15 - 5), lights three segments.
    device_settings.demo_mode = DEMO_2;
    aoa_view = 1;
    aoa_filter_state = 80.0f;
    Sketch bar(BLUE);
    bar.text(0, 64, 8, LABEL, "AoA").rect(40, 126, 88, 132, CYAN);
    for (int i = 1; i <= 10; ++i) {
        const int y = 115 - 9 * (i - 1), x0 = 42 - 4 * (i - 1), x1 = 86 + 4 * (i - 1);
        if (i <= 3)
            bar.rect(x0, y - 2, x1, y + 6, GREEN);
        else
            bar.rect(x0, y, x1, y + 1, DARK);
    }
    bar.text(0, 18, 105, LABEL, "L").text(0, 113, 105, LABEL, "H");
    bar.text(1, 20, 125, WHITE, "2.0").text(1, 108, 125, WHITE, "15.0").text(0, 64, 150, GREY, "CLR PK");
    keys(bar);
    demo_label(bar);
    EXPECT_EQ(difference(draw(PAGE_AOA), bar), "");
}
