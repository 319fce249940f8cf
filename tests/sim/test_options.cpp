#include <gtest/gtest.h>

#include <tuple>

#include "capture.h"
#include "front/bezel.h"
#include "front/help.h"
#include "host/host.h"
#include "sim/options.h"

namespace {

struct Parsed : RunResult {
    SimOptions options;
};

Parsed parse(std::vector<const char*> args) {
    args.insert(args.begin(), "zt30-sim");
    FILE *out = std::tmpfile(), *err = std::tmpfile();
    Parsed p{};
    p.code = host_sim_options(static_cast<int>(args.size()), args.data(), &p.options, out, err);
    p.out = slurp(out);
    p.err = slurp(err);
    return p;
}

} // namespace

TEST(SimOptions, CommandLines) {
    struct Case {
        std::vector<const char*> args;
        int code, scale;
        const char* record;
        const char* error; // the whole of standard error
    } cases[] = {
        {{}, -1, 1, nullptr, ""},
        {{"--scale", "3", "--record=s.zts"}, -1, 3, "s.zts", ""},
        {{"--scale=4", "--record", "-"}, -1, 4, "-", ""},
        {{"--scale", "0"}, 2, 1, nullptr, "zt30-sim: bad --scale '0' (a whole number 1-4)\n"},
        {{"--scale=5"}, 2, 1, nullptr, "zt30-sim: bad --scale '5' (a whole number 1-4)\n"},
        {{"--scale", "2x"}, 2, 1, nullptr, "zt30-sim: bad --scale '2x' (a whole number 1-4)\n"},
        {{"--scale"}, 2, 1, nullptr, "zt30-sim: --scale needs a value (see --help)\n"},
        {{"--record="}, 2, 1, nullptr, "zt30-sim: --record needs a file name\n"},
        {{"--scales=2"}, 2, 1, nullptr, "zt30-sim: unknown option '--scales=2' (see --help)\n"},
        {{"file.zts"}, 2, 1, nullptr, "zt30-sim: unexpected argument 'file.zts' (see --help)\n"},
        {{"--bad\n\x1b[2J"}, 2, 1, nullptr, "zt30-sim: unknown option '--bad\\x0A\\x1B[2J' (see --help)\n"},
        {{"--version", "extra"}, 2, 1, nullptr, "zt30-sim: unexpected argument 'extra' after --version\n"},
        {{"--help", "--foo"}, 2, 1, nullptr, "zt30-sim: unexpected argument '--foo' after --help\n"},
    };
    for (const Case& c : cases) {
        Parsed p = parse(c.args);
        EXPECT_EQ(std::tuple(p.code, p.err, p.out, p.options.scale),
                  std::tuple(c.code, std::string(c.error), std::string(), c.scale));
        EXPECT_STREQ(p.options.record_path, c.record) << c.error;
    }
    Parsed p = parse({"--scale", "2", "--help"});
    EXPECT_EQ(p.code, 0);
    for (const char* part :
         {"Usage: zt30-sim [--scale N] [--record FILE]", "Ctrl+Q", "Shift+F12", "Exit status"})
        EXPECT_NE(p.out.find(part), std::string::npos) << part;
    p = parse({"--version"});
    EXPECT_EQ(p.out, std::string("zt30-sim ") + ZT30_VERSION + ", instrument software 1.8\n");
}

