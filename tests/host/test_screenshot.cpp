#include <gtest/gtest.h>

#include <png.h>
#include <unistd.h>

#include <algorithm>
#include <cstring>
#include <ctime>
#include <filesystem>
#include <string>
#include <vector>

#include "host/screenshot.h"

namespace fs = std::filesystem;

namespace {

class Screenshot : public ::testing::Test {
  protected:
    fs::path dir = fs::temp_directory_path() / ("zt30-shot-test-" + std::to_string(getpid()));

    void SetUp() override {
        fs::remove_all(dir);
        fs::create_directories(dir);
    }
    void TearDown() override { fs::remove_all(dir); }
    std::vector<std::string> files() const {
        std::vector<std::string> out;
        for (const auto& e : fs::directory_iterator(dir)) out.push_back(e.path().filename().string());
        std::sort(out.begin(), out.end());
        return out;
    }
};

constexpr time_t LEAP_DAY = 1709251199; // 2024-02-29 23:59:59 UTC, a different day in other zones

} // namespace

TEST_F(Screenshot, NamedAfterTheTimeWithASuffixWhenTaken) {
    std::vector<uint32_t> frame(128 * 160, 0xFF102030);
    frame[0] = 0xFFFFFFFF;
    char name[64], first[64] = "";
    tm local{};
    localtime_r(&LEAP_DAY, &local);
    char stamp[32];
    std::strftime(stamp, sizeof stamp, "zt30-%Y%m%d-%H%M%S", &local);
    for (const char* suffix : {".png", "-2.png", "-3.png"}) {
        ASSERT_EQ(
            host_screenshot_write(dir.c_str(), LEAP_DAY, frame.data(), 128, 160, 128, 4, name, sizeof name),
            nullptr);
        EXPECT_EQ(std::string(name), std::string(stamp) + suffix);
        if (!*first) std::strcpy(first, name);
    }
    EXPECT_EQ(files().size(), 3u); // and no temporary file
    // Each display pixel a 4 x 4 square.
    png_image image{};
    image.version = PNG_IMAGE_VERSION;
    ASSERT_TRUE(png_image_begin_read_from_file(&image, (dir / first).c_str()));
    image.format = PNG_FORMAT_RGB;
    std::vector<uint8_t> rgb(PNG_IMAGE_SIZE(image));
    ASSERT_TRUE(png_image_finish_read(&image, nullptr, rgb.data(), 0, nullptr));
    EXPECT_EQ(image.width, 512u);
    EXPECT_EQ(image.height, 640u);
    EXPECT_EQ(rgb[3 * 3], 0xFF);                 // (3, 0): still the white pixel
    EXPECT_EQ(rgb[4 * 3], 0x10);                 // (4, 0): the next one
    EXPECT_EQ(rgb[(3 * 512 + 3) * 3 + 2], 0xFF); // (3, 3)
}

TEST_F(Screenshot, FailureLeavesNothingBehind) {
    std::vector<uint32_t> wide(5000, 0xFF000000);
    char name[64] = "";
    // Too wide for the encoder: the temporary file goes again.
    const char* why =
        host_screenshot_write(dir.c_str(), LEAP_DAY, wide.data(), 5000, 1, 5000, 1, name, sizeof name);
    ASSERT_NE(why, nullptr);
    EXPECT_TRUE(files().empty());
    why = host_screenshot_write((dir / "missing").c_str(), LEAP_DAY, wide.data(), 10, 10, 10, 1, name,
                                sizeof name);
    ASSERT_NE(why, nullptr);
    EXPECT_STREQ(why, "No such file or directory");
    EXPECT_STREQ(name, "");
}
