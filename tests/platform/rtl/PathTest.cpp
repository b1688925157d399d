#include <gtest/gtest.h>

#include <cstdlib>
#include <unistd.h>

#include "platform/rtl/FileUtils.h"
#include "platform/rtl/FolderProfile.h"
#include "tests/support/TempDir.h"

namespace {
// Runs the test body under the Windows-style profile and restores Linux afterwards.
class WindowsProfile : public ::testing::Test {
protected:
    void SetUp() override {
        const TFolderProfile profile = WindowsFolderProfile();
        SetFolderProfile(&profile);
    }
    void TearDown() override { SetFolderProfile(nullptr); }
};
} // namespace

TEST(LinuxPaths, SplitAtSlash) {
    EXPECT_EQ(ExtractFilePath("/opt/voka/update.exe"), "/opt/voka/");
    EXPECT_EQ(ExtractFileName("/opt/voka/update.exe"), "update.exe");
    EXPECT_EQ(ExtractFileName("/opt/voka/"), "");
    EXPECT_EQ(ExtractFilePath("update.exe"), "");
    // Backslash and colon are ordinary characters in a Linux name.
    EXPECT_EQ(ExtractFileName("/tmp/a\\b:c"), "a\\b:c");
    EXPECT_EQ(ExtractFileExt("/home/u/my.folder/KZRA503.s19"), ".s19");
    EXPECT_EQ(ExtractFileExt("/home/u/my.folder/README"), "");
    EXPECT_EQ(ChangeFileExt("/home/u/my.folder/README", ".txt"), "/home/u/my.folder/README.txt");
    EXPECT_EQ(ChangeFileExt("settings.old.BIN", ".bak"), "settings.old.bak");
    EXPECT_EQ(ChangeFileExt("settings.BIN", ""), "settings");
    EXPECT_EQ(IncludeTrailingPathDelimiter("/opt"), "/opt/");
    EXPECT_EQ(IncludeTrailingPathDelimiter("/opt/"), "/opt/");
    EXPECT_EQ(IncludeTrailingPathDelimiter(""), "/");
    EXPECT_EQ(ExcludeTrailingPathDelimiter("/opt/"), "/opt");
    EXPECT_EQ(ExcludeTrailingPathDelimiter("/opt"), "/opt");
}

TEST_F(WindowsProfile, SplitAtBackslashAndDriveColon) {
    EXPECT_EQ(PathDelim(), '\\');
    EXPECT_EQ(ExtractFilePath("C:\\Program Files\\VOKA\\Update.exe"), "C:\\Program Files\\VOKA\\");
    EXPECT_EQ(ExtractFileName("C:\\Program Files\\VOKA\\Update.exe"), "Update.exe");
    EXPECT_EQ(ExtractFileName("D:KZRA503.s19"), "KZRA503.s19");
    EXPECT_EQ(ExtractFilePath("D:KZRA503.s19"), "D:");
    EXPECT_EQ(ExtractFileName("dir/x"), "dir/x");
    EXPECT_EQ(ExtractFileExt("C:\\a.b\\c"), "");
    EXPECT_EQ(IncludeTrailingPathDelimiter("D:\\WINNT"), "D:\\WINNT\\");
    EXPECT_EQ(ExcludeTrailingPathDelimiter("D:\\WINNT\\"), "D:\\WINNT");
    const TFolderProfile current = CurrentFolderProfile();
    EXPECT_EQ(current.WindowsDir, "D:\\WINNT\\");
    EXPECT_EQ(current.SystemDir, "D:\\WINNT\\system32\\");
    EXPECT_EQ(current.ProgramFilesDir, "C:\\Program Files\\");
}

TEST(FolderProfiles, LinuxFoldersFollowTheEnvironmentAtEachCall) {
    const AnsiString home = std::getenv("VOKA_HOME");
    EXPECT_EQ(VokaHome(), home + "/");
    TFolderProfile linux = CurrentFolderProfile();
    EXPECT_EQ(linux.PathDelim, '/');
    EXPECT_EQ(linux.WindowsDir, home + "/windows/");
    EXPECT_EQ(linux.SystemDir, home + "/windows/system/");
    EXPECT_EQ(linux.ProgramFilesDir, "/opt/");

    setenv("TMPDIR", "/var/tmp", 1);
    EXPECT_EQ(LinuxFolderProfile().TempDir, "/var/tmp/");
    unsetenv("TMPDIR");
    EXPECT_EQ(LinuxFolderProfile().TempDir, "/tmp/");

    unsetenv("VOKA_HOME");
    const AnsiString config = std::getenv("XDG_CONFIG_HOME");
    EXPECT_EQ(VokaHome(), config + "/voka/");
    unsetenv("XDG_CONFIG_HOME");
    EXPECT_EQ(VokaHome(), AnsiString(std::getenv("HOME")) + "/.config/voka/");
    setenv("XDG_CONFIG_HOME", config.c_str(), 1);
    setenv("VOKA_HOME", home.c_str(), 1);
}

TEST(FileQueries, FilesFoldersSizesAndDeletion) {
    TempDir dir;
    const AnsiString file = dir / "image.bin";
    EXPECT_FALSE(FileExists(file));
    EXPECT_EQ(FileSize64(file), -1);
    WriteFileBytes(file, AnsiString(768, 'x'));
    EXPECT_TRUE(FileExists(file));
    EXPECT_FALSE(DirectoryExists(file));
    EXPECT_EQ(FileSize64(file), 768);

    const AnsiString folder = dir.Path().string();
    EXPECT_TRUE(DirectoryExists(folder));
    EXPECT_FALSE(FileExists(folder));
    EXPECT_EQ(FileSize64(folder), -1);
    EXPECT_FALSE(DeleteFile(folder));
    EXPECT_TRUE(DirectoryExists(folder));

    EXPECT_TRUE(DeleteFile(file));
    EXPECT_FALSE(DeleteFile(file));
    EXPECT_FALSE(FileExists(""));
}

TEST(FileQueries, ForceDirectoriesCreatesEveryMissingLevel) {
    TempDir dir;
    const AnsiString deep = dir / "a/b/c/";
    EXPECT_TRUE(ForceDirectories(deep));
    EXPECT_TRUE(DirectoryExists(dir / "a/b/c"));
    EXPECT_TRUE(ForceDirectories(deep)); // already there
    WriteFileBytes(dir / "file", "x");
    EXPECT_FALSE(ForceDirectories(dir / "file/sub"));
    EXPECT_FALSE(ForceDirectories(""));
}

TEST(FileQueries, SizesBeyondFourGigabytes) {
    TempDir dir;
    const AnsiString file = dir / "sparse.bin";
    WriteFileBytes(file, "");
    ASSERT_EQ(truncate(file.c_str(), 5'000'000'000LL), 0);
    EXPECT_EQ(FileSize64(file), 5'000'000'000LL);
}
