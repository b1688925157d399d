#pragma once
// A setup library of the test's own under the name "SetupAPI.dll": devices the test
// describes, refusals it scripts, and a record of what was asked. Installing it replaces the
// platform's library; removing it puts that back.
#include <cstring>
#include <string>
#include <vector>

#include "devices/pnp/nrwin32di.h"
#include "platform/devices/DevicesPlatform.h"
#include "platform/win32/Modules.h"

struct FakeDevice {
    GUID classGuid{};
    bool interfaceClass = false;
    std::string driverKey{}, service{}, physicalName{}, description{}, manufacturer{};
    std::string deviceKey{}; // below HKEY_LOCAL_MACHINE, created with the values; "" for none
    std::string portName{}, symbolicName{};
    std::string instanceId{};
    DEVINST devInst = 0;
    std::string interfacePath{};
    std::vector<std::string> children{}; // instance identifiers
};

struct FakeSetupState {
    std::vector<FakeDevice> devices;
    std::vector<DWORD> classDevsFlags; // one entry per SetupDiGetClassDevsA
    std::vector<GUID> classDevsGuids;
    int openSets = 0;
    // InstallDriver's stages
    bool infClassReadable = true;
    bool registerSucceeds = true;
    // Ejection: refusals before success (-1: always), the veto name of each refusal.
    int ejectRefusals = 0;
    std::string vetoName;
    int ejectRequests = 0;
    std::vector<DWORD> ejectTicks;
    DWORD detailSizeSeen = 0;
};

inline FakeSetupState& Fake() {
    static FakeSetupState state;
    return state;
}

