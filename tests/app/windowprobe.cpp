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
    // The test servers have one screen.
    m_connection = xcb_connect(display.toLocal8Bit().constData(), nullptr);
    if (xcb_connection_has_error(m_connection))
        return false;
    m_root = xcb_setup_roots_iterator(xcb_get_setup(m_connection)).data->root;
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

QByteArray WindowProbe::property(uint32_t window, uint32_t name, uint32_t type)
{
    auto *reply = xcb_get_property_reply(
        m_connection, xcb_get_property(m_connection, 0, window, name, type, 0, 256), nullptr);
    QByteArray bytes;
    if (reply)
        bytes = QByteArray(static_cast<const char *>(xcb_get_property_value(reply)),
                           xcb_get_property_value_length(reply));
    free(reply);
    return bytes;
}

bool WindowProbe::viewable(uint32_t window)
{
    auto *attr = xcb_get_window_attributes_reply(
        m_connection, xcb_get_window_attributes(m_connection, window), nullptr);
    const bool result = attr && attr->map_state == XCB_MAP_STATE_VIEWABLE;
    free(attr);
    return result;
}

QList<uint32_t> WindowProbe::children(uint32_t window)
{
    QList<uint32_t> result;
    auto *tree = xcb_query_tree_reply(m_connection, xcb_query_tree(m_connection, window), nullptr);
    if (tree) {
        const xcb_window_t *c = xcb_query_tree_children(tree);
        for (int i = 0; i < xcb_query_tree_children_length(tree); ++i)
            result << c[i];
    }
    free(tree);
    return result;
}

void WindowProbe::collect(uint32_t window, const QString &title, int depth, QList<Window> &out)
{
    for (const uint32_t child : children(window)) {
        if (!viewable(child))
            continue;
        // The program's title is UTF-8 in the EWMH property.
        const QString name = QString::fromUtf8(property(child, atom("_NET_WM_NAME"), 0));
        if (name == title) {
            auto *geo = xcb_get_geometry_reply(m_connection, xcb_get_geometry(m_connection, child),
                                               nullptr);
            if (geo)
                out.append({child, name, geo->width, geo->height});
            free(geo);
        } else if (name.isEmpty() && depth < 2) {
            // A window manager's frame: the client sits one or two levels below it.
            collect(child, title, depth + 1, out);
        }
    }
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
