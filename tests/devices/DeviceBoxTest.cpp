#include <QApplication>
#include <QComboBox>
#include <QKeyEvent>
#include <QMouseEvent>

#include <gmock/gmock.h>

#include "comm/reRore.h"
#include "devices/rerorebox.h"
#include "platform/classes/ClassRegistry.h"
#include "platform/classes/DeviceBroadcast.h"
#include "platform/classes/FormStreaming.h"
#include "platform/serial/virtual/VirtualPort.h"
#include "platform/ui/Forms.h"
#include "platform/ui/UserInterface.h"
#include "platform/ui/WidgetBridge.h"
#include "platform/win32/Dbt.h"

namespace {
// A component with a device list of chosen port numbers and a selected one.
class TFakeIO : public TnrBaseIO {
public:
    explicit TFakeIO(TComponent* owner, std::vector<int> ports = {1, 3, 4}, int selected = 3)
        : TnrBaseIO(owner), ports_(std::move(ports)), selected_(selected) {}

    void DeviceListLoad() override {
        for (int port : ports_) {
            auto* device = new TnrDevice;
            device->Data = port;
            device->DisplayName = "COM" + std::to_string(port);
            AddDevice(device);
        }
    }
    int32_t GetDeviceIndex() override { return IndexOfDeviceData(selected_); }
    void SetDeviceIndex(int32_t index) override {
        ++setIndexCalls;
        selected_ = GetDevice(index)->Data;
        TnrBaseIO::SetDeviceIndex(index);
    }
    void Replug(std::vector<int> ports) {
        ports_ = std::move(ports);
        DeviceListClear();
    }
    // How often handler is subscribed.
    int Subscriptions(const TnrNotifyEvent& handler) {
        int count = 0;
        for (int i = 0; i < NotifyList().Count(); ++i)
            count += NotifyList().Get(i) == handler ? 1 : 0;
        return count;
    }

    int setIndexCalls = 0;

private:
    std::vector<int> ports_;
    int selected_;
};

class Counter : public TObject {
public:
    int changes = 0;
    void Changed(TObject*) { ++changes; }
};

std::vector<AnsiString> Texts(TnrDeviceBox& box) {
    std::vector<AnsiString> texts;
    for (int i = 0; i < box.GetItems()->Count(); ++i)
        texts.push_back(box.GetItems()->Strings(i));
    return texts;
}

void StartToolkit() {
    static int argc = 1;
    static char name[] = "test_devices";
    static char* argv[] = {name, nullptr};
    InitUserInterface(argc, argv);
}

class DeviceBoxTest : public ::testing::Test {
protected:
    void SetUp() override {
        StartToolkit();
        box = new TnrDeviceBox(&form);
        box->SetParent(&form);
        box->SetOnChange(TNotifyEvent::Bind<&Counter::Changed>(&counter));
        io = new TFakeIO(&form);
    }
    TnrNotifyEvent BoxHandler() { return TnrNotifyEvent::Bind<&TnrDeviceBox::HandleNotify>(box); }
    void UserPicks(int index) {
        box->SetItemIndex(index);
        box->UserPicked();
    }

