#include "front/help.h"

#include <algorithm>
#include <cstring>
#include <iterator>
#include <span>

#include "gfx/colors.h"
#include "gfx/font.h"
#include "gfx/gfx.h"
#include "host/host.h"

namespace {

constexpr int W = BEZEL_WIDTH;
constexpr int TEXT_FONT = 0, TITLE_FONT = 1;
constexpr uint32_t PANEL_BORDER = 0xFF5A6470;
constexpr uint32_t PANEL_FILL = 0xFF06070A;
constexpr uint32_t KEY_COLOR = COLOR_WHITE;
constexpr uint32_t NOTE_COLOR = 0xFFA8A8A8;
constexpr uint32_t TAG_COLOR = 0xFFFFD040;

// The fonts draw into bottom-up pictures: one line of text goes through a strip of that layout.
constexpr int STRIP_HEIGHT = 24;
uint32_t strip[W * STRIP_HEIGHT];

// Text with its left end at x and its cell's top row at top.
int draw_text(uint32_t* picture, int font, int x, int top, uint32_t color, const char* text) {
    const int h = FONT_TABLE[font].height + 2;
    for (int r = 0; r < h; ++r)
        std::memcpy(&strip[(h - 1 - r) * W], &picture[(top + r) * W], W * sizeof(uint32_t));
    for (; *text; ++text) x += font_draw_glyph(strip, W, h, font, x, 0, color, *text);
    for (int r = 0; r < h; ++r)
        std::memcpy(&picture[(top + r) * W], &strip[(h - 1 - r) * W], W * sizeof(uint32_t));
    return x;
}

// A plain rimmed box: nothing of the bezel's lettering or grille shows through the text over it.
void draw_box(uint32_t* picture, int x0, int y0, int x1, int y1) {
    for (int y = y0; y < y1; ++y)
        for (int x = x0; x < x1; ++x) {
            bool rim = y == y0 || y == y1 - 1 || x == x0 || x == x1 - 1;
            picture[y * W + x] = rim ? PANEL_BORDER : PANEL_FILL;
        }
}

// A tag naming a button's keys, with its box, left end at x and text centred on row cy.
void draw_tag(uint32_t* picture, int x, int cy, const char* text) {
    const int h = FONT_TABLE[TEXT_FONT].height;
    draw_box(picture, x, cy - h / 2 - 3, x + font_text_width(TEXT_FONT, text) + 9, cy + h / 2 + 4);
    draw_text(picture, TEXT_FONT, x + 5, cy - h / 2 - 2, TAG_COLOR, text);
}

constexpr HostHelpRow ROWS[] = {
    {"VIEW", "V  Up", ""},
    {"Left key", "Left", ""},
    {"Right key", "Right", "hold 1.2 s: brightness"},
    {"BOTH", "B  Down  Space", ""},
    {"Zoom", "Ctrl+  Ctrl-  Ctrl+0", ""},
    {"Screenshot", "F12", "Shift+F12: display"},
    {"Help", "F1  ?", ""},
    {"Quit", "Ctrl+Q  Esc", ""},
};

} // namespace

const char* const HOST_HELP_TEXT =
    "Controls (mouse: left button on the pictured buttons; a button is held while the mouse or key is):\n"
    "  VIEW                 V or Up arrow\n"
    "  left soft key        Left arrow\n"
    "  right soft key       Right arrow (hold 1.2 s: brightness screen)\n"
    "  BOTH                 B, Down arrow or Space\n"
    "  zoom                 Ctrl+plus, Ctrl+minus; Ctrl+0 back to 1:1\n"
    "  screenshot           F12 the window, Shift+F12 the display at 4x (PNG in the current folder)\n"
    "  help over the bezel  F1 or ?\n"
    "  quit                 Ctrl+Q or Escape\n";

void host_help_draw(uint32_t* picture) {
    host_help_draw_rows(picture, "Keys (the mouse works too)", ROWS, static_cast<int>(std::size(ROWS)));
}

void host_help_draw_rows(uint32_t* picture, const char* title, const HostHelpRow* rows, int count) {
    // Beside the keys, clear of the display window (columns 158-299, rows 100-272).
    draw_tag(picture, 36, 150, "V  Up");
    draw_tag(picture, 48, 220, "Left");
    draw_tag(picture, 367, 220, "Right");
    draw_tag(picture, 268, 300, "B  Down  Space");

    const int x0 = 30, x1 = W - 30, top = 336, row_h = 17;
    const int bottom = top + 34 + count * row_h + 6;
    draw_box(picture, x0, top, x1, bottom);
    draw_text(picture, TITLE_FONT, x0 + 12, top + 7, COLOR_LABEL, title);
    int y = top + 32;
    for (const HostHelpRow& r : std::span(rows, static_cast<size_t>(count))) {
        draw_text(picture, TEXT_FONT, x0 + 12, y, COLOR_LABEL, r.control);
        int end = draw_text(picture, TEXT_FONT, x0 + 112, y, KEY_COLOR, r.keys);
        if (*r.note) draw_text(picture, TEXT_FONT, std::max(end + 14, x0 + 226), y, NOTE_COLOR, r.note);
        y += row_h;
    }
}
