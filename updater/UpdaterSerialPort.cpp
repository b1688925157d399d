#include "updater/UpdaterSerialPort.h"

#include <thread>

#include "platform/win32/Comm.h"
#include "platform/win32/Files.h"

std::unique_ptr<UpdaterSerialPort> UpdaterSerialPort::Open(const std::string& device) {
    const HANDLE handle = CreateFileA(device.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr,
                                      OPEN_EXISTING, 0, nullptr);
    if (handle == INVALID_HANDLE_VALUE)
        return nullptr;
    return std::unique_ptr<UpdaterSerialPort>(new UpdaterSerialPort(handle));
}

UpdaterSerialPort::~UpdaterSerialPort() {
    CloseHandle(handle_);
}

bool UpdaterSerialPort::Setup(unsigned speed) {
    DCB dcb{};
    dcb.DCBlength = sizeof dcb;
    if (!GetCommState(handle_, &dcb))
        return false;
    dcb.BaudRate = speed;
    dcb.ByteSize = 8;
    dcb.Parity = NOPARITY;
    dcb.StopBits = ONESTOPBIT;
    dcb.fBinary = 1;
    dcb.fParity = 0;
    dcb.fOutxCtsFlow = 0;
    dcb.fOutxDsrFlow = 0;
    dcb.fDsrSensitivity = 0;
    dcb.fOutX = 0;
    dcb.fInX = 0;
    dcb.fNull = 0;
    dcb.fAbortOnError = 0;
    dcb.fDtrControl = DTR_CONTROL_DISABLE;
    dcb.fRtsControl = RTS_CONTROL_ENABLE;
    return SetCommState(handle_, &dcb) != FALSE;
}

bool UpdaterSerialPort::SetTimeouts() {
    COMMTIMEOUTS timeouts{};
    timeouts.ReadIntervalTimeout = 100;
    timeouts.ReadTotalTimeoutMultiplier = 1;
    timeouts.ReadTotalTimeoutConstant = 500;
    timeouts.WriteTotalTimeoutMultiplier = 1;
    timeouts.WriteTotalTimeoutConstant = 1000;
    return SetCommTimeouts(handle_, &timeouts) != FALSE;
}

bool UpdaterSerialPort::SetWaitMask() {
    return SetCommMask(handle_, EV_RXCHAR) != FALSE;
}

bool UpdaterSerialPort::Send(std::string_view bytes) {
    DWORD written = 0;
    return WriteFile(handle_, bytes.data(), DWORD(bytes.size()), &written, nullptr) &&
           written == bytes.size();
}

std::string UpdaterSerialPort::Receive(size_t max, std::chrono::milliseconds wait) {
    // Reads only what is queued, so one call never outlasts the caller's limit, whatever
    // the port's own read time-outs are.
    const auto deadline = std::chrono::steady_clock::now() + wait;
    for (;;) {
        DWORD errors = 0;
        COMSTAT status{};
        if (!ClearCommError(handle_, &errors, &status))
            return {};
        if (status.cbInQue > 0) {
            std::string bytes(std::min<size_t>(max, status.cbInQue), '\0');
            DWORD read = 0;
            if (!ReadFile(handle_, bytes.data(), DWORD(bytes.size()), &read, nullptr))
                return {};
            bytes.resize(read);
            return bytes;
        }
        if (std::chrono::steady_clock::now() >= deadline)
            return {};
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
}

void UpdaterSerialPort::DropInput() {
    PurgeComm(handle_, PURGE_RXCLEAR);
}
