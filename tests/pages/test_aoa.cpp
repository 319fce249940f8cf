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

TEST_F(Aoa, StartPeaksAndLimitMarks) {
    // The filter's state sets aoa_filtered for the frame: 0 drops the low peak, 200 (20 degrees) lifts
    // the high one; the load peaks stay at their start values while the demo load is 1 G.
    struct {
        float state;
        int high_row, low_row;
    } cases[] = {{0, 59, 97}, {50, 59, 92}, {200, 47, 92}};
    for (const auto& c : cases) {
        host_reset_all();
        host_start();
        aoa_filter_state = c.state;
        ProbeFrame fr;
        page_aoa_draw(fr.px());
        std::vector<int> angle_peaks = row_span(c.high_row - 1, c.high_row + 1);
        for (int y : row_span(c.low_row - 1, c.low_row + 1)) angle_peaks.push_back(y);
        EXPECT_EQ(fr.rows_of(83, CYAN), angle_peaks) << c.state;
        std::vector<int> load_peaks = row_span(41, 43);
        for (int y : row_span(115, 117)) load_peaks.push_back(y);
        EXPECT_EQ(fr.rows_of(45, CYAN), load_peaks);
        EXPECT_EQ(fr.rows_of(70, RED), row_span(57, 61));
        EXPECT_EQ(fr.rows_of(70, GREEN), row_span(82, 86));
    }
    // Where the marks meet, cruise (drawn second) covers pre-stall.
    device_settings.aoa_prestall_limit = 60;
    ProbeFrame fr;
    page_aoa_draw(fr.px());
    EXPECT_EQ(fr.rows_of(70, RED), row_span(80, 81));
    EXPECT_EQ(fr.rows_of(70, GREEN), row_span(82, 86));
}

TEST_F(Aoa, PointerRowsAreLimited) {
    // Peaks kept well away from the pointers: angle at 10 degrees, load at 2 G.
    aoa_filtered = aoa_peak_high = aoa_peak_low = 10.0f;
    demo_sweep = 15.0f;
    g_peak_high = g_peak_low = page_demo_g();
    struct {
        float g, aoa;
        int load_tip, angle_tip;
    } cases[] = {{3.0f, 29.2f, 24, 24}, {1.0f, -10.01f, 97, 122}, {0.0f, -40.0f, 134, 122},
                 {2.8f, 4.0f, 31, 87},  {7.0f, 0.0f, 24, 97},     {-2.0f, 45.0f, 134, 24},
                 {1.5f, 29.1f, 79, 25}, {1.0f, -10.0f, 97, 122}};
    for (const auto& c : cases) {
        ProbeFrame fr;
        page_aoa_draw_tape_view(fr.px(), c.g, c.aoa);
        // Column 51 crosses the load chevron's rows tip - 3 .. tip + 3, column 76 the angle chevron's
        // rows tip - 2 .. tip + 2.
        EXPECT_EQ(fr.rows_of(51, WHITE), row_span(c.load_tip - 3, c.load_tip + 3)) << c.g;
        EXPECT_EQ(fr.rows_of(76, LABEL), row_span(c.angle_tip - 2, c.angle_tip + 2)) << c.aoa;
    }
}

TEST_F(Aoa, NoneShowsTheFallbackAndTheClimbingChannel) {
    device_settings.demo_mode = DEMO_NONE;
    aoa_filter_state = 50.0f;
    ProbeFrame first;
    page_aoa_draw(first.px());
    EXPECT_EQ(smooth_target[LOAD_FACTOR_CHANNEL], LIVE_G_TARGET);
    EXPECT_EQ(first.rows_of(51, WHITE), row_span(131, 137)); // 0 G before the channel moves
    for (int n = 0; n < 60; ++n) {
        flt_smooth_step();
        page_aoa_draw(first.px());
    }
    ProbeFrame settled;
    page_aoa_draw(settled.px());
    EXPECT_EQ(settled.rows_of(51, WHITE), row_span(28, 34));
    EXPECT_EQ(settled.rows_of(76, LABEL), row_span(85, 89));
    EXPECT_EQ(aoa_filter_state, 50.0f); // not stepped with NONE

    // The bar view computes (4 - 5) / (15 - 5) and lights nothing.
    aoa_view = 1;
    ProbeFrame bar;
    page_aoa_draw(bar.px());
    EXPECT_EQ(bar.at(42, 115), UNLIT);
    EXPECT_EQ(bar.at(42, 113), 0u);
}

TEST_F(Aoa, BarViewSegmentsAndTruncatedPeaks) {
    struct {
        float v;
        int lit;
    } cases[] = {{0.0f, 0}, {0.5f, 5}, {0.99f, 9}, {1.0f, 10}};
    for (const auto& c : cases) {
        ProbeFrame fr;
        page_aoa_draw_bar_view(fr.px(), c.v);
        for (int i = 1; i <= 10; ++i) {
            int y = 115 - 9 * (i - 1), x0 = 42 - 4 * (i - 1), x1 = 86 + 4 * (i - 1);
            uint32_t color = i <= 6 ? GREEN : i <= 8 ? YELLOW : RED;
            bool lit = i <= c.lit;
            EXPECT_EQ(fr.at(x0, y), lit ? color : UNLIT) << c.v << " segment " << i;
            EXPECT_EQ(fr.at(x1 - 1, y - 2), lit ? color : 0u) << c.v << " segment " << i;
            EXPECT_EQ(fr.at(x1 - 1, y + 5), lit ? color : 0u) << c.v << " segment " << i;
            EXPECT_EQ(fr.at(x1, y), 0u) << c.v << " segment " << i;
        }
    }
    // The high peak follows the filter; both print with the tenths cut off.
    aoa_peak_low = 2.3f;
    aoa_filtered = 16.57f;
    ProbeFrame fr, ref;
    page_aoa_draw_bar_view(fr.px(), 0.0f);
    EXPECT_EQ(aoa_peak_high, 16.57f);
    font_draw_text_centered(ref.px(), 0, 18, 105, LABEL, "L");
    font_draw_text_centered(ref.px(), 0, 113, 105, LABEL, "H");
    font_draw_text_centered(ref.px(), 1, 20, 125, WHITE, "2.2");
    font_draw_text_centered(ref.px(), 1, 108, 125, WHITE, "16.5");
    EXPECT_TRUE(fr.same_box(ref, 0, 95, 33, 140)); // clear of the segment lines
    EXPECT_TRUE(fr.same_box(ref, 94, 95, 127, 140));
}
