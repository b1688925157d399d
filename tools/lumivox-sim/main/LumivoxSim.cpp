// lumivox-sim: a Lumivox unit on a pseudo-terminal.
#include <atomic>
#include <csignal>
#include <cstdlib>
#include <fstream>
#include <iostream>
#include <sys/wait.h>
#include <unistd.h>

#include "tools/lumivox-sim/LineServer.h"
#include "tools/lumivox-sim/PtyLine.h"
#include "tools/lumivox-sim/SimSetup.h"

namespace {
std::atomic<bool> stopRequested{false};
void RequestStop(int) {
    stopRequested = true;
}

// Starts the command with the line registered as its COM port; returns its process id.
pid_t StartCommand(const SimOptions& options, const std::string& device) {
    std::string ports = "COM" + std::to_string(options.comNumber) + "=" + device;
    if (const char* existing = std::getenv("VOKA_PORTS"); existing && *existing)
        ports += std::string(";") + existing;
    const pid_t child = fork();
    if (child != 0)
        return child;
    setenv("VOKA_PORTS", ports.c_str(), 1);
    std::vector<char*> argv;
    for (const auto& argument : options.command)
        argv.push_back(const_cast<char*>(argument.c_str()));
    argv.push_back(nullptr);
    execvp(argv[0], argv.data());
    std::cerr << "lumivox-sim: cannot run " << options.command[0] << std::endl;
    _exit(127);
}

int ExitCodeOf(int status) {
    if (WIFEXITED(status))
        return WEXITSTATUS(status);
    return 128 + (WIFSIGNALED(status) ? WTERMSIG(status) : 0);
}
} // namespace

int main(int argc, char** argv) {
    SimOptions options;
    const std::string complaint = ParseSimOptions({argv + 1, argv + argc}, options);
    if (options.help) {
        std::cout << kSimUsage;
        return 0;
    }
    if (!complaint.empty()) {
        std::cerr << "lumivox-sim: " << complaint << "\n" << kSimUsage;
        return 2;
    }
    std::ofstream logFile;
    if (!options.logFile.empty()) {
        logFile.open(options.logFile, std::ios::app);
        if (!logFile) {
            std::cerr << "lumivox-sim: cannot open " << options.logFile << std::endl;
            return 2;
        }
    }
    std::ostream& log = options.logFile.empty() ? std::cerr : logFile;

    SimulatedUnit unit;
    std::string error;
    PtyLine line;
    if (!MakeSimulatedUnit(options, log, unit, error) || !line.Open(error)) {
        std::cerr << "lumivox-sim: " << error << std::endl;
        return 2;
    }
    if (unit.pnp)
        log << "lumivox-sim: a pseudo-terminal carries no DTR or RTS: the plug-and-play "
               "identification is never asked for here"
            << std::endl;
    if (options.printPort)
        std::cout << line.DevicePath() << std::endl;
    log << "lumivox-sim: " << (options.boot ? "boot loader" : "settings") << " unit on "
        << line.DevicePath() << std::endl;

    std::signal(SIGINT, RequestStop);
    std::signal(SIGTERM, RequestStop);
    std::signal(SIGPIPE, SIG_IGN);

    pid_t child = options.command.empty() ? 0 : StartCommand(options, line.DevicePath());
    if (child < 0) {
        std::cerr << "lumivox-sim: cannot start " << options.command[0] << std::endl;
        return 2;
    }
    int childStatus = 0;
    const auto stop = [&] {
        if (child > 0 && waitpid(child, &childStatus, WNOHANG) == child)
            child = -1;
        return stopRequested.load() || child < 0;
    };
    LineServer server(line.Master(), *unit.engine,
                      {options.LineSpeed(), options.pace, options.delayMs, options.idleGapMs});
    const bool served = server.Run(stop);
    if (child > 0) {
        // Stopped by a signal while the command still runs: wait for it to end too.
        kill(child, SIGTERM);
        waitpid(child, &childStatus, 0);
        child = -1;
    }
    if (child < 0)
        return ExitCodeOf(childStatus);
    return served ? 0 : 1;
}
