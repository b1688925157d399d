#include "platform/win32/Process.h"

#include <algorithm>
#include <atomic>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <spawn.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

extern char** environ;

namespace fs = std::filesystem;

namespace {
TerminalLauncher defaultLauncher;
std::atomic<ProgramLauncher*> installedLauncher{nullptr};

// A launch result: the code when it fits WinExec's failure range, else the generic 0.
UINT LaunchFailed(DWORD code) {
    SetLastError(code);
    return code <= 31 ? code : 0;
}

bool IsBlank(char c) {
    return c == ' ' || c == '\t';
}

AnsiString Lower(AnsiString text) {
    for (auto& c : text)
        if (c >= 'A' && c <= 'Z')
            c = static_cast<char>(c - 'A' + 'a');
    return text;
}

// The arguments after the program, by the rules of the Windows C runtime.
std::vector<AnsiString> SplitArguments(const AnsiString& text, size_t pos) {
    std::vector<AnsiString> arguments;
    for (;;) {
        while (pos < text.size() && IsBlank(text[pos]))
            ++pos;
        if (pos >= text.size())
            return arguments;
        AnsiString argument;
        bool quoted = false;
        while (pos < text.size() && (quoted || !IsBlank(text[pos]))) {
            size_t backslashes = 0;
            while (pos < text.size() && text[pos] == '\\') {
                ++backslashes;
                ++pos;
            }
            if (pos < text.size() && text[pos] == '"') {
                argument.append(backslashes / 2, '\\');
                if (backslashes % 2 == 1) {
                    argument += '"';
                } else if (quoted && pos + 1 < text.size() && text[pos + 1] == '"') {
                    argument += '"'; // "" inside quotes is a literal quote
                    ++pos;
                } else {
                    quoted = !quoted;
                }
                ++pos;
            } else {
                argument.append(backslashes, '\\');
                if (pos < text.size() && (quoted || !IsBlank(text[pos])))
                    argument += text[pos++];
            }
        }
        arguments.push_back(std::move(argument));
    }
}

// The program word: quotes group, nothing is escaped. Returns the position after it.
size_t SplitProgram(const AnsiString& text, AnsiString& program) {
    size_t pos = 0;
    while (pos < text.size() && IsBlank(text[pos]))
        ++pos;
    bool quoted = false;
    for (; pos < text.size() && (quoted || !IsBlank(text[pos])); ++pos) {
        if (text[pos] == '"')
            quoted = !quoted;
        else
            program += text[pos];
    }
    return pos;
}

bool IsRegularFile(const fs::path& path) {
    std::error_code error;
    return fs::is_regular_file(path, error);
}

// The entry of folder named leaf, ignoring letter case; an exact match wins, then the
// first in name order so the choice does not depend on the folder listing.
AnsiString FindInFolder(const fs::path& folder, const AnsiString& leaf) {
    if (IsRegularFile(folder / leaf))
        return (folder / leaf).string();
    std::vector<AnsiString> matches;
    std::error_code error;
    for (fs::directory_iterator it(folder, error), end; !error && it != end; it.increment(error)) {
        auto name = it->path().filename().string();
        if (Lower(name) == Lower(leaf) && IsRegularFile(it->path()))
            matches.push_back(name);
    }
    if (matches.empty())
        return {};
    return (folder / *std::min_element(matches.begin(), matches.end())).string();
}

std::vector<fs::path> SearchFolders() {
    std::vector<fs::path> folders;
    std::error_code error;
    auto self = fs::read_symlink("/proc/self/exe", error);
    if (!error)
        folders.push_back(self.parent_path());
    folders.push_back(".");
    if (const char* path = std::getenv("PATH")) {
        AnsiString list(path);
        size_t start = 0;
        for (;;) {
            size_t end = list.find(':', start);
            auto entry =
                list.substr(start, end == AnsiString::npos ? AnsiString::npos : end - start);
            if (!entry.empty())
                folders.emplace_back(entry);
            if (end == AnsiString::npos)
                break;
            start = end + 1;
        }
    }
    return folders;
}

// An executable found by its exact name on PATH (or given with a folder).
AnsiString FindOnPath(const AnsiString& name) {
    if (name.find('/') != AnsiString::npos)
        return access(name.c_str(), X_OK) == 0 ? name : AnsiString();
    for (const auto& folder : SearchFolders()) {
        auto candidate = (folder / name).string();
        if (folder != "." && IsRegularFile(candidate) && access(candidate.c_str(), X_OK) == 0)
            return candidate;
    }
    return {};
}

// A native executable or a script; everything else is not a program here.
bool LooksLikeProgram(const AnsiString& path) {
    std::ifstream file(path, std::ios::binary);
    char head[4] = {};
    file.read(head, sizeof head);
    auto got = file.gcount();
    if (got >= 4 && head[0] == '\x7f' && head[1] == 'E' && head[2] == 'L' && head[3] == 'F')
        return true;
    return got >= 2 && head[0] == '#' && head[1] == '!';
}

bool HasDisplay() {
    auto isSet = [](const char* variable) {
        const char* value = std::getenv(variable);
        return value && *value;
    };
    return isSet("DISPLAY") || isSet("WAYLAND_DISPLAY");
}

// The terminal program: x-terminal-emulator (Debian's choice of the desktop's terminal),
// else $TERMINAL, else xterm; empty when none of them is on PATH.
AnsiString FindTerminal() {
    std::vector<AnsiString> terminals{"x-terminal-emulator"};
    if (const char* chosen = std::getenv("TERMINAL"); chosen && *chosen)
        terminals.emplace_back(chosen);
    terminals.emplace_back("xterm");
    for (const auto& terminal : terminals)
        if (auto found = FindOnPath(terminal); !found.empty())
            return found;
    return {};
}

UINT Spawn(const std::vector<AnsiString>& command) {
    std::vector<char*> argv;
    for (const auto& word : command)
        argv.push_back(const_cast<char*>(word.c_str()));
    argv.push_back(nullptr);
    posix_spawnattr_t attributes;
    posix_spawnattr_init(&attributes);
    // Its own session: the started program outlives us and ignores our terminal's signals.
    posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETSID);
    pid_t pid = 0;
    int error = posix_spawn(&pid, argv[0], nullptr, &attributes, argv.data(), environ);
    posix_spawnattr_destroy(&attributes);
    if (error != 0)
        return LaunchFailed(ErrorFromErrno(error));
    // Nobody waits for the program, but its exit status must still be collected.
    std::thread([pid] {
        int status = 0;
        waitpid(pid, &status, 0);
    }).detach();
    return 33;
}
} // namespace

