// The platform-neutral host: start-up, the three ticks, the paint count, the mouse regions.
// A window or a headless runner drives it; neither adds instrument logic of its own.
#pragma once
#include <cstdint>

#include "gfx/gfx.h"

constexpr int BEZEL_WIDTH = 450;
constexpr int BEZEL_HEIGHT = 550;
constexpr int FRAME_ORIGIN_X = 165;
constexpr int FRAME_ORIGIN_Y = 107;
constexpr int32_t PAINTS_PER_FRAME = 10;

constexpr int TIMER_TICK = 200;   // 10 ms
constexpr int TIMER_SECOND = 201; // 1000 ms
constexpr int TIMER_TENTH = 202;  // 100 ms

struct RunTimeCounter {
    int32_t hours, minutes, seconds;
};

extern RunTimeCounter flight_time;
extern RunTimeCounter engine_run_time;

extern int32_t paint_countdown;
extern uint32_t* frame_pixels; // set only while a frame is being rendered
extern int32_t view_button_down, left_button_down, right_button_down;

// The last rendered frame, as presented (bottom row first).
extern FrameBuffer host_frame;
// How many frames have been rendered since start; a presenter compares it to know when to copy.
extern uint64_t host_frames_rendered;

// Every instrument subsystem back to its process start values (tests and re-runs start clean).
void host_reset_all();
// Start-up as the window does it: instrument start values, the first frame, then the setting start values.
void host_start();

// A left-button press or release at client (x, y), each taken as a signed 16-bit value.
void host_hit_test(bool press, int x, int y);

// The instrument's buttons as a user sees them; BOTH is the marker that presses both soft keys.
enum HostButton : int32_t { HOST_BUTTON_VIEW, HOST_BUTTON_LEFT, HOST_BUTTON_RIGHT, HOST_BUTTON_BOTH };

// The centre of a button's region of the bezel, in window client coordinates.
void host_button_point(HostButton b, int* x, int* y);

// One paint request; renders one in ten. Returns true when it rendered.
bool host_paint();

// The three ticks. The 10 ms tick includes its repaint and the burst of paint requests that follows it.
void host_tick_10ms();
void host_tick_100ms();
void host_tick_1s();

// One second of a run-time counter; hours wrap from 98 to 0.
void host_advance_counter(RunTimeCounter* c);
