#include <cerrno>
#include <cstdio>
#include <termios.h>
#include <unistd.h>

#include "updater/UpdaterConsole.h"

namespace {
int ReadByte() {
    unsigned char byte = 0;
    for (;;) {
        const ssize_t count = read(STDIN_FILENO, &byte, 1);
        if (count == 1)
            return byte;
        if (count == 0 || errno != EINTR)
            return -1;
    }
}

// One key without Enter and without echo; the terminal's settings come back afterwards.
int ReadKeyRaw() {
    termios saved{};
    if (tcgetattr(STDIN_FILENO, &saved) != 0)
        return ReadByte();
    termios raw = saved;
    raw.c_lflag &= ~tcflag_t(ICANON | ECHO);
    raw.c_cc[VMIN] = 1;
    raw.c_cc[VTIME] = 0;
    tcsetattr(STDIN_FILENO, TCSAFLUSH, &raw);
    const int key = ReadByte();
    tcsetattr(STDIN_FILENO, TCSANOW, &saved);
    return key;
}
} // namespace

void TerminalConsole::Write(std::string_view text) {
    std::fwrite(text.data(), 1, text.size(), stdout);
    std::fflush(stdout);
}

void TerminalConsole::WaitForKey() {
    if (isatty(STDIN_FILENO))
        ReadKeyRaw();
    else
        ReadByte();
}

int TerminalConsole::ReadAnswer() {
    if (isatty(STDIN_FILENO))
        return ReadKeyRaw();
    const int first = ReadByte();
    for (int byte = first; byte >= 0 && byte != '\n';)
        byte = ReadByte();
    return first;
}
