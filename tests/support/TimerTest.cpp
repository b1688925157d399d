#include "support/Timer.h"

#include <gtest/gtest.h>

#include "platform/classes/MessageLoop.h"
#include "platform/win32/Synch.h"

namespace {
struct Counter {
    int ticks = 0;
    bool fail = false;
    TObject* sender = nullptr;
    void OnTimer(TObject* s) {
        ++ticks;
        sender = s;
        if (fail)
            throw Exception("tick failed");
    }
    void OnOther(TObject*) { ticks += 100; }
};

// Drives the loop of this thread with the test clock: advance, then process.
class TimerTest : public ::testing::Test {
protected:
    void SetUp() override { SetTestTickCount(1000); }
    void TearDown() override { UseRealTickCount(); }
    void Pass(DWORD ms) {
        AdvanceTestTickCount(ms);
        TMessageLoop::Current().ProcessPending();
    }
    Counter counter;
    TNotifyEvent onTimer = TNotifyEvent::Bind<&Counter::OnTimer>(&counter);
};
} // namespace

TEST_F(TimerTest, NeedsAHandlerAndTicksWithTheDefaultSecond) {
    TnrTimer timer;
    EXPECT_EQ(timer.GetInterval(), 1000u);
    EXPECT_TRUE(timer.GetEnabled());
    Pass(5000);
    EXPECT_EQ(counter.ticks, 0); // no handler: stopped

    timer.SetOnTimer(onTimer);
    Pass(999);
    EXPECT_EQ(counter.ticks, 0);
    Pass(1);
    EXPECT_EQ(counter.ticks, 1);
    EXPECT_EQ(counter.sender, &timer);
    Pass(1000);
    EXPECT_EQ(counter.ticks, 2);
}

TEST_F(TimerTest, IntervalZeroOrDisabledStops) {
    TnrTimer timer;
    timer.SetOnTimer(onTimer);
    timer.SetInterval(0);
    Pass(5000);
    EXPECT_EQ(counter.ticks, 0);
    timer.SetInterval(200);
    timer.SetEnabled(false);
    Pass(1000);
    EXPECT_EQ(counter.ticks, 0);
    timer.SetEnabled(true);
    Pass(200);
    EXPECT_EQ(counter.ticks, 1);
}

TEST_F(TimerTest, OnlyARealChangeRestartsThePeriod) {
    TnrTimer timer;
    timer.SetInterval(500);
    timer.SetOnTimer(onTimer);
    Pass(300);
    timer.SetInterval(500); // same value: the period runs on
    Pass(200);
    EXPECT_EQ(counter.ticks, 1);

    Pass(300);
    timer.SetOnTimer(onTimer); // setting the handler always restarts
    Pass(200);
    EXPECT_EQ(counter.ticks, 1);
    Pass(300);
    EXPECT_EQ(counter.ticks, 2);

    timer.SetOnTimer(TNotifyEvent::Bind<&Counter::OnOther>(&counter));
    Pass(500);
    EXPECT_EQ(counter.ticks, 102);
}

TEST_F(TimerTest, AFailingHandlerDoesNotStopLaterTicks) {
    TnrTimer timer;
    timer.SetInterval(100);
    counter.fail = true;
    timer.SetOnTimer(onTimer);
    Pass(100);
    Pass(100);
    Pass(100);
    EXPECT_EQ(counter.ticks, 3);
}

TEST_F(TimerTest, DestroyedTimerNeverTicks) {
    {
        TnrTimer timer;
        timer.SetInterval(100);
        timer.SetOnTimer(onTimer);
    }
    Pass(1000);
    EXPECT_EQ(counter.ticks, 0);
}
