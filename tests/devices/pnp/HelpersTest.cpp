// The registry, resource and version helpers.
#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <fstream>

#include "devices/pnp/nrwin32helpers.h"
#include "platform/classes/Resources.h"
#include "platform/win32/Version.h"
#include "tests/support/TempDir.h"

namespace {
AnsiString Parsed(const std::string& bytes, int32_t length, const AnsiString& separator = ";") {
    return GetParsedWin32StrList(bytes.data(), length, separator);
}

TEST(GetParsedWin32StrList, JoinsTheStringsOfTheGivenLength) {
    EXPECT_EQ(Parsed(std::string("A\0B\0\0", 5), 5, ", "), "A, B");
    EXPECT_EQ(Parsed(std::string("\0\0", 2), 2), "");
    EXPECT_EQ(Parsed(std::string("A\0", 2), 1), "") << "shorter than 2";
    EXPECT_EQ(Parsed(std::string("AB\0\0", 4), 4), "AB");
    // Zero bytes past the double NUL, within the length, each give a separator.
    EXPECT_EQ(Parsed(std::string("A\0\0\0\0", 5), 5), "A;;");
    // The last byte is never looked at.
    EXPECT_EQ(Parsed("ABC", 3), "AB");
}

HKEY CreateKey(HKEY root, const char* path) {
    HKEY key = nullptr;
    EXPECT_EQ(RegCreateKeyExA(root, path, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key, nullptr),
              ERROR_SUCCESS);
    return key;
}

TEST(RegGetKeyFullName, BothRootsAndTheKernelPath) {
    HKEY machine = CreateKey(HKEY_LOCAL_MACHINE, "SOFTWARE\\Voka\\Devices");
    HKEY root = nullptr;
    EXPECT_EQ(RegGetKeyFullName(machine, &root), "SOFTWARE\\Voka\\Devices");
    EXPECT_EQ(root, HKEY_LOCAL_MACHINE);
    EXPECT_EQ(RegGetKeyFullName(machine), "\\REGISTRY\\MACHINE\\SOFTWARE\\Voka\\Devices");

    HKEY user = CreateKey(HKEY_CURRENT_USER, "Software\\Voka");
    EXPECT_EQ(RegGetKeyFullName(user, &root), "Software\\Voka") << "below the user's SID";
    EXPECT_EQ(root, HKEY_CURRENT_USER);
    EXPECT_EQ(RegGetKeyFullName(user),
              "\\REGISTRY\\USER\\" + CurrentUserSid() + "\\Software\\Voka");

    // The user's root itself: nothing follows the SID.
    EXPECT_EQ(RegGetKeyFullName(HKEY_CURRENT_USER, &root), CurrentUserSid());

    HKEY untouched = reinterpret_cast<HKEY>(uintptr_t{0x1234});
    root = untouched;
    EXPECT_EQ(RegGetKeyFullName(INVALID_HANDLE_VALUE, &root), "");
    EXPECT_EQ(RegGetKeyFullName(reinterpret_cast<HKEY>(uintptr_t{0x7777}), &root), "");
    EXPECT_EQ(root, untouched) << "no name, no root";
    RegCloseKey(machine);
    RegCloseKey(user);
}

TEST(RegGetKeyParentName, DropsTheLastComponent) {
    EXPECT_EQ(RegGetKeyParentName("A\\B\\C"), "A\\B");
    EXPECT_EQ(RegGetKeyParentName("ABC"), "");
    EXPECT_EQ(RegGetKeyParentName("A\\B\\"), "A\\B");
}

TEST(RegReadString, ValuesByteForByte) {
    HKEY key = CreateKey(HKEY_LOCAL_MACHINE, "SOFTWARE\\Voka\\Port");
    RegSetValueExA(key, "PortName", 0, REG_SZ, reinterpret_cast<const BYTE*>("COM3"), 5);
    const DWORD number = 0x00434241;
    RegSetValueExA(key, "Number", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&number), 4);
    RegSetValueExA(key, "Empty", 0, REG_SZ, reinterpret_cast<const BYTE*>(""), 1);
    RegCloseKey(key);
    EXPECT_EQ(RegReadString(HKEY_LOCAL_MACHINE, "SOFTWARE\\Voka\\Port", "PortName"), "COM3");
    EXPECT_EQ(RegReadString(HKEY_LOCAL_MACHINE, "SOFTWARE\\Voka\\Port", "Number"),
              AnsiString("ABC\0", 4));
    EXPECT_EQ(RegReadString(HKEY_LOCAL_MACHINE, "SOFTWARE\\Voka\\Port", "Empty"), "");
    EXPECT_EQ(RegReadString(HKEY_LOCAL_MACHINE, "SOFTWARE\\Voka\\Port", "Missing"), "");
    EXPECT_EQ(RegReadString(HKEY_LOCAL_MACHINE, "SOFTWARE\\Voka\\Nothing", "PortName"), "");
    EXPECT_EQ(RegReadString(nullptr, "SOFTWARE\\Voka\\Port", "PortName"), "");
}

