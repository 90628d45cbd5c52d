/*
 * Keeps the ICCCM WM_STATE property of every top-level window on the display named by DISPLAY:
 * NormalState once the window is mapped, WithdrawnState once it is unmapped. That is all it does
 * of a window manager's work: no placement, no frames, no focus.
 *
 * Xvfb runs no window manager, so no one sets WM_STATE, and Wine's X11 driver waits up to two
 * seconds for the state to change each time a window it has shown is hidden or destroyed, and
 * again when a hidden one is shown. The test scripts run this beside the display so that those
 * waits end as they do on a desktop, at once. Where a window manager runs, it keeps the states
 * itself, and this ends at once.
 */
#include <X11/Xlib.h>

#include <stdio.h>

enum { kWithdrawnState = 0, kNormalState = 1 };

static int g_refused = 0;

/* A window may be destroyed before its state is written; that is no error here. A refused
 * request for the root's structure means a window manager holds it. */
static int NoteError(Display* display, XErrorEvent* error) {
    (void)display;
    if (error->error_code == BadAccess) g_refused = 1;
    return 0;
}

/* Whether a window manager runs: only one client may ask to redirect the root's children. The
 * request is dropped again at once; a window mapped meanwhile is mapped by the main loop. */
static int WindowManagerRuns(Display* display, Window root) {
    XSelectInput(display, root, SubstructureRedirectMask);
    XSync(display, False);
    return g_refused;
}

static void SetState(Display* display, Atom wmState, Window window, long state) {
    long data[2] = {state, None};
    XChangeProperty(display, window, wmState, wmState, 32, PropModeReplace, (unsigned char*)data,
                    2);
    XFlush(display);
}

int main(void) {
    Display* display = XOpenDisplay(NULL);
    if (display == NULL) {
        fprintf(stderr, "window-states: cannot open the display\n");
        return 1;
    }
    XSetErrorHandler(NoteError);
    const Window root = DefaultRootWindow(display);
    if (WindowManagerRuns(display, root)) return 0;
    const Atom wmState = XInternAtom(display, "WM_STATE", False);
    XSelectInput(display, root, SubstructureNotifyMask);
    XFlush(display);
    for (;;) {
        XEvent event;
        XNextEvent(display, &event);
        if (event.type == MapRequest) {
            XMapWindow(display, event.xmaprequest.window);
            XFlush(display);
        } else if (event.type == MapNotify && !event.xmap.override_redirect &&
                   event.xmap.event == root) {
            SetState(display, wmState, event.xmap.window, kNormalState);
        } else if (event.type == UnmapNotify) {
            SetState(display, wmState, event.xunmap.window, kWithdrawnState);
        }
    }
}
