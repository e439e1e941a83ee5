// The real executable on a private X server with a window manager (openbox) and a real X11
// tray (trayer): Tray docks an icon, the icon brings the window back, its menu ends the
// program, and no order of tray deaths, Tray presses and minimises loses the window.
#include "tests/app/windowprobe.h"
#include "tests/app/xvfbserver.h"

#include <QElapsedTimer>
#include <QFile>
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

// What the test reads from the X server beyond titles: the tray's owner, the program's
// windows, where they sit and what state they carry.
class X11
{
public:
    ~X11()
    {
        if (m_c)
            xcb_disconnect(m_c);
    }
    bool connect(const QString &display)
    {
        int screen = 0;
        m_c = xcb_connect(display.toLocal8Bit().constData(), &screen);
        if (xcb_connection_has_error(m_c))
            return false;
        m_root = xcb_setup_roots_iterator(xcb_get_setup(m_c)).data->root;
        return true;
    }
    xcb_atom_t atom(const char *name)
    {
        auto *reply =
            xcb_intern_atom_reply(m_c, xcb_intern_atom(m_c, 0, strlen(name), name), nullptr);
        const xcb_atom_t a = reply ? reply->atom : xcb_atom_t(XCB_ATOM_NONE);
        free(reply);
        return a;
    }
    bool trayRunning()
    {
        auto *reply = xcb_get_selection_owner_reply(
            m_c, xcb_get_selection_owner(m_c, atom("_NET_SYSTEM_TRAY_S0")), nullptr);
        const bool owned = reply && reply->owner != XCB_WINDOW_NONE;
        free(reply);
        return owned;
    }
    bool managerRunning()
    {
        return !property32(m_root, "_NET_SUPPORTING_WM_CHECK", XCB_ATOM_WINDOW).isEmpty();
    }
    QList<uint32_t> property32(xcb_window_t w, const char *name, xcb_atom_t type)
    {
        QList<uint32_t> values;
        auto *reply = xcb_get_property_reply(
            m_c, xcb_get_property(m_c, 0, w, atom(name), type, 0, 64), nullptr);
        if (reply && reply->format == 32) {
            const auto *v = static_cast<const uint32_t *>(xcb_get_property_value(reply));
            for (int i = 0; i < xcb_get_property_value_length(reply) / 4; ++i)
                values << v[i];
        }
        free(reply);
        return values;
    }
    QByteArray wmClass(xcb_window_t w)
    {
        auto *reply = xcb_get_property_reply(
            m_c, xcb_get_property(m_c, 0, w, XCB_ATOM_WM_CLASS, XCB_ATOM_STRING, 0, 64), nullptr);
        QByteArray text;
        if (reply)
            text = QByteArray(static_cast<const char *>(xcb_get_property_value(reply)),
                              xcb_get_property_value_length(reply));
        free(reply);
        return text.replace('\0', ' ');
    }
    bool viewable(xcb_window_t w)
    {
        auto *attr =
            xcb_get_window_attributes_reply(m_c, xcb_get_window_attributes(m_c, w), nullptr);
        const bool result = attr && attr->map_state == XCB_MAP_STATE_VIEWABLE;
        free(attr);
        return result;
    }
    QList<xcb_window_t> children(xcb_window_t w)
    {
        QList<xcb_window_t> result;
        auto *tree = xcb_query_tree_reply(m_c, xcb_query_tree(m_c, w), nullptr);
        if (tree) {
            const xcb_window_t *c = xcb_query_tree_children(tree);
            for (int i = 0; i < xcb_query_tree_children_length(tree); ++i)
                result << c[i];
        }
        free(tree);
        return result;
    }
    // The viewable window of process pid that sits inside a trayer window (framed or not); 0
    // when none does.
    xcb_window_t dockedIcon(qint64 pid, xcb_window_t parent = 0)
    {
        for (xcb_window_t w : children(parent ? parent : m_root)) {
            if (!viewable(w))
                continue;
            if (xcb_window_t icon =
                    wmClass(w).contains("trayer") ? find(w, pid) : dockedIcon(pid, w))
                return icon;
        }
        return 0;
    }
    // Where the window sits on the screen.
    QPoint position(xcb_window_t w)
    {
        auto *reply = xcb_translate_coordinates_reply(
            m_c, xcb_translate_coordinates(m_c, w, m_root, 0, 0), nullptr);
        const QPoint at = reply ? QPoint(reply->dst_x, reply->dst_y) : QPoint(-1, -1);
        free(reply);
        return at;
    }
    // A viewable top-level window of process pid other than `except`: a pop-up menu.
    xcb_window_t otherTopLevel(qint64 pid, xcb_window_t except)
    {
        for (xcb_window_t top : children(m_root)) {
            if (top != except && viewable(top) &&
                property32(top, "_NET_WM_PID", XCB_ATOM_CARDINAL).value(0) == uint32_t(pid))
                return top;
        }
        return 0;
    }

private:
    xcb_window_t find(xcb_window_t parent, qint64 pid)
    {
        for (xcb_window_t w : children(parent)) {
            if (viewable(w) &&
                property32(w, "_NET_WM_PID", XCB_ATOM_CARDINAL).value(0) == uint32_t(pid))
                return w;
            if (xcb_window_t found = find(w, pid))
                return found;
        }
        return 0;
    }

    xcb_connection_t *m_c = nullptr;
    xcb_window_t m_root = 0;
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
    WindowProbe probe;
    X11 x;
    QProcess wm;
    QProcess tray;
    QProcess app;
    QTemporaryDir runtimeDir;
    xcb_window_t window = 0;

