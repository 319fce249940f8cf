#include "pages/timer.h"

#include "core/buttons.h"
#include "core/page.h"
#include "gfx/colors.h"
#include "gfx/font.h"
#include "gfx/gfx.h"
#include "gfx/masks.h"
#include "pages/hms.h"
#include "setup/settings.h"

UserTimer user_timers[2]{};
int32_t timer_blink_counter = 0;
int32_t timer_layout_offset = 0;

namespace {

constexpr int32_t MAX_PRESET_HOURS = 10;
constexpr int32_t BLINK_HIDE_FROM = 6; // counter values 6..11 cover the field: 5 frames shown, 6 hidden
constexpr int32_t BLINK_WRAP_ABOVE = 10;

void count_up(UserTimer& t) {
    if (++t.tenths < 10) return;
    t.tenths = 0;
    if (++t.seconds < 60) return;
    t.seconds = 0;
    if (++t.minutes < 60) return;
    t.minutes = 0;
    if (++t.hours >= 99) t.hours = 0;
}

// Each shown value lasts one whole second: the tenths run 10 down to 1 before the seconds step.
void count_down(UserTimer& t) {
    if (--t.tenths <= 0) {
        t.tenths = 10;
        if (--t.seconds < 0) {
            if (t.minutes > 0 || t.hours > 0) {
                t.seconds = 59;
                if (--t.minutes < 0) {
                    t.minutes = 59;
                    --t.hours;
                }
            } else {
                t.seconds = 0;
            }
        }
    }
    if (t.hours == 0 && t.minutes == 0 && t.seconds == 0) {
        t.expired = 1;
        t.running = 0;
    }
}

// The running value from the preset, at the start of its first second.
void load_preset(UserTimer& t) {
    t.hours = t.preset_hours;
    t.minutes = t.preset_minutes;
    t.seconds = t.preset_seconds;
    t.tenths = t.counting_down ? 10 : 0;
}

int32_t step_field(int32_t value, int32_t max, int32_t delta) {
    value += delta;
    if (value > max) return 0;
    if (value < 0) return max;
    return value;
}

void step_selected(UserTimer& t, int32_t delta) {
    switch (t.selected_field) {
    case 0:
        t.preset_hours = step_field(t.preset_hours, MAX_PRESET_HOURS, delta);
        break;
    case 1:
        t.preset_minutes = step_field(t.preset_minutes, 59, delta);
        break;
    default:
        t.preset_seconds = step_field(t.preset_seconds, 59, delta);
        break;
    }
}

int32_t edit_event(UserTimer& t, int32_t event) {
    switch (event) {
    case EV_RIGHT_RELEASE:
        t.selected_field = static_cast<uint8_t>(t.selected_field >= 2 ? 0 : t.selected_field + 1);
        break;
    case EV_VIEW_RELEASE:
        step_selected(t, +1);
        break;
    case EV_LEFT_RELEASE:
        step_selected(t, -1);
        break;
    case EV_VIEW_LONG:
        t.preset_hours = t.preset_minutes = t.preset_seconds = 0;
        return EV_NONE;
    default:
        return event;
    }
    timer_blink_counter = 0; // the field just stepped to or changed shows at once
    return EV_NONE;
}

void draw_mask(uint32_t* frame, const MaskImage& m, int x, int y) {
    gfx_draw_mask(frame, FRAME_WIDTH, FRAME_HEIGHT, m.data, m.width, m.height, x, y, COLOR_WHITE);
}

// The large value and its captions, moved down by o while editing.
void draw_values(uint32_t* frame, const UserTimer& t, int i, int32_t o) {
    font_draw_text_centered(frame, 0, 64, 8, COLOR_LABEL, i == 0 ? "Timer 1" : "Timer 2");
    font_draw_text_centered(frame, 0, 64, 23, COLOR_WHITE, t.counting_down ? "Count Down" : "Count Up");
    font_draw_text_centered(frame, 0, 66, o + 68, COLOR_SECONDARY, "HH:MM:SS");
    const HmsLayout big{3, 4, o + 33, o + 31, 23, 47, 56, 80, 89};
    if (t.editing)
        page_draw_hms(frame, big, t.preset_hours, t.preset_minutes, t.preset_seconds, COLOR_WHITE);
    else
        page_draw_hms(frame, big, t.hours, t.minutes, t.seconds, COLOR_WHITE);
}

// Covers the selected field with the background for part of each blink cycle.
void blink_step(uint32_t* frame, const UserTimer& t, int32_t o) {
    if (++timer_blink_counter < BLINK_HIDE_FROM) return;
    static constexpr int FIELD_LEFT[3] = {22, 55, 88}; // each 25 columns wide
    int x = FIELD_LEFT[t.selected_field];
    gfx_fill_rect(frame, x, o + 33, x + 25, o + 56, setup_background_color());
    if (timer_blink_counter > BLINK_WRAP_ABOVE) timer_blink_counter = 0;
}

} // namespace

