#pragma once
// A serial component on a virtual port, a log that keeps its lines, and recorders for the
// component's notifications and events.
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "comm/reRore.h"
#include "platform/classes/Application.h"
#include "platform/serial/virtual/VirtualPort.h"
#include "platform/win32/Synch.h"
#include "support/LogFile.h"

class RecordingLog : public TnrCustomLogFile {
public:
    explicit RecordingLog(TComponent* owner = nullptr) : TnrCustomLogFile(owner) {}
    void AddLog(TDetailLevel level, const AnsiString& text) override {
        lines.emplace_back(level, text);
    }
    void AddLogFmt(TDetailLevel level, const AnsiString& format, TFormatArgs args) override {
        lines.emplace_back(level, FormatArgs(format.c_str(), args.data(), args.size()));
    }
    void AddSysInfo() override { lines.emplace_back(dlSimple, "<sysinfo>"); }
    bool Has(const AnsiString& text) const {
        for (const auto& line : lines)
            if (line.second == text)
                return true;
        return false;
    }
    std::vector<std::pair<TDetailLevel, AnsiString>> lines;
};

// Subscribers, trace events, comm errors and fatal reports in arrival order.
class EventRecorder : public TObject {
public:
    void Notify(TObject*, int32_t code) { notifications.push_back(code); }
    void Trace(TObject*, TTraceStates states) { traces.push_back(states); }
    void CommError(TObject*, uint32_t commCode, uint32_t sysError, TComStateFlags, bool& flash) {
        commErrors.emplace_back(commCode, sysError);
        flash = flashBuffers;
    }
    void Fatal(TObject*, uint32_t code, uint32_t detail, const AnsiString& text, bool& raise) {
        fatals.push_back(Format("%u,%u,%s", code, detail, text));
        raise = raiseFatal;
    }
    void Closed(TObject*) { ++closes; }

    void Attach(TreRore& comm) {
        comm.NotifyAdd(TnrNotifyEvent::Bind<&EventRecorder::Notify>(this));
        comm.SetOnTraceState(TOnTraceEvent::Bind<&EventRecorder::Trace>(this));
        comm.SetOnCommError(TOnCommErrorEvent::Bind<&EventRecorder::CommError>(this));
        comm.SetOnClose(TNotifyEvent::Bind<&EventRecorder::Closed>(this));
    }
    void AttachFatal(TreRore& comm) {
        comm.SetOnFatalError(TOnFatalErrorEvent::Bind<&EventRecorder::Fatal>(this));
    }

    std::vector<int32_t> notifications;
    std::vector<TTraceStates> traces;
    std::vector<std::pair<uint32_t, uint32_t>> commErrors;
    std::vector<AnsiString> fatals;
    int closes = 0;
    bool flashBuffers = false;
    bool raiseFatal = true;
};

// COM7 as a virtual port, and a component set to it with a log attached.
class CommTest : public ::testing::Test {
protected:
    static constexpr uint16_t kPort = 7;

    void SetUp() override {
        remote = VirtualPortRemote::Create("COM7");
        comm = std::make_unique<TreRore>(nullptr);
        comm->SetLog(&log);
        comm->SetComPortNo(kPort);
    }
    void TearDown() override {
        comm.reset();
        UseRealTickCount();
    }

    // As in the program: port events are handled on this thread when it processes messages.
    TApplication application;
    std::shared_ptr<VirtualPortRemote> remote;
    RecordingLog log;
    EventRecorder events; // outlives the component, which reports while closing
    std::unique_ptr<TreRore> comm;
};
