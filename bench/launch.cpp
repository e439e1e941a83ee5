// Starts a program and reports how long it took until its window became viewable, as seen by
// the X server. Events, not polling, so the figure is not rounded up to a poll interval and the
// watcher takes no CPU from the program it times.
//
//   bench_launch [--title T] [--timeout MS] [--log FILE] -- PROGRAM [ARGS...]
//     prints "<ms> <pid> <width>x<height>" and exits, leaving the program running.
//   bench_launch --wait-wm [--timeout MS]
//     returns once a window manager has announced itself on the root window.
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <string>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>
#include <xcb/xcb.h>

namespace
{

double nowMs()
{
    timespec ts{};
    clock_gettime(CLOCK_MONOTONIC, &ts);
    return ts.tv_sec * 1000.0 + ts.tv_nsec / 1e6;
}

xcb_atom_t atom(xcb_connection_t *c, const char *name)
{
    xcb_intern_atom_reply_t *r =
        xcb_intern_atom_reply(c, xcb_intern_atom(c, 0, uint16_t(strlen(name)), name), nullptr);
    const xcb_atom_t a = r ? r->atom : xcb_atom_t(XCB_ATOM_NONE);
    free(r);
    return a;
}

std::string property(xcb_connection_t *c, xcb_window_t w, xcb_atom_t prop)
{
    xcb_get_property_reply_t *r = xcb_get_property_reply(
        c, xcb_get_property(c, 0, w, prop, XCB_GET_PROPERTY_TYPE_ANY, 0, 256), nullptr);
    std::string value;
    if (r && r->format == 8)
        value.assign(static_cast<const char *>(xcb_get_property_value(r)),
                     size_t(xcb_get_property_value_length(r)));
    free(r);
    return value;
}

struct Watch {
    xcb_connection_t *c;
    xcb_atom_t netName;
    std::string title;

    std::string titleOf(xcb_window_t w) const
    {
        // The EWMH title is UTF-8 and wins; WM_NAME is the older fallback.
        const std::string t = property(c, w, netName);
        return t.empty() ? property(c, w, XCB_ATOM_WM_NAME) : t;
    }
    // True when w is viewable (its frame, if any, is mapped too) and carries the title.
    bool shown(xcb_window_t w, int *width, int *height) const
    {
        xcb_get_window_attributes_reply_t *a =
            xcb_get_window_attributes_reply(c, xcb_get_window_attributes(c, w), nullptr);
        const bool viewable = a && a->map_state == XCB_MAP_STATE_VIEWABLE;
        free(a);
        if (!viewable || titleOf(w) != title)
            return false;
        xcb_get_geometry_reply_t *g = xcb_get_geometry_reply(c, xcb_get_geometry(c, w), nullptr);
        if (g) {
            *width = g->width;
            *height = g->height;
        }
        free(g);
        return true;
    }
};

int waitForWindowManager(xcb_connection_t *c, xcb_window_t root, int timeoutMs)
{
    const xcb_atom_t check = atom(c, "_NET_SUPPORTING_WM_CHECK");
    const double end = nowMs() + timeoutMs;
    while (nowMs() < end) {
        xcb_get_property_reply_t *r = xcb_get_property_reply(
            c, xcb_get_property(c, 0, root, check, XCB_ATOM_WINDOW, 0, 1), nullptr);
        const bool present = r && xcb_get_property_value_length(r) > 0;
        free(r);
        if (present)
            return 0;
        usleep(20000);
    }
    fprintf(stderr, "bench_launch: no window manager after %d ms\n", timeoutMs);
    return 1;
}

int usage()
{
    fprintf(stderr, "usage: bench_launch [--title T] [--timeout MS] [--log FILE] -- PROGRAM "
                    "[ARGS...]\n       bench_launch --wait-wm [--timeout MS]\n");
    return 2;
}

} // namespace

