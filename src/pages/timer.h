// TIMER 1 and TIMER 2: two stopwatches counting up, or down from a preset.
#pragma once
#include <cstdint>

struct UserTimer {
    int32_t tenths;
    int32_t running;
    uint8_t editing;
    int32_t preset_hours, preset_minutes, preset_seconds;
    int32_t hours, minutes, seconds;
    int32_t counting_down;
    int32_t expired;
    uint8_t selected_field;
};

extern UserTimer user_timers[2];

// The tenth-second step of both timers; every 100 ms.
void timer_tick();

// Process start values.
void timer_reset();
