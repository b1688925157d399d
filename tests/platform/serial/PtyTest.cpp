// The tty driver on pseudo-terminal pairs, mapped to a COM name through VOKA_PORTS.
#include <fcntl.h>
#include <poll.h>
#include <pty.h>
#include <sys/ioctl.h>
#include <unistd.h>

#include <string>

#include "tests/platform/serial/SerialTestSupport.h"

namespace {
class PtyTest : public ::testing::Test {
protected:
    void SetUp() override {
        char name[256];
        ASSERT_EQ(0, openpty(&master, &slave, name, nullptr, nullptr));
        device = name;
        setenv("VOKA_PORTS", ("COM31=" + device).c_str(), 1);
        port = OpenPort("COM31");
        ASSERT_NE(INVALID_HANDLE_VALUE, port) << GetLastError();
    }
    void TearDown() override {
        if (port != INVALID_HANDLE_VALUE)
            CloseHandle(port);
        close(slave);
        close(master);
        unsetenv("VOKA_PORTS");
    }
    std::string ReadMaster(size_t count) {
        std::string got;
        while (got.size() < count) {
            pollfd ready{master, POLLIN, 0};
            if (poll(&ready, 1, HANG_GUARD_MS) <= 0)
                break;
            char chunk[256];
            ssize_t n = read(master, chunk, sizeof chunk);
            if (n <= 0)
                break;
            got.append(chunk, static_cast<size_t>(n));
        }
        return got;
    }

