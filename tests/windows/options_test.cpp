#include "platform/commandbutton.h"
#include "platform/label.h"
#include "platform/textbox.h"
#include "platform/timers.h"
#include "tests/windows/dialogtesting.h"
#include "windows/dialogs/form2.h"

#include <QCheckBox>
#include <QCoreApplication>
#include <QMouseEvent>
#include <QRadioButton>

using namespace platform;

namespace
{

constexpr ColorValue kLightBlue = 16744576;

QStringList optionNames()
{
    QStringList names;
    settings::CRegSettings s;
    s.setAppName(QStringLiteral("Ostrevan"));
    s.setCompany(QStringLiteral("Quillanor"));
    for (const auto &value : s.GetAllOptions(QStringLiteral("Options")))
        names << value[0];
    return names;
}

QString message(const char *key)
{
    settings::CRegSettings s;
    s.setAppName(QStringLiteral("Ostrevan"));
    s.setCompany(QStringLiteral("Quillanor"));
    return s.GetSetting(QStringLiteral("Messages"), QString::fromLatin1(key),
                        QStringLiteral("<absent>"));
}

void setMessage(const QString &value)
{
    settings::CRegSettings s;
    s.setAppName(QStringLiteral("Ostrevan"));
    s.setCompany(QStringLiteral("Quillanor"));
    s.SaveSetting(QStringLiteral("Messages"), QStringLiteral("MP3 Message"), value);
}

} // namespace

class OptionsWindow : public DialogTest
{
};

TEST_F(OptionsWindow, OpensWithTheStoredFileAndTheVisibleSizeAndShowsLongPathsInATip)
{
    const QString wav = makeFile("alarm.wav", "first");
    setOption("Sound File", wav);
    startProgram();
    makeFile("alarm.wav", "second"); // changed since the program started
    options(f1(), [&](Form5 &o) {
        EXPECT_EQ(o.windowTitle(), "Options");
        EXPECT_EQ(o.Label1->text(), wav);
        EXPECT_TRUE(o.Small->isChecked());
        EXPECT_FALSE(o.Big->isChecked());
        EXPECT_EQ(o.bc, -1);
        EXPECT_EQ(o.dc, -1);
        EXPECT_EQ(o.btc, -1);
        EXPECT_EQ(program->newsize, -1);
        EXPECT_EQ(f1().dsound, "second"); // reloaded when Options opens

        EXPECT_TRUE(o.Label1->toolTip().isEmpty());
        QMouseEvent move(QEvent::MouseMove, QPointF(5, 5), QPointF(5, 5), Qt::NoButton,
                         Qt::NoButton, Qt::NoModifier);
        QCoreApplication::sendEvent(o.Label1, &move);
        EXPECT_EQ(o.Label1->toolTip(), wav);
        o.Command5->click();
    });
    EXPECT_EQ(shown("Form5"), 1);
}

TEST_F(OptionsWindow, DoneSavesDigitColourAndSoundFileAlwaysAndColoursOnlyWhenChosen)
{
    setOption("Background Color", "9"); // names no background: never written back
    startProgram();
    const QString wav = makeFile("bells.wav", "0123456789");
    options(f1(), [&](Form5 &o) {
        EXPECT_EQ(o.Label1->text(), "None Selected");
        waits.answerFile(wav);
        o.Command2->click();
        EXPECT_EQ(o.Label1->text(), wav);
        o.Command4->click();
    });
    EXPECT_EQ(option("Digit Color"), "65535");
    EXPECT_EQ(option("Sound File"), wav);
    EXPECT_EQ(option("Background Color"), "9");
    EXPECT_EQ(option("Button Color"), "<absent>");
    EXPECT_EQ(option("Size"), "0");
    EXPECT_EQ(program->newsize, 0);
    EXPECT_EQ(f1().fname, wav);
    EXPECT_EQ(f1().dsound, "0123456789");
    EXPECT_TRUE(f1().Timer2->isEnabled());
    EXPECT_EQ(f1().oldclr, kLightBlue);
}

