// Starts the real executable on a private X server and looks at what the user would see.
#include "tests/app/windowprobe.h"
#include "tests/app/xvfbserver.h"

#include <QProcess>
#include <QSize>
#include <QTemporaryDir>
#include <QThread>
#include <gtest/gtest.h>

namespace
{

// Without a window manager or tray: the first run shows the small window alone (231 x 117
// pixels, 3465 x 1755 twips) and it stays up, so a crash in the first timer ticks or a second
// main window flashing up shows.
TEST(Startup, ShowsOnlyTheSmallWindowOnFirstRunAndStaysUp)
{
    XvfbServer server;
    WindowProbe probe;
    QTemporaryDir runtimeDir;
    ASSERT_TRUE(server.start(5000)) << server.error().toStdString();
    ASSERT_TRUE(probe.connect(server.display()));
    QProcess app; // killed when it goes
    app.setProcessEnvironment(server.clientEnvironment(runtimeDir.path()));
    app.setProcessChannelMode(QProcess::MergedChannels);
    app.start(QStringLiteral(OSTREVAN_EXE), {});
    ASSERT_TRUE(app.waitForStarted(3000)) << app.errorString().toStdString();
    const QString title = QStringLiteral("Ostrevan");
    ASSERT_FALSE(probe.waitFor(title, 231, 117, 8000).isEmpty()) << app.readAll().data();
    QThread::msleep(500);
    ASSERT_EQ(app.state(), QProcess::Running) << app.readAll().data();
    const QList<WindowProbe::Window> later = probe.shown(title);
    ASSERT_EQ(later.size(), 1);
    EXPECT_EQ(QSize(later[0].width, later[0].height), QSize(231, 117));
}

} // namespace
