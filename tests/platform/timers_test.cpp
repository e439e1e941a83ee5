#include "platform/qttimerservice.h"
#include "platform/timers.h"
#include "tests/support/virtualclock.h"

#include <QStringList>
#include <QTest>
#include <gtest/gtest.h>

using platform::Timer;
using platform::VirtualClock;

TEST(VirtualClock, FiresDueTicksInTimeOrderAndOneMillisecondMeansTheShortestPeriod)
{
    VirtualClock clock;
    QStringList order;
    Timer fast(clock, 1, true);
    Timer second(clock, 1000, true);
    fast.setHandler([&] { order << QString::number(clock.now()); });
    second.setHandler([&] { order << QStringLiteral("sec@%1").arg(clock.now()); });
    clock.advance(47);
    EXPECT_EQ(order, (QStringList{"16", "32"}));
    order.clear();
    clock.advance(1000 - 47);
    // Fast ticks at 48, 64, ..., 992 (60 of them), then the 1-s tick at 1000.
    EXPECT_EQ(order.last(), "sec@1000");
    EXPECT_EQ(order.at(order.count() - 2), "992");
    EXPECT_EQ(order.count(), 60 + 1);
}

TEST(VirtualClock, ATickMayStopOrDestroyTimersAndRestartsCountFromNow)
{
    VirtualClock clock;
    int aTicks = 0, bTicks = 0;
    Timer a(clock, 100, true);
    Timer b(clock, 100, true);
    auto victim = std::make_unique<Timer>(clock, 100, true);
    victim->setHandler([] { ADD_FAILURE() << "a destroyed timer fired"; });
    a.setHandler([&] {
        ++aTicks;
        a.setEnabled(false);
        b.setEnabled(false);
        victim.reset();
    });
    b.setHandler([&] { ++bTicks; });
    clock.advance(1000);
    EXPECT_EQ(aTicks, 1);
    EXPECT_EQ(bTicks, 0); // due at the same moment, but stopped or gone before their turn
    EXPECT_EQ(clock.activeTimers(), 0);

    clock.advance(50);
    b.setEnabled(true); // first tick one period after enabling
    clock.advance(99);
    EXPECT_EQ(bTicks, 0);
    clock.advance(1);
    EXPECT_EQ(bTicks, 1);
    b.setEnabled(true); // enabling an enabled timer does not restart it
    clock.advance(100);
    EXPECT_EQ(bTicks, 2);
}

TEST(QtTimerService, TimersTickOnTheirBeatOrLaterNeverBefore)
{
    // Against the service's own clock: a loaded machine only makes ticks later, while a timer
    // that ran fast, or drifted ahead of its start, ticks before its beat. Periods under a
    // second share a coarse timer, which may fire up to 5 % early.
    for (const int period : {100, 1000}) {
        platform::QtTimerService service;
        const std::int64_t from = service.now();
        std::vector<std::int64_t> at;
        service.start(period, [&] { at.push_back(service.now() - from); });
        ASSERT_TRUE(QTest::qWaitFor([&] { return at.size() >= 2; }, 60000));
        const int early = period < 1000 ? period / 20 + 1 : 0;
        EXPECT_TRUE(at[0] >= period - early && at[1] >= 2 * (period - early))
            << period << ": " << at[0] << " ms, " << at[1] << " ms";
    }
}
