// TnrBaseIO: the generic worker thread, used only when the worker-thread flag is set.
#include "comm/BaseIO.h"
#include "comm/ThreadIO.h"
#include "platform/win32/Synch.h"

void TnrBaseIO::ThreadStart() {
    ThreadStop();
    FThreadIOStopped = false;
    FThreadIO = TThread::Create<TnrThreadIO>(this);
    FThreadIO->Resume();
}

void TnrBaseIO::ThreadStop() {
    if (FThreadIOStopped)
        return;
    FThreadIOStopped = true;
    TnrThreadIO* worker = std::exchange(FThreadIO, nullptr);
    if (!worker)
        return;
    worker->Terminate();
    if (worker->GetThreadID() == GetCurrentThreadId())
        worker->Detach(); // stopped from its own ThreadExecute: it frees itself at the end
    else
        delete worker; // waits for the end
}

void TnrBaseIO::ThreadExecute(TnrThreadIO*) {}
