#include "pages/clock.h"

#include <cmath>
#include <cstdlib>

#include "core/buttons.h"
#include "core/flight.h"
#include "core/page.h"
#include "gfx/colors.h"
#include "gfx/fmt.h"
#include "gfx/font.h"
#include "gfx/gfx.h"
#include "gfx/masks.h"
#include "host/local_time.h" // the time of day is the platform's, read once through the host
#include "pages/aoa_bar.h"
#include "setup/settings.h"

ClockTime clock_time{};
int32_t clock_needs_sync = 1;
ClockTime clock_shown{};
ClockTime clock_edit{};
int32_t clock_view = CLOCK_VIEW_GMT;
int32_t clock_show_local = 0;
uint8_t analog_show_local = 0;
int32_t local_offset_hours = 0;
uint8_t clock_setting = 0;
int8_t clock_edit_field = CLOCK_FIELD_HOUR;
int32_t clock_blink = 0;
uint32_t NUMERAL_BOX[NUMERAL_BOX_SIZE * NUMERAL_BOX_SIZE];

namespace {

constexpr float DEG_TO_RAD = 0.017453292f;
// Stand-ins for the air data; with NONE a given value takes the place of each fixed one.
constexpr float BUS_VOLTS = 14.1f;
constexpr float OAT_DEMO_C = 23.0f, OAT_FIXED_C = 22.4f;
constexpr float TAS_FIXED_KT = 152.0f;
constexpr float KT_TO_MPH = 1.15078f;
constexpr float DENSITY_ALT_FIXED_FT = 1234.56f;
constexpr int32_t MAX_OFFSET_HOURS = 12;

// Dial geometry.
constexpr float DIAL_CX = 64.0f, DIAL_CY = 80.0f, DIAL_RADIUS = 60.0f;
struct HandShape {
    float length, tail;
    uint32_t color;
};
constexpr HandShape HOUR_HAND{35.0f, 9.0f, COLOR_WHITE};
constexpr HandShape MINUTE_HAND{53.0f, 9.0f, COLOR_WHITE};
constexpr HandShape SECOND_HAND{60.0f, 12.0f, COLOR_TITLE}; // the titles' green

// Boxes (inclusive columns and rows) that hide each Set Clock field in the blink's off phase.
struct FieldBox {
    int x0, y0, x1, y1;
};
constexpr FieldBox FIELD_BOXES[4] = {
    {15, 57, 49, 81}, {58, 57, 91, 81}, {95, 69, 109, 81}, {34, 93, 93, 111}};

bool demo_on() {
    return device_settings.demo_mode != DEMO_NONE;
}

// A left-aligned run of glyphs on the frame; returns the pen after the last one.
int32_t draw_run(uint32_t* frame, int font, int32_t x, int32_t y, uint32_t color, const char* text) {
    for (; *text != '\0'; ++text)
        x += font_draw_glyph(frame, FRAME_WIDTH, FRAME_HEIGHT, font, x, y, color, *text);
    return x;
}

void two_digits(int32_t v, char* out) {
    out[0] = static_cast<char>('0' + v / 10 % 10);
    out[1] = static_cast<char>('0' + v % 10);
    out[2] = '\0';
}

void draw_mask(uint32_t* frame, const MaskImage& m, int x, int y) {
    gfx_draw_mask(frame, FRAME_WIDTH, FRAME_HEIGHT, m.data, m.width, m.height, x, y, COLOR_WHITE);
}

// The one read of the platform's clock, on the first drawing of a time; then the running time.
void sync_and_show() {
    if (clock_needs_sync == 1) {
        host_local_time(&clock_time);
        clock_needs_sync = 0;
    }
    clock_shown = clock_time;
}

// An angle above 180 degrees is taken the other way round: the same point, with the rounding of sin and
// cos of the smaller angle.
float reduced(float a) {
    return a > 180.0f ? a - 360.0f : a;
}

void draw_hand(uint32_t* frame, float a, const HandShape& s) {
    float tip = a * DEG_TO_RAD, tail = (a + 180.0f) * DEG_TO_RAD;
    gfx_draw_line(frame, FRAME_WIDTH, FRAME_HEIGHT, DIAL_CX, DIAL_CY, DIAL_CX + s.length * std::cos(tip),
                  DIAL_CY + s.length * std::sin(tip), s.color);
    gfx_draw_line(frame, FRAME_WIDTH, FRAME_HEIGHT, DIAL_CX, DIAL_CY, DIAL_CX + s.tail * std::cos(tail),
                  DIAL_CY + s.tail * std::sin(tail), s.color);
}

void draw_set_clock(uint32_t* frame) {
    font_draw_text_centered(frame, 0, 64, 8, COLOR_LABEL, "Set Clock");
    font_draw_text_centered(frame, 0, 64, 25, COLOR_LABEL, "(24 Hour GMT)");
    draw_mask(frame, MASK_ARROW_UP, 3, 40);
    draw_mask(frame, MASK_ARROW_DOWN, 3, 115);
    draw_mask(frame, MASK_ARROW_RIGHT, 115, 115);
    font_draw_text_centered(frame, 0, 64, 152, COLOR_LABEL, "ACCEPT");
    page_clock_draw_time(frame, 40);
    page_clock_blink_field(frame);
}

// Up (+1) or down (-1) on the field being set; the offset is live at once.
void edit_step(int32_t dir) {
    ClockTime& t = clock_edit;
    switch (clock_edit_field) {
    case CLOCK_FIELD_HOUR:
        t.hour = static_cast<uint16_t>(dir > 0 ? (t.hour >= 23 ? 0 : t.hour + 1)
                                               : (t.hour == 0 ? 23 : t.hour - 1));
        break;
    case CLOCK_FIELD_MINUTE:
        t.minute = static_cast<uint16_t>(dir > 0 ? (t.minute >= 59 ? 0 : t.minute + 1)
                                                 : (t.minute == 0 ? 59 : t.minute - 1));
        break;
    case CLOCK_FIELD_SECOND:
        t.second = 0;
        break;
    case CLOCK_FIELD_OFFSET:
        local_offset_hours += dir;
        if (local_offset_hours > MAX_OFFSET_HOURS) local_offset_hours = -MAX_OFFSET_HOURS;
        if (local_offset_hours < -MAX_OFFSET_HOURS) local_offset_hours = MAX_OFFSET_HOURS;
        break;
    default:
        break;
    }
    clock_blink = 2;
}

int32_t set_clock_input(int32_t e) {
    switch (e) {
    case EV_RIGHT_RELEASE:
        clock_edit_field =
            static_cast<int8_t>(clock_edit_field >= CLOCK_FIELD_OFFSET ? 0 : clock_edit_field + 1);
        break;
    case EV_VIEW_RELEASE:
        edit_step(+1);
        break;
    case EV_LEFT_RELEASE:
        edit_step(-1);
        break;
    case EV_BOTH_PRESS:
        clock_time = clock_edit;
        clock_setting = 0;
        break;
    default:
        break;
    }
    // Nothing leaves Set Clock but ACCEPT: no page stepping meanwhile.
    return EV_NONE;
}

} // namespace

