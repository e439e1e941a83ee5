#include "platform/taskbar.h"

#include <QAbstractNativeEventFilter>
#include <QEvent>
#include <QGuiApplication>
#include <QWidget>

#ifdef OSTREVAN_HAVE_XCB
#include <algorithm>
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
constexpr char kKeeper[] = "ostrevanTaskbarKeeper";

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
void setInStateProperty(xcb_connection_t *c, xcb_window_t window, xcb_atom_t state, xcb_atom_t skip,
                        bool add)
{
    std::vector<xcb_atom_t> states;
    xcb_get_property_reply_t *reply = xcb_get_property_reply(
        c, xcb_get_property(c, 0, window, state, XCB_ATOM_ATOM, 0, 1024), nullptr);
    if (reply && reply->format == 32 && reply->type == XCB_ATOM_ATOM) {
        const auto *values = static_cast<const xcb_atom_t *>(xcb_get_property_value(reply));
        states.assign(values, values + xcb_get_property_value_length(reply) / 4);
    }
    std::free(reply);
    const auto found = std::find(states.begin(), states.end(), skip);
    if ((found != states.end()) == add)
        return;
    if (add)
        states.push_back(skip);
    else
        states.erase(found);
    xcb_change_property(c, XCB_PROP_MODE_REPLACE, window, state, XCB_ATOM_ATOM, 32,
                        uint32_t(states.size()), states.data());
    xcb_flush(c);
}

// A window on the screen: its state belongs to the window manager, which is asked to change it.
void askWindowManager(xcb_connection_t *c, xcb_window_t window, xcb_atom_t state, xcb_atom_t skip,
                      bool add)
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
    event.data.data32[0] = add ? 1 : 0; // _NET_WM_STATE_ADD or _REMOVE
    event.data.data32[1] = skip;
    event.data.data32[3] = 1; // asked by an application
    xcb_send_event(c, 0, root,
                   XCB_EVENT_MASK_SUBSTRUCTURE_REDIRECT | XCB_EVENT_MASK_SUBSTRUCTURE_NOTIFY,
                   reinterpret_cast<const char *>(&event));
    xcb_flush(c);
}

void tellX11(QWidget *window, bool skip, bool onScreen)
{
    xcb_connection_t *c = x11Connection();
    if (!c || !window->testAttribute(Qt::WA_WState_Created))
        return;
    const auto id = xcb_window_t(window->winId());
    const xcb_atom_t state = atom(c, "_NET_WM_STATE");
    const xcb_atom_t skipTaskbar = atom(c, "_NET_WM_STATE_SKIP_TASKBAR");
    if (state == XCB_ATOM_NONE || skipTaskbar == XCB_ATOM_NONE)
        return;
    if (onScreen)
        askWindowManager(c, id, state, skipTaskbar, skip);
    else
        setInStateProperty(c, id, state, skipTaskbar, skip);
}

// Qt leaves the iconic start state of its last minimise in the window's hints, also once the
// window manager has restored the window; a window shown normal again must not start
// minimised.
void startNormal(QWidget *window)
{
    xcb_connection_t *c = x11Connection();
    if (!c || window->isMinimized() || !window->testAttribute(Qt::WA_WState_Created))
        return;
    const auto id = xcb_window_t(window->winId());
    xcb_get_property_reply_t *reply = xcb_get_property_reply(
        c, xcb_get_property(c, 0, id, XCB_ATOM_WM_HINTS, XCB_ATOM_WM_HINTS, 0, 9), nullptr);
    uint32_t hints[9] = {};
    const int words =
        reply && reply->format == 32 ? std::min(xcb_get_property_value_length(reply) / 4, 9) : 0;
    if (words > 0)
        std::memcpy(hints, xcb_get_property_value(reply), size_t(words) * 4);
    std::free(reply);
    constexpr uint32_t StateHint = 2, NormalState = 1, IconicState = 3;
    if (words < 3 || !(hints[0] & StateHint) || hints[2] != IconicState)
        return;
    hints[2] = NormalState;
    xcb_change_property(c, XCB_PROP_MODE_REPLACE, id, XCB_ATOM_WM_HINTS, XCB_ATOM_WM_HINTS, 32,
                        uint32_t(words), hints);
    xcb_flush(c);
}

