#include "pages/attitude.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <iterator>

#include "core/buttons.h"
#include "core/flight.h"
#include "core/page.h"
#include "gfx/colors.h"
#include "gfx/fmt.h"
#include "gfx/font.h"
#include "gfx/gfx.h"
#include "pages/aoa_bar.h"
#include "setup/settings.h"

uint32_t attitude_image[ATTITUDE_IMAGE_SIZE * ATTITUDE_IMAGE_SIZE];

namespace {

constexpr int SIZE = ATTITUDE_IMAGE_SIZE;
constexpr float SIZE_F = static_cast<float>(ATTITUDE_IMAGE_SIZE);

constexpr float PI = 3.1415927f;
constexpr float HALF_PI = 1.5707964f;
constexpr float TWO_PI = 6.2831855f;
constexpr float DEG_TO_RAD = 0.017453292f;
// The roll guard's band around half a turn, and the value it settles on.
constexpr float GUARD_LOW = 3.1405928f;
constexpr float GUARD_HIGH = 3.1425927f;
constexpr float GUARD_TOP = 6.2821856f;

constexpr uint32_t LADDER_COLOR = COLOR_WHITE;
constexpr uint32_t SYMBOL_COLOR = COLOR_YELLOW;
constexpr uint32_t STRIP_COLOR = 0xFF000000;
constexpr float LABEL_SCALE = 1.05f;
constexpr int LABEL_FONT = 1;

// Frame rows the picture covers; the strip below it holds the soft keys.
constexpr int PICTURE_ROWS = SIZE;

struct Block {
    int x0, y0, x1, y1; // inclusive
};
// The aircraft symbol: centre and the two wings.
constexpr Block SYMBOL[] = {{60, 67, 67, 72}, {24, 68, 48, 71}, {79, 68, 103, 71}};

float trim_degrees(int32_t tenths, float limit) {
    return std::clamp(static_cast<float>(tenths) / 10.0f, -limit, limit);
}

// A boundary column as an integer, rounded toward zero; absurd values stay far outside the picture.
int32_t boundary_column(float x) {
    constexpr float FAR = 1073741824.0f;
    if (!(x > -FAR)) return -static_cast<int32_t>(FAR); // NaN as well
    if (x > FAR) return static_cast<int32_t>(FAR);
    return static_cast<int32_t>(x);
}

#if defined(__GNUC__) && !defined(__clang__)
#define COPY_OUT_OF_LINE [[gnu::noipa]]
#else
#define COPY_OUT_OF_LINE [[gnu::noinline]]
#endif

// Copies n pixels through the library's copy, which picks the widest moves the processor has. Kept out
// of line: inlined, a fixed-size copy becomes a string move whose start-up cost, paid 280 times a frame,
// outweighs the copying itself.
COPY_OUT_OF_LINE void copy_pixels(uint32_t* dst, const uint32_t* src, int n) {
    std::memcpy(dst, src, static_cast<size_t>(n) * sizeof(uint32_t));
}

uint32_t* picture_row(int y) {
    return attitude_image + gfx_index(0, y, SIZE, SIZE);
}

// A ladder number as drawn into the scratch picture: the cleared 32 x 32 picture with the digits in
// font 1 from pen (0, 0), the text's width and where its light lies.
struct LabelPicture {
    uint32_t pixels[SCRATCH_IMAGE_SIZE * SCRATCH_IMAGE_SIZE];
    int32_t width;
    InkBox ink;
    bool ready;
};

// Drawing the digits is the same every time for the same number: the nine ladder numbers are drawn once
// and kept; any other number is drawn afresh.
LabelPicture& label_picture(int32_t number) {
    static LabelPicture kept[9];
    static LabelPicture other;
    bool keepable = number >= 10 && number <= 90 && number % 10 == 0;
    LabelPicture& label = keepable ? kept[number / 10 - 1] : other;
    if (keepable && label.ready) return label;

    char text[16];
    char* cursor = text;
    fmt_append_int(number, &cursor);
    *cursor = '\0';
    std::fill(std::begin(label.pixels), std::end(label.pixels), 0x00000000u);
    int32_t pen = 0;
    for (const char* c = text; *c != '\0'; ++c)
        pen += font_draw_glyph(label.pixels, SCRATCH_IMAGE_SIZE, SCRATCH_IMAGE_SIZE, LABEL_FONT, pen, 0,
                               COLOR_WHITE, *c);
    label.width = font_text_width(LABEL_FONT, text);
    label.ink = gfx_find_ink(label.pixels, SCRATCH_IMAGE_SIZE, SCRATCH_IMAGE_SIZE,
                             InkBox{0, 0, SCRATCH_IMAGE_SIZE, SCRATCH_IMAGE_SIZE});
    label.ready = true;
    return label;
}

// The horizon picture depends on pitch and roll alone. While they hold still (no demo mode) the picture
// of the second such frame is kept and copied in on the frames after it; a demo mode changes them on every
// frame and never pays for the copy.
void draw_horizon_or_keep(float pitch, float roll) {
    static uint32_t kept[SIZE * SIZE];
    static uint32_t kept_pitch, kept_roll, last_pitch, last_roll;
    static bool kept_valid = false, last_known = false;
    uint32_t p, r;
    std::memcpy(&p, &pitch, sizeof p);
    std::memcpy(&r, &roll, sizeof r);
    if (kept_valid && p == kept_pitch && r == kept_roll) {
        copy_pixels(attitude_image, kept, SIZE * SIZE);
        return;
    }
    page_attitude_draw_horizon(pitch, roll);
    if (last_known && p == last_pitch && r == last_roll) {
        copy_pixels(kept, attitude_image, SIZE * SIZE);
        kept_pitch = p, kept_roll = r, kept_valid = true;
    }
    last_pitch = p, last_roll = r, last_known = true;
}

} // namespace

