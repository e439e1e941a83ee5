#include "shell/notifyicon.h"

#include "platform/form.h"
#include "platform/taskbar.h"
#include "platform/units.h"

#include <QPointer>
#include <QSystemTrayIcon>
#include <map>

namespace shell
{

void setTip(NOTIFYICONDATA &data, const QString &text)
{
    data.szTip = text.left(kTipLength).leftJustified(kTipLength, QLatin1Char(' '));
}

QString shownTip(const NOTIFYICONDATA &data)
{
    const qsizetype end = data.szTip.indexOf(QChar(0));
    return end < 0 ? data.szTip : data.szTip.left(end);
}

DesktopNotifyArea::DesktopNotifyArea() = default;

DesktopNotifyArea::~DesktopNotifyArea() = default;

bool DesktopNotifyArea::isAvailable() const
{
    return QSystemTrayIcon::isSystemTrayAvailable();
}

void DesktopNotifyArea::add(int key, const QIcon &icon, const QString &tip,
                            std::function<void(int)> activated)
{
    auto tray = std::make_unique<QSystemTrayIcon>(icon);
    tray->setToolTip(tip);
    // Queued: the handler may pop up a menu or remove this very icon, which must not happen
    // while the icon is still handling the click. An event for an icon removed meanwhile is
    // dropped.
    QObject::connect(
        tray.get(), &QSystemTrayIcon::activated, &m_events,
        [this, key, activated](QSystemTrayIcon::ActivationReason reason) {
            if (!m_icons.count(key))
                return;
            if (reason == QSystemTrayIcon::DoubleClick)
                activated(WM_LBUTTONDBLCLK);
            else if (reason == QSystemTrayIcon::Context)
                activated(WM_RBUTTONUP);
        },
        Qt::QueuedConnection);
    tray->show();
    m_icons[key] = std::move(tray);
    // The tray there now is the one to watch.
    if (m_hostWatch)
        m_hostWatch->deleteLater();
    m_hostWatch = new QObject(&m_events);
    platform::watchX11Tray(m_hostWatch, [this] {
        if (hostLost)
            hostLost();
    });
}

void DesktopNotifyArea::modify(int key, const QIcon *icon, const QString *tip)
{
    auto it = m_icons.find(key);
    if (it == m_icons.end())
        return;
    if (icon)
        it->second->setIcon(*icon);
    if (tip)
        it->second->setToolTip(*tip);
}

void DesktopNotifyArea::remove(int key)
{
    m_icons.erase(key);
}

QSystemTrayIcon *DesktopNotifyArea::trayIcon(int key) const
{
    auto it = m_icons.find(key);
    return it == m_icons.end() ? nullptr : it->second.get();
}

std::unique_ptr<NotifyArea> desktopNotifyArea()
{
    return std::make_unique<DesktopNotifyArea>();
}

bool NotifyIcons::Shell_NotifyIcon(unsigned message, const NOTIFYICONDATA &data)
{
    // A window that is gone takes its icon with it, so that a new window at the same address
    // starts afresh.
    for (auto it = m_icons.begin(); it != m_icons.end();) {
        if (it->second.window) {
            ++it;
            continue;
        }
        m_area.remove(it->second.key);
        it = m_icons.erase(it);
    }
    const auto id = std::make_pair(static_cast<const platform::Form *>(data.hWnd), data.uID);
    const auto existing = m_icons.find(id);
    const QString tip = shownTip(data);
    switch (message) {
    case NIM_ADD: {
        if (existing != m_icons.end() || !data.hWnd || !m_area.isAvailable())
            return false;
        const int key = m_nextKey++;
        QPointer<platform::Form> window = data.hWnd;
        m_icons[id] = {key, window};
        const bool reports = data.uFlags & NIF_MESSAGE;
        const bool asMouseMove = data.uCallbackMessage == WM_MOUSEMOVE;
        m_area.add(
            key, (data.uFlags & NIF_ICON) ? data.hIcon : QIcon(),
            (data.uFlags & NIF_TIP) ? tip : QString(), [window, reports, asMouseMove](int event) {
                if (window && reports && asMouseMove)
                    window->deliverMouseMove(0, 0, double(event) * platform::kTwipsPerPixel, 0);
            });
        return true;
    }
    case NIM_MODIFY:
        if (existing == m_icons.end())
            return false;
        m_area.modify(existing->second.key, (data.uFlags & NIF_ICON) ? &data.hIcon : nullptr,
                      (data.uFlags & NIF_TIP) ? &tip : nullptr);
        return true;
    case NIM_DELETE:
        if (existing == m_icons.end())
            return false;
        m_area.remove(existing->second.key);
        m_icons.erase(existing);
        return true;
    default:
        return false;
    }
}

} // namespace shell
