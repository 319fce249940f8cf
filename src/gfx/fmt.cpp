#include "gfx/fmt.h"

#include <cmath>

void fmt_append_int(int32_t value, char** cursor) {
    char* out = *cursor;
    if (value == 0) {
        *out++ = '0';
        *cursor = out;
        return;
    }
    // Work on the magnitude as unsigned so that the most negative value has one too.
    uint32_t magnitude = static_cast<uint32_t>(value);
    if (value < 0) {
        *out++ = '-';
        magnitude = 0u - magnitude;
    }
    char digits[10];
    int n = 0;
    while (magnitude != 0) {
        digits[n++] = static_cast<char>('0' + magnitude % 10);
        magnitude /= 10;
    }
    while (n > 0) *out++ = digits[--n];
    *cursor = out;
}

namespace {

// Beyond this the whole part no longer fits in 32 bits; readouts never come near it.
constexpr float TENTHS_MAGNITUDE_LIMIT = 2.0e8f;

float limited_magnitude(float value) {
    float a = std::fabs(value);
    return a < TENTHS_MAGNITUDE_LIMIT ? a : TENTHS_MAGNITUDE_LIMIT; // NaN takes the limit too
}

char* finish_tenths(char* cursor, int32_t whole, int32_t tenth, char* out) {
    fmt_append_int(whole, &cursor);
    *cursor++ = '.';
    *cursor++ = static_cast<char>('0' + tenth);
    *cursor = '\0';
    return out;
}

} // namespace

char* fmt_tenths_truncated(float value, char* out) {
    char* cursor = out;
    if (value < 0.0f) *cursor++ = '-';
    float a = limited_magnitude(value);
    float whole = std::trunc(a);
    // Single precision on purpose: 2.3f holds 2.2999999 and shows as 2.2.
    float tenth = std::trunc((a - whole) * 10.0f);
    return finish_tenths(cursor, static_cast<int32_t>(whole), static_cast<int32_t>(tenth), out);
}

char* fmt_tenths_rounded(float value, char* out) {
    char* cursor = out;
    if (value < 0.0f) *cursor++ = '-';
    int32_t n = static_cast<int32_t>(std::lroundf(limited_magnitude(value) * 10.0f));
    return finish_tenths(cursor, n / 10, n % 10, out);
}
