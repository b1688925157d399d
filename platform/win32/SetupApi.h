#pragma once
// The device setup API and the configuration manager: the records, constants and function
// signatures of "SetupAPI.dll", and "newdev.dll"'s driver update. Programs bind the functions
// by name at run time (LoadLibraryA, GetProcAddress); the platform's setup library
// (platform/devices) defines them over Linux's device database.
#include "platform/win32/Ole.h"
#include "platform/win32/Registry.h"

using HDEVINFO = void*;
using DEVINST = DWORD;
using CONFIGRET = DWORD;

struct SP_DEVINFO_DATA {
    DWORD cbSize = 0;
    GUID ClassGuid;
    DWORD DevInst = 0;
    ULONG_PTR Reserved = 0;
};
struct SP_DEVICE_INTERFACE_DATA {
    DWORD cbSize = 0;
    GUID InterfaceClassGuid;
    DWORD Flags = 0;
    ULONG_PTR Reserved = 0;
};
// Packed: the fixed part (the size field and the path's first character) is 5 bytes here.
#pragma pack(push, 1)
struct SP_DEVICE_INTERFACE_DETAIL_DATA_A {
    DWORD cbSize;
    CHAR DevicePath[1];
};
#pragma pack(pop)
static_assert(sizeof(SP_DEVICE_INTERFACE_DETAIL_DATA_A) == 5);

constexpr DWORD DIGCF_DEFAULT = 0x01;
constexpr DWORD DIGCF_PRESENT = 0x02;
constexpr DWORD DIGCF_ALLCLASSES = 0x04;
constexpr DWORD DIGCF_PROFILE = 0x08;
constexpr DWORD DIGCF_DEVICEINTERFACE = 0x10;

constexpr DWORD SPDRP_DEVICEDESC = 0x00;
constexpr DWORD SPDRP_HARDWAREID = 0x01;
constexpr DWORD SPDRP_SERVICE = 0x04;
constexpr DWORD SPDRP_CLASS = 0x07;
constexpr DWORD SPDRP_CLASSGUID = 0x08;
constexpr DWORD SPDRP_DRIVER = 0x09;
constexpr DWORD SPDRP_MFG = 0x0B;
constexpr DWORD SPDRP_FRIENDLYNAME = 0x0C;
constexpr DWORD SPDRP_LOCATION_INFORMATION = 0x0D;
constexpr DWORD SPDRP_PHYSICAL_DEVICE_OBJECT_NAME = 0x0E;

constexpr DWORD DICS_FLAG_GLOBAL = 0x01;
constexpr DWORD DIREG_DEV = 0x01;
constexpr DWORD DIREG_DRV = 0x02;
constexpr DWORD DICD_GENERATE_ID = 0x01;
constexpr DWORD DIF_REGISTERDEVICE = 0x19;
constexpr DWORD INSTALLFLAG_FORCE = 0x01;

// Setup errors (the customer bit and the setup facility).
constexpr DWORD ERROR_INVALID_USER_BUFFER = 1784;
constexpr DWORD ERROR_INVALID_FLAGS = 1004;
constexpr DWORD ERROR_CLASS_MISMATCH = 0xE0000201;
constexpr DWORD ERROR_INVALID_REG_PROPERTY = 0xE0000209;
constexpr DWORD ERROR_NO_SUCH_DEVINST = 0xE000020B;
constexpr DWORD ERROR_INVALID_CLASS = 0xE0000206;

constexpr CONFIGRET CR_SUCCESS = 0x00;
constexpr CONFIGRET CR_INVALID_POINTER = 0x03;
constexpr CONFIGRET CR_INVALID_FLAG = 0x04;
constexpr CONFIGRET CR_INVALID_DEVNODE = 0x05;
constexpr CONFIGRET CR_NO_SUCH_DEVNODE = 0x0D;
constexpr CONFIGRET CR_FAILURE = 0x13;
constexpr CONFIGRET CR_REMOVE_VETOED = 0x17;
constexpr CONFIGRET CR_BUFFER_SMALL = 0x1A;
constexpr CONFIGRET CR_NO_SUCH_VALUE = 0x25;
constexpr CONFIGRET CR_CALL_NOT_IMPLEMENTED = 0x34;

constexpr ULONG CM_LOCATE_DEVNODE_NORMAL = 0x00;
constexpr ULONG CM_GETIDLIST_FILTER_NONE = 0x00;
constexpr ULONG CM_GETIDLIST_FILTER_BUSRELATIONS = 0x20;
// CM_Get_DevNode_Registry_PropertyA numbers are the SPDRP_ numbers plus one.
constexpr ULONG CM_DRP_DEVICEDESC = 0x01;
constexpr ULONG CM_DRP_SERVICE = 0x05;
constexpr ULONG CM_DRP_DRIVER = 0x0A;
constexpr ULONG CM_DRP_MFG = 0x0C;

