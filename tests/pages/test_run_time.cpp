#include <gtest/gtest.h>

#include "core/buttons.h"
#include "core/page.h"
#include "host/host.h"
#include "pages/run_time.h"
#include "setup/settings.h"
#include "frame_probe.h"

TEST(RunTime, CountersWrapAfter98_59_59) {
    for (auto [from, to] : {std::pair<RunTimeCounter, RunTimeCounter>{{98, 59, 59}, {0, 0, 0}},
                            {{1, 59, 59}, {2, 0, 0}},
                            {{0, 0, 58}, {0, 0, 59}}}) {
        host_advance_counter(&from);
        EXPECT_EQ(from.hours * 10000 + from.minutes * 100 + from.seconds,
                  to.hours * 10000 + to.minutes * 100 + to.seconds);
    }
}
