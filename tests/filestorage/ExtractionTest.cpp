// Target folders, writing stored files, the overwrite policies, the events and removal
// at termination.
#include <gmock/gmock.h>

#include <filesystem>
#include <sys/stat.h>

#include "filestorage/FileStorage.h"
#include "platform/rtl/FileUtils.h"
#include "platform/rtl/FolderProfile.h"
#include "platform/win32/Files.h"
#include "platform/win32/Folders.h"
#include "platform/win32/Registry.h"
#include "tests/filestorage/PackHelpers.h"
#include "tests/support/EnvironmentGuard.h"
#include "tests/support/FileSizeLimit.h"
#include "tests/support/TempDir.h"

namespace {

void AddFile(TFileStorage& storage, const AnsiString& name, const AnsiString& contents) {
    auto file = std::make_unique<TStoredFile>(&storage);
    file->FileName = name;
    file->Data->WriteBuffer(contents.data(), static_cast<int64_t>(contents.size()));
    file->FileSize = static_cast<int>(contents.size());
    storage.Files.push_back(std::move(file));
}

class WindowsProfile : public ::testing::Test {
protected:
    void SetUp() override {
        profile_ = WindowsFolderProfile();
        SetFolderProfile(&profile_);
    }
    void TearDown() override { SetFolderProfile(nullptr); }
    TFolderProfile profile_;
};

TEST_F(WindowsProfile, NoToplevelFolderTakesTheSubdirectoryAsItIs) {
    TFileStorage storage(nullptr);
    TExtractTo& to = *storage.AutoExtract->ExtractTo;
    to.ToplevelDir = tdNone;
    to.Subdirectory = "C:\\Data";
    EXPECT_EQ(to.Path(), "C:\\Data");
    EXPECT_EQ(to.Path() + "update.exe", "C:\\Dataupdate.exe");
    to.Subdirectory = "C:\\Data\\";
    EXPECT_EQ(to.Path() + "update.exe", "C:\\Data\\update.exe");
}

TEST_F(WindowsProfile, WindowsFoldersAndTheSubdirectoryTail) {
    TExtractTo to;
    to.ToplevelDir = tdProgramFiles;
    EXPECT_EQ(to.Path(), "D:\\Program Files\\");
    to.ToplevelDir = tdWindowsDir;
    to.Subdirectory = "\\Tools";
    EXPECT_EQ(to.Path(), "D:\\WINNT\\Tools\\");
    to.Subdirectory = "\\\\Tools\\";
    EXPECT_EQ(to.Path(), "D:\\WINNT\\Tools\\");
    to.Subdirectory = "";
    to.ToplevelDir = tdMediaDir;
    EXPECT_EQ(to.Path(), "D:\\WINNT\\MEDIA\\");
    to.ToplevelDir = tdSystemDir;
    EXPECT_EQ(to.Path(), "D:\\WINNT\\system32\\");
    to.ToplevelDir = tdTempDir;
    EXPECT_EQ(to.Path(), "C:\\TEMP\\");
}

TEST_F(WindowsProfile, UnreadableShellFolderLeavesTheDriveRoot) {
    HKEY key = nullptr;
    ASSERT_EQ(RegCreateKeyExA(HKEY_CURRENT_USER, SHELL_FOLDERS_KEY, 0, nullptr, 0, KEY_ALL_ACCESS,
                              nullptr, &key, nullptr),
              ERROR_SUCCESS);
    // Missing values are seeded again on opening; one too long for the buffer stays unread.
    const AnsiString tooLong(2000, 'x');
    RegSetValueExA(key, "AppData", 0, REG_SZ, reinterpret_cast<const BYTE*>(tooLong.c_str()),
                   static_cast<DWORD>(tooLong.size() + 1));
    RegCloseKey(key);
    TExtractTo to;
    to.ToplevelDir = tdAppData;
    to.Subdirectory = "Voka";
    EXPECT_EQ(to.Path(), "\\Voka\\");
}

TEST(ExtractToLinux, ExecutableFolderShellFoldersAndProgramFiles) {
    char exe[4096] = {};
    GetModuleFileNameA(nullptr, exe, sizeof exe);
    TExtractTo to;
    to.Subdirectory = "/Tools";
    EXPECT_EQ(to.Path(), ExtractFilePath(exe) + "Tools/");

    TempDir dir;
    const AnsiString desktop = dir.Path().string();
    HKEY key = nullptr;
    ASSERT_EQ(RegCreateKeyExA(HKEY_CURRENT_USER, SHELL_FOLDERS_KEY, 0, nullptr, 0, KEY_ALL_ACCESS,
                              nullptr, &key, nullptr),
              ERROR_SUCCESS);
    RegSetValueExA(key, "Desktop", 0, REG_SZ, reinterpret_cast<const BYTE*>(desktop.c_str()),
                   static_cast<DWORD>(desktop.size() + 1));
    RegCloseKey(key);
    to.ToplevelDir = tdDesktop;
    to.Subdirectory = "";
    EXPECT_EQ(to.Path(), desktop + "/");

    to.ToplevelDir = tdProgramFiles;
    EXPECT_EQ(to.Path(), CurrentFolderProfile().ProgramFilesDir);
}

// Folders longer than a 260-byte buffer are asked for again at the size reported, never
// taken for empty (which put extraction at the root).
TEST(ExtractToLinux, LongWindowsAndTempFoldersAreReadWhole) {
    TempDir dir;
    const std::string deep = dir / (std::string(200, 'h') + "/" + std::string(200, 'o'));
    EnvironmentGuard environment;
    environment.Set("VOKA_HOME", deep.c_str());
    environment.Set("TMPDIR", (deep + "/tmp").c_str());
    TExtractTo to;
    to.ToplevelDir = tdWindowsDir;
    const AnsiString windows = to.Path();
    to.ToplevelDir = tdSystemDir;
    const AnsiString system = to.Path();
    to.ToplevelDir = tdTempDir;
    const AnsiString tempFolder = to.Path();
    EXPECT_EQ(windows, deep + "/windows/");
    EXPECT_EQ(system, deep + "/windows/system/");
    EXPECT_EQ(tempFolder, deep + "/tmp/");
}

class Extraction : public ::testing::Test {
protected:
    Extraction() : storage(nullptr) {
        storage.AutoExtract->ExtractTo->ToplevelDir = tdNone;
        storage.AutoExtract->ExtractTo->Subdirectory = dir / "out/";
        AddFile(storage, "update.exe", "MZ" + RandomBytes(500, 3));
        AddFile(storage, "KZRA503.s19", "S0030000FC\r\n");
    }
    AnsiString Target(const AnsiString& name) const { return dir / ("out/" + name); }

