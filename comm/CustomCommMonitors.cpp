// TnrCustomComm: the modem monitor links. Thread start and stop, event handling and
// trace-state reports are in CustomCommThreads.cpp and CustomCommEvents.cpp.
#include "comm/CustomComm.h"

namespace {
void Link(TComponent* self, TComponent*& field, TComponent* value) {
    field = value;
    if (value)
        value->FreeNotification(self);
}
} // namespace

void TnrCustomComm::SetMonitorCTS(TComponent* Value) {
    Link(this, FMonitorCTS, Value);
}
void TnrCustomComm::SetMonitorDSR(TComponent* Value) {
    Link(this, FMonitorDSR, Value);
}
void TnrCustomComm::SetMonitorRing(TComponent* Value) {
    Link(this, FMonitorRing, Value);
}
void TnrCustomComm::SetMonitorRLSD(TComponent* Value) {
    Link(this, FMonitorRLSD, Value);
}

void TnrCustomComm::Notification(TComponent* AComponent, TOperation Operation) {
    TnrBaseIO::Notification(AComponent, Operation);
    if (Operation != opRemove || !AComponent)
        return;
    for (TComponent** monitor : {&FMonitorRLSD, &FMonitorRing, &FMonitorCTS, &FMonitorDSR})
        if (*monitor == AComponent)
            *monitor = nullptr;
}
