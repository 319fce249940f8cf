#include "gfx/fmt.h"

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
