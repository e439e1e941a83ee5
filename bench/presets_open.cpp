// Opening the Presets window on a long list: the time from the Presets button until the window
// has painted its list and the event loop has caught up, next to the floor, a bare QListWidget
// filled with the same strings in the same process and shown the same way. Counts alternate
// between the program and the floor so that a change in the machine's load hits both alike.
// Run it under an X server (with the accessibility bus on for the figure that matters), with
// XDG_CONFIG_HOME pointing at a settings folder it may overwrite.
//
//   bench_presets_open [COUNT...]    (default 1000 10000 100000)
#include "platform/commandbutton.h"
#include "tests/support/recordingmedia.h"
#include "windows/desktop.h"
#include "windows/main/form1.h"
#include "windows/program.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QListWidget>
#include <QPointer>
#include <QTimer>
#include <cstdio>
#include <cstdlib>
#include <functional>

namespace
{

QStringList presetTexts(int count)
{
    QStringList texts;
    texts.reserve(count);
    for (int i = 0; i < count; ++i)
        texts << QStringLiteral("%1:%2:%3")
                     .arg(i % 100, 2, 10, QLatin1Char('0'))
                     .arg(i / 100 % 60, 2, 10, QLatin1Char('0'))
                     .arg(i % 60, 2, 10, QLatin1Char('0'));
    return texts;
}

bool writePresets(const QStringList &texts)
{
    const QString folder = qEnvironmentVariable("XDG_CONFIG_HOME") + QStringLiteral("/ostrevan");
    QDir().mkpath(folder);
    QByteArray bytes = "REGEDIT4\r\n\r\n"
                       "[HKEY_CURRENT_USER\\Software\\Quillanor\\Ostrevan\\Presets]\r\n";
    for (int i = 0; i < texts.size(); ++i)
        bytes += "\"Preset" + QByteArray::number(i) + "\"=\"" + texts[i].toLatin1() + "\"\r\n";
    QFile file(folder + QStringLiteral("/hkcu.reg"));
    return file.open(QIODevice::WriteOnly | QIODevice::Truncate) &&
           file.write(bytes) == bytes.size();
}

// Calls done() at the first paint of a widget of the window whose object name is given, once
// the events queued by then have been handled.
class PaintWatch : public QObject
{
public:
    PaintWatch(QString window, std::function<void(QWidget *)> done)
        : m_window(std::move(window)), m_done(std::move(done))
    {
        qApp->installEventFilter(this);
    }
    ~PaintWatch() override { qApp->removeEventFilter(this); }

protected:
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        if (!m_seen && event->type() == QEvent::Paint && watched->isWidgetType()) {
            QWidget *window = static_cast<QWidget *>(watched)->window();
            if (window->objectName() == m_window) {
                m_seen = true;
                QTimer::singleShot(0, window, [this, window] { m_done(window); });
            }
        }
        return false;
    }

private:
    QString m_window;
    std::function<void(QWidget *)> m_done;
    bool m_seen = false;
};

double floorMs(const QStringList &texts)
{
    QElapsedTimer clock;
    clock.start();
    QEventLoop loop;
    double ms = 0;
    PaintWatch watch(QStringLiteral("floor"), [&](QWidget *) {
        ms = clock.nsecsElapsed() / 1e6;
        loop.quit();
    });
    QListWidget list;
    list.setObjectName(QStringLiteral("floor"));
    list.addItems(texts);
    list.setCurrentRow(int(texts.size()) - 1);
    list.show();
    loop.exec();
    return ms;
}

double presetsMs(Program &program)
{
    QElapsedTimer clock;
    double ms = 0;
    PaintWatch watch(QStringLiteral("Form3"), [&](QWidget *window) {
        ms = clock.nsecsElapsed() / 1e6;
        window->close(); // ends the modal wait without storing anything
    });
    clock.start();
    program.form1().Command7->click(); // returns when the window is closed
    return ms;
}

} // namespace

int main(int argc, char **argv)
{
    QApplication app(argc, argv);
    std::vector<int> counts;
    for (int i = 1; i < argc; ++i)
        counts.push_back(std::max(1, std::atoi(argv[i])));
    if (counts.empty())
        counts = {1000, 10000, 100000};

    DesktopServices desktop;
    engine::RecordingMedia media;
    Program program(desktop.forProgram(media), [] {});
    program.start();
    QEventLoop settle;
    QTimer::singleShot(500, &settle, &QEventLoop::quit);
    settle.exec();

    for (int count : counts) {
        const QStringList texts = presetTexts(count);
        if (!writePresets(texts))
            return 1;
        const double floor = floorMs(texts);
        const double presets = presetsMs(program);
        std::printf("Presets window opened on %d entries: %.1f ms\n", count, presets);
        std::printf("floor: bare QListWidget shown with the same %d strings: %.1f ms\n", count,
                    floor);
        std::fflush(stdout);
    }
    return 0;
}
