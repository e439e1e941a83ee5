#include "app/program.h"

#include "platform/timers.h"
#include "settings/cregsettings.h"
#include "windows/dialogs/storedvalues.h"
#include "windows/main/background.h"
#include "windows/main/form1.h"
#include "windows/main/form1b.h"

Program::Program(platform::Services services, engine::Media &media, shell::NotifyIcons &icons,
                 std::function<void()> onEnd)
    : MainHost(services, media, icons), m_onEnd(std::move(onEnd))
{
}

Program::~Program() = default;

void Program::start()
{
    settings::CRegSettings settings;
    settings.setCompany(QStringLiteral("Quillanor"));
    settings.setAppName(QStringLiteral("Ostrevan"));
    qint16 index = storedInt16(settings.GetSetting("Options", "Size", "0"), 0);
    // Only 0 and 1 name a window; anything else would leave the program without one.
    if (index != 0 && index != 1)
        index = 0;
    form1().size(index);
}

// A window is created and loaded the first time it is touched; it is registered before its
// loading runs, so the other window's loading finds it.
Form1 &Program::form1()
{
    if (!m_form1) {
        m_form1 = std::make_unique<Form1>(*this);
        m_form1->load();
    }
    return *m_form1;
}

Form1b &Program::form1b()
{
    if (!m_form1b) {
        m_form1b = std::make_unique<Form1b>(*this);
        m_form1b->load();
    }
    return *m_form1b;
}

void Program::End()
{
    if (m_ended)
        return;
    m_ended = true;
    for (MainWindow *w :
         {static_cast<MainWindow *>(m_form1.get()), static_cast<MainWindow *>(m_form1b.get())}) {
        if (w) {
            w->hide();
            for (platform::Timer *t : {w->Timer1, w->Timer2, w->sec})
                t->setEnabled(false);
        }
    }
    if (m_onEnd)
        m_onEnd();
}

platform::Form &Program::smallWindow()
{
    return form1();
}

bool Program::smallWindowVisible()
{
    return form1().isVisible();
}

bool Program::largeWindowVisible()
{
    return form1b().isVisible();
}

QString &Program::fname()
{
    return form1().fname;
}

QByteArray &Program::dsound()
{
    return form1().dsound;
}

bool Program::applyBackground(qint32 choice)
{
    return ApplyBackground(*this, choice);
}

void Program::applyButtonColor(platform::ColorValue color)
{
    form1().setButtonColor(color);
    form1b().setButtonColor(color);
    form1().oldclr = color;
}
