#include "comm/CommThreads.h"

#include <thread>

#include "platform/classes/Application.h"
#include "platform/win32/Synch.h"

namespace {} // namespace

UINT ComEventMessage() {
    static const UINT message = RegisterWindowMessageA("reRoreMsgComEvent");
    return message;
}

UINT QuitComEventMessage() {
    static const UINT message = RegisterWindowMessageA("reRoreMsgQuitComEvent");
    return message;
}

// ---- dispatch thread ----

TMsgThread::TMsgThread(TnrCustomComm* Comm) : TThread(false), FComm(Comm) {}

void TMsgThread::Terminate() {
    TThread::Terminate();
    PostThreadMessageA(GetThreadID(), QuitComEventMessage(), 0, 0);
}

void TMsgThread::Execute() {
    if (!FComm)
        return;
    // From here on the thread has its queue: posts no longer fail, and a quit posted before
    // this point left the terminated flag set, which the loop sees first.
    MSG ignored;
    PeekMessageA(&ignored, nullptr, 0, 0, PM_NOREMOVE);
    while (!GetTerminated()) {
        const BOOL got =
            GetMessageA(&FMessage, nullptr, FIRST_REGISTERED_MESSAGE, LAST_REGISTERED_MESSAGE);
        if (got == 0 || got == -1 || GetTerminated() || FMessage.message == QuitComEventMessage())
            break;
        if (FMessage.message != ComEventMessage() || FMessage.hwnd) {
            DispatchMessageA(&FMessage);
            continue;
        }
        if (Application)
            Synchronize(TThreadMethod::Bind<&TMsgThread::ProcessMess>(this));
        else
            ProcessMess();
        if (GetTerminated() || !FCommActive)
            break;
    }
}

void TMsgThread::ProcessMess() {
    if (GetTerminated())
        return;
    FHandingOver = true;
    try {
        FComm->WinProc(FMessage);
    } catch (...) {
        FHandingOver = false;
        throw;
    }
    FHandingOver = false;
    // A handler may have closed or even destroyed the component; closing tells us to stop.
    FCommActive = !GetTerminated() && FComm->GetActive();
}

// ---- event thread ----

TCommThread::TCommThread(TnrCustomComm* Comm, TMsgThread* Dispatch)
    : TThread(false), FComm(Comm), FHandle(Comm->GetDeviceHandle()), FDispatch(Dispatch),
      FDispatchId(Dispatch->GetThreadID()) {
    FOverlapped.hEvent = CreateEventA(nullptr, TRUE, FALSE, nullptr);
}

TCommThread::~TCommThread() {
    CloseHandle(FOverlapped.hEvent);
}

void TCommThread::Terminate() {
    TThread::Terminate();
    // Set, not pulsed: a pulse also clears a completion signalled just before, and a thread
    // not yet waiting would then wait for good.
    SetEvent(FOverlapped.hEvent);
}

void TCommThread::Execute() {
    if (FHandle != INVALID_HANDLE_VALUE)
        WatchPort();
    FEnded = true;
    // Told to stop, the thread leaves the dispatch thread to whoever stops both.
    if (!GetTerminated())
        FDispatch->Terminate();
}

void TCommThread::WatchPort() {
    while (!GetTerminated()) {
        FOverlapped.Internal = 0;
        FOverlapped.InternalHigh = 0;
        FOverlapped.Offset = 0;
        FOverlapped.OffsetHigh = 0;
        FEventMask = 0;
        if (!WaitCommEvent(FHandle, &FEventMask, &FOverlapped)) {
            const DWORD error = GetLastError();
            if (error == ERROR_IO_PENDING) {
                const DWORD waited = WaitForSingleObject(FOverlapped.hEvent, INFINITE);
                if (GetTerminated())
                    return;
                if (waited != WAIT_OBJECT_0)
                    FEventMask = 0;
            } else if (error == ERROR_INVALID_PARAMETER && FEventMask == 0) {
                // No event mask yet (right after open): try again at once.
                std::this_thread::yield();
            } else if (error == ERROR_INVALID_HANDLE) {
                return;
            } else {
                // Marked first: a reopen while the close is being handed over must already
                // see this thread as finished with the port.
                FEnded = true;
                if (!GetTerminated())
                    HaltPort();
                return;
            }
        }
        if (FEventMask != 0)
            PostEvent(FEventMask);
    }
}

void TCommThread::PostEvent(DWORD Mask) {
    // The dispatch thread may not have its queue yet.
    while (!GetTerminated()) {
        if (PostThreadMessageA(FDispatchId, ComEventMessage(), Mask, 0))
            return;
        Sleep(1);
    }
}

void TCommThread::HaltPort() {
    if (Application) {
        // Closing runs where everything else of the component runs; by the time the call
        // is served the port may have been closed (and this thread told to stop) already.
        FHandingOver = true;
        Synchronize([this] {
            if (!GetTerminated() && FComm->GetDeviceHandle() == FHandle)
                FComm->ForceHalt(false);
        });
        FHandingOver = false;
        return;
    }
    // Without an application object the dispatch thread handles events itself: it must be
    // done before the input buffer and the handle go.
    FDispatch->Terminate();
    WaitForSingleObject(FDispatch->GetHandle(), DISPATCH_STOP_LIMIT_MS);
    FComm->ForceHalt(false);
}
