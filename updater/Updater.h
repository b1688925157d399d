#pragma once
// The updater program: arguments, port, firmware file, and the session with the unit,
// with the console dialogue and the exit codes of its contract.
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "updater/BootLink.h"
#include "updater/BootSession.h"
#include "updater/SRecordReader.h"
#include "updater/UpdaterConsole.h"

namespace exitcode {
constexpr int kDone = 0;
constexpr int kPort = 1;
constexpr int kFile = 2;
constexpr int kNoContact = 3;
constexpr int kCalibration = 4;
constexpr int kIdentification = 5;
constexpr int kProgramming = 8;
constexpr int kNotConfirmed = -1;
} // namespace exitcode

using PortOpener = std::function<std::unique_ptr<UpdaterPort>(const std::string& device)>;

struct UpdaterEnvironment {
    UpdaterConsole& console;
    PortOpener openPort;
    BootTiming timing; // tests shorten the contact time
};

// Runs the whole dialogue for the arguments after the program name; returns the exit code.
int RunUpdater(const std::vector<std::string>& arguments, UpdaterEnvironment& environment);

// The part of it with the unit, on a line already set up: from the wait for contact to
// the verify. Returns the exit code.
int RunUpdaterSession(BootLink& link, WireMode mode, const FirmwareImage& image,
                      UpdaterEnvironment& environment);
