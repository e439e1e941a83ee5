#pragma once

#include <QIcon>
#include <QObject>
#include <QPointer>
#include <QString>
#include <QtGlobal>
#include <functional>
#include <map>
#include <memory>
#include <utility>

class QSystemTrayIcon;

namespace platform
{
class Form;
}

namespace shell
{

inline constexpr unsigned NIM_ADD = 0;
inline constexpr unsigned NIM_MODIFY = 1;
inline constexpr unsigned NIM_DELETE = 2;
inline constexpr unsigned NIF_MESSAGE = 1;
inline constexpr unsigned NIF_ICON = 2;
inline constexpr unsigned NIF_TIP = 4;
// Mouse events the icon reports through its callback.
inline constexpr int WM_MOUSEMOVE = 0x200;
inline constexpr int WM_LBUTTONDBLCLK = 0x203;
inline constexpr int WM_RBUTTONUP = 0x205;
inline constexpr int kTipLength = 64;

// The record that describes the program's notification-area icon.
struct NOTIFYICONDATA {
    quint32 cbSize = 88;
    platform::Form *hWnd = nullptr;
    quint32 uID = 0;
    quint32 uFlags = 0;
    quint32 uCallbackMessage = 0;
    QIcon hIcon;
    QString szTip = QString(kTipLength, QChar(0)); // text up to the first NUL, padded to 64
};

// Stores text in the tip field: left-aligned, padded with blanks, cut at 64 characters.
void setTip(NOTIFYICONDATA &data, const QString &text);
// The tip as shown: the field's text up to its first NUL.
QString shownTip(const NOTIFYICONDATA &data);

// A place that shows icons: the desktop's notification area, or a recording one in tests.
class NotifyArea
{
public:
    virtual ~NotifyArea() = default;
    virtual bool isAvailable() const = 0;
    // Shows an icon; `activated` receives the mouse event number (WM_LBUTTONDBLCLK, ...).
    virtual void add(int key, const QIcon &icon, const QString &tip,
                     std::function<void(int)> activated) = 0;
    virtual void modify(int key, const QIcon *icon, const QString *tip) = 0;
    virtual void remove(int key) = 0;
    // Called from the event loop when the host that shows the icons may have gone.
    std::function<void()> hostLost;
};

// The desktop's notification area, through QSystemTrayIcon: a StatusNotifierItem or an icon
// in the X11 tray, whichever the desktop has. An icon's events are handed on from the event
// loop, never from inside the icon's own handling, so whatever they do may remove the icon.
// The end of an X11 tray is reported at once; other hosts are only seen gone when asked.
class DesktopNotifyArea final : public NotifyArea
{
public:
    DesktopNotifyArea();
    ~DesktopNotifyArea() override;
    bool isAvailable() const override;
    void add(int key, const QIcon &icon, const QString &tip,
             std::function<void(int)> activated) override;
    void modify(int key, const QIcon *icon, const QString *tip) override;
    void remove(int key) override;
    // The icon shown under key, or nullptr.
    QSystemTrayIcon *trayIcon(int key) const;

private:
    QObject m_events; // receives the icons' events
    QPointer<QObject> m_hostWatch;
    std::map<int, std::unique_ptr<QSystemTrayIcon>> m_icons;
};

std::unique_ptr<NotifyArea> desktopNotifyArea();

// Adds, changes and removes the program's icons. A window's icon events arrive at its
// mouse-move handler with X = event number x twips per pixel, as the callback message asks.
class NotifyIcons
{
public:
    explicit NotifyIcons(NotifyArea &area) : m_area(area) {}
    // Returns false where no notification area exists or the icon to change is absent.
    bool Shell_NotifyIcon(unsigned message, const NOTIFYICONDATA &data);
    // Whether the desktop has a notification area now; a tray host can come and go.
    bool isAvailable() const { return m_area.isAvailable(); }
    // What to do when the host of the icons shown may have gone.
    void setHostLost(std::function<void()> handler) { m_area.hostLost = std::move(handler); }

private:
    struct Shown {
        int key;
        QPointer<platform::Form> window;
    };
    NotifyArea &m_area;
    std::map<std::pair<const platform::Form *, quint32>, Shown> m_icons;
    int m_nextKey = 1;
};

} // namespace shell
