// Starts the real executable on a private X server and looks at what the user would see.
#include "tests/app/windowprobe.h"
#include "tests/app/xvfbserver.h"

#include <QFile>
#include <QProcess>
#include <QSize>
#include <QTemporaryDir>
#include <QThread>
#include <gtest/gtest.h>

namespace
{

class Startup : public testing::Test
{
protected:
    XvfbServer server;
    WindowProbe probe;
    QProcess app;
    QTemporaryDir runtimeDir;
    QString configHome = qEnvironmentVariable("XDG_CONFIG_HOME");

    void TearDown() override
    {
        if (app.state() == QProcess::NotRunning)
            return;
        app.terminate();
        if (!app.waitForFinished(2000)) {
            app.kill();
            app.waitForFinished(1000);
        }
    }

    std::string appOutput()
    {
        app.waitForReadyRead(0);
        return QString::fromLocal8Bit(app.readAll()).toStdString();
    }

    static std::string describe(const QList<WindowProbe::Window> &windows)
    {
        std::string text = windows.isEmpty() ? "none" : "";
        for (const WindowProbe::Window &w : windows)
            text += std::to_string(w.width) + "x" + std::to_string(w.height) + " ";
        return text;
    }
};

TEST_F(Startup, ShowsOnlyTheSmallWindowOnFirstRunStaysUpAndRemembersIt)
{
    ASSERT_FALSE(configHome.isEmpty());
    ASSERT_TRUE(runtimeDir.isValid());
    ASSERT_TRUE(server.start(5000)) << server.error().toStdString();
    ASSERT_TRUE(probe.connect(server.display()));
    app.setProcessEnvironment(server.clientEnvironment(runtimeDir.path()));
    app.setProcessChannelMode(QProcess::MergedChannels);
    app.start(QStringLiteral(OSTREVAN_EXE), {});
    ASSERT_TRUE(app.waitForStarted(3000)) << app.errorString().toStdString();

    // 3465 x 1755 twips at 15 twips a pixel. It must appear, be the only main window shown
    // and stay up: a crash in the first timer ticks or a second main window flashing up shows.
    const QString title = QStringLiteral("Ostrevan");
    ASSERT_FALSE(probe.waitFor(title, 231, 117, 8000).isEmpty())
        << "no 231x117 window titled Ostrevan; shown: " << describe(probe.shown(title)) << "\n"
        << appOutput();
    QThread::msleep(500);
    ASSERT_EQ(app.state(), QProcess::Running) << appOutput();
    const QList<WindowProbe::Window> later = probe.shown(title);
    ASSERT_EQ(later.size(), 1) << describe(later);
    EXPECT_EQ(QSize(later[0].width, later[0].height), QSize(231, 117));

    QFile file(configHome + QStringLiteral("/ostrevan/hkcu.reg"));
    const QByteArray hive = file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    EXPECT_TRUE(hive.contains("\"Size\"=\"0\"")) << hive.toStdString();
    EXPECT_TRUE(hive.contains("\"Background Color\"=\"5\"")) << hive.toStdString();
}

} // namespace
