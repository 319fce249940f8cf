#include <gtest/gtest.h>

#include <string>

#include "core/flight.h"
#include "gfx/font.h"
#include "host/host.h"
#include "pages/aoa.h"
#include "pages/g_meter.h"
#include "setup/settings.h"
#include "frame_probe.h"

namespace {

constexpr uint32_t WHITE = 0xFFFFFFFF, CYAN = 0xFF00FFFF, LABEL = 0xFF60F0F0, UNLIT = 0xFF202020;
constexpr uint32_t GREEN = 0xFF00FF00, YELLOW = 0xFFFFFF00, RED = 0xFFFF0000, MAGENTA = 0xFFFF00FF;

class GMeter : public ::testing::Test {
  protected:
    void SetUp() override {
        host_reset_all();
        host_start();
    }
    // The whole page in demo mode NONE with the channel's output at g.
    static ProbeFrame page_at(float g) {
        device_settings.demo_mode = DEMO_NONE;
        smooth_output[LOAD_FACTOR_CHANNEL] = g;
        ProbeFrame fr;
        page_g_meter_draw(fr.px());
        return fr;
    }
};

} // namespace

TEST_F(GMeter, BarSegments) {
    // One letter per segment number 2..25: G, Y, R lit; '-' a dark line; '.' nothing.
    struct {
        float fraction;
        const char* segments;
    } cases[] = {
        {0.0f, ".-..-..-..-..-..-..-..-."},          {0.5f, "GGGGGGGGGGG..-..-..-..-."},
        {12.0f / 25.0f, "GGGGGGGGGG...-..-..-..-."}, // segment 12 at the fraction: neither
        {0.9f, "GGGGGGGGGGGGGGGGGGYYR.-."},          {1.0f, "GGGGGGGGGGGGGGGGGGYYRRR."},
    };
    for (const auto& c : cases) {
        ProbeFrame fr;
        page_g_meter_draw_bar_view(fr.px(), c.fraction);
        for (int k = 0; k <= 23; ++k) {
            int y = 120 - 4 * k, x0 = 46 - 2 * k, x1 = 82 + 2 * k;
            char s = c.segments[k];
            uint32_t lit = s == 'G' ? GREEN : s == 'Y' ? YELLOW : s == 'R' ? RED : 0u;
            EXPECT_EQ(fr.at(x0, y), s == '-' ? UNLIT : lit) << c.fraction << " segment " << k + 2;
            EXPECT_EQ(fr.at(x1 - 1, y + 2), lit) << c.fraction << " segment " << k + 2;
            EXPECT_EQ(fr.at(x0, y + 3), 0u) << c.fraction << " segment " << k + 2;
        }
    }
}

TEST_F(GMeter, BarFractionFromTheLimits) {
    // Start limits +2.0 and -1.0: -0.5 G fills as far as +1.0 G; 2.8 G is limited to a full bar.
    ProbeFrame one = page_at(1.0f), zero = page_at(0.0f);
    EXPECT_FALSE(one.same(zero));
    EXPECT_TRUE(page_at(-0.5f).same(one));
    EXPECT_TRUE(page_at(2.8f).same(page_at(2.0f)));
    EXPECT_FALSE(page_at(1.9f).same(page_at(2.0f)));
    // A limit of half a G or less leaves the bar dark.
    device_settings.g_limit_negative = -5;
    EXPECT_TRUE(page_at(-0.5f).same(zero));
    device_settings.g_limit_negative = -10;
    device_settings.g_limit_positive = 5;
    EXPECT_TRUE(page_at(1.0f).same(zero));
}

TEST_F(GMeter, NumberViewRoundsToTenths) {
    struct {
        float g;
        const char* text;
    } cases[] = {{2.8f, "+2.8"},   {12.0f, "+9.0"}, {-0.04f, "+0.0"}, {-0.05f, "-0.1"},
                 {-30.0f, "-9.0"}, {0.25f, "+0.3"}, {1.0f, "+1.0"}};
    for (const auto& c : cases) {
        ProbeFrame fr, ref;
        page_g_meter_draw_digital_view(fr.px(), c.g);
        font_draw_text_centered(ref.px(), 5, 59, 60, WHITE, c.text);
        EXPECT_TRUE(fr.same_box(ref, 0, 30, 127, 90)) << c.g << " " << c.text;
    }
    // The letters L and H go down twice in this view.
    ProbeFrame fr, ref;
    page_g_meter_draw_digital_view(fr.px(), 1.0f);
    for (int twice = 0; twice < 2; ++twice) {
        font_draw_text_centered(ref.px(), 0, 18, 105, LABEL, "L");
        font_draw_text_centered(ref.px(), 0, 113, 105, LABEL, "H");
    }
    EXPECT_TRUE(fr.same_box(ref, 0, 95, 127, 113));
}

