// The setup API's device information sets over the platform's device nodes.
#include <cstring>
#include <fstream>

#include "platform/devices/DeviceInfoSet.h"
#include "platform/win32/DevGuid.h"

namespace {
constexpr DWORD SPINT_ACTIVE = 0x01;
constexpr DWORD SPDRP_MAXIMUM_PROPERTY = 0x25;
constexpr const char* DEVICE_KEY_NAME = "Device Parameters";

void FillInfo(const DeviceInfoSet& set, size_t index, SP_DEVINFO_DATA& info) {
    info.ClassGuid = set.classGuid;
    info.DevInst = set.members[index].devInst;
    info.Reserved = index + 1;
}

bool Fail(DWORD error) {
    SetLastError(error);
    return false;
}
} // namespace

const DeviceNode* DeviceInfoSet::Member(const SP_DEVINFO_DATA* info) const {
    if (!info || info->cbSize != sizeof(SP_DEVINFO_DATA)) {
        SetLastError(ERROR_INVALID_USER_BUFFER);
        return nullptr;
    }
    if (info->Reserved == 0 || info->Reserved > members.size() ||
        members[info->Reserved - 1].devInst != info->DevInst) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return nullptr;
    }
    return &members[info->Reserved - 1];
}

std::shared_ptr<DeviceInfoSet> LookupDeviceInfoSet(HDEVINFO set) {
    return LookupHandleAs<DeviceInfoSet>(set);
}

bool HasPortMembers(const GUID& guid, bool interfaceClass) {
    return interfaceClass ? guid == GUID_DEVINTERFACE_COMPORT : guid == GUID_DEVCLASS_PORTS;
}

bool NodeProperty(const DeviceNode& node, DWORD property, DWORD& type, std::string& data) {
    type = REG_SZ;
    AnsiString text;
    const PortDetails& port = node.port;
    switch (property) {
    case SPDRP_DEVICEDESC:
        text = port.description;
        break;
    case SPDRP_HARDWAREID:
        if (port.hardwareIds.empty())
            return false;
        type = REG_MULTI_SZ;
        for (const AnsiString& id : port.hardwareIds)
            data += id + '\0';
        data += '\0';
        return true;
    case SPDRP_SERVICE:
        text = port.service;
        break;
    case SPDRP_CLASS:
        text = node.isPort ? "Ports" : "";
        break;
    case SPDRP_CLASSGUID:
        text = node.isPort ? GuidText(GUID_DEVCLASS_PORTS) : "";
        break;
    case SPDRP_DRIVER:
        text = port.driverKey;
        break;
    case SPDRP_MFG:
        text = port.manufacturer;
        break;
    case SPDRP_FRIENDLYNAME:
        text = port.portName.empty() ? AnsiString() : port.description + " (" + port.portName + ")";
        break;
    case SPDRP_PHYSICAL_DEVICE_OBJECT_NAME:
        text = node.physicalName;
        break;
    default:
        return false;
    }
    if (text.empty())
        return false;
    data = text + '\0';
    return true;
}

bool CopyToBuffer(const std::string& data, BYTE* buffer, DWORD size, DWORD* required) {
    if (required)
        *required = static_cast<DWORD>(data.size());
    if (!buffer || size < data.size())
        return Fail(ERROR_INSUFFICIENT_BUFFER);
    std::memcpy(buffer, data.data(), data.size());
    return true;
}

HDEVINFO SetupDiGetClassDevsA(const GUID* ClassGuid, LPCSTR Enumerator, HWND, DWORD Flags) {
    const bool allClasses = Flags & DIGCF_ALLCLASSES;
    if (!ClassGuid && !allClasses) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return INVALID_HANDLE_VALUE;
    }
    auto set = std::make_shared<DeviceInfoSet>();
    set->classGuid = allClasses || !ClassGuid ? GUID_DEVCLASS_PORTS : *ClassGuid;
    set->interfaces = (Flags & DIGCF_DEVICEINTERFACE) != 0;
    // Every device the database lists is present: DIGCF_PRESENT changes nothing.
    if (allClasses || HasPortMembers(set->classGuid, set->interfaces)) {
        const DeviceNodeTree tree = ReadDeviceNodes(false);
        const AnsiString prefix = Enumerator ? AnsiString(Enumerator) + "\\" : AnsiString();
        for (int index : tree.Ports()) {
            const DeviceNode& node = tree.nodes[size_t(index)];
            if (prefix.empty() || SameText(node.instanceId.substr(0, prefix.size()), prefix))
                set->members.push_back(node);
        }
    }
    return RegisterHandle(set);
}

