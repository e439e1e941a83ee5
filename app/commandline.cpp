#include "app/commandline.h"

#include "buildinfo.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <cstdio>
#include <cstring>

namespace
{

// What a refused command line ends with, as for any command-line tool's usage error.
constexpr int kUsageError = 2;
// The arguments are being read on the offscreen platform because there is no display.
bool s_noDisplay = false;

bool asksForText(const char *argument)
{
    for (const char *option : {"-h", "--help", "--help-all", "-?", "-v", "--version"}) {
        if (std::strcmp(argument, option) == 0)
            return true;
    }
    return false;
}

} // namespace

void prepareForCommandLine(int argc, char **argv)
{
    if (qEnvironmentVariableIsSet("QT_QPA_PLATFORM"))
        return;
    bool text = false, arguments = argc > 1, displayNamed = false;
    for (int i = 1; i < argc; ++i) {
        text = text || asksForText(argv[i]);
        for (const char *qt : {"-platform", "--platform", "-display", "--display"})
            displayNamed = displayNamed || std::strcmp(argv[i], qt) == 0;
    }
    // Without a display the application object would end the program before a wrong
    // argument is refused; a command line that cannot start the program needs none.
    s_noDisplay = arguments && !displayNamed && qEnvironmentVariableIsEmpty("DISPLAY") &&
                  qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY");
    if (text || s_noDisplay)
        qputenv("QT_QPA_PLATFORM", "offscreen");
}

std::optional<int> answerCommandLine()
{
    QCoreApplication::setApplicationVersion(QLatin1String(buildinfo::Version));
    QCommandLineParser parser;
    parser.setApplicationDescription(
        QStringLiteral("A countdown timer with an alarm.\n"
                       "Qt's own options, such as -platform NAME or -display DISPLAY, are "
                       "accepted as well."));
    const QCommandLineOption help = parser.addHelpOption();
    const QCommandLineOption version = parser.addVersionOption();
    const QString name = QStringLiteral("ostrevan");
    if (!parser.parse(QCoreApplication::arguments())) {
        std::fprintf(stderr, "%s: %s Try '%s --help'.\n", qPrintable(name),
                     qPrintable(parser.errorText()), qPrintable(name));
        return kUsageError;
    }
    // Qt's parser prints the list with Qt's own options itself, and ends with status 0.
    if (parser.isSet(QStringLiteral("help-all")))
        parser.process(QCoreApplication::arguments());
    if (parser.isSet(help)) {
        std::fputs(qPrintable(parser.helpText()), stdout);
        return 0;
    }
    if (parser.isSet(version)) {
        std::printf("%s %s\n", qPrintable(QCoreApplication::applicationName()), buildinfo::Version);
        return 0;
    }
    if (!parser.positionalArguments().isEmpty()) {
        std::fprintf(stderr, "%s: takes no arguments ('%s'). Try '%s --help'.\n", qPrintable(name),
                     qPrintable(parser.positionalArguments().first()), qPrintable(name));
        return kUsageError;
    }
    if (s_noDisplay) {
        std::fprintf(stderr,
                     "%s: no display to show the window on (DISPLAY and WAYLAND_DISPLAY "
                     "are unset).\n",
                     qPrintable(name));
        return 1;
    }
    return std::nullopt;
}
