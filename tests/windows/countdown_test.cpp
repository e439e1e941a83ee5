#include "tests/windows/windowtesting.h"

#include <QApplication>
#include <QClipboard>
#include <QDropEvent>
#include <QFocusEvent>
#include <QInputMethodEvent>
#include <QMimeData>
#include <QTest>
#include <QToolButton>

using namespace platform;

class Countdown : public WindowTest
{
protected:
    void SetUp() override
    {
        setOption("Sound File", "/nowhere/alarm.wav");
        startProgram();
    }
    void expectLook(bool counting)
    {
        for (MainWindow *w : both()) {
            EXPECT_EQ(w->Command1->caption(), counting ? "Stop" : "Start");
            EXPECT_NE(w->Command2->isEnabled(), counting);
            for (SpinButton *s : {w->UpDown1, w->UpDown2, w->UpDown3})
                EXPECT_NE(s->isEnabled(), counting);
        }
        // Only the small window locks its fields.
        for (TextBox *f : {f1().Label1, f1().Label2, f1().Label3, f1b().Label1})
            EXPECT_EQ(f->isLocked(), counting && f != f1b().Label1);
    }
    static void focus(QWidget *w, bool in)
    {
        QFocusEvent event(in ? QEvent::FocusIn : QEvent::FocusOut,
                          in ? Qt::MouseFocusReason : Qt::TabFocusReason);
        QApplication::sendEvent(w, &event);
    }
    // Gives the field the focus, selects its text and types over it.
    static void typeOver(TextBox *field, const char *keys)
    {
        focus(field, true);
        field->selectAll();
        QTest::keyClicks(field, keys);
    }
};

TEST_F(Countdown, StopPausesStartResumesAndResetOnTheLargeWindowClearsBoth)
{
    setTime("01", "12", "34");
    f1().Command1->click();
    clock.advance(3000);
    f1b().Command1->click(); // the large window's Stop hands over too
    expectLook(false);
    clock.advance(5000);
    EXPECT_EQ(timeOf(f1()), "01:12:31");
    f1().Command1->click();
    clock.advance(1000);
    EXPECT_EQ(timeOf(f1()), "01:12:30");
    f1().Command1->click();
    f1b().Command2->click();
    EXPECT_EQ(timeOf(f1()), "00:00:00");
    EXPECT_EQ(timeOf(f1b()), "00:00:00");
}

TEST_F(Countdown, StartAtZeroLooksStartedButDoesNotCount)
{
    // Start is disabled at once while the time reads zero, without waiting for a tick.
    EXPECT_FALSE(f1().Command1->isEnabled() || f1b().Command1->isEnabled());
    f1().Command1_Click();
    expectLook(true);
    EXPECT_FALSE(f1().sec->isEnabled());
    f1().Command1_Click();
    expectLook(false);
    EXPECT_FALSE(f1().Command1->isEnabled() || f1b().Command1->isEnabled());
    f1b().Label3->setText("05");
    EXPECT_TRUE(f1().Command1->isEnabled() && f1b().Command1->isEnabled());
    f1().Label3->setText("00");
    EXPECT_FALSE(f1().Command1->isEnabled() || f1b().Command1->isEnabled());
}

TEST_F(Countdown, NothingWakesTheProgramWhileItWaitsOnAFixedBackground)
{
    setOption("Background Color", "1");
    program.reset();
    startProgram();
    // {what happens, timers running after it}: idle needs none, counting only the second,
    // the alarm only the flashing of both windows.
    EXPECT_EQ(clock.activeTimers(), 0);
    f1().Label3->setText("02");
    f1().Command1->click();
    EXPECT_EQ(clock.activeTimers(), 1);
    f1().Command1->click();
    EXPECT_EQ(clock.activeTimers(), 0);
    f1().Command1->click();
    clock.advance(2000);
    ASSERT_EQ(f1().Command1->caption(), "Alarm Off");
    EXPECT_EQ(clock.activeTimers(), 2);
    f1().Command1->click();
    EXPECT_EQ(clock.activeTimers(), 0);
}

