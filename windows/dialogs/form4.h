#pragma once

#include "paint/sweep.h"
#include "platform/form.h"
#include "settings/catalogue.h"

#include <array>

class Form5;
class Program;
class QRadioButton;
namespace platform
{
class CommandButton;
class PictureBox;
} // namespace platform

// The Colors window: digit colour, background and button colour, each from a palette of six.
class Form4 : public platform::Form
{
    Q_OBJECT
public:
    // The choices are handed to options, which owns the window.
    Form4(Program &program, Form5 &options);

    std::array<QRadioButton *, 6> Option1;             // digit colours
    std::array<QRadioButton *, 6> Option2;             // backgrounds
    std::array<QRadioButton *, 6> Option3;             // button colours
    std::array<platform::PictureBox *, 6> Picture;     // Picture1 to Picture6
    std::array<platform::CommandButton *, 6> Command3; // button colour samples
    platform::CommandButton *const Command1;           // Cancel
    platform::CommandButton *const Command2;           // OK

    void Command1_Click();
    void Command2_Click();

protected:
    void Form_Load() override;

private:
    void Timer1_Timer();

    Form5 &m_options;
    settings::CRegSettings m_settings = settings::programStore();
    Sweep m_sweep{255};
};
