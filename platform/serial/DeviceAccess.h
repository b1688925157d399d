#pragma once
// Why a port's device cannot be opened when its permissions are the reason: the device
// node and the group whose members may open it.
#include <optional>

#include "platform/rtl/SysUtils.h"

struct DeniedDevice {
    AnsiString node;  // "/dev/ttyUSB0"
    AnsiString group; // "dialout"; the group's number when it has no name
};

// The device behind a port name ("COM3") when the calling user may not read and write it;
// nothing when the port names no device node or its permissions let the user in (a busy
// port is refused for another reason).
std::optional<DeniedDevice> DeniedPortDevice(const AnsiString& portName);
