// An edit control as the terminal of the serial component: typed characters go to the port,
// received text is inserted and split at zero bytes, and the hook comes off again.
#include "comm/Terminal.h"
#include "EventsTestSupport.h"

namespace {

// An edit control that records what it is shown.
class FakeEdit : public TComponent, public TWindowProcHost {
public:
    using TComponent::TComponent;
    TWndMethod GetWindowProc() const override { return proc; }
    void SetWindowProc(TWndMethod Proc) override { proc = Proc; }
    HWND GetWindowHandle() override { return reinterpret_cast<HWND>(this); }
    LRESULT Perform(UINT Msg, WPARAM WParam, LPARAM LParam) override {
        TMessage message{Msg, WParam, LParam, 0};
        proc(message);
        return message.Result;
    }
    void Type(char Ch) { Perform(WM_CHAR, static_cast<uint8_t>(Ch), 1); }

    void OwnProc(TMessage& Message) {
        if (Message.Msg == WM_CHAR)
            shown.emplace_back(1, static_cast<char>(Message.WParam));
        else if (Message.Msg == EM_REPLACESEL)
            shown.emplace_back(reinterpret_cast<const char*>(Message.LParam));
    }
    const TWndMethod ownProc = TWndMethod::Bind<&FakeEdit::OwnProc>(this);
    TWndMethod proc = ownProc;
    std::vector<std::string> shown;
};

class TerminalTest : public ::testing::Test {
protected:
    void SetUp() override {
        remote = VirtualPortRemote::Create("COM7");
        comm = std::make_unique<TreRore>(nullptr);
        comm->SetComPortNo(7);
        comm->SetStreamProtocol(spNone);
        comm->SetActive(true);
    }
    void TearDown() override { comm.reset(); }
    void Receive(std::string_view Bytes) {
        comm->UpdateTerminalByChars(Bytes.data(), static_cast<int32_t>(Bytes.size()));
    }

    std::shared_ptr<VirtualPortRemote> remote;
    FakeEdit edit{nullptr};
    std::unique_ptr<TreRore> comm;
};

TEST_F(TerminalTest, SendOnlyWithoutEchoSendsTypedCharactersAndShowsNothing) {
    comm->SetTerminal(&edit);
    comm->SetTerminalUsage(tuSend);
    edit.Type('h');
    edit.Type('i');
    EXPECT_EQ(remote->WaitForOutput(2, std::chrono::seconds(5)), "hi");
    EXPECT_TRUE(edit.shown.empty());
    Receive("ignored"); // no window handle for received text in send-only use
    EXPECT_TRUE(edit.shown.empty());
}

TEST_F(TerminalTest, EchoShowsWhatIsTypedAsWellAsSendingIt) {
    comm->SetTerminal(&edit);
    comm->SetTerminalUsage(tuBoth);
    comm->SetTerminalEcho(true);
    edit.Type('k');
    EXPECT_EQ(remote->WaitForOutput(1, std::chrono::seconds(5)), "k");
    EXPECT_EQ(edit.shown, std::vector<std::string>{"k"});
}

TEST_F(TerminalTest, ReceiveOnlyShowsReceivedTextAndSendsNothingTyped) {
    comm->SetTerminal(&edit);
    comm->SetTerminalUsage(tuReceive);
    edit.Type('q');
    Receive("Z");
    EXPECT_EQ(remote->TakeOutput(), "");
    EXPECT_EQ(edit.shown, (std::vector<std::string>{"q", "Z"}));
}

TEST_F(TerminalTest, ReceivedTextIsSplitAtZeroBytesAndNotTypedBack) {
    comm->SetTerminal(&edit);
    comm->SetTerminalUsage(tuBoth);
    Receive(std::string_view("A\0B", 3));
    Receive(std::string_view("\0\0line\0", 7));
    EXPECT_EQ(edit.shown, (std::vector<std::string>{"A", "B", "line"}));
    EXPECT_EQ(remote->TakeOutput(), "");
}

TEST_F(TerminalTest, DetachingPutsTheEditsOwnProcedureBack) {
    comm->SetTerminal(&edit);
    comm->SetTerminal(&edit); // attaching twice must not hook the hook
    comm->SetTerminal(nullptr);
    EXPECT_EQ(edit.proc, edit.ownProc);
    edit.Type('x');
    EXPECT_EQ(remote->TakeOutput(), "");
}

TEST_F(TerminalTest, ReceivedBytesReachTheTerminalThroughThePortEvents) {
    TApplication app;
    comm->SetTerminal(&edit);
    comm->SetTerminalUsage(tuReceive);
    remote->Inject(std::string("ok\0go", 5));
    ASSERT_TRUE(WaitUntil([&] { return edit.shown.size() >= 2; }));
    EXPECT_EQ(edit.shown, (std::vector<std::string>{"ok", "go"}));
    comm.reset(); // closes while the application object still exists
}

TEST(SplitAtZeroBytes, LeavesOutTheZeroBytesAndEmptyPieces) {
    using Pieces = std::vector<std::string_view>;
    EXPECT_EQ(SplitAtZeroBytes(std::string_view("ab", 2)), (Pieces{"ab"}));
    EXPECT_EQ(SplitAtZeroBytes(std::string_view("\0", 1)), Pieces{});
    EXPECT_EQ(SplitAtZeroBytes(std::string_view("a\0\0b\0", 5)), (Pieces{"a", "b"}));
}

} // namespace

