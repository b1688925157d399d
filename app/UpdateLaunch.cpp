#include "app/UpdateLaunch.h"

#include "platform/rtl/FileUtils.h"
#include "platform/win32/Process.h"
#include "platform/win32/User.h"

AnsiString UpdateCommandLine(const AnsiString& FirmwareFile, uint16_t ComPortNo) {
    AnsiString program = ExtractFilePath(FirmwareFile) + "Update.exe";
    // A folder with blanks would split the program's path: quote it then, and only then.
    if (program.find(' ') != AnsiString::npos)
        program = "\"" + program + "\"";
    return program + " " + Format("COM%u", ComPortNo) + " " + ExtractFileName(FirmwareFile);
}

bool LaunchUpdater(const AnsiString& FirmwareFile, uint16_t ComPortNo) {
    if (WinExec(UpdateCommandLine(FirmwareFile, ComPortNo).c_str(), SW_SHOWNORMAL) > 31)
        return true;
    MessageBoxA(nullptr, "Could not find Update program", "Reflash Error", MB_OK);
    return false;
}
