#include <gtest/gtest.h>

#include <unistd.h>

#include <cmath>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>
#include <sstream>
#include <string>

#include "core/buttons.h"
#include "core/flight.h"
#include "core/page.h"
#include "headless/run.h"
#include "headless/script.h"
#include "host/host.h"
#include "host/scheduler.h"
#include "soak/soak.h"
#include "pages/clock.h"
#include "pages/timer.h"
#include "setup/settings.h"
#include "setup/setup_menu.h"

namespace {

std::string slurp(FILE* f) {
    std::string s;
    std::rewind(f);
    char buf[4096];
    size_t n;
    while ((n = std::fread(buf, 1, sizeof buf, f)) > 0) s.append(buf, n);
    return s;
}

std::string read_file(const std::filesystem::path& p) {
    std::ifstream in(p, std::ios::binary);
    std::stringstream ss;
    ss << in.rdbuf();
    return ss.str();
}

// The instrument started as the soak starts it and run to a CLOCK frame a few seconds in, with a checker
// that has seen it.
struct Started {
    HostScheduler sched;
    SoakChecker checker;
};

void start(Started* s) {
    HeadlessOptions o{};
    o.local_time_set = headless_parse_time("12:00:00", &o.local_time);
    headless_start(o, &s->sched);
    host_sched_run(&s->sched, 3000, -1);
    soak_checker_start(&s->checker, &s->sched);
}

bool check(Started* s, std::string* why) {
    char buf[256];
    bool ok = soak_check(&s->checker, &s->sched, buf, sizeof buf);
    *why = ok ? "" : buf;
    return ok;
}

TEST(SoakChecker, PassesTheStateOfANormalRun) {
    Started s;
    start(&s);
    std::string why;
    ASSERT_EQ(current_page, PAGE_CLOCK);
    EXPECT_TRUE(check(&s, &why)) << why;
    host_sched_run(&s.sched, 65000, -1); // a minute on: frames, ticks and seconds counted alike
    EXPECT_TRUE(check(&s, &why)) << why;
}

TEST(SoakChecker, SeesEachKindOfBrokenInvariant) {
    struct Case {
        const char* name;
        std::function<void()> breaks;
        const char* reported;
    };
    const Case cases[] = {
        {"setting past its range", [] { device_settings.audio_volume = 11; },
         "device_settings.audio_volume = 11"},
        {"negative G limit", [] { device_settings.g_limit_negative = -5; }, "g_limit_negative = -5"},
        {"XPDR CTRL enabled", [] { device_settings.page_enable_mask |= 4; }, "XPDR CTRL"},
        {"option bits above 7", [] { device_settings.option_flags = 0x1FF; }, "option_flags = 0x1FF"},
        {"AOA limits too close", [] { device_settings.aoa_cruise_limit = 140; }, "AOA limits 150 / 140"},
        {"altitude reference", [] { device_settings.alt_trim_high_ref = 5; }, "reference = 5"},
        {"page 3 shown", [] { current_page = PAGE_XPDR_CTRL; }, "current_page = 3"},
        {"splash again", [] { current_page = PAGE_SPLASH; }, "current_page = 0 after the splash"},
        {"disabled page shown", [] { device_settings.page_enable_mask &= ~1u; },
         "page 1 is shown but disabled"},
        {"brightness off its steps", [] { brightness_percent = 35; }, "brightness_percent = 35"},
        {"hour 24", [] { clock_time.hour = 24; }, "clock_time.hour = 24"},
        {"offset 13", [] { local_offset_hours = 13; }, "local_offset_hours = 13"},
        {"Set Clock elsewhere",
         [] {
             clock_setting = 1;
             current_page = PAGE_RUN_TIME;
         },
         "Set Clock is open while page 2"},
        {"timer minute 60", [] { user_timers[1].minutes = 60; }, "user_timers[1].minutes = 60"},
        {"expired timer running",
         [] {
             user_timers[0].expired = 1;
             user_timers[0].running = 1;
         },
         "timer 1 runs while expired"},
        {"SETUP screen elsewhere",
         [] {
             setup_state.setup_screen = SETUP_AUDIO_VOL;
             setup_state.setup_selected_item = SETUP_AUDIO_VOL - 1;
         },
         "setup_screen = 5 while page 1"},
        {"edit copy not stored",
         [] {
             current_page = PAGE_SETUP;
             setup_state.setup_screen = SETUP_AUDIO_VOL;
             setup_state.setup_selected_item = SETUP_AUDIO_VOL - 1;
             setup_state.edit_volume = 3;
         },
         "SETUP screen 5 shows 3 but the setting holds 5"},
        {"timer started elsewhere", [] { user_timers[1].running = 1; }, "timer 2 started while page 1"},
        {"stopped timer moves", [] { user_timers[0].seconds = 7; },
         "timer 1 changed while stopped while page 1"},
        {"alert without expiry", [] { timer2_alert = 1; },
         "TIMER2 alert 1, latch 0, with the timer not expired"},
        {"run time jumps", [] { flight_time.seconds += 5; }, "flight_time went from"},
        {"clock jumps", [] { clock_time.minute = (clock_time.minute + 1) % 60; }, "clock_time went from"},
        {"frame without a tick", [] { ++host_frames_rendered; }, "1 frame(s) rendered for 0 10 ms tick(s)"},
        {"event without a tick", [] { ++btn_event_count; }, "1 button events in 0 10 ms tick(s)"},
        {"unconsumed event", [] { button_event = EV_RIGHT_RELEASE; }, "button_event = 8"},
        {"allocation", [] { soak_allocations.fetch_add(2); }, "heap allocation while running: 2"},
        {"oscillator not a number", [] { demo_sweep = std::nanf(""); }, "demo_sweep = nan"},
        {"smoothing overflows", [] { smooth_output[LOAD_FACTOR_CHANNEL] = INFINITY; },
         "channel 34 is not finite"},
        {"flight value past its range",
         [] {
             flight_state = FlightState{1u << FLT_LOAD, {0, 0, 0, 0, 11.0f}};
         },
         "flight value g = 11, outside its range"},
        {"flight value not given", [] { flight_state.value[FLT_TAS] = 3.0f; },
         "flight value tas = 3, not given"},
        {"tenth flight value", [] { flight_state.given = 1u << FLT_VALUE_COUNT; }, "a bit past the nine"},
        {"live pitch of its own", [] { live_pitch_deg = 4.0f; },
         "live_pitch_deg = 4 while the given pitch is none"},
        {"live slip past its range", [] { live_slip = 25.0f; }, "live_slip = 25, outside -20..20"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Started s;
        start(&s);
        c.breaks();
        std::string why;
        EXPECT_FALSE(check(&s, &why));
        EXPECT_NE(why.find(c.reported), std::string::npos) << why;
    }
}

TEST(SoakChecker, AllowsTheRunTimeClearAndTheClockSetting) {
    Started s;
    start(&s);
    std::string why;
    current_page = PAGE_RUN_TIME; // the page's clear sets a counter back to 0:00:00
    engine_run_time = RunTimeCounter{};
    EXPECT_TRUE(check(&s, &why)) << why;
    current_page = PAGE_CLOCK; // accepting Set Clock loads another time of day
    clock_setting = 1;
    EXPECT_TRUE(check(&s, &why)) << why;
    clock_setting = 0;
    clock_time.hour = static_cast<uint16_t>((clock_time.hour + 5) % 24);
    EXPECT_TRUE(check(&s, &why)) << why;
}

struct Scratch {
    std::filesystem::path dir;
    Scratch() {
        dir = std::filesystem::temp_directory_path() / ("zt30-soak-test-" + std::to_string(getpid()));
        std::filesystem::create_directories(dir);
    }
    ~Scratch() { std::filesystem::remove_all(dir); }
};

SoakOptions short_run(uint64_t seed, uint64_t seconds) {
    SoakOptions o{};
    o.seed = seed;
    o.duration_ms = seconds * 1000;
    return o;
}

TEST(SoakRun, APlantedFaultIsReportedWithAScriptThatReplaysToIt) {
    Scratch scratch;
    SoakOptions o = short_run(99, 300);
    o.script_path = (scratch.dir / "replay.zts").string();
    o.planted = SOAK_BREAK_SETTING;
    o.planted_at_ms = 240000;
    FILE* out = std::tmpfile();
    SoakStats st;
    ASSERT_EQ(soak_run(o, &st, out), SOAK_EXIT_FAILED);
    std::string report = slurp(out);
    std::fclose(out);
    EXPECT_TRUE(st.failed);
    EXPECT_EQ(st.failed_at_ms, 240000u);
    EXPECT_EQ(st.failure, "device_settings.audio_volume = 11, outside 0..10");
    ASSERT_GT(st.inputs, 50u);
    const std::string parts[] = {
        "FAILED at 0:04:00.000 of simulated time (seed 99", "invariant: device_settings",
        "the last 50 of " + std::to_string(st.inputs) + " input events", "replay: zt30-headless "};
    for (const std::string& part : parts)
        EXPECT_NE(report.find(part), std::string::npos) << part << " in\n" << report;

    // The replay runs the same inputs on the same clock: the frame it ends on is the failing frame.
    FrameBuffer failing = host_frame;
    int32_t page = current_page;
    std::string text = read_file(o.script_path);
    HeadlessScript script;
    std::string error;
    ASSERT_TRUE(headless_parse(o.script_path, text, &script, &error)) << error;
    ASSERT_GT(script.commands.size(), 50u);
    FILE* sink = std::tmpfile();
    ASSERT_EQ(headless_run(script, HeadlessOptions{}, sink, sink), HEADLESS_EXIT_OK) << slurp(sink);
    std::fclose(sink);
    EXPECT_EQ(current_page, page);
    EXPECT_EQ(0, std::memcmp(host_frame.pixels, failing.pixels, sizeof failing.pixels));
    EXPECT_EQ(device_settings.audio_volume, 5u); // the planted fault is the soak's alone
}

TEST(SoakRun, TheSeedDecidesTheWholeRun) {
    auto run = [](uint64_t seed, SoakStats* st) {
        FILE* out = std::tmpfile();
        int code = soak_run(short_run(seed, 120), st, out);
        std::fclose(out);
        return code;
    };
    SoakStats a, b, c;
    ASSERT_EQ(run(5, &a), SOAK_EXIT_PASSED);
    ASSERT_EQ(run(5, &b), SOAK_EXIT_PASSED);
    ASSERT_EQ(run(6, &c), SOAK_EXIT_PASSED);
    EXPECT_EQ(a.frames, 12001u);
    EXPECT_GT(a.inputs, 0u);
    EXPECT_EQ(a.inputs, b.inputs);
    EXPECT_EQ(a.button_events, b.button_events);
    EXPECT_EQ(0, std::memcmp(a.page_frames, b.page_frames, sizeof a.page_frames));
    EXPECT_NE(0, std::memcmp(a.page_frames, c.page_frames, sizeof a.page_frames));
}

} // namespace
