#include <gtest/gtest.h>

#include "core/buttons.h"
#include "core/flight.h"
#include "gfx/font.h"
#include "host/host.h"
#include "pages/aoa.h"
#include "pages/aoa_bar.h"
#include "pages/g_meter.h"
#include "setup/settings.h"
#include "frame_probe.h"

namespace {

constexpr uint32_t WHITE = 0xFFFFFFFF, CYAN = 0xFF00FFFF, LABEL = 0xFF60F0F0, UNLIT = 0xFF202020;
constexpr uint32_t GREEN = 0xFF00FF00, YELLOW = 0xFFFFFF00, RED = 0xFFFF0000;

class Aoa : public ::testing::Test {
  protected:
    void SetUp() override {
        host_reset_all();
        host_start();
    }
};

} // namespace

TEST_F(Aoa, PointerRowsAreLimited) {
    // Peaks kept away from the pointers: angle at 10 degrees, load at 2 G.
    aoa_filtered = aoa_peak_high = aoa_peak_low = 10.0f;
    demo_sweep = 15.0f;
    g_peak_high = g_peak_low = page_demo_g();
    struct {
        float g, aoa;
        int load_tip, angle_tip;
    } cases[] = {{3.0f, 29.2f, 24, 24}, {1.0f, -10.01f, 97, 122}, {0.0f, -40.0f, 134, 122},
                 {2.8f, 4.0f, 31, 87},  {7.0f, 0.0f, 24, 97},     {-2.0f, 45.0f, 134, 24},
                 {1.5f, 29.1f, 79, 25}};
    for (const auto& c : cases) {
        ProbeFrame fr;
        page_aoa_draw_tape_view(fr.px(), c.g, c.aoa);
        // Column 51 crosses the load chevron on rows tip - 3 .. tip + 3, column 76 the angle chevron
        // on rows tip - 2 .. tip + 2.
        EXPECT_EQ(fr.rows_of(51, WHITE), rows_around(c.load_tip, 3)) << c.g;
        EXPECT_EQ(fr.rows_of(76, LABEL), rows_around(c.angle_tip, 2)) << c.aoa;
    }
}

TEST_F(Aoa, LowPeakStartAndMeetingLimitMarks) {
    // At 5 degrees the low peak keeps its start 2.0 (rows 91-93) beside the high one's 15.0 (58-60).
    // Pre-stall at 6.0 meets cruise at 5.0: green, drawn second, keeps only rows 80-81 red.
    aoa_filter_state = 50.0f;
    device_settings.aoa_prestall_limit = 60;
    ProbeFrame fr;
    page_aoa_draw(fr.px());
    std::vector<int> peaks = rows_around(59, 1);
    for (int y : rows_around(92, 1)) peaks.push_back(y);
    EXPECT_EQ(fr.rows_of(83, CYAN), peaks);
    EXPECT_EQ(fr.rows_of(70, RED), (std::vector<int>{80, 81}));
    EXPECT_EQ(fr.rows_of(70, GREEN), rows_around(84, 2));
}

TEST_F(Aoa, NoneShowsTheFallbackAndTheClimbingChannel) {
    device_settings.demo_mode = DEMO_NONE;
    ProbeFrame fr;
    page_aoa_draw(fr.px());
    EXPECT_EQ(fr.rows_of(51, WHITE), rows_around(134, 3)); // 0 G before the channel moves
    for (int n = 0; n < 60; ++n) {
        flt_smooth_step();
        page_aoa_draw(fr.px());
    }
    EXPECT_EQ(fr.rows_of(51, WHITE), rows_around(31, 3)); // about 2.8 G
    EXPECT_EQ(fr.rows_of(76, LABEL), rows_around(87, 2)); // 4.0 degrees
    EXPECT_EQ(aoa_filter_state, 0.0f);                    // not stepped with NONE
    // The bar view computes (4 - 5) / (15 - 5) and lights nothing.
    aoa_view = 1;
    page_aoa_draw(fr.px());
    EXPECT_EQ(fr.at(42, 115), UNLIT);
    // Limits 3.0 and 2.0 make it (4 - 2) / (3 - 2) = 2, limited to 1: segment 10 lit, rows 32..39.
    device_settings.aoa_prestall_limit = 30;
    device_settings.aoa_cruise_limit = 20;
    page_aoa_draw(fr.px());
    EXPECT_EQ(std::pair(fr.at(6, 32), fr.at(121, 39)), std::pair(RED, RED));
}

TEST_F(Aoa, BarViewSegmentsAndTruncatedPeaks) {
    for (auto [v, lit] : {std::pair{0.0f, 0}, {0.5f, 5}, {0.99f, 9}, {1.0f, 10}}) {
        ProbeFrame fr;
        page_aoa_draw_bar_view(fr.px(), v);
        for (int i = 1; i <= 10; ++i) {
            int y = 115 - 9 * (i - 1), x0 = 42 - 4 * (i - 1), x1 = 86 + 4 * (i - 1);
            uint32_t color = i > lit ? 0u : i <= 6 ? GREEN : i <= 8 ? YELLOW : RED;
            EXPECT_EQ(fr.at(x0, y), i > lit ? UNLIT : color) << v << " segment " << i;
            EXPECT_EQ(fr.at(x1 - 1, y - 2), color) << v << " segment " << i;
            EXPECT_EQ(fr.at(x1 - 1, y + 5), color) << v << " segment " << i;
            EXPECT_EQ(fr.at(x1, y), 0u) << v << " segment " << i;
        }
    }
    // The high peak follows the filter; both print with the tenths cut off.
    aoa_peak_low = 2.3f;
    aoa_filtered = 16.57f;
    ProbeFrame fr, ref;
    page_aoa_draw_bar_view(fr.px(), 0.0f);
    font_draw_text_centered(ref.px(), 0, 18, 105, LABEL, "L");
    font_draw_text_centered(ref.px(), 0, 113, 105, LABEL, "H");
    font_draw_text_centered(ref.px(), 1, 20, 125, WHITE, "2.2");
    font_draw_text_centered(ref.px(), 1, 108, 125, WHITE, "16.5");
    EXPECT_TRUE(fr.same(ref, {0, 95, 33, 140})); // clear of the segment lines
    EXPECT_TRUE(fr.same(ref, {94, 95, 127, 140}));
}
