#include <gmock/gmock.h>

#include <atomic>
#include <thread>

#include "platform/win32/Messages.h"
#include "platform/win32/Synch.h"

namespace {
// A thread that creates its queue on request and then serves GetMessageA until WM_QUIT.
class QueueThread {
public:
    QueueThread() {
        thread_ = std::thread([this] {
            id_ = GetCurrentThreadId();
            idKnown_ = true;
            while (!openQueue_)
                std::this_thread::yield();
            MSG msg;
            PeekMessageA(&msg, nullptr, 0, 0, PM_NOREMOVE);
            queueOpen_ = true;
            while (GetMessageA(&msg, nullptr, 0, 0) > 0)
                received_.push_back(msg.message);
        });
        while (!idKnown_)
            std::this_thread::yield();
    }
    ~QueueThread() {
        if (thread_.joinable())
            thread_.join();
    }
    DWORD Id() const { return id_; }
    void OpenQueue() {
        openQueue_ = true;
        while (!queueOpen_)
            std::this_thread::yield();
    }
    std::vector<UINT> Join() {
        thread_.join();
        return received_;
    }

private:
    std::atomic<DWORD> id_{0};
    std::atomic<bool> idKnown_{false}, openQueue_{false}, queueOpen_{false};
    std::vector<UINT> received_;
    std::thread thread_;
};
} // namespace

TEST(ThreadMessageTest, PostingFailsUntilTheTargetHasAQueue) {
    QueueThread target;
    SetLastError(0);
    EXPECT_FALSE(PostThreadMessageA(target.Id(), WM_USER, 0, 0));
    EXPECT_EQ(GetLastError(), ERROR_INVALID_THREAD_ID);
    target.OpenQueue();
    EXPECT_TRUE(PostThreadMessageA(target.Id(), WM_USER + 1, 0, 0));
    EXPECT_TRUE(PostThreadMessageA(target.Id(), WM_QUIT, 0, 0));
    EXPECT_THAT(target.Join(), ::testing::ElementsAre(WM_USER + 1));
    // The queue ended with its thread.
    EXPECT_FALSE(PostThreadMessageA(target.Id(), WM_USER, 0, 0));
    EXPECT_EQ(GetLastError(), ERROR_INVALID_THREAD_ID);
}

TEST(ThreadMessageTest, GetMessageWaitsForAPost) {
    QueueThread target;
    target.OpenQueue();
    std::thread poster([&] {
        PostThreadMessageA(target.Id(), WM_USER + 7, 0, 0);
        PostThreadMessageA(target.Id(), WM_QUIT, 0, 0);
    });
    poster.join();
    EXPECT_THAT(target.Join(), ::testing::ElementsAre(WM_USER + 7));
}

TEST(ThreadMessageTest, FilterRangeSelectsInQueueOrder) {
    DWORD self = GetCurrentThreadId();
    MSG msg;
    PeekMessageA(&msg, nullptr, 0, 0, PM_NOREMOVE);
    ASSERT_TRUE(PostThreadMessageA(self, WM_USER, 1, 0));
    ASSERT_TRUE(PostThreadMessageA(self, 0xC001, 2, 20));
    ASSERT_TRUE(PostThreadMessageA(self, 0xC002, 3, 0));

    ASSERT_EQ(GetMessageA(&msg, nullptr, 0xC000, 0xFFFF), TRUE);
    EXPECT_EQ(msg.message, 0xC001u);
    EXPECT_EQ(msg.wParam, 2u);
    EXPECT_EQ(msg.lParam, 20);
    EXPECT_EQ(msg.hwnd, nullptr);

    EXPECT_FALSE(PeekMessageA(&msg, nullptr, WM_TIMER, WM_TIMER, PM_REMOVE));
    ASSERT_TRUE(PeekMessageA(&msg, nullptr, WM_USER, WM_USER, PM_NOREMOVE));
    EXPECT_EQ(msg.wParam, 1u);
    ASSERT_TRUE(PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE));
    EXPECT_EQ(msg.message, WM_USER); // PM_NOREMOVE left it first in line
    ASSERT_TRUE(PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE));
    EXPECT_EQ(msg.message, 0xC002u);
    EXPECT_FALSE(PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE));
}

