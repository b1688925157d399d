// File and system versions as texts.
#include <cstring>
#include <vector>

#include "devices/pnp/nrwin32helpers.h"
#include "platform/win32/Version.h"

namespace {
AnsiString FileVersion(const AnsiString& FileName, AnsiString FormatText) {
    if (FormatText.empty())
        FormatText = "%u.%u.%u.%u";
    DWORD handle = 0;
    const DWORD size = GetFileVersionInfoSizeA(FileName.c_str(), &handle);
    if (size == 0)
        return {};
    std::vector<uint8_t> block(size, 0);
    VS_FIXEDFILEINFO* info = nullptr;
    UINT length = 0;
    if (!GetFileVersionInfoA(FileName.c_str(), handle, size, block.data()) ||
        !VerQueryValueA(block.data(), "\\", reinterpret_cast<LPVOID*>(&info), &length) ||
        length < sizeof(VS_FIXEDFILEINFO))
        return {};
    return Format(FormatText.c_str(), info->dwFileVersionMS >> 16, info->dwFileVersionMS & 0xFFFF,
                  info->dwFileVersionLS >> 16, info->dwFileVersionLS & 0xFFFF);
}

AnsiString SystemName(DWORD Major, DWORD Minor, DWORD Platform) {
    switch (Major) {
    case 3:
        return "NT 3.51";
    case 4:
        if (Minor == 10)
            return "98";
        if (Minor == 90)
            return "Me";
        return Platform == VER_PLATFORM_WIN32_NT ? "NT 4" : "95";
    case 5:
        return Minor == 0 ? "2000" : Minor == 1 ? "XP" : Minor == 2 ? "2003" : "";
    case 6:
        return Minor == 0 ? "Vista" : "Longhorn";
    default:
        return {};
    }
}

AnsiString SystemVersion() {
    OSVERSIONINFOA info;
    info.dwOSVersionInfoSize = sizeof info;
    if (!GetVersionExA(&info))
        return {};
    const AnsiString numbers =
        Format("%u.%u.%u", info.dwMajorVersion, info.dwMinorVersion, info.dwBuildNumber);
    const AnsiString servicePack(info.szCSDVersion,
                                 strnlen(info.szCSDVersion, sizeof info.szCSDVersion));
    return "Windows " + SystemName(info.dwMajorVersion, info.dwMinorVersion, info.dwPlatformId) +
           " [" + numbers + "] " + servicePack;
}
} // namespace

AnsiString nrGetVersion(const AnsiString& FileName, const AnsiString& FormatText) {
    return FileName.empty() ? SystemVersion() : FileVersion(FileName, FormatText);
}
