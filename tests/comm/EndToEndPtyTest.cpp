// The settings exchange against the unit simulator on a real pseudo-terminal.
#include <gtest/gtest.h>

#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <numeric>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include "comm/reRore.h"
#include "platform/classes/Application.h"
#include "tools/lumivox-sim/SettingsUnit.h"

extern char** environ;

namespace {
std::string SimulatorPath() {
    const char* bin = std::getenv("VOKA_BIN");
    return std::string(bin ? bin : ".") + "/lumivox-sim";
}

// lumivox-sim serving one settings unit; it prints its device path first.
class Simulator {
public:
    Simulator() {
        int pipeEnds[2];
        if (pipe(pipeEnds) != 0)
            return;
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_adddup2(&actions, pipeEnds[1], STDOUT_FILENO);
        posix_spawn_file_actions_addclose(&actions, pipeEnds[0]);
        const std::string program = SimulatorPath();
        const char* argv[] = {program.c_str(), "--print-port", "--log", "/dev/null", nullptr};
        if (posix_spawn(&pid_, program.c_str(), &actions, nullptr, const_cast<char**>(argv),
                        environ) != 0)
            pid_ = 0;
        posix_spawn_file_actions_destroy(&actions);
        close(pipeEnds[1]);
        if (FILE* output = fdopen(pipeEnds[0], "r")) {
            char line[256] = {};
            if (fgets(line, sizeof line, output))
                device_ = std::string(line, strcspn(line, "\n"));
            fclose(output);
        }
    }
    ~Simulator() {
        if (pid_ > 0) {
            kill(pid_, SIGTERM);
            waitpid(pid_, nullptr, 0);
        }
    }
    const std::string& Device() const { return device_; }

private:
    pid_t pid_ = 0;
    std::string device_;
};

uint8_t Sum(const std::string& bytes) {
    return static_cast<uint8_t>(std::accumulate(
        bytes.begin(), bytes.end(), 0u, [](unsigned sum, char c) { return sum + uint8_t(c); }));
}
} // namespace

TEST(EndToEndPty, HelloAndThreeBlocksFromTheSimulator) {
    Simulator simulator;
    ASSERT_FALSE(simulator.Device().empty()) << "lumivox-sim did not start";
    setenv("VOKA_PORTS", ("COM23=" + simulator.Device()).c_str(), 1);

    TApplication application;
    TreRore comm(nullptr);
    comm.SetStreamProtocol(spNone);
    comm.SetTraceState(TTraceStates{tsRxChar});
    comm.SetComPortNo(23);
    comm.SetActive(true);
    ASSERT_TRUE(comm.GetActive());

    comm.SendString("VV");
    ASSERT_TRUE(comm.WaitForBytes(3, 1000));
    EXPECT_EQ(comm.ReadString(), "LV3");

    std::string image;
    for (char block = 0; block < 3; ++block) {
        comm.ClearDeviceBuffers();
        const std::string header = {'R', 0, block, 0};
        for (char c : header + char(Sum(header)))
            comm.SendChar(c);
        ASSERT_TRUE(comm.WaitForBytes(257, 1000)) << "block " << int(block);
        const uint32_t ready = comm.GetReadyForRead();
        ASSERT_EQ(ready, 257u);
        std::string reply(ready, '\0');
        ASSERT_TRUE(comm.Read(reply.data(), ready));
        EXPECT_EQ(uint8_t(reply[256]), Sum(reply.substr(0, 256)));
        image += reply.substr(0, 256);
    }
    EXPECT_EQ(comm.GetTotalSent(), 2u + 3 * 5u);
    comm.SetActive(false);
    EXPECT_FALSE(comm.GetActive());

    const SettingsUnit::Image factory = SettingsUnit::FactoryImage();
    EXPECT_EQ(image, std::string(factory.begin(), factory.end()));
}
