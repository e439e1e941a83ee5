#include "app/commandline.h"
#include "buildinfo.h"
#include "engine/sdlmedia.h"
#include "settings/catalogue.h"
#include "shell/termination.h"
#include "windows/desktop.h"
#include "windows/program.h"

#include <QApplication>

int main(int argc, char **argv)
{
    prepareForCommandLine(argc, argv);
    QApplication app(argc, argv);
    QApplication::setApplicationName(settings::Application.toString());
    QApplication::setOrganizationName(settings::Company.toString());
    if (const std::optional<int> status = answerCommandLine())
        return *status;
    QApplication::setQuitOnLastWindowClosed(false);
    // Ties the windows to the installed desktop entry: the dock shows its name and icon.
    QGuiApplication::setDesktopFileName(QLatin1String(buildinfo::AppId));

    DesktopServices desktop;
    engine::SdlMedia media;
    Program program(desktop.forProgram(media), [] { QCoreApplication::exit(0); });
    shell::endOnTermination([&program] { program.End(); });
    program.start();
    return QApplication::exec();
}