void page_clock_draw(uint32_t* frame) {
    gfx_fill_rect(frame, 0, 0, FRAME_WIDTH, FRAME_HEIGHT, setup_background_color());
    if (clock_setting == 1) {
        draw_set_clock(frame);
        return;
    }
    switch (clock_view) {
    case CLOCK_VIEW_GMT:
        clock_show_local = 0;
        page_clock_draw_time(frame, 6);
        break;
    case CLOCK_VIEW_LOCAL:
        clock_show_local = 1;
        page_clock_draw_time(frame, 6);
        break;
    case CLOCK_VIEW_ANALOG:
        page_clock_draw_analog(frame);
        break;
    case CLOCK_VIEW_DENSITY_ALT:
        page_clock_draw_density_alt(frame);
        break;
    case CLOCK_VIEW_AIRSPEED:
        page_clock_draw_airspeed(frame);
        break;
    default:
        break;
    }
    if (clock_view != CLOCK_VIEW_ANALOG) {
        page_clock_draw_bus_voltage(frame, 33, 66);
        page_clock_draw_oat(frame, 33);
        page_draw_aoa_bar(frame, 77, 135, 30, false);
        gfx_draw_line(frame, FRAME_WIDTH, FRAME_HEIGHT, 10, 54, 118, 54, COLOR_DIVIDER);
        gfx_draw_line(frame, FRAME_WIDTH, FRAME_HEIGHT, 11, 100, 55, 100, COLOR_DIVIDER);
        gfx_draw_line(frame, FRAME_WIDTH, FRAME_HEIGHT, 64, 65, 64, 136, COLOR_DIVIDER);
    }
    if (clock_view == CLOCK_VIEW_GMT || clock_view == CLOCK_VIEW_LOCAL || clock_view == CLOCK_VIEW_ANALOG)
        font_draw_text_centered(frame, 0, 64, 150, COLOR_SECONDARY, "SET");
    page_draw_softkeys(frame);
    page_draw_demo_label(frame);
}

