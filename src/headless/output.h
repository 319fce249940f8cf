// What the file commands write, each whole or not at all: nullptr, or the reason it failed.
#pragma once

// shot: the last rendered frame as an RGB PNG, each pixel a scale x scale square.
const char* headless_write_shot(const char* path, int scale);
// window: the whole 450 x 550 window picture as an RGB PNG.
const char* headless_write_window(const char* path);
// dump: the last rendered frame as 20,480 little-endian ARGB words, top row first.
const char* headless_write_dump(const char* path);