TEST_F(GMeter, PeakTextsUnderTheBarAndBesideTheDial) {
    // The demo load (1.4 G) lifts the low peak's 0.5 no further and the high peak's 2.5 not at all;
    // a low peak of 0.96 reads 1.0.
    demo_sweep = 6.0f;
    g_peak_low = 0.96f;
    ProbeFrame bar, dial, ref_bar, ref_dial;
    page_g_meter_draw_bar_view(bar.px(), 0.0f);
    font_draw_text_centered(ref_bar.px(), 0, 18, 105, LABEL, "L");
    font_draw_text_centered(ref_bar.px(), 1, 20, 125, WHITE, "1.0");
    EXPECT_TRUE(bar.same_box(ref_bar, 0, 95, 33, 140));

    g_peak_high = 1.0f;
    page_g_meter_draw_dial_view(dial.px(), 1.0f);
    EXPECT_FLOAT_EQ(g_peak_high, page_demo_g());
    font_draw_text_centered(ref_dial.px(), 0, 111, 95, LABEL, "L");
    font_draw_text_centered(ref_dial.px(), 0, 111, 30, LABEL, "H");
    font_draw_text_centered(ref_dial.px(), 1, 115, 113, WHITE, "1.0");
    font_draw_text_centered(ref_dial.px(), 1, 115, 48, WHITE, "1.4");
    EXPECT_TRUE(dial.same_box(ref_dial, 95, 20, 127, 125));
}

TEST_F(GMeter, DialScaleFromTheLimits) {
    // Tile corners of the second numeral (45 or 23 degrees round) and the last (180 or 184 degrees).
    struct {
        int32_t positive, negative;
        float k;
        char top;
        int second_x, second_y, last_x, last_y;
    } cases[] = {
        {20, -10, 45.0f, '3', 37, 27, 73, 113},  {30, -10, 45.0f, '3', 37, 27, 73, 113},
        {31, -10, 22.5f, '5', 53, 16, 76, 112},  {20, -11, 22.5f, '5', 53, 16, 76, 112},
        {59, -30, 22.5f, '5', 53, 16, 76, 112},  {60, -10, 11.25f, '9', 53, 16, 76, 112},
        {20, -31, 11.25f, '9', 53, 16, 76, 112}, {-40, -20, 11.25f, '9', 53, 16, 76, 112},
    };
    for (const auto& c : cases) {
        device_settings.g_limit_positive = c.positive;
        device_settings.g_limit_negative = c.negative;
        ProbeFrame fr(MAGENTA);
        page_g_meter_draw_dial_scale(fr.px());
        EXPECT_EQ(g_dial_deg_per_g, c.k) << c.positive << " " << c.negative;
        // Each tile is an opaque 18 x 18 square; the frame around it is untouched.
        for (auto [x0, y0] : {std::pair{c.second_x, c.second_y}, std::pair{c.last_x, c.last_y}}) {
            for (int y = y0; y < y0 + 18; ++y)
                for (int x = x0; x < x0 + 18; ++x) ASSERT_NE(fr.at(x, y), MAGENTA) << x << "," << y;
            EXPECT_EQ(fr.at(x0 - 1, y0 + 9), MAGENTA) << x0 << "," << y0;
            EXPECT_EQ(fr.at(x0 + 18, y0 + 9), MAGENTA) << x0 << "," << y0;
        }
        // The top numeral, two pixels right of the tile's centre, under the major tick at 12 o'clock.
        ProbeFrame ref(MAGENTA);
        gfx_fill_rect(ref.px(), 73, 13, 91, 31, 0u);
        const char top[2] = {c.top, '\0'};
        font_draw_text_left(ref.px(), FRAME_WIDTH, FRAME_HEIGHT, 0, 81, 15, 0xFF707070, top);
        EXPECT_TRUE(fr.same_box(ref, 73, 15, 90, 30)) << c.top;
    }
}

TEST_F(GMeter, NeedleLimitAndPeakMarks) {
    // Start limits: 45 degrees a G. Peaks at 1 G put both peak marks at 9 o'clock. At 1 G the single-
    // precision sine of 180 degrees lifts the needle's far end a hair above row 72: its core is row 71.
    g_peak_high = g_peak_low = 1.0f;
    struct {
        float g;
        int x, y;
    } needle[] = {{1.0f, 40, 71}, {3.0f, 82, 30}, {-1.0f, 82, 110}};
    for (const auto& n : needle) {
        ProbeFrame fr;
        page_g_meter_draw_dial_view(fr.px(), n.g);
        EXPECT_EQ(fr.at(n.x, n.y), GREEN) << n.g;
        EXPECT_EQ(fr.at(82, 135), RED); // the -1.0 limit straight down, radius 57 .. 68
        EXPECT_EQ(fr.at(20, 72), CYAN); // the peaks, radius 58 .. 67 at 9 o'clock
        EXPECT_EQ(fr.at(82, 141), 0u);  // no mark beyond radius 68
    }
}
