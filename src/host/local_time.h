// The local time of day the CLOCK page reads once; fixed by tests and the headless runner.
#pragma once
#include "pages/clock.h"

// The machine's local time with milliseconds, or the fixed time when one is set.
void host_local_time(ClockTime* out);

// From now on host_local_time reads this (date fields as given); nullptr returns to the machine's time.
void host_set_local_time(const ClockTime* fixed);
