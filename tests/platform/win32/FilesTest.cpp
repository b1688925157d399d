#include <gmock/gmock.h>

#include <cstring>
#include <filesystem>

#include "platform/win32/Files.h"
#include "platform/win32/Synch.h"
#include "tests/support/TempDir.h"

namespace {
HANDLE Open(const std::string& path, DWORD disposition, DWORD access = GENERIC_READ | GENERIC_WRITE,
            DWORD share = FILE_SHARE_READ | FILE_SHARE_WRITE) {
    return CreateFileA(path.c_str(), access, share, nullptr, disposition, FILE_ATTRIBUTE_NORMAL,
                       nullptr);
}

std::string ReadAll(HANDLE file) {
    std::string text(64, '\0');
    DWORD done = 0;
    EXPECT_TRUE(ReadFile(file, text.data(), static_cast<DWORD>(text.size()), &done, nullptr));
    text.resize(done);
    return text;
}

TEST(FilesTest, CreationDispositionsGiveTheirResultsAndErrors) {
    TempDir dir;
    std::string path = dir / "a.bin";

    HANDLE created = Open(path, CREATE_NEW);
    ASSERT_NE(created, INVALID_HANDLE_VALUE);
    EXPECT_EQ(GetLastError(), ERROR_SUCCESS);
    CloseHandle(created);
    EXPECT_EQ(Open(path, CREATE_NEW), INVALID_HANDLE_VALUE);
    EXPECT_EQ(GetLastError(), ERROR_FILE_EXISTS);

    WriteFileBytes(path, "old contents");
    HANDLE opened = Open(path, OPEN_ALWAYS);
    EXPECT_EQ(GetLastError(), ERROR_ALREADY_EXISTS);
    EXPECT_EQ(ReadAll(opened), "old contents");
    CloseHandle(opened);

    HANDLE replaced = Open(path, CREATE_ALWAYS);
    EXPECT_EQ(GetLastError(), ERROR_ALREADY_EXISTS);
    EXPECT_EQ(GetFileSize(replaced, nullptr), 0u);
    CloseHandle(replaced);

    HANDLE fresh = Open(dir / "new.bin", OPEN_ALWAYS);
    EXPECT_EQ(GetLastError(), ERROR_SUCCESS);
    CloseHandle(fresh);
}

TEST(FilesTest, OpeningWhatIsNotThereNamesTheMissingPart) {
    TempDir dir;
    EXPECT_EQ(Open(dir / "missing.txt", OPEN_EXISTING), INVALID_HANDLE_VALUE);
    EXPECT_EQ(GetLastError(), ERROR_FILE_NOT_FOUND);
    EXPECT_EQ(Open(dir / "no-folder/missing.txt", OPEN_EXISTING), INVALID_HANDLE_VALUE);
    EXPECT_EQ(GetLastError(), ERROR_PATH_NOT_FOUND);
    EXPECT_EQ(Open(dir / "missing.txt", TRUNCATE_EXISTING), INVALID_HANDLE_VALUE);
    EXPECT_EQ(GetLastError(), ERROR_FILE_NOT_FOUND);
    EXPECT_FALSE(std::filesystem::exists(dir / "missing.txt"));
}

TEST(FilesTest, TruncateExistingNeedsWriteAccess) {
    TempDir dir;
    std::string path = dir / "t.txt";
    WriteFileBytes(path, "12345");
    EXPECT_EQ(Open(path, TRUNCATE_EXISTING, GENERIC_READ), INVALID_HANDLE_VALUE);
    EXPECT_EQ(GetLastError(), ERROR_INVALID_PARAMETER);
    EXPECT_EQ(ReadFileBytes(path), "12345");
    HANDLE file = Open(path, TRUNCATE_EXISTING, GENERIC_WRITE);
    ASSERT_NE(file, INVALID_HANDLE_VALUE);
    CloseHandle(file);
    EXPECT_EQ(ReadFileBytes(path), "");
}

TEST(FilesTest, ExclusiveShareModeRefusesOthersWithoutTruncating) {
    TempDir dir;
    std::string path = dir / "locked.txt";
    WriteFileBytes(path, "keep");
    HANDLE exclusive = Open(path, OPEN_EXISTING, GENERIC_READ, 0);
    ASSERT_NE(exclusive, INVALID_HANDLE_VALUE);
    EXPECT_EQ(Open(path, CREATE_ALWAYS), INVALID_HANDLE_VALUE);
    EXPECT_EQ(GetLastError(), ERROR_SHARING_VIOLATION);
    EXPECT_EQ(ReadFileBytes(path), "keep");
    CloseHandle(exclusive);

    HANDLE first = Open(path, OPEN_EXISTING);
    HANDLE second = Open(path, OPEN_EXISTING, GENERIC_READ);
    EXPECT_NE(first, INVALID_HANDLE_VALUE);
    EXPECT_NE(second, INVALID_HANDLE_VALUE);
    EXPECT_EQ(Open(path, OPEN_EXISTING, GENERIC_READ, 0), INVALID_HANDLE_VALUE);
    EXPECT_EQ(GetLastError(), ERROR_SHARING_VIOLATION);
    CloseHandle(first);
    CloseHandle(second);
}

TEST(FilesTest, ReadWriteSeekAndSize) {
    TempDir dir;
    HANDLE file = Open(dir / "data.bin", CREATE_ALWAYS);
    const char bytes[] = "0123456789";
    DWORD done = 0;
    ASSERT_TRUE(WriteFile(file, bytes, 10, &done, nullptr));
    EXPECT_EQ(done, 10u);
    DWORD high = 7;
    EXPECT_EQ(GetFileSize(file, &high), 10u);
    EXPECT_EQ(high, 0u);
    LARGE_INTEGER size{};
    ASSERT_TRUE(GetFileSizeEx(file, &size));
    EXPECT_EQ(size.QuadPart, 10);

    EXPECT_EQ(SetFilePointer(file, -4, nullptr, FILE_END), 6u);
    EXPECT_EQ(ReadAll(file), "6789");
    EXPECT_EQ(ReadAll(file), ""); // end of file: success, nothing read

    EXPECT_EQ(SetFilePointer(file, -1, nullptr, FILE_BEGIN), INVALID_SET_FILE_POINTER);
    EXPECT_EQ(GetLastError(), ERROR_NEGATIVE_SEEK);

    EXPECT_EQ(SetFilePointer(file, 3, nullptr, FILE_BEGIN), 3u);
    ASSERT_TRUE(SetEndOfFile(file));
    EXPECT_EQ(GetFileSize(file, nullptr), 3u);
    EXPECT_TRUE(FlushFileBuffers(file));
    CloseHandle(file);
}

TEST(FilesTest, AccessRightsAreHonoured) {
    TempDir dir;
    std::string path = dir / "r.txt";
    WriteFileBytes(path, "abc");
    HANDLE readOnly = Open(path, OPEN_EXISTING, GENERIC_READ);
    DWORD done = 5;
    EXPECT_FALSE(WriteFile(readOnly, "x", 1, &done, nullptr));
    EXPECT_EQ(GetLastError(), ERROR_ACCESS_DENIED);
    EXPECT_EQ(done, 0u);
    CloseHandle(readOnly);

    HANDLE writeOnly = Open(path, OPEN_EXISTING, GENERIC_WRITE);
    char buffer[4];
    EXPECT_FALSE(ReadFile(writeOnly, buffer, 3, &done, nullptr));
    EXPECT_EQ(GetLastError(), ERROR_ACCESS_DENIED);
    CloseHandle(writeOnly);

    // Neither read nor write: enough to learn the size.
    HANDLE query = Open(path, OPEN_EXISTING, 0);
    ASSERT_NE(query, INVALID_HANDLE_VALUE);
    EXPECT_EQ(GetFileSize(query, nullptr), 3u);
    CloseHandle(query);
}

TEST(FilesTest, OverlappedRecordGivesTheOffsetAndSignalsItsEvent) {
    TempDir dir;
    std::string path = dir / "o.bin";
    WriteFileBytes(path, "abcdefgh");
    HANDLE file = Open(path, OPEN_EXISTING, GENERIC_READ);
    OVERLAPPED overlapped{};
    overlapped.Offset = 5;
    overlapped.hEvent = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    char buffer[8] = {};
    DWORD done = 0;
    ASSERT_TRUE(ReadFile(file, buffer, 8, &done, &overlapped));
    EXPECT_EQ(std::string(buffer, done), "fgh");
    EXPECT_EQ(overlapped.InternalHigh, 3u);
    EXPECT_EQ(WaitForSingleObject(overlapped.hEvent, 0), WAIT_OBJECT_0);
    CloseHandle(overlapped.hEvent);
    CloseHandle(file);
}

TEST(FilesTest, FoldersAreNotOpenedAsFiles) {
    TempDir dir;
    EXPECT_EQ(Open(dir.Path().string(), OPEN_EXISTING, GENERIC_READ), INVALID_HANDLE_VALUE);
    EXPECT_EQ(GetLastError(), ERROR_ACCESS_DENIED);
}

class FakePort : public FileObject {
public:
    BOOL Read(void* buffer, DWORD count, DWORD* done, OVERLAPPED*) override {
        std::memset(buffer, 'p', count);
        *done = count;
        return TRUE;
    }
    BOOL Write(const void*, DWORD count, DWORD* done, OVERLAPPED*) override {
        written += count;
        *done = count;
        return TRUE;
    }
    DWORD written = 0;
};

std::string openedDevice;
HANDLE OpenFakeDevice(LPCSTR name, DWORD, DWORD, DWORD) {
    openedDevice = name;
    return RegisterHandle(std::make_shared<FakePort>());
}

TEST(FilesTest, DeviceNamesGoToTheDeviceOpener) {
    SetDeviceOpener(nullptr);
    EXPECT_EQ(Open("\\\\.\\COM3", OPEN_EXISTING), INVALID_HANDLE_VALUE);
    EXPECT_EQ(GetLastError(), ERROR_FILE_NOT_FOUND);

    SetDeviceOpener(&OpenFakeDevice);
    for (const char* name : {"\\\\?\\COM12", "\\\\.\\COM3", "com7"}) {
        HANDLE port = Open(name, OPEN_EXISTING);
        ASSERT_NE(port, INVALID_HANDLE_VALUE) << name;
        EXPECT_EQ(openedDevice, name);
        char buffer[2];
        DWORD done = 0;
        EXPECT_TRUE(ReadFile(port, buffer, 2, &done, nullptr));
        EXPECT_EQ(std::string(buffer, 2), "pp");
        EXPECT_TRUE(WriteFile(port, "abc", 3, &done, nullptr));
        EXPECT_EQ(done, 3u);
        EXPECT_TRUE(CloseHandle(port));
    }
    SetDeviceOpener(nullptr);

    TempDir dir; // a file that merely starts like a port is a file
    openedDevice.clear();
    HANDLE file = Open(dir / "COM3.txt", CREATE_NEW);
    EXPECT_NE(file, INVALID_HANDLE_VALUE);
    EXPECT_TRUE(openedDevice.empty());
    CloseHandle(file);
}

TEST(FilesTest, CallsOnHandlesOfOtherKindsFail) {
    HANDLE event = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    char buffer[1];
    DWORD done = 0;
    EXPECT_FALSE(ReadFile(event, buffer, 1, &done, nullptr));
    EXPECT_EQ(GetLastError(), ERROR_INVALID_HANDLE);
    EXPECT_EQ(GetFileSize(event, nullptr), INVALID_FILE_SIZE);
    EXPECT_FALSE(FindClose(event));
    CloseHandle(event);
}
} // namespace
