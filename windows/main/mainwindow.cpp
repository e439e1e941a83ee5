#include "windows/main/mainwindow.h"

#include "engine/countdown.h"
#include "platform/commandbutton.h"
#include "platform/programfolder.h"
#include "platform/spinbutton.h"
#include "platform/taskbar.h"
#include "platform/textbox.h"
#include "platform/timers.h"
#include "platform/waits.h"
#include "settings/storedvalues.h"
#include "shell/winhelp.h"
#include "windows/dialogs/form3.h"
#include "windows/dialogs/form5.h"
#include "windows/dialogs/frmabt.h"
#include "windows/dialogs/module1.h"
#include "windows/main/background.h"
#include "windows/main/form1.h"
#include "windows/main/form1b.h"
#include "windows/program.h"

#include <QAction>
#include <QCursor>
#include <QEvent>
#include <QIcon>
#include <QMenu>
#include <QPointer>
#include <cmath>
#include <optional>

using namespace platform;

namespace
{

constexpr ColorValue kFlashColor = rgbValue(255, 0, 0);
// How often a window in the notification area checks that the area's host is still there.
constexpr int kTrayWatchMs = 2000;

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

MainWindow::MainWindow(Program &program, const FormSpec &layout, int sweepTop)
    : Form(program.services(), layout), Label1(control<TextBox>("Label1")),
      Label2(control<TextBox>("Label2")), Label3(control<TextBox>("Label3")),
      UpDown1(control<SpinButton>("UpDown1")), UpDown2(control<SpinButton>("UpDown2")),
      UpDown3(control<SpinButton>("UpDown3")), Command1(control<CommandButton>("Command1")),
      Command2(control<CommandButton>("Command2")), Command3(control<CommandButton>("Command3")),
      Command4(control<CommandButton>("Command4")), Command5(control<CommandButton>("Command5")),
      Command6(control<CommandButton>("Command6")), Command7(control<CommandButton>("Command7")),
      Timer1(timer("Timer1")), Timer2(timer("Timer2")), sec(timer("sec")), program(program),
      m_phase(sweepTop)
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
    connect(Command4, &CommandButton::clicked, this, [this] { Command4_Click(); });
    connect(Command6, &CommandButton::clicked, this, [this] { Command6_Click(); });
    connect(Command5, &CommandButton::clicked, this, [this] { Command5_Click(); });
    connect(Command7, &CommandButton::clicked, this, [this] { Command7_Click(); });
    Timer1->setHandler([this] { Timer1_Timer(); });
    Timer2->setHandler([this] { Timer2_Timer(); });
    m_trayWatch = std::make_unique<Timer>(services().timers, kTrayWatchMs, false);
    m_trayWatch->setHandler([this] { trayWatch_Timer(); });
    // Not shown yet: the animation waits for the window to be shown.
    Timer2->suspend();
}

MainWindow::~MainWindow() = default;

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
        Form5 options(program, this);
        options.showModal();
    }
    ProgramValues &v = program.values;
    if (v.newsize == 0 || v.newsize == 1)
        program.form1().size(v.newsize);
    const ColorValue digits = settings::storedInt32(v.digclr, settings::DigitColor.fallback);
    for (MainWindow *w : program.mainWindows())
        w->setDigitColor(digits);
}

void MainWindow::Command4_Click()
{
    // Built anew at every press: the folder, a separator unless it ends in one, the file.
    QString path = services().appPath;
    if (!path.endsWith(QLatin1Char('/')))
        path += QLatin1Char('/');
    program.help().WinHelp(this, path + QLatin1String(platform::HelpFileName), shell::HELP_FINDER,
                           0);
}

void MainWindow::Command6_Click()
{
    FrmAbt about(program);
    about.showModal();
}

void MainWindow::Command7_Click()
{
    Form3 presets(program, this);
    presets.showModal();
}

void MainWindow::Command5_Click()
{
    GoSystemTray();
}

void MainWindow::GoSystemTray()
{
    ProgramValues &v = program.values;
    shell::NotifyIcons &icons = program.notifyIcons();
    // One icon at a time: an icon the other window left goes before its record is refilled.
    if (v.intray) {
        icons.Shell_NotifyIcon(shell::NIM_DELETE, v.nid);
        v.intray = false;
    }

    shell::NOTIFYICONDATA &nid = v.nid;
    nid.cbSize = 88;
    nid.hWnd = this;
    nid.uID = 1;
    nid.uFlags = shell::NIF_MESSAGE | shell::NIF_ICON | shell::NIF_TIP;
    nid.uCallbackMessage = shell::WM_MOUSEMOVE;
    nid.hIcon = windowIcon();
    // While the countdown runs, its tick keeps the tip.
    if (!program.form1().sec->isEnabled()) {
        shell::setTip(nid, windowTitle() + QStringLiteral(" - Stopped (") + Label2->text() +
                               QLatin1Char(':') + Label1->text() + QLatin1Char(':') +
                               Label3->text() + QLatin1Char(')') + QChar(0));
    }
    // No notification area (none on this desktop, or its host has gone): a hidden window could
    // never be found again, so the window is minimised instead, which brings its task-bar entry
    // back to lead to it.
    if (!icons.Shell_NotifyIcon(shell::NIM_ADD, nid)) {
        Minimize();
        return;
    }
    setShownInTaskbar(false);
    icons.setHostLost([window = QPointer<MainWindow>(this)] {
        if (window)
            window->trayWatch_Timer();
    });
    v.intray = true;
    Hide();
    m_trayWatch->setEnabled(true);
}

