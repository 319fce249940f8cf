#include <gtest/gtest.h>

#include "core/flight.h"
#include "core/page.h"
#include "gfx/font.h"
#include "host/host.h"
#include "pages/g_meter.h"
#include "setup/settings.h"
#include "frame_probe.h"

namespace {

constexpr uint32_t UNLIT = 0xFF202020, MAGENTA = 0xFFFF00FF;

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
            uint32_t lit = s == 'G' ? 0xFF00FF00 : s == 'Y' ? 0xFFFFFF00 : s == 'R' ? 0xFFFF0000 : 0u;
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
    EXPECT_EQ(page_at(2.8f).at(2, 32), 0xFFFF0000u); // segment 24: rows 32..34 from column 2
    EXPECT_FALSE(page_at(1.9f).same(page_at(2.0f)));
    device_settings.g_limit_negative = -5; // half a G or less: the bar stays dark
    EXPECT_TRUE(page_at(-0.5f).same(zero));
}

TEST_F(GMeter, NumberViewRoundsToTenths) {
    struct {
        float g;
        const char* text;
    } cases[] = {{2.8f, "+2.8"},   {12.0f, "+9.0"},  {-0.04f, "+0.0"},
                 {-0.05f, "-0.1"}, {-30.0f, "-9.0"}, {0.25f, "+0.3"}};
    for (const auto& c : cases) {
        ProbeFrame fr, ref;
        page_g_meter_draw_digital_view(fr.px(), c.g);
        font_draw_text_centered(ref.px(), 5, 59, 60, 0xFFFFFFFF, c.text);
        EXPECT_TRUE(fr.same(ref, {0, 30, 127, 90})) << c.g << " " << c.text;
    }
}

TEST_F(GMeter, DialScaleFromTheLimits) {
    // Tile corners of the second and the last numeral: at 45 and 180 degrees on the coarse scale, at
    // 23 and 184 (not 22.5 and 180) on the other two.
    struct {
        int32_t positive, negative;
        float k;
        const char* top;
        int x2, y2, x_last, y_last;
    } cases[] = {
        {30, -10, 45.0f, "3", 37, 27, 73, 113},  {31, -10, 22.5f, "5", 53, 16, 76, 112},
        {20, -11, 22.5f, "5", 53, 16, 76, 112},  {60, -10, 11.25f, "9", 53, 16, 76, 112},
        {20, -31, 11.25f, "9", 53, 16, 76, 112}, {-40, -20, 11.25f, "9", 53, 16, 76, 112},
        {20, -30, 22.5f, "5", 53, 16, 76, 112},
    };
    for (const auto& c : cases) {
        device_settings.g_limit_positive = c.positive;
        device_settings.g_limit_negative = c.negative;
        ProbeFrame fr(MAGENTA);
        page_g_meter_draw_dial_scale(fr.px());
        EXPECT_EQ(g_dial_deg_per_g, c.k) << c.positive << " " << c.negative;
        // Each tile is an opaque 18 x 18 square; the frame beside it is untouched.
        for (auto [x0, y0] : {std::pair{c.x2, c.y2}, {c.x_last, c.y_last}}) {
            for (int y = y0; y < y0 + 18; ++y)
                for (int x = x0; x < x0 + 18; ++x) ASSERT_NE(fr.at(x, y), MAGENTA) << x << "," << y;
            EXPECT_EQ(fr.at(x0 - 1, y0 + 9), MAGENTA) << x0 << "," << y0;
            EXPECT_EQ(fr.at(x0 + 18, y0 + 9), MAGENTA) << x0 << "," << y0;
        }
        // The top numeral, its tile at (73, 13), two pixels right of the tile's centre.
        ProbeFrame ref;
        font_draw_text_left(ref.px(), FRAME_WIDTH, FRAME_HEIGHT, 0, 81, 15, 0xFF707070, c.top);
        EXPECT_TRUE(fr.same(ref, {73, 15, 90, 30})) << c.top;
    }
}

// With demo mode NONE the page itself sets the channel's target: shown for 60 ticks, the number view
// settles at +2.8.
TEST_F(GMeter, NoneClimbsToTheLiveTarget) {
    device_settings.demo_mode = DEMO_NONE;
    current_page = PAGE_G_METER;
    g_view = 1;
    for (int i = 0; i < 60; ++i) host_tick_10ms();
    ProbeFrame want;
    font_draw_text_centered(want.px(), 5, 59, 60, 0xFFFFFFFF, "+2.8");
    ProbeFrame got;
    std::copy(host_frame.pixels, host_frame.pixels + FRAME_PIXELS, got.px());
    EXPECT_TRUE(got.same(want, {0, 30, 127, 90}));
}
