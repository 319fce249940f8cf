// TIMER 1 and TIMER 2: two stopwatches counting up, or down from a preset.
#pragma once
#include <cstdint>

struct UserTimer {
    int32_t tenths; // tenth-second phase of the running value
    int32_t running;
    uint8_t editing;
    int32_t preset_hours, preset_minutes, preset_seconds; // 0..10, 0..59, 0..59
    int32_t hours, minutes, seconds;                      // the running value: 0..98, 0..59, 0..59
    int32_t counting_down;  // the preset is not 0:00:00; set when the page draws
    int32_t expired;        // a count-down reached 0:00:00; cleared by a start
    uint8_t selected_field; // preset field being edited: 0 h, 1 min, 2 s
};

extern UserTimer user_timers[2];
// Frames since the last edit step; the edited field blinks on it.
extern int32_t timer_blink_counter;
// 30 while the shown timer is being edited (its digits move down), else 0.
extern int32_t timer_layout_offset;

// The tenth-second step of both timers; every 100 ms, on every page.
void timer_tick();

// Input of the page of timer i (0 or 1); returns the event left for page stepping, 0 when used.
int32_t timer_handle_event(int32_t event, int i);

// Draws the page of timer i: page 4 for i = 0, page 5 for i = 1.
void page_draw_timer(uint32_t* frame, int i);

// Process start values.
void timer_reset();
