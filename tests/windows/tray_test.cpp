#include "platform/taskbar.h"
#include "tests/windows/windowtesting.h"

#include <QCoreApplication>
#include <QSystemTrayIcon>
#include <functional>
#include <map>
#include <utility>

using namespace platform;

namespace
{

constexpr int kDoubleClick = shell::WM_LBUTTONDBLCLK;
constexpr int kRightUp = shell::WM_RBUTTONUP;

} // namespace

class Tray : public WindowTest
{
protected:
    void SetUp() override
    {
        setOption("Sound File", "/nowhere/alarm.wav");
        startProgram();
    }

    // A fresh program showing the small or the large window, as choosing a size does.
    MainWindow &restart(bool large)
    {
        program.reset(); // an icon left shown goes with the desktop's own area
        area.icons.clear();
        area.available = true;
        startProgram();
        qint16 size = large;
        f1().size(size);
        return large ? static_cast<MainWindow &>(f1b()) : f1();
    }
    MainWindow &other(MainWindow &w)
    {
        return &w == &f1() ? static_cast<MainWindow &>(f1b()) : f1();
    }
    // The tip of the one icon shown.
    QString tip() const
    {
        return area.icons.size() == 1 ? area.icons.begin()->second.tip : QStringLiteral("<none>");
    }
    // The desktop reports a mouse event on the one icon shown.
    void iconEvent(int event)
    {
        ASSERT_EQ(area.icons.size(), 1u);
        // A copy: the handler may remove the icon, and its handler with it.
        const auto activated = area.icons.begin()->second.activated;
        activated(event);
    }
    // The program as a person finds it: 'I' the icon of w alone, 'W' window w on the screen,
    // 'E' the same with the task-bar entries back, 'm' w minimised with its entry; '?'
    // anything else, such as a window minimised with no entry, which nobody could find.
    char state(MainWindow &w)
    {
        const bool off = isHiddenFromTaskbar(&f1()) && isHiddenFromTaskbar(&f1b());
        const bool on = !isHiddenFromTaskbar(&f1()) && !isHiddenFromTaskbar(&f1b());
        const bool icon = program->values.intray && area.icons.size() == 1;
        if (icon && program->values.nid.hWnd == &w && !f1().isVisible() && !f1b().isVisible())
            return off ? 'I' : '?';
        if (icon || !area.icons.empty() || !w.isVisible() || other(w).isVisible())
            return '?';
        if (w.isMinimized())
            return on ? 'm' : '?';
        return on ? 'E' : off ? 'W' : '?';
    }
};

TEST_F(Tray, GoesIntoTheNotificationAreaWithTheStoppedTipOfTheWindowPressed)
{
    struct Case {
        bool large;
        const char *caption; // nullptr: the window's own
        const char *time;    // hours, minutes, seconds
        QString tip;
    };
    const QString longCaption(60, QLatin1Char('x'));
    const Case cases[] = {
        {false, nullptr, "000500", "Ostrevan - Stopped (00:05:00)"},
        {true, "Ostrevan large", "123456", "Ostrevan large - Stopped (12:34:56)"},
        // The tip field holds 64 characters; what does not fit is cut, the NUL with it.
        {false, "xxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxx", "000500",
         longCaption + " - S"},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.tip.toStdString());
        MainWindow &w = restart(c.large);
        if (c.caption)
            w.setWindowTitle(c.caption);
        const QByteArray t(c.time);
        setTime(t.mid(0, 2).constData(), t.mid(2, 2).constData(), t.mid(4, 2).constData());
        EXPECT_EQ(state(w), 'E');

        w.Command5->click();
        EXPECT_EQ(program->values.nid.hIcon.cacheKey(), w.windowIcon().cacheKey());
        EXPECT_EQ(tip(), c.tip);  // the desktop gets the text up to the NUL
        EXPECT_EQ(state(w), 'I'); // both windows leave the task bar
    }
}

