// A second program on the same hive, for the tests that need real processes:
//   settings_writer save <section> <key> <text>   exit 0 when stored, 1 when not
//   settings_writer get <section> <key> <default> prints the text read
//   settings_writer startup <section> <key> <text>
//                                                 what start-up does: reads the value, saves it
//                                                 and reads it again; prints "<read>|<1 when
//                                                 saved, else 0>|<read again>"
//   settings_writer many <prefix> <count>         writes <prefix><n> = "<prefix>:<n>" in "Stress"
//   settings_writer churn <length>                rewrites one long value until killed
//   settings_writer replace                       replaces the "Presets" list until killed
#include "settings/cregsettings.h"

#include <QCoreApplication>
#include <cstdio>

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments().mid(1);
    settings::CRegSettings store;
    store.setCompany("Quillanor");
    store.setAppName("Ostrevan");
    const QString command = args.value(0);
    if (command == "save" && args.size() == 4)
        return store.SaveSetting(args[1], args[2], args[3]) ? 0 : 1;
    if (command == "get" && args.size() == 4)
        return std::fputs(store.GetSetting(args[1], args[2], args[3]).toUtf8().constData(),
                          stdout) < 0;
    if (command == "startup" && args.size() == 4) {
        const QString before = store.GetSetting(args[1], args[2], "default");
        const bool saved = store.SaveSetting(args[1], args[2], args[3]);
        const QString after = store.GetSetting(args[1], args[2], "default");
        const QString line = before + '|' + QString::number(saved) + '|' + after;
        return std::fputs(line.toUtf8().constData(), stdout) < 0;
    }
    if (command == "many" && args.size() == 3) {
        bool ok = true;
        for (int n = 0; n < args[2].toInt(); ++n)
            ok &= store.SaveSetting("Stress", args[1] + QString::number(n),
                                    args[1] + ':' + QString::number(n));
        return ok ? 0 : 2;
    }
    // Every round stores a value of one repeated letter and then its round number, so a reader
    // can tell a whole value from a torn one.
    for (int round = 0; command == "churn" && args.size() == 2; ++round) {
        if (!store.SaveSetting("Churn", "Big", QString(args[1].toInt(), QChar('a' + round % 26))) ||
            !store.SaveSetting("Churn", "Round", QString::number(round)))
            return 2;
        if (round == 0 && std::puts("ready") >= 0)
            std::fflush(stdout);
    }
    // Round r stores n(r) presets "Preset<i>" = "<r>:<i>/<n>", so a reader can tell a whole
    // list from a mix of two or a list cut short.
    for (int round = 0; command == "replace" && args.size() == 1; ++round) {
        const int count = 1 + round * 37 % 60;
        std::vector<std::array<QString, 2>> list;
        for (int i = 0; i < count; ++i)
            list.push_back({QStringLiteral("Preset%1").arg(i),
                            QStringLiteral("%1:%2/%3").arg(round).arg(i).arg(count)});
        if (!store.ReplaceSection("Presets", list))
            return 2;
        if (round == 0 && std::puts("ready") >= 0)
            std::fflush(stdout);
    }
    std::fputs("usage: settings_writer save|get|startup|many|churn|replace ...\n", stderr);
    return 64;
}
