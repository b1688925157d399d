// The device list of an I/O component.
#include "comm/BaseIO.h"

int32_t TnrBaseIO::AddDevice(TnrDevice* Device) {
    const int32_t index = FDeviceList->AddObject(Device->DisplayName, Device);
    Device->Index = index;
    Device->Owner = this;
    return index;
}

TnrDevice* TnrBaseIO::GetDevice(int32_t Index) const {
    return static_cast<TnrDevice*>(FDeviceList->Objects(Index));
}

int32_t TnrBaseIO::GetDeviceCount() const {
    return FDeviceList->Count();
}

int32_t TnrBaseIO::IndexOfDevice(const TnrDevice* Device) const {
    return FDeviceList->IndexOfObject(Device);
}

int32_t TnrBaseIO::IndexOfDeviceData(int32_t Value) const {
    for (int32_t i = 0; i < GetDeviceCount(); ++i)
        if (GetDevice(i)->Data == Value)
            return i;
    return -1;
}

void TnrBaseIO::DeviceListClear() {
    if (FOwnsDevices)
        for (int32_t i = 0; i < FDeviceList->Count(); ++i)
            delete FDeviceList->Objects(i);
    FDeviceList->Clear();
}

void TnrBaseIO::GetDeviceList(TStrings* Strings) {
    if (GetDeviceCount() == 0)
        DeviceListLoad();
    if (!Strings)
        return;
    Strings->Clear();
    for (int32_t i = 0; i < GetDeviceCount(); ++i)
        Strings->AddObject(FDeviceList->Strings(i), GetDevice(i));
}

void TnrBaseIO::DeviceListLoad() {
    throw EAbstractError();
}

int32_t TnrBaseIO::GetDeviceIndex() {
    throw EAbstractError();
}

void TnrBaseIO::SetDeviceIndex(int32_t) {
    DoNotify(NOTIFY_DEVICES_CHANGED);
}

void TnrBaseIO::Update() {
    DoNotify(NOTIFY_DEVICES_CHANGED);
}
