#pragma once

#include <QString>
#include <functional>
#include <memory>

namespace shell
{

// A message on the desktop that stays until it is withdrawn, with one action the user can pick
// in it: the desktop's notification service in the program, a recording one in tests.
class Notifications
{
public:
    virtual ~Notifications() = default;
    // Shows the message in place of the one shown before; onAction runs when the user picks
    // actionLabel in it. Returns at once, whether the desktop answers or not.
    virtual void notify(const QString &summary, const QString &body, const QString &actionLabel,
                        std::function<void()> onAction) = 0;
    // Takes the message away, when one is shown; its action no longer runs.
    virtual void withdraw() = 0;
};

// org.freedesktop.Notifications on the session bus, under the program's name and the icon its
// desktop entry names. The bus is first reached by the first message, never before, and no
// call waits for an answer: without a notification service nothing happens.
std::unique_ptr<Notifications> desktopNotifications(const QString &appName,
                                                    const QString &iconName);

} // namespace shell
