// The real program keeps to the clock: a countdown whose process is stopped for a while, as on
// a loaded, swapping or sleeping machine, still rings when its time is up.
#include "tests/app/xvfbserver.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>
#include <QThread>
#include <csignal>
#include <gtest/gtest.h>

TEST(StalledCountdown, ASixSecondCountdownStoppedForFourRingsAtSixSeconds)
{
    XvfbServer server;
    QTemporaryDir dir;
    ASSERT_TRUE(server.start(5000)) << server.error().toStdString();
    ASSERT_TRUE(QDir(dir.path()).mkdir("ostrevan"));
    QFile hive(dir.filePath("ostrevan/hkcu.reg"));
    ASSERT_TRUE(hive.open(QIODevice::WriteOnly));
    hive.write("REGEDIT4\r\n\r\n[HKEY_CURRENT_USER\\Software\\Quillanor\\Ostrevan\\Options]\r\n"
               "\"Sound File\"=\"" +
               QFileInfo(OSTREVAN_EXE).dir().filePath("chime.wav").toUtf8() + "\"\r\n");
    hive.close();
    // The alarm opens the audio device, which creates this file: its appearance is the ring.
    const QString ring = dir.filePath("ring.raw");
    for (const auto &[name, value] : {std::pair{"DISPLAY", server.display()},
                                      {"QT_QPA_PLATFORM", QString("xcb")},
                                      {"XDG_CONFIG_HOME", dir.path()},
                                      {"XDG_RUNTIME_DIR", dir.path()},
                                      {"SDL_AUDIODRIVER", QString("disk")},
                                      {"SDL_DISKAUDIOFILE", ring}})
        qputenv(name, value.toLocal8Bit()); // for the program and xdotool
    qunsetenv("WAYLAND_DISPLAY");
    QProcess app;
    app.start(OSTREVAN_EXE, {});
    // In pixels: the small window's up arrow of the seconds (pressed six times), then Start.
    const auto click = [](int x, int y, int times) {
        return QProcess::execute(OSTREVAN_XDOTOOL,
                                 {"search", "--sync", "--onlyvisible", "--name", "^Ostrevan$",
                                  "mousemove", "--sync", "--window", "%1", QString::number(x),
                                  QString::number(y), "click", "--repeat", QString::number(times),
                                  "--delay", "100", "1"}) == 0;
    };
    ASSERT_TRUE(click((3148 + 255 / 2) / 15, (270 + 637 / 4) / 15, 6));
    ASSERT_TRUE(click((90 + 1065 / 2) / 15, (960 + 705 / 2) / 15, 1));
    QElapsedTimer wall; // from Start pressed: after xdotool, before the program sees the click
    wall.start();
    QThread::msleep(1000);
    ::kill(pid_t(app.processId()), SIGSTOP);
    QThread::msleep(4000);
    ::kill(pid_t(app.processId()), SIGCONT);
    const qint64 resumed = wall.elapsed();
    while (!QFileInfo::exists(ring) && wall.elapsed() < 30000)
        QThread::msleep(10);
    const qint64 rang = wall.elapsed();
    ASSERT_TRUE(QFileInfo::exists(ring)) << "no alarm";
    // A loaded machine may resume the program late; it rings within a second of its time or
    // of being resumed, whichever is later, and never before its time.
    EXPECT_GE(rang, 5900);
    EXPECT_LT(rang, std::max<qint64>(6000, resumed) + 1000) << "resumed at " << resumed;
    app.kill();
    app.waitForFinished();
}
