#include "windows/dialogs/form4.h"

#include "paint/backgrounds.h"
#include "paint/gradient.h"
#include "platform/commandbutton.h"
#include "platform/picturebox.h"
#include "platform/timers.h"
#include "resources/layouts.h"
#include "windows/dialogs/form5.h"
#include "windows/program.h"

#include <QRadioButton>

using namespace platform;

namespace
{

ColorValue digitColorOf(const QRadioButton *option)
{
    return fromQColor(option->palette().color(QPalette::WindowText));
}

} // namespace

Form4::Form4(Program &program, Form5 &options)
    : Form(program.services(), layouts::Form4, &options),
      Command1(control<CommandButton>("Command1")), Command2(control<CommandButton>("Command2")),
      m_options(options)
{
    for (int i = 0; i < 6; ++i) {
        Option1[i] = control<QRadioButton>("Option1", i);
        Option2[i] = control<QRadioButton>("Option2", i);
        Option3[i] = control<QRadioButton>("Option3", i);
        Picture[i] =
            control<PictureBox>(QStringLiteral("Picture%1").arg(i + 1).toLatin1().constData());
        Command3[i] = control<CommandButton>("Command3", i);
        // A preview or a sample selects its choice.
        connect(Picture[i], &PictureBox::Click, this, [this, i] { Option2[i]->setChecked(true); });
        connect(Command3[i], &CommandButton::clicked, this,
                [this, i] { Option3[i]->setChecked(true); });
    }
    connect(Command1, &CommandButton::clicked, this, [this] { Command1_Click(); });
    connect(Command2, &CommandButton::clicked, this, [this] { Command2_Click(); });
    timer("Timer1")->setHandler([this] { Timer1_Timer(); });
}

void Form4::Form_Load()
{
    for (int i = 0; i < kAnimatedBackground; ++i) {
        const StartColor c = kBackgroundColors[i];
        DrawGradient(*Picture[i], c.r, c.g, c.b, 1);
    }

    // A choice that names no background keeps the design's, the animated one.
    const qint32 background = settings::readNumber(m_settings, settings::BackgroundColor);
    if (background >= 0 && background <= kAnimatedBackground)
        Option2[background]->setChecked(true);

    // A colour outside the palette keeps the design's choice.
    const ColorValue digits = settings::readNumber(m_settings, settings::DigitColor);
    for (QRadioButton *option : Option1) {
        if (digitColorOf(option) == digits) {
            option->setChecked(true);
            break;
        }
    }

    const ColorValue buttons = settings::readNumber(m_settings, settings::ButtonColor);
    for (int i = 0; i < 6; ++i) {
        if (Command3[i]->backColor() == buttons) {
            Option3[i]->setChecked(true);
            break;
        }
    }
}

// OK hands over what is selected in each group.
void Form4::Command2_Click()
{
    for (int i = 0; i < 6; ++i) {
        if (Option1[i]->isChecked())
            m_options.dc = digitColorOf(Option1[i]);
        if (Option2[i]->isChecked())
            m_options.bc = i;
        if (Option3[i]->isChecked())
            m_options.btc = Command3[i]->backColor();
    }
    unload();
}

void Form4::Command1_Click()
{
    m_options.bc = -1;
    m_options.dc = -1;
    m_options.btc = -1;
    unload();
}

// The animated preview sweeps red up and down over blue, one step a tick.
void Form4::Timer1_Timer()
{
    m_sweep.step();
    DrawGradient(*Picture[5], m_sweep.value(), 0, 255, 1);
}
