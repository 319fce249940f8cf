#include "core/page.h"

#include "core/buttons.h"
#include "core/flight.h"
#include "gfx/colors.h"
#include "gfx/fmt.h"
#include "gfx/font.h"
#include "gfx/gfx.h"
#include "gfx/masks.h"
#include "pages/aoa.h"
#include "pages/attitude.h"
#include "pages/clock.h"
#include "pages/g_meter.h"
#include "pages/run_time.h"
#include "pages/timer.h"
#include "setup/settings.h"
#include "setup/setup_screens.h"

int32_t current_page = PAGE_SPLASH;
int32_t splash_countdown = SPLASH_FRAMES;
int32_t timer1_alert = 0, timer2_alert = 0;
int32_t timer1_alert_latch = 0, timer2_alert_latch = 0;
int32_t alert_active = 0;
int32_t alert_blink_counter = 0;
int32_t brightness_overlay_shown = 0;
int32_t brightness_percent = 30;
int32_t brightness_manual = 0;

namespace {

constexpr uint32_t ALERT_GREY = 0xFFC0C0C0;
constexpr uint32_t BLACK_TEXT = 0xFF000000;

void draw_screen(uint32_t* frame) {
    switch (current_page) {
    case PAGE_SPLASH:
        if (page_draw_splash(frame)) current_page = PAGE_CLOCK;
        break;
    case PAGE_CLOCK:
        page_clock_draw(frame);
        break;
    case PAGE_RUN_TIME:
        page_draw_run_time(frame);
        break;
    case PAGE_TIMER1:
        page_draw_timer(frame, 0);
        break;
    case PAGE_TIMER2:
        page_draw_timer(frame, 1);
        break;
    case PAGE_AOA:
        page_aoa_draw(frame);
        break;
    case PAGE_G_METER:
        page_g_meter_draw(frame);
        break;
    case PAGE_ATTITUDE:
        page_attitude_draw(frame);
        break;
    case PAGE_SETUP:
        setup_draw_screen(frame);
        break;
    default:
        break; // XPDR CTRL has no screen: it is never enabled
    }
}

void bar(uint32_t* frame, int x) {
    gfx_fill_rect(frame, x, 145, x + 2, 156, COLOR_WHITE);
}

// One timer's alert from its expired flag: raised once per expiry, dropped when the flag clears.
void latch_alert(int32_t expired, uint32_t visual_bit, int32_t& alert, int32_t& latch) {
    if (expired) {
        if (latch == 0) {
            if (device_settings.visual_alert_mask & visual_bit) alert = 1;
            latch = 1;
        }
    } else {
        latch = 0;
        alert = 0;
    }
}

} // namespace

void page_draw_frame(uint32_t* frame) {
    flt_live_update(); // the given values as DEMO MODE stands for this frame
    if (brightness_overlay_shown == 1)
        page_draw_brightness(frame);
    else
        draw_screen(frame);
    button_event = EV_NONE;
    if (current_page != PAGE_SPLASH) page_draw_alerts(frame);
}

bool page_draw_splash(uint32_t* frame) {
    for (int i = 0; i < FRAME_PIXELS; ++i) {
        // Each 4-bit channel goes to the high half of its byte: 0xF becomes 0xF0.
        uint32_t p = SPLASH_IMAGE[i];
        frame[i] = 0xFF000000u | (p & 0x0F00u) << 12 | (p & 0x00F0u) << 8 | (p & 0x000Fu) << 4;
    }
    font_draw_text_centered(frame, 1, 64, 100, COLOR_SECONDARY, "ZT-30-S");
    font_draw_text_centered(frame, 0, 64, 143, COLOR_SECONDARY, SPLASH_VERSION);
    if (device_settings.demo_mode == DEMO_1)
        font_draw_text_centered(frame, 0, 10, 10, COLOR_LABEL, "D1");
    else if (device_settings.demo_mode == DEMO_2)
        font_draw_text_centered(frame, 0, 10, 10, COLOR_LABEL, "D2");
    return --splash_countdown == 0;
}