void timer_tick() {
    for (UserTimer& t : user_timers) {
        if (!t.running) continue;
        if (t.counting_down)
            count_down(t);
        else
            count_up(t);
    }
}

int32_t timer_handle_event(int32_t event, int i) {
    UserTimer& t = user_timers[i];
    if (event == EV_BOTH_PRESS) {
        if (t.editing) {
            load_preset(t); // accept
            t.editing = 0;
        } else {
            t.editing = 1;
            t.selected_field = 0;
        }
        t.running = 0;
        return EV_NONE;
    }
    if (t.editing) return edit_event(t, event);
    if (event == EV_VIEW_RELEASE) {
        if (t.running) {
            t.running = 0;
        } else if (!(t.counting_down && t.hours == 0 && t.minutes == 0 && t.seconds == 0)) {
            t.running = 1;
            t.expired = 0;
        }
        return EV_NONE;
    }
    if (event == EV_VIEW_LONG) {
        if (t.running) return event;
        load_preset(t); // reset
        return EV_NONE;
    }
    return event;
}

void page_draw_timer(uint32_t* frame, int i) {
    UserTimer& t = user_timers[i];
    gfx_fill_rect(frame, 0, 0, FRAME_WIDTH, FRAME_HEIGHT, setup_background_color());
    t.counting_down = (t.preset_hours != 0 || t.preset_minutes != 0 || t.preset_seconds != 0) ? 1 : 0;
    if (t.editing) {
        timer_layout_offset = 30;
        draw_values(frame, t, i, timer_layout_offset);
        draw_mask(frame, MASK_ARROW_UP, 3, 40);
        draw_mask(frame, MASK_ARROW_DOWN, 3, 115);
        draw_mask(frame, MASK_ARROW_RIGHT, 115, 115);
        font_draw_text_centered(frame, 0, 64, 150, COLOR_LABEL, "ACCEPT");
        blink_step(frame, t, timer_layout_offset);
        return;
    }
    timer_layout_offset = 0;
    draw_values(frame, t, i, timer_layout_offset);
    gfx_draw_line(frame, FRAME_WIDTH, FRAME_HEIGHT, 20.0f, 85.0f, 108.0f, 85.0f, COLOR_DIVIDER);
    font_draw_text_centered(frame, 0, 64, 102, COLOR_SECONDARY, "Set Value:");
    const HmsLayout preset{2, 2, 112, 112, 27, 49, 56, 78, 86};
    page_draw_hms(frame, preset, t.preset_hours, t.preset_minutes, t.preset_seconds, COLOR_SECONDARY);
    font_draw_text_centered(frame, 0, 64, 150, COLOR_SECONDARY, "SET");
    if (!alert_active) draw_mask(frame, t.running ? MASK_PAUSE : MASK_PLAY, 2, 35);
    page_draw_softkeys(frame);
}

void timer_reset() {
    user_timers[0] = UserTimer{};
    user_timers[1] = UserTimer{};
    timer_blink_counter = 0;
    timer_layout_offset = 0;
}
