#include "tests/windows/windowtesting.h"

#include <QScreen>

using namespace platform;

namespace
{

constexpr ColorValue kYellow = 65535;
constexpr ColorValue kLightBlue = 16744576;

QRgb topLeft(const Form &form)
{
    return form.image().pixel(0, 0);
}

} // namespace

class StartUp : public WindowTest
{
};

TEST_F(StartUp, FirstRunShowsTheLaidOutSmallWindowAndWritesOnlySizeAndBackground)
{
    startProgram();
    EXPECT_TRUE(f1().isVisible());
    EXPECT_FALSE(f1b().isVisible());
    EXPECT_EQ(f1().QWidget::size(), QSize(231, 117));
    EXPECT_EQ(f1b().size(), QSize(734, 269));
    // Spin buttons: left = field left + width - 2; height = field height + 22 (small) or + 2.
    EXPECT_EQ(f1().UpDown2->geometry(), QRect(54, 18, 17, 42));
    EXPECT_EQ(f1b().placeOf(f1b().UpDown3), QRect(10678, 420, 195, 2327));

    EXPECT_EQ(option("Size"), "0");
    EXPECT_EQ(option("Background Color"), "5");
    for (const char *absent : {"Digit Color", "Button Color", "Sound File"})
        EXPECT_EQ(option(absent), "<absent>") << absent;

    expectDress(kYellow, kLightBlue);
    for (MainWindow *w : both()) {
        EXPECT_EQ(w->Label2->palette().color(QPalette::Base), QColor(0x40, 0x00, 0x40));
        EXPECT_EQ(timeOf(*w), "00:00:00");
    }
}

TEST_F(StartUp, StoredSizeOneShowsTheLargeWindowAndAnyOtherSizeTheSmallOneCentred)
{
    for (const char *stored : {"1", "7", "-1", "abc", "", "70000"}) {
        const bool large = QByteArray(stored) == "1";
        setOption("Size", stored);
        program.reset();
        startProgram();
        EXPECT_EQ(f1b().isVisible(), large) << stored;
        EXPECT_EQ(f1().isVisible(), !large) << stored;
        EXPECT_EQ(option("Size"), large ? "1" : "0") << stored;
        const Form &shown = large ? static_cast<Form &>(f1b()) : f1();
        const QRect screen = shown.screen()->availableGeometry();
        EXPECT_LE((shown.frameGeometry().center() - screen.center()).manhattanLength(), 24);
        EXPECT_TRUE(screen.contains(shown.frameGeometry())) << stored;
    }
}

TEST_F(StartUp, FixedBackgroundPaintsBothWindowsAndAnUnknownOnePaintsNothing)
{
    setOption("Background Color", "2");
    startProgram();
    for (MainWindow *w : both()) {
        EXPECT_FALSE(w->Timer2->isEnabled());
        // The hidden window keeps its painting too: blue fading downwards.
        EXPECT_EQ(topLeft(*w), qRgb(0, 0, 255)) << w->objectName().toStdString();
        const QRgb lower = w->image().pixel(0, w->height() - 1);
        EXPECT_LT(qBlue(lower), 255);
        EXPECT_EQ(qRed(lower), 0);
    }
    clock.advance(1000);
    EXPECT_EQ(topLeft(f1()), qRgb(0, 0, 255));
    EXPECT_EQ(option("Background Color"), "2");

    setOption("Background Color", "9");
    program.reset();
    startProgram();
    EXPECT_EQ(topLeft(f1()), f1().palette().color(QPalette::Window).rgb());
    for (MainWindow *w : both())
        EXPECT_TRUE(w->Timer2->isEnabled()); // as loaded
    EXPECT_EQ(option("Background Color"), "9");
}

TEST_F(StartUp, StoredColoursDressBothWindowsAndNonNumbersFallBackToTheDefaults)
{
    setOption("Digit Color", "255");
    setOption("Button Color", "65280");
    startProgram();
    expectDress(255, 65280);
    EXPECT_EQ(program->values.digclr, "255");
    EXPECT_EQ(option("Digit Color"), "255"); // applied, not written back

    setOption("Background Color", "blue");
    setOption("Digit Color", "bright");
    setOption("Button Color", "0x00FF00");
    program.reset();
    startProgram();
    expectDress(kYellow, kLightBlue);
    EXPECT_TRUE(f1().Timer2->isEnabled());
    EXPECT_EQ(option("Background Color"), "5");
}

TEST_F(StartUp, TheSmallWindowStepsBeforePaintingAndTheLargeOnePaintsBeforeStepping)
{
    // {16-ms ticks since start, window, red at the top}: the small window turns at 255, the
    // large one at 256 (its painted phase 256 shows as 255). A hidden window does not tick
    // but, once shown, shows the phase it would have reached.
    struct Step {
        int ticks;
        bool large;
        int red;
    };
    const Step steps[] = {{1, false, 1},     {1, true, 0},      {2, false, 2},    {2, true, 1},
                          {255, false, 255}, {256, false, 254}, {257, true, 255}, {258, true, 255},
                          {259, true, 254},  {510, false, 0},   {511, false, 1},  {513, true, 0},
                          {514, true, 1}};
    startProgram();
    int now = 0;
    for (const Step &s : steps) {
        clock.advance(16 * (s.ticks - now));
        now = s.ticks;
        qint16 size = s.large ? 1 : 0;
        f1().size(size);
        EXPECT_EQ(clock.activeTimers(), 1) << "only the shown window animates";
        const QRgb top = topLeft(s.large ? static_cast<Form &>(f1b()) : f1());
        EXPECT_EQ(qRed(top), s.red) << s.ticks << (s.large ? " large" : " small");
        EXPECT_EQ(qBlue(top), 255);
    }
}
