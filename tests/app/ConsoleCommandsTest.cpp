// The console commands: their command line, the update's folder and its failures, and
// errors that end as a message and a status.
#include "app/ConsoleCommands.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <filesystem>
#include <grp.h>
#include <pty.h>
#include <pwd.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include "platform/serial/SerialPlatform.h"
#include "platform/win32/Registry.h"
#include "tests/app/CapturedLauncher.h"
#include "tests/app/CapturedUser.h"
#include "tests/support/EnvironmentGuard.h"
#include "tests/support/TempDir.h"

namespace fs = std::filesystem;

namespace {
// Each test starts and ends in its own folder: the update changes the current folder.
class ConsoleCommandsTest : public ::testing::Test {
protected:
    void SetUp() override { fs::current_path(caller.Path()); }
    void TearDown() override { fs::current_path(start); }

    // Runs a command with stdout and stderr captured.
    int Run(const std::vector<std::string>& arguments) {
        ::testing::internal::CaptureStdout();
        ::testing::internal::CaptureStderr();
        const std::optional<int> status = RunConsoleCommand(arguments);
        errors = ::testing::internal::GetCapturedStderr();
        output = ::testing::internal::GetCapturedStdout();
        return status.value_or(-1);
    }
    void WriteUpdater(const std::string& text, fs::perms permissions) {
        WriteFileBytes(firmwareFolder / "update.exe", text);
        fs::permissions(firmwareFolder / "update.exe", permissions);
    }

    fs::path start = fs::current_path();
    TempDir caller;
    TempDir firmwareFolder;
    CapturedUser user;
    EnvironmentGuard environment;
    std::string errors;
    std::string output;
};
} // namespace

TEST(ConsoleCommandLine, NamesACommandOrIsAUsageError) {
    using Args = std::vector<std::string>;
    auto parse = [](const Args& arguments) { return ParseConsoleCommand(arguments); };
    EXPECT_EQ(parse({"download", "unit.bin", "--port", "com12"}),
              (TConsoleRequest{ccDownload, "unit.bin", 12}));
    EXPECT_EQ(parse({"upload", "--port", "3", "unit.bin"}),
              (TConsoleRequest{ccUpload, "unit.bin", 3}));
    EXPECT_EQ(parse({"update", "fw.s19"}), (TConsoleRequest{ccUpdate, "fw.s19", 1}));
    EXPECT_EQ(parse({"ports"})->Kind, ccPorts);
    EXPECT_TRUE(parse({"ports", "--verbose"})->Verbose);
    EXPECT_EQ(parse({"--version"})->Kind, ccVersion);
    EXPECT_EQ(parse({"--help"})->Kind, ccHelp);
    for (const Args& wrong :
         {Args{}, Args{"ports", "x"}, Args{"--version", "x"}, Args{"download"}, Args{"frob", "x"},
          Args{"upload", "a", "b"}, Args{"update", "a", "--port", "0"},
          Args{"update", "a", "--port", "256"}, Args{"upload", "a", "--port"},
          Args{"download", "a", "--force"}, Args{"download", ""},
          Args{"update", "a", "--port", "COMX"}})
        EXPECT_FALSE(parse(wrong)) << ::testing::PrintToString(wrong);
}

TEST_F(ConsoleCommandsTest, UpdateStartsTheUpdaterInTheFirmwareFilesFolder) {
    CapturedLauncher launcher;
    WriteUpdater("#!/bin/sh\n", fs::perms::owner_all);
    WriteFileBytes(firmwareFolder / "kzra500.s19", "S9030000FC\n");
    const std::string relative =
        fs::relative(firmwareFolder.Path() / "kzra500.s19", caller.Path()).string();

    EXPECT_EQ(Run({"update", relative, "--port", "COM4"}), ceSuccess) << errors;
    ASSERT_EQ(launcher.requests.size(), 1u);
    EXPECT_EQ(launcher.requests[0].arguments, (std::vector<AnsiString>{"COM4", "kzra500.s19"}));
    // The updater opens the bare name in the folder it starts in.
    EXPECT_EQ(fs::canonical(launcher.folders[0]), fs::canonical(firmwareFolder.Path()));
}

TEST_F(ConsoleCommandsTest, AnUpdaterThatCannotStartSaysWhyOnStderr) {
    const std::string firmware = firmwareFolder / "kzra500.s19";
    struct Case {
        std::string updater; // empty: none there
        fs::perms permissions;
        const char* display;
        std::string reason;
    } cases[] = {
        {"", fs::perms::none, ":0",
         "there is no Update.exe in " + firmwareFolder.Path().string() + "/"},
        {"notes\n", fs::perms::owner_all, ":0",
         firmwareFolder / "update.exe" + " is neither a native program nor a script"},
        {"#!/bin/sh\n", fs::perms::owner_read, ":0",
         firmwareFolder / "update.exe" + " is not executable"},
        {"#!/bin/sh\n", fs::perms::owner_all, nullptr,
         "there is no display (neither DISPLAY nor WAYLAND_DISPLAY is set)"},
    };
    environment.Set("WAYLAND_DISPLAY", nullptr);
    for (const Case& c : cases) {
        fs::remove(firmwareFolder / "update.exe");
        if (!c.updater.empty())
            WriteUpdater(c.updater, c.permissions);
        environment.Set("DISPLAY", c.display);
        EXPECT_EQ(Run({"update", firmware}), ceUnitFailed) << c.reason;
        EXPECT_EQ(errors, "The updater cannot be started: " + c.reason + "\n");
    }
    // The window's box, word for word, each time.
    ASSERT_EQ(user.boxes.size(), std::size(cases));
    EXPECT_EQ(user.boxes.back().text, "Could not find Update program");
    EXPECT_EQ(user.boxes.back().caption, "Reflash Error");
}

