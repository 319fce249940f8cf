#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>

#include "core/flight.h"
#include "gfx/font.h"
#include "gfx/gfx.h"
#include "gfx/masks.h"
#include "host/host.h"
#include "pages/aoa_bar.h"
#include "setup/settings.h"
#include "frame_probe.h"

namespace {

constexpr uint32_t CYAN = 0xFF00FFFF;
constexpr uint32_t DASH = 0xFF101010;
constexpr uint32_t GREEN = 0xFF00FF00, YELLOW = 0xFFFFFF00, RED = 0xFFFF0000;
constexpr uint32_t BLUE = 0xFF000090;
constexpr uint32_t TITLE = 0xFF60F0F0;

// The bar's geometry for one caller.
struct BarCaller {
    int x, y, w;
    bool shift;
    int title_x, title_y;
    int dash_x0, dash_x1; // inclusive
    int top_row;          // first row of segment 10
};
constexpr BarCaller ATTITUDE{113, 75, 10, true, 114, 9, 111, 124, 22};
constexpr BarCaller CLOCK{77, 135, 30, false, 92, 67, 89, 94, 82};
constexpr BarCaller SETUP{93, 135, 15, false, 100, 67, 96, 104, 82};

class AoaBar : public ::testing::Test {
  protected:
    void SetUp() override {
        host_reset_all();
        host_start();
    }
    // Demo mode NONE shows AOA_FALLBACK_DEG = 4: these limits (in tenths) place it at a chosen v.
    static void limits(int prestall, int cruise) {
        device_settings.aoa_prestall_limit = prestall;
        device_settings.aoa_cruise_limit = cruise;
    }
    static void draw(ProbeFrame& fr, const BarCaller& c) {
        page_draw_aoa_bar(fr.px(), c.x, c.y, c.w, c.shift);
    }
    static void expect_segments(const ProbeFrame& fr, const BarCaller& c, int lit) {
        for (int i = 1; i <= 10; ++i) {
            int b = c.y - 4 - 5 * (i - 1);
            uint32_t color = i <= 6 ? GREEN : i <= 8 ? YELLOW : RED;
            for (int x = c.x - 3; x < c.x + c.w + 3; ++x) {
                bool in_segment = i <= lit && x >= c.x + 1 && x <= c.x + c.w - 2;
                bool in_dash = i > lit && x >= c.dash_x0 && x <= c.dash_x1;
                for (int y = b - 5; y <= b - 1; ++y) {
                    uint32_t want = in_segment && y >= b - 4 ? color : in_dash && y == b - 2 ? DASH : 0u;
                    ASSERT_EQ(fr.at(x, y), want) << "segment " << i << " at " << x << "," << y;
                }
            }
        }
    }
};

} // namespace

TEST_F(AoaBar, FilterFirstOutputLagAndSettling) {
    EXPECT_EQ(page_aoa_filter_step(12.0f), 0.0f);
    EXPECT_EQ(aoa_filtered, 0.0f);
    EXPECT_EQ(aoa_filter_state, 12.0f);
    EXPECT_FLOAT_EQ(page_aoa_filter_step(12.0f), 1.2f);
    EXPECT_FLOAT_EQ(aoa_filtered, 1.2f);
    // Output after n steps: 12 (1 - 0.9^(n - 1)); within 1 % from step 45 on, not yet at step 44.
    for (int n = 3; n <= 44; ++n) page_aoa_filter_step(12.0f);
    EXPECT_GT(std::fabs(aoa_filtered - 12.0f), 0.12f);
    page_aoa_filter_step(12.0f);
    EXPECT_LT(std::fabs(aoa_filtered - 12.0f), 0.12f);
    for (int n = 0; n < 500; ++n) page_aoa_filter_step(12.0f);
    EXPECT_NEAR(aoa_filter_state, 120.0f, 1e-3f);
}

TEST_F(AoaBar, NormalizedUsesLimitsInDegrees) {
    EXPECT_FLOAT_EQ(page_aoa_normalized(AOA_FALLBACK_DEG), -0.1f);
    EXPECT_FLOAT_EQ(page_aoa_normalized(15.0f), 1.0f);
    EXPECT_FLOAT_EQ(page_aoa_normalized(20.0f), 1.5f); // not limited here
    // Half degrees count: (7.5 - 2.5) / (12.5 - 2.5).
    limits(125, 25);
    EXPECT_FLOAT_EQ(page_aoa_normalized(7.5f), 0.5f);
    limits(80, 80);
    EXPECT_EQ(page_aoa_normalized(12.0f), 0.0f);
}

TEST_F(AoaBar, GeometryOfTheThreeCallers) {
    device_settings.demo_mode = DEMO_NONE;
    for (const BarCaller* c : {&ATTITUDE, &CLOCK, &SETUP}) {
        limits(150, 50); // v = -0.1: the base and ten dashes
        ProbeFrame dark;
        draw(dark, *c);
        expect_segments(dark, *c, 0);
        // The base: columns x - 3 .. x + w + 2, rows y - 2 .. y + 1.
        for (int y = c->y - 3; y <= c->y + 2; ++y)
            for (int x = c->x - 4; x <= c->x + c->w + 3; ++x) {
                bool base = x >= c->x - 3 && x <= c->x + c->w + 2 && y >= c->y - 2 && y <= c->y + 1;
                ASSERT_EQ(dark.at(x, y), base ? CYAN : 0u) << x << "," << y;
            }

        // The title: font 0 glyph rows run from cy - 6 to cy + 7, clear of the top dash.
        EXPECT_TRUE(dark.shows({0, c->title_y - 7, FRAME_WIDTH - 1, c->title_y + 8}, 0, [&](uint32_t* p) {
            font_draw_text_centered(p, 0, c->title_x, c->title_y, TITLE, "AoA");
        }));

        limits(72, 22); // v = (4 - 2.2) / (7.2 - 2.2) = 0.36: three segments, truncated
        ProbeFrame part;
        draw(part, *c);
        expect_segments(part, *c, 3);

        limits(30, 20); // v = (4 - 2) / (3 - 2) = 2, limited to 1: six green, two yellow, two red
        ProbeFrame full;
        draw(full, *c);
        expect_segments(full, *c, 10);
        EXPECT_EQ(full.at(c->x + 1, c->top_row), RED);
    }
}

