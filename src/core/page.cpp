#include "core/page.h"

#include "core/buttons.h"
#include "gfx/gfx.h"
#include "setup/settings.h"

int32_t current_page = PAGE_SPLASH;
int32_t splash_countdown = SPLASH_FRAMES;
int32_t timer1_alert = 0, timer2_alert = 0;
int32_t timer1_alert_latch = 0, timer2_alert_latch = 0;
int32_t alert_active = 0;
int32_t alert_blink_counter = 0;
int32_t brightness_overlay_shown = 0;
int32_t brightness_percent = 30;
int32_t brightness_manual = 0;

void page_draw_frame(uint32_t* frame) {
    // Until the screens exist every page is its empty background.
    gfx_fill_rect(frame, 0, 0, FRAME_WIDTH, FRAME_HEIGHT, setup_background_color());
    button_event = EV_NONE;
}

void page_update_alerts() {}

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
