#include <gtest/gtest.h>

#include "core/buttons.h"
#include "core/page.h"
#include "gfx/colors.h"
#include "gfx/gfx.h"
#include "host/host.h"
#include "pages/run_time.h"
#include "setup/settings.h"

namespace {

// The digit rows of the engine run time (pen row 25) and the flight time (pen row 95), 70 rows apart.
constexpr int ENGINE_ROW = 24, FLIGHT_ROW = 94, DIGIT_ROWS = 26;

bool same_rows(const FrameBuffer& a, int ya, const FrameBuffer& b, int yb) {
    for (int dy = 0; dy < DIGIT_ROWS; ++dy)
        for (int x = 0; x < FRAME_WIDTH; ++x)
            if (a.pixels[gfx_index(x, ya + dy, 128, 160)] != b.pixels[gfx_index(x, yb + dy, 128, 160)])
                return false;
    return true;
}

bool has_pixel(const FrameBuffer& a, int y0, uint32_t color) {
    for (int y = y0; y < y0 + DIGIT_ROWS; ++y)
        for (int x = 0; x < FRAME_WIDTH; ++x)
            if (a.pixels[gfx_index(x, y, 128, 160)] == color) return true;
    return false;
}

} // namespace

TEST(RunTime, SelectedCounterBrightTheOtherDimAndEachShowsItsOwnValue) {
    host_reset_all();
    setup_settings_reset();
    current_page = PAGE_RUN_TIME;
    static FrameBuffer engine_selected, flight_selected, flight_changed;
    flight_time = engine_run_time = {12, 34, 56};
    page_draw_frame(engine_selected.pixels);
    flight_time_selected = 1;
    page_draw_frame(flight_selected.pixels);
    // The same value drawn bright in one block and dim in the other, whichever is selected.
    EXPECT_TRUE(same_rows(engine_selected, ENGINE_ROW, flight_selected, FLIGHT_ROW));
    EXPECT_TRUE(same_rows(engine_selected, FLIGHT_ROW, flight_selected, ENGINE_ROW));
    const float full = 240.0f / 255.0f; // the strongest glyph coverage
    EXPECT_TRUE(has_pixel(engine_selected, ENGINE_ROW, gfx_blend_color(0, COLOR_WHITE, full)));
    EXPECT_TRUE(has_pixel(engine_selected, FLIGHT_ROW, gfx_blend_color(0, RUN_TIME_DIM, full)));
    EXPECT_FALSE(has_pixel(engine_selected, FLIGHT_ROW, gfx_blend_color(0, COLOR_WHITE, full)));
    flight_time.seconds = 57;
    page_draw_frame(flight_changed.pixels);
    EXPECT_TRUE(same_rows(flight_changed, ENGINE_ROW, flight_selected, ENGINE_ROW));
    EXPECT_FALSE(same_rows(flight_changed, FLIGHT_ROW, flight_selected, FLIGHT_ROW));
}
