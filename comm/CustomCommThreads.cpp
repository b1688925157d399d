// TnrCustomComm: start and stop of its event and dispatch threads.
#include <utility>

#include "comm/CommThreads.h"
#include "platform/classes/Application.h"
#include "platform/win32/Synch.h"

namespace {
bool IsCallingThread(const TThread* Thread) {
    return Thread && Thread->GetThreadID() == GetCurrentThreadId();
}
} // namespace

void TnrCustomComm::ThreadStart() {
    // Threads that ended when the port failed are released, so that events flow again.
    if ((FCommThread && FCommThread->HasEnded()) || (FMsgThread && FMsgThread->GetFinished()))
        ThreadStop();
    if (!FMsgThread)
        FMsgThread = TThread::Create<TMsgThread>(this);
    if (!FCommThread)
        FCommThread = TThread::Create<TCommThread>(this, FMsgThread);
}

void TnrCustomComm::ThreadStop() {
    if (TCommThread* eventThread = std::exchange(FCommThread, nullptr)) {
        // Stopped from its own close (OnClose reopening the port): it cannot be awaited here.
        if (IsCallingThread(eventThread) || eventThread->IsHandingOver()) {
            eventThread->Terminate();
            eventThread->Detach();
        } else {
            delete eventThread; // waits for the end, serving synchronous calls meanwhile
        }
    }
    TMsgThread* dispatch = std::exchange(FMsgThread, nullptr);
    if (!dispatch)
        return;
    dispatch->Terminate();
    // A dispatch thread inside its hand-over to this very thread cannot end before this
    // call returns; one that does not end in time is abandoned. Both free themselves.
    const bool waitable = !IsCallingThread(dispatch) && !dispatch->IsHandingOver();
    if (waitable &&
        WaitForSingleObject(dispatch->GetHandle(), DISPATCH_STOP_LIMIT_MS) == WAIT_OBJECT_0)
        delete dispatch;
    else
        dispatch->Detach();
}

void TnrCustomComm::SignalEventThreadStop() {
    if (FCommThread)
        FCommThread->Terminate();
    // Without an application object WinProc runs on the dispatch thread: let it finish the
    // event in hand before the input buffer and the handle go.
    if (!Application && FMsgThread && !IsCallingThread(FMsgThread)) {
        FMsgThread->Terminate();
        WaitForSingleObject(FMsgThread->GetHandle(), DISPATCH_STOP_LIMIT_MS);
    }
}
