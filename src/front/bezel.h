// The picture of the instrument's front that the window shows, with the live display inside it.
#pragma once
#include <cstdint>

// Draws the whole window picture, 450 x 550 pixels of 0xFFRRGGBB, top row first: the bezel, with
// every button whose line is set drawn pressed, and the last rendered frame at (165, 107).
void host_bezel_compose(uint32_t* out);

// The controls drawn pressed, one bit each: a button while its line is set, BOTH while both soft-key
// lines are set. A presenter recomposes the whole picture only when this changes.
constexpr uint32_t BEZEL_PRESSED_VIEW = 1, BEZEL_PRESSED_LEFT = 2, BEZEL_PRESSED_RIGHT = 4,
                   BEZEL_PRESSED_BOTH = 8;
uint32_t host_bezel_pressed();

// Copies only the last rendered frame into a picture composed before; the bezel around it stays.
void host_bezel_put_frame(uint32_t* out);

// The instrument's front scaled into size x size pixels of 0xAARRGGBB (transparent margins), top row
// first, for the window and desktop icons. size is 16..256.
void host_bezel_icon(uint32_t* out, int size);
