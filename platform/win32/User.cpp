#include "platform/win32/User.h"

#include <atomic>
#include <cstdio>
#include <unistd.h>

namespace {
ConsoleUserServices consoleServices;
std::atomic<UserServices*> installedServices{nullptr};

AnsiString Text(LPCSTR text) {
    return text ? AnsiString(text) : AnsiString();
}
} // namespace

std::vector<int> MessageBoxButtons(UINT flags) {
    switch (flags & MB_TYPEMASK) {
    case MB_OKCANCEL:
        return {IDOK, IDCANCEL};
    case MB_ABORTRETRYIGNORE:
        return {IDABORT, IDRETRY, IDIGNORE};
    case MB_YESNOCANCEL:
        return {IDYES, IDNO, IDCANCEL};
    case MB_YESNO:
        return {IDYES, IDNO};
    case MB_RETRYCANCEL:
        return {IDRETRY, IDCANCEL};
    case MB_CANCELTRYCONTINUE:
        return {IDCANCEL, IDTRYAGAIN, IDCONTINUE};
    default:
        return {IDOK};
    }
}

int DefaultMessageBoxAnswer(UINT flags) {
    auto buttons = MessageBoxButtons(flags);
    size_t index = (flags & MB_DEFMASK) >> 8;
    return index < buttons.size() ? buttons[index] : buttons.front();
}

int ConsoleUserServices::MessageBox(HWND, const AnsiString& text, const AnsiString& caption,
                                    UINT flags) {
    std::fprintf(stderr, "%s: %s\n", caption.c_str(), text.c_str());
    return DefaultMessageBoxAnswer(flags);
}

BOOL ConsoleUserServices::MessageBeep(UINT) {
    if (isatty(STDERR_FILENO))
        std::fputc('\a', stderr);
    return TRUE;
}

HWND ConsoleUserServices::GetForegroundWindow() {
    return nullptr;
}

void ConsoleUserServices::OutputDebugString(const AnsiString& text) {
    std::fputs(text.c_str(), stderr);
    if (text.empty() || text.back() != '\n')
        std::fputc('\n', stderr);
}

UserServices* SetUserServices(UserServices* services) {
    return installedServices.exchange(services);
}

UserServices& CurrentUserServices() {
    auto* services = installedServices.load();
    return services ? *services : consoleServices;
}

int MessageBoxA(HWND owner, LPCSTR text, LPCSTR caption, UINT flags) {
    // Windows shows "Error" when no caption is given.
    return CurrentUserServices().MessageBox(owner, Text(text), caption ? caption : "Error", flags);
}

BOOL MessageBeep(UINT type) {
    return CurrentUserServices().MessageBeep(type);
}

HWND GetForegroundWindow() {
    return CurrentUserServices().GetForegroundWindow();
}

void OutputDebugStringA(LPCSTR text) {
    CurrentUserServices().OutputDebugString(Text(text));
}
