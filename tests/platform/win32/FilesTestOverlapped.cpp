// Disk transfers with an OVERLAPPED record, as Windows completes them.
#include <gmock/gmock.h>

#include "platform/win32/Comm.h"
#include "platform/win32/Files.h"
#include "tests/support/TempDir.h"

namespace {
HANDLE Open(const std::string& path, DWORD flags) {
    return CreateFileA(path.c_str(), GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ, nullptr,
                       OPEN_EXISTING, flags, nullptr);
}

OVERLAPPED At(DWORD offset, DWORD offsetHigh = 0) {
    OVERLAPPED record{};
    record.Offset = offset;
    record.OffsetHigh = offsetHigh;
    return record;
}

DWORD CurrentPointer(HANDLE file) {
    return SetFilePointer(file, 0, nullptr, FILE_CURRENT);
}

// The documented loop: read until ReadFile fails with ERROR_HANDLE_EOF.
TEST(FilesTestOverlapped, ReadingAtTheEndFailsWithHandleEofAndSoDoesTheResult) {
    TempDir dir;
    WriteFileBytes(dir / "f.bin", "abcde");
    HANDLE file = Open(dir / "f.bin", FILE_FLAG_OVERLAPPED);
    std::string gathered;
    DWORD offset = 0;
    bool ended = false;
    for (int round = 0; round < 10 && !ended; ++round) {
        char buffer[2];
        DWORD done = 99;
        OVERLAPPED record = At(offset);
        if (!ReadFile(file, buffer, sizeof buffer, &done, &record)) {
            EXPECT_EQ(GetLastError(), ERROR_HANDLE_EOF);
            EXPECT_EQ(done, 0u);
            EXPECT_FALSE(GetOverlappedResult(file, &record, &done, TRUE));
            EXPECT_EQ(GetLastError(), ERROR_HANDLE_EOF);
            ended = true;
            continue;
        }
        gathered.append(buffer, done);
        offset += done;
    }
    EXPECT_TRUE(ended);
    EXPECT_EQ(gathered, "abcde");
    CloseHandle(file);
}

TEST(FilesTestOverlapped, PositionedTransfersMoveTheFilePointerOfASynchronousHandle) {
    TempDir dir;
    WriteFileBytes(dir / "f.bin", "0123456789");
    HANDLE file = Open(dir / "f.bin", FILE_ATTRIBUTE_NORMAL);
    char buffer[3];
    DWORD done = 0;
    OVERLAPPED record = At(2);
    ASSERT_TRUE(ReadFile(file, buffer, 3, &done, &record));
    EXPECT_EQ(std::string(buffer, done), "234");
    EXPECT_EQ(CurrentPointer(file), 5u);
    ASSERT_TRUE(ReadFile(file, buffer, 3, &done, nullptr));
    EXPECT_EQ(std::string(buffer, done), "567");

    record = At(1);
    ASSERT_TRUE(WriteFile(file, "xy", 2, &done, &record));
    EXPECT_EQ(CurrentPointer(file), 3u);
    ASSERT_TRUE(WriteFile(file, "z", 1, &done, nullptr));
    CloseHandle(file);
    EXPECT_EQ(ReadFileBytes(dir / "f.bin"), "0xyz456789");
}

TEST(FilesTestOverlapped, OffsetOfAllOnesWritesAtTheEnd) {
    TempDir dir;
    WriteFileBytes(dir / "log.txt", "first;");
    for (DWORD flags : {DWORD{FILE_ATTRIBUTE_NORMAL}, FILE_FLAG_OVERLAPPED}) {
        HANDLE file = Open(dir / "log.txt", flags);
        OVERLAPPED record = At(0xFFFFFFFF, 0xFFFFFFFF);
        DWORD done = 0;
        ASSERT_TRUE(WriteFile(file, "more;", 5, &done, &record));
        EXPECT_EQ(done, 5u);
        CloseHandle(file);
    }
    EXPECT_EQ(ReadFileBytes(dir / "log.txt"), "first;more;more;");
}

// The record alone carries a finished operation's result.
TEST(FilesTestOverlapped, FinishedRecordGivesItsResultWithoutTheHandle) {
    TempDir dir;
    WriteFileBytes(dir / "f.bin", "");
    HANDLE file = Open(dir / "f.bin", FILE_FLAG_OVERLAPPED);
    OVERLAPPED record = At(0);
    DWORD done = 0;
    ASSERT_TRUE(WriteFile(file, "abc", 3, &done, &record));
    CloseHandle(file);
    for (HANDLE gone : {file, HANDLE{nullptr}}) {
        done = 0;
        EXPECT_TRUE(GetOverlappedResult(gone, &record, &done, FALSE));
        EXPECT_EQ(done, 3u);
    }
}
} // namespace
