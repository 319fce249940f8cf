#include <gtest/gtest.h>

#include <climits>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "core/buttons.h"
#include "core/page.h"
#include "gfx/colors.h"
#include "host/host.h"
#include "setup/settings.h"
#include "setup/setup_menu.h"
#include "setup/setup_screens.h"
#include "../pages/frame_probe.h"

namespace {

constexpr uint32_t MAGENTA = 0xFFFF00FF, WHITE = 0xFFFFFFFF, GREEN = 0xFF00FF00, RED = 0xFFFF0000;
constexpr uint32_t TEXT = 0xFF60F0F0, DIM = 0xFF707070, TITLE = 0xFF00B000, NOTICE = 0xFFFFFF00;

class SetupScreens : public ::testing::Test {
  protected:
    void SetUp() override { show(SETUP_LIST); }
    // The screen as the buttons leave it: screen 0 is the title state, 1..18 just opened from the list.
    void show(int32_t screen) {
        host_reset_all();
        setup_settings_reset();
        current_page = PAGE_SETUP;
        setup_state.setup_selected_item = screen - 1;
        if (screen > 0) setup_handle_event(EV_RIGHT_RELEASE);
    }
    void draw() { setup_draw_screen(frame.px()); }
    bool text(int font, int cx, int cy, uint32_t color, const char* t) const {
        return frame.shows_text(font, cx, cy, color, t, setup_background_color());
    }
    // The column of the label beside the right key (the list bar ends at 115).
    static constexpr Box RIGHT_COLUMN{116, 95, 127, 159};
    // A bar of exactly columns x0..x1 and rows y..y + 13.
    bool bar(int y, int x0, int x1) const {
        auto m = [&](int x, int yy) { return frame.at(x, yy) == MAGENTA; };
        return m(x0, y) && m(x1, y) && m(x0, y + 13) && !m(x0 - 1, y) && !m(x1 + 1, y) && !m(x0, y - 1) &&
               !m(x0, y + 14);
    }
    SetupState& s = setup_state;
    DeviceSettings& d = device_settings;
    ProbeFrame frame;
};

} // namespace

TEST(SetupFormat, TenthsAndWhole) {
    const struct {
        int32_t v;
        const char *tenths, *whole;
    } cases[] = {
        {150, "15.0", "150"}, {-5, "-0.5", "-5"},      {0, "0.0", "0"},
        {7, "0.7", "7"},      {-270, "-27.0", "-270"}, {INT_MIN, "-214748364.8", "-2147483648"},
    };
    for (const auto& c : cases) {
        char out[16];
        setup_format_tenths(c.v, out);
        EXPECT_STREQ(out, c.tenths);
        setup_format_whole(c.v, out);
        EXPECT_STREQ(out, c.whole);
    }
}

TEST_F(SetupScreens, EveryScreenFillsItsBackgroundFirst) {
    for (int32_t screen = SETUP_LIST; screen <= SETUP_DEMO_MODE; ++screen) {
        for (uint32_t blue : {0u, OPTION_BLUE_BG}) {
            show(screen);
            d.option_flags = (d.option_flags & ~OPTION_BLUE_BG) | blue;
            frame = ProbeFrame(0x12345678u);
            draw();
            // Plain is 0x00000000, alpha 0: not opaque black.
            const uint32_t want = blue ? COLOR_BLUE_BG : 0x00000000u;
            EXPECT_EQ(frame.at(127, 0), want) << "screen " << screen;
            EXPECT_EQ(frame.at(64, 158), want) << "screen " << screen;
        }
    }
}

// An unavailable HIGH TRIM under the cursor offers nothing to select: no label beside the right key.
TEST_F(SetupScreens, NoSelectOnAnUnavailableHighTrim) {
    show(SETUP_ALT_TRIM);
    s.alt_trim_cursor = 1;
    draw();
    EXPECT_TRUE(bar(45, 38, 102));
    EXPECT_TRUE(frame.same(ProbeFrame(), RIGHT_COLUMN));
}

