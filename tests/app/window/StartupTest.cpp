// The program started where no window can be shown: it says so and fails, instead of
// aborting or reporting success.
#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

#include "tests/support/ShellCommand.h"

namespace {
// Runs the program from the build with the environment changes before it, stderr captured.
ShellResult RunVoka(const std::string& environment) {
    return RunShell("env " + environment + " '" + std::getenv("VOKA_BIN") +
                    "/voka' 2>&1 >/dev/null");
}

constexpr const char* CONSOLE_HINT =
    "Without a display, use the console commands: voka ports, voka download FILE,\n"
    "voka upload FILE, voka update FIRMWARE (voka --help tells more).\n";
} // namespace

TEST(Startup, WithoutADisplayTheProgramNamesItAndPointsToTheConsoleCommands) {
    const ShellResult none = RunVoka("-u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM");
    EXPECT_EQ(none.status, 1);
    EXPECT_EQ(none.output, std::string("voka: no display to show the window on (neither DISPLAY "
                                       "nor WAYLAND_DISPLAY is set).\n") +
                               CONSOLE_HINT);

    const ShellResult x = RunVoka("-u DISPLAY QT_QPA_PLATFORM=xcb");
    EXPECT_EQ(x.status, 1);
    EXPECT_EQ(x.output.rfind("voka: no display to show the window on (DISPLAY is not set)", 0), 0u)
        << x.output;
}

TEST(Startup, ADisplayThatDoesNotAnswerEndsWithQtsReasonAndStatusOne) {
    const ShellResult silent = RunVoka("-u WAYLAND_DISPLAY -u QT_QPA_PLATFORM DISPLAY=:9731");
    EXPECT_EQ(silent.status, 1);
    EXPECT_NE(silent.output.find(":9731"), std::string::npos) << silent.output;
    EXPECT_NE(silent.output.find(CONSOLE_HINT), std::string::npos) << silent.output;
}
