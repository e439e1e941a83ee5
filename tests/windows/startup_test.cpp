#include "platform/commandbutton.h"
#include "platform/spinbutton.h"
#include "platform/textbox.h"
#include "platform/timers.h"
#include "tests/support/programfixture.h"

using namespace platform;

namespace
{

constexpr ColorValue kYellow = 65535;
constexpr ColorValue kLightBlue = 16744576;

QRgb topLeft(const Form &form)
{
    return form.image().pixel(0, 0);
}

void expectDigitColor(MainWindow &w, ColorValue color)
{
    for (TextBox *field : {w.Label1, w.Label2, w.Label3})
        EXPECT_EQ(field->foreColor(), color) << field->objectName().toStdString();
}

void expectButtonColor(MainWindow &w, ColorValue color)
{
    ASSERT_EQ(w.commandButtons().size(), 7);
    for (CommandButton *b : w.commandButtons())
        EXPECT_EQ(b->backColor(), color) << b->objectName().toStdString();
}

} // namespace

class StartUp : public ProgramTest
{
};

TEST_F(StartUp, FirstRunShowsTheSmallWindowAndWritesOnlySizeAndBackground)
{
    startProgram();
    EXPECT_TRUE(f1().isVisible());
    EXPECT_FALSE(f1b().isVisible());
    EXPECT_TRUE(f1b().isLoaded());
    EXPECT_EQ(f1().windowTitle(), "Ostrevan");
    EXPECT_EQ(f1().QWidget::size(), QSize(231, 117));
    EXPECT_EQ(f1b().size(), QSize(734, 269));

    EXPECT_EQ(option("Size"), "0");
    EXPECT_EQ(option("Background Color"), "5");
    EXPECT_EQ(option("Digit Color"), "<absent>");
    EXPECT_EQ(option("Button Color"), "<absent>");
    EXPECT_EQ(option("Sound File"), "<absent>");

    for (MainWindow *w : {static_cast<MainWindow *>(&f1()), static_cast<MainWindow *>(&f1b())}) {
        expectDigitColor(*w, kYellow);
        expectButtonColor(*w, kLightBlue);
        EXPECT_EQ(w->Label2->palette().color(QPalette::Base), QColor(0x40, 0x00, 0x40));
        EXPECT_TRUE(w->Timer2->isEnabled());
        EXPECT_TRUE(w->Timer1->isEnabled());
        EXPECT_FALSE(w->sec->isEnabled());
        for (TextBox *field : {w->Label1, w->Label2, w->Label3})
            EXPECT_EQ(field->text(), "00");
    }
    EXPECT_EQ(f1().oldclr, kLightBlue);
    EXPECT_TRUE(f1().fname.isEmpty());
    EXPECT_EQ(ends, 0);
}

TEST_F(StartUp, StoredSizeOneShowsTheLargeWindowAndKeepsTheSmallOneLoaded)
{
    setOption("Size", "1");
    startProgram();
    EXPECT_TRUE(f1b().isVisible());
    EXPECT_FALSE(f1().isVisible());
    EXPECT_TRUE(f1().isLoaded());
    EXPECT_EQ(f1().sizeInUse(), 1);
    EXPECT_EQ(option("Size"), "1");
}

TEST_F(StartUp, ASizeThatNamesNoWindowShowsTheSmallOne)
{
    for (const char *stored : {"7", "-1", "abc", "", "70000"}) {
        setOption("Size", stored);
        startProgram();
        EXPECT_TRUE(f1().isVisible()) << stored;
        EXPECT_FALSE(f1b().isVisible()) << stored;
        EXPECT_EQ(option("Size"), "0") << stored;
        program.reset();
    }
}

TEST_F(StartUp, FixedBackgroundPaintsBothWindowsAndStopsTheAnimation)
{
    setOption("Background Color", "2");
    startProgram();
    for (MainWindow *w : {static_cast<MainWindow *>(&f1()), static_cast<MainWindow *>(&f1b())}) {
        EXPECT_FALSE(w->Timer2->isEnabled());
        // The hidden window keeps its painting too.
        EXPECT_EQ(topLeft(*w), qRgb(0, 0, 255)) << w->objectName().toStdString();
        const QRgb lower = w->image().pixel(0, w->height() - 1);
        EXPECT_LT(qBlue(lower), 255);
        EXPECT_EQ(qRed(lower), 0);
    }
    clock.advance(1000);
    EXPECT_EQ(topLeft(f1()), qRgb(0, 0, 255));
    EXPECT_EQ(option("Background Color"), "2");
}

TEST_F(StartUp, UnknownBackgroundPaintsNothingAndKeepsTheAnimationAsLoaded)
{
    setOption("Background Color", "9");
    startProgram();
    const QRgb unpainted = f1().palette().color(QPalette::Window).rgb();
    EXPECT_EQ(topLeft(f1()), unpainted);
    EXPECT_TRUE(f1().Timer2->isEnabled());
    EXPECT_TRUE(f1b().Timer2->isEnabled());
    EXPECT_EQ(option("Background Color"), "9");
}

