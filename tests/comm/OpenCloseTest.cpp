// Opening and closing the serial component on a virtual port.
#include "comm/nrwin32.h"
#include "platform/classes/ClassRegistry.h"
#include "platform/classes/FormStreaming.h"
#include "platform/win32/User.h"
#include "tests/comm/CommTestSupport.h"

namespace {
TTraceStates TxEmpty() {
    return TTraceStates{tsTxEmpty};
}
} // namespace

TEST_F(CommTest, OpenAppliesSettingsAndTellsSubscribersInOrder) {
    events.Attach(*comm);
    comm->SetTraceState(TTraceStates{tsRxChar, tsCTS});
    comm->SetBaudRate(57600);

    comm->SetActive(true);

    ASSERT_TRUE(comm->GetActive());
    EXPECT_TRUE(remote->NearEndOpen());
    EXPECT_EQ(remote->LineSettings().BaudRate, 57600u);
    EXPECT_NE(GetDcbFlags(remote->LineSettings()) & 0x4000, 0u) << "fAbortOnError after open";
    DWORD mask = 0;
    ASSERT_TRUE(GetCommMask(comm->GetDeviceHandle(), &mask));
    EXPECT_EQ(mask, EV_RXCHAR | EV_CTS);
    EXPECT_EQ(events.notifications, std::vector<int32_t>({2}));
    ASSERT_FALSE(events.traces.empty());
    EXPECT_EQ(events.traces.back(), TxEmpty());
    EXPECT_TRUE(log.Has("reRore: The port COM7 succesful opened"));

    events.traces.clear();
    comm->SetActive(false);
    EXPECT_FALSE(comm->GetActive());
    EXPECT_FALSE(remote->NearEndOpen());
    EXPECT_EQ(events.notifications, std::vector<int32_t>({2, 1}));
    EXPECT_EQ(events.closes, 1);
    EXPECT_EQ(events.traces, std::vector<TTraceStates>({TxEmpty()}));
    EXPECT_TRUE(log.Has("reRore: The port is succesful closed"));
}

TEST_F(CommTest, RepeatedActivationChangesNothingButCloseStillTraces) {
    events.Attach(*comm);
    comm->SetActive(false);
    EXPECT_TRUE(events.notifications.empty());
    comm->Close();
    EXPECT_EQ(events.traces, std::vector<TTraceStates>({TxEmpty()}));

    comm->SetActive(true);
    const HANDLE first = comm->GetDeviceHandle();
    comm->SetActive(true);
    EXPECT_EQ(comm->GetDeviceHandle(), first);
    EXPECT_EQ(events.notifications, std::vector<int32_t>({2}));
}

TEST_F(CommTest, OpenFailureRaisesTheOpenErrorText) {
    comm->SetComPortNo(12);
    events.Attach(*comm);
    const AnsiString expected =
        AnsiString("Device \"COM12\" Open Error !!!\r") + SystemErrorMessage(ERROR_FILE_NOT_FOUND);
    try {
        comm->SetActive(true);
        FAIL() << "no exception";
    } catch (const Exception& error) {
        EXPECT_EQ(error.Message, expected);
    }
    EXPECT_FALSE(comm->GetActive());
    EXPECT_EQ(comm->GetLastErrorText(), expected);
    EXPECT_TRUE(log.Has("Fatal Error: 1, 0, " + expected));
    EXPECT_TRUE(events.notifications.empty());
}

TEST_F(CommTest, OpenFailureWithAHandlerClearingTheRaiseOnlyReports) {
    auto second = VirtualPortRemote::Create("COM8");
    HANDLE busy = OpenPort(8);
    ASSERT_NE(busy, INVALID_HANDLE_VALUE);
    comm->SetComPortNo(8);
    events.AttachFatal(*comm);
    events.raiseFatal = false;

    EXPECT_NO_THROW(comm->SetActive(true));

    ASSERT_EQ(events.fatals.size(), 1u);
    EXPECT_EQ(events.fatals[0], AnsiString("1,0,Device \"COM8\" Open Error !!!\r") +
                                    SystemErrorMessage(ERROR_ACCESS_DENIED));
    EXPECT_FALSE(comm->GetActive());
    CloseHandle(busy);
}