enum PNP_VETO_TYPE : int32_t {
    PNP_VetoTypeUnknown = 0,
    PNP_VetoLegacyDevice = 1,
    PNP_VetoPendingClose = 2,
    PNP_VetoWindowsApp = 3,
    PNP_VetoWindowsService = 4,
    PNP_VetoOutstandingOpen = 5,
    PNP_VetoDevice = 6,
    PNP_VetoDriver = 7,
    PNP_VetoIllegalDeviceRequest = 8,
    PNP_VetoInsufficientPower = 9,
    PNP_VetoNonDisableable = 10,
    PNP_VetoLegacyDriver = 11,
    PNP_VetoInsufficientRights = 12,
};

// The 21 functions, with the Windows signatures.
HDEVINFO SetupDiGetClassDevsA(const GUID* ClassGuid, LPCSTR Enumerator, HWND Parent, DWORD Flags);
BOOL SetupDiDestroyDeviceInfoList(HDEVINFO DeviceInfoSet);
BOOL SetupDiEnumDeviceInfo(HDEVINFO DeviceInfoSet, DWORD MemberIndex, SP_DEVINFO_DATA* Info);
BOOL SetupDiGetDeviceRegistryPropertyA(HDEVINFO DeviceInfoSet, SP_DEVINFO_DATA* Info,
                                       DWORD Property, DWORD* RegDataType, BYTE* Buffer,
                                       DWORD BufferSize, DWORD* RequiredSize);
HKEY SetupDiOpenDevRegKey(HDEVINFO DeviceInfoSet, SP_DEVINFO_DATA* Info, DWORD Scope,
                          DWORD HwProfile, DWORD KeyType, REGSAM Desired);
BOOL SetupDiEnumDeviceInterfaces(HDEVINFO DeviceInfoSet, SP_DEVINFO_DATA* Info,
                                 const GUID* InterfaceClassGuid, DWORD MemberIndex,
                                 SP_DEVICE_INTERFACE_DATA* Interface);
BOOL SetupDiGetDeviceInterfaceDetailA(HDEVINFO DeviceInfoSet, SP_DEVICE_INTERFACE_DATA* Interface,
                                      SP_DEVICE_INTERFACE_DETAIL_DATA_A* Detail, DWORD DetailSize,
                                      DWORD* RequiredSize, SP_DEVINFO_DATA* Info);
HDEVINFO SetupDiCreateDeviceInfoList(const GUID* ClassGuid, HWND Parent);
BOOL SetupDiCreateDeviceInfoA(HDEVINFO DeviceInfoSet, LPCSTR DeviceName, const GUID* ClassGuid,
                              LPCSTR DeviceDescription, HWND Parent, DWORD CreationFlags,
                              SP_DEVINFO_DATA* Info);
BOOL SetupDiGetINFClassA(LPCSTR InfName, GUID* ClassGuid, LPSTR ClassName, DWORD ClassNameSize,
                         DWORD* RequiredSize);
BOOL SetupDiSetDeviceRegistryPropertyA(HDEVINFO DeviceInfoSet, SP_DEVINFO_DATA* Info,
                                       DWORD Property, const BYTE* Buffer, DWORD BufferSize);
BOOL SetupDiCallClassInstaller(DWORD InstallFunction, HDEVINFO DeviceInfoSet,
                               SP_DEVINFO_DATA* Info);
BOOL SetupDiGetDeviceInstanceIdA(HDEVINFO DeviceInfoSet, SP_DEVINFO_DATA* Info, LPSTR InstanceId,
                                 DWORD InstanceIdSize, DWORD* RequiredSize);
CONFIGRET CM_Locate_DevNodeA(DEVINST* DevInst, LPCSTR DeviceId, ULONG Flags);
CONFIGRET CM_Get_DevNode_Registry_PropertyA(DEVINST DevInst, ULONG Property, ULONG* RegDataType,
                                            void* Buffer, ULONG* Length, ULONG Flags);
CONFIGRET CM_Get_Child(DEVINST* Child, DEVINST DevInst, ULONG Flags);
CONFIGRET CM_Get_Sibling(DEVINST* Sibling, DEVINST DevInst, ULONG Flags);
CONFIGRET CM_Get_Parent(DEVINST* Parent, DEVINST DevInst, ULONG Flags);
CONFIGRET CM_Get_Device_ID_List_SizeA(ULONG* Length, LPCSTR Filter, ULONG Flags);
CONFIGRET CM_Get_Device_ID_ListA(LPCSTR Filter, LPSTR Buffer, ULONG BufferLength, ULONG Flags);
CONFIGRET CM_Request_Device_EjectA(DEVINST DevInst, PNP_VETO_TYPE* VetoType, LPSTR VetoName,
                                   ULONG NameLength, ULONG Flags);

// "newdev.dll"
BOOL UpdateDriverForPlugAndPlayDevicesA(HWND Parent, LPCSTR HardwareId, LPCSTR FullInfPath,
                                        DWORD InstallFlags, BOOL* RebootRequired);
