#include "shell/notifyicon.h"

#include "platform/form.h"
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

namespace
{

class DesktopNotifyArea final : public NotifyArea
{
public:
    bool isAvailable() const override { return QSystemTrayIcon::isSystemTrayAvailable(); }

    void add(int key, const QIcon &icon, const QString &tip,
             std::function<void(int)> activated) override
    {
        auto tray = std::make_unique<QSystemTrayIcon>(icon);
        tray->setToolTip(tip);
        QObject::connect(tray.get(), &QSystemTrayIcon::activated, tray.get(),
                         [activated](QSystemTrayIcon::ActivationReason reason) {
                             if (reason == QSystemTrayIcon::DoubleClick)
                                 activated(WM_LBUTTONDBLCLK);
                             else if (reason == QSystemTrayIcon::Context)
                                 activated(WM_RBUTTONUP);
                         });
        tray->show();
        m_icons[key] = std::move(tray);
    }

    void modify(int key, const QIcon *icon, const QString *tip) override
    {
        auto it = m_icons.find(key);
        if (it == m_icons.end())
            return;
        if (icon)
            it->second->setIcon(*icon);
        if (tip)
            it->second->setToolTip(*tip);
    }

    void remove(int key) override { m_icons.erase(key); }

private:
    std::map<int, std::unique_ptr<QSystemTrayIcon>> m_icons;
};

} // namespace

std::unique_ptr<NotifyArea> desktopNotifyArea()
{
    return std::make_unique<DesktopNotifyArea>();
}

bool NotifyIcons::Shell_NotifyIcon(unsigned message, const NOTIFYICONDATA &data)
{
    const auto id = std::make_pair(static_cast<const platform::Form *>(data.hWnd), data.uID);
    const auto existing = m_icons.find(id);
    const QString tip = shownTip(data);
    switch (message) {
    case NIM_ADD: {
        if (existing != m_icons.end() || !data.hWnd || !m_area.isAvailable())
            return false;
        const int key = m_nextKey++;
        m_icons[id] = key;
        QPointer<platform::Form> window = data.hWnd;
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
        m_area.modify(existing->second, (data.uFlags & NIF_ICON) ? &data.hIcon : nullptr,
                      (data.uFlags & NIF_TIP) ? &tip : nullptr);
        return true;
    case NIM_DELETE:
        if (existing == m_icons.end())
            return false;
        m_area.remove(existing->second);
        m_icons.erase(existing);
        return true;
    default:
        return false;
    }
}

} // namespace shell
