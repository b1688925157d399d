#pragma once
// The near end of virtual ports, for the port map and the device opener.
#include <memory>
#include <utility>
#include <vector>

#include "platform/rtl/SysUtils.h"
#include "platform/serial/SerialDriver.h"

// Opens the virtual port listed under devicePath; null with error set when there is none
// (ERROR_FILE_NOT_FOUND) or it is open already (ERROR_ACCESS_DENIED).
std::unique_ptr<SerialDriver> OpenVirtualPortDriver(const AnsiString& devicePath, DWORD& error);
// (device path, port name) of every live virtual port.
std::vector<std::pair<AnsiString, AnsiString>> ListVirtualPorts();
