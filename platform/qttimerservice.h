#pragma once

#include "platform/timers.h"

#include <QHash>

class QTimer;

namespace platform
{

// Ticks from Qt's event loop with precise timers, so a 1000-ms timer does not drift.
class QtTimerService final : public TimerService
{
public:
    ~QtTimerService() override;
    int start(int periodMs, std::function<void()> tick) override;
    void stop(int id) override;

private:
    QHash<int, QTimer *> m_timers;
    int m_nextId = 1;
};

} // namespace platform
