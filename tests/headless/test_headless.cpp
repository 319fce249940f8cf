#include <gtest/gtest.h>

#include <cerrno>
#include <cmath>
#include <cstring>
#include <cstdlib>
#include <ctime>
#include <random>
#include <regex>
#include <tuple>

#include "capture.h"
#include "headless/cli.h"
#include "headless/run.h"
#include "headless/script.h"
#include "host/host.h"
#include "host/local_time.h"
#include "core/page.h"
#include "setup/settings.h"
#include "files/png.h"

namespace {

// The whole program with these arguments and this standard input.
RunResult run_main(std::vector<const char*> args, const std::string& input) {
    args.insert(args.begin(), "zt30-headless");
    FILE *in = std::tmpfile(), *out = std::tmpfile(), *err = std::tmpfile();
    std::fwrite(input.data(), 1, input.size(), in);
    std::rewind(in);
    RunResult r{headless_main(static_cast<int>(args.size()), args.data(), in, out, err), "", ""};
    std::fclose(in);
    r.out = slurp(out);
    r.err = slurp(err);
    return r;
}

RunResult run_script(const std::string& text) {
    return run_main({"-"}, text);
}

uint32_t frame_at(int x, int y) {
    return host_frame.pixels[gfx_index(x, y, FRAME_WIDTH, FRAME_HEIGHT)];
}

std::string hex(uint32_t c) {
    char buf[16];
    std::snprintf(buf, sizeof buf, "0x%08X", c);
    return buf;
}

int hms(const ClockTime& t) {
    return t.hour * 10000 + t.minute * 100 + t.second;
}

} // namespace

// Blank and comment lines still count for line numbers; tabs and CRs separate words; a byte-order mark
// at the start is no part of the first word.
TEST(HeadlessParse, AcceptedFormsAndTheirLimits) {
    HeadlessScript s;
    std::string error;
    ASSERT_TRUE(headless_parse("t.zts",
                               "\xEF\xBB\xBF# a comment line\n"
                               "\n"
                               "\twait   007s   # trailing comment\r\n"
                               "wait 0ms #glued to the word\n"
                               "wait 3600000000ms\n"
                               "hold both 3600000s\n"
                               "mouse down -5 70000\n"
                               "local-time 7:05:09\n"
                               "expect 127 159 0Xff00aa10\n"
                               "shot b.png 8\n"
                               "shot \"my #1 \\\"shot\\\" \\\\.png\"\r\n"
                               "dump a#b\xC3\xA9\"\n"
                               "shot c.png 1\n",
                               &s, &error))
        << error;
    ASSERT_EQ(s.commands.size(), 11u);
    const auto& c = s.commands;
    EXPECT_EQ(std::tuple(c[0].line, c[0].duration_ms, c[1].duration_ms), std::tuple(3, 7000u, 0u));
    EXPECT_EQ(std::tuple(c[2].duration_ms, c[3].button, c[3].duration_ms),
              std::tuple(3600000000u, HOST_BUTTON_BOTH, 3600000000u));
    EXPECT_EQ(std::tuple(c[4].x, c[4].y, hms(c[5].time)), std::tuple(-5, 70000, 70509));
    EXPECT_EQ(std::tuple(c[6].x, c[6].y, c[6].color), std::tuple(127, 159, 0xFF00AA10u));
    EXPECT_EQ(std::tuple(c[7].line, c[7].file, c[7].scale), std::tuple(10, "b.png", 8));
    EXPECT_EQ(c[8].file, "my #1 \"shot\" \\.png");
    EXPECT_EQ(c[9].file, "a#b\xC3\xA9\"");
    EXPECT_EQ(c[10].scale, 1);
    // One word more than each command takes is refused.
    for (const char* line : {"wait 1s 2", "press view 2", "release view 2", "click view 2", "hold view 1s 2",
                             "mouse down 1 2 3", "local-time 12:00:00 2", "probe 1 2 3",
                             "expect 1 2 0xFF000000 4", "shot a.png 2 3", "window a.png 2", "dump a 2"}) {
        std::string why;
        EXPECT_FALSE(headless_parse("t.zts", line, &s, &why)) << line;
        EXPECT_NE(why.find("wrong number of words"), std::string::npos) << line;
    }
}