int main(int argc, char **argv)
{
    std::string title = "Ostrevan";
    std::string log = "/dev/null";
    int timeoutMs = 10000;
    bool waitWm = false;
    int i = 1;
    for (; i < argc; ++i) {
        const std::string arg = argv[i];
        if (arg == "--title" && i + 1 < argc)
            title = argv[++i];
        else if (arg == "--timeout" && i + 1 < argc)
            timeoutMs = atoi(argv[++i]);
        else if (arg == "--log" && i + 1 < argc)
            log = argv[++i];
        else if (arg == "--wait-wm")
            waitWm = true;
        else if (arg == "--") {
            ++i;
            break;
        } else
            return usage();
    }
    if (!waitWm && i >= argc)
        return usage();

    xcb_connection_t *c = xcb_connect(nullptr, nullptr);
    if (xcb_connection_has_error(c)) {
        fprintf(stderr, "bench_launch: cannot open display %s\n", getenv("DISPLAY"));
        return 1;
    }
    const xcb_window_t root = xcb_setup_roots_iterator(xcb_get_setup(c)).data->root;
    if (waitWm)
        return waitForWindowManager(c, root, timeoutMs);

    // Listen before the program exists, so its first window cannot slip by unseen.
    const uint32_t rootMask = XCB_EVENT_MASK_SUBSTRUCTURE_NOTIFY;
    xcb_void_cookie_t sel =
        xcb_change_window_attributes_checked(c, root, XCB_CW_EVENT_MASK, &rootMask);
    if (xcb_generic_error_t *e = xcb_request_check(c, sel)) {
        fprintf(stderr, "bench_launch: cannot watch the root window (error %d)\n", e->error_code);
        return 1;
    }
    Watch watch{c, atom(c, "_NET_WM_NAME"), title};

    const double start = nowMs();
    const pid_t pid = fork();
    if (pid < 0) {
        perror("bench_launch: fork");
        return 1;
    }
    if (pid == 0) {
        // The caller reads our output through a pipe; the program must not hold it open.
        const int fd = open(log.c_str(), O_WRONLY | O_CREAT | O_APPEND, 0644);
        if (fd >= 0) {
            dup2(fd, STDOUT_FILENO);
            dup2(fd, STDERR_FILENO);
            close(fd);
        }
        close(xcb_get_file_descriptor(c));
        execvp(argv[i], argv + i);
        fprintf(stderr, "bench_launch: cannot run %s: %s\n", argv[i], strerror(errno));
        _exit(127);
    }

    std::vector<xcb_window_t> candidates;
    const uint32_t windowMask = XCB_EVENT_MASK_STRUCTURE_NOTIFY | XCB_EVENT_MASK_PROPERTY_CHANGE;
    const int fd = xcb_get_file_descriptor(c);
    for (;;) {
        xcb_generic_event_t *ev;
        while ((ev = xcb_poll_for_event(c))) {
            const uint8_t type = ev->response_type & 0x7f;
            bool recheck = false;
            xcb_window_t only = XCB_NONE;
            if (type == XCB_CREATE_NOTIFY) {
                auto *cn = reinterpret_cast<xcb_create_notify_event_t *>(ev);
                if (cn->parent == root && !cn->override_redirect) {
                    candidates.push_back(cn->window);
                    xcb_change_window_attributes(c, cn->window, XCB_CW_EVENT_MASK, &windowMask);
                    // It may have been mapped before we started listening to it.
                    only = cn->window;
                    recheck = true;
                }
            } else if (type == XCB_MAP_NOTIFY || type == XCB_REPARENT_NOTIFY) {
                recheck = true; // a client or a window manager's frame was mapped
            } else if (type == XCB_PROPERTY_NOTIFY) {
                only = reinterpret_cast<xcb_property_notify_event_t *>(ev)->window;
                recheck = true;
            }
            free(ev);
            if (!recheck)
                continue;
            for (xcb_window_t w : candidates) {
                int width = 0, height = 0;
                if ((only == XCB_NONE || only == w) && watch.shown(w, &width, &height)) {
                    const double ms = nowMs() - start;
                    printf("%.1f %d %dx%d\n", ms, int(pid), width, height);
                    fflush(stdout);
                    return 0;
                }
            }
        }
        if (xcb_connection_has_error(c)) {
            fprintf(stderr, "bench_launch: lost the display\n");
            break;
        }
        int status = 0;
        if (waitpid(pid, &status, WNOHANG) == pid) {
            fprintf(stderr, "bench_launch: %s ended before showing a window\n", argv[i]);
            return 1;
        }
        const double left = start + timeoutMs - nowMs();
        if (left <= 0) {
            fprintf(stderr, "bench_launch: no window titled \"%s\" within %d ms\n", title.c_str(),
                    timeoutMs);
            break;
        }
        pollfd p{fd, POLLIN, 0};
        poll(&p, 1, left < 50 ? int(left) + 1 : 50);
    }
    kill(pid, SIGKILL);
    waitpid(pid, nullptr, 0);
    return 1;
}
