#include "platform/serial/CommPort.h"

#include <poll.h>
#include <sys/eventfd.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <climits>
#include <utility>

#include "platform/serial/LineSettings.h"
#include "platform/win32/Synch.h"

namespace {
constexpr DWORD MAXDWORD = 0xFFFFFFFF;
constexpr DWORD MODEM_EVENTS = EV_CTS | EV_DSR | EV_RLSD | EV_RING;
constexpr auto MODEM_POLL_INTERVAL = std::chrono::milliseconds(20);

ULONG_PTR StatusFromError(DWORD error) {
    return COMM_STATUS_FROM_WIN32 | error;
}

std::optional<SerialClock::time_point>
TotalDeadline(SerialClock::time_point start, uint64_t multiplier, DWORD count, uint64_t constant) {
    uint64_t total = multiplier * count + constant;
    if (total == 0)
        return std::nullopt;
    return start + std::chrono::milliseconds(std::min<uint64_t>(total, INT_MAX));
}
} // namespace

std::chrono::milliseconds SerialDriver::OutputPollInterval(DWORD queued, const DCB& dcb) {
    // Look again about when the queue should have drained, within sensible bounds.
    double seconds = queued * BitsPerCharacter(dcb) / std::max<DWORD>(dcb.BaudRate, 1);
    auto wait = std::chrono::milliseconds(static_cast<long>(seconds * 1000) + 1);
    return std::clamp(wait, std::chrono::milliseconds(1), std::chrono::milliseconds(50));
}

double BitsPerCharacter(const DCB& dcb) {
    double stop = dcb.StopBits == ONESTOPBIT ? 1 : dcb.StopBits == ONE5STOPBITS ? 1.5 : 2;
    return 1 + dcb.ByteSize + (dcb.Parity != NOPARITY ? 1 : 0) + stop;
}

CommPort::CommPort(std::unique_ptr<SerialDriver> driver) : driver_(std::move(driver)) {
    dcb_ = DefaultLineSettings();
    driver_->ReadSettings(dcb_);
    modem_ = driver_->ModemStatus();
    wakeDescriptor_ = eventfd(0, EFD_NONBLOCK | EFD_CLOEXEC);
    driver_->SetWaker([fd = wakeDescriptor_] {
        uint64_t one = 1;
        [[maybe_unused]] auto ignored = write(fd, &one, sizeof one);
    });
    watcher_ = std::thread([this] { WatchLoop(); });
}

CommPort::~CommPort() {
    OnClose();
    if (wakeDescriptor_ >= 0)
        close(wakeDescriptor_);
}

void CommPort::OnClose() {
    {
        std::lock_guard guard(mutex_);
        if (closed_)
            return;
        closed_ = true;
        EndWait(0, COMM_STATUS_CANCELLED);
        AbortAll(reads_, COMM_STATUS_CANCELLED);
        AbortAll(writes_, COMM_STATUS_CANCELLED);
        aheadChar_.reset();
        stopping_ = true;
        changed_.notify_all();
    }
    Wake();
    if (watcher_.joinable())
        watcher_.join();
    driver_->SetWaker({});
    driver_->Close();
}

void CommPort::Wake() {
    uint64_t one = 1;
    [[maybe_unused]] auto ignored = write(wakeDescriptor_, &one, sizeof one);
}

BOOL CommPort::Usable() {
    if (closed_) {
        SetLastError(ERROR_INVALID_HANDLE);
        return FALSE;
    }
    if (goneError_) {
        SetLastError(goneError_);
        return FALSE;
    }
    return TRUE;
}

void CommPort::Complete(Operation& operation, ULONG_PTR status) {
    OVERLAPPED* overlapped = operation.overlapped;
    overlapped->InternalHigh = operation.done;
    overlapped->Internal = status;
    if (overlapped->hEvent)
        SetEvent(overlapped->hEvent);
    changed_.notify_all();
}

void CommPort::AbortAll(std::list<Operation>& operations, ULONG_PTR status) {
    for (auto& operation : operations)
        Complete(operation, status);
    operations.clear();
}

