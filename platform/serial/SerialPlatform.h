#pragma once
// Joins the serial drivers to the platform: the device opener behind CreateFileA("\\\\.\\COMn")
// (a device path after the prefix, "\\\\.\\/dev/ttyUSB0", opens that device), the live port
// map behind HARDWARE\DEVICEMAP\SERIALCOMM, and the port probe of GetDefaultCommConfigA. Every
// program linking voka_serial runs this before main (the library makes the linker keep this
// unit); calling it again does nothing.
#include <utility>
#include <vector>

#include "platform/rtl/SysUtils.h"

void InitSerialPlatform();

// The port map: virtual ports, then VOKA_PORTS entries for devices that exist, then
// discovered devices; a port name or a device listed earlier (by its node or by a link to
// it) hides later entries for it.
std::vector<std::pair<AnsiString, AnsiString>> SerialPortMap();
// The device path a port name ("COM3", any letter case) stands for; empty when none.
AnsiString ResolvePortName(const AnsiString& portName);
