#include "windows/main/form1b.h"

#include "engine/media.h"
#include "paint/gradient.h"
#include "platform/commandbutton.h"
#include "platform/timers.h"
#include "resources/layouts.h"
#include "windows/main/form1.h"
#include "windows/main/mainhost.h"

Form1b::Form1b(MainHost &host) : MainWindow(host, layouts::Form1b)
{
    // Start here only hands over to the small window, which owns the countdown.
    connect(Command1, &platform::CommandButton::clicked, this,
            [this] { m_host.form1().Command1_Click(); });
    Timer2->setHandler([this] { Timer2_Timer(); });
}

MainWindow &Form1b::twin()
{
    return m_host.form1();
}

bool Form1b::spinWaitsForEditing(const platform::SpinButton *spin) const
{
    return spin == UpDown1 || spin == UpDown3;
}

void Form1b::Form_Load()
{
    loadAppearance();
    placeSpinButtons(2);
}

void Form1b::Form_QueryUnload(int &, int)
{
    if (m_host.playing)
        m_host.media().mciSendString(QStringLiteral("close ") + m_host.mcifile);
    m_host.End();
}

// The animated background: paint with the current phase, then step it; it turns at 256.
void Form1b::Timer2_Timer()
{
    DrawGradient(*this, m_phase.value(), 0, 255, 1);
    m_phase.step();
}
