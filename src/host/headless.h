// The headless runner: the instrument on a simulated clock, driven by a script of commands.
// A script is parsed whole before anything runs, so a bad line costs nothing but its error message.
#pragma once
#include <csignal>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <string>
#include <string_view>
#include <vector>

#include "host/scheduler.h"
#include "pages/clock.h"

// Exit codes of the runner.
constexpr int HEADLESS_EXIT_OK = 0;
constexpr int HEADLESS_EXIT_WRITE = 1;  // a file could not be written
constexpr int HEADLESS_EXIT_USAGE = 2;  // bad option, unreadable or malformed script
constexpr int HEADLESS_EXIT_EXPECT = 3; // an expect line saw another colour

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
};

enum HeadlessButton : int32_t { HL_BUTTON_VIEW, HL_BUTTON_LEFT, HL_BUTTON_RIGHT, HL_BUTTON_BOTH };

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
    int line;              // 1-based line of the script
    HeadlessButton button; // press, release, click, hold
    uint64_t duration_ms;  // wait, hold
    int32_t x, y;          // mouse (any value), probe and expect (inside the frame)
    uint32_t color;        // expect
    int32_t scale;         // shot
    ClockTime time;        // local-time
    std::string file;      // shot, window, dump
};

struct HeadlessScript {
    std::string name; // as shown in messages: the path given, or "-" for standard input
    std::vector<HeadlessCommand> commands;
};

struct HeadlessOptions {
    bool local_time_set;
    ClockTime local_time;
};

// A signal number set by the program's signal handler (SIGINT, SIGTERM): a running script stops between
// two ticks and returns 128 + the number.
extern volatile std::sig_atomic_t headless_stop_signal;

// Parses a whole script (a UTF-8 byte-order mark at its start is skipped). On the first bad line returns
// false with "NAME:LINE: what is wrong" in *error.
bool headless_parse(std::string_view name, std::string_view text, HeadlessScript* out, std::string* error);

// "HH:MM:SS" (hour 0..23, minute and second 0..59) as a local time on a fixed date.
bool headless_parse_time(std::string_view text, ClockTime* out);

// The centre of a button's region of the bezel, in window client coordinates.
void headless_button_point(HeadlessButton b, int* x, int* y);

// Starts the instrument as the window does, on a simulated clock at 0 ms whose ticks sched counts; the
// local time of day is the one of the options, else the machine's.
void headless_start(const HeadlessOptions& options, HostScheduler* sched);

// Starts the instrument as the window does and runs the script; probe lines go to out, errors to err.
// Returns the exit code.
int headless_run(const HeadlessScript& script, const HeadlessOptions& options, FILE* out, FILE* err);

// The whole program: options, reading the script (from in for "-" or none), parsing and running. With no
// script and a terminal on `in`, first a hint on err that commands are read from there.
int headless_main(int argc, const char* const* argv, FILE* in, FILE* out, FILE* err);
