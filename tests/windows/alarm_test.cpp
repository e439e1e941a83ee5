#include "tests/windows/windowtesting.h"

#include <QApplication>
#include <QTest>

using namespace platform;

class Alarm : public WindowTest
{
protected:
    void expectSilenced(const QStringList &calls, const std::string &what)
    {
        EXPECT_EQ(media.calls(), calls) << what;
        EXPECT_TRUE(notices.shown.isEmpty()) << what;
        EXPECT_FALSE(notices.action) << what;
    }
};

// Every sound file rings its own way and the window flashes, whatever the sound; Alarm Off on
// either window, or in the desktop's notification, silences the alarm and withdraws it.
TEST_F(Alarm, EachSoundRingsItsWayAndEveryAlarmOffSilencesIt)
{
    const QString wav = makeFile("bell.WAV", "RIFF....WAVEdata");
    const QString mp3 = "\"/tmp/wake up.MP3\"", midi = "\"/tmp/tune.Mid\"";
    enum Off { Small, Large, Notice }; // Alarm Off on the small or large window, or the notice
    struct Case {
        QString file;
        QStringList ring, off;
        Off route;
    };
    const Case cases[] = {
        {"/tmp/wake up.MP3", {"mci:open " + mp3, "mci:play " + mp3}, {"mci:close " + mp3}, Large},
        {"/tmp/tune.Mid", {"mci:open " + midi, "mci:play " + midi}, {"mci:close " + midi}, Notice},
        {wav, {"snd:13:16"}, {"snd:2:null"}, Small},
        {"/nowhere/gone.wav", {"snd:13:0"}, {"snd:2:null"}, Notice},
        {"/tmp/a.wave", {}, {}, Large},
        {"/tmp/a.ogg", {}, {}, Notice},
    };
    for (const Case &c : cases) {
        const std::string what = c.file.toStdString();
        program.reset();
        media.clear();
        ringWith(c.file);
        EXPECT_EQ(media.calls(), c.ring) << what;
        EXPECT_EQ(program->values.playing, !c.ring.isEmpty()) << what;
        EXPECT_EQ(media.lastSound(), c.file == wav ? "RIFF....WAVEdata" : "") << what;
        EXPECT_EQ(notices.shown,
                  (QStringList{"Ostrevan", "The countdown has ended.", "Alarm Off"}));
        clock.advance(160);
        EXPECT_NE(f1().Command1->backColor(), f1().oldclr) << what;
        media.clear();
        const std::function<void()> action = notices.action;
        c.route == Notice ? action() : both()[c.route == Large]->Command1->click();
        expectSilenced(c.off, what);
        EXPECT_FALSE(program->values.playing) << what;
        EXPECT_EQ(f1b().Command1->caption(), "Start") << what;
        // An action the desktop delivers late finds the next countdown running and leaves it.
        f1().Label3->setText("05");
        f1().Command1->click();
        action();
        EXPECT_EQ(f1().Command1->caption(), "Stop") << what;
    }
}

TEST_F(Alarm, ClosingEitherWindowOrExitEndsTheProgramAndSilencesIt)
{
    struct Case {
        const char *file; // nullptr: no alarm
        bool large, exit;
        QStringList calls;
    };
    const Case cases[] = {
        {"/tmp/a b.mp3", false, false, {"mci:close \"/tmp/a b.mp3\"", "snd:2:null"}},
        {"/tmp/x.mid", true, false, {"mci:close \"/tmp/x.mid\""}},
        {"/tmp/y.wav", true, false, {"mci:close "}}, // the large window closes the last device
        {"/tmp/z.wav", false, true, {"mci:close ", "snd:2:null"}},
        {nullptr, true, false, {}},
    };
    for (const Case &c : cases) {
        program.reset();
        c.file ? ringWith(c.file) : startProgram();
        media.clear();
        const int before = ends;
        MainWindow &w = c.large ? static_cast<MainWindow &>(f1b()) : f1();
        c.exit ? w.mnSTEX_Click() : void(w.close());
        expectSilenced(c.calls, c.file ? c.file : "no alarm");
        EXPECT_EQ(ends, before + 1);
        EXPECT_FALSE(f1().isVisible() || f1b().isVisible());
        EXPECT_FALSE(f1().Timer2->isEnabled());
    }
}

TEST_F(Alarm, ActivatesTheWindowWithTheFocusWhereItWasSoEnterSilencesIt)
{
    setOption("Sound File", "/nowhere/a.wav");
    // {size in use, control that has the focus}: Start on the small window, the hours field
    // being edited on the large one.
    for (const qint16 large : {0, 1}) {
        program.reset();
        startProgram();
        qint16 size = large;
        f1().size(size);
        MainWindow &w = large ? static_cast<MainWindow &>(f1b()) : f1();
        QWidget *focused = large ? static_cast<QWidget *>(w.Label2) : w.Command1;
        f1().Label3->setText("01");
        f1().Command1_Click();
        w.activateWindow();
        focused->setFocus(Qt::TabFocusReason);
        ASSERT_TRUE(QTest::qWaitForWindowActive(&w));
        ASSERT_EQ(QApplication::focusWidget(), focused);
        const bool editing = f1().editing;
        // Another window is active when the time runs out; the alarm asks for this one back.
        QWidget other;
        other.show();
        other.activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(&other));
        clock.advance(1000);
        ASSERT_EQ(f1().Command1->caption(), "Alarm Off");
        EXPECT_TRUE(QTest::qWaitForWindowActive(&w)) << large;
        EXPECT_EQ(QApplication::focusWidget(), focused) << large;
        EXPECT_EQ(f1().editing, editing) << large; // no LostFocus ran
        if (!large) {
            media.clear();
            QTest::keyClick(&w, Qt::Key_Return);
            expectSilenced({"snd:2:null"}, "Enter");
        }
    }
}
