#include "front/pointer.h"

#include "host/host.h"
#include "front/recorder.h"

void host_pointer_reset(HostPointerQueue* q) {
    *q = HostPointerQueue{};
}

namespace {

void apply_front(HostPointerQueue* q, uint64_t tick_count) {
    const HostPointerEvent& e = q->events[q->head];
    host_hit_test(e.press, e.x, e.y);
    if (q->recorder) host_recorder_pointer(q->recorder, e.press, e.x, e.y);
    q->head = (q->head + 1) % HOST_POINTER_QUEUE_SIZE;
    --q->count;
    q->applied_any = true;
    q->applied_at = tick_count;
}

} // namespace

void host_pointer_flush(HostPointerQueue* q, uint64_t tick_count) {
    if (q->count > 0 && (!q->applied_any || q->applied_at != tick_count)) apply_front(q, tick_count);
}

void host_pointer_push(HostPointerQueue* q, bool press, int x, int y, uint64_t tick_count) {
    // A full queue (the decoder has fallen far behind) gives way rather than losing the newest event.
    if (q->count == HOST_POINTER_QUEUE_SIZE) apply_front(q, tick_count);
    q->events[(q->head + q->count) % HOST_POINTER_QUEUE_SIZE] = HostPointerEvent{press, x, y};
    ++q->count;
    host_pointer_flush(q, tick_count);
}