TEST_F(ConsoleCommandsTest, APortListThatCannotBeReadIsAMessageAndAStatusNotAnAbort) {
    // A port map (not VOKA_PORTS, whose malformed entries are skipped) naming COMX.
    SetSerialPortMapProvider([] {
        return std::vector<std::pair<AnsiString, AnsiString>>{{"/dev/pts/3", "COMX"}};
    });
    EXPECT_EQ(Run({"ports"}), cePortFailed);
    SetSerialPortMapProvider(&SerialPortMap); // the program's own
    EXPECT_EQ(errors, "The ports cannot be listed: 'X' is not a valid integer value\n");
}

TEST_F(ConsoleCommandsTest, AMistypedVokaPortsEntryIsNamedAndSkipped) {
    int master = -1, slave = -1;
    char name[256];
    ASSERT_EQ(0, openpty(&master, &slave, name, nullptr, nullptr));
    environment.Set(
        "VOKA_PORTS",
        (std::string("COMX=/dev/pts/3;COM9=") + name + ";COM10=/dev/no-such-tty;junk").c_str());
    EXPECT_EQ(Run({"ports"}), ceSuccess);
    // The rest of the map works; a device that does not exist is not listed.
    EXPECT_NE(("\n" + output).find("\nCOM9\n"), std::string::npos) << output;
    EXPECT_EQ(output.find("COM10"), std::string::npos) << output;
    close(slave);
    close(master);
    EXPECT_EQ(errors,
              "voka: VOKA_PORTS entry \"COMX=/dev/pts/3\" skipped: it is not COMn=device (such as "
              "COM9=/dev/ttyUSB0)\n"
              "voka: VOKA_PORTS entry \"junk\" skipped: it is not COMn=device (such as "
              "COM9=/dev/ttyUSB0)\n");
}

// A port whose device node refuses the user: the command names the node, its group and how
// to join it. Root opens anything, so a root test runs the command as "nobody".
TEST_F(ConsoleCommandsTest, ADeviceTheUserMayNotOpenNamesItsNodeAndGroup) {
    int master = -1, slave = -1;
    char name[256];
    ASSERT_EQ(0, openpty(&master, &slave, name, nullptr, nullptr));
    const bool root = geteuid() == 0;
    const group* dialout = getgrnam("dialout");
    if (root && dialout) {
        ASSERT_EQ(0, chown(name, 0, dialout->gr_gid));
    }
    ASSERT_EQ(0, chmod(name, root ? 0660 : 0060)); // an owner's own bits refuse the owner
    struct stat node {};
    ASSERT_EQ(0, stat(name, &node));
    const group* owner = getgrgid(node.st_gid);
    ASSERT_NE(owner, nullptr);
    const passwd* nobody = getpwnam("nobody");
    if (root && !nobody) {
        GTEST_SKIP() << "no user to drop root's rights to";
    }
    environment.Set("VOKA_PORTS", (std::string("COM7=") + name).c_str());
    fs::permissions(caller.Path(), fs::perms::all); // the command's folder, open to nobody

    const std::string errorFile = caller / "errors";
    const pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        const int out = ::open(errorFile.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0666);
        dup2(out, STDERR_FILENO);
        if (root && (setgid(nobody->pw_gid) != 0 || setuid(nobody->pw_uid) != 0))
            _exit(100);
        const std::optional<int> status =
            RunConsoleCommand({"download", (caller / "unit.bin"), "--port", "COM7"});
        _exit(status.value_or(101));
    }
    int status = 0;
    ASSERT_EQ(child, waitpid(child, &status, 0));
    close(slave);
    close(master);
    const std::string errorsSeen = ReadFileBytes(errorFile);
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), cePortFailed) << errorsSeen;
    EXPECT_NE(errorsSeen.find("Access is denied."), std::string::npos) << errorsSeen;
    const std::string group = owner->gr_name;
    EXPECT_NE(errorsSeen.find(std::string(name) + " may be opened by members of the group \"" +
                              group + "\" only: join it with \"sudo usermod -aG " + group +
                              " $USER\", then log in again.\n"),
              std::string::npos)
        << errorsSeen;
}

TEST_F(ConsoleCommandsTest, APortThatIsMerelyAbsentGivesNoGroupHint) {
    environment.Set("VOKA_PORTS", nullptr);
    EXPECT_EQ(Run({"download", (caller / "unit.bin"), "--port", "COM250"}), cePortFailed);
    EXPECT_NE(errors.find("Open Error"), std::string::npos) << errors;
    EXPECT_EQ(errors.find("usermod"), std::string::npos) << errors;
}
