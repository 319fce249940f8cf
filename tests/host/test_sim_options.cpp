#include <gtest/gtest.h>

#include <tuple>

#include "capture.h"
#include "host/bezel.h"
#include "host/help.h"
#include "host/host.h"
#include "host/sim_options.h"

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
// cover much of the rest.
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
}