// Waits for the tray's manager window to be destroyed, which is how a tray ends.
class TrayOwnerWatch final : public QObject, public QAbstractNativeEventFilter
{
public:
    TrayOwnerWatch(QObject *context, xcb_window_t owner, std::function<void()> gone)
        : QObject(context), m_owner(owner), m_gone(std::move(gone))
    {
        qGuiApp->installNativeEventFilter(this);
    }
    ~TrayOwnerWatch() override
    {
        if (qGuiApp)
            qGuiApp->removeNativeEventFilter(this);
    }
    // Handed on from the event loop, so that `gone` may do what it likes with windows.
    void fire()
    {
        QMetaObject::invokeMethod(
            this,
            [this] {
                const std::function<void()> gone = std::move(m_gone);
                deleteLater();
                if (gone)
                    gone();
            },
            Qt::QueuedConnection);
    }
    bool nativeEventFilter(const QByteArray &type, void *message, qintptr *) override
    {
        const auto *event = static_cast<const xcb_generic_event_t *>(message);
        if (type == "xcb_generic_event_t" && m_gone &&
            (event->response_type & 0x7f) == XCB_DESTROY_NOTIFY &&
            reinterpret_cast<const xcb_destroy_notify_event_t *>(event)->window == m_owner)
            fire();
        return false;
    }

private:
    const xcb_window_t m_owner;
    std::function<void()> m_gone;
};

#else

void tellX11(QWidget *, bool, bool) {}
void startNormal(QWidget *) {}

#endif

// Writes the state again just before every showing of the window (from the notification area):
// the show event comes before the window is mapped.
class TaskbarKeeper final : public QObject
{
public:
    using QObject::QObject;

protected:
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        if (event->type() == QEvent::Show && !event->spontaneous() && watched->isWidgetType()) {
            auto *window = static_cast<QWidget *>(watched);
            tellX11(window, true, false);
            startNormal(window);
        }
        return false;
    }
};

} // namespace

void setShownInTaskbar(QWidget *window, bool shown)
{
    if (!window || isHiddenFromTaskbar(window) != shown)
        return;
    window->setProperty(kHidden, !shown);
    // Found by name: the keeper has no type information of its own.
    QObject *keeper = window->findChild<QObject *>(kKeeper, Qt::FindDirectChildrenOnly);
    if (shown) {
        delete keeper;
    } else if (!keeper) {
        keeper = new TaskbarKeeper(window);
        keeper->setObjectName(kKeeper);
        window->installEventFilter(keeper);
    }
    tellX11(window, !shown, window->isVisible());
}

bool isHiddenFromTaskbar(const QWidget *window)
{
    return window && window->property(kHidden).toBool();
}

void watchX11Tray(QObject *context, std::function<void()> gone)
{
#ifdef OSTREVAN_HAVE_XCB
    xcb_connection_t *c = x11Connection();
    const xcb_atom_t selection = c ? atom(c, "_NET_SYSTEM_TRAY_S0") : xcb_atom_t(XCB_ATOM_NONE);
    if (selection == XCB_ATOM_NONE)
        return;
    xcb_get_selection_owner_reply_t *reply =
        xcb_get_selection_owner_reply(c, xcb_get_selection_owner(c, selection), nullptr);
    const xcb_window_t owner = reply ? reply->owner : xcb_window_t(XCB_WINDOW_NONE);
    std::free(reply);
    if (owner == XCB_WINDOW_NONE)
        return;
    // Qt watches the same window for the same event, with the same mask.
    const uint32_t mask = XCB_EVENT_MASK_STRUCTURE_NOTIFY;
    xcb_generic_error_t *error = xcb_request_check(
        c, xcb_change_window_attributes_checked(c, owner, XCB_CW_EVENT_MASK, &mask));
    auto *watch = new TrayOwnerWatch(context, owner, std::move(gone));
    if (error) // the window went before it could be watched
        watch->fire();
    std::free(error);
#else
    Q_UNUSED(context);
    Q_UNUSED(gone);
#endif
}

} // namespace platform
