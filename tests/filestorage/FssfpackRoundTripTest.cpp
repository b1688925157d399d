// Packing then unpacking gives the input back, around the piece size and its multiples.
#include <gmock/gmock.h>

#include <vector>

#include "filestorage/Fssfpack.h"
#include "tests/filestorage/PackHelpers.h"

namespace {

// Run-rich data where every piece still holds all 256 values (run-table mode).
std::string RunsOverAllValues(size_t size, uint32_t seed) {
    std::mt19937 generator(seed);
    std::string bytes;
    while (bytes.size() < size) {
        const char value = static_cast<char>(generator() & 0xFF);
        bytes.append(1 + generator() % 12, value);
    }
    bytes.resize(size);
    return bytes;
}

std::string Text(size_t size) {
    const std::string line = "S1130000285F245F2212226A000424290008237C2A\r\n    config = 0000\n";
    std::string bytes;
    while (bytes.size() < size)
        bytes += line;
    bytes.resize(size);
    return bytes;
}

class FssfpackRoundTrip : public ::testing::TestWithParam<size_t> {};

TEST_P(FssfpackRoundTrip, EveryKindOfDataComesBackUnchanged) {
    const size_t size = GetParam();
    const std::vector<std::string> inputs = {RandomBytes(size, static_cast<uint32_t>(size)),
                                             RunsOverAllValues(size, 3), Text(size),
                                             std::string(size, '\x5A'), std::string(size, '\0')};
    for (const std::string& input : inputs) {
        const std::string packed = SFPackStr(input);
        ASSERT_LE(packed.size(), SFMaxPackedSz(static_cast<uint32_t>(size)));
        ASSERT_EQ(Le32(packed, 0), size);
        ASSERT_EQ(SFUnpackStr(packed), input);
    }
}

INSTANTIATE_TEST_SUITE_P(AroundPieceSize, FssfpackRoundTrip,
                         ::testing::Values(0, 1, 3, 4, 5, 255, 256, 257, 65532, 65533, 65534, 65535,
                                           65536, 2 * 65533 - 1, 2 * 65533, 2 * 65533 + 1,
                                           3 * 65533, 3 * 65533 + 2, 1 << 20));

TEST(FssfpackBound, IncompressibleInputNeverWritesPastItsTarget) {
    // 65,534 incompressible bytes need 4 more bytes than the traditional bound.
    const std::string input = RandomBytes(65534, 11);
    const uint32_t bound = SFCalcTargetSz(65534);
    std::vector<uint8_t> target(bound + 16, 0xEE);
    EXPECT_EQ(SFPack(input.data(), target.data(), 65534), 0u);
    for (size_t i = bound; i < target.size(); ++i)
        ASSERT_EQ(target[i], 0xEE) << "byte " << i << " past the bound was written";

    const size_t needed = SFMaxPackedSz(65534);
    EXPECT_EQ(needed, bound + 4u);
    target.assign(needed, 0);
    EXPECT_EQ(SFPack(input.data(), target.data(), 65534, needed), needed);
}

TEST(FssfpackBound, TightTargetsEitherFitExactlyOrFailCleanly) {
    const std::string input = Text(3 * 65533 + 10);
    const std::string reference = SFPackStr(input);
    std::vector<uint8_t> target(reference.size() + 8, 0xEE);
    for (size_t capacity :
         {reference.size(), reference.size() - 1, reference.size() / 2, size_t{4}, size_t{3}}) {
        std::fill(target.begin(), target.end(), 0xEE);
        const uint32_t written =
            SFPack(input.data(), target.data(), static_cast<uint32_t>(input.size()), capacity);
        if (capacity >= reference.size())
            EXPECT_EQ(std::string(target.begin(), target.begin() + written), reference);
        else
            EXPECT_EQ(written, 0u);
        for (size_t i = capacity; i < target.size(); ++i)
            ASSERT_EQ(target[i], 0xEE) << "capacity " << capacity << ", byte " << i;
    }
}

} // namespace

#include "tests/support/TempDir.h"

namespace {

TEST(FssfpackFiles, PackFileAndUnpackFileRoundTrip) {
    TempDir dir;
    const std::string input = RandomBytes(100000, 2) + std::string(70000, 'q');
    WriteFileBytes(dir / "in", input);
    ASSERT_TRUE(SFPackFile(dir / "in", dir / "in.sfp"));
    EXPECT_EQ(ReadFileBytes(dir / "in.sfp"), SFPackStr(input));
    ASSERT_TRUE(SFUnpackFile(dir / "in.sfp", dir / "out"));
    EXPECT_EQ(ReadFileBytes(dir / "out"), input);
}

// Files read and written a few MiB at a time: chunks of every length cross the reads.
TEST(FssfpackFiles, FilesOfManyWindowsMatchTheStringForms) {
    TempDir dir;
    std::mt19937 generator(4);
    std::string input;
    while (input.size() < (11 << 20) + 12345) {
        const size_t length = 1000 + generator() % 150000;
        input += generator() % 2 ? RandomBytes(length, generator())
                                 : RunsOverAllValues(length, generator());
    }
    WriteFileBytes(dir / "in", input);
    ASSERT_TRUE(SFPackFile(dir / "in", dir / "in.sfp"));
    ASSERT_EQ(ReadFileBytes(dir / "in.sfp"), SFPackStr(input));
    ASSERT_TRUE(SFUnpackFile(dir / "in.sfp", dir / "out"));
    EXPECT_TRUE(ReadFileBytes(dir / "out") == input);
}

// No packer writes a chunk of more than one piece, but such a block unpacks as a string
// does, also where one chunk gives more than a slice of output.
TEST(FssfpackFiles, AChunkOfManyPiecesUnpacksAsAString) {
    TempDir dir;
    std::string chunk = Hex("EA 03 07 00"); // 1002 bytes: marker 7, then 200 runs
    for (int run = 0; run < 200; ++run)
        chunk += Hex("07 41 00 FF 7F"); // 32,768 times 'A'
    const std::string block = Hex("00 00 64 00") + chunk;
    WriteFileBytes(dir / "odd.sfp", block);
    ASSERT_TRUE(SFUnpackFile(dir / "odd.sfp", dir / "out"));
    EXPECT_TRUE(ReadFileBytes(dir / "out") == SFUnpackStr(block));
    EXPECT_EQ(ReadFileBytes(dir / "out"), std::string(200 * 32768, 'A'));
}

TEST(FssfpackFiles, FailuresToOpenOrCreateGiveFalseAndDamageRaises) {
    TempDir dir;
    WriteFileBytes(dir / "in", "abc");
    EXPECT_FALSE(SFPackFile(dir / "missing", dir / "x"));
    EXPECT_FALSE(SFPackFile(dir / "in", dir / "no/such/folder/x"));
    EXPECT_FALSE(SFUnpackFile(dir / "missing", dir / "x"));
    WriteFileBytes(dir / "short", Hex("01 00"));
    EXPECT_THROW(SFUnpackFile(dir / "short", dir / "x"), EPackedDataError);
    EXPECT_FALSE(std::filesystem::exists(dir / "x"));
}

} // namespace
