// Where received and sent data go: the data processor, the terminal, OnAfterReceive.
// The terminal itself is in BaseIOTerminal.cpp, the generic worker in BaseIOWorkerThread.cpp.
#include "comm/BaseIO.h"

namespace {
TnrCustomDataProcessor* AsProcessor(TComponent* Component) {
    return dynamic_cast<TnrCustomDataProcessor*>(Component);
}
} // namespace

bool TnrBaseIO::IsReadNeeded() {
    return FTerminal || FOnAfterReceive || FDataProcessor;
}

void TnrBaseIO::DoInputData(const void* Buffer, uint32_t Length) {
    TIgnoreTypes ignore;
    if (TnrCustomDataProcessor* processor = AsProcessor(FDataProcessor))
        processor->DoProcessing(Buffer, Length, ignore);
    if (FTerminal && !ignore.Contains(itTerminal))
        UpdateTerminalByChars(Buffer, static_cast<int32_t>(Length));
    if (FOnAfterReceive)
        FOnAfterReceive(this, Buffer, Length);
}

bool TnrBaseIO::DoOutputData() {
    bool handled = false;
    if (TnrCustomDataProcessor* processor = AsProcessor(FDataProcessor))
        processor->DoAfterSendComplete(handled);
    return handled;
}

void TnrBaseIO::SetDataProcessor(TComponent* Value) {
    if (!Value && FDataProcessor) {
        // While the processor is being destroyed it is no longer one: nothing to tell.
        if (TnrCustomDataProcessor* attached = AsProcessor(FDataProcessor))
            attached->SetDevice(nullptr);
    }
    FDataProcessor = Value;
    if (!Value)
        return;
    if (TnrCustomDataProcessor* processor = AsProcessor(Value))
        processor->SetDevice(this);
    Value->FreeNotification(this);
}
