// update.exe against lumivox-sim --boot over real pseudo-terminals.
#include <gtest/gtest.h>

#include <cstdlib>
#include <fcntl.h>
#include <filesystem>
#include <sys/wait.h>
#include <unistd.h>

#include "tests/support/TempDir.h"
#include "tools/lumivox-sim/FlashModel.h"
#include "updater/SRecordReader.h"
#include "updater/Updater.h"
#include "updater/UpdaterSerialPort.h"

namespace {
// The build's bin folder: VOKA_BIN, else beside the tests folder this program runs from.
std::string Bin(const std::string& name) {
    if (const char* bin = std::getenv("VOKA_BIN"); bin && *bin)
        return std::string(bin) + "/" + name;
    const auto self = std::filesystem::read_symlink("/proc/self/exe");
    return (self.parent_path().parent_path() / "bin" / name).string();
}

struct UpdaterOverPty : ::testing::Test {
    TempDir dir;
    std::string output;

    // Runs update.exe under the simulator; the answers file is its standard input.
    int Run(const std::string& simOptions, const std::string& updaterArguments,
            const std::string& answers = "y\n") {
        return RunUnderSim(simOptions, "'" + Bin("update.exe") + "' " + updaterArguments, answers);
    }
    int RunUnderSim(const std::string& simOptions, const std::string& command,
                    const std::string& answers) {
        WriteFileBytes(dir / "answers", answers);
        const std::string line = "cd '" + dir.Path().string() + "' && '" + Bin("lumivox-sim") +
                                 "' --boot --com 3 --flash flash.bin --log sim.log " + simOptions +
                                 " --run " + command + " <answers >out.txt";
        const int status = std::system(line.c_str());
        output = ReadFileBytes(dir / "out.txt");
        return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    }
    std::string Firmware() const { return Bin("KZRA503.s19"); }
    std::string Flash() { return ReadFileBytes(dir / "flash.bin"); }
    bool FlashHoldsImage() {
        FirmwareImage image;
        EXPECT_TRUE(LoadSRecordFile(Firmware(), image, nullptr));
        const std::string flash = Flash();
        if (flash.size() != FirmwareImage::kSpace)
            return false;
        const FlashLayout layout = FlashLayout::Default();
        for (uint32_t a = 0; a < FirmwareImage::kSpace; ++a) {
            const uint8_t expected =
                image.defined[a] && layout.InRanges(a, 1) ? image.bytes[a] : 0xFF;
            if (uint8_t(flash[a]) != expected)
                return false;
        }
        return true;
    }
    bool FlashBlank() { return Flash() == std::string(FirmwareImage::kSpace, char(0xFF)); }
    bool Shows(const std::string& text) const { return output.find(text) != std::string::npos; }
};
} // namespace

TEST_F(UpdaterOverPty, ProgramsTheDefaultImageAndVerifiesIt) {
    EXPECT_EQ(Run("", "COM3 " + Firmware()), 0) << output << ReadFileBytes(dir / "sim.log");
    EXPECT_TRUE(Shows("Lumivox connected\n"));
    EXPECT_TRUE(Shows("\rMemory verified:            OK\n"));
    EXPECT_TRUE(FlashHoldsImage());
    EXPECT_NE(ReadFileBytes(dir / "sim.log").find("received quit"), std::string::npos);
}

TEST_F(UpdaterOverPty, NoWritesWithoutConsent) {
    EXPECT_EQ(Run("", "COM3 " + Firmware(), "n\n"), 255) << output;
    EXPECT_TRUE(FlashBlank());
}

TEST_F(UpdaterOverPty, SingleWireGivenAndDetectedAndAPacedSpeed) {
    EXPECT_EQ(Run("--single-wire", "com3:s " + Firmware()), 0) << output;
    EXPECT_TRUE(FlashHoldsImage());
    std::remove((dir / "flash.bin").c_str());
    EXPECT_EQ(Run("--single-wire", "COM3:? " + Firmware()), 0) << output;
    EXPECT_TRUE(Shows("RS232 single wire mode detected.\nLumivox connected\n"));
    std::remove((dir / "flash.bin").c_str());
    EXPECT_EQ(Run("--pace --speed 115200", "COM3 115200 " + Firmware()), 0) << output;
    EXPECT_TRUE(FlashHoldsImage());
}

