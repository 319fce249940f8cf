// Six anti-aliased 4-bit bitmap fonts and the text layouts built on them.
#pragma once
#include <cstdint>

struct Font {
    const uint8_t* atlas;  // 4 bits a pixel, high nibble = even column, rows bottom first
    int32_t atlas_width;   // pixels
    int32_t height;        // pixels: the atlas and every glyph
    const char* charset;   // characters held, in atlas order
    const int32_t* starts; // one more entry than charset has characters
};

constexpr int FONT_COUNT = 6;
extern const Font FONT_TABLE[FONT_COUNT];

constexpr int32_t MISSING_GLYPH_ADVANCE = 7;

// Draws ch with its box's left column at x and rows y + 1 .. y + height; returns the advance.
int32_t font_draw_glyph(uint32_t* pixels, int w, int h, int font_index, int32_t x, int32_t y, uint32_t color,
                        char ch);
int32_t font_text_width(int font_index, const char* text);
void font_draw_text_centered(uint32_t* frame, int font_index, int32_t cx, int32_t cy, uint32_t color,
                             const char* text);
// A left-aligned run into any W x H bottom-up array: glyph by glyph from pen (x, y), each advancing the
// pen by its advance. Returns the pen's x after the last character.
int32_t font_draw_text_left(uint32_t* pixels, int w, int h, int font_index, int32_t x, int32_t y,
                            uint32_t color, const char* text);
// Font 0, white, its last advance ending at column 42.
void font_draw_text_right(uint32_t* frame, int32_t y, const char* text);
// Font 0, one character a line, each centred on column x, 14 rows apart.
void font_draw_text_vertical(uint32_t* frame, int32_t x, int32_t y, uint32_t color, const char* text);

// The same glyph drawing for a font that is not in the table (the font generator's specimen uses it).
int32_t font_draw_glyph_of(const Font& font, uint32_t* pixels, int w, int h, int32_t x, int32_t y,
                           uint32_t color, char ch);
// Index of ch in the font's character set, -1 when the font lacks it.
int font_glyph_index(const Font& font, char ch);
// The pen step after ch: its glyph's width, MISSING_GLYPH_ADVANCE when the font lacks it.
int32_t font_advance(const Font& font, char ch);
