// Bounded waits, reads and writes on the virtual port, with the test tick clock.
#include "platform/classes/Application.h"
#include "platform/classes/MessageLoop.h"
#include "tests/comm/CommTestSupport.h"
#include <thread>

TEST_F(CommTest, ClosedPortAnswersNothingAndWritesNothing) {
    char buffer[4];
    EXPECT_FALSE(comm->WaitForBytes(0, 100));
    EXPECT_FALSE(comm->WaitForSignal(msCTS, 100));
    EXPECT_FALSE(comm->Read(buffer, 1));
    EXPECT_EQ(comm->GetReadyForRead(), 0u);
    EXPECT_EQ(comm->GetNotYetSend(), 0u);
    EXPECT_TRUE(comm->GetStateModemSignals().Empty());
    comm->SendString("VV");
    EXPECT_EQ(comm->GetTotalSent(), 0u);
    EXPECT_TRUE(log.lines.empty());
}

TEST_F(CommTest, WaitForBytesCountsQueuedBytesAndLeavesThemQueued) {
    comm->SetActive(true);
    EXPECT_TRUE(comm->WaitForBytes(0, 0));
    remote->Inject("LV3");
    SetTestTickCount(1000);
    EXPECT_TRUE(comm->WaitForBytes(3, 1000));
    EXPECT_EQ(comm->GetReadyForRead(), 3u);
    EXPECT_EQ(comm->ReadString(), "LV3");
}

TEST_F(CommTest, WaitForBytesTimesOutOnTheTickCount) {
    comm->SetActive(true);
    remote->Inject("12");
    SetTestTickCount(5000);
    EXPECT_FALSE(comm->WaitForBytes(3, 20));
    EXPECT_EQ(GetTickCount() - 5000, 21u) << "polls until the time-out has passed";
    EXPECT_EQ(comm->GetReadyForRead(), 2u);
}

TEST_F(CommTest, WaitForBytesWithTimeoutZeroTestsOnce) {
    comm->SetActive(true);
    remote->Inject("x");
    SetTestTickCount(10);
    EXPECT_TRUE(comm->WaitForBytes(1, 0));
    EXPECT_FALSE(comm->WaitForBytes(2, 0));
}

TEST_F(CommTest, WaitSpanningTheTickWrapLastsItsFullTime) {
    comm->SetActive(true);
    const DWORD start = 0xFFFFFFF0u;
    SetTestTickCount(start);
    EXPECT_FALSE(comm->WaitForBytes(1, 50));
    EXPECT_EQ(GetTickCount() - start, 51u);
    SetTestTickCount(start);
    EXPECT_FALSE(comm->WaitForSignal(msDSR, 50));
    EXPECT_EQ(GetTickCount() - start, 51u);
}

TEST_F(CommTest, WaitProcessesMessagesSuspendsRxTracingAndRestoresIt) {
    comm->SetTraceState(TTraceStates{tsRxChar, tsRing});
    comm->SetActive(true);
    TTraceStates during;
    TMessageLoop::Main().Post([&] {
        during = comm->GetTraceStates();
        remote->Inject("ABCD");
    });
    EXPECT_TRUE(comm->WaitForBytes(4, 5000));
    EXPECT_EQ(during, TTraceStates{tsRing});
    EXPECT_EQ(comm->GetTraceStates(), (TTraceStates{tsRxChar, tsRing}));
}

TEST_F(CommTest, PortClosingDuringAWaitEndsItAndRestoresTracing) {
    events.Attach(*comm);
    comm->SetTraceState(TTraceStates{tsRxChar});
    comm->SetActive(true);
    TMessageLoop::Main().Post([&] { comm->ForceHalt(false); });
    EXPECT_FALSE(comm->WaitForBytes(1, 5000));
    EXPECT_FALSE(comm->GetActive());
    EXPECT_EQ(comm->GetTraceStates(), TTraceStates{tsRxChar});
    EXPECT_EQ(events.notifications, std::vector<int32_t>({2, 1}));
}

TEST_F(CommTest, WaitForSignalSeesTheModemInput) {
    comm->SetActive(true);
    remote->SetCts(true);
    remote->SetRlsd(true);
    EXPECT_TRUE(comm->WaitForSignal(msCTS, 0));
    EXPECT_EQ(comm->GetStateModemSignals(), (TModemSignals{msCTS, msRLSD}));
}

