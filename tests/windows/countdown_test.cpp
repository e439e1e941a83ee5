#include "platform/commandbutton.h"
#include "platform/spinbutton.h"
#include "platform/textbox.h"
#include "platform/timers.h"
#include "tests/support/programfixture.h"

#include <QApplication>
#include <QFocusEvent>
#include <QTest>
#include <QToolButton>

using namespace platform;

namespace
{

QString timeOf(MainWindow &w)
{
    return w.Label2->text() + ":" + w.Label1->text() + ":" + w.Label3->text();
}

void focusIn(QWidget *w)
{
    QFocusEvent event(QEvent::FocusIn, Qt::MouseFocusReason);
    QApplication::sendEvent(w, &event);
}

void focusOut(QWidget *w)
{
    QFocusEvent event(QEvent::FocusOut, Qt::TabFocusReason);
    QApplication::sendEvent(w, &event);
}

} // namespace

class Countdown : public ProgramTest
{
protected:
    void SetUp() override
    {
        setOption("Sound File", "/nowhere/alarm.wav");
        startProgram();
    }
    void setTime(const char *h, const char *m, const char *s)
    {
        f1().Label2->setText(h);
        f1().Label1->setText(m);
        f1().Label3->setText(s);
    }
    void expectIdleLook()
    {
        for (MainWindow *w :
             {static_cast<MainWindow *>(&f1()), static_cast<MainWindow *>(&f1b())}) {
            EXPECT_EQ(w->Command1->caption(), "Start");
            EXPECT_TRUE(w->Command2->isEnabled());
            for (SpinButton *s : {w->UpDown1, w->UpDown2, w->UpDown3})
                EXPECT_TRUE(s->isEnabled());
        }
        for (TextBox *f : {f1().Label1, f1().Label2, f1().Label3})
            EXPECT_FALSE(f->isLocked());
        EXPECT_FALSE(f1().sec->isEnabled());
    }
    void expectCountingLook()
    {
        for (MainWindow *w :
             {static_cast<MainWindow *>(&f1()), static_cast<MainWindow *>(&f1b())}) {
            EXPECT_EQ(w->Command1->caption(), "Stop");
            EXPECT_FALSE(w->Command2->isEnabled());
            for (SpinButton *s : {w->UpDown1, w->UpDown2, w->UpDown3})
                EXPECT_FALSE(s->isEnabled());
        }
        for (TextBox *f : {f1().Label1, f1().Label2, f1().Label3})
            EXPECT_TRUE(f->isLocked());
        for (TextBox *f : {f1b().Label1, f1b().Label2, f1b().Label3})
            EXPECT_FALSE(f->isLocked());
    }
};

TEST_F(Countdown, BorrowsAcrossHoursWritingTwoDigitsOnBothWindows)
{
    setTime("10", "00", "00");
    f1().Command1->click();
    expectCountingLook();
    clock.advance(999);
    EXPECT_EQ(timeOf(f1()), "10:00:00");
    clock.advance(1);
    EXPECT_EQ(timeOf(f1()), "09:59:59");
    EXPECT_EQ(timeOf(f1b()), "09:59:59");
    clock.advance(59 * 1000);
    EXPECT_EQ(timeOf(f1()), "09:59:00");
    clock.advance(1000);
    EXPECT_EQ(timeOf(f1b()), "09:58:59");
    // The spin buttons follow the countdown's writes while nobody edits.
    EXPECT_EQ(f1b().UpDown1->value(), 58);
    EXPECT_EQ(f1().UpDown2->value(), 9);
}

TEST_F(Countdown, LastSecondRingsInTheSameTickAndItsTipReadsZero)
{
    setTime("00", "00", "01");
    f1().Command1->click();
    clock.advance(1000);
    EXPECT_EQ(timeOf(f1()), "00:00:00");
    EXPECT_EQ(f1().Command1->caption(), "Alarm Off");
    EXPECT_EQ(f1b().Command1->caption(), "Alarm Off");
    EXPECT_FALSE(f1().sec->isEnabled());
    EXPECT_EQ(shell::shownTip(program->nid), "Ostrevan - Started (00:00:00)");
    EXPECT_EQ(program->nid.uFlags, shell::NIF_TIP);
    EXPECT_EQ(program->nid.szTip.size(), 64);
    // Alarm: fields editable again, Reset and spin buttons still unavailable.
    for (TextBox *f : {f1().Label1, f1().Label2, f1().Label3})
        EXPECT_FALSE(f->isLocked());
    EXPECT_FALSE(f1().Command2->isEnabled());
    EXPECT_FALSE(f1b().UpDown1->isEnabled());
    clock.advance(5000);
    EXPECT_EQ(timeOf(f1()), "00:00:00");
}

