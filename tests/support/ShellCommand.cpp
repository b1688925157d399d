#include "tests/support/ShellCommand.h"

#include <cstdio>
#include <sys/wait.h>

ShellResult RunShell(const std::string& command) {
    FILE* pipe = popen(command.c_str(), "r");
    if (!pipe)
        return {-1, {}};
    std::string output;
    char buffer[4096];
    while (size_t n = fread(buffer, 1, sizeof buffer, pipe))
        output.append(buffer, n);
    const int status = pclose(pipe);
    return {WIFEXITED(status) ? WEXITSTATUS(status) : -1, output};
}
