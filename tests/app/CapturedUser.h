#pragma once
// Message boxes and beeps, captured instead of shown.
#include <string>
#include <vector>

#include "platform/win32/User.h"

class CapturedUser : public UserServices {
public:
    CapturedUser() : previous_(SetUserServices(this)) {}
    ~CapturedUser() override { SetUserServices(previous_); }

    int MessageBox(HWND, const AnsiString& text, const AnsiString& caption, UINT flags) override {
        boxes.push_back({text, caption, flags});
        return IDOK;
    }
    BOOL MessageBeep(UINT) override {
        ++beeps;
        return TRUE;
    }
    HWND GetForegroundWindow() override { return nullptr; }
    void OutputDebugString(const AnsiString&) override {}

    struct Box {
        std::string text, caption;
        UINT flags;
    };
    std::vector<Box> boxes;
    int beeps = 0;

private:
    UserServices* previous_;
};
