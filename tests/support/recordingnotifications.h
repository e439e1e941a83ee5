#pragma once

#include "shell/desktopnotification.h"

#include <QStringList>

// Desktop notifications kept in memory: the one shown, or none.
class RecordingNotifications final : public shell::Notifications
{
public:
    QStringList shown;            // summary, body and action label; empty when none is shown
    std::function<void()> action; // what picking the action does

    void notify(const QString &summary, const QString &body, const QString &actionLabel,
                std::function<void()> onAction) override
    {
        shown = {summary, body, actionLabel};
        action = std::move(onAction);
    }
    void withdraw() override
    {
        shown.clear();
        action = {};
    }
};