TEST_F(Countdown, StopPausesAndStartResumes)
{
    setTime("00", "12", "34");
    f1().Command1->click();
    clock.advance(3000);
    EXPECT_EQ(timeOf(f1()), "00:12:31");
    f1b().Command1->click(); // the large window's Stop hands over too
    expectIdleLook();
    clock.advance(5000);
    EXPECT_EQ(timeOf(f1()), "00:12:31");
    f1().Command1->click();
    clock.advance(1000);
    EXPECT_EQ(timeOf(f1()), "00:12:30");
}

TEST_F(Countdown, StartAtZeroLooksStartedButDoesNotCount)
{
    f1().Command1_Click(); // before Timer1 has disabled the button
    expectCountingLook();
    EXPECT_FALSE(f1().sec->isEnabled());
    f1().Command1_Click();
    expectIdleLook();
    // Timer1 then disables Start on both windows while the time reads zero.
    clock.advance(16);
    EXPECT_FALSE(f1().Command1->isEnabled());
    EXPECT_FALSE(f1b().Command1->isEnabled());
    f1b().Label3->setText("05");
    clock.advance(16);
    EXPECT_TRUE(f1().Command1->isEnabled());
    EXPECT_TRUE(f1b().Command1->isEnabled());
}

TEST_F(Countdown, ATickThatFindsZeroWhileCountingWrites59AndGoesOn)
{
    setTime("00", "00", "05");
    f1().Command1->click();
    // Someone types into the large window's seconds while it counts.
    f1b().Label3->setText("00");
    EXPECT_EQ(timeOf(f1()), "00:00:00");
    clock.advance(1000);
    EXPECT_EQ(timeOf(f1()), "00:00:59");
    EXPECT_EQ(f1().Command1->caption(), "Stop");
    EXPECT_TRUE(f1().sec->isEnabled());
}

TEST_F(Countdown, TextThatIsNoNumberNeverReachesTheCountdownAsAnythingButTwoDigits)
{
    setTime("00", "01", "00");
    f1().Command1->click();
    // Pasted into the large window, which stays editable while counting.
    f1b().Label3->setText("x");
    f1b().Label2->setText("7");
    clock.advance(1000);
    EXPECT_EQ(timeOf(f1()), "07:00:59");
    EXPECT_EQ(timeOf(f1b()), "07:00:59");
    f1b().Label1->setText("-1");
    clock.advance(1000);
    EXPECT_EQ(timeOf(f1()), "07:00:58");
}

TEST_F(Countdown, ResetOnTheLargeWindowClearsBoth)
{
    setTime("01", "02", "03");
    f1b().Command2->click();
    EXPECT_EQ(timeOf(f1()), "00:00:00");
    EXPECT_EQ(timeOf(f1b()), "00:00:00");
    setTime("01", "02", "03");
    f1().Command2->click();
    EXPECT_EQ(timeOf(f1b()), "00:00:00");
}

TEST_F(Countdown, FlashingAlwaysEndsInTheNormalButtonColour)
{
    const ColorValue normal = f1().oldclr;
    const ColorValue red = rgbValue(255, 0, 0);
    for (int phases : {1, 2, 3}) {
        setTime("00", "00", "01");
        clock.advance(16); // Timer1 enables Start again
        f1().Command1->click();
        clock.advance(1000);
        ASSERT_EQ(f1().Command1->caption(), "Alarm Off");
        // Ten ticks of the 16-ms timer per colour.
        clock.advance(160 * phases);
        const ColorValue expected = phases % 2 ? red : normal;
        EXPECT_EQ(f1().Command1->backColor(), expected) << phases;
        EXPECT_EQ(f1b().Command1->backColor(), f1().Command1->backColor());
        f1().Command1->click();
        EXPECT_EQ(f1().Command1->backColor(), normal);
        EXPECT_EQ(f1b().Command1->backColor(), normal);
        expectIdleLook();
        clock.advance(1000);
        EXPECT_EQ(f1().Command1->backColor(), normal);
    }
}

