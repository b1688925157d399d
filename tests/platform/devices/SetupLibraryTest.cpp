// The setup library and configuration manager over recorded adapters, through the
// communication library's setup-API layer as the serial component uses it.
#include <gmock/gmock.h>

#include "comm/reRore.h"
#include "devices/pnp/nrwin32di.h"
#include "devices/pnp/nrwin32helpers.h"
#include "platform/serial/PortDiscovery.h"
#include "platform/win32/DevGuid.h"
#include "platform/win32/Synch.h"
#include "tests/platform/devices/RecordedDevices.h"

using ::testing::ElementsAre;
using ::testing::IsEmpty;

namespace {
class SetupLibraryTest : public ::testing::Test {
protected:
    // Each test hands out COM numbers afresh.
    void SetUp() override { RegDeleteKeyA(HKEY_CURRENT_USER, STABLE_PORT_NUMBERS_KEY); }
    void TearDown() override {
        for (int i = 0; i < records.Count(); ++i)
            delete records.Objects(i);
        UseRealTickCount();
    }
    // The records of the Ports class (or of the COM port interface class).
    std::vector<const TnrDevice*> Ports(bool interfaces = false) {
        DiEnumInstalledDevices(interfaces ? GUID_DEVINTERFACE_COMPORT : GUID_DEVCLASS_PORTS, true,
                               interfaces, records);
        std::vector<const TnrDevice*> devices;
        for (int i = 0; i < records.Count(); ++i)
            devices.push_back(static_cast<const TnrDevice*>(records.Objects(i)));
        return devices;
    }
    TStringList records;
};

struct Adapter {
    const char* recording;
    const char* description;
    const char* manufacturer;
    const char* service;
    const char* instanceId;
};

TEST_F(SetupLibraryTest, EachAdapterAsThePortsClassShowsIt) {
    const Adapter adapters[] = {
        {"ftdi-ft232r.umockdev", "FT232R USB UART", "FTDI", "ftdi_sio",
         "USB\\VID_0403&PID_6001\\A50285BI"},
        {"cp2102.umockdev", "CP2102 USB to UART Bridge Controller", "Silicon Labs", "cp210x",
         "USB\\VID_10C4&PID_EA60\\0001"},
        // No strings in the device: the hardware database's names.
        {"ch340.umockdev", "CH340 serial converter", "QinHeng Electronics", "ch341",
         "USB\\VID_1A86&PID_7523\\5&"},
        {"pl2303.umockdev", "USB-Serial Controller", "Prolific Technology Inc.", "pl2303",
         "USB\\VID_067B&PID_2303\\5&"},
        {"cdc-acm-modem.umockdev", "u-blox 7 - GPS/GNSS Receiver", "u-blox AG - www.u-blox.com",
         "cdc_acm", "USB\\VID_1546&PID_01A7&MI_00\\6&"},
        {"uart-16550.umockdev", "Communications Port", "(Standard port types)", "serial8250",
         "ACPI\\PNP0501\\5"},
    };
    for (const Adapter& adapter : adapters) {
        SCOPED_TRACE(adapter.recording);
        RegDeleteKeyA(HKEY_CURRENT_USER, STABLE_PORT_NUMBERS_KEY);
        RecordedDevices devices({adapter.recording});
        const auto ports = Ports();
        ASSERT_EQ(ports.size(), 1u);
        const TnrDevice& port = *ports[0];
        const bool uart = adapter.service == std::string("serial8250");
        EXPECT_EQ(port.Description, adapter.description);
        EXPECT_EQ(port.Manufacturer, adapter.manufacturer);
        EXPECT_EQ(port.Service, adapter.service);
        EXPECT_EQ(port.InstanceId.rfind(adapter.instanceId, 0), 0u) << port.InstanceId;
        EXPECT_EQ(port.DevicePortName, uart ? "COM1" : "COM3");
        EXPECT_EQ(port.DriverKey, uart ? "{4D36E978-E325-11CE-BFC1-08002BE10318}\\0000"
                                       : "{4D36E978-E325-11CE-BFC1-08002BE10318}\\0002");
        EXPECT_EQ(port.RegistryKey,
                  "SYSTEM\\CurrentControlSet\\Enum\\" + port.InstanceId + "\\Device Parameters");
        EXPECT_EQ(port.SymbolicName.rfind(uart ? "/dev/serial/by-path/" : "/dev/serial/by-id/", 0),
                  0u)
            << port.SymbolicName;
        EXPECT_NE(port.DevNode, 0u);
        EXPECT_EQ(port.PhysicalName.rfind("/sys/devices/", 0), 0u);
        for (int i = 0; i < records.Count(); ++i)
            delete records.Objects(i);
        records.Clear();
    }
}

TEST_F(SetupLibraryTest, GeneratedInstanceIdentifiersAreStableAndDistinct) {
    AnsiString first, second;
    {
        RecordedDevices devices({"ftdi-ft232r-no-serial.umockdev"});
        first = Ports().at(0)->InstanceId;
    }
    for (int i = 0; i < records.Count(); ++i)
        delete records.Objects(i);
    records.Clear();
    {
        RecordedDevices devices({"ftdi-ft232r-no-serial.umockdev"});
        second = Ports().at(0)->InstanceId;
    }
    EXPECT_EQ(first, second);
    EXPECT_THAT(first, ::testing::MatchesRegex("USB\\\\VID_0403&PID_6001\\\\5&[0-9A-F]{8}&0&4"));
}

TEST_F(SetupLibraryTest, PhantomUartsAndTerminalsAreNoPorts) {
    RecordedDevices devices({"phantom-ttys.umockdev"});
    EXPECT_THAT(Ports(), IsEmpty());
    EXPECT_THAT(Ports(true), IsEmpty());
}

TEST_F(SetupLibraryTest, TheComPortInterfaceClassGivesTheDeviceNodes) {
    RecordedDevices devices(
        {"ftdi-ft232r.umockdev", "cdc-acm-modem.umockdev", "uart-16550.umockdev"});
    const auto ports = Ports(true);
    std::vector<AnsiString> paths;
    for (const TnrDevice* port : ports)
        paths.push_back(port->SymbolicName);
    EXPECT_THAT(paths,
                ::testing::UnorderedElementsAre("/dev/ttyUSB0", "/dev/ttyACM0", "/dev/ttyS0"));
    // The other classes have nothing on Linux.
    TStringList none;
    for (const GUID* guid : {&GUID_DEVINTERFACE_MODEM, &GUID_DEVINTERFACE_SERENUM_BUS_ENUMERATOR})
        DiEnumInstalledDevices(*guid, false, true, none);
    for (const GUID* guid : {&GUID_DEVCLASS_MODEM, &GUID_DEVCLASS_MULTIPORTSERIAL,
                             &GUID_DEVCLASS_BLUETOOTH, &GUID_DEVCLASS_NODRIVER})
        DiEnumInstalledDevices(*guid, false, false, none);
    EXPECT_EQ(none.Count(), 0);
}

TEST_F(SetupLibraryTest, BusRelationsAreTheDeviceNodesChildren) {
    RecordedDevices devices({"cdc-acm-modem.umockdev"});
    const TnrDevice& modem = *Ports().at(0);
    EXPECT_EQ(modem.BusRelations, "") << "the port's interface has no children";
    // Up the tree: the composite device, then the root hub, found again by its identifier.
    DEVINST composite = 0, hub = 0, located = 0;
    ASSERT_EQ(CM_Get_Parent(&composite, modem.DevNode, 0), CR_SUCCESS);
    ASSERT_EQ(CM_Get_Parent(&hub, composite, 0), CR_SUCCESS);
    ASSERT_EQ(CM_Locate_DevNodeA(&located, "USB\\VID_1D6B&PID_0002\\0000:00:14.0", 0), CR_SUCCESS);
    EXPECT_EQ(located, hub) << "the root hub, by its serial number";
    char text[256] = {};
    ULONG length = sizeof text;
    EXPECT_EQ(CM_Get_DevNode_Registry_PropertyA(hub, CM_DRP_DEVICEDESC, nullptr, text, &length, 0),
              CR_NO_SUCH_VALUE)
        << "only ports carry a description";

    const AnsiString relations = DiGetBusRelations("USB\\VID_1D6B&PID_0002\\0000:00:14.0", ";");
    EXPECT_THAT(relations,
                ::testing::MatchesRegex("USB\\\\VID_1546&PID_01A7\\\\5&[0-9A-F]{8}&0&7"));
    EXPECT_THAT(DiGetBusRelations(relations, ";"),
                ::testing::MatchesRegex("USB\\\\VID_1546&PID_01A7&MI_00\\\\6&[0-9A-F]{8}&0&0000;"
                                        "USB\\\\VID_1546&PID_01A7&MI_01\\\\6&[0-9A-F]{8}&0&0001"));
    EXPECT_EQ(DiGetBusRelations("USB\\VID_FFFF&PID_FFFF\\NONE", ";"), "");
}

TEST_F(SetupLibraryTest, TheDeviceKeyIsFoundAsOnTheOtherPlatform) {
    RecordedDevices devices({"ftdi-ft232r.umockdev"});
    const TnrDevice& port = *Ports().at(0);
    EXPECT_EQ(RegReadString(HKEY_LOCAL_MACHINE, port.RegistryKey, "PortName"), "COM3");
    EXPECT_EQ(RegReadString(HKEY_LOCAL_MACHINE, port.RegistryKey, "SymbolicName"),
              "/dev/serial/by-id/usb-FTDI_FT232R_USB_UART_A50285BI-if00-port0");
    HKEY key = nullptr;
    ASSERT_EQ(RegOpenKeyExA(HKEY_LOCAL_MACHINE, port.RegistryKey.c_str(), 0, KEY_ALL_ACCESS, &key),
              ERROR_SUCCESS);
    EXPECT_EQ(RegSetValueExA(key, "PortName", 0, REG_SZ, reinterpret_cast<const BYTE*>("COM9"), 5),
              ERROR_ACCESS_DENIED)
        << "device keys are read-only";
    EXPECT_EQ(RegGetKeyFullName(key), "\\REGISTRY\\MACHINE\\" + port.RegistryKey);
    RegCloseKey(key);
    char name[64];
    DWORD nameSize = sizeof name;
    ASSERT_EQ(
        RegOpenKeyExA(HKEY_LOCAL_MACHINE, "SYSTEM\\CurrentControlSet\\Enum", 0, KEY_READ, &key),
        ERROR_SUCCESS);
    EXPECT_EQ(RegEnumKeyExA(key, 0, name, &nameSize, nullptr, nullptr, nullptr, nullptr),
              ERROR_SUCCESS);
    EXPECT_STREQ(name, "USB");
    RegCloseKey(key);
    EXPECT_NE(RegOpenKeyExA(HKEY_LOCAL_MACHINE, "SYSTEM\\CurrentControlSet\\Enum\\PCI", 0, KEY_READ,
                            &key),
              ERROR_SUCCESS);
}

TEST_F(SetupLibraryTest, AUsbDeviceIsAskedToGoAndAUartRefuses) {
    RecordedDevices devices({"ftdi-ft232r.umockdev", "uart-16550.umockdev"});
    const auto ports = Ports();
    ASSERT_EQ(ports.size(), 2u);
    const TnrDevice& uart = *(ports[0]->Service == "serial8250" ? ports[0] : ports[1]);
    const TnrDevice& ftdi = *(ports[0]->Service == "serial8250" ? ports[1] : ports[0]);
    EXPECT_TRUE(DiEjectDevice(ftdi.DevNode));
    EXPECT_EQ(devices.Attribute("/devices/pci0000:00/0000:00:14.0/usb1/1-2", "remove"), "1");

    SetTestTickCount(0);
    SetTestSleepInstant(true);
    PNP_VETO_TYPE veto = PNP_VetoTypeUnknown;
    char vetoName[260] = {};
    EXPECT_EQ(CM_Request_Device_EjectA(uart.DevNode, &veto, vetoName, sizeof vetoName, 0),
              CR_REMOVE_VETOED);
    EXPECT_EQ(veto, PNP_VetoIllegalDeviceRequest);
    EXPECT_STREQ(vetoName, "ACPI\\PNP0501\\5");
    try {
        DiEjectDevice(uart.DevNode);
        FAIL() << "the refusal raised nothing";
    } catch (const Exception& error) {
        EXPECT_EQ(error.Message, "ACPI\\PNP0501\\5");
    }
    EXPECT_EQ(GetTickCount(), 1500u) << "three pauses";
}

TEST_F(SetupLibraryTest, TheSerialComponentListsTheAdapterUnderItsDescription) {
    RecordedDevices devices({"ftdi-ft232r.umockdev", "uart-16550.umockdev"});
    TreRore comm(nullptr);
    comm.SetEnumPorts(epFullPresent);
    TStringList names;
    comm.GetDeviceList(&names);
    EXPECT_THAT(names.Text(), "COM1 (Communications Port)\nCOM3 (FT232R USB UART)\n");
    EXPECT_EQ(comm.GetDevice(1)->Service, "ftdi_sio");
}

TEST_F(SetupLibraryTest, WithoutDevicesFullPresentIsEmpty) {
    RecordedDevices devices;
    TreRore comm(nullptr);
    comm.SetEnumPorts(epFullPresent);
    comm.GetDeviceList(nullptr);
    EXPECT_EQ(comm.GetDeviceCount(), 0);
}

TEST_F(SetupLibraryTest, InstallationEndsAtTheInfClass) {
    RecordedDevices devices;
    EXPECT_FALSE(InstallDriver("USB\\VID_0403&PID_6001", "/nonexistent/ftdi.inf"));
    EXPECT_FALSE(SetupDiGetINFClassA("/nonexistent/ftdi.inf", nullptr, nullptr, 0, nullptr));
    EXPECT_EQ(GetLastError(), ERROR_FILE_NOT_FOUND);
}
} // namespace
