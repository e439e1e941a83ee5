#include "windows/main/form1b.h"

#include "engine/media.h"
#include "paint/gradient.h"
#include "platform/commandbutton.h"
#include "platform/timers.h"
#include "resources/layouts.h"
#include "windows/main/form1.h"
#include "windows/program.h"

Form1b::Form1b(Program &program) : MainWindow(program, layouts::Form1b, 256)
{
    // Start here only hands over to the small window, which owns the countdown.
    connect(Command1, &platform::CommandButton::clicked, this,
            [this] { this->program.form1().Command1_Click(); });
}

MainWindow &Form1b::twin()
{
    return program.form1();
}

// Only the minutes and seconds arrows wait while a field is being edited; the hours arrow
// writes its field at once, as on the small window. Kept as designed: what a person sees while
// typing hours does not change.
bool Form1b::spinWaitsForEditing(const platform::SpinButton *spin) const
{
    return spin == UpDown1 || spin == UpDown3;
}

void Form1b::Form_Load()
{
    loadAppearance();
    placeSpinButtons(2); // see the small window's load for the 2 against 22
    engineStateChanged();
}

// Unlike the small window's, this handler leaves a looping WAV alone: the program ends at
// once, and the sound ends with it. Kept as designed.
void Form1b::Form_QueryUnload(int &, UnloadMode)
{
    program.silence(program.values.mcifile, Program::Wav::Keep);
    program.End();
}

// The animated background: paint with the current phase, then step it; it turns at 256, not
// at 255 as on the small window. Both are as designed; the difference is not a typo.
void Form1b::Timer2_Timer()
{
    DrawGradient(*this, m_phase.value(), 0, 255, 1);
    m_phase.step();
}
