#include <gtest/gtest.h>

#include <string>

#include "host/host.h"
#include "front/keys.h"

TEST(Keys, HeldKeyHoldsTheButtonAsTheMouseWould) {
    host_reset_all();
    HostPointerQueue q;
    host_pointer_reset(&q);
    HostKeyboard kb;
    host_keyboard_reset(&kb);
    uint64_t tick = 0;
    auto key = [&](HostKey k, bool down, bool repeat = false, uint32_t mods = 0) {
        host_keyboard_event(&kb, &q, k, mods, down, repeat, tick);
        host_pointer_flush(&q, ++tick); // a tick between any two key events
    };
    // V and Up both hold VIEW: it lets go only when the last of them does; repeats change nothing.
    key(HOST_KEY_V, true);
    EXPECT_EQ(view_button_down, 1);
    key(HOST_KEY_UP, true);
    key(HOST_KEY_V, true, true);
    key(HOST_KEY_V, false);
    EXPECT_EQ(view_button_down, 1);
    key(HOST_KEY_UP, false, false, HOST_MOD_CTRL); // let go with Ctrl now held: still a release
    EXPECT_EQ(view_button_down, 0);
    // A key released that was never taken as held (Ctrl+V went down) releases nothing.
    key(HOST_KEY_LEFT, true);
    key(HOST_KEY_V, true, false, HOST_MOD_CTRL);
    key(HOST_KEY_V, false);
    EXPECT_EQ(left_button_down, 1);
    key(HOST_KEY_LEFT, false, false, HOST_MOD_CTRL); // let go with Ctrl held: the left key's release
    EXPECT_EQ(left_button_down, 0);
    // A second key-down without the repeat flag, as some platforms send, is the same held key.
    key(HOST_KEY_RIGHT, true);
    key(HOST_KEY_RIGHT, true);
    key(HOST_KEY_RIGHT, false);
    EXPECT_EQ(right_button_down, 0);
    // BOTH sets both soft-key lines, as the BOTH region does.
    key(HOST_KEY_SPACE, true);
    EXPECT_EQ(left_button_down + right_button_down, 2);
    key(HOST_KEY_SPACE, false);
    EXPECT_EQ(left_button_down + right_button_down, 0);
}

// The Controls table of the README, key by key. A button key with Ctrl, or with Alt, AltGr or the logo
// key, is left to the desktop (Super+Left must not press LEFT); Shift changes only F12. A button key goes
// through the keyboard and is judged by the button lines it sets: V(IEW), L(eft), R(ight).
TEST(Keys, BindingsAsTheControlsTableLists) {
    constexpr uint32_t SHIFT = HOST_MOD_SHIFT, CTRL = HOST_MOD_CTRL, ALT = HOST_MOD_ALT;
    constexpr HostAction BUTTON = HOST_ACTION_BUTTON, NONE = HOST_ACTION_NONE;
    const struct {
        HostKey key;
        uint32_t mods;
        HostAction action;
        const char* lines; // held while a button key is down
    } cases[] = {
        {HOST_KEY_V, 0, BUTTON, "V"},
        {HOST_KEY_UP, SHIFT, BUTTON, "V"},
        {HOST_KEY_LEFT, 0, BUTTON, "L"},
        {HOST_KEY_RIGHT, 0, BUTTON, "R"},
        {HOST_KEY_B, 0, BUTTON, "LR"},
        {HOST_KEY_DOWN, 0, BUTTON, "LR"},
        {HOST_KEY_SPACE, 0, BUTTON, "LR"},
        {HOST_KEY_LEFT, ALT, NONE, ""},
        {HOST_KEY_V, ALT | SHIFT, NONE, ""},
        {HOST_KEY_SPACE, ALT, NONE, ""},
        {HOST_KEY_DOWN, ALT, NONE, ""},
        {HOST_KEY_RIGHT, CTRL, NONE, ""},
        {HOST_KEY_UP, CTRL, NONE, ""},
        {HOST_KEY_PLUS, CTRL, HOST_ACTION_ZOOM_IN, ""},
        {HOST_KEY_MINUS, CTRL, HOST_ACTION_ZOOM_OUT, ""},
        {HOST_KEY_0, CTRL, HOST_ACTION_ZOOM_RESET, ""},
        {HOST_KEY_PLUS, 0, NONE, ""},
        {HOST_KEY_F12, 0, HOST_ACTION_SHOT_WINDOW, ""},
        {HOST_KEY_F12, SHIFT, HOST_ACTION_SHOT_DISPLAY, ""},
        {HOST_KEY_F12, ALT, NONE, ""},
        {HOST_KEY_F1, 0, HOST_ACTION_HELP, ""},
        {HOST_KEY_QUESTION, SHIFT, HOST_ACTION_HELP, ""},
        {HOST_KEY_QUESTION, ALT, HOST_ACTION_HELP, ""}, // AltGr on some layouts
        {HOST_KEY_Q, CTRL, HOST_ACTION_QUIT, ""},
        {HOST_KEY_Q, 0, NONE, ""},
        {HOST_KEY_ESCAPE, 0, HOST_ACTION_QUIT, ""},
        {HOST_KEY_ESCAPE, CTRL | SHIFT, HOST_ACTION_QUIT, ""},
        {HOST_KEY_ESCAPE, ALT, HOST_ACTION_QUIT, ""},
    };
    host_reset_all();
    HostPointerQueue q;
    host_pointer_reset(&q);
    HostKeyboard kb;
    host_keyboard_reset(&kb);
    uint64_t tick = 0;
    for (const auto& c : cases) {
        EXPECT_EQ(host_key_binding(c.key, c.mods).action, c.action) << "key " << c.key << " mods " << c.mods;
        EXPECT_EQ(host_keyboard_event(&kb, &q, c.key, c.mods, true, false, tick),
                  c.action == BUTTON ? NONE : c.action);
        host_pointer_flush(&q, ++tick);
        std::string held = std::string(view_button_down ? "V" : "") + (left_button_down ? "L" : "") +
                           (right_button_down ? "R" : "");
        EXPECT_EQ(held, c.lines) << "key " << c.key << " mods " << c.mods;
        host_keyboard_event(&kb, &q, c.key, c.mods, false, false, tick);
        host_pointer_flush(&q, ++tick);
        EXPECT_EQ(view_button_down + left_button_down + right_button_down, 0) << "key " << c.key;
    }
    // The platform's auto-repeat does nothing: no second screenshot, no further zoom step.
    EXPECT_EQ(host_keyboard_event(&kb, &q, HOST_KEY_F12, 0, true, true, tick), NONE);
    EXPECT_EQ(host_keyboard_event(&kb, &q, HOST_KEY_PLUS, CTRL, true, true, tick), NONE);
}
