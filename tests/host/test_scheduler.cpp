#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <tuple>

#include "host/scheduler.h"

namespace {

// The kinds that fall due up to now_ms, as letters: T tenth, t tick, S second.
std::string due_until(HostScheduler* s, uint64_t now_ms) {
    std::string out;
    for (HostTickKind k; (k = host_sched_next(s, now_ms)) != HOST_TICK_NONE;)
        out += k == HOST_TICK_TENTH ? 'T' : k == HOST_TICK_10MS ? 't' : 'S';
    return out;
}

} // namespace

// Each kind first falls due one period after start; within one millisecond the tenth runs first, then
// the tick, then the second, even when the call comes late.
TEST(Scheduler, FirstTicksAndTheirOrder) {
    HostScheduler s;
    host_sched_reset(&s);
    EXPECT_EQ(due_until(&s, 9), "");
    EXPECT_EQ(due_until(&s, 10), "t");
    EXPECT_EQ(due_until(&s, 99), std::string(8, 't'));
    EXPECT_EQ(due_until(&s, 100), "Tt");
    EXPECT_EQ(host_sched_next_due(&s), 110u);
    due_until(&s, 999);
    EXPECT_EQ(due_until(&s, 1000), "TtS");
    host_sched_reset(&s);
    std::string all = due_until(&s, 2000);
    EXPECT_EQ(all.substr(all.size() - 3), "TtS");
    EXPECT_EQ(all.find('S'), all.find("TtS", 100) + 2); // the first S sits right after the T t of 1000 ms
}

TEST(Scheduler, NoDriftOverLongRuns) {
    HostScheduler s;
    host_sched_reset(&s);
    // Irregular wake-ups, as a real clock gives them.
    for (uint64_t now = 0; now <= 600000; now += 7 + now % 13) due_until(&s, now);
    due_until(&s, 600000);
    EXPECT_EQ(std::tuple(s.tick_count, s.tenth_count, s.second_count), std::tuple(60000u, 6000u, 600u));
}

TEST(Scheduler, StallDropsOldTicksButKeepsTenthsAndSeconds) {
    HostScheduler s;
    host_sched_reset(&s);
    host_sched_drop_backlog(&s, 5000, 3);
    std::string ran = due_until(&s, 5000);
    auto n = [&](char kind) { return std::count(ran.begin(), ran.end(), kind); };
    EXPECT_EQ(std::tuple(n('t'), n('T'), n('S'), s.ticks_skipped), std::tuple(4, 50, 5, 496u));
}