TEST_F(Tray, TheTipFollowsEveryTickAndBeforeTheFirstKeepsTheLastOneWritten)
{
    MainWindow &w = f1();
    setTime("00", "05", "00");
    // Idle: the window writes its tip.
    w.Command5->click();
    EXPECT_EQ(tip(), "Ostrevan - Stopped (00:05:00)");
    iconEvent(kDoubleClick);

    // Counting, before the first tick: the tip is the one written last.
    w.Command1->click();
    w.Command5->click();
    EXPECT_EQ(tip(), "Ostrevan - Stopped (00:05:00)");
    clock.advance(1000);
    EXPECT_EQ(tip(), "Ostrevan - Started (00:04:59)");

    // Back, paused and started again: into the area once more within the first second. The
    // record must report events again although the tick left only the tip flag in it.
    iconEvent(kDoubleClick);
    w.Command1->click();
    clock.advance(5000);
    w.Command1->click();
    w.Command5->click();
    EXPECT_EQ(program->values.nid.uFlags, 7u);
    EXPECT_EQ(tip(), "Ostrevan - Started (00:04:59)");
    clock.advance(1000);
    EXPECT_EQ(tip(), "Ostrevan - Started (00:04:58)");

    // A fresh program counting from its first second: nothing was written yet.
    restart(false);
    setTime("00", "05", "00");
    f1().Command1->click();
    f1().Command5->click();
    EXPECT_EQ(tip(), "");
}

TEST_F(Tray, NoOrderOfHostDeathsTraysMinimisesAndAlarmsLeavesTheProgramOutOfReach)
{
    // Steps: T Tray, D events on the icon ending in a double-click, x mouse moves over the
    // windows that carry an icon's event numbers,
    // d the icon's menu dismissed, a its About, r its Restore, M minimised by the window
    // manager, N brought back from the task bar, K the host goes away and says so, k it goes
    // silently (seen within 2 s), R a host comes back, A the alarm goes off, O Alarm Off.
    // States as state() reads them, after each step.
    struct Case {
        const char *steps;
        const char *states;
    };
    const Case cases[] = {
        {"TKTNRTDMNTk", "IEmEEIWmEIE"}, {"TATDOKTA", "IWIWWWmE"}, {"MNTDMAKRTk", "mEIWmEEEIE"},
        {"KTNTNRTDMK", "EmEmEEIWmm"},   {"TdarxTD", "IIIWWIW"},
    };
    for (const Case &c : cases) {
        for (const bool large : {false, true}) {
            MainWindow &w = restart(large);
            ASSERT_EQ(state(w), 'E');
            const auto iconEvents = [&](std::initializer_list<int> events) {
                for (const int event : events)
                    iconEvent(event);
            };
            const std::map<char, std::function<void()>> step = {
                {'T', [&] { w.Command5->click(); }},
                // Moves, single clicks and releases of either button and a right double-click
                // do nothing; only a double-click brings the window back.
                {'D',
                 [&] {
                     iconEvents({0x200, 0x201, 0x202, 0x204, 0x206, 0x207, 0x208, 0, kDoubleClick});
                 }},
                {'x',
                 [&] {
                     for (MainWindow *m : both()) {
                         m->deliverMouseMove(0, 0, kDoubleClick * kTwipsPerPixel, 0);
                         m->deliverMouseMove(0, 0, kRightUp * kTwipsPerPixel, 0);
                     }
                 }},
                {'d', [&] { iconEvent(kRightUp); }},
                {'a',
                 [&] {
                     waits.answerMenu("mnuSTAbt");
                     waits.onModal([&](Form &about) {
                         EXPECT_EQ(about.parentWidget(), nullptr);
                         EXPECT_EQ(state(w), 'I');
                     });
                     iconEvent(kRightUp);
                 }},
                {'r',
                 [&] {
                     waits.answerMenu("mnuSTRest");
                     iconEvent(kRightUp);
                 }},
                {'M', [&] { w.setWindowState(w.windowState() | Qt::WindowMinimized); }},
                {'N', [&] { w.showNormal(); }},
                {'K', [&] { area.loseHost(); }},
                {'k',
                 [&] {
                     area.available = false;
                     clock.advance(2000);
                 }},
                {'R', [&] { area.available = true; }},
                {'A', [&] { ringWith("/nowhere/alarm.wav"); }},
                {'O', [&] { w.Command1->click(); }},
            };
            // What each step shows of a person's waits: only the menu (Restore, its default,
            // About and Exit), and the About window.
            const QString menu = "menu|mnuSysTray|mnuSTRest|Restore,-,About,Exit";
            const std::map<char, QStringList> seen = {
                {'d', {menu}}, {'a', {menu, "modal|FrmAbt"}}, {'r', {menu}}};
            const std::string steps = c.steps;
            for (size_t i = 0; i < steps.size(); ++i) {
                SCOPED_TRACE(steps.substr(0, i + 1) + (large ? " large" : " small"));
                waits.log.clear();
                step.at(steps[i])();
                EXPECT_EQ(waits.log, seen.count(steps[i]) ? seen.at(steps[i]) : QStringList());
                EXPECT_EQ(state(w), c.states[i]);
            }
        }
    }
}

