#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <string>
#include <vector>

#include "core/buttons.h"
#include "core/flight.h"
#include "core/page.h"
#include "gfx/font.h"
#include "gfx/gfx.h"
#include "host/host.h"
#include "pages/aoa_bar.h"
#include "pages/attitude.h"
#include "setup/settings.h"
#include "frame_probe.h"

namespace {

constexpr int N = ATTITUDE_IMAGE_SIZE;
constexpr float PI_F = 3.1415927f;
constexpr float DEG = 0.017453292f;
constexpr uint32_t SKY = SKY_COLOR, GROUND = GROUND_COLOR;

uint32_t pic(int x, int y) {
    return attitude_image[gfx_index(x, y, N, N)];
}

std::vector<uint32_t> picture() {
    return {attitude_image, attitude_image + N * N};
}

std::vector<uint32_t> horizon(float pitch, float roll) {
    page_attitude_draw_horizon(pitch, roll);
    return picture();
}

void clear_picture() {
    std::fill(attitude_image, attitude_image + N * N, 0u);
}

// Which of the numbers 10 .. 90 stands beyond one end of a rung (side +1 right, -1 left) whose
// midpoint is (mx, my) at roll r; 0 when none does. Each candidate is drawn on the background alone as a
// ladder number is meant to be: its digits in font 1 from pen (0, 0) on a cleared 32 x 32 picture,
// turned back by the roll and shrunk by 1.05 squared, the picture's corner 0.7 steps out along the rung
// (on the left a text width further) and a quarter step towards higher pitch.
int ladder_number(float mx, float my, float r, int side, uint32_t bg) {
    static uint32_t drawn[9][N * N];
    const float step = LADDER_PIXELS_PER_10_DEG, ex = std::cos(r), ey = std::sin(r);
    const float dx = std::sin(r) * step, dy = -std::cos(r) * step;
    const ImageTransform turn{ex, -ey, ey, ex, 1.05f};
    Box area{N, N, -1, -1};
    for (int i = 0; i < 9; ++i) {
        const std::string text = std::to_string(10 * (i + 1));
        uint32_t digits[SCRATCH_IMAGE_SIZE * SCRATCH_IMAGE_SIZE] = {};
        int32_t width = 0;
        for (char ch : text)
            width +=
                font_draw_glyph(digits, SCRATCH_IMAGE_SIZE, SCRATCH_IMAGE_SIZE, 1, width, 0, COLOR_WHITE, ch);
        const float reach = 0.7f * step + (side < 0 ? static_cast<float>(width) : 0.0f);
        std::fill(drawn[i], drawn[i] + N * N, bg);
        gfx_draw_image_transformed(drawn[i], N, N, digits, SCRATCH_IMAGE_SIZE, SCRATCH_IMAGE_SIZE,
                                   mx + side * reach * ex + 0.25f * dx, my + side * reach * ey + 0.25f * dy,
                                   &turn);
        for (int y = 0; y < N; ++y)
            for (int x = 0; x < N; ++x)
                if (drawn[i][gfx_index(x, y, N, N)] != bg)
                    area = {std::max(0, std::min(area.x0, x - 1)), std::max(0, std::min(area.y0, y - 1)),
                            std::min(N - 1, std::max(area.x1, x + 1)),
                            std::min(N - 1, std::max(area.y1, y + 1))};
    }
    // The one the area matches, every channel within a rounding step.
    for (int i = 0; i < 9; ++i) {
        int worst = 0;
        for (int y = area.y0; y <= area.y1; ++y)
            for (int x = area.x0; x <= area.x1; ++x)
                for (int shift : {0, 8, 16, 24})
                    worst = std::max(
                        worst, std::abs(static_cast<int>(pic(x, y) >> shift & 255) -
                                        static_cast<int>(drawn[i][gfx_index(x, y, N, N)] >> shift & 255)));
        if (worst <= 2) return 10 * (i + 1);
    }
    return 0;
}

// Columns the ladder and its numbers never reach while the horizon centre stays in the middle.
constexpr int CLEAR_COLUMNS[] = {0, 8, 15, 125, 132, 139};

class Attitude : public ::testing::Test {
  protected:
    void SetUp() override {
        host_reset_all();
        host_start();
        current_page = PAGE_ATTITUDE;
    }
    ProbeFrame frame;
    uint32_t at(int x, int y) const { return frame.at(x, y); }
    // The frame in demo mode NONE at these trims; returns the attitude picture it was cut from.
    std::vector<uint32_t> draw_none(int32_t pitch_trim, int32_t roll_trim) {
        device_settings.demo_mode = DEMO_NONE;
        device_settings.pitch_trim = pitch_trim;
        device_settings.roll_trim = roll_trim;
        page_attitude_draw(frame.px());
        return picture();
    }
};

} // namespace

