#pragma once
// The POSIX tty driver: real serial devices and pseudo-terminals.
#include <memory>
#include <string>

#include "platform/serial/SerialDriver.h"

// Opens the device non-blocking and exclusively (TIOCEXCL plus flock, so that even a
// privileged second opener is refused), in raw mode, with the input received before the open
// discarded. Null with error set on failure; a busy device is ERROR_ACCESS_DENIED.
std::unique_ptr<SerialDriver> OpenTtyDriver(const std::string& path, DWORD& error);
