#pragma once

#include "platform/timers.h"

#include <QHash>
#include <map>
#include <vector>

class QTimer;

namespace platform
{

// Ticks from Qt's event loop. A period of a second or more gets a precise timer of its own,
// so the countdown does not drift, re-armed at each tick for the next beat from its start:
// after a stall the next tick comes on the beat, not a whole period after the late one. Shorter
// periods, the window timers that flash and animate, share one coarse timer per period: the program
// wakes once per period for all of them, and they tick in the order they were started.
class QtTimerService final : public TimerService
{
public:
    QtTimerService();
    ~QtTimerService() override;
    int start(int periodMs, std::function<void()> tick) override;
    void stop(int id) override;
    std::int64_t now() const override;

private:
    struct Shared {
        QTimer *timer = nullptr;
        std::vector<int> ids; // in start order
    };
    void tickShared(int periodMs);

    QHash<int, QTimer *> m_own;
    std::map<int, Shared> m_shared;                               // by period
    std::map<int, std::pair<int, std::function<void()>>> m_ticks; // id -> period, tick
    int m_nextId = 1;
};

} // namespace platform
