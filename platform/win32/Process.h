#pragma once
// Starting another program the way WinExec does.
#include <vector>

#include "platform/win32/WinError.h"

constexpr UINT SW_HIDE = 0;
constexpr UINT SW_SHOWNORMAL = 1;
constexpr UINT SW_NORMAL = 1;
constexpr UINT SW_SHOWMINIMIZED = 2;
constexpr UINT SW_SHOWMAXIMIZED = 3;
constexpr UINT SW_MAXIMIZE = 3;
constexpr UINT SW_SHOWNOACTIVATE = 4;
constexpr UINT SW_SHOW = 5;
constexpr UINT SW_MINIMIZE = 6;
constexpr UINT SW_SHOWMINNOACTIVE = 7;
constexpr UINT SW_SHOWNA = 8;
constexpr UINT SW_RESTORE = 9;
constexpr UINT SW_SHOWDEFAULT = 10;

// Splits a command line as Windows programs split theirs: blanks separate arguments, double
// quotes group, backslashes escape only before a quote, and the first word (the program)
// ends at its closing quote or the first blank without any escapes.
std::vector<AnsiString> SplitCommandLine(const AnsiString& commandLine);

// The file a program name refers to: the name itself, else its letter-case variants in its
// folder, each also with ".exe" appended when the name has no extension. A name without a
// folder is looked for in the program's own folder, the current folder, then PATH. Empty when
// nothing matches.
AnsiString FindProgramFile(const AnsiString& name);

// What WinExec hands to the launcher: the program file found and its arguments.
struct LaunchRequest {
    AnsiString program;
    std::vector<AnsiString> arguments;
    UINT show = SW_SHOWNORMAL;
};

// Starts a program without waiting; returns a WinExec result (> 31 started).
class ProgramLauncher {
public:
    virtual ~ProgramLauncher() = default;
    virtual UINT Launch(const LaunchRequest& request) = 0;
};

// The default: every program is treated as a console program and started inside a terminal
// window (x-terminal-emulator, else $TERMINAL, else xterm) on the current display ($DISPLAY or
// $WAYLAND_DISPLAY). Without a display or a terminal nothing starts (result 0, last error
// ERROR_NOT_SUPPORTED). A file that is neither a native executable nor a "#!" script gives
// ERROR_BAD_FORMAT.
class TerminalLauncher : public ProgramLauncher {
public:
    UINT Launch(const LaunchRequest& request) override;
};

// The command that runs argv inside a terminal window, or empty when there is no display or
// no terminal program.
std::vector<AnsiString> TerminalCommand(const std::vector<AnsiString>& argv);
// The command that runs argv inside the given terminal program, in that terminal's own way
// ("xterm -e prog args", "gnome-terminal -- prog args", "kitty prog args"); a terminal not
// known here gets "-e".
std::vector<AnsiString> TerminalCommandFor(const AnsiString& terminal,
                                           const std::vector<AnsiString>& argv);
// Why TerminalCommand finds no way to show a program here, in words for a console ("there
// is no display ...", "no terminal program was found ..."); empty when it finds one.
AnsiString TerminalUnavailableReason();

// Installs a launcher (not owned; null restores the default) and returns the previous.
ProgramLauncher* SetProgramLauncher(ProgramLauncher* launcher);

// Starts the program of a command line with the current folder inherited, without waiting.
// Returns a value above 31 when it started; otherwise ERROR_FILE_NOT_FOUND (program missing),
// ERROR_BAD_FORMAT (not a program) or 0 (no way to start it). A program path that holds
// blanks may be given unquoted: longer and longer prefixes are tried, as Windows does.
UINT WinExec(LPCSTR commandLine, UINT show);