TEST_F(OptionsWindow, DoneAppliesAndSavesTheColoursInItsOrder)
{
    startProgram();
    const QString wav = makeFile("bells.wav");
    options(f1(), [&](Form5 &o) {
        onColors([](Form4 &c) {
            c.Option1[2]->setChecked(true); // cyan digits
            c.Option2[2]->setChecked(true); // blue background
            c.Option3[5]->setChecked(true); // light yellow buttons
            c.Command2->click();
        });
        o.Command3->click();
        EXPECT_EQ(o.bc, 2);
        EXPECT_EQ(o.dc, 16776960);
        EXPECT_EQ(o.btc, 8454143);
        waits.answerFile(wav);
        o.Command2->click();
        o.Command4->click();
    });
    // New values are kept in the order they were first written: start-up wrote the first two.
    EXPECT_EQ(optionNames(), (QStringList{"Background Color", "Size", "Digit Color", "Button Color",
                                          "Sound File"}));
    EXPECT_EQ(option("Background Color"), "2");
    EXPECT_EQ(option("Digit Color"), "16776960");
    EXPECT_EQ(option("Button Color"), "8454143");
    EXPECT_EQ(program->digclr, "16776960");
    EXPECT_EQ(f1().oldclr, 8454143);
    for (MainWindow *w : {static_cast<MainWindow *>(&f1()), static_cast<MainWindow *>(&f1b())}) {
        EXPECT_FALSE(w->Timer2->isEnabled());
        EXPECT_EQ(QColor(w->image().pixel(0, 0)), QColor(0, 0, 255));
        for (TextBox *field : {w->Label1, w->Label2, w->Label3})
            EXPECT_EQ(field->foreColor(), 16776960);
        ASSERT_EQ(w->commandButtons().size(), 7);
        for (CommandButton *b : w->commandButtons())
            EXPECT_EQ(b->backColor(), 8454143);
    }
}

TEST_F(OptionsWindow, CancelAndTheCloseBoxSaveNothing)
{
    const QString before = makeFile("before.wav", "old");
    setOption("Sound File", before);
    startProgram();
    const QString after = makeFile("after.wav", "new");
    for (bool closeBox : {false, true}) {
        options(f1(), [&](Form5 &o) {
            onColors([](Form4 &c) {
                c.Option1[5]->setChecked(true);
                c.Option2[0]->setChecked(true);
                c.Option3[4]->setChecked(true);
                c.Command2->click();
            });
            o.Command3->click();
            o.Big->setChecked(true);
            waits.answerFile(after);
            o.Command2->click();
            if (!closeBox)
                o.Command5->click();
        });
        EXPECT_EQ(program->newsize, -1);
        EXPECT_EQ(option("Digit Color"), "<absent>");
        EXPECT_EQ(option("Button Color"), "<absent>");
        EXPECT_EQ(option("Background Color"), "5");
        EXPECT_EQ(option("Sound File"), before);
        EXPECT_EQ(option("Size"), "0");
        EXPECT_EQ(f1().fname, before);
        EXPECT_TRUE(f1().isVisible());
        EXPECT_TRUE(f1().Timer2->isEnabled());
        EXPECT_EQ(f1().oldclr, kLightBlue);
        EXPECT_EQ(f1().Label1->foreColor(), 65535);
    }
}

TEST_F(OptionsWindow, SwitchesTheSizeFromEitherWindow)
{
    startProgram();
    options(f1(), [](Form5 &o) {
        o.Big->setChecked(true);
        o.Command4->click();
    });
    EXPECT_TRUE(f1b().isVisible());
    EXPECT_FALSE(f1().isVisible());
    EXPECT_EQ(option("Size"), "1");

    options(f1b(), [](Form5 &o) {
        EXPECT_TRUE(o.Big->isChecked());
        o.Small->setChecked(true);
        o.Command4->click();
    });
    EXPECT_TRUE(f1().isVisible());
    EXPECT_FALSE(f1b().isVisible());
    EXPECT_EQ(option("Size"), "0");
}

