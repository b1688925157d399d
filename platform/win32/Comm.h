#pragma once
// Serial communications: the Windows records with their exact layouts, the constants,
// and the comm functions for port handles opened through CreateFileA("\\\\.\\COMn").
#include <cstddef>
#include <cstring>

#include "platform/win32/WinError.h"
#include "platform/win32/WinTypes.h"

// Device control block. Flags are a DWORD of bit fields, bit 0 = fBinary.
struct DCB {
    DWORD DCBlength;
    DWORD BaudRate;
    DWORD fBinary : 1;
    DWORD fParity : 1;
    DWORD fOutxCtsFlow : 1;
    DWORD fOutxDsrFlow : 1;
    DWORD fDtrControl : 2;
    DWORD fDsrSensitivity : 1;
    DWORD fTXContinueOnXoff : 1;
    DWORD fOutX : 1;
    DWORD fInX : 1;
    DWORD fErrorChar : 1;
    DWORD fNull : 1;
    DWORD fRtsControl : 2;
    DWORD fAbortOnError : 1;
    DWORD fDummy2 : 17;
    WORD wReserved;
    WORD XonLim;
    WORD XoffLim;
    BYTE ByteSize;
    BYTE Parity;
    BYTE StopBits;
    char XonChar;
    char XoffChar;
    char ErrorChar;
    char EofChar;
    char EvtChar;
    WORD wReserved1;
};
using LPDCB = DCB*;
static_assert(sizeof(DCB) == 28);

// The flag bits as one DWORD, as code that masks them (Flags AND 0x4DEE) sees them.
constexpr size_t DCB_FLAGS_OFFSET = 8;
inline DWORD GetDcbFlags(const DCB& dcb) {
    DWORD flags;
    std::memcpy(&flags, reinterpret_cast<const BYTE*>(&dcb) + DCB_FLAGS_OFFSET, sizeof flags);
    return flags;
}
inline void SetDcbFlags(DCB& dcb, DWORD flags) {
    std::memcpy(reinterpret_cast<BYTE*>(&dcb) + DCB_FLAGS_OFFSET, &flags, sizeof flags);
}

struct COMMTIMEOUTS {
    DWORD ReadIntervalTimeout;
    DWORD ReadTotalTimeoutMultiplier;
    DWORD ReadTotalTimeoutConstant;
    DWORD WriteTotalTimeoutMultiplier;
    DWORD WriteTotalTimeoutConstant;
};
using LPCOMMTIMEOUTS = COMMTIMEOUTS*;
static_assert(sizeof(COMMTIMEOUTS) == 20);

struct COMMCONFIG {
    DWORD dwSize;
    WORD wVersion;
    WORD wReserved;
    DCB dcb;
    DWORD dwProviderSubType;
    DWORD dwProviderOffset;
    DWORD dwProviderSize;
    WCHAR wcProviderData[1];
};
using LPCOMMCONFIG = COMMCONFIG*;
static_assert(sizeof(COMMCONFIG) == 52);
static_assert(offsetof(COMMCONFIG, dcb) == 8);

struct COMSTAT {
    DWORD fCtsHold : 1;
    DWORD fDsrHold : 1;
    DWORD fRlsdHold : 1;
    DWORD fXoffHold : 1;
    DWORD fXoffSent : 1;
    DWORD fEof : 1;
    DWORD fTxim : 1;
    DWORD fReserved : 25;
    DWORD cbInQue;
    DWORD cbOutQue;
};
using LPCOMSTAT = COMSTAT*;
static_assert(sizeof(COMSTAT) == 12);

struct COMMPROP {
    WORD wPacketLength;
    WORD wPacketVersion;
    DWORD dwServiceMask;
    DWORD dwReserved1;
    DWORD dwMaxTxQueue;
    DWORD dwMaxRxQueue;
    DWORD dwMaxBaud;
    DWORD dwProvSubType;
    DWORD dwProvCapabilities;
    DWORD dwSettableParams;
    DWORD dwSettableBaud;
    WORD wSettableData;
    WORD wSettableStopParity;
    DWORD dwCurrentTxQueue;
    DWORD dwCurrentRxQueue;
    DWORD dwProvSpec1;
    DWORD dwProvSpec2;
    WCHAR wcProvChar[1];
};
using LPCOMMPROP = COMMPROP*;
static_assert(sizeof(COMMPROP) == 64);

