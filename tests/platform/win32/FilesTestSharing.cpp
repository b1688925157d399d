// Share modes as Windows applies them: every handle's access against every other handle's
// share mode, in both directions; handles without data access take no part.
#include <gmock/gmock.h>

#include <filesystem>

#include "platform/win32/Files.h"
#include "tests/support/TempDir.h"

namespace {
constexpr DWORD DELETE_ACCESS = 0x00010000;
constexpr DWORD R = GENERIC_READ;
constexpr DWORD W = GENERIC_WRITE;
constexpr DWORD SR = FILE_SHARE_READ;
constexpr DWORD SW = FILE_SHARE_WRITE;
constexpr DWORD SD = FILE_SHARE_DELETE;

HANDLE Open(const std::string& path, DWORD access, DWORD share) {
    return CreateFileA(path.c_str(), access, share, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL,
                       nullptr);
}

struct SharingCase {
    const char* what;
    DWORD firstAccess, firstShare, secondAccess, secondShare;
    bool admitted;
};

TEST(FilesTestSharing, SecondOpenIsHeldAgainstTheFirstBothWays) {
    const SharingCase cases[] = {
        {"two readers sharing reading", R, SR, R, SR, true},
        {"two writers sharing writing", W, SR | SW, W, SR | SW, true},
        {"second writer where only reading is shared", W, SR, W, SR | SW, false},
        {"writer where a reader shares only reading", R, SR, R | W, SR | SW, false},
        {"reader that refuses the first handle's writing", W, SR | SW, R, SR, false},
        {"reader where the first shares only writing", R, SW, R, SR | SW, false},
        {"writer where the first shares only writing", R, SW, W, SR | SW, true},
        {"no data access on either side ignores share mode 0", 0, 0, R | W, 0, true},
        {"an exclusive handle admits one without data access", R | W, 0, 0, 0, true},
        {"reader beside a deleter sharing reading", DELETE_ACCESS, SR | SW, R, SR | SW | SD, true},
        {"reader that refuses the first handle's deleting", DELETE_ACCESS, SR | SW | SD, R, SR | SW,
         false},
        {"deleter where deleting is not shared", R, SR | SW, DELETE_ACCESS, SR | SW | SD, false},
    };
    TempDir dir;
    const std::string path = dir / "shared.txt";
    WriteFileBytes(path, "data");
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        HANDLE first = Open(path, c.firstAccess, c.firstShare);
        ASSERT_NE(first, INVALID_HANDLE_VALUE);
        HANDLE second = Open(path, c.secondAccess, c.secondShare);
        EXPECT_EQ(second != INVALID_HANDLE_VALUE, c.admitted);
        if (second == INVALID_HANDLE_VALUE)
            EXPECT_EQ(GetLastError(), ERROR_SHARING_VIOLATION);
        else
            CloseHandle(second);
        CloseHandle(first);
        // Closing gives the file back: an exclusive open now succeeds.
        HANDLE alone = Open(path, R | W, 0);
        EXPECT_NE(alone, INVALID_HANDLE_VALUE);
        CloseHandle(alone);
    }
}

TEST(FilesTestSharing, DeleteFileNeedsEveryOpenHandleToShareDeleting) {
    TempDir dir;
    const std::string path = dir / "held.txt";
    WriteFileBytes(path, "data");
    HANDLE held = Open(path, W, SR | SW);
    ASSERT_NE(held, INVALID_HANDLE_VALUE);
    EXPECT_FALSE(DeleteFileA(path.c_str()));
    EXPECT_EQ(GetLastError(), ERROR_SHARING_VIOLATION);
    EXPECT_TRUE(std::filesystem::exists(path));
    CloseHandle(held);

    held = Open(path, R, SR | SW | SD);
    ASSERT_NE(held, INVALID_HANDLE_VALUE);
    EXPECT_TRUE(DeleteFileA(path.c_str()));
    EXPECT_FALSE(std::filesystem::exists(path));
    CloseHandle(held);
}
} // namespace
