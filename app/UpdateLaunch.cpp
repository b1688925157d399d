#include "app/UpdateLaunch.h"

#include <filesystem>

#include "platform/rtl/FileUtils.h"
#include "platform/win32/Process.h"
#include "platform/win32/User.h"

namespace {
constexpr const char* UPDATER_NAME = "Update.exe";
} // namespace

AnsiString UpdateCommandLine(const AnsiString& FirmwareFile, uint16_t ComPortNo) {
    AnsiString program = ExtractFilePath(FirmwareFile) + UPDATER_NAME;
    // A folder with blanks would split the program's path: quote it then, and only then.
    if (program.find(' ') != AnsiString::npos)
        program = "\"" + program + "\"";
    return program + " " + Format("COM%u", ComPortNo) + " " + ExtractFileName(FirmwareFile);
}

bool LaunchUpdater(const AnsiString& FirmwareFile, uint16_t ComPortNo) {
    std::error_code ignored; // a folder that cannot be entered leaves the updater to fail
    std::filesystem::current_path(std::filesystem::path(ExtractFilePath(FirmwareFile)), ignored);
    if (WinExec(UpdateCommandLine(FirmwareFile, ComPortNo).c_str(), SW_SHOWNORMAL) > 31)
        return true;
    const DWORD error = GetLastError();
    MessageBoxA(nullptr, "Could not find Update program", "Reflash Error", MB_OK);
    SetLastError(error);
    return false;
}

AnsiString UpdaterFailureReason(const AnsiString& FirmwareFile, DWORD LastError) {
    const AnsiString folder = ExtractFilePath(FirmwareFile);
    const AnsiString program = FindProgramFile(folder + UPDATER_NAME);
    switch (LastError) {
    case ERROR_FILE_NOT_FOUND:
        return Format("there is no %s in %s", UPDATER_NAME, folder);
    case ERROR_BAD_FORMAT:
        return Format("%s is neither a native program nor a script", program);
    case ERROR_ACCESS_DENIED:
        return Format("%s is not executable", program);
    case ERROR_NOT_SUPPORTED:
        if (AnsiString reason = TerminalUnavailableReason(); !reason.empty())
            return reason;
        break;
    default:
        break;
    }
    return SystemErrorMessage(LastError);
}
