#include "windows/dialogs/form5.h"

#include "engine/loadsound.h"
#include "engine/media.h"
#include "engine/sounds.h"
#include "platform/commandbutton.h"
#include "platform/label.h"
#include "resources/layouts.h"
#include "windows/dialogs/form4.h"
#include "windows/dialogs/host.h"
#include "windows/dialogs/module1.h"

#include <QRadioButton>

using namespace platform;

namespace
{

const QString kNoneSelected = QStringLiteral("None Selected");

} // namespace

Form5::Form5(Host &host, QWidget *owner)
    : Form(host.services(), layouts::Form5, owner), Label1(control<Label>("Label1")),
      Command1(control<CommandButton>("Command1")), Command2(control<CommandButton>("Command2")),
      Command3(control<CommandButton>("Command3")), Command4(control<CommandButton>("Command4")),
      Command5(control<CommandButton>("Command5")), Big(control<QRadioButton>("Option1", 0)),
      Small(control<QRadioButton>("Option1", 1)), m_host(host)
{
    connect(Command1, &CommandButton::clicked, this, [this] { Command1_Click(); });
    connect(Command2, &CommandButton::clicked, this, [this] { Command2_Click(); });
    connect(Command3, &CommandButton::clicked, this, [this] { Command3_Click(); });
    connect(Command4, &CommandButton::clicked, this, [this] { Command4_Click(); });
    connect(Command5, &CommandButton::clicked, this, [this] { Command5_Click(); });
    connect(Label1, &Label::MouseMove, this, [this] { Label1_MouseMove(); });
}

QByteArray Form5::LoadSound(const QString &FileName)
{
    return engine::LoadSound(FileName);
}

void Form5::Form_Load()
{
    m_settings.setAppName(QStringLiteral("Ostrevan"));
    m_settings.setCompany(QStringLiteral("Quillanor"));
    const QString fname = m_host.fname();
    if (!fname.isEmpty()) {
        Label1->setCaption(fname);
        m_host.dsound() = LoadSound(fname);
    } else {
        Label1->setCaption(kNoneSelected);
    }
    if (m_host.largeWindowVisible())
        Big->setChecked(true);
    if (m_host.smallWindowVisible())
        Small->setChecked(true);
    bc = -1;
    dc = -1;
    btc = -1;
    m_host.newsize = -1;
}

// A path too long for the label can be read in full in its tip.
void Form5::Label1_MouseMove()
{
    Label1->setToolTip(Label1->text());
}

void Form5::Command1_Click()
{
    engine::Media &media = m_host.media();
    if (Command1->caption() == QLatin1String("Test")) {
        const QString path = Label1->text();
        m_testType = engine::soundTypeOf(path);
        if (m_testType == engine::SoundType::Wav)
            m_testSound = LoadSound(path);
        if (engine::playSound(media, m_testType, path, m_testSound, m_device))
            m_host.playing = true;
        Command1->setCaption(QStringLiteral("Stop"));
    } else if (Command1->caption() == QLatin1String("Stop")) {
        engine::stopSound(media, m_testType, m_device);
        m_testType = engine::SoundType::None;
        m_host.playing = false;
        Command1->setCaption(QStringLiteral("Test"));
    }
}

void Form5::Command2_Click()
{
    const QString chosen =
        OpenFileDialog(m_host, m_host.smallWindow(),
                       QStringLiteral("Sound Files (*.mp3, *.wav, *.mid)|*.mp3;*.wav;*.mid"),
                       QStringLiteral("Select Sound File..."), services().appPath);
    if (!chosen.isEmpty())
        Label1->setCaption(chosen);
}

void Form5::Command3_Click()
{
    Form4 colors(m_host, *this);
    colors.showModal();
}

void Form5::Command4_Click()
{
    m_host.newsize = Big->isChecked() ? 1 : 0;

    if (m_host.applyBackground(bc))
        m_settings.SaveSetting("Options", "Background Color", QString::number(bc));

    if (dc != -1)
        m_host.digclr = QString::number(dc);
    m_settings.SaveSetting("Options", "Digit Color", m_host.digclr);

    QString &fname = m_host.fname();
    fname = Label1->text() == kNoneSelected ? QString() : Label1->text();

    if (btc != -1) {
        m_host.applyButtonColor(btc);
        m_settings.SaveSetting("Options", "Button Color", QString::number(btc));
    }

    m_host.dsound() = LoadSound(fname);
    m_settings.SaveSetting("Options", "Sound File", fname);
    unload();
}

void Form5::Command5_Click()
{
    unload();
}

// Neither kind of test sound outlives the window. The "close" names only this window's own
// device; the no-sound call silences any WAV sound of the program, an alarm's included.
void Form5::Form_QueryUnload(int &, int)
{
    if (m_host.playing) {
        m_host.media().mciSendString(QStringLiteral("close ") + m_device);
        m_host.media().sndPlaySound(nullptr, engine::SND_NODEFAULT);
    }
}
