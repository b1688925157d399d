#pragma once
// The machine's serial devices under COM names: ttySn with a real UART (sysfs type not 0)
// as COM(n+1); USB, ACM, AMA, Bluetooth and similar adapters with numbers from COM3 that
// are handed out once per adapter and kept in HKEY_CURRENT_USER\Software\VOKA\Ports, keyed
// by the adapter's /dev/serial/by-id name (else by-path, else the node name).
#include <utility>
#include <vector>

#include "platform/rtl/SysUtils.h"

struct DiscoveryRoots {
    AnsiString sysClassTty = "/sys/class/tty";
    AnsiString dev = "/dev";
};
// Where discovery looks; tests point it at a fake tree.
void SetDiscoveryRoots(const DiscoveryRoots& roots);
DiscoveryRoots GetDiscoveryRoots();

// (device path, "COMn") pairs, ordered by port number. Numbers in reserved are not handed
// to new adapters (ports named elsewhere, such as VOKA_PORTS entries).
std::vector<std::pair<AnsiString, AnsiString>>
DiscoverSerialDevices(const std::vector<int>& reserved = {});

// The registry key of the stable numbers, below HKEY_CURRENT_USER.
extern const char* const STABLE_PORT_NUMBERS_KEY;
