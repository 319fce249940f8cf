// The soak's random user: a tour of every page and SETUP screen in random order, with random use in
// between. What it does is a function of the seed and of the state it meets, so a run repeats exactly.
#pragma once
#include <cstddef>
#include <cstdint>

#include "core/page.h"

// Random numbers: xoshiro256** seeded through splitmix64, the same sequence on every machine.
struct SoakRng {
    uint64_t s[4];
};

// One step of splitmix64: the next of a sequence of well-mixed numbers from any start value.
uint64_t soak_splitmix(uint64_t* x);

// The inputs: every press, release and raw mouse event, and every flight value given or taken back, as
// the replay script will give them.

enum SoakInputKind : uint8_t {
    SOAK_IN_PRESS,
    SOAK_IN_RELEASE,
    SOAK_IN_MOUSE_DOWN,
    SOAK_IN_MOUSE_UP,
    SOAK_IN_FLIGHT
};

struct SoakInput {
    uint32_t at_ms;
    SoakInputKind kind;
    uint8_t button; // a HostButton for press and release; for flight the value (FLT_VALUE_COUNT: all)
    int32_t x, y;   // window client coordinates for raw mouse events; for flight y 1 gives the value whose
                    // float bits are x, 0 takes it back
};

// Every action spans at least this much simulated time and gives at most this many inputs, which bounds
// the log that start-up sets aside for the whole run.
constexpr uint64_t SOAK_ACTION_MIN_MS = 100;
constexpr int SOAK_ACTION_MAX_INPUTS = 6;

// The pages of the tour (9 is SETUP's title).
constexpr int SOAK_TOUR_PAGES[] = {PAGE_CLOCK, PAGE_RUN_TIME, PAGE_TIMER1,   PAGE_TIMER2,
                                   PAGE_AOA,   PAGE_G_METER,  PAGE_ATTITUDE, PAGE_SETUP};
constexpr int SOAK_TOUR_SIZE = 8 + 18 + 2 + 3 + 1;

struct SoakDriver {
    SoakRng rng;
    SoakInput queue[SOAK_ACTION_MAX_INPUTS];
    int queued, next;         // inputs planned by the current action, and the next to apply
    uint64_t action_end_ms;   // the next action is planned from here on
    uint64_t cursor_ms;       // planning time within the action
    int deck[SOAK_TOUR_SIZE]; // the tour's targets in the order they are visited
    int deck_pos;
    int target; // 0: wandering
    int nav_clicks;
    int alert_seconds; // the count-down of an alert target
    // A row to select on a SETUP screen first (PAGE ENABLE for a disabled page, VISUAL ALERTS for a timer's
    // flag, DEMO MODE for a demo mode), then on to fix_then. fix_screen 0: none.
    int fix_screen, fix_row, fix_then;
    int explore_left; // random actions before the next target
};

// Seeds the user and picks the local time of day the clock reads, as "HH:MM:SS" in local_time.
void soak_driver_start(SoakDriver* d, uint64_t seed, char* local_time, size_t n);

// Plans the next action (its inputs in d->queue) from the state at now_ms.
void soak_plan_action(SoakDriver* d, uint64_t now_ms);
