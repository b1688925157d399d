#include "comm/ThreadIO.h"

#include "comm/BaseIO.h"

TnrThreadIO::TnrThreadIO(TnrBaseIO* IO) : TThread(true), FIO(IO) {}

void TnrThreadIO::Execute() {
    try {
        FIO->ThreadExecute(this);
    } catch (...) {
        // The worker's errors are the component's business, reported where they happen.
    }
}
