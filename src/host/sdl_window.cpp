#include "host/sdl_window.h"

#include <SDL.h>
#include <SDL_syswm.h>
#include <poll.h>

#include <cerrno>
#include <cinttypes>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <unistd.h>

#include "host/bezel.h"
#include "host/host.h"
#include "host/pointer.h"
#include "host/scheduler.h"

namespace {

constexpr char WINDOW_TITLE[] = "Tessaro ZT-30 PC Simulator";
constexpr int ICON_SIZE = 64;
// 10 ms ticks allowed to run late after a stall; older ones are dropped so the display never races.
// The 100 ms and 1 s ticks are never dropped.
constexpr int MAX_TICK_BACKLOG = 8;
constexpr int64_t NS_PER_MS = 1000000;

uint32_t window_picture[BEZEL_WIDTH * BEZEL_HEIGHT];
uint32_t icon_pixels[ICON_SIZE * ICON_SIZE];

struct SimWindow {
    SDL_Window* window;
    SDL_Surface* picture; // wraps window_picture
    int64_t start_ns;     // window creation: time zero of the ticks
    HostScheduler sched;
    HostPointerQueue pointer;
    uint32_t shown_pressed; // pressed controls in the picture on the screen
    uint64_t shown_frames;  // host_frames_rendered when last presented
    bool need_full;         // the whole picture must go to the screen (first time, exposed)
    bool quit;
    int64_t first_present_ns; // for the tick statistics
    int64_t max_late_ns;
    int x11_fd; // the display connection to wait on, -1 when not on X11
};

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

// Copies the changed part of the picture to the window: everything after a button changed its look
// or the window was exposed, otherwise only the display. Nothing when nothing changed.
void present(SimWindow* w) {
    uint32_t pressed = host_bezel_pressed();
    bool new_frame = host_frames_rendered != w->shown_frames;
    if (!w->need_full && pressed == w->shown_pressed && !new_frame) return;
    SDL_Surface* screen = SDL_GetWindowSurface(w->window);
    if (!screen) return;
    bool same_size = screen->w == BEZEL_WIDTH && screen->h == BEZEL_HEIGHT;
    SDL_Rect rect{0, 0, BEZEL_WIDTH, BEZEL_HEIGHT};
    if (w->need_full || pressed != w->shown_pressed || !same_size) {
        host_bezel_compose(window_picture);
    } else {
        host_bezel_put_frame(window_picture);
        rect = SDL_Rect{FRAME_ORIGIN_X, FRAME_ORIGIN_Y, FRAME_WIDTH, FRAME_HEIGHT};
    }
    if (same_size) {
        SDL_Rect dst = rect;
        SDL_BlitSurface(w->picture, &rect, screen, &dst);
        SDL_UpdateWindowSurfaceRects(w->window, &rect, 1);
    } else {
        // A window manager that forced another size gets the picture scaled to fit.
        SDL_BlitScaled(w->picture, nullptr, screen, nullptr);
        SDL_UpdateWindowSurface(w->window);
    }
    w->shown_pressed = pressed;
    w->shown_frames = host_frames_rendered;
    w->need_full = false;
    if (w->first_present_ns == 0) w->first_present_ns = tick_clock_ns();
}

// Window coordinates to the bezel picture's own, in case the window is not shown at 450 x 550.
void to_picture(SimWindow* w, int* x, int* y) {
    int ww = 0, wh = 0;
    SDL_GetWindowSize(w->window, &ww, &wh);
    if (ww > 0 && wh > 0 && (ww != BEZEL_WIDTH || wh != BEZEL_HEIGHT)) {
        *x = static_cast<int>(static_cast<int64_t>(*x) * BEZEL_WIDTH / ww);
        *y = static_cast<int>(static_cast<int64_t>(*y) * BEZEL_HEIGHT / wh);
    }
}

void handle_event(SimWindow* w, const SDL_Event& e) {
    switch (e.type) {
    case SDL_QUIT:
        w->quit = true;
        break;
    case SDL_WINDOWEVENT:
        if (e.window.event == SDL_WINDOWEVENT_CLOSE) w->quit = true;
        if (e.window.event == SDL_WINDOWEVENT_EXPOSED || e.window.event == SDL_WINDOWEVENT_SIZE_CHANGED ||
            e.window.event == SDL_WINDOWEVENT_RESTORED)
            w->need_full = true;
        break;
    case SDL_MOUSEBUTTONDOWN:
    case SDL_MOUSEBUTTONUP:
        if (e.button.button == SDL_BUTTON_LEFT) {
            int x = e.button.x, y = e.button.y;
            to_picture(w, &x, &y);
            host_pointer_push(&w->pointer, e.type == SDL_MOUSEBUTTONDOWN, x, y, w->sched.tick_count);
        }
        break;
    default:
        break;
    }
}

// Runs the ticks that are due, then presents what they rendered.
void run_due_ticks(SimWindow* w) {
    int64_t now = tick_clock_ns() - w->start_ns;
    int64_t due = static_cast<int64_t>(host_sched_next_due(&w->sched)) * NS_PER_MS;
    if (now >= due && now - due > w->max_late_ns) w->max_late_ns = now - due;
    host_sched_run(&w->sched, static_cast<uint64_t>(now / NS_PER_MS), MAX_TICK_BACKLOG);
    host_pointer_flush(&w->pointer, w->sched.tick_count);
    present(w);
}

// Sleeps until the next tick is due or an event arrives.
//
// On X11 the wait is a poll of the display connection with a timeout to the nanosecond. SDL's own
// event wait is avoided there: it wakes itself by sending an event to the window from a second
// connection, and when the window has just been closed that event can reach the server after the
// window is gone, and Xlib ends the process over the error. Elsewhere SDL's wait is used; it counts
// whole milliseconds, so it is asked for the whole milliseconds left and the rest is slept precisely,
// and ticks are never late by the rounding.
void wait_for_work(SimWindow* w) {
    // Events read from the connection while presenting wait in SDL's queue, not on the connection.
    SDL_PumpEvents();
    if (SDL_HasEvents(SDL_FIRSTEVENT, SDL_LASTEVENT)) return;
    int64_t due = w->start_ns + static_cast<int64_t>(host_sched_next_due(&w->sched)) * NS_PER_MS;
    int64_t left = due - tick_clock_ns();
    if (left <= 0) return;
    if (w->x11_fd >= 0) {
        pollfd pfd{w->x11_fd, POLLIN, 0};
        timespec timeout{static_cast<time_t>(left / 1000000000), static_cast<long>(left % 1000000000)};
        ppoll(&pfd, 1, &timeout, nullptr);
        return;
    }
    if (left >= NS_PER_MS) {
        SDL_Event e;
        if (SDL_WaitEventTimeout(&e, static_cast<int>(left / NS_PER_MS))) handle_event(w, e);
        return;
    }
    sleep_until_ns(due);
}

// The X11 display connection's descriptor, or -1 on another platform.
int x11_connection(SDL_Window* window) {
#if defined(SDL_VIDEO_DRIVER_X11)
    SDL_SysWMinfo info;
    SDL_VERSION(&info.version);
    if (SDL_GetWindowWMInfo(window, &info) && info.subsystem == SDL_SYSWM_X11)
        return ConnectionNumber(info.info.x11.display);
#else
    (void)window;
#endif
    return -1;
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
    double elapsed = (tick_clock_ns() - w->start_ns) / 1e9;
    std::fprintf(stderr,
                 "zt30-sim: %.3f s: %" PRIu64 " ticks of 10 ms (%" PRIu64 " skipped), %" PRIu64
                 " of 100 ms, %" PRIu64 " of 1 s; latest tick %.2f ms late; first frame shown %.0f ms after "
                 "process start\n",
                 elapsed, w->sched.tick_count, w->sched.ticks_skipped, w->sched.tenth_count,
                 w->sched.second_count, w->max_late_ns / 1e6, ms_since_process_start(w->first_present_ns));
}

SimWindow sim;

} // namespace

