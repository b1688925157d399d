// The provider behind the live HARDWARE\DEVICEMAP\SERIALCOMM key.
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <mutex>
#include <set>

#include "platform/win32/RegistryKeys.h"

namespace {
std::mutex providerMutex;
SerialPortMapProvider& Provider() {
    static auto* provider = new SerialPortMapProvider;
    return *provider;
}

bool StartsWithNoCase(const AnsiString& text, const AnsiString& prefix) {
    return text.size() >= prefix.size() && SameName(text.substr(0, prefix.size()), prefix);
}
} // namespace

const char* const SERIAL_COMM_PATH = "HARDWARE\\DEVICEMAP\\SERIALCOMM";

bool IsLivePortMap(HiveId hive, const AnsiString& path) {
    return hive == HiveId::Machine && SameName(path, SERIAL_COMM_PATH);
}

bool IsAboveLivePortMap(HiveId hive, const AnsiString& path) {
    return hive == HiveId::Machine &&
           (SameName(path, "HARDWARE") || SameName(path, "HARDWARE\\DEVICEMAP"));
}

bool IsBelowLivePortMap(HiveId hive, const AnsiString& path) {
    return hive == HiveId::Machine && StartsWithNoCase(path, AnsiString(SERIAL_COMM_PATH) + '\\');
}

void SetSerialPortMapProvider(SerialPortMapProvider provider) {
    std::lock_guard guard(providerMutex);
    Provider() = std::move(provider);
}

namespace {
// "COM" (any letter case) and a decimal number from 1: what the port list can number.
bool IsPortName(const AnsiString& port) {
    if (port.size() <= 3 || port.size() > 12 || !StartsWithNoCase(port, "COM"))
        return false;
    const AnsiString digits = port.substr(3);
    return std::all_of(digits.begin(), digits.end(), [](char c) { return c >= '0' && c <= '9'; }) &&
           std::stoll(digits) > 0;
}

// Once per entry and process: the map is read again at every port list and open.
void WarnSkipped(const AnsiString& entry) {
    static std::mutex warnedMutex;
    static auto* warned = new std::set<AnsiString>;
    std::lock_guard guard(warnedMutex);
    if (warned->insert(entry).second)
        std::fprintf(stderr,
                     "voka: VOKA_PORTS entry \"%s\" skipped: it is not COMn=device (such as "
                     "COM9=/dev/ttyUSB0)\n",
                     entry.c_str());
}
} // namespace

PortList PortsFromEnvironment() {
    PortList ports;
    const char* variable = std::getenv("VOKA_PORTS");
    AnsiString entries = variable ? variable : "";
    size_t start = 0;
    while (start < entries.size()) {
        size_t end = entries.find(';', start);
        if (end == AnsiString::npos)
            end = entries.size();
        AnsiString entry = entries.substr(start, end - start);
        start = end + 1;
        if (Trim(entry).empty())
            continue;
        size_t equals = entry.find('=');
        AnsiString port = Trim(entry.substr(0, equals));
        AnsiString device = equals == AnsiString::npos ? "" : Trim(entry.substr(equals + 1));
        if (!IsPortName(port) || device.empty()) {
            WarnSkipped(Trim(entry));
            continue;
        }
        bool known = false;
        for (const auto& [knownDevice, knownPort] : ports)
            known = known || SameName(knownDevice, device);
        if (!known) // value names are unique in a key: the first entry for a device wins
            ports.emplace_back(device, port);
    }
    return ports;
}

PortList CurrentSerialPorts() {
    SerialPortMapProvider provider;
    {
        std::lock_guard guard(providerMutex);
        provider = Provider();
    }
    return provider ? provider() : PortsFromEnvironment();
}
