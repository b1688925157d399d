// The plug-and-play identification of an external serial device: at 1200 bit/s, 7 data bits,
// no parity and one stop bit, the device answers a DTR/RTS sequence with a string that starts
// with "(" (or 0x08) and ends with ")" (or 0x09).
#include "comm/SerialComm.h"
#include "platform/win32/Synch.h"

namespace {
constexpr DWORD HANDSHAKE_PAUSE_MS = 200;
constexpr uint32_t BYTE_WAIT_MS = 200;
constexpr DWORD PNP_BAUD_RATE = 1200;
constexpr BYTE PNP_BYTE_SIZE = 7;
constexpr char BEGIN_PARENTHESIS = 0x28, END_PARENTHESIS = 0x29;
constexpr char BEGIN_BACKSPACE = 0x08, END_TAB = 0x09;
} // namespace

AnsiString TnrCustomSerialComm::GetPNPDeviceString() {
    AnsiString result;
    const bool wasActive = GetActive();
    SetActive(true);
    if (!GetActive())
        return result;
    ClearDeviceBuffers();
    SetStateDTR(true);
    SetStateRTS(false);
    if (!WaitForSignal(msDSR, BYTE_WAIT_MS)) {
        DoFatalErrors(1, 0, "Device Connect Initialization Error", true);
        SetActive(wasActive);
        return result;
    }
    DCBApply();
    DCB saved = Dcb();
    const TTraceStates savedStates = GetTraceStates();
    DCB identification = saved;
    identification.BaudRate = PNP_BAUD_RATE;
    identification.ByteSize = PNP_BYTE_SIZE;
    identification.Parity = NOPARITY;
    identification.StopBits = ONESTOPBIT;
    SetCommState(GetDeviceHandle(), &identification);
    SetTraceState({});

    SetStateDTR(false);
    SetStateRTS(false);
    Sleep(HANDSHAKE_PAUSE_MS);
    SetStateDTR(true);
    Sleep(HANDSHAKE_PAUSE_MS);
    SetStateRTS(true);
    bool answered = WaitForBytes(1, BYTE_WAIT_MS);
    if (!answered) {
        SetStateDTR(false);
        SetStateRTS(false);
        Sleep(HANDSHAKE_PAUSE_MS);
        SetStateDTR(true);
        SetStateRTS(true);
        answered = WaitForBytes(1, BYTE_WAIT_MS);
    }
    char first = 0;
    if (answered && Read(&first, 1) && (first == BEGIN_BACKSPACE || first == BEGIN_PARENTHESIS)) {
        const char end = first == BEGIN_BACKSPACE ? END_TAB : END_PARENTHESIS;
        result += first;
        char next = 0;
        while (WaitForBytes(1, BYTE_WAIT_MS) && Read(&next, 1)) {
            result += next;
            if (next == end)
                break;
        }
    }

    if (IsHandleValid())
        SetCommState(GetDeviceHandle(), &saved);
    SetTraceState(savedStates);
    SetActive(false);
    SetActive(wasActive);
    return result;
}
