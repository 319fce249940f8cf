// Lays raw frames out on one contact sheet, each with its caption below, in the instrument's own font.
//
//   zt30-sheetgen SHEET.png LIST [COLUMNS]      (COLUMNS 1..16, default 8)
//
// Each line of LIST names a frame dumped by zt30-headless ("dump FILE": 20480 little-endian ARGB words,
// top row first) and the caption to write under it: "FILE CAPTION". Blank lines and lines starting with
// '#' are skipped. tools/gallery.sh uses it for docs/screens/contact-sheet.png.
#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "gfx/font.h"
#include "gfx/gfx.h"
#include "files/png.h"

namespace {

constexpr int MARGIN = 8;   // around the sheet and between tiles
constexpr int CAPTION = 18; // rows under each tile for its caption
constexpr uint32_t SHEET_BACKGROUND = 0xFF303030;
constexpr uint32_t CAPTION_COLOR = 0xFFD0D0D0;
constexpr size_t DUMP_BYTES = FRAME_PIXELS * 4;

struct Entry {
    std::string file, caption;
    int line;
};

bool read_list(const char* path, std::vector<Entry>* out) {
    std::ifstream in(path);
    if (!in) {
        std::fprintf(stderr, "zt30-sheetgen: cannot read %s: %s\n", path, std::strerror(errno));
        return false;
    }
    std::string text;
    for (int line = 1; std::getline(in, text); ++line) {
        size_t start = text.find_first_not_of(" \t\r");
        if (start == std::string::npos || text[start] == '#') continue;
        size_t end = text.find_first_of(" \t", start);
        size_t cap = end == std::string::npos ? std::string::npos : text.find_first_not_of(" \t", end);
        if (cap == std::string::npos) {
            std::fprintf(stderr, "zt30-sheetgen: %s:%d: expected FILE CAPTION\n", path, line);
            return false;
        }
        std::string caption = text.substr(cap);
        while (!caption.empty() && (caption.back() == '\r' || caption.back() == ' ')) caption.pop_back();
        out->push_back({text.substr(start, end - start), caption, line});
    }
    if (out->empty()) {
        std::fprintf(stderr, "zt30-sheetgen: %s names no frame\n", path);
        return false;
    }
    return true;
}

// Copies one dump into the bottom-up sheet with its top-left pixel at (x0, y0).
bool place_frame(const Entry& e, std::vector<uint32_t>& sheet, int w, int h, int x0, int y0) {
    FILE* f = std::fopen(e.file.c_str(), "rb");
    if (!f) {
        std::fprintf(stderr, "zt30-sheetgen: cannot read %s: %s\n", e.file.c_str(), std::strerror(errno));
        return false;
    }
    std::vector<unsigned char> bytes(DUMP_BYTES + 1);
    size_t n = std::fread(bytes.data(), 1, bytes.size(), f);
    std::fclose(f);
    if (n != DUMP_BYTES) {
        std::fprintf(stderr, "zt30-sheetgen: %s is not a frame dump (%zu bytes, not %zu)\n", e.file.c_str(),
                     n, DUMP_BYTES);
        return false;
    }
    const unsigned char* p = bytes.data();
    for (int y = 0; y < FRAME_HEIGHT; ++y)
        for (int x = 0; x < FRAME_WIDTH; ++x, p += 4)
            sheet[gfx_index(x0 + x, y0 + y, w, h)] =
                0xFF000000u | static_cast<uint32_t>(p[2]) << 16 | static_cast<uint32_t>(p[1]) << 8 | p[0];
    return true;
}

} // namespace

int main(int argc, char** argv) {
    if (argc < 3 || argc > 4) {
        std::fprintf(stderr, "usage: zt30-sheetgen SHEET.png LIST [COLUMNS]\n");
        return 2;
    }
    int columns = 8;
    if (argc == 4) {
        char* end = nullptr;
        long v = std::strtol(argv[3], &end, 10);
        if (!end || *end || v < 1 || v > 16) {
            std::fprintf(stderr, "zt30-sheetgen: columns must be a number from 1 to 16: %s\n", argv[3]);
            return 2;
        }
        columns = static_cast<int>(v);
    }
    std::vector<Entry> entries;
    if (!read_list(argv[2], &entries)) return 2;
    const int count = static_cast<int>(entries.size());
    columns = std::min(columns, count);
    const int rows = (count + columns - 1) / columns;
    const int pitch_x = FRAME_WIDTH + MARGIN, pitch_y = FRAME_HEIGHT + CAPTION + MARGIN;
    const int w = MARGIN + columns * pitch_x, h = MARGIN + rows * pitch_y;
    std::vector<uint32_t> sheet(static_cast<size_t>(w) * h, SHEET_BACKGROUND);
    for (int i = 0; i < count; ++i) {
        const Entry& e = entries[i];
        const int x0 = MARGIN + (i % columns) * pitch_x, y0 = MARGIN + (i / columns) * pitch_y;
        if (!place_frame(e, sheet, w, h, x0, y0)) return 1;
        int32_t width = font_text_width(0, e.caption.c_str());
        if (width > FRAME_WIDTH + MARGIN) {
            std::fprintf(stderr, "zt30-sheetgen: %s:%d: caption \"%s\" is wider than its frame\n", argv[2],
                         e.line, e.caption.c_str());
            return 2;
        }
        int32_t x = x0 + (FRAME_WIDTH - width) / 2;
        for (char c : e.caption)
            x += font_draw_glyph(sheet.data(), w, h, 0, x, y0 + FRAME_HEIGHT + 1, CAPTION_COLOR, c);
    }
    if (const char* why = host_png_write_rgb(argv[1], &sheet[gfx_index(0, 0, w, h)], w, h, -w, 1)) {
        std::fprintf(stderr, "zt30-sheetgen: cannot write %s: %s\n", argv[1], why);
        return 1;
    }
    return 0;
}
