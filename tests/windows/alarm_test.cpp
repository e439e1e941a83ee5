#include "tests/windows/windowtesting.h"

#include <QApplication>
#include <QTest>

using namespace platform;

class Alarm : public WindowTest
{
protected:
    void alarmOff() { f1b().Command1->click(); }
};

TEST_F(Alarm, Mp3AndMidiPlayThroughTheQuotedDeviceName)
{
    for (const QString file : {"/home/me/My Alarms/wake up.MP3", "/tmp/tune.Mid"}) {
        const QString device = '"' + file + '"';
        media.clear();
        ringWith(file);
        EXPECT_EQ(media.calls(), (QStringList{"mci:open " + device, "mci:play " + device}));
        EXPECT_TRUE(program->values.playing);
        media.clear();
        alarmOff();
        EXPECT_EQ(media.calls(), (QStringList{"mci:close " + device}));
        EXPECT_FALSE(program->values.playing);
        EXPECT_EQ(f1().Command1->caption(), "Start");
    }
}

TEST_F(Alarm, WavLoopsFromMemoryUntilAlarmOffAndAMissingOneStillRingsVisibly)
{
    const QString path = makeFile("bell.WAV", "RIFF....WAVEdata");
    setOption("Sound File", path);
    startProgram(); // the sound is read when the window loads
    ringWith(path);
    EXPECT_EQ(media.calls(), (QStringList{"snd:13:16"}));
    EXPECT_EQ(media.lastSound(), QByteArray("RIFF....WAVEdata"));
    EXPECT_TRUE(program->values.playing);
    media.clear();
    alarmOff();
    EXPECT_EQ(media.calls(), (QStringList{"snd:2:null"}));
    EXPECT_FALSE(program->values.playing);

    program.reset();
    media.clear();
    ringWith("/nowhere/gone.wav");
    EXPECT_EQ(media.calls(), (QStringList{"snd:13:0"}));
    EXPECT_TRUE(program->values.playing);
    clock.advance(160);
    EXPECT_NE(f1().Command1->backColor(), f1().oldclr);
}

TEST_F(Alarm, OtherFileTypesRingSilentlyAndLeavePlayingAlone)
{
    for (const char *name : {"/tmp/a.wave", "/tmp/a.ogg", "/tmp/wav.txt", "ab"}) {
        media.clear();
        ringWith(name);
        EXPECT_TRUE(media.calls().isEmpty()) << name;
        EXPECT_FALSE(program->values.playing) << name;
        alarmOff();
        EXPECT_TRUE(media.calls().isEmpty()) << name;
    }
}

TEST_F(Alarm, ClosingEitherWindowEndsTheProgramAndSilencesIt)
{
    struct Case {
        const char *file; // nullptr: no alarm
        bool large;
        QStringList calls;
    };
    const Case cases[] = {
        {"/tmp/a b.mp3", false, {"mci:close \"/tmp/a b.mp3\"", "snd:2:null"}},
        {"/tmp/x.mid", true, {"mci:close \"/tmp/x.mid\""}},
        {"/tmp/y.wav", true, {"mci:close "}}, // the large window closes the last MCI device only
        {nullptr, true, {}},
    };
    for (const Case &c : cases) {
        program.reset();
        if (c.file)
            ringWith(c.file);
        else
            startProgram();
        media.clear();
        const int before = ends;
        c.large ? f1b().close() : f1().close();
        EXPECT_EQ(media.calls(), c.calls) << (c.file ? c.file : "no alarm");
        EXPECT_EQ(ends, before + 1);
        EXPECT_FALSE(f1().isVisible() || f1b().isVisible());
        EXPECT_FALSE(f1().Timer2->isEnabled());
    }
}

TEST_F(Alarm, LeavesTheFocusWhereItWasSoEnterSilencesIt)
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
        clock.advance(1000);
        ASSERT_EQ(f1().Command1->caption(), "Alarm Off");
        EXPECT_EQ(QApplication::focusWidget(), focused) << large;
        EXPECT_EQ(f1().editing, editing) << large; // no LostFocus ran
        if (!large) {
            QTest::keyClick(&w, Qt::Key_Return);
            EXPECT_EQ(f1().Command1->caption(), "Start");
        }
    }
}
