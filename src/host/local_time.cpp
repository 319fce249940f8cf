#include "host/local_time.h"

#include <ctime>

namespace {
bool time_fixed = false;
ClockTime fixed_time{};
} // namespace

void host_set_local_time(const ClockTime* fixed) {
    time_fixed = fixed != nullptr;
    if (fixed) fixed_time = *fixed;
}

void host_local_time(ClockTime* out) {
    if (time_fixed) {
        *out = fixed_time;
        return;
    }
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
