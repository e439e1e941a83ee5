#include "platform/label.h"
#include "platform/waits.h"
#include "tests/windows/windowtesting.h"
#include "windows/dialogs/form2.h"

#include <QApplication>
#include <QCheckBox>
#include <QFileDialog>
#include <QHeaderView>
#include <QMimeDatabase>
#include <QRadioButton>
#include <QScreen>
#include <QStyle>
#include <QTimer>
#include <QTreeView>

using namespace platform;

class OptionsWindow : public WindowTest
{
protected:
    static QStringList optionNames()
    {
        QStringList names;
        for (const auto &value : store().GetAllOptions(QStringLiteral("Options")))
            names << value[0];
        return names;
    }
    static QString mp3Message()
    {
        return store().GetSetting(QStringLiteral("Messages"), QStringLiteral("MP3 Message"),
                                  QStringLiteral("<absent>"));
    }
    static void setMp3Message(const QString &value)
    {
        store().SaveSetting(QStringLiteral("Messages"), QStringLiteral("MP3 Message"), value);
    }
    // Chooses the file with Options' Select button.
    void choose(Form5 &o, const QString &file)
    {
        waits.answerFile(file);
        o.Command2->click();
    }
};

TEST_F(OptionsWindow, DoneSavesDigitColourAndSoundFileAlwaysAndColoursOnlyWhenChosen)
{
    setOption("Background Color", "9"); // names no background: not written back unchosen
    startProgram();
    const QString wav = makeFile("bells.wav", "0123456789");
    options(f1(), [&](Form5 &o) {
        EXPECT_EQ(o.Label1->text(), "None Selected");
        choose(o, wav);
        EXPECT_EQ(o.Label1->text(), wav);
        o.Command4->click();
    });
    EXPECT_EQ(option("Digit Color"), "65535");
    EXPECT_EQ(option("Sound File"), wav);
    EXPECT_EQ(option("Background Color"), "9");
    EXPECT_EQ(option("Button Color"), "<absent>");
    EXPECT_EQ(f1().fname, wav);
    EXPECT_EQ(f1().dsound, "0123456789");
    EXPECT_TRUE(f1().Timer2->isEnabled());
}

TEST_F(OptionsWindow, CancelAndTheCloseBoxSaveNothingAndDoneSavesTheColoursChosen)
{
    const QString before = makeFile("before.wav", "old");
    setOption("Sound File", before);
    startProgram();
    enum { Cancel, CloseBox, Done };
    for (const int close : {Cancel, CloseBox, Done}) {
        options(f1(), [&](Form5 &o) {
            onColors([](Form4 &c) {
                c.Option1[2]->setChecked(true); // cyan digits
                c.Option2[2]->setChecked(true); // blue background
                c.Option3[5]->setChecked(true); // light yellow buttons
                c.Command2->click();
            });
            o.Command3->click();
            if (close != Done) {
                o.Big->setChecked(true);
                choose(o, makeFile("after.wav", "new"));
            }
            if (close != CloseBox)
                (close == Cancel ? o.Command5 : o.Command4)->click();
        });
        if (close == Done)
            break;
        EXPECT_EQ(program->values.newsize, -1);
        EXPECT_EQ(optionNames(), (QStringList{"Sound File", "Background Color", "Size"}));
        EXPECT_EQ(option("Background Color"), "5");
        EXPECT_EQ(option("Sound File"), before);
        EXPECT_EQ(option("Size"), "0");
        EXPECT_EQ(f1().fname, before);
        EXPECT_TRUE(f1().isVisible());
        EXPECT_TRUE(f1().Timer2->isEnabled());
        expectDress(65535, 16744576);
    }
    // Values are kept in the order they were first written.
    EXPECT_EQ(optionNames(), (QStringList{"Sound File", "Background Color", "Size", "Digit Color",
                                          "Button Color"}));
    EXPECT_EQ(option("Background Color"), "2");
    EXPECT_EQ(option("Digit Color"), "16776960");
    EXPECT_EQ(option("Button Color"), "8454143");
    EXPECT_EQ(option("Sound File"), before);
    EXPECT_EQ(option("Size"), "0");
    expectDress(16776960, 8454143);
    for (MainWindow *w : both()) {
        EXPECT_FALSE(w->Timer2->isEnabled());
        EXPECT_EQ(QColor(w->image().pixel(0, 0)), QColor(0, 0, 255));
    }
}

