// An HH:MM:SS value drawn field by field at fixed columns, as the timer and run-time pages show it.
#pragma once
#include <cstdint>

// Where each part of the value goes: the two digits of a field start at its column and advance glyph by
// glyph; each colon is one glyph at its own column. Pen rows as font_draw_glyph takes them.
struct HmsLayout {
    int digit_font, colon_font;
    int32_t digit_y, colon_y;
    int32_t hours_x, colon1_x, minutes_x, colon2_x, seconds_x;
};

// Each field as two digits (tens, units); fields run 0..99.
void page_draw_hms(uint32_t* frame, const HmsLayout& layout, int32_t hours, int32_t minutes, int32_t seconds,
                   uint32_t color);
