// The page manager: what one rendered frame shows, the splash, soft-key bars and the two overlays.
#pragma once
#include <cstdint>

enum PageId : int32_t {
    PAGE_SPLASH = 0,
    PAGE_CLOCK = 1,
    PAGE_RUN_TIME = 2,
    PAGE_XPDR_CTRL = 3,
    PAGE_TIMER1 = 4,
    PAGE_TIMER2 = 5,
    PAGE_AOA = 6,
    PAGE_G_METER = 7,
    PAGE_ATTITUDE = 8,
    PAGE_SETUP = 9,
};

constexpr int32_t SPLASH_FRAMES = 120;

extern int32_t current_page;
extern int32_t splash_countdown;
extern int32_t timer1_alert, timer2_alert;
extern int32_t timer1_alert_latch, timer2_alert_latch;
extern int32_t alert_active;
extern int32_t alert_blink_counter;

extern int32_t brightness_overlay_shown;
extern int32_t brightness_percent;
extern int32_t brightness_manual;

// Draws one whole frame; once per rendered frame.
void page_draw_frame(uint32_t* frame);
// Alert latching from the timers' expired flags; after each rendered frame.
void page_update_alerts();

// Process start values.
void page_reset();
