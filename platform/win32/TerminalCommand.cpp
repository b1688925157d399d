#include "platform/win32/Process.h"

#include <filesystem>

namespace {
// How a terminal is told to run a program with its arguments as separate words. Terminals
// whose option takes one command text (lxterminal, tilix, qterminal) are not among them:
// the arguments would have to be quoted for a shell.
struct TerminalConvention {
    const char* name;
    std::vector<const char*> beforeProgram;
};
const TerminalConvention CONVENTIONS[] = {
    {"x-terminal-emulator", {"-e"}}, // Debian requires "-e program arguments..."
    {"xterm", {"-e"}},
    {"uxterm", {"-e"}},
    {"konsole", {"-e"}},
    {"alacritty", {"-e"}},
    {"urxvt", {"-e"}},
    {"rxvt", {"-e"}},
    {"st", {"-e"}},
    {"gnome-terminal", {"--"}},
    {"kgx", {"--"}},
    {"xfce4-terminal", {"-x"}},
    {"mate-terminal", {"-x"}},
    {"terminator", {"-x"}},
    {"wezterm", {"start", "--"}},
    {"kitty", {}},
    {"foot", {}},
};
} // namespace

std::vector<AnsiString> TerminalCommandFor(const AnsiString& terminal,
                                           const std::vector<AnsiString>& argv) {
    const auto name = std::filesystem::path(terminal).filename().string();
    std::vector<AnsiString> command{terminal};
    bool known = false;
    for (const auto& convention : CONVENTIONS)
        if (name == convention.name) {
            command.insert(command.end(), convention.beforeProgram.begin(),
                           convention.beforeProgram.end());
            known = true;
        }
    if (!known) // the convention most terminals follow
        command.emplace_back("-e");
    command.insert(command.end(), argv.begin(), argv.end());
    return command;
}
