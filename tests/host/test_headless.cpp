#include <gtest/gtest.h>

#include <png.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <random>
#include <regex>
#include <string>
#include <vector>

#include "host/headless.h"
#include "host/host.h"
#include "host/local_time.h"
#include "host/png_write.h"

namespace {

struct RunResult {
    int code;
    std::string out, err;
};

std::string slurp(FILE* f) {
    std::string s;
    std::rewind(f);
    char buf[4096];
    size_t n;
    while ((n = std::fread(buf, 1, sizeof buf, f)) > 0) s.append(buf, n);
    std::fclose(f);
    return s;
}

// The whole program with these arguments and this standard input.
RunResult run_main(std::vector<const char*> args, const std::string& input = "") {
    args.insert(args.begin(), "zt30-headless");
    FILE* in = std::tmpfile();
    FILE* out = std::tmpfile();
    FILE* err = std::tmpfile();
    std::fwrite(input.data(), 1, input.size(), in);
    std::rewind(in);
    RunResult r;
    r.code = headless_main(static_cast<int>(args.size()), args.data(), in, out, err);
    std::fclose(in);
    r.out = slurp(out);
    r.err = slurp(err);
    return r;
}

RunResult run_script(const std::string& text) {
    return run_main({"-"}, text);
}

// Parses a script that must be valid.
HeadlessScript parse_ok(const std::string& text) {
    HeadlessScript s;
    std::string error;
    EXPECT_TRUE(headless_parse("t.zts", text, &s, &error)) << text << " -> " << error;
    return s;
}

// The error of a script that must be rejected.
std::string parse_error(const std::string& text) {
    HeadlessScript s;
    std::string error;
    EXPECT_FALSE(headless_parse("t.zts", text, &s, &error)) << text;
    return error;
}

uint32_t frame_at(int x, int y) {
    return host_frame.pixels[gfx_index(x, y, FRAME_WIDTH, FRAME_HEIGHT)];
}

std::string hex(uint32_t c) {
    char buf[16];
    std::snprintf(buf, sizeof buf, "0x%08X", c);
    return buf;
}

class TempDir {
  public:
    TempDir() {
        std::string pattern = ::testing::TempDir() + "zt30-headless-XXXXXX";
        std::vector<char> buf(pattern.begin(), pattern.end());
        buf.push_back('\0');
        path_ = mkdtemp(buf.data());
    }
    ~TempDir() { std::system(("rm -rf '" + path_ + "'").c_str()); }
    std::string file(const char* name) const { return path_ + "/" + name; }

  private:
    std::string path_;
};

struct Png {
    int width = 0, height = 0;
    std::vector<uint8_t> rgb;
};

bool read_png(const std::string& path, Png* png) {
    png_image image{};
    image.version = PNG_IMAGE_VERSION;
    if (!png_image_begin_read_from_file(&image, path.c_str())) return false;
    bool rgb_file = image.format == PNG_FORMAT_RGB;
    image.format = PNG_FORMAT_RGB;
    png->width = static_cast<int>(image.width);
    png->height = static_cast<int>(image.height);
    png->rgb.assign(PNG_IMAGE_SIZE(image), 0);
    bool ok = png_image_finish_read(&image, nullptr, png->rgb.data(), 0, nullptr);
    return ok && rgb_file;
}

uint32_t png_at(const Png& png, int x, int y) {
    const uint8_t* p = &png.rgb[(static_cast<size_t>(y) * png.width + x) * 3];
    return static_cast<uint32_t>(p[0]) << 16 | static_cast<uint32_t>(p[1]) << 8 | p[2];
}

} // namespace

// ---- parsing ----

