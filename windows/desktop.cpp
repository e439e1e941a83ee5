#include "windows/desktop.h"

#include "buildinfo.h"
#include "platform/programfolder.h"
#include "settings/catalogue.h"
#include "shell/desktopnotification.h"
#include "shell/shellexecute.h"
#include "shell/winhelp.h"

#include <QCoreApplication>

DesktopServices::DesktopServices()
    : m_area(shell::desktopNotifyArea()), m_icons(*m_area), m_help(shell::desktopHelp()),
      m_links(shell::desktopLinks()),
      // Under the icon the desktop entry names, which is the entry's own name.
      m_notifications(shell::desktopNotifications(settings::Application.toString(),
                                                  QString::fromLatin1(buildinfo::AppId)))
{
}

DesktopServices::~DesktopServices() = default;

ProgramServices DesktopServices::forProgram(engine::Media &media)
{
    return {{m_timers, m_waits, platform::programFolder(QCoreApplication::applicationDirPath())},
            media,
            m_icons,
            *m_help,
            *m_links,
            *m_notifications};
}
