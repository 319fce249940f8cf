// The live instrument of the page: the window's session driven by the browser's clock, its picture
// handed to a canvas as RGBA bytes, and the mouse, touch and keys. The JavaScript front end decides when
// to call; everything the instrument sees goes through the same session, queue and keys as the desktop.
#include <cstring>

#include "front/bezel.h"
#include "front/help.h"
#include "front/keys.h"
#include "front/session.h"
#include "front/view_scale.h"
#include "host/host.h"
#include "host/local_time.h"
#include "web/png.h"

namespace {

constexpr int W = BEZEL_WIDTH, H = BEZEL_HEIGHT;
constexpr int MAX_FINGERS = 10;
constexpr int SAVE_DISPLAY_SCALE = 4;

// The controls as the page's help shows them: the desktop's, with the browser's zoom and save keys.
constexpr HostHelpRow WEB_HELP_ROWS[] = {
    {"VIEW", "V  Up", ""},
    {"Left key", "Left", ""},
    {"Right key", "Right", "hold 1.2 s: brightness"},
    {"BOTH", "B  Down  Space", ""},
    {"Zoom", "+  -  0", "0: largest that fits"},
    {"Save", "S", "Shift+S: display at 4x"},
    {"Help", "F1  ?", ""},
    {"Touch", "as the mouse", "both soft keys at once: BOTH"},
};
constexpr int WEB_HELP_ROW_COUNT = static_cast<int>(sizeof WEB_HELP_ROWS / sizeof WEB_HELP_ROWS[0]);

// How the canvas is laid out and what the last present changed; the front end reads it as int32 values.
struct WebView {
    int32_t up, down;           // each picture pixel up x up canvas-device pixels, or a down x down mean
    int32_t w, h;               // the picture's size in device pixels
    int32_t canvas_w, canvas_h; // the canvas's own pixels: the picture, or its reduction
    int32_t dirty_x, dirty_y, dirty_w, dirty_h; // canvas pixels the last present changed
};

// A finger, pen or mouse pointer holding a button. Two fingers on the two soft keys are BOTH.
struct WebFinger {
    bool down;
    int32_t id;
    HostButton button;
    bool on_button; // went down on a button
    bool paired;    // one of two fingers holding BOTH
};

struct WebLive {
    HostSession session;
    WebView view;
    HostViewFit fit;
    bool help;
    bool need_full;
    uint32_t pictured_pressed;
    bool pictured_help;
    uint64_t pictured_frames;
    WebFinger fingers[MAX_FINGERS];
};

WebLive live;
uint32_t picture[W * H];     // the picture as it should look now
uint32_t shown[W * H];       // as the canvas has it (before any reduction)
uint32_t canvas_rgba[W * H]; // the canvas's pixels, bytes R, G, B, A
uint32_t scratch[W * H];     // a reduction, or a saved picture without the help
uint8_t png[1280 * 1024];    // the last saved picture
double stats[6];
uint32_t icon[256 * 256];

uint32_t rgba_of(uint32_t argb) {
    return 0xFF000000u | (argb & 0x0000FF00u) | (argb >> 16 & 0xFFu) | (argb & 0xFFu) << 16;
}

// The button whose region holds (x, y), as the host's own hit test decides it; -1 for none.
int button_at(int x, int y) {
    int32_t v = view_button_down, l = left_button_down, r = right_button_down;
    view_button_down = left_button_down = right_button_down = 0;
    host_hit_test(true, x, y);
    int b = view_button_down                        ? HOST_BUTTON_VIEW
            : left_button_down && right_button_down ? HOST_BUTTON_BOTH
            : left_button_down                      ? HOST_BUTTON_LEFT
            : right_button_down                     ? HOST_BUTTON_RIGHT
                                                    : -1;
    view_button_down = v, left_button_down = l, right_button_down = r;
    return b;
}

void push(bool press, int x, int y) {
    host_pointer_push(&live.session.pointer, press, x, y, live.session.sched.tick_count);
}

void push_at(bool press, HostButton b) {
    int x = 0, y = 0;
    host_button_point(b, &x, &y);
    push(press, x, y);
}

WebFinger* finger(int32_t id) {
    for (WebFinger& f : live.fingers)
        if (f.down && f.id == id) return &f;
    return nullptr;
}

// The other soft key's finger, when one holds it alone.
WebFinger* lone_soft_key(HostButton other) {
    for (WebFinger& f : live.fingers)
        if (f.down && f.on_button && !f.paired && f.button == other) return &f;
    return nullptr;
}

void compose() {
    host_bezel_compose(picture);
    if (live.help)
        host_help_draw_rows(picture, "Keys (mouse and touch work too)", WEB_HELP_ROWS, WEB_HELP_ROW_COUNT);
}

} // namespace

