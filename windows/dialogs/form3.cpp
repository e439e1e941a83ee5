#include "windows/dialogs/form3.h"

#include "engine/countdown.h"
#include "platform/commandbutton.h"
#include "platform/label.h"
#include "platform/textbox.h"
#include "platform/timers.h"
#include "platform/waits.h"
#include "resources/layouts.h"
#include "windows/main/form1.h"
#include "windows/program.h"

#include <QComboBox>

using namespace platform;

namespace
{

// A preset as Add writes it: "HH:MM:SS", two digits each. A hand-edited entry in another form
// is kept and shown as stored, but loads nothing.
bool isPresetTime(const QString &entry)
{
    return entry.size() == 8 && entry.at(2) == u':' && entry.at(5) == u':' &&
           engine::isDigitText(entry.mid(0, 2)) && engine::isDigitText(entry.mid(3, 2)) &&
           engine::isDigitText(entry.mid(6, 2));
}

} // namespace

Form3::Form3(Program &program, QWidget *owner)
    : Form(program.services(), layouts::Form3, owner), Label1(control<Label>("Label1")),
      Combo1(control<QComboBox>("Combo1")), Command1(control<CommandButton>("Command1")),
      Command2(control<CommandButton>("Command2")), Command3(control<CommandButton>("Command3")),
      Command4(control<CommandButton>("Command4")), program(program)
{
    Label1->setBuddy(Combo1);
    connect(Command1, &CommandButton::clicked, this, [this] { Command1_Click(); });
    connect(Command2, &CommandButton::clicked, this, [this] { Command2_Click(); });
    connect(Command3, &CommandButton::clicked, this, [this] { Command3_Click(); });
    connect(Command4, &CommandButton::clicked, this, [this] { Command4_Click(); });
    timer("Timer1")->setHandler([this] { Timer1_Timer(); });
}

void Form3::Form_Load()
{
    const QString section = settings::PresetsSection.toString();
    for (const auto &value : m_settings.GetAllOptions(section))
        Combo1->addItem(value[1]);
    Combo1->setCurrentIndex(Combo1->count() - 1);
    Timer1_Timer();
}

void Form3::Command1_Click()
{
    const Form1 &main = program.form1();
    const QString hours = main.Label2->text();
    const QString minutes = main.Label1->text();
    const QString seconds = main.Label3->text();
    if (hours == QLatin1String("00") && minutes == QLatin1String("00") &&
        seconds == QLatin1String("00")) {
        services().waits.messageBox(this,
                                    QStringLiteral("Current time is set to 00:00:00. Please set a "
                                                   "time other than this and try again."),
                                    QStringLiteral("Oops!"), MsgIcon::Exclamation, MsgButtons::Ok);
        return;
    }
    Combo1->addItem(hours + QLatin1Char(':') + minutes + QLatin1Char(':') + seconds);
    Combo1->setCurrentIndex(Combo1->count() - 1);
    Timer1_Timer();
}

void Form3::Command2_Click()
{
    if (services().waits.messageBox(this, QStringLiteral("Delete selected preset?"),
                                    QStringLiteral("Confirm"), MsgIcon::Question,
                                    MsgButtons::YesNo) != MsgResult::Yes)
        return;
    Combo1->removeItem(Combo1->currentIndex());
    Combo1->setCurrentIndex(Combo1->count() - 1);
    Timer1_Timer();
}

void Form3::Command3_Click()
{
    const QString entry = Combo1->currentText();
    if (!isPresetTime(entry))
        return;
    Form1 &main = program.form1();
    main.Label2->setText(entry.mid(0, 2));
    main.Label1->setText(entry.mid(3, 2));
    main.Label3->setText(entry.mid(6, 2));
}

// The whole list replaces the stored one in one write: the file holds either the old list or
// the new one, never a part of either.
void Form3::Command4_Click()
{
    std::vector<std::array<QString, 2>> presets;
    for (int i = 0; i < Combo1->count(); ++i)
        presets.push_back(
            {settings::PresetsKeyPrefix.toString() + QString::number(i), Combo1->itemText(i)});
    m_settings.ReplaceSection(settings::PresetsSection.toString(), presets);
    unload();
}

// Delete and Load are offered only while the list holds an entry. Called at every change of
// the list as well, so they follow at once.
void Form3::Timer1_Timer()
{
    const bool any = Combo1->count() > 0;
    Command2->setEnabled(any);
    Command3->setEnabled(any);
}
