#pragma once
// Bringing up the window toolkit: the application object of Qt, the loop backend that
// lets TApplication run inside Qt's event loop, message boxes, the beep and file dialogs.
#include "platform/win32/User.h"

// Creates Qt's application (once; later calls do nothing) with the program's arguments,
// installs the Qt loop backend on the main loop, the Qt user services (MessageBoxA,
// MessageBeep, GetForegroundWindow) and the Qt file dialogs, and lets Application->Run
// show the main form. Call on the main thread before any control is made.
// When Qt cannot start (a display that does not answer, a platform plugin that fails), the
// process ends with status 1 after Qt's reason and FailureHint on stderr, instead of aborting.
void InitUserInterface(int& argc, char** argv, const char* FailureHint = nullptr);

// Why no window can be shown here, or empty: the platform plugins Qt would use all need a
// display that is not named ("neither DISPLAY nor WAYLAND_DISPLAY is set", "DISPLAY is not
// set"). Plugins that need none (offscreen, minimal, vnc, ...) always can.
AnsiString MissingDisplay();
// InitUserInterface with no arguments unless it has run; controls call it so that a
// widget never exists without the toolkit.
void EnsureUserInterface();
bool UserInterfaceActive();

// Message boxes and the beep through Qt. While a box is open the main loop still serves
// synchronous calls from other threads.
class QtUserServices : public UserServices {
public:
    int MessageBox(HWND owner, const AnsiString& text, const AnsiString& caption,
                   UINT flags) override;
    BOOL MessageBeep(UINT type) override;
    HWND GetForegroundWindow() override;
    void OutputDebugString(const AnsiString& text) override;
};
