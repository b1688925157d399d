#include <cstring>
#include <filesystem>

#include "platform/rtl/StringList.h"
#include "platform/win32/Folders.h"
#include "platform/win32/RegistryAccess.h"
#include "tests/platform/win32/RegistryTestHome.h"

namespace {
using TRegistryTest = RegistryHome;

template <class Action> std::string RaisedMessage(Action action) {
    try {
        action();
    } catch (const ERegistryException& error) {
        return error.Message;
    }
    return "<nothing raised>";
}

TEST_F(TRegistryTest, ConfigurationBlockRoundTripsWithItsExactSize) {
    unsigned char block[49];
    for (int i = 0; i < 49; ++i)
        block[i] = static_cast<unsigned char>(255 - i);
    {
        TRegistry registry;
        registry.SetRootKey(HKEY_LOCAL_MACHINE);
        ASSERT_TRUE(registry.OpenKey("\\Software\\Lumivox\\Ports", true));
        EXPECT_EQ(registry.GetCurrentPath(), "Software\\Lumivox\\Ports");
        registry.WriteBinaryData("Config", block, 49);
    }
    TRegistry registry;
    registry.SetRootKey(HKEY_LOCAL_MACHINE);
    ASSERT_FALSE(registry.OpenKey("Software\\Lumivox\\Missing", false));
    ASSERT_TRUE(registry.OpenKey("Software\\Lumivox\\Ports", false));
    EXPECT_TRUE(registry.ValueExists("config"));
    EXPECT_EQ(registry.GetDataSize("Config"), 49);
    EXPECT_EQ(registry.GetDataSize("Other"), -1);
    unsigned char read[64] = {};
    EXPECT_EQ(registry.ReadBinaryData("Config", read, sizeof read), 49);
    EXPECT_EQ(std::memcmp(read, block, 49), 0);
    EXPECT_EQ(registry.ReadBinaryData("Other", read, sizeof read), 0);
    EXPECT_EQ(RaisedMessage([&] { registry.ReadBinaryData("Config", read, 48); }),
              "Invalid data type for 'Config'");
}

TEST_F(TRegistryTest, ErrorTextsNameTheValue) {
    TRegistry registry;
    ASSERT_TRUE(registry.OpenKey("Software\\Texts", true));
    registry.WriteInteger("Number", -5);
    registry.WriteString("Text", "hello");
    EXPECT_EQ(registry.ReadInteger("Number"), -5);
    EXPECT_EQ(registry.ReadString("Text"), "hello");
    EXPECT_EQ(registry.ReadString("Absent"), "");

    EXPECT_EQ(RaisedMessage([&] { registry.ReadInteger("Absent"); }),
              "Failed to get data for 'Absent'");
    EXPECT_EQ(RaisedMessage([&] { registry.ReadString("Number"); }),
              "Invalid data type for 'Number'");
    EXPECT_EQ(RaisedMessage([&] { registry.ReadInteger("Text"); }),
              "Failed to get data for 'Text'"); // six bytes do not fit an integer

    TRegistry readOnly;
    ASSERT_TRUE(readOnly.OpenKeyReadOnly("Software\\Texts"));
    EXPECT_EQ(readOnly.ReadString("Text"), "hello");
    EXPECT_EQ(RaisedMessage([&] { readOnly.WriteString("Text", "changed"); }),
              "Failed to set data for 'Text'");
}

TEST_F(TRegistryTest, RelativeKeysValueNamesAndDeletion) {
    TRegistry registry;
    ASSERT_TRUE(registry.OpenKey("Software", true));
    ASSERT_TRUE(registry.OpenKey("Nested\\Deeper", true));
    EXPECT_EQ(registry.GetCurrentPath(), "Software\\Nested\\Deeper");
    registry.WriteString("b", "1");
    registry.WriteInteger("a", 2);
    EXPECT_THAT(registry.GetValueNames(), testing::ElementsAre("b", "a"));
    TStringList list;
    list.Add("stale");
    registry.GetValueNames(list);
    EXPECT_EQ(list.Count(), 2);
    EXPECT_TRUE(registry.DeleteValue("b"));
    EXPECT_FALSE(registry.DeleteValue("b"));
    EXPECT_TRUE(registry.KeyExists("\\Software\\Nested"));
    EXPECT_FALSE(registry.KeyExists("\\Software\\Elsewhere"));
    registry.CloseKey();
    EXPECT_EQ(registry.GetCurrentKey(), nullptr);
    EXPECT_EQ(RaisedMessage([&] { registry.WriteString("x", "y"); }), "Failed to set data for 'x'");
}

TEST_F(TRegistryTest, ShellFoldersAreSeededFromTheUserFolders) {
    std::string home = home_ / "user";
    std::string config = home_ / "config";
    std::filesystem::create_directories(config);
    WriteFileBytes(config + "/user-dirs.dirs", "# written by xdg-user-dirs-update\n"
                                               "XDG_DESKTOP_DIR=\"$HOME/Schreibtisch\"\n"
                                               "XDG_PICTURES_DIR=\"/data/pictures/\"\n");
    std::string saved[3];
    const char* names[3] = {"HOME", "XDG_CONFIG_HOME", "XDG_DATA_HOME"};
    for (int i = 0; i < 3; ++i)
        saved[i] = std::getenv(names[i]) ? std::getenv(names[i]) : "";
    setenv("HOME", home.c_str(), 1);
    setenv("XDG_CONFIG_HOME", config.c_str(), 1);
    setenv("XDG_DATA_HOME", (home + "/data").c_str(), 1);

    {
        TRegistry registry;
        ASSERT_TRUE(registry.OpenKey("Software", true));
        ASSERT_TRUE(registry.OpenKey("Microsoft\\Windows\\CurrentVersion\\Explorer", true));
        registry.WriteString("unrelated", "x"); // a neighbour key does not seed
    }
    HKEY key = nullptr;
    ASSERT_EQ(RegOpenKeyExA(HKEY_CURRENT_USER, SHELL_FOLDERS_KEY, 0, KEY_ALL_ACCESS, &key),
              ERROR_SUCCESS);
    EXPECT_EQ(Query(key, "Desktop"), home + "/Schreibtisch" + '\0');
    EXPECT_EQ(Query(key, "Personal"), home + "/Documents" + '\0');
    EXPECT_EQ(Query(key, "My Pictures"), std::string("/data/pictures") + '\0');
    EXPECT_EQ(Query(key, "AppData"), home + "/data" + '\0');
    SetString(key, "Desktop", "/my/own/desktop");
    RegCloseKey(key);

    TRegistry registry;
    ASSERT_TRUE(registry.OpenKeyReadOnly(SHELL_FOLDERS_KEY));
    EXPECT_EQ(registry.ReadString("Desktop"), "/my/own/desktop"); // the user's choice stays
    for (int i = 0; i < 3; ++i)
        setenv(names[i], saved[i].c_str(), 1);
}
} // namespace
