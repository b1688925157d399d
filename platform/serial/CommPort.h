#pragma once
// The port engine shared by every serial driver: overlapped reads, writes and event waits,
// COMMTIMEOUTS, the receive queue, line-error latching and the event mask.
//
// Threading contract:
// - Each open port has one engine thread, and only it moves bytes to or from the device
//   (the driver's ReadSome and WriteSome). It sleeps in poll() on the device and a wake-up
//   descriptor; it is woken by new requests, by device activity and by deadlines, never by a
//   fixed tick while idle.
// - Every public operation may be called from any thread. It takes the engine's lock, works
//   on the engine's state (queues, receive buffer, settings, recorded events) and asks the
//   driver only for what an ioctl tells or sets: queue counts, line settings, modem lines,
//   line errors, purges. A request that needs the device is queued and the engine woken;
//   where the operation could finish at once, the caller waits for the engine's next pass
//   before it tells pending from done.
// - Queue counts are the engine's buffers plus the driver's own counts.
#include <condition_variable>
#include <deque>
#include <list>
#include <memory>
#include <mutex>
#include <optional>
#include <thread>

#include "platform/serial/SerialDriver.h"
#include "platform/win32/CommObject.h"

class CommPort final : public CommObject {
public:
    explicit CommPort(std::unique_ptr<SerialDriver> driver);
    ~CommPort() override;

    BOOL Read(void* buffer, DWORD count, DWORD* done, OVERLAPPED* overlapped) override;
    BOOL Write(const void* buffer, DWORD count, DWORD* done, OVERLAPPED* overlapped) override;
    BOOL Flush() override;
    void OnClose() override;

    BOOL Setup(DWORD inQueue, DWORD outQueue) override;
    BOOL GetState(DCB& dcb) override;
    BOOL SetState(const DCB& dcb) override;
    BOOL GetTimeouts(COMMTIMEOUTS& timeouts) override;
    BOOL SetTimeouts(const COMMTIMEOUTS& timeouts) override;
    BOOL SetMask(DWORD mask) override;
    BOOL GetMask(DWORD& mask) override;
    BOOL WaitEvent(DWORD* mask, OVERLAPPED* overlapped) override;
    BOOL ClearError(DWORD* errors, COMSTAT* stat) override;
    BOOL Purge(DWORD flags) override;
    BOOL Escape(DWORD function) override;
    BOOL GetModemStatus(DWORD& status) override;
    BOOL GetProperties(COMMPROP& properties) override;
    BOOL TransmitChar(char c) override;
    BOOL OverlappedResult(OVERLAPPED* overlapped, DWORD* done, BOOL wait) override;
    BOOL CancelThreadIo() override;

private:
    enum class Kind { Read, Write, WaitEvent };
    struct Operation {
        Operation(Kind kind, OVERLAPPED* overlapped) : kind(kind), overlapped(overlapped) {}
        Kind kind;
        OVERLAPPED* overlapped;
        uint8_t* target = nullptr;
        const uint8_t* source = nullptr;
        DWORD count = 0;
        DWORD done = 0;
        DWORD* maskOut = nullptr;
        std::thread::id issuer = std::this_thread::get_id();
        bool started = false;
        std::optional<SerialClock::time_point> deadline;
        SerialClock::time_point lastByte{};
    };
    using Lock = std::unique_lock<std::mutex>;

    BOOL Submit(Operation operation, DWORD* done, Lock& lock);
    void AwaitEnginePass(Lock& lock);
    bool DeviceHoldsInput(); // bytes the engine has not yet taken into the receive queue
    BOOL SubmitTransfer(const Operation& operation, DWORD* done);
    BOOL Usable(); // FALSE with the last error when closed or gone
    void Complete(Operation& operation, ULONG_PTR status);
    void AbortAll(std::list<Operation>& operations, ULONG_PTR status);
    void EndWait(DWORD mask, ULONG_PTR status);
    void Wake();

    // The engine thread only; the device is read when poll() found input (or cannot tell).
    void Service(bool deviceReadable);
    void NoteLineErrors();
    // Moves received bytes into the queue; readable ends false once the device has no more.
    bool PumpInput(bool& readable);
    bool ServiceReads(SerialClock::time_point now);
    void ServiceWrites(SerialClock::time_point now);
    bool SendAheadChar(); // false while the byte still waits for room
    bool OutputPending() const { return !writes_.empty() || aheadChar_.has_value(); }
    void CheckTransmitter();
    void CheckModemLines();
    void ServiceWait();
    void DeviceGone(DWORD error);
    bool AbortLatched() const { return dcb_.fAbortOnError && errors_ != 0; }
    DWORD OutQueueTotal();
    int NextTimeoutMs(SerialClock::time_point now);
    void WatchLoop();

    std::unique_ptr<SerialDriver> driver_;
    std::mutex mutex_;
    std::condition_variable changed_; // an operation completed, the output drained, a pass ended
    uint64_t passes_ = 0;             // engine passes so far
    int passWaiters_ = 0;
    int wakeDescriptor_ = -1;
    std::thread watcher_;
    bool stopping_ = false;
    bool closed_ = false;
    DWORD goneError_ = 0;

    DCB dcb_{};
    COMMTIMEOUTS timeouts_{};
    DWORD inQueueSize_ = 4096;
    DWORD outQueueSize_ = 4096;
    DWORD mask_ = 0;
    DWORD history_ = 0;
    DWORD errors_ = 0;
    DWORD modem_ = 0;
    bool transmitting_ = false;
    bool rtsToggleByEngine_ = false;
    bool rtsToggleByDriver_ = false;
    bool outputHeld_ = false;          // SETXOFF
    std::optional<uint8_t> aheadChar_; // TransmitCommChar: goes before queued output
    DWORD aheadError_ = 0;             // why the device refused it
    std::deque<uint8_t> input_;
    std::list<Operation> reads_;
    std::list<Operation> writes_;
    std::list<Operation> waits_; // at most one
};
