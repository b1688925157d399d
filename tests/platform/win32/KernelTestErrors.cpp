#include <gmock/gmock.h>

#include <cerrno>

#include "platform/win32/Version.h"

#include <sys/utsname.h>

TEST(ErrorCodeTest, ErrnoMapsToWindowsCodes) {
    EXPECT_EQ(ErrorFromErrno(0), ERROR_SUCCESS);
    EXPECT_EQ(ErrorFromErrno(ENOENT), ERROR_FILE_NOT_FOUND);
    EXPECT_EQ(ErrorFromErrno(ENOTDIR), ERROR_PATH_NOT_FOUND);
    EXPECT_EQ(ErrorFromErrno(EMFILE), ERROR_TOO_MANY_OPEN_FILES);
    EXPECT_EQ(ErrorFromErrno(EACCES), ERROR_ACCESS_DENIED);
    EXPECT_EQ(ErrorFromErrno(EPERM), ERROR_ACCESS_DENIED);
    EXPECT_EQ(ErrorFromErrno(EBUSY), ERROR_ACCESS_DENIED);
    EXPECT_EQ(ErrorFromErrno(EBADF), ERROR_INVALID_HANDLE);
    EXPECT_EQ(ErrorFromErrno(ENOMEM), ERROR_NOT_ENOUGH_MEMORY);
    EXPECT_EQ(ErrorFromErrno(EEXIST), ERROR_FILE_EXISTS);
    EXPECT_EQ(ErrorFromErrno(EINVAL), ERROR_INVALID_PARAMETER);
    EXPECT_EQ(ErrorFromErrno(ENOSPC), ERROR_DISK_FULL);
    EXPECT_EQ(ErrorFromErrno(EIO), ERROR_GEN_FAILURE);
    EXPECT_EQ(ErrorFromErrno(ENXIO), ERROR_FILE_NOT_FOUND);
    EXPECT_EQ(ErrorFromErrno(ENOTEMPTY), ERROR_DIR_NOT_EMPTY);
    // A would-block failure must never read as an operation still in progress.
    EXPECT_NE(ErrorFromErrno(EAGAIN), ERROR_IO_PENDING);
}

TEST(ErrorCodeTest, SetLastErrorFromErrnoUsesCurrentErrno) {
    errno = EACCES;
    EXPECT_EQ(SetLastErrorFromErrno(), ERROR_ACCESS_DENIED);
    EXPECT_EQ(GetLastError(), ERROR_ACCESS_DENIED);
}

TEST(ErrorTextTest, FamiliarWindowsWording) {
    EXPECT_EQ(SystemErrorMessage(ERROR_FILE_NOT_FOUND),
              "The system cannot find the file specified.\r\n");
    EXPECT_EQ(SystemErrorMessage(ERROR_ACCESS_DENIED), "Access is denied.\r\n");
    EXPECT_EQ(SystemErrorMessage(ERROR_INVALID_PARAMETER), "The parameter is incorrect.\r\n");
    EXPECT_EQ(SystemErrorMessage(ERROR_IO_PENDING), "Overlapped I/O operation is in progress.\r\n");
    EXPECT_EQ(SystemErrorMessage(ERROR_INVALID_HANDLE), "The handle is invalid.\r\n");
    EXPECT_EQ(SystemErrorMessage(0xDEADu), "");
}