int32_t page_clock_hour_shown(int32_t h, bool local, const char** suffix) {
    if (local) {
        h += local_offset_hours;
        if (h < 0)
            h += 24;
        else if (h > 23)
            h -= 24;
    }
    *suffix = nullptr;
    if (!(device_settings.option_flags & OPTION_24H_TIME)) {
        if (h < 12) {
            *suffix = "am";
        } else {
            *suffix = "pm";
            h -= 12;
        }
        if (h == 0) h = 12;
    }
    return h;
}

void page_clock_draw_time(uint32_t* frame, int32_t y) {
    if (clock_setting == 1)
        clock_shown = clock_edit;
    else
        sync_and_show();
    int32_t h = clock_shown.hour;
    char text[16];
    if (clock_setting != 1) {
        bool local = clock_show_local == 1;
        font_draw_text_centered(frame, 0, 64, y + 6, COLOR_LABEL, local ? "Local Time" : "GMT Time");
        const char* suffix = nullptr;
        h = page_clock_hour_shown(h, local, &suffix);
        if (suffix) draw_run(frame, 0, 93, y + 14, COLOR_DIVIDER, suffix);
    }
    two_digits(h, text);
    draw_run(frame, 4, 18, y + 15, COLOR_WHITE, text);
    draw_run(frame, 4, 49, y + 15, COLOR_WHITE, ":");
    two_digits(clock_shown.minute, text);
    draw_run(frame, 4, 58, y + 15, COLOR_WHITE, text);
    text[0] = ':';
    two_digits(clock_shown.second, text + 1);
    draw_run(frame, 0, 91, y + 29, COLOR_WHITE, text);
    if (clock_setting == 1) {
        // "Local -05", "Local +00".
        char line[16] = "Local ";
        line[6] = local_offset_hours < 0 ? '-' : '+';
        two_digits(std::abs(local_offset_hours), line + 7);
        font_draw_text_centered(frame, 0, 64, y + 60, COLOR_WHITE, line);
    }
}

void page_clock_blink_field(uint32_t* frame) {
    if (clock_blink != 0) return;
    if (clock_edit_field < 0 || clock_edit_field > CLOCK_FIELD_OFFSET) return;
    const FieldBox& b = FIELD_BOXES[clock_edit_field];
    gfx_fill_rect(frame, b.x0, b.y0, b.x1 + 1, b.y1 + 1, setup_background_color());
}

void page_clock_draw_analog(uint32_t* frame) {
    page_clock_draw_face(frame, 0.0f, DIAL_RADIUS, DIAL_CX, DIAL_CY);
    font_draw_text_centered(frame, 0, 64, 10, COLOR_SECONDARY, analog_show_local == 1 ? "LOCAL" : "GMT");
    sync_and_show();
    float h = static_cast<float>(clock_shown.hour);
    if (clock_view == CLOCK_VIEW_ANALOG && analog_show_local == 1) {
        h += static_cast<float>(local_offset_hours);
        if (h < 0.0f)
            h += 24.0f;
        else if (h > 23.0f)
            h -= 24.0f;
    }
    font_draw_text_centered(frame, 0, 116, 10, COLOR_SECONDARY, h >= 12.0f ? "pm" : "am");
    if (h > 12.0f) h -= 12.0f;
    // Degrees from 3 o'clock, clockwise; the hour hand moves on with the minutes, the minute hand with the
    // seconds.
    float minute = static_cast<float>(clock_shown.minute), second = static_cast<float>(clock_shown.second);
    draw_hand(frame, (minute / 60.0f + h) * 30.0f - 90.0f, HOUR_HAND);
    draw_hand(frame, (second / 60.0f + minute) * 6.0f - 90.0f, MINUTE_HAND);
    draw_hand(frame, second * 6.0f - 90.0f, SECOND_HAND);
}

