// Starts the real executable on a private X server and looks at what the user would see.
#include "tests/app/windowprobe.h"
#include "tests/app/xvfbserver.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QThread>
#include <gtest/gtest.h>

namespace
{

constexpr int SmallWidth = 231; // 3465 x 1755 twips at 15 twips per pixel
constexpr int SmallHeight = 117;
constexpr int LargeWidth = 734; // 11010 x 4035 twips
constexpr int LargeHeight = 269;
const QString Title = QStringLiteral("Ostrevan");

class Startup : public testing::Test
{
protected:
    XvfbServer server;
    WindowProbe probe;
    QProcess app;
    QTemporaryDir runtimeDir;
    QString configHome = qEnvironmentVariable("XDG_CONFIG_HOME");

    void SetUp() override
    {
        ASSERT_FALSE(configHome.isEmpty());
        ASSERT_TRUE(runtimeDir.isValid());
        ASSERT_TRUE(server.start(5000)) << server.error().toStdString();
        ASSERT_TRUE(probe.connect(server.display()));
    }

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

    QString hivePath() const { return configHome + QStringLiteral("/ostrevan/hkcu.reg"); }

    void storeHive(const QByteArray &text)
    {
        ASSERT_TRUE(QDir().mkpath(configHome + QStringLiteral("/ostrevan")));
        QFile file(hivePath());
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(text);
    }

    void storeOptions(const QByteArray &values)
    {
        storeHive(
            "REGEDIT4\r\n\r\n[HKEY_CURRENT_USER\\Software\\Quillanor\\Ostrevan\\Options]\r\n" +
            values);
    }

    QByteArray storedHive() const
    {
        QFile file(hivePath());
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    }

    void startApp()
    {
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("DISPLAY"), server.display());
        env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("xcb"));
        env.insert(QStringLiteral("SDL_AUDIODRIVER"), QStringLiteral("dummy"));
        env.insert(QStringLiteral("XDG_CONFIG_HOME"), configHome);
        env.insert(QStringLiteral("XDG_RUNTIME_DIR"), runtimeDir.path());
        env.remove(QStringLiteral("WAYLAND_DISPLAY"));
        app.setProcessEnvironment(env);
        app.setProcessChannelMode(QProcess::MergedChannels);
        app.start(QStringLiteral(OSTREVAN_EXE), {});
        ASSERT_TRUE(app.waitForStarted(3000)) << app.errorString().toStdString();
    }

    std::string appOutput()
    {
        app.waitForReadyRead(0);
        return QString::fromLocal8Bit(app.readAll()).toStdString();
    }

    // The window must appear, be the only main window shown, and stay up: a crash in the first
    // timer ticks or a second main window flashing up would be caught here.
    void expectOnlyWindow(int width, int height)
    {
        const QList<WindowProbe::Window> first = probe.waitFor(Title, width, height, 8000);
        ASSERT_FALSE(first.isEmpty())
            << "no " << width << "x" << height
            << " window titled Ostrevan; shown: " << describe(probe.shown(Title)) << "\n"
            << appOutput();
        QThread::msleep(500);
        ASSERT_EQ(app.state(), QProcess::Running) << appOutput();
        const QList<WindowProbe::Window> later = probe.shown(Title);
        ASSERT_EQ(later.size(), 1) << describe(later);
        EXPECT_EQ(later[0].width, width);
        EXPECT_EQ(later[0].height, height);
    }

    static std::string describe(const QList<WindowProbe::Window> &windows)
    {
        std::string text = windows.isEmpty() ? "none" : "";
        for (const WindowProbe::Window &w : windows)
            text += std::to_string(w.width) + "x" + std::to_string(w.height) + " ";
        return text;
    }
};

TEST_F(Startup, ShowsSmallWindowOnFirstRunAndRemembersIt)
{
    startApp();
    expectOnlyWindow(SmallWidth, SmallHeight);
    const QByteArray hive = storedHive();
    EXPECT_TRUE(hive.contains("\"Size\"=\"0\"")) << hive.toStdString();
    EXPECT_TRUE(hive.contains("\"Background Color\"=\"5\"")) << hive.toStdString();
}

TEST_F(Startup, ShowsLargeWindowWhenLargeSizeIsStored)
{
    storeOptions("\"Size\"=\"1\"\r\n\"Background Color\"=\"2\"\r\n");
    startApp();
    expectOnlyWindow(LargeWidth, LargeHeight);
    const QByteArray hive = storedHive();
    EXPECT_TRUE(hive.contains("\"Size\"=\"1\"")) << hive.toStdString();
    EXPECT_TRUE(hive.contains("\"Background Color\"=\"2\"")) << hive.toStdString();
}

TEST_F(Startup, ShowsSmallWindowWhenSettingsFileIsGarbageAndKeepsTheGarbage)
{
    QByteArray junk("\x7f"
                    "ELF\x02\x01\x01",
                    7);
    for (int i = 0; i < 4096; ++i)
        junk.append(char((i * 131 + 7) % 256));
    storeHive(junk);
    startApp();
    expectOnlyWindow(SmallWidth, SmallHeight);
    // The unreadable file may be replaced by a clean one, but its bytes must survive somewhere
    // in the settings folder for the user to recover.
    bool kept = false;
    const QDir folder(configHome + QStringLiteral("/ostrevan"));
    for (const QFileInfo &entry : folder.entryInfoList(QDir::Files | QDir::Hidden)) {
        QFile file(entry.filePath());
        kept = kept || (file.open(QIODevice::ReadOnly) && file.readAll() == junk);
    }
    EXPECT_TRUE(kept) << folder.entryList(QDir::Files | QDir::Hidden).join(u' ').toStdString();
}

} // namespace
