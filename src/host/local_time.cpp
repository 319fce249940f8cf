#include "host/local_time.h"

#include <ctime>

namespace {
bool time_fixed = false;
ClockTime fixed_time{};
uint32_t reads = 0;
ClockTime last_read{};

void machine_time(ClockTime* out) {
    timespec ts{};
    clock_gettime(CLOCK_REALTIME, &ts);
    tm local{};
    localtime_r(&ts.tv_sec, &local);
    out->year = static_cast<uint16_t>(local.tm_year + 1900);
    out->month = static_cast<uint16_t>(local.tm_mon + 1);
    out->day_of_week = static_cast<uint16_t>(local.tm_wday);
    out->day = static_cast<uint16_t>(local.tm_mday);
    out->hour = static_cast<uint16_t>(local.tm_hour);
    out->minute = static_cast<uint16_t>(local.tm_min);
    out->second = static_cast<uint16_t>(local.tm_sec);
    out->milliseconds = static_cast<uint16_t>(ts.tv_nsec / 1000000);
}
} // namespace

void host_set_local_time(const ClockTime* fixed) {
    time_fixed = fixed != nullptr;
    if (fixed) fixed_time = *fixed;
}

void host_local_time(ClockTime* out) {
    if (time_fixed)
        *out = fixed_time;
    else
        machine_time(out);
    last_read = *out;
    ++reads;
}

uint32_t host_local_time_reads() {
    return reads;
}

ClockTime host_local_time_last_read() {
    return last_read;
}