TEST_F(Attitude, FillSplitsEachRowAtTheRunningBoundary) {
    // The boundaries of a level horizon (roll 0.001) meet row 70 at column 69 after 70 steps of
    // (X1 - X0) / 140 added up row by row; those of +10 degrees of pitch pass between rows 104 and 105.
    struct Case {
        int32_t x_top, x_bottom;
        bool flipped;
        int row, split; // columns 0..split-1 take the left colour
    } cases[] = {
        {-69929, 70069, false, 69, 0},   {-69929, 70069, false, 70, 69},
        {-69929, 70069, false, 71, 140}, {-69929, 70069, true, 70, 69},
        {0, 140, false, 0, 0},           {0, 140, false, 50, 50},
        {-104138, 35861, false, 104, 0}, {-104138, 35861, false, 105, 140},
        {0, 140, false, 139, 139},       {200, 300, false, 20, 140},
        {-300, -200, true, 20, 0},       {140, 140, false, 10, 140},
        {139, 139, true, 10, 139},
    };
    for (const Case& c : cases) {
        clear_picture();
        page_attitude_fill_sky_ground(c.x_top, c.x_bottom, c.flipped);
        uint32_t left = c.flipped ? SKY : GROUND, right = c.flipped ? GROUND : SKY;
        for (int x = 0; x < N; ++x)
            ASSERT_EQ(pic(x, c.row), x < c.split ? left : right)
                << c.x_top << ".." << c.x_bottom << (c.flipped ? " flipped" : "") << " row " << c.row << " x "
                << x;
    }
}

TEST_F(Attitude, PitchTrimMovesTheHorizonDown) {
    // Pitch trim in tenths of a degree: the horizon's row at the picture edges, 3.42 rows a degree.
    struct Case {
        int32_t trim;
        int last_sky, first_ground;
    } cases[] = {{0, 67, 73}, {100, 102, 108}, {-100, 33, 39}, {270, 139, N}, {-270, -1, 0}};
    for (const Case& c : cases) {
        draw_none(c.trim, 0);
        for (int x : CLEAR_COLUMNS) {
            for (int y = 0; y <= c.last_sky; ++y)
                ASSERT_EQ(pic(x, y), SKY) << c.trim << " at " << x << "," << y;
            for (int y = c.first_ground; y < N; ++y)
                ASSERT_EQ(pic(x, y), GROUND) << c.trim << " at " << x << "," << y;
        }
    }
    // The white line runs between them.
    draw_none(100, 0);
    EXPECT_EQ(pic(0, 104), COLOR_WHITE);
    EXPECT_EQ(pic(139, 104), COLOR_WHITE);
}

