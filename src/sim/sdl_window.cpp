#include "sim/sdl_window.h"

#include <SDL.h>
#include <SDL_syswm.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cinttypes>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>

#include "front/bezel.h"
#include "front/help.h"
#include "host/host.h"
#include "front/keys.h"
#include "files/screenshot.h"
#include "front/session.h"
#include "front/view_scale.h"
#include "setup/settings.h"
#include "sim/live_link.h"
#include "sim/record_file.h"
#include "sim/wake.h"

#if defined(SDL_VIDEO_DRIVER_X11) && defined(ZT30_HAVE_X11)
#define ZT30_X11 1
#endif

namespace {

constexpr char WINDOW_TITLE[] = "Tessaro ZT-30 PC Simulator";
constexpr int ICON_SIZE = 64;
// 10 ms ticks allowed to run late after a stall; older ones are dropped so the display never races.
// The 100 ms and 1 s ticks are never dropped.
constexpr int MAX_TICK_BACKLOG = 8;
// While nothing of the window can be seen the ticks run in batches this far apart: same ticks, same
// order, same state, but one wake-up a second instead of a hundred.
constexpr int64_t HIDDEN_BATCH_MS = 1000;
// How often the window wakes, runs the ticks due and shows the last frame, while it can be seen (always
// the same ticks in the same order, input taken in after the ticks due before it):
// - for a while after any event, while presses wait for their ticks, and when --live values have come
//   that are not on the screen yet: every tick, as input asks;
// - while the picture stands still (nothing changed for STILL_TICKS ticks and no button held): at each
//   100 ms tick and the 10 ms tick after it; the clock, the counters and the timers change on those
//   ticks, and that 10 ms tick's frame shows them as it would with every tick on time. What a screen
//   changes on a count of frames (the splash's end) shows at the end of its batch, under 100 ms late,
//   and every faster change (a blink) keeps the picture from standing still;
// - while it moves: once per refresh of the screen (in whole ticks: every other tick at 60 Hz, every
//   tick at 100 Hz and more), since a screen cannot show more pictures than it refreshes.
constexpr uint64_t STILL_TICKS = 20;
constexpr int ASSUMED_REFRESH_HZ = 60; // when the screen does not say
constexpr int64_t NS_PER_MS = 1000000;
// The display connection is read only when it has something to read. Reading it (through SDL) also does
// work that waits on the clock, such as a focus change SDL applies 200 ms after it came: so the
// connection is read on every loop for a while after any event, and at least this often otherwise.
constexpr int64_t BUSY_READ_NS = 300 * NS_PER_MS;
constexpr int64_t IDLE_READ_NS = 250 * NS_PER_MS;
constexpr uint32_t MARGIN_COLOR = 0xFF000000;
constexpr int SHOT_DISPLAY_SCALE = 4;

uint32_t picture[BEZEL_WIDTH * BEZEL_HEIGHT]; // the window picture as it should look now
uint32_t shown[BEZEL_WIDTH * BEZEL_HEIGHT];   // as it was before the last recomposition
uint32_t shot[BEZEL_WIDTH * BEZEL_HEIGHT];    // a screenshot's picture: no help over it
uint32_t pictured_frame[FRAME_PIXELS];        // the frame as the picture holds it, bottom row first
uint32_t icon_pixels[ICON_SIZE * ICON_SIZE];

struct SimWindow {
    SDL_Window* window;
    HostSession session;
    int64_t start_ns; // window creation: time zero of the ticks
    int scale;        // the enlargement asked for, 1..4
    HostViewFit fit;  // how the picture sits in the window surface of fit_w x fit_h
    int fit_w, fit_h;
    bool help;
    // What the picture holds: its pressed controls, help, and frame.
    uint32_t pictured_pressed;
    bool pictured_help;
    uint64_t pictured_frames;
    bool need_full; // compose and draw everything (first time, exposed, resized)
    bool minimised, unmapped, covered;
    int excused_ticks; // 10 ms ticks the next run may be behind by our own doing, not a stall
    bool quit;
    int64_t first_present_ns; // for the tick statistics
    int64_t max_late_ns;
    uint64_t presents, pixels_drawn;
    uint64_t frames_pictured; // rendered frames that changed the picture
    uint64_t changed_tick;    // the 10 ms tick count when the picture last changed
    int refresh_ticks;        // 10 ms ticks per refresh of the screen, rounded up
    uint64_t reads;           // times the display connection was read (SDL_PumpEvents)
    int64_t busy_until_ns, next_read_ns;
    int x11_fd; // the display connection to wait on, -1 when not on X11
    SimWake wake;
    int x11_slot, signal_slot;            // their slots in the wait
    int live_slot;                        // the --live socket's slot, -1 without --live
    char live_title[512], live_line[512]; // the title and the stderr line last shown for --live
    uint32_t live_demo_mode;              // ... and the demo mode they were made for
};

SimWindow sim;
SimRecordFile record;

// How the window came to end, for its last line and its exit status.
enum SimEnd { SIM_END_CLOSED, SIM_END_DESTROYED, SIM_END_SIGNAL, SIM_END_X_LOST };
bool sim_ended = false; // the recording is settled and the last line printed
int sim_exit_code = 0;
int sim_end(SimWindow* w, SimEnd how, int sig);

// The tick clock: monotonic and, unlike CLOCK_MONOTONIC, still running while the machine is suspended,
// so that after a resume the 100 ms and 1 s ticks catch up with the time that passed.
constexpr clockid_t TICK_CLOCK = CLOCK_BOOTTIME;

int64_t tick_clock_ns() {
    timespec ts;
    clock_gettime(TICK_CLOCK, &ts);
    return static_cast<int64_t>(ts.tv_sec) * 1000000000 + ts.tv_nsec;
}

void sleep_until_ns(int64_t t) {
    timespec ts{static_cast<time_t>(t / 1000000000), static_cast<long>(t % 1000000000)};
    // Only a signal cuts the sleep short; any other failure must not turn into a busy loop.
    while (clock_nanosleep(TICK_CLOCK, TIMER_ABSTIME, &ts, nullptr) == EINTR) {
    }
}

bool window_seen(const SimWindow* w) {
    return !w->minimised && !w->unmapped && !w->covered;
}

// ---- X11: a window destroyed by another program, and a window fully covered ----------------------

#ifdef ZT30_X11
Display* x11_display = nullptr;
::Window x11_window = 0;
bool x11_window_gone = false;
XErrorHandler x11_previous_handler = nullptr;

// Once another program has destroyed the window, every request about it fails; those failures end the
// session quietly instead of ending the process with an X error.
int on_x11_error(Display* display, XErrorEvent* e) {
    if (x11_window_gone ||
        (e->resourceid == x11_window && (e->error_code == BadWindow || e->error_code == BadDrawable))) {
        x11_window_gone = true;
        return 0;
    }
    return x11_previous_handler ? x11_previous_handler(display, e) : 0;
}

// The connection to the X server is gone (the server ended, or another client had our connection
// killed). Xlib ends the process when this returns, so the session ends here: the recording is
// completed from what the window last showed and put in place, then the process exits.
int on_x11_io_error(Display*) {
    if (!sim_ended) sim_end(&sim, SIM_END_X_LOST, 0);
    _exit(sim_exit_code);
}

void x11_watch(SimWindow* w) {
    XSetIOErrorHandler(on_x11_io_error);
    SDL_SysWMinfo info;
    SDL_VERSION(&info.version);
    if (!SDL_GetWindowWMInfo(w->window, &info) || info.subsystem != SDL_SYSWM_X11) return;
    x11_display = info.info.x11.display;
    x11_window = info.info.x11.window;
    w->x11_fd = ConnectionNumber(x11_display);
    x11_previous_handler = XSetErrorHandler(on_x11_error);
    // Visibility tells when the window is fully covered; the raw events also carry its destruction.
    XWindowAttributes attributes;
    if (XGetWindowAttributes(x11_display, x11_window, &attributes))
        XSelectInput(x11_display, x11_window, attributes.your_event_mask | VisibilityChangeMask);
    // The loop reads the connection only when it has something to read, and flushes nothing itself.
    XFlush(x11_display);
    SDL_EventState(SDL_SYSWMEVENT, SDL_ENABLE);
}

void x11_event(SimWindow* w, const SDL_SysWMmsg* msg) {
    if (!msg || msg->subsystem != SDL_SYSWM_X11) return;
    const XEvent& e = msg->msg.x11.event;
    if (e.type == DestroyNotify && e.xdestroywindow.window == x11_window) x11_window_gone = true;
    if (e.type == VisibilityNotify && e.xvisibility.window == x11_window) {
        bool covered = e.xvisibility.state == VisibilityFullyObscured;
        if (w->covered && !covered) w->need_full = true;
        w->covered = covered;
    }
}

bool window_gone() {
    return x11_window_gone;
}

// Events already read from the connection (while presenting, say) wait in Xlib's queue, where a poll of
// the connection does not see them.
bool x11_events_queued() {
    return x11_display && XEventsQueued(x11_display, QueuedAlready) > 0;
}

// Collects the replies to the last requests while our handler is still in place: SDL puts the default
// one back before it closes the connection, and that one ends the process over any error it meets.
void x11_settle() {
    if (x11_display) XSync(x11_display, False);
}
#else
void x11_watch(SimWindow* w) {
    w->x11_fd = -1;
}
void x11_event(SimWindow*, const SDL_SysWMmsg*) {}
bool window_gone() {
    return false;
}
bool x11_events_queued() {
    return false;
}
void x11_settle() {}
#endif

// ---- Presentation --------------------------------------------------------------------------------

bool plain_xrgb(const SDL_PixelFormat* f) {
    return f->BytesPerPixel == 4 && f->Rmask == 0x00FF0000 && f->Gmask == 0x0000FF00 &&
           f->Bmask == 0x000000FF;
}

// Draws the picture pixels of the n rectangles (everything when full) onto the window surface and sends
// those window pixels to the screen.
void draw_on_screen(SimWindow* w, SDL_Surface* screen, const HostRect* dirty, int n, bool full) {
    static SDL_Surface* staging = nullptr; // only for surfaces in another pixel format
    SDL_Surface* target = screen;
    if (!plain_xrgb(screen->format)) {
        if (!staging || staging->w != screen->w || staging->h != screen->h) {
            SDL_FreeSurface(staging);
            staging = SDL_CreateRGBSurfaceWithFormat(0, screen->w, screen->h, 32, SDL_PIXELFORMAT_ARGB8888);
            if (!staging) return;
            SDL_SetSurfaceBlendMode(staging, SDL_BLENDMODE_NONE);
        }
        target = staging;
    }
    if (SDL_MUSTLOCK(target) && SDL_LockSurface(target) != 0) return;
    auto* pixels = static_cast<uint32_t*>(target->pixels);
    const int pitch = target->pitch / 4;
    if (full) host_view_fill_margins(w->fit, MARGIN_COLOR, pixels, pitch, target->w, target->h);
    for (int i = 0; i < n; ++i)
        host_view_draw(w->fit, picture, dirty[i], pixels, pitch, target->w, target->h);
    if (SDL_MUSTLOCK(target)) SDL_UnlockSurface(target);
    const SDL_Rect all{0, 0, screen->w, screen->h};
    SDL_Rect rects[HOST_BANDS_MAX];
    int m = 0;
    for (int i = 0; i < n && !full; ++i) {
        HostRect s = host_view_screen_rect(w->fit, dirty[i]);
        SDL_Rect rect{s.x0, s.y0, s.x1 - s.x0, s.y1 - s.y0};
        if (SDL_IntersectRect(&rect, &all, &rect)) rects[m++] = rect;
    }
    if (full) rects[m++] = all;
    for (int i = 0; i < m && target != screen; ++i) {
        SDL_Rect to = rects[i];
        SDL_BlitSurface(staging, &rects[i], screen, &to);
    }
    if (full)
        SDL_UpdateWindowSurface(w->window);
    else if (m > 0)
        SDL_UpdateWindowSurfaceRects(w->window, rects, m);
    for (int i = 0; i < m; ++i)
        w->pixels_drawn += static_cast<uint64_t>(rects[i].w) * static_cast<uint64_t>(rects[i].h);
}

// Takes the rows of the frame that changed since it was last pictured into the picture; returns the
// parts of the picture they changed, as few rectangles of whole row spans (none when nothing changed).
int picture_frame_changes(const HostViewFit& fit, HostRect* dirty) {
    const HostRect frame{0, 0, FRAME_WIDTH, FRAME_HEIGHT};
    // Both are stored bottom row first: compare from the top row down.
    const size_t top = static_cast<size_t>(gfx_index(0, 0, FRAME_WIDTH, FRAME_HEIGHT));
    // Enlarged, an unchanged pixel taken in costs its whole square.
    const int slack = HOST_BAND_SLACK / (fit.up * fit.up);
    int n = host_rect_diff_bands(&host_frame.pixels[top], &pictured_frame[top], -FRAME_WIDTH, frame, slack,
                                 dirty, HOST_BANDS_MAX);
    for (int i = 0; i < n; ++i) {
        HostRect& r = dirty[i];
        for (int y = r.y0; y < r.y1; ++y) {
            const int at = gfx_index(0, y, FRAME_WIDTH, FRAME_HEIGHT);
            uint32_t* out = &picture[(FRAME_ORIGIN_Y + y) * BEZEL_WIDTH + FRAME_ORIGIN_X];
            for (int x = r.x0; x < r.x1; ++x) {
                pictured_frame[at + x] = host_frame.pixels[at + x];
                out[x] = 0xFF000000u | host_frame.pixels[at + x];
            }
        }
        r = HostRect{r.x0 + FRAME_ORIGIN_X, r.y0 + FRAME_ORIGIN_Y, r.x1 + FRAME_ORIGIN_X,
                     r.y1 + FRAME_ORIGIN_Y};
    }
    return n;
}

// Brings the screen up to date with the instrument, sending only the pixels that changed, and nothing
// at all while the window cannot be seen.
void present(SimWindow* w) {
    if (!window_seen(w) || window_gone()) return;
    SDL_Surface* screen = SDL_GetWindowSurface(w->window);
    if (!screen) return;
    if (screen->w != w->fit_w || screen->h != w->fit_h) {
        w->fit = host_view_fit(screen->w, screen->h, HOST_SCALE_MAX);
        w->fit_w = screen->w;
        w->fit_h = screen->h;
        w->need_full = true;
    }
    const HostRect whole{0, 0, BEZEL_WIDTH, BEZEL_HEIGHT};
    uint32_t pressed = host_bezel_pressed();
    HostRect dirty[HOST_BANDS_MAX];
    int n = 0;
    if (w->need_full || pressed != w->pictured_pressed || w->help != w->pictured_help) {
        // The picture is what the screen shows (every change to it is drawn at once): keep it to
        // compare the new one with.
        if (!w->need_full) std::memcpy(shown, picture, sizeof shown);
        host_bezel_compose(picture);
        if (w->help) host_help_draw(picture);
        std::memcpy(pictured_frame, host_frame.pixels, sizeof pictured_frame);
        w->pictured_pressed = pressed;
        w->pictured_help = w->help;
        dirty[0] = w->need_full ? whole : host_rect_diff(picture, shown, BEZEL_WIDTH, whole);
        n = host_rect_empty(dirty[0]) ? 0 : 1;
    } else if (host_frames_rendered != w->pictured_frames) {
        // Most frames of most screens are the one before again: then nothing more is done.
        n = picture_frame_changes(w->fit, dirty);
        w->frames_pictured += n > 0;
    }
    w->pictured_frames = host_frames_rendered;
    if (n == 0) return;
    w->changed_tick = w->session.sched.tick_count;
    draw_on_screen(w, screen, dirty, n, w->need_full);
    w->need_full = false;
    ++w->presents;
    if (w->first_present_ns == 0) w->first_present_ns = tick_clock_ns();
}

// 10 ms ticks per refresh of the screen the window is on, rounded up, 1 to 10.
int refresh_ticks(SimWindow* w) {
    SDL_DisplayMode mode;
    int display = SDL_GetWindowDisplayIndex(w->window);
    int hz = display >= 0 && SDL_GetCurrentDisplayMode(display, &mode) == 0 ? mode.refresh_rate : 0;
    if (hz <= 0) hz = ASSUMED_REFRESH_HZ;
    return std::clamp((1000 / static_cast<int>(TICK_PERIOD_MS) + hz - 1) / hz, 1, 10);
}

// ---- Zoom, screenshots --------------------------------------------------------------------------

// The largest enlargement up to `want` whose window fits the screen the window is on.
int fitting_scale(SimWindow* w, int want) {
    SDL_Rect usable;
    int display = SDL_GetWindowDisplayIndex(w->window);
    int scale = want < 1 ? 1 : want > HOST_SCALE_MAX ? HOST_SCALE_MAX : want;
    if (display < 0 || SDL_GetDisplayUsableBounds(display, &usable) != 0) return scale;
    while (scale > 1 && (BEZEL_WIDTH * scale > usable.w || BEZEL_HEIGHT * scale > usable.h)) --scale;
    return scale;
}

// A window grown in place would reach past the right and bottom edges of the screen: it moves back in,
// frame and all, keeping its top-left corner on the screen first.
void keep_on_screen(SimWindow* w, int width, int height) {
    SDL_Rect usable;
    int display = SDL_GetWindowDisplayIndex(w->window);
    if (display < 0 || SDL_GetDisplayUsableBounds(display, &usable) != 0) return;
    int top = 0, left = 0, bottom = 0, right = 0;
    if (SDL_GetWindowBordersSize(w->window, &top, &left, &bottom, &right) != 0)
        top = left = bottom = right = 0;
    int x = 0, y = 0;
    SDL_GetWindowPosition(w->window, &x, &y);
    int nx = std::max(std::min(x, usable.x + usable.w - width - right), usable.x + left);
    int ny = std::max(std::min(y, usable.y + usable.h - height - bottom), usable.y + top);
    if (nx != x || ny != y) SDL_SetWindowPosition(w->window, nx, ny);
}

// Also brings back the size for the scale after a window manager forced another one.
void set_scale(SimWindow* w, int want) {
    w->scale = fitting_scale(w, want);
    int width = 0, height = 0;
    SDL_GetWindowSize(w->window, &width, &height);
    if (width != BEZEL_WIDTH * w->scale || height != BEZEL_HEIGHT * w->scale)
        SDL_SetWindowSize(w->window, BEZEL_WIDTH * w->scale, BEZEL_HEIGHT * w->scale);
    keep_on_screen(w, BEZEL_WIDTH * w->scale, BEZEL_HEIGHT * w->scale);
}

void screenshot(SimWindow* w, bool display_only) {
    int64_t started = tick_clock_ns();
    char name[64], where[PATH_MAX];
    const char* failure;
    if (display_only) {
        // The frame is bottom-up: start at its top row and walk down.
        failure = host_screenshot_write(
            ".", std::time(nullptr), &host_frame.pixels[gfx_index(0, 0, FRAME_WIDTH, FRAME_HEIGHT)],
            FRAME_WIDTH, FRAME_HEIGHT, -FRAME_WIDTH, SHOT_DISPLAY_SCALE, name, sizeof name);
    } else {
        host_bezel_compose(shot);
        failure = host_screenshot_write(".", std::time(nullptr), shot, BEZEL_WIDTH, BEZEL_HEIGHT, BEZEL_WIDTH,
                                        1, name, sizeof name);
    }
    if (failure)
        std::fprintf(stderr, "zt30-sim: cannot write a screenshot in the current folder: %s\n", failure);
    else if (getcwd(where, sizeof where))
        std::fprintf(stderr, "zt30-sim: screenshot %s/%s\n", where, name);
    else
        std::fprintf(stderr, "zt30-sim: screenshot %s\n", name);
    // Writing takes a moment; the ticks it held up catch up rather than being dropped as a stall.
    w->excused_ticks += static_cast<int>((tick_clock_ns() - started) / (10 * NS_PER_MS)) + 1;
}

// ---- Events --------------------------------------------------------------------------------------

HostKey key_of(SDL_Keycode k) {
    switch (k) {
    case SDLK_v:
        return HOST_KEY_V;
    case SDLK_b:
        return HOST_KEY_B;
    case SDLK_q:
        return HOST_KEY_Q;
    case SDLK_UP:
        return HOST_KEY_UP;
    case SDLK_DOWN:
        return HOST_KEY_DOWN;
    case SDLK_LEFT:
        return HOST_KEY_LEFT;
    case SDLK_RIGHT:
        return HOST_KEY_RIGHT;
    case SDLK_SPACE:
        return HOST_KEY_SPACE;
    case SDLK_ESCAPE:
        return HOST_KEY_ESCAPE;
    case SDLK_F1:
        return HOST_KEY_F1;
    case SDLK_F12:
        return HOST_KEY_F12;
    case SDLK_PLUS:
    case SDLK_EQUALS:
    case SDLK_KP_PLUS:
        return HOST_KEY_PLUS;
    case SDLK_MINUS:
    case SDLK_KP_MINUS:
        return HOST_KEY_MINUS;
    case SDLK_0:
    case SDLK_KP_0:
        return HOST_KEY_0;
    default:
        return HOST_KEY_NONE;
    }
}

uint32_t mods_of(uint16_t m) {
    uint32_t out = 0;
    if (m & KMOD_SHIFT) out |= HOST_MOD_SHIFT;
    if (m & KMOD_CTRL) out |= HOST_MOD_CTRL;
    if (m & (KMOD_ALT | KMOD_GUI | KMOD_MODE)) out |= HOST_MOD_ALT;
    return out;
}

void act(SimWindow* w, HostAction a) {
    switch (a) {
    case HOST_ACTION_QUIT:
        w->quit = true;
        break;
    case HOST_ACTION_ZOOM_IN:
        set_scale(w, w->scale + 1);
        break;
    case HOST_ACTION_ZOOM_OUT:
        set_scale(w, w->scale - 1);
        break;
    case HOST_ACTION_ZOOM_RESET:
        set_scale(w, 1);
        break;
    case HOST_ACTION_SHOT_WINDOW:
    case HOST_ACTION_SHOT_DISPLAY:
        screenshot(w, a == HOST_ACTION_SHOT_DISPLAY);
        break;
    case HOST_ACTION_HELP:
        w->help = !w->help;
        break;
    case HOST_ACTION_NONE:
    case HOST_ACTION_BUTTON:
        break;
    }
}

void handle_event(SimWindow* w, const SDL_Event& e) {
    HostSession* s = &w->session;
    switch (e.type) {
    case SDL_QUIT:
        w->quit = true;
        break;
    case SDL_WINDOWEVENT:
        switch (e.window.event) {
        case SDL_WINDOWEVENT_CLOSE:
            w->quit = true;
            break;
        case SDL_WINDOWEVENT_MINIMIZED:
            w->minimised = true;
            break;
        case SDL_WINDOWEVENT_HIDDEN:
            w->unmapped = true;
            break;
        case SDL_WINDOWEVENT_RESTORED:
        case SDL_WINDOWEVENT_MAXIMIZED:
            w->minimised = false;
            w->need_full = true;
            break;
        case SDL_WINDOWEVENT_SHOWN:
            w->unmapped = false;
            w->need_full = true;
            break;
        case SDL_WINDOWEVENT_MOVED:
            w->refresh_ticks = refresh_ticks(w); // perhaps onto another screen
            break;
        case SDL_WINDOWEVENT_SIZE_CHANGED:
            // Clicks that follow in the same batch of events already land on the new layout.
            w->fit = host_view_fit(e.window.data1, e.window.data2, HOST_SCALE_MAX);
            w->need_full = true;
            break;
        case SDL_WINDOWEVENT_EXPOSED:
            w->need_full = true;
            break;
        default:
            break;
        }
        break;
    case SDL_SYSWMEVENT:
        x11_event(w, e.syswm.msg);
        break;
    case SDL_MOUSEBUTTONDOWN:
    case SDL_MOUSEBUTTONUP:
        if (e.button.button == SDL_BUTTON_LEFT) {
            int x = 0, y = 0;
            host_view_to_picture(w->fit, e.button.x, e.button.y, &x, &y);
            host_pointer_push(&s->pointer, e.type == SDL_MOUSEBUTTONDOWN, x, y, s->sched.tick_count);
        }
        break;
    case SDL_KEYDOWN:
    case SDL_KEYUP:
        act(w, host_keyboard_event(&s->keys, &s->pointer, key_of(e.key.keysym.sym), mods_of(e.key.keysym.mod),
                                   e.type == SDL_KEYDOWN, e.key.repeat != 0, s->sched.tick_count));
        break;
    case SDL_TEXTINPUT:
        // '?' wherever the keyboard layout puts it.
        if (std::strcmp(e.text.text, "?") == 0)
            act(w, host_keyboard_event(&s->keys, &s->pointer, HOST_KEY_QUESTION, 0, true, false,
                                       s->sched.tick_count));
        break;
    default:
        break;
    }
}

// ---- The live link -------------------------------------------------------------------------------

int64_t clock_ms(const SimWindow* w) {
    return (tick_clock_ns() - w->start_ns) / NS_PER_MS;
}

// The title with the link's state; its state on standard error when that changes.
void show_live_status(SimWindow* w) {
    char status[256], line[256], title[512];
    live_status(device_settings.demo_mode, status, sizeof status, line, sizeof line);
    // ASCII: the program runs in the C locale, where SDL cannot hand X11 a UTF-8 title.
    std::snprintf(title, sizeof title, "%s - live: %s", WINDOW_TITLE, status);
    if (std::strcmp(title, w->live_title) != 0) {
        std::memcpy(w->live_title, title, sizeof title);
        if (w->window) SDL_SetWindowTitle(w->window, title);
    }
    if (std::strcmp(line, w->live_line) != 0) {
        std::memcpy(w->live_line, line, sizeof line);
        std::fprintf(stderr, "zt30-sim: live: %s\n", line);
    }
}

// Takes in what came over the link: new values reach the instrument before the ticks that are due, so
// the next rendered frame shows them, and the window leaves its still pace at once to show it.
void take_live(SimWindow* w) {
    if (!live_is_open()) return;
    const uint32_t changed = live_poll(clock_ms(w));
    if (w->live_slot >= 0) sim_wake_forget(&w->wake, w->live_slot);
    if (changed & LIVE_VALUES_CHANGED) {
        flight_state = live_values();
        host_recorder_flight(&w->session.recorder);
        live_note_applied(host_frames_rendered);
        w->changed_tick = w->session.sched.tick_count;
    }
    // The title names a demo mode that hides the values.
    if ((changed & LIVE_STATUS_CHANGED) || device_settings.demo_mode != w->live_demo_mode) {
        w->live_demo_mode = device_settings.demo_mode;
        show_live_status(w);
    }
}

// ---- The loop ------------------------------------------------------------------------------------

// Runs the ticks that are due. Input that arrived meanwhile is taken in after them, so that it meets
// the instrument as it would have with every tick on time, even after a batch.
void run_due_ticks(SimWindow* w) {
    HostSession* s = &w->session;
    int64_t now = tick_clock_ns() - w->start_ns;
    int64_t due = static_cast<int64_t>(host_sched_next_due(&s->sched)) * NS_PER_MS;
    int64_t late = now - due - static_cast<int64_t>(w->excused_ticks) * 10 * NS_PER_MS;
    if (late > w->max_late_ns) w->max_late_ns = late;
    host_session_run(s, static_cast<uint64_t>(now / NS_PER_MS), MAX_TICK_BACKLOG + w->excused_ticks);
    w->excused_ticks = 0;
}

// Takes in the window's events. On X11 the display connection is read only when there is something to
// read, or SDL has work that waits on the clock (see BUSY_READ_NS): reading an empty connection costs a
// handful of system calls, a hundred times a second. Elsewhere SDL reads on every loop.
void take_events(SimWindow* w) {
    const int64_t now = tick_clock_ns();
    bool read = w->x11_fd < 0 || now < w->busy_until_ns || now >= w->next_read_ns ||
                sim_wake_ready(&w->wake, w->x11_slot) || x11_events_queued();
    if (read) {
        SDL_PumpEvents();
        ++w->reads;
        w->next_read_ns = now + IDLE_READ_NS;
        sim_wake_forget(&w->wake, w->x11_slot);
    }
    SDL_Event e;
    while (SDL_PeepEvents(&e, 1, SDL_GETEVENT, SDL_FIRSTEVENT, SDL_LASTEVENT) > 0) {
        handle_event(w, e);
        w->busy_until_ns = now + BUSY_READ_NS;
    }
    if (sim_wake_ready(&w->wake, w->signal_slot)) {
        sim_signals_drain();
        sim_wake_forget(&w->wake, w->signal_slot);
    }
}

// The tick time at which the window next wakes (see STILL_TICKS). The ticks of a batch may run that much
// later than due without counting as a stall.
int64_t batch_end_ms(SimWindow* w) {
    const HostSession& s = w->session;
    const int64_t due = static_cast<int64_t>(host_sched_next_due(&s.sched));
    int64_t end = due;
    if (!window_seen(w))
        end = due + HIDDEN_BATCH_MS;
    else if (tick_clock_ns() < w->busy_until_ns || s.pointer.count > 0 || live_unshown())
        end = due;
    else if (s.sched.tick_count >= w->changed_tick + STILL_TICKS && host_bezel_pressed() == 0)
        end = static_cast<int64_t>(s.sched.next_tenth_ms + TICK_PERIOD_MS);
    else if (w->refresh_ticks > 1) {
        const int64_t step = w->refresh_ticks * static_cast<int64_t>(TICK_PERIOD_MS);
        end = (due + step - 1) / step * step;
    }
    w->excused_ticks = static_cast<int>((end - due) / static_cast<int64_t>(TICK_PERIOD_MS)) + 1;
    return end;
}

// Sleeps until the next batch of ticks is due (see batch_end_ms), or until an event arrives.
//
// On X11 the wait is a poll of the display connection and the signal pipe (sim/wake.h) with a timeout
// to the nanosecond. SDL's own event wait is avoided there: it wakes itself by sending an event to the
// window from a second connection, and when the window has just been closed that event can reach the
// server after the window is gone, and Xlib ends the process over the error. Elsewhere SDL's wait is
// used; it counts whole milliseconds, so it is asked for the whole milliseconds left and the rest is
// slept precisely, and ticks are never late by the rounding.
void wait_for_work(SimWindow* w) {
    if (w->x11_fd < 0) SDL_PumpEvents();
    // Events read while presenting wait in SDL's queue or Xlib's, not on the connection.
    if (SDL_HasEvents(SDL_FIRSTEVENT, SDL_LASTEVENT) || x11_events_queued()) return;
    int64_t due_ms = batch_end_ms(w);
    // The link wakes the loop when a datagram comes, and when it has something to do by itself. While
    // the window cannot be seen, datagrams wait in the socket for the next batch. SDL's own wait (no
    // X11) cannot watch the socket; the next tick then reads it, at most 10 ms later.
    const bool live = live_is_open() && window_seen(w);
    if (w->live_slot >= 0) w->wake.fds[w->live_slot].fd = live ? live_fd() : -1; // poll skips -1
    if (live) {
        due_ms = std::min(due_ms, live_next_due_ms());
        if (w->x11_fd < 0)
            due_ms = std::min(due_ms, static_cast<int64_t>(host_sched_next_due(&w->session.sched)));
    }
    int64_t due = w->start_ns + due_ms * NS_PER_MS;
    int64_t left = due - tick_clock_ns();
    if (left <= 0 || sim_signals_caught() != 0) return;
    live_note_sleep(due_ms > static_cast<int64_t>(host_sched_next_due(&w->session.sched)));
    if (w->x11_fd >= 0) {
        sim_wake_wait(&w->wake, left);
        return;
    }
    if (left >= NS_PER_MS) {
        // An event that arrives is left in the queue for the loop, to be taken in after the ticks.
        SDL_WaitEventTimeout(nullptr, static_cast<int>(left / NS_PER_MS));
        return;
    }
    sleep_until_ns(due);
}

// Milliseconds from the process start (to the kernel's 10 ms) to a time on the tick clock, which counts
// from boot like the start time the kernel keeps for the process.
double ms_since_process_start(int64_t at_ns) {
    FILE* f = std::fopen("/proc/self/stat", "r");
    if (!f) return -1;
    char buf[1024];
    size_t n = std::fread(buf, 1, sizeof buf - 1, f);
    std::fclose(f);
    buf[n] = 0;
    const char* p = std::strrchr(buf, ')');
    if (!p) return -1;
    // Field 22 is the start time in clock ticks since boot; the fields after the name start at field 3.
    unsigned long long start_ticks = 0;
    for (int field = 3; field <= 22 && p; ++field) {
        p = std::strchr(p + 1, ' ');
        if (p && field == 22) start_ticks = std::strtoull(p + 1, nullptr, 10);
    }
    return at_ns / 1e6 - start_ticks * 1e3 / static_cast<double>(sysconf(_SC_CLK_TCK));
}

void print_tick_stats(const SimWindow* w) {
    const HostScheduler& s = w->session.sched;
    double elapsed = (tick_clock_ns() - w->start_ns) / 1e9;
    std::fprintf(stderr,
                 "zt30-sim: %.3f s: %" PRIu64 " ticks of 10 ms (%" PRIu64 " skipped), %" PRIu64
                 " of 100 ms, %" PRIu64 " of 1 s; latest tick %.2f ms late; first frame shown %.0f ms after "
                 "process start; %" PRIu64 " sleeps, %" PRIu64 " reads of the display connection, %" PRIu64
                 " frames pictured, %" PRIu64 " screen updates, %" PRIu64 " pixels sent\n",
                 elapsed, s.tick_count, s.ticks_skipped, s.tenth_count, s.second_count, w->max_late_ns / 1e6,
                 ms_since_process_start(w->first_present_ns), w->wake.waits, w->reads, w->frames_pictured,
                 w->presents, w->pixels_drawn);
}

// The display the window would go to, for the message when it cannot be opened.
void say_no_display() {
    const char* x11 = std::getenv("DISPLAY");
    const char* wayland = std::getenv("WAYLAND_DISPLAY");
    char x11_shown[SIM_SHOWN_SIZE], wayland_shown[SIM_SHOWN_SIZE];
    host_sim_shown(x11 ? x11 : "", x11_shown, sizeof x11_shown);
    host_sim_shown(wayland ? wayland : "", wayland_shown, sizeof wayland_shown);
    if (x11 && *x11 && wayland && *wayland)
        std::fprintf(stderr,
                     "zt30-sim: cannot open a window: cannot reach the X display '%s' nor the Wayland "
                     "display '%s'\n",
                     x11_shown, wayland_shown);
    else if (x11 && *x11)
        std::fprintf(stderr, "zt30-sim: cannot open a window: cannot reach the X display '%s'\n", x11_shown);
    else if (wayland && *wayland)
        std::fprintf(stderr, "zt30-sim: cannot open a window: cannot reach the Wayland display '%s'\n",
                     wayland_shown);
    else
        std::fprintf(stderr, "zt30-sim: cannot open a window: no display (DISPLAY is not set)\n");
}

bool open_display() {
    // A click on the window when it is not focused still presses the button under the pointer.
    SDL_SetHint(SDL_HINT_MOUSE_FOCUS_CLICKTHROUGH, "1");
    // The window surface goes to the screen as a plain shared-memory image on X11; the default, an
    // OpenGL texture, would redraw the whole window for every display update (and in software where
    // there is no GPU). Platforms without a plain surface still fall back to a texture.
    SDL_SetHint(SDL_HINT_FRAMEBUFFER_ACCELERATION, "0");
    // The window ends on signals of its own (sim/wake.h), with the recording completed.
    SDL_SetHint(SDL_HINT_NO_SIGNAL_HANDLERS, "1");
    // Without an absolute XDG_RUNTIME_DIR no Wayland display can be reached, and trying prints a stray line
    // from the Wayland library: only X11 is tried then, unless the user chose a driver.
    const char* runtime = std::getenv("XDG_RUNTIME_DIR");
    const char* wayland = std::getenv("WAYLAND_DISPLAY");
    const char* asked = std::getenv("SDL_VIDEODRIVER");
    if (!(asked && *asked) && !(runtime && runtime[0] == '/') && !(wayland && wayland[0] == '/'))
        SDL_SetHint(SDL_HINT_VIDEODRIVER, "x11");
    if (SDL_Init(SDL_INIT_VIDEO) != 0) {
        say_no_display();
        return false;
    }
    // Without a display SDL falls back to drawing off screen, where nobody would see the window.
    const char* driver = SDL_GetCurrentVideoDriver();
    if (driver && (std::strcmp(driver, "offscreen") == 0 || std::strcmp(driver, "dummy") == 0) &&
        !(asked && std::strcmp(asked, driver) == 0)) {
        say_no_display();
        SDL_Quit();
        return false;
    }
    return true;
}

// Settles the recording and prints the window's last line: how it ended and what became of the
// recording. Returns the exit status, also kept in sim_exit_code. Touches neither SDL nor X, so that it
// may run from the lost connection's handler.
int sim_end(SimWindow* w, SimEnd how, int sig) {
    const bool recording = record.open;
    char note[2 * PATH_MAX];
    bool complete = !recording || sim_record_close(&record, &w->session.recorder, note, sizeof note);
    const char* inexact = recording && complete && w->session.recorder.inexact
                              ? " (inexact: the window dropped ticks after a stall)"
                              : "";
    const char* why = "";
    char signal_why[64];
    switch (how) {
    case SIM_END_CLOSED:
        why = "the window was closed";
        sim_exit_code = complete ? 0 : 1;
        break;
    case SIM_END_DESTROYED:
        why = "the window was destroyed by another program";
        sim_exit_code = complete ? 0 : 1;
        break;
    case SIM_END_SIGNAL:
        std::snprintf(signal_why, sizeof signal_why, "ended by %s", sim_signal_name(sig));
        why = signal_why;
        sim_exit_code = 128 + sig;
        break;
    case SIM_END_X_LOST:
        why = "the X connection was lost";
        sim_exit_code = 1;
        break;
    }
    if (how == SIM_END_CLOSED && recording && complete) {
        if (!record.to_stdout)
            std::fprintf(stderr, "zt30-sim: session recorded in %s; replay it with: zt30-headless %s%s\n",
                         record.shown, record.shown, inexact);
    } else if (recording) {
        std::fprintf(stderr, "zt30-sim: %s; %s%s\n", why, note, inexact);
    } else if (how != SIM_END_CLOSED) {
        std::fprintf(stderr, "zt30-sim: %s\n", why);
    }
    const char* stats = std::getenv("ZT30_TICK_STATS");
    if (stats && std::strcmp(stats, "1") == 0) {
        print_tick_stats(w);
        live_print_stats(stderr);
    }
    sim_ended = true;
    return sim_exit_code;
}

} // namespace

