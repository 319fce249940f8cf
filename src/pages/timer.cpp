#include "pages/timer.h"

UserTimer user_timers[2]{};

void timer_tick() {
    // Nothing starts a timer yet, so neither ever runs.
}

void timer_reset() {
    user_timers[0] = UserTimer{};
    user_timers[1] = UserTimer{};
}