std::vector<AnsiString> SplitCommandLine(const AnsiString& commandLine) {
    AnsiString program;
    size_t pos = SplitProgram(commandLine, program);
    if (program.empty() && commandLine.find('"') == AnsiString::npos)
        return {};
    std::vector<AnsiString> words{program};
    auto arguments = SplitArguments(commandLine, pos);
    words.insert(words.end(), arguments.begin(), arguments.end());
    return words;
}

AnsiString FindProgramFile(const AnsiString& name) {
    if (name.empty())
        return {};
    fs::path path(name);
    auto leaf = path.filename().string();
    if (leaf.empty())
        return {};
    std::vector<AnsiString> leaves{leaf};
    if (!path.has_extension())
        leaves.push_back(leaf + ".exe");
    std::vector<fs::path> folders;
    if (name.find('/') != AnsiString::npos)
        folders.push_back(path.parent_path().empty() ? fs::path("/") : path.parent_path());
    else
        folders = SearchFolders();
    for (const auto& folder : folders)
        for (const auto& candidate : leaves)
            if (auto found = FindInFolder(folder, candidate); !found.empty())
                return found;
    return {};
}

std::vector<AnsiString> TerminalCommand(const std::vector<AnsiString>& argv) {
    if (!HasDisplay())
        return {};
    const AnsiString terminal = FindTerminal();
    if (terminal.empty())
        return {};
    return TerminalCommandFor(terminal, argv);
}

AnsiString TerminalUnavailableReason() {
    if (!HasDisplay())
        return "there is no display (neither DISPLAY nor WAYLAND_DISPLAY is set)";
    if (FindTerminal().empty())
        return "no terminal program was found (x-terminal-emulator, $TERMINAL, xterm)";
    return {};
}

UINT TerminalLauncher::Launch(const LaunchRequest& request) {
    if (access(request.program.c_str(), F_OK) != 0)
        return LaunchFailed(ERROR_FILE_NOT_FOUND);
    if (!LooksLikeProgram(request.program))
        return LaunchFailed(ERROR_BAD_FORMAT);
    if (access(request.program.c_str(), X_OK) != 0)
        return LaunchFailed(ERROR_ACCESS_DENIED);
    std::vector<AnsiString> argv{request.program};
    argv.insert(argv.end(), request.arguments.begin(), request.arguments.end());
    auto command = TerminalCommand(argv);
    if (command.empty()) {
        SetLastError(ERROR_NOT_SUPPORTED);
        return 0;
    }
    return Spawn(command);
}

ProgramLauncher* SetProgramLauncher(ProgramLauncher* launcher) {
    return installedLauncher.exchange(launcher);
}

UINT WinExec(LPCSTR commandLine, UINT show) {
    AnsiString line = commandLine ? commandLine : "";
    auto first = line.find_first_not_of(" \t");
    if (first == AnsiString::npos)
        return LaunchFailed(ERROR_FILE_NOT_FOUND);
    line.erase(0, first);

    LaunchRequest request;
    request.show = show;
    if (line.front() == '"') {
        AnsiString program;
        size_t end = SplitProgram(line, program);
        request.program = FindProgramFile(program);
        request.arguments = SplitArguments(line, end);
    } else {
        // Unquoted blanks: try each prefix that ends at a blank, shortest first.
        for (size_t end = 0; end != AnsiString::npos && request.program.empty();) {
            end = line.find_first_of(" \t", end + 1);
            request.program = FindProgramFile(line.substr(0, end));
            if (!request.program.empty())
                request.arguments =
                    end == AnsiString::npos ? std::vector<AnsiString>{} : SplitArguments(line, end);
        }
    }
    if (request.program.empty())
        return LaunchFailed(ERROR_FILE_NOT_FOUND);
    std::error_code error;
    auto absolute = fs::absolute(request.program, error);
    if (!error)
        request.program = absolute.lexically_normal().string();

    auto* launcher = installedLauncher.load();
    return (launcher ? launcher : &defaultLauncher)->Launch(request);
}