TEST_F(OptionsWindow, SwitchesTheSizeFromEitherWindow)
{
    startProgram();
    // Done applies the size even when it did not change: the stored size follows.
    setOption("Size", "1");
    options(f1(), [&](Form5 &o) {
        EXPECT_EQ(o.Big->text() + '/' + o.Small->text(), "Big/Small");
        o.Command4->click();
    });
    EXPECT_EQ(option("Size"), "0");
    EXPECT_TRUE(f1().isVisible());
    for (bool big : {true, false}) {
        options(big ? static_cast<MainWindow &>(f1()) : f1b(), [&](Form5 &o) {
            EXPECT_NE(o.Big->isChecked(), big);
            (big ? o.Big : o.Small)->setChecked(true);
            o.Command4->click();
        });
        EXPECT_EQ(f1b().isVisible(), big);
        EXPECT_NE(f1().isVisible(), big);
        EXPECT_EQ(option("Size"), big ? "1" : "0");
    }
}

TEST_F(OptionsWindow, StartWithoutASoundFileSaysOopsLeadsToOptionsAndThenStarts)
{
    // The large window in use: Options comes from the "Oops" over the small window, which has
    // never been shown, and opens on the screen, centred on the window in use.
    setOption("Size", "1");
    startProgram();
    const QString wav = makeFile("chime.wav");
    f1().Label3->setText("05");
    onOptions([&](Form5 &o) {
        EXPECT_EQ(o.parentWidget(), &f1());
        const QRect placed = o.frameGeometry();
        EXPECT_TRUE(f1b().screen()->availableGeometry().contains(placed));
        EXPECT_LE((placed.center() - f1b().frameGeometry().center()).manhattanLength(), 24);
        choose(o, wav);
        o.Command4->click();
    });
    f1b().Command1->click(); // the large window's Start hands over to the small one
    ASSERT_EQ(waits.log.size(), 3);
    EXPECT_EQ(waits.log[0], "message|Oops|You must select a sound file to play as the alarm "
                            "first.|exclamation|ok");
    EXPECT_EQ(waits.log[1], "modal|Form5");
    EXPECT_EQ(f1().Command1->caption(), "Start");
    clock.advance(2000);
    EXPECT_EQ(f1().Label3->text(), "05");
    EXPECT_FALSE(f1().sec->isEnabled());

    f1().Command1->click();
    EXPECT_EQ(f1().Command1->caption(), "Stop");
    clock.advance(1000);
    EXPECT_EQ(f1b().Label3->text(), "04");
}

TEST_F(OptionsWindow, OpensWithTheStoredChoiceThatCancelOrAPathThatIsNoFileKeeps)
{
    const QString wav = makeFile("alarm.wav", "first");
    setOption("Sound File", wav);
    setOption("Size", "1");
    startProgram();
    makeFile("alarm.wav", "second"); // changed since the program started
    options(f1b(), [&](Form5 &o) {
        EXPECT_EQ(o.parentWidget(), &f1b());
        EXPECT_TRUE(o.Big->isChecked());
        EXPECT_EQ(f1().dsound, "second"); // reloaded when Options opens
        o.Command2->click();              // cancelled
        // The chooser asks over the small window, in the program's folder, for sound files.
        EXPECT_EQ(waits.log.back(), QStringLiteral("file|Select Sound File...|%1|Sound Files "
                                                   "(*.mp3 *.wav *.mid)|Form1")
                                        .arg(QStringLiteral(OSTREVAN_TEST_DATA)));
        EXPECT_EQ(o.Label1->text(), wav);
        choose(o, files.filePath("gone.wav"));
        EXPECT_EQ(o.Label1->text(), wav);
        choose(o, files.path()); // a folder
        EXPECT_EQ(o.Label1->text(), wav);
        o.Command4->click();
    });
    EXPECT_EQ(option("Sound File"), wav);

    // A file removed before Done is kept: the alarm rings it silently and still shows.
    const QString removed = makeFile("usb/alarm.wav");
    options(f1b(), [&](Form5 &o) {
        choose(o, removed);
        QFile::remove(removed);
        o.Command4->click();
    });
    EXPECT_EQ(option("Sound File"), removed);
    EXPECT_TRUE(f1().dsound.isEmpty());
}

