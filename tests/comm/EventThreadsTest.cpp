// The event and dispatch threads, with and without an application object: ordering, the
// thread handlers run on, closing by a vanished device, reopening, and closing while
// events keep coming.
#include <atomic>

#include "EventsTestSupport.h"
#include "comm/CommThreads.h"

namespace {

TEST_P(EventsTest, ReceivedBlocksArriveInOrderOnTheExpectedThread) {
    recorder.Attach(*comm);
    comm->SetActive(true);
    std::string expected;
    for (int block = 0; block < 50; ++block) {
        const std::string bytes = "<" + std::to_string(block) + ">";
        remote->Inject(bytes);
        expected += bytes;
    }
    ASSERT_TRUE(WaitUntil([&] { return recorder.ReceivedText().size() >= expected.size(); }));
    EXPECT_EQ(recorder.ReceivedText(), expected);
    // The handlers run where the application's work runs: the UI thread when it exists.
    EXPECT_EQ(recorder.RanOnMainThread(), WithApplication());
    EXPECT_EQ(recorder.RanElsewhere(), !WithApplication());
    comm->SetActive(false);
    EXPECT_EQ(recorder.Notifications(), (std::vector<int32_t>{2, 1}));
}

TEST_P(EventsTest, VanishedDeviceClosesThePortFromTheEventThread) {
    recorder.Attach(*comm);
    comm->SetActive(true);
    remote->Vanish();
    // Notification 1 is the last step of the close.
    ASSERT_TRUE(WaitUntil([&] { return recorder.Notifications().size() == 2; }));
    EXPECT_EQ(recorder.Notifications(), (std::vector<int32_t>{2, 1}));
    EXPECT_EQ(recorder.Closes(), 1);
    // With an application object the close is handed to the UI thread like any event.
    EXPECT_EQ(recorder.RanOnMainThread(), WithApplication());
    EXPECT_FALSE(comm->GetActive());
    comm->SetActive(false); // nothing more to close
    EXPECT_EQ(recorder.Closes(), 1);
}

TEST_P(EventsTest, ReopeningAfterAFailureClosedPortDeliversEventsAgain) {
    recorder.Attach(*comm);
    comm->SetActive(true);
    remote.reset(); // the far end goes away with its port
    ASSERT_TRUE(WaitUntil([&] { return recorder.Notifications().size() == 2; }));

    remote = VirtualPortRemote::Create("COM7");
    comm->SetActive(true);
    ASSERT_TRUE(comm->GetActive());
    remote->Inject("again");
    ASSERT_TRUE(WaitUntil([&] { return recorder.ReceivedText() == "again"; }));
}

TEST_P(EventsTest, DestroyingAFailureClosedComponentReleasesItsThreads) {
    // The first open sets up what lives as long as the process (under ThreadSanitizer, its
    // own thread, started with the process's first one).
    comm->SetActive(true);
    comm->SetActive(false);
    const size_t threadsBefore = CountEntries("/proc/self/task");
    comm->NotifyAdd(TnrNotifyEvent::Bind<&ThreadSafeRecorder::Notify>(&recorder));
    comm->SetActive(true);
    remote->Vanish();
    ASSERT_TRUE(WaitUntil([&] { return recorder.Notifications().size() == 2; }));
    comm.reset();
    EXPECT_TRUE(WaitUntil([&] { return CountEntries("/proc/self/task") <= threadsBefore; }));
}

TEST_P(EventsTest, ClosingWhileEventsPourInNeitherHangsNorLeaks) {
    comm->SetOnAfterReceive(TOnReceived::Bind<&ThreadSafeRecorder::Received>(&recorder));
    std::atomic<bool> feeding = true;
    std::thread feeder([&] {
        // Paced: a queue already full at open would never raise a receive event.
        while (feeding) {
            remote->Inject("0123456789");
            std::this_thread::sleep_for(std::chrono::microseconds(200));
        }
    });
    const size_t threadsBefore = CountEntries("/proc/self/task");
    for (int round = 0; round < 20; ++round) {
        comm->SetActive(true);
        const size_t before = recorder.ReceivedText().size();
        ASSERT_TRUE(WaitUntil([&] { return recorder.ReceivedText().size() > before; }));
        comm->SetActive(false);
    }
    feeding = false;
    feeder.join();
    EXPECT_TRUE(WaitUntil([&] { return CountEntries("/proc/self/task") <= threadsBefore; }));
}

TEST_P(EventsTest, OpeningAndClosingAThousandTimesLeavesNoThreadOrDescriptor) {
    comm->SetOnAfterReceive(TOnReceived::Bind<&ThreadSafeRecorder::Received>(&recorder));
    comm->SetActive(true); // the first open sets up what lives as long as the process
    comm->SetActive(false);
    const size_t threadsBefore = CountEntries("/proc/self/task");
    const size_t descriptorsBefore = CountEntries("/proc/self/fd");
    for (int round = 0; round < 1000; ++round) {
        comm->SetActive(true);
        remote->Inject("x");
        if (round % 100 == 0) {
            ASSERT_TRUE(WaitUntil([&] { return recorder.ReceivedText().size() > 0; }));
        }
        comm->SetActive(false);
    }
    EXPECT_TRUE(WaitUntil([&] { return CountEntries("/proc/self/task") <= threadsBefore; }));
    EXPECT_EQ(CountEntries("/proc/self/fd"), descriptorsBefore);
}

TEST_P(EventsTest, ClosingFromInsideTheReceiveHandlerEndsCleanly) {
    struct Closer : TObject {
        TreRore* comm = nullptr;
        std::atomic<int> calls = 0;
        std::atomic<bool> closed = false;
        void Received(TObject*, const void*, uint32_t) {
            ++calls;
            comm->SetActive(false);
            closed = true;
        }
    } closer;
    closer.comm = comm.get();
    comm->SetOnAfterReceive(TOnReceived::Bind<&Closer::Received>(&closer));
    comm->SetOnClose(TNotifyEvent::Bind<&ThreadSafeRecorder::Closed>(&recorder));
    comm->SetActive(true);
    remote->Inject("stop");
    ASSERT_TRUE(WaitUntil([&] { return recorder.Closes() == 1; }));
    // OnClose comes from inside the close, before its threads are released: without an
    // application object that is the dispatch thread, so reopening waits for it to finish.
    ASSERT_TRUE(WaitUntil([&] { return closer.closed.load(); }));
    EXPECT_EQ(closer.calls, 1);
    // It can be opened again and used at once.
    comm->SetOnAfterReceive(TOnReceived::Bind<&ThreadSafeRecorder::Received>(&recorder));
    comm->SetActive(true);
    remote->Inject("go");
    EXPECT_TRUE(WaitUntil([&] { return recorder.ReceivedText() == "go"; }));
}

INSTANTIATE_TEST_SUITE_P(Threads, EventsTest, ::testing::Bool(), ApplicationName);

TEST(RegisteredMessages, AreDistinctRegisteredNumbersStableAcrossCalls) {
    EXPECT_GE(ComEventMessage(), FIRST_REGISTERED_MESSAGE);
    EXPECT_NE(ComEventMessage(), QuitComEventMessage());
    EXPECT_EQ(ComEventMessage(), RegisterWindowMessageA("reRoreMsgComEvent"));
    EXPECT_EQ(QuitComEventMessage(), RegisterWindowMessageA("reRoreMsgQuitComEvent"));
}

} // namespace
