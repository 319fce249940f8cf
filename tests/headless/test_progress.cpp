#include <gtest/gtest.h>
#include <fcntl.h>
#include <pty.h>
#include <unistd.h>

#include <cstring>
#include <string>

#include "headless/progress.h"

namespace {

std::string line(const char* label, const ProgressCounts& c, uint64_t wall_ms, size_t n = 256) {
    char buf[256];
    size_t len = progress_format(buf, n, label, c, wall_ms);
    EXPECT_EQ(len, std::strlen(buf));
    EXPECT_LT(len, n);
    return buf;
}

// A pseudo-terminal of the given width: what a program writes on `tty` is read back from `screen`.
struct Pty {
    int screen = -1, slave = -1;
    FILE* tty = nullptr;
    explicit Pty(unsigned short columns) {
        winsize ws{};
        ws.ws_col = columns;
        ws.ws_row = 24;
        if (openpty(&screen, &slave, nullptr, nullptr, &ws) != 0) return;
        fcntl(screen, F_SETFL, O_NONBLOCK);
        tty = fdopen(slave, "w");
    }
    ~Pty() {
        if (tty) std::fclose(tty);
        if (screen >= 0) close(screen);
    }
    std::string written() const {
        std::string s;
        char buf[512];
        for (ssize_t n; (n = read(screen, buf, sizeof buf)) > 0;) s.append(buf, static_cast<size_t>(n));
        return s;
    }
};

} // namespace

// One hour of 24 in 4 s of wall time: 900x, and the 23 hours left take 92 s at that speed.
TEST(ProgressLine, DoneTotalSpeedTimeLeftFramesAndInputs) {
    EXPECT_EQ(line("zt30-soak", {3600000, 86400000, 1234567, 999}, 4000),
              "zt30-soak: 1:00:00 of 24:00:00 simulated, 900x real time, 0:01:32 left, 1,234,567 frames, 999 "
              "inputs");
    // Slower than ten times real time: a tenth shown; the time left rounded up to a whole second.
    EXPECT_EQ(line("long.zts", {5000, 10001, 0, 0}, 2000),
              "long.zts: 0:00:05 of 0:00:10 simulated, 2.5x real time, 0:00:03 left, 0 frames, 0 inputs");
    // Nothing run yet: no speed, no time left; hours are not wrapped at a day.
    EXPECT_EQ(line("zt30-headless", {0, 3600000000, 0, 0}, 0),
              "zt30-headless: 0:00:00 of 1000:00:00 simulated, 0 frames, 0 inputs");
}

// A narrow terminal drops the later fields whole; a long label is cut, never inside a UTF-8 character.
TEST(ProgressLine, FitsTheRoomGiven) {
    ProgressCounts c{3600000, 86400000, 1234567, 999};
    EXPECT_EQ(line("zt30-soak", c, 4000, 60), "zt30-soak: 1:00:00 of 24:00:00 simulated, 900x real time");
    EXPECT_EQ(line("zt30-soak", c, 4000, 57), "zt30-soak: 1:00:00 of 24:00:00 simulated, 900x real time");
    EXPECT_EQ(line("zt30-soak", c, 4000, 56), "zt30-soak: 1:00:00 of 24:00:00 simulated");
    EXPECT_EQ(line("\xC3\xA9\xC3\xA9\xC3\xA9\xC3\xA9", c, 4000, 8), "\xC3\xA9\xC3\xA9\xC3\xA9");
    EXPECT_EQ(line("zt30-soak", c, 4000, 1), "");
}

// On a terminal the line is drawn over itself and cleared to its end, narrowed to the terminal's width
// less one column, and taken off again; control characters of a label are not sent to the terminal.
// Quiet, not a terminal, or still inside the delay of the start: nothing is written.
TEST(ProgressLine, OnATerminalOnlyDrawnInPlaceAndCleared) {
    Pty pty(40);
    ASSERT_TRUE(pty.tty);
    Progress p;
    progress_start(&p, pty.tty, false, "zt30-soak", 0);
    progress_draw(&p, {0, 3600000, 0, 0});
    progress_clear(&p);
    progress_clear(&p); // nothing is shown any more: nothing to take off
    progress_start(&p, pty.tty, false, "a\nb\033", 0);
    progress_draw(&p, {0, 1000, 0, 0});
    EXPECT_EQ(pty.written(), "\rzt30-soak: 0:00:00 of 1:00:00 simulated\033[K\r\033[K"
                             "\ra?b?: 0:00:00 of 0:00:01 simulated\033[K");

    progress_start(&p, pty.tty, true, "zt30-soak", 0);
    progress_draw(&p, {0, 1000, 0, 0});
    progress_start(&p, pty.tty, false, "long.zts", 3600000);
    progress_draw(&p, {0, 1000, 0, 0});
    progress_update(&p, {0, 1000, 0, 0});
    progress_clear(&p);
    EXPECT_EQ(pty.written(), "");
    FILE* file = std::tmpfile();
    progress_start(&p, file, false, "zt30-soak", 0);
    progress_draw(&p, {0, 1000, 0, 0});
    EXPECT_EQ(std::ftell(file), 0);
    std::fclose(file);
}
