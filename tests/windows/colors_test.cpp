#include "platform/commandbutton.h"
#include "platform/picturebox.h"
#include "tests/windows/dialogtesting.h"

#include <QRadioButton>
#include <QTest>

using namespace platform;

namespace
{

// The index of the selected option button of a group, or -1.
int selected(const std::array<QRadioButton *, 6> &group)
{
    for (int i = 0; i < 6; ++i) {
        if (group[i]->isChecked())
            return i;
    }
    return -1;
}

QColor topOf(const PictureBox *box)
{
    return QColor(box->image().pixel(0, 0));
}

} // namespace

class ColorsWindow : public DialogTest
{
protected:
    // Opens Colors from Options with the script, then leaves Options with Cancel; returns
    // what Options held afterwards as {bc, dc, btc}.
    std::array<qint32, 3> colors(std::function<void(Form4 &)> script,
                                 std::array<qint32, 3> before = {-1, -1, -1})
    {
        std::array<qint32, 3> after{};
        options(f1(), [&](Form5 &o) {
            o.bc = before[0];
            o.dc = before[1];
            o.btc = before[2];
            onColors(script);
            o.Command3->click();
            after = {o.bc, o.dc, o.btc};
            o.Command5->click();
        });
        return after;
    }
};

TEST_F(ColorsWindow, OpensWithTheDefaultsAndPaintedPreviewsAndOkHandsThemOver)
{
    startProgram();
    const auto handed = colors([&](Form4 &c) {
        EXPECT_EQ(c.windowTitle(), "Colors");
        EXPECT_EQ(c.parentWidget()->objectName(), "Form5");
        EXPECT_EQ(selected(c.Option1), 0);
        EXPECT_EQ(selected(c.Option2), 5);
        EXPECT_EQ(selected(c.Option3), 0);
        EXPECT_EQ(topOf(c.Picture[0]), QColor(255, 0, 0));
        EXPECT_EQ(topOf(c.Picture[1]), QColor(0, 255, 0));
        EXPECT_EQ(topOf(c.Picture[2]), QColor(0, 0, 255));
        EXPECT_EQ(topOf(c.Picture[3]), QColor(255, 0, 255));
        EXPECT_EQ(topOf(c.Picture[4]), QColor(255, 255, 0));
        clock.advance(3 * 16); // three ticks of the animation
        EXPECT_EQ(topOf(c.Picture[5]), QColor(3, 0, 255));
        c.Command2->click();
    });
    EXPECT_EQ(handed, (std::array<qint32, 3>{5, 65535, 16744576}));
}

TEST_F(ColorsWindow, SelectsTheStoredChoices)
{
    setOption("Background Color", "3");
    setOption("Digit Color", "255");
    setOption("Button Color", "8454143");
    startProgram();
    const auto handed = colors([](Form4 &c) {
        EXPECT_EQ(selected(c.Option1), 5);
        EXPECT_EQ(selected(c.Option2), 3);
        EXPECT_EQ(selected(c.Option3), 5);
        c.Command2->click();
    });
    EXPECT_EQ(handed, (std::array<qint32, 3>{3, 255, 8454143}));
}

TEST_F(ColorsWindow, ChoicesOutsideThePalettesKeepTheDesignSelection)
{
    setOption("Background Color", "9");
    setOption("Digit Color", "12345");
    setOption("Button Color", "bright");
    startProgram();
    const auto handed = colors([](Form4 &c) {
        EXPECT_EQ(selected(c.Option1), 0);
        EXPECT_EQ(selected(c.Option2), 5);
        EXPECT_EQ(selected(c.Option3), 0);
        c.Command2->click();
    });
    EXPECT_EQ(handed, (std::array<qint32, 3>{5, 65535, 16744576}));
}

TEST_F(ColorsWindow, PreviewsAndSamplesSelectTheirChoice)
{
    startProgram();
    const auto handed = colors([](Form4 &c) {
        QTest::mouseClick(c.Picture[2], Qt::LeftButton); // the blue preview
        EXPECT_EQ(selected(c.Option2), 2);
        c.Command3[4]->click(); // the red sample
        EXPECT_EQ(selected(c.Option3), 4);
        c.Command2->click();
    });
    EXPECT_EQ(handed, (std::array<qint32, 3>{2, 65535, 255}));
}

TEST_F(ColorsWindow, CancelHandsOverNoChangeAndTheCloseBoxLeavesTheValues)
{
    startProgram();
    const auto cancelled = colors(
        [](Form4 &c) {
            c.Option2[1]->setChecked(true);
            c.Command1->click();
        },
        {4, 255, 65280});
    EXPECT_EQ(cancelled, (std::array<qint32, 3>{-1, -1, -1}));

    const auto closed = colors([](Form4 &c) { c.Option2[1]->setChecked(true); }, {4, 255, 65280});
    EXPECT_EQ(closed, (std::array<qint32, 3>{4, 255, 65280}));
    EXPECT_EQ(option("Digit Color"), "<absent>");
    EXPECT_EQ(option("Background Color"), "5");
}