TEST_F(Countdown, StartWithoutASoundFileAsksForOneAndChangesNothing)
{
    setOption("Sound File", "");
    setTime("00", "05", "00");
    f1b().Command1->click();
    ASSERT_EQ(waits.log.size(), 2);
    EXPECT_EQ(
        waits.log[0],
        "message|Oops|You must select a sound file to play as the alarm first.|exclamation|ok");
    EXPECT_EQ(waits.log[1], "modal|Form5"); // then the Options window, closed unchanged
    expectIdleLook();
    clock.advance(2000);
    EXPECT_EQ(timeOf(f1()), "00:05:00");
}

TEST_F(Countdown, TimersKeepTickingWhileAMessageBoxIsOpen)
{
    setTime("00", "00", "09");
    f1().Command1->click();
    setOption("Sound File", "");
    f1().Command1->click(); // Stop
    f1().Label3->setText("03");
    clock.advance(160);
    QString seenInside;
    waits.onMessage([&](const QString &, const QString &) {
        const int before = qRed(f1().image().pixel(0, 0));
        clock.advance(160);
        seenInside = QString::number(std::abs(qRed(f1().image().pixel(0, 0)) - before));
        return MsgResult::Ok;
    });
    f1().Command1->click();
    EXPECT_EQ(seenInside, "10");
}

TEST_F(Countdown, TheCountdownRunsWhileTheSmallWindowIsHidden)
{
    qint16 large = 1;
    f1().size(large);
    ASSERT_FALSE(f1().isVisible());
    f1b().Label1->setText("01");
    f1b().Command1->click();
    clock.advance(2000);
    EXPECT_EQ(timeOf(f1b()), "00:00:58");
    EXPECT_EQ(timeOf(f1()), "00:00:58");
}

class DigitFields : public ProgramTest
{
protected:
    void SetUp() override { startProgram(); }
};

TEST_F(DigitFields, TypedDigitsShowAtOnceOnTheOtherWindow)
{
    focusIn(f1b().Label1);
    QTest::keyClick(f1b().Label1, Qt::Key_End);
    QTest::keyClicks(f1b().Label1, "\b\b4");
    EXPECT_EQ(f1().Label1->text(), "4");
    QTest::keyClick(f1b().Label1, Qt::Key_2);
    EXPECT_EQ(f1().Label1->text(), "42");
    focusOut(f1b().Label1);

    focusIn(f1().Label3);
    f1().Label3->selectAll();
    QTest::keyClicks(f1().Label3, "7");
    EXPECT_EQ(f1b().Label3->text(), "7");
    focusOut(f1().Label3);
    EXPECT_EQ(f1().Label3->text(), "07");
    EXPECT_EQ(f1b().Label3->text(), "07");
    EXPECT_EQ(f1().UpDown3->value(), 7);
}

TEST_F(DigitFields, TheOtherWindowsSpinButtonWaitsForTheNextChangeOutsideEditing)
{
    focusIn(f1().Label1);
    f1().Label1->selectAll();
    QTest::keyClicks(f1().Label1, "42");
    EXPECT_EQ(f1b().Label1->text(), "42");
    EXPECT_EQ(f1b().UpDown1->value(), 0);
    focusOut(f1().Label1);
    EXPECT_FALSE(f1().editing);
    EXPECT_EQ(f1().UpDown1->value(), 42);
    EXPECT_EQ(f1b().UpDown1->value(), 0);
    // The next change with nobody editing carries the value over.
    f1().UpDown1->upArrow()->click();
    EXPECT_EQ(f1().Label1->text(), "43");
    EXPECT_EQ(f1b().Label1->text(), "43");
    EXPECT_EQ(f1b().UpDown1->value(), 43);
}

TEST_F(DigitFields, LargeWindowsMinuteAndSecondSpinButtonsWaitWhileEditing)
{
    focusIn(f1().Label2);
    ASSERT_TRUE(f1().editing);
    f1b().UpDown1->setValue(5);
    f1b().UpDown3->setValue(6);
    EXPECT_EQ(f1b().Label1->text(), "00");
    EXPECT_EQ(f1b().Label3->text(), "00");
    f1b().UpDown2->setValue(7);
    EXPECT_EQ(f1b().Label2->text(), "07");
    EXPECT_EQ(f1().Label2->text(), "07");
    f1().UpDown1->setValue(8);
    f1().UpDown3->setValue(9);
    EXPECT_EQ(f1().Label1->text(), "08");
    EXPECT_EQ(f1().Label3->text(), "09");
}

