#pragma once
// Thread message queues and registered window messages.
#include <functional>

#include "platform/win32/WinError.h"

constexpr UINT WM_NULL = 0x0000;
constexpr UINT WM_DESTROY = 0x0002;
constexpr UINT WM_CLOSE = 0x0010;
constexpr UINT WM_QUIT = 0x0012;
constexpr UINT WM_TIMER = 0x0113;
constexpr UINT WM_USER = 0x0400;
constexpr UINT WM_APP = 0x8000;
// Numbers handed out by RegisterWindowMessageA.
constexpr UINT FIRST_REGISTERED_MESSAGE = 0xC000;
constexpr UINT LAST_REGISTERED_MESSAGE = 0xFFFF;

constexpr UINT PM_NOREMOVE = 0x0000;
constexpr UINT PM_REMOVE = 0x0001;
constexpr UINT PM_NOYIELD = 0x0002;

struct MSG {
    HWND hwnd = nullptr;
    UINT message = 0;
    WPARAM wParam = 0;
    LPARAM lParam = 0;
    DWORD time = 0;
    POINT pt;
};
using LPMSG = MSG*;

// The same number for the same name (letter case ignored) in the whole process; 0 with
// ERROR_INVALID_PARAMETER for an empty name, ERROR_NOT_ENOUGH_MEMORY when the range is used up.
UINT RegisterWindowMessageA(LPCSTR name);

// Queues a message for a thread. FALSE with ERROR_INVALID_THREAD_ID while that thread has no
// queue: a thread gets its queue when it first calls GetMessageA or PeekMessageA, and the
// queue ends with the thread.
BOOL PostThreadMessageA(DWORD threadId, UINT message, WPARAM wParam, LPARAM lParam);

// Waits for the next message whose number lies in [filterMin, filterMax] (0, 0: any) and, when
// hwnd is given, whose window is hwnd ((HWND)-1: thread messages only). WM_QUIT passes any
// filter. Returns 0 for WM_QUIT, -1 for a bad argument, otherwise non-zero.
BOOL GetMessageA(LPMSG msg, HWND hwnd, UINT filterMin, UINT filterMax);
// The same selection without waiting; PM_REMOVE takes the message out of the queue.
BOOL PeekMessageA(LPMSG msg, HWND hwnd, UINT filterMin, UINT filterMax, UINT removeFlags);

// Window messages go to the procedure registered for their window; thread messages
// (no window) are not dispatched and give 0.
LRESULT DispatchMessageA(const MSG* msg);
// There is no keyboard translation: always FALSE.
BOOL TranslateMessage(const MSG* msg);
// Makes the calling thread's GetMessageA return WM_QUIT (wParam = exitCode) once no other
// matching message is waiting.
void PostQuitMessage(int exitCode);

// Window procedures for windows that live only as message targets (hidden utility windows).
using WindowProcedure = std::function<LRESULT(HWND, UINT, WPARAM, LPARAM)>;
// A new window handle whose messages go to procedure and whose queue is the calling thread's.
HWND CreateMessageWindow(WindowProcedure procedure);
BOOL DestroyWindow(HWND hwnd);
// Queues a message for a window's thread (no window: a thread message to the caller); FALSE with
// ERROR_INVALID_WINDOW_HANDLE when the window does not exist, ERROR_INVALID_THREAD_ID when its
// thread has ended.
BOOL PostMessageA(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);