TEST_F(Countdown, WhatIsTypedWhileCountingReachesTheCountdownOnlyAsTwoDigits)
{
    setTime("00", "01", "00");
    f1().Command1->click();
    for (MainWindow *w : both()) { // no field empties on a click while counting
        focus(w->Label1, true);
        QTest::mouseClick(w->Label1, Qt::LeftButton);
        focus(w->Label1, false);
    }
    typeOver(f1().Label1, "7"); // the small window's fields are locked
    focus(f1().Label1, false);
    // Typed into the large window, which stays editable while counting: the tick writes only
    // the fields it changes, so typing goes on undisturbed.
    typeOver(f1b().Label2, "1");
    clock.advance(1000);
    EXPECT_EQ(timeOf(f1()), "1:00:59");
    QTest::keyClick(f1b().Label2, Qt::Key_2);
    EXPECT_EQ(timeOf(f1b()), "12:00:59");
    focus(f1b().Label2, false);
    // A field the tick decrements counts as the digits it holds, nothing as zero.
    typeOver(f1b().Label3, "5");
    clock.stall(3000); // a late tick counts on from what was typed
    EXPECT_EQ(timeOf(f1()), "12:00:02");
    f1b().Label3->setText("x"); // what no person can type, the program never writes -1 for
    clock.advance(1000);
    EXPECT_EQ(timeOf(f1()), "11:59:59");
    focus(f1b().Label3, false);
    // A tick that finds zero while counting writes 59 and goes on.
    setTime("00", "00", "00");
    clock.advance(1000);
    EXPECT_EQ(timeOf(f1()), "00:00:59");
    EXPECT_EQ(f1().Command1->caption(), "Stop");
    EXPECT_TRUE(f1().sec->isEnabled());
}

TEST_F(Countdown, EachTickTakesTheWholeSecondsPassedAndTheOneThatReachesZeroRings)
{
    // {start, ms on time, then ms stalled, after that (late) tick, on the next beat}
    const std::tuple<const char *, int, int, const char *, const char *> rows[] = {
        {"10:00:00", 999, 0, "10:00:00", "09:59:59"},     // borrowing across hours
        {"00:00:01", 1000, 0, "00:00:00", "00:00:00"},    // the last second rings at once
        {"00:00:20", 500, 2000, "00:00:18", "00:00:17"},  // 1.5 s late
        {"00:00:20", 1000, 9000, "00:00:10", "00:00:09"}, // 8 s late
        {"01:00:03", 0, 8000, "00:59:55", "00:59:54"},
        {"00:75:80", 1000, 80000, "00:74:59", "00:74:58"}, // fields above 59 count as typed
        {"00:00:05", 2000, 5300, "00:00:00", "00:00:00"},  // zero passed: rings at once
    };
    qint16 large = 1;
    f1().size(large); // the small window counts while hidden
    for (const auto &[start, onTime, stalled, late, next] : rows) {
        const QStringList hms = QString(start).split(':');
        setTime(qPrintable(hms[0]), qPrintable(hms[1]), qPrintable(hms[2]));
        f1b().Command1->click();
        clock.advance(onTime);
        clock.stall(stalled);
        EXPECT_EQ(timeOf(f1b()), late) << start;
        ASSERT_EQ(f1().ringing(), QByteArray(next) == "00:00:00") << start;
        // At the alarm the fields are editable again, Reset and the spin buttons not yet.
        EXPECT_TRUE(!f1().ringing() || (!f1().Label1->isLocked() && !f1().Command2->isEnabled() &&
                                        !f1b().UpDown1->isEnabled()));
        clock.advance(1000 - (onTime + stalled) % 1000);
        EXPECT_EQ(timeOf(f1()), next) << start;
        EXPECT_EQ(shell::shownTip(program->values.nid),
                  "Ostrevan - Started (" + QString(next) + ")");
        // The spin buttons follow the countdown's writes while nobody edits.
        EXPECT_EQ(f1().UpDown2->value(), QString(next).left(2).toInt());
        EXPECT_EQ(f1b().UpDown1->value(), QString(next).mid(3, 2).toInt());
        f1b().Command1->click(); // Stop or Alarm Off
    }
}