int host_sdl_run() {
    // The artwork is drawn before the window exists, so that the ticks start on time.
    host_bezel_icon(icon_pixels, ICON_SIZE);
    // A click on the window when it is not focused still presses the button under the pointer.
    SDL_SetHint(SDL_HINT_MOUSE_FOCUS_CLICKTHROUGH, "1");
    // The window surface goes to the screen as a plain shared-memory image on X11; the default, an
    // OpenGL texture, would redraw the whole window for every display update (and in software where
    // there is no GPU). Platforms without a plain surface still fall back to a texture.
    SDL_SetHint(SDL_HINT_FRAMEBUFFER_ACCELERATION, "0");
    if (SDL_Init(SDL_INIT_VIDEO) != 0) {
        std::fprintf(stderr, "zt30-sim: cannot open a window: %s\n", SDL_GetError());
        return 1;
    }
    // Without a display SDL falls back to drawing off screen, where nobody would see the window.
    const char* driver = SDL_GetCurrentVideoDriver();
    const char* asked = std::getenv("SDL_VIDEODRIVER");
    if (driver && (std::strcmp(driver, "offscreen") == 0 || std::strcmp(driver, "dummy") == 0) &&
        !(asked && std::strcmp(asked, driver) == 0)) {
        std::fprintf(stderr, "zt30-sim: cannot open a window: no display (is DISPLAY set?)\n");
        SDL_Quit();
        return 1;
    }
    SimWindow* w = &sim;
    *w = SimWindow{};
    w->window = SDL_CreateWindow(WINDOW_TITLE, SDL_WINDOWPOS_UNDEFINED, SDL_WINDOWPOS_UNDEFINED, BEZEL_WIDTH,
                                 BEZEL_HEIGHT, SDL_WINDOW_HIDDEN);
    if (!w->window) {
        std::fprintf(stderr, "zt30-sim: cannot open a window: %s\n", SDL_GetError());
        SDL_Quit();
        return 1;
    }
    // Window creation is time zero: each tick first falls due one period later.
    w->start_ns = tick_clock_ns();
    host_sched_reset(&w->sched);
    host_pointer_reset(&w->pointer);
    host_reset_all();
    host_start();

    SDL_Surface* icon = SDL_CreateRGBSurfaceWithFormatFrom(icon_pixels, ICON_SIZE, ICON_SIZE, 32,
                                                           ICON_SIZE * 4, SDL_PIXELFORMAT_ARGB8888);
    if (icon) {
        SDL_SetWindowIcon(w->window, icon);
        SDL_FreeSurface(icon);
    }
    w->picture = SDL_CreateRGBSurfaceWithFormatFrom(window_picture, BEZEL_WIDTH, BEZEL_HEIGHT, 32,
                                                    BEZEL_WIDTH * 4, SDL_PIXELFORMAT_ARGB8888);
    if (!w->picture) {
        std::fprintf(stderr, "zt30-sim: cannot open a window: %s\n", SDL_GetError());
        SDL_DestroyWindow(w->window);
        SDL_Quit();
        return 1;
    }
    SDL_SetSurfaceBlendMode(w->picture, SDL_BLENDMODE_NONE);
    w->x11_fd = x11_connection(w->window);
    SDL_ShowWindow(w->window);
    w->need_full = true;
    present(w);

    while (!w->quit) {
        SDL_Event e;
        while (SDL_PollEvent(&e)) handle_event(w, e);
        if (w->quit) break;
        run_due_ticks(w);
        wait_for_work(w);
    }

    const char* stats = std::getenv("ZT30_TICK_STATS");
    if (stats && std::strcmp(stats, "1") == 0) print_tick_stats(w);
    SDL_FreeSurface(w->picture);
    SDL_DestroyWindow(w->window);
    SDL_Quit();
    return 0;
}
