#include "windows/main/form1.h"

#include "engine/countdown.h"
#include "engine/loadsound.h"
#include "engine/media.h"
#include "engine/sounds.h"
#include "paint/gradient.h"
#include "platform/commandbutton.h"
#include "platform/textbox.h"
#include "platform/timers.h"
#include "platform/waits.h"
#include "resources/layouts.h"
#include "shell/desktopnotification.h"
#include "windows/main/form1b.h"
#include "windows/program.h"

#include <QApplication>

using namespace platform;

// The small window's background phase turns at 255; the large window's at 256.
Form1::Form1(Program &program) : MainWindow(program, layouts::Form1, 255)
{
    connect(Command1, &CommandButton::clicked, this, [this] { Command1_Click(); });
    sec->setHandler([this] { sec_Timer(); });
}

void Form1::Form_Load()
{
    // The large window is loaded first: the backgrounds are applied to both windows at once,
    // so both must exist before this window's appearance is read.
    program.form1b();
    // What is painted while hidden is kept: every form retains its drawing.
    oldclr = loadAppearance();
    fname = settings::readText(m_settings, settings::SoundFile);
    dsound = engine::LoadSound(fname);
    // The small window's spin buttons reach 22 twips below their fields, the large window's
    // only 2: each as it was designed to look beside its digits.
    placeSpinButtons(22);
    engineStateChanged();
}

void Form1::size(qint16 &Index)
{
    if (Index == 0) {
        program.form1b().Hide();
        Show();
    } else if (Index == 1) {
        Hide();
        program.form1b().Show();
    }
    program.values.sizeInUse = Index;
    settings::save(m_settings, settings::Size, Index);
}

bool Form1::idle() const
{
    return Command1->caption() == QLatin1String("Start");
}

bool Form1::counting() const
{
    return Command1->caption() == QLatin1String("Stop");
}

bool Form1::ringing() const
{
    return Command1->caption() == QLatin1String("Alarm Off");
}

MainWindow &Form1::twin()
{
    return program.form1b();
}

void Form1::setFieldsLocked(bool locked)
{
    for (TextBox *field : {Label1, Label2, Label3})
        field->setLocked(locked);
}

void Form1::Command1_Click()
{
    Form1b &large = program.form1b();
    if (idle()) {
        fname = settings::readText(m_settings, settings::SoundFile);
        if (fname.isEmpty()) {
            services().waits.messageBox(
                this, QStringLiteral("You must select a sound file to play as the alarm first."),
                QStringLiteral("Oops"), MsgIcon::Exclamation, MsgButtons::Ok);
            Command3_Click();
            return;
        }
        setFieldsLocked(true);
        for (MainWindow *w : program.mainWindows()) {
            w->Command1->setCaption(QStringLiteral("Stop"));
            w->Command2->setEnabled(false);
            w->setSpinButtonsEnabled(false);
        }
        for (MainWindow *w : program.mainWindows())
            w->engineStateChanged();
        if (readsZero())
            return;
        sec->setEnabled(true);
    } else if (counting()) {
        for (MainWindow *w : program.mainWindows()) {
            w->Command1->setCaption(QStringLiteral("Start"));
            w->Command2->setEnabled(true);
        }
        sec->setEnabled(false);
        setSpinButtonsEnabled(true);
        large.setSpinButtonsEnabled(true);
        setFieldsLocked(false);
        for (MainWindow *w : program.mainWindows())
            w->engineStateChanged();
    } else if (ringing()) {
        for (MainWindow *w : program.mainWindows()) {
            w->Command2->setEnabled(true);
            w->Command1->setCaption(QStringLiteral("Start"));
            w->Command1->setBackColor(oldclr);
        }
        program.notifications().withdraw();
        StopAlarmSound();
        setSpinButtonsEnabled(true);
        large.setSpinButtonsEnabled(true);
        for (MainWindow *w : program.mainWindows())
            w->engineStateChanged();
    }
}

// One second of the countdown, on this window's fields; the other window follows them. A tick
// that comes late (a stalled program, a machine that slept) takes every whole second that has
// passed, so the alarm keeps to the clock.
void Form1::sec_Timer()
{
    const engine::CountdownTime next = engine::CountdownStep(
        {Label2->text(), Label1->text(), Label3->text()}, sec->periodsPassed());
    Label3->setText(next.seconds);
    Label1->setText(next.minutes);
    Label2->setText(next.hours);
    if (engine::isZero(next))
        alarm();

    // The icon's tip follows the countdown, whether or not the icon is shown. The tip field
    // holds 64 characters and is read up to its NUL, which ends the text here.
    shell::NOTIFYICONDATA &nid = program.values.nid;
    nid.uFlags = shell::NIF_TIP;
    shell::setTip(nid, windowTitle() + QStringLiteral(" - Started (") + Label2->text() +
                           QLatin1Char(':') + Label1->text() + QLatin1Char(':') + Label3->text() +
                           QLatin1Char(')') + QChar(0));
    program.notifyIcons().Shell_NotifyIcon(shell::NIM_MODIFY, nid);
}

void Form1::alarm()
{
    Form1b &large = program.form1b();
    ProgramValues &v = program.values;
    Form *shown = nullptr;
    if (v.intray) {
        program.notifyIcons().Shell_NotifyIcon(shell::NIM_DELETE, v.nid);
        shown = v.sizeInUse == 0 ? static_cast<Form *>(this) : static_cast<Form *>(&large);
        shown->Show();
        v.intray = false;
    } else {
        shown = isVisible() ? static_cast<Form *>(this) : static_cast<Form *>(&large);
        shown->SetFocus();
    }
    // A window behind others, or on another desktop, asks to be noticed. Where the window cannot
    // reach the user (another workspace, a locked screen, a compositor that keeps the focus
    // elsewhere) the desktop's notification does, with Alarm Off in it.
    QApplication::alert(shown);
    program.notifications().notify(windowTitle(), QStringLiteral("The countdown has ended."),
                                   QStringLiteral("Alarm Off"), [this] {
                                       if (ringing())
                                           Command1_Click();
                                   });

    Command1->setCaption(QStringLiteral("Alarm Off"));
    large.Command1->setCaption(QStringLiteral("Alarm Off"));
    for (MainWindow *w : program.mainWindows())
        w->engineStateChanged();

    if (engine::playSound(program.media(), engine::soundTypeOf(fname), fname, dsound, v.mcifile))
        v.playing = true;

    sec->setEnabled(false);
    setFieldsLocked(false);
}

void Form1::StopAlarmSound()
{
    engine::stopSound(program.media(), engine::soundTypeOf(fname), program.values.mcifile);
    program.values.playing = false;
}

void Form1::Form_QueryUnload(int &, UnloadMode)
{
    program.silence(program.values.mcifile, Program::Wav::Stop);
    program.End();
}

// The animated background: step the phase, then paint. The large window paints first and
// steps after, so the two windows' colours run one step apart, as designed.
void Form1::Timer2_Timer()
{
    m_phase.step();
    DrawGradient(*this, m_phase.value(), 0, 255, 1);
}
