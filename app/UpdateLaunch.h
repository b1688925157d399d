#pragma once
// The firmware update command: starts the companion updater beside the chosen firmware
// file with the port and the file's bare name, and returns at once.
#include <cstdint>

#include "platform/rtl/SysUtils.h"

// "<folder of the file>Update.exe COM<port> <file name>"; the program's path is quoted
// only when its folder holds a blank.
AnsiString UpdateCommandLine(const AnsiString& FirmwareFile, uint16_t ComPortNo);

// Starts the updater; when it cannot be started, says so in the "Reflash Error" box and
// returns false.
bool LaunchUpdater(const AnsiString& FirmwareFile, uint16_t ComPortNo);