    TForm form{nullptr};
    TnrDeviceBox* box = nullptr;
    TFakeIO* io = nullptr;
    Counter counter;
};

TEST_F(DeviceBoxTest, IsADropDownListBoundToNothingAtFirst) {
    EXPECT_EQ(box->GetStyle(), csDropDownList);
    EXPECT_FALSE(WidgetAs<QComboBox>(box)->isEditable());
    EXPECT_EQ(box->GetComm(), nullptr);
    EXPECT_EQ(box->GetItemIndex(), -1);
}

TEST_F(DeviceBoxTest, BindingFillsTheDeviceRecordsAndSelectsTheCurrentOne) {
    box->SetComm(io);
    EXPECT_EQ(Texts(*box), (std::vector<AnsiString>{"COM1", "COM3", "COM4"}));
    EXPECT_EQ(box->GetItemIndex(), 1);
    EXPECT_EQ(box->GetItems()->Objects(2), io->GetDevice(2));
    EXPECT_EQ(io->Subscriptions(BoxHandler()), 1);
}

TEST_F(DeviceBoxTest, SelectedPortMissingFromTheListSelectsNothing) {
    auto* other = new TFakeIO(&form, {2, 5}, 1);
    box->SetComm(other);
    EXPECT_EQ(box->GetItems()->Count(), 2);
    EXPECT_EQ(box->GetItemIndex(), -1);
    auto* empty = new TFakeIO(&form, {}, 1);
    box->SetComm(empty);
    EXPECT_EQ(box->GetItems()->Count(), 0);
    EXPECT_EQ(box->GetItemIndex(), -1);
}

TEST_F(DeviceBoxTest, PickingAnItemSelectsItsDeviceAndFiresOnChangeOnce) {
    box->SetComm(io);
    UserPicks(2);
    EXPECT_EQ(io->GetDeviceIndex(), 2);
    EXPECT_EQ(box->GetItemIndex(), 2);
    EXPECT_EQ(counter.changes, 1);
    // The announcement refilled the box without doubling anything.
    EXPECT_EQ(box->GetItems()->Count(), 3);
    EXPECT_EQ(io->Subscriptions(BoxHandler()), 1);
}

// Sorted items no longer stand where their records stand in the device list.
TEST_F(DeviceBoxTest, SortedItemsSelectAndAreSelectedByTheirRecords) {
    auto* sortedIO = new TFakeIO(&form, {2, 10, 3}, 2);
    box->SetSorted(true);
    box->SetComm(sortedIO);
    EXPECT_EQ(Texts(*box), (std::vector<AnsiString>{"COM10", "COM2", "COM3"}));
    EXPECT_EQ(box->GetText(), "COM2");
    UserPicks(box->GetItems()->IndexOf("COM10"));
    EXPECT_EQ(sortedIO->GetDevice(sortedIO->GetDeviceIndex())->Data, 10);
    EXPECT_EQ(box->GetText(), "COM10");
}

TEST_F(DeviceBoxTest, ChangeWithoutABindingDoesNothing) {
    box->GetItems()->Add("COM7");
    UserPicks(0);
    EXPECT_EQ(counter.changes, 0);
    EXPECT_EQ(io->setIndexCalls, 0);
}

TEST_F(DeviceBoxTest, ReloadKeepsOneSubscription) {
    box->SetComm(io);
    box->Reload();
    box->SetComm(io);
    EXPECT_EQ(io->Subscriptions(BoxHandler()), 1);
    EXPECT_EQ(box->GetItemIndex(), 1);
}

TEST_F(DeviceBoxTest, BindingAnotherComponentLeavesTheFirst) {
    box->SetComm(io);
    auto* second = new TFakeIO(&form, {5, 6}, 6);
    box->SetComm(second);
    EXPECT_EQ(io->Subscriptions(BoxHandler()), 0);
    io->Replug({8});
    io->Update();
    EXPECT_EQ(Texts(*box), (std::vector<AnsiString>{"COM5", "COM6"}));
    EXPECT_EQ(box->GetItemIndex(), 1);
}

TEST_F(DeviceBoxTest, OnlyCodeThreeRefillsTheBox) {
    box->SetComm(io);
    io->Replug({2, 9});
    io->GetDeviceList(nullptr);
    io->DoNotify(NOTIFY_CLOSED);
    io->DoNotify(NOTIFY_OPENED);
    EXPECT_EQ(box->GetItems()->Count(), 3);
    io->DoNotify(NOTIFY_DEVICES_CHANGED);
    EXPECT_EQ(Texts(*box), (std::vector<AnsiString>{"COM2", "COM9"}));
    EXPECT_EQ(box->GetItemIndex(), -1);
}

TEST_F(DeviceBoxTest, DestroyedComponentLeavesItsTextsButNoSelectionOrRecords) {
    box->SetComm(io);
    delete io;
    EXPECT_EQ(box->GetComm(), nullptr);
    EXPECT_EQ(box->GetItemIndex(), -1);
    EXPECT_EQ(Texts(*box), (std::vector<AnsiString>{"COM1", "COM3", "COM4"}));
    for (int i = 0; i < 3; ++i)
        EXPECT_EQ(box->GetItems()->Objects(i), nullptr);
    UserPicks(0);
    EXPECT_EQ(counter.changes, 0);
}

TEST_F(DeviceBoxTest, DestroyedBoxIsNoLongerNotified) {
    box->SetComm(io);
    TnrNotifyEvent handler = BoxHandler();
    delete box;
    EXPECT_EQ(io->Subscriptions(handler), 0);
    io->Update(); // would reach freed memory if the box were still subscribed
}

TEST_F(DeviceBoxTest, DeviceChangeBroadcastReloadsThroughTheComponent) {
    TMessage arrival{WM_DEVICECHANGE, 7 /* DBT_DEVNODES_CHANGED */, 0, 0};
    box->WMDeviceChange(arrival); // unbound: ignored
    box->SetComm(io);
    io->Replug({4, 11});
    box->WMDeviceChange(arrival);
    EXPECT_EQ(Texts(*box), (std::vector<AnsiString>{"COM4", "COM11"}));
    TMessage other{0x0100, 7, 0, 0};
    io->Replug({1});
    box->WMDeviceChange(other);
    EXPECT_EQ(box->GetItems()->Count(), 2);
}

TEST_F(DeviceBoxTest, ComponentTakenFromItsOwnerIsLeftForGood) {
    box->SetComm(io);
    TnrNotifyEvent handler = BoxHandler();
    form.RemoveComponent(io);
    EXPECT_EQ(box->GetComm(), nullptr);
    EXPECT_EQ(io->Subscriptions(handler), 0);
    io->Update(); // a box still subscribed would reload, unbound, to nothing
    EXPECT_EQ(Texts(*box), (std::vector<AnsiString>{"COM1", "COM3", "COM4"}));
    delete box;
    io->Update(); // and once destroyed would be called through freed memory
    box = nullptr;
    delete io;
}

TEST_F(DeviceBoxTest, ThePortBroadcastReachesTheBoxThroughItsForm) {
    box->SetComm(io);
    io->Replug({4, 11});
    BroadcastPortChange(DBT_DEVICEARRIVAL, "COM11");
    EXPECT_EQ(Texts(*box), (std::vector<AnsiString>{"COM4", "COM11"}));
    EXPECT_EQ(box->GetItemIndex(), -1); // COM3, selected, is gone
    io->Replug({3, 4});
    BroadcastPortChange(DBT_DEVICEREMOVECOMPLETE, "COM11");
    EXPECT_EQ(Texts(*box), (std::vector<AnsiString>{"COM3", "COM4"}));
    EXPECT_EQ(box->GetItemIndex(), 0);
}

TEST_F(DeviceBoxTest, ResetOptionIsOnlyStored) {
    box->SetComm(io);
    box->SetReset(true);
    EXPECT_TRUE(box->GetReset());
    io->Update();
    EXPECT_EQ(box->GetItemIndex(), 1);
}

// A form with a handler for every kind of event the box publishes.
class TExtrasForm : public TForm {
    VOKA_CLASS(TExtrasForm, TForm)
public:
    using TForm::TForm;
    void Notify(TObject*) {}
    void Key(TObject*, uint16_t&, TShiftState) {}
    void KeyPress(TObject*, char&) {}
    void DragDrop(TObject*, TObject*, int, int) {}
    void DragOver(TObject*, TObject*, int, int, TDragState, bool&) {}
    void StartDrag(TObject*, TDragObject*&) {}
    void StartDock(TObject*, TDragDockObject*&) {}
    void DrawItem(TWinControl*, int, RECT, TOwnerDrawState) {}
    void MeasureItem(TWinControl*, int, int&) {}
    void ContextPopup(TObject*, POINT, bool&) {}
};
} // namespace

