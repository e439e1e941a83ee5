// A second program writing to the same hive, for the tests that need real processes:
//   settings_writer save <section> <key> <text>   exit 0 when stored, 1 when not
//   settings_writer get <section> <key> <default> prints the text read
//   settings_writer many <prefix> <count>         writes <prefix><n> = "<prefix>:<n>" in "Stress"
//   settings_writer churn <length>                rewrites one long value until killed
#include "settings/cregsettings.h"

#include <QCoreApplication>
#include <QTextStream>
#include <cstdio>

using settings::CRegSettings;

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments().mid(1);
    CRegSettings store;
    store.setCompany(QStringLiteral("Quillanor"));
    store.setAppName(QStringLiteral("Ostrevan"));
    QTextStream out(stdout);

    const QString command = args.value(0);
    if (command == QLatin1String("save") && args.size() == 4)
        return store.SaveSetting(args.at(1), args.at(2), args.at(3)) ? 0 : 1;
    if (command == QLatin1String("get") && args.size() == 4) {
        out << store.GetSetting(args.at(1), args.at(2), args.at(3));
        return 0;
    }
    if (command == QLatin1String("many") && args.size() == 3) {
        const QString prefix = args.at(1);
        const int count = args.at(2).toInt();
        int failed = 0;
        for (int n = 0; n < count; ++n) {
            const QString key = prefix + QString::number(n);
            if (!store.SaveSetting(QStringLiteral("Stress"), key,
                                   prefix + u':' + QString::number(n)))
                ++failed;
        }
        return failed == 0 ? 0 : 2;
    }
    if (command == QLatin1String("churn") && args.size() == 2) {
        // Every round stores a value of one repeated letter and its round number, so a reader
        // can tell a whole value from a torn one.
        const int length = args.at(1).toInt();
        for (int round = 0;; ++round) {
            const QChar letter(u'a' + round % 26);
            if (!store.SaveSetting(QStringLiteral("Churn"), QStringLiteral("Big"),
                                   QString(length, letter)) ||
                !store.SaveSetting(QStringLiteral("Churn"), QStringLiteral("Round"),
                                   QString::number(round)))
                return 2;
            if (round == 0) {
                out << "ready\n";
                out.flush();
                std::fflush(stdout);
            }
        }
    }
    out << "usage: settings_writer save|get|many|churn ...\n";
    return 64;
}