TEST_F(OptionsWindow, StartWithoutASoundFileLeadsToOptionsAndThenStarts)
{
    startProgram();
    const QString wav = makeFile("chime.wav");
    f1().Label3->setText("05");
    onOptions([&](Form5 &o) {
        EXPECT_EQ(o.parentWidget(), &f1());
        waits.answerFile(wav);
        o.Command2->click();
        o.Command4->click();
    });
    f1b().Command1->click(); // the large window's Start hands over to the small one
    ASSERT_EQ(waits.log.size(), 3);
    EXPECT_EQ(waits.log[0], "message|Oops|You must select a sound file to play as the alarm "
                            "first.|exclamation|ok");
    EXPECT_EQ(waits.log[1], "modal|Form5");
    EXPECT_EQ(f1().Command1->caption(), "Start");
    EXPECT_FALSE(f1().sec->isEnabled());

    f1().Command1->click();
    EXPECT_EQ(f1().Command1->caption(), "Stop");
    EXPECT_TRUE(f1().sec->isEnabled());
    clock.advance(1000);
    EXPECT_EQ(f1b().Label3->text(), "04");
}

class SoundFileChooser : public DialogTest
{
};

TEST_F(SoundFileChooser, AsksOverTheSmallWindowInTheProgramFolderForSoundFiles)
{
    setOption("Size", "1");
    startProgram();
    options(f1b(), [&](Form5 &o) {
        EXPECT_EQ(o.parentWidget(), &f1b());
        o.Command2->click();
    });
    ASSERT_EQ(waits.log.size(), 2);
    EXPECT_EQ(waits.log[1], QStringLiteral("file|Select Sound File...|%1|Sound Files (*.mp3, "
                                           "*.wav, *.mid) (*.mp3 *.wav *.mid)|Form1")
                                .arg(QStringLiteral(OSTREVAN_TEST_DATA)));
}

TEST_F(SoundFileChooser, CancelOrAPathThatIsNoFileKeepsThePreviousChoice)
{
    const QString wav = makeFile("alarm.wav");
    setOption("Sound File", wav);
    startProgram();
    options(f1(), [&](Form5 &o) {
        o.Command2->click(); // cancelled
        EXPECT_EQ(o.Label1->text(), wav);
        waits.answerFile(files.filePath("gone.wav"));
        o.Command2->click();
        EXPECT_EQ(o.Label1->text(), wav);
        waits.answerFile(files.path()); // a folder
        o.Command2->click();
        EXPECT_EQ(o.Label1->text(), wav);
        o.Command4->click();
    });
    EXPECT_EQ(option("Sound File"), wav);
}

TEST_F(SoundFileChooser, AFileRemovedBeforeDoneIsKeptAndStartStillCounts)
{
    startProgram();
    const QString wav = makeFile("usb/alarm.wav");
    options(f1(), [&](Form5 &o) {
        waits.answerFile(wav);
        o.Command2->click();
        QFile::remove(wav);
        o.Command4->click();
    });
    EXPECT_EQ(option("Sound File"), wav);
    EXPECT_TRUE(f1().dsound.isEmpty());
    f1().Label3->setText("01");
    f1().Command1->click();
    clock.advance(1000);
    EXPECT_EQ(f1().Command1->caption(), "Alarm Off"); // the alarm still shows, silently
    f1().Command1->click();
    EXPECT_EQ(f1().Command1->caption(), "Start");
}

class Mp3Notice : public DialogTest
{
};

TEST_F(Mp3Notice, ComesForAnyPathNamingMp3UntilSwitchedOff)
{
    startProgram();
    const QString inMp3Folder = makeFile("My MP3s/chime.wav");
    const QString elsewhere = makeFile("Sounds/chime.wav");
    options(f1(), [&](Form5 &o) {
        waits.answerFile(inMp3Folder);
        o.Command2->click(); // the notice comes and is closed with its close box
        EXPECT_EQ(shown("Form2"), 1);
        EXPECT_EQ(message("MP3 Message"), "<absent>");
        waits.answerFile(elsewhere);
        o.Command2->click();
        EXPECT_EQ(shown("Form2"), 1);

        waits.answerFile(inMp3Folder);
        waits.onModal([](platform::Form &form) {
            auto &notice = static_cast<Form2 &>(form);
            EXPECT_EQ(notice.windowTitle(), "Important Message");
            EXPECT_TRUE(notice.Check1->isChecked());
            EXPECT_EQ(notice.parentWidget(), nullptr);
            notice.Check1->setChecked(false);
            notice.Command1->click();
        });
        o.Command2->click();
        EXPECT_EQ(shown("Form2"), 2);
        EXPECT_EQ(message("MP3 Message"), "no");
        EXPECT_EQ(o.Label1->text(), inMp3Folder);

        waits.answerFile(inMp3Folder);
        o.Command2->click();
        EXPECT_EQ(shown("Form2"), 2);
        o.Command5->click();
    });
}