VOKA_PUBLISH(TExtrasForm, p) {
    p.Method<&TExtrasForm::Notify>("Notify");
    p.Method<&TExtrasForm::Key>("Key");
    p.Method<&TExtrasForm::KeyPress>("KeyPress");
    p.Method<&TExtrasForm::DragDrop>("DragDrop");
    p.Method<&TExtrasForm::DragOver>("DragOver");
    p.Method<&TExtrasForm::StartDrag>("StartDrag");
    p.Method<&TExtrasForm::StartDock>("StartDock");
    p.Method<&TExtrasForm::DrawItem>("DrawItem");
    p.Method<&TExtrasForm::MeasureItem>("MeasureItem");
    p.Method<&TExtrasForm::ContextPopup>("ContextPopup");
}

namespace {
// Every control property and event the box only keeps, with a value other than its default.
const char* const ExtrasLines[] = {
    "PopupMenu = other",
    "OnDblClick = Notify",
    "OnEnter = Notify",
    "OnExit = Notify",
    "OnKeyDown = Key",
    "OnKeyPress = KeyPress",
    "OnKeyUp = Key",
    "ImeMode = imClose",
    "ImeName = 'Input'",
    "Ctl3D = False",
    "ParentCtl3D = False",
    "Anchors = [akLeft, akRight]",
    "Constraints.MaxHeight = 40",
    "Constraints.MinWidth = 20",
    "BiDiMode = bdRightToLeft",
    "ParentBiDiMode = False",
    "DragCursor = crHandPoint",
    "DragKind = dkDock",
    "OnEndDock = DragDrop",
    "OnStartDock = StartDock",
    "DragMode = dmAutomatic",
    "OnDragDrop = DragDrop",
    "OnDragOver = DragOver",
    "OnDrawItem = DrawItem",
    "OnEndDrag = DragDrop",
    "OnMeasureItem = MeasureItem",
    "OnStartDrag = StartDrag",
    "OnContextPopup = ContextPopup",
};

TEST_F(DeviceBoxTest, ControlPropertiesWithoutEffectLoadAndWriteBack) {
    AnsiString text = "object Form: TExtrasForm\n  object box: TnrDeviceBox\n";
    for (const char* line : ExtrasLines)
        text += AnsiString("    ") + line + "\n";
    text += "  end\n  object other: TnrDeviceBox\n  end\nend\n";
    TExtrasForm loaded(nullptr);
    ReadRootComponent(text, &loaded);
    const AnsiString written = WriteComponentToText(&loaded);
    for (const char* line : ExtrasLines)
        EXPECT_THAT(written, testing::HasSubstr(AnsiString("    ") + line + "\n"));

    TExtrasForm again(nullptr);
    ReadRootComponent(written, &again);
    EXPECT_EQ(WriteComponentToText(&again), written);
    // Defaults are not written.
    EXPECT_THAT(WriteComponentToText(&form), testing::Not(testing::HasSubstr("Ctl3D")));
}

// Records the focus, double-click and key events in the order they fire.
class EventRecorder : public TObject {
public:
    std::vector<std::string> seen;
    bool swallowKeys = false;
    void Enter(TObject*) { seen.push_back("enter"); }
    void Exit(TObject*) { seen.push_back("exit"); }
    void DblClick(TObject*) { seen.push_back("dblclick"); }
    void Down(TObject*, uint16_t& key, TShiftState shift) {
        seen.push_back("down " + std::to_string(key) + (shift.Contains(ssShift) ? " shift" : ""));
        if (swallowKeys)
            key = 0;
    }
    void Up(TObject*, uint16_t& key, TShiftState) { seen.push_back("up " + std::to_string(key)); }
    void Press(TObject*, char& key) { seen.push_back(std::string("press ") + key); }
};

TEST_F(DeviceBoxTest, FocusDoubleClickAndKeyEventsFireWithWindowsKeyCodes) {
    EventRecorder recorder;
    TControlExtras& extras = box->Extras();
    extras.OnEnter = TNotifyEvent::Bind<&EventRecorder::Enter>(&recorder);
    extras.OnExit = TNotifyEvent::Bind<&EventRecorder::Exit>(&recorder);
    extras.OnDblClick = TNotifyEvent::Bind<&EventRecorder::DblClick>(&recorder);
    extras.OnKeyDown = TKeyEvent::Bind<&EventRecorder::Down>(&recorder);
    extras.OnKeyUp = TKeyEvent::Bind<&EventRecorder::Up>(&recorder);
    extras.OnKeyPress = TEvent<TObject*, char&>::Bind<&EventRecorder::Press>(&recorder);
    box->SetComm(io);
    QWidget* widget = WidgetOf(box);
    auto send = [widget](QEvent&& event) { QApplication::sendEvent(widget, &event); };

    send(QFocusEvent(QEvent::FocusIn));
    send(QKeyEvent(QEvent::KeyPress, Qt::Key_A, Qt::ShiftModifier, "A"));
    send(QKeyEvent(QEvent::KeyRelease, Qt::Key_A, Qt::ShiftModifier, "A"));
    send(QKeyEvent(QEvent::KeyPress, Qt::Key_Down, Qt::NoModifier));
    EXPECT_EQ(box->GetItemIndex(), 2);
    recorder.swallowKeys = true; // a key set to 0 never reaches the list
    send(QKeyEvent(QEvent::KeyPress, Qt::Key_Up, Qt::NoModifier));
    EXPECT_EQ(box->GetItemIndex(), 2);
    send(QFocusEvent(QEvent::FocusOut));
    send(QMouseEvent(QEvent::MouseButtonDblClick, QPointF(5, 5), QPointF(5, 5), Qt::LeftButton,
                     Qt::LeftButton, Qt::NoModifier));

    EXPECT_EQ(recorder.seen, (std::vector<std::string>{"enter", "down 65 shift", "press A", "up 65",
                                                       "down 40", "down 38", "exit", "dblclick"}));
}

// With the serial component on virtual ports, as the main window uses it.
class SerialDeviceBoxTest : public ::testing::Test {
protected:
    void SetUp() override {
        StartToolkit();
        for (const char* name : {"COM1", "COM3", "COM4"})
            ports.push_back(VirtualPortRemote::Create(name));
    }
    int IndexOf(TnrDeviceBox& box, const AnsiString& text) { return box.GetItems()->IndexOf(text); }
    std::vector<std::shared_ptr<VirtualPortRemote>> ports;
};

TEST_F(SerialDeviceBoxTest, DescriptionBindsTheBoxAndPickingMovesThePort) {
    ASSERT_NE(GetClass("TnrDeviceBox"), nullptr);
    const char* text = R"(object Form: TForm
  object box: TnrDeviceBox
    Left = 152
    Top = 208
    Width = 97
    Height = 21
    reRore = port
    ResetOnChanged = True
    ItemHeight = 13
    TabOrder = 0
  end
  object port: TreRore
    ComPortNo = 3
  end
end
)";
    TForm form(nullptr);
    ReadRootComponent(text, &form);
    auto* box = dynamic_cast<TnrDeviceBox*>(form.FindComponent("box"));
    auto* port = dynamic_cast<TreRore*>(form.FindComponent("port"));
    ASSERT_TRUE(box && port);
    EXPECT_EQ(box->GetComm(), port);
    EXPECT_TRUE(box->GetReset());
    ASSERT_GE(IndexOf(*box, "COM4"), 0);
    EXPECT_EQ(box->GetText(), "COM3");

    form.Show();
    box->SetFocus();
    QKeyEvent down(QEvent::KeyPress, Qt::Key_Down, Qt::NoModifier);
    QApplication::sendEvent(WidgetOf(box), &down);
    EXPECT_EQ(port->GetComPortNo(), 4);
    EXPECT_EQ(box->GetText(), "COM4");

    port->SetComPortNo(1);
    EXPECT_EQ(box->GetText(), "COM1");
}
} // namespace
