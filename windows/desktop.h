#pragma once

#include "platform/qttimerservice.h"
#include "platform/waits.h"
#include "shell/notifyicon.h"
#include "windows/program.h"

#include <memory>

namespace shell
{
class Help;
class Links;
class Notifications;
} // namespace shell

// The desktop's own services for a Program: Qt's timers and dialogs, the notification area,
// the help viewer, the link opener and the desktop's notifications, with the program's folder
// found beside the executable. The sound player is the caller's, so a benchmark can hand in one
// that records.
class DesktopServices
{
public:
    DesktopServices();
    ~DesktopServices();
    DesktopServices(const DesktopServices &) = delete;
    DesktopServices &operator=(const DesktopServices &) = delete;

    ProgramServices forProgram(engine::Media &media);

private:
    platform::QtTimerService m_timers;
    platform::DesktopWaits m_waits;
    std::unique_ptr<shell::NotifyArea> m_area;
    shell::NotifyIcons m_icons;
    std::unique_ptr<shell::Help> m_help;
    std::unique_ptr<shell::Links> m_links;
    std::unique_ptr<shell::Notifications> m_notifications;
};
