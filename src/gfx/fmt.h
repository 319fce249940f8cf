// Decimal text of an integer at a moving cursor, and readouts in tenths.
#pragma once
#include <cstdint>

// Writes value in decimal at *cursor and moves the cursor past it; writes no terminator.
void fmt_append_int(int32_t value, char** cursor);

// Room for any text of the two tenths formats below, terminator included.
constexpr int FMT_TENTHS_SIZE = 16;

// "-" for a negative value, the whole part, ".", the first decimal cut off (not rounded): -3.27 gives
// "-3.2". Writes a NUL-terminated text into out (FMT_TENTHS_SIZE bytes) and returns out.
char* fmt_tenths_truncated(float value, char* out);
// The same with the magnitude rounded to tenths, halves away from zero: 0.96 gives "1.0".
char* fmt_tenths_rounded(float value, char* out);
