#include "platform/qttimerservice.h"

#include <QTimer>

namespace platform
{

QtTimerService::~QtTimerService()
{
    qDeleteAll(m_timers);
}

int QtTimerService::start(int periodMs, std::function<void()> tick)
{
    auto *timer = new QTimer;
    timer->setTimerType(Qt::PreciseTimer);
    timer->setInterval(periodMs);
    QObject::connect(timer, &QTimer::timeout, timer, std::move(tick));
    const int id = m_nextId++;
    m_timers.insert(id, timer);
    timer->start();
    return id;
}

void QtTimerService::stop(int id)
{
    if (QTimer *timer = m_timers.take(id)) {
        timer->stop();
        // A timer may stop itself from inside its own tick.
        timer->deleteLater();
    }
}

} // namespace platform
