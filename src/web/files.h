// The files a script run writes, kept in memory by name: the browser's stand-in for the file outputs of
// the headless runner (headless/output.h, implemented in files.cpp).
#pragma once
#include <cstddef>
#include <cstdint>

// What one run may keep.
constexpr size_t WEB_FILES_BYTES = 16u << 20;
constexpr int WEB_FILES_MAX = 64;
constexpr size_t WEB_FILE_NAME_MAX = 255;

// Forgets every file (before each run).
void web_files_clear();

// The file of that name written by the last run: its bytes and size; nullptr when there is none.
const uint8_t* web_files_find(const char* name, size_t* size);