TEST_F(OptionsWindow, Mp3NoticeComesForAnyPathNamingMp3UntilSwitchedOff)
{
    startProgram();
    const QString inMp3Folder = makeFile("My MP3s/chime.wav");
    const auto closeNotice = [&](bool untick) {
        waits.onModal([untick](platform::Form &form) {
            auto &notice = static_cast<Form2 &>(form);
            EXPECT_TRUE(notice.Check1->isChecked());
            notice.Check1->setChecked(!untick);
            notice.Command1->click();
        });
    };
    options(f1(), [&](Form5 &o) {
        choose(o, inMp3Folder); // the notice comes and is closed with its close box
        EXPECT_EQ(shown("Form2"), 1);
        EXPECT_EQ(mp3Message(), "<absent>");
        choose(o, makeFile("Sounds/chime.wav"));
        EXPECT_EQ(shown("Form2"), 1);
        closeNotice(false); // OK with the box ticked
        choose(o, inMp3Folder);
        EXPECT_EQ(mp3Message(), "yes");
        closeNotice(true);
        choose(o, inMp3Folder);
        EXPECT_EQ(shown("Form2"), 3);
        EXPECT_EQ(mp3Message(), "no");
        EXPECT_EQ(o.Label1->text(), inMp3Folder);
        setMp3Message("Yes"); // anything but "yes" keeps it away
        choose(o, inMp3Folder);
        EXPECT_EQ(shown("Form2"), 3);
        o.Command5->click();
    });
}

TEST_F(OptionsWindow, TestPlaysByTheLastThreeLettersAndStopStopsWhatItStarted)
{
    setMp3Message("no");
    startProgram();
    const QString mp3 = makeFile("Tune.MP3");
    const QString wav = makeFile("ring.wav", "0123456789");
    const QString device = '"' + mp3 + '"';
    // {file, calls of Test then Stop, playing while it plays}
    const std::tuple<QString, QStringList, bool> cases[] = {
        {mp3, {"mci:open " + device, "mci:play " + device, "mci:close " + device}, true},
        {wav, {"snd:13:10", "snd:2:null"}, true},
        {makeFile("ring.wave"), {}, false},
    };
    options(f1(), [&](Form5 &o) {
        for (const auto &[file, calls, playing] : cases) {
            choose(o, file);
            media.clear();
            o.Command1->click();
            EXPECT_EQ(o.Command1->caption(), "Stop");
            EXPECT_EQ(program->values.playing, playing);
            EXPECT_EQ(media.lastSound(), file == wav ? "0123456789" : "");
            o.Command1->click();
            EXPECT_EQ(o.Command1->caption(), "Test");
            EXPECT_FALSE(program->values.playing);
            EXPECT_EQ(media.calls(), calls);
        }

        // Choosing another file while the test plays: Stop still ends the sound it started.
        choose(o, mp3);
        o.Command1->click();
        choose(o, wav);
        media.clear();
        o.Command1->click();
        EXPECT_EQ(media.calls(), QStringList{"mci:close " + device});
        choose(o, mp3);
        o.Command1->click();
        media.clear();
    }); // closed with the close box while the test plays: the sound ends with the window
    EXPECT_EQ(media.calls(), (QStringList{"mci:close " + device, "snd:2:null"}));
    EXPECT_TRUE(program->values.playing);
}

// The desktop's file dialog as the program opens it: every column whole at its opening size,
// with room for the size and the type of any sound file.
TEST_F(OptionsWindow, SoundFileDialogOpensWithReadableColumns)
{
    QStringList cut;
    QTimer::singleShot(0, [&] {
        auto *dialog = qobject_cast<QFileDialog *>(QApplication::activeModalWidget());
        auto *tree = dialog ? dialog->findChild<QTreeView *>("treeView") : nullptr;
        ASSERT_TRUE(tree);
        const int margin = 2 * (tree->style()->pixelMetric(QStyle::PM_FocusFrameHMargin) + 1);
        const QMimeDatabase types;
        for (const QString &text :
             {QLocale::system().formattedDataSize(1000 * 1024),
              types.mimeTypeForFile("a.mid").comment(), types.mimeTypeForFile("a.mp3").comment(),
              types.mimeTypeForFile("a.wav").comment()}) {
            const int column = text.endsWith("B") ? 1 : 2; // the Size or the Type
            if (tree->header()->sectionSize(column) <
                tree->fontMetrics().horizontalAdvance(text) + margin)
                cut << text;
        }
        if (tree->header()->length() > tree->viewport()->width())
            cut << "columns";
        dialog->reject();
    });
    EXPECT_EQ(DesktopWaits().openFileName(nullptr, "Select", files.path(), "Sounds (*.mp3)"), "");
    EXPECT_TRUE(cut.isEmpty()) << cut.join(", ").toStdString();
}
