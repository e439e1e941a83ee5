#include "windows/dialogs/form5.h"

#include "engine/loadsound.h"
#include "engine/media.h"
#include "engine/sounds.h"
#include "platform/commandbutton.h"
#include "platform/label.h"
#include "resources/layouts.h"
#include "windows/dialogs/form4.h"
#include "windows/dialogs/module1.h"
#include "windows/main/background.h"
#include "windows/main/form1.h"
#include "windows/main/form1b.h"
#include "windows/program.h"

#include <QRadioButton>

using namespace platform;

namespace
{

const QString kNoneSelected = QStringLiteral("None Selected");

} // namespace

Form5::Form5(Program &program, QWidget *owner)
    : Form(program.services(), layouts::Form5, owner), Label1(control<Label>("Label1")),
      Command1(control<CommandButton>("Command1")), Command2(control<CommandButton>("Command2")),
      Command3(control<CommandButton>("Command3")), Command4(control<CommandButton>("Command4")),
      Command5(control<CommandButton>("Command5")), Big(control<QRadioButton>("Option1", 0)),
      Small(control<QRadioButton>("Option1", 1)), program(program)
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
    Form1 &main = program.form1();
    if (!main.fname.isEmpty()) {
        Label1->setCaption(main.fname);
        main.dsound = LoadSound(main.fname);
    } else {
        Label1->setCaption(kNoneSelected);
    }
    if (program.form1b().isVisible())
        Big->setChecked(true);
    if (main.isVisible())
        Small->setChecked(true);
    bc = -1;
    dc = -1;
    btc = -1;
    program.values.newsize = -1;
}

// A path too long for the label can be read in full in its tip.
void Form5::Label1_MouseMove()
{
    Label1->setToolTip(Label1->text());
}

void Form5::Command1_Click()
{
    engine::Media &media = program.media();
    if (Command1->caption() == QLatin1String("Test")) {
        const QString path = Label1->text();
        m_testType = engine::soundTypeOf(path);
        if (m_testType == engine::SoundType::Wav)
            m_testSound = LoadSound(path);
        if (engine::playSound(media, m_testType, path, m_testSound, m_device))
            program.values.playing = true;
        Command1->setCaption(QStringLiteral("Stop"));
    } else if (Command1->caption() == QLatin1String("Stop")) {
        engine::stopSound(media, m_testType, m_device);
        m_testType = engine::SoundType::None;
        program.values.playing = false;
        Command1->setCaption(QStringLiteral("Test"));
    }
}

void Form5::Command2_Click()
{
    const QString chosen =
        OpenFileDialog(program, program.form1(),
                       QStringLiteral("Sound Files (*.mp3, *.wav, *.mid)|*.mp3;*.wav;*.mid"),
                       QStringLiteral("Select Sound File..."), services().appPath);
    if (!chosen.isEmpty())
        Label1->setCaption(chosen);
}

void Form5::Command3_Click()
{
    Form4 colors(program, *this);
    colors.showModal();
}

void Form5::Command4_Click()
{
    ProgramValues &v = program.values;
    Form1 &main = program.form1();
    v.newsize = Big->isChecked() ? 1 : 0;

    if (ApplyBackground(program, bc))
        settings::save(m_settings, settings::BackgroundColor, bc);

    if (dc != -1)
        v.digclr = QString::number(dc);
    settings::save(m_settings, settings::DigitColor, v.digclr);

    main.fname = Label1->text() == kNoneSelected ? QString() : Label1->text();

    if (btc != -1) {
        for (MainWindow *w : program.mainWindows())
            w->setButtonColor(btc);
        main.oldclr = btc;
        settings::save(m_settings, settings::ButtonColor, btc);
    }

    main.dsound = LoadSound(main.fname);
    settings::save(m_settings, settings::SoundFile, main.fname);
    unload();
}

void Form5::Command5_Click()
{
    unload();
}

// Neither kind of test sound outlives the window. The "close" names only this window's own
// device; the no-sound call silences any WAV sound of the program, an alarm's included.
void Form5::Form_QueryUnload(int &, UnloadMode)
{
    program.silence(m_device, Program::Wav::Stop);
}
