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
#include "windows/main/form1b.h"
#include "windows/main/mainhost.h"

#include <QApplication>

using namespace platform;

Form1::Form1(MainHost &host) : MainWindow(host, layouts::Form1)
{
    connect(Command1, &CommandButton::clicked, this, [this] { Command1_Click(); });
    sec->setHandler([this] { sec_Timer(); });
    Timer2->setHandler([this] { Timer2_Timer(); });
}

void Form1::Form_Load()
{
    m_host.form1b();
    // What is painted while hidden is kept: every form retains its drawing.
    oldclr = loadAppearance();
    fname = m_settings.GetSetting("Options", "Sound File", "");
    dsound = engine::LoadSound(fname);
    placeSpinButtons(22);
}

void Form1::size(qint16 &Index)
{
    if (Index == 0) {
        m_host.form1b().Hide();
        Show();
    } else if (Index == 1) {
        Hide();
        m_host.form1b().Show();
    }
    m_sizeInUse = Index;
    m_settings.SaveSetting("Options", "Size", QString::number(Index));
}

MainWindow &Form1::twin()
{
    return m_host.form1b();
}

void Form1::setFieldsLocked(bool locked)
{
    for (TextBox *field : {Label1, Label2, Label3})
        field->setLocked(locked);
}

void Form1::Command1_Click()
{
    Form1b &large = m_host.form1b();
    const QString caption = Command1->caption();
    if (caption == QLatin1String("Start")) {
        fname = m_settings.GetSetting("Options", "Sound File", "");
        if (fname.isEmpty()) {
            services().waits.messageBox(
                this, QStringLiteral("You must select a sound file to play as the alarm first."),
                QStringLiteral("Oops"), MsgIcon::Exclamation, MsgButtons::Ok);
            Command3_Click();
            return;
        }
        setFieldsLocked(true);
        for (MainWindow *w : {static_cast<MainWindow *>(this), static_cast<MainWindow *>(&large)}) {
            w->Command1->setCaption(QStringLiteral("Stop"));
            w->Command2->setEnabled(false);
            w->setSpinButtonsEnabled(false);
        }
        if (readsZero())
            return;
        sec->setEnabled(true);
    } else if (caption == QLatin1String("Stop")) {
        for (MainWindow *w : {static_cast<MainWindow *>(this), static_cast<MainWindow *>(&large)}) {
            w->Command1->setCaption(QStringLiteral("Start"));
            w->Command2->setEnabled(true);
        }
        sec->setEnabled(false);
        setSpinButtonsEnabled(true);
        large.setSpinButtonsEnabled(true);
        setFieldsLocked(false);
    } else if (caption == QLatin1String("Alarm Off")) {
        for (MainWindow *w : {static_cast<MainWindow *>(this), static_cast<MainWindow *>(&large)}) {
            w->Command2->setEnabled(true);
            w->Command1->setCaption(QStringLiteral("Start"));
            w->Command1->setBackColor(oldclr);
        }
        StopAlarmSound();
        setSpinButtonsEnabled(true);
        large.setSpinButtonsEnabled(true);
    }
}

// One second of the countdown, on this window's fields; the other window follows them.
void Form1::sec_Timer()
{
    const engine::CountdownTime next =
        engine::CountdownStep({Label2->text(), Label1->text(), Label3->text()});
    Label3->setText(next.seconds);
    Label1->setText(next.minutes);
    Label2->setText(next.hours);
    if (engine::isZero(next))
        alarm();

    // The icon's tip follows the countdown, whether or not the icon is shown.
    m_host.nid.uFlags = shell::NIF_TIP;
    shell::setTip(m_host.nid, windowTitle() + QStringLiteral(" - Started (") + Label2->text() +
                                  QLatin1Char(':') + Label1->text() + QLatin1Char(':') +
                                  Label3->text() + QLatin1Char(')') + QChar(0));
    m_host.notifyIcons().Shell_NotifyIcon(shell::NIM_MODIFY, m_host.nid);
}

void Form1::alarm()
{
    Form1b &large = m_host.form1b();
    Form *shown = nullptr;
    if (m_host.intray) {
        m_host.notifyIcons().Shell_NotifyIcon(shell::NIM_DELETE, m_host.nid);
        shown = m_sizeInUse == 0 ? static_cast<Form *>(this) : static_cast<Form *>(&large);
        shown->Show();
        m_host.intray = false;
    } else {
        shown = isVisible() ? static_cast<Form *>(this) : static_cast<Form *>(&large);
        shown->SetFocus();
    }
    // A window behind others, or on another desktop, asks to be noticed.
    QApplication::alert(shown);

    Command1->setCaption(QStringLiteral("Alarm Off"));
    large.Command1->setCaption(QStringLiteral("Alarm Off"));

    if (engine::playSound(m_host.media(), engine::soundTypeOf(fname), fname, dsound,
                          m_host.mcifile))
        m_host.playing = true;

    sec->setEnabled(false);
    setFieldsLocked(false);
}

void Form1::StopAlarmSound()
{
    engine::stopSound(m_host.media(), engine::soundTypeOf(fname), m_host.mcifile);
    m_host.playing = false;
}

void Form1::Form_QueryUnload(int &, int)
{
    if (m_host.playing) {
        m_host.media().mciSendString(QStringLiteral("close ") + m_host.mcifile);
        m_host.media().sndPlaySound(nullptr, engine::SND_NODEFAULT);
    }
    m_host.End();
}

// The animated background: step the phase, then paint.
void Form1::Timer2_Timer()
{
    m_phase.step();
    DrawGradient(*this, m_phase.value(), 0, 255, 1);
}