    int master = -1, slave = -1;
    std::string device;
    HANDLE port = INVALID_HANDLE_VALUE;
};

TEST_F(PtyTest, BytesTravelBothWays) {
    DWORD done = 0;
    Overlapped write;
    ASSERT_TRUE(WriteFile(port, "ping", 4, &done, write.Get()) ||
                GetOverlappedResult(port, write.Get(), &done, TRUE));
    EXPECT_EQ("ping", ReadMaster(4));

    ASSERT_TRUE(SetCommMask(port, EV_RXCHAR));
    DWORD mask = 0;
    Overlapped wait;
    StartPendingWait(port, mask, wait);
    ASSERT_EQ(4, ::write(master, "pong", 4));
    ASSERT_TRUE(GetOverlappedResult(port, wait.Get(), &done, TRUE));
    EXPECT_EQ(EV_RXCHAR, mask);
    char buffer[4];
    Overlapped read;
    ASSERT_TRUE(ReadFile(port, buffer, 4, &done, read.Get()) ||
                GetOverlappedResult(port, read.Get(), &done, TRUE));
    EXPECT_EQ("pong", std::string(buffer, 4));
}

TEST_F(PtyTest, OpenIsExclusiveAndClosingGivesItUp) {
    EXPECT_EQ(INVALID_HANDLE_VALUE, OpenPort("COM31"));
    EXPECT_EQ(ERROR_ACCESS_DENIED, GetLastError());
    ASSERT_TRUE(CloseHandle(port));
    // The master and our own slave descriptor stay open all along.
    port = OpenPort("COM31");
    EXPECT_NE(INVALID_HANDLE_VALUE, port) << GetLastError();
}

TEST_F(PtyTest, APortOpensWithAnEmptyReceiveQueue) {
    ASSERT_TRUE(CloseHandle(port));
    ASSERT_EQ(5, ::write(master, "stale", 5));
    int waiting = 0; // until the bytes are in the terminal's input, where the next open finds them
    for (DWORD tries = 0; waiting < 5 && tries < HANG_GUARD_MS; ++tries) {
        ASSERT_EQ(0, ioctl(slave, FIONREAD, &waiting));
        usleep(1000);
    }
    ASSERT_EQ(5, waiting);
    port = OpenPort("COM31");
    ASSERT_NE(INVALID_HANDLE_VALUE, port) << GetLastError();
    EXPECT_EQ(0u, QueueStatus(port).cbInQue);
    ASSERT_EQ(5, ::write(master, "fresh", 5));
    char buffer[5];
    DWORD done = 0;
    Overlapped read;
    ASSERT_TRUE(ReadFile(port, buffer, 5, &done, read.Get()) ||
                GetOverlappedResult(port, read.Get(), &done, TRUE));
    EXPECT_EQ("fresh", std::string(buffer, done));
}

TEST_F(PtyTest, ModemLinesReadAsNoSignals) {
    DWORD status = 0xFF;
    EXPECT_TRUE(GetCommModemStatus(port, &status));
    EXPECT_EQ(0u, status);
    EXPECT_TRUE(EscapeCommFunction(port, SETDTR));
    EXPECT_TRUE(EscapeCommFunction(port, CLRRTS));
}

// A pty keeps no character size or parity (the kernel forces 8 bits, no parity); what it does
// keep must come back as it was set. The full mapping is covered on termios records.
TEST_F(PtyTest, RateFlowControlAndStopBitsSurviveTheRoundTrip) {
    struct Case {
        DWORD baud;
        BYTE stopBits;
        bool ctsFlow, outX, inX;
    };
    const Case cases[] = {{9600, ONESTOPBIT, false, false, false},
                          {31250, TWOSTOPBITS, true, false, false},
                          {250000, ONESTOPBIT, false, true, false},
                          {12345, TWOSTOPBITS, true, true, true}};
    for (const auto& line : cases) {
        DCB dcb{};
        ASSERT_TRUE(GetCommState(port, &dcb));
        dcb.BaudRate = line.baud;
        dcb.StopBits = line.stopBits;
        dcb.fOutxCtsFlow = line.ctsFlow;
        dcb.fRtsControl = line.ctsFlow ? RTS_CONTROL_HANDSHAKE : RTS_CONTROL_ENABLE;
        dcb.fOutX = line.outX;
        dcb.fInX = line.inX;
        dcb.XonChar = 0x11;
        dcb.XoffChar = 0x13;
        ASSERT_TRUE(SetCommState(port, &dcb)) << line.baud;
        DCB back{};
        ASSERT_TRUE(GetCommState(port, &back));
        EXPECT_EQ(line.baud, back.BaudRate);
        EXPECT_EQ(line.stopBits, back.StopBits) << line.baud;
        EXPECT_EQ(dcb.fOutxCtsFlow, back.fOutxCtsFlow) << line.baud;
        EXPECT_EQ(dcb.fRtsControl, back.fRtsControl) << line.baud;
        EXPECT_EQ(dcb.fOutX, back.fOutX) << line.baud;
        EXPECT_EQ(dcb.fInX, back.fInX) << line.baud;
    }
}

TEST_F(PtyTest, ImpossibleLineSettingsAreRefused) {
    DCB dcb{};
    ASSERT_TRUE(GetCommState(port, &dcb));
    DCB bad = dcb;
    bad.StopBits = ONE5STOPBITS; // only with 5 data bits
    EXPECT_FALSE(SetCommState(port, &bad));
    bad = dcb;
    bad.ByteSize = 5;
    bad.StopBits = TWOSTOPBITS;
    EXPECT_FALSE(SetCommState(port, &bad));
    bad = dcb;
    bad.BaudRate = 0;
    EXPECT_FALSE(SetCommState(port, &bad));
    EXPECT_EQ(ERROR_INVALID_PARAMETER, GetLastError());
}

TEST_F(PtyTest, WriteTimeoutEndsAWriteNobodyReads) {
    COMMTIMEOUTS timeouts{0, 0, 0, 0, 50};
    ASSERT_TRUE(SetCommTimeouts(port, &timeouts));
    const std::string block(4 << 20, 'b'); // far more than the pty buffers
    DWORD done = 0;
    Overlapped write;
    bool ok = WriteFile(port, block.data(), static_cast<DWORD>(block.size()), &done, write.Get()) ||
              GetOverlappedResult(port, write.Get(), &done, TRUE);
    EXPECT_TRUE(ok);
    EXPECT_LT(done, block.size());
}

TEST_F(PtyTest, ClosedOtherEndEndsTheWaitWithAnError) {
    ASSERT_TRUE(SetCommMask(port, EV_RXCHAR));
    DWORD mask = 0, done = 0;
    Overlapped wait;
    StartPendingWait(port, mask, wait);
    close(slave);
    slave = -1;
    close(master);
    master = -1;
    EXPECT_FALSE(GetOverlappedResult(port, wait.Get(), &done, TRUE));
    EXPECT_EQ(ERROR_BAD_COMMAND, GetLastError());
}

TEST_F(PtyTest, DefaultConfigurationOnlyForExistingPorts) {
    COMMCONFIG config{};
    DWORD size = sizeof config;
    ASSERT_TRUE(GetDefaultCommConfigA("COM31", &config, &size));
    EXPECT_EQ(52u, config.dwSize);
    EXPECT_EQ(9600u, config.dcb.BaudRate);
    EXPECT_EQ(8, config.dcb.ByteSize);
    EXPECT_FALSE(GetDefaultCommConfigA("COM32", &config, &size));
    size = 10;
    EXPECT_FALSE(GetDefaultCommConfigA("COM31", &config, &size));
    EXPECT_EQ(ERROR_INSUFFICIENT_BUFFER, GetLastError());
    EXPECT_EQ(52u, size);
}
} // namespace
