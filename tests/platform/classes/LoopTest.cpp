#include <gmock/gmock.h>

#include <atomic>
#include <future>
#include <thread>
#include <vector>

#include "platform/classes/Application.h"
#include "platform/classes/MessageLoop.h"
#include "platform/classes/Timers.h"
#include "platform/win32/Synch.h"

namespace {

// Timers measured on the test clock; errors from callbacks collected instead of shown.
class LoopTest : public ::testing::Test {
protected:
    void SetUp() override {
        SetTestTickCount(1000);
        app.SetOnException(TExceptionEvent::Bind<&LoopTest::Collect>(this));
    }
    void TearDown() override {
        for (UINT id : timers)
            StopTimer(id);
        UseRealTickCount();
    }
    // The main loop outlives the test: every timer started here is stopped at its end.
    UINT Start(DWORD period, std::function<void()> callback) {
        timers.push_back(StartTimer(period, std::move(callback)));
        return timers.back();
    }
    void Collect(TObject*, const Exception& e) { errors.push_back(e.Message); }
    void Advance(DWORD ms) {
        AdvanceTestTickCount(ms);
        app.ProcessMessages();
    }

    TApplication app;
    std::vector<AnsiString> errors;
    std::vector<UINT> timers;
};

TEST_F(LoopTest, TimerTicksOncePerElapsedPeriodAndOnceForManyMissedPeriods) {
    int ticks = 0;
    UINT id = Start(100, [&] { ++ticks; });
    Advance(99);
    EXPECT_EQ(ticks, 0);
    Advance(1);
    EXPECT_EQ(ticks, 1);
    Advance(99);
    EXPECT_EQ(ticks, 1); // the period restarts at the tick
    Advance(1000);
    EXPECT_EQ(ticks, 2); // missed periods collapse into one tick
    EXPECT_TRUE(StopTimer(id));
    Advance(1000);
    EXPECT_EQ(ticks, 2);
    EXPECT_FALSE(StopTimer(id));
}

TEST_F(LoopTest, TimerSurvivesTheTickCounterWrap) {
    SetTestTickCount(0xFFFFFFF0u);
    int ticks = 0;
    Start(100, [&] { ++ticks; });
    Advance(50); // counter wrapped past zero
    EXPECT_EQ(ticks, 0);
    Advance(50);
    EXPECT_EQ(ticks, 1);
}

TEST_F(LoopTest, ZeroPeriodIsClampedSoProcessMessagesEnds) {
    int ticks = 0;
    Start(0, [&] { ++ticks; });
    Advance(USER_TIMER_MINIMUM - 1);
    EXPECT_EQ(ticks, 0);
    Advance(1);
    EXPECT_EQ(ticks, 1);
}

TEST_F(LoopTest, ThrowingTimerIsReportedAndKeepsTicking) {
    int ticks = 0;
    Start(10, [&] {
        ++ticks;
        throw Exception("tick failed");
    });
    Advance(10);
    Advance(10);
    EXPECT_EQ(ticks, 2);
    EXPECT_THAT(errors, ::testing::ElementsAre("tick failed", "tick failed"));
}

TEST_F(LoopTest, CallbackMayStopAnotherDueTimerOrItself) {
    int firstTicks = 0, secondTicks = 0;
    UINT second = 0;
    UINT first = Start(10, [&] {
        ++firstTicks;
        StopTimer(second);
    });
    second = Start(10, [&] { ++secondTicks; });
    Advance(10); // both due; the first stops the second before its turn
    EXPECT_EQ(firstTicks, 1);
    EXPECT_EQ(secondTicks, 0);

    UINT self = 0;
    int selfTicks = 0;
    self = Start(10, [&] {
        ++selfTicks;
        StopTimer(self);
    });
    Advance(10);
    Advance(10);
    EXPECT_EQ(selfTicks, 1);
    StopTimer(first);
}

TEST_F(LoopTest, TimerTicksOnlyOnTheThreadThatCreatedIt) {
    std::atomic<int> ticks = 0;
    std::atomic<bool> created = false, mainProcessed = false, stop = false;
    std::atomic<DWORD> tickedOn = 0;
    DWORD workerId = 0;
    std::thread worker([&] {
        workerId = GetCurrentThreadId();
        auto& loop = TMessageLoop::Current();
        loop.StartTimer(10, [&] {
            ++ticks;
            tickedOn = GetCurrentThreadId();
        });
        created = true;
        while (!mainProcessed)
            std::this_thread::yield();
        while (!stop)
            loop.ProcessPending();
    });
    while (!created)
        std::this_thread::yield();
    Advance(20); // the main loop must not tick the worker's timer
    EXPECT_EQ(ticks, 0);
    mainProcessed = true;
    while (ticks == 0)
        std::this_thread::yield();
    stop = true;
    worker.join();
    EXPECT_EQ(tickedOn, workerId);
}

TEST_F(LoopTest, CallbacksPostedFromOtherThreadsRunOnTheLoopInOrder) {
    std::vector<int> order;
    std::atomic<int> offMain = 0;
    DWORD mainId = GetCurrentThreadId();
    std::thread poster([&] {
        for (int i = 0; i < 5; ++i)
            TMessageLoop::Main().Post([&, i] {
                offMain += GetCurrentThreadId() != mainId;
                order.push_back(i);
                if (i == 2)
                    throw Exception("third failed");
            });
    });
    poster.join();
    app.ProcessMessages();
    EXPECT_THAT(order, ::testing::ElementsAre(0, 1, 2, 3, 4));
    EXPECT_EQ(offMain, 0);
    EXPECT_THAT(errors, ::testing::ElementsAre("third failed"));
}

TEST_F(LoopTest, RunWakesForWorkPostedFromAnotherThreadAndForTerminate) {
    std::promise<void> started;
    int ran = 0;
    std::thread poster([&] {
        started.get_future().wait();
        TMessageLoop::Main().Post([&] { ++ran; });
        TMessageLoop::Main().Post([&] { app.Terminate(); });
    });
    TMessageLoop::Main().Post([&] { started.set_value(); });
    app.Run(); // idles in its wait until the posts arrive
    poster.join();
    EXPECT_EQ(ran, 1);
}

TEST(LoopRealClock, RunTicksTimersUntilTerminated) {
    TApplication app;
    int ticks = 0;
    UINT id = StartTimer(10, [&] {
        if (++ticks == 3)
            app.Terminate();
    });
    app.Run();
    StopTimer(id);
    EXPECT_EQ(ticks, 3);
}

} // namespace
