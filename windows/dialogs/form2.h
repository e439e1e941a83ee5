#pragma once

#include "platform/form.h"
#include "settings/catalogue.h"

class Program;
class QCheckBox;
namespace platform
{
class CommandButton;
}

// The MP3 notice: how an MP3 alarm plays here; can be switched off for good.
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