extern "C" {

// The instrument started as at window creation: time zero of the ticks.
void web_begin() {
    live = WebLive{};
    host_session_begin(&live.session);
    live.fit = host_view_fit(W, H, 1);
    live.need_full = true;
}

// Runs every tick due by now_ms since web_begin; 10 ms ticks more than max_backlog behind are dropped
// (negative: none).
void web_advance(double now_ms, int max_backlog) {
    if (now_ms < 0) now_ms = 0;
    host_session_run(&live.session, static_cast<uint64_t>(now_ms), max_backlog);
}

// Lays the picture out in an area of win_w x win_h device pixels, at most max_up times enlarged.
const WebView* web_layout(int win_w, int win_h, int max_up) {
    live.fit = host_view_fit(win_w, win_h, max_up < 1 ? 1 : max_up);
    WebView& v = live.view;
    v.up = live.fit.up;
    v.down = live.fit.down;
    v.w = live.fit.w;
    v.h = live.fit.h;
    v.canvas_w = v.down > 1 ? v.w : W;
    v.canvas_h = v.down > 1 ? v.h : H;
    live.need_full = true;
    return &v;
}

// Brings the canvas pixels up to date; true when some changed (the view's dirty rectangle).
bool web_present() {
    const HostRect whole{0, 0, W, H};
    const HostRect display{FRAME_ORIGIN_X, FRAME_ORIGIN_Y, FRAME_ORIGIN_X + FRAME_WIDTH,
                           FRAME_ORIGIN_Y + FRAME_HEIGHT};
    uint32_t pressed = host_bezel_pressed();
    HostRect dirty{0, 0, 0, 0};
    if (live.need_full || pressed != live.pictured_pressed || live.help != live.pictured_help) {
        compose();
        live.pictured_pressed = pressed;
        live.pictured_help = live.help;
        dirty = live.need_full ? whole : host_rect_diff(picture, shown, W, whole);
    } else if (host_frames_rendered != live.pictured_frames) {
        host_bezel_put_frame(picture);
        dirty = host_rect_diff(picture, shown, W, display);
    }
    live.pictured_frames = host_frames_rendered;
    live.need_full = false;
    if (host_rect_empty(dirty)) return false;
    for (int y = dirty.y0; y < dirty.y1; ++y)
        std::memcpy(&shown[y * W + dirty.x0], &picture[y * W + dirty.x0],
                    static_cast<size_t>(dirty.x1 - dirty.x0) * sizeof(uint32_t));
    WebView& v = live.view;
    if (v.down > 1) {
        // A reduced picture is small: redo it whole.
        HostViewFit f = live.fit;
        f.x = f.y = 0;
        host_view_draw(f, shown, whole, scratch, v.w, v.w, v.h);
        for (int i = 0; i < v.w * v.h; ++i) canvas_rgba[i] = rgba_of(scratch[i]);
        v.dirty_x = v.dirty_y = 0;
        v.dirty_w = v.w;
        v.dirty_h = v.h;
        return true;
    }
    for (int y = dirty.y0; y < dirty.y1; ++y)
        for (int x = dirty.x0; x < dirty.x1; ++x) canvas_rgba[y * W + x] = rgba_of(shown[y * W + x]);
    v.dirty_x = dirty.x0;
    v.dirty_y = dirty.y0;
    v.dirty_w = dirty.x1 - dirty.x0;
    v.dirty_h = dirty.y1 - dirty.y0;
    return true;
}

const uint32_t* web_canvas_pixels() {
    return canvas_rgba;
}

// A pointer going down or up at picture coordinates (x, y). Each acts as the desktop's mouse does: a
// press where it goes down, a release where it comes up (away from every button: the button stays
// held). A finger that goes down on one soft key while another finger holds the other presses BOTH,
// which is let go when the last of the two comes up.
void web_pointer(int32_t id, bool down, int x, int y) {
    WebFinger* f = finger(id);
    if (down) {
        if (f) return; // already down
        for (WebFinger& slot : live.fingers)
            if (!slot.down) {
                f = &slot;
                break;
            }
        if (!f) return; // more fingers than anyone has
        int b = button_at(x, y);
        *f = WebFinger{true, id, b < 0 ? HOST_BUTTON_VIEW : static_cast<HostButton>(b), b >= 0, false};
        WebFinger* other = nullptr;
        if (b == HOST_BUTTON_LEFT) other = lone_soft_key(HOST_BUTTON_RIGHT);
        if (b == HOST_BUTTON_RIGHT) other = lone_soft_key(HOST_BUTTON_LEFT);
        if (other) {
            f->paired = other->paired = true;
            push_at(true, HOST_BUTTON_BOTH);
        } else {
            push(true, x, y);
        }
        return;
    }
    if (!f) return;
    f->down = false;
    if (!f->paired) {
        push(false, x, y);
        return;
    }
    for (const WebFinger& o : live.fingers)
        if (o.down && o.paired) return; // its partner still holds BOTH
    if (button_at(x, y) >= 0)
        push_at(false, HOST_BUTTON_BOTH);
    else
        push(false, x, y);
}

// A key down or up (HostKey, HOST_MOD_ bits). Returns 1 when the key was the instrument's or the help's.
int web_key(int key, uint32_t mods, bool down, bool repeat) {
    HostSession& s = live.session;
    HostAction a = host_keyboard_event(&s.keys, &s.pointer, static_cast<HostKey>(key), mods, down, repeat,
                                       s.sched.tick_count);
    if (a == HOST_ACTION_HELP) {
        live.help = !live.help;
        return 1;
    }
    if (key <= HOST_KEY_NONE || key >= HOST_KEY_COUNT) return 0;
    return host_key_binding(static_cast<HostKey>(key), mods).action == HOST_ACTION_BUTTON ? 1 : 0;
}

// 1 when a key pressed with these modifiers holds a button or shows the help: the page keeps such keys
// from the browser, and where the instrument runs in a worker it has to know that before asking it.
int web_key_handled(int key, uint32_t mods) {
    if (key <= HOST_KEY_NONE || key >= HOST_KEY_COUNT) return 0;
    HostAction a = host_key_binding(static_cast<HostKey>(key), mods).action;
    return a == HOST_ACTION_BUTTON || a == HOST_ACTION_HELP ? 1 : 0;
}

// Lets go of every held key, as when the page loses the keyboard.
void web_keys_release() {
    for (int k = HOST_KEY_NONE + 1; k < HOST_KEY_COUNT; ++k)
        if (live.session.keys.held[k]) web_key(k, 0, false, false);
}

void web_help_toggle() {
    live.help = !live.help;
}

// The window picture (or the display alone at 4x) as a PNG; returns its size, the bytes at web_png().
size_t web_save_png(bool display_only) {
    if (display_only)
        return web_png_encode(&host_frame.pixels[gfx_index(0, 0, FRAME_WIDTH, FRAME_HEIGHT)], FRAME_WIDTH,
                              FRAME_HEIGHT, -FRAME_WIDTH, SAVE_DISPLAY_SCALE, png, sizeof png);
    host_bezel_compose(scratch); // without the help, as the desktop's screenshots
    return web_png_encode(scratch, W, H, W, 1, png, sizeof png);
}

const uint8_t* web_png() {
    return png;
}

// The clock of the ticks: 10 ms, 100 ms and 1 s ticks run, 10 ms ticks dropped, the time they ran to,
// and the 10 ms ticks a present would have shown.
const double* web_stats() {
    const HostScheduler& s = live.session.sched;
    stats[0] = static_cast<double>(s.tick_count);
    stats[1] = static_cast<double>(s.tenth_count);
    stats[2] = static_cast<double>(s.second_count);
    stats[3] = static_cast<double>(s.ticks_skipped);
    stats[4] = static_cast<double>(host_sched_ran_until(&s));
    stats[5] = static_cast<double>(host_frames_rendered);
    return stats;
}

// The instrument's front as a size x size icon (16..256), bytes R, G, B, A.
const uint32_t* web_icon(int size) {
    host_bezel_icon(icon, size);
    for (int i = 0; i < size * size; ++i) {
        uint32_t c = icon[i];
        icon[i] = (c & 0xFF00FF00u) | (c >> 16 & 0xFFu) | (c & 0xFFu) << 16;
    }
    return icon;
}

// From now on the instrument reads this local time of day ("HH:MM:SS" checked by the caller).
void web_set_local_time(int hour, int minute, int second) {
    ClockTime t{};
    t.hour = static_cast<uint16_t>(hour);
    t.minute = static_cast<uint16_t>(minute);
    t.second = static_cast<uint16_t>(second);
    t.milliseconds = 0;
    host_set_local_time(&t);
}

} // extern "C"
