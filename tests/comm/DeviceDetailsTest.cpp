// The device list's full modes: the port map joined with the setup records.
#include <gmock/gmock.h>

#include "platform/win32/DevGuid.h"
#include "tests/comm/CommTestSupport.h"
#include "tests/devices/pnp/FakeSetupApi.h"

using ::testing::ElementsAre;

namespace {
class DeviceDetailsTest : public ::testing::Test {
protected:
    void SetUp() override {
        InstallFakeSetupApi();
        SetSerialPortMapProvider([] {
            return std::vector<std::pair<AnsiString, AnsiString>>{
                {"/dev/ttyS0", "COM1"}, {"/dev/ttyUSB0", "COM3"}, {"/dev/ttyACM0", "COM4"}};
        });
        // COM3 behind the interface class, and again in the Ports class; COM4 in the Ports
        // class without a description; a device whose port the map does not list.
        AddFakeDevice({.classGuid = GUID_DEVINTERFACE_COMPORT,
                       .interfaceClass = true,
                       .driverKey = "{4D36E978-E325-11CE-BFC1-08002BE10318}\\0002",
                       .service = "ftdi_sio",
                       .description = "FT232R USB UART",
                       .manufacturer = "FTDI",
                       .deviceKey = "SOFTWARE\\Fake\\FTDI\\Device Parameters",
                       .portName = "com3",
                       .symbolicName = "/dev/serial/by-id/usb-FTDI",
                       .instanceId = "USB\\VID_0403&PID_6001\\A50285BI",
                       .devInst = 5,
                       .interfacePath = "/dev/ttyUSB0"});
        AddFakeDevice({.classGuid = GUID_DEVCLASS_PORTS,
                       .driverKey = "{4D36E978-E325-11CE-BFC1-08002BE10318}\\0099",
                       .description = "Second sighting",
                       .deviceKey = "SOFTWARE\\Fake\\Ports\\Device Parameters",
                       .portName = "COM3"});
        AddFakeDevice({.classGuid = GUID_DEVCLASS_PORTS,
                       .driverKey = "{4D36E978-E325-11CE-BFC1-08002BE10318}\\0003",
                       .service = "cdc_acm",
                       .manufacturer = "u-blox",
                       .deviceKey = "SOFTWARE\\Fake\\ACM\\Device Parameters",
                       .portName = "COM4",
                       .instanceId = "USB\\VID_1546&PID_01A7&MI_00\\6&1&0&0000",
                       .devInst = 6});
        AddFakeDevice({.classGuid = GUID_DEVCLASS_MODEM,
                       .description = "Elsewhere",
                       .deviceKey = "SOFTWARE\\Fake\\Modem\\Device Parameters",
                       .portName = "COM9"});
        comm = std::make_unique<TreRore>(nullptr);
    }
    void TearDown() override {
        comm.reset();
        SetSerialPortMapProvider(nullptr);
        RemoveFakeSetupApi();
    }
    std::vector<AnsiString> Load(TnrEnumPorts mode) {
        comm->SetEnumPorts(mode);
        comm->Update();
        std::vector<AnsiString> names;
        for (int i = 0; i < comm->GetDeviceCount(); ++i)
            names.push_back(comm->GetDevice(i)->DisplayName);
        return names;
    }

