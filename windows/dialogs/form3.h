#pragma once

#include "platform/form.h"
#include "settings/catalogue.h"

#include <QStringList>
#include <vector>

class Program;
class QComboBox;
namespace platform
{
class CommandButton;
class Label;
} // namespace platform

// The Presets window: times kept by name-less list, stored when Done is pressed.
class Form3 : public platform::Form
{
    Q_OBJECT
public:
    Form3(Program &program, QWidget *owner);

    platform::Label *const Label1;           // "Select preset:"
    QComboBox *const Combo1;                 // the presets
    platform::CommandButton *const Command1; // Add the time shown
    platform::CommandButton *const Command2; // Delete selected
    platform::CommandButton *const Command3; // Load selected
    platform::CommandButton *const Command4; // Done

    void Command1_Click();
    void Command2_Click();
    void Command3_Click();
    void Command4_Click();

protected:
    void Form_Load() override;

private:
    void Timer1_Timer();

    Program &program;
    settings::CRegSettings m_settings = settings::programStore();
    // The entries as stored when the window opened, and for each entry of the list its place
    // among them (-1: added here), so that Done applies only this window's own changes.
    QStringList m_opened;
    std::vector<qsizetype> m_origin;
};
