// Drawing of the SETUP page: the item list and the screen of each item.
#pragma once
#include <cstdint>

#include "gfx/colors.h"

constexpr uint32_t SETUP_TITLE_COLOR = COLOR_TITLE;       // screen titles
constexpr uint32_t SETUP_TEXT_COLOR = COLOR_LABEL;        // labels, rows, "SETUP"
constexpr uint32_t SETUP_DIM_COLOR = COLOR_SECONDARY;     // bottom labels, inactive values, unavailable rows
constexpr uint32_t SETUP_HIGHLIGHT_COLOR = COLOR_MAGENTA; // selection bar, "SEL" / "DIS" / "ENA"
constexpr uint32_t SETUP_NOTICE_COLOR = COLOR_YELLOW;     // caution texts, "ACK"

// The temperature OAT TRIM shows where a sensor would be read, unless one is given (live_roll_deg is the
// roll ROLL TRIM adds).
constexpr float SETUP_LIVE_OAT_C = 22.4f;

// Draws page 9 whole: the list, or the screen named by setup_state.setup_screen.
void setup_draw_screen(uint32_t* frame);

// The number texts of the screens, NUL-ended in out (12 bytes suffice). Tenths: 150 -> "15.0",
// -5 -> "-0.5". Whole: plain decimal.
void setup_format_tenths(int32_t tenths, char* out);
void setup_format_whole(int32_t value, char* out);
