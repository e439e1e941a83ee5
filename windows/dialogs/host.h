#pragma once

#include "platform/services.h"
#include "platform/units.h"
#include "shell/notifyicon.h"

#include <QByteArray>
#include <QString>
#include <QtGlobal>

namespace engine
{
class Media;
}
namespace platform
{
class Form;
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

    // What the dialogs reach of the main windows.
    // The small main window, which owns the alarm and the values below.
    virtual platform::Form &smallWindow() = 0;
    virtual bool smallWindowVisible() = 0;
    virtual bool largeWindowVisible() = 0;
    // The small window's alarm sound file path and that file's contents.
    virtual QString &fname() = 0;
    virtual QByteArray &dsound() = 0;
    // Dresses both main windows in a background choice; false, changing nothing, for a
    // choice that names no background.
    virtual bool applyBackground(qint32 choice) = 0;
    // Colours every command button of both main windows and makes it the normal button colour.
    virtual void applyButtonColor(platform::ColorValue color) = 0;

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
