#include "host/scheduler.h"

#include <algorithm>

#include "host/host.h"

void host_sched_reset(HostScheduler* s) {
    *s = HostScheduler{};
    s->next_tenth_ms = TENTH_PERIOD_MS;
    s->next_tick_ms = TICK_PERIOD_MS;
    s->next_second_ms = SECOND_PERIOD_MS;
}

uint64_t host_sched_next_due(const HostScheduler* s) {
    return std::min({s->next_tenth_ms, s->next_tick_ms, s->next_second_ms});
}

HostTickKind host_sched_next(HostScheduler* s, uint64_t now_ms) {
    uint64_t due = host_sched_next_due(s);
    if (due > now_ms) return HOST_TICK_NONE;
    if (s->next_tenth_ms == due) {
        s->next_tenth_ms += TENTH_PERIOD_MS;
        ++s->tenth_count;
        return HOST_TICK_TENTH;
    }
    if (s->next_tick_ms == due) {
        s->next_tick_ms += TICK_PERIOD_MS;
        ++s->tick_count;
        return HOST_TICK_10MS;
    }
    s->next_second_ms += SECOND_PERIOD_MS;
    ++s->second_count;
    return HOST_TICK_SECOND;
}

void host_sched_drop_backlog(HostScheduler* s, uint64_t now_ms, int max_tick_backlog) {
    if (max_tick_backlog < 0) return;
    uint64_t keep = static_cast<uint64_t>(max_tick_backlog) * TICK_PERIOD_MS;
    if (s->next_tick_ms + keep >= now_ms) return;
    uint64_t behind = (now_ms - keep - s->next_tick_ms) / TICK_PERIOD_MS;
    s->next_tick_ms += behind * TICK_PERIOD_MS;
    s->ticks_skipped += behind;
}

HostTickKind host_sched_step(HostScheduler* s, uint64_t now_ms) {
    HostTickKind kind = host_sched_next(s, now_ms);
    switch (kind) {
    case HOST_TICK_NONE:
        break;
    case HOST_TICK_TENTH:
        host_tick_100ms();
        break;
    case HOST_TICK_10MS:
        host_tick_10ms();
        break;
    case HOST_TICK_SECOND:
        host_tick_1s();
        break;
    }
    return kind;
}

void host_sched_run(HostScheduler* s, uint64_t now_ms, int max_tick_backlog) {
    host_sched_drop_backlog(s, now_ms, max_tick_backlog);
    while (host_sched_step(s, now_ms) != HOST_TICK_NONE) {
    }
}

uint64_t host_sched_ran_until(const HostScheduler* s) {
    return s->next_tick_ms - TICK_PERIOD_MS;
}