    std::unique_ptr<TreRore> comm;
};

TEST_F(DeviceDetailsTest, FullInfoDetailsThePortsThatHaveARecord) {
    EXPECT_THAT(Load(epFullInfo), ElementsAre("COM1", "COM3 (FT232R USB UART)", "COM4"));
    const TnrDevice& bare = *comm->GetDevice(0);
    EXPECT_EQ(bare.Description, "");
    EXPECT_EQ(bare.DriverKey, "");
    EXPECT_EQ(bare.PhysicalName, "/dev/ttyS0");

    const TnrDevice& ftdi = *comm->GetDevice(1);
    EXPECT_EQ(ftdi.PortName, "COM3");
    EXPECT_EQ(ftdi.Description, "FT232R USB UART") << "the first sighting wins";
    EXPECT_EQ(ftdi.Service, "ftdi_sio");
    EXPECT_EQ(ftdi.DriverKey, "{4D36E978-E325-11CE-BFC1-08002BE10318}\\0002");
    EXPECT_EQ(ftdi.Manufacturer, "FTDI");
    EXPECT_EQ(ftdi.DevicePortName, "com3") << "matched ignoring letter case";
    EXPECT_EQ(ftdi.RegistryKey, "SOFTWARE\\Fake\\FTDI\\Device Parameters");
    EXPECT_EQ(ftdi.PhysicalName, "/dev/ttyUSB0") << "the port map's, not the record's";
    EXPECT_EQ(ftdi.SymbolicName, "");
    EXPECT_EQ(ftdi.InstanceId, "");
    EXPECT_EQ(ftdi.BusRelations, "");
    EXPECT_EQ(ftdi.DevNode, 0u);

    // A record without a description still gives its other details.
    const TnrDevice& acm = *comm->GetDevice(2);
    EXPECT_EQ(acm.DisplayName, "COM4");
    EXPECT_EQ(acm.Service, "cdc_acm");
    EXPECT_EQ(acm.DriverKey, "{4D36E978-E325-11CE-BFC1-08002BE10318}\\0003");
    EXPECT_EQ(acm.Manufacturer, "u-blox");
    EXPECT_EQ(acm.DevicePortName, "COM4");
    EXPECT_EQ(acm.RegistryKey, "SOFTWARE\\Fake\\ACM\\Device Parameters");
    EXPECT_EQ(Fake().openSets, 0);
}

TEST_F(DeviceDetailsTest, TwelveClassesAreAskedInOrder) {
    Load(epFullInfo);
    const std::vector<GUID> expected = {GUID_DEVINTERFACE_MODEM,
                                        GUID_DEVINTERFACE_COMPORT,
                                        GUID_DEVINTERFACE_SERENUM_BUS_ENUMERATOR,
                                        GUID_DEVCLASS_PORTS,
                                        GUID_DEVCLASS_INFRARED,
                                        GUID_DEVCLASS_ADAPTER,
                                        GUID_DEVCLASS_BLUETOOTH,
                                        GUID_DEVCLASS_MODEM,
                                        GUID_DEVCLASS_MULTIFUNCTION,
                                        GUID_DEVCLASS_MULTIPORTSERIAL,
                                        GUID_DEVCLASS_LEGACYDRIVER,
                                        GUID_DEVCLASS_NODRIVER};
    EXPECT_EQ(Fake().classDevsGuids, expected);
    std::vector<DWORD> flags(12, 0);
    flags[0] = flags[1] = flags[2] = DIGCF_DEVICEINTERFACE;
    EXPECT_EQ(Fake().classDevsFlags, flags);

    Fake().classDevsFlags.clear();
    Load(epFullPresent);
    for (DWORD& flag : flags)
        flag |= DIGCF_PRESENT;
    EXPECT_EQ(Fake().classDevsFlags, flags);

    Fake().classDevsFlags.clear();
    Load(epQuickAll);
    EXPECT_TRUE(Fake().classDevsFlags.empty()) << "the quick mode asks no setup class";
}

TEST_F(DeviceDetailsTest, FullPresentKeepsOnlyThePortsThatMatched) {
    EXPECT_THAT(Load(epFullPresent), ElementsAre("COM3 (FT232R USB UART)", "COM4"));
    EXPECT_EQ(comm->GetDevice(0)->Index, 0) << "indexes follow the kept records";
    EXPECT_EQ(comm->GetDevice(1)->Index, 1);
}

TEST_F(DeviceDetailsTest, WithoutTheSetupLibraryFullPresentIsEmptyAndFullInfoBare) {
    RemoveFakeSetupApi();
    UnregisterModule(SETUP_LIBRARY_NAME);
    EXPECT_TRUE(Load(epFullPresent).empty());
    EXPECT_THAT(Load(epFullInfo), ElementsAre("COM1", "COM3", "COM4"));
}
} // namespace
