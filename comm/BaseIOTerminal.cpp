// TnrBaseIO: an edit control as its terminal, hooked through the control's window procedure.
#include <string>

#include "comm/BaseIO.h"
#include "comm/Terminal.h"

namespace {
TWindowProcHost* AsHost(TComponent* Terminal) {
    return dynamic_cast<TWindowProcHost*>(Terminal);
}

bool ShowsReceived(TTerminalUsage Usage) {
    return Usage == tuReceive || Usage == tuBoth;
}

bool SendsTyped(TTerminalUsage Usage) {
    return Usage == tuSend || Usage == tuBoth;
}

// Set while received text goes in, so that it is not typed back to the port.
class UpdatingFlag {
public:
    explicit UpdatingFlag(bool& flag) : flag_(flag), saved_(flag) { flag_ = true; }
    ~UpdatingFlag() { flag_ = saved_; }
    UpdatingFlag(const UpdatingFlag&) = delete;
    UpdatingFlag& operator=(const UpdatingFlag&) = delete;

private:
    bool& flag_;
    bool saved_;
};
} // namespace

void TnrBaseIO::SetTerminal(TComponent* Value) {
    if (TWindowProcHost* hooked = AsHost(FTerminal); hooked && FSavedTerminalProc)
        hooked->SetWindowProc(FSavedTerminalProc);
    FSavedTerminalProc = nullptr;
    if (TWindowProcHost* host = AsHost(Value)) {
        FSavedTerminalProc = host->GetWindowProc();
        host->SetWindowProc(TWndMethod::Bind<&TnrBaseIO::NewTerminalWndProc>(this));
    }
    FTerminalWnd = nullptr;
    FTerminal = Value;
    if (Value && IsDesigning() && FTerminalUsage == tuNone)
        FTerminalUsage = tuBoth;
    SetTerminalUsage(FTerminalUsage);
    if (Value)
        Value->FreeNotification(this);
}

void TnrBaseIO::SetTerminalUsage(TTerminalUsage Value) {
    FTerminalUsage = Value;
    TWindowProcHost* host = AsHost(FTerminal);
    if (!host)
        return;
    FTerminalWnd = ShowsReceived(Value) ? host->GetWindowHandle() : nullptr;
}

void TnrBaseIO::NewTerminalWndProc(TMessage& Message) {
    if (!FTerminalUpdating && Message.Msg == WM_CHAR && SendsTyped(FTerminalUsage)) {
        SendChar(static_cast<char>(Message.WParam & 0xFF));
        if (!FTerminalEcho)
            return;
    }
    if (FSavedTerminalProc)
        FSavedTerminalProc(Message);
}

void TnrBaseIO::UpdateTerminalByChars(const void* Buffer, int32_t Length) {
    TWindowProcHost* host = AsHost(FTerminal);
    if (!host || !FTerminalWnd || !Buffer || Length <= 0)
        return;
    UpdatingFlag updating(FTerminalUpdating);
    const auto* bytes = static_cast<const char*>(Buffer);
    if (Length == 1) {
        host->Perform(WM_CHAR, static_cast<uint8_t>(bytes[0]), 1);
        return;
    }
    for (std::string_view piece : SplitAtZeroBytes({bytes, static_cast<size_t>(Length)})) {
        const std::string text(piece); // the control takes a terminated text
        host->Perform(EM_REPLACESEL, 0, reinterpret_cast<LPARAM>(text.c_str()));
    }
}
