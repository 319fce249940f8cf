#include "front/keys.h"

HostKeyBinding host_key_binding(HostKey key, uint32_t mods) {
    const bool ctrl = mods & HOST_MOD_CTRL, alt = mods & HOST_MOD_ALT, shift = mods & HOST_MOD_SHIFT;
    auto button = [](HostButton b) { return HostKeyBinding{HOST_ACTION_BUTTON, b}; };
    auto action = [](HostAction a) { return HostKeyBinding{a, HOST_BUTTON_VIEW}; };
    if (key == HOST_KEY_ESCAPE) return action(HOST_ACTION_QUIT);
    if (key == HOST_KEY_QUESTION) return action(HOST_ACTION_HELP);
    if (alt) return action(HOST_ACTION_NONE);
    if (ctrl) {
        switch (key) {
        case HOST_KEY_Q:
            return action(HOST_ACTION_QUIT);
        case HOST_KEY_PLUS:
            return action(HOST_ACTION_ZOOM_IN);
        case HOST_KEY_MINUS:
            return action(HOST_ACTION_ZOOM_OUT);
        case HOST_KEY_0:
            return action(HOST_ACTION_ZOOM_RESET);
        default:
            return action(HOST_ACTION_NONE);
        }
    }
    switch (key) {
    case HOST_KEY_V:
    case HOST_KEY_UP:
        return button(HOST_BUTTON_VIEW);
    case HOST_KEY_LEFT:
        return button(HOST_BUTTON_LEFT);
    case HOST_KEY_RIGHT:
        return button(HOST_BUTTON_RIGHT);
    case HOST_KEY_B:
    case HOST_KEY_DOWN:
    case HOST_KEY_SPACE:
        return button(HOST_BUTTON_BOTH);
    case HOST_KEY_F1:
        return action(HOST_ACTION_HELP);
    case HOST_KEY_F12:
        return action(shift ? HOST_ACTION_SHOT_DISPLAY : HOST_ACTION_SHOT_WINDOW);
    default:
        return action(HOST_ACTION_NONE);
    }
}

void host_keyboard_reset(HostKeyboard* kb) {
    *kb = HostKeyboard{};
}

HostAction host_keyboard_event(HostKeyboard* kb, HostPointerQueue* q, HostKey key, uint32_t mods, bool down,
                               bool repeat, uint64_t tick_count) {
    if (key <= HOST_KEY_NONE || key >= HOST_KEY_COUNT || repeat) return HOST_ACTION_NONE;
    int x = 0, y = 0;
    if (!down) {
        // A held key lets go whatever the modifiers are now.
        if (!kb->held[key]) return HOST_ACTION_NONE;
        kb->held[key] = false;
        HostButton b = host_key_binding(key, 0).button;
        if (--kb->holding[b] == 0) {
            host_button_point(b, &x, &y);
            host_pointer_push(q, false, x, y, tick_count);
        }
        return HOST_ACTION_NONE;
    }
    HostKeyBinding bind = host_key_binding(key, mods);
    if (bind.action != HOST_ACTION_BUTTON) return bind.action;
    if (kb->held[key]) return HOST_ACTION_NONE;
    kb->held[key] = true;
    if (kb->holding[bind.button]++ == 0) {
        host_button_point(bind.button, &x, &y);
        host_pointer_push(q, true, x, y, tick_count);
    }
    return HOST_ACTION_NONE;
}
