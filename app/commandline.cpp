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
    for (int i = 1; i < argc; ++i) {
        if (asksForText(argv[i]) && !qEnvironmentVariableIsSet("QT_QPA_PLATFORM")) {
            qputenv("QT_QPA_PLATFORM", "offscreen");
            return;
        }
    }
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
    return std::nullopt;
}