void CommPort::EndWait(DWORD mask, ULONG_PTR status) {
    for (auto& wait : waits_) {
        *wait.maskOut = mask;
        wait.done = status == COMM_STATUS_SUCCESS ? sizeof(DWORD) : 0; // the mask written
        Complete(wait, status);
    }
    waits_.clear();
}

// Issues an operation: completes it at once when it can, otherwise leaves it pending. What
// the receive queue or the recorded events can finish is finished here; what needs the device
// is the engine's, and the caller waits for one pass of it.
BOOL CommPort::Submit(Operation operation, DWORD* done, Lock& lock) {
    OVERLAPPED local{};
    const bool synchronous = operation.overlapped == nullptr;
    if (synchronous)
        operation.overlapped = &local;
    OVERLAPPED* overlapped = operation.overlapped;
    overlapped->Internal = STATUS_PENDING;
    overlapped->InternalHigh = 0;
    if (overlapped->hEvent)
        ResetEvent(overlapped->hEvent);
    const Kind kind = operation.kind;
    auto& queue = kind == Kind::Read ? reads_ : kind == Kind::Write ? writes_ : waits_;
    queue.push_back(operation);
    if (kind == Kind::Write || DeviceHoldsInput()) {
        AwaitEnginePass(lock);
    } else if (kind == Kind::Read) {
        const bool inputStopped = input_.size() >= inQueueSize_;
        if (ServiceReads(SerialClock::now()) && inputStopped)
            Wake(); // the engine takes input again
    } else {
        ServiceWait();
    }
    if (overlapped->Internal == STATUS_PENDING) {
        Wake();
        if (!synchronous) {
            SetLastError(ERROR_IO_PENDING);
            return FALSE;
        }
        changed_.wait(lock, [&] { return local.Internal != STATUS_PENDING; });
    }
    return FinishedOperationResult(*overlapped, done);
}

void CommPort::AwaitEnginePass(Lock& lock) {
    const uint64_t ticket = passes_;
    ++passWaiters_;
    lock.unlock();
    Wake(); // unlocked: the engine need not wait for the caller to sleep
    lock.lock();
    changed_.wait(lock, [&] { return passes_ != ticket || closed_; });
    --passWaiters_;
}

bool CommPort::DeviceHoldsInput() {
    return input_.size() < inQueueSize_ && driver_->InQueue() > 0;
}

BOOL CommPort::Read(void* buffer, DWORD count, DWORD* done, OVERLAPPED* overlapped) {
    Operation operation(Kind::Read, overlapped);
    operation.target = static_cast<uint8_t*>(buffer);
    operation.count = count;
    return SubmitTransfer(operation, done);
}

BOOL CommPort::Write(const void* buffer, DWORD count, DWORD* done, OVERLAPPED* overlapped) {
    Operation operation(Kind::Write, overlapped);
    operation.source = static_cast<const uint8_t*>(buffer);
    operation.count = count;
    return SubmitTransfer(operation, done);
}

// Reads and writes are admitted alike: none on a closed or failed port, none while an
// abort is latched.
BOOL CommPort::SubmitTransfer(const Operation& operation, DWORD* done) {
    Lock lock(mutex_);
    if (done)
        *done = 0;
    if (!Usable())
        return FALSE;
    if (AbortLatched()) {
        SetLastError(ERROR_OPERATION_ABORTED);
        return FALSE;
    }
    return Submit(operation, done, lock);
}

BOOL CommPort::WaitEvent(DWORD* mask, OVERLAPPED* overlapped) {
    Lock lock(mutex_);
    if (!Usable())
        return FALSE;
    if (mask_ == 0 || !waits_.empty() || !mask) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    *mask = 0;
    Operation operation(Kind::WaitEvent, overlapped);
    operation.maskOut = mask;
    return Submit(operation, nullptr, lock);
}

