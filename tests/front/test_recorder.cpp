#include <gtest/gtest.h>
#include <sys/mman.h>
#include <unistd.h>

#include <fcntl.h>

#include <algorithm>
#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <random>
#include <sstream>
#include <string>
#include <tuple>
#include <vector>

#include "capture.h"
#include "core/buttons.h"
#include "core/flight.h"
#include "core/page.h"
#include "headless/run.h"
#include "headless/script.h"
#include "host/host.h"
#include "host/local_time.h"
#include "front/session.h"
#include "live/text.h"

namespace {

// A recorded session: its output, and its text with the header and the sampled frame left out.
struct Recording {
    int fd = memfd_create("recording", 0);
    ~Recording() { close(fd); }
    std::string text() const {
        std::string out(static_cast<size_t>(lseek(fd, 0, SEEK_END)), '\0');
        EXPECT_EQ(pread(fd, out.data(), out.size(), 0), static_cast<ssize_t>(out.size()));
        return out;
    }
    std::string body() const {
        std::istringstream lines(text());
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

const ClockTime SESSION_TIME{2000, 1, 6, 1, 14, 30, 5, 0};

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
    EXPECT_TRUE(host_recorder_open(&s->recorder, rec->fd, "t.zts", stderr));
    host_recorder_start(&s->recorder, &s->sched);
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
                          "# the last frame the window showed, sampled\n"
                          "# end of the recorded session\n");
    // The frame sampled on a grid of 4 x 4 pixels, one column further on each sampled row.
    std::istringstream lines(rec.text());
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
        std::string script = rec.text();
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

// The values a link gives go into the file where they changed, as flight lines that say only what did;
// the replay ends with the same values.
TEST(Recorder, FlightLinesWhereTheValuesChanged) {
    HostSession s{};
    Recording rec;
    begin_recorded(&s, &rec, ClockTime{2000, 1, 6, 1, 8, 0, 0, 0});
    auto give = [&](uint64_t at_ms, const char* text) {
        host_session_run(&s, at_ms, -1);
        FlightState st;
        ASSERT_EQ(live_parse_text(text, std::strlen(text), &st).error, LIVE_TEXT_OK) << text;
        flight_state = st; // as the window takes a datagram
        host_recorder_flight(&s.recorder);
    };
    give(35, "pitch=10 roll=30");
    give(47, "pitch=10 roll=30"); // the same again: no line
    give(60, "pitch=10 g=3.5 volts=0.1");
    give(100, "pitch=-0.25 g=3.5 volts=0.1");
    give(1100, "heading=90");
    host_session_run(&s, 1200, -1);
    host_set_local_time(nullptr);
    const FlightState last{1u << FLT_PITCH, {1.0f}};
    flight_state = last;
    host_recorder_flight(&s.recorder);
    ASSERT_TRUE(host_recorder_finish(&s.recorder));
    EXPECT_EQ(rec.body(), "wait 30ms\n"
                          "flight pitch=10 roll=30\n"
                          "wait 30ms\n"
                          "flight roll=- g=3.5 volts=0.1\n"
                          "wait 40ms\n"
                          "flight pitch=-0.25\n"
                          "wait 1000ms\n"
                          "flight clear\n"
                          "local-time 08:00:00\n" // CLOCK, after the splash, reads the time
                          "wait 100ms\n"
                          "flight pitch=1\n"
                          "# the last frame the window showed, sampled\n"
                          "# end of the recorded session\n");
    const FrameBuffer shown = host_frame;
    HeadlessScript parsed;
    std::string error;
    ASSERT_TRUE(headless_parse("t.zts", rec.text(), &parsed, &error)) << error;
    FILE *out = std::tmpfile(), *err = std::tmpfile();
    EXPECT_EQ(headless_run(parsed, HeadlessOptions{}, out, err), 0) << slurp(err);
    std::fclose(out);
    EXPECT_EQ(std::memcmp(&flight_state, &last, sizeof last), 0);
    EXPECT_EQ(std::memcmp(&host_frame, &shown, sizeof shown), 0);
}

namespace {

size_t disk_room; // bytes the disk still takes
ssize_t filling_disk(int fd, const void* data, size_t size) {
    if (disk_room == 0) return errno = ENOSPC, -1;
    size = std::min(size, disk_room);
    disk_room -= size;
    return ::write(fd, data, size);
}

// The session of SESSION recorded into fd through to its end; returns whether it came out complete.
bool record_session(int fd, FILE* err) {
    HostSession s{};
    host_session_begin(&s);
    host_set_local_time(&SESSION_TIME);
    bool opened = host_recorder_open(&s.recorder, fd, "t.zts", err);
    host_recorder_start(&s.recorder, &s.sched);
    drive(&s, 10, 7000);
    host_set_local_time(nullptr);
    return host_recorder_finish(&s.recorder) && opened;
}

} // namespace

// The disk fills part way through a line: the output is cut back to the last whole line (after what the
// file held before, when it is appended to), the failure is told once, the session goes on unrecorded,
// and the replay refuses the unfinished recording instead of passing.
TEST(Recorder, AWriteThatFailsLeavesWholeLinesAndAnUnfinishedRecording) {
    Recording whole;
    ASSERT_TRUE(record_session(whole.fd, stderr));
    const std::string complete = whole.text();
    host_recorder_set_write_hook(filling_disk);
    const size_t header = complete.find('\n', complete.find('\n') + 1) + 1;
    // What the window's last moments add: a wait to the last frame, the frame, the end line.
    const size_t finish = complete.rfind('\n', complete.find("# the last frame") - 2) + 1;
    for (size_t room : {header + 17, finish - 5, complete.size() - 40}) {
        Recording cut;
        ASSERT_EQ(write(cut.fd, "before\n", 7), 7);
        ASSERT_EQ(fcntl(cut.fd, F_SETFL, O_APPEND), 0);
        disk_room = room;
        FILE* err = std::tmpfile();
        EXPECT_FALSE(record_session(cut.fd, err));
        const std::string text = cut.text(), said = slurp(err);
        ASSERT_EQ(text.rfind("before\n", 0), 0u) << room;
        const std::string recorded = text.substr(7);
        EXPECT_LE(recorded.size(), room);
        // Whole lines of the same recording; its first line holds a time that may have moved on.
        const size_t dated = complete.find('\n');
        ASSERT_GT(recorded.size(), dated);
        EXPECT_EQ(complete.compare(dated, recorded.size() - dated, recorded, dated), 0) << room;
        EXPECT_EQ(recorded.back(), '\n') << room;
        EXPECT_EQ(recorded.find(RECORDER_END_LINE), std::string::npos);
        // Failing mid-session it says so once; failing while finishing it leaves that to the window.
        bool mid_session = room < finish;
        EXPECT_EQ(said.find("zt30-sim: cannot write 't.zts': No space left on device; the recording stopped "
                            "after "),
                  mid_session ? 0u : std::string::npos)
            << said;
        EXPECT_EQ(std::count(said.begin(), said.end(), '\n'), mid_session ? 1 : 0);
        HeadlessScript parsed;
        std::string error;
        EXPECT_FALSE(headless_parse("t.zts", recorded, &parsed, &error));
        EXPECT_EQ(error,
                  "t.zts: an unfinished recording (no '# end of the recorded session' line): the window "
                  "never completed it; delete its first line to replay what it holds");
    }
    host_recorder_set_write_hook(nullptr);
    HeadlessScript parsed;
    std::string error;
    EXPECT_TRUE(headless_parse("t.zts", complete, &parsed, &error)) << error;
    // Saved again with CR LF line ends, it is still complete.
    std::string crlf;
    for (char c : complete) crlf += c == '\n' ? std::string("\r\n") : std::string(1, c);
    EXPECT_TRUE(headless_parse("t.zts", crlf, &parsed, &error)) << error;
}

// Standard output into a pipe whose reader leaves: one line saying so, and the window runs on.
TEST(Recorder, AReaderThatGoesAwayStopsTheRecording) {
    int ends[2];
    ASSERT_EQ(pipe(ends), 0);
    struct sigaction ignore {
    }, before{};
    ignore.sa_handler = SIG_IGN;
    sigaction(SIGPIPE, &ignore, &before);
    HostSession s{};
    host_session_begin(&s);
    FILE* err = std::tmpfile();
    EXPECT_TRUE(host_recorder_open(&s.recorder, ends[1], "standard output", err));
    host_recorder_start(&s.recorder, &s.sched);
    close(ends[0]);
    host_session_run(&s, 100, -1);
    host_pointer_push(&s.pointer, true, 340, 220, s.sched.tick_count);
    host_pointer_push(&s.pointer, false, 340, 220, s.sched.tick_count);
    host_session_run(&s, 200, -1);
    EXPECT_FALSE(host_recorder_finish(&s.recorder));
    EXPECT_EQ(s.recorder.error, EPIPE);
    EXPECT_EQ(slurp(err),
              "zt30-sim: the recording's reader went away; the window runs on without recording\n");
    close(ends[1]);
    sigaction(SIGPIPE, &before, nullptr);
    // And a target that cannot take even the header says nothing itself: the window reports it.
    int full = open("/dev/full", O_WRONLY);
    HostRecorder rec{};
    err = std::tmpfile();
    EXPECT_FALSE(host_recorder_open(&rec, full, "f.zts", err));
    EXPECT_EQ(std::tuple(rec.error, slurp(err)), std::tuple(ENOSPC, std::string()));
    close(full);
}
