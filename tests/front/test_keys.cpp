#include <gtest/gtest.h>

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
    key(HOST_KEY_LEFT, false);
    EXPECT_EQ(left_button_down, 0);
    // BOTH sets both soft-key lines, as the BOTH region does.
    key(HOST_KEY_SPACE, true);
    EXPECT_EQ(left_button_down + right_button_down, 2);
    key(HOST_KEY_SPACE, false);
    EXPECT_EQ(left_button_down + right_button_down, 0);
}
