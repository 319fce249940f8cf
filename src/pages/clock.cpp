#include "pages/clock.h"

ClockTime clock_time{};
int32_t clock_needs_sync = 1;
int32_t clock_blink = 0;

void page_clock_advance_second(ClockTime* t) {
    if (++t->second < 60) return;
    t->second = 0;
    if (++t->minute < 60) return;
    t->minute = 0;
    if (++t->hour < 24) return;
    t->hour = 0;
}

void page_clock_reset() {
    clock_time = ClockTime{};
    clock_needs_sync = 1;
    clock_blink = 0;
}
