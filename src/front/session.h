// One window session on the instrument, apart from the window itself: the ticks, the queue of presses
// and releases, the keys held and the recorder. The window drives it from the real clock; tests drive
// it the same way from a made-up one.
#pragma once
#include <cstdint>

#include "front/keys.h"
#include "front/pointer.h"
#include "front/recorder.h"
#include "host/scheduler.h"

struct HostSession {
    HostScheduler sched;
    HostPointerQueue pointer;
    HostKeyboard keys;
    HostRecorder recorder; // records once opened and started (after host_session_begin)
};

// The instrument back to its start values and started as at window creation: time zero of the ticks.
void host_session_begin(HostSession* s);

// Runs every tick due by now_ms (10 ms ticks more than max_backlog periods behind are dropped;
// negative: none), telling the recorder after each and passing on the next waiting press or release
// after each 10 ms one. However the calls are spaced, the ticks and the waiting presses and releases
// meet in the same order, so a window may run the ticks in batches while nothing is shown, as long as
// it runs those due before it takes in new input.
void host_session_run(HostSession* s, uint64_t now_ms, int max_backlog);