void page_clock_draw_face(uint32_t* frame, float q, float r, float cx, float cy) {
    for (int i = 0; i < 4; ++i) {
        float a = static_cast<float>(90 * i), d = r - 17.0f;
        float t = reduced(a - q) * DEG_TO_RAD;
        page_clock_draw_numeral(frame, cx + d * std::sin(t), cy - d * std::cos(t),
                                static_cast<int32_t>(a / 10.0f));
    }
    // Hour ticks 8 pixels long, then minute ticks 3 long over every sixth degree (the hour ticks too).
    const struct {
        int step;
        float inner;
    } ticks[] = {{30, r - 8.0f}, {6, r - 3.0f}};
    for (const auto& k : ticks) {
        for (int deg = 0; deg < 360; deg += k.step) {
            float t = reduced(-(static_cast<float>(deg) + q)) * DEG_TO_RAD;
            float sn = std::sin(t), cs = std::cos(t);
            gfx_draw_line(frame, FRAME_WIDTH, FRAME_HEIGHT, cx + r * sn, cy - r * cs, cx + k.inner * sn,
                          cy - k.inner * cs, COLOR_SECONDARY);
        }
    }
}

void page_clock_draw_numeral(uint32_t* frame, float x, float y, int32_t n) {
    char text[16];
    if (n == 0 || n == 36) {
        text[0] = '1', text[1] = '2', text[2] = '\0';
    } else {
        char* cursor = text;
        fmt_append_int(n == 9 ? 3 : n == 18 ? 6 : n == 27 ? 9 : n, &cursor);
        *cursor = '\0';
    }
    uint32_t bg = setup_background_color();
    for (uint32_t& p : NUMERAL_BOX) p = bg;
    float width = static_cast<float>(font_text_width(1, text));
    int32_t pen = static_cast<int32_t>(std::round(9.0f - width / 2.0f)) + 2;
    for (const char* c = text; *c != '\0'; ++c)
        pen +=
            font_draw_glyph(NUMERAL_BOX, NUMERAL_BOX_SIZE, NUMERAL_BOX_SIZE, 1, pen, 0, COLOR_SECONDARY, *c);
    gfx_blit_image(frame, NUMERAL_BOX, NUMERAL_BOX_SIZE, NUMERAL_BOX_SIZE, static_cast<int>(x - 11.0f),
                   static_cast<int>(y - 9.0f));
}

void page_clock_draw_bus_voltage(uint32_t* frame, int32_t x, int32_t y) {
    font_draw_text_centered(frame, 0, x, y, COLOR_LABEL, "Bus V");
    char text[16];
    char* cursor = text;
    const float volts = flt_value_or(FLT_VOLTS, BUS_VOLTS);
    int32_t whole = static_cast<int32_t>(volts);
    fmt_append_int(whole, &cursor);
    *cursor++ = '.';
    fmt_append_int(static_cast<int32_t>((volts - static_cast<float>(whole)) * 10.0f), &cursor);
    *cursor = '\0';
    font_draw_text_centered(frame, 2, x, y + 18, COLOR_SECONDARY, text);
}

void page_clock_format_temperature(float t, char* out) {
    if (std::round(t) > 0.0f) *out++ = '+';
    fmt_append_int(static_cast<int32_t>(std::lround(t)), &out);
    *out++ = 'd'; // font 2's degree sign
    *out = '\0';
}

void page_clock_draw_oat(uint32_t* frame, int32_t x) {
    float t = demo_on() ? OAT_DEMO_C : flt_value_or(FLT_OAT, OAT_FIXED_C);
    bool celsius = (device_settings.option_flags & OPTION_TEMP_IN_C) != 0;
    if (!celsius) t = t * 1.8f + 32.0f;
    font_draw_text_centered(frame, 0, x, 111, COLOR_LABEL, celsius ? "OAT C" : "OAT F");
    char text[16];
    page_clock_format_temperature(t, text);
    font_draw_text_centered(frame, 2, x, 129, COLOR_SECONDARY, text);
}

