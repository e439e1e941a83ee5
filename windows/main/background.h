#pragma once

#include <QtGlobal>

class Program;

// Dresses both main windows in a background choice: 0 to 4 paint their fixed gradient and stop
// the animation, 5 starts it. Returns false, changing nothing, for any other choice.
bool ApplyBackground(Program &program, qint32 choice);