BOOL CommPort::Flush() {
    Lock lock(mutex_);
    if (!Usable())
        return FALSE;
    Wake();
    changed_.wait(lock,
                  [&] { return closed_ || goneError_ || (!OutputPending() && !transmitting_); });
    return Usable();
}

BOOL CommPort::OverlappedResult(OVERLAPPED* overlapped, DWORD* done, BOOL wait) {
    Lock lock(mutex_);
    if (overlapped->Internal == STATUS_PENDING) {
        if (!wait) {
            SetLastError(ERROR_IO_INCOMPLETE);
            return FALSE;
        }
        changed_.wait(lock, [&] { return overlapped->Internal != STATUS_PENDING; });
    }
    return FinishedOperationResult(*overlapped, done);
}

BOOL CommPort::CancelThreadIo() {
    std::lock_guard guard(mutex_);
    if (!Usable())
        return FALSE;
    const auto self = std::this_thread::get_id();
    for (auto* queue : {&reads_, &writes_, &waits_}) {
        for (auto it = queue->begin(); it != queue->end();) {
            if (it->issuer == self) {
                Complete(*it, COMM_STATUS_CANCELLED);
                it = queue->erase(it);
            } else {
                ++it;
            }
        }
    }
    return TRUE;
}

BOOL CommPort::Setup(DWORD inQueue, DWORD outQueue) {
    std::lock_guard guard(mutex_);
    if (!Usable())
        return FALSE;
    if (inQueue == 0 || outQueue == 0) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    inQueueSize_ = inQueue;
    outQueueSize_ = outQueue;
    Wake();
    return TRUE;
}

BOOL CommPort::GetState(DCB& dcb) {
    std::lock_guard guard(mutex_);
    if (!Usable())
        return FALSE;
    dcb = dcb_;
    driver_->ReadSettings(dcb);
    dcb.DCBlength = sizeof(DCB);
    return TRUE;
}

BOOL CommPort::SetState(const DCB& dcb) {
    std::lock_guard guard(mutex_);
    if (!Usable())
        return FALSE;
    DWORD error = ValidateLineSettings(dcb);
    if (error == ERROR_SUCCESS && !driver_->ApplySettings(dcb, error))
        error = error ? error : ERROR_INVALID_PARAMETER;
    if (error != ERROR_SUCCESS) {
        SetLastError(error);
        return FALSE;
    }
    const bool toggle = dcb.fRtsControl == RTS_CONTROL_TOGGLE;
    if (rtsToggleByDriver_ && !toggle)
        driver_->SetRs485Toggle(false);
    rtsToggleByDriver_ = toggle && driver_->SetRs485Toggle(true);
    rtsToggleByEngine_ = toggle && !rtsToggleByDriver_;
    driver_->SetDtr(dcb.fDtrControl != DTR_CONTROL_DISABLE);
    if (dcb.fRtsControl == RTS_CONTROL_ENABLE || dcb.fRtsControl == RTS_CONTROL_DISABLE)
        driver_->SetRts(dcb.fRtsControl == RTS_CONTROL_ENABLE);
    if (rtsToggleByEngine_)
        driver_->SetRts(transmitting_ || OutputPending());
    dcb_ = dcb;
    dcb_.DCBlength = sizeof(DCB);
    Wake();
    return TRUE;
}

BOOL CommPort::GetTimeouts(COMMTIMEOUTS& timeouts) {
    std::lock_guard guard(mutex_);
    if (!Usable())
        return FALSE;
    timeouts = timeouts_;
    return TRUE;
}

BOOL CommPort::SetTimeouts(const COMMTIMEOUTS& timeouts) {
    std::lock_guard guard(mutex_);
    if (!Usable())
        return FALSE;
    timeouts_ = timeouts;
    return TRUE;
}

BOOL CommPort::SetMask(DWORD mask) {
    std::lock_guard guard(mutex_);
    if (!Usable())
        return FALSE;
    EndWait(0, COMM_STATUS_SUCCESS);
    // A line change not yet serviced counts under the mask it came under; events still asked
    // for survive the change.
    CheckModemLines();
    if (!(mask_ & MODEM_EVENTS))
        modem_ = driver_->ModemStatus(); // nobody watched the lines until now
    mask_ = mask;
    history_ &= mask;
    Wake();
    return TRUE;
}