TEST(HeadlessParse, EachKindOfBadLineNamesScriptLineAndCause) {
    const std::string duration = " (a whole number followed by ms or s, e.g. 10ms or 2s)";
    const std::string colour = " (0x and 8 hex digits: 0xAARRGGBB)";
    const std::string limit = " is over the limit of 1000 hours (3600000s)";
    const std::string long_word(500, 'z');
    const std::pair<std::string, std::string> cases[] = {
        // line 3, message after "t.zts:3: "
        {"jump 3", "unknown command 'jump' (see --help)"},
        {"Wait 1s", "unknown command 'Wait' (see --help)"},
        {"wa\x01it 1s", "unknown command 'wa\\x01it' (see --help)"},
        {long_word, "unknown command '" + long_word.substr(0, 40) + "...' (see --help)"},
        {long_word.substr(0, 40), "unknown command '" + long_word.substr(0, 40) + "' (see --help)"},
        {"\xEF\xBB\xBFwait 1s", "unknown command '\\xEF\\xBB\\xBFwait' (see --help)"},
        {"wait", "wrong number of words for 'wait': expected 'wait DURATION'"},
        {"hold view", "wrong number of words for 'hold': expected 'hold BUTTON DURATION'"},
        {"shot a.png 2 3", "wrong number of words for 'shot': expected 'shot FILE [SCALE]'"},
        {"probe 1 2 3 4 5 6", "wrong number of words for 'probe': expected 'probe X Y'"},
        {"wait 10", "bad duration '10'" + duration},
        {"wait 1.5s", "bad duration '1.5s'" + duration},
        {"wait 3600000001ms", "duration '3600000001ms'" + limit},
        {"hold left 3600001s", "duration '3600001s'" + limit},
        {"wait 99999999999999999999999s", "duration '99999999999999999999999s'" + limit},
        {"hold VIEW 1s", "unknown button 'VIEW' (view, left, right or both)"},
        {"mouse move 1 2", "bad mouse action 'move' (down or up)"},
        {"mouse down 1 y", "bad number 'y' for Y"},
        {"mouse down 2147483648 0", "bad number '2147483648' for X"},
        {"probe 128 0", "X 128 is outside the frame (0-127)"},
        {"probe -1 0", "X -1 is outside the frame (0-127)"},
        {"probe 0 160", "Y 160 is outside the frame (0-159)"},
        {"expect 1 2 0x123", "bad colour '0x123'" + colour},
        {"expect 1 2 0xFF00000G", "bad colour '0xFF00000G'" + colour},
        {"expect 1 2 0xFF0000000", "bad colour '0xFF0000000'" + colour},
        {"expect 200 2 0xFF000000", "X 200 is outside the frame (0-127)"},
        {"local-time 12:00", "bad time '12:00' (HH:MM:SS, hours 0-23)"},
        {"shot a.png 0", "bad scale '0' (a whole number 1-8)"},
        {"shot a.png 9", "bad scale '9' (a whole number 1-8)"},
        {"shot \"a b.png", "missing closing quote"},
        {"shot \"a\"b.png", "no blank after the closing quote"},
        {"dump \"a\\n\"", "bad escape '\\n' in quotes (only \\\" and \\\\)"},
        {"window \"\"", "empty file name"},
        {"shot \"a\tb.png\"", "control character in file name 'a\\x09b.png'"},
        {"dump \"a\x1F\"", "control character in file name 'a\\x1F'"},
        {"flight", "wrong number of words for 'flight': expected 'flight KEY=VALUE ... or flight clear'"},
        {"flight pitch=1 roll=1 slip=1 aoa=1 g=1 tas=1 dalt=1 oat=1 volts=1 pitch=2",
         "wrong number of words for 'flight': expected 'flight KEY=VALUE ... or flight clear'"},
        {"flight clear pitch=1", "'clear' stands alone: flight clear"},
        {"flight pitch", "expected KEY=VALUE or clear, got 'pitch'"},
        {"flight heading=5",
         "unknown flight value 'heading' (pitch, roll, slip, aoa, g, tas, dalt, oat or volts)"},
        {"flight pitch=nan",
         "bad number 'nan' for pitch (a decimal number such as -12.5, or - for not given)"},
        {"flight g=1 tas=1,5",
         "bad number '1,5' for tas (a decimal number such as -12.5, or - for not given)"},
        {"flight pitch=1 pitch=-", "'pitch' given twice"},
    };
    for (const auto& [line, message] : cases) {
        HeadlessScript s;
        std::string error;
        EXPECT_FALSE(
            headless_parse("t.zts", "wait 10ms\n# fine so far\n" + line + "\nwait 10ms\n", &s, &error));
        EXPECT_EQ(error, "t.zts:3: " + message) << line;
    }
}

