#include "windows/main/mainwindow.h"

#include "engine/countdown.h"
#include "platform/commandbutton.h"
#include "platform/spinbutton.h"
#include "platform/textbox.h"
#include "platform/timers.h"
#include "windows/dialogs/form5.h"
#include "windows/dialogs/module1.h"
#include "windows/dialogs/storedvalues.h"
#include "windows/main/background.h"
#include "windows/main/form1.h"
#include "windows/main/form1b.h"
#include "windows/main/mainhost.h"

#include <QIcon>
#include <optional>

using namespace platform;

namespace
{

constexpr ColorValue kDefaultButtonColor = 16744576; // light blue
constexpr ColorValue kFlashColor = rgbValue(255, 0, 0);

// A field's text as a spin button value: only digits, and only what the spin button can hold.
std::optional<int> spinValueOf(const QString &text, const SpinButton *spin)
{
    if (!engine::isDigitText(text))
        return std::nullopt;
    const int value = text.toInt();
    if (value < spin->minimum() || value > spin->maximum())
        return std::nullopt;
    return value;
}

QIcon programIcon()
{
    QIcon icon;
    for (int size : {16, 32, 64})
        icon.addFile(QStringLiteral(":/icons/ostrevan-%1.png").arg(size));
    return icon;
}

} // namespace

MainWindow::MainWindow(MainHost &host, const FormSpec &layout)
    : Form(host.services(), layout), Label1(control<TextBox>("Label1")),
      Label2(control<TextBox>("Label2")), Label3(control<TextBox>("Label3")),
      UpDown1(control<SpinButton>("UpDown1")), UpDown2(control<SpinButton>("UpDown2")),
      UpDown3(control<SpinButton>("UpDown3")), Command1(control<CommandButton>("Command1")),
      Command2(control<CommandButton>("Command2")), Command3(control<CommandButton>("Command3")),
      Command4(control<CommandButton>("Command4")), Command5(control<CommandButton>("Command5")),
      Command6(control<CommandButton>("Command6")), Command7(control<CommandButton>("Command7")),
      Timer1(timer("Timer1")), Timer2(timer("Timer2")), sec(timer("sec")), m_host(host)
{
    setWindowIcon(programIcon());
    const std::pair<TextBox *, SpinButton *> pairs[] = {
        {Label1, UpDown1}, {Label2, UpDown2}, {Label3, UpDown3}};
    for (auto [F, S] : pairs) {
        S->setRange(0, 99);
        connect(F, &TextBox::Click, this, [this, F = F] { Label_Click(F); });
        connect(F, &TextBox::GotFocus, this, [this] { Label_GotFocus(); });
        connect(F, &TextBox::KeyPress, this, [this](int &KeyAscii) { Label_KeyPress(KeyAscii); });
        connect(F, &TextBox::Change, this, [this, F = F, S = S] { Label_Change(F, S); });
        connect(F, &TextBox::LostFocus, this, [this, F = F, S = S] { Label_LostFocus(F, S); });
        connect(S, &SpinButton::Change, this, [this, F = F, S = S] { UpDown_Change(S, F); });
    }
    connect(Command2, &CommandButton::clicked, this, [this] { Command2_Click(); });
    connect(Command3, &CommandButton::clicked, this, [this] { Command3_Click(); });
    Timer1->setHandler([this] { Timer1_Timer(); });
}

void MainWindow::setSpinButtonsEnabled(bool enabled)
{
    for (SpinButton *spin : {UpDown1, UpDown2, UpDown3})
        spin->setEnabled(enabled);
}

bool MainWindow::readsZero() const
{
    const QString zero = QStringLiteral("00");
    return Label3->text() == zero && Label1->text() == zero && Label2->text() == zero;
}

void MainWindow::Command2_Click()
{
    Label3->setText(QStringLiteral("00"));
    Label1->setText(QStringLiteral("00"));
    Label2->setText(QStringLiteral("00"));
}

