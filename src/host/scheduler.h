// Decides which ticks fall due as time passes, for any host (real clock or simulated).
#pragma once
#include <cstdint>

constexpr uint64_t TENTH_PERIOD_MS = 100;
constexpr uint64_t TICK_PERIOD_MS = 10;
constexpr uint64_t SECOND_PERIOD_MS = 1000;

struct HostScheduler {
    uint64_t next_tenth_ms, next_tick_ms, next_second_ms; // due times, ms since window creation
    uint64_t tenth_count, tick_count, second_count;       // ticks run so far
    uint64_t ticks_skipped;                               // 10 ms ticks dropped after a stall
};

// Each kind falls due one period after start.
void host_sched_reset(HostScheduler* s);

enum HostTickKind { HOST_TICK_NONE, HOST_TICK_TENTH, HOST_TICK_10MS, HOST_TICK_SECOND };

// Takes the earliest tick due at or before now_ms off the schedule (HOST_TICK_NONE when none is due);
// on one millisecond the order is 100 ms, 10 ms, 1 s, the order in which the timers were started.
HostTickKind host_sched_next(HostScheduler* s, uint64_t now_ms);

// Drops the 10 ms ticks that are more than max_tick_backlog periods behind now_ms.
void host_sched_drop_backlog(HostScheduler* s, uint64_t now_ms, int max_tick_backlog);

// Takes the earliest tick due at or before now_ms off the schedule and runs it; returns its kind
// (HOST_TICK_NONE, running nothing, when none is due). A host that must look at the instrument between
// ticks runs them with this.
HostTickKind host_sched_step(HostScheduler* s, uint64_t now_ms);

// Runs every tick due at or before now_ms in time order; ticks on the same millisecond run in the
// order the timers were started: 100 ms, 10 ms, 1 s. When the 10 ms tick is more than
// max_tick_backlog periods behind, the older ones are dropped (negative: never drop).
void host_sched_run(HostScheduler* s, uint64_t now_ms, int max_tick_backlog);

// The earliest due time of any kind.
uint64_t host_sched_next_due(const HostScheduler* s);

// The time of the last 10 ms tick taken off the schedule (0 before the first). Between runs every tick
// of any kind due at or before it has run (dropped ones aside) and none after it, so a simulated clock
// stopped there has run the same ticks.
uint64_t host_sched_ran_until(const HostScheduler* s);
