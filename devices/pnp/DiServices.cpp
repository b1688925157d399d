// The device services on top of the binding: bus relations, driver installation, volumes and
// ejection.
#include <cstring>
#include <vector>

#include "devices/pnp/nrwin32di.h"
#include "devices/pnp/nrwin32helpers.h"
#include "platform/win32/Drives.h"
#include "platform/win32/Modules.h"
#include "platform/win32/Synch.h"
#include "platform/win32/User.h"

namespace {
constexpr DWORD CLASS_NAME_SIZE = 32;
constexpr ULONG VETO_NAME_SIZE = 260;
constexpr int EJECT_ATTEMPTS = 4;
constexpr DWORD EJECT_RETRY_PAUSE_MS = 500;

// "newdev.dll"'s driver update for the hardware identifier; false when it cannot be called
// or raises.
bool UpdateDriver(const AnsiString& HardwareId, const AnsiString& InfPath) {
    HMODULE newdev = LoadLibraryA("newdev.dll");
    if (!newdev)
        return false;
    bool updated = false;
    auto update = reinterpret_cast<decltype(&UpdateDriverForPlugAndPlayDevicesA)>(
        GetProcAddress(newdev, "UpdateDriverForPlugAndPlayDevicesA"));
    if (update) {
        BOOL rebootNeeded = FALSE;
        try {
            updated = update(GetForegroundWindow(), HardwareId.c_str(), InfPath.c_str(),
                             INSTALLFLAG_FORCE, &rebootNeeded) != FALSE;
        } catch (...) {
            updated = false;
        }
    }
    FreeLibrary(newdev);
    return updated;
}
} // namespace

AnsiString DiGetBusRelations(const AnsiString& InstanceId, const AnsiString& Separator) {
    AnsiString result;
    const TSetupDIFunctions& f = SetupDI();
    if (!f.CM_Get_Device_ID_List_SizeA || !f.CM_Get_Device_ID_ListA)
        return result;
    ULONG size = 0;
    if (f.CM_Get_Device_ID_List_SizeA(&size, InstanceId.c_str(),
                                      CM_GETIDLIST_FILTER_BUSRELATIONS) != CR_SUCCESS ||
        size == 0)
        return result;
    std::vector<char> buffer(size, '\0');
    if (f.CM_Get_Device_ID_ListA(InstanceId.c_str(), buffer.data(), size,
                                 CM_GETIDLIST_FILTER_BUSRELATIONS) == CR_SUCCESS)
        result = GetParsedWin32StrList(buffer.data(), static_cast<int32_t>(size), Separator);
    return result;
}

bool InstallDriver(const AnsiString& HardwareId, const AnsiString& InfPath) {
    if (!IniSetupDI())
        return false;
    const TSetupDIFunctions& f = SetupDI();
    GUID classGuid;
    char className[CLASS_NAME_SIZE] = {};
    if (!f.SetupDiGetINFClassA(InfPath.c_str(), &classGuid, className, CLASS_NAME_SIZE, nullptr))
        return false;
    OutputDebugStringA("begin ....");
    HDEVINFO set = f.SetupDiCreateDeviceInfoList(&classGuid, GetForegroundWindow());
    if (set == INVALID_HANDLE_VALUE)
        return false;
    // The identifier list: the identifier and two NULs.
    std::vector<BYTE> hardwareIds(HardwareId.size() + 4, 0);
    std::memcpy(hardwareIds.data(), HardwareId.data(), HardwareId.size());
    OutputDebugStringA(" .. 1 ..");
    bool result = false;
    SP_DEVINFO_DATA info;
    info.cbSize = sizeof info;
    if (f.SetupDiCreateDeviceInfoA(set, className, &classGuid, nullptr, nullptr, DICD_GENERATE_ID,
                                   &info)) {
        OutputDebugStringA(" .. 2 ..");
        if (f.SetupDiSetDeviceRegistryPropertyA(set, &info, SPDRP_HARDWAREID, hardwareIds.data(),
                                                static_cast<DWORD>(HardwareId.size() + 2))) {
            OutputDebugStringA(" .. 3 ..");
            if (f.SetupDiCallClassInstaller(DIF_REGISTERDEVICE, set, &info)) {
                OutputDebugStringA(" .. 4 ..");
                result = UpdateDriver(HardwareId, InfPath);
                OutputDebugStringA(" .. 5 ..");
            }
        }
    }
    f.SetupDiDestroyDeviceInfoList(set);
    return result;
}

AnsiString DiGetVolumes(bool Remote, bool CDRom, bool Fixed, bool Removable, bool RamDisk,
                        const AnsiString& Separator) {
    AnsiString result;
    const DWORD drives = GetLogicalDrives();
    for (int bit = 0; bit < 26; ++bit) {
        if (!(drives & (DWORD{1} << bit)))
            continue;
        const char letter = static_cast<char>('A' + bit);
        const AnsiString root = AnsiString(1, letter) + ":\\";
        const UINT type = GetDriveTypeA(root.c_str());
        const bool selected = (type == DRIVE_REMOVABLE && Removable) ||
                              (type == DRIVE_REMOTE && Remote) || (type == DRIVE_CDROM && CDRom) ||
                              (type == DRIVE_FIXED && Fixed) || (type == DRIVE_RAMDISK && RamDisk);
        if (selected)
            result += AnsiString(1, letter) + Separator;
    }
    return Trim(result);
}

bool DiEjectDevice(uint32_t DevNode) {
    if (!IniSetupDI())
        return false;
    char vetoName[VETO_NAME_SIZE] = {};
    for (int attempt = 1;; ++attempt) {
        PNP_VETO_TYPE vetoType = PNP_VetoTypeUnknown;
        if (SetupDI().CM_Request_Device_EjectA(DevNode, &vetoType, vetoName, VETO_NAME_SIZE, 0) ==
            CR_SUCCESS)
            return true;
        if (attempt == EJECT_ATTEMPTS)
            throw Exception(AnsiString(vetoName, strnlen(vetoName, VETO_NAME_SIZE)));
        Sleep(EJECT_RETRY_PAUSE_MS);
    }
}
