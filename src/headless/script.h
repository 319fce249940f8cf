// The headless runner's script language: commands, one a line. A script is parsed whole before anything
// runs, so a bad line costs nothing but its error message.
#pragma once
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "core/flight.h"
#include "host/host.h"
#include "pages/clock.h"

enum HeadlessOp : int32_t {
    HL_WAIT,
    HL_PRESS,
    HL_RELEASE,
    HL_CLICK,
    HL_HOLD,
    HL_MOUSE_DOWN,
    HL_MOUSE_UP,
    HL_LOCAL_TIME,
    HL_PROBE,
    HL_EXPECT,
    HL_SHOT,
    HL_WINDOW,
    HL_DUMP,
    HL_FLIGHT,
};

// How long a click keeps the button down, and the pause after every release of click and hold.
constexpr uint64_t HEADLESS_CLICK_MS = 50;
// Longest single wait or hold: about an hour of real time, so a slip of the unit cannot run for days.
constexpr uint64_t HEADLESS_MAX_WAIT_HOURS = 1000;
constexpr uint64_t HEADLESS_MAX_WAIT_MS = HEADLESS_MAX_WAIT_HOURS * 3600 * 1000;
// Largest script read; beyond it the input is surely not a script.
constexpr size_t HEADLESS_MAX_SCRIPT_BYTES = 16u << 20;
constexpr int HEADLESS_MAX_SCALE = 8;

struct HeadlessCommand {
    HeadlessOp op;
    int line;             // 1-based line of the script
    HostButton button;    // press, release, click, hold
    uint64_t duration_ms; // wait, hold
    int32_t x, y;         // mouse (any value), probe and expect (inside the frame)
    uint32_t color;       // expect
    int32_t scale;        // shot
    ClockTime time;       // local-time
    std::string file;     // shot, window, dump
    // flight: the values given (bit i set: flight_value[i]) and those back to not given
    uint32_t flight_set, flight_unset;
    float flight_value[FLT_VALUE_COUNT];
};

struct HeadlessScript {
    std::string name; // as shown in messages: the path given, or "-" for standard input
    std::vector<HeadlessCommand> commands;
};

// Parses a whole script (a UTF-8 byte-order mark at its start is skipped). On the first bad line returns
// false with "NAME:LINE: what is wrong" in *error.
bool headless_parse(std::string_view name, std::string_view text, HeadlessScript* out, std::string* error);

// "HH:MM:SS" (hour 0..23, minute and second 0..59) as a local time on a fixed date.
bool headless_parse_time(std::string_view text, ClockTime* out);

// A word as messages show it.
std::string headless_quoted(std::string_view word);

// A file name as messages show it: as it is, or, past 60 bytes, cut in the middle to its start and end.
std::string headless_shown_name(std::string_view name);
