#include "shell/desktopnotification.h"

#include "shell/dbusnotifications.h"

#include <QDBusMessage>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>
#include <QStringList>
#include <QVariantMap>

namespace shell
{

namespace
{

const QString Service = QStringLiteral("org.freedesktop.Notifications");
const QString Path = QStringLiteral("/org/freedesktop/Notifications");
const QString ActionKey = QStringLiteral("action");
constexpr uchar UrgencyCritical = 2;

QDBusMessage callOf(const QString &method)
{
    return QDBusMessage::createMethodCall(Service, Path, Service, method);
}

} // namespace

DBusNotifications::DBusNotifications(const QString &appName, const QString &iconName)
    : m_appName(appName), m_iconName(iconName)
{
}

DBusNotifications::~DBusNotifications() = default;

bool DBusNotifications::reachBus()
{
    if (!m_bus) {
        m_bus = QDBusConnection::sessionBus();
        // Any sender: naming the service would have Qt look up its owner with a blocking call.
        // The sender is checked against the one that answered instead.
        m_bus->connect(QString(), Path, Service, QStringLiteral("ActionInvoked"), this,
                       SLOT(actionInvoked(uint, QString, QDBusMessage)));
        m_bus->connect(QString(), Path, Service, QStringLiteral("NotificationClosed"), this,
                       SLOT(notificationClosed(uint, uint, QDBusMessage)));
    }
    return m_bus->isConnected();
}

void DBusNotifications::notify(const QString &summary, const QString &body,
                               const QString &actionLabel, std::function<void()> onAction)
{
    if (!reachBus())
        return;
    m_onAction = std::move(onAction);
    m_wanted = true;
    const quint64 sent = ++m_sent;
    // The program plays its own sound; the message stays until the program takes it away.
    const QVariantMap hints{{QStringLiteral("suppress-sound"), true},
                            {QStringLiteral("urgency"), QVariant::fromValue(UrgencyCritical)},
                            {QStringLiteral("desktop-entry"), m_iconName}};
    QDBusMessage call = callOf(QStringLiteral("Notify"));
    call << m_appName << m_id << m_iconName << summary << body
         << QStringList{ActionKey, actionLabel} << hints << 0;
    auto *watcher = new QDBusPendingCallWatcher(m_bus->asyncCall(call), this);
    connect(watcher, &QDBusPendingCallWatcher::finished, this,
            [this, sent](QDBusPendingCallWatcher *answer) {
                answer->deleteLater();
                const QDBusPendingReply<uint> reply = *answer;
                if (reply.isError())
                    return;
                if (sent == m_sent && m_wanted) {
                    m_id = reply.value();
                    m_server = reply.reply().service();
                } else if (reply.value() != m_id) {
                    close(reply.value());
                }
            });
}

void DBusNotifications::withdraw()
{
    m_wanted = false;
    m_onAction = {};
    if (m_id != 0)
        close(m_id);
    m_id = 0;
}

void DBusNotifications::close(uint id)
{
    QDBusMessage call = callOf(QStringLiteral("CloseNotification"));
    call << id;
    m_bus->asyncCall(call);
}

void DBusNotifications::actionInvoked(uint id, const QString &key, const QDBusMessage &message)
{
    if (id == 0 || id != m_id || key != ActionKey || message.service() != m_server)
        return;
    // The action may withdraw the message, and with it this copy's original.
    const std::function<void()> action = m_onAction;
    if (action)
        action();
}

void DBusNotifications::notificationClosed(uint id, uint, const QDBusMessage &message)
{
    if (id != 0 && id == m_id && message.service() == m_server)
        m_id = 0;
}

std::unique_ptr<Notifications> desktopNotifications(const QString &appName, const QString &iconName)
{
    return std::make_unique<DBusNotifications>(appName, iconName);
}

} // namespace shell
