#include "windows/dialogs/form2.h"

#include "platform/commandbutton.h"
#include "resources/layouts.h"
#include "windows/dialogs/host.h"

#include <QCheckBox>

Form2::Form2(Host &host)
    : Form(host.services(), layouts::Form2), Check1(control<QCheckBox>("Check1")),
      Command1(control<platform::CommandButton>("Command1"))
{
    connect(Command1, &platform::CommandButton::clicked, this, [this] { Command1_Click(); });
}

void Form2::Command1_Click()
{
    m_settings.setAppName(QStringLiteral("Ostrevan"));
    m_settings.setCompany(QStringLiteral("Quillanor"));
    m_settings.SaveSetting(QStringLiteral("Messages"), QStringLiteral("MP3 Message"),
                           Check1->isChecked() ? QStringLiteral("yes") : QStringLiteral("no"));
    unload();
}
