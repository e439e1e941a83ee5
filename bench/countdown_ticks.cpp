// Runs a real countdown in the program's own windows and timers and reports how far each
// tick of the one-second timer lies from start + n x 1000 ms, and the CPU the program used
// meanwhile. Run it under an X server with the settings folder it should use.
//
//   bench_countdown_ticks [SECONDS]    (default 125)
#include "platform/commandbutton.h"
#include "platform/textbox.h"
#include "tests/support/recordingmedia.h"
#include "windows/desktop.h"
#include "windows/main/form1.h"
#include "windows/program.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QTimer>
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <sys/resource.h>
#include <vector>

namespace
{

double cpuSeconds()
{
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_utime.tv_sec + usage.ru_stime.tv_sec +
           (usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}

// Voluntary context switches of all this process's threads: how often something woke it.
long long wakeups()
{
    long long total = 0;
    const QDir tasks(QStringLiteral("/proc/self/task"));
    for (const QString &task : tasks.entryList(QDir::Dirs | QDir::NoDotAndDotDot)) {
        QFile status(tasks.filePath(task) + QStringLiteral("/status"));
        if (!status.open(QIODevice::ReadOnly))
            continue;
        for (const QByteArray &line : status.readAll().split('\n')) {
            if (line.startsWith("voluntary_ctxt_switches:"))
                total += line.mid(24).trimmed().toLongLong();
        }
    }
    return total;
}

} // namespace

int main(int argc, char **argv)
{
    QApplication app(argc, argv);
    const int seconds = argc > 1 ? std::max(2, std::atoi(argv[1])) : 125;

    DesktopServices desktop;
    engine::RecordingMedia media; // the alarm's sound is not what is measured here
    Program program(desktop.forProgram(media), [] { QCoreApplication::exit(0); });
    program.start();
    Form1 &form = program.form1();
    form.Label2->setText(QString::number(seconds / 3600).rightJustified(2, '0'));
    form.Label1->setText(QString::number(seconds / 60 % 60).rightJustified(2, '0'));
    form.Label3->setText(QString::number(seconds % 60).rightJustified(2, '0'));

    QElapsedTimer clock;
    std::vector<qint64> ticks;
    double cpuStart = 0;
    long long wakeupsStart = 0;
    // Every tick writes the seconds field.
    QObject::connect(form.Label3, &platform::TextBox::Change,
                     [&] { ticks.push_back(clock.nsecsElapsed()); });
    QTimer::singleShot(1000, [&] {
        clock.start();
        cpuStart = cpuSeconds();
        wakeupsStart = wakeups();
        form.Command1_Click();
        if (form.Command1->caption() != QLatin1String("Stop")) {
            std::fprintf(stderr, "the countdown did not start (is a sound file set?)\n");
            QCoreApplication::exit(1);
        }
    });
    QTimer::singleShot(1000 + seconds * 1000 + 500, [&] { QCoreApplication::exit(0); });
    if (QApplication::exec() != 0)
        return 1;

    const double wall = clock.nsecsElapsed() / 1e9;
    const double cpu = cpuSeconds() - cpuStart;
    const long long woken = wakeups() - wakeupsStart;
    double largest = 0;
    for (size_t n = 0; n < ticks.size(); ++n)
        largest = std::max(largest, std::abs(ticks[n] / 1e6 - (n + 1) * 1000.0));
    const double drift = ticks.empty() ? NAN : ticks.back() / 1e6 - ticks.size() * 1000.0;
    std::printf("countdown ticks over %d s: %zu\n", seconds, ticks.size());
    std::printf("largest tick error: %.2f ms\n", largest);
    std::printf("drift at the last tick: %.2f ms\n", drift);
    std::printf("CPU share while counting: %.2f %% of one core\n", 100 * cpu / wall);
    std::printf("wake-ups while counting: %.1f per second\n", woken / wall);
    return 0;
}
