// VOKA: the window, or a console command when arguments name one.
#include <cstdio>
#include <string>
#include <vector>

#include "app/ConsoleCommands.h"
#include "app/window/Unit1.h"
#include "comm/CommClasses.h"
#include "devices/DevicesClasses.h"
#include "filestorage/FileStorageClasses.h"
#include "platform/classes/Application.h"
#include "platform/devices/DevicesPlatform.h"
#include "platform/serial/SerialPlatform.h"
#include "platform/ui/UiClasses.h"
#include "platform/ui/UserInterface.h"

namespace {
constexpr const char* CONSOLE_HINT =
    "Without a display, use the console commands: voka ports, voka download FILE,\n"
    "voka upload FILE, voka update FIRMWARE (voka --help tells more).\n";

// A window that could not be shown ends with status 1, so that it is not taken for a success.
constexpr int START_FAILED = 1;

// The ports and the device database, and every class the window's description names; the
// console commands need them as much as the window does.
void StartPlatform() {
    InitSerialPlatform();
    InitDevicesPlatform();
    RegisterUiClasses();
    RegisterCommClasses();
    RegisterDevicesClasses();
    RegisterFileStorageClasses();
}
} // namespace

int main(int argc, char** argv) {
    StartPlatform();
    const std::vector<std::string> arguments(argv + 1, argv + argc);
    if (std::optional<int> status = RunConsoleCommand(arguments))
        return *status;

    if (const AnsiString missing = MissingDisplay(); !missing.empty()) {
        std::fprintf(stderr, "voka: no display to show the window on (%s).\n%s", missing.c_str(),
                     CONSOLE_HINT);
        return START_FAILED;
    }
    TApplication application;
    try {
        InitUserInterface(argc, argv, CONSOLE_HINT);
        Application->Initialize();
        Application->SetTitle("VOKA");
        Application->CreateForm(Form1);
        Application->Run();
    } catch (...) {
        // Errors inside a command are shown by the loop and never get here.
        Application->HandleException(Application);
        return START_FAILED;
    }
    return 0;
}