TEST_F(Countdown, FlashingAlwaysEndsInTheNormalButtonColour)
{
    const ColorValue normal = f1().oldclr;
    for (int phases : {1, 2, 3}) {
        ringWith("/nowhere/alarm.wav");
        clock.advance(160 * phases); // ten ticks of the 16-ms timer per colour
        EXPECT_EQ(f1().Command1->backColor(), phases % 2 ? rgbValue(255, 0, 0) : normal) << phases;
        EXPECT_EQ(f1b().Command1->backColor(), f1().Command1->backColor());
        f1().Command1->click();
        expectLook(false);
        clock.advance(1000);
        for (MainWindow *w : both())
            EXPECT_EQ(w->Command1->backColor(), normal) << phases;
    }
}

TEST_F(Countdown, TimersKeepTickingWhileAMessageBoxIsOpen)
{
    setOption("Sound File", "");
    f1().Label3->setText("03");
    clock.advance(160);
    int changeInside = -1;
    waits.onMessage([&](const QString &, const QString &) {
        const int before = qRed(f1().image().pixel(0, 0));
        clock.advance(160);
        changeInside = std::abs(qRed(f1().image().pixel(0, 0)) - before);
        return MsgResult::Ok;
    });
    f1().Command1->click();
    EXPECT_EQ(changeInside, 10);
}

TEST_F(Countdown, TypedDigitsShowAtOnceOnTheOtherWindowWhoseSpinButtonsWaitWhileEditing)
{
    focus(f1b().Label1, true);
    QTest::keyClick(f1b().Label1, Qt::Key_End);
    QTest::keyClicks(f1b().Label1, "\b\b4");
    EXPECT_EQ(f1().Label1->text(), "4");
    QTest::keyClick(f1b().Label1, Qt::Key_2);
    EXPECT_EQ(f1().Label1->text(), "42");
    focus(f1b().Label1, false);
    EXPECT_EQ(f1b().UpDown1->value(), 42);
    EXPECT_EQ(f1().UpDown1->value(), 0);

    typeOver(f1().Label3, "7");
    EXPECT_EQ(f1b().Label3->text(), "7");
    focus(f1().Label3, false);
    EXPECT_EQ(f1b().Label3->text(), "07");
    EXPECT_EQ(f1().UpDown3->value(), 7);
    EXPECT_EQ(f1b().UpDown3->value(), 0);
    f1().UpDown3->upArrow()->click(); // the next change with nobody editing carries it over
    EXPECT_EQ(f1b().Label3->text(), "08");
    EXPECT_EQ(f1b().UpDown3->value(), 8);

    // While a field is edited, the large window's minute and second spin buttons wait.
    focus(f1().Label2, true);
    ASSERT_TRUE(f1().editing);
    f1b().UpDown1->setValue(5);
    f1b().UpDown3->setValue(6);
    EXPECT_EQ(f1b().Label1->text(), "42");
    EXPECT_EQ(f1b().Label3->text(), "08");
    f1b().UpDown2->setValue(7);
    EXPECT_EQ(f1().Label2->text(), "07");
    f1().UpDown1->setValue(8); // the small window's follow at once
    f1().UpDown3->setValue(9);
    EXPECT_EQ(timeOf(f1()), "07:08:09");
}

