#include <gmock/gmock.h>

#include <atomic>
#include <future>
#include <vector>

#include "platform/classes/Application.h"
#include "platform/classes/Thread.h"
#include "platform/win32/Synch.h"

namespace {

// Runs a function as its Execute.
class TLambdaThread : public TThread {
public:
    TLambdaThread(bool suspended, std::function<void(TLambdaThread&)> body,
                  std::promise<void>* destroyed = nullptr)
        : TThread(suspended), body_(std::move(body)), destroyed_(destroyed) {}
    ~TLambdaThread() override {
        if (destroyed_)
            destroyed_->set_value();
    }
    using TThread::GetTerminated;
    using TThread::SetReturnValue;

protected:
    void Execute() override { body_(*this); }

private:
    std::function<void(TLambdaThread&)> body_;
    std::promise<void>* destroyed_;
};

template <class Body> std::unique_ptr<TLambdaThread> Running(Body body) {
    return std::unique_ptr<TLambdaThread>(TThread::Create<TLambdaThread>(false, body));
}

void SpinUntil(const std::atomic<bool>& flag) {
    while (!flag)
        Sleep(1);
}

TEST(ThreadLifecycle, WaitForReturnsExitCodeAndHandleSignalsTheEnd) {
    std::atomic<bool> release = false;
    auto thread = Running([&](TLambdaThread& self) {
        SpinUntil(release);
        self.SetReturnValue(42);
    });
    EXPECT_EQ(WaitForSingleObject(thread->GetHandle(), 0), WAIT_TIMEOUT);
    release = true;
    EXPECT_EQ(thread->WaitFor(), 42u);
    EXPECT_EQ(WaitForSingleObject(thread->GetHandle(), 0), WAIT_OBJECT_0);
    EXPECT_TRUE(thread->GetFinished());
}

TEST(ThreadLifecycle, SuspendedThreadRunsOnlyAfterStartAndStartsOnce) {
    std::atomic<int> runs = 0;
    auto thread = std::make_unique<TLambdaThread>(true, [&](TLambdaThread&) { ++runs; });
    EXPECT_TRUE(thread->GetSuspended());
    EXPECT_THROW(thread->WaitFor(), EThread);
    EXPECT_EQ(WaitForSingleObject(thread->GetHandle(), 10), WAIT_TIMEOUT);
    EXPECT_EQ(runs, 0);
    thread->Resume();
    EXPECT_THROW(thread->Start(), EThread);
    thread->Resume(); // already running: left alone
    thread->WaitFor();
    EXPECT_EQ(runs, 1);
}

TEST(ThreadLifecycle, ThreadIdIsTheIdTheThreadSeesForItself) {
    std::atomic<DWORD> seen = 0;
    auto thread = Running([&](TLambdaThread&) { seen = GetCurrentThreadId(); });
    thread->WaitFor();
    EXPECT_EQ(thread->GetThreadID(), seen.load());
    EXPECT_NE(thread->GetThreadID(), GetCurrentThreadId());
}

TEST(ThreadLifecycle, ExceptionInExecuteIsCapturedAndTheThreadEnds) {
    auto thread = Running([](TLambdaThread& self) {
        self.SetReturnValue(7);
        throw Exception("boom");
    });
    EXPECT_EQ(thread->WaitFor(), 7u);
    ASSERT_TRUE(thread->GetFatalException());
    EXPECT_THROW(std::rethrow_exception(thread->GetFatalException()), Exception);
}

TEST(ThreadLifecycle, DestroyingTerminatesAndWaitsButNeverStartsASuspendedThread) {
    std::atomic<bool> sawTerminate = false;
    auto running = Running([&](TLambdaThread& self) {
        while (!self.GetTerminated())
            Sleep(1);
        sawTerminate = true;
    });
    running.reset(); // Execute still uses the derived object while it is being deleted
    EXPECT_TRUE(sawTerminate);

    std::atomic<bool> ran = false;
    auto suspended = std::make_unique<TLambdaThread>(true, [&](TLambdaThread&) { ran = true; });
    suspended.reset();
    EXPECT_FALSE(ran);
}

TEST(ThreadLifecycle, FreeOnTerminateThreadFreesItselfAndRefusesWaitFor) {
    std::promise<void> destroyed;
    std::atomic<bool> release = false;
    auto* thread = new TLambdaThread(
        true, [&](TLambdaThread&) { SpinUntil(release); }, &destroyed);
    thread->SetFreeOnTerminate(true);
    thread->Start();
    EXPECT_THROW(thread->WaitFor(), EThread);
    release = true;
    destroyed.get_future().wait();
}

TEST(ThreadLifecycle, DetachedThreadKeepsRunningAndFreesItselfAtItsEnd) {
    std::promise<void> destroyed;
    std::atomic<bool> release = false;
    std::atomic<bool> finishedWork = false;
    auto* thread = new TLambdaThread(
        false,
        [&](TLambdaThread&) {
            SpinUntil(release);
            finishedWork = true;
        },
        &destroyed);
    thread->AfterConstruction();
    thread->Detach();
    release = true;
    destroyed.get_future().wait();
    EXPECT_TRUE(finishedWork);
}

TEST(Synchronize, RunsOnTheMainThreadFromSeveralThreadsWhileMainWaitsInWaitFor) {
    constexpr int threads = 4, callsEach = 50;
    int counter = 0; // plain int: every increment must happen on the main thread
    std::atomic<int> offMain = 0;
    DWORD mainId = GetCurrentThreadId();
    std::vector<std::unique_ptr<TLambdaThread>> workers;
    for (int i = 0; i < threads; ++i)
        workers.push_back(Running([&](TLambdaThread& self) {
            for (int call = 0; call < callsEach; ++call)
                self.Synchronize([&] {
                    offMain += GetCurrentThreadId() != mainId;
                    ++counter;
                });
        }));
    for (auto& worker : workers)
        worker->WaitFor();
    EXPECT_EQ(counter, threads * callsEach);
    EXPECT_EQ(offMain, 0);
}

TEST(Synchronize, ServedByProcessMessagesAndByTheRunLoop) {
    TApplication app;
    constexpr int threads = 3, callsEach = 20;
    int counter = 0;
    std::vector<std::unique_ptr<TLambdaThread>> workers;
    auto spawn = [&] {
        for (int i = 0; i < threads; ++i)
            workers.push_back(Running([&](TLambdaThread& self) {
                for (int call = 0; call < callsEach; ++call)
                    self.Synchronize([&] {
                        if (++counter == 2 * threads * callsEach)
                            app.Terminate();
                    });
            }));
    };
    spawn();
    auto allFinished = [&] {
        for (auto& worker : workers)
            if (!worker->GetFinished())
                return false;
        return true;
    };
    while (!allFinished())
        app.ProcessMessages();
    EXPECT_EQ(counter, threads * callsEach);

    spawn();
    app.Run(); // the last call terminates the loop
    EXPECT_EQ(counter, 2 * threads * callsEach);
}

TEST(Synchronize, CallOnTheMainThreadRunsDirectlyAndErrorsReachTheCaller) {
    bool ran = false;
    TThread::Synchronize(nullptr, [&] { ran = true; });
    EXPECT_TRUE(ran);

    std::atomic<bool> caught = false;
    auto thread = Running([&](TLambdaThread& self) {
        try {
            self.Synchronize([] { throw Exception("in the UI thread"); });
        } catch (const Exception& e) {
            caught = e.Message == "in the UI thread";
        }
    });
    thread->WaitFor();
    EXPECT_TRUE(caught);
}

TEST(Synchronize, NoDeadlockWhenTheUiThreadEndsAThreadWhoseCallIsPending) {
    std::atomic<bool> aboutToSync = false;
    bool served = false;
    auto thread = Running([&](TLambdaThread& self) {
        aboutToSync = true;
        self.Synchronize([&] { served = true; });
        while (!self.GetTerminated())
            Sleep(1);
    });
    SpinUntil(aboutToSync);
    thread.reset(); // Terminate + wait on the main thread: must serve the pending call
    EXPECT_TRUE(served);
}

TEST(Synchronize, PlainHandleWaitOnTheMainThreadServesPendingCalls) {
    bool served = false;
    auto thread = Running([&](TLambdaThread& self) { self.Synchronize([&] { served = true; }); });
    EXPECT_EQ(WaitForSingleObject(thread->GetHandle(), INFINITE), WAIT_OBJECT_0);
    EXPECT_TRUE(served);
}

TEST(Synchronize, OnTerminateRunsOnTheMainThreadAfterExecuteWhileMainWaits) {
    struct TWatcher {
        DWORD ranOn = 0;
        void Ended(TObject*) { ranOn = GetCurrentThreadId(); }
    } watcher;
    auto thread = std::make_unique<TLambdaThread>(true, [](TLambdaThread&) {});
    thread->SetOnTerminate(TNotifyEvent::Bind<&TWatcher::Ended>(&watcher));
    thread->Start();
    thread->WaitFor(); // would hang if the ending call were not served here
    EXPECT_EQ(watcher.ranOn, GetCurrentThreadId());
}

} // namespace