    void SetUp() override
    {
        ASSERT_TRUE(runtimeDir.isValid());
        ASSERT_TRUE(server.start(5000)) << server.error().toStdString();
        ASSERT_TRUE(probe.connect(server.display()));
        ASSERT_TRUE(x.connect(server.display()));

        wm.setProcessEnvironment(environment());
        wm.setProcessChannelMode(QProcess::MergedChannels);
        // No animation: a click just after a restore would land while the frame still moves.
        const QString config = runtimeDir.filePath(QStringLiteral("rc.xml"));
        QFile rc(config);
        ASSERT_TRUE(rc.open(QIODevice::WriteOnly));
        rc.write("<openbox_config xmlns=\"http://openbox.org/3.4/rc\"><theme>"
                 "<animateIconify>no</animateIconify></theme></openbox_config>\n");
        rc.close();
        wm.start(QStringLiteral(OSTREVAN_OPENBOX), {"--sm-disable", "--config-file", config});
        ASSERT_TRUE(wm.waitForStarted(3000)) << wm.errorString().toStdString();
        ASSERT_TRUE(waitUntil([&] { return x.managerRunning(); }, 5000)) << wm.readAll().data();
        startTray();

        const QString configHome = qEnvironmentVariable("XDG_CONFIG_HOME");
        ASSERT_FALSE(configHome.isEmpty());
        QProcessEnvironment env = environment();
        env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("xcb"));
        env.insert(QStringLiteral("SDL_AUDIODRIVER"), QStringLiteral("dummy"));
        env.insert(QStringLiteral("XDG_CONFIG_HOME"), configHome);
        env.insert(QStringLiteral("XDG_RUNTIME_DIR"), runtimeDir.path());
        // No session bus: the icon goes into the X11 tray, not to a StatusNotifierItem host.
        env.insert(QStringLiteral("DBUS_SESSION_BUS_ADDRESS"),
                   QStringLiteral("unix:path=") + runtimeDir.filePath(QStringLiteral("no-bus")));
        app.setProcessEnvironment(env);
        app.setProcessChannelMode(QProcess::MergedChannels);
        app.start(QStringLiteral(OSTREVAN_EXE), {});
        ASSERT_TRUE(app.waitForStarted(3000)) << app.errorString().toStdString();
        const QList<WindowProbe::Window> shown =
            probe.waitFor(Title, SmallWidth, SmallHeight, 8000);
        ASSERT_EQ(shown.size(), 1) << output();
        window = shown[0].id;
    }

    void TearDown() override
    {
        for (QProcess *p : {&app, &tray, &wm}) {
            if (p->state() == QProcess::NotRunning)
                continue;
            p->terminate();
            if (!p->waitForFinished(2000)) {
                p->kill();
                p->waitForFinished(1000);
            }
        }
    }

    void startTray()
    {
        tray.setProcessEnvironment(environment());
        tray.setProcessChannelMode(QProcess::MergedChannels);
        tray.start(QStringLiteral(OSTREVAN_TRAYER),
                   {"--edge", "top", "--align", "right", "--widthtype", "request", "--height", "24",
                    "--transparent", "false"});
        ASSERT_TRUE(tray.waitForStarted(3000)) << tray.errorString().toStdString();
        ASSERT_TRUE(waitUntil([&] { return x.trayRunning(); }, 5000)) << tray.readAll().data();
    }

    QProcessEnvironment environment() const
    {
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("DISPLAY"), server.display());
        env.remove(QStringLiteral("WAYLAND_DISPLAY"));
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
        tool.setProcessEnvironment(environment());
        tool.setProcessChannelMode(QProcess::MergedChannels);
        tool.start(QStringLiteral(OSTREVAN_XDOTOOL), arguments);
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

TEST_F(TraySmoke, ExitFromTheIconsMenuEndsTheProgram)
{
    click(window, TrayX, TrayY, 1);
    const xcb_window_t icon = dockedIcon();
    ASSERT_NE(icon, 0u) << output();
    click(icon, 11, 11, 3);
    ASSERT_TRUE(waitUntil([&] { return x.otherTopLevel(app.processId(), window) != 0; }, 5000))
        << "no menu\n"
        << output();
    xdotool({"key", "--delay", "100", "Up", "Return"}); // Exit is the last item
    ASSERT_TRUE(app.waitForFinished(5000)) << output();
    EXPECT_EQ(app.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(app.exitCode(), 0) << output();
}

// T Tray, D double-click on the icon, K the tray is killed, R a tray starts again, M the
// window manager minimises the window, N the window is activated (as from the task bar).
TEST_F(TraySmoke, NoOrderOfTrayDeathsTraysAndMinimisesLosesTheWindow)
{
    const std::string steps = "TDTKTNRTDMNTKT";
    const std::string states = "IWIEmEEIWmEIEm";
    for (size_t i = 0; i < steps.size(); ++i) {
        SCOPED_TRACE(steps.substr(0, i + 1));
        switch (steps[i]) {
        case 'T':
            click(window, TrayX, TrayY, 1);
            break;
        case 'D': {
            const xcb_window_t icon = dockedIcon();
            ASSERT_NE(icon, 0u) << output();
            click(icon, 11, 11, 1, 2);
            break;
        }
        case 'K':
            tray.kill();
            tray.waitForFinished(2000);
            break;
        case 'R':
            startTray();
            break;
        case 'M':
            xdotool({"windowminimize", QString::number(window)});
            break;
        case 'N':
            xdotool({"windowactivate", "--sync", QString::number(window)});
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
