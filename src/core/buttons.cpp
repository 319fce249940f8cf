#include "core/buttons.h"

#include "core/page.h"
#include "host/host.h" // the host owns the three button lines; the decoder samples them
#include "pages/aoa.h"
#include "pages/clock.h"
#include "pages/g_meter.h"
#include "pages/timer.h"
#include "setup/settings.h"
#include "setup/setup_menu.h"

ButtonDecoder button_decoder{};
int32_t button_event = 0;
int32_t flight_time_selected = 0;
int32_t aoa_view = 0;
int32_t g_view = 0;
int32_t attitude_inset_shown = 1;
uint64_t btn_decode_count = 0;
uint64_t btn_event_count = 0;

namespace {

constexpr uint32_t SETUP_PAGE_BIT = 1u << (PAGE_SETUP - 1);

void clear_hold_counts(ButtonDecoder& d) {
    d.view_hold_ticks = d.left_hold_ticks = d.right_hold_ticks = 0;
}

// The single-key rules, first match wins. Returns the event (0 for none).
int32_t decode_single(ButtonDecoder& d, int32_t v, int32_t l, int32_t r) {
    // VIEW long press fires once: the count passes 60 and never equals it again during this hold.
    if (d.view_holding) {
        if (++d.view_hold_ticks == LONG_PRESS_TICKS) {
            d.release_suppressed = 1;
            return EV_VIEW_LONG;
        }
    }
    if ((d.left_holding || d.right_holding) &&
        (d.left_hold_ticks >= LONG_PRESS_TICKS || d.right_hold_ticks >= LONG_PRESS_TICKS)) {
        if (d.left_holding && d.right_holding && d.left_hold_ticks >= LONG_PRESS_TICKS &&
            d.right_hold_ticks >= LONG_PRESS_TICKS) {
            d.left_holding = d.left_prev = d.right_holding = d.right_prev = 1;
            d.both_active = d.release_suppressed = 1;
            return EV_BOTH_LONG;
        }
        if (d.left_holding && d.left_hold_ticks >= LONG_PRESS_TICKS) {
            d.left_holding = d.left_prev = d.release_suppressed = 1;
            return EV_LEFT_LONG;
        }
        if (d.right_holding && d.right_hold_ticks >= BRIGHTNESS_HOLD_TICKS) {
            d.right_holding = d.right_prev = d.release_suppressed = 1;
            return EV_RIGHT_HOLD;
        }
        // A right-key hold between the long-press and brightness thresholds: nothing, and no other rule.
        return EV_NONE;
    }
    if (v && !d.view_prev) {
        d.release_suppressed = 0;
        d.view_holding = d.view_prev = 1;
        clear_hold_counts(d);
        return EV_VIEW_PRESS;
    }
    if (!v && d.view_prev) {
        int32_t ev = EV_VIEW_RELEASE;
        if (d.release_suppressed) {
            ev = EV_NONE;
            d.release_suppressed = 0;
        }
        d.view_holding = d.view_prev = 0;
        clear_hold_counts(d);
        return ev;
    }
    if (l && !d.left_prev) {
        d.release_suppressed = 0;
        d.left_holding = d.left_prev = 1;
        clear_hold_counts(d);
        return EV_LEFT_PRESS;
    }
    if (!l && d.left_prev) {
        int32_t ev = EV_NONE;
        if (d.release_suppressed)
            d.release_suppressed = 0;
        else if (!d.both_active)
            ev = EV_LEFT_RELEASE;
        d.left_holding = d.left_prev = 0;
        clear_hold_counts(d);
        return ev;
    }
    if (r && !d.right_prev) {
        d.release_suppressed = 0;
        clear_hold_counts(d);
        d.right_prev = d.right_holding = 1;
        return EV_RIGHT_PRESS;
    }
    if (!r && d.right_prev) {
        d.right_holding = d.right_prev = 0;
        clear_hold_counts(d);
        if (d.release_suppressed) {
            d.release_suppressed = 0;
            return EV_NONE;
        }
        return d.both_active ? EV_NONE : EV_RIGHT_RELEASE;
    }
    return EV_NONE;
}

// Steps of 1 below 10, of 10 from 10 up; a step that would leave 1..100 is refused.
void brightness_step(int32_t up) {
    int32_t p = brightness_percent, next;
    if (up)
        next = p < 10 ? p + 1 : (p / 10 + 1) * 10;
    else
        next = p <= 10 ? p - 1 : (p / 10 - 1) * 10;
    if (next >= 1 && next <= 100) brightness_percent = next;
    brightness_manual = 1;
}

// The input of the pages whose handling lives here; returns the event left for page stepping.
int32_t page_input(int32_t ev) {
    switch (current_page) {
    case PAGE_CLOCK:
        return page_clock_input();
    case PAGE_RUN_TIME:
        if (ev == EV_VIEW_RELEASE) {
            flight_time_selected = flight_time_selected == 1 ? 0 : 1;
            return EV_NONE;
        }
        if (ev == EV_BOTH_PRESS) {
            RunTimeCounter* c = flight_time_selected == 1 ? &flight_time : &engine_run_time;
            *c = RunTimeCounter{0, 0, 0};
            return EV_NONE;
        }
        return ev;
    case PAGE_TIMER1:
        return timer_handle_event(ev, 0);
    case PAGE_TIMER2:
        return timer_handle_event(ev, 1);
    case PAGE_AOA:
        if (ev == EV_VIEW_RELEASE) {
            aoa_view = aoa_view == 0 ? 1 : 0;
            return EV_NONE;
        }
        if (ev == EV_BOTH_PRESS) {
            aoa_peak_high = 0.0f;
            aoa_peak_low = 0.0f;
            if (aoa_view == 0) g_peak_high = g_peak_low = 1.0f;
            return EV_NONE;
        }
        return ev;
    case PAGE_G_METER:
        if (ev == EV_VIEW_RELEASE) {
            g_view = g_view >= 2 ? 0 : g_view + 1;
            return EV_NONE;
        }
        if (ev == EV_BOTH_PRESS) {
            g_peak_high = g_peak_low = 1.0f;
            return EV_NONE;
        }
        return ev;
    case PAGE_ATTITUDE:
        if (ev == EV_VIEW_RELEASE) {
            attitude_inset_shown = attitude_inset_shown == 1 ? 0 : 1;
            return EV_NONE;
        }
        return ev;
    case PAGE_SETUP:
        return setup_handle_event(ev);
    default:
        // The splash has no input: its events go straight to page stepping.
        return ev;
    }
}

void step_pages(int32_t ev) {
    uint32_t mask = device_settings.page_enable_mask;
    if (ev == EV_RIGHT_RELEASE) {
        // SETUP counts as enabled going forward, so the search always ends.
        uint32_t forward = mask | SETUP_PAGE_BIT;
        int32_t p = current_page + 1;
        if (p > PAGE_SETUP) p = PAGE_CLOCK;
        while (!(forward & (1u << (p - 1)))) ++p;
        current_page = p;
        if (p == PAGE_SETUP) {
            setup_state.setup_selected_item = -1;
            setup_state.page_enable_cursor = -1;
        }
    } else if (ev == EV_LEFT_RELEASE) {
        int32_t p = current_page - 1;
        while (p >= 1 && !(mask & (1u << (p - 1)))) --p;
        if (p < 1) p = PAGE_SETUP;
        current_page = p;
    }
}

} // namespace

