#include "buildinfo.h"
#include "engine/sdlmedia.h"
#include "platform/programfolder.h"
#include "platform/qttimerservice.h"
#include "platform/waits.h"
#include "settings/catalogue.h"
#include "shell/notifyicon.h"
#include "shell/shellexecute.h"
#include "shell/winhelp.h"
#include "windows/program.h"

#include <QApplication>

int main(int argc, char **argv)
{
    QApplication app(argc, argv);
    QApplication::setApplicationName(settings::Application.toString());
    QApplication::setOrganizationName(settings::Company.toString());
    QApplication::setQuitOnLastWindowClosed(false);
    // Ties the windows to the installed desktop entry: the dock shows its name and icon.
    QGuiApplication::setDesktopFileName(QLatin1String(buildinfo::AppId));

    platform::QtTimerService timers;
    platform::DesktopWaits waits;
    engine::SdlMedia media;
    const auto area = shell::desktopNotifyArea();
    shell::NotifyIcons icons(*area);
    const auto help = shell::desktopHelp();
    const auto links = shell::desktopLinks();
    Program program(
        {{timers, waits, platform::programFolder(QCoreApplication::applicationDirPath())},
         media,
         icons,
         *help,
         *links},
        [] { QCoreApplication::exit(0); });
    program.start();
    return QApplication::exec();
}
