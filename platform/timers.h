#pragma once

#include <cstdint>
#include <functional>
#include <memory>

namespace platform
{

// The shortest period a timer ticks at, like the desktop timers of the original platform: a
// 1-ms timer ticks about 60 times a second. It sets the flash rhythm and animation speed.
inline constexpr int kShortestPeriodMs = 16;

// Where periodic ticks come from: the event loop in the program, a virtual clock in tests.
class TimerService
{
public:
    virtual ~TimerService() = default;
    // Starts a periodic tick; the first comes one period from now. Returns its id.
    virtual int start(int periodMs, std::function<void()> tick) = 0;
    virtual void stop(int id) = 0;
    // Milliseconds on a clock that only moves forward and runs on while the machine sleeps
    // (CLOCK_BOOTTIME on Linux). A period of a second or more keeps its rhythm: after a stall
    // the tick that fell due comes once, late, and the next comes on the beat again.
    virtual std::int64_t now() const = 0;
};

// A window timer: interval and enabled flag; ticks arrive from the event loop, never inside
// another handler.
class Timer
{
public:
    Timer(TimerService &service, int intervalMs, bool enabled);
    ~Timer();
    Timer(const Timer &) = delete;
    Timer &operator=(const Timer &) = delete;

    void setHandler(std::function<void()> handler) { m_handler = std::move(handler); }
    bool isEnabled() const { return m_enabled; }
    void setEnabled(bool enabled);
    int interval() const { return m_interval; }
    void setInterval(int ms);

    // Whole periods passed on the service's clock since the timer was enabled, less those an
    // earlier call took: 1 at a tick on time, more at a tick that comes late.
    std::int64_t periodsPassed();

    // A suspended timer keeps its enabled flag but does not tick, so it costs nothing. resume()
    // returns how many ticks it would have had meanwhile while enabled.
    void suspend();
    std::int64_t resume();
    bool isSuspended() const { return m_suspended; }

private:
    void restart();
    int period() const;

    TimerService &m_service;
    std::function<void()> m_handler;
    int m_interval;
    bool m_enabled = false;
    int m_id = 0;
    bool m_suspended = false;
    std::int64_t m_missedSince = 0; // while suspended and enabled: since when
    std::int64_t m_countedTo = 0;   // where periodsPassed() last left off
    // Tells a tick in flight that this timer has gone.
    std::shared_ptr<bool> m_alive = std::make_shared<bool>(true);
};

} // namespace platform
