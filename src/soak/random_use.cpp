#include "soak/random_use.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>

#include "core/buttons.h"
#include "core/flight.h"
#include "host/host.h"
#include "pages/clock.h"
#include "pages/timer.h"
#include "setup/settings.h"
#include "setup/setup_menu.h"

uint64_t soak_splitmix(uint64_t* x) {
    uint64_t z = (*x += 0x9E3779B97F4A7C15ull);
    z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
    z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
    return z ^ (z >> 31);
}

namespace {

// ---------------------------------------------------------------------------------------------------------
// Random numbers.

void rng_seed(SoakRng* r, uint64_t seed) {
    for (uint64_t& w : r->s) w = soak_splitmix(&seed);
}

uint64_t rotl(uint64_t x, int k) {
    return (x << k) | (x >> (64 - k));
}

uint64_t rng_next(SoakRng* r) {
    uint64_t* s = r->s;
    uint64_t result = rotl(s[1] * 5, 7) * 9, t = s[1] << 17;
    s[2] ^= s[0];
    s[3] ^= s[1];
    s[1] ^= s[2];
    s[0] ^= s[3];
    s[2] ^= t;
    s[3] = rotl(s[3], 45);
    return result;
}

// 0 .. n-1.
uint64_t rng_below(SoakRng* r, uint64_t n) {
    return static_cast<uint64_t>((static_cast<unsigned __int128>(rng_next(r)) * n) >> 64);
}

// lo .. hi, both included.
uint64_t rng_range(SoakRng* r, uint64_t lo, uint64_t hi) {
    return lo + rng_below(r, hi - lo + 1);
}

bool rng_chance(SoakRng* r, int percent) {
    return rng_below(r, 100) < static_cast<uint64_t>(percent);
}

// lo .. hi spread evenly over the orders of magnitude: as many short waits as long ones.
uint64_t rng_log_range(SoakRng* r, uint64_t lo, uint64_t hi) {
    double u = static_cast<double>(rng_next(r) >> 11) / 9007199254740992.0;
    double v = std::exp(std::log(static_cast<double>(lo)) +
                        u * (std::log(static_cast<double>(hi)) - std::log(static_cast<double>(lo))));
    return std::clamp(static_cast<uint64_t>(v), lo, hi);
}

// The bezel's button regions, lower bounds included, upper excluded.
struct Region {
    int x0, x1, y0, y1;
};
constexpr Region REGIONS[4] = {
    {101, 140, 131, 170}, // VIEW
    {101, 140, 201, 240}, // left soft key
    {321, 360, 201, 240}, // right soft key
    {201, 260, 276, 325}, // BOTH
};

// A point for a raw mouse event: inside a region, on or just past its edge, anywhere in the window, or
// a value that only lands in a region once cut to 16 bits.
void random_point(SoakRng* r, int32_t* x, int32_t* y) {
    const Region& g = REGIONS[rng_below(r, 4)];
    uint64_t kind = rng_below(r, 10);
    if (kind < 4) {
        *x = static_cast<int32_t>(rng_range(r, g.x0, g.x1 - 1));
        *y = static_cast<int32_t>(rng_range(r, g.y0, g.y1 - 1));
    } else if (kind < 7) {
        const int xs[4] = {g.x0 - 1, g.x0, g.x1 - 1, g.x1}, ys[4] = {g.y0 - 1, g.y0, g.y1 - 1, g.y1};
        *x = xs[rng_below(r, 4)];
        *y = ys[rng_below(r, 4)];
    } else if (kind < 9) {
        *x = static_cast<int32_t>(rng_range(r, 0, 464));
        *y = static_cast<int32_t>(rng_range(r, 0, 589));
    } else {
        *x = static_cast<int32_t>(rng_range(r, g.x0, g.x1 - 1)) + (rng_chance(r, 50) ? 65536 : -65536);
        *y = static_cast<int32_t>(rng_range(r, g.y0, g.y1 - 1)) - (rng_chance(r, 50) ? 0 : 131072);
    }
}

// ---------------------------------------------------------------------------------------------------------
// The driver: a tour of every page and SETUP screen in random order, with random use in between.

// Targets of the tour: the pages (9 is SETUP's title), TARGET_SETUP + s for SETUP screen s,
// TARGET_ALERT + i for timer i counting down a few seconds with its flag alert on, TARGET_DEMO + m for
// demo mode m, and Set Clock open.
constexpr int TARGET_SETUP = 100;
constexpr int TARGET_ALERT = 200;
constexpr int TARGET_DEMO = 300;
constexpr int TARGET_CLOCK_SET = 400;
// Clicks a navigation may spend before it gives the target up.
constexpr int NAV_MAX_CLICKS = 80;
constexpr int NO_BUTTON = -1;
constexpr int LONG_PRESS = 16; // added to a button: hold it past the long-press time

void shuffle_deck(SoakDriver* d) {
    int n = 0;
    for (int p : SOAK_TOUR_PAGES) d->deck[n++] = p;
    for (int s = 1; s <= 18; ++s) d->deck[n++] = TARGET_SETUP + s;
    d->deck[n++] = TARGET_ALERT;
    d->deck[n++] = TARGET_ALERT + 1;
    for (int m = 0; m < 3; ++m) d->deck[n++] = TARGET_DEMO + m;
    d->deck[n++] = TARGET_CLOCK_SET;
    for (int i = SOAK_TOUR_SIZE - 1; i > 0; --i) std::swap(d->deck[i], d->deck[rng_below(&d->rng, i + 1)]);
    d->deck_pos = 0;
}

void plan_input(SoakDriver* d, uint64_t delay_ms, SoakInputKind kind, int button, int32_t x = 0,
                int32_t y = 0) {
    d->cursor_ms += delay_ms;
    if (d->queued == SOAK_ACTION_MAX_INPUTS) return; // no action plans more; kept safe all the same
    d->queue[d->queued++] =
        SoakInput{static_cast<uint32_t>(d->cursor_ms), kind, static_cast<uint8_t>(button), x, y};
}

void plan_click(SoakDriver* d, int button, uint64_t hold_ms, uint64_t pause_ms) {
    plan_input(d, 0, SOAK_IN_PRESS, button);
    plan_input(d, hold_ms, SOAK_IN_RELEASE, button);
    d->cursor_ms += pause_ms;
}

// A key at random, weighted by what the keys do on the screen shown, so that SETUP screens get edited
// rather than left at once.
int random_button(SoakRng* r) {
    int view = 30, left = 25, right = 25; // BOTH takes the rest
    bool timer_editing = (current_page == PAGE_TIMER1 && user_timers[0].editing) ||
                         (current_page == PAGE_TIMER2 && user_timers[1].editing);
    if ((current_page == PAGE_CLOCK && clock_setting) || timer_editing) {
        view = 35, left = 35, right = 25; // fields to step and move between; BOTH accepts
    } else if (current_page == PAGE_SETUP) {
        switch (setup_state.setup_screen) {
        case SETUP_PAGE_ENABLE:
        case SETUP_AUDIO_ALERTS:
        case SETUP_VISUAL_ALERTS:
        case SETUP_MISC_OPTIONS:
        case SETUP_SPEED_ASSIST:
        case SETUP_DEMO_MODE: // rows to move between and switch
            view = 30, left = 30, right = 35;
            break;
        case SETUP_AUDIO_VOL:
        case SETUP_SLIP_TRIM:
        case SETUP_ROLL_TRIM:
        case SETUP_PITCH_TRIM:
        case SETUP_OAT_TRIM: // a value to step
            view = 45, left = 45, right = 7;
            break;
        case SETUP_AOA_LIMITS:
        case SETUP_G_LIMITS:
        case SETUP_IAS_TRIM:
        case SETUP_ALT_TRIM: // values to step, chosen with the right key
            view = 38, left = 38, right = 20;
            break;
        default:
            break;
        }
    }
    int k = static_cast<int>(rng_below(r, 100));
    return k < view                  ? HOST_BUTTON_VIEW
           : k < view + left         ? HOST_BUTTON_LEFT
           : k < view + left + right ? HOST_BUTTON_RIGHT
                                     : HOST_BUTTON_BOTH;
}

// One random action of a user who does not know what the keys do.
void plan_random(SoakDriver* d) {
    SoakRng* r = &d->rng;
    uint64_t kind = rng_below(r, 100);
    if (kind < 45) { // a click, shorter than a long press
        plan_click(d, random_button(r), rng_range(r, 15, 550), rng_log_range(r, 50, 4000));
    } else if (kind < 55) { // looking at the screen
        d->cursor_ms += rng_log_range(r, 500, 120000);
    } else if (kind < 58) { // a flight value from outside, now and then beyond its range, or none
        uint64_t what = rng_below(r, 20);
        int id = static_cast<int>(rng_below(r, FLT_VALUE_COUNT));
        const FlightValueInfo& info = FLT_VALUES[id];
        const double span = static_cast<double>(info.hi) - info.lo,
                     u = static_cast<double>(rng_next(r) >> 11) / 9007199254740992.0;
        float v = static_cast<float>(info.lo - 0.1 * span + 1.2 * span * u);
        int32_t bits;
        std::memcpy(&bits, &v, sizeof bits);
        plan_input(d, 0, SOAK_IN_FLIGHT, what == 0 ? FLT_VALUE_COUNT : id, bits, what >= 3);
        d->cursor_ms += rng_log_range(r, 500, 60000);
    } else if (kind < 68) { // a long hold: long presses, their repeats, the brightness overlay
        plan_click(d, random_button(r), rng_log_range(r, 600, 30000), rng_range(r, 50, 1500));
    } else if (kind < 76) { // both soft keys pressed one after the other and let go in any order
        bool left_first = rng_chance(r, 50), left_last = rng_chance(r, 50);
        plan_input(d, 0, SOAK_IN_PRESS, left_first ? HOST_BUTTON_LEFT : HOST_BUTTON_RIGHT);
        plan_input(d, rng_range(r, 0, 40), SOAK_IN_PRESS, left_first ? HOST_BUTTON_RIGHT : HOST_BUTTON_LEFT);
        plan_input(d, rng_log_range(r, 20, 3000), SOAK_IN_RELEASE,
                   left_last ? HOST_BUTTON_RIGHT : HOST_BUTTON_LEFT);
        plan_input(d, rng_range(r, 0, 40), SOAK_IN_RELEASE, left_last ? HOST_BUTTON_LEFT : HOST_BUTTON_RIGHT);
        d->cursor_ms += rng_range(r, 50, 2000);
    } else if (kind < 84) { // a flurry: several changes inside a tick or two
        int n = static_cast<int>(rng_range(r, 2, SOAK_ACTION_MAX_INPUTS));
        for (int i = 0; i < n; ++i)
            plan_input(d, rng_range(r, 0, 12), rng_chance(r, 50) ? SOAK_IN_PRESS : SOAK_IN_RELEASE,
                       random_button(r));
        d->cursor_ms += rng_range(r, 50, 1000);
    } else if (kind < 92) { // the mouse pressed in one place and let go in another
        int32_t x, y;
        random_point(r, &x, &y);
        plan_input(d, 0, SOAK_IN_MOUSE_DOWN, 0, x, y);
        if (!rng_chance(r, 70)) random_point(r, &x, &y);
        plan_input(d, rng_log_range(r, 5, 5000), SOAK_IN_MOUSE_UP, 0, x, y);
        d->cursor_ms += rng_range(r, 50, 1000);
    } else { // a click no tick sees, or one that ends on the tick it began
        int b = random_button(r);
        plan_input(d, 0, SOAK_IN_PRESS, b);
        plan_input(d, rng_range(r, 0, 10), SOAK_IN_RELEASE, b);
        d->cursor_ms += rng_range(r, 50, 1000);
    }
}

// The key that leaves SETUP screen s for the list (the trim screens first close their editing).
int setup_back_button(int32_t s) {
    switch (s) {
    case SETUP_SYSTEM_INFO:
    case SETUP_AUDIO_VOL:
    case SETUP_AOA_LIMITS: // NEXT, then DONE
    case SETUP_G_LIMITS:
    case SETUP_SLIP_TRIM:
    case SETUP_ROLL_TRIM:
    case SETUP_PITCH_TRIM:
    case SETUP_OAT_TRIM:
        return HOST_BUTTON_RIGHT;
    case SETUP_HARD_CAL:
    case SETUP_PITOT_ZERO:
        return HOST_BUTTON_LEFT;
    case SETUP_IAS_TRIM:
        return setup_state.ias_trim_editing ? HOST_BUTTON_RIGHT : HOST_BUTTON_BOTH;
    case SETUP_ALT_TRIM:
        return setup_state.alt_trim_editing ? HOST_BUTTON_RIGHT : HOST_BUTTON_BOTH;
    default:
        return HOST_BUTTON_BOTH;
    }
}

bool page_enabled(int p) {
    return (device_settings.page_enable_mask >> (p - 1)) & 1u;
}

bool fix_done(const SoakDriver* d) {
    if (d->fix_screen == SETUP_PAGE_ENABLE) return page_enabled(d->fix_row + 1);
    if (d->fix_screen == SETUP_DEMO_MODE)
        return device_settings.demo_mode == static_cast<uint32_t>(d->fix_row);
    return (device_settings.visual_alert_mask >> d->fix_row) & 1u;
}

// Timer i set to count down alert_seconds and started: the preset's seconds, zero hours and minutes.
int timer_alert_button(const SoakDriver* d, int i) {
    const UserTimer& t = user_timers[i];
    bool preset_ok = t.preset_hours == 0 && t.preset_minutes == 0 && t.preset_seconds == d->alert_seconds;
    if (t.editing) {
        if (t.preset_hours != 0 || t.preset_minutes != 0)
            return HOST_BUTTON_VIEW + LONG_PRESS; // preset 0:00:00
        if (t.selected_field != 2) return HOST_BUTTON_RIGHT;
        if (t.preset_seconds != d->alert_seconds)
            return t.preset_seconds < d->alert_seconds ? HOST_BUTTON_VIEW : HOST_BUTTON_LEFT;
        return HOST_BUTTON_BOTH; // ACCEPT loads the preset
    }
    if (!preset_ok || (!t.running && t.hours == 0 && t.minutes == 0 && t.seconds == 0))
        return HOST_BUTTON_BOTH; // edit
    return t.running ? NO_BUTTON : HOST_BUTTON_VIEW;
}

int nav_button(SoakDriver* d);

int start_fix(SoakDriver* d, int screen, int row) {
    d->fix_screen = screen;
    d->fix_row = row;
    d->fix_then = d->target;
    return nav_button(d);
}

// The next key on the way to the target, NO_BUTTON once there. Reads the state as a user reads the screen.
int nav_button(SoakDriver* d) {
    if (brightness_overlay_shown) return HOST_BUTTON_RIGHT; // OK
    if (current_page == PAGE_SPLASH) return HOST_BUTTON_RIGHT;
    int t = d->target;
    if (current_page == PAGE_CLOCK && clock_setting)
        return t == TARGET_CLOCK_SET ? NO_BUTTON : HOST_BUTTON_BOTH;
    bool timer_page = current_page == PAGE_TIMER1 || current_page == PAGE_TIMER2;
    if (timer_page && user_timers[current_page - PAGE_TIMER1].editing &&
        t != TARGET_ALERT + current_page - PAGE_TIMER1)
        return HOST_BUTTON_BOTH; // ACCEPT
    if (d->fix_screen != 0) {
        if (fix_done(d)) {
            d->target = d->fix_then;
            d->fix_screen = 0;
            return nav_button(d);
        }
        t = TARGET_SETUP + d->fix_screen;
    } else if (t == TARGET_CLOCK_SET) {
        if (current_page == PAGE_CLOCK && page_enabled(PAGE_CLOCK))
            return clock_view > CLOCK_VIEW_ANALOG ? HOST_BUTTON_VIEW
                                                  : HOST_BUTTON_BOTH; // a clock view, then SET
        t = PAGE_CLOCK;
    } else if (t >= TARGET_DEMO) {
        if (device_settings.demo_mode == static_cast<uint32_t>(t - TARGET_DEMO)) return NO_BUTTON;
        return start_fix(d, SETUP_DEMO_MODE, t - TARGET_DEMO);
    } else if (t >= TARGET_ALERT) {
        int i = t - TARGET_ALERT;
        if (!((device_settings.visual_alert_mask >> i) & 1u)) return start_fix(d, SETUP_VISUAL_ALERTS, i);
        if (current_page == PAGE_TIMER1 + i) return timer_alert_button(d, i);
        t = PAGE_TIMER1 + i;
    }
    // Stepping never reaches a disabled page: enable it first.
    if (t < PAGE_SETUP && !page_enabled(t)) return start_fix(d, SETUP_PAGE_ENABLE, t - 1);
    int want_screen = t > TARGET_SETUP ? t - TARGET_SETUP : -1;
    if (current_page == PAGE_SETUP) {
        int32_t s = setup_state.setup_screen, sel = setup_state.setup_selected_item;
        if (s != 0) {
            if (s != want_screen) return setup_back_button(s);
            if (d->fix_screen == 0) return NO_BUTTON;
            // The cursor down to the row, then switch it on.
            int32_t cursor = d->fix_screen == SETUP_PAGE_ENABLE ? setup_state.page_enable_cursor
                             : d->fix_screen == SETUP_DEMO_MODE ? setup_state.demo_mode_cursor
                                                                : setup_state.visual_alert_cursor;
            return cursor != d->fix_row ? HOST_BUTTON_LEFT : HOST_BUTTON_RIGHT;
        }
        if (sel < 0) {
            if (want_screen > 0) return HOST_BUTTON_BOTH;
            if (t == PAGE_SETUP) return NO_BUTTON;
            return HOST_BUTTON_RIGHT;
        }
        if (want_screen > 0) {
            if (sel < want_screen - 1) return HOST_BUTTON_LEFT;
            if (sel > want_screen - 1) return HOST_BUTTON_VIEW;
            return HOST_BUTTON_RIGHT;
        }
        return HOST_BUTTON_BOTH; // back to the title
    }
    if (t == current_page) return NO_BUTTON;
    return HOST_BUTTON_RIGHT;
}

} // namespace

