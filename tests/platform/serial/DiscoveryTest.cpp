// Port discovery and stable COM numbers on a fake sysfs and /dev tree.
#include <gtest/gtest.h>

#include <filesystem>
#include <map>

#include "platform/serial/PortDiscovery.h"
#include "platform/serial/SerialPlatform.h"
#include "platform/serial/virtual/VirtualPort.h"
#include "platform/win32/Registry.h"
#include "tests/support/TempDir.h"

namespace fs = std::filesystem;

namespace {
class DiscoveryTest : public ::testing::Test {
protected:
    void SetUp() override {
        fs::create_directories(sys());
        fs::create_directories(dev() / "serial" / "by-id");
        fs::create_directories(dev() / "serial" / "by-path");
        SetDiscoveryRoots({sys().string(), dev().string()});
        savedHome = getenv("VOKA_HOME");
        setenv("VOKA_HOME", (root.Path() / "home").c_str(), 1); // a registry of our own
    }
    void TearDown() override {
        SetDiscoveryRoots({});
        setenv("VOKA_HOME", savedHome.c_str(), 1);
    }

    fs::path sys() const { return root.Path() / "sys/class/tty"; }
    fs::path dev() const { return root.Path() / "dev"; }
    void AddUart(const std::string& node, const std::string& type) {
        fs::create_directories(sys() / node);
        WriteFileBytes((sys() / node / "type").string(), type + "\n");
    }
    void AddAdapter(const std::string& node) { fs::create_directories(sys() / node); }
    void RemoveAdapter(const std::string& node) { fs::remove_all(sys() / node); }
    void Link(const std::string& folder, const std::string& name, const std::string& node) {
        fs::path link = dev() / "serial" / folder / name;
        fs::remove(link);
        fs::create_symlink("../../" + node, link);
    }
    // port name -> device path
    std::map<std::string, std::string> Discover(const std::vector<int>& reserved = {}) {
        std::map<std::string, std::string> ports;
        for (const auto& [device, port] : DiscoverSerialDevices(reserved))
            ports[port] = fs::path(device).filename().string();
        return ports;
    }

    TempDir root;
    std::string savedHome;
};

TEST_F(DiscoveryTest, OnlyRealUartsAreListedAsTheirOwnNumbers) {
    AddUart("ttyS0", "4");
    AddUart("ttyS1", "0"); // a phantom port the kernel always creates
    AddUart("ttyS3", "4");
    AddUart("tty1", "4"); // a console, not a serial port
    auto ports = Discover();
    EXPECT_EQ((std::map<std::string, std::string>{{"COM1", "ttyS0"}, {"COM4", "ttyS3"}}), ports);
}

TEST_F(DiscoveryTest, AdaptersGetFreeNumbersFromThreeAndKeepThem) {
    AddUart("ttyS3", "4"); // COM4 is taken
    AddAdapter("ttyACM0");
    AddAdapter("ttyUSB0");
    AddAdapter("ttyUSB1");
    Link("by-id", "usb-Maker_Cable_A-if00-port0", "ttyUSB0");
    Link("by-path", "pci-0000:00:14.0-usb-0:2:1.0", "ttyACM0");
    auto first = Discover();
    EXPECT_EQ("ttyACM0", first["COM3"]);
    EXPECT_EQ("ttyUSB0", first["COM5"]);
    EXPECT_EQ("ttyUSB1", first["COM6"]);

    // Cable A comes back under another node; a new adapter does not take a kept number.
    RemoveAdapter("ttyUSB0");
    RemoveAdapter("ttyUSB1");
    RemoveAdapter("ttyACM0");
    AddAdapter("ttyUSB2");
    AddAdapter("ttyUSB7");
    Link("by-id", "usb-Maker_Cable_A-if00-port0", "ttyUSB7");
    fs::remove(dev() / "serial/by-path/pci-0000:00:14.0-usb-0:2:1.0");
    auto second = Discover();
    EXPECT_EQ((std::map<std::string, std::string>{
                  {"COM4", "ttyS3"}, {"COM5", "ttyUSB7"}, {"COM7", "ttyUSB2"}}),
              second);
}

TEST_F(DiscoveryTest, NumbersAreKeptInTheUserRegistry) {
    AddAdapter("rfcomm0");
    Discover();
    HKEY key = nullptr;
    ASSERT_EQ(ERROR_SUCCESS,
              RegOpenKeyExA(HKEY_CURRENT_USER, STABLE_PORT_NUMBERS_KEY, 0, KEY_READ, &key));
    DWORD number = 0, size = sizeof number, type = 0;
    EXPECT_EQ(ERROR_SUCCESS, RegQueryValueExA(key, "node/rfcomm0", nullptr, &type,
                                              reinterpret_cast<BYTE*>(&number), &size));
    EXPECT_EQ(3u, number);
    RegCloseKey(key);
}

TEST_F(DiscoveryTest, ReservedNumbersAreSkipped) {
    AddAdapter("ttyUSB0");
    auto ports = Discover({3, 4});
    EXPECT_EQ("ttyUSB0", ports["COM5"]);
}

TEST_F(DiscoveryTest, LivePortMapJoinsVirtualEnvironmentAndDiscoveredPorts) {
    AddUart("ttyS0", "4");
    setenv("VOKA_PORTS", "COM9=/dev/pts/5;COM1=/dev/pts/6", 1);
    auto remote = VirtualPortRemote::Create("COM12");
    HKEY key = nullptr;
    ASSERT_EQ(ERROR_SUCCESS, RegOpenKeyExA(HKEY_LOCAL_MACHINE, "HARDWARE\\DEVICEMAP\\SERIALCOMM", 0,
                                           KEY_QUERY_VALUE, &key));
    std::map<std::string, std::string> map;
    for (DWORD index = 0;; ++index) {
        char name[260], data[260];
        DWORD nameSize = sizeof name, dataSize = sizeof data;
        if (RegEnumValueA(key, index, name, &nameSize, nullptr, nullptr,
                          reinterpret_cast<BYTE*>(data), &dataSize) != ERROR_SUCCESS)
            break;
        map[data] = name;
    }
    RegCloseKey(key);
    unsetenv("VOKA_PORTS");
    EXPECT_EQ(remote->DevicePath(), map["COM12"]);
    EXPECT_EQ("/dev/pts/5", map["COM9"]);
    EXPECT_EQ("/dev/pts/6", map["COM1"]); // the environment's COM1 hides ttyS0's
    EXPECT_EQ(3u, map.size());
}
} // namespace
