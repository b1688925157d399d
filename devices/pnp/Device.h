#pragma once
// One device an I/O component can work with; for the serial component, one port.
#include <cstdint>

#include "platform/classes/Persistent.h"

class TnrBaseIO;

class TnrDevice : public TPersistent {
public:
    AnsiString ClassName() const override { return "TnrDevice"; }

    int32_t Index = 0;          // position in the owner's device list
    TnrBaseIO* Owner = nullptr; // component whose list holds the record
    int32_t Data = 0;           // serial port: n of COMn
    AnsiString DisplayName;     // "COM3" or "COM3 (Description)"
    AnsiString PhysicalName;    // kernel device object name
    AnsiString PortName;        // upper case, from the port map
    AnsiString SymbolicName;
    AnsiString RegistryKey;
    AnsiString Description;
    AnsiString Service;
    AnsiString DriverKey;
    AnsiString InstanceId;
    AnsiString BusRelations; // instance identifiers joined with ";"
    AnsiString DevicePortName;
    AnsiString Manufacturer;
    uint32_t DevNode = 0;
};
