#pragma once

#include "platform/timers.h"

#include <cstdint>
#include <map>

namespace platform
{

// A clock that moves only when told: advance() fires every tick that falls due, in time order
// (timers due at the same moment in the order they were started). stall() is a program stopped
// or a machine asleep: the clock jumps, each timer that fell due meanwhile ticks once, late,
// and then keeps the rhythm it had from its start.
class VirtualClock final : public TimerService
{
public:
    int start(int periodMs, std::function<void()> tick) override;
    void stop(int id) override;

    void advance(std::int64_t ms);
    void stall(std::int64_t ms);
    std::int64_t now() const override { return m_now; }
    int activeTimers() const { return static_cast<int>(m_entries.size()); }

private:
    struct Entry {
        int period;
        std::int64_t from, due;
        std::function<void()> tick;
    };
    std::map<int, Entry> m_entries;
    std::int64_t m_now = 0;
    int m_nextId = 1;
};

} // namespace platform