int host_sdl_run(const SimOptions& options) {
    SimWindow* w = &sim;
    *w = SimWindow{};
    record = SimRecordFile{};
    record.file.fd = -1;
    if (!sim_signals_install(&record)) {
        std::fprintf(stderr, "zt30-sim: cannot set up the signals: %s\n", std::strerror(errno));
        return 1;
    }
    // The record file first: a name that cannot be written costs nothing but its message.
    HostSession* s = &w->session;
    if (options.record_path) {
        const char* why = sim_record_open(&record, options.record_path, &s->recorder);
        if (why) {
            std::fprintf(stderr, "zt30-sim: %s\n", why);
            return 1;
        }
    }
    // The link next, for the same reason; its clock starts a moment before the window's.
    if (options.live) {
        char why[512];
        if (!live_open(options.live_source, 0, stderr, why, sizeof why)) {
            std::fprintf(stderr, "zt30-sim: --live: %s\n", why);
            sim_record_abandon(&record);
            return 1;
        }
    }
    // The artwork is drawn before the window exists, so that the ticks start on time.
    host_bezel_icon(icon_pixels, ICON_SIZE);
    if (!open_display()) {
        sim_record_abandon(&record);
        live_close();
        return 1;
    }
    w->scale = options.scale < 1 ? 1 : options.scale > HOST_SCALE_MAX ? HOST_SCALE_MAX : options.scale;
    if (options.live) { // the title to create the window with
        w->live_demo_mode = device_settings.demo_mode;
        show_live_status(w);
    }
    w->window = SDL_CreateWindow(options.live ? w->live_title : WINDOW_TITLE, SDL_WINDOWPOS_UNDEFINED,
                                 SDL_WINDOWPOS_UNDEFINED, BEZEL_WIDTH * w->scale, BEZEL_HEIGHT * w->scale,
                                 SDL_WINDOW_HIDDEN);
    if (!w->window) {
        std::fprintf(stderr, "zt30-sim: cannot open a window: %s\n", SDL_GetError());
        sim_record_abandon(&record);
        live_close();
        SDL_Quit();
        return 1;
    }
    int fitting = fitting_scale(w, w->scale);
    if (fitting != w->scale) {
        std::fprintf(stderr, "zt30-sim: --scale %d does not fit the screen; using %d\n", w->scale, fitting);
        w->scale = fitting;
        SDL_SetWindowSize(w->window, BEZEL_WIDTH * fitting, BEZEL_HEIGHT * fitting);
    }
    w->fit = host_view_fit(BEZEL_WIDTH * w->scale, BEZEL_HEIGHT * w->scale, HOST_SCALE_MAX);
    // Window creation is time zero: each tick first falls due one period later.
    w->start_ns = tick_clock_ns();
    host_session_begin(s);
    if (record.open) {
        host_recorder_start(&s->recorder, &s->sched);
        std::fprintf(stderr, "zt30-sim: recording the session %s %s\n", record.to_stdout ? "on" : "in",
                     record.to_stdout ? "standard output" : record.shown);
    }

    SDL_Surface* icon = SDL_CreateRGBSurfaceWithFormatFrom(icon_pixels, ICON_SIZE, ICON_SIZE, 32,
                                                           ICON_SIZE * 4, SDL_PIXELFORMAT_ARGB8888);
    if (icon) {
        SDL_SetWindowIcon(w->window, icon);
        SDL_FreeSurface(icon);
    }
    x11_watch(w);
    w->refresh_ticks = refresh_ticks(w);
    // What the wait watches besides the clock: the display connection, the signals, the --live socket.
    sim_wake_reset(&w->wake);
    w->x11_slot = sim_wake_watch(&w->wake, w->x11_fd);
    w->signal_slot = sim_wake_watch(&w->wake, sim_signals_fd());
    w->live_slot = live_is_open() ? sim_wake_watch(&w->wake, live_fd()) : -1;
    sim_signals_run();
    SDL_ShowWindow(w->window);
    w->need_full = true;
    present(w);

    SimEnd how = SIM_END_CLOSED;
    for (;;) {
        take_live(w);
        run_due_ticks(w);
        take_events(w);
        if (sim_signals_stats_asked()) {
            print_tick_stats(w);
            live_print_stats(stderr);
        }
        if (w->quit) break;
        if (window_gone()) {
            how = SIM_END_DESTROYED;
            break;
        }
        if (sim_signals_caught() != 0) {
            how = SIM_END_SIGNAL;
            break;
        }
        present(w);
        live_note_presented(w->pictured_frames);
        wait_for_work(w);
    }

    int code = sim_end(w, how, sim_signals_caught());
    live_close();
    SDL_DestroyWindow(w->window);
    x11_settle();
    SDL_Quit();
    return code;
}
