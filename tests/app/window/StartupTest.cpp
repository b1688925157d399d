// The program started where no window can be shown: it says so and fails, instead of
// aborting or reporting success.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <sys/wait.h>

namespace {
struct Outcome {
    int status;
    std::string errors;
};

// Runs the program from the build with the environment changes before it, stderr captured.
Outcome RunVoka(const std::string& environment) {
    const std::string command =
        "env " + environment + " '" + std::getenv("VOKA_BIN") + "/voka' 2>&1 >/dev/null";
    FILE* pipe = popen(command.c_str(), "r");
    if (!pipe)
        return {-1, {}};
    std::string errors;
    char buffer[4096];
    while (size_t n = fread(buffer, 1, sizeof buffer, pipe))
        errors.append(buffer, n);
    const int status = pclose(pipe);
    return {WIFEXITED(status) ? WEXITSTATUS(status) : -1, errors};
}

constexpr const char* CONSOLE_HINT =
    "Without a display, use the console commands: voka ports, voka download FILE,\n"
    "voka upload FILE, voka update FIRMWARE (voka --help tells more).\n";
} // namespace

TEST(Startup, WithoutADisplayTheProgramNamesItAndPointsToTheConsoleCommands) {
    const Outcome none = RunVoka("-u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM");
    EXPECT_EQ(none.status, 1);
    EXPECT_EQ(none.errors, std::string("voka: no display to show the window on (neither DISPLAY "
                                       "nor WAYLAND_DISPLAY is set).\n") +
                               CONSOLE_HINT);

    const Outcome x = RunVoka("-u DISPLAY QT_QPA_PLATFORM=xcb");
    EXPECT_EQ(x.status, 1);
    EXPECT_EQ(x.errors.rfind("voka: no display to show the window on (DISPLAY is not set)", 0), 0u)
        << x.errors;
}

TEST(Startup, ADisplayThatDoesNotAnswerEndsWithQtsReasonAndStatusOne) {
    const Outcome silent = RunVoka("-u WAYLAND_DISPLAY -u QT_QPA_PLATFORM DISPLAY=:9731");
    EXPECT_EQ(silent.status, 1);
    EXPECT_NE(silent.errors.find(":9731"), std::string::npos) << silent.errors;
    EXPECT_NE(silent.errors.find(CONSOLE_HINT), std::string::npos) << silent.errors;
}
