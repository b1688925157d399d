#include <gmock/gmock.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <thread>

#include "platform/win32/Process.h"
#include "tests/support/EnvironmentGuard.h"
#include "tests/support/TempDir.h"

using ::testing::ElementsAre;

namespace fs = std::filesystem;

namespace {
void WriteProgram(const std::string& path, const std::string& text) {
    WriteFileBytes(path, text);
    fs::permissions(path, fs::perms::owner_all);
}

class CapturingLauncher : public ProgramLauncher {
public:
    UINT Launch(const LaunchRequest& request) override {
        requests.push_back(request);
        return 42;
    }
    std::vector<LaunchRequest> requests;
};

class WinExecTest : public ::testing::Test {
protected:
    void SetUp() override { previous_ = SetProgramLauncher(&launcher); }
    void TearDown() override { SetProgramLauncher(previous_); }
    CapturingLauncher launcher;
    TempDir folder;

private:
    ProgramLauncher* previous_ = nullptr;
};
} // namespace

TEST(CommandLineTest, SplitsLikeWindowsPrograms) {
    EXPECT_THAT(SplitCommandLine("C:\\Tools\\Update.exe COM3 kzra500.s19"),
                ElementsAre("C:\\Tools\\Update.exe", "COM3", "kzra500.s19"));
    EXPECT_THAT(SplitCommandLine("  \"/opt/my tools/update.exe\"\tCOM1  \"a b.s19\" "),
                ElementsAre("/opt/my tools/update.exe", "COM1", "a b.s19"));
    EXPECT_THAT(SplitCommandLine(R"(prog a\\\"b "c\"d" e\\f "" "x""y")"),
                ElementsAre("prog", R"(a\"b)", R"(c"d)", R"(e\\f)", "", R"(x"y)"));
    EXPECT_TRUE(SplitCommandLine(" \t ").empty());
}

TEST(ProgramLookupTest, IgnoresLetterCaseAndAddsExe) {
    TempDir folder;
    WriteProgram(folder / "update.exe", "#!/bin/sh\n");
    EXPECT_EQ(FindProgramFile(folder / "Update.exe"), folder / "update.exe");
    EXPECT_EQ(FindProgramFile(folder / "UPDATE"), folder / "update.exe");
    EXPECT_EQ(FindProgramFile(folder / "Updater.exe"), "");
    EXPECT_EQ(FindProgramFile(""), "");

    WriteProgram(folder / "Tool", "#!/bin/sh\n");
    WriteProgram(folder / "tool", "#!/bin/sh\n");
    EXPECT_EQ(FindProgramFile(folder / "tool"), folder / "tool"); // the exact name wins
    fs::create_directory(folder / "sub.exe");
    EXPECT_EQ(FindProgramFile(folder / "sub.exe"), ""); // folders are not programs
}

TEST_F(WinExecTest, FindsUpdateExeAsStoredInLowerCase) {
    WriteProgram(folder / "update.exe", "#!/bin/sh\n");
    auto command = (folder / "Update.exe") + " COM3 kzra500.s19";
    EXPECT_EQ(WinExec(command.c_str(), SW_SHOWNORMAL), 42u);
    ASSERT_EQ(launcher.requests.size(), 1u);
    EXPECT_EQ(launcher.requests[0].program, folder / "update.exe");
    EXPECT_THAT(launcher.requests[0].arguments, ElementsAre("COM3", "kzra500.s19"));
    EXPECT_EQ(launcher.requests[0].show, SW_SHOWNORMAL);
}

