#pragma once
// Serial I/O on numbered COM ports: port selection, a handle opened elsewhere, the device
// list of the machine's ports, registry persistence of the whole configuration and the
// DTR/DSR connection test.
#include "comm/CustomComm.h"

// Size of the registry configuration value: port number, DCB, COMMTIMEOUTS.
constexpr int SERIAL_CONFIG_SIZE = 1 + sizeof(DCB) + sizeof(COMMTIMEOUTS);
static_assert(SERIAL_CONFIG_SIZE == 49);

class TnrCustomSerialComm : public TnrCustomComm {
    VOKA_CLASS(TnrCustomSerialComm, TnrCustomComm)
public:
    explicit TnrCustomSerialComm(TComponent* AOwner);

    // Deactivates, stores, reactivates if it was active, then notifies code 3.
    uint16_t GetComPortNo() const { return FComPortNo; }
    void SetComPortNo(uint16_t Value);
    TComPort GetComPort() const;
    void SetComPort(TComPort Value);   // cpCOMxx changes nothing
    AnsiString GetPortName() override; // "COM" and the number
    TnrEnumPorts GetEnumPorts() const { return FEnumPorts; }
    void SetEnumPorts(TnrEnumPorts Value) { FEnumPorts = Value; }

    // Opens on a handle obtained elsewhere (0 and INVALID_HANDLE_VALUE are ignored); the
    // handle is used by the next open only.
    void SetExtHandle(HANDLE Handle);
    HANDLE RequestDeviceHandle() override;
    void InitAfterOpen() override;

    // The 49-byte binary value: low byte of ComPortNo, the DCB, COMMTIMEOUTS.
    virtual void SaveConfig(HKEY RootKey, const AnsiString& Key, const AnsiString& Name);
    virtual void LoadConfig(HKEY RootKey, const AnsiString& Key, const AnsiString& Name);
    // Raises DTR, lowers RTS and expects DSR within 200 ms.
    virtual void InitDeviceConnect();
    // The plug-and-play identification string of the device on the port, its opening "(" and
    // closing ")" included; empty when none came. Blocks for 400 ms to about 1.6 s. The port's
    // settings, trace states and active state are as before afterwards.
    AnsiString GetPNPDeviceString();

    void SetDeviceIndex(int32_t Index) override;
    int32_t GetDeviceIndex() override;
    void DeviceListLoad() override;
    void Update() override;

protected:
    uint16_t FComPortNo = 1;
    HANDLE FExtHandle = nullptr;
    TnrEnumPorts FEnumPorts = epQuickAll;
};