TEST(ErrorTextTest, EveryProducedCodeHasAText) {
    const DWORD codes[] = {ERROR_SUCCESS,
                           ERROR_INVALID_FUNCTION,
                           ERROR_FILE_NOT_FOUND,
                           ERROR_PATH_NOT_FOUND,
                           ERROR_TOO_MANY_OPEN_FILES,
                           ERROR_ACCESS_DENIED,
                           ERROR_INVALID_HANDLE,
                           ERROR_NOT_ENOUGH_MEMORY,
                           ERROR_BAD_FORMAT,
                           ERROR_INVALID_DATA,
                           ERROR_OUTOFMEMORY,
                           ERROR_NO_MORE_FILES,
                           ERROR_WRITE_PROTECT,
                           ERROR_BAD_UNIT,
                           ERROR_NOT_READY,
                           ERROR_BAD_COMMAND,
                           ERROR_CRC,
                           ERROR_WRITE_FAULT,
                           ERROR_READ_FAULT,
                           ERROR_GEN_FAILURE,
                           ERROR_SHARING_VIOLATION,
                           ERROR_LOCK_VIOLATION,
                           ERROR_HANDLE_EOF,
                           ERROR_NOT_SUPPORTED,
                           ERROR_DEV_NOT_EXIST,
                           ERROR_FILE_EXISTS,
                           ERROR_INVALID_PARAMETER,
                           ERROR_BROKEN_PIPE,
                           ERROR_DISK_FULL,
                           ERROR_CALL_NOT_IMPLEMENTED,
                           ERROR_INSUFFICIENT_BUFFER,
                           ERROR_INVALID_NAME,
                           ERROR_MOD_NOT_FOUND,
                           ERROR_PROC_NOT_FOUND,
                           ERROR_DIR_NOT_EMPTY,
                           ERROR_BUSY,
                           ERROR_ALREADY_EXISTS,
                           ERROR_FILENAME_EXCED_RANGE,
                           ERROR_MORE_DATA,
                           ERROR_NO_MORE_ITEMS,
                           ERROR_DIRECTORY,
                           ERROR_OPERATION_ABORTED,
                           ERROR_IO_INCOMPLETE,
                           ERROR_IO_PENDING,
                           ERROR_NOACCESS,
                           ERROR_BADKEY,
                           ERROR_CANTOPEN,
                           ERROR_CANTREAD,
                           ERROR_CANTWRITE,
                           ERROR_REGISTRY_CORRUPT,
                           ERROR_KEY_DELETED,
                           ERROR_COUNTER_TIMEOUT,
                           ERROR_DEVICE_NOT_CONNECTED,
                           ERROR_NOT_FOUND,
                           ERROR_INVALID_WINDOW_HANDLE,
                           ERROR_INVALID_THREAD_ID,
                           ERROR_TIMEOUT,
                           ERROR_DEVICE_REMOVED};
    for (int error = 1; error < 134; ++error) {
        DWORD mapped = ErrorFromErrno(error);
        EXPECT_FALSE(SystemErrorMessage(mapped).empty()) << "errno " << error;
    }
    for (DWORD code : codes) {
        auto text = SystemErrorMessage(code);
        ASSERT_GE(text.size(), 3u) << code;
        EXPECT_EQ(text.substr(text.size() - 2), "\r\n") << code;
        EXPECT_THAT(text.substr(0, text.size() - 2),
                    ::testing::AnyOf(::testing::EndsWith("."), ::testing::EndsWith(".)")))
            << code;
    }
}

TEST(FormatMessageTest, CopiesIntoBufferOrAllocates) {
    char buffer[64];
    DWORD length = FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
                                  nullptr, ERROR_ACCESS_DENIED, 0, buffer, sizeof buffer, nullptr);
    EXPECT_EQ(AnsiString(buffer, length), "Access is denied.\r\n");

    char* allocated = nullptr;
    length =
        FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_ALLOCATE_BUFFER, nullptr,
                       ERROR_FILE_NOT_FOUND, 0, reinterpret_cast<LPSTR>(&allocated), 0, nullptr);
    ASSERT_NE(allocated, nullptr);
    EXPECT_EQ(AnsiString(allocated), "The system cannot find the file specified.\r\n");
    EXPECT_EQ(length, 44u);
    EXPECT_EQ(LocalFree(allocated), nullptr);
}

TEST(FormatMessageTest, FailuresReportWhy) {
    char small[8];
    EXPECT_EQ(FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM, nullptr, ERROR_ACCESS_DENIED, 0, small,
                             sizeof small, nullptr),
              0u);
    EXPECT_EQ(GetLastError(), ERROR_INSUFFICIENT_BUFFER);
    char buffer[64];
    EXPECT_EQ(FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM, nullptr, 0xDEADu, 0, buffer, sizeof buffer,
                             nullptr),
              0u);
    EXPECT_EQ(GetLastError(), ERROR_MR_MID_NOT_FOUND);
    EXPECT_EQ(FormatMessageA(FORMAT_MESSAGE_FROM_STRING, "x", 0, 0, buffer, sizeof buffer, nullptr),
              0u);
    EXPECT_EQ(GetLastError(), ERROR_INVALID_PARAMETER);
}

TEST(VersionTest, ReportsTheNtFamilyAndTheKernelRelease) {
    OSVERSIONINFOA info;
    info.dwOSVersionInfoSize = sizeof info;
    ASSERT_TRUE(GetVersionExA(&info));
    EXPECT_EQ(info.dwPlatformId, VER_PLATFORM_WIN32_NT);
    EXPECT_EQ(info.dwMajorVersion, 10u);
    EXPECT_EQ(info.dwMinorVersion, 0u);
    EXPECT_GT(info.dwBuildNumber, 0u);
    utsname system{};
    ASSERT_EQ(uname(&system), 0);
    EXPECT_STREQ(info.szCSDVersion, system.release);

    OSVERSIONINFOA wrongSize;
    wrongSize.dwOSVersionInfoSize = sizeof wrongSize - 4;
    EXPECT_FALSE(GetVersionExA(&wrongSize));
    EXPECT_EQ(GetLastError(), ERROR_INSUFFICIENT_BUFFER);
}
