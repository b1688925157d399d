#include "comm/Terminal.h"

#include <string>

#include "comm/BaseIO.h"

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

std::vector<std::string_view> SplitAtZeroBytes(std::string_view Block) {
    std::vector<std::string_view> pieces;
    size_t begin = 0;
    while (begin < Block.size()) {
        size_t zero = Block.find('\0', begin);
        if (zero == std::string_view::npos)
            zero = Block.size();
        if (zero > begin)
            pieces.push_back(Block.substr(begin, zero - begin));
        begin = zero + 1;
    }
    return pieces;
}

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
