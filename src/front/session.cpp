#include "front/session.h"

#include "host/host.h"

void host_session_begin(HostSession* s) {
    host_sched_reset(&s->sched);
    host_pointer_reset(&s->pointer);
    host_keyboard_reset(&s->keys);
    s->pointer.recorder = &s->recorder;
    host_reset_all();
    host_start();
}

void host_session_run(HostSession* s, uint64_t now_ms, int max_backlog) {
    host_sched_drop_backlog(&s->sched, now_ms, max_backlog);
    while (host_sched_step(&s->sched, now_ms) != HOST_TICK_NONE) {
        host_recorder_tick(&s->recorder);
        // A waiting press or release goes once every tick of this millisecond has run, so it meets the
        // same ticks however late this run is.
        if (host_sched_next_due(&s->sched) > host_sched_ran_until(&s->sched))
            host_pointer_flush(&s->pointer, s->sched.tick_count);
    }
}