void MainWindow::setShownInTaskbar(bool shown)
{
    for (MainWindow *w : program.mainWindows())
        platform::setShownInTaskbar(w, shown);
}

// Minimised without a task-bar entry, a window could be found nowhere: the entries come back.
void MainWindow::changeEvent(QEvent *event)
{
    Form::changeEvent(event);
    if (event->type() == QEvent::WindowStateChange && isMinimized() &&
        platform::isHiddenFromTaskbar(this))
        setShownInTaskbar(true);
}

void MainWindow::Form_MouseMove(int, int, double X, double)
{
    const long lMsg = std::lround(X / kTwipsPerPixel);
    if (!program.values.intray)
        return;
    if (lMsg == shell::WM_LBUTTONDBLCLK) {
        leaveSystemTray();
    } else if (lMsg == shell::WM_RBUTTONUP && popupMenu()) {
        QAction *chosen =
            services().waits.popupMenu(*popupMenu(), QCursor::pos(), menuItem("mnuSTRest"));
        if (chosen == menuItem("mnuSTRest"))
            mnuSTRest_Click();
        else if (chosen == menuItem("mnuSTAbt"))
            mnuSTAbt_Click();
        else if (chosen == menuItem("mnSTEX"))
            mnSTEX_Click();
    }
}

void MainWindow::mnuSTRest_Click()
{
    leaveSystemTray();
}

void MainWindow::mnuSTAbt_Click()
{
    FrmAbt about(program);
    about.showModal();
}

void MainWindow::mnSTEX_Click()
{
    program.notifyIcons().Shell_NotifyIcon(shell::NIM_DELETE, program.values.nid);
    unload();
}

void MainWindow::leaveSystemTray()
{
    program.notifyIcons().Shell_NotifyIcon(shell::NIM_DELETE, program.values.nid);
    Show();
    program.values.intray = false;
    m_trayWatch->setEnabled(false);
}

void MainWindow::trayWatch_Timer()
{
    const ProgramValues &v = program.values;
    if (program.ended() || !v.intray || v.nid.hWnd != this) {
        m_trayWatch->setEnabled(false);
        return;
    }
    // The icon went with the host: the window comes back, with its task-bar entry, since a
    // minimise could otherwise leave it nowhere.
    if (!program.notifyIcons().isAvailable()) {
        setShownInTaskbar(true);
        leaveSystemTray();
    }
}

void MainWindow::Label_Click(TextBox *F)
{
    if (!program.form1().sec->isEnabled())
        F->setText(QString());
}

void MainWindow::Label_GotFocus()
{
    program.form1().editing = true;
}

void MainWindow::Label_KeyPress(int &KeyAscii)
{
    KeyAscii = DigitKeyFilter(KeyAscii);
}

void MainWindow::Label_Change(TextBox *F, SpinButton *S)
{
    // Text a spin button cannot hold (pasted letters) leaves it at its value.
    if (!program.form1().editing && !F->text().isEmpty()) {
        if (const auto value = spinValueOf(F->text(), S))
            S->setValue(*value);
    }
    twin().control<TextBox>(F->objectName().toLatin1().constData())->setText(F->text());
    enableStart();
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
    program.form1().editing = false;
}

void MainWindow::UpDown_Change(SpinButton *S, TextBox *F)
{
    if (spinWaitsForEditing(S) && program.form1().editing)
        return;
    F->setText(engine::twoDigits(S->value()));
}

void MainWindow::Timer1_Timer()
{
    Form1 &engine = program.form1();
    if (engine.ringing()) {
        if (++m_flash == 10) {
            m_flash = 0;
            const ColorValue normal = engine.oldclr;
            Command1->setBackColor(Command1->backColor() == normal ? kFlashColor : normal);
        }
    } else {
        m_flash = 0;
    }
    enableStart();
}

// What the timer found at its next tick is done at once, when the time or the state changes,
// so the program need not wake up to look.
void MainWindow::enableStart()
{
    Command1->setEnabled(!(program.form1().idle() && readsZero()));
}

void MainWindow::engineStateChanged()
{
    enableStart();
    const bool ringing = program.form1().ringing();
    if (!ringing)
        m_flash = 0;
    Timer1->setEnabled(ringing);
}

// A hidden window's animation does not tick; shown again, it paints the phase it would have
// reached.
void MainWindow::hideEvent(QHideEvent *event)
{
    Form::hideEvent(event);
    Timer2->suspend();
}

void MainWindow::showEvent(QShowEvent *event)
{
    Form::showEvent(event);
    if (const std::int64_t missed = Timer2->resume(); missed > 0) {
        m_phase.advance(missed - 1);
        Timer2_Timer();
    }
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
    const qint32 background = settings::readNumber(m_settings, settings::BackgroundColor);
    if (ApplyBackground(program, background))
        settings::save(m_settings, settings::BackgroundColor, background);

    QString &digclr = program.values.digclr;
    digclr = settings::readText(m_settings, settings::DigitColor);
    setDigitColor(settings::storedInt32(digclr, settings::DigitColor.fallback));

    const ColorValue buttons = settings::readNumber(m_settings, settings::ButtonColor);
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