TEST(ThreadMessageTest, QuitComesAfterWaitingMessagesAndPassesAnyFilter) {
    MSG msg;
    PeekMessageA(&msg, nullptr, 0, 0, PM_NOREMOVE);
    ASSERT_TRUE(PostThreadMessageA(GetCurrentThreadId(), 0xC005, 0, 0));
    PostQuitMessage(4);
    ASSERT_EQ(GetMessageA(&msg, nullptr, 0, 0), TRUE);
    EXPECT_EQ(msg.message, 0xC005u);
    EXPECT_EQ(GetMessageA(&msg, nullptr, 0xC000, 0xFFFF), FALSE);
    EXPECT_EQ(msg.message, WM_QUIT);
    EXPECT_EQ(msg.wParam, 4u);
    EXPECT_FALSE(PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)); // taken once only
}

TEST(ThreadMessageTest, BadArgumentsAndUnknownThreads) {
    EXPECT_EQ(GetMessageA(nullptr, nullptr, 0, 0), -1);
    EXPECT_FALSE(PostThreadMessageA(0x7FFFFFFF, WM_USER, 0, 0));
    EXPECT_EQ(GetLastError(), ERROR_INVALID_THREAD_ID);
}

TEST(RegisteredMessageTest, SameNameSameNumberIgnoringCase) {
    UINT event = RegisterWindowMessageA("reRoreMsgComEvent");
    UINT quit = RegisterWindowMessageA("reRoreMsgQuitComEvent");
    EXPECT_GE(event, 0xC000u);
    EXPECT_LE(event, 0xFFFFu);
    EXPECT_GE(quit, 0xC000u);
    EXPECT_NE(event, quit);
    EXPECT_EQ(RegisterWindowMessageA("REROREMSGCOMEVENT"), event);
    UINT fromOtherThread = 0;
    std::thread([&] { fromOtherThread = RegisterWindowMessageA("reRoreMsgComEvent"); }).join();
    EXPECT_EQ(fromOtherThread, event);
    EXPECT_EQ(RegisterWindowMessageA(""), 0u);
    EXPECT_EQ(GetLastError(), ERROR_INVALID_PARAMETER);
}

TEST(MessageWindowTest, PostedWindowMessagesDispatchToTheirProcedure) {
    std::vector<std::pair<UINT, WPARAM>> seen;
    HWND window = CreateMessageWindow([&](HWND, UINT message, WPARAM wParam, LPARAM) {
        seen.emplace_back(message, wParam);
        return LRESULT{42};
    });
    ASSERT_NE(window, nullptr);
    ASSERT_TRUE(PostMessageA(window, WM_TIMER, 9, 0));
    ASSERT_TRUE(PostThreadMessageA(GetCurrentThreadId(), WM_USER, 1, 0));

    MSG msg;
    const HWND threadOnly = reinterpret_cast<HWND>(static_cast<intptr_t>(-1));
    ASSERT_TRUE(PeekMessageA(&msg, threadOnly, 0, 0, PM_REMOVE));
    EXPECT_EQ(msg.message, WM_USER);
    EXPECT_EQ(DispatchMessageA(&msg), 0);
    ASSERT_TRUE(PeekMessageA(&msg, window, 0, 0, PM_REMOVE));
    EXPECT_EQ(msg.hwnd, window);
    EXPECT_FALSE(TranslateMessage(&msg));
    EXPECT_EQ(DispatchMessageA(&msg), 42);
    EXPECT_THAT(seen, ::testing::ElementsAre(std::pair<UINT, WPARAM>(WM_TIMER, 9)));

    ASSERT_TRUE(DestroyWindow(window));
    EXPECT_FALSE(PostMessageA(window, WM_TIMER, 0, 0));
    EXPECT_EQ(GetLastError(), ERROR_INVALID_WINDOW_HANDLE);
    EXPECT_FALSE(DestroyWindow(window));
}