TEST_F(CommTest, ExternalHandleIsUsedOnceAndZeroOrInvalidAreIgnored) {
    comm->SetComPortNo(41); // no such port: only the external handle can open
    comm->SetExtHandle(nullptr);
    comm->SetExtHandle(INVALID_HANDLE_VALUE);
    EXPECT_FALSE(comm->GetActive());

    HANDLE external = OpenPort(kPort);
    ASSERT_NE(external, INVALID_HANDLE_VALUE);
    comm->SetExtHandle(external);
    EXPECT_TRUE(comm->GetActive());
    EXPECT_EQ(comm->GetDeviceHandle(), external);
    EXPECT_EQ(comm->GetPortName(), "COM41");
    comm->SetActive(false);
    EXPECT_FALSE(remote->NearEndOpen());
    EXPECT_THROW(comm->SetActive(true), Exception) << "the next open uses COM41 again";
}

namespace {
class CapturedBoxes : public ConsoleUserServices {
public:
    int MessageBox(HWND, const AnsiString& text, const AnsiString& caption, UINT) override {
        boxes.push_back(caption + "|" + text);
        return IDOK;
    }
    std::vector<AnsiString> boxes;
};

AnsiString Description(int port) {
    return Format("object reRore1: TreRore\n  Active = True\n  ComPortNo = %d\n"
                  "  StreamProtocol = spNone\n  TraceStates = [tsRxChar]\nend\n",
                  port);
}
} // namespace

TEST_F(CommTest, StoredActivePortOpensOnlyWhenLoadingEnds) {
    std::unique_ptr<TComponent> loaded(ReadComponentFromText(Description(kPort), nullptr));
    auto* rore = dynamic_cast<TreRore*>(loaded.get());
    ASSERT_NE(rore, nullptr);
    EXPECT_TRUE(rore->GetActive());
    EXPECT_EQ(rore->GetComPortNo(), kPort);
    EXPECT_EQ(rore->GetStreamProtocol(), spNone);
    EXPECT_TRUE(remote->NearEndOpen());
}

TEST_F(CommTest, StoredActivePortThatCannotOpenShowsTheErrorBox) {
    CapturedBoxes boxes;
    UserServices* previous = SetUserServices(&boxes);
    std::unique_ptr<TComponent> loaded(ReadComponentFromText(Description(15), nullptr));
    SetUserServices(previous);
    ASSERT_NE(loaded, nullptr);
    EXPECT_FALSE(static_cast<TreRore*>(loaded.get())->GetActive());
    EXPECT_EQ(boxes.boxes, std::vector<AnsiString>({"Error|error"}));
}

TEST(ReRoreClass, IsRegisteredAndPublishesEveryPropertyInStreamingOrder) {
    const TClassInfo* info = GetClass("TreRore");
    ASSERT_NE(info, nullptr);
    std::vector<AnsiString> names;
    for (const TPropInfo* prop : info->AllProperties())
        names.push_back(prop->Name);
    const std::vector<AnsiString> expected = {
        "Name",          "Tag",          "Log",           "OnFatalError",  "Active",
        "BaudRate",      "Parity",       "StopBits",      "ByteSize",      "ComPortNo",
        "ComPort",       "TraceStates",  "ModemSignals",  "EventChar",     "StreamProtocol",
        "DataProcessor", "BufferInSize", "BufferOutSize", "TimeoutRead",   "TimeoutWrite",
        "RS485Mode",     "EnumPorts",    "Terminal",      "TerminalUsage", "TerminalEcho",
        "MonitorCTS",    "MonitorDSR",   "MonitorRLSD",   "MonitorRing",   "OnAfterReceive",
        "OnAfterSend",   "OnTraceState", "OnCommError",   "OnClose"};
    EXPECT_EQ(names, expected);
}

TEST(ReRoreClass, ConstructionDefaults) {
    TreRore comm(nullptr);
    EXPECT_FALSE(comm.GetActive());
    EXPECT_EQ(comm.GetComPortNo(), 1);
    EXPECT_EQ(comm.GetComPort(), cpCOM1);
    EXPECT_EQ(comm.GetBaudRate(), 19200u);
    EXPECT_EQ(comm.GetByteSize(), 8);
    EXPECT_EQ(comm.GetParity(), pNone);
    EXPECT_EQ(comm.GetStopBits(), sbOne);
    EXPECT_EQ(comm.GetStreamProtocol(), spHardware);
    EXPECT_EQ(comm.GetBufferInSize(), 4096);
    EXPECT_EQ(comm.GetBufferOutSize(), 4096);
    EXPECT_EQ(comm.GetTimeoutRead(), 0u);
    EXPECT_EQ(comm.GetTimeoutWrite(), 100u);
    EXPECT_TRUE(comm.GetTraceStates().Empty());
    EXPECT_EQ(comm.GetEnumPorts(), epQuickAll);
    EXPECT_FALSE(comm.GetSoftwareDirection()) << "the platform reports NT 10.0";
    EXPECT_EQ(comm.GetLogPrefix(), "reRore: ");
}
