#include "desktop/window_timers.h"

#include <gtest/gtest.h>

#include <QWidget>
#include <map>

#include "../platform_window/qt_test_util.h"
#include "desktop/window_hook.h"

namespace quillon::desktop {
namespace {

using testing::RunEventLoop;

class CountingTimers : public WindowTimers {
public:
    void TimerFired(std::int32_t number) override { ++fired[number]; }
    std::map<std::int32_t, int> fired;
};

TEST(WindowTimers, NumbersAssignedAndExplicit) {
    QWidget window;
    CountingTimers timers;
    timers.Init(&window);
    EXPECT_EQ(timers.AddTimer(0, 1000, false, true), 1) << "first assigned number";
    EXPECT_EQ(timers.AddTimer(7, 1000, false, false), 0) << "explicit: 0 is success";
    EXPECT_EQ(timers.AddTimer(0, 1000, false, true), 8) << "highest plus one";
    EXPECT_EQ(timers.TIMERS().size(), 3u);
}

TEST(WindowTimers, AddingARunningNumberReplacesIt) {
    QWidget window;
    CountingTimers timers;
    timers.Init(&window);
    ASSERT_EQ(timers.AddTimer(4, 5000, false, false), 0);
    ASSERT_EQ(timers.AddTimer(4, 10, false, false), 0);
    ASSERT_EQ(timers.TIMERS().size(), 1u);
    EXPECT_EQ(timers.Timer(4)->TIMERDURATION, 10);
    RunEventLoop(120);
    EXPECT_GE(timers.fired[4], 2) << "the platform timer runs at the new interval";
}

TEST(WindowTimers, AOneShotFiresOnceAndRecordsWhen) {
    QWidget window;
    CountingTimers timers;
    timers.SetClock([] { return 4242; });
    timers.Init(&window);
    ASSERT_EQ(timers.AddTimer(3, 10, true, false), 0);
    EXPECT_EQ(timers.Timer(3)->TIMERENDAT, 0);
    RunEventLoop(100);
    EXPECT_EQ(timers.fired[3], 1);
    ASSERT_NE(timers.Timer(3), nullptr) << "the record stays";
    EXPECT_EQ(timers.Timer(3)->TIMERENDAT, 4242);
    EXPECT_EQ(timers.Timer(3)->TIMERSTARTAT, 4242);
}

TEST(WindowTimers, WithoutAWindowNothingStarts) {
    CountingTimers timers;
    timers.Init(nullptr);
    EXPECT_EQ(timers.AddTimer(4, 10, false, false), 1);
    EXPECT_TRUE(timers.TIMERS().empty());
}

TEST(WindowTimers, TheLastInitOnAThreadReceivesItsTicks) {
    QWidget window;
    CountingTimers first;
    CountingTimers second;
    first.Init(&window);
    first.AddTimer(4, 10, false, false);
    second.Init(&window);
    EXPECT_EQ(WindowTimers::CurrentOwner(), &second);
    RunEventLoop(60);
    EXPECT_EQ(first.fired[4], 0);
    EXPECT_EQ(second.fired[4], 0) << "a tick without a record of the owner is ignored";
    second.AddTimer(4, 10, false, false);
    RunEventLoop(60);
    EXPECT_GE(second.fired[4], 1);
}

TEST(WindowTimers, TimersEndWithTheirWindow) {
    CountingTimers timers;
    {
        QWidget window;
        timers.Init(&window);
        timers.AddTimer(4, 10, false, false);
    }
    RunEventLoop(40);
    EXPECT_EQ(timers.fired[4], 0);
}

TEST(WindowTimers, ATimerWithoutProcedureTicksAsAMessage) {
    QWidget window;
    class TickHook : public WindowHook {
    public:
        LResult TakeMessage(QWidget* w, std::uint32_t m, WParam wp, LParam lp) override {
            if (m == msg::kTimer && wp == 2) {
                ++ticks;
            }
            return PassOn(w, m, wp, lp);
        }
        int ticks = 0;
    } hook;
    hook.Attach(&window, 0, true);
    ASSERT_NE(SetWindowTimer(&window, 2, 10), 0);
    RunEventLoop(60);
    KillWindowTimer(&window, 2);
    const int ticks = hook.ticks;
    EXPECT_GE(ticks, 1);
    RunEventLoop(40);
    EXPECT_EQ(hook.ticks, ticks);
}

}  // namespace
}  // namespace quillon::desktop