    TempDir dir;
    TFileStorage storage;
};

TEST_F(Extraction, ExtractByNameCreatesTheFoldersAndWritesTheContents) {
    storage.AutoExtract->ExtractTo->Subdirectory = dir / "a/b/c/";
    EXPECT_TRUE(storage.Extract("KZRA503.s19", ""));
    EXPECT_EQ(ReadFileBytes(dir / "a/b/c/KZRA503.s19"), "S0030000FC\r\n");
    EXPECT_TRUE(storage.Extract(0, dir / "explicit.exe"));
    EXPECT_EQ(ReadFileBytes(dir / "explicit.exe").substr(0, 2), "MZ");
}

TEST_F(Extraction, WithoutCreatePathAMissingFolderFails) {
    storage.AutoExtract->ExtractTo->CreatePath = false;
    EXPECT_FALSE(storage.Extract("update.exe", ""));
    EXPECT_FALSE(FileExists(Target("update.exe")));
}

TEST_F(Extraction, UnknownNamesAndOtherLetterCaseDoNotMatch) {
    EXPECT_FALSE(storage.Extract("missing.bin", ""));
    EXPECT_FALSE(storage.Extract("UPDATE.EXE", ""));
    EXPECT_FALSE(DirectoryExists(dir / "out"));
    EXPECT_THROW(storage.Extract(2, ""), EListError);
    EXPECT_THROW(storage.Extract(-1, ""), EListError);
}

TEST_F(Extraction, NativeExecutablesGetTheExecutePermission) {
    AddFile(storage, "tool",
            std::string("\x7F"
                        "ELF\x02\x01",
                        6) +
                RandomBytes(64, 4));
    AddFile(storage, "run.sh", "#!/bin/sh\n");
    for (int i = 0; i < storage.GetCount(); ++i)
        ASSERT_TRUE(storage.Extract(i, ""));
    struct stat status {};
    stat(Target("tool").c_str(), &status);
    EXPECT_TRUE(status.st_mode & S_IXUSR);
    stat(Target("run.sh").c_str(), &status);
    EXPECT_TRUE(status.st_mode & S_IXUSR);
    stat(Target("update.exe").c_str(), &status);
    EXPECT_FALSE(status.st_mode & S_IXUSR);
}

TEST_F(Extraction, AFailedWriteKeepsTheFileThatWasThere) {
    ASSERT_TRUE(storage.Extract("update.exe", ""));
    const std::string written = ReadFileBytes(Target("update.exe"));
    storage.Files[0]->Data->SetSize(0);
    storage.Files[0]->Data->WriteBuffer("a newer updater", 15);
    {
        const FileSizeLimit fullDisk(4);
        EXPECT_FALSE(storage.Extract("update.exe", ""));
    }
    EXPECT_EQ(ReadFileBytes(Target("update.exe")), written);
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir / "out"),
                            std::filesystem::directory_iterator()),
              1)
        << "no temporary file stays behind";
}