TEST_F(AoaBar, DemoModeStepsTheFilterOncePerDraw) {
    // State 100 makes the output 10 degrees, (10 - 5) / 10 = 0.5 and five segments; the input 11.5
    // moves the state on by 1.5, once.
    for (uint32_t mode : {DEMO_1, DEMO_2}) {
        device_settings.demo_mode = mode;
        aoa_filter_state = 100.0f;
        demo_sweep = 11.5f;
        ProbeFrame fr;
        draw(fr, CLOCK);
        EXPECT_FLOAT_EQ(aoa_filtered, 10.0f);
        EXPECT_FLOAT_EQ(aoa_filter_state, 101.5f);
        expect_segments(fr, CLOCK, 5);
    }

    // With NONE the bar shows the fallback and leaves the filter alone.
    device_settings.demo_mode = DEMO_NONE;
    demo_sweep = 3.0f;
    ProbeFrame none;
    draw(none, CLOCK);
    EXPECT_FLOAT_EQ(aoa_filter_state, 101.5f);
    expect_segments(none, CLOCK, 0);
}

namespace {

class Slip : public ::testing::Test {
  protected:
    void SetUp() override {
        host_reset_all();
        host_start();
    }
    static ProbeFrame draw(float slip, int dy, uint32_t fill = 0) {
        ProbeFrame fr(fill);
        page_draw_slip_indicator(fr.px(), slip, dy);
        return fr;
    }
};

} // namespace

TEST_F(Slip, BoxCageAndBallAtZero) {
    // The ball: MASK_BALL in 0x40404040, its corner at (56, 111 + dy), shrunk by 1.1 x 1.1.
    uint32_t ball[20 * 20] = {};
    gfx_draw_mask(ball, 20, 20, MASK_BALL.data, 20, 20, 0, 0, 0x40404040);
    const ImageTransform shrink{1, 0, 0, 1, 1.1f};
    for (int dy : {0, 15}) {
        ProbeFrame fr = draw(0.0f, dy, BLUE), ref;
        gfx_draw_image_transformed(ref.px(), FRAME_WIDTH, FRAME_HEIGHT, ball, 20, 20, 56, 111 + dy, &shrink);
        ASSERT_GT(FRAME_PIXELS - std::count(ref.px(), ref.px() + FRAME_PIXELS, 0u), 100);
        // The black box, columns 15..112 and rows 111 + dy .. 129 + dy, in the untouched background; cyan
        // at 52-53 and 73-74 over the cage rows, then two black columns; the ball between them.
        for (int y = 110 + dy; y <= 130 + dy; ++y)
            for (int x = 14; x <= 113; ++x) {
                bool box = x >= 15 && x <= 112 && y >= 111 + dy && y <= 129 + dy;
                bool cage = (x == 52 || x == 53 || x == 73 || x == 74) && y >= 114 + dy && y <= 127 + dy;
                uint32_t want = !box ? BLUE : cage ? CYAN : x >= 56 && x <= 72 ? ref.at(x, y) : 0u;
                ASSERT_EQ(fr.at(x, y), want) << x << "," << y;
            }
    }
}

TEST_F(Slip, BallMovesSixPixelsPerUnitAndStopsAtSeven) {
    ProbeFrame centre = draw(0.0f, 0);
    // Compare the ball's columns 56..72 after a whole-pixel shift (away from the cage columns).
    auto shifted_by = [&](const ProbeFrame& fr, int shift) {
        for (int y = 100; y < 140; ++y)
            for (int x = 56; x <= 72; ++x)
                if (fr.at(x + shift, y) != centre.at(x, y)) return false;
        return true;
    };
    EXPECT_TRUE(shifted_by(draw(-5.0f, 0), -30));
    EXPECT_TRUE(shifted_by(draw(7.0f, 0), 42));   // picture corner at column 98
    EXPECT_TRUE(shifted_by(draw(-7.0f, 0), -42)); // and at 14, one column left of the box
    EXPECT_FALSE(shifted_by(draw(6.5f, 0), 42));
    // Beyond the limit the ball stays where 7 puts it.
    EXPECT_TRUE(shifted_by(draw(10.0f, 0), 42));
    EXPECT_TRUE(shifted_by(draw(-1000.0f, 0), -42));
}

TEST_F(Slip, BallPictureIsRebuiltEachCall) {
    ProbeFrame clean = draw(1.25f, 0);
    std::fill(SCRATCH_IMAGE, SCRATCH_IMAGE + SCRATCH_IMAGE_SIZE * SCRATCH_IMAGE_SIZE, 0xFFFFFFFFu);
    ProbeFrame dirty = draw(1.25f, 0);
    EXPECT_TRUE(clean.same(dirty));
}
