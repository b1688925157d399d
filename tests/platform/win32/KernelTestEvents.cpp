#include <gmock/gmock.h>

#include <atomic>
#include <thread>
#include <vector>

#include "platform/win32/Synch.h"

namespace {
// Threads that each wait once on a set of handles and record what the wait returned.
class Waiters {
public:
    Waiters(HANDLE event, int count) : event_(event), count_(count) {
        for (int i = 0; i < count; ++i)
            threads_.emplace_back([this] {
                DWORD result = WaitForSingleObject(event_, INFINITE);
                results_[taken_++] = result;
                ++released_;
            });
    }
    ~Waiters() {
        for (auto& thread : threads_)
            thread.join();
    }
    // How many waits returned, once every thread has either left the event or still
    // waits on it (a woken thread needs a moment to record its result).
    int Released() const {
        while (released_ + static_cast<int>(EventWaiterCount(event_)) != count_)
            std::this_thread::yield();
        return released_;
    }
    DWORD Result(int i) const { return results_[i]; }

private:
    HANDLE event_;
    int count_;
    std::atomic<int> taken_{0};
    std::atomic<int> released_{0};
    DWORD results_[8] = {};
    std::vector<std::thread> threads_;
};

void AwaitWaiters(HANDLE event, DWORD count) {
    while (EventWaiterCount(event) != count)
        std::this_thread::yield();
}

class EventTest : public ::testing::Test {
protected:
    HANDLE Create(bool manualReset, bool initialState) {
        HANDLE event = CreateEventA(nullptr, manualReset, initialState, nullptr);
        handles_.push_back(event);
        return event;
    }
    void TearDown() override {
        for (HANDLE handle : handles_)
            CloseHandle(handle);
    }
    std::vector<HANDLE> handles_;
};
} // namespace

TEST_F(EventTest, InitialStateAndAutoResetConsumption) {
    HANDLE manual = Create(true, true);
    HANDLE autoReset = Create(false, true);
    EXPECT_EQ(WaitForSingleObject(manual, 0), WAIT_OBJECT_0);
    EXPECT_EQ(WaitForSingleObject(manual, 0), WAIT_OBJECT_0);
    EXPECT_EQ(WaitForSingleObject(autoReset, 0), WAIT_OBJECT_0);
    EXPECT_EQ(WaitForSingleObject(autoReset, 0), WAIT_TIMEOUT);
    ASSERT_TRUE(ResetEvent(manual));
    EXPECT_EQ(WaitForSingleObject(manual, 0), WAIT_TIMEOUT);
}

TEST_F(EventTest, ManualResetReleasesAllWaitersAndStaysSignalled) {
    HANDLE event = Create(true, false);
    {
        Waiters waiters(event, 3);
        AwaitWaiters(event, 3);
        ASSERT_TRUE(SetEvent(event));
    }
    EXPECT_EQ(WaitForSingleObject(event, 0), WAIT_OBJECT_0);
}

TEST_F(EventTest, AutoResetReleasesOneWaiterPerSet) {
    HANDLE event = Create(false, false);
    Waiters waiters(event, 2);
    AwaitWaiters(event, 2);
    ASSERT_TRUE(SetEvent(event));
    AwaitWaiters(event, 1);
    EXPECT_EQ(waiters.Released(), 1);
    EXPECT_EQ(WaitForSingleObject(event, 0), WAIT_TIMEOUT);
    ASSERT_TRUE(SetEvent(event));
    AwaitWaiters(event, 0);
}

TEST_F(EventTest, PulseWithoutWaitersLeavesEventNonSignalled) {
    HANDLE manual = Create(true, false);
    HANDLE autoReset = Create(false, false);
    ASSERT_TRUE(PulseEvent(manual));
    ASSERT_TRUE(PulseEvent(autoReset));
    EXPECT_EQ(WaitForSingleObject(manual, 0), WAIT_TIMEOUT);
    EXPECT_EQ(WaitForSingleObject(autoReset, 0), WAIT_TIMEOUT);

    HANDLE signalled = Create(true, true);
    ASSERT_TRUE(PulseEvent(signalled));
    EXPECT_EQ(WaitForSingleObject(signalled, 0), WAIT_TIMEOUT);
}

TEST_F(EventTest, PulseOnManualResetReleasesEveryCurrentWaiter) {
    HANDLE event = Create(true, false);
    {
        Waiters waiters(event, 3);
        AwaitWaiters(event, 3);
        ASSERT_TRUE(PulseEvent(event));
    }
    EXPECT_EQ(WaitForSingleObject(event, 0), WAIT_TIMEOUT);
}

TEST_F(EventTest, PulseOnAutoResetReleasesExactlyOneWaiter) {
    HANDLE event = Create(false, false);
    Waiters waiters(event, 2);
    AwaitWaiters(event, 2);
    ASSERT_TRUE(PulseEvent(event));
    AwaitWaiters(event, 1);
    EXPECT_EQ(waiters.Released(), 1);
    EXPECT_EQ(waiters.Result(0), WAIT_OBJECT_0);
    EXPECT_EQ(WaitForSingleObject(event, 0), WAIT_TIMEOUT);
    ASSERT_TRUE(SetEvent(event));
}