struct ExtractListener : TObject {
    void Extracting(TObject* sender, const AnsiString& name, int size, bool& allow) {
        Senders.push_back(sender);
        Seen.push_back(name + ":" + std::to_string(size));
        allow = Allow;
    }
    void Extracted(TObject*, const AnsiString& name, int, bool successfully) {
        Done.push_back(name + (successfully ? ":ok" : ":failed"));
    }
    bool Allow = true;
    std::vector<TObject*> Senders;
    std::vector<AnsiString> Seen, Done;
};

TEST_F(Extraction, OnExtractCanVetoAndOnExtractedReportsTheOutcome) {
    TComponent owner(nullptr);
    auto* owned = new TFileStorage(&owner);
    AddFile(*owned, "a.txt", "abc");
    owned->AutoExtract->ExtractTo->ToplevelDir = tdNone;
    owned->AutoExtract->ExtractTo->Subdirectory = dir / "ev/";
    ExtractListener listener;
    owned->OnExtract = TOnExtractEvent::Bind<&ExtractListener::Extracting>(&listener);
    owned->OnExtracted = TOnExtractedEvent::Bind<&ExtractListener::Extracted>(&listener);

    listener.Allow = false;
    EXPECT_TRUE(owned->Extract("a.txt", ""));
    EXPECT_FALSE(FileExists(dir / "ev/a.txt"));
    EXPECT_TRUE(listener.Done.empty());

    listener.Allow = true;
    EXPECT_TRUE(owned->Extract("a.txt", ""));
    EXPECT_FALSE(owned->Extract(0, dir / "ev")); // a folder: the file cannot be created
    EXPECT_THAT(listener.Seen,
                ::testing::ElementsAre(dir / "ev/a.txt:3", dir / "ev/a.txt:3", dir / "ev:3"));
    EXPECT_THAT(listener.Done, ::testing::ElementsAre(dir / "ev/a.txt:ok", dir / "ev:failed"));
    EXPECT_THAT(listener.Senders, ::testing::Each(&owner));
}

// Automatic extraction under each overwrite policy.
class OverwritePolicy : public Extraction {
protected:
    void PlaceExisting(const AnsiString& name, const AnsiString& bytes) {
        ForceDirectories(dir / "out");
        WriteFileBytes(Target(name), bytes);
    }
    AnsiString Stored(int index) {
        auto& data = *storage.Files[index]->Data;
        return AnsiString(static_cast<const char*>(data.Memory()), data.Size());
    }
};

TEST_F(OverwritePolicy, DisabledAutoExtractWritesNothing) {
    storage.Loaded();
    EXPECT_FALSE(DirectoryExists(dir / "out"));
}

