#include "app/program.h"
#include "engine/sdlmedia.h"
#include "platform/qttimerservice.h"
#include "platform/waits.h"
#include "shell/notifyicon.h"

#include <QApplication>

int main(int argc, char **argv)
{
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Ostrevan"));
    QApplication::setOrganizationName(QStringLiteral("Quillanor"));
    QApplication::setQuitOnLastWindowClosed(false);

    platform::QtTimerService timers;
    platform::DesktopWaits waits;
    engine::SdlMedia media;
    const auto area = shell::desktopNotifyArea();
    shell::NotifyIcons icons(*area);
    Program program({timers, waits, QCoreApplication::applicationDirPath()}, media, icons,
                    [] { QCoreApplication::exit(0); });
    program.start();
    return QApplication::exec();
}