TEST_F(EventTest, WaitTimesOutUnlessSignalledMeanwhile) {
    HANDLE event = Create(true, false);
    EXPECT_EQ(WaitForSingleObject(event, 20), WAIT_TIMEOUT);
    std::thread setter([event] {
        AwaitWaiters(event, 1);
        SetEvent(event);
    });
    EXPECT_EQ(WaitForSingleObject(event, INFINITE), WAIT_OBJECT_0);
    setter.join();
}

TEST_F(EventTest, ClosedOrForeignHandlesFail) {
    HANDLE event = CreateEventA(nullptr, TRUE, FALSE, "named");
    ASSERT_NE(event, nullptr);
    ASSERT_TRUE(CloseHandle(event));
    SetLastError(0);
    EXPECT_EQ(WaitForSingleObject(event, 0), WAIT_FAILED);
    EXPECT_EQ(GetLastError(), ERROR_INVALID_HANDLE);
    EXPECT_FALSE(SetEvent(event));
    EXPECT_FALSE(PulseEvent(INVALID_HANDLE_VALUE));
    EXPECT_EQ(GetLastError(), ERROR_INVALID_HANDLE);
}

TEST_F(EventTest, WaitForMultipleObjectsAnyAndAll) {
    HANDLE first = Create(false, false);
    HANDLE second = Create(false, true);
    HANDLE both[] = {first, second};
    EXPECT_EQ(WaitForMultipleObjects(2, both, FALSE, 0), WAIT_OBJECT_0 + 1);
    EXPECT_EQ(WaitForMultipleObjects(2, both, FALSE, 10), WAIT_TIMEOUT);

    // Waiting for all must not consume the one that is ready while the other is not.
    SetEvent(second);
    EXPECT_EQ(WaitForMultipleObjects(2, both, TRUE, 10), WAIT_TIMEOUT);
    EXPECT_EQ(WaitForSingleObject(second, 0), WAIT_OBJECT_0);
    SetEvent(first);
    SetEvent(second);
    EXPECT_EQ(WaitForMultipleObjects(2, both, TRUE, 0), WAIT_OBJECT_0);
    EXPECT_EQ(WaitForMultipleObjects(2, both, FALSE, 0), WAIT_TIMEOUT);

    EXPECT_EQ(WaitForMultipleObjects(0, both, FALSE, 0), WAIT_FAILED);
    EXPECT_EQ(GetLastError(), ERROR_INVALID_PARAMETER);
}

// Windows refuses a wait for all that names one object twice (ERROR_INVALID_PARAMETER);
// waiting for any of them is allowed.
TEST_F(EventTest, WaitForAllRefusesTheSameObjectTwice) {
    HANDLE event = Create(true, true);
    HANDLE twice[] = {event, event};
    EXPECT_EQ(WaitForMultipleObjects(2, twice, TRUE, 0), WAIT_FAILED);
    EXPECT_EQ(GetLastError(), ERROR_INVALID_PARAMETER);
    EXPECT_EQ(WaitForMultipleObjects(2, twice, FALSE, 0), WAIT_OBJECT_0);
}

// A named CreateEventA reports 0 for a new event, ERROR_ALREADY_EXISTS and a handle to the
// same object for an existing one; the name lives as long as a handle to it.
TEST_F(EventTest, NamedEventsAreSharedByName) {
    SetLastError(ERROR_ACCESS_DENIED);
    HANDLE first = CreateEventA(nullptr, TRUE, FALSE, "voka-named-event");
    handles_.push_back(first);
    EXPECT_EQ(GetLastError(), ERROR_SUCCESS);
    HANDLE second = CreateEventA(nullptr, FALSE, TRUE, "voka-named-event");
    handles_.push_back(second);
    EXPECT_EQ(GetLastError(), ERROR_ALREADY_EXISTS);
    EXPECT_NE(second, first);
    EXPECT_EQ(WaitForSingleObject(first, 0), WAIT_TIMEOUT); // the existing state stays
    SetEvent(second);
    EXPECT_EQ(WaitForSingleObject(first, 0), WAIT_OBJECT_0);
    EXPECT_EQ(WaitForSingleObject(first, 0), WAIT_OBJECT_0); // manual reset, from the first
    HANDLE pair[] = {first, second};
    EXPECT_EQ(WaitForMultipleObjects(2, pair, TRUE, 0), WAIT_FAILED);

    HANDLE other = CreateEventA(nullptr, TRUE, FALSE, "Voka-Named-Event");
    handles_.push_back(other);
    EXPECT_EQ(GetLastError(), ERROR_SUCCESS); // names keep their letter case
    EXPECT_EQ(WaitForSingleObject(other, 0), WAIT_TIMEOUT);

    CloseHandle(first);
    CloseHandle(second);
    handles_ = {other};
    HANDLE again = CreateEventA(nullptr, TRUE, FALSE, "voka-named-event");
    handles_.push_back(again);
    EXPECT_EQ(GetLastError(), ERROR_SUCCESS);
    EXPECT_EQ(WaitForSingleObject(again, 0), WAIT_TIMEOUT);
}
