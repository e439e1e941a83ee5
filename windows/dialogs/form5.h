#pragma once

#include "engine/soundtype.h"
#include "platform/form.h"
#include "settings/catalogue.h"

#include <QByteArray>

class Program;
class QRadioButton;
namespace platform
{
class CommandButton;
class Label;
} // namespace platform

// The Options window: the alarm sound file and its test, the colours, the window size.
class Form5 : public platform::Form
{
    Q_OBJECT
public:
    Form5(Program &program, QWidget *owner);

    // Left by the Colors window: background choice, digit colour, button colour; -1 unchanged.
    qint32 bc = -1;
    qint32 dc = -1;
    qint32 btc = -1;

    // The whole file, or empty when it cannot be read.
    static QByteArray LoadSound(const QString &FileName);

    platform::Label *const Label1;           // the selected sound file
    platform::CommandButton *const Command1; // Test / Stop
    platform::CommandButton *const Command2; // Select a sound file
    platform::CommandButton *const Command3; // Colors
    platform::CommandButton *const Command4; // Done
    platform::CommandButton *const Command5; // Cancel
    QRadioButton *const Big;                 // Option1(0)
    QRadioButton *const Small;               // Option1(1)

    void Command1_Click();
    void Command2_Click();
    void Command3_Click();
    void Command4_Click();
    void Command5_Click();

protected:
    void Form_Load() override;
    void Form_QueryUnload(int &cancel, UnloadMode unloadMode) override;

private:
    void Label1_MouseMove();

    Program &program;
    settings::CRegSettings m_settings = settings::programStore();
    QString m_device;       // the test sound's media device: its quoted path
    QByteArray m_testSound; // the tested WAV file, kept while it plays
    // What the test started, so that Stop silences that even when another file has been
    // chosen meanwhile.
    engine::SoundType m_testType = engine::SoundType::None;
};
