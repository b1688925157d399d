// VOKA: the window, or a console command when arguments name one.
#include <string>
#include <vector>

#include "app/ConsoleCommands.h"
#include "app/window/Unit1.h"
#include "platform/classes/Application.h"
#include "platform/ui/UserInterface.h"

int main(int argc, char** argv) {
    const std::vector<std::string> arguments(argv + 1, argv + argc);
    if (std::optional<int> status = RunConsoleCommand(arguments))
        return *status;

    TApplication application;
    try {
        InitUserInterface(argc, argv);
        Application->Initialize();
        Application->SetTitle("VOKA");
        Application->CreateForm(Form1);
        Application->Run();
    } catch (...) {
        Application->HandleException(Application);
    }
    return 0;
}