BOOL CommPort::GetMask(DWORD& mask) {
    std::lock_guard guard(mutex_);
    if (!Usable())
        return FALSE;
    mask = mask_;
    return TRUE;
}

BOOL CommPort::ClearError(DWORD* errors, COMSTAT* stat) {
    std::lock_guard guard(mutex_);
    if (!Usable())
        return FALSE;
    NoteLineErrors();
    const bool latched = AbortLatched();
    if (errors)
        *errors = errors_;
    errors_ = 0;
    if (stat) {
        const DWORD modem = driver_->ModemStatus();
        *stat = COMSTAT{};
        stat->fCtsHold = dcb_.fOutxCtsFlow && !(modem & MS_CTS_ON);
        stat->fDsrHold = dcb_.fOutxDsrFlow && !(modem & MS_DSR_ON);
        stat->fXoffHold = outputHeld_;
        stat->cbInQue = static_cast<DWORD>(input_.size()) + driver_->InQueue();
        stat->cbOutQue = OutQueueTotal();
    }
    if (latched)
        Wake(); // operations held back by the error may go on
    return TRUE;
}

DWORD CommPort::OutQueueTotal() {
    DWORD total = driver_->OutQueue() + (aheadChar_ ? 1 : 0);
    for (const auto& write : writes_)
        total += write.count - write.done;
    return total;
}

BOOL CommPort::Purge(DWORD flags) {
    std::lock_guard guard(mutex_);
    if (!Usable())
        return FALSE;
    if (flags & ~(PURGE_TXABORT | PURGE_RXABORT | PURGE_TXCLEAR | PURGE_RXCLEAR)) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    if (flags & (PURGE_TXABORT | PURGE_TXCLEAR))
        aheadChar_.reset();
    if (flags & PURGE_TXABORT)
        AbortAll(writes_, COMM_STATUS_CANCELLED);
    if (flags & PURGE_RXABORT)
        AbortAll(reads_, COMM_STATUS_CANCELLED);
    if (flags & PURGE_TXCLEAR) {
        driver_->PurgeOutput();
        if (!OutputPending())
            transmitting_ = false;
    }
    if (flags & PURGE_RXCLEAR) {
        driver_->PurgeInput();
        input_.clear();
    }
    EndWait(0, COMM_STATUS_SUCCESS);
    Wake();
    return TRUE;
}

