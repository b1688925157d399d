#pragma once
// The machine's serial devices under COM names, from the device database: ttySn with a
// real UART as COM(n+1); USB, ACM, AMA, Bluetooth and similar adapters with numbers from
// COM3 that are handed out once per adapter and kept in HKEY_CURRENT_USER\Software\VOKA\Ports.
// An adapter with a serial number is known by its /dev/serial/by-id name; one without (two
// identical ones share a by-id name) by its by-path name, the USB socket it is plugged into;
// else by its node name.
#include <utility>
#include <vector>

#include "platform/rtl/SysUtils.h"

// (device path, "COMn") pairs, ordered by port number. Numbers in reserved are taken in this
// run (ports named elsewhere, such as VOKA_PORTS entries): an adapter whose kept number is
// among them gets the next free number for this run and keeps its number for later.
std::vector<std::pair<AnsiString, AnsiString>>
DiscoverSerialDevices(const std::vector<int>& reserved = {});

// The registry key of the stable numbers, below HKEY_CURRENT_USER.
extern const char* const STABLE_PORT_NUMBERS_KEY;