class SystemVersionTest : public ::testing::Test {
protected:
    void TearDown() override { SetReportedVersion(nullptr); }
    AnsiString VersionOf(DWORD major, DWORD minor, DWORD build, DWORD platform,
                         const char* servicePack) {
        OSVERSIONINFOA info;
        info.dwMajorVersion = major;
        info.dwMinorVersion = minor;
        info.dwBuildNumber = build;
        info.dwPlatformId = platform;
        std::strncpy(info.szCSDVersion, servicePack, sizeof info.szCSDVersion - 1);
        SetReportedVersion(&info);
        return nrGetVersion("", "ignored %u");
    }
};

TEST_F(SystemVersionTest, NamesBySystemVersion) {
    EXPECT_EQ(VersionOf(5, 1, 2600, 2, "Service Pack 3"), "Windows XP [5.1.2600] Service Pack 3");
    const struct {
        DWORD major, minor, platform;
        const char* name;
    } table[] = {{3, 51, 2, "NT 3.51"}, {4, 10, 1, "98"},      {4, 90, 1, "Me"},
                 {4, 0, 2, "NT 4"},     {4, 0, 1, "95"},       {5, 0, 2, "2000"},
                 {5, 2, 2, "2003"},     {5, 3, 2, ""},         {6, 0, 2, "Vista"},
                 {6, 1, 2, "Longhorn"}, {6, 3, 2, "Longhorn"}, {10, 0, 2, ""}};
    for (const auto& row : table)
        EXPECT_EQ(VersionOf(row.major, row.minor, 7, row.platform, "SP"),
                  Format("Windows %s [%u.%u.7] SP", row.name, row.major, row.minor))
            << row.major << "." << row.minor;
}

TEST_F(SystemVersionTest, LinuxReportsTheNtFamilyAndTheKernelRelease) {
    const AnsiString version = nrGetVersion("", "");
    EXPECT_EQ(version.rfind("Windows  [10.0.19045] ", 0), 0u) << version;
}

TEST(FileVersion, TheProgramsOwnVersionAndFilesWithout) {
    const AnsiString self = std::filesystem::read_symlink("/proc/self/exe").string();
    EXPECT_EQ(nrGetVersion(self, ""), VOKA_TEST_VERSION);
    EXPECT_EQ(nrGetVersion(self, "%u-%u"),
              Format("%u-%u", VOKA_TEST_VERSION_MAJOR, VOKA_TEST_VERSION_MINOR));
    TempDir folder;
    const AnsiString text = (folder.Path() / "notes.txt").string();
    std::ofstream(text) << "no version here\n";
    EXPECT_EQ(nrGetVersion(text, ""), "");
    EXPECT_EQ(nrGetVersion((folder.Path() / "missing").string(), ""), "");
    // An ELF file without the version section.
    EXPECT_EQ(nrGetVersion("/bin/sh", ""), "");
}

const unsigned char kCarried[] = {'S', 'F', 0, 'P', 0xFF};
const bool kRegistered = RegisterModuleResource("CARRIEDFILE", kCarried, sizeof kCarried);

TEST(ModuleResources, ExtractedAndReadAsBytes) {
    ASSERT_TRUE(kRegistered);
    EXPECT_EQ(GetResAsStr("CARRIEDFILE"), AnsiString(reinterpret_cast<const char*>(kCarried), 5));
    EXPECT_EQ(GetResAsStr("carriedfile").size(), 5u) << "resource names ignore letter case";
    EXPECT_EQ(GetResAsStr("NOSUCHRESOURCE"), "");

    TempDir folder;
    const std::filesystem::path file = folder.Path() / "carried.bin";
    std::ofstream(file) << "an older and longer file";
    EXPECT_TRUE(CreateFileFromRes("CARRIEDFILE", file.string()));
    std::ifstream in(file, std::ios::binary);
    EXPECT_EQ(std::string(std::istreambuf_iterator<char>(in), {}),
              std::string(reinterpret_cast<const char*>(kCarried), 5));

    const std::filesystem::path none = folder.Path() / "none.bin";
    EXPECT_FALSE(CreateFileFromRes("NOSUCHRESOURCE", none.string()));
    EXPECT_FALSE(std::filesystem::exists(none));
    EXPECT_FALSE(CreateFileFromRes("CARRIEDFILE", (folder.Path() / "no/such/dir").string()));
}
} // namespace
