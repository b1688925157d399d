#include <gmock/gmock.h>

#include <set>
#include <thread>

#include "platform/win32/Synch.h"

namespace {
class TickTest : public ::testing::Test {
protected:
    void TearDown() override { UseRealTickCount(); }
};
} // namespace

TEST_F(TickTest, ElapsedTimeAcrossTheWrap) {
    SetTestTickCount(0xFFFFFF00u);
    DWORD start = GetTickCount();
    AdvanceTestTickCount(0x180);
    EXPECT_EQ(GetTickCount(), 0x80u);
    EXPECT_EQ(GetTickCount() - start, 0x180u);
    EXPECT_LT(GetTickCount(), start); // the raw value did wrap
}

TEST_F(TickTest, SleepMovesTheTestClockByWhatItSlept) {
    SetTestTickCount(0xFFFFFFF0u);
    DWORD start = GetTickCount();
    Sleep(0);
    EXPECT_EQ(GetTickCount(), start);
    Sleep(7);
    Sleep(25);
    EXPECT_EQ(GetTickCount() - start, 32u);
}

TEST_F(TickTest, PollingLoopEndsAtItsBoundOverTheWrap) {
    SetTestTickCount(0xFFFFFFFAu);
    DWORD start = GetTickCount();
    int polls = 0;
    while (GetTickCount() - start < 10) {
        Sleep(1);
        ++polls;
    }
    EXPECT_EQ(polls, 10);
}

TEST_F(TickTest, RealClockReturnsAfterTheTestClock) {
    SetTestTickCount(5);
    UseRealTickCount();
    DWORD before = GetTickCount();
    Sleep(3);
    EXPECT_GE(GetTickCount() - before, 3u);
}

TEST(ThreadIdTest, StablePerThreadAndDistinctAcrossThreads) {
    DWORD mine = GetCurrentThreadId();
    EXPECT_NE(mine, 0u);
    EXPECT_EQ(GetCurrentThreadId(), mine);
    std::set<DWORD> others;
    for (int i = 0; i < 3; ++i) {
        DWORD id = 0;
        std::thread([&id] { id = GetCurrentThreadId(); }).join();
        others.insert(id);
    }
    EXPECT_EQ(others.size(), 3u);
    EXPECT_EQ(others.count(mine), 0u);
}

TEST(CriticalSectionTest, RecursiveAndExclusive) {
    CRITICAL_SECTION section;
    InitializeCriticalSection(&section);
    EnterCriticalSection(&section);
    EXPECT_TRUE(TryEnterCriticalSection(&section)); // the owner may enter again
    BOOL otherGotIt = TRUE;
    std::thread([&] { otherGotIt = TryEnterCriticalSection(&section); }).join();
    EXPECT_FALSE(otherGotIt);
    LeaveCriticalSection(&section);
    std::thread([&] { otherGotIt = TryEnterCriticalSection(&section); }).join();
    EXPECT_FALSE(otherGotIt); // still held once
    LeaveCriticalSection(&section);
    std::thread([&] {
        otherGotIt = TryEnterCriticalSection(&section);
        if (otherGotIt)
            LeaveCriticalSection(&section);
    }).join();
    EXPECT_TRUE(otherGotIt);
    DeleteCriticalSection(&section);
}
