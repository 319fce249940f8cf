#include "setup/setup_menu.h"

#include <algorithm>

#include "core/buttons.h"
#include "setup/settings.h"

namespace {

constexpr SetupState start_state() {
    SetupState st{};
    st.setup_selected_item = -1;
    st.page_enable_cursor = st.audio_alert_cursor = st.visual_alert_cursor = st.option_cursor = -1;
    st.speed_assist_cursor = st.demo_mode_cursor = st.ias_trim_cursor = st.alt_trim_cursor = -1;
    return st;
}

} // namespace

SetupState setup_state = start_state();

const char SETUP_ITEM_TEXT[SETUP_ITEM_COUNT][SETUP_TEXT_SIZE] = {
    "SYSTEM INFO", "PAGE ENABLE",  "AUDIO ALERTS", "VISUAL ALERTS", "AUDIO VOL",  "MISC OPTIONS",
    "AOA LIMITS",  "G LIMITS",     "SLIP TRIM",    "ROLL TRIM",     "PITCH TRIM", "OAT TRIM",
    "HARD CAL",    "SPEED ASSIST", "PITOT ZERO",   "IAS TRIM",      "ALT TRIM",   "DEMO MODE",
};

const char SETUP_TRIM_ROW_TEXT[2][SETUP_TEXT_SIZE] = {"LOW TRIM", "HIGH TRIM"};

