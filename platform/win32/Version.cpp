#include "platform/win32/Version.h"

#include <cstring>
#include <mutex>
#include <optional>
#include <sys/utsname.h>

namespace {
// The version that programs asking the NT family see on a current system.
constexpr DWORD reportedMajor = 10;
constexpr DWORD reportedMinor = 0;
constexpr DWORD reportedBuild = 19045;

std::mutex reportedLock;
std::optional<OSVERSIONINFOA>& Reported() {
    static std::optional<OSVERSIONINFOA> reported;
    return reported;
}
} // namespace

BOOL GetVersionExA(LPOSVERSIONINFOA info) {
    if (!info || info->dwOSVersionInfoSize != sizeof(OSVERSIONINFOA)) {
        SetLastError(ERROR_INSUFFICIENT_BUFFER);
        return FALSE;
    }
    {
        std::lock_guard guard(reportedLock);
        if (Reported()) {
            *info = *Reported();
            info->dwOSVersionInfoSize = sizeof(OSVERSIONINFOA);
            return TRUE;
        }
    }
    info->dwMajorVersion = reportedMajor;
    info->dwMinorVersion = reportedMinor;
    info->dwBuildNumber = reportedBuild;
    info->dwPlatformId = VER_PLATFORM_WIN32_NT;
    std::memset(info->szCSDVersion, 0, sizeof(info->szCSDVersion));
    utsname system{};
    if (uname(&system) == 0)
        std::strncpy(info->szCSDVersion, system.release, sizeof(info->szCSDVersion) - 1);
    return TRUE;
}

void SetReportedVersion(const OSVERSIONINFOA* info) {
    std::lock_guard guard(reportedLock);
    if (info)
        Reported() = *info;
    else
        Reported().reset();
}
