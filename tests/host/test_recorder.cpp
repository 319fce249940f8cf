#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <random>
#include <sstream>
#include <string>
#include <vector>

#include "capture.h"
#include "core/buttons.h"
#include "core/flight.h"
#include "core/page.h"
#include "host/headless.h"
#include "host/host.h"
#include "host/local_time.h"
#include "host/session.h"

namespace {

// A recorded session as text, header left out.
struct Recording {
    char* text = nullptr;
    size_t size = 0;
    FILE* file = nullptr;

    Recording() { file = open_memstream(&text, &size); }
    ~Recording() { std::free(text); }
    std::string body() {
        std::istringstream lines(std::string(text, size));
        std::string out;
        for (std::string l; std::getline(lines, l);)
            if (l.rfind("# zt30-sim ", 0) && l.rfind("# Replay: ", 0) && l.rfind("expect ", 0))
                out += l + "\n";
        return out;
    }
};

// What must come out the same when the ticks are run in batches, as bytes: the frame, the decoder (it
// counts the ticks a button is held), the page and overlay state, the demo oscillator.
std::string state() {
    std::string s;
    auto add = [&](const auto& v) { s.append(reinterpret_cast<const char*>(&v), sizeof v); };
    add(host_frame), add(button_decoder), add(current_page), add(brightness_overlay_shown);
    add(brightness_percent), add(demo_sweep), add(host_frames_rendered);
    return s;
}

// Input of a session: at these times (ms), these key changes.
struct KeyChange {
    uint64_t at_ms;
    HostKey key;
    bool down;
};
const KeyChange SESSION[] = {
    {1500, HOST_KEY_RIGHT, true}, {1503, HOST_KEY_RIGHT, false}, // a click: next page
    {2000, HOST_KEY_RIGHT, true}, {3400, HOST_KEY_RIGHT, false}, // held 1.4 s: brightness
    {3700, HOST_KEY_UP, true},    {3700, HOST_KEY_UP, false},    // both between two ticks
    {3705, HOST_KEY_V, true},     {3750, HOST_KEY_V, false},
    {4000, HOST_KEY_SPACE, true}, {4060, HOST_KEY_SPACE, false}, // BOTH: AUTO / MANUAL
    {4500, HOST_KEY_RIGHT, true}, {4560, HOST_KEY_RIGHT, false}, // OK
    {5000, HOST_KEY_LEFT, true},  {5300, HOST_KEY_LEFT, false},  // back to CLOCK
    {6400, HOST_KEY_B, true},                                    // held to the end: the decoder counts
};

// Runs the session on a clock that wakes at each input and otherwise every `step` ms (the window wakes
// every tick while shown, once a second while hidden), or, given `random`, 1 to `step` ms apart.
void drive(HostSession* s, uint64_t step, uint64_t end_ms, std::mt19937* random = nullptr, int backlog = -1) {
    uint64_t now = 0;
    auto next = [&] { return now + (random ? 1 + (*random)() % step : step); };
    for (const KeyChange& k : SESSION) {
        for (uint64_t t; (t = next()) < k.at_ms;) host_session_run(s, now = t, backlog);
        host_session_run(s, now = k.at_ms, backlog);
        host_keyboard_event(&s->keys, &s->pointer, k.key, 0, k.down, false, s->sched.tick_count);
    }
    while (now < end_ms) host_session_run(s, now = std::min(next(), end_ms), backlog);
}

// A session from its start, recorded into rec, with the local time fixed at t.
void begin_recorded(HostSession* s, Recording* rec, const ClockTime& t) {
    host_session_begin(s);
    EXPECT_TRUE(host_recorder_start(&s->recorder, rec->file, "t.zts", &s->sched, stderr));
    host_set_local_time(&t);
}

} // namespace

TEST(Recorder, WritesWaitsToTheTickEachEventWasAppliedAt) {
    HostSession s{};
    Recording rec;
    // The click below leaves the splash for CLOCK, whose first frame reads the local time.
    begin_recorded(&s, &rec, ClockTime{2000, 1, 6, 1, 8, 0, 0, 0});
    host_session_run(&s, 35, -1);                                       // ticks 10, 20, 30
    host_pointer_push(&s.pointer, true, 340, 220, s.sched.tick_count);  // goes at once
    host_pointer_push(&s.pointer, false, 340, 220, s.sched.tick_count); // waits for a tick
    host_pointer_push(&s.pointer, true, -5, 70000, s.sched.tick_count);
    host_session_run(&s, 47, -1);
    host_session_run(&s, 50, -1);
    // Two reads of the local time, as the CLOCK page makes them, in the ticks at 100 and 150 ms.
    for (auto [ms, second] : {std::pair(100, 7), std::pair(150, 9)}) {
        ClockTime t{2000, 1, 6, 1, 9, 5, static_cast<uint16_t>(second), 0}, read{};
        host_set_local_time(&t);
        host_session_run(&s, ms, -1);
        host_local_time(&read);
        host_recorder_tick(&s.recorder);
    }
    host_set_local_time(nullptr);
    // A stall: all but 8 of the 10 ms ticks up to 5 s are dropped.
    host_session_run(&s, 5000, 8);
    host_pointer_push(&s.pointer, false, 0, 0, s.sched.tick_count);
    EXPECT_TRUE(host_recorder_finish(&s.recorder));
    EXPECT_EQ(rec.body(), "wait 30ms\n"
                          "mouse down 340 220\n"
                          "wait 10ms\n"
                          "mouse up 340 220\n"
                          "local-time 08:00:00\n"
                          "wait 10ms\n"
                          "mouse down -5 70000\n"
                          "local-time 09:05:07\n"
                          "wait 50ms\n"
                          "local-time 09:05:09\n"
                          "# the window skipped 476 ticks of 10 ms after a stall, the last at 4.91 s: from "
                          "here on the replay is inexact\n"
                          "wait 4900ms\n"
                          "mouse up 0 0\n"
                          "# the last frame the window showed, sampled\n");
    // The frame sampled on a grid of 4 x 4 pixels, one column further on each sampled row.
    std::istringstream lines(std::string(rec.text, rec.size));
    int expects = 0, x = 0, y = 0;
    unsigned color = 0;
    for (std::string l; std::getline(lines, l);)
        if (std::sscanf(l.c_str(), "expect %d %d 0x%8X", &x, &y, &color) == 3)
            expects += y % 4 == 1 && x % 4 == y / 4 % 4 &&
                       color == host_frame.pixels[gfx_index(x, y, FRAME_WIDTH, FRAME_HEIGHT)];
    EXPECT_EQ(expects, 32 * 40);
}

