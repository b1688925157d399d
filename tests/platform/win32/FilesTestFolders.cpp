#include <gmock/gmock.h>

#include <climits>
#include <cstdlib>
#include <filesystem>
#include <unistd.h>

#include "platform/rtl/FolderProfile.h"
#include "platform/win32/Files.h"
#include "platform/win32/Folders.h"
#include "tests/support/TempDir.h"

namespace {
std::vector<std::string> FindAll(const std::string& pattern, DWORD* error = nullptr) {
    std::vector<std::string> names;
    WIN32_FIND_DATAA data;
    HANDLE search = FindFirstFileA(pattern.c_str(), &data);
    if (search == INVALID_HANDLE_VALUE) {
        if (error)
            *error = GetLastError();
        return names;
    }
    do
        names.push_back(data.cFileName);
    while (FindNextFileA(search, &data));
    EXPECT_EQ(GetLastError(), ERROR_NO_MORE_FILES);
    EXPECT_TRUE(FindClose(search));
    return names;
}

TEST(FilesTestFind, StarDotStarListsEverythingDotsFirst) {
    TempDir dir;
    WriteFileBytes(dir / "b.TXT", "1");
    WriteFileBytes(dir / "A.txt", "22");
    WriteFileBytes(dir / "noext", "");
    std::filesystem::create_directory(dir.Path() / "sub");
    EXPECT_THAT(FindAll(dir / "*.*"),
                testing::ElementsAre(".", "..", "A.txt", "b.TXT", "noext", "sub"));
    EXPECT_THAT(FindAll(dir / "*"), testing::SizeIs(6));
}

TEST(FilesTestFind, ExtensionPatternsIgnoreLetterCase) {
    TempDir dir;
    WriteFileBytes(dir / "one.s19", "");
    WriteFileBytes(dir / "TWO.S19", "");
    WriteFileBytes(dir / "three.s190", "");
    WriteFileBytes(dir / "four.bin", "");
    EXPECT_THAT(FindAll(dir / "*.s19"), testing::ElementsAre("one.s19", "TWO.S19"));
    EXPECT_THAT(FindAll(dir / "f?ur.*"), testing::ElementsAre("four.bin"));
}

TEST(FilesTestFind, ReportsSizeAttributesAndMisses) {
    TempDir dir;
    WriteFileBytes(dir / "five.bin", "12345");
    std::filesystem::create_directory(dir.Path() / "folder");
    WIN32_FIND_DATAA data;
    HANDLE search = FindFirstFileA((dir / "five.bin").c_str(), &data);
    ASSERT_NE(search, INVALID_HANDLE_VALUE);
    EXPECT_EQ(data.nFileSizeLow, 5u);
    EXPECT_FALSE(data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY);
    EXPECT_NE(data.ftLastWriteTime.dwHighDateTime, 0u);
    FindClose(search);
    search = FindFirstFileA((dir / "folder").c_str(), &data);
    EXPECT_TRUE(data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY);
    FindClose(search);

    DWORD error = 0;
    EXPECT_TRUE(FindAll(dir / "*.xyz", &error).empty());
    EXPECT_EQ(error, ERROR_FILE_NOT_FOUND);
    EXPECT_TRUE(FindAll(dir / "nowhere/*.*", &error).empty());
    EXPECT_EQ(error, ERROR_PATH_NOT_FOUND);
}

TEST(FilesTestFolders, CreateRemoveAndAttributes) {
    TempDir dir;
    std::string folder = dir / "made";
    EXPECT_EQ(GetFileAttributesA(folder.c_str()), INVALID_FILE_ATTRIBUTES);
    EXPECT_EQ(GetLastError(), ERROR_FILE_NOT_FOUND);
    // Windows names the missing part: a missing parent folder is a missing path.
    EXPECT_EQ(GetFileAttributesA((folder + "/f.txt").c_str()), INVALID_FILE_ATTRIBUTES);
    EXPECT_EQ(GetLastError(), ERROR_PATH_NOT_FOUND);
    ASSERT_TRUE(CreateDirectoryA(folder.c_str(), nullptr));
    EXPECT_FALSE(CreateDirectoryA(folder.c_str(), nullptr));
    EXPECT_EQ(GetLastError(), ERROR_ALREADY_EXISTS);
    EXPECT_FALSE(CreateDirectoryA((dir / "a/b").c_str(), nullptr));
    EXPECT_EQ(GetLastError(), ERROR_PATH_NOT_FOUND);
    EXPECT_TRUE(GetFileAttributesA(folder.c_str()) & FILE_ATTRIBUTE_DIRECTORY);

    std::string file = folder + "/f.txt";
    WriteFileBytes(file, "x");
    EXPECT_FALSE(GetFileAttributesA(file.c_str()) & FILE_ATTRIBUTE_DIRECTORY);
    EXPECT_FALSE(RemoveDirectoryA(folder.c_str()));
    EXPECT_EQ(GetLastError(), ERROR_DIR_NOT_EMPTY);
    EXPECT_FALSE(DeleteFileA(folder.c_str()));
    EXPECT_EQ(GetLastError(), ERROR_ACCESS_DENIED);
    EXPECT_TRUE(DeleteFileA(file.c_str()));
    EXPECT_FALSE(DeleteFileA(file.c_str()));
    EXPECT_EQ(GetLastError(), ERROR_FILE_NOT_FOUND);
    EXPECT_TRUE(RemoveDirectoryA(folder.c_str()));
}

TEST(FilesTestFolders, CopyAndMoveRespectExistingTargets) {
    TempDir dir;
    std::string source = dir / "s.txt";
    std::string target = dir / "t.txt";
    WriteFileBytes(source, "source");
    WriteFileBytes(target, "target");
    EXPECT_FALSE(CopyFileA(source.c_str(), target.c_str(), TRUE));
    EXPECT_EQ(GetLastError(), ERROR_FILE_EXISTS);
    EXPECT_EQ(ReadFileBytes(target), "target");
    EXPECT_TRUE(CopyFileA(source.c_str(), target.c_str(), FALSE));
    EXPECT_EQ(ReadFileBytes(target), "source");

    EXPECT_FALSE(MoveFileA(source.c_str(), target.c_str()));
    EXPECT_EQ(GetLastError(), ERROR_ALREADY_EXISTS);
    EXPECT_TRUE(MoveFileA(source.c_str(), (dir / "moved.txt").c_str()));
    EXPECT_EQ(ReadFileBytes(dir / "moved.txt"), "source");
    EXPECT_FALSE(std::filesystem::exists(source));
}

TEST(FilesTestFolders, ModuleFileNameIsTheResolvedExecutable) {
    char expected[PATH_MAX] = {};
    ASSERT_GT(readlink("/proc/self/exe", expected, sizeof expected - 1), 0);
    char name[PATH_MAX];
    DWORD length = GetModuleFileNameA(nullptr, name, sizeof name);
    EXPECT_EQ(std::string(name, length), expected);

    char small[5];
    EXPECT_EQ(GetModuleFileNameA(nullptr, small, sizeof small), 5u);
    EXPECT_EQ(GetLastError(), ERROR_INSUFFICIENT_BUFFER);
    EXPECT_EQ(std::string(small), std::string(expected).substr(0, 4));
}

class WindowsProfile : public testing::Test {
protected:
    void SetUp() override {
        TFolderProfile profile = WindowsFolderProfile();
        SetFolderProfile(&profile);
    }
    void TearDown() override { SetFolderProfile(nullptr); }
};

TEST_F(WindowsProfile, FolderQueriesFollowTheBufferRules) {
    char buffer[260];
    EXPECT_EQ(GetWindowsDirectoryA(buffer, sizeof buffer), 8u);
    EXPECT_STREQ(buffer, "D:\\WINNT");
    EXPECT_EQ(GetSystemDirectoryA(buffer, sizeof buffer), 17u);
    EXPECT_STREQ(buffer, "D:\\WINNT\\system32");
    EXPECT_EQ(GetTempPathA(sizeof buffer, buffer), 8u);
    EXPECT_STREQ(buffer, "C:\\TEMP\\");

    char exact[9];
    EXPECT_EQ(GetWindowsDirectoryA(exact, 9), 8u);
    char small[8] = "unused";
    EXPECT_EQ(GetWindowsDirectoryA(small, 8), 9u); // needed size, with the zero
    EXPECT_STREQ(small, "unused");
    EXPECT_EQ(GetTempPathA(8, small), 9u);
    EXPECT_EQ(GetTempPathA(0, nullptr), 9u);
}

TEST(FilesTestFolders, LinuxFoldersAreCreatedWhenAskedFor) {
    TempDir home;
    const char* saved = std::getenv("VOKA_HOME");
    std::string savedHome = saved ? saved : "";
    setenv("VOKA_HOME", home.Path().c_str(), 1);
    char buffer[PATH_MAX];
    UINT length = GetSystemDirectoryA(buffer, sizeof buffer);
    std::string expected = (home.Path() / "windows/system").string();
    EXPECT_EQ(std::string(buffer, length), expected);
    EXPECT_TRUE(std::filesystem::is_directory(expected));
    length = GetWindowsDirectoryA(buffer, sizeof buffer);
    EXPECT_EQ(std::string(buffer, length), (home.Path() / "windows").string());
    const char* savedTemp = std::getenv("TMPDIR");
    std::string savedTempValue = savedTemp ? savedTemp : "";
    setenv("TMPDIR", "/var/tmp", 1);
    length = GetTempPathA(sizeof buffer, buffer);
    EXPECT_EQ(std::string(buffer, length), "/var/tmp/");
    if (savedTemp)
        setenv("TMPDIR", savedTempValue.c_str(), 1);
    else
        unsetenv("TMPDIR");
    setenv("VOKA_HOME", savedHome.c_str(), 1);
}
} // namespace