BOOL SetupDiDestroyDeviceInfoList(HDEVINFO DeviceInfoSet) {
    if (!LookupDeviceInfoSet(DeviceInfoSet))
        return FALSE;
    return CloseHandle(DeviceInfoSet);
}

BOOL SetupDiEnumDeviceInfo(HDEVINFO DeviceInfoSet, DWORD MemberIndex, SP_DEVINFO_DATA* Info) {
    auto set = LookupDeviceInfoSet(DeviceInfoSet);
    if (!set)
        return FALSE;
    if (!Info || Info->cbSize != sizeof(SP_DEVINFO_DATA))
        return Fail(ERROR_INVALID_USER_BUFFER);
    if (MemberIndex >= set->members.size())
        return Fail(ERROR_NO_MORE_ITEMS);
    FillInfo(*set, MemberIndex, *Info);
    return TRUE;
}

BOOL SetupDiGetDeviceRegistryPropertyA(HDEVINFO DeviceInfoSet, SP_DEVINFO_DATA* Info,
                                       DWORD Property, DWORD* RegDataType, BYTE* Buffer,
                                       DWORD BufferSize, DWORD* RequiredSize) {
    auto set = LookupDeviceInfoSet(DeviceInfoSet);
    const DeviceNode* node = set ? set->Member(Info) : nullptr;
    if (!node)
        return FALSE;
    DWORD type = 0;
    std::string data;
    if (!NodeProperty(*node, Property, type, data))
        return Fail(Property >= SPDRP_MAXIMUM_PROPERTY ? ERROR_INVALID_REG_PROPERTY
                                                       : ERROR_INVALID_DATA);
    if (RegDataType)
        *RegDataType = type;
    return CopyToBuffer(data, Buffer, BufferSize, RequiredSize);
}

HKEY SetupDiOpenDevRegKey(HDEVINFO DeviceInfoSet, SP_DEVINFO_DATA* Info, DWORD Scope, DWORD,
                          DWORD KeyType, REGSAM Desired) {
    auto set = LookupDeviceInfoSet(DeviceInfoSet);
    const DeviceNode* node = set ? set->Member(Info) : nullptr;
    if (!node)
        return INVALID_HANDLE_VALUE;
    if (Scope != DICS_FLAG_GLOBAL || (KeyType != DIREG_DEV && KeyType != DIREG_DRV)) {
        SetLastError(ERROR_INVALID_FLAGS);
        return INVALID_HANDLE_VALUE;
    }
    // Driver keys are not kept: no driver was installed.
    if (KeyType == DIREG_DRV) {
        SetLastError(ERROR_FILE_NOT_FOUND);
        return INVALID_HANDLE_VALUE;
    }
    const AnsiString path =
        AnsiString("SYSTEM\\CurrentControlSet\\Enum\\") + node->instanceId + "\\" + DEVICE_KEY_NAME;
    HKEY key = nullptr;
    if (LONG status = RegOpenKeyExA(HKEY_LOCAL_MACHINE, path.c_str(), 0, Desired, &key);
        status != ERROR_SUCCESS) {
        SetLastError(static_cast<DWORD>(status));
        return INVALID_HANDLE_VALUE;
    }
    return key;
}

BOOL SetupDiEnumDeviceInterfaces(HDEVINFO DeviceInfoSet, SP_DEVINFO_DATA* Info,
                                 const GUID* InterfaceClassGuid, DWORD MemberIndex,
                                 SP_DEVICE_INTERFACE_DATA* Interface) {
    auto set = LookupDeviceInfoSet(DeviceInfoSet);
    if (!set)
        return FALSE;
    if (!InterfaceClassGuid || !Interface || Interface->cbSize != sizeof(SP_DEVICE_INTERFACE_DATA))
        return Fail(!Interface ? ERROR_INVALID_PARAMETER : ERROR_INVALID_USER_BUFFER);
    // Each port has one interface, of the COM port interface class.
    size_t member = MemberIndex;
    if (Info) {
        const DeviceNode* node = set->Member(Info);
        if (!node)
            return FALSE;
        if (MemberIndex != 0)
            return Fail(ERROR_NO_MORE_ITEMS);
        member = Info->Reserved - 1;
    }
    if (!HasPortMembers(*InterfaceClassGuid, true) || member >= set->members.size())
        return Fail(ERROR_NO_MORE_ITEMS);
    Interface->InterfaceClassGuid = *InterfaceClassGuid;
    Interface->Flags = SPINT_ACTIVE;
    Interface->Reserved = member + 1;
    return TRUE;
}