// With demo mode NONE the trims and the live pitch set the attitude. The horizon centre lies 196 pixels a
// radian of pitch from (70, 70) across the bank; rung k stands k ladder steps (34.2 pixels) from it towards
// higher pitch and carries the number 10 |k| beyond both ends, so the first rung either side of the horizon
// reads 10 and the 5-degree rungs between them read nothing. Level, the rungs' solid cores are 40, 20 and
// 10 pixels long (10, 5 and 2.5 degrees); the rung of the pitch itself (at 10 and 20 degrees) crosses
// (70, 70) at any bank, its core from column 51 to 89.
TEST_F(Attitude, LadderNumbersReadTheirPitchAtAnyBank) {
    struct Case {
        int32_t pitch_trim, roll_trim;
        float roll; // as drawn: a level trim takes the guard's 0.001
        std::vector<float> rungs;
        std::vector<Box> cores;  // rows y0..y1: their white pixels run from column x0 to x1
        float live_pitch = 0.0f; // degrees added to the trim
    } cases[] = {
        {0,
         0,
         ROLL_GUARD,
         {1, -1, 0.5f, -0.5f},
         {{51, 35, 90, 35},
          {61, 52, 80, 52},
          {66, 61, 75, 61},
          {65, 78, 74, 78},
          {60, 87, 79, 87},
          {50, 104, 89, 104}}},
        {270, 0, ROLL_GUARD, {1, 2, 3, 4}, {}},
        {200, -50, 5.0f * DEG, {1, 2, 3}, {{51, 60, 89, 80}}},
        {100, 30, -3.0f * DEG, {1, 2}, {{51, 60, 89, 80}}},
        // Nose up 80 degrees: the last rungs, 80 near the middle and 90 above it.
        {270, 0, ROLL_GUARD, {7, 8, 9}, {}, 53.0f},
    };
    const float step = LADDER_PIXELS_PER_10_DEG;
    for (const Case& c : cases) {
        live_pitch_deg = c.live_pitch;
        draw_none(c.pitch_trim, c.roll_trim);
        const float pitch = (c.pitch_trim / 10.0f + c.live_pitch) * DEG, r = c.roll;
        const float cx = (0.5f - std::sin(r) * pitch * 1.4f) * N,
                    cy = (0.5f + std::cos(r) * pitch * 1.4f) * N;
        for (float k : c.rungs) {
            const float mx = cx + k * std::sin(r) * step, my = cy - k * std::cos(r) * step;
            const int number = k == std::round(k) ? static_cast<int>(10 * std::fabs(k)) : 0;
            for (int side : {1, -1})
                EXPECT_EQ(ladder_number(mx, my, r, side, k > 0 ? SKY : GROUND), number)
                    << "trims " << c.pitch_trim << "/" << c.roll_trim << " rung " << k << " side " << side;
        }
        for (const Box& b : c.cores) {
            int first = N, last = -1;
            for (int y = b.y0; y <= b.y1; ++y)
                for (int x = 0; x < N; ++x)
                    if (pic(x, y) == COLOR_WHITE) first = std::min(first, x), last = std::max(last, x);
            EXPECT_EQ(std::pair(first, last), std::pair(b.x0, b.x1)) << c.pitch_trim << " rows " << b.y0;
        }
    }
    live_pitch_deg = 0.0f;
    // Banked, that rung tilts with the horizon: at 5 degrees its core is on row 68 in column 52 and on row
    // 71 in column 88; at -3 degrees on rows 70 and 69.
    draw_none(200, -50);
    EXPECT_EQ(std::pair(pic(52, 68), pic(88, 71)), std::pair(COLOR_WHITE, COLOR_WHITE));
    draw_none(100, 30);
    EXPECT_EQ(std::pair(pic(52, 70), pic(88, 69)), std::pair(COLOR_WHITE, COLOR_WHITE));
}

TEST_F(Attitude, RollGuardKeepsClearOfLevelAndInverted) {
    // Each roll draws exactly as the angle the guard turns it into.
    struct Case {
        float roll, as;
    } cases[] = {
        {0.0f, 0.001f},       {-0.0f, 0.001f},     {0.0005f, 0.001f},     {6.2825f, 0.001f},
        {-0.0004f, 0.001f},   {PI_F, 3.1405928f},  {3.1420f, 3.1405928f}, {3.1406f, 3.1405928f},
        {6.2831855f, 0.001f}, {-PI_F, 3.1405928f},
    };
    for (const Case& c : cases) EXPECT_EQ(horizon(0.0f, c.roll), horizon(0.0f, c.as)) << c.roll;
    // Just below the band the roll is drawn as it is (the numbers turn with it).
    EXPECT_NE(horizon(0.2f, 3.1400f), horizon(0.2f, 3.1405928f));
}

