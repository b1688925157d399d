#pragma once
// Port events on a virtual port, with or without an application object: recorders that
// handlers may fill from any thread, and a wait that serves the user-interface thread.
#include <gtest/gtest.h>

#include <chrono>
#include <condition_variable>
#include <filesystem>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "comm/reRore.h"
#include "platform/classes/Application.h"
#include "platform/classes/MessageLoop.h"
#include "platform/serial/virtual/VirtualPort.h"

// Waits until Condition holds, serving synchronous calls and timers of the main thread
// meanwhile. The limit only keeps a broken build from hanging.
inline bool WaitUntil(const std::function<bool()>& Condition,
                      std::chrono::milliseconds Limit = std::chrono::seconds(20)) {
    const auto deadline = std::chrono::steady_clock::now() + Limit;
    for (;;) {
        if (Application)
            Application->ProcessMessages();
        else
            TMessageLoop::Main().ProcessPending();
        if (Condition())
            return true;
        if (std::chrono::steady_clock::now() > deadline)
            return false;
        TMessageLoop::Main().WaitForSignal(1);
    }
}

// Everything the component reports, guarded, because without an application object the
// handlers run on the dispatch or event thread.
class ThreadSafeRecorder : public TObject {
public:
    void Received(TObject*, const void* Buffer, uint32_t Length) {
        std::lock_guard guard(lock_);
        received_.append(static_cast<const char*>(Buffer), Length);
        pieces_.push_back(Length);
        NoteThread();
    }
    void Sent(TObject*) {
        std::lock_guard guard(lock_);
        ++sent_;
        NoteThread();
    }
    void Trace(TObject*, TTraceStates States) {
        std::lock_guard guard(lock_);
        traces_.push_back(States);
    }
    void CommError(TObject*, uint32_t CommCode, uint32_t, TComStateFlags, bool&) {
        std::lock_guard guard(lock_);
        commErrors_.push_back(CommCode);
    }
    void Closed(TObject*) {
        std::lock_guard guard(lock_);
        ++closes_;
        NoteThread();
    }
    void Notify(TObject*, int32_t Code) {
        std::lock_guard guard(lock_);
        notifications_.push_back(Code);
    }

    void Attach(TreRore& Comm) {
        Comm.SetOnAfterReceive(TOnReceived::Bind<&ThreadSafeRecorder::Received>(this));
        Comm.SetOnSent(TOnSent::Bind<&ThreadSafeRecorder::Sent>(this));
        Comm.SetOnTraceState(TOnTraceEvent::Bind<&ThreadSafeRecorder::Trace>(this));
        Comm.SetOnCommError(TOnCommErrorEvent::Bind<&ThreadSafeRecorder::CommError>(this));
        Comm.SetOnClose(TNotifyEvent::Bind<&ThreadSafeRecorder::Closed>(this));
        Comm.NotifyAdd(TnrNotifyEvent::Bind<&ThreadSafeRecorder::Notify>(this));
    }

    template <class F> auto Read(F f) const -> decltype(f()) {
        std::lock_guard guard(lock_);
        return f();
    }
    std::string ReceivedText() const {
        return Read([&] { return received_; });
    }
    std::vector<uint32_t> Pieces() const {
        return Read([&] { return pieces_; });
    }
    int SentCount() const {
        return Read([&] { return sent_; });
    }
    int Closes() const {
        return Read([&] { return closes_; });
    }
    std::vector<uint32_t> CommErrors() const {
        return Read([&] { return commErrors_; });
    }
    std::vector<int32_t> Notifications() const {
        return Read([&] { return notifications_; });
    }
    std::vector<TTraceStates> Traces() const {
        return Read([&] { return traces_; });
    }
    // Whether any handler ran on the main (user-interface) thread, or elsewhere.
    bool RanOnMainThread() const {
        return Read([&] { return onMain_; });
    }
    bool RanElsewhere() const {
        return Read([&] { return elsewhere_; });
    }

private:
    void NoteThread() {
        if (TMessageLoop::IsMainThread())
            onMain_ = true;
        else
            elsewhere_ = true;
    }

    mutable std::mutex lock_;
    std::string received_;
    std::vector<uint32_t> pieces_;
    std::vector<TTraceStates> traces_;
    std::vector<uint32_t> commErrors_;
    std::vector<int32_t> notifications_;
    int sent_ = 0;
    int closes_ = 0;
    bool onMain_ = false;
    bool elsewhere_ = false;
};

inline size_t CountEntries(const char* Folder) {
    size_t count = 0;
    for ([[maybe_unused]] const auto& entry : std::filesystem::directory_iterator(Folder))
        ++count;
    return count;
}

// A serial component on the virtual port COM7; the parameter says whether an application
// object exists.
class EventsTest : public ::testing::TestWithParam<bool> {
protected:
    static constexpr uint16_t kPort = 7;

    void SetUp() override {
        if (GetParam())
            app = std::make_unique<TApplication>();
        remote = VirtualPortRemote::Create("COM7");
        comm = std::make_unique<TreRore>(nullptr);
        comm->SetComPortNo(kPort);
        comm->SetStreamProtocol(spNone);
    }
    void TearDown() override {
        comm.reset();
        remote.reset();
        app.reset();
    }
    bool WithApplication() const { return GetParam(); }

    std::unique_ptr<TApplication> app;
    std::shared_ptr<VirtualPortRemote> remote;
    ThreadSafeRecorder recorder; // outlives the component, which reports while closing
    std::unique_ptr<TreRore> comm;
};

inline std::string ApplicationName(const ::testing::TestParamInfo<bool>& Info) {
    return Info.param ? "WithApplication" : "WithoutApplication";
}
