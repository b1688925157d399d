// A hive holds keys at most 512 levels deep with names of at most 255 characters: a file
// beyond that is damaged, and no key beyond it is ever written.
#include <filesystem>

#include "platform/win32/RegFile.h"
#include "tests/platform/win32/RegistryTestHome.h"

namespace {
using RegistryLimitsTest = RegistryHome;
using testing::HasSubstr;

std::string KeyPath(int levels, const std::string& name = "k") {
    std::string path = name;
    for (int level = 1; level < levels; ++level)
        path += "\\" + name;
    return path;
}

std::string HiveWithKey(const std::string& path) {
    return "Windows Registry Editor Version 5.00\n\n[HKEY_CURRENT_USER\\" + path +
           "]\n\"x\"=dword:00000001\n";
}

int FilesMovedAside(const std::filesystem::path& folder) {
    int count = 0;
    for (const auto& entry : std::filesystem::directory_iterator(folder))
        count += entry.path().filename().string().rfind("user.reg.damaged-", 0) == 0;
    return count;
}

TEST_F(RegistryLimitsTest, HivesBeyondTheLimitsAreMovedAsideAndWorkGoesOn) {
    std::filesystem::create_directories(home_.Path());
    const struct {
        std::string path;
        const char* reason;
    } damaged[] = {{KeyPath(600), "line 3: key nested deeper than 512 levels"},
                   {"Software\\" + std::string(256, 'n'), "line 3: key name longer than 255"}};
    int aside = 0;
    for (const auto& hive : damaged) {
        WriteFileBytes(HiveFile("user.reg"), HiveWithKey(hive.path));
        testing::internal::CaptureStderr();
        HKEY key = nullptr;
        EXPECT_EQ(RegOpenKeyExA(HKEY_CURRENT_USER, "Software", 0, KEY_READ, &key),
                  ERROR_FILE_NOT_FOUND);
        EXPECT_THAT(testing::internal::GetCapturedStderr(), HasSubstr(hive.reason));
        EXPECT_EQ(FilesMovedAside(home_.Path()), ++aside);
        EXPECT_FALSE(std::filesystem::exists(HiveFile("user.reg")));
    }
    HKEY key = Create(HKEY_CURRENT_USER, "Software");
    SetString(key, "after", "fresh");
    EXPECT_EQ(Query(key, "after"), std::string("fresh", 6));
    RegCloseKey(key);
}

TEST_F(RegistryLimitsTest, KeysBeyondTheLimitsAreRefusedAndTheDeepestAllowedOnesKept) {
    HKEY key = nullptr;
    for (const std::string& path : {KeyPath(513), std::string(256, 'n')})
        EXPECT_EQ(RegCreateKeyExA(HKEY_CURRENT_USER, path.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS,
                                  nullptr, &key, nullptr),
                  ERROR_INVALID_PARAMETER);
    RegCloseKey(Create(HKEY_CURRENT_USER, std::string(255, 'n').c_str()));
    key = Create(HKEY_CURRENT_USER, KeyPath(512).c_str());
    SetString(key, "deepest", "kept");
    RegCloseKey(key);

    const std::string saved = ReadFileBytes(HiveFile("user.reg"));
    EXPECT_LT(saved.size(), 2048u); // the deep key's 511 parents are not written out one by one
    RegistryHive reloaded;
    AnsiString error;
    ASSERT_TRUE(ParseRegFile(saved, "HKEY_CURRENT_USER", reloaded, error)) << error;
    ASSERT_NE(reloaded.Find(KeyPath(512)), nullptr);
    EXPECT_NE(reloaded.Find(KeyPath(512))->FindValue("deepest"), nullptr);
    EXPECT_NE(reloaded.Find(std::string(255, 'n')), nullptr);
}
} // namespace
