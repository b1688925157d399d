// The binding of the setup library.
#include "devices/pnp/nrwin32di.h"

#include "platform/win32/Modules.h"

namespace {
constexpr int BOUND_NAMES = 21;

HMODULE Library = nullptr;
TSetupDIFunctions Functions;

// Unloads the library when the program ends.
struct TSetupDIFinalization {
    ~TSetupDIFinalization() { FinalizeSetupDI(); }
} Finalization;

template <class Function> bool Bind(HMODULE Module, const char* Name, Function& Slot) {
    Slot = reinterpret_cast<Function>(GetProcAddress(Module, Name));
    return Slot != nullptr;
}
} // namespace

bool IniSetupDI() {
    if (Library)
        return true;
    HMODULE library = LoadLibraryA("SetupAPI.dll");
    if (!library)
        return false;
    TSetupDIFunctions& f = Functions;
    int bound = 0;
    bound += Bind(library, "SetupDiGetClassDevsA", f.SetupDiGetClassDevsA);
    bound += Bind(library, "SetupDiDestroyDeviceInfoList", f.SetupDiDestroyDeviceInfoList);
    bound += Bind(library, "SetupDiEnumDeviceInfo", f.SetupDiEnumDeviceInfo);
    bound +=
        Bind(library, "SetupDiGetDeviceRegistryPropertyA", f.SetupDiGetDeviceRegistryPropertyA);
    bound += Bind(library, "SetupDiOpenDevRegKey", f.SetupDiOpenDevRegKey);
    bound += Bind(library, "SetupDiEnumDeviceInterfaces", f.SetupDiEnumDeviceInterfaces);
    bound += Bind(library, "SetupDiGetDeviceInterfaceDetailA", f.SetupDiGetDeviceInterfaceDetailA);
    bound += Bind(library, "SetupDiCreateDeviceInfoList", f.SetupDiCreateDeviceInfoList);
    bound += Bind(library, "SetupDiCreateDeviceInfoA", f.SetupDiCreateDeviceInfoA);
    bound += Bind(library, "SetupDiGetINFClassA", f.SetupDiGetINFClassA);
    bound +=
        Bind(library, "SetupDiSetDeviceRegistryPropertyA", f.SetupDiSetDeviceRegistryPropertyA);
    bound += Bind(library, "SetupDiCallClassInstaller", f.SetupDiCallClassInstaller);
    bound += Bind(library, "SetupDiGetDeviceInstanceIdA", f.SetupDiGetDeviceInstanceIdA);
    bound += Bind(library, "CM_Locate_DevNodeA", f.CM_Locate_DevNodeA);
    bound +=
        Bind(library, "CM_Get_DevNode_Registry_PropertyA", f.CM_Get_DevNode_Registry_PropertyA);
    bound += Bind(library, "CM_Get_Child", f.CM_Get_Child);
    bound += Bind(library, "CM_Get_Sibling", f.CM_Get_Sibling);
    bound += Bind(library, "CM_Get_Parent", f.CM_Get_Parent);
    bound += Bind(library, "CM_Get_Device_ID_List_SizeA", f.CM_Get_Device_ID_List_SizeA);
    bound += Bind(library, "CM_Get_Device_ID_ListA", f.CM_Get_Device_ID_ListA);
    bound += Bind(library, "CM_Request_Device_EjectA", f.CM_Request_Device_EjectA);
    if (bound == BOUND_NAMES) {
        Library = library;
        return true;
    }
    FreeLibrary(library);
    Functions = TSetupDIFunctions();
    return false;
}

void FinalizeSetupDI() {
    if (!Library)
        return;
    FreeLibrary(Library);
    Library = nullptr;
    Functions = TSetupDIFunctions();
}

const TSetupDIFunctions& SetupDI() {
    return Functions;
}
