#include <cinttypes>
#include <cmath>
#include <cstdio>

#include "core/buttons.h"
#include "core/flight.h"
#include "core/page.h"
#include "host/host.h"
#include "host/scheduler.h"
#include "soak/soak.h"
#include "pages/aoa.h"
#include "pages/aoa_bar.h"
#include "pages/clock.h"
#include "pages/g_meter.h"
#include "pages/timer.h"
#include "setup/settings.h"
#include "setup/setup_menu.h"

// The invariants of the instrument state that the soak checks after every rendered frame.

constinit std::atomic<uint64_t> soak_allocations{0};

namespace {

bool page_enabled(int p) {
    return (device_settings.page_enable_mask >> (p - 1)) & 1u;
}

struct Range {
    const char* name;
    int64_t (*get)();
    int64_t lo, hi;
};

#define RANGE(expr, lo, hi)                                                                                  \
    {                                                                                                        \
#expr, [] { return static_cast<int64_t>(expr); }, lo, hi                                             \
    }
#define TIMER_RANGES(i)                                                                                      \
    RANGE(user_timers[i].tenths, 0, 10), RANGE(user_timers[i].running, 0, 1),                                \
        RANGE(user_timers[i].editing, 0, 1), RANGE(user_timers[i].preset_hours, 0, 10),                      \
        RANGE(user_timers[i].preset_minutes, 0, 59), RANGE(user_timers[i].preset_seconds, 0, 59),            \
        RANGE(user_timers[i].hours, 0, 98), RANGE(user_timers[i].minutes, 0, 59),                            \
        RANGE(user_timers[i].seconds, 0, 59), RANGE(user_timers[i].counting_down, 0, 1),                     \
        RANGE(user_timers[i].expired, 0, 1), RANGE(user_timers[i].selected_field, 0, 2)
#define TIME_RANGES(t) RANGE(t.hour, 0, 23), RANGE(t.minute, 0, 59), RANGE(t.second, 0, 59)
#define COUNTER_RANGES(c) RANGE(c.hours, 0, 98), RANGE(c.minutes, 0, 59), RANGE(c.seconds, 0, 59)

const Range RANGES[] = {
    // Settings, with the ranges their edits keep.
    RANGE(device_settings.audio_alert_mask, 0, 15),
    RANGE(device_settings.visual_alert_mask, 0, 15),
    RANGE(device_settings.audio_volume, 0, 10),
    RANGE(device_settings.aoa_prestall_limit, -80, 300),
    RANGE(device_settings.aoa_cruise_limit, -100, 280),
    RANGE(device_settings.g_limit_positive, 20, 80),
    RANGE(device_settings.g_limit_negative, -80, -10),
    RANGE(device_settings.pitch_trim, -270, 270),
    RANGE(device_settings.roll_trim, -50, 50),
    RANGE(device_settings.slip_trim, -50, 50),
    RANGE(device_settings.oat_trim, -150, 150),
    RANGE(device_settings.speed_assist_flags, 0, 1),
    RANGE(device_settings.ias_trim_low, -100, 100),
    RANGE(device_settings.ias_trim_high, -100, 100),
    RANGE(device_settings.ias_trim_low_ref, 0, 0),
    RANGE(device_settings.ias_trim_high_ref, 0, 0),
    RANGE(device_settings.alt_trim_low, -300, 100),
    RANGE(device_settings.alt_trim_high, -300, 300),
    RANGE(device_settings.demo_mode, 0, 2),
    RANGE(device_settings.unit_id, 0, 0),
    // Page manager and overlays.
    RANGE(splash_countdown, 0, SPLASH_FRAMES),
    RANGE(brightness_percent, 1, 100),
    RANGE(brightness_manual, 0, 1),
    RANGE(brightness_overlay_shown, 0, 1),
    RANGE(timer1_alert, 0, 1),
    RANGE(timer2_alert, 0, 1),
    RANGE(timer1_alert_latch, 0, 1),
    RANGE(timer2_alert_latch, 0, 1),
    RANGE(alert_active, 0, 1),
    RANGE(alert_blink_counter, 0, 20),
    // Buttons: the lines, the decoder, and the event a rendered frame always uses up.
    RANGE(view_button_down, 0, 1),
    RANGE(left_button_down, 0, 1),
    RANGE(right_button_down, 0, 1),
    RANGE(button_decoder.view_prev, 0, 1),
    RANGE(button_decoder.left_prev, 0, 1),
    RANGE(button_decoder.right_prev, 0, 1),
    RANGE(button_decoder.view_holding, 0, 1),
    RANGE(button_decoder.left_holding, 0, 1),
    RANGE(button_decoder.right_holding, 0, 1),
    RANGE(button_decoder.view_hold_ticks, 0, INT32_MAX),
    RANGE(button_decoder.left_hold_ticks, 0, INT32_MAX),
    RANGE(button_decoder.right_hold_ticks, 0, INT32_MAX),
    RANGE(button_decoder.release_suppressed, 0, 1),
    RANGE(button_decoder.both_active, 0, 1),
    RANGE(button_event, 0, 0),
    // Views and selections of the pages.
    RANGE(flight_time_selected, 0, 1),
    RANGE(aoa_view, 0, 1),
    RANGE(g_view, 0, 2),
    RANGE(attitude_inset_shown, 0, 1),
    RANGE(demo_roll_dir, -1, 1),
    RANGE(demo_sweep_dir, -1, 1),
    // Clock.
    TIME_RANGES(clock_time),
    TIME_RANGES(clock_shown),
    TIME_RANGES(clock_edit),
    RANGE(clock_needs_sync, 0, 1),
    RANGE(clock_view, 0, 4),
    RANGE(clock_show_local, 0, 1),
    RANGE(analog_show_local, 0, 1),
    RANGE(local_offset_hours, -12, 12),
    RANGE(clock_setting, 0, 1),
    RANGE(clock_edit_field, 0, 3),
    RANGE(clock_blink, 0, 2),
    // Timers and run time.
    TIMER_RANGES(0),
    TIMER_RANGES(1),
    COUNTER_RANGES(flight_time),
    COUNTER_RANGES(engine_run_time),
    RANGE(timer_blink_counter, 0, 10),
    // SETUP: the screen, the list and the rows of each screen. The edit copies are checked against the
    // settings while their screen is open.
    RANGE(setup_state.setup_screen, 0, 18),
    RANGE(setup_state.setup_selected_item, -1, SETUP_LAST_ITEM),
    RANGE(setup_state.setup_list_top, 0, SETUP_LAST_ITEM - SETUP_VISIBLE_ROWS + 1),
    RANGE(setup_state.page_enable_cursor, -1, 7),
    RANGE(setup_state.audio_alert_cursor, -1, 3),
    RANGE(setup_state.visual_alert_cursor, -1, 3),
    RANGE(setup_state.option_cursor, -1, 6),
    RANGE(setup_state.speed_assist_cursor, -1, 0),
    RANGE(setup_state.demo_mode_cursor, -1, 2),
    RANGE(setup_state.ias_trim_cursor, -1, 1),
    RANGE(setup_state.alt_trim_cursor, -1, 1),
    RANGE(setup_state.aoa_limit_step, 0, 1),
    RANGE(setup_state.g_limit_step, 0, 1),
    RANGE(setup_state.ias_trim_editing, 0, 1),
    RANGE(setup_state.alt_trim_editing, 0, 1),
    RANGE(setup_state.show_sw_part_number, 0, 1),
    RANGE(setup_state.hard_cal_state, 0, 0),
    RANGE(setup_state.pitot_zero_state, 0, 0),
};

// While a SETUP screen is open its edit copy is what the settings hold: every step is stored at once.
struct EditCopy {
    int32_t screen;
    const int32_t* editing; // only while this is set; nullptr: whenever the screen is open
    const char* name;
    int32_t (*copy)();
    int64_t (*setting)();
};

#define EDIT_COPY(screen, editing, field, setting)                                                           \
    {                                                                                                        \
        screen, editing, #field " and " #setting, [] { return setup_state.field; },                          \
            [] { return static_cast<int64_t>(device_settings.setting); }                                     \
    }

const EditCopy EDIT_COPIES[] = {
    EDIT_COPY(SETUP_AUDIO_VOL, nullptr, edit_volume, audio_volume),
    EDIT_COPY(SETUP_AOA_LIMITS, nullptr, edit_prestall, aoa_prestall_limit),
    EDIT_COPY(SETUP_AOA_LIMITS, nullptr, edit_cruise, aoa_cruise_limit),
    EDIT_COPY(SETUP_G_LIMITS, nullptr, edit_g_positive, g_limit_positive),
    EDIT_COPY(SETUP_G_LIMITS, nullptr, edit_g_negative, g_limit_negative),
    EDIT_COPY(SETUP_SLIP_TRIM, nullptr, edit_slip, slip_trim),
    EDIT_COPY(SETUP_ROLL_TRIM, nullptr, edit_roll, roll_trim),
    EDIT_COPY(SETUP_PITCH_TRIM, nullptr, edit_pitch, pitch_trim),
    EDIT_COPY(SETUP_OAT_TRIM, nullptr, edit_oat, oat_trim),
    EDIT_COPY(SETUP_IAS_TRIM, &setup_state.ias_trim_editing, edit_ias_low, ias_trim_low),
    EDIT_COPY(SETUP_IAS_TRIM, &setup_state.ias_trim_editing, edit_ias_high, ias_trim_high),
    EDIT_COPY(SETUP_ALT_TRIM, &setup_state.alt_trim_editing, edit_alt_low, alt_trim_low),
    EDIT_COPY(SETUP_ALT_TRIM, &setup_state.alt_trim_editing, edit_alt_high, alt_trim_high),
};

#undef EDIT_COPY

#undef RANGE
#undef TIMER_RANGES
#undef TIME_RANGES
#undef COUNTER_RANGES

struct FloatRange {
    const char* name;
    const float* value;
    float lo, hi;
};

// Oscillators stay inside their swing (one step past the turn); peaks and filters stay finite.
constexpr float HUGE_VALUE = 1e30f;
const FloatRange FLOAT_RANGES[] = {
    {"demo_roll_deg", &demo_roll_deg, -5.02f, 5.02f},
    {"demo_sweep", &demo_sweep, -0.02f, 12.02f},
    {"aoa_peak_high", &aoa_peak_high, -HUGE_VALUE, HUGE_VALUE},
    {"aoa_peak_low", &aoa_peak_low, -HUGE_VALUE, HUGE_VALUE},
    {"g_peak_high", &g_peak_high, -HUGE_VALUE, HUGE_VALUE},
    {"g_peak_low", &g_peak_low, -HUGE_VALUE, HUGE_VALUE},
    {"aoa_filter_state", &aoa_filter_state, -HUGE_VALUE, HUGE_VALUE},
    {"aoa_filtered", &aoa_filtered, -HUGE_VALUE, HUGE_VALUE},
    {"live_pitch_deg", &live_pitch_deg, -180.0f, 180.0f},
    {"live_roll_deg", &live_roll_deg, -180.0f, 180.0f},
    {"live_slip", &live_slip, -20.0f, 20.0f},
};

// A given flight value lies inside its range, one not given is 0, and a live value is 0 or the given one
// (DEMO MODE may have changed since the frame fed them).
bool flight_values_sound(char* why, size_t n) {
    const FlightState& f = flight_state;
    if ((f.given & ~FLT_ALL_GIVEN) != 0) {
        std::snprintf(why, n, "flight_state.given = 0x%X: a bit past the nine values", f.given);
        return false;
    }
    for (int32_t i = 0; i < FLT_VALUE_COUNT; ++i) {
        const FlightValueInfo& info = FLT_VALUES[i];
        const bool given = (f.given >> i & 1u) != 0;
        if (given ? !(f.value[i] >= info.lo && f.value[i] <= info.hi) : f.value[i] != 0.0f) {
            std::snprintf(why, n, "flight value %s = %g, %s", info.key, static_cast<double>(f.value[i]),
                          given ? "outside its range" : "not given but not 0");
            return false;
        }
    }
    const struct {
        const char* name;
        float value;
        int32_t id;
    } live[] = {{"live_pitch_deg", live_pitch_deg, FLT_PITCH},
                {"live_roll_deg", live_roll_deg, FLT_ROLL},
                {"live_slip", live_slip, FLT_SLIP}};
    for (const auto& l : live) {
        if (l.value != 0.0f && !((f.given >> l.id & 1u) && l.value == f.value[l.id])) {
            std::snprintf(why, n, "%s = %g while the given %s is %s", l.name, static_cast<double>(l.value),
                          FLT_VALUES[l.id].key, (f.given >> l.id & 1u) ? "another" : "none");
            return false;
        }
    }
    return true;
}

constexpr int64_t DAY_SECONDS = 24 * 3600;
constexpr int64_t COUNTER_PERIOD = 99 * 3600; // run-time counters wrap from 98:59:59 to 0:00:00

int64_t seconds_of(const RunTimeCounter& c) {
    return (static_cast<int64_t>(c.hours) * 60 + c.minutes) * 60 + c.seconds;
}

int64_t seconds_of_day(const ClockTime& t) {
    return (static_cast<int64_t>(t.hour) * 60 + t.minute) * 60 + t.second;
}

// A run-time counter moves one second per 1 s tick; only the RUN TIME page's clear sets it back, after
// which it has counted at most the seconds of this step.
bool counter_moved_right(const char* name, int64_t before, int64_t now, uint64_t seconds, char* why,
                         size_t n) {
    int64_t want = (before + static_cast<int64_t>(seconds)) % COUNTER_PERIOD;
    if (now == want) return true;
    if (current_page == PAGE_RUN_TIME && now <= static_cast<int64_t>(seconds)) return true;
    std::snprintf(why, n, "%s went from %" PRId64 " s to %" PRId64 " s over %" PRIu64 " one-second tick(s)",
                  name, before, now, seconds);
    return false;
}

int64_t timer_value(const UserTimer& t) {
    return ((static_cast<int64_t>(t.hours) * 60 + t.minutes) * 60 + t.seconds) * 11 + t.tenths;
}

int64_t timer_preset(const UserTimer& t) {
    return (static_cast<int64_t>(t.preset_hours) * 60 + t.preset_minutes) * 60 + t.preset_seconds;
}

} // namespace