TEST_F(Countdown, OnlyDigitsAndBackspaceAreTypedAndAnIdleFieldEmptiesOnAClick)
{
    focus(f1().Label1, true);
    f1().Label1->setText("4");
    QTest::keyClick(f1().Label1, Qt::Key_End);
    for (auto key :
         {Qt::Key_A, Qt::Key_Space, Qt::Key_Minus, Qt::Key_Return, Qt::Key_Escape, Qt::Key_Period})
        QTest::keyClick(f1().Label1, key);
    QTest::keyClick(f1().Label1, Qt::Key_V, Qt::ControlModifier);
    EXPECT_EQ(f1().Label1->text(), "4");
    QTest::keyClicks(f1().Label1, "\b123");
    EXPECT_EQ(f1().Label1->text(), "12"); // the field takes two characters

    // Every other way in passes the same filter, one character at a time: other scripts'
    // digits, letters and marks never reach a field.
    const QString mixed = QString::fromUtf8("\u0663"
                                            "4x\uFF15"
                                            "6\u0301");
    QGuiApplication::clipboard()->setText(mixed);
    f1().Label1->selectAll();
    QTest::keyClick(f1().Label1, Qt::Key_Insert, Qt::ShiftModifier);
    EXPECT_EQ(f1().Label1->text(), "46");
    f1().Label1->selectAll();
    QInputMethodEvent composed;
    composed.setCommitString(QString::fromUtf8("\u0668"
                                               "7a8"));
    QApplication::sendEvent(f1().Label1, &composed);
    EXPECT_EQ(f1().Label1->text(), "78");
    f1().Label1->selectAll();
    f1().Label1->del();
    QMimeData dragged;
    dragged.setText(mixed);
    QDragEnterEvent enter(QPoint(2, 2), Qt::CopyAction, &dragged, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(f1().Label1, &enter);
    QDropEvent drop(QPointF(2, 2), Qt::CopyAction, &dragged, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(f1().Label1, &drop);
    EXPECT_EQ(f1().Label1->text(), "46");
    EXPECT_EQ(f1b().Label1->text(), "46");
    focus(f1().Label1, false);

    focus(f1().Label2, true);
    f1().Label2->setText("05");
    QTest::mouseClick(f1().Label2, Qt::LeftButton);
    EXPECT_EQ(f1b().Label2->text(), "");
    focus(f1().Label2, false);
    EXPECT_EQ(f1().Label2->text(), "00"); // leaving an empty field gives "00"
    EXPECT_EQ(f1b().Label2->text(), "00");
    EXPECT_EQ(f1().UpDown2->value(), 0);
    // Pasted text that is no number gives "00" on leaving too, and no spin button value.
    f1().Label3->setText("12");
    focus(f1().Label3, true);
    f1().Label3->selectAll();
    f1().Label3->insert("ab"); // what a paste from the context menu does
    EXPECT_EQ(f1().UpDown3->value(), 12);
    focus(f1().Label3, false);
    EXPECT_EQ(f1b().Label3->text(), "00");
}

TEST_F(Countdown, SpinButtonsStepTheirFieldAndStopAtTheEnds)
{
    // {large window's, field (0 hours, 1 minutes, 2 seconds), text, up (or down), text after}
    const std::tuple<bool, int, const char *, bool, const char *> steps[] = {
        {true, 2, "10", false, "09"}, {true, 2, "01", false, "00"}, {true, 2, "59", true, "60"},
        {true, 2, "00", false, "00"}, {false, 1, "09", true, "10"}, {false, 0, "99", true, "99"}};
    for (const auto &[large, field, before, up, after] : steps) {
        MainWindow &w = large ? static_cast<MainWindow &>(f1b()) : f1();
        setTime(field == 0 ? before : "00", field == 1 ? before : "00", field == 2 ? before : "00");
        SpinButton *spin = std::array{w.UpDown2, w.UpDown1, w.UpDown3}[field];
        (up ? spin->upArrow() : spin->downArrow())->click();
        QStringList expected{"00", "00", "00"};
        expected[field] = after;
        EXPECT_EQ(timeOf(f1()), expected.join(':')) << before;
        EXPECT_EQ(timeOf(f1b()), expected.join(':')) << before;
    }
}
