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

TEST(FmtAppendInt, WritesDecimalAtTheCursorAndNoTerminator) {
    for (int32_t v : {0, 7, -5, 10, -120, 1000005, INT32_MAX, -INT32_MAX, INT32_MIN})
        EXPECT_EQ(append_all({v}), std::to_string(v));
    std::string after;
    EXPECT_EQ(append_all({-1, 0, 9}, &after), "-109");
    EXPECT_EQ(after, std::string(44, '#'));
}

TEST(FmtTenths, TruncatedAndRounded) {
    struct {
        float value;
        const char *truncated, *rounded;
    } cases[] = {
        {15.0f, "15.0", "15.0"}, {-3.27f, "-3.2", "-3.3"},    {0.05f, "0.0", "0.1"},
        {2.3f, "2.2", "2.3"},    {0.96f, "0.9", "1.0"},       {2.5f, "2.5", "2.5"},
        {0.5f, "0.5", "0.5"},    {-0.04f, "-0.0", "-0.0"},    {9.99f, "9.9", "10.0"},
        {0.0f, "0.0", "0.0"},    {123.45f, "123.4", "123.5"},
    };
    for (const auto& c : cases) {
        char buf[FMT_TENTHS_SIZE];
        EXPECT_STREQ(fmt_tenths_truncated(c.value, buf), c.truncated) << c.value;
        EXPECT_STREQ(fmt_tenths_rounded(c.value, buf), c.rounded) << c.value;
    }
}
