// The sfpack command line: formats, listings and exit statuses.
#include <gmock/gmock.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <sys/stat.h>

#include "filestorage/Fssfpack.h"
#include "tests/filestorage/PackHelpers.h"
#include "tests/support/ShellCommand.h"
#include "tests/support/TempDir.h"

namespace {

// The build's bin folder: $VOKA_BIN, else the bin folder beside this test's own folder.
std::string BinFolder() {
    if (const char* bin = std::getenv("VOKA_BIN"))
        return bin;
    return (std::filesystem::read_symlink("/proc/self/exe").parent_path().parent_path() / "bin")
        .string();
}

// Runs sfpack from the build's bin folder with stdout captured and stderr silenced.
ShellResult Sfpack(const std::string& arguments) {
    return RunShell("'" + BinFolder() + "/sfpack' " + arguments + " 2>/dev/null");
}

// Runs sfpack with its stderr captured and stdout silenced, after the shell commands of
// shellPrefix (a ulimit).
ShellResult SfpackErrors(const std::string& arguments, const std::string& shellPrefix = "") {
    return RunShell(shellPrefix + "'" + BinFolder() + "/sfpack' " + arguments + " 2>&1 >/dev/null");
}

std::string Quote(const std::string& path) {
    return "'" + path + "'";
}

// A shell prefix that leaves sfpack 512 MiB of address space; empty in sanitizer builds,
// whose shadow memory needs far more.
#if defined(__SANITIZE_ADDRESS__)
#define VOKA_ADDRESS_SANITIZER 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define VOKA_ADDRESS_SANITIZER 1
#endif
#endif
std::string MemoryLimit() {
#if defined(VOKA_ADDRESS_SANITIZER)
    return "";
#else
    return "ulimit -v 524288;";
#endif
}

TEST(SfpackTool, PackAndUnpackFilesMatchTheCodec) {
    TempDir dir;
    const std::string input = RandomBytes(70000, 5) + std::string(5000, 'r');
    WriteFileBytes(dir / "in.bin", input);
    ASSERT_EQ(Sfpack("pack " + Quote(dir / "in.bin") + " " + Quote(dir / "in.sfp")).status, 0);
    EXPECT_EQ(ReadFileBytes(dir / "in.sfp"), SFPackStr(input));
    ASSERT_EQ(Sfpack("unpack " + Quote(dir / "in.sfp") + " " + Quote(dir / "out.bin")).status, 0);
    EXPECT_EQ(ReadFileBytes(dir / "out.bin"), input);
    // From a pipe, which is read whole first.
    ASSERT_EQ(RunShell("cat " + Quote(dir / "in.bin") + " | '" + BinFolder() +
                       "/sfpack' pack /dev/stdin " + Quote(dir / "piped.sfp"))
                  .status,
              0);
    EXPECT_EQ(ReadFileBytes(dir / "piped.sfp"), SFPackStr(input));
    // A file that claims a page and holds less, as the system's own files do.
    const std::string claimsMore = "/sys/kernel/mm/transparent_hugepage/enabled";
    std::error_code missing;
    const uintmax_t claimed = std::filesystem::file_size(claimsMore, missing);
    if (!missing && claimed > ReadFileBytes(claimsMore).size()) {
        ASSERT_EQ(Sfpack("pack " + claimsMore + " " + Quote(dir / "sys.sfp")).status, 0);
        EXPECT_EQ(ReadFileBytes(dir / "sys.sfp"), SFPackStr(ReadFileBytes(claimsMore)));
    }
}

TEST(SfpackTool, BigInputsComeBackWhole) {
    // Above the progress threshold, where the tool works slice by slice.
    TempDir dir;
    const std::string input = RandomBytes(5 << 20, 9) + std::string(3 << 20, '\0') + "end";
    WriteFileBytes(dir / "big", input);
    ASSERT_EQ(Sfpack("pack " + Quote(dir / "big") + " " + Quote(dir / "big.sfp")).status, 0);
    EXPECT_EQ(ReadFileBytes(dir / "big.sfp"), SFPackStr(input));
    ASSERT_EQ(Sfpack("unpack " + Quote(dir / "big.sfp") + " " + Quote(dir / "back")).status, 0);
    EXPECT_EQ(ReadFileBytes(dir / "back"), input);
}

TEST(SfpackTool, CreateListAndExtractAContainer) {
    TempDir dir;
    WriteFileBytes(dir / "update.exe", "MZ" + RandomBytes(3000, 1));
    WriteFileBytes(dir / "KZRA503.s19", "S0030000FC\r\n" + std::string(400, '0'));
    WriteFileBytes(dir / "empty", "");
    ASSERT_EQ(Sfpack("create " + Quote(dir / "c.sfp") + " " + Quote(dir / "update.exe") + " " +
                     Quote(dir / "KZRA503.s19") + " " + Quote(dir / "empty"))
                  .status,
              0);
    const std::string container = ReadFileBytes(dir / "c.sfp");
    EXPECT_EQ(container.substr(0, 12), Hex("53 46 50 31 03 00 00 00 0A 00 00 00"));
    EXPECT_EQ(container.substr(12, 10), "update.exe");

    const ShellResult list = Sfpack("list " + Quote(dir / "c.sfp"));
    EXPECT_EQ(list.status, 0);
    EXPECT_EQ(list.output,
              "update.exe\t3002\nKZRA503.s19\t412\nempty\t0\nCount 3\nDataSize 3414\n");

    ASSERT_EQ(Sfpack("extract " + Quote(dir / "c.sfp") + " " + Quote(dir / "out/sub")).status, 0);
    EXPECT_EQ(ReadFileBytes(dir / "out/sub/update.exe"), ReadFileBytes(dir / "update.exe"));
    EXPECT_EQ(ReadFileBytes(dir / "out/sub/KZRA503.s19"), ReadFileBytes(dir / "KZRA503.s19"));
}

TEST(SfpackTool, ExtractedScriptsAndElfFilesBecomeExecutable) {
    TempDir dir;
    WriteFileBytes(dir / "tool.sh", "#!/bin/sh\necho hi\n");
    WriteFileBytes(dir / "prog", std::string("\x7F"
                                             "ELF\x02\x01\x01",
                                             7) +
                                     RandomBytes(100, 2));
    WriteFileBytes(dir / "data.txt", "not a program");
    ASSERT_EQ(Sfpack("create " + Quote(dir / "c") + " " + Quote(dir / "tool.sh") + " " +
                     Quote(dir / "prog") + " " + Quote(dir / "data.txt"))
                  .status,
              0);
    ASSERT_EQ(Sfpack("extract " + Quote(dir / "c") + " " + Quote(dir / "x")).status, 0);
    struct stat status {};
    ASSERT_EQ(stat((dir / "x/tool.sh").c_str(), &status), 0);
    EXPECT_TRUE(status.st_mode & S_IXUSR);
    ASSERT_EQ(stat((dir / "x/prog").c_str(), &status), 0);
    EXPECT_TRUE(status.st_mode & S_IXUSR);
    ASSERT_EQ(stat((dir / "x/data.txt").c_str(), &status), 0);
    EXPECT_FALSE(status.st_mode & (S_IXUSR | S_IXGRP | S_IXOTH));
}

TEST(SfpackTool, ExitStatusesTellFileUsageAndDamageApart) {
    TempDir dir;
    EXPECT_EQ(Sfpack("").status, 2);
    EXPECT_EQ(Sfpack("pack onlyone").status, 2);
    EXPECT_EQ(Sfpack("frobnicate a b").status, 2);
    EXPECT_EQ(Sfpack("--help").status, 0);
    EXPECT_EQ(Sfpack("pack " + Quote(dir / "missing") + " " + Quote(dir / "x")).status, 1);
    WriteFileBytes(dir / "in", "abc");
    EXPECT_EQ(Sfpack("pack " + Quote(dir / "in") + " " + Quote(dir / "no/such/dir/x")).status, 1);

    WriteFileBytes(dir / "short", Hex("03 00"));
    EXPECT_EQ(Sfpack("unpack " + Quote(dir / "short") + " " + Quote(dir / "x")).status, 3);
    WriteFileBytes(dir / "lying", Hex("09 00 00 00 05 00 00 00 61 62 63"));
    EXPECT_EQ(Sfpack("unpack " + Quote(dir / "lying") + " " + Quote(dir / "x")).status, 3);
    WriteFileBytes(dir / "cut", Hex("53 46 50 31 02 00 00 00 03 00 00 00 61"));
    EXPECT_EQ(Sfpack("list " + Quote(dir / "cut")).status, 3);
    EXPECT_EQ(Sfpack("extract " + Quote(dir / "cut") + " " + Quote(dir / "x")).status, 3);
}

TEST(SfpackTool, ReadAndWriteErrorsNameTheFileAndTheReason) {
    TempDir dir;
    WriteFileBytes(dir / "in", "abc");
    WriteFileBytes(dir / "kept", "the previous output");
    const ShellResult unreadable = SfpackErrors("pack /proc/self/mem " + Quote(dir / "kept"));
    EXPECT_EQ(unreadable.status, 1);
    EXPECT_EQ(unreadable.output,
              "sfpack: Cannot read file \"/proc/self/mem\". Input/output error\n");
    const ShellResult folder =
        SfpackErrors("pack " + Quote(dir.Path()) + " " + Quote(dir / "kept"));
    EXPECT_EQ(folder.status, 1);
    EXPECT_EQ(folder.output,
              "sfpack: Cannot open file \"" + dir.Path().string() + "\". Is a directory\n");
    const ShellResult full = SfpackErrors("pack " + Quote(dir / "in") + " /dev/full");
    EXPECT_EQ(full.status, 1);
    EXPECT_EQ(full.output, "sfpack: Cannot write file \"/dev/full\". No space left on device\n");

    // A disk that fills up: the previous output stays whole, nothing is left beside it.
    WriteFileBytes(dir / "big", std::string(100000, 'x') + RandomBytes(1000, 3));
    ASSERT_EQ(Sfpack("pack " + Quote(dir / "big") + " " + Quote(dir / "packed")).status, 0);
    const ShellResult limited =
        SfpackErrors("unpack " + Quote(dir / "packed") + " " + Quote(dir / "kept"),
                     "trap '' XFSZ; ulimit -f 8;");
    EXPECT_EQ(limited.status, 1);
    EXPECT_NE(limited.output.find("File too large"), std::string::npos) << limited.output;
    EXPECT_EQ(ReadFileBytes(dir / "kept"), "the previous output");
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.Path()),
                            std::filesystem::directory_iterator()),
              4);
}

