#pragma once

#include "platform/form.h"
#include "settings/catalogue.h"

class Program;
class QCheckBox;
namespace platform
{
class CommandButton;
}

// The MP3 notice: playing MP3 files needs a media player; can be switched off for good.
class Form2 : public platform::Form
{
    Q_OBJECT
public:
    explicit Form2(Program &program);

    QCheckBox *const Check1;                 // "Show this message again in the future."
    platform::CommandButton *const Command1; // OK

    void Command1_Click();

private:
    settings::CRegSettings m_settings = settings::programStore();
};
