// CLOCK page state that the host advances every second.
#pragma once
#include <cstdint>

// The layout of a local-time record: only hour, minute and second are shown or edited.
struct ClockTime {
    uint16_t year, month, day_of_week, day;
    uint16_t hour, minute, second, milliseconds;
};

extern ClockTime clock_time;
extern int32_t clock_needs_sync;
extern int32_t clock_blink;

// One second on: the time of day wraps at 24 h, the date is left alone.
void page_clock_advance_second(ClockTime* t);

// Process start values.
void page_clock_reset();
