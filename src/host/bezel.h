// The picture of the instrument's front that the window shows, with the live display inside it.
#pragma once
#include <cstdint>

// Draws the whole window picture, 450 x 550 pixels of 0xFFRRGGBB, top row first: the bezel, with
// every button whose line is set drawn pressed, and the last rendered frame at (165, 107).
void host_bezel_compose(uint32_t* out);
