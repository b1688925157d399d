#include "platform/serial/SerialPlatform.h"

#include <filesystem>
#include <mutex>

#include "platform/serial/CommPort.h"
#include "platform/serial/PortDiscovery.h"
#include "platform/serial/TtyDriver.h"
#include "platform/win32/Modules.h"
#include "platform/win32/Registry.h"

namespace fs = std::filesystem;

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

// The driver whose prefix is the longest that starts devicePath; none when nothing matches.
DriverEntry DriverFor(const AnsiString& devicePath) {
    auto& table = Drivers();
    std::lock_guard guard(table.lock);
    const DriverEntry* best = nullptr;
    for (const auto& entry : table.entries)
        if (devicePath.rfind(entry.prefix, 0) == 0 &&
            (!best || entry.prefix.size() > best->prefix.size()))
            best = &entry;
    return best ? *best : DriverEntry{};
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

// The device a path stands for, its links followed. Not realpath: under a faked /dev a
// tty node can make realpath fail badly, and only the links matter here.
AnsiString ResolveLinks(const AnsiString& device) {
    fs::path path = fs::path(device).lexically_normal();
    for (int hops = 0; hops < 40; ++hops) {
        std::error_code error;
        const fs::path target = fs::read_symlink(path, error);
        if (error)
            break;
        path = (target.is_absolute() ? target : path.parent_path() / target).lexically_normal();
    }
    return path.string();
}

// The port map being built, each device also under its resolved path.
class PortMapBuilder {
public:
    // Adds the entry unless its port name or its device (however named) is listed already.
    void AddUnlisted(const std::pair<AnsiString, AnsiString>& entry) {
        const AnsiString resolved = ResolveLinks(entry.first);
        for (size_t i = 0; i < ports_.size(); ++i)
            if (resolved_[i] == resolved || SameText(ports_[i].second, entry.second))
                return;
        ports_.push_back(entry);
        resolved_.push_back(resolved);
    }
    const PortList& Ports() const { return ports_; }
    // The device listed for a port name (any letter case); empty when none is.
    AnsiString Find(const AnsiString& portName) const {
        for (const auto& [device, port] : ports_)
            if (SameText(port, portName))
                return device;
        return {};
    }

private:
    PortList ports_;
    std::vector<AnsiString> resolved_;
};

// A VOKA_PORTS entry names a device node (or a link to one) that may not exist right now;
// a device of a driver with a prefix of its own (not a node) is that driver's to open.
bool DeviceExists(const AnsiString& device) {
    std::error_code error;
    return !DriverFor(device).prefix.empty() || fs::exists(fs::path(device), error);
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
    const SerialDriverOpener opener = DriverFor(device).opener;
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

namespace {
// The ports named without asking the device database: the drivers' own ports and VOKA_PORTS.
PortMapBuilder NamedPorts() {
    PortMapBuilder map;
    for (SerialPortLister lister : PortListers())
        for (const auto& entry : lister())
            map.AddUnlisted(entry);
    for (const auto& entry : PortsFromEnvironment())
        if (DeviceExists(entry.first))
            map.AddUnlisted(entry);
    return map;
}

void AddDiscoveredPorts(PortMapBuilder& map) {
    std::vector<int> reserved;
    for (const auto& [device, port] : map.Ports())
        reserved.push_back(PortNumber(port));
    for (const auto& entry : DiscoverSerialDevices(reserved))
        map.AddUnlisted(entry);
}
} // namespace

PortList SerialPortMap() {
    PortMapBuilder map = NamedPorts();
    AddDiscoveredPorts(map);
    return map.Ports();
}

AnsiString ResolvePortName(const AnsiString& portName) {
    if (portName.empty())
        return {};
    // Named ports come first in the map: they are found without reading the device
    // database, which every open would otherwise do.
    PortMapBuilder map = NamedPorts();
    if (AnsiString device = map.Find(portName); !device.empty())
        return device;
    AddDiscoveredPorts(map);
    return map.Find(portName);
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