BOOL SetupDiGetDeviceInterfaceDetailA(HDEVINFO DeviceInfoSet, SP_DEVICE_INTERFACE_DATA* Interface,
                                      SP_DEVICE_INTERFACE_DETAIL_DATA_A* Detail, DWORD DetailSize,
                                      DWORD* RequiredSize, SP_DEVINFO_DATA* Info) {
    auto set = LookupDeviceInfoSet(DeviceInfoSet);
    if (!set)
        return FALSE;
    if (!Interface || Interface->cbSize != sizeof(SP_DEVICE_INTERFACE_DATA) ||
        Interface->Reserved == 0 || Interface->Reserved > set->members.size())
        return Fail(ERROR_INVALID_PARAMETER);
    const size_t member = Interface->Reserved - 1;
    const AnsiString& path = set->members[member].port.interfacePath;
    const auto needed = static_cast<DWORD>(offsetof(SP_DEVICE_INTERFACE_DETAIL_DATA_A, DevicePath) +
                                           path.size() + 1);
    if (RequiredSize)
        *RequiredSize = needed;
    if (Detail && Detail->cbSize != sizeof(SP_DEVICE_INTERFACE_DETAIL_DATA_A))
        return Fail(ERROR_INVALID_USER_BUFFER);
    if (!Detail || DetailSize < needed)
        return Fail(ERROR_INSUFFICIENT_BUFFER);
    std::memcpy(Detail->DevicePath, path.c_str(), path.size() + 1);
    if (Info) {
        if (Info->cbSize != sizeof(SP_DEVINFO_DATA))
            return Fail(ERROR_INVALID_USER_BUFFER);
        FillInfo(*set, member, *Info);
    }
    return TRUE;
}

HDEVINFO SetupDiCreateDeviceInfoList(const GUID* ClassGuid, HWND) {
    auto set = std::make_shared<DeviceInfoSet>();
    if (ClassGuid)
        set->classGuid = *ClassGuid;
    return RegisterHandle(set);
}

// Drivers come with the kernel on Linux: an INF file installs nothing, so device creation
// and installation never get that far.
BOOL SetupDiGetINFClassA(LPCSTR InfName, GUID*, LPSTR, DWORD, DWORD*) {
    std::ifstream inf(InfName ? InfName : "");
    return Fail(inf ? ERROR_NOT_SUPPORTED : ERROR_FILE_NOT_FOUND);
}

BOOL SetupDiCreateDeviceInfoA(HDEVINFO DeviceInfoSet, LPCSTR, const GUID*, LPCSTR, HWND, DWORD,
                              SP_DEVINFO_DATA*) {
    return LookupDeviceInfoSet(DeviceInfoSet) ? Fail(ERROR_NOT_SUPPORTED) : FALSE;
}

BOOL SetupDiSetDeviceRegistryPropertyA(HDEVINFO DeviceInfoSet, SP_DEVINFO_DATA*, DWORD, const BYTE*,
                                       DWORD) {
    return LookupDeviceInfoSet(DeviceInfoSet) ? Fail(ERROR_NOT_SUPPORTED) : FALSE;
}

BOOL SetupDiCallClassInstaller(DWORD, HDEVINFO DeviceInfoSet, SP_DEVINFO_DATA*) {
    return LookupDeviceInfoSet(DeviceInfoSet) ? Fail(ERROR_NOT_SUPPORTED) : FALSE;
}

BOOL SetupDiGetDeviceInstanceIdA(HDEVINFO DeviceInfoSet, SP_DEVINFO_DATA* Info, LPSTR InstanceId,
                                 DWORD InstanceIdSize, DWORD* RequiredSize) {
    auto set = LookupDeviceInfoSet(DeviceInfoSet);
    const DeviceNode* node = set ? set->Member(Info) : nullptr;
    if (!node)
        return FALSE;
    return CopyToBuffer(node->instanceId + '\0', reinterpret_cast<BYTE*>(InstanceId),
                        InstanceIdSize, RequiredSize);
}