namespace fake {
struct Set {
    std::vector<const FakeDevice*> members;
};
inline const FakeDevice* Member(HDEVINFO set, SP_DEVINFO_DATA* info) {
    auto* s = static_cast<Set*>(set);
    return info && info->Reserved && info->Reserved <= s->members.size()
               ? s->members[info->Reserved - 1]
               : nullptr;
}
inline BOOL Copy(const std::string& text, void* buffer, DWORD size, DWORD* required) {
    if (required)
        *required = DWORD(text.size() + 1);
    if (!buffer || size < text.size() + 1) {
        SetLastError(ERROR_INSUFFICIENT_BUFFER);
        return FALSE;
    }
    std::memcpy(buffer, text.c_str(), text.size() + 1);
    return TRUE;
}
inline const FakeDevice* ByInstance(const char* id) {
    for (const auto& device : Fake().devices)
        if (id && device.instanceId == id)
            return &device;
    return nullptr;
}
inline std::string IdList(const char* id) {
    std::string list;
    if (const FakeDevice* device = ByInstance(id))
        for (const auto& child : device->children)
            list += child + '\0';
    return list + '\0';
}

inline HDEVINFO GetClassDevs(const GUID* guid, LPCSTR, HWND, DWORD flags) {
    Fake().classDevsFlags.push_back(flags);
    Fake().classDevsGuids.push_back(*guid);
    auto* set = new Set;
    for (const auto& device : Fake().devices)
        if (device.classGuid == *guid &&
            device.interfaceClass == ((flags & DIGCF_DEVICEINTERFACE) != 0))
            set->members.push_back(&device);
    ++Fake().openSets;
    return set;
}
inline BOOL Destroy(HDEVINFO set) {
    delete static_cast<Set*>(set);
    --Fake().openSets;
    return TRUE;
}
inline BOOL EnumInfo(HDEVINFO set, DWORD index, SP_DEVINFO_DATA* info) {
    auto* s = static_cast<Set*>(set);
    if (index >= s->members.size() || info->cbSize != sizeof(SP_DEVINFO_DATA))
        return FALSE;
    info->DevInst = s->members[index]->devInst;
    info->Reserved = index + 1;
    return TRUE;
}
inline BOOL Property(HDEVINFO set, SP_DEVINFO_DATA* info, DWORD property, DWORD*, BYTE* buffer,
                     DWORD size, DWORD* required) {
    const FakeDevice* d = Member(set, info);
    const std::string* text = property == SPDRP_DRIVER                        ? &d->driverKey
                              : property == SPDRP_SERVICE                     ? &d->service
                              : property == SPDRP_DEVICEDESC                  ? &d->description
                              : property == SPDRP_MFG                         ? &d->manufacturer
                              : property == SPDRP_PHYSICAL_DEVICE_OBJECT_NAME ? &d->physicalName
                                                                              : nullptr;
    if (!text || text->empty())
        return FALSE;
    return Copy(*text, buffer, size, required);
}
inline HKEY OpenKey(HDEVINFO set, SP_DEVINFO_DATA* info, DWORD scope, DWORD, DWORD type,
                    REGSAM sam) {
    const FakeDevice* d = Member(set, info);
    HKEY key = nullptr;
    if (d->deviceKey.empty() || scope != DICS_FLAG_GLOBAL || type != DIREG_DEV ||
        RegOpenKeyExA(HKEY_LOCAL_MACHINE, d->deviceKey.c_str(), 0, sam, &key) != ERROR_SUCCESS)
        return INVALID_HANDLE_VALUE;
    return key;
}
inline BOOL EnumInterfaces(HDEVINFO set, SP_DEVINFO_DATA* info, const GUID*, DWORD index,
                           SP_DEVICE_INTERFACE_DATA* data) {
    const FakeDevice* d = Member(set, info);
    if (index != 0 || d->interfacePath.empty())
        return FALSE;
    data->Reserved = info->Reserved;
    return TRUE;
}
inline BOOL InterfaceDetail(HDEVINFO set, SP_DEVICE_INTERFACE_DATA* data,
                            SP_DEVICE_INTERFACE_DETAIL_DATA_A* detail, DWORD size, DWORD* required,
                            SP_DEVINFO_DATA*) {
    auto* s = static_cast<Set*>(set);
    const std::string& path = s->members[data->Reserved - 1]->interfacePath;
    const DWORD needed = DWORD(4 + path.size() + 1);
    if (required)
        *required = needed;
    if (!detail || size < needed)
        return FALSE;
    Fake().detailSizeSeen = detail->cbSize;
    if (detail->cbSize != 5)
        return FALSE;
    std::memcpy(detail->DevicePath, path.c_str(), path.size() + 1);
    return TRUE;
}
inline HDEVINFO CreateList(const GUID*, HWND) {
    ++Fake().openSets;
    return new Set;
}
inline BOOL CreateInfo(HDEVINFO, LPCSTR, const GUID*, LPCSTR, HWND, DWORD, SP_DEVINFO_DATA*) {
    return TRUE;
}
inline BOOL InfClass(LPCSTR, GUID* guid, LPSTR name, DWORD size, DWORD*) {
    if (!Fake().infClassReadable)
        return FALSE;
    *guid = GUID{};
    std::strncpy(name, "Ports", size);
    return TRUE;
}
inline BOOL SetProperty(HDEVINFO, SP_DEVINFO_DATA*, DWORD, const BYTE*, DWORD) {
    return TRUE;
}
inline BOOL ClassInstaller(DWORD, HDEVINFO, SP_DEVINFO_DATA*) {
    return Fake().registerSucceeds;
}
inline BOOL InstanceId(HDEVINFO set, SP_DEVINFO_DATA* info, LPSTR buffer, DWORD size,
                       DWORD* required) {
    const FakeDevice* d = Member(set, info);
    if (d->instanceId.empty())
        return FALSE;
    return Copy(d->instanceId, buffer, size, required);
}
inline CONFIGRET Locate(DEVINST*, LPCSTR, ULONG) {
    return CR_NO_SUCH_DEVNODE;
}
inline CONFIGRET NodeProperty(DEVINST, ULONG, ULONG*, void*, ULONG*, ULONG) {
    return CR_NO_SUCH_VALUE;
}
inline CONFIGRET Related(DEVINST*, DEVINST, ULONG) {
    return CR_NO_SUCH_DEVNODE;
}
inline CONFIGRET ListSize(ULONG* length, LPCSTR id, ULONG flags) {
    if (flags != CM_GETIDLIST_FILTER_BUSRELATIONS || !ByInstance(id))
        return CR_FAILURE;
    *length = ULONG(IdList(id).size());
    return CR_SUCCESS;
}
inline CONFIGRET List(LPCSTR id, LPSTR buffer, ULONG length, ULONG) {
    const std::string list = IdList(id);
    if (length < list.size())
        return CR_BUFFER_SMALL;
    std::memcpy(buffer, list.data(), list.size());
    return CR_SUCCESS;
}
inline CONFIGRET Eject(DEVINST, PNP_VETO_TYPE* type, LPSTR name, ULONG length, ULONG) {
    FakeSetupState& state = Fake();
    ++state.ejectRequests;
    state.ejectTicks.push_back(GetTickCount());
    if (state.ejectRefusals >= 0 && state.ejectRequests > state.ejectRefusals)
        return CR_SUCCESS;
    *type = PNP_VetoOutstandingOpen;
    std::strncpy(name, state.vetoName.c_str(), length);
    return CR_REMOVE_VETOED;
}
} // namespace fake

