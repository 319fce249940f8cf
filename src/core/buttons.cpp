#include "core/buttons.h"

ButtonDecoder button_decoder{};
int32_t button_event = 0;
int32_t flight_time_selected = 0;
int32_t aoa_view = 0;
int32_t g_view = 0;
int32_t attitude_inset_shown = 1;

void btn_process_tick() { button_event = EV_NONE; }

void btn_reset() {
    button_decoder = ButtonDecoder{};
    button_event = EV_NONE;
    flight_time_selected = 0;
    aoa_view = 0;
    g_view = 0;
    attitude_inset_shown = 1;
}
