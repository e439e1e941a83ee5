#pragma once

#include "platform/services.h"
#include "shell/notifyicon.h"

#include <QString>
#include <QtGlobal>

namespace engine
{
class Media;
}

// The state the program keeps global, and the program-wide services every window reaches.
class Host
{
public:
    Host(platform::Services services, engine::Media &media, shell::NotifyIcons &icons)
        : m_services(services), m_media(media), m_icons(icons)
    {
    }
    virtual ~Host() = default;
    Host(const Host &) = delete;
    Host &operator=(const Host &) = delete;

    platform::Services &services() { return m_services; }
    engine::Media &media() { return m_media; }
    shell::NotifyIcons &notifyIcons() { return m_icons; }

    // Ends the program at once, from whatever handler calls it.
    virtual void End() = 0;

    // The window size chosen in the Options window and not yet applied: -1 none, 0 small, 1 large.
    qint16 newsize = -1;
    // The digit colour as stored: decimal text of a colour value.
    QString digclr;
    // A sound was started (alarm or test sound) and has not been silenced.
    bool playing = false;
    // The quoted path naming the alarm's media device.
    QString mcifile;
    // The notification-area icon's record, and whether the icon is shown.
    shell::NOTIFYICONDATA nid;
    bool intray = false;

private:
    platform::Services m_services;
    engine::Media &m_media;
    shell::NotifyIcons &m_icons;
};