TEST_F(DigitFields, OnlyDigitsAndBackspaceAreTyped)
{
    focusIn(f1().Label1);
    f1().Label1->setText("4");
    QTest::keyClick(f1().Label1, Qt::Key_End);
    for (auto key :
         {Qt::Key_A, Qt::Key_Space, Qt::Key_Minus, Qt::Key_Return, Qt::Key_Escape, Qt::Key_Period})
        QTest::keyClick(f1().Label1, key);
    QTest::keyClick(f1().Label1, Qt::Key_V, Qt::ControlModifier);
    EXPECT_EQ(f1().Label1->text(), "4");
    QTest::keyClick(f1().Label1, Qt::Key_Backspace);
    EXPECT_EQ(f1().Label1->text(), "");
    QTest::keyClicks(f1().Label1, "123");
    EXPECT_EQ(f1().Label1->text(), "12"); // the field takes two characters
}

TEST_F(DigitFields, ClickingAnIdleFieldEmptiesItAndLeavingGivesZero)
{
    f1().Label2->setText("05");
    ASSERT_EQ(f1().UpDown2->value(), 5);
    focusIn(f1().Label2);
    QTest::mouseClick(f1().Label2, Qt::LeftButton);
    EXPECT_EQ(f1().Label2->text(), "");
    EXPECT_EQ(f1b().Label2->text(), "");
    focusOut(f1().Label2);
    EXPECT_EQ(f1().Label2->text(), "00");
    EXPECT_EQ(f1b().Label2->text(), "00");
    EXPECT_EQ(f1().UpDown2->value(), 0);
}

TEST_F(DigitFields, WhileCountingTheSmallWindowsFieldsAreLockedAndTheLargeOnesAreNot)
{
    setOption("Sound File", "/nowhere/a.mp3");
    f1().Label1->setText("02");
    f1().Command1->click();
    focusIn(f1().Label1);
    QTest::mouseClick(f1().Label1, Qt::LeftButton);
    EXPECT_EQ(f1().Label1->text(), "02");
    f1().Label1->selectAll();
    QTest::keyClicks(f1().Label1, "9");
    EXPECT_EQ(f1().Label1->text(), "02");
    focusOut(f1().Label1);

    focusIn(f1b().Label1);
    QTest::mouseClick(f1b().Label1, Qt::LeftButton);
    EXPECT_EQ(f1b().Label1->text(), "02");
    f1b().Label1->selectAll();
    QTest::keyClicks(f1b().Label1, "9");
    EXPECT_EQ(f1().Label1->text(), "9");
    focusOut(f1b().Label1);
    EXPECT_EQ(f1().Label1->text(), "09");
    clock.advance(1000);
    EXPECT_EQ(timeOf(f1()), "00:08:59");
}

TEST_F(DigitFields, PastedTextThatIsNoTimeKeepsTheFieldWorking)
{
    f1().Label3->setText("12");
    focusIn(f1().Label3);
    f1().Label3->selectAll();
    f1().Label3->insert("ab"); // what a paste from the context menu does
    EXPECT_EQ(f1b().Label3->text(), "ab");
    EXPECT_EQ(f1().UpDown3->value(), 12);
    focusOut(f1().Label3);
    EXPECT_EQ(f1().Label3->text(), "00");
    EXPECT_EQ(f1b().Label3->text(), "00");
    EXPECT_EQ(f1().UpDown3->value(), 0);
    // Outside editing, a pasted sign or blank is no value for the spin button either.
    f1().UpDown1->setValue(30);
    f1().Label1->setText("+5");
    EXPECT_EQ(f1().UpDown1->value(), 30);
    f1().Label1->setText(" 5");
    EXPECT_EQ(f1b().UpDown1->value(), 30);
}

TEST_F(DigitFields, SpinButtonsStepTheirFieldAndStopAtTheEnds)
{
    f1().Label1->setText("09");
    f1().UpDown1->upArrow()->click();
    EXPECT_EQ(f1().Label1->text(), "10");
    f1().UpDown1->downArrow()->click();
    f1().UpDown1->downArrow()->click();
    EXPECT_EQ(f1b().Label1->text(), "08");
    f1().Label3->setText("59");
    f1b().UpDown3->upArrow()->click();
    EXPECT_EQ(f1().Label3->text(), "60");
    f1().Label2->setText("99");
    f1().UpDown2->upArrow()->click();
    EXPECT_EQ(f1().Label2->text(), "99");
    f1().Label2->setText("00");
    QTest::keyClick(f1().UpDown2, Qt::Key_Down);
    EXPECT_EQ(f1().Label2->text(), "00");
    QTest::keyClick(f1().UpDown2, Qt::Key_Up);
    EXPECT_EQ(f1().Label2->text(), "01");
    EXPECT_EQ(f1b().Label2->text(), "01");
}
