#pragma once
// A control's window procedure as other components hook it: the message record, the bound
// method that handles it, and what a windowed control offers to a component that intercepts
// its messages (a terminal taking typed characters and showing received text).
#include "platform/rtl/Events.h"
#include "platform/win32/WinTypes.h"

constexpr UINT WM_CHAR = 0x0102;
constexpr UINT WM_DEVICECHANGE = 0x0219;
// wParam 0, lParam the text (null-terminated) that replaces the selection at the caret.
constexpr UINT EM_REPLACESEL = 0x00C2;

struct TMessage {
    UINT Msg = 0;
    WPARAM WParam = 0;
    LPARAM LParam = 0;
    LRESULT Result = 0;
};

using TWndMethod = TEvent<TMessage&>;

class TWindowProcHost {
public:
    virtual ~TWindowProcHost() = default;
    // The procedure messages of the control go through now; replaceable, so that a hook can
    // see each message first and pass it on to the one it replaced.
    virtual TWndMethod GetWindowProc() const = 0;
    virtual void SetWindowProc(TWndMethod Proc) = 0;
    // The control's window handle, created when it does not exist yet.
    virtual HWND GetWindowHandle() = 0;
    // Sends a message to the control through its current window procedure.
    virtual LRESULT Perform(UINT Msg, WPARAM WParam, LPARAM LParam) = 0;
};
