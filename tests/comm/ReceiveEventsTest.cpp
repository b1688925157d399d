// What one port event does on the user-interface thread: the receive consumption rule, line
// errors, the transmitter-empty handling, trace states and the modem monitors. An
// application object exists, so every handler runs on this thread.
#include <algorithm>

#include "EventsTestSupport.h"
#include "comm/CommThreads.h"
#include "support/DataProcessor.h"

namespace {

class ReceiveEventsTest : public EventsTest {};

// Round trip through the event path: once "!" has been handled, every earlier event has.
void Drain(VirtualPortRemote& Remote, ThreadSafeRecorder& Recorder) {
    const size_t before = Recorder.ReceivedText().size();
    Remote.Inject("!");
    ASSERT_TRUE(WaitUntil([&] { return Recorder.ReceivedText().size() > before; }));
}

TEST_P(ReceiveEventsTest, BytesOutsideWaitForBytesAreTakenAndDroppedWhenRxCharIsTraced) {
    comm->SetTraceState(TTraceStates{tsRxChar});
    comm->SetActive(true);
    remote->Inject("abc");
    ASSERT_TRUE(WaitUntil([&] { return comm->GetTotalReceived() >= 3; }));
    EXPECT_EQ(comm->GetReadyForRead(), 0u);
}

TEST_P(ReceiveEventsTest, BytesStayQueuedWithoutRxCharAndAreCountedAtEachEvent) {
    comm->SetActive(true);
    remote->Inject("abc");
    ASSERT_TRUE(WaitUntil([&] { return comm->GetTotalReceived() >= 3; }));
    EXPECT_EQ(comm->GetReadyForRead(), 3u);
    remote->Inject("d");
    ASSERT_TRUE(WaitUntil([&] { return comm->GetTotalReceived() >= 7; }));
    EXPECT_EQ(comm->GetTotalReceived(), 7u); // the queue is counted again, whole
    EXPECT_EQ(comm->ReadString(), "abcd");
}

TEST_P(ReceiveEventsTest, InsideWaitForBytesTheBytesStayForTheCaller) {
    comm->SetTraceState(TTraceStates{tsRxChar});
    comm->SetActive(true);
    remote->Inject("xyz");
    ASSERT_TRUE(comm->WaitForBytes(3, 5000));
    EXPECT_EQ(comm->ReadString(), "xyz");
    EXPECT_EQ(comm->GetTraceStates(), TTraceStates{tsRxChar});
}

TEST_P(ReceiveEventsTest, ALineErrorOnTheSameEventLeavesTheBytesForTheNextOne) {
    recorder.Attach(*comm);
    comm->SetActive(true);
    remote->InjectLineError(CE_FRAME);
    remote->Inject("xy");
    ASSERT_TRUE(WaitUntil([&] { return !recorder.CommErrors().empty(); }));
    EXPECT_EQ(recorder.CommErrors(), std::vector<uint32_t>{CE_FRAME});
    EXPECT_EQ(recorder.ReceivedText(), "");
    remote->Inject("z");
    ASSERT_TRUE(WaitUntil([&] { return recorder.ReceivedText() == "xyz"; }));
}

TEST_P(ReceiveEventsTest, AQueueLargerThanTheInputBufferIsReadInPiecesThatFit) {
    comm->SetActive(true);
    comm->SetBufferInSize(8192); // the driver queue grows; the input buffer keeps 4096
    std::string sent;
    for (int i = 0; sent.size() < 6000; ++i)
        sent += static_cast<char>('a' + i % 26);
    remote->Inject(sent);
    ASSERT_TRUE(WaitUntil([&] { return comm->GetReadyForRead() == sent.size(); }));
    recorder.Attach(*comm); // a consumer: the next event takes the whole queue
    remote->Inject("!");
    ASSERT_TRUE(WaitUntil([&] { return recorder.ReceivedText().size() == sent.size() + 1; }));
    EXPECT_EQ(recorder.ReceivedText(), sent + "!");
    for (uint32_t piece : recorder.Pieces())
        EXPECT_LE(piece, 4096u);
}

TEST_P(ReceiveEventsTest, AnErrorRaisedInAHandlerBecomesAShownFatalReport) {
    struct Thrower : TObject {
        void Received(TObject*, const void*, uint32_t) { throw Exception("handler failed"); }
        void Fatal(TObject*, uint32_t code, uint32_t, const AnsiString& text, bool& raise) {
            reports.push_back(Format("%u:%s", code, text));
            raise = false;
        }
        std::vector<AnsiString> reports;
    } thrower;
    comm->SetOnAfterReceive(TOnReceived::Bind<&Thrower::Received>(&thrower));
    comm->SetOnFatalError(TOnFatalErrorEvent::Bind<&Thrower::Fatal>(&thrower));
    comm->SetActive(true);
    remote->Inject("a");
    ASSERT_TRUE(WaitUntil([&] { return !thrower.reports.empty(); }));
    EXPECT_EQ(thrower.reports.front(), "1:handler failed");
    EXPECT_TRUE(comm->GetActive());
}

TEST_P(ReceiveEventsTest, OnAfterSendOnlyWhenTracedAndUnclaimed) {
    recorder.Attach(*comm);
    comm->SetActive(true);
    comm->SendString("untraced");
    remote->WaitForOutput(8, std::chrono::seconds(5));
    Drain(*remote, recorder);
    EXPECT_EQ(recorder.SentCount(), 0);

    comm->SetTraceState(TTraceStates{tsTxEmpty});
    comm->SendString("traced");
    ASSERT_TRUE(WaitUntil([&] { return recorder.SentCount() == 1; }));

    struct Claiming : TnrCustomDataProcessor {
        using TnrCustomDataProcessor::TnrCustomDataProcessor;
        void DoAfterSendComplete(bool& Handled) override {
            ++completions;
            Handled = true;
        }
        int completions = 0;
    } processor(nullptr);
    comm->SetDataProcessor(&processor);
    comm->SendString("claimed");
    ASSERT_TRUE(WaitUntil([&] { return processor.completions >= 1; }));
    Drain(*remote, recorder);
    EXPECT_EQ(recorder.SentCount(), 1);
    comm->SetDataProcessor(nullptr);
}

TEST_P(ReceiveEventsTest, RtsIsLoweredWhenTheTransmitterRunsEmptyInSoftwareRs485Mode) {
    struct SoftwareRs485 : TreRore {
        using TreRore::TreRore;
        void UseSoftwareDirection() { SetSoftwareDirection(true); }
    };
    auto rs485 = std::make_unique<SoftwareRs485>(nullptr);
    rs485->UseSoftwareDirection();
    rs485->SetComPortNo(kPort);
    rs485->SetStreamProtocol(spNone);
    rs485->SetRS485(true);
    rs485->SetActive(true);
    recorder.Attach(*rs485);
    rs485->SendString("x"); // raises RTS for the send, which reports the CTS state once
    // The transmitter-empty event lowers it again and reports once more; tsTxEmpty is not
    // traced.
    auto lineReports = [&] {
        const auto traces = recorder.Traces();
        return std::count(traces.begin(), traces.end(), TTraceStates{tsCTS});
    };
    ASSERT_TRUE(WaitUntil([&] { return lineReports() >= 2; }));
    EXPECT_FALSE(remote->Rts());
    EXPECT_EQ("x", remote->TakeOutput());
    rs485.reset();
}

class CheckBox : public TComponent {
    VOKA_CLASS(CheckBox, TComponent)
public:
    using TComponent::TComponent;
    bool Checked = false;
};
VOKA_PUBLISH(CheckBox, p) {
    p.Bool("Checked", &CheckBox::Checked);
}

TEST_P(ReceiveEventsTest, ModemMonitorsFollowTheLinesAndRingStaysChecked) {
    CheckBox cts(nullptr), ring(nullptr);
    TComponent plain(nullptr); // no "Checked": left alone
    recorder.Attach(*comm);
    comm->SetMonitorCTS(&cts);
    comm->SetMonitorRing(&ring);
    comm->SetMonitorDSR(&plain);
    comm->SetTraceState(TTraceStates{tsCTS, tsRing, tsDSR});
    comm->SetActive(true);
    remote->SetCts(true);
    ASSERT_TRUE(WaitUntil([&] { return cts.Checked; }));
    remote->SetRing(true);
    ASSERT_TRUE(WaitUntil([&] { return ring.Checked; }));
    remote->SetRing(false);
    remote->SetCts(false);
    remote->SetDsr(true);
    ASSERT_TRUE(WaitUntil([&] { return !cts.Checked; }));
    EXPECT_TRUE(ring.Checked);
    bool sawRing = false;
    for (TTraceStates states : recorder.Traces())
        sawRing = sawRing || states.Contains(tsRing);
    EXPECT_TRUE(sawRing);
    comm->SetActive(false);
}

INSTANTIATE_TEST_SUITE_P(Events, ReceiveEventsTest, ::testing::Values(true), ApplicationName);

} // namespace