TEST_F(Attitude, BankedHorizonSwapsColoursPastHalfATurn) {
    // Past half a turn of roll the fill is flipped, so ground stays on the aircraft's top side.
    struct Case {
        float roll_deg;
        uint32_t top_left, bottom_right;
    } cases[] = {
        {10, SKY, GROUND}, {-10, SKY, GROUND}, {170, GROUND, SKY}, {190, GROUND, SKY}, {350, SKY, GROUND}};
    for (const Case& c : cases) {
        page_attitude_draw_horizon(0.0f, c.roll_deg * DEG);
        EXPECT_EQ(pic(2, 2), c.top_left) << c.roll_deg;
        EXPECT_EQ(pic(137, 137), c.bottom_right) << c.roll_deg;
        // The boundary crosses the left edge 70 - 70 tan(roll) rows down.
        int edge = static_cast<int>(70.0 - 70.0 * std::tan(c.roll_deg * 3.14159265 / 180.0));
        EXPECT_EQ(pic(0, edge - 4), c.top_left) << c.roll_deg;
        EXPECT_EQ(pic(0, edge + 4), c.bottom_right) << c.roll_deg;
    }
    // At 60 degrees the line leaves the top row at column 70 - 70 / tan 60 = 29.6, on row 1 at 30.2.
    page_attitude_draw_horizon(0.0f, 60.0f * DEG);
    EXPECT_EQ(std::pair(pic(29, 0), pic(30, 1)), std::pair(COLOR_WHITE, COLOR_WHITE));
}

TEST_F(Attitude, PitchBeyondTheVerticalIsSeenFromTheBack) {
    // Past +-90 degrees: pitch mirrored about the vertical, roll half a turn on, on both sides alike.
    const float roll = 0.3f;
    EXPECT_EQ(horizon(PI_F - 1.0f, roll), horizon(1.0f, roll + PI_F));
    EXPECT_EQ(horizon(-(PI_F - 1.0f), roll), horizon(-1.0f, roll + PI_F));
    // On the back just past the vertical: looking up into the sky, or down at the ground.
    for (float pitch : {100.0f, -100.0f}) {
        page_attitude_draw_horizon(pitch * DEG, 0.0f);
        uint32_t want = pitch > 0 ? SKY : GROUND;
        for (int x : CLEAR_COLUMNS) EXPECT_EQ(pic(x, 0), want) << pitch;
        for (int x : CLEAR_COLUMNS) EXPECT_EQ(pic(x, N - 1), want) << pitch;
    }
}

TEST_F(Attitude, RungsBeyondAnEdgeDrawNothingNumbersIncluded) {
    // A level ladder (roll 0) with numbers; each case puts one rung's ends on an edge, which counts as
    // outside, or half a pixel inside it, and looks at a band along that edge which only that rung or its
    // numbers can reach.
    const float step = LADDER_PIXELS_PER_10_DEG;
    struct Case {
        const char* edge;
        float cx, cy;
        Box band;
        bool drawn;
    } cases[] = {
        {"left on", -20.0f, 70.0f, {0, 0, N - 1, N - 1}, false},
        {"left in", -19.5f, 70.0f, {0, 0, 0, N - 1}, true},
        {"right on", 160.0f, 70.0f, {0, 0, N - 1, N - 1}, false},
        {"right in", 159.5f, 70.0f, {100, 0, N - 1, N - 1}, true},
        {"top on", 70.0f, -step, {0, 0, N - 1, 8}, false},
        {"top in", 70.0f, 0.5f - step, {0, 0, N - 1, 0}, true},
        {"bottom on", 70.0f, 140.0f + step, {0, 122, N - 1, N - 1}, false},
        {"bottom in", 70.0f, 139.5f + step, {0, 122, N - 1, N - 1}, true},
    };
    for (const Case& c : cases) {
        clear_picture();
        page_attitude_draw_ladder(c.cx, c.cy, 0.0f, 20, 0.0f, 1.0f, true);
        int touched = 0;
        for (int y = c.band.y0; y <= c.band.y1; ++y)
            for (int x = c.band.x0; x <= c.band.x1; ++x) touched += pic(x, y) != 0;
        EXPECT_EQ(touched > 0, c.drawn) << c.edge;
    }
    // Banked 0.3 rad, the first rung above (80.1, 139) has one end below the picture, the other inside:
    // it is drawn.
    clear_picture();
    page_attitude_draw_ladder(70.0f, 139.0f + std::cos(0.3f) * step, 0.3f, 20, 0.0f, 1.0f, false);
    EXPECT_FALSE(std::all_of(&attitude_image[0], &attitude_image[8 * N], [](uint32_t p) { return p == 0; }));
}