void page_clock_format_airspeed(float knots, bool in_knots, char* out) {
    float v = in_knots ? knots : knots * KT_TO_MPH;
    fmt_append_int(static_cast<int32_t>(v), &out);
    *out++ = ' ';                  // not in font 4: a 7-pixel gap
    *out++ = in_knots ? 'k' : 'm'; // font 4's stacked unit glyphs
    *out = '\0';
}

void page_clock_draw_airspeed(uint32_t* frame) {
    font_draw_text_centered(frame, 0, 64, 12, COLOR_LABEL, "True Airspeed");
    float v = demo_on() ? 100.0f - 2.0f * demo_sweep : flt_value_or(FLT_TAS, TAS_FIXED_KT);
    char text[16];
    page_clock_format_airspeed(v, (device_settings.option_flags & OPTION_TAS_IN_KT) != 0, text);
    font_draw_text_centered(frame, 4, 64, 36, COLOR_WHITE, text);
}

void page_clock_format_density_alt(float a, char* thousands, char* rest) {
    a = std::round(a / 100.0f) * 100.0f;
    int32_t th = static_cast<int32_t>(a / 1000.0f);
    int32_t r = std::abs(static_cast<int32_t>(a - static_cast<float>(th) * 1000.0f));
    if (th == 0 && r != 0 && a < 0.0f) {
        // Between 0 and -1000 the thousands alone would lose the sign.
        thousands[0] = '-', thousands[1] = '0', thousands[2] = '\0';
    } else {
        fmt_append_int(th, &thousands); // "0" when 0
        *thousands = '\0';
    }
    rest[0] = static_cast<char>('0' + r / 100 % 10);
    two_digits(r % 100, rest + 1);
}

void page_clock_draw_density_alt(uint32_t* frame) {
    font_draw_text_centered(frame, 0, 64, 12, COLOR_LABEL, "Density Alt");
    float a = demo_on() ? 5000.0f + 50.0f * demo_sweep : flt_value_or(FLT_DALT, DENSITY_ALT_FIXED_FT);
    char thousands[16], rest[8];
    page_clock_format_density_alt(a, thousands, rest);
    draw_run(frame, 4, 63 - font_text_width(4, thousands), 23, COLOR_WHITE, thousands);
    draw_run(frame, 3, 65, 23, COLOR_WHITE, rest);
    draw_run(frame, 2, 103, 23, COLOR_WHITE, "t"); // font 2's stacked feet glyph
}

int32_t page_clock_input() {
    int32_t e = button_event;
    if (clock_setting == 1) return set_clock_input(e);
    switch (e) {
    case EV_VIEW_RELEASE:
        clock_view = clock_view >= CLOCK_VIEW_AIRSPEED ? CLOCK_VIEW_GMT : clock_view + 1;
        return EV_NONE;
    case EV_VIEW_LONG:
        if (clock_view != CLOCK_VIEW_ANALOG) return e;
        analog_show_local = analog_show_local == 1 ? 0 : 1;
        return EV_NONE;
    case EV_BOTH_PRESS:
        if (clock_view <= CLOCK_VIEW_ANALOG) {
            clock_edit = clock_shown;
            clock_edit_field = CLOCK_FIELD_HOUR;
            clock_setting = 1;
        }
        return EV_NONE;
    default:
        return e;
    }
}

void page_clock_advance_second(ClockTime* t) {
    if (++t->second < 60) return;
    t->second = 0;
    if (++t->minute < 60) return;
    t->minute = 0;
    if (++t->hour < 24) return;
    t->hour = 0;
}

void page_clock_reset() {
    clock_time = ClockTime{};
    clock_needs_sync = 1;
    clock_shown = ClockTime{};
    clock_edit = ClockTime{};
    clock_view = CLOCK_VIEW_GMT;
    clock_show_local = 0;
    analog_show_local = 0;
    local_offset_hours = 0;
    clock_setting = 0;
    clock_edit_field = CLOCK_FIELD_HOUR;
    clock_blink = 0;
}
