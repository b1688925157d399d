// The serial component's device list: the machine's ports from the port map, in the full
// modes with the plug-and-play details of the devices behind them.
#include <memory>

#include "comm/SerialComm.h"
#include "comm/nrwin32.h"
#include "devices/pnp/nrwin32di.h"
#include "platform/win32/DevGuid.h"

namespace {
struct TSetupClass {
    const GUID& Guid;
    bool Interfaces;
};
// Interface classes first; within the table's order a device matches by its first record.
const TSetupClass SETUP_CLASSES[] = {
    {GUID_DEVINTERFACE_MODEM, true},
    {GUID_DEVINTERFACE_COMPORT, true},
    {GUID_DEVINTERFACE_SERENUM_BUS_ENUMERATOR, true},
    {GUID_DEVCLASS_PORTS, false},
    {GUID_DEVCLASS_INFRARED, false},
    {GUID_DEVCLASS_ADAPTER, false},
    {GUID_DEVCLASS_BLUETOOTH, false},
    {GUID_DEVCLASS_MODEM, false},
    {GUID_DEVCLASS_MULTIFUNCTION, false},
    {GUID_DEVCLASS_MULTIPORTSERIAL, false},
    {GUID_DEVCLASS_LEGACYDRIVER, false},
    {GUID_DEVCLASS_NODRIVER, false},
};

// The setup records of one loading; the records left over go with it.
class TSetupRecords {
public:
    explicit TSetupRecords(bool PresentOnly) {
        for (const TSetupClass& setupClass : SETUP_CLASSES)
            DiEnumInstalledDevices(setupClass.Guid, PresentOnly, setupClass.Interfaces, FList);
    }
    ~TSetupRecords() {
        for (int i = 0; i < FList.Count(); ++i)
            delete FList.Objects(i);
    }
    TSetupRecords(const TSetupRecords&) = delete;
    TSetupRecords& operator=(const TSetupRecords&) = delete;

    // Copies the details of the first record for the port to Device and consumes that
    // record; false when no record names the port.
    bool TakeDetails(TnrDevice& Device) {
        for (int i = 0; i < FList.Count(); ++i) {
            std::unique_ptr<TnrDevice> record(static_cast<TnrDevice*>(FList.Objects(i)));
            if (!AnsiSameText(record->DevicePortName, Device.PortName)) {
                record.release();
                continue;
            }
            FList.Delete(i);
            Device.Service = record->Service;
            Device.Description = record->Description;
            if (!Device.Description.empty())
                Device.DisplayName += " (" + Device.Description + ")";
            Device.DriverKey = record->DriverKey;
            Device.Manufacturer = record->Manufacturer;
            Device.DevicePortName = record->DevicePortName;
            Device.RegistryKey = record->RegistryKey;
            return true;
        }
        return false;
    }

private:
    TStringList FList;
};
} // namespace

void TnrCustomSerialComm::DeviceListLoad() {
    const bool fullInfo = FEnumPorts != epQuickAll;
    const bool presentOnly = FEnumPorts == epFullPresent;
    std::unique_ptr<TSetupRecords> records;
    if (fullInfo)
        records = std::make_unique<TSetupRecords>(presentOnly);
    TStringList ports;
    GetPortList(ports, true);
    for (int i = 0; i < ports.Count(); ++i) {
        const AnsiString entry = ports.Strings(i);
        const auto equals = entry.find('=');
        auto device = std::make_unique<TnrDevice>();
        device->DisplayName = entry.substr(0, equals);
        device->PortName = device->DisplayName;
        device->PhysicalName = equals == AnsiString::npos ? AnsiString() : entry.substr(equals + 1);
        device->Data = PortListNumber(ports, i);
        if (fullInfo && !records->TakeDetails(*device) && presentOnly)
            continue;
        AddDevice(device.get());
        device.release();
    }
}

void TnrCustomSerialComm::Update() {
    DeviceListClear();
    GetDeviceList(nullptr);
    TnrCustomComm::Update();
}

void TnrCustomSerialComm::SetDeviceIndex(int32_t Index) {
    if (Index >= 0 && Index < GetDeviceCount())
        SetComPortNo(static_cast<uint16_t>(GetDevice(Index)->Data));
}

int32_t TnrCustomSerialComm::GetDeviceIndex() {
    return IndexOfDeviceData(FComPortNo);
}
