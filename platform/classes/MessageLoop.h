#pragma once
// Each thread's loop: callbacks posted from any thread, timers of that thread and, on
// the main (UI) thread, the synchronous calls other threads hand over. The console
// loop waits on a condition variable; a window toolkit plugs in its own backend.
#include <condition_variable>
#include <deque>
#include <exception>
#include <functional>
#include <memory>
#include <mutex>

#include "platform/classes/Timers.h"
#include "platform/win32/WinTypes.h"

// How a loop waits and what else it must pump. A toolkit's loop implements this so that
// work handed to the loop wakes the toolkit, and the toolkit's own events get processed.
class TLoopBackend {
public:
    virtual ~TLoopBackend() = default;
    // Called from any thread after work was handed to the loop, with the loop's lock held:
    // it must not call back into the loop. A Wake before Wait makes that Wait return at once.
    virtual void Wake() = 0;
    // Blocks the loop's thread until Wake or until the time has passed (INFINITE: no limit).
    // May also process the toolkit's events.
    virtual void Wait(DWORD milliseconds) = 0;
    // Processes the toolkit's pending events without blocking; true when it did something.
    virtual bool ProcessEvents() { return false; }
};

class TMessageLoop {
public:
    using TCallback = std::function<void()>;
    using TExceptionHandler = std::function<void(std::exception_ptr)>;

    TMessageLoop();
    ~TMessageLoop();
    TMessageLoop(const TMessageLoop&) = delete;
    TMessageLoop& operator=(const TMessageLoop&) = delete;

    // The calling thread's loop, made on first use. On the main thread this is Main().
    static TMessageLoop& Current();
    // A handle to the calling thread's loop that other threads may keep to post to it.
    static std::shared_ptr<TMessageLoop> CurrentShared();
    // The main thread's loop; reachable from every thread and never destroyed.
    static TMessageLoop& Main();
    static bool IsMainThread();

    // Thread-safe: the callback runs on the loop's thread the next time it processes work.
    void Post(TCallback callback);

    // Synchronous calls (main loop only): runs the callback on the main thread and returns
    // when it has run there; an exception it throws is raised again here. On the main
    // thread it runs at once.
    void Synchronize(const TCallback& callback);
    // Runs the synchronous calls waiting now; true when there were any. Main thread only.
    bool CheckSynchronize();

    // One round: synchronous calls, posted callbacks, due timers, backend events.
    // True when anything ran. Call on the loop's thread.
    bool ProcessPending();
    // Blocks until work is handed over or the next timer is due.
    void WaitForWork();
    // Blocks until work is handed over, Wake is called, or the time has passed; does not
    // consult the backend, so no toolkit events are processed (used by waits for threads).
    void WaitForSignal(DWORD milliseconds);
    void Wake();

    // Timers of this loop (see TTimerTable). Call on the loop's thread.
    UINT StartTimer(DWORD periodMs, TCallback callback);
    bool StopTimer(UINT id);
    bool HasTimers() const;

    // Where exceptions from posted callbacks and timers go; without a handler they are
    // written to stderr and dropped, so one failing callback never stops the loop.
    void SetExceptionHandler(TExceptionHandler handler);
    // Call on the loop's thread, outside ProcessPending and WaitForWork.
    void SetBackend(std::unique_ptr<TLoopBackend> backend);

private:
    struct TSyncCall;

    bool RunPosted();
    void ReportException(std::exception_ptr error);

    mutable std::mutex lock_;
    std::condition_variable signal_;
    bool woken_ = false;
    std::deque<TCallback> posted_;
    std::deque<TSyncCall*> syncCalls_;
    TTimerTable timers_; // touched only on the loop's thread
    TExceptionHandler exceptionHandler_;
    std::unique_ptr<TLoopBackend> backend_;
};
