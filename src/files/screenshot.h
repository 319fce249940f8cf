// Screenshots: PNG files named after the local time, written whole or not at all, never over another.
#pragma once
#include <cstddef>
#include <cstdint>
#include <ctime>

// "zt30-YYYYMMDD-HHMMSS.png" for the local time `when`; from n = 2 on "zt30-YYYYMMDD-HHMMSS-N.png".
void host_screenshot_name(time_t when, int n, char* out, size_t size);

// Writes width x height pixels of 0x??RRGGBB (top row first, rows `stride` words apart, negative for
// bottom-up arrays), each enlarged to a scale x scale square, into `folder` under the first name of
// host_screenshot_name that is free. The picture goes to a temporary file that takes its name only
// once complete, so a failure leaves nothing behind. Returns nullptr with the name in name_out, or the
// reason it failed.
const char* host_screenshot_write(const char* folder, time_t when, const uint32_t* top, int width, int height,
                                  ptrdiff_t stride, int scale, char* name_out, size_t name_size);
