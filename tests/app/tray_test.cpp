// The real executable on a private X server with a window manager (openbox) and a real X11
// tray (trayer): Tray docks an icon, the icon brings the window back, its menu ends the
// program, and no order of tray deaths, Tray presses and minimises loses the window.
#include "tests/app/windowprobe.h"
#include "tests/app/xvfbserver.h"

#include <QElapsedTimer>
#include <QPoint>
#include <QProcess>
#include <QTemporaryDir>
#include <QThread>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <gtest/gtest.h>
#include <xcb/xcb.h>

namespace
{

const QString Title = QStringLiteral("Ostrevan");
constexpr int SmallWidth = 231;
constexpr int SmallHeight = 117;
// The centre of the small window's Tray button (1920, 1320, 735 x 345 twips).
constexpr int TrayX = (1920 + 735 / 2) / 15;
constexpr int TrayY = (1320 + 345 / 2) / 15;

// What the test reads from the X server beyond titles: the owners of selections, the
// program's windows, where they sit and what state they carry.
class X11 : public WindowProbe
{
public:
    // Whether a client holds the selection: a tray (_NET_SYSTEM_TRAY_S0), a window manager
    // (WM_S0).
    bool owned(const char *selection)
    {
        auto *reply = xcb_get_selection_owner_reply(
            m_connection, xcb_get_selection_owner(m_connection, atom(selection)), nullptr);
        const bool owned = reply && reply->owner != XCB_WINDOW_NONE;
        free(reply);
        return owned;
    }
    QList<uint32_t> property32(xcb_window_t w, const char *name, xcb_atom_t type)
    {
        const QByteArray bytes = property(w, atom(name), type);
        QList<uint32_t> values(bytes.size() / 4);
        if (!values.isEmpty()) // an empty list has no storage to copy to
            memcpy(values.data(), bytes.constData(), size_t(values.size()) * 4);
        return values;
    }
    // The viewable window of process pid that sits inside a trayer window (framed or not); 0
    // when none does.
    xcb_window_t dockedIcon(qint64 pid, xcb_window_t parent = 0)
    {
        for (xcb_window_t w : children(parent ? parent : m_root)) {
            if (!viewable(w))
                continue;
            if (xcb_window_t icon =
                    property(w, XCB_ATOM_WM_CLASS, XCB_ATOM_STRING).contains("trayer")
                        ? find(w, pid)
                        : dockedIcon(pid, w))
                return icon;
        }
        return 0;
    }
    // Where the window sits on the screen.
    QPoint position(xcb_window_t w)
    {
        auto *reply = xcb_translate_coordinates_reply(
            m_connection, xcb_translate_coordinates(m_connection, w, m_root, 0, 0), nullptr);
        const QPoint at = reply ? QPoint(reply->dst_x, reply->dst_y) : QPoint(-1, -1);
        free(reply);
        return at;
    }
    // A viewable window of process pid below parent (only among its children when not
    // deep: a pop-up menu, where parent is the root); 0 when none is.
    xcb_window_t find(xcb_window_t parent, qint64 pid, bool deep = true)
    {
        for (xcb_window_t w : children(parent ? parent : m_root)) {
            if (viewable(w) &&
                property32(w, "_NET_WM_PID", XCB_ATOM_CARDINAL).value(0) == uint32_t(pid))
                return w;
            if (xcb_window_t found = deep ? find(w, pid) : 0)
                return found;
        }
        return 0;
    }
};

bool waitUntil(const std::function<bool()> &condition, int timeoutMs)
{
    QElapsedTimer clock;
    clock.start();
    while (!condition()) {
        if (clock.elapsed() > timeoutMs)
            return false;
        QThread::msleep(25);
    }
    return true;
}

class TraySmoke : public testing::Test
{
protected:
    XvfbServer server;
    X11 x;
    QTemporaryDir runtimeDir;
    QProcess wm; // each killed when it goes, the program first
    QProcess tray;
    QProcess app;
    xcb_window_t window = 0;

    void SetUp() override
    {
        ASSERT_TRUE(server.start(5000)) << server.error().toStdString();
        ASSERT_TRUE(x.connect(server.display()));

        start(wm, OSTREVAN_OPENBOX,
              {"--sm-disable", "--config-file", OSTREVAN_TEST_DATA "/openbox-rc.xml"});
        ASSERT_TRUE(waitUntil([&] { return x.owned("WM_S0"); }, 5000)) << wm.readAll().data();
        startTray();

        start(app, OSTREVAN_EXE, {});
        const QList<WindowProbe::Window> shown = x.waitFor(Title, SmallWidth, SmallHeight, 8000);
        ASSERT_EQ(shown.size(), 1) << output();
        window = shown[0].id;
    }

    void startTray()
    {
        start(tray, OSTREVAN_TRAYER,
              {"--edge", "top", "--align", "right", "--widthtype", "request", "--height", "24",
               "--transparent", "false"});
        ASSERT_TRUE(waitUntil([&] { return x.owned("_NET_SYSTEM_TRAY_S0"); }, 5000))
            << tray.readAll().data();
    }

