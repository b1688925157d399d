// The provider behind the live HARDWARE\DEVICEMAP\SERIALCOMM key.
#include <cstdlib>
#include <mutex>

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
        size_t equals = entry.find('=');
        if (equals == AnsiString::npos)
            continue;
        AnsiString port = Trim(entry.substr(0, equals));
        AnsiString device = Trim(entry.substr(equals + 1));
        if (port.empty() || device.empty())
            continue;
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