void soak_checker_start(SoakChecker* c, const HostScheduler* sched) {
    *c = SoakChecker{};
    c->splash_over = current_page != PAGE_SPLASH;
    c->frames = host_frames_rendered;
    c->decodes = btn_decode_count;
    c->events = btn_event_count;
    c->ticks = sched->tick_count;
    c->tenths = sched->tenth_count;
    c->seconds = sched->second_count;
    c->flight_seconds = seconds_of(flight_time);
    c->engine_seconds = seconds_of(engine_run_time);
    c->clock_seconds = seconds_of_day(clock_time);
    c->clock_needs_sync = clock_needs_sync;
    c->clock_setting = clock_setting;
    for (int i = 0; i < 2; ++i) {
        c->timer_value[i] = timer_value(user_timers[i]);
        c->timer_preset[i] = timer_preset(user_timers[i]);
        c->timer_running[i] = user_timers[i].running;
    }
    c->allocations = soak_allocations.load(std::memory_order_relaxed);
}

bool soak_check(SoakChecker* c, const HostScheduler* sched, char* why, size_t n) {
    uint64_t d_ticks = sched->tick_count - c->ticks, d_tenths = sched->tenth_count - c->tenths;
    uint64_t d_seconds = sched->second_count - c->seconds;
    uint64_t d_frames = host_frames_rendered - c->frames;
    uint64_t d_decodes = btn_decode_count - c->decodes, d_events = btn_event_count - c->events;
    uint64_t allocations = soak_allocations.load(std::memory_order_relaxed);
    const SoakChecker before = *c;
    soak_checker_start(c, sched);
    c->splash_over = before.splash_over || current_page != PAGE_SPLASH;
    c->allocations = before.allocations; // every allocation since start-up stays counted

    if (allocations != before.allocations) {
        std::snprintf(why, n, "heap allocation while running: %" PRIu64 " allocator call(s) since start-up",
                      allocations - before.allocations);
        return false;
    }
    // The ticks: one rendered frame and one decode per 10 ms tick, and at most one button event from each.
    if (d_frames != d_ticks) {
        std::snprintf(why, n, "%" PRIu64 " frame(s) rendered for %" PRIu64 " 10 ms tick(s)", d_frames,
                      d_ticks);
        return false;
    }
    if (d_decodes != d_ticks) {
        std::snprintf(why, n, "%" PRIu64 " button decode(s) in %" PRIu64 " 10 ms tick(s)", d_decodes,
                      d_ticks);
        return false;
    }
    if (d_events > d_ticks) {
        std::snprintf(why, n, "%" PRIu64 " button events in %" PRIu64 " 10 ms tick(s)", d_events, d_ticks);
        return false;
    }
    // The host does not clear the frame before a render: every screen must paint all of it. Now and
    // then the frame is filled with a colour no screen draws, and the next render must leave none of it.
    c->unpainted_test = before.unpainted_test && d_frames == 0;
    if (before.unpainted_test && d_frames > 0)
        for (int i = 0; i < FRAME_PIXELS; ++i)
            if (host_frame.pixels[i] == SOAK_UNPAINTED) {
                std::snprintf(why, n, "pixel (%d, %d) of the frame was left unpainted on page %d",
                              i % FRAME_WIDTH, FRAME_HEIGHT - 1 - i / FRAME_WIDTH, current_page);
                return false;
            }
    if (d_frames > 0 && host_frames_rendered % SOAK_UNPAINTED_EVERY == 0) {
        for (uint32_t& p : host_frame.pixels) p = SOAK_UNPAINTED;
        c->unpainted_test = true;
    }

    for (const Range& r : RANGES) {
        int64_t v = r.get();
        if (v < r.lo || v > r.hi) {
            std::snprintf(why, n, "%s = %" PRId64 ", outside %" PRId64 "..%" PRId64, r.name, v, r.lo, r.hi);
            return false;
        }
    }
    for (const FloatRange& r : FLOAT_RANGES) {
        float v = *r.value;
        if (!(v >= r.lo && v <= r.hi)) { // NaN fails too
            std::snprintf(why, n, "%s = %g, outside %g..%g", r.name, static_cast<double>(v),
                          static_cast<double>(r.lo), static_cast<double>(r.hi));
            return false;
        }
    }
    if (!flight_values_sound(why, n)) return false;
    // The channels without a time constant divide by zero by design and are never read.
    for (int i = 0; i < SMOOTH_CHANNELS; ++i) {
        if (smooth_divisor[i] == 0.0f) continue;
        if (!std::isfinite(smooth_state[i]) || !std::isfinite(smooth_output[i])) {
            std::snprintf(why, n, "smoothing channel %d is not finite (state %g, output %g)", i,
                          static_cast<double>(smooth_state[i]), static_cast<double>(smooth_output[i]));
            return false;
        }
    }

    // Pages.
    if (current_page == PAGE_SPLASH
            ? before.splash_over
            : (current_page < PAGE_CLOCK || current_page > PAGE_SETUP || current_page == PAGE_XPDR_CTRL)) {
        std::snprintf(why, n, "current_page = %d after the splash (1..9, never 3)", current_page);
        return false;
    }
    if (current_page >= PAGE_CLOCK && current_page < PAGE_SETUP && !page_enabled(current_page)) {
        std::snprintf(why, n, "page %d is shown but disabled in page_enable_mask 0x%X", current_page,
                      device_settings.page_enable_mask);
        return false;
    }
    if (current_page != PAGE_SETUP && setup_state.setup_screen != 0) {
        std::snprintf(why, n, "setup_screen = %d while page %d is shown", setup_state.setup_screen,
                      current_page);
        return false;
    }
    if (clock_setting && current_page != PAGE_CLOCK) {
        std::snprintf(why, n, "Set Clock is open while page %d is shown", current_page);
        return false;
    }
    for (int i = 0; i < 2; ++i) {
        const UserTimer& t = user_timers[i];
        if (t.editing && current_page != PAGE_TIMER1 + i) {
            std::snprintf(why, n, "timer %d is being edited while page %d is shown", i + 1, current_page);
            return false;
        }
        if (t.running && (t.editing || t.expired)) {
            std::snprintf(why, n, "timer %d runs while %s", i + 1, t.editing ? "being edited" : "expired");
            return false;
        }
        // Away from its page a timer only counts: it starts nowhere else, stops only by expiring, and its
        // value moves only with the tenth-second tick.
        if (current_page == PAGE_TIMER1 + i) continue;
        const char* wrong = nullptr;
        if (!before.timer_running[i] && t.running)
            wrong = "started";
        else if (before.timer_running[i] && !t.running && !t.expired)
            wrong = "stopped without expiring";
        else if (c->timer_value[i] != before.timer_value[i] && (!before.timer_running[i] || d_tenths == 0))
            wrong = before.timer_running[i] ? "changed its value between tenth-second ticks"
                                            : "changed while stopped";
        else if (c->timer_preset[i] != before.timer_preset[i])
            wrong = "changed its preset";
        if (wrong) {
            std::snprintf(why, n, "timer %d %s while page %d is shown", i + 1, wrong, current_page);
            return false;
        }
    }
    // Alerts follow the timers' expiry, latched after every frame.
    const int32_t alerts[2] = {timer1_alert, timer2_alert},
                  latches[2] = {timer1_alert_latch, timer2_alert_latch};
    for (int i = 0; i < 2; ++i) {
        if (!user_timers[i].expired && (alerts[i] || latches[i])) {
            std::snprintf(why, n, "TIMER%d alert %d, latch %d, with the timer not expired", i + 1, alerts[i],
                          latches[i]);
            return false;
        }
    }
    if (timer_layout_offset != 0 && timer_layout_offset != 30) {
        std::snprintf(why, n, "timer_layout_offset = %d (0, or 30 while editing)", timer_layout_offset);
        return false;
    }
    if (brightness_percent > 10 && brightness_percent % 10 != 0) {
        std::snprintf(why, n, "brightness_percent = %d, off its steps (1..10, then tens)",
                      brightness_percent);
        return false;
    }

    // SETUP: a screen is the one of the selected item; the selection is inside the visible rows.
    const SetupState& m = setup_state;
    if (m.setup_screen != 0 && m.setup_selected_item != m.setup_screen - 1) {
        std::snprintf(why, n, "setup_screen %d is open with item %d selected", m.setup_screen,
                      m.setup_selected_item);
        return false;
    }
    if (m.setup_selected_item < 0 ? m.setup_list_top != 0
                                  : (m.setup_selected_item < m.setup_list_top ||
                                     m.setup_selected_item >= m.setup_list_top + SETUP_VISIBLE_ROWS)) {
        std::snprintf(why, n, "item %d selected with the list from row %d", m.setup_selected_item,
                      m.setup_list_top);
        return false;
    }
    if (m.page_enable_cursor == 2) {
        std::snprintf(why, n, "the PAGE ENABLE cursor rests on XPDR CTRL");
        return false;
    }
    if (current_page == PAGE_SETUP) {
        for (const EditCopy& e : EDIT_COPIES) {
            if (e.screen == m.setup_screen && (!e.editing || *e.editing) && e.copy() != e.setting()) {
                std::snprintf(why, n, "SETUP screen %d shows %d but the setting holds %" PRId64 " (%s)",
                              e.screen, e.copy(), e.setting(), e.name);
                return false;
            }
        }
    }

    // Settings that a range alone does not describe.
    const DeviceSettings& s = device_settings;
    if ((s.page_enable_mask & ~0x1FBu) != 0) {
        std::snprintf(why, n, "device_settings.page_enable_mask = 0x%X: XPDR CTRL or a bit past SETUP set",
                      s.page_enable_mask);
        return false;
    }
    if ((s.option_flags & ~0x7Fu) != 0xFF80u && (s.option_flags & ~0x7Fu) != 0x80u) {
        std::snprintf(why, n, "device_settings.option_flags = 0x%X: the bits past the seven options changed",
                      s.option_flags);
        return false;
    }
    if (s.aoa_prestall_limit % 5 != 0 || s.aoa_cruise_limit % 5 != 0 ||
        s.aoa_prestall_limit - s.aoa_cruise_limit < 20) {
        std::snprintf(why, n, "AOA limits %d / %d: not in steps of 5 or PRE-STALL less than 2.0 above CRUISE",
                      s.aoa_prestall_limit, s.aoa_cruise_limit);
        return false;
    }
    for (int32_t ref : {s.alt_trim_low_ref, s.alt_trim_high_ref}) {
        if (ref != 0 && ref != 8191) {
            std::snprintf(why, n, "an altitude trim reference = %d (only 0 or the live 8191)", ref);
            return false;
        }
    }

    // Time: the counters and the clock move one second per 1 s tick.
    if (!counter_moved_right("flight_time", before.flight_seconds, c->flight_seconds, d_seconds, why, n) ||
        !counter_moved_right("engine_run_time", before.engine_seconds, c->engine_seconds, d_seconds, why, n))
        return false;
    bool clock_reloaded =
        (before.clock_needs_sync && !clock_needs_sync) || (before.clock_setting && !clock_setting);
    int64_t clock_want = (before.clock_seconds + static_cast<int64_t>(d_seconds)) % DAY_SECONDS;
    if (!clock_reloaded && c->clock_seconds != clock_want) {
        std::snprintf(why, n,
                      "clock_time went from %" PRId64 " s to %" PRId64 " s of the day over %" PRIu64
                      " one-second tick(s)",
                      before.clock_seconds, c->clock_seconds, d_seconds);
        return false;
    }
    return true;
}
