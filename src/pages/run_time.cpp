#include "pages/run_time.h"

#include "core/buttons.h"
#include "core/page.h"
#include "gfx/colors.h"
#include "gfx/font.h"
#include "gfx/gfx.h"
#include "host/host.h" // the host's 1 s tick owns and counts the two run-time counters
#include "pages/hms.h"
#include "setup/settings.h"

namespace {

// One counter's block: its title, the value at fixed columns and the field caption under it.
void draw_counter(uint32_t* frame, const char* title, int32_t title_y, int32_t digit_y, int32_t caption_y,
                  const RunTimeCounter& c, bool selected) {
    font_draw_text_centered(frame, 0, 64, title_y, COLOR_LABEL, title);
    font_draw_text_centered(frame, 0, 64, caption_y, COLOR_SECONDARY, "HH:MM:SS");
    const HmsLayout layout{3, 4, digit_y, digit_y - 2, 18, 42, 51, 75, 84};
    page_draw_hms(frame, layout, c.hours, c.minutes, c.seconds, selected ? COLOR_WHITE : RUN_TIME_DIM);
}

} // namespace

void page_draw_run_time(uint32_t* frame) {
    gfx_fill_rect(frame, 0, 0, FRAME_WIDTH, FRAME_HEIGHT, setup_background_color());
    draw_counter(frame, "Flight Time", 86, 95, 128, flight_time, flight_time_selected == 1);
    draw_counter(frame, "Engine Run Time", 15, 25, 57, engine_run_time, flight_time_selected == 0);
    gfx_draw_line(frame, FRAME_WIDTH, FRAME_HEIGHT, 11.0f, 69.0f, 117.0f, 69.0f, COLOR_DIVIDER);
    font_draw_text_centered(frame, 0, 64, 150, COLOR_SECONDARY, "CLEAR");
    page_draw_softkeys(frame);
}