void page_attitude_fill_sky_ground(int32_t x_top, int32_t x_bottom, bool flipped) {
    // Every row is the left colour up to its split and the right colour after it: a window into a
    // strip of 140 left pixels followed by 140 right ones, copied whole.
    uint32_t strip[2 * SIZE];
    std::fill(strip, strip + SIZE, flipped ? SKY_COLOR : GROUND_COLOR);
    std::fill(strip + SIZE, strip + 2 * SIZE, flipped ? GROUND_COLOR : SKY_COLOR);
    const float step = static_cast<float>(x_bottom - x_top) / SIZE_F;
    float boundary = static_cast<float>(x_top);
    for (int y = 0; y < SIZE; ++y, boundary += step) {
        int k = boundary < 0.0f ? 0 : boundary > SIZE_F ? SIZE : static_cast<int>(boundary);
        copy_pixels(picture_row(y), strip + SIZE - k, SIZE);
    }
}

void page_attitude_draw_ladder_label(float mx, float my, float dx, float dy, float roll, float value) {
    // The kept picture is what the scratch picture would hold: it is drawn from directly.
    const LabelPicture& label = label_picture(static_cast<int32_t>(std::fabs(value)));

    const float ex = std::cos(roll), ey = std::sin(roll);
    // Turned back by the roll, the baseline lies along the rung with the top towards higher pitch.
    const ImageTransform turn{ex, -ey, ey, ex, LABEL_SCALE};
    const float step = std::sqrt(dx * dx + dy * dy);
    const float width = static_cast<float>(label.width);
    const float reach = 0.7f * step;
    const float right_x = mx + reach * ex + 0.25f * dx, right_y = my + reach * ey + 0.25f * dy;
    const float left_x = mx - (reach + width) * ex + 0.25f * dx,
                left_y = my - (reach + width) * ey + 0.25f * dy;
    // Only the digits' own pixels carry light; the draw skips what lies wholly outside them.
    const InkBox& ink = label.ink;
    gfx_draw_image_transformed_ink(attitude_image, SIZE, SIZE, label.pixels, SCRATCH_IMAGE_SIZE,
                                   SCRATCH_IMAGE_SIZE, right_x, right_y, &turn, &ink);
    gfx_draw_image_transformed_ink(attitude_image, SIZE, SIZE, label.pixels, SCRATCH_IMAGE_SIZE,
                                   SCRATCH_IMAGE_SIZE, left_x, left_y, &turn, &ink);
}

void page_attitude_draw_ladder(float cx, float cy, float roll, int32_t half_length, float offset,
                               float spacing, bool with_numbers) {
    const float s = std::sin(roll), c = std::cos(roll);
    const float dx = s * LADDER_PIXELS_PER_10_DEG * spacing, dy = -c * LADDER_PIXELS_PER_10_DEG * spacing;
    const float hx = static_cast<float>(half_length) * c, hy = static_cast<float>(half_length) * s;
    const int count = static_cast<int>(9.0f / spacing);
    const float base_x = cx + offset * dx, base_y = cy + offset * dy;

    auto rung = [&](float steps, float value) {
        const float qx = base_x + steps * dx, qy = base_y + steps * dy;
        const float ax = qx - hx, ay = qy - hy, bx = qx + hx, by = qy + hy;
        // Rungs wholly beyond an edge cost nothing, their numbers included.
        if (!((ax < SIZE_F || bx < SIZE_F) && (ax > 0.0f || bx > 0.0f) && (ay < SIZE_F || by < SIZE_F) &&
              (ay > 0.0f || by > 0.0f)))
            return;
        gfx_draw_line(attitude_image, SIZE, SIZE, ax, ay, bx, by, LADDER_COLOR);
        if (with_numbers)
            page_attitude_draw_ladder_label((ax + bx) * 0.5f, (ay + by) * 0.5f, dx, dy, roll, value);
    };
    // No rung on the horizon itself when the pass starts there.
    const int first = offset == 0.0f ? 1 : 0;
    for (int i = 0; i < count; ++i) rung(static_cast<float>(i + first), 10.0f * static_cast<float>(i + 1));
    for (int j = 0; j < count; ++j) rung(-static_cast<float>(j + 1), -10.0f * static_cast<float>(j + 1));
}

