#pragma once
// The updater's command line: port[:mode] [speed] file.
#include <string>
#include <vector>

enum class WireMode { TwoWire, SingleWire, Detect };

struct PortArgument {
    std::string text;   // as typed, for messages
    std::string device; // the name CreateFileA opens
    WireMode mode = WireMode::TwoWire;
    bool badMode = false;
    char modeLetter = 0; // the offending letter when badMode
};

// "COM3", "com3:s", "3:?": "\\.\COM3" with the mode. Without a usable port number (0 or
// none) the whole argument is the device name; a path gets the device prefix so that the
// port layer opens it as a serial device.
PortArgument ParsePortArgument(const std::string& text);

// A decimal speed from 50 to 4,000,000; false for anything else.
bool ParseSpeed(const std::string& text, unsigned& speed);

struct UpdaterArguments {
    bool usage = false; // a wrong number of arguments
    PortArgument port;
    std::string speedText; // empty when absent
    std::string file;
};

// The arguments after the program name.
UpdaterArguments ParseUpdaterArguments(const std::vector<std::string>& arguments);

extern const char* const kUpdaterBanner;
extern const char* const kUpdaterUsage;
