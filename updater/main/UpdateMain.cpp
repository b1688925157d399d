// update.exe: reflashes a Lumivox unit's firmware through its boot loader.
#include "platform/serial/SerialPlatform.h"
#include "updater/Updater.h"
#include "updater/UpdaterSerialPort.h"

int main(int argc, char** argv) {
    InitSerialPlatform();
    TerminalConsole console;
    UpdaterEnvironment environment{console,
                                   [](const std::string& device) -> std::unique_ptr<UpdaterPort> {
                                       return UpdaterSerialPort::Open(device);
                                   },
                                   {}};
    // -1 leaves the process as 255.
    return RunUpdater({argv + 1, argv + argc}, environment) & 0xFF;
}