void page_attitude_draw_horizon(float pitch, float roll) {
    float p = std::fmod(pitch, TWO_PI);
    if (p > PI) p -= TWO_PI;
    if (p < -PI) p += TWO_PI;
    // Past the vertical the aircraft is on its back facing the other way: the same attitude as the
    // mirrored pitch with the roll half a turn on. Both sides take the same rule, so a steady bank
    // keeps its sense through a vertical climb or dive.
    if (p > HALF_PI) {
        p = PI - p;
        roll += PI;
    } else if (p < -HALF_PI) {
        p = -PI - p;
        roll += PI;
    }

    float r = std::fmod(roll, TWO_PI);
    if (r < 0.0f) r += TWO_PI;
    if (r > GUARD_LOW && r < GUARD_HIGH)
        r = GUARD_LOW;
    else if (r < ROLL_GUARD || r > GUARD_TOP)
        r = ROLL_GUARD;

    // Horizon centre in picture heights, and the line through it.
    const float a = 0.5f - std::sin(r) * p * PITCH_GAIN;
    const float b = 0.5f + std::cos(r) * p * PITCH_GAIN;
    const float t = std::tan(r);
    const float y0 = b - t * a;
    const float u0 = -y0 / t, u1 = (1.0f - y0) / t;

    page_attitude_fill_sky_ground(boundary_column(u0 * SIZE_F), boundary_column(u1 * SIZE_F), r > PI);
    gfx_draw_line(attitude_image, SIZE, SIZE, u0 * SIZE_F, 0.0f, u1 * SIZE_F, SIZE_F, LADDER_COLOR);

    const float cx = a * SIZE_F, cy = b * SIZE_F;
    page_attitude_draw_ladder(cx, cy, r, 20, 0.0f, 1.0f, true);
    page_attitude_draw_ladder(cx, cy, r, 10, 0.5f, 1.0f, false);
    page_attitude_draw_ladder(cx, cy, r, 5, 0.5f, 0.5f, false);
}

void page_attitude_draw(uint32_t* frame) {
    const DeviceSettings& settings = device_settings;
    const float pt = trim_degrees(settings.pitch_trim, 27.0f);
    const float rt = trim_degrees(settings.roll_trim, 5.0f);

    float slip, pitch, roll;
    if (settings.demo_mode == DEMO_1) {
        slip = demo_roll_deg;
        roll = demo_roll_deg * TWO_PI / 360.0f;
        pitch = demo_sweep * TWO_PI / 360.0f;
    } else {
        // A positive roll trim turns the horizon the other way from a positive demo roll; the live roll
        // (right bank positive) adds to the trim, as the live pitch does.
        slip = live_slip;
        pitch = (pt + live_pitch_deg) * DEG_TO_RAD;
        roll = -(rt + live_roll_deg) * DEG_TO_RAD;
    }
    draw_horizon_or_keep(pitch, roll);

    for (int y = 0; y < PICTURE_ROWS; ++y)
        copy_pixels(frame + gfx_index(0, y, FRAME_WIDTH, FRAME_HEIGHT),
                    picture_row(y) + ATTITUDE_FIRST_SHOWN_COLUMN, FRAME_WIDTH);

    if (attitude_inset_shown != 0) {
        page_draw_aoa_bar(frame, 113, 75, 10, true);
        page_draw_slip_indicator(frame, slip, 0);
    }

    gfx_fill_rect(frame, 0, PICTURE_ROWS, FRAME_WIDTH, FRAME_HEIGHT, STRIP_COLOR);
    font_draw_text_centered(frame, 0, 64, 150, COLOR_SECONDARY, "AI");
    page_draw_softkeys(frame);

    for (const Block& b : SYMBOL) gfx_fill_rect(frame, b.x0, b.y0, b.x1 + 1, b.y1 + 1, SYMBOL_COLOR);

    page_draw_demo_label(frame);
}
