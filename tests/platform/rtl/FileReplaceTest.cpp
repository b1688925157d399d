// Files replaced whole or not at all, whole files read with a limit, and reads that never
// wait on a FIFO or a device.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <functional>
#include <sys/stat.h>
#include <unistd.h>

#include "platform/rtl/FileUtils.h"
#include "platform/rtl/Streams.h"
#include "tests/support/FileSizeLimit.h"
#include "tests/support/TempDir.h"

namespace fs = std::filesystem;

namespace {
// The names in a folder, so that a temporary file left behind shows.
std::vector<std::string> Entries(const TempDir& dir) {
    std::vector<std::string> names;
    for (const auto& entry : fs::directory_iterator(dir.Path()))
        names.push_back(entry.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
}

mode_t ModeOf(const std::string& path) {
    struct stat info {};
    EXPECT_EQ(stat(path.c_str(), &info), 0);
    return info.st_mode & 07777;
}

std::string MessageOf(const std::function<void()>& action) {
    try {
        action();
    } catch (const Exception& error) {
        return error.Message;
    }
    return "no error";
}
} // namespace

TEST(ReplacingFileStream, TheTargetChangesOnlyAtCommitAndKeepsItsPermissionsAndLinks) {
    TempDir dir;
    const std::string target = dir / "unit.bin";
    WriteFileBytes(target, "old settings");
    chmod(target.c_str(), 0640);
    fs::create_symlink(target, dir / "link.bin");
    {
        TReplacingFileStream file(dir / "link.bin");
        file.WriteBuffer("new", 3);
        EXPECT_EQ(ReadFileBytes(target), "old settings");
        file.Commit();
    }
    EXPECT_EQ(ReadFileBytes(target), "new");
    EXPECT_EQ(ModeOf(target), 0640u);
    EXPECT_TRUE(fs::is_symlink(dir / "link.bin")) << "the link is followed, not replaced";
    EXPECT_EQ(Entries(dir), (std::vector<std::string>{"link.bin", "unit.bin"}));

    {
        TReplacingFileStream file(dir / "fresh.bin");
        file.WriteBuffer("#!/bin/sh\n", 10);
        EXPECT_TRUE(file.AddExecutePermission());
        file.Commit();
    }
    EXPECT_EQ(ReadFileBytes(dir / "fresh.bin"), "#!/bin/sh\n");
    EXPECT_TRUE(ModeOf(dir / "fresh.bin") & S_IXUSR);
}

TEST(ReplacingFileStream, AFailedWriteOrNoCommitLeavesTheOldFileWholeAndNoTemporaryFile) {
    TempDir dir;
    const std::string target = dir / "unit.bin";
    WriteFileBytes(target, std::string(768, 's'));
    {
        TReplacingFileStream file(target);
        file.WriteBuffer("abandoned", 9);
    } // destroyed without Commit, as on an error on the way
    EXPECT_EQ(ReadFileBytes(target), std::string(768, 's'));
    EXPECT_EQ(Entries(dir), std::vector<std::string>{"unit.bin"});

    std::string message;
    {
        const FileSizeLimit fullDisk(0);
        message = MessageOf([&] {
            TReplacingFileStream file(target);
            file.Write(std::string(768, 'n').data(), 768);
            file.Commit();
        });
    }
    EXPECT_EQ(message, "Cannot write file \"" + target + "\". File too large");
    EXPECT_EQ(ReadFileBytes(target), std::string(768, 's'));
    EXPECT_EQ(Entries(dir), std::vector<std::string>{"unit.bin"});

    EXPECT_EQ(MessageOf([&] { TReplacingFileStream file(dir / "no/folder/x"); }),
              "Cannot create file \"" + dir / "no/folder/x" + "\". No such file or directory");
    EXPECT_THROW(TReplacingFileStream{dir.Path().string()}, EFCreateError);
}

TEST(ReplacingFileStream, DevicesAndPipesAreWrittenInPlaceWithoutWaiting) {
    {
        TReplacingFileStream sink("/dev/null");
        sink.WriteBuffer("gone", 4);
        EXPECT_TRUE(sink.AddExecutePermission());
        sink.Commit();
    }
    struct stat info {};
    ASSERT_EQ(stat("/dev/null", &info), 0);
    EXPECT_TRUE(S_ISCHR(info.st_mode)) << "a device is never replaced by a file";
    EXPECT_EQ(info.st_mode & 0111, 0u);

    EXPECT_EQ(MessageOf([] {
                  TReplacingFileStream full("/dev/full");
                  full.Write("x", 1);
                  full.Commit();
              }),
              "Cannot write file \"/dev/full\". No space left on device");

    TempDir dir;
    ASSERT_EQ(mkfifo((dir / "fifo").c_str(), 0600), 0);
    // Nobody reads the FIFO: refused at once instead of waiting for a reader.
    EXPECT_THROW(TReplacingFileStream(dir / "fifo"), EFCreateError);
}

TEST(ReadFileContents, ReadsWholeFilesAndRefusesThoseAtTheLimitBeforeReading) {
    TempDir dir;
    WriteFileBytes(dir / "nine", std::string("123456789", 9));
    EXPECT_EQ(ReadFileContents(dir / "nine", 10), "123456789");
    EXPECT_EQ(MessageOf([&] { ReadFileContents(dir / "nine", 9); }),
              "Cannot read file \"" + dir / "nine" +
                  "\". It holds 9 bytes; files of 9 bytes and more are not supported");

    // A pipe has no size: it is refused once it passes the limit.
    int fds[2];
    ASSERT_EQ(pipe(fds), 0);
    ASSERT_EQ(write(fds[1], "0123456789ab", 12), 12);
    close(fds[1]);
    const std::string pipeName = "/proc/self/fd/" + std::to_string(fds[0]);
    EXPECT_THROW(ReadFileContents(pipeName, 12), EInOutError);
    close(fds[0]);

    EXPECT_THROW(ReadFileContents(dir / "missing", 100), EFOpenError);
    EXPECT_THROW(ReadFileContents(dir.Path().string(), 100), EFOpenError);
}

TEST(FileStream, RegularFileModeRefusesFifosAndDevicesWithoutWaiting) {
    TempDir dir;
    ASSERT_EQ(mkfifo((dir / "fifo").c_str(), 0600), 0);
    EXPECT_THROW(TFileStream(dir / "fifo", fmOpenRead | fmRegularFile), EFOpenError);
    EXPECT_EQ(MessageOf([] { TFileStream("/dev/zero", fmOpenRead | fmRegularFile); }),
              "Cannot open file \"/dev/zero\". It is not a regular file");
    WriteFileBytes(dir / "plain", "abc");
    TFileStream plain(dir / "plain", fmOpenRead | fmRegularFile);
    char bytes[3];
    plain.ReadBuffer(bytes, 3); // reads block again once open
    EXPECT_EQ(std::string(bytes, 3), "abc");
}
