#include <cstring>
#include <filesystem>
#include <sys/wait.h>
#include <unistd.h>

#include "tests/platform/win32/RegistryTestHome.h"

namespace {
using RegistryTest = RegistryHome;
using testing::HasSubstr;

std::string Bytes(const char* text) {
    return std::string(text, std::strlen(text) + 1);
}

TEST_F(RegistryTest, ValuesOfEveryKindSurviveInTheHiveFile) {
    HKEY key = Create(HKEY_CURRENT_USER, "Software\\Lumivox\\VOKA");
    SetString(key, "Port", "COM3");
    SetString(key, "Tricky \"name\"", "C:\\path with \"quotes\"\\");
    SetString(key, "Lines", "one\ntwo");
    DWORD number = 0x2A;
    ASSERT_EQ(RegSetValueExA(key, "Count", 0, REG_DWORD, reinterpret_cast<BYTE*>(&number), 4),
              ERROR_SUCCESS);
    std::string config(49, '\0');
    for (size_t i = 0; i < config.size(); ++i)
        config[i] = static_cast<char>(i * 7);
    ASSERT_EQ(RegSetValueExA(key, "Config", 0, REG_BINARY,
                             reinterpret_cast<const BYTE*>(config.data()), 49),
              ERROR_SUCCESS);
    RegCloseKey(key);

    std::string text = ReadFileBytes(HiveFile("user.reg"));
    EXPECT_THAT(text, testing::StartsWith("Windows Registry Editor Version 5.00\n"));
    EXPECT_THAT(text, HasSubstr("[HKEY_CURRENT_USER\\Software\\Lumivox\\VOKA]\n"));
    EXPECT_THAT(text, HasSubstr("\"Port\"=\"COM3\"\n"));
    EXPECT_THAT(text, HasSubstr("\"Count\"=dword:0000002a\n"));
    EXPECT_THAT(text, HasSubstr("\"Config\"=hex:00,07,0e,"));

    // A second process sees exactly what was written.
    pid_t child = fork();
    if (child == 0) {
        HKEY again = nullptr;
        bool same = RegOpenKeyExA(HKEY_CURRENT_USER, "SOFTWARE\\lumivox\\voka", 0, KEY_READ,
                                  &again) == ERROR_SUCCESS &&
                    Query(again, "port") == Bytes("COM3") &&
                    Query(again, "Tricky \"name\"") == Bytes("C:\\path with \"quotes\"\\") &&
                    Query(again, "Lines") == Bytes("one\ntwo") &&
                    Query(again, "Count") == std::string("\x2A\0\0\0", 4) &&
                    Query(again, "Config") == config;
        _exit(same ? 0 : 1);
    }
    int status = 0;
    waitpid(child, &status, 0);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
}

TEST_F(RegistryTest, ChangesOfAnotherProcessAreSeen) {
    HKEY key = Create(HKEY_LOCAL_MACHINE, "SOFTWARE\\Test");
    SetString(key, "Before", "1");
    EXPECT_EQ(Query(key, "After"), "<missing>");
    pid_t child = fork();
    if (child == 0) {
        HKEY other = Create(HKEY_LOCAL_MACHINE, "SOFTWARE\\Test");
        SetString(other, "After", "2");
        _exit(0);
    }
    waitpid(child, nullptr, 0);
    EXPECT_EQ(Query(key, "After"), Bytes("2"));
    EXPECT_EQ(Query(key, "Before"), Bytes("1"));
    EXPECT_THAT(ReadFileBytes(HiveFile("machine.reg")),
                HasSubstr("[HKEY_LOCAL_MACHINE\\SOFTWARE\\Test]"));
    RegCloseKey(key);
}

TEST_F(RegistryTest, TwoProcessesWritingAtOnceLoseNothing) {
    constexpr int writes = 40;
    pid_t children[2];
    for (int writer = 0; writer < 2; ++writer) {
        children[writer] = fork();
        if (children[writer] == 0) {
            HKEY key = Create(HKEY_CURRENT_USER, "Software\\Race");
            for (int i = 0; i < writes; ++i) {
                std::string name = "w" + std::to_string(writer) + "_" + std::to_string(i);
                SetString(key, name.c_str(), name);
            }
            _exit(testing::Test::HasFailure() ? 1 : 0);
        }
    }
    for (pid_t child : children) {
        int status = 0;
        waitpid(child, &status, 0);
        EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
    }
    HKEY key = nullptr;
    ASSERT_EQ(RegOpenKeyExA(HKEY_CURRENT_USER, "Software\\Race", 0, KEY_READ, &key), ERROR_SUCCESS);
    for (int writer = 0; writer < 2; ++writer)
        for (int i = 0; i < writes; ++i) {
            std::string name = "w" + std::to_string(writer) + "_" + std::to_string(i);
            EXPECT_EQ(Query(key, name.c_str()), Bytes(name.c_str())) << name;
        }
    RegCloseKey(key);
}

TEST_F(RegistryTest, DamagedHiveIsKeptAsideAndWorkGoesOn) {
    std::filesystem::create_directories(home_.Path());
    const std::string damaged = "Windows Registry Editor Version 5.00\n\n[HKEY_CURRENT_USER\\A]\n"
                                "\"x\"=dword:zz\n";
    WriteFileBytes(HiveFile("user.reg"), damaged);
    testing::internal::CaptureStderr();
    HKEY key = nullptr;
    EXPECT_EQ(RegOpenKeyExA(HKEY_CURRENT_USER, "A", 0, KEY_READ, &key), ERROR_FILE_NOT_FOUND);
    std::string warning = testing::internal::GetCapturedStderr();
    EXPECT_THAT(warning, HasSubstr("user.reg"));
    EXPECT_THAT(warning, HasSubstr("line 4"));

    std::vector<std::string> aside;
    for (const auto& entry : std::filesystem::directory_iterator(home_.Path()))
        if (entry.path().filename().string().rfind("user.reg.damaged-", 0) == 0)
            aside.push_back(entry.path().string());
    ASSERT_EQ(aside.size(), 1u);
    EXPECT_EQ(ReadFileBytes(aside[0]), damaged);

    key = Create(HKEY_CURRENT_USER, "A");
    SetString(key, "x", "fresh");
    EXPECT_EQ(Query(key, "x"), Bytes("fresh"));
    RegCloseKey(key);
}

TEST_F(RegistryTest, QuerySizesAndMoreData) {
    HKEY key = Create(HKEY_CURRENT_USER, "Software\\Sizes");
    SetString(key, "Port", "COM3");
    DWORD type = 0;
    DWORD size = 0;
    ASSERT_EQ(RegQueryValueExA(key, "Port", nullptr, &type, nullptr, &size), ERROR_SUCCESS);
    EXPECT_EQ(type, REG_SZ);
    EXPECT_EQ(size, 5u); // with the zero

    char buffer[8] = "xxxxxxx";
    size = 4;
    EXPECT_EQ(
        RegQueryValueExA(key, "Port", nullptr, nullptr, reinterpret_cast<BYTE*>(buffer), &size),
        ERROR_MORE_DATA);
    EXPECT_EQ(size, 5u);
    size = sizeof buffer;
    EXPECT_EQ(
        RegQueryValueExA(key, "Port", nullptr, nullptr, reinterpret_cast<BYTE*>(buffer), &size),
        ERROR_SUCCESS);
    EXPECT_EQ(size, 5u);
    EXPECT_STREQ(buffer, "COM3");

    EXPECT_EQ(
        RegQueryValueExA(key, "Port", nullptr, nullptr, reinterpret_cast<BYTE*>(buffer), nullptr),
        ERROR_INVALID_PARAMETER);
    EXPECT_EQ(RegQueryValueExA(key, "Missing", nullptr, nullptr, nullptr, &size),
              ERROR_FILE_NOT_FOUND);
    RegCloseKey(key);
}

// A string counted with strlen is stored terminated; one stored without its zero (here by
// hand in the hive file) reads back with a zero after it whenever the buffer has room.
TEST_F(RegistryTest, StringsReadBackTerminated) {
    HKEY key = Create(HKEY_CURRENT_USER, "Software\\Strings");
    const char* port = "COM7";
    ASSERT_EQ(RegSetValueExA(key, "Port", 0, REG_SZ, reinterpret_cast<const BYTE*>(port), 4),
              ERROR_SUCCESS);
    EXPECT_EQ(Query(key, "Port"), Bytes("COM7"));
    RegCloseKey(key);

    WriteFileBytes(HiveFile("user.reg"), "Windows Registry Editor Version 5.00\r\n\r\n"
                                         "[HKEY_CURRENT_USER\\Software\\Bare]\r\n"
                                         "\"Name\"=hex(1):41,42\r\n");
    ASSERT_EQ(RegOpenKeyExA(HKEY_CURRENT_USER, "Software\\Bare", 0, KEY_READ, &key), ERROR_SUCCESS);
    char buffer[8] = "xxxxxxx";
    DWORD size = sizeof buffer;
    ASSERT_EQ(
        RegQueryValueExA(key, "Name", nullptr, nullptr, reinterpret_cast<BYTE*>(buffer), &size),
        ERROR_SUCCESS);
    EXPECT_STREQ(buffer, "AB");
    std::memcpy(buffer, "xxxxxxx", 8);
    size = 2; // no room: the bytes beyond the buffer stay
    ASSERT_EQ(
        RegQueryValueExA(key, "Name", nullptr, nullptr, reinterpret_cast<BYTE*>(buffer), &size),
        ERROR_SUCCESS);
    EXPECT_EQ(std::string(buffer, 3), "ABx");

    std::memcpy(buffer, "xxxxxxx", 8);
    char name[8];
    DWORD nameSize = sizeof name;
    size = sizeof buffer;
    ASSERT_EQ(RegEnumValueA(key, 0, name, &nameSize, nullptr, nullptr,
                            reinterpret_cast<BYTE*>(buffer), &size),
              ERROR_SUCCESS);
    EXPECT_STREQ(buffer, "AB");
    RegCloseKey(key);
}

TEST_F(RegistryTest, EnumValuesInOrderOfCreationUntilNoMoreItems) {
    HKEY key = Create(HKEY_CURRENT_USER, "Software\\Enum");
    SetString(key, "zeta", "1");
    SetString(key, "Alpha", "22");
    SetString(key, "mid", "333");
    SetString(key, "ZETA", "4"); // same value, case ignored: keeps its place

    std::vector<std::string> names;
    std::vector<std::string> data;
    for (DWORD index = 0;; ++index) {
        char name[32];
        DWORD nameSize = sizeof name;
        char bytes[32];
        DWORD dataSize = sizeof bytes;
        DWORD type = 0;
        LONG status = RegEnumValueA(key, index, name, &nameSize, nullptr, &type,
                                    reinterpret_cast<BYTE*>(bytes), &dataSize);
        if (status == ERROR_NO_MORE_ITEMS)
            break;
        ASSERT_EQ(status, ERROR_SUCCESS);
        EXPECT_EQ(nameSize, std::strlen(name));
        names.push_back(name);
        data.push_back(bytes);
    }
    EXPECT_THAT(names, testing::ElementsAre("zeta", "Alpha", "mid"));
    EXPECT_THAT(data, testing::ElementsAre("4", "22", "333"));

    char name[5]; // "Alpha" needs 6 with its zero
    DWORD nameSize = sizeof name;
    EXPECT_EQ(RegEnumValueA(key, 1, name, &nameSize, nullptr, nullptr, nullptr, nullptr),
              ERROR_MORE_DATA);
    char small[2];
    DWORD dataSize = sizeof small;
    nameSize = 32;
    char wide[32];
    EXPECT_EQ(RegEnumValueA(key, 2, wide, &nameSize, nullptr, nullptr,
                            reinterpret_cast<BYTE*>(small), &dataSize),
              ERROR_MORE_DATA);
    EXPECT_EQ(dataSize, 4u);
    ASSERT_EQ(RegDeleteValueA(key, "zeta"), ERROR_SUCCESS);
    SetString(key, "MID", "5"); // the later values moved up and are still found by name
    EXPECT_EQ(Query(key, "mid"), Bytes("5"));
    RegCloseKey(key);
}

TEST_F(RegistryTest, KeysIgnoreLetterCaseAndEnumerateByName) {
    RegCloseKey(Create(HKEY_CURRENT_USER, "Software\\Vendor\\beta"));
    RegCloseKey(Create(HKEY_CURRENT_USER, "SOFTWARE\\VENDOR\\Alpha"));
    HKEY vendor = nullptr;
    DWORD disposition = 0;
    ASSERT_EQ(RegCreateKeyExA(HKEY_CURRENT_USER, "software\\vendor", 0, nullptr, 0, KEY_ALL_ACCESS,
                              nullptr, &vendor, &disposition),
              ERROR_SUCCESS);
    EXPECT_EQ(disposition, REG_OPENED_EXISTING_KEY);
    std::vector<std::string> names;
    char name[32];
    for (DWORD index = 0;; ++index) {
        DWORD size = sizeof name;
        if (RegEnumKeyExA(vendor, index, name, &size, nullptr, nullptr, nullptr, nullptr) !=
            ERROR_SUCCESS)
            break;
        names.push_back(name);
    }
    EXPECT_THAT(names, testing::ElementsAre("Alpha", "beta"));
    RegCloseKey(vendor);
}

TEST_F(RegistryTest, DeletingKeysAndValues) {
    HKEY parent = Create(HKEY_CURRENT_USER, "Software\\Del");
    HKEY child = Create(parent, "Child");
    SetString(child, "v", "1");
    EXPECT_EQ(RegDeleteKeyA(HKEY_CURRENT_USER, "Software\\Del"), ERROR_ACCESS_DENIED);
    EXPECT_EQ(RegDeleteValueA(child, "v"), ERROR_SUCCESS);
    EXPECT_EQ(RegDeleteValueA(child, "v"), ERROR_FILE_NOT_FOUND);
    EXPECT_EQ(RegDeleteKeyA(parent, "child"), ERROR_SUCCESS);
    EXPECT_EQ(RegDeleteKeyA(parent, "child"), ERROR_FILE_NOT_FOUND);
    EXPECT_EQ(RegSetValueExA(child, "v", 0, REG_SZ, reinterpret_cast<const BYTE*>("x"), 2),
              ERROR_KEY_DELETED);
    RegCloseKey(child);
    RegCloseKey(parent);
}

TEST_F(RegistryTest, ReadOnlyHandlesRefuseChanges) {
    RegCloseKey(Create(HKEY_CURRENT_USER, "Software\\RO"));
    HKEY key = nullptr;
    ASSERT_EQ(RegOpenKeyExA(HKEY_CURRENT_USER, "Software\\RO", 0, KEY_READ, &key), ERROR_SUCCESS);
    EXPECT_EQ(RegSetValueExA(key, "v", 0, REG_SZ, reinterpret_cast<const BYTE*>("x"), 2),
              ERROR_ACCESS_DENIED);
    EXPECT_EQ(RegCloseKey(key), ERROR_SUCCESS);
    EXPECT_EQ(RegCloseKey(key), ERROR_INVALID_HANDLE);
}

TEST_F(RegistryTest, SerialPortMapComesLiveFromVokaPorts) {
    setenv("VOKA_PORTS", "COM9=/dev/pts/5; COM10=/dev/ttyUSB3;broken;=x", 1);
    HKEY key = nullptr;
    ASSERT_EQ(
        RegOpenKeyExA(HKEY_LOCAL_MACHINE, "HARDWARE\\DEVICEMAP\\SERIALCOMM", 0, KEY_READ, &key),
        ERROR_SUCCESS);
    setenv("VOKA_PORTS", "COM1=/dev/ttyS0", 1); // the open key keeps what it was opened with
    std::vector<std::pair<std::string, std::string>> entries;
    for (DWORD index = 0;; ++index) {
        char name[64];
        DWORD nameSize = sizeof name;
        char data[16];
        DWORD dataSize = sizeof data;
        DWORD type = 0;
        if (RegEnumValueA(key, index, name, &nameSize, nullptr, &type,
                          reinterpret_cast<BYTE*>(data), &dataSize) != ERROR_SUCCESS)
            break;
        EXPECT_EQ(type, REG_SZ);
        EXPECT_EQ(dataSize, std::strlen(data) + 1);
        entries.emplace_back(name, data);
    }
    EXPECT_THAT(entries, testing::ElementsAre(testing::Pair("/dev/pts/5", "COM9"),
                                              testing::Pair("/dev/ttyUSB3", "COM10")));
    EXPECT_EQ(RegSetValueExA(key, "x", 0, REG_SZ, reinterpret_cast<const BYTE*>("x"), 2),
              ERROR_ACCESS_DENIED);
    RegCloseKey(key);

    ASSERT_EQ(
        RegOpenKeyExA(HKEY_LOCAL_MACHINE, "hardware\\devicemap\\serialcomm", 0, KEY_READ, &key),
        ERROR_SUCCESS);
    EXPECT_EQ(Query(key, "/dev/ttyS0"), Bytes("COM1"));
    RegCloseKey(key);
    unsetenv("VOKA_PORTS");

    SetSerialPortMapProvider([] {
        return std::vector<std::pair<AnsiString, AnsiString>>{{"/dev/ttyACM0", "COM3"}};
    });
    ASSERT_EQ(
        RegOpenKeyExA(HKEY_LOCAL_MACHINE, "HARDWARE\\DEVICEMAP\\SERIALCOMM", 0, KEY_READ, &key),
        ERROR_SUCCESS);
    EXPECT_EQ(Query(key, "/dev/ttyACM0"), Bytes("COM3"));
    RegCloseKey(key);
    SetSerialPortMapProvider(nullptr);
    EXPECT_FALSE(std::filesystem::exists(HiveFile("machine.reg"))); // nothing stored

    HKEY deviceMap = nullptr;
    ASSERT_EQ(RegOpenKeyExA(HKEY_LOCAL_MACHINE, "HARDWARE\\DEVICEMAP", 0, KEY_READ, &deviceMap),
              ERROR_SUCCESS);
    char name[32];
    DWORD size = sizeof name;
    EXPECT_EQ(RegEnumKeyExA(deviceMap, 0, name, &size, nullptr, nullptr, nullptr, nullptr),
              ERROR_SUCCESS);
    EXPECT_STREQ(name, "SERIALCOMM");
    RegCloseKey(deviceMap);
}
} // namespace