// Events (SetCommMask, WaitCommEvent).
constexpr DWORD EV_RXCHAR = 0x0001;
constexpr DWORD EV_RXFLAG = 0x0002;
constexpr DWORD EV_TXEMPTY = 0x0004;
constexpr DWORD EV_CTS = 0x0008;
constexpr DWORD EV_DSR = 0x0010;
constexpr DWORD EV_RLSD = 0x0020;
constexpr DWORD EV_BREAK = 0x0040;
constexpr DWORD EV_ERR = 0x0080;
constexpr DWORD EV_RING = 0x0100;
constexpr DWORD EV_PERR = 0x0200;
constexpr DWORD EV_RX80FULL = 0x0400;
constexpr DWORD EV_EVENT1 = 0x0800;
constexpr DWORD EV_EVENT2 = 0x1000;

// Line errors (ClearCommError).
constexpr DWORD CE_RXOVER = 0x0001;
constexpr DWORD CE_OVERRUN = 0x0002;
constexpr DWORD CE_RXPARITY = 0x0004;
constexpr DWORD CE_FRAME = 0x0008;
constexpr DWORD CE_BREAK = 0x0010;
constexpr DWORD CE_TXFULL = 0x0100;
constexpr DWORD CE_PTO = 0x0200;
constexpr DWORD CE_IOE = 0x0400;
constexpr DWORD CE_DNS = 0x0800;
constexpr DWORD CE_OOP = 0x1000;
constexpr DWORD CE_MODE = 0x8000;

// PurgeComm flags.
constexpr DWORD PURGE_TXABORT = 0x0001;
constexpr DWORD PURGE_RXABORT = 0x0002;
constexpr DWORD PURGE_TXCLEAR = 0x0004;
constexpr DWORD PURGE_RXCLEAR = 0x0008;

// Modem inputs (GetCommModemStatus).
constexpr DWORD MS_CTS_ON = 0x0010;
constexpr DWORD MS_DSR_ON = 0x0020;
constexpr DWORD MS_RING_ON = 0x0040;
constexpr DWORD MS_RLSD_ON = 0x0080;

// EscapeCommFunction codes.
constexpr DWORD SETXOFF = 1;
constexpr DWORD SETXON = 2;
constexpr DWORD SETRTS = 3;
constexpr DWORD CLRRTS = 4;
constexpr DWORD SETDTR = 5;
constexpr DWORD CLRDTR = 6;
constexpr DWORD RESETDEV = 7;
constexpr DWORD SETBREAK = 8;
constexpr DWORD CLRBREAK = 9;

constexpr DWORD DTR_CONTROL_DISABLE = 0;
constexpr DWORD DTR_CONTROL_ENABLE = 1;
constexpr DWORD DTR_CONTROL_HANDSHAKE = 2;
constexpr DWORD RTS_CONTROL_DISABLE = 0;
constexpr DWORD RTS_CONTROL_ENABLE = 1;
constexpr DWORD RTS_CONTROL_HANDSHAKE = 2;
constexpr DWORD RTS_CONTROL_TOGGLE = 3;

constexpr BYTE NOPARITY = 0;
constexpr BYTE ODDPARITY = 1;
constexpr BYTE EVENPARITY = 2;
constexpr BYTE MARKPARITY = 3;
constexpr BYTE SPACEPARITY = 4;
constexpr BYTE ONESTOPBIT = 0;
constexpr BYTE ONE5STOPBITS = 1;
constexpr BYTE TWOSTOPBITS = 2;

constexpr DWORD CBR_110 = 110;
constexpr DWORD CBR_300 = 300;
constexpr DWORD CBR_600 = 600;
constexpr DWORD CBR_1200 = 1200;
constexpr DWORD CBR_2400 = 2400;
constexpr DWORD CBR_4800 = 4800;
constexpr DWORD CBR_9600 = 9600;
constexpr DWORD CBR_14400 = 14400;
constexpr DWORD CBR_19200 = 19200;
constexpr DWORD CBR_38400 = 38400;
constexpr DWORD CBR_57600 = 57600;
constexpr DWORD CBR_115200 = 115200;
constexpr DWORD CBR_128000 = 128000;
constexpr DWORD CBR_256000 = 256000;

