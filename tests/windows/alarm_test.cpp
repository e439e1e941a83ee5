#include "platform/commandbutton.h"
#include "platform/textbox.h"
#include "platform/timers.h"
#include "tests/support/programfixture.h"

#include <QFile>
#include <QTemporaryDir>

using namespace platform;

class Alarm : public ProgramTest
{
protected:
    // Counts one second down to zero with the given sound file chosen.
    void ringWith(const QString &soundFile)
    {
        setOption("Sound File", soundFile);
        if (!program)
            startProgram();
        f1().Label3->setText("01");
        clock.advance(16);
        f1().Command1->click();
        clock.advance(1000);
        ASSERT_EQ(f1().Command1->caption(), "Alarm Off");
    }
    void alarmOff() { f1b().Command1->click(); }
};

TEST_F(Alarm, Mp3AndMidiPlayThroughTheQuotedDeviceName)
{
    ringWith("/home/me/My Alarms/wake up.MP3");
    EXPECT_EQ(media.calls(), (QStringList{"mci:open \"/home/me/My Alarms/wake up.MP3\"",
                                          "mci:play \"/home/me/My Alarms/wake up.MP3\""}));
    EXPECT_TRUE(program->playing);
    media.clear();
    alarmOff();
    EXPECT_EQ(media.calls(), (QStringList{"mci:close \"/home/me/My Alarms/wake up.MP3\""}));
    EXPECT_FALSE(program->playing);
    EXPECT_EQ(f1().Command1->caption(), "Start");

    media.clear();
    ringWith("/tmp/tune.Mid");
    EXPECT_EQ(media.calls(), (QStringList{"mci:open \"/tmp/tune.Mid\"", "mci:play \"/tmp/tune.Mid\""}));
}

TEST_F(Alarm, WavLoopsFromMemoryUntilAlarmOff)
{
    QTemporaryDir dir;
    const QString path = dir.filePath("bell.WAV");
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write("RIFF....WAVEdata");
    file.close();
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
}

TEST_F(Alarm, AMissingWavStillRingsVisiblyAndSetsPlaying)
{
    ringWith("/nowhere/gone.wav");
    EXPECT_EQ(media.calls(), (QStringList{"snd:13:0"}));
    EXPECT_TRUE(program->playing);
    clock.advance(160);
    EXPECT_NE(f1().Command1->backColor(), f1().oldclr);
    alarmOff();
    EXPECT_EQ(f1().Command1->caption(), "Start");
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

TEST_F(Alarm, WithTheLargeWindowShowingTheSmallOneStaysHidden)
{
    setOption("Size", "1");
    startProgram();
    ringWith("/tmp/x.mid");
    EXPECT_TRUE(f1b().isVisible());
    EXPECT_FALSE(f1().isVisible());
}

TEST_F(Alarm, ClosingEitherWindowDuringTheAlarmSilencesIt)
{
    ringWith("/tmp/x.mp3");
    media.clear();
    f1().close();
    EXPECT_EQ(media.calls(), (QStringList{"mci:close \"/tmp/x.mp3\"", "snd:2:null"}));
    EXPECT_EQ(ends, 1);

    program.reset();
    media.clear();
    ringWith("/tmp/y.wav");
    media.clear();
    f1b().close();
    // The large window closes the device of the last MCI alarm only.
    EXPECT_EQ(media.calls(), (QStringList{"mci:close "}));
    EXPECT_EQ(ends, 2);
}
