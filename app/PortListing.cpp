#include "app/PortListing.h"

#include <vector>

#include "app/MainForm.h"
#include "devices/pnp/nrwin32helpers.h"

namespace {
constexpr const char* BY_ID_FOLDER = "/dev/serial/by-id/";

std::vector<AnsiString> KeyComponents(const AnsiString& Path) {
    std::vector<AnsiString> parts;
    size_t start = 0;
    while (start <= Path.size()) {
        const size_t end = std::min(Path.find('\\', start), Path.size());
        parts.push_back(Path.substr(start, end - start));
        start = end + 1;
    }
    return parts;
}

// "VID_0403&PID_6001&MI_00" gives "0403:6001".
AnsiString UsbIds(const AnsiString& DeviceId) {
    const AnsiString upper = UpperCase(DeviceId);
    const size_t vid = upper.find("VID_");
    const size_t pid = upper.find("PID_");
    if (vid == AnsiString::npos || pid == AnsiString::npos)
        return {};
    return LowerCase(upper.substr(vid + 4, 4)) + ":" + LowerCase(upper.substr(pid + 4, 4));
}

void Detail(std::FILE* out, const char* Name, const AnsiString& Value) {
    if (!Value.empty())
        std::fprintf(out, "    %s: %s\n", Name, Value.c_str());
}
} // namespace

TUsbIdentity UsbIdentityOf(const TnrDevice& Device) {
    // ...\Enum\USB\VID_0403&PID_6001\A50285BI\Device Parameters
    const std::vector<AnsiString> parts = KeyComponents(RegGetKeyParentName(Device.RegistryKey));
    TUsbIdentity identity;
    if (parts.size() < 3 || !SameText(parts[parts.size() - 3], "USB"))
        return identity;
    identity.Ids = UsbIds(parts[parts.size() - 2]);
    // Identifiers the system made up for devices without a serial number hold '&'.
    const AnsiString& instance = parts.back();
    if (instance.find('&') == AnsiString::npos)
        identity.SerialNumber = instance;
    return identity;
}

int ListPorts(bool Verbose, std::FILE* out) {
    auto port = CreateSettingsPort();
    port->SetEnumPorts(epFullInfo);
    port->GetDeviceList(nullptr);
    for (int i = 0; i < port->GetDeviceCount(); ++i) {
        const TnrDevice& device = *port->GetDevice(i);
        std::fprintf(out, "%s\n", device.DisplayName.c_str());
        if (!Verbose)
            continue;
        Detail(out, "device", device.PhysicalName);
        const AnsiString link =
            device.RegistryKey.empty()
                ? AnsiString()
                : RegReadString(HKEY_LOCAL_MACHINE, device.RegistryKey, "SymbolicName");
        Detail(out, "by-id", link.rfind(BY_ID_FOLDER, 0) == 0 ? link : AnsiString());
        Detail(out, "manufacturer", device.Manufacturer);
        Detail(out, "driver", device.Service);
        const TUsbIdentity usb = UsbIdentityOf(device);
        Detail(out, "usb id", usb.Ids);
        Detail(out, "serial number", usb.SerialNumber);
    }
    return 0;
}