BOOL CommPort::Escape(DWORD function) {
    std::lock_guard guard(mutex_);
    if (!Usable())
        return FALSE;
    switch (function) {
    case SETXOFF:
    case SETXON:
        outputHeld_ = function == SETXOFF;
        driver_->SetOutputFlow(!outputHeld_);
        break;
    case SETRTS:
    case CLRRTS:
        driver_->SetRts(function == SETRTS);
        break;
    case SETDTR:
    case CLRDTR:
        driver_->SetDtr(function == SETDTR);
        break;
    case SETBREAK:
    case CLRBREAK:
        driver_->SetBreak(function == SETBREAK);
        break;
    case RESETDEV:
        break;
    default:
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    Wake();
    return TRUE;
}

BOOL CommPort::GetModemStatus(DWORD& status) {
    std::lock_guard guard(mutex_);
    if (!Usable())
        return FALSE;
    status = driver_->ModemStatus();
    return TRUE;
}

BOOL CommPort::GetProperties(COMMPROP& properties) {
    std::lock_guard guard(mutex_);
    if (!Usable())
        return FALSE;
    properties = COMMPROP{};
    properties.wPacketLength = sizeof(COMMPROP);
    properties.wPacketVersion = 2;
    properties.dwServiceMask = SP_SERIALCOMM;
    properties.dwMaxBaud = BAUD_USER;
    properties.dwProvSubType = PST_RS232;
    properties.dwProvCapabilities = PCF_DTRDSR | PCF_RTSCTS | PCF_RLSD | PCF_PARITY_CHECK |
                                    PCF_XONXOFF | PCF_SETXCHAR | PCF_TOTALTIMEOUTS |
                                    PCF_INTTIMEOUTS | PCF_SPECIALCHARS;
    properties.dwSettableParams = SP_PARITY | SP_BAUD | SP_DATABITS | SP_STOPBITS | SP_HANDSHAKING |
                                  SP_PARITY_CHECK | SP_RLSD;
    properties.dwSettableBaud = BAUD_USER | 0x0003FFFF;
    properties.wSettableData = DATABITS_5 | DATABITS_6 | DATABITS_7 | DATABITS_8;
    properties.wSettableStopParity = STOPBITS_10 | STOPBITS_15 | STOPBITS_20 | PARITY_NONE |
                                     PARITY_ODD | PARITY_EVEN | PARITY_MARK | PARITY_SPACE;
    properties.dwCurrentTxQueue = outQueueSize_;
    properties.dwCurrentRxQueue = inQueueSize_;
    return TRUE;
}

// The byte goes ahead of queued output, as soon as the transmitter has room; the previous one
// must have gone before the next is taken.
BOOL CommPort::TransmitChar(char c) {
    Lock lock(mutex_);
    if (!Usable())
        return FALSE;
    if (aheadChar_) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    aheadChar_ = static_cast<uint8_t>(c);
    aheadError_ = 0;
    AwaitEnginePass(lock);
    if (!Usable())
        return FALSE;
    if (aheadError_) {
        SetLastError(std::exchange(aheadError_, 0));
        return FALSE;
    }
    return TRUE;
}

// ---- the watcher side -------------------------------------------------------------------

void CommPort::Service(bool deviceReadable) {
    if (closed_ || goneError_)
        return;
    const auto now = SerialClock::now();
    bool progress = true;
    while (progress && !goneError_) {
        progress = deviceReadable && PumpInput(deviceReadable);
        NoteLineErrors();
        progress = ServiceReads(now) || progress;
    }
    if (goneError_)
        return;
    ServiceWrites(now);
    CheckTransmitter();
    CheckModemLines();
    ServiceWait();
}

bool CommPort::PumpInput(bool& readable) {
    bool moved = false;
    uint8_t chunk[1024];
    while (input_.size() < inQueueSize_) {
        DWORD error = ERROR_SUCCESS;
        size_t room = std::min<size_t>(sizeof chunk, inQueueSize_ - input_.size());
        long got = driver_->ReadSome(chunk, room, error);
        if (got < 0) {
            DeviceGone(error ? error : ERROR_BAD_COMMAND);
            return false;
        }
        if (got == 0) {
            readable = false;
            break;
        }
        moved = true;
        input_.insert(input_.end(), chunk, chunk + got);
        history_ |= mask_ & EV_RXCHAR;
        if ((mask_ & EV_RXFLAG) &&
            std::find(chunk, chunk + got, static_cast<uint8_t>(dcb_.EvtChar)) != chunk + got)
            history_ |= EV_RXFLAG;
        if (input_.size() * 10 >= static_cast<size_t>(inQueueSize_) * 8)
            history_ |= mask_ & EV_RX80FULL;
    }
    return moved;
}

void CommPort::NoteLineErrors() {
    const DWORD fresh = driver_->TakeLineErrors();
    errors_ |= fresh;
    if (fresh & (CE_FRAME | CE_OVERRUN | CE_RXPARITY))
        history_ |= mask_ & EV_ERR;
    if (fresh & CE_BREAK)
        history_ |= mask_ & EV_BREAK;
    if (AbortLatched()) {
        AbortAll(reads_, COMM_STATUS_CANCELLED);
        AbortAll(writes_, COMM_STATUS_CANCELLED);
        aheadChar_.reset();
    }
}

bool CommPort::ServiceReads(SerialClock::time_point now) {
    bool took = false;
    while (!reads_.empty()) {
        Operation& read = reads_.front();
        const auto& t = timeouts_;
        const bool returnAtOnce = t.ReadIntervalTimeout == MAXDWORD &&
                                  t.ReadTotalTimeoutMultiplier == 0 &&
                                  t.ReadTotalTimeoutConstant == 0;
        const bool returnOnFirstByte =
            t.ReadIntervalTimeout == MAXDWORD && t.ReadTotalTimeoutMultiplier == MAXDWORD &&
            t.ReadTotalTimeoutConstant > 0 && t.ReadTotalTimeoutConstant < MAXDWORD;
        if (!read.started) {
            read.started = true;
            read.deadline = returnOnFirstByte
                                ? TotalDeadline(now, 0, 0, t.ReadTotalTimeoutConstant)
                                : TotalDeadline(now, t.ReadTotalTimeoutMultiplier, read.count,
                                                t.ReadTotalTimeoutConstant);
        }
        const size_t take = std::min<size_t>(input_.size(), read.count - read.done);
        if (take > 0) {
            std::copy_n(input_.begin(), take, read.target + read.done);
            input_.erase(input_.begin(), input_.begin() + static_cast<long>(take));
            read.done += static_cast<DWORD>(take);
            read.lastByte = now;
            took = true;
        }
        const bool intervalOver =
            t.ReadIntervalTimeout != 0 && t.ReadIntervalTimeout != MAXDWORD && read.done > 0 &&
            now - read.lastByte >= std::chrono::milliseconds(t.ReadIntervalTimeout);
        const bool finished = read.done == read.count || returnAtOnce ||
                              (returnOnFirstByte && read.done > 0) ||
                              (read.deadline && now >= *read.deadline) || intervalOver;
        if (!finished)
            break;
        Complete(read, COMM_STATUS_SUCCESS);
        reads_.pop_front();
    }
    return took;
}

bool CommPort::SendAheadChar() {
    if (!aheadChar_)
        return true;
    if (rtsToggleByEngine_)
        driver_->SetRts(true);
    DWORD error = ERROR_SUCCESS;
    const long sent = driver_->WriteSome(&*aheadChar_, 1, error);
    if (sent == 0)
        return false;
    if (sent < 0)
        aheadError_ = error ? error : ERROR_WRITE_FAULT;
    else
        transmitting_ = true;
    aheadChar_.reset();
    changed_.notify_all();
    return true;
}

void CommPort::ServiceWrites(SerialClock::time_point now) {
    const bool aheadGone = SendAheadChar(); // queued data waits behind it
    while (!writes_.empty()) {
        Operation& write = writes_.front();
        if (!write.started) {
            write.started = true;
            write.deadline = TotalDeadline(now, timeouts_.WriteTotalTimeoutMultiplier, write.count,
                                           timeouts_.WriteTotalTimeoutConstant);
            if (rtsToggleByEngine_)
                driver_->SetRts(true);
        }
        while (aheadGone && write.done < write.count) {
            DWORD error = ERROR_SUCCESS;
            long sent =
                driver_->WriteSome(write.source + write.done, write.count - write.done, error);
            if (sent < 0) {
                Complete(write, StatusFromError(error ? error : ERROR_WRITE_FAULT));
                writes_.pop_front();
                return;
            }
            if (sent == 0)
                break;
            write.done += static_cast<DWORD>(sent);
            transmitting_ = true;
        }
        if (write.done == write.count) {
            Complete(write, COMM_STATUS_SUCCESS);
        } else if (write.deadline && now >= *write.deadline) {
            Complete(write, COMM_STATUS_TIMEOUT);
        } else {
            return;
        }
        writes_.pop_front();
    }
}

void CommPort::CheckTransmitter() {
    if (!transmitting_ || OutputPending() || driver_->OutQueue() != 0)
        return;
    transmitting_ = false;
    history_ |= mask_ & EV_TXEMPTY;
    if (rtsToggleByEngine_)
        driver_->SetRts(false);
    changed_.notify_all();
}

void CommPort::CheckModemLines() {
    if (!(mask_ & MODEM_EVENTS))
        return;
    const DWORD now = driver_->ModemStatus();
    const DWORD flipped = now ^ modem_;
    if (flipped & MS_CTS_ON)
        history_ |= mask_ & EV_CTS;
    if (flipped & MS_DSR_ON)
        history_ |= mask_ & EV_DSR;
    if (flipped & MS_RLSD_ON)
        history_ |= mask_ & EV_RLSD;
    if ((flipped & MS_RING_ON) && (now & MS_RING_ON))
        history_ |= mask_ & EV_RING;
    modem_ = now;
}

void CommPort::ServiceWait() {
    if (waits_.empty() || !(history_ & mask_))
        return;
    const DWORD events = history_ & mask_;
    history_ = 0;
    EndWait(events, COMM_STATUS_SUCCESS);
}

void CommPort::DeviceGone(DWORD error) {
    goneError_ = error;
    EndWait(0, StatusFromError(error));
    AbortAll(reads_, StatusFromError(error));
    AbortAll(writes_, StatusFromError(error));
    transmitting_ = false;
    changed_.notify_all();
}

int CommPort::NextTimeoutMs(SerialClock::time_point now) {
    std::optional<SerialClock::time_point> next;
    auto consider = [&](std::optional<SerialClock::time_point> when) {
        if (when && (!next || *when < *next))
            next = when;
    };
    if (!reads_.empty()) {
        const auto& read = reads_.front();
        consider(read.deadline);
        const DWORD interval = timeouts_.ReadIntervalTimeout;
        if (interval != 0 && interval != MAXDWORD && read.done > 0)
            consider(read.lastByte + std::chrono::milliseconds(interval));
    }
    if (!writes_.empty())
        consider(writes_.front().deadline);
    if (transmitting_ || OutputPending()) {
        auto change = driver_->NextOutputChange();
        if (change)
            consider(change);
        else if (driver_->PollDescriptor() >= 0)
            consider(now + driver_->OutputPollInterval(driver_->OutQueue(), dcb_));
    }
    if ((mask_ & MODEM_EVENTS) && driver_->ModemLinesNeedPolling())
        consider(now + MODEM_POLL_INTERVAL);
    if (!next)
        return -1;
    auto wait = std::chrono::ceil<std::chrono::milliseconds>(*next - now).count();
    return static_cast<int>(std::clamp<long>(wait, 0, INT_MAX));
}

void CommPort::WatchLoop() {
    Lock lock(mutex_);
    bool readable = true;
    while (!stopping_) {
        Service(readable);
        ++passes_;
        if (passWaiters_)
            changed_.notify_all();
        const int device = goneError_ ? -1 : driver_->PollDescriptor();
        pollfd descriptors[2] = {{wakeDescriptor_, POLLIN, 0}, {device, 0, 0}};
        if (device >= 0) {
            if (input_.size() < inQueueSize_)
                descriptors[1].events |= POLLIN;
            if (OutputPending())
                descriptors[1].events |= POLLOUT;
        }
        const int timeout = goneError_ ? -1 : NextTimeoutMs(SerialClock::now());
        lock.unlock();
        int ready = poll(descriptors, device >= 0 ? 2 : 1, timeout);
        if (ready > 0 && (descriptors[0].revents & POLLIN)) {
            uint64_t count;
            [[maybe_unused]] auto ignored = read(wakeDescriptor_, &count, sizeof count);
        }
        lock.lock();
        readable = device < 0 || (ready > 0 && (descriptors[1].revents & POLLIN));
        if (ready > 0 && device >= 0 && !stopping_ &&
            (descriptors[1].revents & (POLLHUP | POLLERR | POLLNVAL))) {
            PumpInput(readable); // take what is left before the line goes
            if (!goneError_)
                DeviceGone(ERROR_BAD_COMMAND);
        }
    }
}
