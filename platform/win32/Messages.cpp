#include "platform/win32/Messages.h"

#include <condition_variable>
#include <deque>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <unordered_map>

#include "platform/win32/Synch.h"

namespace {
struct MessageQueue {
    std::mutex lock;
    std::condition_variable arrived;
    std::deque<MSG> messages;
    bool quitPosted = false;
    int quitCode = 0;
};

struct Window {
    DWORD threadId;
    WindowProcedure procedure;
};

// Leaked on purpose: threads may still post and end while static objects are destroyed.
struct MessageRegistry {
    std::mutex lock;
    std::unordered_map<DWORD, std::shared_ptr<MessageQueue>> queues;
    std::map<AnsiString, UINT> registeredNames; // keyed by the lower-case name
    UINT nextRegistered = FIRST_REGISTERED_MESSAGE;
    std::unordered_map<uintptr_t, Window> windows;
    uintptr_t nextWindow = 0x10000;
};
MessageRegistry& Registry() {
    static auto* registry = new MessageRegistry;
    return *registry;
}

// The calling thread's queue, created on first use and removed from the registry when the
// thread ends, so posting to an ended thread fails again.
class ThreadQueue {
public:
    ~ThreadQueue() {
        if (!queue_)
            return;
        auto& registry = Registry();
        std::lock_guard guard(registry.lock);
        registry.queues.erase(threadId_);
    }
    MessageQueue& Get() {
        if (!queue_) {
            queue_ = std::make_shared<MessageQueue>();
            threadId_ = GetCurrentThreadId();
            auto& registry = Registry();
            std::lock_guard guard(registry.lock);
            registry.queues[threadId_] = queue_;
        }
        return *queue_;
    }

private:
    std::shared_ptr<MessageQueue> queue_;
    DWORD threadId_ = 0;
};
thread_local ThreadQueue threadQueue;

const HWND threadMessagesOnly = reinterpret_cast<HWND>(static_cast<intptr_t>(-1));

bool Matches(const MSG& message, HWND hwnd, UINT filterMin, UINT filterMax) {
    if (message.message == WM_QUIT)
        return true;
    if (hwnd == threadMessagesOnly) {
        if (message.hwnd)
            return false;
    } else if (hwnd && message.hwnd != hwnd) {
        return false;
    }
    if (filterMin == 0 && filterMax == 0)
        return true;
    return message.message >= filterMin && message.message <= filterMax;
}

// The first message that passes the filter; the quit request only when no other one does.
// Called with the queue locked.
std::optional<MSG> Take(MessageQueue& queue, HWND hwnd, UINT filterMin, UINT filterMax,
                        bool remove) {
    for (auto it = queue.messages.begin(); it != queue.messages.end(); ++it) {
        if (Matches(*it, hwnd, filterMin, filterMax)) {
            MSG found = *it;
            if (remove)
                queue.messages.erase(it);
            return found;
        }
    }
    if (queue.quitPosted) {
        if (remove)
            queue.quitPosted = false;
        MSG quit;
        quit.message = WM_QUIT;
        quit.wParam = static_cast<WPARAM>(queue.quitCode);
        quit.time = GetTickCount();
        return quit;
    }
    return std::nullopt;
}

std::shared_ptr<MessageQueue> QueueOf(DWORD threadId) {
    auto& registry = Registry();
    std::lock_guard guard(registry.lock);
    auto found = registry.queues.find(threadId);
    return found == registry.queues.end() ? nullptr : found->second;
}

AnsiString Lower(const char* text) {
    AnsiString lower(text);
    for (auto& c : lower)
        if (c >= 'A' && c <= 'Z')
            c = static_cast<char>(c - 'A' + 'a');
    return lower;
}

BOOL Post(DWORD threadId, HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    auto queue = QueueOf(threadId);
    if (!queue) {
        SetLastError(ERROR_INVALID_THREAD_ID);
        return FALSE;
    }
    MSG posted;
    posted.hwnd = hwnd;
    posted.message = message;
    posted.wParam = wParam;
    posted.lParam = lParam;
    posted.time = GetTickCount();
    {
        std::lock_guard guard(queue->lock);
        queue->messages.push_back(posted);
    }
    queue->arrived.notify_all();
    return TRUE;
}
} // namespace

