// The colours that recur across screens (0xAARRGGBB; 0x00000000 serves as black).
#pragma once
#include <cstdint>

constexpr uint32_t COLOR_WHITE = 0xFFFFFFFF;     // values, icons, most text
constexpr uint32_t COLOR_LABEL = 0xFF60F0F0;     // light cyan page labels: "OK", "ACCEPT"
constexpr uint32_t COLOR_SECONDARY = 0xFF707070; // grey secondary text
constexpr uint32_t COLOR_DIVIDER = 0xFF888888;   // separator lines
constexpr uint32_t COLOR_TITLE = 0xFF00B000;     // green titles
constexpr uint32_t COLOR_BRIGHT_GREEN = 0xFF00FF00;
constexpr uint32_t COLOR_CYAN = 0xFF00FFFF;
constexpr uint32_t COLOR_RED = 0xFFFF0000;
constexpr uint32_t COLOR_YELLOW = 0xFFFFFF00;
constexpr uint32_t COLOR_MAGENTA = 0xFFFF00FF;
constexpr uint32_t COLOR_BLUE_BG = 0xFF000090;
constexpr uint32_t COLOR_BLACK = 0x00000000;
