// Adapters that come and go while a window is open: the udev monitor's broadcast reaches
// the chooser through its form, and a port whose adapter is pulled closes.
#include <gmock/gmock.h>

#include <algorithm>
#include <chrono>
#include <pty.h>
#include <thread>
#include <unistd.h>

#include "comm/reRore.h"
#include "devices/rerorebox.h"
#include "platform/classes/Application.h"
#include "platform/classes/DeviceBroadcast.h"
#include "platform/classes/MessageLoop.h"
#include "platform/serial/PortDiscovery.h"
#include "platform/ui/Forms.h"
#include "platform/ui/UserInterface.h"
#include "platform/win32/Dbt.h"
#include "platform/win32/Registry.h"
#include "tests/platform/devices/AdapterRecording.h"
#include "tests/platform/devices/RecordedDevices.h"
#include "tests/support/EnvironmentGuard.h"
#include "tests/support/TempDir.h"

namespace {
using Texts = std::vector<AnsiString>;

class CodeRecorder : public TObject {
public:
    void Notify(TObject*, int32_t code) { codes.push_back(code); }
    std::vector<int32_t> codes;
};

class HotPlugTest : public ::testing::Test {
protected:
    void SetUp() override {
        static int argc = 1;
        static char name[] = "test_devicedb";
        static char* argv[] = {name, nullptr};
        InitUserInterface(argc, argv);
        RegDeleteKeyA(HKEY_CURRENT_USER, STABLE_PORT_NUMBERS_KEY);
        environment.Set("VOKA_PORTS", nullptr);
    }
    // The window's loop runs until done holds; a hang guard, not a measured time.
    static bool RunLoopUntil(const std::function<bool()>& done) {
        for (int round = 0; round < 2000; ++round) {
            TMessageLoop::Main().ProcessPending();
            if (done())
                return true;
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
        }
        return false;
    }
    // The window as it is built: a serial component and the chooser bound to it.
    void MakeWindow() {
        form = std::make_unique<TForm>(nullptr);
        port = new TreRore(form.get());
        box = new TnrDeviceBox(form.get());
        box->SetParent(form.get());
        box->SetComm(port);
    }
    Texts Items() const {
        Texts texts;
        for (int i = 0; i < box->GetItems()->Count(); ++i)
            texts.push_back(box->GetItems()->Strings(i));
        return texts;
    }
    AnsiString Selected() const {
        const int index = box->GetItemIndex();
        return index < 0 ? AnsiString() : box->GetItems()->Strings(index);
    }

    EnvironmentGuard environment;
    std::unique_ptr<TForm> form;
    TreRore* port = nullptr;
    TnrDeviceBox* box = nullptr;
};

TEST_F(HotPlugTest, APlugAndAnUnplugRefillTheChooserAndKeepTheSelection) {
    RecordedDevices devices{"uart-16550.umockdev"};
    MakeWindow();
    EXPECT_EQ(Items(), (Texts{"COM1"}));
    EXPECT_EQ(Selected(), "COM1");

    const std::string adapter = UsbAdapterPath("1-2", "ttyUSB0");
    devices.Add(FtdiAdapter("ttyUSB0", "1-2", "A1"));
    devices.Uevent(adapter, "add");
    ASSERT_TRUE(RunLoopUntil([&] { return Items().size() == 2; })) << "no arrival seen";
    EXPECT_EQ(Items(), (Texts{"COM1", "COM3"}));
    EXPECT_EQ(Selected(), "COM1");

    box->SetItemIndex(1);
    box->UserPicked();
    EXPECT_EQ(port->GetComPortNo(), 3);
    devices.Remove(adapter);
    ASSERT_TRUE(RunLoopUntil([&] { return Items().size() == 1; })) << "no removal seen";
    EXPECT_EQ(Items(), (Texts{"COM1"}));
    EXPECT_EQ(Selected(), ""); // the picked port went with its adapter
}

TEST_F(HotPlugTest, APortOpenWhenItsAdapterIsPulledClosesAsOnAFailedWait) {
    int master = -1, slave = -1;
    char pty[256];
    ASSERT_EQ(0, openpty(&master, &slave, pty, nullptr, nullptr));
    // Named through a link that goes with the adapter: a parallel test may get the same
    // pseudo-terminal number once this one is closed.
    TempDir dir;
    const std::string adapter = dir / "adapter";
    ASSERT_EQ(0, symlink(pty, adapter.c_str()));
    environment.Set("VOKA_PORTS", ("COM9=" + adapter).c_str());
    TApplication application; // the close is handed to the window's thread
    MakeWindow();
    CodeRecorder recorder;
    port->NotifyAdd(TnrNotifyEvent::Bind<&CodeRecorder::Notify>(&recorder));
    box->SetItemIndex(static_cast<int>(Items().size()) - 1);
    box->UserPicked();
    ASSERT_EQ(port->GetComPortNo(), 9);
    recorder.codes.clear();
    port->SetActive(true);
    ASSERT_TRUE(port->GetActive());

    // Pulled: the line hangs up and the node goes.
    close(master);
    close(slave);
    unlink(adapter.c_str());
    ASSERT_TRUE(RunLoopUntil([&] { return !port->GetActive(); })) << "the port stayed open";
    // Lists rebuilt for other devices' events meanwhile (code 3) do not count here.
    std::erase(recorder.codes, NOTIFY_DEVICES_CHANGED);
    EXPECT_EQ(recorder.codes, (std::vector<int32_t>{2, 1}));
    BroadcastPortChange(DBT_DEVICEREMOVECOMPLETE, "COM9");
    const Texts left = Items();
    EXPECT_EQ(std::find(left.begin(), left.end(), "COM9"), left.end());

    // The window goes on: another try reports the missing port.
    EXPECT_THROW(port->SetActive(true), Exception);
    EXPECT_FALSE(port->GetActive());
    form.reset(); // the window goes before the application, as at the program's end
}
} // namespace