// Values are clamped as they are given, and taken back one by one or all at once.
TEST(HeadlessRun, FlightGivesAndTakesBack) {
    ASSERT_EQ(
        run_script("flight pitch=200 roll=-30 slip=1 aoa=12.5 g=1e1 tas=118 dalt=+.5 oat=-4 volts=13.8\n"
                   "wait 10ms\nflight slip=- tas=-\n")
            .code,
        0);
    const FlightState want{FLT_ALL_GIVEN & ~(1u << FLT_SLIP | 1u << FLT_TAS),
                           {180, -30, 0, 12.5f, 10, 0, 0.5f, -4, 13.8f}};
    EXPECT_EQ(std::memcmp(&flight_state, &want, sizeof want), 0);
    ASSERT_EQ(run_script("flight g=3\nflight clear # all\n").code, 0);
    EXPECT_EQ(flight_state.given, 0u);
}

TEST(HeadlessParse, LocalTimeForms) {
    ClockTime t{};
    EXPECT_TRUE(headless_parse_time("0:00:00", &t));
    EXPECT_TRUE(headless_parse_time("23:59:59", &t));
    EXPECT_EQ(hms(t), 235959);
    EXPECT_NE(t.year, 0); // a real date, so nothing downstream trips over month 0
    for (const char* bad : {"", "::", "1:2:3", "12:3:04", "123:00:00", "012:00:00", "12:00:00:00", "-1:00:00",
                            "12-00-00", "24:00:00", "12:60:00", "12:00:60", "1a:00:00"})
        EXPECT_FALSE(headless_parse_time(bad, &t)) << bad;
}

// The first frame is rendered at start, then one per 10 ms tick; waits add up; a click and a hold each
// end 50 ms after the release.
TEST(HeadlessRun, SimulatedClockRunsTheTicksThatFallDue) {
    const struct {
        const char* script;
        uint64_t frames;
        int seconds;
    } cases[] = {{"", 1, 0},
                 {"wait 9ms", 1, 0},
                 {"wait 5ms\nwait 5ms", 2, 0},
                 {"wait 999ms", 100, 0},
                 {"wait 1s", 101, 1},
                 {"click view\nhold right 1200ms\nwait 2s", 336, 3}};
    for (const auto& c : cases) {
        ASSERT_EQ(run_script(c.script).code, 0) << c.script;
        EXPECT_EQ(host_frames_rendered, c.frames) << c.script;
        EXPECT_EQ(engine_run_time.seconds, c.seconds) << c.script;
    }
}

// A given pitch of 10 degrees shows the very frame that PITCH TRIM 10.0 shows, each reached by the
// buttons: SETUP, the list down to DEMO MODE, NONE, then (for the trim) up to PITCH TRIM and 100 steps up.
TEST(HeadlessRun, FlightPitchIsPitchTrimWithoutSetup) {
    std::string to_none = "wait 1500ms\nclick left\nclick both\n";
    for (int i = 0; i < 17; ++i) to_none += "click left\n";
    to_none += "click right\nclick right\nclick both\n";
    std::string trim = to_none;
    for (int i = 0; i < 7; ++i) trim += "click view\n";
    trim += "click right\n";
    for (int i = 0; i < 100; ++i) trim += "click view\n";
    ASSERT_EQ(run_script(trim + "click right\nclick both\nclick left\nwait 100ms\n").code, 0);
    ASSERT_EQ(std::tuple(device_settings.pitch_trim, current_page), std::tuple(100, int32_t{PAGE_ATTITUDE}));
    const FrameBuffer trimmed = host_frame;
    RunResult r = run_script(to_none + "flight pitch=10\nclick both\nclick left\nwait 100ms\n");
    ASSERT_EQ(std::tuple(r.code, device_settings.pitch_trim, device_settings.demo_mode, current_page),
              std::tuple(0, 0, uint32_t{DEMO_NONE}, int32_t{PAGE_ATTITUDE}))
        << r.err;
    EXPECT_EQ(std::memcmp(&host_frame, &trimmed, sizeof trimmed), 0);
    // Horizon rows 0-104 sky, 105 on ground (frame column 2 is clear of the ladder).
    EXPECT_EQ(std::tuple(frame_at(2, 102), frame_at(2, 108)), std::tuple(0xFF0003C1u, 0xFF882A00u));
}