namespace {

// Takes every received block and keeps it from the terminal.
class TerminalHidingProcessor : public TnrCustomDataProcessor {
public:
    using TnrCustomDataProcessor::TnrCustomDataProcessor;
    void DoProcessing(const void* Buffer, uint32_t Length, TIgnoreTypes& Ignore) override {
        seen.append(static_cast<const char*>(Buffer), Length);
        Ignore.Include(itTerminal);
        Ignore.Include(itAfterReceive);
    }
    void DoHandleNotify(TObject* Sender, int32_t Code) override {
        notices.push_back(Code);
        TnrCustomDataProcessor::DoHandleNotify(Sender, Code);
    }
    std::string seen;
    std::vector<int32_t> notices;
};

TEST_F(TerminalTest, AProcessorSeesDataFirstAndCanKeepItFromTheTerminalOnly) {
    ThreadSafeRecorder recorder;
    TerminalHidingProcessor processor(nullptr);
    comm->SetTerminal(&edit);
    comm->SetTerminalUsage(tuReceive);
    comm->SetOnAfterReceive(TOnReceived::Bind<&ThreadSafeRecorder::Received>(&recorder));
    comm->SetDataProcessor(&processor);
    EXPECT_EQ(processor.GetDevice(), static_cast<TnrIODevice*>(comm.get()));
    comm->DoInputData("abc", 3);
    EXPECT_EQ(processor.seen, "abc");
    EXPECT_TRUE(edit.shown.empty());
    EXPECT_EQ(recorder.ReceivedText(), "abc"); // whatever the ignore set says
    comm->SetDataProcessor(nullptr);
    EXPECT_EQ(processor.GetDevice(), nullptr);
}

TEST_F(TerminalTest, DestroyingEitherSideOfAProcessorLinkClearsTheOther) {
    {
        TerminalHidingProcessor processor(nullptr);
        comm->SetDataProcessor(&processor);
    }
    EXPECT_EQ(comm->GetDataProcessor(), nullptr);
    TerminalHidingProcessor survivor(nullptr);
    comm->SetDataProcessor(&survivor);
    comm.reset();
    EXPECT_EQ(survivor.GetDevice(), nullptr);
}

// Taken from the owner they share, the device is no longer the processor's: the processor
// hears nothing more from it, and once destroyed is never called by it (the sanitizer build
// checks).
TEST_F(TerminalTest, AProcessorWhoseDeviceLeavesTheirOwnerIsLeftForGood) {
    TComponent form(nullptr);
    form.InsertComponent(comm.get());
    auto* processor = new TerminalHidingProcessor(&form);
    comm->SetDataProcessor(processor);
    form.RemoveComponent(comm.get());
    EXPECT_EQ(processor->GetDevice(), nullptr);
    comm->SetActive(false);
    EXPECT_TRUE(processor->notices.empty());
    delete processor;
    EXPECT_EQ(comm->GetDataProcessor(), nullptr);
    comm->SetActive(true);
    comm->DoInputData("late", 4);
}

} // namespace
