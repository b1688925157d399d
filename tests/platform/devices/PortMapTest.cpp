// The port map on recorded devices: which devices are ports, their COM numbers and how the
// numbers hold across runs, and VOKA_PORTS entries beside them.
#include <gmock/gmock.h>

#include <map>
#include <pty.h>
#include <unistd.h>

#include "platform/serial/PortDiscovery.h"
#include "platform/serial/SerialPlatform.h"
#include "platform/serial/virtual/VirtualPort.h"
#include "platform/win32/Registry.h"
#include "tests/platform/devices/AdapterRecording.h"
#include "tests/platform/devices/RecordedDevices.h"
#include "tests/support/EnvironmentGuard.h"

namespace {
using PortMap = std::map<std::string, std::string>; // port name -> device

class PortMapTest : public ::testing::Test {
protected:
    void SetUp() override {
        RegDeleteKeyA(HKEY_CURRENT_USER, STABLE_PORT_NUMBERS_KEY);
        environment.Set("VOKA_PORTS", nullptr);
    }
    static PortMap Discover(const std::vector<int>& reserved = {}) {
        PortMap ports;
        for (const auto& [device, port] : DiscoverSerialDevices(reserved))
            ports[port] = device;
        return ports;
    }
    static PortMap LiveMap() {
        PortMap ports;
        for (const auto& [device, port] : SerialPortMap())
            ports[port] = device;
        return ports;
    }
    EnvironmentGuard environment;
};

TEST_F(PortMapTest, OnlyRealUartsAreListedAsTheirOwnNumbers) {
    RecordedDevices devices{"uart-16550.umockdev", "phantom-ttys.umockdev"};
    EXPECT_EQ(Discover(), (PortMap{{"COM1", "/dev/ttyS0"}}));
}

TEST_F(PortMapTest, AdaptersGetFreeNumbersFromThreeAndKeepThem) {
    {
        RecordedDevices devices;
        devices.Add(FtdiAdapter("ttyUSB0", "1-2", "A1"));
        devices.Add(FtdiAdapter("ttyUSB1", "1-3", "B2"));
        EXPECT_EQ(Discover({4}), (PortMap{{"COM3", "/dev/ttyUSB0"}, {"COM5", "/dev/ttyUSB1"}}));
    }
    HKEY key = nullptr;
    ASSERT_EQ(ERROR_SUCCESS,
              RegOpenKeyExA(HKEY_CURRENT_USER, STABLE_PORT_NUMBERS_KEY, 0, KEY_READ, &key));
    DWORD number = 0, size = sizeof number, type = 0;
    EXPECT_EQ(ERROR_SUCCESS,
              RegQueryValueExA(key, "by-id/usb-FTDI_FT232R_USB_UART_A1-if00-port0", nullptr, &type,
                               reinterpret_cast<BYTE*>(&number), &size));
    EXPECT_EQ(3u, number);
    RegCloseKey(key);

    // Adapter A comes back under another node in another socket; a new adapter does not
    // take B's kept number.
    RecordedDevices devices;
    devices.Add(FtdiAdapter("ttyUSB2", "1-5", "C3"));
    devices.Add(FtdiAdapter("ttyUSB7", "1-4", "A1"));
    EXPECT_EQ(Discover(), (PortMap{{"COM3", "/dev/ttyUSB7"}, {"COM4", "/dev/ttyUSB2"}}));
}

TEST_F(PortMapTest, ATakenNumberGivesTheAdapterTheNextFreeOneForThisRunOnly) {
    {
        RecordedDevices devices;
        devices.Add(FtdiAdapter("ttyUSB0", "1-2", "A1"));
        EXPECT_EQ(LiveMap(), (PortMap{{"COM3", "/dev/ttyUSB0"}}));
    }
    RecordedDevices devices;
    devices.Add(FtdiAdapter("ttyUSB0", "1-2", "A1"));
    devices.Add(FtdiAdapter("ttyUSB1", "1-3", "B2")); // new in this run
    int master = -1, slave = -1;
    char pty[256];
    ASSERT_EQ(0, openpty(&master, &slave, pty, nullptr, nullptr));
    environment.Set("VOKA_PORTS", (std::string("COM3=") + pty).c_str());
    const PortMap taken = LiveMap();
    environment.Set("VOKA_PORTS", nullptr);
    close(slave);
    close(master);
    EXPECT_EQ(taken, (PortMap{{"COM3", pty}, {"COM4", "/dev/ttyUSB0"}, {"COM5", "/dev/ttyUSB1"}}));
    // Free again, the number is the adapter's once more.
    EXPECT_EQ(LiveMap(), (PortMap{{"COM3", "/dev/ttyUSB0"}, {"COM5", "/dev/ttyUSB1"}}));
}

TEST_F(PortMapTest, IdenticalAdaptersWithoutSerialNumbersKeepTheirSocketsNumbers) {
    {
        RecordedDevices devices;
        devices.Add(FtdiAdapter("ttyUSB0", "1-2", ""));
        devices.Add(FtdiAdapter("ttyUSB1", "1-3", ""));
        EXPECT_EQ(Discover(), (PortMap{{"COM3", "/dev/ttyUSB0"}, {"COM4", "/dev/ttyUSB1"}}));
    }
    // The next boot enumerates them the other way round.
    RecordedDevices devices;
    devices.Add(FtdiAdapter("ttyUSB0", "1-3", ""));
    devices.Add(FtdiAdapter("ttyUSB1", "1-2", ""));
    EXPECT_EQ(Discover(), (PortMap{{"COM3", "/dev/ttyUSB1"}, {"COM4", "/dev/ttyUSB0"}}));
}

TEST_F(PortMapTest, AByIdLinkAndItsNodeAreOnePort) {
    RecordedDevices devices;
    devices.Add(FtdiAdapter("ttyUSB0", "1-2", "A1"));
    devices.MakeSerialLinksRelative();
    const std::string byId = "/dev/serial/by-id/usb-FTDI_FT232R_USB_UART_A1-if00-port0";
    environment.Set("VOKA_PORTS", ("COM9=" + byId + ";COM10=/dev/ttyUSB0").c_str());
    EXPECT_EQ(LiveMap(), (PortMap{{"COM9", byId}}));
}

TEST_F(PortMapTest, LivePortMapJoinsVirtualEnvironmentAndDiscoveredPorts) {
    RecordedDevices devices{"uart-16550.umockdev"};
    devices.Add(FtdiAdapter("ttyUSB0", "1-2", "A1"));
    int master = -1, slave = -1;
    char pty[256];
    ASSERT_EQ(0, openpty(&master, &slave, pty, nullptr, nullptr));
    // COM1 of the environment hides ttyS0's; a device that does not exist is not listed.
    environment.Set(
        "VOKA_PORTS",
        (std::string("COM9=/dev/no-such-tty;COM1=") + pty + ";COMX=/dev/ttyS0").c_str());
    auto remote = VirtualPortRemote::Create("COM12");
    HKEY key = nullptr;
    ASSERT_EQ(ERROR_SUCCESS, RegOpenKeyExA(HKEY_LOCAL_MACHINE, "HARDWARE\\DEVICEMAP\\SERIALCOMM", 0,
                                           KEY_QUERY_VALUE, &key));
    PortMap map;
    for (DWORD index = 0;; ++index) {
        char name[260], data[260];
        DWORD nameSize = sizeof name, dataSize = sizeof data;
        if (RegEnumValueA(key, index, name, &nameSize, nullptr, nullptr,
                          reinterpret_cast<BYTE*>(data), &dataSize) != ERROR_SUCCESS)
            break;
        map[data] = name;
    }
    RegCloseKey(key);
    close(slave);
    close(master);
    EXPECT_EQ(map,
              (PortMap{{"COM12", remote->DevicePath()}, {"COM1", pty}, {"COM3", "/dev/ttyUSB0"}}));
}
} // namespace
