#include <gtest/gtest.h>

#include <climits>
#include <cstring>
#include <string>

#include "gfx/fmt.h"

namespace {

// Appends the values one after another into a buffer pre-filled with '#', so that anything written
// past the cursor shows; returns what lies before the cursor.
std::string append_all(std::initializer_list<int32_t> values, std::string* after = nullptr) {
    char buf[48];
    std::memset(buf, '#', sizeof buf);
    char* cursor = buf;
    for (int32_t v : values) fmt_append_int(v, &cursor);
    if (after) *after = std::string(cursor, buf + sizeof buf);
    return std::string(buf, cursor);
}

} // namespace

TEST(FmtAppendInt, WritesDecimalWithoutPaddingOrPlus) {
    EXPECT_EQ(append_all({0}), "0");
    EXPECT_EQ(append_all({7}), "7");
    EXPECT_EQ(append_all({-5}), "-5");
    EXPECT_EQ(append_all({10}), "10");
    EXPECT_EQ(append_all({-120}), "-120");
    EXPECT_EQ(append_all({1000005}), "1000005");
    EXPECT_EQ(append_all({INT32_MAX}), "2147483647");
    EXPECT_EQ(append_all({-INT32_MAX}), "-2147483647");
    // Its magnitude does not fit in 32 bits, yet it still comes out right.
    EXPECT_EQ(append_all({INT32_MIN}), "-2147483648");
}

TEST(FmtAppendInt, CursorEndsAfterTheLastDigitAndNoTerminatorIsWritten) {
    std::string after;
    EXPECT_EQ(append_all({15, 0}, &after), "150");
    EXPECT_EQ(after, std::string(45, '#'));
    EXPECT_EQ(append_all({-1, 0, 9}, &after), "-109");
    EXPECT_EQ(after.size(), 44u);
    EXPECT_EQ(after.find_first_not_of('#'), std::string::npos);
}
