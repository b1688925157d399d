#include "platform/serial/SerialPlatform.h"

#include <mutex>

#include "platform/serial/CommPort.h"
#include "platform/serial/PortDiscovery.h"
#include "platform/serial/TtyDriver.h"
#include "platform/serial/VirtualPortDriver.h"
#include "platform/win32/Registry.h"

namespace {
using PortList = std::vector<std::pair<AnsiString, AnsiString>>;

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
    std::unique_ptr<SerialDriver> driver = device.rfind("virtual:", 0) == 0
                                               ? OpenVirtualPortDriver(device, error)
                                               : OpenTtyDriver(device, error);
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

PortList SerialPortMap() {
    PortList ports = ListVirtualPorts();
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
        SetDeviceOpener(&OpenSerialDevice);
        SetSerialPortMapProvider(&SerialPortMap);
        SetCommPortProbe(&PortExists);
    });
}

// Kept by the linker in every program that links voka_serial (see its CMakeLists.txt).
extern "C" {
extern const int VokaSerialPlatformAnchor;
const int VokaSerialPlatformAnchor = (InitSerialPlatform(), 1);
}
