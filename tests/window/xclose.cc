// Asks a window to close the way a window manager's close button does: a WM_DELETE_WINDOW message.
// The window test runs on a bare X server without a window manager, where nothing else would send it.
#include <X11/Xlib.h>

#include <cstdio>
#include <cstdlib>

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: zt30-xclose WINDOW-ID\n");
        return 2;
    }
    char* end = nullptr;
    unsigned long id = std::strtoul(argv[1], &end, 0);
    if (!end || *end || id == 0) {
        std::fprintf(stderr, "zt30-xclose: not a window id: %s\n", argv[1]);
        return 2;
    }
    Display* display = XOpenDisplay(nullptr);
    if (!display) {
        std::fprintf(stderr, "zt30-xclose: cannot open the display\n");
        return 1;
    }
    XEvent e{};
    e.xclient.type = ClientMessage;
    e.xclient.window = static_cast<Window>(id);
    e.xclient.message_type = XInternAtom(display, "WM_PROTOCOLS", False);
    e.xclient.format = 32;
    e.xclient.data.l[0] = static_cast<long>(XInternAtom(display, "WM_DELETE_WINDOW", False));
    e.xclient.data.l[1] = CurrentTime;
    XSendEvent(display, static_cast<Window>(id), False, NoEventMask, &e);
    XSync(display, False);
    XCloseDisplay(display);
    return 0;
}
