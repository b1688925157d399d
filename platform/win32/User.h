#pragma once
// Message boxes, the beep, the foreground window and debug output, routed to a replaceable
// service: a console default, captures in tests, the window toolkit in the window program.
#include <vector>

#include "platform/win32/WinError.h"

constexpr UINT MB_OK = 0x00000000;
constexpr UINT MB_OKCANCEL = 0x00000001;
constexpr UINT MB_ABORTRETRYIGNORE = 0x00000002;
constexpr UINT MB_YESNOCANCEL = 0x00000003;
constexpr UINT MB_YESNO = 0x00000004;
constexpr UINT MB_RETRYCANCEL = 0x00000005;
constexpr UINT MB_CANCELTRYCONTINUE = 0x00000006;
constexpr UINT MB_TYPEMASK = 0x0000000F;
constexpr UINT MB_ICONHAND = 0x00000010;
constexpr UINT MB_ICONERROR = MB_ICONHAND;
constexpr UINT MB_ICONSTOP = MB_ICONHAND;
constexpr UINT MB_ICONQUESTION = 0x00000020;
constexpr UINT MB_ICONEXCLAMATION = 0x00000030;
constexpr UINT MB_ICONWARNING = MB_ICONEXCLAMATION;
constexpr UINT MB_ICONASTERISK = 0x00000040;
constexpr UINT MB_ICONINFORMATION = MB_ICONASTERISK;
constexpr UINT MB_ICONMASK = 0x000000F0;
constexpr UINT MB_DEFBUTTON1 = 0x00000000;
constexpr UINT MB_DEFBUTTON2 = 0x00000100;
constexpr UINT MB_DEFBUTTON3 = 0x00000200;
constexpr UINT MB_DEFMASK = 0x00000F00;
constexpr UINT MB_APPLMODAL = 0x00000000;
constexpr UINT MB_SYSTEMMODAL = 0x00001000;
constexpr UINT MB_TASKMODAL = 0x00002000;
constexpr UINT MB_SETFOREGROUND = 0x00010000;
constexpr UINT MB_TOPMOST = 0x00040000;

constexpr int IDOK = 1;
constexpr int IDCANCEL = 2;
constexpr int IDABORT = 3;
constexpr int IDRETRY = 4;
constexpr int IDIGNORE = 5;
constexpr int IDYES = 6;
constexpr int IDNO = 7;
constexpr int IDTRYAGAIN = 10;
constexpr int IDCONTINUE = 11;

// MessageBeep sounds; 0xFFFFFFFF is the simple beep.
constexpr UINT MB_SIMPLEBEEP = 0xFFFFFFFF;

int MessageBoxA(HWND owner, LPCSTR text, LPCSTR caption, UINT flags);
BOOL MessageBeep(UINT type);
HWND GetForegroundWindow();
void OutputDebugStringA(LPCSTR text);

// The buttons a message box of these flags shows, as ID values in display order.
std::vector<int> MessageBoxButtons(UINT flags);
// The button that Enter would choose: the MB_DEFBUTTONn of MessageBoxButtons (the first when
// the box has fewer buttons).
int DefaultMessageBoxAnswer(UINT flags);

class UserServices {
public:
    virtual ~UserServices() = default;
    virtual int MessageBox(HWND owner, const AnsiString& text, const AnsiString& caption,
                           UINT flags) = 0;
    virtual BOOL MessageBeep(UINT type) = 0;
    virtual HWND GetForegroundWindow() = 0;
    virtual void OutputDebugString(const AnsiString& text) = 0;
};

// Console default: boxes and debug text go to stderr, a box answers its default button, the
// beep is the terminal bell when stderr is a terminal, there is no foreground window.
class ConsoleUserServices : public UserServices {
public:
    int MessageBox(HWND owner, const AnsiString& text, const AnsiString& caption,
                   UINT flags) override;
    BOOL MessageBeep(UINT type) override;
    HWND GetForegroundWindow() override;
    void OutputDebugString(const AnsiString& text) override;
};

// Installs services (not owned; null restores the console default) and returns the previous.
UserServices* SetUserServices(UserServices* services);
UserServices& CurrentUserServices();