TEST_F(CommTest, ReadWithoutTimeoutWaitsForTheWholeCount) {
    comm->SetActive(true);
    remote->Inject("ab");
    char buffer[4] = {};
    std::thread late([&] {
        Sleep(20);
        remote->Inject("cd");
    });
    EXPECT_TRUE(comm->Read(buffer, 4));
    late.join();
    EXPECT_EQ(std::string(buffer, 4), "abcd");
}

TEST_F(CommTest, ReadWithTimeoutEndsShortAndStillSucceeds) {
    comm->SetTimeoutRead(2);
    comm->SetActive(true);
    remote->Inject("ab");
    char buffer[8] = {};
    EXPECT_TRUE(comm->Read(buffer, 8));
    EXPECT_EQ(std::string(buffer, 2), "ab");
    EXPECT_EQ(comm->GetReadyForRead(), 0u);
}

TEST_F(CommTest, WritesCountAndLogAndEmptyStringDoesNothing) {
    comm->SetActive(true);
    log.lines.clear();
    comm->SendString("");
    EXPECT_TRUE(log.lines.empty());
    comm->SendChar('\x0A');
    comm->SendString("VV");
    const char block[3] = {'R', 0, 1};
    comm->SendData(block, 3);
    comm->SendData(block, 0);
    EXPECT_EQ(remote->WaitForOutput(6, std::chrono::milliseconds(5000)),
              std::string("\x0AVVR\x00\x01", 6));
    EXPECT_EQ(comm->GetTotalSent(), 6u);
    EXPECT_TRUE(log.Has("reRore: Try to send char  Ah ..."));
    EXPECT_TRUE(log.Has("reRore: Try to send string VV ..."));
    EXPECT_TRUE(log.Has("reRore: Try to send the data with 3 length ..."));
    EXPECT_TRUE(log.Has("reRore: Try to send the data with 0 length ..."));
    EXPECT_TRUE(log.Has("reRore: ... the data transmittion is OK!"));
}

TEST_F(CommTest, FailedWriteGoesToOnCommErrorAndMayPurge) {
    events.Attach(*comm);
    comm->SetActive(true);
    remote->Inject("stale");
    remote->FailWrites(ERROR_GEN_FAILURE);
    events.flashBuffers = true;
    comm->SendString("VV");
    EXPECT_EQ(comm->GetTotalSent(), 0u);
    ASSERT_EQ(events.commErrors.size(), 1u);
    EXPECT_EQ(events.commErrors[0], std::make_pair(0u, ERROR_GEN_FAILURE));
    EXPECT_TRUE(log.Has(Format("reRore: Communication Error 0:%d", ERROR_GEN_FAILURE)));
    EXPECT_EQ(comm->GetReadyForRead(), 0u) << "the handler asked for a purge";
}

TEST_F(CommTest, AsyncSendKeepsItsOwnCopyAndWaitsForTheSendInFlight) {
    remote->SetPacing(true);
    comm->SetActive(true);
    std::string first(64, 'a');
    comm->SendData(first.data(), static_cast<uint32_t>(first.size()));
    ASSERT_GT(comm->GetNotYetSend(), 0u) << "the send must still be in flight";
    first.assign(64, '#'); // the caller reuses its buffer at once
    {
        std::string second(32, 'b');
        comm->SendData(second.data(), static_cast<uint32_t>(second.size()));
    }
    EXPECT_EQ(remote->WaitForOutput(96, std::chrono::milliseconds(5000)),
              std::string(64, 'a') + std::string(32, 'b'));
    EXPECT_EQ(comm->GetTotalSent(), 96u);
}

TEST_F(CommTest, ClosingWithASendInFlightLeavesTheNextPortUsable) {
    remote->SetPacing(true);
    comm->SetActive(true);
    const std::string block(200, 'z');
    comm->SendData(block.data(), static_cast<uint32_t>(block.size()));
    comm->SetActive(false);
    remote->SetPacing(false);
    remote->TakeOutput();
    comm->SetActive(true);
    comm->SendData("ok", 2);
    EXPECT_EQ(remote->WaitForOutput(2, std::chrono::milliseconds(5000)), "ok");
}
