#include "gfx/font.h"

// Placeholder until the glyph atlases are generated: every font is empty, so every character is missing.
static const int32_t NO_STARTS[1] = {0};
const Font FONT_TABLE[FONT_COUNT] = {
    {nullptr, 0, 14, "", NO_STARTS}, {nullptr, 0, 18, "", NO_STARTS}, {nullptr, 0, 20, "", NO_STARTS},
    {nullptr, 0, 23, "", NO_STARTS}, {nullptr, 0, 29, "", NO_STARTS}, {nullptr, 0, 51, "", NO_STARTS},
};

int32_t font_draw_glyph(uint32_t*, int, int, int, int32_t, int32_t, uint32_t, char) {
    return MISSING_GLYPH_ADVANCE;
}

int32_t font_text_width(int, const char* text) {
    int32_t w = 0;
    for (; *text; ++text) w += MISSING_GLYPH_ADVANCE;
    return w;
}

void font_draw_text_centered(uint32_t*, int, int32_t, int32_t, uint32_t, const char*) {}
void font_draw_text_right(uint32_t*, int32_t, const char*) {}
void font_draw_text_vertical(uint32_t*, int32_t, int32_t, uint32_t, const char*) {}