TEST(HeadlessParse, EveryCommandForm) {
    HeadlessScript s = parse_ok("# a comment line\n"
                                "\n"
                                "wait 10ms\n"
                                "\twait   2s   # trailing comment\r\n"
                                "press view\n"
                                "release left\n"
                                "click right\n"
                                "hold both 1200ms\n"
                                "mouse down -5 70000\n"
                                "mouse up 120 150\n"
                                "local-time 7:05:09\n"
                                "probe 127 159\n"
                                "expect 0 0 0xff00aa10\n"
                                "shot a.png\n"
                                "shot b.png 8\n"
                                "window w.png\n"
                                "dump f.raw\n");
    ASSERT_EQ(s.commands.size(), 15u);
    const auto& c = s.commands;
    EXPECT_EQ(c[0].op, HL_WAIT);
    EXPECT_EQ(c[0].duration_ms, 10u);
    EXPECT_EQ(c[0].line, 3);
    EXPECT_EQ(c[1].duration_ms, 2000u);
    EXPECT_EQ(c[1].line, 4);
    EXPECT_EQ(c[2].op, HL_PRESS);
    EXPECT_EQ(c[2].button, HL_BUTTON_VIEW);
    EXPECT_EQ(c[3].op, HL_RELEASE);
    EXPECT_EQ(c[3].button, HL_BUTTON_LEFT);
    EXPECT_EQ(c[4].op, HL_CLICK);
    EXPECT_EQ(c[4].button, HL_BUTTON_RIGHT);
    EXPECT_EQ(c[5].op, HL_HOLD);
    EXPECT_EQ(c[5].button, HL_BUTTON_BOTH);
    EXPECT_EQ(c[5].duration_ms, 1200u);
    EXPECT_EQ(c[6].op, HL_MOUSE_DOWN);
    EXPECT_EQ(c[6].x, -5);
    EXPECT_EQ(c[6].y, 70000);
    EXPECT_EQ(c[7].op, HL_MOUSE_UP);
    EXPECT_EQ(c[8].op, HL_LOCAL_TIME);
    EXPECT_EQ(c[8].time.hour, 7);
    EXPECT_EQ(c[8].time.minute, 5);
    EXPECT_EQ(c[8].time.second, 9);
    EXPECT_EQ(c[9].op, HL_PROBE);
    EXPECT_EQ(c[9].x, 127);
    EXPECT_EQ(c[9].y, 159);
    EXPECT_EQ(c[10].op, HL_EXPECT);
    EXPECT_EQ(c[10].color, 0xFF00AA10u);
    EXPECT_EQ(c[11].op, HL_SHOT);
    EXPECT_EQ(c[11].scale, 1);
    EXPECT_EQ(c[11].file, "a.png");
    EXPECT_EQ(c[12].scale, 8);
    EXPECT_EQ(c[13].op, HL_WINDOW);
    EXPECT_EQ(c[14].op, HL_DUMP);
    EXPECT_EQ(c[14].file, "f.raw");
    EXPECT_EQ(c[14].line, 17);
}

TEST(HeadlessParse, EachKindOfBadLineNamesScriptLineAndCause) {
    struct Case {
        const char* line;
        const char* message; // after "t.zts:3: "
    };
    const Case cases[] = {
        {"jump 3", "unknown command 'jump' (see --help)"},
        {"Wait 1s", "unknown command 'Wait' (see --help)"},
        {"wait", "wrong number of words for 'wait': expected 'wait DURATION'"},
        {"wait 1s 2s", "wrong number of words for 'wait': expected 'wait DURATION'"},
        {"hold view", "wrong number of words for 'hold': expected 'hold BUTTON DURATION'"},
        {"shot a.png 2 3", "wrong number of words for 'shot': expected 'shot FILE [SCALE]'"},
        {"probe 1 2 3 4 5 6", "wrong number of words for 'probe': expected 'probe X Y'"},
        {"wait 10", "bad duration '10' (a whole number followed by ms or s, e.g. 10ms or 2s)"},
        {"wait -5s", "bad duration '-5s' (a whole number followed by ms or s, e.g. 10ms or 2s)"},
        {"wait 1.5s", "bad duration '1.5s' (a whole number followed by ms or s, e.g. 10ms or 2s)"},
        {"wait 99999999999999999999s", "duration '99999999999999999999s' is too long"},
        {"press up", "unknown button 'up' (view, left, right or both)"},
        {"hold VIEW 1s", "unknown button 'VIEW' (view, left, right or both)"},
        {"hold view 1", "bad duration '1' (a whole number followed by ms or s, e.g. 10ms or 2s)"},
        {"mouse move 1 2", "bad mouse action 'move' (down or up)"},
        {"mouse down 1 y", "bad number 'y' for Y"},
        {"mouse down 2147483648 0", "bad number '2147483648' for X"},
        {"probe 128 0", "X 128 is outside the frame (0-127)"},
        {"probe 0 160", "Y 160 is outside the frame (0-159)"},
        {"probe -1 0", "X -1 is outside the frame (0-127)"},
        {"probe 0x10 0", "bad number '0x10' for X"},
        {"expect 1 2 0x123", "bad colour '0x123' (0x and 8 hex digits: 0xAARRGGBB)"},
        {"expect 1 2 0xFF00000G", "bad colour '0xFF00000G' (0x and 8 hex digits: 0xAARRGGBB)"},
        {"expect 200 2 0xFF000000", "X 200 is outside the frame (0-127)"},
        {"local-time 24:00:00", "bad time '24:00:00' (HH:MM:SS, hours 0-23)"},
        {"local-time 12:60:00", "bad time '12:60:00' (HH:MM:SS, hours 0-23)"},
        {"local-time 12:00", "bad time '12:00' (HH:MM:SS, hours 0-23)"},
        {"shot a.png 0", "bad scale '0' (a whole number 1-8)"},
        {"shot a.png 9", "bad scale '9' (a whole number 1-8)"},
        {"wa\x01it 1s", "unknown command 'wa\\x01it' (see --help)"},
    };
    for (const Case& c : cases) {
        std::string script = std::string("wait 10ms\n# fine so far\n") + c.line + "\nwait 10ms\n";
        EXPECT_EQ(parse_error(script), std::string("t.zts:3: ") + c.message) << c.line;
    }
}

