// The simulator on a real pseudo-terminal, driven by a shell script it starts with --run.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <numeric>
#include <sys/wait.h>

#include "tests/support/TempDir.h"
#include "tools/lumivox-sim/SettingsUnit.h"

namespace {
// The build's bin folder: VOKA_BIN, else beside the tests folder this program runs from.
std::string Bin(const std::string& name) {
    if (const char* bin = std::getenv("VOKA_BIN"); bin && *bin)
        return std::string(bin) + "/" + name;
    const auto self = std::filesystem::read_symlink("/proc/self/exe");
    return (self.parent_path().parent_path() / "bin" / name).string();
}

int RunShell(const std::string& command) {
    const int status = std::system(command.c_str());
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

// The script finds its port in VOKA_PORTS, as the utility would, and moves prepared
// requests over it, saving every answer.
const char* const kScript = R"(set -e
dev=${VOKA_PORTS%%;*}
dev=${dev#COM4=}
stty -F "$dev" raw -echo 19200
exec 3<>"$dev"
take() { timeout 5 dd bs="$1" count=1 iflag=fullblock <&3 >"$2" 2>/dev/null; }
printf VV >&3; take 3 hello
for b in 0 1 2; do cat "read$b" >&3; take 257 "block$b"; done
cat frame >&3; take 2 ack
)";
} // namespace

TEST(SimOverPty, ScriptExchangesHelloReadsAndAWrite) {
    TempDir dir;
    const SettingsUnit::Image factory = SettingsUnit::FactoryImage();
    for (int b = 0; b < 3; ++b)
        WriteFileBytes(dir / ("read" + std::to_string(b)), {'R', 0, char(b), 0, char(0x52 + b)});
    std::string frame = {'W', 0, 1, 0};
    frame += std::string(256, char(0xA0));
    const unsigned sum = std::accumulate(frame.begin(), frame.end(), 0u,
                                         [](unsigned s, char c) { return s + uint8_t(c); });
    frame.push_back(char(sum));
    WriteFileBytes(dir / "frame", frame);
    WriteFileBytes(dir / "script.sh", kScript);

    const std::string settings = dir / "unit.bin";
    const int code =
        RunShell("cd '" + dir.Path().string() + "' && '" + Bin("lumivox-sim") +
                 "' --com 4 --settings unit.bin --log sim.log --run /bin/sh script.sh");
    ASSERT_EQ(code, 0) << ReadFileBytes(dir / "sim.log");

    EXPECT_EQ(ReadFileBytes(dir / "hello").size(), 3u);
    std::string blocks;
    for (int b = 0; b < 3; ++b) {
        const std::string reply = ReadFileBytes(dir / ("block" + std::to_string(b)));
        ASSERT_EQ(reply.size(), 257u);
        blocks += reply.substr(0, 256);
    }
    EXPECT_EQ(blocks, std::string(factory.begin(), factory.end()));
    EXPECT_EQ(ReadFileBytes(dir / "ack").size(), 2u);

    const std::string kept = ReadFileBytes(settings);
    ASSERT_EQ(kept.size(), 768u);
    EXPECT_EQ(kept.substr(256, 256), std::string(256, char(0xA0)));
    EXPECT_EQ(kept.substr(0, 256), blocks.substr(0, 256));
    const std::string log = ReadFileBytes(dir / "sim.log");
    EXPECT_NE(log.find("received read of block 2"), std::string::npos);
    EXPECT_NE(log.find("received write of block 1"), std::string::npos);
}

TEST(SimOverPty, PassesOnTheCommandsExitStatus) {
    EXPECT_EQ(RunShell("'" + Bin("lumivox-sim") + "' --log /dev/null --run /bin/sh -c 'exit 7'"),
              7);
}