TEST_F(Mp3Notice, OkWithTheBoxTickedStoresYesAndAnythingButYesKeepsItAway)
{
    startProgram();
    const QString mp3 = makeFile("tune.mp3");
    options(f1(), [&](Form5 &o) {
        waits.answerFile(mp3);
        waits.onModal([](platform::Form &form) { static_cast<Form2 &>(form).Command1->click(); });
        o.Command2->click();
        EXPECT_EQ(message("MP3 Message"), "yes");
        EXPECT_EQ(shown("Form2"), 1);

        setMessage("Yes");
        waits.answerFile(mp3);
        o.Command2->click();
        EXPECT_EQ(shown("Form2"), 1);
        o.Command5->click();
    });
}

class TestSound : public DialogTest
{
};

TEST_F(TestSound, PlaysByTheLastThreeLettersAndStopsWhatItStarted)
{
    setMessage("no");
    startProgram();
    const QString mp3 = makeFile("Tune.MP3");
    const QString wav = makeFile("ring.wav", "0123456789");
    const QString wave = makeFile("ring.wave", "0123456789");
    options(f1(), [&](Form5 &o) {
        const QString device = QLatin1Char('"') + mp3 + QLatin1Char('"');
        waits.answerFile(mp3);
        o.Command2->click();
        o.Command1->click();
        EXPECT_EQ(o.Command1->caption(), "Stop");
        EXPECT_TRUE(program->playing);
        o.Command1->click();
        EXPECT_EQ(o.Command1->caption(), "Test");
        EXPECT_FALSE(program->playing);
        EXPECT_EQ(media.calls(),
                  (QStringList{"mci:open " + device, "mci:play " + device, "mci:close " + device}));

        media.clear();
        waits.answerFile(wav);
        o.Command2->click();
        o.Command1->click();
        EXPECT_EQ(media.lastSound(), "0123456789");
        o.Command1->click();
        EXPECT_EQ(media.calls(), (QStringList{"snd:13:10", "snd:2:null"}));

        media.clear();
        waits.answerFile(wave);
        o.Command2->click();
        o.Command1->click();
        EXPECT_EQ(o.Command1->caption(), "Stop");
        EXPECT_FALSE(program->playing);
        o.Command1->click();
        EXPECT_EQ(o.Command1->caption(), "Test");
        EXPECT_TRUE(media.calls().isEmpty());

        // Choosing another file while the test plays: Stop still ends the sound it started.
        waits.answerFile(mp3);
        o.Command2->click();
        o.Command1->click();
        waits.answerFile(wav);
        o.Command2->click();
        media.clear();
        o.Command1->click();
        EXPECT_EQ(media.calls(), QStringList{"mci:close " + device});
        o.Command5->click();
    });
}

TEST_F(TestSound, ClosingTheWindowSilencesTheTestAndKeepsThePlayingFlag)
{
    setMessage("no");
    startProgram();
    const QString mp3 = makeFile("tune.mp3");
    options(f1(), [&](Form5 &o) {
        waits.answerFile(mp3);
        o.Command2->click();
        o.Command1->click();
        media.clear();
    }); // closed with the close box while playing
    const QString device = QLatin1Char('"') + mp3 + QLatin1Char('"');
    EXPECT_EQ(media.calls(), (QStringList{"mci:close " + device, "snd:2:null"}));
    EXPECT_TRUE(program->playing);
}

TEST_F(TestSound, ClosingOptionsWhileTheAlarmRingsSilencesAWavAlarm)
{
    const QString wav = makeFile("alarm.wav", "0123456789");
    setOption("Sound File", wav);
    startProgram();
    f1().Label3->setText("01");
    f1().Command1->click();
    clock.advance(1000);
    ASSERT_EQ(f1().Command1->caption(), "Alarm Off");
    ASSERT_EQ(media.calls(), QStringList{"snd:13:10"});
    media.clear();
    options(f1(), [](Form5 &o) { o.Command5->click(); });
    EXPECT_EQ(media.calls(), (QStringList{"mci:close ", "snd:2:null"}));
    EXPECT_TRUE(program->playing);
}
