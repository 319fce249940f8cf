// Asks a window to close the way a window manager's close button does: a WM_DELETE_WINDOW message.
// The window test runs on a bare X server without a window manager, where nothing else would send it.
// With --destroy it destroys the window outright instead, as a misbehaving program might.
#include <X11/Xlib.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>

int main(int argc, char** argv) {
    bool destroy = argc == 3 && std::strcmp(argv[1], "--destroy") == 0;
    if (argc != 2 && !destroy) {
        std::fprintf(stderr, "usage: zt30-xclose [--destroy] WINDOW-ID\n");
        return 2;
    }
    const char* arg = argv[argc - 1];
    char* end = nullptr;
    unsigned long id = std::strtoul(arg, &end, 0);
    if (!end || *end || id == 0) {
        std::fprintf(stderr, "zt30-xclose: not a window id: %s\n", arg);
        return 2;
    }
    Display* display = XOpenDisplay(nullptr);
    if (!display) {
        std::fprintf(stderr, "zt30-xclose: cannot open the display\n");
        return 1;
    }
    if (destroy) {
        XDestroyWindow(display, static_cast<Window>(id));
    } else {
        XEvent e{};
        e.xclient.type = ClientMessage;
        e.xclient.window = static_cast<Window>(id);
        e.xclient.message_type = XInternAtom(display, "WM_PROTOCOLS", False);
        e.xclient.format = 32;
        e.xclient.data.l[0] = static_cast<long>(XInternAtom(display, "WM_DELETE_WINDOW", False));
        e.xclient.data.l[1] = CurrentTime;
        XSendEvent(display, static_cast<Window>(id), False, NoEventMask, &e);
    }
    XSync(display, False);
    XCloseDisplay(display);
    return 0;
}
