#include "windows/program.h"

#include "engine/media.h"
#include "platform/timers.h"
#include "settings/catalogue.h"
#include "shell/desktopnotification.h"
#include "windows/main/form1.h"
#include "windows/main/form1b.h"

Program::Program(ProgramServices services, std::function<void()> onEnd)
    : m_services(services), m_onEnd(std::move(onEnd))
{
}

// A notification left behind would offer an action nobody answers.
Program::~Program()
{
    notifications().withdraw();
}

void Program::start()
{
    qint16 index = qint16(settings::readNumber(settings::programStore(), settings::Size));
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

std::array<MainWindow *, 2> Program::mainWindows()
{
    return {&form1(), &form1b()};
}

void Program::End()
{
    if (m_ended)
        return;
    m_ended = true;
    notifications().withdraw();
    for (MainWindow *w :
         {static_cast<MainWindow *>(m_form1.get()), static_cast<MainWindow *>(m_form1b.get())}) {
        if (w) {
            w->Hide();
            for (platform::Timer *t : {w->Timer1, w->Timer2, w->sec})
                t->setEnabled(false);
        }
    }
    if (m_onEnd)
        m_onEnd();
}

void Program::silence(const QString &device, Wav wav)
{
    if (!values.playing)
        return;
    media().mciSendString(QStringLiteral("close ") + device);
    if (wav == Wav::Stop)
        media().sndPlaySound(nullptr, engine::SND_NODEFAULT);
}
