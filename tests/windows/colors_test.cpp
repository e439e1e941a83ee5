#include "platform/picturebox.h"
#include "tests/windows/windowtesting.h"

#include <QRadioButton>
#include <QTest>

using namespace platform;

namespace
{

using Choice = std::array<qint32, 3>; // {background, digits, buttons} as Options holds them

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

class ColorsWindow : public WindowTest
{
protected:
    // Opens Colors from Options with the script, then leaves Options with Cancel; returns
    // what Options held afterwards.
    Choice colors(std::function<void(Form4 &)> script, Choice before = {-1, -1, -1})
    {
        Choice after{};
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

TEST_F(ColorsWindow, SelectsTheStoredChoicesAndOkHandsThemOver)
{
    // {background, digits, buttons stored (nullptr: none), then selected and handed over}
    const std::tuple<std::array<const char *, 3>, Choice, Choice> cases[] = {
        {{nullptr, nullptr, nullptr}, {5, 0, 0}, {5, 65535, 16744576}},
        {{"3", "255", "8454143"}, {3, 5, 5}, {3, 255, 8454143}},
        // Outside the palettes: the design's selection stays.
        {{"9", "12345", "bright"}, {5, 0, 0}, {5, 65535, 16744576}},
    };
    for (const auto &[stored, selection, handed] : cases) {
        const char *keys[] = {"Background Color", "Digit Color", "Button Color"};
        for (int i = 0; i < 3; ++i) {
            if (stored[i])
                setOption(keys[i], stored[i]);
        }
        program.reset();
        startProgram();
        EXPECT_EQ(colors([&](Form4 &c) {
                      EXPECT_EQ(
                          (Choice{selected(c.Option2), selected(c.Option1), selected(c.Option3)}),
                          selection);
                      c.Command2->click();
                  }),
                  handed)
            << (stored[1] ? stored[1] : "defaults");
    }
}

TEST_F(ColorsWindow, PaintsThePreviewsSelectsByPreviewOrSampleAndCancelHandsOverNothing)
{
    startProgram();
    const Choice handed = colors([&](Form4 &c) {
        EXPECT_EQ(topOf(c.Picture[0]), QColor(255, 0, 0));
        EXPECT_EQ(topOf(c.Picture[2]), QColor(0, 0, 255));
        EXPECT_EQ(topOf(c.Picture[4]), QColor(255, 255, 0));
        clock.advance(3 * 16); // three ticks of the animation
        EXPECT_EQ(topOf(c.Picture[5]), QColor(3, 0, 255));
        QTest::mouseClick(c.Picture[2], Qt::LeftButton); // the blue preview
        EXPECT_EQ(selected(c.Option2), 2);
        c.Command3[4]->click(); // the red sample
        EXPECT_EQ(selected(c.Option3), 4);
        c.Command2->click();
    });
    EXPECT_EQ(handed, (Choice{2, 65535, 255}));

    // Cancel hands over no change; the close box leaves the values.
    const Choice before{4, 255, 65280};
    const Choice cancelled = colors(
        [](Form4 &c) {
            c.Option2[1]->setChecked(true);
            c.Command1->click();
        },
        before);
    EXPECT_EQ(cancelled, (Choice{-1, -1, -1}));
    EXPECT_EQ(colors([](Form4 &c) { c.Option2[1]->setChecked(true); }, before), before);
}