void MainWindow::Command3_Click()
{
    {
        Form5 options(m_host, this);
        options.showModal();
    }
    if (m_host.newsize == 0 || m_host.newsize == 1)
        m_host.form1().size(m_host.newsize);
    const ColorValue digits = storedInt32(m_host.digclr, 65535);
    m_host.form1().setDigitColor(digits);
    m_host.form1b().setDigitColor(digits);
}

void MainWindow::Label_Click(TextBox *F)
{
    if (!m_host.form1().sec->isEnabled())
        F->setText(QString());
}

void MainWindow::Label_GotFocus()
{
    m_host.form1().editing = true;
}

void MainWindow::Label_KeyPress(int &KeyAscii)
{
    KeyAscii = DigitKeyFilter(KeyAscii);
}

void MainWindow::Label_Change(TextBox *F, SpinButton *S)
{
    // Text a spin button cannot hold (pasted letters) leaves it at its value.
    if (!m_host.form1().editing && !F->text().isEmpty()) {
        if (const auto value = spinValueOf(F->text(), S))
            S->setValue(*value);
    }
    twin().control<TextBox>(F->objectName().toLatin1().constData())->setText(F->text());
}

void MainWindow::Label_LostFocus(TextBox *F, SpinButton *S)
{
    // One digit gets a leading zero, nothing becomes "00", and text that is no time at all
    // (pasted) becomes "00" as well, so the field always leaves editing as two digits.
    const QString text = F->text();
    if (!engine::isDigitText(text))
        F->setText(QStringLiteral("00"));
    else if (text.size() == 1)
        F->setText(QLatin1Char('0') + text);
    if (const auto value = spinValueOf(F->text(), S))
        S->setValue(*value);
    m_host.form1().editing = false;
}

void MainWindow::UpDown_Change(SpinButton *S, TextBox *F)
{
    if (spinWaitsForEditing(S) && m_host.form1().editing)
        return;
    F->setText(engine::twoDigits(S->value()));
}

void MainWindow::Timer1_Timer()
{
    if (Command1->caption() == QLatin1String("Alarm Off")) {
        if (++m_flash == 10) {
            m_flash = 0;
            const ColorValue normal = m_host.form1().oldclr;
            Command1->setBackColor(Command1->backColor() == normal ? kFlashColor : normal);
        }
    } else {
        m_flash = 0;
    }
    Command1->setEnabled(!(Command1->caption() == QLatin1String("Start") && readsZero()));
}

void MainWindow::setDigitColor(ColorValue color)
{
    for (TextBox *field : {Label1, Label2, Label3})
        field->setForeColor(color);
}

void MainWindow::setButtonColor(ColorValue color)
{
    for (CommandButton *button : commandButtons())
        button->setBackColor(color);
}

ColorValue MainWindow::loadAppearance()
{
    m_settings.setAppName(QStringLiteral("Ostrevan"));
    m_settings.setCompany(QStringLiteral("Quillanor"));

    const qint32 background =
        storedInt32(m_settings.GetSetting("Options", "Background Color", "5"), 5);
    if (ApplyBackground(m_host, background))
        m_settings.SaveSetting("Options", "Background Color", QString::number(background));

    m_host.digclr = m_settings.GetSetting("Options", "Digit Color", "65535");
    setDigitColor(storedInt32(m_host.digclr, 65535));

    const ColorValue buttons = storedInt32(
        m_settings.GetSetting("Options", "Button Color", QString::number(kDefaultButtonColor)),
        kDefaultButtonColor);
    setButtonColor(buttons);
    return buttons;
}

void MainWindow::placeSpinButtons(int extraHeight)
{
    const std::pair<TextBox *, SpinButton *> pairs[] = {
        {Label1, UpDown1}, {Label2, UpDown2}, {Label3, UpDown3}};
    for (auto [field, spin] : pairs) {
        const QRect f = placeOf(field);
        place(spin, f.x() + f.width() - 2, f.y(), placeOf(spin).width(), f.height() + extraHeight);
    }
}
