#include "platform/qttimerservice.h"

#include <QTimer>
#include <algorithm>
#include <ctime>

namespace platform
{

namespace
{
constexpr int kOwnTimerPeriodMs = 1000;
}

QtTimerService::QtTimerService() = default;

std::int64_t QtTimerService::now() const
{
    timespec t{};
    clock_gettime(CLOCK_BOOTTIME, &t);
    return std::int64_t(t.tv_sec) * 1000 + t.tv_nsec / 1000000;
}

QtTimerService::~QtTimerService()
{
    qDeleteAll(m_own);
    for (auto &entry : m_shared)
        delete entry.second.timer;
}

int QtTimerService::start(int periodMs, std::function<void()> tick)
{
    const int id = m_nextId++;
    if (periodMs >= kOwnTimerPeriodMs) {
        auto *timer = new QTimer;
        timer->setTimerType(Qt::PreciseTimer);
        timer->setSingleShot(true);
        const std::int64_t from = now();
        QObject::connect(timer, &QTimer::timeout, timer,
                         [this, timer, from, periodMs, tick = std::move(tick)] {
                             // Armed before the tick, which may stop this timer.
                             timer->start(int(periodMs - (now() - from) % periodMs));
                             tick();
                         });
        m_own.insert(id, timer);
        timer->start(periodMs);
        return id;
    }
    m_ticks[id] = {periodMs, std::move(tick)};
    Shared &shared = m_shared[periodMs];
    if (!shared.timer) {
        shared.timer = new QTimer;
        shared.timer->setTimerType(Qt::CoarseTimer);
        shared.timer->setInterval(periodMs);
        QObject::connect(shared.timer, &QTimer::timeout, shared.timer,
                         [this, periodMs] { tickShared(periodMs); });
    }
    shared.ids.push_back(id);
    if (!shared.timer->isActive())
        shared.timer->start();
    return id;
}

void QtTimerService::stop(int id)
{
    if (QTimer *timer = m_own.take(id)) {
        timer->stop();
        // A timer may stop itself from inside its own tick.
        timer->deleteLater();
        return;
    }
    const auto tick = m_ticks.find(id);
    if (tick == m_ticks.end())
        return;
    Shared &shared = m_shared[tick->second.first];
    std::erase(shared.ids, id);
    if (shared.ids.empty())
        shared.timer->stop();
    m_ticks.erase(tick);
}

void QtTimerService::tickShared(int periodMs)
{
    // A tick may stop or start timers: walk a copy, and skip those stopped meanwhile.
    const std::vector<int> ids = m_shared[periodMs].ids;
    for (int id : ids) {
        const auto tick = m_ticks.find(id);
        if (tick != m_ticks.end()) {
            auto call = tick->second.second;
            call();
        }
    }
}

} // namespace platform
