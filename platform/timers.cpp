#include "platform/timers.h"

#include <algorithm>

namespace platform
{

Timer::Timer(TimerService &service, int intervalMs, bool enabled)
    : m_service(service), m_interval(intervalMs)
{
    setEnabled(enabled);
}

Timer::~Timer()
{
    *m_alive = false;
    if (m_id)
        m_service.stop(m_id);
}

void Timer::setEnabled(bool enabled)
{
    if (enabled == m_enabled)
        return;
    m_enabled = enabled;
    if (m_suspended && enabled)
        m_missedSince = m_service.now();
    restart();
}

void Timer::suspend()
{
    if (m_suspended)
        return;
    m_suspended = true;
    m_missedSince = m_service.now();
    restart();
}

std::int64_t Timer::resume()
{
    if (!m_suspended)
        return 0;
    m_suspended = false;
    const std::int64_t missed =
        m_enabled && m_interval > 0 ? (m_service.now() - m_missedSince) / period() : 0;
    restart();
    return missed;
}

int Timer::period() const
{
    return std::max(m_interval, kShortestPeriodMs);
}

void Timer::setInterval(int ms)
{
    m_interval = ms;
    restart();
}

std::int64_t Timer::periodsPassed()
{
    if (!m_enabled || m_suspended || m_interval <= 0)
        return 0;
    const std::int64_t periods = (m_service.now() - m_countedTo) / period();
    m_countedTo += periods * period();
    return periods;
}

void Timer::restart()
{
    if (m_id) {
        m_service.stop(m_id);
        m_id = 0;
    }
    if (!m_enabled || m_suspended || m_interval <= 0)
        return;
    std::weak_ptr<bool> alive = m_alive;
    m_countedTo = m_service.now();
    m_id = m_service.start(period(), [this, alive] {
        if (alive.lock() && m_handler)
            m_handler();
    });
}

} // namespace platform
