#include "platform/classes/MessageLoop.h"

#include <unistd.h>

#include <chrono>
#include <cstdio>

struct TMessageLoop::TSyncCall {
    const TCallback* Callback = nullptr;
    std::exception_ptr Error;
    bool Done = false;
    std::condition_variable DoneSignal;
};

TMessageLoop::TMessageLoop() = default;
TMessageLoop::~TMessageLoop() = default;

bool TMessageLoop::IsMainThread() {
    return gettid() == getpid();
}

TMessageLoop& TMessageLoop::Main() {
    // Never destroyed: threads may still post to it while statics are torn down.
    static TMessageLoop* main = new TMessageLoop;
    return *main;
}

std::shared_ptr<TMessageLoop> TMessageLoop::CurrentShared() {
    if (IsMainThread())
        return std::shared_ptr<TMessageLoop>(&Main(), [](TMessageLoop*) {});
    thread_local std::shared_ptr<TMessageLoop> own = std::make_shared<TMessageLoop>();
    return own;
}

TMessageLoop& TMessageLoop::Current() {
    if (IsMainThread())
        return Main();
    return *CurrentShared();
}

void TMessageLoop::Post(TCallback callback) {
    std::lock_guard guard(lock_);
    posted_.push_back(std::move(callback));
    signal_.notify_all();
    if (backend_)
        backend_->Wake();
}

void TMessageLoop::Wake() {
    std::lock_guard guard(lock_);
    woken_ = true;
    signal_.notify_all();
    if (backend_)
        backend_->Wake();
}

void TMessageLoop::Synchronize(const TCallback& callback) {
    if (IsMainThread()) {
        callback();
        return;
    }
    TSyncCall call;
    call.Callback = &callback;
    std::unique_lock guard(lock_);
    syncCalls_.push_back(&call);
    signal_.notify_all();
    if (backend_)
        backend_->Wake();
    call.DoneSignal.wait(guard, [&] { return call.Done; });
    guard.unlock();
    if (call.Error)
        std::rethrow_exception(call.Error);
}

bool TMessageLoop::CheckSynchronize() {
    if (!IsMainThread())
        return false;
    std::deque<TSyncCall*> calls;
    {
        std::lock_guard guard(lock_);
        calls.swap(syncCalls_);
    }
    for (TSyncCall* call : calls) {
        try {
            (*call->Callback)();
        } catch (...) {
            call->Error = std::current_exception();
        }
        // Signalled under the lock: the caller owns the record and may free it as soon
        // as it can see Done.
        std::lock_guard guard(lock_);
        call->Done = true;
        call->DoneSignal.notify_one();
    }
    return !calls.empty();
}

bool TMessageLoop::RunPosted() {
    std::deque<TCallback> callbacks;
    {
        std::lock_guard guard(lock_);
        callbacks.swap(posted_);
    }
    for (auto& callback : callbacks) {
        try {
            callback();
        } catch (...) {
            ReportException(std::current_exception());
        }
    }
    return !callbacks.empty();
}

bool TMessageLoop::ProcessPending() {
    bool didWork = false;
    if (this == &Main())
        didWork |= CheckSynchronize();
    didWork |= RunPosted();
    didWork |= timers_.TickDue([this](std::exception_ptr error) { ReportException(error); });
    TLoopBackend* backend;
    {
        std::lock_guard guard(lock_);
        backend = backend_.get();
    }
    if (backend)
        didWork |= backend->ProcessEvents();
    return didWork;
}

void TMessageLoop::WaitForWork() {
    DWORD timeout = timers_.MillisecondsToNext();
    TLoopBackend* backend;
    {
        std::lock_guard guard(lock_);
        backend = backend_.get();
        bool syncWaiting = !syncCalls_.empty() && this == &Main();
        if (woken_ || !posted_.empty() || syncWaiting) {
            woken_ = false;
            return;
        }
    }
    if (backend)
        backend->Wait(timeout);
    else
        WaitForSignal(timeout);
}

void TMessageLoop::WaitForSignal(DWORD milliseconds) {
    std::unique_lock guard(lock_);
    auto ready = [this] {
        return woken_ || !posted_.empty() || (!syncCalls_.empty() && this == &Main());
    };
    if (milliseconds == INFINITE)
        signal_.wait(guard, ready);
    else
        signal_.wait_for(guard, std::chrono::milliseconds(milliseconds), ready);
    woken_ = false;
}

UINT TMessageLoop::StartTimer(DWORD periodMs, TCallback callback) {
    return timers_.Start(periodMs, std::move(callback));
}

bool TMessageLoop::StopTimer(UINT id) {
    return timers_.Stop(id);
}

bool TMessageLoop::HasTimers() const {
    return !timers_.Empty();
}

void TMessageLoop::SetExceptionHandler(TExceptionHandler handler) {
    std::lock_guard guard(lock_);
    exceptionHandler_ = std::move(handler);
}

void TMessageLoop::SetBackend(std::unique_ptr<TLoopBackend> backend) {
    std::lock_guard guard(lock_);
    backend_ = std::move(backend);
}

void TMessageLoop::ReportException(std::exception_ptr error) {
    TExceptionHandler handler;
    {
        std::lock_guard guard(lock_);
        handler = exceptionHandler_;
    }
    try {
        if (handler)
            handler(error);
        else
            std::rethrow_exception(error);
    } catch (const std::exception& e) {
        std::fprintf(stderr, "voka: unhandled exception in loop callback: %s\n", e.what());
    } catch (...) {
        std::fprintf(stderr, "voka: unhandled exception in loop callback\n");
    }
}
