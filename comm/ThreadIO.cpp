#include "comm/ThreadIO.h"

#include "comm/BaseIO.h"
#include "platform/win32/Synch.h"

TnrThreadIO::TnrThreadIO(TnrBaseIO* IO) : TThread(true), FIO(IO) {}

void TnrThreadIO::Execute() {
    try {
        FIO->ThreadExecute(this);
    } catch (...) {
        // The worker's errors are the component's business, reported where they happen.
    }
}

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
