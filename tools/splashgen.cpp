// Generates the splash picture: an attitude-indicator emblem in the upper half and the caption
// SOFTWARE VERSION above the place where the version number is drawn; the rest black.
//
//   zt30-splashgen OUTPUT.cpp [PREVIEW.png]
//
// The output is the C++ source of SPLASH_IMAGE (128 x 160, 0xARGB 4 bits a channel, bottom row first).
// The optional preview shows the picture with the splash texts drawn over it, enlarged four times.
#include <png.h>

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <vector>

#include "core/page.h"
#include "gfx/font.h"
#include "gfx/gfx.h"

namespace {

constexpr int W = FRAME_WIDTH;
constexpr int H = FRAME_HEIGHT;
constexpr double PI = 3.14159265358979323846;

struct Rgb {
    double r, g, b;
};

Rgb mix(Rgb a, Rgb b, double t) {
    return {a.r + (b.r - a.r) * t, a.g + (b.g - a.g) * t, a.b + (b.b - a.b) * t};
}

// The emblem: a round attitude indicator banked a little to the right, nose slightly up.
constexpr double CX = 64.0, CY = 42.0;
constexpr double R_OUTER = 36.0, R_BALL = 31.5;
constexpr double BANK = 15.0 * PI / 180.0;
constexpr double HORIZON_DROP = 4.0; // pixels below the centre
constexpr double PITCH_STEP = 7.0;   // pixels per 5 degrees of pitch

const Rgb BLACK{0, 0, 0};
const Rgb WHITE{1, 1, 1};
const Rgb SKY_HIGH{0.08, 0.25, 0.70};
const Rgb SKY_LOW{0.40, 0.65, 1.00};
const Rgb GROUND_HIGH{0.62, 0.38, 0.14};
const Rgb GROUND_LOW{0.32, 0.18, 0.06};
const Rgb SYMBOL{1.00, 0.72, 0.08};
const Rgb OUTLINE{0.05, 0.05, 0.05};

double seg_distance(double px, double py, double ax, double ay, double bx, double by) {
    double vx = bx - ax, vy = by - ay;
    double t = std::clamp(((px - ax) * vx + (py - ay) * vy) / (vx * vx + vy * vy), 0.0, 1.0);
    return std::hypot(px - (ax + t * vx), py - (ay + t * vy));
}

// Distance to the fixed aircraft symbol (two gull wings and a centre dot), negative inside.
double symbol_distance(double x, double y) {
    double dx = x - CX, dy = y - CY;
    double d = std::hypot(dx, dy) - 2.0;
    double ax = std::fabs(dx); // symmetric about the centre column
    d = std::min(d, seg_distance(ax, dy, 7.0, 0.0, 11.0, 0.0) - 1.1);
    d = std::min(d, seg_distance(ax, dy, 11.0, 0.0, 11.0, 3.5) - 1.1);
    d = std::min(d, seg_distance(ax, dy, 14.0, 0.0, 24.0, 0.0) - 1.1);
    return d;
}

Rgb ball(double x, double y) {
    double dx = x - CX, dy = y - CY;
    // Horizon frame: u along the horizon, v downward from it.
    double u = dx * std::cos(BANK) + dy * std::sin(BANK);
    double v = -dx * std::sin(BANK) + dy * std::cos(BANK) - HORIZON_DROP;
    Rgb c = v < 0 ? mix(SKY_LOW, SKY_HIGH, std::min(1.0, -v / 34.0))
                  : mix(GROUND_HIGH, GROUND_LOW, std::min(1.0, v / 30.0));
    if (std::fabs(v) < 0.7) c = WHITE;
    // Pitch ladder: 5 and 10 degrees each way, short and long rungs.
    for (int k = -2; k <= 2; ++k) {
        if (k == 0) continue;
        double half = (k % 2 == 0) ? 9.0 : 5.0;
        if (std::fabs(v - k * PITCH_STEP) < 0.55 && std::fabs(u) < half) c = mix(c, WHITE, 0.9);
    }
    // Bank pointer: a small triangle on the ball's rim, turning with the horizon.
    double tip = -(R_BALL - 1.0), base = -(R_BALL - 6.0);
    double vv = v + HORIZON_DROP; // from the centre, in the turned frame
    if (vv > tip && vv < base && std::fabs(u) < (vv - tip) * 0.55) c = WHITE;
    return c;
}

Rgb ring(double x, double y) {
    double dx = x - CX, dy = y - CY;
    double a = std::atan2(dy, dx);
    // Brushed-metal ring, lit from the upper left.
    double light = 0.30 + 0.16 * std::cos(a + 3.0 * PI / 4.0);
    Rgb c{light, light, light * 1.05};
    // Bank scale on the upper arc: 0, 10, 20, 30, 45 and 60 degrees each way.
    static const double marks[] = {0, 10, 20, 30, 45, 60};
    double r = std::hypot(dx, dy);
    for (double m : marks) {
        for (int side = -1; side <= 1; side += 2) {
            double ang = -PI / 2 + side * m * PI / 180.0;
            double inner = (m == 0 || m == 30 || m == 60) ? R_BALL : R_BALL + 1.8;
            double d =
                seg_distance(x, y, CX + inner * std::cos(ang), CY + inner * std::sin(ang),
                             CX + (R_OUTER - 0.6) * std::cos(ang), CY + (R_OUTER - 0.6) * std::sin(ang));
            if (d < 0.55 && r < R_OUTER) c = WHITE;
        }
    }
    return c;
}

Rgb emblem(double x, double y) {
    double r = std::hypot(x - CX, y - CY);
    if (r > R_OUTER) return BLACK;
    Rgb c = r <= R_BALL ? ball(x, y) : ring(x, y);
    double s = symbol_distance(x, y);
    if (s < 0)
        c = SYMBOL;
    else if (s < 0.8)
        c = OUTLINE;
    // A faint glass highlight over the upper left of the ball.
    if (r <= R_BALL) {
        double h = std::hypot(x - (CX - 12), y - (CY - 14));
        if (h < 14) c = mix(c, WHITE, 0.12 * (1.0 - h / 14));
    }
    return c;
}

// Capitals 5 x 7 (I is 3 wide), one string per row, '#' set.
struct Letter {
    char ch;
    const char* rows[7];
};
const Letter LETTERS[] = {
    {'S', {".###.", "#...#", "#....", ".###.", "....#", "#...#", ".###."}},
    {'O', {".###.", "#...#", "#...#", "#...#", "#...#", "#...#", ".###."}},
    {'F', {"#####", "#....", "#....", "####.", "#....", "#....", "#...."}},
    {'T', {"#####", "..#..", "..#..", "..#..", "..#..", "..#..", "..#.."}},
    {'W', {"#...#", "#...#", "#...#", "#.#.#", "#.#.#", "##.##", "#...#"}},
    {'A', {".###.", "#...#", "#...#", "#####", "#...#", "#...#", "#...#"}},
    {'R', {"####.", "#...#", "#...#", "####.", "#.#..", "#..#.", "#...#"}},
    {'E', {"#####", "#....", "#....", "####.", "#....", "#....", "#####"}},
    {'V', {"#...#", "#...#", "#...#", "#...#", "#...#", ".#.#.", "..#.."}},
    {'I', {"###", ".#.", ".#.", ".#.", ".#.", ".#.", "###"}},
    {'N', {"#...#", "##..#", "#.#.#", "#..##", "#...#", "#...#", "#...#"}},
};
constexpr int CAPTION_TOP = 125; // rows 125..131, above the version text at rows 137..150
constexpr int SPACE_WIDTH = 4;

const Letter* find_letter(char ch) {
    for (const Letter& l : LETTERS) {
        if (l.ch == ch) return &l;
    }
    return nullptr;
}

int caption_width(const char* text) {
    int w = 0;
    for (const char* p = text; *p; ++p) {
        const Letter* l = find_letter(*p);
        w += (l ? static_cast<int>(std::strlen(l->rows[0])) : SPACE_WIDTH) + (p[1] ? 1 : 0);
    }
    return w;
}

void draw_caption(uint16_t* image, const char* text) {
    int x = W / 2 - caption_width(text) / 2;
    for (const char* p = text; *p; ++p) {
        const Letter* l = find_letter(*p);
        if (!l) {
            x += SPACE_WIDTH + 1;
            continue;
        }
        int lw = static_cast<int>(std::strlen(l->rows[0]));
        for (int r = 0; r < 7; ++r) {
            for (int c = 0; c < lw; ++c) {
                if (l->rows[r][c] == '#') image[gfx_index(x + c, CAPTION_TOP + r, W, H)] = 0xFFFF;
            }
        }
        x += lw + 1;
    }
}

uint16_t quantise(Rgb c) {
    auto nib = [](double v) { return static_cast<uint16_t>(std::lround(std::clamp(v, 0.0, 1.0) * 15.0)); };
    return static_cast<uint16_t>(0xF000 | nib(c.r) << 8 | nib(c.g) << 4 | nib(c.b));
}

void render(uint16_t* image) {
    constexpr int SS = 4; // 4 x 4 samples a pixel
    for (int y = 0; y < H; ++y) {
        for (int x = 0; x < W; ++x) {
            Rgb sum{0, 0, 0};
            for (int sy = 0; sy < SS; ++sy) {
                for (int sx = 0; sx < SS; ++sx) {
                    Rgb c = emblem(x + (sx + 0.5) / SS, y + (sy + 0.5) / SS);
                    sum.r += c.r;
                    sum.g += c.g;
                    sum.b += c.b;
                }
            }
            double n = SS * SS;
            image[gfx_index(x, y, W, H)] = quantise({sum.r / n, sum.g / n, sum.b / n});
        }
    }
    draw_caption(image, "SOFTWARE VERSION");
}

bool write_source(const char* path, const uint16_t* image) {
    FILE* f = std::fopen(path, "w");
    if (!f) {
        std::fprintf(stderr, "zt30-splashgen: cannot write %s: %s\n", path, std::strerror(errno));
        return false;
    }
    std::fprintf(f, "// Generated by tools/splashgen.cpp; do not edit.\n// clang-format off\n");
    std::fprintf(f, "#include \"core/page.h\"\n\n");
    std::fprintf(f, "const uint16_t SPLASH_IMAGE[128 * 160] = {\n");
    for (int i = 0; i < W * H; ++i) {
        std::fprintf(f, "%s0x%04X,%s", i % 12 == 0 ? "    " : "", image[i],
                     (i % 12 == 11 || i == W * H - 1) ? "\n" : " ");
    }
    std::fprintf(f, "};\n");
    bool ok = std::ferror(f) == 0;
    if (std::fclose(f) != 0) ok = false;
    if (!ok) std::fprintf(stderr, "zt30-splashgen: cannot write %s: write failed\n", path);
    return ok;
}

// The picture as the splash shows it, with its texts, four times enlarged.
bool write_preview(const char* path, const uint16_t* image) {
    static FrameBuffer frame;
    for (int i = 0; i < W * H; ++i) {
        uint32_t p = image[i];
        frame.pixels[i] = 0xFF000000u | (p & 0x0F00u) << 12 | (p & 0x00F0u) << 8 | (p & 0x000Fu) << 4;
    }
    font_draw_text_centered(frame.pixels, 1, 64, 100, 0xFF707070, "ZT-30-S");
    font_draw_text_centered(frame.pixels, 0, 64, 143, 0xFF707070, "1.8");
    font_draw_text_centered(frame.pixels, 0, 10, 10, 0xFF60F0F0, "D1");
    constexpr int S = 4;
    FILE* f = std::fopen(path, "wb");
    if (!f) {
        std::fprintf(stderr, "zt30-splashgen: cannot write %s: %s\n", path, std::strerror(errno));
        return false;
    }
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    png_infop info = png_create_info_struct(png);
    if (setjmp(png_jmpbuf(png))) {
        png_destroy_write_struct(&png, &info);
        std::fclose(f);
        std::fprintf(stderr, "zt30-splashgen: cannot write %s: PNG error\n", path);
        return false;
    }
    png_init_io(png, f);
    png_set_IHDR(png, info, W * S, H * S, 8, PNG_COLOR_TYPE_RGB, PNG_INTERLACE_NONE,
                 PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
    png_write_info(png, info);
    std::vector<png_byte> row(W * S * 3);
    for (int y = 0; y < H * S; ++y) {
        for (int x = 0; x < W * S; ++x) {
            uint32_t p = frame.pixels[gfx_index(x / S, y / S, W, H)];
            row[x * 3] = static_cast<png_byte>(p >> 16);
            row[x * 3 + 1] = static_cast<png_byte>(p >> 8);
            row[x * 3 + 2] = static_cast<png_byte>(p);
        }
        png_write_row(png, row.data());
    }
    png_write_end(png, nullptr);
    png_destroy_write_struct(&png, &info);
    if (std::fclose(f) != 0) {
        std::fprintf(stderr, "zt30-splashgen: cannot write %s: %s\n", path, std::strerror(errno));
        return false;
    }
    return true;
}

} // namespace

int main(int argc, char** argv) {
    if (argc < 2 || argc > 3 || argv[1][0] == '-') {
        std::fprintf(stderr, "usage: zt30-splashgen OUTPUT.cpp [PREVIEW.png]\n");
        return 2;
    }
    static uint16_t image[W * H];
    render(image);
    if (!write_source(argv[1], image)) return 1;
    if (argc == 3 && !write_preview(argv[2], image)) return 1;
    return 0;
}
