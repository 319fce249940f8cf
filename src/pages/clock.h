// CLOCK: time of day (GMT, local, analog), density altitude, true airspeed, bus voltage and OAT, and the
// Set Clock screen. The page keeps its own time of day, read once from the platform's local time.
#pragma once
#include <cstdint>

// The layout of a local-time record: only hour, minute and second are shown or edited.
struct ClockTime {
    uint16_t year, month, day_of_week, day;
    uint16_t hour, minute, second, milliseconds;
};

enum ClockView : int32_t {
    CLOCK_VIEW_GMT = 0,
    CLOCK_VIEW_LOCAL = 1,
    CLOCK_VIEW_ANALOG = 2,
    CLOCK_VIEW_DENSITY_ALT = 3,
    CLOCK_VIEW_AIRSPEED = 4,
};

enum ClockEditField : int8_t {
    CLOCK_FIELD_HOUR = 0,
    CLOCK_FIELD_MINUTE = 1,
    CLOCK_FIELD_SECOND = 2,
    CLOCK_FIELD_OFFSET = 3,
};

constexpr int NUMERAL_BOX_SIZE = 18;

extern ClockTime clock_time;       // the running time of day; its hour is GMT as the page treats it
extern int32_t clock_needs_sync;   // 1 until clock_time has been read from the platform
extern ClockTime clock_shown;      // the copy of clock_time last displayed
extern ClockTime clock_edit;       // the time being set on the Set Clock screen
extern int32_t clock_view;         // a ClockView
extern int32_t clock_show_local;   // the digital time shows local time (1) or GMT (0)
extern uint8_t analog_show_local;  // the analog clock shows local time (1) or GMT (0)
extern int32_t local_offset_hours; // local time minus GMT, -12..12
extern uint8_t clock_setting;      // 1 while the Set Clock screen is open
extern int8_t clock_edit_field;    // a ClockEditField
extern int32_t clock_blink;        // blink phase of the field being set; 2 after every edit
extern uint32_t NUMERAL_BOX[NUMERAL_BOX_SIZE * NUMERAL_BOX_SIZE]; // scratch picture of one dial numeral

// The whole page, or the Set Clock screen while it is open.
void page_clock_draw(uint32_t* frame);
// Acts on button_event; returns the event left for page stepping (0 when used).
int32_t page_clock_input();

// The digital time with its top at row y (6 on the page, 40 on Set Clock).
void page_clock_draw_time(uint32_t* frame, int32_t y);
void page_clock_draw_analog(uint32_t* frame);
// The dial: four numerals, 12 hour ticks and 60 minute ticks; q turns it by q degrees.
void page_clock_draw_face(uint32_t* frame, float q, float r, float cx, float cy);
// Numeral n / 10 of the dial ("12", "3", "6", "9" for n = 0 or 36, 9, 18, 27) centred near (x, y).
void page_clock_draw_numeral(uint32_t* frame, float x, float y, int32_t n);
void page_clock_draw_bus_voltage(uint32_t* frame, int32_t x, int32_t y);
void page_clock_draw_oat(uint32_t* frame, int32_t x);
void page_clock_draw_airspeed(uint32_t* frame);
void page_clock_draw_density_alt(uint32_t* frame);
// Hides the field being set in the blink's off phase.
void page_clock_blink_field(uint32_t* frame);

// The hour the digital time shows for a GMT hour: shifted by local_offset_hours when local, and on the
// 12-hour dial unless 24H TIME is set, with *suffix "am" or "pm" (nullptr on the 24-hour dial).
int32_t page_clock_hour_shown(int32_t gmt_hour, bool local, const char** suffix);
// Readout texts, NUL-terminated. Temperature in the unit shown: "+23d", "0d", "-4d".
void page_clock_format_temperature(float t, char* out);
// Airspeed in knots as shown: "152 k" in knots, else miles per hour "174 m".
void page_clock_format_airspeed(float knots, bool in_knots, char* out);
// Density altitude rounded to the hundred, split into the thousands ("1", "-0", "0") and the rest
// ("200", always three digits, without sign).
void page_clock_format_density_alt(float feet, char* thousands, char* rest);

// One second on: the time of day wraps at 24 h, the date is left alone.
void page_clock_advance_second(ClockTime* t);

// Process start values.
void page_clock_reset();
