// The window's keyboard: which key does what, and the keys that hold the instrument's buttons.
// A button key goes to the instrument exactly as a left-button press at the centre of that button's
// region would, through the same queue, so the instrument cannot tell a key from the mouse.
#pragma once
#include <cstdint>

#include "host/host.h"
#include "front/pointer.h"

// The keys the window knows, as the platform layer names them for us.
enum HostKey : int32_t {
    HOST_KEY_NONE,
    HOST_KEY_V,
    HOST_KEY_B,
    HOST_KEY_Q,
    HOST_KEY_UP,
    HOST_KEY_DOWN,
    HOST_KEY_LEFT,
    HOST_KEY_RIGHT,
    HOST_KEY_SPACE,
    HOST_KEY_ESCAPE,
    HOST_KEY_F1,
    HOST_KEY_F12,
    HOST_KEY_QUESTION, // the character, wherever the layout puts it
    HOST_KEY_PLUS,     // + or = (the + of most layouts needs Shift), keypad +
    HOST_KEY_MINUS,
    HOST_KEY_0,
    HOST_KEY_COUNT
};

// Modifier bits; ALT stands for any of Alt, AltGr and the logo key.
constexpr uint32_t HOST_MOD_SHIFT = 1, HOST_MOD_CTRL = 2, HOST_MOD_ALT = 4;

enum HostAction : int32_t {
    HOST_ACTION_NONE,
    HOST_ACTION_BUTTON, // holds one of the instrument's buttons while the key is down
    HOST_ACTION_QUIT,
    HOST_ACTION_ZOOM_IN,
    HOST_ACTION_ZOOM_OUT,
    HOST_ACTION_ZOOM_RESET,
    HOST_ACTION_SHOT_WINDOW,
    HOST_ACTION_SHOT_DISPLAY,
    HOST_ACTION_HELP,
};

struct HostKeyBinding {
    HostAction action;
    HostButton button; // for HOST_ACTION_BUTTON
};

// What a key pressed with these modifiers does.
HostKeyBinding host_key_binding(HostKey key, uint32_t mods);

struct HostKeyboard {
    bool held[HOST_KEY_COUNT]; // button keys down now
    int32_t holding[4];        // button keys down now per button (HostButton)
};

void host_keyboard_reset(HostKeyboard* kb);

// One key going down (repeat: the platform's auto-repeat) or up. A button's first key down queues a
// press at its centre, its last key up the release there; auto-repeat is ignored. Returns the action
// of any other key on its way down, HOST_ACTION_NONE otherwise.
HostAction host_keyboard_event(HostKeyboard* kb, HostPointerQueue* q, HostKey key, uint32_t mods, bool down,
                               bool repeat, uint64_t tick_count);
