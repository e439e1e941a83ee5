#include "platform/taskbar.h"

#include <QEvent>
#include <QGuiApplication>
#include <QWidget>

#ifdef OSTREVAN_HAVE_XCB
#include <cstdlib>
#include <cstring>
#include <vector>
#include <xcb/xcb.h>
#endif

namespace platform
{

namespace
{

constexpr char kHidden[] = "ostrevanHiddenFromTaskbar";

#ifdef OSTREVAN_HAVE_XCB

// The X server's connection, where the program runs on X11; none elsewhere (Wayland, tests).
xcb_connection_t *x11Connection()
{
    auto *x11 = qGuiApp ? qGuiApp->nativeInterface<QNativeInterface::QX11Application>() : nullptr;
    return x11 ? x11->connection() : nullptr;
}

xcb_atom_t atom(xcb_connection_t *c, const char *name)
{
    xcb_intern_atom_reply_t *reply =
        xcb_intern_atom_reply(c, xcb_intern_atom(c, 0, uint16_t(std::strlen(name)), name), nullptr);
    const xcb_atom_t result = reply ? reply->atom : xcb_atom_t(XCB_ATOM_NONE);
    std::free(reply);
    return result;
}

// A window not on the screen: the state goes into its property, which Qt merges with its own
// states when it maps the window.
void addToStateProperty(xcb_connection_t *c, xcb_window_t window, xcb_atom_t state, xcb_atom_t skip)
{
    std::vector<xcb_atom_t> states;
    xcb_get_property_reply_t *reply = xcb_get_property_reply(
        c, xcb_get_property(c, 0, window, state, XCB_ATOM_ATOM, 0, 1024), nullptr);
    if (reply && reply->format == 32 && reply->type == XCB_ATOM_ATOM) {
        const auto *values = static_cast<const xcb_atom_t *>(xcb_get_property_value(reply));
        states.assign(values, values + xcb_get_property_value_length(reply) / 4);
    }
    std::free(reply);
    for (xcb_atom_t s : states) {
        if (s == skip)
            return;
    }
    states.push_back(skip);
    xcb_change_property(c, XCB_PROP_MODE_REPLACE, window, state, XCB_ATOM_ATOM, 32,
                        uint32_t(states.size()), states.data());
    xcb_flush(c);
}

// A window on the screen: its state belongs to the window manager, which is asked to add it.
void askWindowManager(xcb_connection_t *c, xcb_window_t window, xcb_atom_t state, xcb_atom_t skip)
{
    xcb_get_geometry_reply_t *geometry =
        xcb_get_geometry_reply(c, xcb_get_geometry(c, window), nullptr);
    if (!geometry)
        return;
    const xcb_window_t root = geometry->root;
    std::free(geometry);
    xcb_client_message_event_t event;
    std::memset(&event, 0, sizeof event);
    event.response_type = XCB_CLIENT_MESSAGE;
    event.format = 32;
    event.window = window;
    event.type = state;
    event.data.data32[0] = 1; // _NET_WM_STATE_ADD
    event.data.data32[1] = skip;
    event.data.data32[3] = 1; // asked by an application
    xcb_send_event(c, 0, root,
                   XCB_EVENT_MASK_SUBSTRUCTURE_REDIRECT | XCB_EVENT_MASK_SUBSTRUCTURE_NOTIFY,
                   reinterpret_cast<const char *>(&event));
    xcb_flush(c);
}

void tellX11(QWidget *window, bool onScreen)
{
    xcb_connection_t *c = x11Connection();
    if (!c || !window->testAttribute(Qt::WA_WState_Created))
        return;
    const auto id = xcb_window_t(window->winId());
    const xcb_atom_t state = atom(c, "_NET_WM_STATE");
    const xcb_atom_t skip = atom(c, "_NET_WM_STATE_SKIP_TASKBAR");
    if (state == XCB_ATOM_NONE || skip == XCB_ATOM_NONE)
        return;
    if (onScreen)
        askWindowManager(c, id, state, skip);
    else
        addToStateProperty(c, id, state, skip);
}

#else

void tellX11(QWidget *, bool) {}

#endif

// Writes the state again just before every showing of the window: the show event comes before
// the window is mapped.
class TaskbarKeeper final : public QObject
{
public:
    using QObject::QObject;

protected:
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        if (event->type() == QEvent::Show && !event->spontaneous() && watched->isWidgetType())
            tellX11(static_cast<QWidget *>(watched), false);
        return false;
    }
};

} // namespace

void hideFromTaskbar(QWidget *window)
{
    if (!window || isHiddenFromTaskbar(window))
        return;
    window->setProperty(kHidden, true);
    window->installEventFilter(new TaskbarKeeper(window));
    if (window->isVisible())
        tellX11(window, true);
}

bool isHiddenFromTaskbar(const QWidget *window)
{
    return window && window->property(kHidden).toBool();
}

} // namespace platform
