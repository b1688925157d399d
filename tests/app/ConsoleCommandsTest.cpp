// The console commands: their command line, the update's folder and its failures, and
// errors that end as a message and a status.
#include "app/ConsoleCommands.h"

#include <gtest/gtest.h>

#include <filesystem>

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

    // Runs a command with stderr captured.
    int Run(const std::vector<std::string>& arguments) {
        ::testing::internal::CaptureStderr();
        const std::optional<int> status = RunConsoleCommand(arguments);
        errors = ::testing::internal::GetCapturedStderr();
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
    environment.Set("VOKA_PORTS", "COMX=/dev/pts/3");
    EXPECT_EQ(Run({"ports"}), cePortFailed);
    EXPECT_EQ(errors, "The ports cannot be listed: 'X' is not a valid integer value\n");
}
