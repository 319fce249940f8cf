#include <gtest/gtest.h>

#include <ctime>
#include <tuple>

#include "capture.h"
#include "files/screenshot.h"

namespace {

constexpr time_t LEAP_DAY = 1709251199; // 2024-02-29 23:59:59 UTC, a different day in other zones

} // namespace

TEST(Screenshot, NamedAfterTheTimeWithASuffixWhenTaken) {
    TempDir dir;
    std::vector<uint32_t> frame(128 * 160, 0xFF102030);
    frame[0] = 0xFFFFFFFF;
    tm local{};
    localtime_r(&LEAP_DAY, &local);
    char stamp[32], name[64];
    std::strftime(stamp, sizeof stamp, "zt30-%Y%m%d-%H%M%S", &local);
    for (const char* suffix : {".png", "-2.png", "-3.png"}) {
        ASSERT_EQ(host_screenshot_write(dir.path.c_str(), LEAP_DAY, frame.data(), 128, 160, 128, 4, name,
                                        sizeof name),
                  nullptr);
        EXPECT_EQ(std::string(name), std::string(stamp) + suffix);
    }
    EXPECT_EQ(dir.names().size(), 3u); // and no temporary file
    // Each display pixel a 4 x 4 square.
    Png png;
    ASSERT_TRUE(read_png(dir.file(std::string(stamp) + ".png"), &png));
    EXPECT_EQ(std::tuple(png.width, png.height), std::tuple(512, 640));
    EXPECT_EQ(png.at(3, 3), 0xFFFFFFu);
    EXPECT_EQ(png.at(4, 0), 0x102030u);
    EXPECT_EQ(png.at(0, 4), 0x102030u);
}

TEST(Screenshot, FailureLeavesNothingBehind) {
    TempDir dir;
    std::vector<uint32_t> wide(5000, 0xFF000000);
    char name[64] = "";
    // Too wide for the encoder: the temporary file goes again.
    EXPECT_NE(
        host_screenshot_write(dir.path.c_str(), LEAP_DAY, wide.data(), 5000, 1, 5000, 1, name, sizeof name),
        nullptr);
    EXPECT_TRUE(dir.names().empty());
    EXPECT_STREQ(host_screenshot_write(dir.file("missing").c_str(), LEAP_DAY, wide.data(), 10, 10, 10, 1,
                                       name, sizeof name),
                 "No such file or directory");
    EXPECT_STREQ(name, "");
}
