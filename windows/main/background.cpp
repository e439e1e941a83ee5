#include "windows/main/background.h"

#include "paint/backgrounds.h"
#include "paint/gradient.h"
#include "platform/timers.h"
#include "windows/main/form1.h"
#include "windows/main/form1b.h"
#include "windows/main/mainhost.h"

bool ApplyBackground(MainHost &host, qint32 choice)
{
    if (choice < 0 || choice > kAnimatedBackground)
        return false;
    Form1 &small = host.form1();
    Form1b &large = host.form1b();
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