TEST(HeadlessParse, LongWordsAreCutInMessages) {
    std::string word(500, 'z');
    std::string e = parse_error(word + "\n");
    EXPECT_EQ(e, "t.zts:1: unknown command '" + std::string(40, 'z') + "...' (see --help)");
}

TEST(HeadlessParse, DurationLimitsAndUnits) {
    EXPECT_EQ(parse_ok("wait 0ms\n").commands[0].duration_ms, 0u);
    EXPECT_EQ(parse_ok("wait 007s").commands[0].duration_ms, 7000u);
    EXPECT_EQ(parse_ok("wait 1000000000000000ms").commands[0].duration_ms, HEADLESS_MAX_WAIT_MS);
    EXPECT_EQ(parse_ok("wait 1000000000000s").commands[0].duration_ms, HEADLESS_MAX_WAIT_MS);
    parse_error("wait 1000000000000001ms");
    parse_error("wait 1000000000001s");
}

TEST(HeadlessParse, LocalTimeForms) {
    ClockTime t{};
    EXPECT_TRUE(headless_parse_time("0:00:00", &t));
    EXPECT_TRUE(headless_parse_time("23:59:59", &t));
    EXPECT_EQ(t.hour, 23);
    EXPECT_EQ(t.second, 59);
    EXPECT_EQ(t.milliseconds, 0);
    EXPECT_NE(t.year, 0); // a real date, so nothing downstream trips over month 0
    for (const char* bad : {"", "::", "1:2:3", "12:3:04", "123:00:00", "12:00:00:00", "-1:00:00", "12-00-00",
                            "12:00:60", "1a:00:00"})
        EXPECT_FALSE(headless_parse_time(bad, &t)) << bad;
}

TEST(HeadlessParse, EmptyAndCommentOnlyScripts) {
    EXPECT_TRUE(parse_ok("").commands.empty());
    EXPECT_TRUE(parse_ok("\n\n  \t\r\n# wait 1s\n   # probe 1 1").commands.empty());
    // A '#' glued to a word still starts the comment.
    EXPECT_EQ(parse_ok("wait 1s#later").commands[0].duration_ms, 1000u);
}

// ---- running ----

TEST(HeadlessRun, ButtonPointsLieInsideTheirRegions) {
    struct Want {
        HeadlessButton b;
        int32_t *line, *other;
    };
    const Want wants[] = {{HL_BUTTON_VIEW, &view_button_down, nullptr},
                          {HL_BUTTON_LEFT, &left_button_down, nullptr},
                          {HL_BUTTON_RIGHT, &right_button_down, nullptr},
                          {HL_BUTTON_BOTH, &left_button_down, &right_button_down}};
    for (const Want& w : wants) {
        host_reset_all();
        int x = 0, y = 0;
        headless_button_point(w.b, &x, &y);
        host_hit_test(true, x, y);
        EXPECT_EQ(*w.line, 1) << w.b;
        if (w.other) {
            EXPECT_EQ(*w.other, 1) << w.b;
        }
        EXPECT_EQ(view_button_down + left_button_down + right_button_down, w.other ? 2 : 1) << w.b;
    }
}

