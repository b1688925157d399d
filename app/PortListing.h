#pragma once
// `voka ports [--verbose]`: the serial component's device list with the ports' plug-and-play
// details (epFullInfo), one port a line in ascending number order, each its display text
// ("COM3 (FT232R USB UART)"). Verbose adds per port, as indented "name: value" lines, what is
// known of it: the device path, the /dev/serial/by-id link, the manufacturer, the driver,
// and for USB the vendor and product ids (0403:6001) and the serial number.
#include <cstdio>

#include "devices/pnp/Device.h"

// Prints the list to out; returns the exit status.
int ListPorts(bool Verbose, std::FILE* out = stdout);

// The USB vendor and product ids ("0403:6001") and serial number of a device record, read
// from the instance part of its registry key; empty when it is no USB device or has none.
struct TUsbIdentity {
    AnsiString Ids;
    AnsiString SerialNumber;
};
TUsbIdentity UsbIdentityOf(const TnrDevice& Device);
