#pragma once

#include "platform/form.h"

class Program;
namespace platform
{
class CommandButton;
class Label;
} // namespace platform

// The About window: the version, the notice and links to the maker's site and support.
class FrmAbt : public platform::Form
{
    Q_OBJECT
public:
    explicit FrmAbt(Program &program);

    platform::Label *const Label2;           // the notice
    platform::Label *const Label5;           // the support address
    platform::Label *const Label6;           // the web address
    platform::Label *const Label7;           // the version
    platform::CommandButton *const Command3; // OK

    void Command3_Click();
    void Label5_Click();
    void Label6_Click();

protected:
    void Form_Load() override;

private:
    Program &program;
};