TEST(HeadlessRun, SimulatedClockRunsTheTicksThatFallDue) {
    // The first frame is rendered at start, then one per 10 ms tick.
    ASSERT_EQ(run_script("").code, 0);
    EXPECT_EQ(host_frames_rendered, 1u);
    ASSERT_EQ(run_script("wait 9ms").code, 0);
    EXPECT_EQ(host_frames_rendered, 1u);
    // Waits add up: two halves make one tick.
    ASSERT_EQ(run_script("wait 5ms\nwait 5ms").code, 0);
    EXPECT_EQ(host_frames_rendered, 2u);
    ASSERT_EQ(run_script("wait 999ms").code, 0);
    EXPECT_EQ(host_frames_rendered, 100u);
    EXPECT_EQ(flight_time.seconds, 0);
    ASSERT_EQ(run_script("wait 1s").code, 0);
    EXPECT_EQ(flight_time.seconds, 1);
    // A click and a hold each end 50 ms after the release.
    ASSERT_EQ(run_script("click view\nhold right 1200ms\nwait 2s").code, 0);
    EXPECT_EQ(host_frames_rendered, 1u + 10u + 125u + 200u);
    EXPECT_EQ(engine_run_time.seconds, 3);
    EXPECT_EQ(view_button_down + left_button_down + right_button_down, 0);
}

TEST(HeadlessRun, ButtonsAndRawMouseSetTheLines) {
    ASSERT_EQ(run_script("press both").code, 0);
    EXPECT_EQ(left_button_down, 1);
    EXPECT_EQ(right_button_down, 1);
    // A release on the left key's region drops the right line too.
    ASSERT_EQ(run_script("press both\nwait 20ms\nrelease left").code, 0);
    EXPECT_EQ(left_button_down + right_button_down, 0);
    // A release outside every region leaves the line set.
    ASSERT_EQ(run_script("press view\nmouse up 0 0\nmouse up -120 99999").code, 0);
    EXPECT_EQ(view_button_down, 1);
    // Coordinates are taken as 16-bit values, as the platform delivers them.
    ASSERT_EQ(run_script("mouse down 65876 65756").code, 0); // 340 + 65536, 220 + 65536
    EXPECT_EQ(right_button_down, 1);
    // Every run starts from released lines.
    ASSERT_EQ(run_script("").code, 0);
    EXPECT_EQ(view_button_down + left_button_down + right_button_down, 0);
}

TEST(HeadlessRun, ProbeAndExpectReadTheLastFrameWithAlpha) {
    RunResult r = run_script("wait 2s\nprobe 0 0\nprobe 127 159\nprobe 64 80");
    ASSERT_EQ(r.code, 0) << r.err;
    std::string want = "0 0 " + hex(frame_at(0, 0)) + "\n127 159 " + hex(frame_at(127, 159)) + "\n64 80 " +
                       hex(frame_at(64, 80)) + "\n";
    EXPECT_EQ(r.out, want);
    EXPECT_EQ(r.err, "");

    uint32_t c = frame_at(64, 80);
    r = run_script("wait 2s\nexpect 64 80 " + hex(c));
    EXPECT_EQ(r.code, 0) << r.err;
    // Alpha counts: a colour that differs only there is a mismatch.
    r = run_script("wait 2s\n\nexpect 64 80 " + hex(c ^ 0xFF000000u) + "\nprobe 1 1\n");
    EXPECT_EQ(r.code, HEADLESS_EXIT_EXPECT);
    EXPECT_EQ(r.err, "-:3: expected " + hex(c ^ 0xFF000000u) + " at (64, 80), got " + hex(c) + "\n");
    EXPECT_EQ(r.out, ""); // stops at the first failure
}

