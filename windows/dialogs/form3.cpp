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
#include <QHash>
#include <algorithm>
#include <numeric>

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

// What Done stores: the list as stored now, less the entries this window deleted, with its
// additions at the end. The stored entries are matched in order and by text to those the window
// opened with, so that entries another copy of the program added or deleted meanwhile stay as
// that copy left them. A list nobody else changed gives this window's list exactly.
settings::CRegSettings::Rows presetsToStore(const settings::CRegSettings::Rows &stored,
                                            const QStringList &opened,
                                            const std::vector<qsizetype> &origin,
                                            const QStringList &entries)
{
    std::vector<bool> kept(size_t(opened.size()), false);
    for (qsizetype place : origin) {
        if (place >= 0)
            kept[size_t(place)] = true;
    }
    QHash<QString, QList<qsizetype>> places; // of each text among the opened entries
    for (qsizetype i = 0; i < opened.size(); ++i)
        places[opened[i]].append(i);
    QStringList texts;
    qsizetype next = 0; // the first opened entry not yet matched
    for (const auto &value : stored) {
        const QList<qsizetype> &candidates = places.value(value[1]);
        const auto match = std::lower_bound(candidates.begin(), candidates.end(), next);
        if (match == candidates.end()) {
            texts << value[1]; // stored by another copy
            continue;
        }
        next = *match + 1;
        if (kept[size_t(*match)])
            texts << value[1];
    }
    for (size_t i = 0; i < origin.size(); ++i) {
        if (origin[i] < 0)
            texts << entries[qsizetype(i)];
    }
    settings::CRegSettings::Rows rows;
    rows.reserve(size_t(texts.size()));
    for (qsizetype i = 0; i < texts.size(); ++i)
        rows.push_back({settings::PresetsKeyPrefix.toString() + QString::number(i), texts[i]});
    return rows;
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
        m_opened << value[1];
    m_origin.resize(size_t(m_opened.size()));
    std::iota(m_origin.begin(), m_origin.end(), 0);
    // At once: one change of the list rather than one per entry.
    Combo1->addItems(m_opened);
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
    m_origin.push_back(-1);
    Combo1->setCurrentIndex(Combo1->count() - 1);
    Timer1_Timer();
}

void Form3::Command2_Click()
{
    if (services().waits.messageBox(this, QStringLiteral("Delete selected preset?"),
                                    QStringLiteral("Confirm"), MsgIcon::Question,
                                    MsgButtons::YesNo) != MsgResult::Yes)
        return;
    const int selected = Combo1->currentIndex();
    if (selected >= 0) {
        Combo1->removeItem(selected);
        m_origin.erase(m_origin.begin() + selected);
    }
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

// This window's changes are applied to the list as it is stored at this moment, in one locked
// write: the file holds either the old list or the new one, and what another running copy of
// the program stored meanwhile is kept.
void Form3::Command4_Click()
{
    QStringList entries;
    for (int i = 0; i < Combo1->count(); ++i)
        entries << Combo1->itemText(i);
    m_settings.UpdateSection(settings::PresetsSection.toString(),
                             [&](const settings::CRegSettings::Rows &stored) {
                                 return presetsToStore(stored, m_opened, m_origin, entries);
                             });
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
