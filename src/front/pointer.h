// Left-button presses and releases on their way to host_hit_test. The button decoder samples the lines
// once per 10 ms tick, so a line that is set and cleared again between two ticks would never be seen: a
// quick click or a touchpad tap. Events therefore reach host_hit_test at most one per tick, in order.
#pragma once
#include <cstdint>

struct HostRecorder;

constexpr int HOST_POINTER_QUEUE_SIZE = 32;

struct HostPointerEvent {
    bool press;
    int x, y; // client coordinates of the bezel picture
};

struct HostPointerQueue {
    HostPointerEvent events[HOST_POINTER_QUEUE_SIZE];
    int head, count;
    bool applied_any;       // an event has reached host_hit_test
    uint64_t applied_at;    // 10 ms tick count when the last one did
    HostRecorder* recorder; // told of every event that reaches host_hit_test; may be nullptr
};

// Empties the queue, without a recorder.
void host_pointer_reset(HostPointerQueue* q);

// Queues a press or release and passes on what may go now; tick_count is the 10 ms ticks run so far.
void host_pointer_push(HostPointerQueue* q, bool press, int x, int y, uint64_t tick_count);

// Passes on the next waiting event when a tick has run since the last one went.
void host_pointer_flush(HostPointerQueue* q, uint64_t tick_count);