void page_draw_softkeys(uint32_t* frame) {
    int32_t p = current_page;
    uint32_t mask = device_settings.page_enable_mask;
    if (p >= 1) {
        gfx_draw_mask(frame, FRAME_WIDTH, FRAME_HEIGHT, MASK_ARROW_LEFT.data, MASK_ARROW_LEFT.width,
                      MASK_ARROW_LEFT.height, 2, 143, COLOR_WHITE);
    }
    if (p <= 9) {
        gfx_draw_mask(frame, FRAME_WIDTH, FRAME_HEIGHT, MASK_ARROW_RIGHT.data, MASK_ARROW_RIGHT.width,
                      MASK_ARROW_RIGHT.height, 119, 143, COLOR_WHITE);
    }
    int x = 12;
    for (int32_t q = 1; q <= p - 1; ++q) {
        if (mask & (1u << (q - 1))) {
            bar(frame, x);
            x += 4;
        }
    }
    if (p < 9) {
        x = 115;
        for (int32_t q = 9; q >= p + 1; --q) {
            if (mask & (1u << (q - 1))) {
                bar(frame, x);
                x -= 4;
            }
        }
    }
}

void page_draw_demo_label(uint32_t* frame) {
    if (device_settings.demo_mode == DEMO_1)
        font_draw_text_centered(frame, 0, 20, 10, COLOR_RED, "DEMO1");
    else if (device_settings.demo_mode == DEMO_2)
        font_draw_text_centered(frame, 0, 20, 10, COLOR_RED, "DEMO2");
}

void page_update_alerts() {
    latch_alert(user_timers[0].expired, 1u << 0, timer1_alert, timer1_alert_latch);
    latch_alert(user_timers[1].expired, 1u << 1, timer2_alert, timer2_alert_latch);
}

void page_draw_alerts(uint32_t* frame) {
    alert_active = (timer1_alert == 1 || timer2_alert == 1) ? 1 : 0;
    if (!alert_active) {
        alert_blink_counter = 20;
        return;
    }
    if (alert_blink_counter >= 10) {
        --alert_blink_counter;
        return;
    }
    gfx_fill_rect(frame, 0, 5, 15, 95, ALERT_GREY);
    if (timer1_alert)
        font_draw_text_vertical(frame, 7, 8, BLACK_TEXT, "TIMER1");
    else if (timer2_alert)
        font_draw_text_vertical(frame, 7, 8, BLACK_TEXT, "TIMER2");
    if (--alert_blink_counter == 0) alert_blink_counter = 20;
}

void page_draw_brightness(uint32_t* frame) {
    gfx_fill_rect(frame, 0, 0, FRAME_WIDTH, FRAME_HEIGHT, setup_background_color());
    char text[16];
    char* cursor = text;
    fmt_append_int(brightness_percent, &cursor);
    *cursor = '\0';
    font_draw_text_centered(frame, 3, 64, 60, COLOR_WHITE, text);
    gfx_fill_rect(frame, 20, 80, 20 + brightness_percent, 95, COLOR_WHITE);
    gfx_draw_mask(frame, FRAME_WIDTH, FRAME_HEIGHT, MASK_ARROW_UP.data, MASK_ARROW_UP.width,
                  MASK_ARROW_UP.height, 3, 40, COLOR_WHITE);
    gfx_draw_mask(frame, FRAME_WIDTH, FRAME_HEIGHT, MASK_ARROW_DOWN.data, MASK_ARROW_DOWN.width,
                  MASK_ARROW_DOWN.height, 3, 115, COLOR_WHITE);
    font_draw_text_vertical(frame, 122, 100, COLOR_LABEL, "OK");
    bool manual = brightness_manual == 1;
    font_draw_text_centered(frame, 0, 64, 10, COLOR_TITLE, manual ? "MANUAL" : "AUTO");
    font_draw_text_centered(frame, 0, 64, 25, COLOR_TITLE, "BRIGHTNESS");
    font_draw_text_centered(frame, 0, 64, 150, COLOR_SECONDARY, manual ? "SET AUTO" : "SET MANUAL");
}

void page_reset() {
    current_page = PAGE_SPLASH;
    splash_countdown = SPLASH_FRAMES;
    timer1_alert = timer2_alert = 0;
    timer1_alert_latch = timer2_alert_latch = 0;
    alert_active = 0;
    alert_blink_counter = 0;
    brightness_overlay_shown = 0;
    brightness_percent = 30;
    brightness_manual = 0;
}