UINT RegisterWindowMessageA(LPCSTR name) {
    if (!name || !*name) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return 0;
    }
    auto& registry = Registry();
    std::lock_guard guard(registry.lock);
    auto key = Lower(name);
    auto found = registry.registeredNames.find(key);
    if (found != registry.registeredNames.end())
        return found->second;
    if (registry.nextRegistered > LAST_REGISTERED_MESSAGE) {
        SetLastError(ERROR_NOT_ENOUGH_MEMORY);
        return 0;
    }
    UINT number = registry.nextRegistered++;
    registry.registeredNames.emplace(std::move(key), number);
    return number;
}

BOOL PostThreadMessageA(DWORD threadId, UINT message, WPARAM wParam, LPARAM lParam) {
    return Post(threadId, nullptr, message, wParam, lParam);
}

BOOL GetMessageA(LPMSG msg, HWND hwnd, UINT filterMin, UINT filterMax) {
    if (!msg) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return -1;
    }
    auto& queue = threadQueue.Get();
    std::unique_lock guard(queue.lock);
    std::optional<MSG> found;
    queue.arrived.wait(guard, [&] {
        found = Take(queue, hwnd, filterMin, filterMax, true);
        return found.has_value();
    });
    *msg = *found;
    return msg->message == WM_QUIT ? FALSE : TRUE;
}

BOOL PeekMessageA(LPMSG msg, HWND hwnd, UINT filterMin, UINT filterMax, UINT removeFlags) {
    if (!msg) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    auto& queue = threadQueue.Get();
    std::lock_guard guard(queue.lock);
    auto found = Take(queue, hwnd, filterMin, filterMax, (removeFlags & PM_REMOVE) != 0);
    if (!found)
        return FALSE;
    *msg = *found;
    return TRUE;
}

LRESULT DispatchMessageA(const MSG* msg) {
    if (!msg || !msg->hwnd)
        return 0;
    WindowProcedure procedure;
    {
        auto& registry = Registry();
        std::lock_guard guard(registry.lock);
        auto found = registry.windows.find(reinterpret_cast<uintptr_t>(msg->hwnd));
        if (found == registry.windows.end()) {
            SetLastError(ERROR_INVALID_WINDOW_HANDLE);
            return 0;
        }
        procedure = found->second.procedure;
    }
    return procedure(msg->hwnd, msg->message, msg->wParam, msg->lParam);
}

BOOL TranslateMessage(const MSG*) {
    return FALSE;
}

void PostQuitMessage(int exitCode) {
    auto& queue = threadQueue.Get();
    {
        std::lock_guard guard(queue.lock);
        queue.quitPosted = true;
        queue.quitCode = exitCode;
    }
    queue.arrived.notify_all();
}

HWND CreateMessageWindow(WindowProcedure procedure) {
    threadQueue.Get();
    auto& registry = Registry();
    std::lock_guard guard(registry.lock);
    uintptr_t value = registry.nextWindow;
    registry.nextWindow += 4;
    registry.windows.emplace(value, Window{GetCurrentThreadId(), std::move(procedure)});
    return reinterpret_cast<HWND>(value);
}

BOOL DestroyWindow(HWND hwnd) {
    auto& registry = Registry();
    std::lock_guard guard(registry.lock);
    if (registry.windows.erase(reinterpret_cast<uintptr_t>(hwnd)) == 0) {
        SetLastError(ERROR_INVALID_WINDOW_HANDLE);
        return FALSE;
    }
    return TRUE;
}

BOOL PostMessageA(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    if (!hwnd)
        return Post(GetCurrentThreadId(), nullptr, message, wParam, lParam);
    DWORD threadId = 0;
    {
        auto& registry = Registry();
        std::lock_guard guard(registry.lock);
        auto found = registry.windows.find(reinterpret_cast<uintptr_t>(hwnd));
        if (found == registry.windows.end()) {
            SetLastError(ERROR_INVALID_WINDOW_HANDLE);
            return FALSE;
        }
        threadId = found->second.threadId;
    }
    return Post(threadId, hwnd, message, wParam, lParam);
}
