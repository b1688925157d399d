#pragma once
// The simulator's command line.
#include <string>
#include <vector>

#include "tools/lumivox-sim/BootLoaderUnit.h"
#include "tools/lumivox-sim/SettingsUnit.h"

struct SimOptions {
    bool boot = false;
    bool printPort = false;
    bool help = false;
    int comNumber = 1;
    std::vector<std::string> command; // --run CMD...: everything after --run
    std::string settingsFile;
    std::string flashFile;
    std::string logFile; // empty: standard error
    unsigned speed = 0;  // bit/s for pacing; 0: the mode's usual speed
    bool pace = false;   // send answers at the real line speed
    unsigned delayMs = 0;
    unsigned idleGapMs = 500; // a pause that drops a half-received command
    SettingsFaults settingsFaults;
    BootFaults bootFaults;
    std::string pnpIdentification; // --pnp: answer DTR and RTS raised with "(" ID ")"

    unsigned LineSpeed() const { return speed ? speed : boot ? 9600 : 19200; }
};

// Parses the arguments after the program name. Returns an empty text on success, else
// the complaint to show with the usage.
std::string ParseSimOptions(const std::vector<std::string>& arguments, SimOptions& options);
extern const char* const kSimUsage;