TEST_F(StartUp, NonNumericStoredNumbersFallBackToTheirDefaults)
{
    setOption("Background Color", "blue");
    setOption("Digit Color", "bright");
    setOption("Button Color", "0x00FF00");
    startProgram();
    EXPECT_TRUE(f1().Timer2->isEnabled());
    EXPECT_EQ(option("Background Color"), "5");
    expectDigitColor(f1(), kYellow);
    expectButtonColor(f1b(), kLightBlue);
    EXPECT_EQ(f1().oldclr, kLightBlue);
}

TEST_F(StartUp, StoredColoursDressBothWindows)
{
    setOption("Digit Color", "255");
    setOption("Button Color", "65280");
    startProgram();
    for (MainWindow *w : {static_cast<MainWindow *>(&f1()), static_cast<MainWindow *>(&f1b())}) {
        expectDigitColor(*w, 255);
        expectButtonColor(*w, 65280);
    }
    EXPECT_EQ(f1().oldclr, 65280);
    EXPECT_EQ(program->digclr, "255");
    // Loading applies what is stored and writes none of it back.
    EXPECT_EQ(option("Digit Color"), "255");
}

TEST_F(StartUp, SpinButtonsStandAgainstTheirFields)
{
    startProgram();
    // Left = field left + width - 2; height = field height + 22 (small) or + 2 (large).
    EXPECT_EQ(f1().placeOf(f1().UpDown2), QRect(808, 270, 255, 637));
    EXPECT_EQ(f1().placeOf(f1().UpDown1), QRect(1978, 270, 255, 637));
    EXPECT_EQ(f1().placeOf(f1().UpDown3), QRect(3148, 270, 255, 637));
    EXPECT_EQ(f1b().placeOf(f1b().UpDown2), QRect(3298, 420, 195, 2327));
    EXPECT_EQ(f1b().placeOf(f1b().UpDown1), QRect(6988, 420, 195, 2327));
    EXPECT_EQ(f1b().placeOf(f1b().UpDown3), QRect(10678, 420, 195, 2327));
    EXPECT_EQ(f1().UpDown2->geometry(), QRect(54, 18, 17, 42));
}

TEST_F(StartUp, SmallWindowStepsBeforePaintingAndTurnsAt255)
{
    startProgram();
    auto red = [&] { return qRed(topLeft(f1())); };
    clock.advance(16);
    EXPECT_EQ(red(), 1);
    EXPECT_EQ(qBlue(topLeft(f1())), 255);
    clock.advance(16);
    EXPECT_EQ(red(), 2);
    clock.advance(16 * 253);
    EXPECT_EQ(red(), 255);
    clock.advance(16);
    EXPECT_EQ(red(), 254);
    clock.advance(16 * 254);
    EXPECT_EQ(red(), 0);
    clock.advance(16);
    EXPECT_EQ(red(), 1);
}

TEST_F(StartUp, LargeWindowPaintsBeforeSteppingAndTurnsAt256)
{
    startProgram();
    auto red = [&] { return qRed(topLeft(f1b())); };
    clock.advance(16);
    EXPECT_EQ(red(), 0);
    clock.advance(16);
    EXPECT_EQ(red(), 1);
    clock.advance(16 * 255); // painted phase 256 shows as 255
    EXPECT_EQ(red(), 255);
    clock.advance(16); // 255
    EXPECT_EQ(red(), 255);
    clock.advance(16); // 254
    EXPECT_EQ(red(), 254);
    clock.advance(16 * 254); // 0
    EXPECT_EQ(red(), 0);
    clock.advance(16); // 1
    EXPECT_EQ(red(), 1);
}

TEST_F(StartUp, ClosingTheSmallWindowEndsTheProgramAndSilencesTheAlarm)
{
    startProgram();
    program->playing = true;
    program->mcifile = "\"/tmp/a b.mp3\"";
    f1().close();
    EXPECT_EQ(ends, 1);
    EXPECT_FALSE(f1().isVisible());
    EXPECT_FALSE(f1b().isVisible());
    EXPECT_EQ(media.calls(), (QStringList{"mci:close \"/tmp/a b.mp3\"", "snd:2:null"}));
}

TEST_F(StartUp, ClosingTheLargeWindowEndsTheProgram)
{
    setOption("Size", "1");
    startProgram();
    f1b().close();
    EXPECT_EQ(ends, 1);
    EXPECT_TRUE(media.calls().isEmpty());
    EXPECT_FALSE(f1().Timer2->isEnabled());

    startProgram();
    program->playing = true;
    program->mcifile = "\"x.mid\"";
    f1b().close();
    EXPECT_EQ(media.calls(), (QStringList{"mci:close \"x.mid\""}));
}
