// The shared 4-bit icon masks: two pixels a byte (high nibble left), rows bottom first.
#pragma once
#include <cstdint>

struct MaskImage {
    const uint8_t* data;
    int width;
    int height;
};

extern const MaskImage MASK_ARROW_UP;    // 12 x 8
extern const MaskImage MASK_ARROW_DOWN;  // 12 x 8
extern const MaskImage MASK_ARROW_LEFT;  // 8 x 12
extern const MaskImage MASK_ARROW_RIGHT; // 8 x 12
extern const MaskImage MASK_CHECK;       // 8 x 11
extern const MaskImage MASK_CROSS;       // 8 x 10
extern const MaskImage MASK_PLAY;        // 16 x 17
extern const MaskImage MASK_PAUSE;       // 16 x 17
extern const MaskImage MASK_BALL;        // 20 x 20