TEST_F(SetupScreens, Values) {
    show(SETUP_AUDIO_VOL);
    s.edit_volume = 0;
    draw();
    EXPECT_TRUE(text(3, 64, 50, WHITE, "00"));
    EXPECT_FALSE(frame.any({0, 70, 127, 84}, WHITE));
    s.edit_volume = 10;
    draw();
    EXPECT_TRUE(text(3, 64, 50, WHITE, "10"));
    EXPECT_EQ(frame.at(99, 84), WHITE); // 70 pixels long, 15 rows from row 70
    EXPECT_NE(frame.at(30, 85), WHITE);

    // The value being edited is white, the other dim.
    show(SETUP_AOA_LIMITS);
    s.edit_prestall = -5;
    draw();
    EXPECT_TRUE(text(3, 64, 65, WHITE, "-0.5"));
    EXPECT_TRUE(text(3, 64, 125, DIM, "5.0"));

    // OAT TRIM shows the reading without the offset, in the unit MISC OPTIONS chose.
    show(SETUP_OAT_TRIM);
    s.edit_oat = 150;
    draw();
    EXPECT_TRUE(text(2, 64, 62, WHITE, "150"));
    EXPECT_TRUE(text(3, 64, 112, DIM, "22d"));
    d.option_flags &= ~OPTION_TEMP_IN_C;
    draw();
    EXPECT_TRUE(text(3, 64, 112, DIM, "72d"));
    EXPECT_TRUE(text(0, 64, 90, TEXT, "NEW (F)"));

    show(SETUP_SYSTEM_INFO);
    d.unit_id = 99999;
    draw();
    EXPECT_TRUE(text(1, 64, 147, WHITE, "99999"));
    d.unit_id = 100000;
    s.show_sw_part_number = 1;
    draw();
    EXPECT_TRUE(text(1, 64, 147, WHITE, "---"));
    EXPECT_TRUE(text(1, 64, 77, WHITE, "TSQ-4810477-004"));
}

TEST_F(SetupScreens, TrimEditingShowsTheStoredOffset) {
    show(SETUP_ALT_TRIM);
    setup_handle_event(EV_RIGHT_RELEASE); // LOW TRIM
    d.alt_trim_low = -42;
    d.alt_trim_high = 17;
    draw();
    EXPECT_EQ(s.edit_alt_low, -42);
    EXPECT_EQ(s.edit_alt_high, 17);
    EXPECT_TRUE(text(2, 64, 60, WHITE, "-42"));
    // Choosing: the copies are left as they are.
    setup_handle_event(EV_RIGHT_RELEASE);
    d.alt_trim_low = 5;
    draw();
    EXPECT_EQ(s.edit_alt_low, -42);
}

// ROLL TRIM and PITCH TRIM read the trimmed angle, limits included: -5.0 .. 5.0 and -27.0 .. 27.0 degrees,
// in tenths with the degree sign under "ROLL (Deg)" or "PITCH (Deg)"; beyond them "-ALIGNING-" alone.
TEST_F(SetupScreens, TrimReadingsUpToTheLimits) {
    const struct {
        int32_t screen, tenths;
        const char* reading; // nullptr: aligning
    } cases[] = {
        {SETUP_ROLL_TRIM, 50, "5.0d"},      {SETUP_ROLL_TRIM, -50, "-5.0d"},
        {SETUP_ROLL_TRIM, 51, nullptr},     {SETUP_PITCH_TRIM, 270, "27.0d"},
        {SETUP_PITCH_TRIM, -270, "-27.0d"}, {SETUP_PITCH_TRIM, -271, nullptr},
        {SETUP_PITCH_TRIM, 0, "0.0d"},
    };
    for (const auto& c : cases) {
        show(c.screen);
        (c.screen == SETUP_ROLL_TRIM ? s.edit_roll : s.edit_pitch) = c.tenths;
        draw();
        const char* label = c.screen == SETUP_ROLL_TRIM ? "ROLL (Deg)" : "PITCH (Deg)";
        char value[16];
        std::snprintf(value, sizeof value, "%s%d.%d", c.tenths < 0 ? "-" : "", std::abs(c.tenths) / 10,
                      std::abs(c.tenths) % 10);
        EXPECT_TRUE(text(2, 64, 62, WHITE, value)) << c.tenths;
        if (c.reading) {
            EXPECT_TRUE(text(0, 64, 90, TEXT, label)) << c.tenths;
            EXPECT_TRUE(text(3, 64, 112, DIM, c.reading)) << c.tenths;
        } else {
            EXPECT_TRUE(frame.same(ProbeFrame(), {0, 80, 127, 100})) << c.tenths;
            EXPECT_TRUE(text(2, 64, 112, DIM, "-ALIGNING-")) << c.tenths;
        }
    }
}
