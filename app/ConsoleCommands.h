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
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "platform/rtl/SysUtils.h"

enum TConsoleExit {
    ceSuccess = 0,
    ceUnitFailed = 1, // the unit failed the exchange, or the updater could not start
    ceUsage = 2,      // bad arguments, or a settings file missing, unreadable, short or unwritable
    cePortFailed = 3, // the port cannot be opened or the ports listed (the error on stderr)
};

enum TConsoleCommandKind { ccHelp, ccVersion, ccPorts, ccDownload, ccUpload, ccUpdate };

// A console command as its arguments name it.
struct TConsoleRequest {
    TConsoleCommandKind Kind = ccHelp;
    AnsiString File; // the settings or firmware file of download, upload and update
    uint16_t PortNo = 1;
    bool Verbose = false; // ports: each port's details below it
    bool operator==(const TConsoleRequest&) const = default;
};

// The command the arguments name, or nothing when they are no valid command line.
std::optional<TConsoleRequest> ParseConsoleCommand(const std::vector<std::string>& Arguments);

// The exit status of a console command, or nothing when the arguments ask for the window.
// Errors end as a message on stderr and a status; no exception leaves.
std::optional<int> RunConsoleCommand(const std::vector<std::string>& Arguments);
