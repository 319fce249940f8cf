// Writes src/gfx/font_data.cpp, the six 4-bit glyph atlases, by rasterising DejaVu faces with FreeType,
// and a specimen picture of every glyph. Each glyph is fitted into the fixed advance cell of its font:
// centred, never wider than the cell less one blank column, on one baseline per font.
// Usage: zt30-fontgen [--fonts DIR] OUTPUT.cpp SPECIMEN.png
#include <ft2build.h>
#include FT_FREETYPE_H

#include <png.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "gfx/font.h"
#include "gfx/gfx.h"

namespace {

// ---------------------------------------------------------------------------------------------------------
// The fixed shape of the six fonts: heights, atlas widths, character sets and advances.

const char ASCII_SET[] =
    "!\"#$%&'()*+,-./0123456789:;<=>?@ABCDEFGHIJKLMNOPQRSTUVWXYZ[\\]^_`abcdefghijklmnopqrstuvwxyz{|}~";

struct Shape {
    int height, atlas_width;
    const char* charset;
    std::vector<int> advances;
};

const Shape SHAPES[FONT_COUNT] = {
    {14, 588, ASCII_SET, {4, 5, 7, 6, 10, 8, 3,  3,  4, 5, 6, 3, 4, 4, 3, 6, 6, 6, 6, 7, 6,  6, 7, 6,
                          6, 4, 4, 6, 7,  6, 7,  11, 9, 8, 8, 8, 8, 7, 9, 7, 4, 6, 8, 7, 10, 7, 9, 8,
                          9, 8, 7, 7, 8,  8, 10, 8,  7, 8, 3, 3, 3, 7, 7, 4, 6, 6, 7, 7, 6,  4, 7, 7,
                          2, 4, 6, 3, 11, 6, 7,  7,  7, 4, 6, 5, 6, 7, 8, 6, 6, 6, 5, 2, 5,  6}},
    {18, 756, ASCII_SET, {5,  7,  8, 8, 14, 10, 3,  5,  5,  5,  9,  4,  5,  3,  5,  8,  7,  9,  7,
                          9,  8,  8, 8, 8,  8,  5,  5,  8,  9,  8,  9,  14, 11, 11, 10, 11, 10, 8,
                          11, 10, 4, 9, 11, 8,  12, 11, 11, 10, 11, 10, 10, 9,  10, 10, 14, 10, 9,
                          10, 4,  4, 5, 8,  9,  4,  8,  9,  8,  9,  8,  5,  9,  9,  3,  5,  8,  3,
                          13, 9,  9, 9, 9,  6,  7,  6,  8,  8,  12, 8,  8,  7,  6,  3,  6,  9}},
    {20, 224, "0123456789+,-.tdkn:cfm", {11, 11, 11, 11, 11, 11, 11, 11, 11, 11, 10,
                                         4,  7,  4,  6,  8,  6,  10, 6,  9,  9,  21}},
    {23, 256, "0123456789+,-./dkn:cf", {12, 12, 12, 12, 12, 12, 12, 13, 11, 12, 12,
                                        5,  8,  5,  7,  9,  7,  11, 6,  11, 9}},
    {29, 324, "0123456789+,-./dkn:cfm", {15, 15, 15, 15, 15, 15, 15, 15, 15, 15, 15,
                                         6,  11, 6,  10, 12, 8,  14, 8,  14, 10, 26}},
    {51, 360, "0123456789.+-", {31, 31, 31, 31, 31, 31, 31, 31, 31, 31, 7, 17, 16}},
};

// ---------------------------------------------------------------------------------------------------------
// How each font is drawn.

struct Style {
    const char* face; // file in the font directory; the small letters of the unit glyphs too
    int cap_rows;     // height of the capitals and digits in pixels
    int baseline;     // rows above the baseline: ink of a capital ends on row baseline - 1
};

const Style STYLES[FONT_COUNT] = {
    {"DejaVuSansCondensed.ttf", 9, 11},       {"DejaVuSansCondensed.ttf", 12, 14},
    {"DejaVuSansCondensed-Bold.ttf", 14, 17}, {"DejaVuSansCondensed-Bold.ttf", 16, 20},
    {"DejaVuSansCondensed-Bold.ttf", 21, 25}, {"DejaVuSansCondensed-Bold.ttf", 38, 44},
};

// FreeType's own hinter snaps stems in both directions, which keeps 9-pixel capitals crisp; the fonts'
// bytecode hints only act vertically with FreeType's current interpreter, but they reach some tiny
// capital heights (6 pixels of bold) that the other skips.
const FT_Int32 AUTO_HINTS = FT_LOAD_FORCE_AUTOHINT | FT_LOAD_TARGET_NORMAL;
const FT_Int32 FONT_HINTS = FT_LOAD_TARGET_NORMAL;

// ---------------------------------------------------------------------------------------------------------
// 8-bit coverage pictures.

struct Gray {
    int w = 0, h = 0;
    std::vector<uint8_t> v; // top row first
    Gray() = default;
    Gray(int w_, int h_) : w(w_), h(h_), v(static_cast<size_t>(w_) * h_, 0) {}
    uint8_t at(int x, int y) const { return v[static_cast<size_t>(y) * w + x]; }
    uint8_t& at(int x, int y) { return v[static_cast<size_t>(y) * w + x]; }
};

// A piece of ink and where its top-left pixel lies relative to the pen on the baseline.
struct Ink {
    Gray bm;
    int left = 0, top = 0; // column right of the pen, rows above the baseline
};

// A coverage this low quantises to intensity 0 and is no ink at all.
bool visible(uint8_t v) {
    return v * 15 + 127 >= 255;
}

// Cuts the blank border off an ink picture.
Ink trim(const Ink& in) {
    int x0 = in.bm.w, x1 = -1, y0 = in.bm.h, y1 = -1;
    for (int y = 0; y < in.bm.h; ++y)
        for (int x = 0; x < in.bm.w; ++x)
            if (visible(in.bm.at(x, y))) {
                x0 = std::min(x0, x), x1 = std::max(x1, x);
                y0 = std::min(y0, y), y1 = std::max(y1, y);
            }
    Ink out;
    if (x1 < 0) return out;
    out.bm = Gray(x1 - x0 + 1, y1 - y0 + 1);
    for (int y = y0; y <= y1; ++y)
        for (int x = x0; x <= x1; ++x) out.bm.at(x - x0, y - y0) = in.bm.at(x, y);
    out.left = in.left + x0;
    out.top = in.top - y0;
    return out;
}

// Adds src into dst with its top-left pixel at (x, y), saturating.
void put(Gray& dst, const Gray& src, int x, int y, int* clipped = nullptr) {
    for (int j = 0; j < src.h; ++j)
        for (int i = 0; i < src.w; ++i) {
            if (src.at(i, j) == 0) continue;
            int dx = x + i, dy = y + j;
            if (dx < 0 || dx >= dst.w || dy < 0 || dy >= dst.h) {
                if (clipped && visible(src.at(i, j))) ++*clipped;
                continue;
            }
            dst.at(dx, dy) = static_cast<uint8_t>(std::min(255, dst.at(dx, dy) + src.at(i, j)));
        }
}

// ---------------------------------------------------------------------------------------------------------
// FreeType.

FT_Library library;

struct Face {
    std::string file;
    FT_Face face = nullptr;
};
std::vector<Face> faces;

FT_Face open_face(const std::string& dir, const std::string& file) {
    for (const Face& f : faces)
        if (f.file == file) return f.face;
    FT_Face face;
    std::string path = dir + "/" + file;
    if (FT_New_Face(library, path.c_str(), 0, &face) != 0) {
        std::fprintf(stderr, "zt30-fontgen: cannot open font %s\n", path.c_str());
        std::exit(1);
    }
    faces.push_back({file, face});
    return face;
}

// A text rendered at width px_x and height px_y (pixels per em), on one baseline, trimmed.
Ink render(FT_Face face, const std::u32string& text, double px_x, double px_y, FT_Int32 hints = AUTO_HINTS) {
    FT_Set_Char_Size(face, std::lround(px_x * 64), std::lround(px_y * 64), 72, 72);
    struct Piece {
        Gray bm;
        int left, top;
    };
    std::vector<Piece> pieces;
    int pen = 0;
    for (char32_t cp : text) {
        FT_UInt index = FT_Get_Char_Index(face, cp);
        if (index == 0 || FT_Load_Glyph(face, index, hints) != 0 ||
            FT_Render_Glyph(face->glyph, FT_RENDER_MODE_NORMAL) != 0) {
            std::fprintf(stderr, "zt30-fontgen: the face lacks U+%04X\n", static_cast<unsigned>(cp));
            std::exit(1);
        }
        const FT_Bitmap& b = face->glyph->bitmap;
        Piece p{Gray(static_cast<int>(b.width), static_cast<int>(b.rows)), pen + face->glyph->bitmap_left,
                face->glyph->bitmap_top};
        for (int y = 0; y < p.bm.h; ++y)
            for (int x = 0; x < p.bm.w; ++x) p.bm.at(x, y) = b.buffer[y * b.pitch + x];
        pieces.push_back(std::move(p));
        pen += static_cast<int>((face->glyph->advance.x + 32) >> 6);
    }
    int x0 = 0, x1 = 1, top = 0, bottom = 0;
    for (const Piece& p : pieces) {
        x0 = std::min(x0, p.left), x1 = std::max(x1, p.left + p.bm.w);
        top = std::max(top, p.top), bottom = std::min(bottom, p.top - p.bm.h);
    }
    Ink all;
    all.bm = Gray(x1 - x0, top - bottom);
    all.left = x0;
    all.top = top;
    for (const Piece& p : pieces) put(all.bm, p.bm, p.left - x0, top - p.top);
    return trim(all);
}

// The largest size at which text is at most rows tall; with the fonts' own hints when only they reach
// the height exactly.
double size_for_rows(FT_Face face, const std::u32string& text, int rows, FT_Int32* hints = nullptr) {
    double best[2] = {4, 4};
    int reached[2] = {0, 0};
    const FT_Int32 modes[2] = {AUTO_HINTS, FONT_HINTS};
    for (int m = 0; m < (hints ? 2 : 1); ++m)
        for (double px = 4; px < 120; px += 0.125) {
            int h = render(face, text, px, px, modes[m]).bm.h;
            if (h > rows) break;
            best[m] = px, reached[m] = h;
        }
    const int m = hints && reached[0] < rows && reached[1] == rows ? 1 : 0;
    if (hints) *hints = modes[m];
    return best[m];
}

double size_for_cap(FT_Face face, int cap_rows) {
    return size_for_rows(face, U"H", cap_rows);
}

// Renders text at the size px, squeezed horizontally as little as needed to be at most max_w wide.
Ink fit(FT_Face face, const std::u32string& text, double px, int max_w, double* squeeze = nullptr,
        FT_Int32 hints = AUTO_HINTS) {
    double sx = 1.0;
    for (int tries = 0; tries < 60; ++tries, sx *= 0.98) {
        Ink ink = render(face, text, px * sx, px, hints);
        if (ink.bm.w <= max_w) {
            if (squeeze) *squeeze = sx;
            return ink;
        }
    }
    std::fprintf(stderr, "zt30-fontgen: cannot fit text into %d columns\n", max_w);
    std::exit(1);
}

// ---------------------------------------------------------------------------------------------------------
// Building the glyph cells.

struct Built {
    int height, atlas_width;
    std::string charset;
    std::vector<int32_t> starts;
    std::vector<Gray> cells; // one per character, advance x height
    std::vector<uint8_t> atlas;
    std::string note;
};

int room(int advance) {
    return std::max(1, advance - 1);
}

// A ring of the given outer diameter with a stroke about a pixel wide, sampled 8 x 8 per pixel.
Gray degree_ring(int d) {
    Gray g(d, d);
    const double c = d / 2.0, outer = d / 2.0, inner = outer - 1.1;
    for (int y = 0; y < d; ++y)
        for (int x = 0; x < d; ++x) {
            int n = 0;
            for (int k = 0; k < 64; ++k) {
                double px = x + (k % 8 + 0.5) / 8 - c, py = y + (k / 8 + 0.5) / 8 - c;
                double r = std::sqrt(px * px + py * py);
                n += r <= outer && r >= inner;
            }
            g.at(x, y) = static_cast<uint8_t>(std::min(255, n * 255 * 5 / (64 * 4)));
        }
    return g;
}

// Places ink on the cell's baseline, centred in the columns [x0, x1). A descender too long for the cell
// (a low line, a heavy comma) is lifted rather than cut.
void place_on_baseline(Gray& cell, const Ink& ink, int baseline, int x0, int x1, int* clipped) {
    int x = x0 + (x1 - x0 - ink.bm.w) / 2;
    int y = std::min(baseline - ink.top, cell.h - ink.bm.h);
    put(cell, ink.bm, x, y, clipped);
}

// Places ink with its top row at row top, centred in the columns [x0, x1).
void place_at_top(Gray& cell, const Ink& ink, int top, int x0, int x1, int* clipped) {
    int x = x0 + (x1 - x0 - ink.bm.w) / 2;
    put(cell, ink.bm, x, top, clipped);
}

Built build(int index, const std::string& dir) {
    const Shape& shape = SHAPES[index];
    const Style& style = STYLES[index];
    FT_Face face = open_face(dir, style.face);
    const double px = size_for_cap(face, style.cap_rows);

    Built b;
    b.height = shape.height;
    b.atlas_width = shape.atlas_width;
    b.charset = shape.charset;
    b.starts.push_back(0);
    for (int a : shape.advances) b.starts.push_back(b.starts.back() + a);

    // Digits share one size and one squeeze, so that they look alike whatever their cells.
    double digit_squeeze = 1.0;
    for (size_t i = 0; i < b.charset.size(); ++i) {
        char ch = b.charset[i];
        if (ch < '0' || ch > '9') continue;
        double sx;
        fit(face, std::u32string(1, static_cast<char32_t>(ch)), px, room(shape.advances[i]), &sx);
        digit_squeeze = std::min(digit_squeeze, sx);
    }
    // The digits' height, measured on the flat-topped 1.
    Ink one = render(face, U"1", px * digit_squeeze, px);
    const int digit_top = style.baseline - one.top;
    const int digit_rows = one.bm.h;
    const double digit_middle = digit_top + digit_rows / 2.0;

    // The unit letters stand two to a digit height, the upper one level with the digits' top, the lower
    // one on the baseline.
    const int letter_rows = (digit_rows - 1) / 2;
    const bool digits_only = b.charset[0] == '0';

    int clipped = 0;
    for (size_t i = 0; i < b.charset.size(); ++i) {
        const char ch = b.charset[i];
        const int adv = shape.advances[i];
        const std::u32string text(1, static_cast<char32_t>(ch));
        Gray cell(adv, shape.height);
        auto at_top = [&](const Ink& ink, int top) { place_at_top(cell, ink, top, 0, adv, &clipped); };
        auto at_middle = [&](const Ink& ink) {
            at_top(ink, static_cast<int>(std::lround(digit_middle - ink.bm.h / 2.0)));
        };
        if (ch >= '0' && ch <= '9') {
            place_on_baseline(cell, render(face, text, px * digit_squeeze, px), style.baseline, 0, adv,
                              &clipped);
        } else if (!digits_only) {
            place_on_baseline(cell, fit(face, text, px, room(adv)), style.baseline, 0, adv, &clipped);
        } else if (ch == 't' || ch == 'k' || ch == 'n' || ch == 'm') {
            // Stacked unit letters; the three of MPH go in two lines, M over PH.
            const char32_t* upper = ch == 't' ? U"F" : ch == 'k' ? U"K" : U"N";
            const char32_t* lower = ch == 't' || ch == 'k' ? U"T" : U"M";
            if (ch == 'm') upper = U"M", lower = U"PH";
            FT_Int32 hints;
            const double letter_px = size_for_rows(face, std::u32string(upper) + lower, letter_rows, &hints);
            const Ink top_line = fit(face, upper, letter_px, room(adv), nullptr, hints);
            const Ink bottom_line = fit(face, lower, letter_px, room(adv), nullptr, hints);
            at_top(top_line, digit_top);
            at_top(bottom_line, style.baseline - bottom_line.bm.h);
        } else if (ch == 'c' || ch == 'f') {
            // A small degree ring and beside it a capital two thirds of the digits' height. The cells are
            // narrow, so the ring is drawn here at a size no face offers with its hole still open.
            const Gray ring = degree_ring(std::clamp(digit_rows / 4, 3, 6));
            const char32_t* letter = ch == 'c' ? U"C" : U"F";
            const double letter_px = size_for_rows(face, letter, digit_rows * 2 / 3);
            const Ink cap = fit(face, letter, letter_px, room(adv) - ring.w - 1);
            const int x0 = (adv - (ring.w + 1 + cap.bm.w)) / 2;
            put(cell, ring, x0, digit_top, &clipped);
            put(cell, cap.bm, x0 + ring.w + 1, digit_top, &clipped);
        } else if (ch == 'd') {
            at_top(fit(face, U"\u00B0", px, room(adv)), digit_top);
        } else if (ch == '+') {
            // Built from the font's own minus and that minus turned upright, so that the two signs match
            // and the cross is square and symmetric.
            Ink bar = fit(face, U"\u2212", px, room(adv));
            if ((bar.bm.w - bar.bm.h) % 2 != 0) bar = fit(face, U"\u2212", px, bar.bm.w - 1);
            const int w = bar.bm.w, t = bar.bm.h, offset = (w - t) / 2;
            Ink plus;
            plus.bm = Gray(w, w);
            for (int y = 0; y < t; ++y)
                for (int x = 0; x < w; ++x) {
                    uint8_t v = bar.bm.at(x, y);
                    plus.bm.at(x, offset + y) = std::max(plus.bm.at(x, offset + y), v);
                    plus.bm.at(offset + y, x) = std::max(plus.bm.at(offset + y, x), v);
                }
            at_middle(plus);
        } else if (ch == '-') {
            at_middle(fit(face, U"\u2212", px, room(adv))); // the minus sign: level with the plus
        } else if (ch == ':') {
            at_middle(fit(face, text, px, room(adv)));
        } else {
            place_on_baseline(cell, fit(face, text, px, room(adv)), style.baseline, 0, adv, &clipped);
        }
        if (clipped) {
            std::fprintf(stderr, "zt30-fontgen: font %d, '%c': %d pixels fall outside the cell\n", index, ch,
                         clipped);
            clipped = 0;
        }
        b.cells.push_back(std::move(cell));
    }

    // The atlas: 4 bits a pixel, even column in the high nibble, bottom row stored first.
    const int row_bytes = shape.atlas_width / 2;
    b.atlas.assign(static_cast<size_t>(row_bytes) * shape.height, 0);
    for (size_t i = 0; i < b.cells.size(); ++i) {
        const Gray& cell = b.cells[i];
        for (int y = 0; y < cell.h; ++y)
            for (int x = 0; x < cell.w; ++x) {
                int n = (cell.at(x, y) * 15 + 127) / 255;
                int col = b.starts[i] + x, r = shape.height - 1 - y;
                uint8_t& byte = b.atlas[static_cast<size_t>(r) * row_bytes + col / 2];
                byte |= static_cast<uint8_t>((col & 1) ? n : n << 4);
            }
    }
    char note[200];
    std::snprintf(note, sizeof note, "%s at %.3f px, digits squeezed to %.0f%%", style.face, px,
                  digit_squeeze * 100);
    b.note = note;
    return b;
}

// ---------------------------------------------------------------------------------------------------------
// Output.

std::string c_string(const std::string& s) {
    std::string out = "\"";
    for (char c : s) {
        if (c == '"' || c == '\\') out += '\\';
        out += c;
    }
    return out + "\"";
}

bool write_source(const char* path, const std::vector<Built>& fonts) {
    FILE* out = std::fopen(path, "w");
    if (!out) return false;
    std::fprintf(out, "// Generated by tools/fontgen.cpp; do not edit.\n// clang-format off\n");
    std::fprintf(out, "// Rasterised with FreeType from the DejaVu fonts (licence in docs/FONT-LICENSE):\n");
    for (size_t f = 0; f < fonts.size(); ++f)
        std::fprintf(out, "// font %zu: %d px high, %s.\n", f, fonts[f].height, fonts[f].note.c_str());
    std::fprintf(out, "#include \"gfx/font.h\"\n\nnamespace {\n");
    std::vector<std::string> charset_names;
    for (size_t f = 0; f < fonts.size(); ++f) {
        std::string name = "CHARSET_" + std::to_string(f);
        for (size_t g = 0; g < f; ++g)
            if (fonts[g].charset == fonts[f].charset) name = charset_names[g];
        charset_names.push_back(name);
        if (name == "CHARSET_" + std::to_string(f))
            std::fprintf(out, "\nconst char %s[] = %s;\n", name.c_str(), c_string(fonts[f].charset).c_str());
    }
    for (size_t f = 0; f < fonts.size(); ++f) {
        const Built& b = fonts[f];
        std::fprintf(out, "\nconst int32_t STARTS_%zu[%zu] = {", f, b.starts.size());
        for (size_t i = 0; i < b.starts.size(); ++i)
            std::fprintf(out, "%s%d%s", i % 16 == 0 ? "\n    " : "", b.starts[i],
                         i + 1 < b.starts.size() ? ", " : "");
        std::fprintf(out, "\n};\n\nconst uint8_t ATLAS_%zu[%zu] = {", f, b.atlas.size());
        for (size_t i = 0; i < b.atlas.size(); ++i)
            std::fprintf(out, "%s0x%02X,", i % 18 == 0 ? "\n    " : " ", b.atlas[i]);
        std::fprintf(out, "\n};\n");
    }
    std::fprintf(out, "\n} // namespace\n\nconst Font FONT_TABLE[FONT_COUNT] = {\n");
    for (size_t f = 0; f < fonts.size(); ++f)
        std::fprintf(out, "    {ATLAS_%zu, %d, %d, %s, STARTS_%zu},\n", f, fonts[f].atlas_width,
                     fonts[f].height, charset_names[f].c_str(), f);
    std::fprintf(out, "};\n");
    return std::fclose(out) == 0;
}

// The specimen: every glyph of every font enlarged in its cell, each font at its own size, and three
// mock screens at 1:1 and enlarged, so that the glyphs can be judged where they are used.
struct Picture {
    int w, h;
    std::vector<uint32_t> px; // bottom row first, as the drawing code wants
    Picture(int w_, int h_, uint32_t c) : w(w_), h(h_), px(static_cast<size_t>(w_) * h_, c) {}
    uint32_t at(int x, int y) const { return px[gfx_index(x, y, w, h)]; }
    void set(int x, int y, uint32_t c) {
        if (x >= 0 && x < w && y >= 0 && y < h) px[gfx_index(x, y, w, h)] = c;
    }
};

int draw_text(Picture& p, const Font& font, int x, int y, uint32_t color, const char* text) {
    for (; *text; ++text) x += font_draw_glyph_of(font, p.px.data(), p.w, p.h, x, y, color, *text);
    return x;
}

int text_width(const Font& font, const char* text) {
    int w = 0;
    for (; *text; ++text) w += font_advance(font, *text);
    return w;
}

void draw_centred(Picture& p, const Font& font, int cx, int cy, uint32_t color, const char* text) {
    draw_text(p, font, cx - text_width(font, text) / 2, cy - font.height / 2, color, text);
}

// Copies a picture into another, each pixel as an s x s block.
void enlarge(Picture& dst, const Picture& src, int x, int y, int s) {
    for (int sy = 0; sy < src.h; ++sy)
        for (int sx = 0; sx < src.w; ++sx) {
            uint32_t c = src.px[gfx_index(sx, sy, src.w, src.h)];
            for (int k = 0; k < s * s; ++k) dst.set(x + sx * s + k % s, y + sy * s + k / s, c);
        }
}

// Screens in the manner of the instrument's pages (clock and run time, G meter, a setup list).
void mock_screen(Picture& p, const Font* f, int which) {
    const uint32_t cyan = 0xFF60F0F0, grey = 0xFF707070, white = 0xFFFFFFFF;
    if (which == 0) {
        draw_centred(p, f[0], 64, 8, cyan, "Flight Time");
        int x = 18;
        for (const char* c = "12"; *c; ++c)
            x += font_draw_glyph_of(f[3], p.px.data(), p.w, p.h, x, 17, white, *c);
        font_draw_glyph_of(f[4], p.px.data(), p.w, p.h, 42, 15, white, ':');
        draw_text(p, f[3], 51, 17, white, "34");
        font_draw_glyph_of(f[4], p.px.data(), p.w, p.h, 75, 15, white, ':');
        draw_text(p, f[3], 84, 17, white, "56");
        draw_centred(p, f[0], 64, 50, grey, "HH:MM:SS");
        draw_centred(p, f[0], 64, 66, cyan, "True Airspeed");
        draw_centred(p, f[4], 64, 88, white, "152 k");
        draw_centred(p, f[0], 32, 111, cyan, "OAT C");
        draw_centred(p, f[2], 32, 129, grey, "+23d");
        draw_centred(p, f[0], 96, 111, cyan, "Bus V");
        draw_centred(p, f[2], 96, 129, grey, "14.1");
        draw_centred(p, f[0], 64, 150, grey, "SET");
    } else if (which == 1) {
        draw_centred(p, f[0], 64, 8, cyan, "G Load");
        draw_centred(p, f[5], 59, 60, white, "+1.0");
        draw_centred(p, f[0], 18, 105, cyan, "L");
        draw_centred(p, f[0], 113, 105, cyan, "H");
        draw_centred(p, f[1], 20, 125, white, "-0.5");
        draw_centred(p, f[1], 108, 125, white, "+2.4");
        draw_centred(p, f[0], 64, 150, grey, "CLR PK");
    } else {
        draw_centred(p, f[0], 64, 10, 0xFF00B000, "MISC OPTIONS");
        const char* rows[] = {"BLUE BG", "TEMP IN C", "24H TIME", "TAS IN KT", "Density Alt", "gjpqy {[|]}"};
        for (int i = 0; i < 6; ++i) draw_text(p, f[0], 40, 30 + 15 * i, i == 1 ? white : 0xFFFFFF00, rows[i]);
        draw_centred(p, f[1], 64, 128, white, "ZT-30-S 5t 9k");
        draw_centred(p, f[0], 64, 150, grey, "Density Alt 5000 ft");
    }
}

bool write_png(const char* path, const Picture& p, int rows) {
    FILE* out = std::fopen(path, "wb");
    if (!out) return false;
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    png_infop info = png_create_info_struct(png);
    if (setjmp(png_jmpbuf(png))) {
        png_destroy_write_struct(&png, &info);
        std::fclose(out);
        return false;
    }
    png_init_io(png, out);
    png_set_IHDR(png, info, p.w, rows, 8, PNG_COLOR_TYPE_RGB, PNG_INTERLACE_NONE,
                 PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
    png_write_info(png, info);
    std::vector<uint8_t> row(static_cast<size_t>(p.w) * 3);
    for (int y = 0; y < rows; ++y) {
        for (int x = 0; x < p.w; ++x) {
            uint32_t c = p.at(x, y);
            row[x * 3] = (c >> 16) & 0xFF, row[x * 3 + 1] = (c >> 8) & 0xFF, row[x * 3 + 2] = c & 0xFF;
        }
        png_write_row(png, row.data());
    }
    png_write_end(png, info);
    png_destroy_write_struct(&png, &info);
    return std::fclose(out) == 0;
}

bool write_specimen(const char* path, const std::vector<Built>& built, const Font* fonts) {
    const int width = 1000, margin = 12, gap = 3;
    const int scale[FONT_COUNT] = {4, 4, 3, 3, 3, 2};
    const uint32_t background = 0xFF000000, cell_gap = 0xFF303040, title = 0xFF60F0F0, white = 0xFFFFFFFF;
    const char* samples[FONT_COUNT] = {
        "Flight Time  HH:MM:SS  Density Alt  True Airspeed  SETUP  ACCEPT  CLR PK  jumpy quirk",
        "ZT-30-S  TSQ-4810342-001  1.8.0  +1.2  -0.4",
        "12:30:45  +23d  14.1  5t  152k  88m  20n  -5c  41f",
        "12:34:56  7/8  -10.5d  72f  22c  4n  9k",
        "12:30  152 k  88 m  1  +3.5d  1/2",
        "+1.0  -2.5",
    };
    Picture pic(width, 4000, background);
    int y = margin;
    for (int f = 0; f < FONT_COUNT; ++f) {
        const Built& b = built[f];
        const int s = scale[f];
        char line[200];
        std::snprintf(line, sizeof line, "Font %d: %d px high, %s (enlarged %d times)", f, b.height,
                      b.note.c_str(), s);
        draw_text(pic, fonts[0], margin, y, title, line);
        y += 20;
        int x = margin;
        for (size_t i = 0; i < b.cells.size(); ++i) {
            const int adv = b.starts[i + 1] - b.starts[i];
            if (x + adv * s > width - margin) x = margin, y += b.height * s + gap;
            // Drawn by the real glyph code, then enlarged; a thin bar marks the end of each cell.
            Picture cell(adv, b.height, background);
            font_draw_glyph_of(fonts[f], cell.px.data(), adv, b.height, 0, -1, white, b.charset[i]);
            enlarge(pic, cell, x, y, s);
            for (int k = 0; k < b.height * s; ++k) pic.set(x + adv * s + 1, y + k, cell_gap);
            x += adv * s + gap;
        }
        y += b.height * s + 8;
        draw_text(pic, fonts[f], margin, y, white, b.charset.c_str());
        y += b.height + 2;
        draw_text(pic, fonts[f], margin, y, white, samples[f]);
        y += b.height + 16;
    }
    draw_text(pic, fonts[0], margin, y, title, "Mock screens, 128 x 160, at 1:1 and enlarged 2 times");
    y += 20;
    for (int m = 0; m < 3; ++m) {
        Picture screen(FRAME_WIDTH, FRAME_HEIGHT, m == 2 ? 0xFF000090 : 0x00000000);
        mock_screen(screen, fonts, m);
        enlarge(pic, screen, margin + m * (FRAME_WIDTH + 16), y, 1);
        enlarge(pic, screen, margin + m * (2 * FRAME_WIDTH + 16), y + FRAME_HEIGHT + 16, 2);
    }
    y += 3 * FRAME_HEIGHT + 32;
    return write_png(path, pic, y + margin);
}

} // namespace

int main(int argc, char** argv) {
    std::string dir = "/usr/share/fonts/truetype/dejavu";
    std::vector<const char*> paths;
    bool bad = false;
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--fonts") == 0 && i + 1 < argc)
            dir = argv[++i];
        else if (argv[i][0] == '-')
            bad = true;
        else
            paths.push_back(argv[i]);
    }
    if (bad || paths.size() != 2) {
        std::fprintf(stderr, "usage: zt30-fontgen [--fonts DIR] OUTPUT.cpp SPECIMEN.png\n");
        return 2;
    }
    if (FT_Init_FreeType(&library) != 0) {
        std::fprintf(stderr, "zt30-fontgen: cannot start FreeType\n");
        return 1;
    }
    std::vector<Built> built;
    for (int f = 0; f < FONT_COUNT; ++f) built.push_back(build(f, dir));
    Font fonts[FONT_COUNT];
    for (int f = 0; f < FONT_COUNT; ++f)
        fonts[f] = {built[f].atlas.data(), built[f].atlas_width, built[f].height, built[f].charset.c_str(),
                    built[f].starts.data()};
    if (!write_source(paths[0], built)) {
        std::fprintf(stderr, "zt30-fontgen: cannot write %s\n", paths[0]);
        return 1;
    }
    if (!write_specimen(paths[1], built, fonts)) {
        std::fprintf(stderr, "zt30-fontgen: cannot write %s\n", paths[1]);
        return 1;
    }
    return 0;
}