TEST_F(Tray, ExitRemovesTheIconSilencesTheAlarmAndEndsTheProgram)
{
    for (const bool large : {false, true}) {
        MainWindow &w = restart(large);
        ringWith("/tmp/a b.mp3");
        w.Command5->click();
        // Tray during the alarm: the countdown has stopped, so the tip says so.
        EXPECT_EQ(tip(), "Ostrevan - Stopped (00:00:00)");
        media.clear();
        waits.answerMenu("mnSTEX");
        iconEvent(kRightUp);
        EXPECT_TRUE(media.calls().contains("mci:close \"/tmp/a b.mp3\""));
        EXPECT_TRUE(area.icons.empty());
        EXPECT_EQ(std::exchange(ends, 0), 1);
        // Nothing shows a window after the end, not even a host that goes away.
        area.loseHost();
        clock.advance(5000);
        EXPECT_FALSE(f1().isVisible() || f1b().isVisible());
    }
}

TEST_F(Tray, TrayOnTheOtherWindowWhileOptionsIsOpenLeavesOneIconThatLeadsBack)
{
    options(f1(), [&](Form5 &) {
        f1b().Command5->click();
        EXPECT_EQ(program->values.nid.hWnd, &f1b());
    });
    EXPECT_TRUE(f1().isVisible());
    // The small window goes too: its icon replaces the large window's.
    f1().Command5->click();
    EXPECT_EQ(state(f1()), 'I');
    iconEvent(kDoubleClick);
    EXPECT_EQ(state(f1()), 'W');
    // And the other way round: the large window's icon brings the large window.
    options(f1(), [&](Form5 &) { f1b().Command5->click(); });
    iconEvent(kDoubleClick);
    EXPECT_TRUE(f1b().isVisible());
    EXPECT_TRUE(area.icons.empty());
}

TEST_F(Tray, AnIconGoesWithItsWindowSoANewProgramStartsWithNone)
{
    f1().Command5->click();
    program.reset(); // the windows go, the icon is still registered
    startProgram();
    f1().Command5->click();
    EXPECT_EQ(state(f1()), 'I'); // one icon, of the new window
}

// The desktop's own notification area, as far as it works without one on the screen.
TEST(DesktopNotifyArea, ShowsTheGivenTipAndHandsEventsOnFromTheEventLoop)
{
    shell::DesktopNotifyArea area;
    QList<int> events;
    area.add(1, QIcon(":/icons/ostrevan-32.png"), "Ostrevan - Stopped (00:05:00)",
             [&](int event) { events << event; });
    QSystemTrayIcon *tray = area.trayIcon(1);
    ASSERT_NE(tray, nullptr);
    EXPECT_EQ(tray->toolTip(), "Ostrevan - Stopped (00:05:00)");
    const QString next = "Ostrevan - Started (00:04:59)";
    area.modify(1, nullptr, &next);
    EXPECT_EQ(tray->toolTip(), next);

    for (auto reason : {QSystemTrayIcon::Trigger, QSystemTrayIcon::DoubleClick,
                        QSystemTrayIcon::MiddleClick, QSystemTrayIcon::Context})
        emit tray->activated(reason);
    EXPECT_TRUE(events.isEmpty()); // not from inside the icon's own handling
    QCoreApplication::processEvents();
    EXPECT_EQ(events, (QList<int>{kDoubleClick, kRightUp}));

    // A handler may remove the icon it came from; an event of a removed icon is dropped.
    events.clear();
    area.add(2, tray->icon(), QString(), [&](int event) {
        events << event;
        area.remove(2);
    });
    emit area.trayIcon(2)->activated(QSystemTrayIcon::DoubleClick);
    emit area.trayIcon(2)->activated(QSystemTrayIcon::DoubleClick);
    emit tray->activated(QSystemTrayIcon::Context);
    area.remove(1);
    QCoreApplication::processEvents();
    EXPECT_EQ(events, (QList<int>{kDoubleClick}));
    EXPECT_EQ(area.trayIcon(1), nullptr);
    EXPECT_EQ(area.trayIcon(2), nullptr);
}