// One number alone at steeper banks, in a cleared picture: both copies read it, a lower rung's as well.
TEST_F(Attitude, LadderNumbersAtSteepBanks) {
    const float step = LADDER_PIXELS_PER_10_DEG;
    for (float roll_deg : {30.0f, -20.0f, 150.0f})
        for (float value : {20.0f, -70.0f}) {
            const float r = roll_deg * DEG;
            clear_picture();
            page_attitude_draw_ladder_label(70.0f, 70.0f, std::sin(r) * step, -std::cos(r) * step, r, value);
            for (int side : {1, -1})
                EXPECT_EQ(ladder_number(70.0f, 70.0f, r, side, 0), std::abs(value))
                    << roll_deg << " " << side;
        }
}

// The whole frame: picture columns 6..133 on rows 0..139, the inset (AoA bar at (113, 75), 10 wide, its
// title shifted; the slip indicator), the black strip from row 140 with "AI", the soft keys and the
// aircraft symbol over it all; without the inset the picture shows there. (VIEW toggling the inset in a
// demo mode is in tests/scripts/attitude_demo.zts.)
TEST_F(Attitude, FrameShowsTheMiddleOfThePictureUnderTheInset) {
    for (int32_t inset : {1, 0}) {
        attitude_inset_shown = inset;
        draw_none(0, 0);
        Sketch want;
        for (int y = 0; y < N; ++y)
            for (int x = 0; x < FRAME_WIDTH; ++x)
                want.px()[gfx_index(x, y, FRAME_WIDTH, FRAME_HEIGHT)] = pic(x + 6, y);
        if (inset) {
            page_draw_aoa_bar(want.px(), 113, 75, 10, true);
            page_draw_slip_indicator(want.px(), 0.0f, 0);
        }
        want.rect(0, 140, 128, 160, 0xFF000000).text(0, 64, 150, 0xFF707070, "AI");
        page_draw_softkeys(want.px());
        want.rect(60, 67, 68, 73, COLOR_YELLOW)
            .rect(24, 68, 49, 72, COLOR_YELLOW)
            .rect(79, 68, 104, 72, COLOR_YELLOW);
        EXPECT_EQ(difference(frame, want), "") << "inset " << inset;
    }
}

TEST_F(Attitude, AttitudeComesFromTheOscillatorsOrTheLimitedTrims) {
    // DEMO 1 ignores the trims: roll and pitch come from the oscillators in degrees.
    device_settings.pitch_trim = 200;
    device_settings.roll_trim = 30;
    demo_roll_deg = 4.0f;
    demo_sweep = 8.0f;
    page_attitude_draw(frame.px());
    const std::vector<uint32_t> demo = picture();
    // The slip ball follows the demo roll too: its picture's corner at column 56 + 6 x 4 = 80.
    EXPECT_TRUE(frame.same(ProbeFrame(), {15, 111, 51, 129}));
    EXPECT_FALSE(frame.same(ProbeFrame(), {80, 111, 97, 129}));
    EXPECT_EQ(demo, horizon(8.0f * 6.2831855f / 360.0f, 4.0f * 6.2831855f / 360.0f));
    // NONE: a positive roll trim banks the horizon the other way; trims beyond +-27 and +-5 degrees
    // are limited. (Each side is copied out before the other draws.)
    EXPECT_EQ(draw_none(0, 30), horizon(0.0f, -3.0f * DEG));
    EXPECT_EQ(draw_none(400, -90), horizon(27.0f * DEG, 5.0f * DEG));
    // DEMO 2 flies the trims as NONE does.
    device_settings.demo_mode = DEMO_2;
    page_attitude_draw(frame.px());
    const std::vector<uint32_t> demo2 = picture();
    EXPECT_EQ(demo2, draw_none(400, -90));
    EXPECT_EQ(draw_none(-1000, 51), horizon(-27.0f * DEG, -5.0f * DEG));
    EXPECT_NE(draw_none(269, 0), horizon(27.0f * DEG, 0.0f));
}

TEST_F(Attitude, SteadyAttitudeRebuildsThePictureEveryFrame) {
    // Frame after frame at the same trims, whatever was left in the picture in between.
    const std::vector<uint32_t> want = horizon(10.0f * DEG, -2.0f * DEG);
    for (int frame_no = 0; frame_no < 4; ++frame_no) {
        clear_picture();
        ASSERT_EQ(draw_none(100, 20), want) << frame_no;
    }
    EXPECT_EQ(draw_none(100, 30), horizon(10.0f * DEG, -3.0f * DEG));
}