TEST_F(WinExecTest, UnquotedProgramPathWithBlanks) {
    fs::create_directory(folder / "my tools");
    WriteProgram(folder / "my tools/update.exe", "#!/bin/sh\n");
    auto command = (folder / "my tools/Update.exe") + " COM1 kzra500.s19";
    EXPECT_GT(WinExec(command.c_str(), SW_SHOWNORMAL), 31u);
    ASSERT_EQ(launcher.requests.size(), 1u);
    EXPECT_EQ(launcher.requests[0].program, folder / "my tools/update.exe");
    EXPECT_THAT(launcher.requests[0].arguments, ElementsAre("COM1", "kzra500.s19"));

    auto quoted = "\"" + (folder / "my tools/Update.exe") + "\" \"a b.s19\"";
    EXPECT_GT(WinExec(quoted.c_str(), SW_SHOWNORMAL), 31u);
    ASSERT_EQ(launcher.requests.size(), 2u);
    EXPECT_THAT(launcher.requests[1].arguments, ElementsAre("a b.s19"));
}

TEST_F(WinExecTest, MissingProgramIsFileNotFound) {
    auto command = (folder / "Update.exe") + " COM1 kzra500.s19";
    EXPECT_EQ(WinExec(command.c_str(), SW_SHOWNORMAL), ERROR_FILE_NOT_FOUND);
    EXPECT_EQ(WinExec("", SW_SHOWNORMAL), ERROR_FILE_NOT_FOUND);
    EXPECT_EQ(WinExec(nullptr, SW_SHOWNORMAL), ERROR_FILE_NOT_FOUND);
    EXPECT_TRUE(launcher.requests.empty());
}

TEST(TerminalLauncherTest, NothingStartsWithoutADisplay) {
    EnvironmentGuard environment;
    environment.Set("DISPLAY", nullptr);
    environment.Set("WAYLAND_DISPLAY", nullptr);
    TempDir folder;
    WriteProgram(folder / "update.exe", "#!/bin/sh\ntouch \"$0.ran\"\n");
    auto command = (folder / "Update.exe") + " COM1";
    EXPECT_LE(WinExec(command.c_str(), SW_SHOWNORMAL), 31u);
    EXPECT_TRUE(TerminalCommand({"x"}).empty());
    EXPECT_EQ(TerminalUnavailableReason(),
              "there is no display (neither DISPLAY nor WAYLAND_DISPLAY is set)");
}

TEST(TerminalLauncherTest, RefusesFilesThatAreNotPrograms) {
    TempDir folder;
    WriteProgram(folder / "notes.exe", "plain text\n");
    auto command = folder / "notes.exe";
    EXPECT_EQ(WinExec(command.c_str(), SW_SHOWNORMAL), ERROR_BAD_FORMAT);
}

TEST(TerminalLauncherTest, NoTerminalProgramMeansNoStart) {
    EnvironmentGuard environment;
    TempDir empty;
    environment.Set("DISPLAY", ":0");
    environment.Set("TERMINAL", nullptr);
    environment.Set("PATH", empty.Path().c_str());
    EXPECT_TRUE(TerminalCommand({"prog"}).empty());
    EXPECT_EQ(TerminalUnavailableReason(),
              "no terminal program was found (x-terminal-emulator, $TERMINAL, xterm)");
    environment.Set("TERMINAL", "/bin/sh");
    EXPECT_EQ(TerminalUnavailableReason(), "");
}

TEST(TerminalLauncherTest, TerminalGetsItsOwnExecuteOption) {
    EnvironmentGuard environment;
    TempDir folder, empty;
    WriteProgram(folder / "gnome-terminal", "#!/bin/sh\n");
    environment.Set("WAYLAND_DISPLAY", "wayland-0");
    environment.Set("PATH", empty.Path().c_str()); // no x-terminal-emulator
    environment.Set("TERMINAL", (folder / "gnome-terminal").c_str());
    EXPECT_THAT(TerminalCommand({"/bin/prog", "COM1"}),
                ElementsAre(folder / "gnome-terminal", "--", "/bin/prog", "COM1"));
    environment.Set("TERMINAL", "gnome-terminal");
    environment.Set("PATH", folder.Path().c_str());
    EXPECT_THAT(TerminalCommand({"/bin/prog"}),
                ElementsAre(folder / "gnome-terminal", "--", "/bin/prog"));
}

