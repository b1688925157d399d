#pragma once
// For tests: installs itself as the user services while it lives, records every message
// box and beep, and answers boxes from a script (otherwise with the box's default button).
#include <deque>
#include <mutex>
#include <vector>

#include "platform/win32/User.h"

struct TCapturedMessageBox {
    HWND Owner = nullptr;
    AnsiString Text;
    AnsiString Caption;
    UINT Flags = 0;
    UINT Icon() const { return Flags & MB_ICONMASK; }
    UINT Buttons() const { return Flags & MB_TYPEMASK; }
};

class TMessageBoxCapture : public UserServices {
public:
    TMessageBoxCapture();
    ~TMessageBoxCapture() override; // restores the services it replaced

    // The next boxes answer these IDs, in order.
    void Answer(int id);
    std::vector<TCapturedMessageBox> Boxes() const;
    std::vector<UINT> Beeps() const;
    void SetForegroundWindow(HWND window) { foreground_ = window; }

    int MessageBox(HWND owner, const AnsiString& text, const AnsiString& caption,
                   UINT flags) override;
    BOOL MessageBeep(UINT type) override;
    HWND GetForegroundWindow() override { return foreground_; }
    void OutputDebugString(const AnsiString&) override {}

private:
    mutable std::mutex lock_;
    std::deque<int> answers_;
    std::vector<TCapturedMessageBox> boxes_;
    std::vector<UINT> beeps_;
    HWND foreground_ = nullptr;
    UserServices* previous_;
};
