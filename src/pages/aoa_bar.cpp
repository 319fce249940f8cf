#include "pages/aoa_bar.h"

#include <algorithm>
#include <iterator>

#include "core/flight.h"
#include "gfx/colors.h"
#include "gfx/font.h"
#include "gfx/gfx.h"
#include "gfx/masks.h"
#include "setup/settings.h"

float aoa_filter_state = 0.0f;
float aoa_filtered = 0.0f;

namespace {

constexpr uint32_t DASH_COLOR = 0xFF101010;
constexpr uint32_t BALL_COLOR = 0x40404040;
constexpr float BALL_SCALE = 1.1f;
constexpr float SLIP_LIMIT = 7.0f;

} // namespace

uint32_t page_aoa_segment_color(int i) {
    if (i <= 6) return COLOR_BRIGHT_GREEN;
    if (i <= 8) return COLOR_YELLOW;
    return COLOR_RED;
}

void page_aoa_bar_reset() {
    aoa_filter_state = 0.0f;
    aoa_filtered = 0.0f;
}

float page_aoa_filter_step(float x) {
    float out = aoa_filter_state / 10.0f;
    aoa_filtered = out;
    aoa_filter_state += x - out;
    return out;
}

float page_aoa_current() {
    float given;
    if (device_settings.demo_mode != DEMO_NONE) return page_aoa_filter_step(demo_sweep);
    if (flt_value(FLT_AOA, &given)) return page_aoa_filter_step(given);
    return AOA_FALLBACK_DEG;
}

float page_aoa_normalized(float aoa) {
    const DeviceSettings& s = device_settings;
    if (s.aoa_prestall_limit == s.aoa_cruise_limit) return 0.0f;
    float cruise = static_cast<float>(s.aoa_cruise_limit) / 10.0f;
    float prestall = static_cast<float>(s.aoa_prestall_limit) / 10.0f;
    return (aoa - cruise) / (prestall - cruise);
}

void page_draw_aoa_bar(uint32_t* frame, int32_t x, int32_t y, int32_t w, bool title_shift) {
    float v = std::min(page_aoa_normalized(page_aoa_current()), 1.0f);

    font_draw_text_centered(frame, 0, x + w / 2 - (title_shift ? 4 : 0), y - (title_shift ? 66 : 68),
                            COLOR_LABEL, "AoA");
    int lit = static_cast<int>(std::max(0.0f, v) * 10.0f);

    gfx_fill_rect(frame, x - 3, y - 2, x + w + 3, y + 2, COLOR_CYAN);
    for (int i = 1; i <= 10; ++i) {
        int b = y - 4 - 5 * (i - 1);
        if (i <= lit) {
            gfx_fill_rect(frame, x + 1, b - 4, x + w - 1, b, page_aoa_segment_color(i));
        } else {
            // Under 24 pixels wide the corners cross and the fill orders them: the dash then spans
            // x + w - 12 .. x + 11, wider than the bar itself.
            gfx_fill_rect(frame, x + 12, b - 2, x + w - 12, b - 1, DASH_COLOR);
        }
    }
}

void page_draw_slip_indicator(uint32_t* frame, float slip, int32_t dy) {
    // The ball picture is the same on every call: drawn once, then copied into the scratch picture.
    static uint32_t ball_picture[BALL_IMAGE_SIZE * BALL_IMAGE_SIZE];
    static bool ball_drawn = false;
    if (!ball_drawn) {
        gfx_draw_mask(ball_picture, BALL_IMAGE_SIZE, BALL_IMAGE_SIZE, MASK_BALL.data, 20, 20, 0, 0,
                      BALL_COLOR);
        ball_drawn = true;
    }
    uint32_t* ball = SCRATCH_IMAGE;
    std::copy(std::begin(ball_picture), std::end(ball_picture), ball);

    gfx_fill_rect(frame, 15, 111 + dy, 113, 130 + dy, COLOR_BLACK);

    float limited = std::min(SLIP_LIMIT, std::max(-SLIP_LIMIT, slip));
    float cx = limited * 6.0f + 64.0f - 10.0f + 2.0f;
    const ImageTransform upright{1.0f, 0.0f, 0.0f, 1.0f, BALL_SCALE};
    gfx_draw_image_transformed(frame, FRAME_WIDTH, FRAME_HEIGHT, ball, BALL_IMAGE_SIZE, BALL_IMAGE_SIZE, cx,
                               static_cast<float>(111 + dy), &upright);

    // Each pair of lines leaves two cyan columns; the black line after it clears two more beside them.
    const struct {
        float x;
        uint32_t color;
    } cage[] = {{53, COLOR_CYAN}, {54, COLOR_CYAN}, {55, COLOR_BLACK},
                {74, COLOR_CYAN}, {75, COLOR_CYAN}, {76, COLOR_BLACK}};
    for (const auto& c : cage)
        gfx_draw_line(frame, FRAME_WIDTH, FRAME_HEIGHT, c.x, static_cast<float>(114 + dy), c.x,
                      static_cast<float>(127 + dy), c.color);
}
