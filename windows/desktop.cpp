#include "windows/desktop.h"

#include "platform/programfolder.h"
#include "shell/shellexecute.h"
#include "shell/winhelp.h"

#include <QCoreApplication>

DesktopServices::DesktopServices()
    : m_area(shell::desktopNotifyArea()), m_icons(*m_area), m_help(shell::desktopHelp()),
      m_links(shell::desktopLinks())
{
}

DesktopServices::~DesktopServices() = default;

ProgramServices DesktopServices::forProgram(engine::Media &media)
{
    return {{m_timers, m_waits, platform::programFolder(QCoreApplication::applicationDirPath())},
            media,
            m_icons,
            *m_help,
            *m_links};
}
