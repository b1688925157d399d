// The setup-API layer against a setup library of the test's own.
#include <gmock/gmock.h>

#include "devices/pnp/Device.h"
#include "platform/win32/DevGuid.h"
#include "platform/win32/Drives.h"
#include "platform/win32/Synch.h"
#include "platform/win32/User.h"
#include "tests/devices/pnp/FakeSetupApi.h"

using ::testing::ElementsAre;

namespace {
class SetupDiTest : public ::testing::Test {
protected:
    void SetUp() override { InstallFakeSetupApi(); }
    void TearDown() override {
        RemoveFakeSetupApi();
        UseRealTickCount();
    }
};

bool LibraryLoaded() {
    return GetModuleHandleA(SETUP_LIBRARY_NAME) != nullptr;
}

TEST_F(SetupDiTest, ALibraryLackingAnyNameIsUnloadedAndTriedAgainLater) {
    for (const char* missing :
         {"SetupDiGetClassDevsA", "CM_Get_Parent", "CM_Request_Device_EjectA"}) {
        InstallFakeSetupApi(missing);
        EXPECT_FALSE(IniSetupDI()) << missing;
        EXPECT_FALSE(LibraryLoaded()) << missing;
        EXPECT_EQ(SetupDI().SetupDiGetClassDevsA, nullptr) << "no slot stays bound";
    }
    InstallFakeSetupApi(); // the library is complete now
    EXPECT_TRUE(IniSetupDI());
    EXPECT_TRUE(LibraryLoaded());
    EXPECT_TRUE(IniSetupDI()) << "loaded once, stays loaded";
    FinalizeSetupDI();
    EXPECT_FALSE(LibraryLoaded());
}

TEST_F(SetupDiTest, WithoutTheLibraryEveryServiceGivesItsEmptyResult) {
    UnregisterModule(SETUP_LIBRARY_NAME);
    TStringList records;
    DiEnumInstalledDevices(GUID_DEVCLASS_PORTS, false, false, records);
    EXPECT_EQ(records.Count(), 0);
    EXPECT_FALSE(DiEjectDevice(1));
    EXPECT_FALSE(InstallDriver("USB\\VID_0403&PID_6001", "/tmp/x.inf"));
    EXPECT_EQ(DiGetBusRelations("USB\\ROOT_HUB\\0", ";"), "");
}

TEST_F(SetupDiTest, BusRelationsAreTheChildrenJoined) {
    AddFakeDevice({.instanceId = "USB\\ROOT_HUB30\\4&1", .children = {"USB\\A\\1", "USB\\B\\2"}});
    AddFakeDevice({.instanceId = "USB\\A\\1"});
    ASSERT_TRUE(IniSetupDI());
    EXPECT_EQ(DiGetBusRelations("USB\\ROOT_HUB30\\4&1", ";"), "USB\\A\\1;USB\\B\\2");
    EXPECT_EQ(DiGetBusRelations("USB\\A\\1", ";"), "");
    EXPECT_EQ(DiGetBusRelations("USB\\UNKNOWN\\9", ";"), "");
}

class DebugTrail : public ConsoleUserServices {
public:
    void OutputDebugString(const AnsiString& text) override { lines.push_back(text); }
    std::vector<AnsiString> lines;
};

TEST_F(SetupDiTest, InstallDriverLeavesItsStagesInTheDebugOutput) {
    DebugTrail trail;
    UserServices* previous = SetUserServices(&trail);
    Fake().infClassReadable = false;
    EXPECT_FALSE(InstallDriver("USB\\VID_0403&PID_6001", "/tmp/ftdi.inf"));
    EXPECT_TRUE(trail.lines.empty()) << "an unreadable INF class writes nothing";

    Fake().infClassReadable = true;
    Fake().registerSucceeds = false;
    EXPECT_FALSE(InstallDriver("USB\\VID_0403&PID_6001", "/tmp/ftdi.inf"));
    EXPECT_THAT(trail.lines, ElementsAre("begin ....", " .. 1 ..", " .. 2 ..", " .. 3 .."));
    EXPECT_EQ(Fake().openSets, 0) << "the set is destroyed";

    // Registered, but "newdev.dll" does not exist: the driver update fails.
    trail.lines.clear();
    Fake().registerSucceeds = true;
    EXPECT_FALSE(InstallDriver("USB\\VID_0403&PID_6001", "/tmp/ftdi.inf"));
    EXPECT_THAT(trail.lines, ElementsAre("begin ....", " .. 1 ..", " .. 2 ..", " .. 3 ..",
                                         " .. 4 ..", " .. 5 .."));
    SetUserServices(previous);
}

TEST_F(SetupDiTest, EjectionRefusedFourTimesRaisesTheLastVetoName) {
    SetTestTickCount(1000);
    SetTestSleepInstant(true);
    Fake().ejectRefusals = -1;
    Fake().vetoName = "USB\\VID_0403&PID_6001\\A50285BI";
    try {
        DiEjectDevice(7);
        FAIL() << "no error raised";
    } catch (const Exception& error) {
        EXPECT_EQ(error.Message, "USB\\VID_0403&PID_6001\\A50285BI");
    }
    EXPECT_EQ(Fake().ejectRequests, 4);
    EXPECT_THAT(Fake().ejectTicks, ElementsAre(1000u, 1500u, 2000u, 2500u)) << "500 ms apart";
}

TEST_F(SetupDiTest, EjectionGrantedOnALaterAttemptSucceeds) {
    SetTestTickCount(0);
    SetTestSleepInstant(true);
    Fake().ejectRefusals = 3;
    EXPECT_TRUE(DiEjectDevice(7));
    EXPECT_EQ(Fake().ejectRequests, 4);
    Fake().ejectRequests = 0;
    Fake().ejectRefusals = 0;
    EXPECT_TRUE(DiEjectDevice(7));
    EXPECT_EQ(Fake().ejectRequests, 1);
}

TEST_F(SetupDiTest, EnumerationFillsRecordsUnderTheirDriverKeys) {
    const char* key = "SYSTEM\\Fake\\Enum\\USB\\VID_0403&PID_6001\\A50285BI\\Device Parameters";
    AddFakeDevice({.classGuid = GUID_DEVINTERFACE_COMPORT,
                   .interfaceClass = true,
                   .driverKey = "{4D36E978-E325-11CE-BFC1-08002BE10318}\\0002",
                   .service = "ftdi_sio",
                   .physicalName = "/sys/devices/usb1/1-2",
                   .description = "FT232R USB UART",
                   .manufacturer = "FTDI",
                   .deviceKey = key,
                   .portName = "COM3",
                   .symbolicName = "/dev/serial/by-id/usb-FTDI",
                   .instanceId = "USB\\VID_0403&PID_6001\\A50285BI",
                   .devInst = 12,
                   .interfacePath = "/dev/ttyUSB0"});
    AddFakeDevice({.classGuid = GUID_DEVCLASS_PORTS, .description = "Communications Port"});
    TStringList records;
    DiEnumInstalledDevices(GUID_DEVINTERFACE_COMPORT, true, true, records);
    ASSERT_EQ(records.Count(), 1);
    EXPECT_THAT(Fake().classDevsFlags, ElementsAre(DIGCF_PRESENT | DIGCF_DEVICEINTERFACE));
    auto* device = static_cast<TnrDevice*>(records.Objects(0));
    EXPECT_EQ(records.Strings(0), "{4D36E978-E325-11CE-BFC1-08002BE10318}\\0002");
    EXPECT_EQ(device->Service, "ftdi_sio");
    EXPECT_EQ(device->PhysicalName, "/sys/devices/usb1/1-2");
    EXPECT_EQ(device->Description, "FT232R USB UART");
    EXPECT_EQ(device->Manufacturer, "FTDI");
    EXPECT_EQ(device->RegistryKey, key) << "below the local-machine root";
    EXPECT_EQ(device->DevicePortName, "COM3");
    EXPECT_EQ(device->InstanceId, "USB\\VID_0403&PID_6001\\A50285BI");
    EXPECT_EQ(device->DevNode, 12u);
    EXPECT_EQ(device->SymbolicName, "/dev/ttyUSB0") << "the interface path replaces the key's";
    EXPECT_EQ(Fake().detailSizeSeen, 5u);
    EXPECT_EQ(Fake().openSets, 0);
    delete device;

    // Without interfaces the device key's symbolic name stays; a bare record stays bare.
    TStringList plain;
    DiEnumInstalledDevices(GUID_DEVCLASS_PORTS, false, false, plain);
    ASSERT_EQ(plain.Count(), 1);
    EXPECT_EQ(Fake().classDevsFlags.back(), 0u);
    auto* bare = static_cast<TnrDevice*>(plain.Objects(0));
    EXPECT_EQ(plain.Strings(0), "");
    EXPECT_EQ(bare->Description, "Communications Port");
    EXPECT_EQ(bare->RegistryKey, "");
    EXPECT_EQ(bare->InstanceId, "");
    EXPECT_EQ(bare->DevNode, 0u);
    delete bare;
}

// Drives: C: the root file system, then D: a CD-ROM and E: a stick.
class VolumesTest : public ::testing::Test {
protected:
    void SetUp() override {
        SetMountTableSource([] {
            return std::vector<MountEntry>{{"/dev/sda1", "/", "ext4", false},
                                           {"/dev/sr0", "/media/user/DISC", "iso9660", false},
                                           {"/dev/sdb1", "/media/user/STICK", "vfat", true}};
        });
    }
    void TearDown() override { SetMountTableSource(nullptr); }
};

TEST_F(VolumesTest, TheSelectedKindsInLetterOrderEachWithItsSeparator) {
    EXPECT_EQ(DiGetVolumes(false, false, true, false, false, " "), "C");
    EXPECT_EQ(DiGetVolumes(false, true, true, false, false, " "), "C D");
    EXPECT_EQ(DiGetVolumes(false, true, true, false, false, ";"), "C;D;");
    EXPECT_EQ(DiGetVolumes(false, true, true, true, false, ","), "C,D,E,");
    EXPECT_EQ(DiGetVolumes(true, false, false, false, true, ";"), "");
}
} // namespace
