#pragma once
// Joins the serial drivers to the platform: the device opener behind CreateFileA("\\\\.\\COMn")
// (a device path after the prefix, "\\\\.\\/dev/ttyUSB0", opens that device), the live port
// map behind HARDWARE\DEVICEMAP\SERIALCOMM, the port probe of GetDefaultCommConfigA, and
// "kernel32.dll"!"CancelIo". Each program's main calls InitSerialPlatform before it opens a
// port; calling it again does nothing.
#include <memory>
#include <utility>
#include <vector>

#include "platform/rtl/SysUtils.h"
#include "platform/serial/SerialDriver.h"

void InitSerialPlatform();

using PortList = std::vector<std::pair<AnsiString, AnsiString>>;
// Opens the device at devicePath; null with error set to a Windows code on failure.
using SerialDriverOpener = std::unique_ptr<SerialDriver> (*)(const AnsiString& devicePath,
                                                             DWORD& error);
// (device path, port name) of the ports a driver has to offer.
using SerialPortLister = PortList (*)();
// Device paths starting with prefix open through opener (the longest registered prefix wins;
// the tty driver holds the empty prefix). A lister, when given, puts the driver's ports at the
// head of the port map. Registering a prefix again replaces its driver.
void RegisterSerialDriver(const AnsiString& prefix, SerialDriverOpener opener,
                          SerialPortLister lister = nullptr);

// The port map: the registered drivers' own ports, then VOKA_PORTS entries for devices that
// exist, then discovered devices; a port name or a device listed earlier (by its node or by a
// link to it) hides later entries for it.
PortList SerialPortMap();
// The device path a port name ("COM3", any letter case) stands for; empty when none.
AnsiString ResolvePortName(const AnsiString& portName);
