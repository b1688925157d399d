#pragma once
// The utility's commands without a window, for scripts and machines without a display:
//
//   voka ports [--verbose]           the device list with the ports' details (PortListing.h)
//   voka download FILE [--port P]    the download command, FILE in place of the save dialog
//   voka upload FILE [--port P]      the upload command, FILE in place of the open dialog
//   voka update FIRMWARE [--port P]  the update command, FIRMWARE in place of the open dialog
//   voka --version                   "voka " and the project's version
//
// P is COMn or n (default COM1). The status text the window would show goes to stdout.
#include <optional>
#include <string>
#include <vector>

enum TConsoleExit {
    ceSuccess = 0,
    ceUnitFailed = 1, // the unit failed the exchange, or the updater could not start
    ceUsage = 2,      // bad arguments, or a settings file missing, short or unwritable
    cePortFailed = 3, // the port cannot be opened (the open error on stderr)
};

// The exit status of a console command, or nothing when the arguments ask for the window.
std::optional<int> RunConsoleCommand(const std::vector<std::string>& Arguments);
