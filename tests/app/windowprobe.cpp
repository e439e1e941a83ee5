#include "tests/app/windowprobe.h"

#include <QElapsedTimer>
#include <QThread>
#include <cstdlib>
#include <cstring>
#include <xcb/xcb.h>

WindowProbe::~WindowProbe()
{
    if (m_connection)
        xcb_disconnect(m_connection);
}

bool WindowProbe::connect(const QString &display)
{
    int screenNumber = 0;
    m_connection = xcb_connect(display.toLocal8Bit().constData(), &screenNumber);
    if (xcb_connection_has_error(m_connection))
        return false;
    xcb_screen_iterator_t it = xcb_setup_roots_iterator(xcb_get_setup(m_connection));
    for (int i = 0; i < screenNumber && it.rem; ++i)
        xcb_screen_next(&it);
    if (!it.rem)
        return false;
    m_root = it.data->root;
    return true;
}

uint32_t WindowProbe::atom(const char *name)
{
    auto cookie = xcb_intern_atom(m_connection, 0, uint16_t(strlen(name)), name);
    xcb_intern_atom_reply_t *reply = xcb_intern_atom_reply(m_connection, cookie, nullptr);
    const uint32_t result = reply ? reply->atom : uint32_t(XCB_ATOM_NONE);
    free(reply);
    return result;
}

QString WindowProbe::titleOf(uint32_t window)
{
    // The EWMH title is UTF-8 and wins; WM_NAME is the older Latin-1 fallback.
    const uint32_t netName = atom("_NET_WM_NAME");
    for (const uint32_t property : {netName, uint32_t(XCB_ATOM_WM_NAME)}) {
        auto cookie =
            xcb_get_property(m_connection, 0, window, property, XCB_GET_PROPERTY_TYPE_ANY, 0, 256);
        xcb_get_property_reply_t *reply = xcb_get_property_reply(m_connection, cookie, nullptr);
        if (!reply)
            continue;
        const int length = xcb_get_property_value_length(reply);
        const auto *bytes = static_cast<const char *>(xcb_get_property_value(reply));
        QString text;
        if (length > 0 && reply->format == 8)
            text = property == netName ? QString::fromUtf8(bytes, length)
                                       : QString::fromLatin1(bytes, length);
        free(reply);
        if (!text.isEmpty())
            return text;
    }
    return {};
}

void WindowProbe::collect(uint32_t window, const QString &title, int depth, QList<Window> &out)
{
    auto treeCookie = xcb_query_tree(m_connection, window);
    xcb_query_tree_reply_t *tree = xcb_query_tree_reply(m_connection, treeCookie, nullptr);
    if (!tree)
        return;
    const xcb_window_t *children = xcb_query_tree_children(tree);
    const int count = xcb_query_tree_children_length(tree);
    for (int i = 0; i < count; ++i) {
        const xcb_window_t child = children[i];
        auto attrCookie = xcb_get_window_attributes(m_connection, child);
        xcb_get_window_attributes_reply_t *attr =
            xcb_get_window_attributes_reply(m_connection, attrCookie, nullptr);
        const bool viewable = attr && attr->map_state == XCB_MAP_STATE_VIEWABLE;
        free(attr);
        if (!viewable)
            continue;
        const QString name = titleOf(child);
        if (name == title) {
            auto geoCookie = xcb_get_geometry(m_connection, child);
            xcb_get_geometry_reply_t *geo =
                xcb_get_geometry_reply(m_connection, geoCookie, nullptr);
            if (geo)
                out.append({child, name, geo->width, geo->height});
            free(geo);
        } else if (name.isEmpty() && depth < 2) {
            // A window manager's frame: the client sits one or two levels below it.
            collect(child, title, depth + 1, out);
        }
    }
    free(tree);
}

QList<WindowProbe::Window> WindowProbe::shown(const QString &title)
{
    QList<Window> result;
    if (m_connection)
        collect(m_root, title, 0, result);
    return result;
}

QList<WindowProbe::Window> WindowProbe::waitFor(const QString &title, int width, int height,
                                                int timeoutMs)
{
    QElapsedTimer clock;
    clock.start();
    do {
        const QList<Window> windows = shown(title);
        for (const Window &w : windows) {
            if (w.width == width && w.height == height)
                return windows;
        }
        QThread::msleep(20);
    } while (clock.elapsed() < timeoutMs);
    return {};
}
