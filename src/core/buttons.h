// Button events decoded from the three button lines, and their dispatch.
#pragma once
#include <cstdint>

enum ButtonEvent : int32_t {
    EV_NONE = 0,
    EV_VIEW_PRESS = 1,
    EV_VIEW_RELEASE = 2,
    EV_VIEW_LONG = 3,
    EV_LEFT_PRESS = 4,
    EV_LEFT_RELEASE = 5,
    EV_LEFT_LONG = 6,
    EV_RIGHT_PRESS = 7,
    EV_RIGHT_RELEASE = 8,
    EV_RIGHT_HOLD = 9,
    EV_BOTH_PRESS = 10,
    EV_BOTH_RELEASE = 11,
    EV_BOTH_LONG = 12,
};

constexpr int32_t LONG_PRESS_TICKS = 60;
constexpr int32_t BRIGHTNESS_HOLD_TICKS = 120;

struct ButtonDecoder {
    int32_t view_prev, left_prev, right_prev;
    int32_t view_holding, left_holding, right_holding;
    int32_t view_hold_ticks, left_hold_ticks, right_hold_ticks;
    int32_t release_suppressed;
    int32_t both_active;
};

extern ButtonDecoder button_decoder;
extern int32_t button_event;

// Page-owned values that the dispatch changes.
extern int32_t flight_time_selected;
extern int32_t aoa_view;
extern int32_t g_view;
extern int32_t attitude_inset_shown;

// Decodes and the events they produced since start, for tools that watch the input (the soak test).
extern uint64_t btn_decode_count;
extern uint64_t btn_event_count;

// Decode the lines and dispatch the event; once per 10 ms tick.
void btn_process_tick();

// The two halves of a tick. btn_decode turns the sampled lines (0 or 1 each) into at most one event,
// stores it in button_event and returns it; btn_dispatch acts on button_event, given the VIEW and left
// lines of the same sample.
int32_t btn_decode(int32_t view, int32_t left, int32_t right);
void btn_dispatch(int32_t view, int32_t left);

// Process start values (every field 0, the inset shown).
void btn_reset();