TEST_F(UpdaterOverPty, ABootLoaderAnsweringItsWakeUpsLate) {
    EXPECT_EQ(Run("--late-wake=150", "COM3 " + Firmware()), 0) << output;
    EXPECT_TRUE(FlashHoldsImage());
}

TEST_F(UpdaterOverPty, DeviceFailuresEndWithTheirCodes) {
    EXPECT_EQ(Run("--nak-calibration", "COM3 " + Firmware()), 4) << output;
    EXPECT_TRUE(Shows("Can't calibrate Lumivox clock.\n"));
    EXPECT_EQ(Run("--bad-ident", "COM3 " + Firmware()), 5) << output;
    EXPECT_TRUE(Shows("Can't read MCU info. Could be protocol error.\n"));
    EXPECT_EQ(Run("--nak-erase=8000", "COM3 " + Firmware()), 8) << output;
    EXPECT_TRUE(Shows("Can't erase block at address 0x8000\nProgram memory failed.\n"));
    EXPECT_EQ(Run("--nak-write", "COM3 " + Firmware()), 8) << output;
    EXPECT_TRUE(Shows("Can't program block at address 0x1000\n"));
    std::remove((dir / "flash.bin").c_str());
    EXPECT_EQ(Run("--corrupt-read=8010", "COM3 " + Firmware()), 8) << output;
    EXPECT_TRUE(Shows("\nVerification failed at address 0x8010, image: [0x"));
}

TEST_F(UpdaterOverPty, WrongArgumentsShowTheUsageAndAnUnknownPortFails) {
    EXPECT_EQ(Run("", "COM3"), 0);
    EXPECT_EQ(output, std::string(kUpdaterBanner) + kUpdaterUsage);
    EXPECT_EQ(Run("", "COM8 " + Firmware()), 1);
    EXPECT_TRUE(Shows("Can't open serial port COM8\n"));
}

TEST_F(UpdaterOverPty, ADevicePathAsThePortOpensThatDevice) {
    // The line's own path (/dev/pts/N) instead of a COM name, with no port map to look it up.
    WriteFileBytes(dir / "by-path.sh", "dev=${VOKA_PORTS%%;*}\n"
                                       "VOKA_PORTS= exec \"$1\" \"${dev#COM3=}\" \"$2\"\n");
    const int code = RunUnderSim(
        "", "/bin/sh by-path.sh '" + Bin("update.exe") + "' '" + Firmware() + "'", "y\n");
    EXPECT_EQ(code, 0) << output;
    EXPECT_TRUE(Shows("\rMemory verified:            OK\n"));
    EXPECT_TRUE(FlashHoldsImage());
}

// No contact within the (shortened) contact time: exit 3.
TEST(UpdaterOverPtyContact, SilentLineGivesUpWithNoAnswer) {
    const int master = posix_openpt(O_RDWR | O_NOCTTY);
    ASSERT_GE(master, 0);
    ASSERT_EQ(grantpt(master), 0);
    ASSERT_EQ(unlockpt(master), 0);
    setenv("VOKA_PORTS", (std::string("COM9=") + ptsname(master)).c_str(), 1);

    struct Console : UpdaterConsole {
        void Write(std::string_view text) override { output += text; }
        void WaitForKey() override {}
        int ReadAnswer() override { return 'y'; }
        std::string output;
    } console;
    UpdaterEnvironment environment{console,
                                   [](const std::string& device) -> std::unique_ptr<UpdaterPort> {
                                       return UpdaterSerialPort::Open(device);
                                   },
                                   {}};
    environment.timing.contactLimit = std::chrono::milliseconds(400);
    TempDir dir;
    WriteFileBytes(dir / "fw.s19", "S9030000FC\n");
    EXPECT_EQ(RunUpdater({"COM9", dir / "fw.s19"}, environment), 3) << console.output;
    EXPECT_NE(console.output.find("No answer from Lumivox.\n"), std::string::npos);
    // The wake-ups went out on the line.
    char bytes[64];
    const ssize_t count = read(master, bytes, sizeof bytes);
    ASSERT_GT(count, 0);
    EXPECT_EQ(uint8_t(bytes[0]), 0xA5);
    close(master);
}
