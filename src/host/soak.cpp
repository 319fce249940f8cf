#include "host/soak.h"

#include <algorithm>
#include <chrono>
#include <cinttypes>
#include <cmath>
#include <cstring>
#include <random>
#include <string_view>
#include <thread>
#include <vector>

#include "core/buttons.h"
#include "core/page.h"
#include "host/headless.h"
#include "host/host.h"
#include "host/png_write.h"
#include "host/scheduler.h"
#include "pages/clock.h"
#include "pages/timer.h"
#include "setup/settings.h"
#include "setup/setup_menu.h"

#if defined(__SANITIZE_ADDRESS__)
#include <dlfcn.h>
extern "C" void __sanitizer_set_death_callback(void (*callback)(void));
#endif

namespace {

// ---------------------------------------------------------------------------------------------------------
// Random numbers: xoshiro256** seeded through splitmix64, the same sequence on every machine.

struct Rng {
    uint64_t s[4];
};

uint64_t splitmix(uint64_t* x) {
    uint64_t z = (*x += 0x9E3779B97F4A7C15ull);
    z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
    z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
    return z ^ (z >> 31);
}

void rng_seed(Rng* r, uint64_t seed) {
    for (uint64_t& w : r->s) w = splitmix(&seed);
}

uint64_t rotl(uint64_t x, int k) {
    return (x << k) | (x >> (64 - k));
}

uint64_t rng_next(Rng* r) {
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
uint64_t rng_below(Rng* r, uint64_t n) {
    return static_cast<uint64_t>((static_cast<unsigned __int128>(rng_next(r)) * n) >> 64);
}

// lo .. hi, both included.
uint64_t rng_range(Rng* r, uint64_t lo, uint64_t hi) {
    return lo + rng_below(r, hi - lo + 1);
}

bool rng_chance(Rng* r, int percent) {
    return rng_below(r, 100) < static_cast<uint64_t>(percent);
}

// lo .. hi spread evenly over the orders of magnitude: as many short waits as long ones.
uint64_t rng_log_range(Rng* r, uint64_t lo, uint64_t hi) {
    double u = static_cast<double>(rng_next(r) >> 11) / 9007199254740992.0;
    double v = std::exp(std::log(static_cast<double>(lo)) +
                        u * (std::log(static_cast<double>(hi)) - std::log(static_cast<double>(lo))));
    return std::clamp(static_cast<uint64_t>(v), lo, hi);
}

// ---------------------------------------------------------------------------------------------------------
// The inputs: every press, release and raw mouse event, as the replay script will give them.

enum InputKind : uint8_t { IN_PRESS, IN_RELEASE, IN_MOUSE_DOWN, IN_MOUSE_UP };

struct Input {
    uint32_t at_ms;
    InputKind kind;
    uint8_t button; // a HeadlessButton for press and release
    int32_t x, y;   // window client coordinates for raw mouse events
};

// Every action spans at least this much simulated time and gives at most this many inputs, which bounds
// the log that start-up sets aside for the whole run.
constexpr uint64_t ACTION_MIN_MS = 100;
constexpr int ACTION_MAX_INPUTS = 6;

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
void random_point(Rng* r, int32_t* x, int32_t* y) {
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
constexpr int TOUR_PAGES[] = {PAGE_CLOCK, PAGE_RUN_TIME, PAGE_TIMER1,   PAGE_TIMER2,
                              PAGE_AOA,   PAGE_G_METER,  PAGE_ATTITUDE, PAGE_SETUP};
constexpr int TOUR_SIZE = 8 + 18 + 2 + 3 + 1;
// Clicks a navigation may spend before it gives the target up.
constexpr int NAV_MAX_CLICKS = 80;
constexpr int NO_BUTTON = -1;
constexpr int LONG_PRESS = 16; // added to a button: hold it past the long-press time

struct Driver {
    Rng rng;
    Input queue[ACTION_MAX_INPUTS];
    int queued, next;       // inputs planned by the current action, and the next to apply
    uint64_t action_end_ms; // the next action is planned from here on
    uint64_t cursor_ms;     // planning time within the action
    int deck[TOUR_SIZE];    // the tour's targets in the order they are visited
    int deck_pos;
    int target; // 0: wandering
    int nav_clicks;
    int alert_seconds; // the count-down of an alert target
    // A row to select on a SETUP screen first (PAGE ENABLE for a disabled page, VISUAL ALERTS for a timer's
    // flag, DEMO MODE for a demo mode), then on to fix_then. fix_screen 0: none.
    int fix_screen, fix_row, fix_then;
    int explore_left; // random actions before the next target
};

void shuffle_deck(Driver* d) {
    int n = 0;
    for (int p : TOUR_PAGES) d->deck[n++] = p;
    for (int s = 1; s <= 18; ++s) d->deck[n++] = TARGET_SETUP + s;
    d->deck[n++] = TARGET_ALERT;
    d->deck[n++] = TARGET_ALERT + 1;
    for (int m = 0; m < 3; ++m) d->deck[n++] = TARGET_DEMO + m;
    d->deck[n++] = TARGET_CLOCK_SET;
    for (int i = TOUR_SIZE - 1; i > 0; --i) std::swap(d->deck[i], d->deck[rng_below(&d->rng, i + 1)]);
    d->deck_pos = 0;
}

void plan_input(Driver* d, uint64_t delay_ms, InputKind kind, int button, int32_t x = 0, int32_t y = 0) {
    d->cursor_ms += delay_ms;
    if (d->queued == ACTION_MAX_INPUTS) return; // no action plans more; kept safe all the same
    d->queue[d->queued++] =
        Input{static_cast<uint32_t>(d->cursor_ms), kind, static_cast<uint8_t>(button), x, y};
}

void plan_click(Driver* d, int button, uint64_t hold_ms, uint64_t pause_ms) {
    plan_input(d, 0, IN_PRESS, button);
    plan_input(d, hold_ms, IN_RELEASE, button);
    d->cursor_ms += pause_ms;
}

// A key at random, weighted by what the keys do on the screen shown, so that SETUP screens get edited
// rather than left at once.
int random_button(Rng* r) {
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
    return k < view                  ? HL_BUTTON_VIEW
           : k < view + left         ? HL_BUTTON_LEFT
           : k < view + left + right ? HL_BUTTON_RIGHT
                                     : HL_BUTTON_BOTH;
}

// One random action of a user who does not know what the keys do.
void plan_random(Driver* d) {
    Rng* r = &d->rng;
    uint64_t kind = rng_below(r, 100);
    if (kind < 45) { // a click, shorter than a long press
        plan_click(d, random_button(r), rng_range(r, 15, 550), rng_log_range(r, 50, 4000));
    } else if (kind < 58) { // looking at the screen
        d->cursor_ms += rng_log_range(r, 500, 120000);
    } else if (kind < 68) { // a long hold: long presses, their repeats, the brightness overlay
        plan_click(d, random_button(r), rng_log_range(r, 600, 30000), rng_range(r, 50, 1500));
    } else if (kind < 76) { // both soft keys pressed one after the other and let go in any order
        bool left_first = rng_chance(r, 50), left_last = rng_chance(r, 50);
        plan_input(d, 0, IN_PRESS, left_first ? HL_BUTTON_LEFT : HL_BUTTON_RIGHT);
        plan_input(d, rng_range(r, 0, 40), IN_PRESS, left_first ? HL_BUTTON_RIGHT : HL_BUTTON_LEFT);
        plan_input(d, rng_log_range(r, 20, 3000), IN_RELEASE, left_last ? HL_BUTTON_RIGHT : HL_BUTTON_LEFT);
        plan_input(d, rng_range(r, 0, 40), IN_RELEASE, left_last ? HL_BUTTON_LEFT : HL_BUTTON_RIGHT);
        d->cursor_ms += rng_range(r, 50, 2000);
    } else if (kind < 84) { // a flurry: several changes inside a tick or two
        int n = static_cast<int>(rng_range(r, 2, ACTION_MAX_INPUTS));
        for (int i = 0; i < n; ++i)
            plan_input(d, rng_range(r, 0, 12), rng_chance(r, 50) ? IN_PRESS : IN_RELEASE, random_button(r));
        d->cursor_ms += rng_range(r, 50, 1000);
    } else if (kind < 92) { // the mouse pressed in one place and let go in another
        int32_t x, y;
        random_point(r, &x, &y);
        plan_input(d, 0, IN_MOUSE_DOWN, 0, x, y);
        if (!rng_chance(r, 70)) random_point(r, &x, &y);
        plan_input(d, rng_log_range(r, 5, 5000), IN_MOUSE_UP, 0, x, y);
        d->cursor_ms += rng_range(r, 50, 1000);
    } else { // a click no tick sees, or one that ends on the tick it began
        int b = random_button(r);
        plan_input(d, 0, IN_PRESS, b);
        plan_input(d, rng_range(r, 0, 10), IN_RELEASE, b);
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
        return HL_BUTTON_RIGHT;
    case SETUP_HARD_CAL:
    case SETUP_PITOT_ZERO:
        return HL_BUTTON_LEFT;
    case SETUP_IAS_TRIM:
        return setup_state.ias_trim_editing ? HL_BUTTON_RIGHT : HL_BUTTON_BOTH;
    case SETUP_ALT_TRIM:
        return setup_state.alt_trim_editing ? HL_BUTTON_RIGHT : HL_BUTTON_BOTH;
    default:
        return HL_BUTTON_BOTH;
    }
}

bool page_enabled(int p) {
    return (device_settings.page_enable_mask >> (p - 1)) & 1u;
}

bool fix_done(const Driver* d) {
    if (d->fix_screen == SETUP_PAGE_ENABLE) return page_enabled(d->fix_row + 1);
    if (d->fix_screen == SETUP_DEMO_MODE)
        return device_settings.demo_mode == static_cast<uint32_t>(d->fix_row);
    return (device_settings.visual_alert_mask >> d->fix_row) & 1u;
}

// Timer i set to count down alert_seconds and started: the preset's seconds, zero hours and minutes.
int timer_alert_button(const Driver* d, int i) {
    const UserTimer& t = user_timers[i];
    bool preset_ok = t.preset_hours == 0 && t.preset_minutes == 0 && t.preset_seconds == d->alert_seconds;
    if (t.editing) {
        if (t.preset_hours != 0 || t.preset_minutes != 0)
            return HL_BUTTON_VIEW + LONG_PRESS; // preset 0:00:00
        if (t.selected_field != 2) return HL_BUTTON_RIGHT;
        if (t.preset_seconds != d->alert_seconds)
            return t.preset_seconds < d->alert_seconds ? HL_BUTTON_VIEW : HL_BUTTON_LEFT;
        return HL_BUTTON_BOTH; // ACCEPT loads the preset
    }
    if (!preset_ok || (!t.running && t.hours == 0 && t.minutes == 0 && t.seconds == 0))
        return HL_BUTTON_BOTH; // edit
    return t.running ? NO_BUTTON : HL_BUTTON_VIEW;
}

int nav_button(Driver* d);

int start_fix(Driver* d, int screen, int row) {
    d->fix_screen = screen;
    d->fix_row = row;
    d->fix_then = d->target;
    return nav_button(d);
}

// The next key on the way to the target, NO_BUTTON once there. Reads the state as a user reads the screen.
int nav_button(Driver* d) {
    if (brightness_overlay_shown) return HL_BUTTON_RIGHT; // OK
    if (current_page == PAGE_SPLASH) return HL_BUTTON_RIGHT;
    int t = d->target;
    if (current_page == PAGE_CLOCK && clock_setting)
        return t == TARGET_CLOCK_SET ? NO_BUTTON : HL_BUTTON_BOTH;
    bool timer_page = current_page == PAGE_TIMER1 || current_page == PAGE_TIMER2;
    if (timer_page && user_timers[current_page - PAGE_TIMER1].editing &&
        t != TARGET_ALERT + current_page - PAGE_TIMER1)
        return HL_BUTTON_BOTH; // ACCEPT
    if (d->fix_screen != 0) {
        if (fix_done(d)) {
            d->target = d->fix_then;
            d->fix_screen = 0;
            return nav_button(d);
        }
        t = TARGET_SETUP + d->fix_screen;
    } else if (t == TARGET_CLOCK_SET) {
        if (current_page == PAGE_CLOCK && page_enabled(PAGE_CLOCK))
            return clock_view > CLOCK_VIEW_ANALOG ? HL_BUTTON_VIEW : HL_BUTTON_BOTH; // a clock view, then SET
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
            return cursor != d->fix_row ? HL_BUTTON_LEFT : HL_BUTTON_RIGHT;
        }
        if (sel < 0) {
            if (want_screen > 0) return HL_BUTTON_BOTH;
            if (t == PAGE_SETUP) return NO_BUTTON;
            return HL_BUTTON_RIGHT;
        }
        if (want_screen > 0) {
            if (sel < want_screen - 1) return HL_BUTTON_LEFT;
            if (sel > want_screen - 1) return HL_BUTTON_VIEW;
            return HL_BUTTON_RIGHT;
        }
        return HL_BUTTON_BOTH; // back to the title
    }
    if (t == current_page) return NO_BUTTON;
    return HL_BUTTON_RIGHT;
}

// Plans the next action from the state at now_ms.
void plan_action(Driver* d, uint64_t now_ms) {
    Rng* r = &d->rng;
    d->queued = d->next = 0;
    d->cursor_ms = now_ms;
    // Let go of any line left down before steering somewhere.
    if (d->target != 0 && (view_button_down || left_button_down || right_button_down)) {
        if (view_button_down) plan_input(d, 0, IN_RELEASE, HL_BUTTON_VIEW);
        if (left_button_down && right_button_down) {
            plan_input(d, 0, IN_RELEASE, HL_BUTTON_BOTH);
        } else {
            if (left_button_down) plan_input(d, 0, IN_RELEASE, HL_BUTTON_LEFT);
            if (right_button_down) plan_input(d, 0, IN_RELEASE, HL_BUTTON_RIGHT);
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
        if (d->deck_pos == TOUR_SIZE) shuffle_deck(d);
        d->target = d->deck[d->deck_pos++];
        d->nav_clicks = 0;
        d->alert_seconds = static_cast<int>(rng_range(r, 2, 40));
        d->cursor_ms += rng_range(r, 100, 2000);
    }
    d->action_end_ms = std::max(d->cursor_ms, now_ms + ACTION_MIN_MS);
}

} // namespace

std::string soak_format_time(uint64_t ms) {
    char buf[40];
    std::snprintf(buf, sizeof buf, "%" PRIu64 ":%02u:%02u.%03u", ms / 3600000,
                  static_cast<unsigned>(ms / 60000 % 60), static_cast<unsigned>(ms / 1000 % 60),
                  static_cast<unsigned>(ms % 1000));
    return buf;
}

namespace {

// ---------------------------------------------------------------------------------------------------------
// The run.

const char* const BUTTON_NAMES[4] = {"view", "left", "right", "both"};

struct Run {
    const SoakOptions* options;
    SoakStats* stats;
    FILE* out;
    char local_time[16];
    std::vector<Input> log;               // every input since start, reserved at start-up
    std::atomic<uint64_t> progress_ms{0}; // simulated time checked
    std::atomic<uint64_t> step_ms{0};     // the ticks running now: where a crash or a hang happens
    std::atomic<bool> finished{false};
    std::atomic<bool> reported{false};
    std::atomic<bool> watchdog_ready{false};
};

Run* current_run = nullptr; // for the watchdog and the sanitizers' last word

std::string script_path(const Run& run) {
    if (!run.options->script_path.empty()) return run.options->script_path;
    return "soak-failure-" + std::to_string(run.options->seed) + ".zts";
}

void append_wait(std::string* s, uint64_t ms) {
    if (ms == 0) return;
    *s +=
        ms % 1000 == 0 ? "wait " + std::to_string(ms / 1000) + "s\n" : "wait " + std::to_string(ms) + "ms\n";
}

void append_input(std::string* s, const Input& in) {
    char line[96];
    const char* what = in.kind == IN_PRESS ? "press" : in.kind == IN_RELEASE ? "release" : "mouse";
    if (in.kind == IN_PRESS || in.kind == IN_RELEASE)
        std::snprintf(line, sizeof line, "%-24s",
                      (std::string(what) + " " + BUTTON_NAMES[in.button]).c_str());
    else
        std::snprintf(line, sizeof line, "mouse %-4s %6d %6d     ", in.kind == IN_MOUSE_DOWN ? "down" : "up",
                      in.x, in.y);
    *s += line;
    *s += " # " + soak_format_time(in.at_ms) + "\n";
}

// The script lines of inputs [from, to) and the wait up to end_ms; the wait before the first is left out
// when it does not start at the beginning of the run.
std::string script_lines(const Run& run, size_t from, size_t to, uint64_t end_ms) {
    std::string s;
    uint64_t t = from == 0 ? 0 : run.log[from].at_ms;
    for (size_t i = from; i < to; ++i) {
        append_wait(&s, run.log[i].at_ms - t);
        t = run.log[i].at_ms;
        append_input(&s, run.log[i]);
    }
    append_wait(&s, end_ms - t);
    return s;
}

void report_failure(Run* run, const std::string& why, uint64_t at_ms) {
    if (run->reported.exchange(true)) return;
    SoakStats* st = run->stats;
    st->failed = true;
    st->failure = why;
    st->failed_at_ms = at_ms;
    size_t n = run->log.size();
    std::string path = script_path(*run);
    std::string script =
        "# zt30-soak replay: seed " + std::to_string(run->options->seed) + ", failure at " +
        soak_format_time(at_ms) + " of simulated time\n# " + why + "\n# zt30-headless runs the " +
        std::to_string(n) + " inputs of the soak up to the moment of the failure.\nlocal-time " +
        run->local_time + "\n" + script_lines(*run, 0, n, at_ms) + "# the check failed here\n";
    const char* write_error = host_file_write_all(path.c_str(), script.data(), script.size());

    FILE* out = run->out;
    std::fprintf(out, "zt30-soak: FAILED at %s of simulated time (seed %" PRIu64 ", frame %" PRIu64 ")\n",
                 soak_format_time(at_ms).c_str(), run->options->seed, host_frames_rendered);
    std::fprintf(out, "  invariant: %s\n", why.c_str());
    size_t shown = std::min<size_t>(n, SOAK_REPORT_EVENTS);
    std::fprintf(out, "  the last %zu of %zu input events, as the end of the replay script:\n", shown, n);
    std::string tail = script_lines(*run, n - shown, n, at_ms);
    size_t pos = 0;
    while (pos < tail.size()) {
        size_t end = tail.find('\n', pos);
        std::fprintf(out, "    %s\n", tail.substr(pos, end - pos).c_str());
        pos = end + 1;
    }
    if (write_error)
        std::fprintf(out, "  cannot write the replay script '%s': %s\n", path.c_str(), write_error);
    else
        std::fprintf(out, "  replay: zt30-headless %s\n", path.c_str());
    std::fprintf(out, "  again:  zt30-soak --seed %" PRIu64 " --duration %" PRIu64 "s\n", run->options->seed,
                 (run->options->duration_ms + 999) / 1000);
    std::fflush(out);
}

#if defined(__SANITIZE_ADDRESS__)
void on_sanitizer_death() {
    Run* run = current_run;
    if (!run || run->finished.load()) return;
    report_failure(run, "a sanitizer stopped the run (its report is above)", run->step_ms.load());
}

// Both sanitizers' reports end the run through the same report. UBSan carries its own copy of the
// sanitizer runtime, with a callback of its own.
void on_sanitizer_death_too() {
    __sanitizer_set_death_callback(on_sanitizer_death);
    if (void* ubsan = dlopen("libubsan.so.1", RTLD_NOW | RTLD_NOLOAD)) {
        using SetCallback = void (*)(void (*)());
        if (auto set = reinterpret_cast<SetCallback>(dlsym(ubsan, "__sanitizer_set_death_callback")))
            set(on_sanitizer_death);
        dlclose(ubsan);
    }
}
#endif

// Reports a run that has stopped advancing, then ends the process: the stuck code cannot be unwound.
void watchdog(Run* run) {
    int limit = run->options->watchdog_seconds;
    uint64_t last = run->progress_ms.load();
    auto since = std::chrono::steady_clock::now();
    // A new thread allocates as it first runs (its thread-local storage): let that happen before the run
    // starts counting.
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
    run->watchdog_ready.store(true);
    while (!run->finished.load()) {
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
        uint64_t now = run->progress_ms.load();
        auto wall = std::chrono::steady_clock::now();
        if (now != last) {
            last = now;
            since = wall;
        } else if (wall - since >= std::chrono::seconds(limit)) {
            report_failure(run,
                           "hang: no simulated time passed for " + std::to_string(limit) + " s of wall time",
                           run->step_ms.load());
            std::_Exit(SOAK_EXIT_FAILED);
        }
    }
}

void count_frame(SoakStats* st) {
    ++st->frames;
    ++st->page_frames[std::clamp(current_page, 0, SOAK_PAGES - 1)];
    if (current_page == PAGE_SETUP)
        ++st->setup_frames[std::clamp(setup_state.setup_screen, 0, SOAK_SETUP_SCREENS - 1)];
    if (brightness_overlay_shown) ++st->overlay_frames;
    if (timer1_alert || timer2_alert) ++st->alert_frames;
    if (clock_setting) ++st->clock_set_frames;
    if (user_timers[0].editing || user_timers[1].editing) ++st->timer_edit_frames;
    ++st->demo_frames[std::min<uint32_t>(device_settings.demo_mode, 2)];
}

volatile void* planted_allocation;

void plant(SoakBreak b) {
    switch (b) {
    case SOAK_BREAK_NONE:
        break;
    case SOAK_BREAK_SETTING:
        device_settings.audio_volume = 11;
        break;
    case SOAK_BREAK_ALLOC: {
        void* (*volatile allocate)(size_t) = std::malloc; // through a pointer the compiler cannot see past
        planted_allocation = allocate(16);
        std::free(const_cast<void*>(planted_allocation));
        break;
    }
    case SOAK_BREAK_HANG:
        for (;;) std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
}

} // namespace

int soak_run(const SoakOptions& options, SoakStats* stats, FILE* out) {
    *stats = SoakStats{};
    Run run;
    run.options = &options;
    run.stats = stats;
    run.out = out;
    Driver driver{};
    Driver* drv = &driver;
    rng_seed(&drv->rng, options.seed);
    shuffle_deck(drv);
    // The local time of day the clock reads: any, now and then just before midnight.
    constexpr uint64_t DAY_SECONDS = 24 * 3600;
    uint64_t day_s = rng_chance(&drv->rng, 20) ? DAY_SECONDS - rng_range(&drv->rng, 1, 120)
                                               : rng_below(&drv->rng, DAY_SECONDS);
    std::snprintf(run.local_time, sizeof run.local_time, "%02u:%02u:%02u",
                  static_cast<unsigned>(day_s / 3600), static_cast<unsigned>(day_s / 60 % 60),
                  static_cast<unsigned>(day_s % 60));
    HeadlessOptions ho{};
    ho.local_time_set = headless_parse_time(run.local_time, &ho.local_time);
    run.log.reserve(options.duration_ms / ACTION_MIN_MS * ACTION_MAX_INPUTS + ACTION_MAX_INPUTS * 2);

    std::fprintf(out, "zt30-soak: seed %" PRIu64 ", %s of simulated time, local time %s\n", options.seed,
                 soak_format_time(options.duration_ms).c_str(), run.local_time);
    std::fflush(out);

    HostScheduler sched;
    headless_start(ho, &sched);
    SoakChecker checker;
    soak_checker_start(&checker, &sched);
    current_run = &run;
#if defined(__SANITIZE_ADDRESS__)
    on_sanitizer_death_too();
#endif
    std::thread guard;
    if (options.watchdog_seconds > 0) {
        guard = std::thread(watchdog, &run);
        while (!run.watchdog_ready.load()) std::this_thread::yield();
    }
    auto wall_start = std::chrono::steady_clock::now();
    char why[256];
    bool planted = options.planted == SOAK_BREAK_NONE;
    uint64_t now = 0, end = options.duration_ms, next_hour = 3600000;
    count_frame(stats); // the first frame, drawn at start-up
    // From here on nothing may allocate: the log, the driver and the watchdog are in place.
    checker.allocations = soak_allocations.load(std::memory_order_relaxed);
    bool ok = soak_check(&checker, &sched, why, sizeof why);

    while (ok) {
        if (drv->next == drv->queued && now >= drv->action_end_ms) plan_action(drv, now);
        uint64_t next_in = drv->next < drv->queued ? drv->queue[drv->next].at_ms : drv->action_end_ms;
        uint64_t limit = std::min(next_in, end);
        // Every tick due up to the next input, the ticks of one millisecond at a time, each checked.
        while (ok && host_sched_next_due(&sched) <= limit) {
            now = host_sched_next_due(&sched);
            run.step_ms.store(now, std::memory_order_relaxed);
            uint64_t frames = host_frames_rendered;
            host_sched_run(&sched, now, -1);
            if (host_frames_rendered != frames) count_frame(stats);
            if (!planted && now >= options.planted_at_ms) {
                planted = true;
                plant(options.planted);
            }
            ok = soak_check(&checker, &sched, why, sizeof why);
            run.progress_ms.store(now, std::memory_order_relaxed);
            if (options.progress && now >= next_hour) {
                double wall =
                    std::chrono::duration<double>(std::chrono::steady_clock::now() - wall_start).count();
                std::fprintf(out,
                             "zt30-soak: %s: %" PRIu64 " frames, %" PRIu64 " inputs, %.1f s of wall time\n",
                             soak_format_time(now).c_str(), stats->frames, stats->inputs, wall);
                std::fflush(out);
                next_hour += 3600000;
            }
        }
        if (!ok || next_in >= end) break;
        now = next_in;
        if (drv->next < drv->queued) {
            const Input& in = drv->queue[drv->next++];
            int x = in.x, y = in.y;
            if (in.kind == IN_PRESS || in.kind == IN_RELEASE)
                headless_button_point(static_cast<HeadlessButton>(in.button), &x, &y);
            host_hit_test(in.kind == IN_PRESS || in.kind == IN_MOUSE_DOWN, x, y);
            if (run.log.size() < run.log.capacity()) run.log.push_back(in);
            ++stats->inputs;
        }
    }
    uint64_t allocations = soak_allocations.load(std::memory_order_relaxed) - checker.allocations;
    run.finished.store(true);
    if (guard.joinable()) guard.join();
    stats->wall_seconds =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - wall_start).count();
    stats->simulated_ms = now;
    stats->button_events = btn_event_count;
    stats->allocations = allocations;

    if (!ok) {
        report_failure(&run, why, now);
    } else if (options.require_coverage) {
        std::string missing;
        for (int p : TOUR_PAGES)
            if (stats->page_frames[p] == 0) missing += " page " + std::to_string(p);
        for (int sc = 0; sc < SOAK_SETUP_SCREENS; ++sc)
            if (stats->setup_frames[sc] == 0) missing += " setup screen " + std::to_string(sc);
        const std::pair<const char*, uint64_t> extras[] = {{"brightness overlay", stats->overlay_frames},
                                                           {"alert", stats->alert_frames},
                                                           {"Set Clock", stats->clock_set_frames},
                                                           {"timer editing", stats->timer_edit_frames},
                                                           {"demo NONE", stats->demo_frames[0]},
                                                           {"DEMO 1", stats->demo_frames[1]},
                                                           {"DEMO 2", stats->demo_frames[2]}};
        for (const auto& [name, frames] : extras)
            if (frames == 0) missing += std::string(" ") + name;
        if (!missing.empty()) report_failure(&run, "coverage: never shown:" + missing, now);
    }
    current_run = nullptr;
    return stats->failed ? SOAK_EXIT_FAILED : SOAK_EXIT_PASSED;
}

namespace {

const char* const PAGE_NAMES[SOAK_PAGES] = {"splash",  "CLOCK", "RUN TIME", "XPDR CTRL", "TIMER 1",
                                            "TIMER 2", "AOA",   "G METER",  "ATTITUDE",  "SETUP"};
const char* const SETUP_SCREEN_NAMES[SOAK_SETUP_SCREENS] = {
    "list",       "SYSTEM INFO",  "PAGE ENABLE", "AUDIO ALERTS", "VISUAL ALERTS",
    "AUDIO VOL",  "MISC OPTIONS", "AOA LIMITS",  "G LIMITS",     "SLIP TRIM",
    "ROLL TRIM",  "PITCH TRIM",   "OAT TRIM",    "HARD CAL",     "SPEED ASSIST",
    "PITOT ZERO", "IAS TRIM",     "ALT TRIM",    "DEMO MODE"};

// Prints "name count" pairs, wrapped before 100 columns.
void print_counts(FILE* out, const char* title, const char* const* names, const uint64_t* counts, int n) {
    std::fprintf(out, "  %s:", title);
    int column = 4 + static_cast<int>(std::strlen(title));
    for (int i = 0; i < n; ++i) {
        char item[64];
        int len = std::snprintf(item, sizeof item, " %s %" PRIu64 ",", names[i], counts[i]);
        if (i == n - 1) item[--len] = '\0';
        if (column + len > 100) {
            std::fputs("\n   ", out);
            column = 3;
        }
        std::fputs(item, out);
        column += len;
    }
    std::fputc('\n', out);
}

const char* const USAGE =
    "Usage: zt30-soak [--seed N] [--duration D] [--script FILE] [--watchdog SECONDS]\n"
    "Drives the instrument on a simulated clock with random presses, releases, clicks, long holds,\n"
    "both-key presses and mouse drags, touring every page and SETUP screen, and checks every invariant\n"
    "of its state after every rendered frame.\n"
    "\n"
    "Options:\n"
    "  --seed N             the random seed (default: a new one, printed); the same seed repeats a run\n"
    "  --duration D         simulated time: a whole number followed by s, m or h (default 1h, at most 100h)\n"
    "  --script FILE        where a failure writes its replay script (default soak-failure-SEED.zts)\n"
    "  --watchdog SECONDS   call the run hung when simulated time stops for this long (default 60, 0 off)\n"
    "  --plant KIND@SECONDS plant a fault to see the checker catch it: setting (a settings field out of\n"
    "                       range), alloc (an allocation) or hang\n"
    "  --help, --version\n"
    "\n"
    "Runs of an hour or more also fail when a page or SETUP screen was never shown.\n"
    "A failure prints the seed, the simulated time, the broken invariant and the last 50 input events, and\n"
    "writes a zt30-headless script that replays the run up to the failure.\n"
    "Exit status: 0 passed, 1 failed, 2 bad option.\n";

bool parse_u64(std::string_view s, uint64_t limit, uint64_t* out) {
    if (s.empty() || s.size() > 20) return false;
    uint64_t v = 0;
    for (char c : s) {
        if (c < '0' || c > '9') return false;
        uint64_t d = static_cast<uint64_t>(c - '0');
        if (v > (limit - d) / 10) return false;
        v = v * 10 + d;
    }
    *out = v;
    return true;
}

bool parse_duration(std::string_view s, uint64_t* ms) {
    if (s.empty()) return false;
    uint64_t unit = s.back() == 's' ? 1000 : s.back() == 'm' ? 60000 : s.back() == 'h' ? 3600000 : 0;
    uint64_t v = 0;
    if (unit == 0 || !parse_u64(s.substr(0, s.size() - 1), SOAK_MAX_MS / unit, &v) || v == 0) return false;
    *ms = v * unit;
    return true;
}

bool parse_plant(std::string_view s, SoakOptions* o) {
    size_t at = s.find('@');
    if (at == std::string_view::npos) return false;
    std::string_view kind = s.substr(0, at);
    if (kind == "setting")
        o->planted = SOAK_BREAK_SETTING;
    else if (kind == "alloc")
        o->planted = SOAK_BREAK_ALLOC;
    else if (kind == "hang")
        o->planted = SOAK_BREAK_HANG;
    else
        return false;
    uint64_t seconds = 0;
    if (!parse_u64(s.substr(at + 1), SOAK_MAX_MS / 1000, &seconds)) return false;
    o->planted_at_ms = seconds * 1000;
    return true;
}

uint64_t fresh_seed() {
    std::random_device device;
    uint64_t t = static_cast<uint64_t>(std::chrono::system_clock::now().time_since_epoch().count());
    uint64_t s = (static_cast<uint64_t>(device()) << 32 | device()) ^ t;
    return splitmix(&s) % 1000000000000ull; // short enough to type back
}

} // namespace

void soak_print_coverage(const SoakStats& st, FILE* out) {
    std::fprintf(out, "coverage, rendered frames:\n");
    print_counts(out, "pages", PAGE_NAMES, st.page_frames, SOAK_PAGES);
    print_counts(out, "SETUP", SETUP_SCREEN_NAMES, st.setup_frames, SOAK_SETUP_SCREENS);
    const char* const extra_names[] = {"brightness overlay", "alert raised", "Set Clock", "timer editing",
                                       "demo NONE",          "DEMO 1",       "DEMO 2"};
    const uint64_t extra[] = {st.overlay_frames, st.alert_frames,   st.clock_set_frames, st.timer_edit_frames,
                              st.demo_frames[0], st.demo_frames[1], st.demo_frames[2]};
    print_counts(out, "also", extra_names, extra, 7);
}

int soak_main(int argc, const char* const* argv, FILE* out, FILE* err) {
    SoakOptions o{};
    o.duration_ms = 3600000;
    o.watchdog_seconds = 60;
    o.progress = true;
    bool seeded = false;
    for (int i = 1; i < argc; ++i) {
        std::string_view arg = argv[i];
        if (arg == "--help") {
            std::fputs(USAGE, out);
            return SOAK_EXIT_PASSED;
        }
        if (arg == "--version") {
            std::fprintf(out, "zt30-soak %s\n", ZT30_VERSION);
            return SOAK_EXIT_PASSED;
        }
        bool takes_value = arg == "--seed" || arg == "--duration" || arg == "--script" ||
                           arg == "--watchdog" || arg == "--plant";
        if (!takes_value) {
            std::fprintf(err, "zt30-soak: unknown option '%s' (see --help)\n", argv[i]);
            return SOAK_EXIT_USAGE;
        }
        if (i + 1 >= argc) {
            std::fprintf(err, "zt30-soak: %s needs a value (see --help)\n", argv[i]);
            return SOAK_EXIT_USAGE;
        }
        std::string_view value = argv[++i];
        uint64_t v = 0;
        bool good = true;
        if (arg == "--seed") {
            good = parse_u64(value, UINT64_MAX, &o.seed);
            seeded = true;
        } else if (arg == "--duration") {
            good = parse_duration(value, &o.duration_ms);
        } else if (arg == "--script") {
            good = !value.empty();
            o.script_path.assign(value);
        } else if (arg == "--watchdog") {
            good = parse_u64(value, 86400, &v);
            o.watchdog_seconds = static_cast<int>(v);
        } else {
            good = parse_plant(value, &o);
        }
        if (!good) {
            const char* hint = arg == "--seed"       ? "a whole number"
                               : arg == "--duration" ? "a whole number followed by s, m or h, at most 100h"
                               : arg == "--script"   ? "a file name"
                               : arg == "--watchdog" ? "seconds, 0-86400"
                                                     : "setting, alloc or hang, then @SECONDS";
            std::fprintf(err, "zt30-soak: bad %s '%s' (%s)\n", argv[i - 1], argv[i], hint);
            return SOAK_EXIT_USAGE;
        }
    }
    if (!seeded) o.seed = fresh_seed();
    o.require_coverage = o.duration_ms >= 3600000;

    SoakStats st;
    int code = soak_run(o, &st, out);
    if (code == SOAK_EXIT_PASSED) {
        std::fprintf(out,
                     "zt30-soak: passed: %s of simulated time in %.1f s of wall time (%.0fx); %" PRIu64
                     " frames, %" PRIu64 " input events, %" PRIu64 " button events, %" PRIu64
                     " allocations after start-up\n",
                     soak_format_time(st.simulated_ms).c_str(), st.wall_seconds,
                     static_cast<double>(st.simulated_ms) / 1000.0 / std::max(st.wall_seconds, 1e-3),
                     st.frames, st.inputs, st.button_events, st.allocations);
    }
    soak_print_coverage(st, out);
    return code;
}