TEST(HeadlessRun, ButtonsAndRawMouseSetTheLines) {
    const struct {
        const char* script;
        int view, left, right;
    } cases[] = {
        {"press left", 0, 1, 0},
        {"press both", 0, 1, 1},
        {"", 0, 0, 0},                                    // every run starts from released lines
        {"press right\npress view", 1, 0, 0},             // a VIEW press drops the right line
        {"press both\nwait 20ms\nrelease left", 0, 0, 0}, // ... and so does a release on the left key
        {"click view\nhold both 1s", 0, 0, 0},
        // A release outside every region leaves the line set.
        {"mouse down 120 150\nmouse up 0 0\nmouse up -120 99999", 1, 0, 0},
        // Coordinates are taken as 16-bit values, as the platform delivers them: 340 + 65536, 220 + 65536.
        {"mouse down 65876 65756", 0, 0, 1},
        {"press both\nmouse up 230 300", 0, 0, 0},
    };
    for (const auto& c : cases) {
        ASSERT_EQ(run_script(c.script).code, 0) << c.script;
        EXPECT_EQ(view_button_down * 100 + left_button_down * 10 + right_button_down,
                  c.view * 100 + c.left * 10 + c.right)
            << c.script;
    }
}

// On the splash: colours on black, different upside down. A failed expect stops the script there, and
// alpha counts.
TEST(HeadlessRun, ProbeAndExpectReadTheLastFrame) {
    RunResult r = run_script("wait 500ms\nprobe 0 0\nprobe 127 159\nprobe 64 42");
    ASSERT_EQ(r.code, 0) << r.err;
    EXPECT_EQ(r.out, "0 0 " + hex(frame_at(0, 0)) + "\n127 159 " + hex(frame_at(127, 159)) + "\n64 42 " +
                         hex(frame_at(64, 42)) + "\n");
    uint32_t c = frame_at(64, 42);
    r = run_script("wait 500ms\nexpect 64 42 " + hex(c ^ 0xFF000000u) + "\nprobe 0 0");
    EXPECT_EQ(r.code, 3);
    EXPECT_EQ(r.err, "-:2: expected " + hex(c ^ 0xFF000000u) + " at (64, 42), got " + hex(c) + "\n");
    EXPECT_EQ(r.out, "");
    // A bad line anywhere: nothing runs.
    r = run_script("probe 0 0\nexplode\n");
    EXPECT_EQ(r.code, 2);
    EXPECT_EQ(r.out, "");
}

// The simulated clock does not move a fixed time; a local-time line overrides the option.
TEST(HeadlessRun, LocalTimeIsFixedOnlyWhenAsked) {
    const struct {
        std::vector<const char*> args;
        const char* script;
        int want;
    } cases[] = {{{"--local-time", "07:08:09"}, "wait 2s", 70809},
                 {{"--local-time=21:00:01", "-"}, "", 210001},
                 {{"--local-time=21:00:01"}, "wait 1s\nlocal-time 23:59:58\nwait 1s", 235958}};
    ClockTime t{};
    for (const auto& c : cases) {
        ASSERT_EQ(run_main(c.args, c.script).code, 0) << c.script;
        host_local_time(&t);
        EXPECT_EQ(hms(t), c.want) << c.script;
    }
    // Without the option the machine's clock is back, whatever an earlier run fixed.
    ASSERT_EQ(run_script("").code, 0);
    host_local_time(&t);
    std::time_t now = std::time(nullptr);
    std::tm local{};
    localtime_r(&now, &local);
    int diff = std::abs(t.hour * 3600 + t.minute * 60 + t.second -
                        (local.tm_hour * 3600 + local.tm_min * 60 + local.tm_sec));
    EXPECT_LE(std::min(diff, 86400 - diff), 5);
}

