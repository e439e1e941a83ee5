#pragma once

#include <QByteArray>
#include <QList>
#include <QString>
#include <cstdint>

struct xcb_connection_t;

// Looks at the windows an X server shows, as a user would see them: which top-level windows
// are viewable, under which title and with which client size.
class WindowProbe
{
public:
    struct Window {
        uint32_t id = 0;
        QString title;
        int width = 0;
        int height = 0;
    };

    WindowProbe() = default;
    ~WindowProbe();
    WindowProbe(const WindowProbe &) = delete;
    WindowProbe &operator=(const WindowProbe &) = delete;

    bool connect(const QString &display);
    // Viewable client windows titled exactly `title`; a window manager's frames are looked
    // through, so the sizes are those of the client areas.
    QList<Window> shown(const QString &title);
    // Polls until a viewable window titled `title` has the given client size; an empty list
    // when none appears within the time.
    QList<Window> waitFor(const QString &title, int width, int height, int timeoutMs);

    uint32_t atom(const char *name);
    // The bytes of a window's property of the given type (any type: 0).
    QByteArray property(uint32_t window, uint32_t name, uint32_t type);
    bool viewable(uint32_t window);
    QList<uint32_t> children(uint32_t window);

protected:
    xcb_connection_t *m_connection = nullptr;
    uint32_t m_root = 0;

private:
    void collect(uint32_t window, const QString &title, int depth, QList<Window> &out);
};
