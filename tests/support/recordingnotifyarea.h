#pragma once

#include "shell/notifyicon.h"

#include <QStringList>
#include <map>

// A notification area that keeps its icons in memory and lets a test click them.
class RecordingNotifyArea final : public shell::NotifyArea
{
public:
    bool available = true;
    struct Icon {
        QString tip;
        std::function<void(int)> activated;
    };
    std::map<int, Icon> icons;

    bool isAvailable() const override { return available; }
    void add(int key, const QIcon &, const QString &tip,
             std::function<void(int)> activated) override
    {
        icons[key] = {tip, std::move(activated)};
    }
    void modify(int key, const QIcon *, const QString *tip) override
    {
        if (tip && icons.count(key))
            icons[key].tip = *tip;
    }
    void remove(int key) override { icons.erase(key); }
    // The host goes, and says so.
    void loseHost()
    {
        available = false;
        if (hostLost)
            hostLost();
    }
};