// COMMPROP contents.
constexpr DWORD SP_SERIALCOMM = 0x00000001;
constexpr DWORD PST_RS232 = 0x00000001;
constexpr DWORD PCF_DTRDSR = 0x0001;
constexpr DWORD PCF_RTSCTS = 0x0002;
constexpr DWORD PCF_RLSD = 0x0004;
constexpr DWORD PCF_PARITY_CHECK = 0x0008;
constexpr DWORD PCF_XONXOFF = 0x0010;
constexpr DWORD PCF_SETXCHAR = 0x0020;
constexpr DWORD PCF_TOTALTIMEOUTS = 0x0040;
constexpr DWORD PCF_INTTIMEOUTS = 0x0080;
constexpr DWORD PCF_SPECIALCHARS = 0x0100;
constexpr DWORD PCF_16BITMODE = 0x0200;
constexpr DWORD SP_PARITY = 0x0001;
constexpr DWORD SP_BAUD = 0x0002;
constexpr DWORD SP_DATABITS = 0x0004;
constexpr DWORD SP_STOPBITS = 0x0008;
constexpr DWORD SP_HANDSHAKING = 0x0010;
constexpr DWORD SP_PARITY_CHECK = 0x0020;
constexpr DWORD SP_RLSD = 0x0040;
constexpr DWORD BAUD_USER = 0x10000000;
constexpr WORD DATABITS_5 = 0x0001;
constexpr WORD DATABITS_6 = 0x0002;
constexpr WORD DATABITS_7 = 0x0004;
constexpr WORD DATABITS_8 = 0x0008;
constexpr WORD STOPBITS_10 = 0x0001;
constexpr WORD STOPBITS_15 = 0x0002;
constexpr WORD STOPBITS_20 = 0x0004;
constexpr WORD PARITY_NONE = 0x0100;
constexpr WORD PARITY_ODD = 0x0200;
constexpr WORD PARITY_EVEN = 0x0400;
constexpr WORD PARITY_MARK = 0x0800;
constexpr WORD PARITY_SPACE = 0x1000;

BOOL SetupComm(HANDLE hFile, DWORD dwInQueue, DWORD dwOutQueue);
BOOL GetCommState(HANDLE hFile, LPDCB lpDCB);
BOOL SetCommState(HANDLE hFile, LPDCB lpDCB);
BOOL GetCommConfig(HANDLE hCommDev, LPCOMMCONFIG lpCC, LPDWORD lpdwSize);
BOOL SetCommConfig(HANDLE hCommDev, LPCOMMCONFIG lpCC, DWORD dwSize);
// A fixed 9600 8N1 configuration when the named port ("COM3") exists; FALSE otherwise.
BOOL GetDefaultCommConfigA(LPCSTR lpszName, LPCOMMCONFIG lpCC, LPDWORD lpdwSize);
BOOL GetCommTimeouts(HANDLE hFile, LPCOMMTIMEOUTS lpCommTimeouts);
BOOL SetCommTimeouts(HANDLE hFile, LPCOMMTIMEOUTS lpCommTimeouts);
BOOL SetCommMask(HANDLE hFile, DWORD dwEvtMask);
BOOL GetCommMask(HANDLE hFile, LPDWORD lpEvtMask);
BOOL WaitCommEvent(HANDLE hFile, LPDWORD lpEvtMask, LPOVERLAPPED lpOverlapped);
BOOL ClearCommError(HANDLE hFile, LPDWORD lpErrors, LPCOMSTAT lpStat);
BOOL PurgeComm(HANDLE hFile, DWORD dwFlags);
BOOL EscapeCommFunction(HANDLE hFile, DWORD dwFunc);
BOOL GetCommModemStatus(HANDLE hFile, LPDWORD lpModemStat);
BOOL GetCommProperties(HANDLE hFile, LPCOMMPROP lpCommProp);
BOOL TransmitCommChar(HANDLE hFile, char cChar);
BOOL SetCommBreak(HANDLE hFile);
BOOL ClearCommBreak(HANDLE hFile);

// Overlapped results for any handle: with bWait the call blocks until the operation ends.
BOOL GetOverlappedResult(HANDLE hFile, LPOVERLAPPED lpOverlapped,
                         LPDWORD lpNumberOfBytesTransferred, BOOL bWait);
// Cancels the calling thread's pending I/O on the handle. Also reachable by run-time
// lookup as "kernel32.dll"!"CancelIo" once InitSerialPlatform has run.
BOOL CancelIo(HANDLE hFile);
