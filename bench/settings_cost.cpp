// The cost of the settings file as it grows: the calls start-up and the Presets window make, on
// files of several shapes, each next to the same call on an empty file (the floor); and the
// first write's cost when a lock file is left in place, next to taking a fresh lock. Every
// figure is the median of RUNS calls, in a settings folder of its own; one line per figure,
// "name: value unit".
//
//   bench_settings_cost [RUNS]    (default 15)
#include "settings/cregsettings.h"

#include <QByteArray>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QLockFile>
#include <QSysInfo>
#include <QTemporaryDir>
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

namespace
{

const QByteArray AppKey = "HKEY_CURRENT_USER\\Software\\Quillanor\\Ostrevan";

QString hiveFile()
{
    return qEnvironmentVariable("XDG_CONFIG_HOME") + QStringLiteral("/ostrevan/hkcu.reg");
}

bool writeHive(const QByteArray &bytes)
{
    QFile file(hiveFile());
    return file.open(QIODevice::WriteOnly | QIODevice::Truncate) &&
           file.write(bytes) == bytes.size();
}

// Median in milliseconds of `runs` calls; the file (and the lock file, when given) is written
// anew before each so a call that writes measures the same thing every time.
double median(int runs, const QByteArray &file, const std::function<bool()> &call,
              const QByteArray *lock = nullptr)
{
    std::vector<double> times;
    for (int run = 0; run < runs; ++run) {
        QFile lockFile(hiveFile() + QStringLiteral(".lock"));
        if (!writeHive(file) || (lock && (!lockFile.open(QIODevice::WriteOnly) ||
                                          lockFile.write(*lock) != lock->size())))
            std::exit(1);
        lockFile.close();
        QElapsedTimer timer;
        timer.start();
        const bool ok = call();
        times.push_back(double(timer.nsecsElapsed()) / 1e6);
        if (!ok) {
            std::fputs("bench_settings_cost: a call gave the wrong result\n", stderr);
            std::exit(1);
        }
    }
    std::sort(times.begin(), times.end());
    return times[times.size() / 2];
}

void print(const char *name, int runs, double ms)
{
    std::printf("%s (median of %d): %.3f ms\n", name, runs, ms);
    std::fflush(stdout);
}

} // namespace

int main(int argc, char **argv)
{
    const int runs = argc > 1 ? std::max(1, std::atoi(argv[1])) : 15;
    QTemporaryDir config;
    if (!config.isValid())
        return 1;
    qputenv("XDG_CONFIG_HOME", config.path().toLocal8Bit());
    QDir().mkpath(config.path() + QStringLiteral("/ostrevan"));
    settings::CRegSettings store;
    store.setCompany(QStringLiteral("Quillanor"));
    store.setAppName(QStringLiteral("Ostrevan"));

    const QByteArray empty = "REGEDIT4\n\n";
    QByteArray presets = "REGEDIT4\n\n[" + AppKey + "\\Presets]\n";
    std::vector<std::array<QString, 2>> list;
    for (int i = 0; i < 10000; ++i) {
        const QByteArray time = QByteArray::number(i / 3600 % 100).rightJustified(2, '0') + ':' +
                                QByteArray::number(i / 60 % 60).rightJustified(2, '0') + ':' +
                                QByteArray::number(i % 60).rightJustified(2, '0');
        presets += "\"Preset" + QByteArray::number(i) + "\"=\"" + time + "\"\n";
        list.push_back({QStringLiteral("Preset%1").arg(i), QString::fromLatin1(time)});
    }
    QByteArray deep = "REGEDIT4\n\n[" + AppKey + "\\Options";
    for (int i = 0; i < 1000; ++i)
        deep += "\\k";
    deep += "]\n\"Size\"=\"1\"\n";
    QByteArray large = "REGEDIT4\n\n[" + AppKey + "\\Options]\n";
    for (int i = 0; large.size() < 10 * 1000 * 1000; ++i)
        large += "\"Value " + QByteArray::number(i) + "\"=\"text " + QByteArray::number(i) + "\"\n";
    large += "\"Size\"=\"1\"\n";

    const auto allPresets = [&](size_t count) {
        return [&store, count] {
            return store.GetAllOptions(QStringLiteral("Presets")).size() == count;
        };
    };
    const auto size = [&](const char *expected) {
        return [&store, expected] {
            return store.GetSetting(QStringLiteral("Options"), QStringLiteral("Size"),
                                    QStringLiteral("0")) == QLatin1String(expected);
        };
    };
    print("settings GetAllOptions(\"Presets\"), 10,000 presets", runs,
          median(runs, presets, allPresets(10000)));
    print("settings GetAllOptions(\"Presets\"), empty file (floor)", runs,
          median(runs, empty, allPresets(0)));
    print("settings GetSetting, a key nested 1,000 deep", runs, median(runs, deep, size("0")));
    print("settings GetSetting, empty file (floor)", runs, median(runs, empty, size("0")));
    print("settings GetSetting, 10 MB of distinct values", runs, median(runs, large, size("1")));
    print("settings ReplaceSection(\"Presets\"), 10,000 presets over 10,000", runs,
          median(runs, presets,
                 [&] { return store.ReplaceSection(QStringLiteral("Presets"), list); }));
    print(
        "settings ReplaceSection(\"Presets\"), 10,000 presets, empty file (floor)", runs,
        median(runs, empty, [&] { return store.ReplaceSection(QStringLiteral("Presets"), list); }));

    // Files of other shapes, which once cost time growing with the square of their size.
    QByteArray keys = "REGEDIT4\n\n";
    for (int i = 0; i < 20000; ++i)
        keys += '[' + AppKey + "\\Options\\K" + QByteArray::number(i) + "]\n\"V\"=\"1\"\n";
    QByteArray bytes = "REGEDIT4\n\n[" + AppKey + "\\Options]\n\"Blob\"=hex:00";
    for (int i = 1; i < 300000; ++i)
        bytes += i % 25 == 0 ? ",\\\n  00" : ",00";
    bytes += "\n\"Size\"=\"1\"\n";
    const auto save = [&] {
        return store.SaveSetting(QStringLiteral("Options"), QStringLiteral("Size"),
                                 QStringLiteral("2"));
    };
    print("settings SaveSetting, 20,000 keys", runs, median(runs, keys, save));
    print("settings SaveSetting, a value of 300,000 bytes", runs, median(runs, bytes, save));
    print("settings SaveSetting, empty file (floor)", runs, median(runs, empty, save));

    // A lock file left in place: start-up's first write takes it over.
    pid_t gone = ::fork();
    if (gone == 0)
        ::_exit(0);
    ::waitpid(gone, nullptr, 0);
    const QByteArray dead =
        QByteArray::number(gone) + "\nw\n" + QSysInfo::machineHostName().toUtf8() + "\n";
    const QByteArray garbage(100 * 1024, '\xff');
    print("settings SaveSetting, a lock left by a process that is gone", runs,
          median(runs, empty, save, &dead));
    print("settings SaveSetting, a lock file of 100 kB of garbage", runs,
          median(runs, empty, save, &garbage));
    print("QLockFile taking a fresh lock and letting it go (floor)", runs, median(runs, empty, [] {
              QLockFile lock(hiveFile() + QStringLiteral(".lock"));
              return lock.tryLock(0);
          }));
    return 0;
}