// Plans the next action from the state at now_ms.
void soak_plan_action(SoakDriver* d, uint64_t now_ms) {
    SoakRng* r = &d->rng;
    d->queued = d->next = 0;
    d->cursor_ms = now_ms;
    // Let go of any line left down before steering somewhere.
    if (d->target != 0 && (view_button_down || left_button_down || right_button_down)) {
        if (view_button_down) plan_input(d, 0, SOAK_IN_RELEASE, HOST_BUTTON_VIEW);
        if (left_button_down && right_button_down) {
            plan_input(d, 0, SOAK_IN_RELEASE, HOST_BUTTON_BOTH);
        } else {
            if (left_button_down) plan_input(d, 0, SOAK_IN_RELEASE, HOST_BUTTON_LEFT);
            if (right_button_down) plan_input(d, 0, SOAK_IN_RELEASE, HOST_BUTTON_RIGHT);
        }
        d->cursor_ms += rng_range(r, 50, 300);
    } else if (d->target != 0) {
        int b = nav_button(d);
        if (b == NO_BUTTON || ++d->nav_clicks > NAV_MAX_CLICKS) {
            // There (or given up): look at it for a while, then use it at random.
            d->target = 0;
            d->fix_screen = 0;
            d->explore_left = static_cast<int>(rng_range(r, 2, 12));
            d->cursor_ms += rng_log_range(r, 2000, 120000);
        } else if (b >= LONG_PRESS) {
            plan_click(d, b - LONG_PRESS, rng_range(r, 650, 1000), rng_range(r, 60, 400));
        } else {
            plan_click(d, b, rng_range(r, 30, 150), rng_range(r, 60, 400));
        }
    } else if (d->explore_left > 0) {
        --d->explore_left;
        plan_random(d);
    } else {
        if (d->deck_pos == SOAK_TOUR_SIZE) shuffle_deck(d);
        d->target = d->deck[d->deck_pos++];
        d->nav_clicks = 0;
        d->alert_seconds = static_cast<int>(rng_range(r, 2, 40));
        d->cursor_ms += rng_range(r, 100, 2000);
    }
    d->action_end_ms = std::max(d->cursor_ms, now_ms + SOAK_ACTION_MIN_MS);
}

void soak_driver_start(SoakDriver* d, uint64_t seed, char* local_time, size_t n) {
    *d = SoakDriver{};
    rng_seed(&d->rng, seed);
    shuffle_deck(d);
    // Any time of day, now and then just before midnight.
    constexpr uint64_t DAY_SECONDS = 24 * 3600;
    uint64_t day_s =
        rng_chance(&d->rng, 20) ? DAY_SECONDS - rng_range(&d->rng, 1, 120) : rng_below(&d->rng, DAY_SECONDS);
    std::snprintf(local_time, n, "%02u:%02u:%02u", static_cast<unsigned>(day_s / 3600),
                  static_cast<unsigned>(day_s / 60 % 60), static_cast<unsigned>(day_s % 60));
}
