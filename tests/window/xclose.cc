// Asks a window to close the way a window manager's close button does: a WM_DELETE_WINDOW message.
// The window test runs on a bare X server without a window manager, where nothing else would send it.
// With --destroy it destroys the window outright instead, as a misbehaving program might.
#include <X11/Xlib.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>

int main(int argc, char** argv) {
    bool destroy = argc == 3 && std::strcmp(argv[1], "--destroy") == 0;
    Window id = argc == 2 || destroy ? std::strtoul(argv[argc - 1], nullptr, 0) : 0;
    Display* display = id ? XOpenDisplay(nullptr) : nullptr;
    if (!display) {
        std::fprintf(stderr, "usage: zt30-xclose [--destroy] WINDOW-ID, with DISPLAY set\n");
        return 2;
    }
    if (destroy) {
        XDestroyWindow(display, id);
    } else {
        XEvent e{};
        e.xclient.type = ClientMessage;
        e.xclient.window = id;
        e.xclient.message_type = XInternAtom(display, "WM_PROTOCOLS", False);
        e.xclient.format = 32;
        e.xclient.data.l[0] = static_cast<long>(XInternAtom(display, "WM_DELETE_WINDOW", False));
        e.xclient.data.l[1] = CurrentTime;
        XSendEvent(display, id, False, NoEventMask, &e);
    }
    XSync(display, False);
    XCloseDisplay(display);
    return 0;
}