int32_t btn_decode(int32_t v, int32_t l, int32_t r) {
    ButtonDecoder& d = button_decoder;
    int32_t ev = EV_NONE;
    d.right_holding = d.right_holding && r;
    d.left_holding = d.left_holding && l;
    if (d.left_holding) ++d.left_hold_ticks;
    if (d.right_holding) ++d.right_hold_ticks;
    if (l && r && !d.both_active) {
        ev = EV_BOTH_PRESS;
        d.left_holding = d.left_prev = d.right_holding = d.right_prev = d.both_active = 1;
        d.left_hold_ticks = d.right_hold_ticks = d.release_suppressed = 0;
    } else if (!l && !r && d.both_active) {
        ev = EV_BOTH_RELEASE;
        d.left_holding = d.left_prev = d.right_holding = d.right_prev = d.both_active = 0;
        d.left_hold_ticks = d.right_hold_ticks = 0;
    } else {
        ev = decode_single(d, v, l, r);
    }
    if (!r && !l) d.both_active = 0;
    button_event = ev;
    ++btn_decode_count;
    if (ev != EV_NONE) ++btn_event_count;
    return ev;
}

void btn_dispatch(int32_t v, int32_t l) {
    int32_t ev = button_event;
    if (ev == EV_NONE) return;
    if (ev == EV_VIEW_RELEASE && alert_active) {
        // Acknowledge one alert, TIMER1 first; nothing else sees the release.
        if (timer1_alert)
            timer1_alert = 0;
        else if (timer2_alert)
            timer2_alert = 0;
        button_event = EV_NONE;
        return;
    }
    if (ev == EV_RIGHT_HOLD && !v && !l && !brightness_overlay_shown) {
        brightness_overlay_shown = 1;
        button_event = EV_NONE;
        return;
    }
    if (brightness_overlay_shown) {
        switch (ev) {
        case EV_RIGHT_RELEASE:
            brightness_overlay_shown = 0;
            break;
        case EV_VIEW_RELEASE:
            brightness_step(1);
            break;
        case EV_LEFT_RELEASE:
            brightness_step(0);
            break;
        case EV_BOTH_PRESS:
            brightness_manual = brightness_manual == 1 ? 0 : 1;
            break;
        default:
            break;
        }
        button_event = EV_NONE;
        return;
    }
    button_event = page_input(ev);
    step_pages(button_event);
}

void btn_process_tick() {
    // Sampled once: the dispatch sees the same lines the decoder did.
    int32_t v = view_button_down ? 1 : 0, l = left_button_down ? 1 : 0, r = right_button_down ? 1 : 0;
    btn_decode(v, l, r);
    btn_dispatch(v, l);
}

void btn_reset() {
    button_decoder = ButtonDecoder{};
    button_event = EV_NONE;
    flight_time_selected = 0;
    aoa_view = 0;
    g_view = 0;
    attitude_inset_shown = 1;
    btn_decode_count = btn_event_count = 0;
}
