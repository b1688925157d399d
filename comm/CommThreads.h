#pragma once
// The two threads of an open port. The event thread waits for port events and posts each
// mask as a registered thread message; the dispatch thread receives them and has each one
// handled by WinProc on the user-interface thread (directly, when there is no application
// object).
#include <atomic>

#include "comm/CustomComm.h"
#include "platform/classes/Thread.h"
#include "platform/win32/Messages.h"

// Registered once per process: "reRoreMsgComEvent" (wParam = the event mask) and
// "reRoreMsgQuitComEvent".
UINT ComEventMessage();
UINT QuitComEventMessage();

// How long a stop waits for the dispatch thread before it abandons it.
inline constexpr DWORD DISPATCH_STOP_LIMIT_MS = 1000;

class TMsgThread : public TThread {
public:
    explicit TMsgThread(TnrCustomComm* Comm);
    // Also posts the quit message, which ends the wait for messages.
    void Terminate() override;
    // Runs WinProc with the message last received; skipped once the thread is told to stop,
    // because the component may then be closing or gone.
    void ProcessMess();
    // True while ProcessMess runs (user-interface thread only): the thread is then waiting
    // for that very call and cannot end before it returns.
    bool IsHandingOver() const { return FHandingOver; }
    AnsiString ClassName() const override { return "TMsgThread"; }

protected:
    void Execute() override;

private:
    TnrCustomComm* FComm;
    MSG FMessage;
    bool FCommActive = true;
    std::atomic<bool> FHandingOver = false;
};

class TCommThread : public TThread {
public:
    TCommThread(TnrCustomComm* Comm, TMsgThread* Dispatch);
    ~TCommThread() override;
    // Also wakes the wait for port events.
    void Terminate() override;
    // True while the close after a port failure is handed to the user-interface thread.
    bool IsHandingOver() const { return FHandingOver; }
    // Set when the thread stops watching the port; after that it only closes the port after
    // a failure and ends.
    bool HasEnded() const { return FEnded; }
    AnsiString ClassName() const override { return "TCommThread"; }

protected:
    void Execute() override;

private:
    void WatchPort();
    void PostEvent(DWORD Mask);
    // An unexpected wait error: the port is gone, close it without a message.
    void HaltPort();

    TnrCustomComm* FComm;
    HANDLE FHandle;
    TMsgThread* FDispatch;
    DWORD FDispatchId;
    // Members, not locals: a wait left pending when the thread ends is completed by the port
    // later (at the latest when the handle closes), and writes both.
    OVERLAPPED FOverlapped;
    DWORD FEventMask = 0;
    std::atomic<bool> FEnded = false;
    std::atomic<bool> FHandingOver = false;
};
