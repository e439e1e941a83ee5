#include "tests/support/virtualclock.h"

#include <algorithm>

namespace platform
{

int VirtualClock::start(int periodMs, std::function<void()> tick)
{
    const int id = m_nextId++;
    m_entries.emplace(id, Entry{periodMs, m_now, m_now + periodMs, std::move(tick)});
    return id;
}

void VirtualClock::stop(int id)
{
    m_entries.erase(id);
}

void VirtualClock::advance(std::int64_t ms)
{
    const std::int64_t target = m_now + ms;
    for (;;) {
        // The earliest due; of those due together, the first started.
        const auto next =
            std::min_element(m_entries.begin(), m_entries.end(),
                             [](auto &a, auto &b) { return a.second.due < b.second.due; });
        if (next == m_entries.end() || next->second.due > target)
            break;
        Entry &e = next->second;
        m_now = e.due;
        e.due = e.from + ((m_now - e.from) / e.period + 1) * e.period;
        // The tick may stop or start timers, including its own.
        auto tick = e.tick;
        tick();
    }
    m_now = target;
}

void VirtualClock::stall(std::int64_t ms)
{
    m_now += ms;
    for (auto &entry : m_entries)
        entry.second.due = std::max(entry.second.due, m_now);
    advance(0);
}

} // namespace platform