namespace {

constexpr int32_t XPDR_PAGE_BIT = 2; // never offered, never set
constexpr int32_t LAST_PAGE_ROW = 7; // ATTITUDE

SetupState& s = setup_state;
DeviceSettings& d = device_settings;

// The step of a cursor over rows 0..last that wraps at both ends.
int32_t wrap_step(int32_t cursor, int32_t delta, int32_t last) {
    cursor += delta;
    if (cursor < 0) return last;
    if (cursor > last) return 0;
    return cursor;
}

// A bit toggled; the stored mask keeps only its low byte.
uint32_t toggled(uint32_t mask, int32_t bit) {
    if (bit < 0 || bit > 31) return mask;
    return (mask ^ (1u << bit)) & 0xFFu;
}

void back_to_list() {
    s.setup_screen = SETUP_LIST;
}

void open_item(int32_t item) {
    s.setup_screen = item + 1;
    switch (s.setup_screen) {
    case SETUP_PAGE_ENABLE:
        s.page_enable_cursor = 0;
        break;
    case SETUP_AUDIO_ALERTS:
        s.audio_alert_cursor = 0;
        break;
    case SETUP_VISUAL_ALERTS:
        s.visual_alert_cursor = 0;
        break;
    case SETUP_AUDIO_VOL:
        s.edit_volume = static_cast<int32_t>(d.audio_volume);
        break;
    case SETUP_MISC_OPTIONS:
        s.option_cursor = 0;
        break;
    case SETUP_AOA_LIMITS:
        s.edit_prestall = d.aoa_prestall_limit;
        s.edit_cruise = d.aoa_cruise_limit;
        s.aoa_limit_step = 0;
        break;
    case SETUP_G_LIMITS:
        s.edit_g_positive = d.g_limit_positive;
        s.edit_g_negative = d.g_limit_negative;
        s.g_limit_step = 0;
        break;
    case SETUP_SLIP_TRIM:
        s.edit_slip = std::clamp(d.slip_trim, -50, 50);
        break;
    case SETUP_ROLL_TRIM:
        s.edit_roll = std::clamp(d.roll_trim, -50, 50);
        break;
    case SETUP_PITCH_TRIM:
        s.edit_pitch = std::clamp(d.pitch_trim, -270, 270);
        break;
    case SETUP_OAT_TRIM:
        s.edit_oat = std::clamp(d.oat_trim, -150, 150);
        break;
    case SETUP_SPEED_ASSIST:
        s.speed_assist_cursor = 0;
        break;
    case SETUP_IAS_TRIM:
        s.ias_trim_cursor = 0;
        s.ias_trim_editing = 0;
        break;
    case SETUP_ALT_TRIM:
        s.alt_trim_cursor = 0;
        s.alt_trim_editing = 0;
        break;
    case SETUP_DEMO_MODE:
        s.demo_mode_cursor = 0;
        break;
    default:
        break;
    }
}

void list_event(int32_t ev) {
    switch (ev) {
    case EV_VIEW_RELEASE:
        s.setup_selected_item = std::max(0, s.setup_selected_item - 1);
        if (s.setup_selected_item < s.setup_list_top) --s.setup_list_top;
        break;
    case EV_LEFT_RELEASE:
        s.setup_selected_item = std::min(SETUP_LAST_ITEM, s.setup_selected_item + 1);
        if (s.setup_selected_item >= s.setup_list_top + SETUP_VISIBLE_ROWS) ++s.setup_list_top;
        break;
    case EV_RIGHT_RELEASE:
        open_item(s.setup_selected_item);
        break;
    case EV_BOTH_PRESS:
        s.setup_selected_item = -1;
        s.setup_list_top = 0;
        break;
    }
}

// A screen of check-box rows over one mask: up and down wrap over rows 0..last, select toggles the row's
// bit, BOTH goes back.
void check_box_event(int32_t ev, int32_t& cursor, int32_t last, uint32_t& mask) {
    switch (ev) {
    case EV_VIEW_RELEASE:
        cursor = wrap_step(cursor, -1, last);
        break;
    case EV_LEFT_RELEASE:
        cursor = wrap_step(cursor, 1, last);
        break;
    case EV_RIGHT_RELEASE:
        mask = toggled(mask, cursor);
        break;
    case EV_BOTH_PRESS:
        back_to_list();
        break;
    }
}

void page_enable_event(int32_t ev) {
    int32_t& c = s.page_enable_cursor;
    switch (ev) {
    case EV_VIEW_RELEASE:
        c = wrap_step(c, -1, LAST_PAGE_ROW);
        if (c == XPDR_PAGE_BIT) c = 1;
        break;
    case EV_LEFT_RELEASE:
        c = wrap_step(c, 1, LAST_PAGE_ROW);
        if (c == XPDR_PAGE_BIT) c = 3;
        break;
    case EV_RIGHT_RELEASE:
        // Clears XPDR CTRL and every bit from SETUP's up; page stepping still treats SETUP as present.
        if (c >= 0 && c <= LAST_PAGE_ROW) d.page_enable_mask = (d.page_enable_mask & 0xFBu) ^ (1u << c);
        break;
    case EV_BOTH_PRESS:
        back_to_list();
        break;
    }
}

// A single value stepped by one between lo and hi with up and down, stored at once; select goes back.
void trim_event(int32_t ev, int32_t& copy, int32_t lo, int32_t hi, int32_t& field) {
    switch (ev) {
    case EV_VIEW_RELEASE:
        if (copy < hi) ++copy;
        field = copy;
        break;
    case EV_LEFT_RELEASE:
        if (copy >= lo + 1) --copy;
        field = copy;
        break;
    case EV_RIGHT_RELEASE:
        back_to_list();
        break;
    }
}

void audio_vol_event(int32_t ev) {
    int32_t& v = s.edit_volume;
    switch (ev) {
    case EV_VIEW_RELEASE:
        if (v < 10) ++v;
        d.audio_volume = static_cast<uint32_t>(v);
        break;
    case EV_LEFT_RELEASE:
        if (v > 0) --v;
        d.audio_volume = static_cast<uint32_t>(v);
        break;
    case EV_RIGHT_RELEASE:
        back_to_list();
        break;
    }
}

// PRE-STALL stays at least 2.0 degrees above CRUISE: moving one into the other pushes it along.
void aoa_limits_event(int32_t ev) {
    int32_t &pre = s.edit_prestall, &cruise = s.edit_cruise;
    if (ev == EV_RIGHT_RELEASE) {
        if (s.aoa_limit_step == 0)
            s.aoa_limit_step = 1;
        else
            back_to_list();
        return;
    }
    if (ev != EV_VIEW_RELEASE && ev != EV_LEFT_RELEASE) return;
    bool up = ev == EV_VIEW_RELEASE;
    if (s.aoa_limit_step == 0) {
        if (up && pre < 300) {
            pre += 5;
        } else if (!up && pre >= -79) {
            pre -= 5;
            if (pre < cruise + 20) cruise -= 5;
        }
    } else {
        if (up && cruise < 280) {
            cruise += 5;
            if (cruise > pre - 20) pre += 5;
        } else if (!up && cruise >= -99) {
            cruise -= 5;
        }
    }
    d.aoa_prestall_limit = pre;
    d.aoa_cruise_limit = cruise;
}

void g_limits_event(int32_t ev) {
    if (ev == EV_RIGHT_RELEASE) {
        if (s.g_limit_step == 0)
            s.g_limit_step = 1;
        else
            back_to_list();
        return;
    }
    if (ev != EV_VIEW_RELEASE && ev != EV_LEFT_RELEASE) return;
    bool up = ev == EV_VIEW_RELEASE;
    if (s.g_limit_step == 0) {
        if (up && s.edit_g_positive < 80) ++s.edit_g_positive;
        if (!up && s.edit_g_positive >= 21) --s.edit_g_positive;
        d.g_limit_positive = s.edit_g_positive;
    } else {
        if (up && s.edit_g_negative < -10) ++s.edit_g_negative;
        if (!up && s.edit_g_negative >= -79) --s.edit_g_negative;
        d.g_limit_negative = s.edit_g_negative;
    }
}

// HARD CAL and PITOT ZERO: only their caution notice, left with the down key.
void caution_event(int32_t ev) {
    if (ev == EV_LEFT_RELEASE) back_to_list();
}

void speed_assist_event(int32_t ev) {
    int32_t& c = s.speed_assist_cursor;
    switch (ev) {
    case EV_VIEW_RELEASE:
        c = std::max(0, c - 1);
        break;
    case EV_LEFT_RELEASE:
        c = 0; // a single row: the step down wraps straight back to it
        break;
    case EV_RIGHT_RELEASE:
        d.speed_assist_flags = toggled(d.speed_assist_flags, c);
        break;
    case EV_BOTH_PRESS:
        back_to_list();
        break;
    }
}

// What differs between IAS TRIM and ALT TRIM: the offsets, their references, the bounds and the reading.
struct TrimPair {
    int32_t &cursor, &editing;
    int32_t &copy_low, &copy_high;
    int32_t &low, &high;
    int32_t &low_ref, &high_ref;
    int32_t low_min, low_max, high_min, high_max;
    int32_t live;
    bool high_available;
};

void trim_pair_event(int32_t ev, const TrimPair& t) {
    if (!t.editing) {
        switch (ev) {
        case EV_VIEW_RELEASE:
            t.cursor = wrap_step(t.cursor, -1, 1);
            break;
        case EV_LEFT_RELEASE:
            t.cursor = wrap_step(t.cursor, 1, 1);
            break;
        case EV_RIGHT_RELEASE:
            if (t.cursor == 0 || (t.cursor == 1 && t.high_available)) t.editing = 1;
            break;
        case EV_BOTH_PRESS:
            back_to_list();
            break;
        }
        return;
    }
    bool on_low = t.cursor == 0;
    int32_t& copy = on_low ? t.copy_low : t.copy_high;
    int32_t& offset = on_low ? t.low : t.high;
    int32_t lo = on_low ? t.low_min : t.high_min, hi = on_low ? t.low_max : t.high_max;
    switch (ev) {
    case EV_VIEW_RELEASE:
    case EV_LEFT_RELEASE:
        if (ev == EV_VIEW_RELEASE && copy < hi) ++copy;
        if (ev == EV_LEFT_RELEASE && copy > lo) --copy;
        // The reading is taken again on every step, even one against a stop.
        offset = copy;
        (on_low ? t.low_ref : t.high_ref) = t.live;
        break;
    case EV_RIGHT_RELEASE:
        offset = copy;
        if (on_low) t.low_ref = t.live;
        t.editing = 0;
        break;
    }
}

void ias_trim_event(int32_t ev) {
    trim_pair_event(ev, {s.ias_trim_cursor, s.ias_trim_editing, s.edit_ias_low, s.edit_ias_high,
                         d.ias_trim_low, d.ias_trim_high, d.ias_trim_low_ref, d.ias_trim_high_ref, -100, 100,
                         -100, 100, SETUP_LIVE_AIRSPEED, setup_ias_high_trim_available()});
}

void alt_trim_event(int32_t ev) {
    trim_pair_event(ev, {s.alt_trim_cursor, s.alt_trim_editing, s.edit_alt_low, s.edit_alt_high,
                         d.alt_trim_low, d.alt_trim_high, d.alt_trim_low_ref, d.alt_trim_high_ref, -300, 100,
                         -300, 300, SETUP_LIVE_ALTITUDE, setup_alt_high_trim_available()});
}

void demo_mode_event(int32_t ev) {
    int32_t& c = s.demo_mode_cursor;
    switch (ev) {
    case EV_VIEW_RELEASE:
        c = wrap_step(c, -1, 2);
        break;
    case EV_LEFT_RELEASE:
        c = wrap_step(c, 1, 2);
        break;
    case EV_RIGHT_RELEASE:
        // Takes effect at once and keeps the screen open.
        if (c >= 0) d.demo_mode = static_cast<uint32_t>(c);
        break;
    case EV_BOTH_PRESS:
        back_to_list();
        break;
    }
}

void screen_event(int32_t ev) {
    switch (s.setup_screen) {
    case SETUP_SYSTEM_INFO:
        if (ev == EV_VIEW_RELEASE) s.show_sw_part_number = s.show_sw_part_number ? 0 : 1;
        if (ev == EV_RIGHT_RELEASE) back_to_list();
        break;
    case SETUP_PAGE_ENABLE:
        page_enable_event(ev);
        break;
    case SETUP_AUDIO_ALERTS:
        check_box_event(ev, s.audio_alert_cursor, 3, d.audio_alert_mask);
        break;
    case SETUP_VISUAL_ALERTS:
        check_box_event(ev, s.visual_alert_cursor, 3, d.visual_alert_mask);
        break;
    case SETUP_AUDIO_VOL:
        audio_vol_event(ev);
        break;
    case SETUP_MISC_OPTIONS:
        check_box_event(ev, s.option_cursor, 6, d.option_flags);
        break;
    case SETUP_AOA_LIMITS:
        aoa_limits_event(ev);
        break;
    case SETUP_G_LIMITS:
        g_limits_event(ev);
        break;
    case SETUP_SLIP_TRIM:
        trim_event(ev, s.edit_slip, -50, 50, d.slip_trim);
        break;
    case SETUP_ROLL_TRIM:
        trim_event(ev, s.edit_roll, -50, 50, d.roll_trim);
        break;
    case SETUP_PITCH_TRIM:
        trim_event(ev, s.edit_pitch, -270, 270, d.pitch_trim);
        break;
    case SETUP_OAT_TRIM:
        trim_event(ev, s.edit_oat, -150, 150, d.oat_trim);
        break;
    case SETUP_HARD_CAL:
    case SETUP_PITOT_ZERO:
        caution_event(ev);
        break;
    case SETUP_SPEED_ASSIST:
        speed_assist_event(ev);
        break;
    case SETUP_IAS_TRIM:
        ias_trim_event(ev);
        break;
    case SETUP_ALT_TRIM:
        alt_trim_event(ev);
        break;
    case SETUP_DEMO_MODE:
        demo_mode_event(ev);
        break;
    default:
        back_to_list(); // no such screen: show the list rather than nothing
        break;
    }
}

} // namespace

bool setup_ias_high_trim_available() {
    return static_cast<float>(SETUP_LIVE_AIRSPEED - device_settings.ias_trim_low_ref) > 70.0f;
}

bool setup_alt_high_trim_available() {
    return SETUP_LIVE_ALTITUDE - device_settings.alt_trim_low_ref > 10000;
}

int32_t setup_handle_event(int32_t ev) {
    if (ev != EV_VIEW_RELEASE && ev != EV_LEFT_RELEASE && ev != EV_RIGHT_RELEASE && ev != EV_BOTH_PRESS)
        return ev;
    if (s.setup_screen == SETUP_LIST && s.setup_selected_item < 0) {
        // The title state: the soft keys step pages, BOTH enters the list.
        if (ev == EV_LEFT_RELEASE || ev == EV_RIGHT_RELEASE) return ev;
        if (ev == EV_BOTH_PRESS) {
            s.setup_selected_item = 0;
            s.setup_list_top = 0;
        }
        return EV_NONE;
    }
    if (s.setup_screen == SETUP_LIST)
        list_event(ev);
    else
        screen_event(ev);
    return EV_NONE;
}

void setup_menu_reset() {
    setup_state = start_state();
}
