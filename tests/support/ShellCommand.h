#pragma once
// Runs a command line with the shell and captures what it writes to stdout.
#include <string>

struct ShellResult {
    int status; // the exit status; -1 when the command did not exit (a signal)
    std::string output;
};

ShellResult RunShell(const std::string& command);
