#include "tests/windows/windowtesting.h"

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
        EXPECT_TRUE(program->playing);
        media.clear();
        alarmOff();
        EXPECT_EQ(media.calls(), (QStringList{"mci:close " + device}));
        EXPECT_FALSE(program->playing);
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
    EXPECT_TRUE(program->playing);
    media.clear();
    alarmOff();
    EXPECT_EQ(media.calls(), (QStringList{"snd:2:null"}));
    EXPECT_FALSE(program->playing);

    program.reset();
    media.clear();
    ringWith("/nowhere/gone.wav");
    EXPECT_EQ(media.calls(), (QStringList{"snd:13:0"}));
    EXPECT_TRUE(program->playing);
    clock.advance(160);
    EXPECT_NE(f1().Command1->backColor(), f1().oldclr);
}

TEST_F(Alarm, OtherFileTypesRingSilentlyAndLeavePlayingAlone)
{
    for (const char *name : {"/tmp/a.wave", "/tmp/a.ogg", "/tmp/wav.txt", "ab"}) {
        media.clear();
        ringWith(name);
        EXPECT_TRUE(media.calls().isEmpty()) << name;
        EXPECT_FALSE(program->playing) << name;
        alarmOff();
        EXPECT_TRUE(media.calls().isEmpty()) << name;
    }
}

TEST_F(Alarm, BringsTheWindowOfTheSizeInUseBackFromTheNotificationArea)
{
    setOption("Size", "1");
    startProgram();
    f1b().Label3->setText("02");
    clock.advance(16);
    setOption("Sound File", "/tmp/x.mp3");
    f1b().Command1->click();
    // The large window goes into the notification area.
    program->nid.hWnd = &f1b();
    program->nid.uID = 1;
    program->nid.uFlags = shell::NIF_MESSAGE | shell::NIF_ICON | shell::NIF_TIP;
    program->nid.uCallbackMessage = shell::WM_MOUSEMOVE;
    ASSERT_TRUE(icons.Shell_NotifyIcon(shell::NIM_ADD, program->nid));
    program->intray = true;
    f1b().hide();

    clock.advance(1000);
    EXPECT_EQ(area.icons.begin()->second.tip, "Ostrevan - Started (00:00:01)");
    clock.advance(1000);
    EXPECT_TRUE(area.icons.empty());
    EXPECT_FALSE(program->intray);
    EXPECT_TRUE(f1b().isVisible());
    EXPECT_FALSE(f1().isVisible());
    EXPECT_EQ(f1b().Command1->caption(), "Alarm Off");
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
