// Sends a window the close request a window manager sends when the user closes it
// (WM_PROTOCOLS / WM_DELETE_WINDOW): the end-to-end tests run without a window manager.
#include <X11/Xlib.h>

#include <cstdio>
#include <cstdlib>

int main(int argc, char **argv)
{
    if (argc != 2) {
        std::fputs("usage: close_request WINDOW-ID\n", stderr);
        return 2;
    }
    char *end = nullptr;
    const unsigned long window = std::strtoul(argv[1], &end, 0);
    if (*argv[1] == '\0' || *end != '\0' || window == 0) {
        std::fprintf(stderr, "close_request: not a window id: %s\n", argv[1]);
        return 2;
    }
    Display *display = XOpenDisplay(nullptr);
    if (!display) {
        std::fputs("close_request: cannot open the display\n", stderr);
        return 1;
    }
    XEvent event{};
    event.xclient.type = ClientMessage;
    event.xclient.window = window;
    event.xclient.message_type = XInternAtom(display, "WM_PROTOCOLS", False);
    event.xclient.format = 32;
    event.xclient.data.l[0] = long(XInternAtom(display, "WM_DELETE_WINDOW", False));
    event.xclient.data.l[1] = CurrentTime;
    const Status sent = XSendEvent(display, window, False, NoEventMask, &event);
    XSync(display, False);
    XCloseDisplay(display);
    return sent ? 0 : 1;
}