TEST(HeadlessRun, LocalTimeIsFixedOnlyWhenAsked) {
    HeadlessScript s = parse_ok("");
    HeadlessOptions o{};
    ASSERT_TRUE(headless_parse_time("07:08:09", &o.local_time));
    o.local_time_set = true;
    ASSERT_EQ(headless_run(s, o, stdout, stderr), 0);
    ClockTime t{};
    host_local_time(&t);
    EXPECT_EQ(t.hour * 10000 + t.minute * 100 + t.second, 70809);

    ASSERT_EQ(headless_run(parse_ok("wait 1s\nlocal-time 23:59:58\nwait 1s"), o, stdout, stderr), 0);
    host_local_time(&t);
    EXPECT_EQ(t.hour * 10000 + t.minute * 100 + t.second, 235958);

    // Without the option the machine's clock is back, whatever an earlier run fixed.
    o.local_time_set = false;
    ASSERT_EQ(headless_run(s, o, stdout, stderr), 0);
    host_local_time(&t);
    std::time_t now = std::time(nullptr);
    std::tm local{};
    localtime_r(&now, &local);
    int got = t.hour * 3600 + t.minute * 60 + t.second;
    int want = local.tm_hour * 3600 + local.tm_min * 60 + local.tm_sec;
    int diff = std::abs(got - want);
    EXPECT_LE(std::min(diff, 86400 - diff), 5);
}

TEST(HeadlessRun, DumpIsTheFrameTopRowFirstLittleEndian) {
    TempDir dir;
    std::string path = dir.file("frame.raw");
    RunResult r = run_script("wait 1500ms\ndump " + path);
    ASSERT_EQ(r.code, 0) << r.err;
    FILE* f = std::fopen(path.c_str(), "rb");
    ASSERT_NE(f, nullptr);
    std::vector<uint8_t> bytes(FRAME_PIXELS * 4 + 1);
    size_t n = std::fread(bytes.data(), 1, bytes.size(), f);
    std::fclose(f);
    ASSERT_EQ(n, static_cast<size_t>(FRAME_PIXELS * 4));
    int mismatches = 0;
    for (int y = 0; y < FRAME_HEIGHT; ++y)
        for (int x = 0; x < FRAME_WIDTH; ++x) {
            const uint8_t* p = &bytes[(static_cast<size_t>(y) * FRAME_WIDTH + x) * 4];
            uint32_t word = p[0] | p[1] << 8 | p[2] << 16 | static_cast<uint32_t>(p[3]) << 24;
            mismatches += word != frame_at(x, y);
        }
    EXPECT_EQ(mismatches, 0);
}

TEST(HeadlessRun, ShotIsTheFrameAsShownEnlarged) {
    TempDir dir;
    std::string one = dir.file("one.png"), three = dir.file("three.png");
    RunResult r = run_script("wait 1500ms\nshot " + one + "\nshot " + three + " 3\n");
    ASSERT_EQ(r.code, 0) << r.err;
    Png a, b;
    ASSERT_TRUE(read_png(one, &a));
    ASSERT_TRUE(read_png(three, &b));
    ASSERT_EQ(a.width, FRAME_WIDTH);
    ASSERT_EQ(a.height, FRAME_HEIGHT);
    ASSERT_EQ(b.width, 3 * FRAME_WIDTH);
    ASSERT_EQ(b.height, 3 * FRAME_HEIGHT);
    int mismatches = 0;
    for (int y = 0; y < FRAME_HEIGHT; ++y)
        for (int x = 0; x < FRAME_WIDTH; ++x) {
            uint32_t want = frame_at(x, y) & 0xFFFFFFu; // alpha is not shown
            mismatches += png_at(a, x, y) != want;
            for (int k = 0; k < 9; ++k) mismatches += png_at(b, 3 * x + k % 3, 3 * y + k / 3) != want;
        }
    EXPECT_EQ(mismatches, 0);
}

TEST(HeadlessRun, PngWriterKeepsRowOrderAndDropsAlpha) {
    // A picture with distinct rows and columns, as a bottom-up array, written top row first.
    uint32_t pixels[3 * 2] = {0x00000010, 0xFF000020, 0x12000030,  // bottom row
                              0x00FF0000, 0xAA00FF00, 0xFFFFFFFF}; // top row
    TempDir dir;
    std::string path = dir.file("p.png");
    ASSERT_EQ(host_png_write_rgb(path.c_str(), pixels + 3, 3, 2, -3, 2), nullptr);
    Png p;
    ASSERT_TRUE(read_png(path, &p));
    ASSERT_EQ(p.width, 6);
    ASSERT_EQ(p.height, 4);
    EXPECT_EQ(png_at(p, 0, 0), 0xFF0000u);
    EXPECT_EQ(png_at(p, 3, 1), 0x00FF00u);
    EXPECT_EQ(png_at(p, 5, 1), 0xFFFFFFu);
    EXPECT_EQ(png_at(p, 1, 2), 0x000010u);
    EXPECT_EQ(png_at(p, 4, 3), 0x000030u);
    EXPECT_NE(host_png_write_rgb(path.c_str(), pixels, HOST_PNG_MAX_WIDTH, 1, 0, 2), nullptr);
}

