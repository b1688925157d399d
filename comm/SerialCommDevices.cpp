// The serial component's device list: the machine's ports from the port map.
#include <memory>

#include "comm/SerialComm.h"
#include "comm/nrwin32.h"

void TnrCustomSerialComm::DeviceListLoad() {
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
