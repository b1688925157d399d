#include "platform/serial/TtyDriver.h"

#include <asm/termbits.h>
#include <fcntl.h>
#include <linux/serial.h>
#include <poll.h>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <unistd.h>

#include <cerrno>

#include "platform/serial/TtyTermios.h"

namespace {
class TtyDriver final : public SerialDriver {
public:
    explicit TtyDriver(int fd) : fd_(fd) {
        int lines = 0;
        modemLines_ = ioctl(fd_, TIOCMGET, &lines) == 0;
        serial_icounter_struct counts{};
        lineCounters_ = ioctl(fd_, TIOCGICOUNT, &counts) == 0;
        if (lineCounters_)
            counts_ = counts;
    }
    ~TtyDriver() override { Close(); }

    int PollDescriptor() const override { return fd_; }

    long ReadSome(uint8_t* buffer, size_t count, DWORD& error) override {
        ssize_t got = read(fd_, buffer, count);
        if (got >= 0)
            return got;
        if (errno == EAGAIN || errno == EINTR)
            return 0;
        error = errno == EIO ? ERROR_BAD_COMMAND : ErrorFromErrno(errno);
        return -1;
    }

    long WriteSome(const uint8_t* buffer, size_t count, DWORD& error) override {
        if (count == 0)
            return 0;
        ssize_t sent = write(fd_, buffer, count);
        if (sent >= 0)
            return sent;
        if (errno == EAGAIN || errno == EINTR)
            return 0;
        error = errno == EIO ? ERROR_BAD_COMMAND : ErrorFromErrno(errno);
        return -1;
    }

    // Bytes that reached the terminal may still sit in its flip buffer, which a read would
    // flush but FIONREAD does not: a poll without waiting flushes it too.
    DWORD InQueue() override {
        if (const DWORD queued = Queued(FIONREAD); queued != 0)
            return queued;
        pollfd input{fd_, POLLIN, 0};
        if (::poll(&input, 1, 0) <= 0)
            return 0;
        return Queued(FIONREAD);
    }
    DWORD OutQueue() override { return Queued(TIOCOUTQ); }

    bool ApplySettings(const DCB& dcb, DWORD& error) override {
        termios2 settings{};
        if (ioctl(fd_, TCGETS2, &settings) != 0) {
            error = ErrorFromErrno(errno);
            return false;
        }
        DcbToTermios(dcb, settings);
        if (ioctl(fd_, TCSETS2, &settings) != 0) {
            error = errno == EINVAL ? ERROR_INVALID_PARAMETER : ErrorFromErrno(errno);
            return false;
        }
        return true;
    }

    void ReadSettings(DCB& dcb) override {
        termios2 settings{};
        if (ioctl(fd_, TCGETS2, &settings) == 0)
            TermiosToDcb(settings, dcb);
    }

    // A pseudo-terminal has no modem lines: it reads as no signals.
    DWORD ModemStatus() override {
        int lines = 0;
        if (!modemLines_ || ioctl(fd_, TIOCMGET, &lines) != 0)
            return 0;
        return ((lines & TIOCM_CTS) ? MS_CTS_ON : 0) | ((lines & TIOCM_DSR) ? MS_DSR_ON : 0) |
               ((lines & TIOCM_RI) ? MS_RING_ON : 0) | ((lines & TIOCM_CD) ? MS_RLSD_ON : 0);
    }
    bool ModemLinesNeedPolling() const override { return modemLines_; }

    void SetDtr(bool on) override { SetLine(TIOCM_DTR, on); }
    void SetRts(bool on) override { SetLine(TIOCM_RTS, on); }
    void SetBreak(bool on) override { ioctl(fd_, on ? TIOCSBRK : TIOCCBRK); }
    void SetOutputFlow(bool on) override { ioctl(fd_, TCXONC, on ? TCOON : TCOOFF); }

    bool SetRs485Toggle(bool on) override {
        serial_rs485 rs485{};
        if (ioctl(fd_, TIOCGRS485, &rs485) != 0)
            return false;
        if (on) {
            rs485.flags |= SER_RS485_ENABLED | SER_RS485_RTS_ON_SEND;
            rs485.flags &= ~SER_RS485_RTS_AFTER_SEND;
        } else {
            rs485.flags &= ~SER_RS485_ENABLED;
        }
        return ioctl(fd_, TIOCSRS485, &rs485) == 0;
    }

    DWORD TakeLineErrors() override {
        serial_icounter_struct now{};
        if (!lineCounters_ || ioctl(fd_, TIOCGICOUNT, &now) != 0)
            return 0;
        DWORD errors = (now.frame != counts_.frame ? CE_FRAME : 0) |
                       (now.parity != counts_.parity ? CE_RXPARITY : 0) |
                       (now.overrun != counts_.overrun ? CE_OVERRUN : 0) |
                       (now.buf_overrun != counts_.buf_overrun ? CE_RXOVER : 0) |
                       (now.brk != counts_.brk ? CE_BREAK : 0);
        counts_ = now;
        return errors;
    }

    void PurgeInput() override { ioctl(fd_, TCFLSH, TCIFLUSH); }
    void PurgeOutput() override { ioctl(fd_, TCFLSH, TCOFLUSH); }

    void Close() override {
        if (fd_ < 0)
            return;
        ioctl(fd_, TIOCNXCL); // the tty may outlive us (a pty's other end): give it up again
        flock(fd_, LOCK_UN);
        close(fd_);
        fd_ = -1;
    }

private:
    DWORD Queued(unsigned long request) {
        int queued = 0;
        if (ioctl(fd_, request, &queued) != 0 || queued < 0)
            return 0;
        return static_cast<DWORD>(queued);
    }
    void SetLine(int line, bool on) {
        if (modemLines_)
            ioctl(fd_, on ? TIOCMBIS : TIOCMBIC, &line);
    }

    int fd_;
    bool modemLines_ = false;
    bool lineCounters_ = false;
    serial_icounter_struct counts_{};
};

void AskForLowLatency(int fd) {
    serial_struct serial{};
    if (ioctl(fd, TIOCGSERIAL, &serial) == 0 && !(serial.flags & ASYNC_LOW_LATENCY)) {
        serial.flags |= ASYNC_LOW_LATENCY;
        ioctl(fd, TIOCSSERIAL, &serial);
    }
}
} // namespace

std::unique_ptr<SerialDriver> OpenTtyDriver(const std::string& path, DWORD& error) {
    int fd = open(path.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) {
        error = ErrorFromErrno(errno);
        return nullptr;
    }
    auto fail = [&](DWORD code) -> std::unique_ptr<SerialDriver> {
        close(fd);
        error = code;
        return nullptr;
    };
    termios2 settings{};
    if (ioctl(fd, TCGETS2, &settings) != 0)
        return fail(ERROR_FILE_NOT_FOUND); // not a terminal: no port here
    if (flock(fd, LOCK_EX | LOCK_NB) != 0)
        return fail(ERROR_ACCESS_DENIED);
    if (ioctl(fd, TIOCEXCL) != 0)
        return fail(ErrorFromErrno(errno));
    MakeRawTermios(settings);
    if (ioctl(fd, TCSETS2, &settings) != 0)
        return fail(ErrorFromErrno(errno));
    // A port starts with an empty receive queue: what arrived before the open is nobody's.
    ioctl(fd, TCFLSH, TCIFLUSH);
    AskForLowLatency(fd);
    return std::make_unique<TtyDriver>(fd);
}
