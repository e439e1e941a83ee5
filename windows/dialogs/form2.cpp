#include "windows/dialogs/form2.h"

#include "platform/commandbutton.h"
#include "resources/layouts.h"
#include "windows/program.h"

#include <QCheckBox>

Form2::Form2(Program &program)
    : Form(program.services(), layouts::Form2), Check1(control<QCheckBox>("Check1")),
      Command1(control<platform::CommandButton>("Command1"))
{
    connect(Command1, &platform::CommandButton::clicked, this, [this] { Command1_Click(); });
}

void Form2::Command1_Click()
{
    settings::save(m_settings, settings::Mp3Message,
                   Check1->isChecked() ? QStringLiteral("yes") : QStringLiteral("no"));
    unload();
}
