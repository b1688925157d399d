// Joins the setup library to the platform: the module "SetupAPI.dll" with its 21 functions,
// the live device keys below HKEY_LOCAL_MACHINE\SYSTEM\CurrentControlSet\Enum, and the
// device-change broadcast's watch.
#include "platform/devices/DevicesPlatform.h"

#include <mutex>

#include "platform/devices/DeviceNodes.h"
#include "platform/win32/Modules.h"

namespace {
std::vector<LiveDeviceKey> PortDeviceKeys() {
    std::vector<LiveDeviceKey> keys;
    const DeviceNodeTree tree = ReadDeviceNodes(false);
    for (int index : tree.Ports()) {
        const DeviceNode& node = tree.nodes[size_t(index)];
        LiveDeviceKey key{node.instanceId + "\\Device Parameters", {}};
        if (!node.port.portName.empty())
            key.values.emplace_back("PortName", node.port.portName);
        key.values.emplace_back("SymbolicName", node.port.symbolicName);
        keys.push_back(std::move(key));
    }
    return keys;
}
} // namespace

void RegisterSetupLibrary() {
    const char* const module = SETUP_LIBRARY_NAME;
    RegisterModuleProc(module, "SetupDiGetClassDevsA", &SetupDiGetClassDevsA);
    RegisterModuleProc(module, "SetupDiDestroyDeviceInfoList", &SetupDiDestroyDeviceInfoList);
    RegisterModuleProc(module, "SetupDiEnumDeviceInfo", &SetupDiEnumDeviceInfo);
    RegisterModuleProc(module, "SetupDiGetDeviceRegistryPropertyA",
                       &SetupDiGetDeviceRegistryPropertyA);
    RegisterModuleProc(module, "SetupDiOpenDevRegKey", &SetupDiOpenDevRegKey);
    RegisterModuleProc(module, "SetupDiEnumDeviceInterfaces", &SetupDiEnumDeviceInterfaces);
    RegisterModuleProc(module, "SetupDiGetDeviceInterfaceDetailA",
                       &SetupDiGetDeviceInterfaceDetailA);
    RegisterModuleProc(module, "SetupDiCreateDeviceInfoList", &SetupDiCreateDeviceInfoList);
    RegisterModuleProc(module, "SetupDiCreateDeviceInfoA", &SetupDiCreateDeviceInfoA);
    RegisterModuleProc(module, "SetupDiGetINFClassA", &SetupDiGetINFClassA);
    RegisterModuleProc(module, "SetupDiSetDeviceRegistryPropertyA",
                       &SetupDiSetDeviceRegistryPropertyA);
    RegisterModuleProc(module, "SetupDiCallClassInstaller", &SetupDiCallClassInstaller);
    RegisterModuleProc(module, "SetupDiGetDeviceInstanceIdA", &SetupDiGetDeviceInstanceIdA);
    RegisterModuleProc(module, "CM_Locate_DevNodeA", &CM_Locate_DevNodeA);
    RegisterModuleProc(module, "CM_Get_DevNode_Registry_PropertyA",
                       &CM_Get_DevNode_Registry_PropertyA);
    RegisterModuleProc(module, "CM_Get_Child", &CM_Get_Child);
    RegisterModuleProc(module, "CM_Get_Sibling", &CM_Get_Sibling);
    RegisterModuleProc(module, "CM_Get_Parent", &CM_Get_Parent);
    RegisterModuleProc(module, "CM_Get_Device_ID_List_SizeA", &CM_Get_Device_ID_List_SizeA);
    RegisterModuleProc(module, "CM_Get_Device_ID_ListA", &CM_Get_Device_ID_ListA);
    RegisterModuleProc(module, "CM_Request_Device_EjectA", &CM_Request_Device_EjectA);
}

void InitDevicesPlatform() {
    static std::once_flag once;
    std::call_once(once, [] {
        RegisterSetupLibrary();
        SetDeviceKeyProvider(&PortDeviceKeys);
        InstallPortWatch();
    });
}
