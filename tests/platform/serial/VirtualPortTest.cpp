// The comm functions on the virtual port, whose far end the tests drive.
#include <thread>

#include "platform/serial/virtual/VirtualPort.h"
#include "platform/win32/CommObject.h"
#include "tests/platform/serial/SerialTestSupport.h"

namespace {
class VirtualPortTest : public ::testing::Test {
protected:
    void SetUp() override {
        remote = VirtualPortRemote::Create("COM21");
        port = OpenPort("COM21");
        ASSERT_NE(INVALID_HANDLE_VALUE, port) << GetLastError();
    }
    void TearDown() override {
        if (port != INVALID_HANDLE_VALUE)
            CloseHandle(port);
    }
    void ApplySettings(DWORD baud, bool abortOnError = false) {
        DCB dcb{};
        ASSERT_TRUE(GetCommState(port, &dcb));
        dcb.BaudRate = baud;
        dcb.fAbortOnError = abortOnError;
        ASSERT_TRUE(SetCommState(port, &dcb));
    }

    std::shared_ptr<VirtualPortRemote> remote;
    HANDLE port = INVALID_HANDLE_VALUE;
};

TEST_F(VirtualPortTest, WaitCommEventIsRefusedWithoutMask) {
    DWORD mask = 0xFFFF;
    Overlapped overlapped;
    EXPECT_FALSE(WaitCommEvent(port, &mask, overlapped.Get()));
    EXPECT_EQ(ERROR_INVALID_PARAMETER, GetLastError());
}

TEST_F(VirtualPortTest, WaitCommEventEndsWithTheEventThatCame) {
    ASSERT_TRUE(SetCommMask(port, EV_RXCHAR | EV_CTS));
    DWORD mask = 0;
    Overlapped overlapped;
    StartPendingWait(port, mask, overlapped);
    EXPECT_EQ(STATUS_PENDING, overlapped.record.Internal);
    remote->SetCts(true);
    ASSERT_TRUE(overlapped.Signalled());
    DWORD done = 0;
    EXPECT_TRUE(GetOverlappedResult(port, overlapped.Get(), &done, TRUE));
    EXPECT_EQ(EV_CTS, mask);

    // An event that happened before the next wait completes it at once.
    remote->Inject("x");
    while (QueueStatus(port).cbInQue == 0)
        std::this_thread::yield();
    EXPECT_TRUE(WaitCommEvent(port, &mask, overlapped.Get()));
    EXPECT_EQ(EV_RXCHAR, mask);
}

TEST_F(VirtualPortTest, EventsOutsideTheMaskDoNotEndTheWait) {
    ASSERT_TRUE(SetCommMask(port, EV_DSR));
    DWORD mask = 0;
    Overlapped overlapped;
    StartPendingWait(port, mask, overlapped);
    remote->Inject("abc");
    remote->SetCts(true);
    while (QueueStatus(port).cbInQue < 3)
        std::this_thread::yield();
    DWORD done = 0;
    EXPECT_FALSE(GetOverlappedResult(port, overlapped.Get(), &done, FALSE));
    EXPECT_EQ(ERROR_IO_INCOMPLETE, GetLastError());
    remote->SetDsr(true);
    EXPECT_TRUE(GetOverlappedResult(port, overlapped.Get(), &done, TRUE));
    EXPECT_EQ(EV_DSR, mask);
}

TEST_F(VirtualPortTest, PendingWaitEndsWithEmptyMaskOnMaskChangePurgeAndClose) {
    DWORD mask = 0xFF;
    Overlapped overlapped;
    ASSERT_TRUE(SetCommMask(port, EV_RXCHAR));
    StartPendingWait(port, mask, overlapped);
    ASSERT_TRUE(SetCommMask(port, EV_RX80FULL));
    ASSERT_TRUE(overlapped.Signalled());
    DWORD done = 0;
    EXPECT_TRUE(GetOverlappedResult(port, overlapped.Get(), &done, TRUE));
    EXPECT_EQ(0u, mask);

    mask = 0xFF;
    StartPendingWait(port, mask, overlapped);
    ASSERT_TRUE(PurgeComm(port, PURGE_RXABORT | PURGE_RXCLEAR));
    EXPECT_TRUE(GetOverlappedResult(port, overlapped.Get(), &done, TRUE));
    EXPECT_EQ(0u, mask);

    mask = 0xFF;
    StartPendingWait(port, mask, overlapped);
    ASSERT_TRUE(CloseHandle(port));
    port = INVALID_HANDLE_VALUE;
    ASSERT_TRUE(overlapped.Signalled());
    EXPECT_EQ(0u, mask);
    EXPECT_EQ(COMM_STATUS_CANCELLED, overlapped.record.Internal);
}

TEST_F(VirtualPortTest, ReadIsPendingUntilTheRequestedCountArrives) {
    char buffer[5] = {};
    Overlapped overlapped;
    DWORD done = 0;
    ASSERT_FALSE(ReadFile(port, buffer, 5, &done, overlapped.Get()));
    ASSERT_EQ(ERROR_IO_PENDING, GetLastError());
    remote->Inject("he");
    EXPECT_FALSE(GetOverlappedResult(port, overlapped.Get(), &done, FALSE));
    remote->Inject("llo!");
    ASSERT_TRUE(GetOverlappedResult(port, overlapped.Get(), &done, TRUE));
    EXPECT_EQ(5u, done);
    EXPECT_EQ("hello", std::string(buffer, 5));
    EXPECT_EQ(1u, QueueStatus(port).cbInQue); // the rest stays queued
}

TEST_F(VirtualPortTest, ReadOfQueuedBytesCompletesAtOnce) {
    remote->Inject("12345");
    while (QueueStatus(port).cbInQue < 5)
        std::this_thread::yield();
    char buffer[3];
    DWORD done = 0;
    Overlapped overlapped;
    EXPECT_TRUE(ReadFile(port, buffer, 3, &done, overlapped.Get()));
    EXPECT_EQ(3u, done);
    EXPECT_EQ("123", std::string(buffer, 3));
    EXPECT_EQ(2u, QueueStatus(port).cbInQue);
}

TEST_F(VirtualPortTest, ReadTimeoutsEndReadsShort) {
    COMMTIMEOUTS timeouts{0xFFFFFFFF, 0, 0, 0, 0}; // return at once with what is there
    ASSERT_TRUE(SetCommTimeouts(port, &timeouts));
    char buffer[8];
    DWORD done = 99;
    Overlapped overlapped;
    EXPECT_TRUE(ReadFile(port, buffer, 8, &done, overlapped.Get()));
    EXPECT_EQ(0u, done);

    timeouts = {0, 10, 0, 0, 0}; // 10 ms per byte requested
    ASSERT_TRUE(SetCommTimeouts(port, &timeouts));
    remote->Inject("ab");
    bool completed = ReadFile(port, buffer, 8, &done, overlapped.Get()) ||
                     GetOverlappedResult(port, overlapped.Get(), &done, TRUE);
    EXPECT_TRUE(completed);
    EXPECT_EQ(2u, done);
    EXPECT_EQ("ab", std::string(buffer, 2));
}

TEST_F(VirtualPortTest, QueueCountsAndPurges) {
    ApplySettings(300);
    remote->SetPacing(true);
    remote->Inject("incoming");
    DWORD done = 0;
    Overlapped write;
    const std::string text(40, 'w');
    WriteFile(port, text.data(), 40, &done, write.Get());
    while (QueueStatus(port).cbInQue < 8)
        std::this_thread::yield();
    COMSTAT stat = QueueStatus(port);
    EXPECT_EQ(8u, stat.cbInQue);
    EXPECT_GT(stat.cbOutQue, 0u);
    EXPECT_LE(stat.cbOutQue, 40u);

    ASSERT_TRUE(PurgeComm(port, PURGE_TXABORT | PURGE_TXCLEAR));
    EXPECT_FALSE(GetOverlappedResult(port, write.Get(), &done, TRUE));
    EXPECT_EQ(ERROR_OPERATION_ABORTED, GetLastError());
    stat = QueueStatus(port);
    EXPECT_EQ(0u, stat.cbOutQue);
    EXPECT_EQ(8u, stat.cbInQue);

    ASSERT_TRUE(PurgeComm(port, PURGE_RXCLEAR));
    EXPECT_EQ(0u, QueueStatus(port).cbInQue);
}

TEST_F(VirtualPortTest, PurgeAbortsAPendingRead) {
    char buffer[4];
    DWORD done = 0;
    Overlapped overlapped;
    ASSERT_FALSE(ReadFile(port, buffer, 4, &done, overlapped.Get()));
    ASSERT_TRUE(PurgeComm(port, PURGE_RXABORT));
    EXPECT_FALSE(GetOverlappedResult(port, overlapped.Get(), &done, TRUE));
    EXPECT_EQ(ERROR_OPERATION_ABORTED, GetLastError());
}

TEST_F(VirtualPortTest, CancelIoCancelsOnlyTheCallingThreadsOperations) {
    char mine[4], theirs[4];
    DWORD done = 0;
    Overlapped myRead, theirRead;
    std::thread other([&] { ReadFile(port, theirs, 4, &done, theirRead.Get()); });
    other.join();
    ASSERT_FALSE(ReadFile(port, mine, 4, &done, myRead.Get()));
    ASSERT_TRUE(CancelIo(port));
    EXPECT_FALSE(GetOverlappedResult(port, myRead.Get(), &done, TRUE));
    EXPECT_EQ(ERROR_OPERATION_ABORTED, GetLastError());
    EXPECT_EQ(STATUS_PENDING, theirRead.record.Internal);
    remote->Inject("data");
    EXPECT_TRUE(GetOverlappedResult(port, theirRead.Get(), &done, TRUE));
    EXPECT_EQ("data", std::string(theirs, 4));
}

TEST_F(VirtualPortTest, LineErrorLatchesReadsAndWritesUntilCleared) {
    ApplySettings(19200, true);
    ASSERT_TRUE(SetCommMask(port, EV_ERR | EV_BREAK));
    char buffer[4];
    DWORD done = 0, mask = 0;
    Overlapped read, wait;
    ASSERT_FALSE(ReadFile(port, buffer, 4, &done, read.Get()));
    StartPendingWait(port, mask, wait);
    remote->InjectLineError(CE_FRAME);
    ASSERT_TRUE(GetOverlappedResult(port, wait.Get(), &done, TRUE));
    EXPECT_EQ(EV_ERR, mask);
    EXPECT_FALSE(GetOverlappedResult(port, read.Get(), &done, TRUE));
    EXPECT_EQ(ERROR_OPERATION_ABORTED, GetLastError());
    EXPECT_FALSE(WriteFile(port, "x", 1, &done, read.Get()));
    EXPECT_EQ(ERROR_OPERATION_ABORTED, GetLastError());

    DWORD errors = 0;
    QueueStatus(port, &errors);
    EXPECT_EQ(CE_FRAME, errors);
    QueueStatus(port, &errors);
    EXPECT_EQ(0u, errors);
    EXPECT_TRUE(WriteFile(port, "x", 1, &done, read.Get()));
    EXPECT_EQ("x", remote->WaitForOutput(1, std::chrono::milliseconds(HANG_GUARD_MS)));
}

TEST_F(VirtualPortTest, LineErrorsWithoutAbortOnErrorOnlyReport) {
    ApplySettings(19200, false);
    remote->InjectBreak();
    remote->Inject("ok");
    DWORD seen = 0;
    for (COMSTAT stat{}; stat.cbInQue < 2;) {
        DWORD errors = 0;
        stat = QueueStatus(port, &errors);
        seen |= errors;
    }
    EXPECT_EQ(CE_BREAK, seen);
    char buffer[2];
    DWORD done = 0;
    Overlapped read;
    EXPECT_TRUE(ReadFile(port, buffer, 2, &done, read.Get()));
    EXPECT_EQ("ok", std::string(buffer, 2));
}

TEST_F(VirtualPortTest, ModemStatusFollowsTheFarEnd) {
    DWORD status = 0xFF;
    ASSERT_TRUE(GetCommModemStatus(port, &status));
    EXPECT_EQ(0u, status);
    remote->SetCts(true);
    remote->SetRing(true);
    remote->SetRlsd(true);
    ASSERT_TRUE(GetCommModemStatus(port, &status));
    EXPECT_EQ(MS_CTS_ON | MS_RING_ON | MS_RLSD_ON, status);
    remote->SetCts(false);
    remote->SetDsr(true);
    ASSERT_TRUE(GetCommModemStatus(port, &status));
    EXPECT_EQ(MS_DSR_ON | MS_RING_ON | MS_RLSD_ON, status);
}

TEST_F(VirtualPortTest, EscapeFunctionsDriveTheFarEndsInputs) {
    ASSERT_TRUE(EscapeCommFunction(port, SETRTS));
    ASSERT_TRUE(EscapeCommFunction(port, CLRDTR));
    EXPECT_TRUE(remote->Rts());
    EXPECT_FALSE(remote->Dtr());
    ASSERT_TRUE(EscapeCommFunction(port, SETBREAK));
    EXPECT_TRUE(remote->BreakOn());
    ASSERT_TRUE(EscapeCommFunction(port, CLRBREAK));
    EXPECT_FALSE(remote->BreakOn());
    EXPECT_FALSE(EscapeCommFunction(port, 77));
    EXPECT_EQ(ERROR_INVALID_PARAMETER, GetLastError());
}

TEST_F(VirtualPortTest, TxEmptyComesOnlyAfterPacedOutputLeft) {
    ApplySettings(2400);
    remote->SetPacing(true);
    ASSERT_TRUE(SetCommMask(port, EV_TXEMPTY));
    DWORD mask = 0, done = 0;
    Overlapped wait, write;
    StartPendingWait(port, mask, wait);
    const std::string text = "a block longer than the transmitter holds";
    bool written =
        WriteFile(port, text.data(), static_cast<DWORD>(text.size()), &done, write.Get()) ||
        GetOverlappedResult(port, write.Get(), &done, TRUE);
    ASSERT_TRUE(written);
    ASSERT_TRUE(GetOverlappedResult(port, wait.Get(), &done, TRUE));
    EXPECT_EQ(EV_TXEMPTY, mask);
    EXPECT_EQ(0u, QueueStatus(port).cbOutQue);
    EXPECT_EQ(text, remote->TakeOutput());
}

TEST_F(VirtualPortTest, TxEmptyFollowsASynchronousWriteWhileTheEngineSleeps) {
    ApplySettings(2400);
    remote->SetPacing(true);
    ASSERT_TRUE(SetCommMask(port, EV_TXEMPTY));
    DWORD mask = 0, done = 0;
    Overlapped wait;
    StartPendingWait(port, mask, wait);
    std::this_thread::sleep_for(std::chrono::milliseconds(20)); // the engine goes idle
    ASSERT_TRUE(WriteFile(port, "tx", 2, &done, nullptr));
    ASSERT_TRUE(wait.Signalled()) << "no EV_TXEMPTY";
    EXPECT_EQ(EV_TXEMPTY, mask);
    EXPECT_EQ("tx", remote->TakeOutput());
}

TEST_F(VirtualPortTest, ModemChangeNotYetServicedSurvivesANewMask) {
    ASSERT_TRUE(SetCommMask(port, EV_CTS));
    remote->SetCts(true);
    ASSERT_TRUE(SetCommMask(port, EV_CTS | EV_DSR));
    DWORD mask = 0;
    Overlapped wait;
    if (!WaitCommEvent(port, &mask, wait.Get())) {
        ASSERT_EQ(ERROR_IO_PENDING, GetLastError());
        ASSERT_TRUE(wait.Signalled()) << "the change of CTS was lost";
    }
    EXPECT_EQ(EV_CTS, mask);
}

TEST_F(VirtualPortTest, WriteTimeoutEndsAWriteHeldByFlowControl) {
    DCB dcb{};
    ASSERT_TRUE(GetCommState(port, &dcb));
    dcb.fOutxCtsFlow = 1;
    ASSERT_TRUE(SetCommState(port, &dcb));
    remote->SetPacing(true);
    COMMTIMEOUTS timeouts{0, 0, 0, 1, 20};
    ASSERT_TRUE(SetCommTimeouts(port, &timeouts));
    const std::string text(64, 'z');
    DWORD done = 0;
    Overlapped write;
    ASSERT_FALSE(WriteFile(port, text.data(), 64, &done, write.Get()));
    ASSERT_EQ(ERROR_IO_PENDING, GetLastError());
    EXPECT_TRUE(GetOverlappedResult(port, write.Get(), &done, TRUE));
    EXPECT_LT(done, 64u);
    EXPECT_EQ("", remote->TakeOutput());
    remote->SetCts(true);
    EXPECT_EQ(done, remote->WaitForOutput(done, std::chrono::milliseconds(HANG_GUARD_MS)).size());
}

TEST_F(VirtualPortTest, ForcedWriteFailureReachesTheCaller) {
    remote->FailWrites(ERROR_GEN_FAILURE);
    DWORD done = 0;
    Overlapped write;
    bool ok = WriteFile(port, "abc", 3, &done, write.Get()) ||
              GetOverlappedResult(port, write.Get(), &done, TRUE);
    EXPECT_FALSE(ok);
    EXPECT_EQ(ERROR_GEN_FAILURE, GetLastError());
    remote->FailWrites(0);
    EXPECT_TRUE(WriteFile(port, "abc", 3, &done, write.Get()));
}

TEST_F(VirtualPortTest, VanishedDeviceFailsThePendingWaitAndLaterCalls) {
    ASSERT_TRUE(SetCommMask(port, EV_RXCHAR));
    DWORD mask = 0, done = 0;
    Overlapped wait;
    StartPendingWait(port, mask, wait);
    remote->Vanish();
    EXPECT_FALSE(GetOverlappedResult(port, wait.Get(), &done, TRUE));
    EXPECT_EQ(ERROR_BAD_COMMAND, GetLastError());
    DWORD errors = 0;
    COMSTAT stat{};
    EXPECT_FALSE(ClearCommError(port, &errors, &stat));
    EXPECT_EQ(ERROR_BAD_COMMAND, GetLastError());
}

TEST_F(VirtualPortTest, OpenIsExclusiveUntilClosed) {
    EXPECT_EQ(INVALID_HANDLE_VALUE, OpenPort("COM21"));
    EXPECT_EQ(ERROR_ACCESS_DENIED, GetLastError());
    ASSERT_TRUE(CloseHandle(port));
    port = CreateFileA("\\\\?\\com21", GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING,
                       FILE_FLAG_OVERLAPPED, nullptr);
    EXPECT_NE(INVALID_HANDLE_VALUE, port);
    EXPECT_EQ(INVALID_HANDLE_VALUE, OpenPort("COM22"));
    EXPECT_EQ(ERROR_FILE_NOT_FOUND, GetLastError());
}

TEST_F(VirtualPortTest, LineSettingsReachTheFarEnd) {
    DCB dcb{};
    ASSERT_TRUE(GetCommState(port, &dcb));
    dcb.BaudRate = 31250;
    dcb.ByteSize = 7;
    dcb.Parity = MARKPARITY;
    dcb.StopBits = TWOSTOPBITS;
    ASSERT_TRUE(SetCommState(port, &dcb));
    DCB far = remote->LineSettings();
    EXPECT_EQ(31250u, far.BaudRate);
    EXPECT_EQ(7, far.ByteSize);
    EXPECT_EQ(MARKPARITY, far.Parity);
    dcb.ByteSize = 9;
    EXPECT_FALSE(SetCommState(port, &dcb));
    EXPECT_EQ(ERROR_INVALID_PARAMETER, GetLastError());
    DCB after{};
    ASSERT_TRUE(GetCommState(port, &after));
    EXPECT_EQ(7, after.ByteSize);
}

TEST_F(VirtualPortTest, SynchronousCallsBlockUntilDone) {
    std::thread feeder([&] { remote->Inject("sync"); });
    char buffer[4];
    DWORD done = 0;
    EXPECT_TRUE(ReadFile(port, buffer, 4, &done, nullptr));
    feeder.join();
    EXPECT_EQ("sync", std::string(buffer, 4));
    EXPECT_TRUE(WriteFile(port, "out", 3, &done, nullptr));
    EXPECT_TRUE(FlushFileBuffers(port));
    EXPECT_EQ("out", remote->TakeOutput());
}
} // namespace