TEST(TerminalLauncherTest, DebiansTerminalFirstThenTheUsersThenXterm) {
    EnvironmentGuard environment;
    TempDir folder;
    environment.Set("WAYLAND_DISPLAY", "wayland-0");
    environment.Set("PATH", folder.Path().c_str());
    environment.Set("TERMINAL", "konsole");
    WriteProgram(folder / "xterm", "#!/bin/sh\n");
    EXPECT_THAT(TerminalCommand({"/bin/prog"}), ElementsAre(folder / "xterm", "-e", "/bin/prog"));
    WriteProgram(folder / "konsole", "#!/bin/sh\n");
    EXPECT_THAT(TerminalCommand({"/bin/prog"}), ElementsAre(folder / "konsole", "-e", "/bin/prog"));
    WriteProgram(folder / "x-terminal-emulator", "#!/bin/sh\n");
    EXPECT_THAT(TerminalCommand({"/bin/prog", "COM1"}),
                ElementsAre(folder / "x-terminal-emulator", "-e", "/bin/prog", "COM1"));
}

TEST(TerminalLauncherTest, EachTerminalRunsTheProgramWithItsArgumentsItsOwnWay) {
    const std::vector<AnsiString> argv{"/opt/voka/update.exe", "COM3", "kzra 500.s19"};
    auto with = [&](std::vector<AnsiString> head) {
        head.insert(head.end(), argv.begin(), argv.end());
        return head;
    };
    EXPECT_EQ(TerminalCommandFor("/usr/bin/xterm", argv), with({"/usr/bin/xterm", "-e"}));
    EXPECT_EQ(TerminalCommandFor("x-terminal-emulator", argv), with({"x-terminal-emulator", "-e"}));
    EXPECT_EQ(TerminalCommandFor("konsole", argv), with({"konsole", "-e"}));
    EXPECT_EQ(TerminalCommandFor("/usr/bin/gnome-terminal", argv),
              with({"/usr/bin/gnome-terminal", "--"}));
    EXPECT_EQ(TerminalCommandFor("xfce4-terminal", argv), with({"xfce4-terminal", "-x"}));
    EXPECT_EQ(TerminalCommandFor("mate-terminal", argv), with({"mate-terminal", "-x"}));
    EXPECT_EQ(TerminalCommandFor("terminator", argv), with({"terminator", "-x"}));
    EXPECT_EQ(TerminalCommandFor("wezterm", argv), with({"wezterm", "start", "--"}));
    EXPECT_EQ(TerminalCommandFor("kitty", argv), with({"kitty"}));
    EXPECT_EQ(TerminalCommandFor("foot", argv), with({"foot"}));
    EXPECT_EQ(TerminalCommandFor("/usr/local/bin/myterm", argv),
              with({"/usr/local/bin/myterm", "-e"}));
}

TEST(TerminalLauncherTest, StartsInATerminalInTheCurrentFolderWithoutWaiting) {
    EnvironmentGuard environment;
    TempDir folder;
    // A stand-in terminal that runs what follows its "-e".
    WriteProgram(folder / "term", "#!/bin/sh\nshift\nexec \"$@\"\n");
    WriteProgram(folder / "update.exe",
                 "#!/bin/sh\necho \"$@\" > marker.tmp && /bin/mv marker.tmp marker\n");
    environment.Set("DISPLAY", ":0");
    environment.Set("TERMINAL", (folder / "term").c_str());
    environment.Set("PATH", folder.Path().c_str()); // no desktop terminal of the machine's
    auto previousFolder = fs::current_path();
    fs::current_path(folder.Path());
    UINT result = WinExec("Update.exe COM3 kzra500.s19", SW_SHOWNORMAL);
    fs::current_path(previousFolder);
    ASSERT_GT(result, 31u);
    // The launch does not wait; give the program time to run before giving up.
    for (int i = 0; i < 1000 && !fs::exists(folder / "marker"); ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    EXPECT_EQ(ReadFileBytes(folder / "marker"), "COM3 kzra500.s19\n");
}