    void start(QProcess &p, const char *program, const QStringList &arguments)
    {
        p.setProcessEnvironment(environment());
        p.setProcessChannelMode(QProcess::MergedChannels);
        p.start(QString::fromLocal8Bit(program), arguments);
        ASSERT_TRUE(p.waitForStarted(3000)) << p.errorString().toStdString();
    }

    QProcessEnvironment environment() const
    {
        QProcessEnvironment env = server.clientEnvironment(runtimeDir.path());
        // No session bus: the icon goes into the X11 tray, not to a StatusNotifierItem host.
        env.insert(QStringLiteral("DBUS_SESSION_BUS_ADDRESS"),
                   QStringLiteral("unix:path=") + runtimeDir.filePath(QStringLiteral("no-bus")));
        return env;
    }

    std::string output()
    {
        app.waitForReadyRead(0);
        return app.readAll().toStdString();
    }

    void xdotool(const QStringList &arguments)
    {
        QProcess tool;
        start(tool, OSTREVAN_XDOTOOL, arguments);
        ASSERT_TRUE(tool.waitForFinished(5000)) << tool.errorString().toStdString();
        ASSERT_EQ(tool.exitCode(), 0) << tool.readAll().toStdString();
    }
    void click(xcb_window_t w, int px, int py, int button, int times = 1)
    {
        xdotool({"mousemove", "--window", QString::number(w), QString::number(px),
                 QString::number(py), "click", "--repeat", QString::number(times), "--delay", "100",
                 QString::number(button)});
    }

    // The icon docked in the tray, once it stands still: the tray grows to take it and
    // moves it, and a click must wait for its place. 0 when none docks.
    xcb_window_t dockedIcon()
    {
        xcb_window_t icon = 0;
        if (!waitUntil([&] { return (icon = x.dockedIcon(app.processId())) != 0; }, 5000))
            return 0;
        QPoint last = x.position(icon);
        int still = 0;
        waitUntil(
            [&] {
                const QPoint now = x.position(icon);
                still = now == last ? still + 1 : 0;
                last = now;
                return still >= 10;
            },
            5000);
        return icon;
    }
    // The program as a person finds it: 'I' the icon alone, 'W' the window on the screen out
    // of the task bar, 'E' the same with its task-bar entry, 'm' minimised with its entry;
    // '?' anything else, such as minimised with no entry, where nobody could find it.
    char state()
    {
        const bool icon = x.dockedIcon(app.processId()) != 0;
        const bool skip = x.property32(window, "_NET_WM_STATE", XCB_ATOM_ATOM)
                              .contains(x.atom("_NET_WM_STATE_SKIP_TASKBAR"));
        const bool iconic = x.property32(window, "WM_STATE", x.atom("WM_STATE")).value(0) == 3;
        if (icon)
            return x.viewable(window) ? '?' : 'I';
        if (iconic)
            return skip ? '?' : 'm';
        if (!x.viewable(window))
            return '?';
        return skip ? 'W' : 'E';
    }
};

// T Tray, D double-click on the icon, K the tray is killed, R a tray starts again, M the
// window manager minimises the window, N the window is activated (as from the task bar), X
// Exit from the icon's menu, which ends the program ('x').
TEST_F(TraySmoke, NoOrderOfTrayDeathsTraysAndMinimisesLosesTheWindow)
{
    const std::string steps = "TDTKTNRTDMNTKTNRTX";
    const std::string states = "IWIEmEEIWmEIEmEEIx";
    for (size_t i = 0; i < steps.size(); ++i) {
        SCOPED_TRACE(steps.substr(0, i + 1));
        const char step = steps[i];
        if (step == 'T') {
            click(window, TrayX, TrayY, 1);
        } else if (step == 'D' || step == 'X') {
            const xcb_window_t icon = dockedIcon();
            ASSERT_NE(icon, 0u) << output();
            click(icon, 11, 11, step == 'D' ? 1 : 3, step == 'D' ? 2 : 1);
        } else if (step == 'K') {
            tray.kill();
            tray.waitForFinished(2000);
        } else if (step == 'R') {
            startTray();
        } else if (step == 'M' || step == 'N') {
            xdotool({step == 'M' ? "windowminimize" : "windowactivate", "--sync",
                     QString::number(window)});
        }
        if (step == 'X') {
            ASSERT_TRUE(waitUntil([&] { return x.find(0, app.processId(), false); }, 5000))
                << "no menu\n"
                << output();
            xdotool({"key", "--delay", "100", "Up", "Return"}); // Exit is the last item
            ASSERT_TRUE(app.waitForFinished(5000)) << output();
            EXPECT_EQ(app.exitStatus(), QProcess::NormalExit);
            EXPECT_EQ(app.exitCode(), 0) << output();
            break;
        }
        if (states[i] == 'I')
            dockedIcon();
        EXPECT_TRUE(waitUntil([&] { return state() == states[i]; }, 5000))
            << "found " << state() << "\n"
            << output();
        ASSERT_EQ(app.state(), QProcess::Running) << output();
    }
}

} // namespace
