#pragma once
// Threads in the platform's manner: a class with a virtual Execute, created running or
// suspended, told to stop by a flag it polls, waited for with its exit code, and able to
// hand a call over to the main (UI) thread with Synchronize.
#include <exception>
#include <functional>
#include <memory>
#include <new>
#include <thread>

#include "platform/rtl/Events.h"
#include "platform/rtl/Object.h"
#include "platform/win32/WinTypes.h"

class EThread : public Exception {
public:
    using Exception::Exception;
};

// A method of an object with no arguments, as Synchronize takes it.
using TThreadMethod = TEvent<>;

struct TThreadState;

class TThread : public TObject {
public:
    // A thread created running starts when its construction is complete, that is in
    // AfterConstruction, which Create<T> calls: a thread must not run Execute while its
    // derived parts are still being built. Created suspended, it starts with Start/Resume.
    explicit TThread(bool CreateSuspended);
    // Deleting a thread first tells a running thread to terminate (through the most derived
    // Terminate) and waits for it (on the main thread the wait serves synchronous calls),
    // and only then destroys the object, so Execute never sees its own object half torn
    // down. A thread never started does not run Execute at all. Make threads with new.
    ~TThread() override;
    void operator delete(TThread* thread, std::destroying_delete_t);
    // The matching pair, used when a constructor throws.
    static void* operator new(std::size_t size);
    static void operator delete(void* storage);
    AnsiString ClassName() const override { return "TThread"; }

    // new T(args...) followed by AfterConstruction: the usual way to make a thread.
    template <class T, class... Args> static T* Create(Args&&... args) {
        T* thread = new T(std::forward<Args>(args)...);
        thread->AfterConstruction();
        return thread;
    }
    void AfterConstruction();

    // Starts a suspended thread; raises EThread when it was started already.
    void Start();
    // Starts a suspended thread; a thread already started is left as it is.
    void Resume();
    // Sets the flag Execute polls. Derived threads that block elsewhere extend it to wake up.
    virtual void Terminate();
    // Waits for the end and returns the exit code (ReturnValue). On the main thread the
    // wait serves synchronous calls, so a thread inside Synchronize cannot deadlock it.
    // Raises EThread for a FreeOnTerminate thread, a thread never started, or a thread
    // waiting for itself: each of those would wait on a freed object or forever.
    DWORD WaitFor();
    // Gives the thread up while it still runs: it frees itself when Execute ends (at once
    // when it has ended or never started). The caller must not use the pointer again.
    void Detach();

    bool GetTerminated() const;
    bool GetFinished() const;
    bool GetSuspended() const;
    bool GetFreeOnTerminate() const;
    void SetFreeOnTerminate(bool value);
    DWORD GetThreadID() const;
    // A waitable handle: WaitForSingleObject on it waits for the end. Closed with the object.
    HANDLE GetHandle() const;
    DWORD GetReturnValue() const { return returnValue_; }
    void SetReturnValue(DWORD value) { returnValue_ = value; }
    // The exception that escaped Execute, if any.
    std::exception_ptr GetFatalException() const { return fatalException_; }
    // Called on the main thread (by Synchronize) after Execute has ended.
    TNotifyEvent GetOnTerminate() const { return onTerminate_; }
    void SetOnTerminate(TNotifyEvent handler) { onTerminate_ = handler; }

    // Runs the method on the main thread and returns when it has run there; an exception it
    // raises is raised again in the calling thread. On the main thread it runs at once.
    void Synchronize(const TThreadMethod& method);
    void Synchronize(const std::function<void()>& method);
    static void Synchronize(TThread* thread, const TThreadMethod& method);
    static void Synchronize(TThread* thread, const std::function<void()>& method);
    // Runs the synchronous calls waiting now (main thread only); true when there were any.
    static bool CheckSynchronize();

protected:
    virtual void Execute() = 0;
    virtual void DoTerminate();

private:
    static void ThreadProc(TThread* self, std::shared_ptr<TThreadState> state);
    void WaitUntilFinished();
    void EndBeforeDestruction();

    std::shared_ptr<TThreadState> state_;
    std::thread worker_;
    HANDLE handle_ = nullptr;
    bool createSuspended_;
    DWORD returnValue_ = 0;
    std::exception_ptr fatalException_;
    TNotifyEvent onTerminate_;
};