TEST(SfpackTool, InputsOf4GiBAndMoreAreRefusedBeforeTheyAreRead) {
    TempDir dir;
    { std::ofstream(dir / "huge"); }
    std::filesystem::resize_file(dir / "huge", 5ull << 30); // sparse: no disk space taken
    // With little memory: reading it whole first would run out long before the refusal.
    const ShellResult refused =
        SfpackErrors("pack " + Quote(dir / "huge") + " " + Quote(dir / "x"), MemoryLimit());
    EXPECT_EQ(refused.status, 1);
    EXPECT_EQ(refused.output, "sfpack: Cannot read file \"" + dir / "huge" +
                                  "\". It holds 5368709120 bytes; files of 4 GiB and more are "
                                  "not supported\n");
    EXPECT_FALSE(std::filesystem::exists(dir / "x"));
}

TEST(SfpackTool, RunningOutOfMemoryIsAMessage) {
    if (MemoryLimit().empty())
        GTEST_SKIP() << "the sanitizers reserve more address space than any limit leaves";
    TempDir dir;
    { std::ofstream(dir / "large"); }
    std::filesystem::resize_file(dir / "large", 1ull << 30);
    // A container holds its files whole; packing and unpacking go a few MiB at a time.
    const ShellResult result =
        SfpackErrors("create " + Quote(dir / "x") + " " + Quote(dir / "large"), MemoryLimit());
    EXPECT_EQ(result.status, 1);
    EXPECT_EQ(result.output, "sfpack: Out of memory\n");
}

TEST(SfpackTool, ExtractRefusesNamesThatLeaveTheFolder) {
    TempDir dir;
    // A legacy-form record named "../evil" holding two bytes.
    WriteFileBytes(dir / "evil", Hex("01 00 00 00 00 00 00 00 07 00 00 00") + "../evil" +
                                     Hex("02 00 00 00") + "hi");
    EXPECT_EQ(Sfpack("list " + Quote(dir / "evil")).status, 0);
    EXPECT_EQ(Sfpack("extract " + Quote(dir / "evil") + " " + Quote(dir / "x/y")).status, 3);
    EXPECT_EQ(ReadFileBytes(dir / "x/evil"), "");
}

} // namespace
