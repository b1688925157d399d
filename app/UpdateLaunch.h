#pragma once
// The firmware update command: starts the companion updater beside the chosen firmware
// file with the port and the file's bare name, and returns at once.
#include <cstdint>

#include "platform/win32/WinError.h"

// "<folder of the file>Update.exe COM<port> <file name>"; the program's path is quoted
// only when its folder holds a blank.
AnsiString UpdateCommandLine(const AnsiString& FirmwareFile, uint16_t ComPortNo);

// Starts the updater with the firmware file's folder as the current folder, where it finds
// the file by its bare name (in the window the open dialog has made it current already).
// When it cannot be started, says so in the "Reflash Error" box and returns false; the last
// error then tells why.
bool LaunchUpdater(const AnsiString& FirmwareFile, uint16_t ComPortNo);

// Why LaunchUpdater could not start the updater beside FirmwareFile, from its last error, in
// words for a console: no updater there, a file that is no program or not executable, no
// display or no terminal program to show it in.
AnsiString UpdaterFailureReason(const AnsiString& FirmwareFile, DWORD LastError);
