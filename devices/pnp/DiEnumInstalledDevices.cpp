// One setup class (or interface class) of the setup API as device records.
#include <cstring>
#include <memory>
#include <vector>

#include "devices/pnp/Device.h"
#include "devices/pnp/nrwin32di.h"
#include "devices/pnp/nrwin32helpers.h"

namespace {
constexpr DWORD PROPERTY_BUFFER_SIZE = 512;
constexpr DWORD INSTANCE_ID_BUFFER_SIZE = 256;
constexpr DWORD INTERFACE_DETAIL_FIXED_SIZE = sizeof(SP_DEVICE_INTERFACE_DETAIL_DATA_A);

AnsiString Property(HDEVINFO Set, SP_DEVINFO_DATA& Info, DWORD Property) {
    char buffer[PROPERTY_BUFFER_SIZE] = {};
    if (!SetupDI().SetupDiGetDeviceRegistryPropertyA(Set, &Info, Property, nullptr,
                                                     reinterpret_cast<BYTE*>(buffer),
                                                     PROPERTY_BUFFER_SIZE, nullptr))
        return {};
    return AnsiString(buffer, strnlen(buffer, PROPERTY_BUFFER_SIZE));
}

void ReadDeviceKey(HDEVINFO Set, SP_DEVINFO_DATA& Info, TnrDevice& Device) {
    HKEY key =
        SetupDI().SetupDiOpenDevRegKey(Set, &Info, DICS_FLAG_GLOBAL, 0, DIREG_DEV, KEY_QUERY_VALUE);
    if (key == INVALID_HANDLE_VALUE)
        return;
    HKEY root = nullptr;
    Device.RegistryKey = RegGetKeyFullName(key, &root);
    RegCloseKey(key);
    Device.SymbolicName = RegReadString(HKEY_LOCAL_MACHINE, Device.RegistryKey, "SymbolicName");
    Device.DevicePortName = RegReadString(HKEY_LOCAL_MACHINE, Device.RegistryKey, "PortName");
}

void ReadInstance(HDEVINFO Set, SP_DEVINFO_DATA& Info, TnrDevice& Device) {
    char buffer[INSTANCE_ID_BUFFER_SIZE] = {};
    DWORD size = 0;
    if (!SetupDI().SetupDiGetDeviceInstanceIdA(Set, &Info, buffer, INSTANCE_ID_BUFFER_SIZE,
                                               &size) ||
        size == 0)
        return;
    Device.InstanceId = AnsiString(buffer, std::min(size, INSTANCE_ID_BUFFER_SIZE) - 1);
    Device.DevNode = Info.DevInst;
    Device.BusRelations = DiGetBusRelations(Device.InstanceId, ";");
}

void ReadInterfacePath(HDEVINFO Set, SP_DEVINFO_DATA& Info, const GUID& ClassGuid,
                       TnrDevice& Device) {
    const TSetupDIFunctions& f = SetupDI();
    SP_DEVICE_INTERFACE_DATA interfaceData;
    interfaceData.cbSize = sizeof interfaceData;
    if (!f.SetupDiEnumDeviceInterfaces(Set, &Info, &ClassGuid, 0, &interfaceData))
        return;
    DWORD needed = 0;
    f.SetupDiGetDeviceInterfaceDetailA(Set, &interfaceData, nullptr, 0, &needed, nullptr);
    if (needed == 0)
        return;
    std::vector<char> block(std::max(needed, INTERFACE_DETAIL_FIXED_SIZE), '\0');
    auto* detail = reinterpret_cast<SP_DEVICE_INTERFACE_DETAIL_DATA_A*>(block.data());
    detail->cbSize = INTERFACE_DETAIL_FIXED_SIZE;
    if (f.SetupDiGetDeviceInterfaceDetailA(Set, &interfaceData, detail, needed, nullptr, nullptr)) {
        const size_t pathRoom =
            block.size() - offsetof(SP_DEVICE_INTERFACE_DETAIL_DATA_A, DevicePath);
        Device.SymbolicName = AnsiString(detail->DevicePath, strnlen(detail->DevicePath, pathRoom));
    }
}
} // namespace

void DiEnumInstalledDevices(const GUID& ClassGuid, bool PresentOnly, bool Interfaces,
                            TStrings& Strings) {
    if (!IniSetupDI())
        return;
    const TSetupDIFunctions& f = SetupDI();
    const DWORD flags =
        (PresentOnly ? DIGCF_PRESENT : 0) | (Interfaces ? DIGCF_DEVICEINTERFACE : 0);
    HDEVINFO set = f.SetupDiGetClassDevsA(&ClassGuid, nullptr, nullptr, flags);
    if (set == INVALID_HANDLE_VALUE)
        return;
    SP_DEVINFO_DATA info;
    info.cbSize = sizeof info;
    for (DWORD index = 0; f.SetupDiEnumDeviceInfo(set, index, &info); ++index) {
        auto device = std::make_unique<TnrDevice>();
        device->DriverKey = Property(set, info, SPDRP_DRIVER);
        device->Service = Property(set, info, SPDRP_SERVICE);
        device->PhysicalName = Property(set, info, SPDRP_PHYSICAL_DEVICE_OBJECT_NAME);
        device->Description = Property(set, info, SPDRP_DEVICEDESC);
        device->Manufacturer = Property(set, info, SPDRP_MFG);
        ReadDeviceKey(set, info, *device);
        ReadInstance(set, info, *device);
        if (Interfaces)
            ReadInterfacePath(set, info, ClassGuid, *device);
        const AnsiString key = device->DriverKey;
        Strings.AddObject(key, device.get());
        device.release();
    }
    f.SetupDiDestroyDeviceInfoList(set);
}
