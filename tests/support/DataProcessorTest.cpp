// The data processor base: device and chain links, send interception with the response
// time-out, fatal reports, and the two sequence matchers.
#include <gtest/gtest.h>

#include <chrono>
#include <string>
#include <vector>

#include "platform/classes/MessageLoop.h"
#include "support/DataProcessor.h"

namespace {

// An I/O component reduced to what a processor uses of it.
class FakeDevice : public TComponent, public TnrIODevice {
public:
    using TComponent::TComponent;
    bool IsHandleValid() override { return open; }
    int32_t NotifyAdd(const TnrNotifyEvent& Handler) override {
        const int32_t index = subscribers.IndexOf(Handler);
        return index >= 0 ? index : subscribers.Add(Handler);
    }
    void NotifyDelete(const TnrNotifyEvent& Handler) override {
        if (const int32_t index = subscribers.IndexOf(Handler); index >= 0)
            subscribers.Delete(index);
    }
    void SendString(const AnsiString& Value) override { sent += Value; }
    void SendData(const void* Data, uint32_t Length) override {
        if (failSends)
            throw Exception("line down");
        sent.append(static_cast<const char*>(Data), Length);
    }

    TnrNotifyList subscribers;
    std::string sent;
    bool open = true;
    bool failSends = false;
};

class KeptLog : public TnrCustomLogFile {
public:
    using TnrCustomLogFile::TnrCustomLogFile;
    void AddLog(TDetailLevel, const AnsiString& Text) override { lines.push_back(Text); }
    void AddLogFmt(TDetailLevel, const AnsiString& Fmt, TFormatArgs Args) override {
        lines.push_back(FormatArgs(Fmt.c_str(), Args.data(), Args.size()));
    }
    std::vector<AnsiString> lines;
};

class CountingProcessor : public TnrCustomDataProcessor {
public:
    using TnrCustomDataProcessor::TnrCustomDataProcessor;
    void DoProcessing(const void* Buffer, uint32_t Length, TIgnoreTypes& Ignore) override {
        received.append(static_cast<const char*>(Buffer), Length);
        TnrCustomDataProcessor::DoProcessing(Buffer, Length, Ignore);
    }
    void DoAfterSendComplete(bool& Handled) override {
        ++completions;
        TnrCustomDataProcessor::DoAfterSendComplete(Handled);
    }
    std::string received;
    int completions = 0;
};

// Intercepts sends; Take decides whether they count as handled.
struct Interceptor : TObject {
    void OnSend(TObject*, const void* Buffer, uint32_t Len, bool Synchro, bool& Handled) {
        seen.emplace_back(static_cast<const char*>(Buffer), Len);
        synchro.push_back(Synchro);
        Handled = take;
    }
    bool take = false;
    std::vector<std::string> seen;
    std::vector<bool> synchro;
};

bool PumpUntil(const std::function<bool()>& Condition) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    while (!Condition()) {
        if (std::chrono::steady_clock::now() > deadline)
            return false;
        TMessageLoop::Main().ProcessPending();
        TMessageLoop::Main().WaitForSignal(1);
    }
    return true;
}

TEST(DataProcessorLinks, DeviceSubscriptionFollowsSetDeviceAndTheDevicesRemoval) {
    KeptLog log(nullptr);
    CountingProcessor processor(nullptr);
    processor.SetLog(&log);
    auto device = std::make_unique<FakeDevice>(nullptr);
    processor.SetDevice(device.get());
    processor.SetDevice(device.get());
    ASSERT_EQ(device->subscribers.Count(), 1);
    device->subscribers.Call(device.get(), NOTIFY_OPENED);
    device->subscribers.Call(device.get(), NOTIFY_CLOSED);
    device->subscribers.Call(device.get(), NOTIFY_DEVICES_CHANGED);
    EXPECT_EQ(log.lines, (std::vector<AnsiString>{"Medium Opened", "Medium Closed"}));
    device.reset(); // the processor forgets it without touching it
    EXPECT_EQ(processor.GetDevice(), nullptr);
    EXPECT_FALSE(processor.IsDeviceEnable());
}

TEST(DataProcessorLinks, ChainPassesReceivedDataOnAndSharesTheDevice) {
    FakeDevice device(nullptr);
    CountingProcessor first(nullptr), second(nullptr);
    first.SetDevice(&device);
    first.SetDataProcessor(&first); // itself: nothing changes
    EXPECT_EQ(first.GetDataProcessor(), nullptr);
    first.SetDataProcessor(&second);
    EXPECT_EQ(second.GetDevice(), &device);
    first.DataReceive("abc", 3);
    EXPECT_EQ(second.received, "abc");
    {
        CountingProcessor gone(nullptr);
        second.SetDataProcessor(&gone);
    }
    EXPECT_EQ(second.GetDataProcessor(), nullptr);
}

