#pragma once

#include "shell/desktopnotification.h"

#include <QDBusConnection>
#include <QObject>
#include <optional>

class QDBusMessage;

namespace shell
{

// Notifications through org.freedesktop.Notifications; made by desktopNotifications().
class DBusNotifications final : public QObject, public Notifications
{
    Q_OBJECT
public:
    DBusNotifications(const QString &appName, const QString &iconName);
    ~DBusNotifications() override;

    void notify(const QString &summary, const QString &body, const QString &actionLabel,
                std::function<void()> onAction) override;
    void withdraw() override;

private slots:
    void actionInvoked(uint id, const QString &key, const QDBusMessage &message);
    void notificationClosed(uint id, uint reason, const QDBusMessage &message);

private:
    bool reachBus();
    void close(uint id);

    QString m_appName;
    QString m_iconName;
    std::optional<QDBusConnection> m_bus;
    std::function<void()> m_onAction;
    // The message the service shows for us (0: none yet) and the service's own name on the bus,
    // so that only it can press our action.
    uint m_id = 0;
    QString m_server;
    // Counts the messages sent; an answer to any but the last, or one that comes after a
    // withdrawal, names a message nobody wants any more.
    quint64 m_sent = 0;
    bool m_wanted = false;
};

} // namespace shell
