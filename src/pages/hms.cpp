#include "pages/hms.h"

#include "gfx/font.h"
#include "gfx/gfx.h"

namespace {

void two_digits(uint32_t* frame, int font, int32_t x, int32_t y, uint32_t color, int32_t value) {
    x += font_draw_glyph(frame, FRAME_WIDTH, FRAME_HEIGHT, font, x, y, color,
                         static_cast<char>('0' + value / 10));
    font_draw_glyph(frame, FRAME_WIDTH, FRAME_HEIGHT, font, x, y, color, static_cast<char>('0' + value % 10));
}

} // namespace

void page_draw_hms(uint32_t* frame, const HmsLayout& l, int32_t hours, int32_t minutes, int32_t seconds,
                   uint32_t color) {
    two_digits(frame, l.digit_font, l.hours_x, l.digit_y, color, hours);
    font_draw_glyph(frame, FRAME_WIDTH, FRAME_HEIGHT, l.colon_font, l.colon1_x, l.colon_y, color, ':');
    two_digits(frame, l.digit_font, l.minutes_x, l.digit_y, color, minutes);
    font_draw_glyph(frame, FRAME_WIDTH, FRAME_HEIGHT, l.colon_font, l.colon2_x, l.colon_y, color, ':');
    two_digits(frame, l.digit_font, l.seconds_x, l.digit_y, color, seconds);
}
