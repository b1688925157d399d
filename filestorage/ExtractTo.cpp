// Target folders named symbolically: the executable's folder, Windows folders, or the
// user's shell folders as recorded in the registry.
#include <cstring>
#include <vector>

#include "filestorage/FileStorage.h"
#include "platform/classes/Publisher.h"
#include "platform/rtl/FileUtils.h"
#include "platform/rtl/FolderProfile.h"
#include "platform/win32/Files.h"
#include "platform/win32/Folders.h"
#include "platform/win32/Registry.h"

namespace {

// Asks again with the size the query reports until the folder fits, so a long folder is
// never taken for an empty one (which would put extraction at the root).
template <class Query> AnsiString QueryFolder(Query query) {
    std::vector<char> buffer(MAX_PATH);
    for (;;) {
        const auto length =
            static_cast<size_t>(query(buffer.data(), static_cast<UINT>(buffer.size())));
        if (length < buffer.size())
            return AnsiString(buffer.data(), length);
        buffer.resize(length); // the size needed, zero included
    }
}

AnsiString WindowsFolder() {
    return QueryFolder([](char* buffer, UINT size) { return GetWindowsDirectoryA(buffer, size); });
}

AnsiString SystemFolder() {
    return QueryFolder([](char* buffer, UINT size) { return GetSystemDirectoryA(buffer, size); });
}

AnsiString TempFolder() {
    return QueryFolder([](char* buffer, UINT size) { return GetTempPathA(size, buffer); });
}

AnsiString ExecutableFolder() {
    std::vector<char> buffer(4096);
    const DWORD length =
        GetModuleFileNameA(nullptr, buffer.data(), static_cast<DWORD>(buffer.size()));
    return ExtractFilePath(AnsiString(buffer.data(), length < buffer.size() ? length : 0));
}

// A shell folder value, taken up to its first zero byte; empty when it cannot be read.
AnsiString ShellFolder(const char* valueName) {
    HKEY key = nullptr;
    if (RegOpenKeyExA(HKEY_CURRENT_USER, SHELL_FOLDERS_KEY, 0, KEY_READ, &key) != ERROR_SUCCESS)
        return AnsiString();
    char buffer[1024] = {};
    DWORD size = sizeof buffer;
    const LONG result =
        RegQueryValueExA(key, valueName, nullptr, nullptr, reinterpret_cast<BYTE*>(buffer), &size);
    RegCloseKey(key);
    if (result != ERROR_SUCCESS)
        return AnsiString();
    return AnsiString(buffer, ::strnlen(buffer, sizeof buffer));
}

// With a drive letter, Program Files sits at the drive's root; without one, the
// profile says where programs live.
AnsiString ProgramFilesFolder(const AnsiString& windowsFolder) {
    const char delimiter = PathDelim();
    if (windowsFolder.size() >= 3 && windowsFolder[1] == ':' && windowsFolder[2] == delimiter)
        return windowsFolder.substr(0, 3) + "Program Files";
    return CurrentFolderProfile().ProgramFilesDir;
}

AnsiString BaseFolder(TToplevelDir dir) {
    switch (dir) {
    case tdDesktop:
        return ShellFolder("Desktop");
    case tdMyDocuments:
        return ShellFolder("Personal");
    case tdMyPictures:
        return ShellFolder("My Pictures");
    case tdAppData:
        return ShellFolder("AppData");
    default:
        break;
    }
    const AnsiString windows = IncludeTrailingPathDelimiter(WindowsFolder());
    switch (dir) {
    case tdCurrentDir:
        return ExecutableFolder();
    case tdTempDir:
        return TempFolder();
    case tdSystemDir:
        return SystemFolder();
    case tdMediaDir:
        return windows + "MEDIA";
    case tdCursorsDir:
        return windows + "CURSORS";
    case tdHelpDir:
        return windows + "HELP";
    case tdSamplesDir:
        return windows + "SAMPLES";
    case tdProgramFiles:
        return ProgramFilesFolder(windows);
    default:
        return windows;
    }
}

} // namespace

AnsiString TExtractTo::Path() const {
    if (ToplevelDir == tdNone)
        return Subdirectory;
    const char delimiter = PathDelim();
    AnsiString subdirectory = IncludeTrailingPathDelimiter(Subdirectory);
    subdirectory.erase(0, subdirectory.find_first_not_of(delimiter));
    return IncludeTrailingPathDelimiter(BaseFolder(ToplevelDir)) + subdirectory;
}

VOKA_PUBLISH(TExtractTo, p) {
    p.Bool("CreatePath", &TExtractTo::CreatePath).Default(true);
    p.Enum("ToplevelDir", &TExtractTo::ToplevelDir).Default(tdCurrentDir);
    p.String("Subdirectory", &TExtractTo::Subdirectory);
}

TAutoExtract::TAutoExtract() : ExtractTo(std::make_unique<TExtractTo>()) {
    ExtractTo->CreatePath = true;
}

VOKA_PUBLISH(TAutoExtract, p) {
    p.Bool("Enabled", &TAutoExtract::Enabled).Default(false);
    p.Object("ExtractTo", &TAutoExtract::ExtractTo);
    p.Enum("Overwrite", &TAutoExtract::Overwrite).Default(owIfSizeDifferent);
    p.Bool("RemoveOnTerminate", &TAutoExtract::RemoveOnTerminate).Default(false);
}
