#include "platform/win32/Folders.h"

#include <cstring>
#include <filesystem>

#include "platform/rtl/FolderProfile.h"

namespace {
// "D:\WINNT\" -> "D:\WINNT"; "C:\" and "/" keep their delimiter.
AnsiString WithoutTrailingDelimiter(AnsiString folder, char delimiter) {
    bool driveRoot = folder.size() == 3 && folder[1] == ':';
    if (folder.size() > 1 && folder.back() == delimiter && !driveRoot)
        folder.pop_back();
    return folder;
}

void CreateOnLinux(const AnsiString& folder, char delimiter) {
    if (delimiter != '/')
        return;
    std::error_code ignored;
    std::filesystem::create_directories(folder, ignored);
}

DWORD CopyOut(const AnsiString& text, LPSTR buffer, DWORD size) {
    auto length = static_cast<DWORD>(text.size());
    if (!buffer || size <= length)
        return length + 1;
    std::memcpy(buffer, text.c_str(), length + 1);
    return length;
}

UINT SystemFolder(const AnsiString& folder, char delimiter, LPSTR buffer, UINT size) {
    CreateOnLinux(folder, delimiter);
    return CopyOut(WithoutTrailingDelimiter(folder, delimiter), buffer, size);
}
} // namespace

UINT GetWindowsDirectoryA(LPSTR buffer, UINT size) {
    TFolderProfile profile = CurrentFolderProfile();
    return SystemFolder(profile.WindowsDir, profile.PathDelim, buffer, size);
}

UINT GetSystemDirectoryA(LPSTR buffer, UINT size) {
    TFolderProfile profile = CurrentFolderProfile();
    return SystemFolder(profile.SystemDir, profile.PathDelim, buffer, size);
}

DWORD GetTempPathA(DWORD bufferLength, LPSTR buffer) {
    TFolderProfile profile = CurrentFolderProfile();
    AnsiString folder = profile.TempDir;
    if (folder.empty() || folder.back() != profile.PathDelim)
        folder += profile.PathDelim;
    return CopyOut(folder, buffer, bufferLength);
}