// Registers the fake under "SetupAPI.dll" without the name skipped (nullptr: all 21).
inline void InstallFakeSetupApi(const char* skipped = nullptr) {
    UnregisterModule(SETUP_LIBRARY_NAME);
    RegisterModule(SETUP_LIBRARY_NAME);
    auto add = [&](const char* name, auto* function) {
        if (!skipped || std::strcmp(name, skipped) != 0)
            RegisterModuleProc(SETUP_LIBRARY_NAME, name, function);
    };
    add("SetupDiGetClassDevsA", &fake::GetClassDevs);
    add("SetupDiDestroyDeviceInfoList", &fake::Destroy);
    add("SetupDiEnumDeviceInfo", &fake::EnumInfo);
    add("SetupDiGetDeviceRegistryPropertyA", &fake::Property);
    add("SetupDiOpenDevRegKey", &fake::OpenKey);
    add("SetupDiEnumDeviceInterfaces", &fake::EnumInterfaces);
    add("SetupDiGetDeviceInterfaceDetailA", &fake::InterfaceDetail);
    add("SetupDiCreateDeviceInfoList", &fake::CreateList);
    add("SetupDiCreateDeviceInfoA", &fake::CreateInfo);
    add("SetupDiGetINFClassA", &fake::InfClass);
    add("SetupDiSetDeviceRegistryPropertyA", &fake::SetProperty);
    add("SetupDiCallClassInstaller", &fake::ClassInstaller);
    add("SetupDiGetDeviceInstanceIdA", &fake::InstanceId);
    add("CM_Locate_DevNodeA", &fake::Locate);
    add("CM_Get_DevNode_Registry_PropertyA", &fake::NodeProperty);
    add("CM_Get_Child", &fake::Related);
    add("CM_Get_Sibling", &fake::Related);
    add("CM_Get_Parent", &fake::Related);
    add("CM_Get_Device_ID_List_SizeA", &fake::ListSize);
    add("CM_Get_Device_ID_ListA", &fake::List);
    add("CM_Request_Device_EjectA", &fake::Eject);
}

// Adds a device, creating its device key with the values it names.
inline void AddFakeDevice(FakeDevice device) {
    if (!device.deviceKey.empty()) {
        HKEY key = nullptr;
        RegCreateKeyExA(HKEY_LOCAL_MACHINE, device.deviceKey.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS,
                        nullptr, &key, nullptr);
        for (auto [name, value] : {std::pair{"PortName", device.portName},
                                   std::pair{"SymbolicName", device.symbolicName}})
            if (!value.empty())
                RegSetValueExA(key, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(value.c_str()),
                               DWORD(value.size() + 1));
        RegCloseKey(key);
    }
    Fake().devices.push_back(std::move(device));
}

// Unbinds, forgets the fake's state and puts the platform's library back.
inline void RemoveFakeSetupApi() {
    FinalizeSetupDI();
    Fake() = FakeSetupState();
    UnregisterModule(SETUP_LIBRARY_NAME);
    RegisterSetupLibrary();
}
