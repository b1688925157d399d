#include <gmock/gmock.h>

#include "platform/win32/Drives.h"

namespace {
class FilesTestDrives : public testing::Test {
protected:
    void Use(std::vector<MountEntry> table) {
        SetMountTableSource([table] { return table; });
    }
    void TearDown() override { SetMountTableSource(nullptr); }
};

TEST_F(FilesTestDrives, RootIsFixedDriveC) {
    Use({{"/dev/nvme0n1p2", "/", "ext4", false},
         {"proc", "/proc", "proc", false},
         {"/dev/nvme0n1p1", "/boot/efi", "vfat", false}});
    EXPECT_EQ(GetLogicalDrives(), 1u << 2);
    EXPECT_EQ(GetDriveTypeA("C:\\"), DRIVE_FIXED);
    EXPECT_EQ(GetDriveTypeA(nullptr), DRIVE_FIXED);
    EXPECT_EQ(GetDriveTypeA("/"), DRIVE_FIXED);
    EXPECT_EQ(GetDriveTypeA("D:\\"), DRIVE_NO_ROOT_DIR);
    EXPECT_EQ(GetDriveTypeA("/boot/efi"), DRIVE_NO_ROOT_DIR);
}

TEST_F(FilesTestDrives, RemovableMediaFollowInMountPointOrder) {
    Use({{"/dev/sda2", "/", "ext4", false},
         {"/dev/sr0", "/media/user/DISC", "iso9660", true},
         {"/dev/sdc1", "/run/media/user/STICK", "vfat", true},
         {"/dev/sdb1", "/mnt/card", "exfat", true},
         {"//server/share", "/media/share", "cifs", false},
         {"/dev/sdd1", "/mnt/backup", "ext4", false}});
    auto drives = LogicalDrives();
    ASSERT_EQ(drives.size(), 5u);
    EXPECT_EQ(drives[1].mountPoint, "/media/share");
    EXPECT_EQ(GetLogicalDrives(), 0b1111100u); // C: to G:
    EXPECT_EQ(GetDriveTypeA("D:"), DRIVE_REMOTE);
    EXPECT_EQ(GetDriveTypeA("e:/"), DRIVE_CDROM);
    EXPECT_EQ(GetDriveTypeA("F:\\"), DRIVE_REMOVABLE);
    EXPECT_EQ(GetDriveTypeA("/run/media/user/STICK/"), DRIVE_REMOVABLE);
    EXPECT_EQ(GetDriveTypeA("/mnt/backup"), DRIVE_NO_ROOT_DIR);
}

TEST_F(FilesTestDrives, LettersStopAtZ) {
    std::vector<MountEntry> table{{"/dev/sda1", "/", "ext4", false}};
    for (int i = 0; i < 30; ++i)
        table.push_back({"/dev/sdx", "/media/m" + std::to_string(100 + i), "vfat", true});
    Use(table);
    EXPECT_EQ(LogicalDrives().back().letter, 'Z');
    EXPECT_EQ(GetLogicalDrives(), 0x3FFFFFCu);
}
} // namespace
