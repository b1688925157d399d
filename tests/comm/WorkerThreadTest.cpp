// The generic worker of the base I/O component and the device-change broadcast.
#include <atomic>

#include "EventsTestSupport.h"
#include "comm/ThreadIO.h"
#include "platform/win32/Dbt.h"
#include "platform/win32/Synch.h"

namespace {

// An I/O component on an event handle that runs its work on the generic worker.
class WorkerIO : public TnrBaseIO {
public:
    explicit WorkerIO(bool Throws = false) : TnrBaseIO(nullptr), throws(Throws) {
        SetUseThreadIO(true);
    }
    ~WorkerIO() override { Close(); }
    HANDLE RequestDeviceHandle() override { return CreateEventA(nullptr, TRUE, FALSE, nullptr); }
    void ThreadExecute(TnrThreadIO* Thread) override {
        ++runs;
        if (throws)
            throw Exception("worker failed");
        while (!Thread->GetTerminated())
            Sleep(1);
        sawStop = true;
    }
    void Update() override { ++updates; }

    const bool throws;
    std::atomic<int> runs = 0;
    std::atomic<bool> sawStop = false;
    int updates = 0;
};

TEST(WorkerThread, RunsWhileOpenAndIsStoppedAndAwaitedByClose) {
    WorkerIO io;
    io.SetActive(true);
    ASSERT_TRUE(WaitUntil([&] { return io.runs == 1; }));
    io.SetActive(false);
    EXPECT_TRUE(io.sawStop); // Close returned only after the worker ended
    io.SetActive(true);
    ASSERT_TRUE(WaitUntil([&] { return io.runs == 2; }));
}

TEST(WorkerThread, ErrorsOfTheWorkAreSwallowed) {
    WorkerIO io(true);
    io.SetActive(true);
    ASSERT_TRUE(WaitUntil([&] { return io.runs == 1; }));
    io.SetActive(false);
    EXPECT_FALSE(io.GetActive());
}

TEST(DeviceChange, OnlyNodeChangesAndPortArrivalsOrRemovalsUpdateTheList) {
    WorkerIO io;
    DEV_BROADCAST_HDR port{sizeof(DEV_BROADCAST_HDR), DBT_DEVTYP_PORT, 0};
    DEV_BROADCAST_HDR volume{sizeof(DEV_BROADCAST_HDR), 2, 0};
    auto send = [&](UINT msg, WPARAM kind, const DEV_BROADCAST_HDR* record) {
        TMessage message{msg, kind, reinterpret_cast<LPARAM>(record), 0};
        return io.WMDeviceChange(message);
    };
    EXPECT_TRUE(send(WM_DEVICECHANGE, DBT_DEVNODES_CHANGED, nullptr));
    EXPECT_TRUE(send(WM_DEVICECHANGE, DBT_DEVICEARRIVAL, &port));
    EXPECT_TRUE(send(WM_DEVICECHANGE, DBT_DEVICEREMOVECOMPLETE, &port));
    EXPECT_FALSE(send(WM_DEVICECHANGE, DBT_DEVICEARRIVAL, &volume));
    EXPECT_FALSE(send(WM_DEVICECHANGE, DBT_DEVICEARRIVAL, nullptr));
    EXPECT_FALSE(send(WM_CHAR, DBT_DEVNODES_CHANGED, nullptr));
    EXPECT_EQ(io.updates, 3);
}

} // namespace
