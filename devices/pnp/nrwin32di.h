#pragma once
// The setup-API layer: the setup library and the configuration manager bound at run time
// from "SetupAPI.dll" the first time they are needed, and the device services on top of them.
#include <cstdint>

#include "platform/rtl/StringList.h"
#include "platform/win32/SetupApi.h"

// The 21 functions, in binding order; all set once IniSetupDI has succeeded.
struct TSetupDIFunctions {
    decltype(&::SetupDiGetClassDevsA) SetupDiGetClassDevsA = nullptr;
    decltype(&::SetupDiDestroyDeviceInfoList) SetupDiDestroyDeviceInfoList = nullptr;
    decltype(&::SetupDiEnumDeviceInfo) SetupDiEnumDeviceInfo = nullptr;
    decltype(&::SetupDiGetDeviceRegistryPropertyA) SetupDiGetDeviceRegistryPropertyA = nullptr;
    decltype(&::SetupDiOpenDevRegKey) SetupDiOpenDevRegKey = nullptr;
    decltype(&::SetupDiEnumDeviceInterfaces) SetupDiEnumDeviceInterfaces = nullptr;
    decltype(&::SetupDiGetDeviceInterfaceDetailA) SetupDiGetDeviceInterfaceDetailA = nullptr;
    decltype(&::SetupDiCreateDeviceInfoList) SetupDiCreateDeviceInfoList = nullptr;
    decltype(&::SetupDiCreateDeviceInfoA) SetupDiCreateDeviceInfoA = nullptr;
    decltype(&::SetupDiGetINFClassA) SetupDiGetINFClassA = nullptr;
    decltype(&::SetupDiSetDeviceRegistryPropertyA) SetupDiSetDeviceRegistryPropertyA = nullptr;
    decltype(&::SetupDiCallClassInstaller) SetupDiCallClassInstaller = nullptr;
    decltype(&::SetupDiGetDeviceInstanceIdA) SetupDiGetDeviceInstanceIdA = nullptr;
    decltype(&::CM_Locate_DevNodeA) CM_Locate_DevNodeA = nullptr;
    decltype(&::CM_Get_DevNode_Registry_PropertyA) CM_Get_DevNode_Registry_PropertyA = nullptr;
    decltype(&::CM_Get_Child) CM_Get_Child = nullptr;
    decltype(&::CM_Get_Sibling) CM_Get_Sibling = nullptr;
    decltype(&::CM_Get_Parent) CM_Get_Parent = nullptr;
    decltype(&::CM_Get_Device_ID_List_SizeA) CM_Get_Device_ID_List_SizeA = nullptr;
    decltype(&::CM_Get_Device_ID_ListA) CM_Get_Device_ID_ListA = nullptr;
    decltype(&::CM_Request_Device_EjectA) CM_Request_Device_EjectA = nullptr;
};

// True when the binding is loaded, loading it if needed. A library that lacks any of the
// names is unloaded again, and the next call tries afresh.
bool IniSetupDI();
// The unit's finalization: unloads a loaded binding.
void FinalizeSetupDI();
// The bound functions (all empty while unbound).
const TSetupDIFunctions& SetupDI();

// The instance identifiers of the devices on the bus of InstanceId, joined with Separator;
// empty when there are none, the query fails or the binding is not loaded.
AnsiString DiGetBusRelations(const AnsiString& InstanceId, const AnsiString& Separator);
// Creates a device node for HardwareId in the class of the INF file, registers it and
// installs the file's driver; each stage leaves its text in the debug output.
bool InstallDriver(const AnsiString& HardwareId, const AnsiString& InfPath);
// The letters of the selected kinds of drive, each followed by Separator, trimmed.
AnsiString DiGetVolumes(bool Remote, bool CDRom, bool Fixed, bool Removable, bool RamDisk,
                        const AnsiString& Separator);
// Asks for the device node's ejection, four times at most, 500 ms apart; raises Exception
// with the last veto name when every attempt was refused.
bool DiEjectDevice(uint32_t DevNode);

// Appends one new TnrDevice per device of the class, under its DriverKey; the caller owns the
// records. Nothing is added while the setup API cannot be bound.
void DiEnumInstalledDevices(const GUID& ClassGuid, bool PresentOnly, bool Interfaces,
                            TStrings& Strings);
