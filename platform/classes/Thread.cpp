#include "platform/classes/Thread.h"

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <mutex>

#include "platform/classes/MessageLoop.h"
#include "platform/win32/Handles.h"
#include "platform/win32/Synch.h"

constexpr DWORD STILL_ACTIVE = 259;

// What the thread, its owner and waiters on its handle share. The handle keeps it alive
// after the TThread is gone.
struct TThreadState : KernelObject {
    std::mutex lock;
    std::condition_variable changed;
    bool idKnown = false;
    bool started = false;     // the start gate is open
    bool skipExecute = false; // released only so that it can end
    bool finished = false;
    bool freeOnTerminate = false;
    DWORD threadId = 0;
    DWORD exitCode = STILL_ACTIVE;
    std::atomic<bool> terminated = false;

    DWORD WaitFor(DWORD milliseconds) override {
        using Clock = std::chrono::steady_clock;
        auto deadline = Clock::now() + std::chrono::milliseconds(milliseconds);
        auto remaining = [&]() -> DWORD {
            if (milliseconds == INFINITE)
                return INFINITE;
            auto left =
                std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now());
            return left.count() > 0 ? static_cast<DWORD>(left.count()) : 0;
        };
        if (!TMessageLoop::IsMainThread()) {
            std::unique_lock guard(lock);
            if (milliseconds == INFINITE)
                changed.wait(guard, [this] { return finished; });
            else
                changed.wait_until(guard, deadline, [this] { return finished; });
            return finished ? WAIT_OBJECT_0 : WAIT_TIMEOUT;
        }
        // The main thread keeps serving synchronous calls while it waits: the thread it
        // waits for may be inside one. The thread wakes the main loop when it ends.
        auto& mainLoop = TMessageLoop::Main();
        for (;;) {
            mainLoop.CheckSynchronize();
            {
                std::lock_guard guard(lock);
                if (finished)
                    return WAIT_OBJECT_0;
            }
            DWORD left = remaining();
            if (left == 0)
                return WAIT_TIMEOUT;
            mainLoop.WaitForSignal(left);
        }
    }
};

TThread::TThread(bool CreateSuspended)
    : state_(std::make_shared<TThreadState>()), createSuspended_(CreateSuspended) {
    handle_ = RegisterHandle(state_);
    worker_ = std::thread(&TThread::ThreadProc, this, state_);
    std::unique_lock guard(state_->lock);
    state_->changed.wait(guard, [this] { return state_->idKnown; });
}

void TThread::EndBeforeDestruction() {
    if (worker_.get_id() == std::this_thread::get_id())
        return; // freeing itself at its end
    bool mustWait;
    {
        std::lock_guard guard(state_->lock);
        state_->freeOnTerminate = false; // freed here, not by the thread
        if (!state_->started) {
            state_->skipExecute = true;
            state_->started = true;
            state_->changed.notify_all();
        }
        mustWait = !state_->skipExecute && !state_->finished;
    }
    if (mustWait) {
        Terminate();
        WaitUntilFinished();
    }
}

void TThread::operator delete(TThread* thread, std::destroying_delete_t) {
    thread->EndBeforeDestruction();
    void* storage = dynamic_cast<void*>(thread);
    thread->~TThread();
    ::operator delete(storage);
}

void* TThread::operator new(std::size_t size) {
    return ::operator new(size);
}

void TThread::operator delete(void* storage) {
    ::operator delete(storage);
}

TThread::~TThread() {
    EndBeforeDestruction(); // already done when deleted; here for objects not made with new
    if (worker_.get_id() == std::this_thread::get_id())
        worker_.detach();
    else
        worker_.join();
    CloseHandle(handle_);
}

void TThread::ThreadProc(TThread* self, std::shared_ptr<TThreadState> state) {
    bool skip;
    {
        std::unique_lock guard(state->lock);
        state->threadId = GetCurrentThreadId();
        state->idKnown = true;
        state->changed.notify_all();
        state->changed.wait(guard, [&] { return state->started; });
        skip = state->skipExecute;
    }
    if (skip)
        return; // the owner is destroying the object and joins us
    try {
        self->Execute();
    } catch (...) {
        self->fatalException_ = std::current_exception();
    }
    try {
        self->DoTerminate();
    } catch (...) {
        if (!self->fatalException_)
            self->fatalException_ = std::current_exception();
    }
    bool freeSelf;
    {
        std::lock_guard guard(state->lock);
        state->exitCode = self->returnValue_;
        state->finished = true;
        freeSelf = state->freeOnTerminate;
        state->changed.notify_all();
    }
    // From here on the owner may free the object: only the shared state is touched.
    TMessageLoop::Main().Wake();
    if (freeSelf)
        delete self;
}

void TThread::AfterConstruction() {
    if (!createSuspended_)
        Start();
}

void TThread::Start() {
    std::lock_guard guard(state_->lock);
    if (state_->started)
        throw EThread("Cannot call Start on a running or suspended thread");
    state_->started = true;
    state_->changed.notify_all();
}

void TThread::Resume() {
    if (GetSuspended())
        Start();
}

void TThread::Terminate() {
    state_->terminated = true;
}

void TThread::WaitUntilFinished() {
    state_->WaitFor(INFINITE);
}

DWORD TThread::WaitFor() {
    {
        std::lock_guard guard(state_->lock);
        if (state_->freeOnTerminate)
            throw EThread("Cannot call WaitFor on a thread that frees itself");
        if (!state_->started)
            throw EThread("Cannot call WaitFor on a thread that was never started");
        if (state_->threadId == GetCurrentThreadId())
            throw EThread("A thread cannot wait for itself");
    }
    WaitUntilFinished();
    std::lock_guard guard(state_->lock);
    return state_->exitCode;
}

void TThread::Detach() {
    bool freeNow;
    {
        std::lock_guard guard(state_->lock);
        freeNow = state_->finished || !state_->started;
        if (!freeNow)
            state_->freeOnTerminate = true;
    }
    if (freeNow)
        delete this;
}

bool TThread::GetTerminated() const {
    return state_->terminated;
}

bool TThread::GetFinished() const {
    std::lock_guard guard(state_->lock);
    return state_->finished;
}

bool TThread::GetSuspended() const {
    std::lock_guard guard(state_->lock);
    return !state_->started;
}

bool TThread::GetFreeOnTerminate() const {
    std::lock_guard guard(state_->lock);
    return state_->freeOnTerminate;
}

void TThread::SetFreeOnTerminate(bool value) {
    std::lock_guard guard(state_->lock);
    state_->freeOnTerminate = value;
}

DWORD TThread::GetThreadID() const {
    return state_->threadId;
}

HANDLE TThread::GetHandle() const {
    return handle_;
}

void TThread::DoTerminate() {
    if (onTerminate_)
        Synchronize([this] { onTerminate_(this); });
}

void TThread::Synchronize(const TThreadMethod& method) {
    Synchronize(this, method);
}

void TThread::Synchronize(const std::function<void()>& method) {
    Synchronize(this, method);
}

void TThread::Synchronize(TThread* thread, const TThreadMethod& method) {
    if (method)
        Synchronize(thread, std::function<void()>(method));
}

void TThread::Synchronize(TThread*, const std::function<void()>& method) {
    TMessageLoop::Main().Synchronize(method);
}

bool TThread::CheckSynchronize() {
    return TMessageLoop::Main().CheckSynchronize();
}
