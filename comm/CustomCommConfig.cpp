// Line settings in the DCB, queue sizes and time-outs: getters read back from an open
// port, setters apply at once.
#include <cstring>

#include "comm/CustomComm.h"

namespace {
constexpr DWORD FLOW_KEEP_MASK = 0x4DEE;
constexpr DWORD FLOW_NONE = 0x0011;     // fBinary, DTR enabled, RTS disabled
constexpr DWORD FLOW_XON_XOFF = 0x0211; // ... and fInX
constexpr DWORD FLOW_HARDWARE = 0x2011; // ... RTS handshake
constexpr DWORD FLOW_RS485 = 0x3011;    // ... RTS toggle
constexpr WORD XON_XOFF_LIMIT = 10;
constexpr char XON_CHAR = 0x11;
constexpr char XOFF_CHAR = 0x13;
} // namespace

void TnrCustomComm::DCBUpdate() {
    FCommConfig.dwSize = sizeof(COMMCONFIG);
    FCommConfig.dcb.DCBlength = sizeof(DCB);
    if (!IsHandleValid())
        return;
    DWORD size = FCommConfig.dwSize;
    GetCommConfig(GetDeviceHandle(), &FCommConfig, &size);
    GetCommState(GetDeviceHandle(), &FCommConfig.dcb);
}

void TnrCustomComm::DCBApply() {
    FCommConfig.dcb.DCBlength = sizeof(DCB);
    if (IsHandleValid())
        SetCommState(GetDeviceHandle(), &FCommConfig.dcb);
}

void TnrCustomComm::ConfigDialog() {
    DCBUpdate();
    DCBApply();
}

uint32_t TnrCustomComm::GetBaudRate() {
    DCBUpdate();
    return Dcb().BaudRate;
}

void TnrCustomComm::SetBaudRate(uint32_t Value) {
    Dcb().BaudRate = Value;
    DCBApply();
}

TParity TnrCustomComm::GetParity() {
    DCBUpdate();
    return static_cast<TParity>(Dcb().Parity);
}

void TnrCustomComm::SetParity(TParity Value) {
    Dcb().Parity = static_cast<BYTE>(Value);
    Dcb().fParity = Value != pNone;
    DCBApply();
}

TStopBits TnrCustomComm::GetStopBits() {
    DCBUpdate();
    return static_cast<TStopBits>(Dcb().StopBits);
}

void TnrCustomComm::SetStopBits(TStopBits Value) {
    Dcb().StopBits = static_cast<BYTE>(Value);
    DCBApply();
}

uint8_t TnrCustomComm::GetByteSize() {
    DCBUpdate();
    return Dcb().ByteSize;
}

void TnrCustomComm::SetByteSize(uint8_t Value) {
    Dcb().ByteSize = Value >= 4 && Value <= 8 ? Value : 8;
    DCBApply();
}

char TnrCustomComm::GetEventChar() {
    DCBUpdate();
    return Dcb().EvtChar;
}

void TnrCustomComm::SetEventChar(char Value) {
    Dcb().EvtChar = Value;
    DCBApply();
}

TStreamProtocol TnrCustomComm::GetStreamProtocol() {
    DCBUpdate();
    const DWORD flags = GetDcbFlags(Dcb());
    if ((flags & FLOW_XON_XOFF) == FLOW_XON_XOFF)
        return spXonXoff;
    if ((flags & FLOW_HARDWARE) == FLOW_HARDWARE)
        return spHardware;
    return spNone;
}

void TnrCustomComm::SetStreamProtocol(TStreamProtocol Value) {
    DWORD flags = GetDcbFlags(Dcb()) & FLOW_KEEP_MASK;
    if (FRS485Mode) {
        flags |= FLOW_RS485;
    } else if (Value == spXonXoff) {
        flags |= FLOW_XON_XOFF;
        Dcb().XonLim = XON_XOFF_LIMIT;
        Dcb().XoffLim = XON_XOFF_LIMIT;
        Dcb().XonChar = XON_CHAR;
        Dcb().XoffChar = XOFF_CHAR;
    } else if (Value == spHardware) {
        flags |= FLOW_HARDWARE;
    } else {
        flags |= FLOW_NONE;
    }
    SetDcbFlags(Dcb(), flags);
    DCBApply();
}

void TnrCustomComm::SetRS485(bool Value) {
    FRS485Mode = Value;
    SetDcbFlags(Dcb(), (GetDcbFlags(Dcb()) & FLOW_KEEP_MASK) | (Value ? FLOW_RS485 : FLOW_NONE));
    DCBApply();
}

COMMPROP* TnrCustomComm::GetCommProp() {
    if (IsHandleValid())
        GetCommProperties(GetDeviceHandle(), &FCommProp);
    return &FCommProp;
}

uint16_t TnrCustomComm::GetBufferInSize() {
    if (IsHandleValid()) {
        const auto current = static_cast<uint16_t>(GetCommProp()->dwCurrentRxQueue);
        if (current != 0)
            FBufferInSize = current;
    }
    return FBufferInSize;
}

void TnrCustomComm::SetBufferInSize(uint16_t Value) {
    if (IsHandleValid())
        SetupComm(GetDeviceHandle(), Value, GetBufferOutSize());
    else
        FBufferInSize = Value;
}

uint16_t TnrCustomComm::GetBufferOutSize() {
    if (IsHandleValid()) {
        const auto current = static_cast<uint16_t>(GetCommProp()->dwCurrentTxQueue);
        if (current != 0)
            FBufferOutSize = current;
    }
    return FBufferOutSize;
}

void TnrCustomComm::SetBufferOutSize(uint16_t Value) {
    if (IsHandleValid())
        SetupComm(GetDeviceHandle(), GetBufferInSize(), Value);
    else
        FBufferOutSize = Value;
}

void TnrCustomComm::SetTimeOuts(const COMMTIMEOUTS* Source) {
    std::memmove(&FTimeouts, Source, sizeof FTimeouts);
    if (IsHandleValid())
        SetCommTimeouts(GetDeviceHandle(), &FTimeouts);
}

COMMTIMEOUTS* TnrCustomComm::GetTimeouts() {
    if (IsHandleValid())
        GetCommTimeouts(GetDeviceHandle(), &FTimeouts);
    return &FTimeouts;
}

uint32_t TnrCustomComm::GetTimeoutRead() {
    return GetTimeouts()->ReadTotalTimeoutMultiplier;
}

void TnrCustomComm::SetTimeoutRead(uint32_t Value) {
    FTimeouts.ReadTotalTimeoutMultiplier = Value;
    SetTimeOuts(&FTimeouts);
}

uint32_t TnrCustomComm::GetTimeoutWrite() {
    return GetTimeouts()->WriteTotalTimeoutMultiplier;
}

void TnrCustomComm::SetTimeoutWrite(uint32_t Value) {
    FTimeouts.WriteTotalTimeoutMultiplier = Value;
    SetTimeOuts(&FTimeouts);
}