// The display window with its border (columns 158-299, rows 100-272) stays clear; the panel and the tags
// cover much of the rest, and nothing of the bezel shows through them.
TEST(Help, DrawnOverTheBezelNeverOverTheDisplay) {
    host_reset_all();
    host_start();
    std::vector<uint32_t> plain(BEZEL_WIDTH * BEZEL_HEIGHT), help(plain.size());
    host_bezel_compose(plain.data());
    host_bezel_compose(help.data());
    host_help_draw(help.data());
    int changed = 0, over_display = 0;
    for (int i = 0; i < BEZEL_WIDTH * BEZEL_HEIGHT; ++i) {
        int x = i % BEZEL_WIDTH, y = i / BEZEL_WIDTH;
        changed += plain[i] != help[i];
        over_display += plain[i] != help[i] && x >= 158 && x < 300 && y >= 100 && y < 273;
    }
    EXPECT_EQ(over_display, 0);
    EXPECT_GT(changed, 40000);
    // Each key's tag stands beside it, level with its middle row: left of VIEW and the left key, right of
    // the right key and of BOTH.
    const struct {
        int x0, x1, y0, y1, middle;
    } tags[] = {{0, 100, 131, 169, 150},
                {0, 100, 201, 239, 220},
                {360, 449, 201, 239, 220},
                {260, 449, 276, 324, 300}};
    for (const auto& t : tags) {
        int first = -1, last = -1;
        for (int y = t.y0; y <= t.y1; ++y)
            for (int x = t.x0; x <= t.x1; ++x)
                if (plain[y * BEZEL_WIDTH + x] != help[y * BEZEL_WIDTH + x]) {
                    if (first < 0) first = y;
                    last = y;
                }
        EXPECT_EQ(first + last, 2 * t.middle) << "tag by row " << t.middle << " at x " << t.x0;
    }
    // Opaque: over a black and over a white picture the help looks the same wherever it draws.
    std::vector<uint32_t> black(plain.size(), 0xFF000000), white(plain.size(), 0xFFFFFFFF);
    host_help_draw(black.data());
    host_help_draw(white.data());
    int drawn = 0, see_through = 0;
    for (size_t i = 0; i < plain.size(); ++i) {
        bool over = black[i] != 0xFF000000 || white[i] != 0xFFFFFFFF;
        drawn += over;
        see_through += over && black[i] != white[i];
    }
    EXPECT_EQ(see_through, 0);
    EXPECT_GT(drawn, 40000);
}

TEST(SimOptions, LiveSources) {
    const std::tuple<const char*, LiveKind, std::string, int> good[] = {
        {"udp:5005", LIVE_UDP, "127.0.0.1", 5005},
        {"udp:0.0.0.0:5005", LIVE_UDP, "0.0.0.0", 5005},
        {"xplane", LIVE_XPLANE, "127.0.0.1", 49000},
        {"xplane:sim-pc.local", LIVE_XPLANE, "sim-pc.local", 49000},
        {"xplane:10.0.0.2:49001", LIVE_XPLANE, "10.0.0.2", 49001},
        {"flightgear:65535", LIVE_FLIGHTGEAR, "127.0.0.1", 65535}};
    for (const auto& [arg, kind, host, port] : good) {
        Parsed p = parse({"--live", arg});
        const LiveSource& s = p.options.live_source;
        EXPECT_EQ(std::tuple(p.code, p.options.live, s.kind, std::string(s.host), static_cast<int>(s.port)),
                  std::tuple(-1, true, kind, host, port))
            << arg;
    }
    const std::pair<const char*, const char*> bad[] = {
        {"tcp:5000", "unknown source (udp:[ADDR:]PORT, xplane[:HOST[:PORT]] or flightgear:[ADDR:]PORT)"},
        {"udp:", "no port"},
        {"udp:70000", "the port is not a whole number 1-65535"},
        {"udp::5000", "empty address before the port"},
        {"xplane:", "empty host"},
        {"xplane:49001", "a number where the address goes (the port comes after it: HOST:PORT)"},
        {"udp:a_b:5", "the address is not an IPv4 address or host name"}};
    for (const auto& [arg, why] : bad)
        EXPECT_EQ(parse({"--live", arg}).err,
                  "zt30-sim: bad --live '" + std::string(arg) + "': " + why + "\n");
    EXPECT_EQ(parse({"--live"}).err, "zt30-sim: --live needs a value (see --help)\n");
}
