// Decimal text of an integer at a moving cursor.
#pragma once
#include <cstdint>

// Writes value in decimal at *cursor and moves the cursor past it; writes no terminator.
void fmt_append_int(int32_t value, char** cursor);
