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
// The instrument software version the splash shows.
constexpr char SPLASH_VERSION[] = "1.8";

extern int32_t current_page;
extern int32_t splash_countdown;
extern int32_t timer1_alert, timer2_alert;
extern int32_t timer1_alert_latch, timer2_alert_latch;
extern int32_t alert_active;
extern int32_t alert_blink_counter;

extern int32_t brightness_overlay_shown;
extern int32_t brightness_percent;
extern int32_t brightness_manual;

// 128 x 160 pixels of 0xARGB, 4 bits a channel, bottom row first; the alpha nibble is ignored.
extern const uint16_t SPLASH_IMAGE[128 * 160];

// Draws one whole frame; once per rendered frame.
void page_draw_frame(uint32_t* frame);
// The splash picture and its texts; true on the frame on which the splash ends.
bool page_draw_splash(uint32_t* frame);
// Soft-key arrows and the bars counting the enabled pages on each side; every page 1..9 ends with it.
void page_draw_softkeys(uint32_t* frame);
// "DEMO1" or "DEMO2" in red at the top left while a demo mode is selected; the flight pages end with it.
void page_draw_demo_label(uint32_t* frame);
// The blinking TIMER1 / TIMER2 strip; also works out alert_active.
void page_draw_alerts(uint32_t* frame);
// The brightness screen that replaces the page while it is open.
void page_draw_brightness(uint32_t* frame);
// Alert latching from the timers' expired flags; after each rendered frame.
void page_update_alerts();

// Process start values.
void page_reset();