TEST_F(OverwritePolicy, IfSizeDifferentComparesOnlyTheSize) {
    storage.AutoExtract->Enabled = true;
    const AnsiString sameSize(storage.Files[0]->FileSize, 'x');
    PlaceExisting("update.exe", sameSize);
    PlaceExisting("KZRA503.s19", std::string(storage.Files[1]->FileSize + 1, 'y'));
    storage.Loaded();
    EXPECT_EQ(ReadFileBytes(Target("update.exe")), sameSize);
    EXPECT_EQ(ReadFileBytes(Target("KZRA503.s19")), Stored(1));

    PlaceExisting("update.exe", sameSize.substr(1));
    storage.Loaded();
    EXPECT_EQ(ReadFileBytes(Target("update.exe")), Stored(0));
}

TEST_F(OverwritePolicy, NeverKeepsExistingFilesAndWritesMissingOnes) {
    storage.AutoExtract->Enabled = true;
    storage.AutoExtract->Overwrite = owNever;
    PlaceExisting("update.exe", "old");
    storage.Loaded();
    EXPECT_EQ(ReadFileBytes(Target("update.exe")), "old");
    EXPECT_EQ(ReadFileBytes(Target("KZRA503.s19")), Stored(1));
}

TEST_F(OverwritePolicy, AlwaysReplaces) {
    storage.AutoExtract->Enabled = true;
    storage.AutoExtract->Overwrite = owAlways;
    PlaceExisting("update.exe", AnsiString(storage.Files[0]->FileSize, 'x'));
    storage.Loaded();
    EXPECT_EQ(ReadFileBytes(Target("update.exe")), Stored(0));
    EXPECT_EQ(ReadFileBytes(Target("KZRA503.s19")), Stored(1));
}

TEST_F(OverwritePolicy, DesignTimeNeverExtracts) {
    storage.AutoExtract->Enabled = true;
    storage.SetDesigning(true);
    storage.Loaded();
    EXPECT_FALSE(DirectoryExists(dir / "out"));
}

TEST(RemovalAtTermination, RemovesWrittenFilesAndTheFirstFilesEmptyFolder) {
    TempDir dir;
    {
        TFileStorage storage(nullptr);
        storage.AutoExtract->Enabled = true;
        storage.AutoExtract->RemoveOnTerminate = true;
        storage.AutoExtract->ExtractTo->ToplevelDir = tdNone;
        storage.AutoExtract->ExtractTo->Subdirectory = dir / "tmp/deep/";
        AddFile(storage, "a", "1");
        AddFile(storage, "b", "22");
        storage.Loaded();
        EXPECT_TRUE(storage.Extract("a", dir / "elsewhere/a"));
        EXPECT_THAT(
            storage.ExtractedFiles(),
            ::testing::ElementsAre(dir / "tmp/deep/a", dir / "tmp/deep/b", dir / "elsewhere/a"));
        EXPECT_TRUE(FileExists(dir / "tmp/deep/b"));
    }
    EXPECT_FALSE(FileExists(dir / "elsewhere/a"));
    EXPECT_FALSE(DirectoryExists(dir / "tmp/deep"));
    EXPECT_TRUE(DirectoryExists(dir / "tmp")); // only the first file's own folder goes
    EXPECT_TRUE(DirectoryExists(dir / "elsewhere"));
}

TEST(RemovalAtTermination, FolderWithOtherEntriesStays) {
    TempDir dir;
    ForceDirectories(dir / "keep");
    WriteFileBytes(dir / "keep/user.txt", "mine");
    {
        TFileStorage storage(nullptr);
        storage.AutoExtract->Enabled = true;
        storage.AutoExtract->RemoveOnTerminate = true;
        AddFile(storage, "a", "1");
        EXPECT_TRUE(storage.Extract("a", dir / "keep/a"));
    }
    EXPECT_FALSE(FileExists(dir / "keep/a"));
    EXPECT_EQ(ReadFileBytes(dir / "keep/user.txt"), "mine");
}

TEST(RemovalAtTermination, ExplicitExtractsStayWhenAutoExtractIsDisabled) {
    TempDir dir;
    {
        TFileStorage storage(nullptr);
        storage.AutoExtract->RemoveOnTerminate = true;
        AddFile(storage, "a", "1");
        EXPECT_TRUE(storage.Extract("a", dir / "a"));
    }
    EXPECT_TRUE(FileExists(dir / "a"));
}

} // namespace
