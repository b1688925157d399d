// VOKA: the window, or a console command when arguments name one.
#include <cstdio>
#include <string>
#include <vector>

#include "app/ConsoleCommands.h"
#include "app/window/Unit1.h"
#include "platform/classes/Application.h"
#include "platform/ui/UserInterface.h"

namespace {
constexpr const char* CONSOLE_HINT =
    "Without a display, use the console commands: voka ports, voka download FILE,\n"
    "voka upload FILE, voka update FIRMWARE (voka --help tells more).\n";

// A window that could not be shown ends with status 1, so that it is not taken for a success.
constexpr int START_FAILED = 1;
} // namespace

int main(int argc, char** argv) {
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