// The local time is fixed: CLOCK reads it once, and the machine's second could turn between two runs.
TEST(Session, TicksInBatchesLeaveTheSameStateAsTicksOnTime) {
    const ClockTime t{2000, 1, 6, 1, 14, 30, 5, 0};
    host_set_local_time(&t);
    HostSession s{};
    host_session_begin(&s);
    drive(&s, 1, 7000); // woken every millisecond: every tick on time
    EXPECT_EQ(host_frames_rendered, 701u);
    EXPECT_EQ(current_page, PAGE_CLOCK); // the session went to RUN TIME, the brightness screen and back
    EXPECT_EQ(brightness_percent, 50);
    EXPECT_EQ(button_decoder.left_hold_ticks, 59); // pressed after the tick at 6.4 s
    const std::string on_time = state();
    for (uint64_t step : {10, 7, 1000, 100000}) {
        host_session_begin(&s);
        drive(&s, step, 7000);
        EXPECT_TRUE(state() == on_time) << "woken every " << step << " ms";
    }
    host_set_local_time(nullptr);
}

// A stall that drops a single tick is noted as well.
TEST(Recorder, NotesASingleSkippedTick) {
    HostSession s{};
    Recording rec;
    begin_recorded(&s, &rec, ClockTime{2000, 1, 6, 1, 8, 0, 0, 0});
    host_session_run(&s, 40, 2);
    host_set_local_time(nullptr);
    EXPECT_EQ(s.sched.ticks_skipped, 1u);
    EXPECT_TRUE(host_recorder_finish(&s.recorder));
    EXPECT_NE(rec.body().find("# the window skipped 1 ticks"), std::string::npos) << rec.body();
}

// Presses and releases reach the button lines one a tick: the first at once, the next after the tick.
TEST(Session, OnePointerEventATick) {
    HostSession s{};
    host_session_begin(&s);
    host_session_run(&s, 35, -1);
    host_pointer_push(&s.pointer, true, 340, 220, s.sched.tick_count);
    host_pointer_push(&s.pointer, false, 340, 220, s.sched.tick_count);
    EXPECT_EQ(right_button_down, 1);
    host_session_run(&s, 45, -1); // the tick at 40 ms, then the release
    EXPECT_EQ(right_button_down, 0);
    host_pointer_push(&s.pointer, true, 340, 220, s.sched.tick_count); // waits for the tick at 50 ms
    EXPECT_EQ(right_button_down, 0);
    host_session_run(&s, 55, -1);
    EXPECT_EQ(right_button_down, 1);
}

// Woken irregularly, as a real window is; the CLOCK page reads the local time.
TEST(Session, RecordedSessionReplaysToTheSameFrame) {
    std::mt19937 random(16);
    for (int round = 0; round < 3; ++round) {
        HostSession s{};
        Recording rec;
        begin_recorded(&s, &rec, ClockTime{2000, 1, 6, 1, 14, 30, 5, 0});
        drive(&s, 30, 6543, &random, 8);
        host_set_local_time(nullptr);
        EXPECT_EQ(s.sched.ticks_skipped, 0u);
        ASSERT_TRUE(host_recorder_finish(&s.recorder));
        const std::string shown = state();
        std::string script(rec.text, rec.size);
        EXPECT_NE(script.find("\nlocal-time 14:30:05\n"), std::string::npos);
        HeadlessScript parsed;
        std::string error;
        ASSERT_TRUE(headless_parse("t.zts", script, &parsed, &error)) << error;
        FILE *out = std::tmpfile(), *err = std::tmpfile();
        EXPECT_EQ(headless_run(parsed, HeadlessOptions{}, out, err), 0) << round << slurp(err);
        std::fclose(out);
        EXPECT_TRUE(state() == shown) << round;
    }
}
