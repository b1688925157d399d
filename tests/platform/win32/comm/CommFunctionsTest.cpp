// The comm functions as Windows defines them, on a virtual port whose far end the tests drive.
#include "platform/serial/virtual/VirtualPort.h"
#include "platform/win32/CommObject.h"
#include "tests/platform/serial/SerialTestSupport.h"

namespace {
class CommFunctionsTest : public ::testing::Test {
protected:
    void SetUp() override {
        remote = VirtualPortRemote::Create("COM23");
        port = OpenPort("COM23");
        ASSERT_NE(INVALID_HANDLE_VALUE, port) << GetLastError();
    }
    void TearDown() override {
        if (port != INVALID_HANDLE_VALUE)
            CloseHandle(port);
    }

    std::shared_ptr<VirtualPortRemote> remote;
    HANDLE port = INVALID_HANDLE_VALUE;
};

// Windows: a finished WaitCommEvent transfers the DWORD of the event mask, 4 bytes.
TEST_F(CommFunctionsTest, FinishedWaitCommEventReportsTheFourBytesOfTheMask) {
    ASSERT_TRUE(SetCommMask(port, EV_CTS));
    DWORD mask = 0, done = 0;
    Overlapped wait;
    StartPendingWait(port, mask, wait);
    remote->SetCts(true);
    ASSERT_TRUE(GetOverlappedResult(port, wait.Get(), &done, TRUE));
    EXPECT_EQ(EV_CTS, mask);
    EXPECT_EQ(sizeof(DWORD), done);
}

// Windows: closing the handle cancels what is pending on it, a WaitCommEvent included; its
// record ends with STATUS_CANCELLED (ERROR_OPERATION_ABORTED), not with success.
TEST_F(CommFunctionsTest, ClosingThePortCancelsAPendingWaitCommEvent) {
    ASSERT_TRUE(SetCommMask(port, EV_RXCHAR));
    DWORD mask = 0xFF;
    Overlapped wait;
    StartPendingWait(port, mask, wait);
    ASSERT_TRUE(CloseHandle(port));
    port = INVALID_HANDLE_VALUE;
    ASSERT_TRUE(wait.Signalled());
    EXPECT_EQ(0u, mask);
    EXPECT_EQ(COMM_STATUS_CANCELLED, wait.record.Internal);
    DWORD done = 1;
    EXPECT_FALSE(FinishedOperationResult(wait.record, &done));
    EXPECT_EQ(ERROR_OPERATION_ABORTED, GetLastError());
    EXPECT_EQ(0u, done);
}

// Windows: SetCommState fails with ERROR_INVALID_PARAMETER when XonChar equals XoffChar,
// whether or not XON/XOFF flow control is on, and the port keeps its settings.
TEST_F(CommFunctionsTest, SetCommStateRefusesEqualXonAndXoffCharacters) {
    DCB dcb{};
    ASSERT_TRUE(GetCommState(port, &dcb));
    for (const bool flowControl : {false, true}) {
        DCB same = dcb;
        same.BaudRate = 4800;
        same.fOutX = same.fInX = flowControl;
        same.XoffChar = same.XonChar;
        EXPECT_FALSE(SetCommState(port, &same)) << "flow control " << flowControl;
        EXPECT_EQ(ERROR_INVALID_PARAMETER, GetLastError());
    }
    DCB kept{};
    ASSERT_TRUE(GetCommState(port, &kept));
    EXPECT_EQ(dcb.BaudRate, kept.BaudRate);
}

// Windows: TransmitCommChar sends its byte ahead of the data queued by pending writes, and
// refuses a second one while the first has not gone.
TEST_F(CommFunctionsTest, TransmitCommCharGoesAheadOfQueuedOutput) {
    DCB dcb{};
    ASSERT_TRUE(GetCommState(port, &dcb));
    dcb.BaudRate = 2400;
    dcb.fOutxCtsFlow = 1; // held until the far end raises CTS
    ASSERT_TRUE(SetCommState(port, &dcb));
    remote->SetPacing(true);
    const std::string text(64, 'q');
    DWORD done = 0;
    Overlapped write;
    ASSERT_FALSE(WriteFile(port, text.data(), 64, &done, write.Get()));
    ASSERT_EQ(ERROR_IO_PENDING, GetLastError());

    ASSERT_TRUE(TransmitCommChar(port, '!')) << GetLastError();
    EXPECT_FALSE(TransmitCommChar(port, '?'));
    EXPECT_EQ(ERROR_INVALID_PARAMETER, GetLastError());
    remote->SetCts(true);
    ASSERT_TRUE(GetOverlappedResult(port, write.Get(), &done, TRUE));
    const std::string wire =
        remote->WaitForOutput(text.size() + 1, std::chrono::milliseconds(HANG_GUARD_MS));
    ASSERT_EQ(text.size() + 1, wire.size());
    const size_t ahead = wire.find('!');
    EXPECT_LT(ahead, text.size()) << "behind all queued output";
    EXPECT_EQ(text, std::string(wire).erase(ahead, 1));
    EXPECT_TRUE(TransmitCommChar(port, '?')) << "the first one has gone";
}
} // namespace