TEST(DataProcessorSend, UnhandledSendsGoToTheDeviceAndErrorsAreSwallowed) {
    FakeDevice device(nullptr);
    TnrCustomDataProcessor processor(nullptr);
    Interceptor interceptor;
    processor.SetDevice(&device);
    processor.SetOnDataSend(TDataSendEvent::Bind<&Interceptor::OnSend>(&interceptor));
    processor.DoDataSend("data", 4);
    processor.DoStringSend("text");
    processor.DoStringSend("");
    processor.DoDataSend(nullptr, 4);
    EXPECT_EQ(device.sent, "datatext");
    EXPECT_EQ(interceptor.seen, (std::vector<std::string>{"data", "text"}));
    EXPECT_EQ(interceptor.synchro, (std::vector<bool>{false, true}));
    device.failSends = true;
    EXPECT_NO_THROW(processor.DoDataSend("x", 1));
    EXPECT_FALSE(processor.ResponseTimer().GetEnabled());
}

TEST(DataProcessorSend, AHandledDataSendStartsTheResponseTimeOutWhichCompletesOnce) {
    FakeDevice device(nullptr);
    CountingProcessor processor(nullptr);
    Interceptor interceptor;
    interceptor.take = true;
    processor.SetDevice(&device);
    processor.SetOnDataSend(TDataSendEvent::Bind<&Interceptor::OnSend>(&interceptor));
    processor.ResponseTimer().SetInterval(20);
    processor.DoStringSend("string"); // handled, but the string path leaves the timer alone
    EXPECT_FALSE(processor.ResponseTimer().GetEnabled());
    processor.DoDataSend("block", 5);
    EXPECT_EQ(device.sent, "");
    EXPECT_TRUE(processor.ResponseTimer().GetEnabled());
    ASSERT_TRUE(PumpUntil([&] { return processor.completions == 1; }));
    EXPECT_FALSE(processor.ResponseTimer().GetEnabled());
}

TEST(DataProcessorSend, ResetTimeoutStopsOrRestartsWithTheGivenPeriod) {
    TnrCustomDataProcessor processor(nullptr);
    processor.ResetTimeout(500);
    EXPECT_TRUE(processor.ResponseTimer().GetEnabled());
    EXPECT_EQ(processor.ResponseTimer().GetInterval(), 500u);
    processor.ResetTimeout(0);
    EXPECT_FALSE(processor.ResponseTimer().GetEnabled());
    EXPECT_EQ(processor.ResponseTimer().GetInterval(), 500u);
}

struct FatalHandler : TObject {
    void Handle(TObject*, uint32_t, uint32_t, const AnsiString&, bool& Raise) { Raise = raise; }
    bool raise = true;
};

TEST(DataProcessorFatal, LogsAlwaysAndRaisesUnlessTheHandlerClearsTheFlag) {
    KeptLog log(nullptr);
    TnrCustomDataProcessor processor(nullptr);
    processor.SetLog(&log);
    EXPECT_THROW(processor.DoFatalErrors(3, 4, "broken"), Exception);
    FatalHandler handler;
    handler.raise = false;
    processor.SetOnFatalError(TOnFatalErrorEvent::Bind<&FatalHandler::Handle>(&handler));
    EXPECT_NO_THROW(processor.DoFatalErrors(5, 6, "quiet"));
    EXPECT_EQ(log.lines,
              (std::vector<AnsiString>{"Fatal Error: 3, 4, broken", "Fatal Error: 5, 6, quiet"}));
}

int CountMatches(const std::string& Sequence, const std::string& Input) {
    TCommEvent event{0, static_cast<uint32_t>(Sequence.size()),
                     reinterpret_cast<const uint8_t*>(Sequence.data())};
    TCommEventNew matcher(Sequence);
    int matches = 0;
    for (char ch : Input) {
        const bool byRecord = CheckSequence(static_cast<uint8_t>(ch), event);
        EXPECT_EQ(byRecord, matcher.IsEvent(ch)) << "the two matchers disagree on " << Input;
        matches += byRecord;
    }
    return matches;
}

TEST(SequenceMatchers, RestartOnlyOnTheFirstByteWithoutFallingBack) {
    EXPECT_EQ(CountMatches("AAB", "AAB"), 1);
    EXPECT_EQ(CountMatches("AAB", "AAAB"), 0);
    EXPECT_EQ(CountMatches("AAB", "ABAAB"), 1);
    EXPECT_EQ(CountMatches("OK", "OKOK"), 2);
    EXPECT_EQ(CountMatches("", "anything"), 0);
}

TEST(SequenceMatchers, ResetAndANewSequenceStartFromTheBeginning) {
    TCommEventNew matcher("AB");
    EXPECT_FALSE(matcher.IsEvent('A'));
    matcher.Reset();
    EXPECT_FALSE(matcher.IsEvent('B'));
    matcher.SetStr("XY");
    EXPECT_FALSE(matcher.IsEvent('X'));
    EXPECT_TRUE(matcher.IsEvent('Y'));
}

} // namespace
