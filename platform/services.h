#pragma once

#include <QString>

namespace platform
{

class TimerService;
class Waits;

// The platform services every window reaches.
struct Services {
    TimerService &timers;
    Waits &waits;
    QString appPath; // the program's folder
};

} // namespace platform
