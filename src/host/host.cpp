#include "host/host.h"

#include "core/buttons.h"
#include "core/flight.h"
#include "core/page.h"
#include "pages/aoa_bar.h"
#include "pages/aoa.h"
#include "pages/clock.h"
#include "pages/g_meter.h"
#include "pages/timer.h"
#include "setup/settings.h"
#include "setup/setup_menu.h"

RunTimeCounter flight_time{};
RunTimeCounter engine_run_time{};
int32_t paint_countdown = 1;
uint32_t* frame_pixels = nullptr;
int32_t view_button_down = 0, left_button_down = 0, right_button_down = 0;
FrameBuffer host_frame{};
uint64_t host_frames_rendered = 0;

namespace {
// The window stays marked for repainting until a request renders; the idle loop then serves requests.
bool window_invalid = false;
} // namespace

void host_reset_all() {
    flight_time = RunTimeCounter{};
    engine_run_time = RunTimeCounter{};
    paint_countdown = 1;
    frame_pixels = nullptr;
    view_button_down = left_button_down = right_button_down = 0;
    host_frame = FrameBuffer{};
    host_frames_rendered = 0;
    window_invalid = false;
    setup_settings_clear();
    btn_reset();
    page_reset();
    flt_reset();
    timer_reset();
    page_clock_reset();
    page_aoa_bar_reset();
    page_aoa_reset();
    page_g_meter_reset();
    setup_menu_reset();
}

void host_start() {
    // Window creation: the decoder takes the lines as they stand, everything else of it starts at 0.
    button_decoder = ButtonDecoder{};
    button_decoder.view_prev = view_button_down;
    button_decoder.left_prev = left_button_down;
    button_decoder.right_prev = right_button_down;
    button_event = EV_NONE;
    current_page = PAGE_SPLASH;
    timer1_alert = timer2_alert = 0;
    aoa_view = 0;
    flt_start();

    // The window's first update renders the first frame, before the settings have their start values.
    window_invalid = true;
    while (window_invalid) host_paint();

    setup_settings_reset();
    attitude_inset_shown = 1;
}

void host_hit_test(bool press, int x_in, int y_in) {
    int x = static_cast<int16_t>(x_in), y = static_cast<int16_t>(y_in);
    int32_t value = press ? 1 : 0;
    if (x >= 101 && x < 140) {
        if (y >= 131 && y < 170) {
            view_button_down = value;
            right_button_down = 0;
        } else if (y >= 201 && y < 240) {
            left_button_down = value;
            right_button_down = 0;
        }
    }
    if (x >= 321 && x < 360 && y >= 201 && y < 240) right_button_down = value;
    if (x >= 201 && x < 260 && y >= 276 && y < 325) right_button_down = left_button_down = value;
}

bool host_paint() {
    if (--paint_countdown != 0) return false;
    // The frame is not cleared first: every screen paints all of its pixels (the soak checks that), so a
    // fresh zeroed picture and the last frame come out the same.
    frame_pixels = host_frame.pixels;
    page_draw_frame(frame_pixels);
    flt_demo_step();
    page_update_alerts();
    frame_pixels = nullptr;
    ++host_frames_rendered;
    window_invalid = false;
    paint_countdown = PAINTS_PER_FRAME;
    return true;
}

void host_tick_10ms() {
    window_invalid = true;
    host_paint();
    flt_smooth_step();
    btn_process_tick();
    // The rest of the burst: requests served right after the tick, before any timer message.
    while (window_invalid) host_paint();
}

void host_tick_100ms() {
    timer_tick();
}

void host_advance_counter(RunTimeCounter* c) {
    if (++c->seconds < 60) return;
    c->seconds = 0;
    if (++c->minutes < 60) return;
    c->minutes = 0;
    if (++c->hours >= 99) c->hours = 0;
}

void host_tick_1s() {
    page_clock_advance_second(&clock_time);
    host_advance_counter(&flight_time);
    host_advance_counter(&engine_run_time);
    clock_blink = clock_blink != 0 ? clock_blink - 1 : 1;
}

void host_button_point(HostButton b, int* x, int* y) {
    switch (b) {
    case HOST_BUTTON_VIEW:
        *x = 120, *y = 150;
        return;
    case HOST_BUTTON_LEFT:
        *x = 120, *y = 220;
        return;
    case HOST_BUTTON_RIGHT:
        *x = 340, *y = 220;
        return;
    case HOST_BUTTON_BOTH:
        *x = 230, *y = 300;
        return;
    }
}
