#include "windows/main/background.h"

#include "paint/backgrounds.h"
#include "paint/gradient.h"
#include "platform/timers.h"
#include "settings/catalogue.h"
#include "windows/main/form1.h"
#include "windows/main/form1b.h"
#include "windows/program.h"

static_assert(settings::BackgroundColor.fallback == kAnimatedBackground,
              "a first run shows the changing background");

bool ApplyBackground(Program &program, qint32 choice)
{
    if (choice < 0 || choice > kAnimatedBackground)
        return false;
    Form1 &small = program.form1();
    Form1b &large = program.form1b();
    const bool animated = choice == kAnimatedBackground;
    if (!animated) {
        const StartColor c = kBackgroundColors[choice];
        DrawGradient(small, c.r, c.g, c.b, 1);
        DrawGradient(large, c.r, c.g, c.b, 1);
    }
    small.Timer2->setEnabled(animated);
    large.Timer2->setEnabled(animated);
    return true;
}
