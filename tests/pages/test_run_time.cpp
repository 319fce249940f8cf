#include <gtest/gtest.h>

#include "core/buttons.h"
#include "core/page.h"
#include "host/host.h"
#include "pages/run_time.h"
#include "setup/settings.h"
#include "frame_probe.h"

// Each counter as HH:MM:SS at fixed columns: digit pairs in font 3 from x = 18, 51 and 84, colons in font
// 4 at x = 42 and 75 two rows higher; the engine run time's digits on pen row 25, the flight time's on
// row 95. The selected counter is white, the other 0xFF608080; the separator is the two rows 68 and 69.
// How the buttons move the selection is in tests/scripts/run_time_clear.zts.
TEST(RunTime, BothCountersAtTheirColumnsTheSelectedOneWhite) {
    host_reset_all();
    setup_settings_reset();
    current_page = PAGE_RUN_TIME;
    engine_run_time = {12, 34, 56};
    flight_time = {7, 8, 9};
    const struct {
        int font, x, dy;
        const char *engine, *flight;
    } pieces[] = {{3, 18, 0, "12", "07"},
                  {4, 42, -2, ":", ":"},
                  {3, 51, 0, "34", "08"},
                  {4, 75, -2, ":", ":"},
                  {3, 84, 0, "56", "09"}};
    for (int32_t selected : {0, 1}) {
        flight_time_selected = selected;
        ProbeFrame fr;
        page_draw_frame(fr.px());
        const uint32_t engine = selected ? 0xFF608080 : 0xFFFFFFFF,
                       flight = selected ? 0xFFFFFFFF : 0xFF608080;
        for (const auto& p : pieces) {
            EXPECT_TRUE(fr.shows_run(p.font, p.x, 25 + p.dy, engine, p.engine))
                << p.engine << " " << selected;
            EXPECT_TRUE(fr.shows_run(p.font, p.x, 95 + p.dy, flight, p.flight))
                << p.flight << " " << selected;
        }
        EXPECT_EQ(fr.rows_of(64, 0xFF888888), (std::vector<int>{68, 69}));
    }
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
