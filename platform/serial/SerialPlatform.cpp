#include "platform/serial/SerialPlatform.h"

#include <mutex>

#include "platform/serial/CommPort.h"
#include "platform/serial/PortDiscovery.h"
#include "platform/serial/TtyDriver.h"
#include "platform/win32/Modules.h"
#include "platform/win32/Registry.h"

namespace {
struct DriverEntry {
    AnsiString prefix;
    SerialDriverOpener opener;
    SerialPortLister lister;
};

struct DriverTable {
    std::mutex lock;
    std::vector<DriverEntry> entries;
};
DriverTable& Drivers() {
    static DriverTable table;
    return table;
}

SerialDriverOpener OpenerFor(const AnsiString& devicePath) {
    auto& table = Drivers();
    std::lock_guard guard(table.lock);
    const DriverEntry* best = nullptr;
    for (const auto& entry : table.entries)
        if (devicePath.rfind(entry.prefix, 0) == 0 &&
            (!best || entry.prefix.size() > best->prefix.size()))
            best = &entry;
    return best ? best->opener : nullptr;
}

std::vector<SerialPortLister> PortListers() {
    auto& table = Drivers();
    std::lock_guard guard(table.lock);
    std::vector<SerialPortLister> listers;
    for (const auto& entry : table.entries)
        if (entry.lister)
            listers.push_back(entry.lister);
    return listers;
}

std::unique_ptr<SerialDriver> OpenTtyDevice(const AnsiString& devicePath, DWORD& error) {
    return OpenTtyDriver(devicePath, error);
}

int PortNumber(const AnsiString& portName) {
    if (portName.size() <= 3 || CompareText(portName.substr(0, 3), "COM") != 0)
        return 0;
    return StrToIntDef(portName.substr(3), 0);
}

void AddUnlisted(PortList& ports, const PortList& more) {
    for (const auto& entry : more) {
        bool listed = false;
        for (const auto& [device, port] : ports)
            listed = listed || device == entry.first || SameText(port, entry.second);
        if (!listed)
            ports.push_back(entry);
    }
}

AnsiString PortNameOf(const AnsiString& deviceName) {
    for (const char* prefix : {"\\\\.\\", "\\\\?\\"})
        if (deviceName.rfind(prefix, 0) == 0)
            return deviceName.substr(4);
    return deviceName;
}

HANDLE OpenSerialDevice(LPCSTR name, DWORD access, DWORD share, DWORD flags) {
    (void)access, (void)share, (void)flags; // ports are always exclusive and overlapped
    // A device path ("\\.\/dev/ttyUSB0") names its device itself; a port name, which never
    // holds a '/', goes through the port map.
    const AnsiString portName = PortNameOf(name ? name : "");
    const bool path = portName.find('/') != AnsiString::npos;
    const AnsiString device = path ? portName : ResolvePortName(portName);
    if (device.empty()) {
        SetLastError(ERROR_FILE_NOT_FOUND);
        return INVALID_HANDLE_VALUE;
    }
    DWORD error = ERROR_SUCCESS;
    const SerialDriverOpener opener = OpenerFor(device);
    std::unique_ptr<SerialDriver> driver = opener ? opener(device, error) : nullptr;
    if (!driver) {
        SetLastError(error ? error : ERROR_FILE_NOT_FOUND);
        return INVALID_HANDLE_VALUE;
    }
    return RegisterHandle(std::make_shared<CommPort>(std::move(driver)));
}

bool PortExists(const AnsiString& portName) {
    return !ResolvePortName(PortNameOf(portName)).empty();
}
} // namespace

void RegisterSerialDriver(const AnsiString& prefix, SerialDriverOpener opener,
                          SerialPortLister lister) {
    auto& table = Drivers();
    std::lock_guard guard(table.lock);
    for (auto& entry : table.entries)
        if (entry.prefix == prefix) {
            entry = {prefix, opener, lister};
            return;
        }
    table.entries.push_back({prefix, opener, lister});
}

PortList SerialPortMap() {
    PortList ports;
    for (SerialPortLister lister : PortListers())
        AddUnlisted(ports, lister());
    AddUnlisted(ports, PortsFromEnvironment());
    std::vector<int> reserved;
    for (const auto& [device, port] : ports)
        reserved.push_back(PortNumber(port));
    AddUnlisted(ports, DiscoverSerialDevices(reserved));
    return ports;
}

AnsiString ResolvePortName(const AnsiString& portName) {
    if (portName.empty())
        return {};
    for (const auto& [device, port] : SerialPortMap())
        if (SameText(port, portName))
            return device;
    return {};
}

void InitSerialPlatform() {
    static std::once_flag once;
    std::call_once(once, [] {
        RegisterSerialDriver("", &OpenTtyDevice);
        // The port layer looks CancelIo up at run time.
        RegisterModuleProc("kernel32.dll", "CancelIo", &CancelIo);
        SetDeviceOpener(&OpenSerialDevice);
        SetSerialPortMapProvider(&SerialPortMap);
        SetCommPortProbe(&PortExists);
    });
}