TEST(HeadlessRun, WindowShowsTheFrameInsideTheBezel) {
    TempDir dir;
    std::string path = dir.file("w.png");
    RunResult r = run_script("wait 1500ms\nwindow " + path);
    ASSERT_EQ(r.code, 0) << r.err;
    Png w;
    ASSERT_TRUE(read_png(path, &w));
    ASSERT_EQ(w.width, BEZEL_WIDTH);
    ASSERT_EQ(w.height, BEZEL_HEIGHT);
    int mismatches = 0;
    for (int y = 0; y < FRAME_HEIGHT; ++y)
        for (int x = 0; x < FRAME_WIDTH; ++x)
            mismatches += png_at(w, FRAME_ORIGIN_X + x, FRAME_ORIGIN_Y + y) != (frame_at(x, y) & 0xFFFFFFu);
    EXPECT_EQ(mismatches, 0);
}

TEST(HeadlessRun, UnwritableFilesStopWithOneLineAndExit1) {
    TempDir dir;
    const std::string missing = dir.file("no/such/dir/x.png");
    struct Case {
        std::string line, reason;
    };
    const Case cases[] = {
        {"shot " + missing, "No such file or directory"},   {"shot /dev/full 4", "No space left on device"},
        {"window " + missing, "No such file or directory"}, {"dump /dev/full", "No space left on device"},
        {"dump " + dir.file(""), "Is a directory"},
    };
    for (const Case& c : cases) {
        RunResult r = run_script("wait 10ms\n" + c.line + "\nprobe 0 0\n");
        std::string file = c.line.substr(c.line.find(' ') + 1);
        file = file.substr(0, file.find(' '));
        EXPECT_EQ(r.code, HEADLESS_EXIT_WRITE) << c.line;
        EXPECT_EQ(r.err, "-:2: cannot write '" + file + "': " + c.reason + "\n") << c.line;
        EXPECT_EQ(r.out, "") << c.line;
    }
}

// ---- the program ----

TEST(HeadlessMain, HelpListsEveryCommandAndOptionsReachTheRun) {
    RunResult r = run_main({"--help"});
    EXPECT_EQ(r.code, 0);
    EXPECT_EQ(r.out.rfind("Usage: zt30-headless [--local-time HH:MM:SS] [SCRIPT]\n", 0), 0u);
    for (const char* cmd :
         {"wait DURATION", "press BUTTON", "release BUTTON", "click BUTTON", "hold BUTTON DURATION",
          "mouse down X Y", "mouse up X Y", "local-time HH:MM:SS", "probe X Y", "expect X Y 0xAARRGGBB",
          "shot FILE [SCALE]", "window FILE", "dump FILE"})
        EXPECT_NE(r.out.find(std::string("  ") + cmd + " "), std::string::npos) << cmd;

    r = run_main({"--version"});
    EXPECT_EQ(r.code, 0);
    EXPECT_EQ(r.out, std::string("zt30-headless ") + ZT30_VERSION + "\n");

    r = run_main({"--local-time", "06:30:00", "-"}, "");
    EXPECT_EQ(r.code, 0) << r.err;
    ClockTime t{};
    host_local_time(&t);
    EXPECT_EQ(t.hour * 100 + t.minute, 630);
    r = run_main({"--local-time=21:00:01"}, "");
    EXPECT_EQ(r.code, 0) << r.err;
    host_local_time(&t);
    EXPECT_EQ(t.hour, 21);
}

// ---- robustness ----

