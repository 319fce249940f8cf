#include <gtest/gtest.h>

#include "core/buttons.h"
#include "core/page.h"
#include "host/host.h"
#include "pages/run_time.h"
#include "setup/settings.h"
#include "frame_probe.h"

namespace {

// The digit rows of the engine run time (pen row 25) and the flight time (pen row 95), 70 rows apart.
constexpr int ENGINE_ROW = 24, FLIGHT_ROW = 94, DIGIT_ROWS = 26;

bool same_rows(const ProbeFrame& a, int ya, const ProbeFrame& b, int yb) {
    for (int dy = 0; dy < DIGIT_ROWS; ++dy)
        for (int x = 0; x < FRAME_WIDTH; ++x)
            if (a.at(x, ya + dy) != b.at(x, yb + dy)) return false;
    return true;
}

} // namespace

// The colours as the buttons move the selection are in tests/scripts/run_time_clear.zts.
TEST(RunTime, SelectedCounterBrightTheOtherDimAndEachShowsItsOwnValue) {
    host_reset_all();
    setup_settings_reset();
    current_page = PAGE_RUN_TIME;
    ProbeFrame engine_selected, flight_selected, flight_changed;
    flight_time = engine_run_time = {12, 34, 56};
    page_draw_frame(engine_selected.px());
    flight_time_selected = 1;
    page_draw_frame(flight_selected.px());
    // The same value drawn bright in one block and dim in the other, whichever is selected.
    EXPECT_TRUE(same_rows(engine_selected, ENGINE_ROW, flight_selected, FLIGHT_ROW));
    EXPECT_TRUE(same_rows(engine_selected, FLIGHT_ROW, flight_selected, ENGINE_ROW));
    EXPECT_FALSE(same_rows(engine_selected, ENGINE_ROW, engine_selected, FLIGHT_ROW));
    flight_time.seconds = 57;
    page_draw_frame(flight_changed.px());
    EXPECT_TRUE(same_rows(flight_changed, ENGINE_ROW, flight_selected, ENGINE_ROW));
    EXPECT_FALSE(same_rows(flight_changed, FLIGHT_ROW, flight_selected, FLIGHT_ROW));
}

TEST(RunTime, CountersWrapAfter98_59_59) {
    for (auto [from, to] : {std::pair<RunTimeCounter, RunTimeCounter>{{98, 59, 59}, {0, 0, 0}},
                            {{1, 59, 59}, {2, 0, 0}},
                            {{0, 0, 58}, {0, 0, 59}}}) {
        host_advance_counter(&from);
        EXPECT_EQ(from.hours * 10000 + from.minutes * 100 + from.seconds,
                  to.hours * 10000 + to.minutes * 100 + to.seconds);
    }
}
