#pragma once
// The updater's serial port through the platform's Windows comm functions.
#include <memory>

#include "platform/win32/WinTypes.h"
#include "updater/BootLink.h"

class UpdaterSerialPort : public UpdaterPort {
public:
    // Opens the device exclusively; null when it cannot be opened.
    static std::unique_ptr<UpdaterSerialPort> Open(const std::string& device);
    ~UpdaterSerialPort() override;

    bool Setup(unsigned speed) override;
    bool SetTimeouts() override;
    bool SetWaitMask() override;
    bool Send(std::string_view bytes) override;
    std::string Receive(size_t max, std::chrono::milliseconds wait) override;
    void DropInput() override;

private:
    explicit UpdaterSerialPort(HANDLE handle) : handle_(handle) {}
    HANDLE handle_;
};