namespace {
TEST_F(RegistryTest, HandWrittenFilesAreRead) {
    std::filesystem::create_directories(home_.Path());
    WriteFileBytes(HiveFile("user.reg"), "\xEF\xBB\xBFWindows Registry Editor Version 5.00\r\n\r\n"
                                         "; a comment\r\n"
                                         "[HKEY_CURRENT_USER\\Software\\Hand]\r\n"
                                         "@=\"default\"\r\n"
                                         "\"Long\"=hex:01,02,\\\r\n"
                                         "  03,04\r\n"
                                         "\"Multi\"=hex(7):41,00,42,00,00\r\n"
                                         "\"Gone\"=\"x\"\r\n"
                                         "\"Gone\"=-\r\n"
                                         "[HKEY_CURRENT_USER\\Software\\Old\\Sub]\r\n"
                                         "\"v\"=\"x\"\r\n"
                                         "[-HKEY_CURRENT_USER\\Software\\Old]\r\n"
                                         "\"ignored\"=\"y\"\r\n");
    HKEY key = nullptr;
    ASSERT_EQ(RegOpenKeyExA(HKEY_CURRENT_USER, "Software\\Hand", 0, KEY_READ, &key), ERROR_SUCCESS);
    EXPECT_EQ(Query(key, ""), Bytes("default"));
    EXPECT_EQ(Query(key, "Long"), std::string("\x01\x02\x03\x04", 4));
    DWORD type = 0;
    EXPECT_EQ(Query(key, "Multi", &type), std::string("A\0B\0\0", 5));
    EXPECT_EQ(type, REG_MULTI_SZ);
    EXPECT_EQ(Query(key, "Gone"), "<missing>");
    RegCloseKey(key);
    EXPECT_EQ(RegOpenKeyExA(HKEY_CURRENT_USER, "Software\\Old", 0, KEY_READ, &key),
              ERROR_FILE_NOT_FOUND); // removed with its subkey
}
} // namespace