// On the splash, whose colours tell byte order and rows apart.
TEST(HeadlessRun, DumpShotAndWindowHoldTheLastFrame) {
    TempDir dir;
    RunResult r = run_script("wait 500ms\ndump " + dir.file("f.raw") + "\nshot " + dir.file("1.png") +
                             "\nshot " + dir.file("3.png") + " 3\nwindow " + dir.file("w.png"));
    ASSERT_EQ(r.code, 0) << r.err;
    std::string bytes = slurp(std::fopen(dir.file("f.raw").c_str(), "rb"));
    ASSERT_EQ(bytes.size(), FRAME_PIXELS * 4u);
    Png a, b, w;
    ASSERT_TRUE(read_png(dir.file("1.png"), &a) && read_png(dir.file("3.png"), &b) &&
                read_png(dir.file("w.png"), &w));
    ASSERT_EQ(std::vector<int>({a.width, a.height, b.width, b.height, w.width, w.height}),
              std::vector<int>({128, 160, 384, 480, BEZEL_WIDTH, BEZEL_HEIGHT}));
    int dump_bad = 0, shot_bad = 0, window_bad = 0;
    for (int y = 0; y < FRAME_HEIGHT; ++y)
        for (int x = 0; x < FRAME_WIDTH; ++x) {
            // Dump words are little-endian, top row first; pictures show no alpha.
            const auto* p =
                reinterpret_cast<const uint8_t*>(&bytes[(static_cast<size_t>(y) * FRAME_WIDTH + x) * 4]);
            uint32_t c = frame_at(x, y);
            dump_bad += (p[0] | p[1] << 8 | p[2] << 16 | static_cast<uint32_t>(p[3]) << 24) != c;
            c &= 0xFFFFFFu;
            shot_bad += a.at(x, y) != c;
            for (int k = 0; k < 9; ++k) shot_bad += b.at(3 * x + k % 3, 3 * y + k / 3) != c;
            window_bad += w.at(FRAME_ORIGIN_X + x, FRAME_ORIGIN_Y + y) != c;
        }
    EXPECT_EQ(std::tuple(dump_bad, shot_bad, window_bad), std::tuple(0, 0, 0));
    // Too wide once enlarged: refused before anything is read or written.
    EXPECT_NE(host_png_write_rgb(dir.file("x.png").c_str(), host_frame.pixels, HOST_PNG_MAX_WIDTH, 1, 0, 2),
              nullptr);
}

// Write failures inside the PNG encoder, on opening, of a whole picture, and a disk that fills part way
// through: one line, exit 1, and no file under the name nor beside it; a file of that name from before
// stays as it was.
TEST(HeadlessRun, FailedWritesStopWithOneLineAndLeaveNoPartialFile) {
    TempDir dir;
    const std::string old = dir.file("old.png");
    FILE* f = std::fopen(old.c_str(), "wb");
    std::fputs("before", f);
    std::fclose(f);
    static size_t budget; // bytes the disk still takes
    host_file_set_write_hook([](int fd, const void* data, size_t size) -> ssize_t {
        if (budget == 0) return errno = ENOSPC, -1;
        size = std::min(size, budget);
        budget -= size;
        return ::write(fd, data, size);
    });
    const std::string full = "No space left on device";
    std::vector<std::tuple<std::string, std::string, std::string, size_t>> cases = {
        {"shot /dev/full 4", "/dev/full", full, SIZE_MAX},
        {"window " + dir.file("no/w.png"), dir.file("no/w.png"), "No such file or directory", SIZE_MAX},
        {"dump " + dir.path, dir.path, "Is a directory", SIZE_MAX}};
    for (size_t room : {0, 100, 5000})
        for (const std::string& name : {dir.file("new.png"), old})
            for (const std::string& line : {"shot \"" + name + "\" 4", "window " + name, "dump " + name})
                cases.emplace_back(line, name, full, room);
    for (const auto& [line, file, reason, room] : cases) {
        budget = room;
        RunResult r = run_script("wait 10ms\n" + line + "\nprobe 0 0\n");
        EXPECT_EQ(r.code, 1) << line;
        EXPECT_EQ(r.err, "-:2: cannot write '" + file + "': " + reason + "\n") << line;
        EXPECT_EQ(r.out, "") << line;
        EXPECT_EQ(dir.names(), std::vector<std::string>{"old.png"}) << line << " with room for " << room;
        EXPECT_EQ(slurp(std::fopen(old.c_str(), "rb")), "before");
    }
    host_file_set_write_hook(nullptr);
}