// Random and mutated scripts never crash the parser; each rejection is one clean SCRIPT:LINE line.
TEST(HeadlessFuzz, ParserRejectsGarbageCleanly) {
    const std::vector<std::string> words = {"wait",
                                            "press",
                                            "release",
                                            "click",
                                            "hold",
                                            "mouse",
                                            "down",
                                            "up",
                                            "local-time",
                                            "probe",
                                            "expect",
                                            "shot",
                                            "window",
                                            "dump",
                                            "view",
                                            "left",
                                            "right",
                                            "both",
                                            "10ms",
                                            "2s",
                                            "0ms",
                                            "ms",
                                            "s",
                                            "-1",
                                            "0",
                                            "127",
                                            "128",
                                            "159",
                                            "160",
                                            "99999999999",
                                            "0xFF000000",
                                            "0x00000000",
                                            "0xZZ",
                                            "12:34:56",
                                            "24:00:00",
                                            "x.png",
                                            "#",
                                            "#c",
                                            "\t",
                                            "  ",
                                            "\r",
                                            "\xff",
                                            std::string(1, '\0'),
                                            "8",
                                            "9",
                                            "1.5s",
                                            "--help"};
    const std::string seeds[] = {"wait 2s\nclick right\nexpect 5 5 0x00000000\n",
                                 "hold right 1300ms\nprobe 100 120\nshot a.png 4\n",
                                 "mouse down 230 300\nmouse up 230 300\nlocal-time 12:00:00\n",
                                 "# comment\n\nwindow w.png\ndump d.raw\nrelease both\n"};
    std::mt19937 rng(20240611u);
    auto pick = [&](size_t n) { return static_cast<size_t>(rng() % n); };
    const std::regex clean(R"(^fz\.zts:([0-9]+): [\x20-\x7e]+$)");

    int rejected = 0, accepted = 0, mains = 0;
    for (int i = 0; i < 4000; ++i) {
        std::string text;
        if (i % 2 == 0) {
            int lines = 1 + static_cast<int>(pick(6));
            for (int l = 0; l < lines; ++l) {
                int n = static_cast<int>(pick(6));
                for (int w = 0; w < n; ++w) text += words[pick(words.size())] + (pick(4) ? " " : "\t");
                text += pick(8) ? "\n" : "\r\n";
            }
        } else {
            text = seeds[pick(std::size(seeds))];
            int edits = 1 + static_cast<int>(pick(4));
            for (int e = 0; e < edits && !text.empty(); ++e) {
                size_t at = pick(text.size());
                switch (pick(4)) {
                case 0:
                    text[at] = static_cast<char>(rng());
                    break;
                case 1:
                    text.insert(at, 1, static_cast<char>(rng()));
                    break;
                case 2:
                    text.erase(at, 1 + pick(8));
                    break;
                default:
                    text.insert(at, words[pick(words.size())]);
                    break;
                }
            }
        }
        HeadlessScript s;
        std::string error;
        if (headless_parse("fz.zts", text, &s, &error)) {
            ++accepted;
            for (const HeadlessCommand& c : s.commands) {
                if (c.op == HL_PROBE || c.op == HL_EXPECT) {
                    ASSERT_TRUE(c.x >= 0 && c.x < FRAME_WIDTH && c.y >= 0 && c.y < FRAME_HEIGHT) << text;
                }
                if (c.op == HL_SHOT) {
                    ASSERT_TRUE(c.scale >= 1 && c.scale <= HEADLESS_MAX_SCALE) << text;
                }
                if (c.op == HL_WAIT || c.op == HL_HOLD) {
                    ASSERT_LE(c.duration_ms, HEADLESS_MAX_WAIT_MS) << text;
                }
            }
            continue;
        }
        ++rejected;
        std::smatch m;
        ASSERT_TRUE(std::regex_match(error, m, clean)) << error;
        int line = std::stoi(m[1]);
        int line_count = 1 + static_cast<int>(std::count(text.begin(), text.end(), '\n'));
        ASSERT_TRUE(line >= 1 && line <= line_count) << error;
        // Through the whole program too, now and then: exit 2, the same line, nothing else.
        if (rejected % 16 == 0) {
            ++mains;
            RunResult r = run_script(text);
            ASSERT_EQ(r.code, HEADLESS_EXIT_USAGE);
            ASSERT_EQ(r.err, "-" + error.substr(6) + "\n");
            ASSERT_EQ(r.out, "");
        }
    }
    // Both outcomes must have been exercised for the run to mean anything.
    EXPECT_GT(accepted, 100);
    EXPECT_GT(rejected, 1000);
    EXPECT_GT(mains, 50);
}
