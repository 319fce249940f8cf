// The local time of day the CLOCK page reads once; fixed by tests and the headless runner.
#pragma once
#include <cstdint>

#include "pages/clock.h"

// The machine's local time with milliseconds, or the fixed time when one is set.
void host_local_time(ClockTime* out);

// From now on host_local_time reads this (date fields as given); nullptr returns to the machine's time.
void host_set_local_time(const ClockTime* fixed);

// How many times host_local_time has been called since the process started, and what the latest call
// returned: a session recorder compares the count after each tick to learn that the instrument read
// the time, and when.
uint32_t host_local_time_reads();
ClockTime host_local_time_last_read();