// Mutated scripts never crash the parser: each is either accepted with every value in range, or
// rejected with one clean SCRIPT:LINE line, and then the whole program runs nothing and exits 2.
TEST(HeadlessFuzz, ParserRejectsGarbageCleanly) {
    const char* const words[] = {
        "wait",     "press",       "click",   "hold",   "mouse", "down",         "up",         "local-time",
        "probe",    "expect",      "shot",    "window", "dump",  "view",         "both",       "10ms",
        "0ms",      "s",           "-1",      "128",    "160",   "99999999999",  "0xFF000000", "0xZZ",
        "12:34:56", "24:00:00",    "x.png",   "#",      "\t",    "\r",           "\xff",       "9",
        "1.5s",     "\"a b.png\"", "\"",      "\\",     "\\\"",  "\xEF\xBB\xBF", "flight",     "pitch=5",
        "g=-",      "clear",       "tas=1e9", "=",      "oat=-"};
    const std::string seeds[] = {"wait 2s\nclick right\nexpect 5 5 0x00000000\n",
                                 "hold right 1300ms\nprobe 100 120\nshot a.png 4\n",
                                 "mouse down 230 300\nmouse up 230 300\nlocal-time 12:00:00\n",
                                 "# comment\n\nwindow w.png\ndump d.raw\nrelease both\n",
                                 "flight pitch=5 roll=-30 aoa=12.5\nflight g=- volts=14\nflight clear\n"};
    std::mt19937 rng(20240611u);
    auto pick = [&](size_t n) { return static_cast<size_t>(rng() % n); };
    const std::regex clean(R"(^fz\.zts:([0-9]+): [\x20-\x7e]+$)");
    int rejected = 0, accepted = 0;
    for (int i = 0; i < 4000; ++i) {
        std::string text = seeds[pick(std::size(seeds))];
        for (size_t e = 0, edits = 1 + pick(3); e < edits && !text.empty(); ++e) {
            size_t at = pick(text.size()), kind = pick(4);
            if (kind == 0)
                text[at] = static_cast<char>(rng());
            else if (kind == 1)
                text.insert(at, 1, static_cast<char>(rng()));
            else if (kind == 2)
                text.erase(at, 1 + pick(8));
            else
                text.insert(at, std::string(words[pick(std::size(words))]) + (pick(3) ? " " : "\n"));
        }
        HeadlessScript s;
        std::string error;
        if (headless_parse("fz.zts", text, &s, &error)) {
            ++accepted;
            for (const HeadlessCommand& c : s.commands) {
                bool in_frame = c.x >= 0 && c.x < FRAME_WIDTH && c.y >= 0 && c.y < FRAME_HEIGHT;
                ASSERT_TRUE(in_frame || (c.op != HL_PROBE && c.op != HL_EXPECT)) << text;
                ASSERT_TRUE(c.op != HL_SHOT || (c.scale >= 1 && c.scale <= 8)) << text;
                ASSERT_LE(c.duration_ms, 3600000000u) << text;
                for (char ch : c.file)
                    ASSERT_TRUE(static_cast<unsigned char>(ch) >= 0x20 && ch != 0x7F) << text;
                ASSERT_EQ(c.file.empty(), c.op != HL_SHOT && c.op != HL_WINDOW && c.op != HL_DUMP) << text;
                ASSERT_EQ((c.flight_set | c.flight_unset) & ~FLT_ALL_GIVEN, 0u) << text;
                ASSERT_EQ(c.flight_set & c.flight_unset, 0u) << text;
                for (int32_t i = 0; i < FLT_VALUE_COUNT; ++i)
                    ASSERT_TRUE(std::isfinite(c.flight_value[i])) << text;
            }
            continue;
        }
        std::smatch m;
        ASSERT_TRUE(std::regex_match(error, m, clean)) << error;
        int line = std::stoi(m[1]);
        ASSERT_TRUE(line >= 1 && line <= 1 + std::count(text.begin(), text.end(), '\n')) << error;
        if (++rejected % 16 == 0) {
            RunResult r = run_script(text);
            ASSERT_EQ(r.code, 2);
            ASSERT_EQ(r.err, std::string("-").append(error, 6) + "\n");
            ASSERT_EQ(r.out, "");
        }
    }
    // Both outcomes must have been exercised for the run to mean anything.
    EXPECT_GT(accepted, 150);
    EXPECT_GT(rejected, 1000);
}
