// Damaged packed input is reported, never read or written out of bounds.
#include <gmock/gmock.h>

#include <vector>

#include "filestorage/Fssfpack.h"
#include "tests/filestorage/PackHelpers.h"

namespace {

void ExpectDamaged(const std::string& packed) {
    EXPECT_THROW(SFUnpackStr(packed), EPackedDataError) << "input of " << packed.size();
}

TEST(FssfpackDamage, StructuralFaultsAreReported) {
    ExpectDamaged("");
    ExpectDamaged(Hex("03 00 00"));                            // shorter than 4
    ExpectDamaged(Hex("03 00 00 00 05"));                      // ChunkLength cut off
    ExpectDamaged(Hex("03 00 00 00 09 00 00 00 61 62 63"));    // chunk past the end
    ExpectDamaged(Hex("00 00 00 00 01 00 00"));                // no header word
    ExpectDamaged(Hex("04 00 00 00 04 00 00 00 00 61"));       // run token cut off
    ExpectDamaged(Hex("40 00 00 00 06 00 00 00 00 61 00 3F")); // 16-bit count cut off
}

TEST(FssfpackDamage, SizesThatDisagreeWithTheChunksAreReported) {
    ExpectDamaged(Hex("02 00 00 00 05 00 00 00 61 62 63")); // more than announced
    ExpectDamaged(Hex("04 00 00 00 05 00 00 00 61 62 63")); // fewer than announced
    ExpectDamaged(Hex("03 00 00 00 05 00 00 00 00 61 FF")); // a run overflows the target
    ExpectDamaged(Hex("FF FF FF FF 05 00 00 00 61 62 63")); // caught before allocating
}

TEST(FssfpackDamage, RunTableEntriesOutsideTheirTokensAreReported) {
    std::string packed = SFPackStr(AllByteValues() + std::string(5, 'z'));
    ASSERT_EQ(SFUnpackStr(packed).size(), 261u);
    const size_t table = packed.size() - 2;
    for (const char* entry : {"02 00", "04 01", "FF FF", "01 00"}) {
        std::string damaged = packed;
        damaged.replace(table, 2, Hex(entry));
        ExpectDamaged(damaged);
    }
    std::string oddTable = packed;
    oddTable[6] = 0x05; // TokenEnd 261 leaves one byte of table
    ExpectDamaged(oddTable);
    std::string tokenEndPastChunk = packed;
    tokenEndPastChunk.replace(6, 2, Hex("FF 7F"));
    ExpectDamaged(tokenEndPastChunk);
}

TEST(FssfpackDamage, EntriesOutOfOrderCannotRewindTheTokens) {
    const std::string input = AllByteValues() + std::string(6, 'x') + "q" + std::string(300, 'y');
    std::string packed = SFPackStr(input);
    const size_t table = packed.size() - 4;
    std::string swapped = packed;
    swapped.replace(table, 4, packed.substr(table + 2, 2) + packed.substr(table, 2));
    ExpectDamaged(swapped);
}

TEST(FssfpackDamage, UnpackNeverWritesPastTheGivenTarget) {
    const std::string packed = SFPackStr(std::string(1000, 'k'));
    std::vector<uint8_t> target(600, 0xEE);
    EXPECT_THROW(
        SFUnpack(packed.data() + 4, target.data(), static_cast<uint32_t>(packed.size() - 4), 500),
        EPackedDataError);
    for (size_t i = 500; i < target.size(); ++i)
        ASSERT_EQ(target[i], 0xEE);
}

TEST(FssfpackDamage, EmptyChunkSequenceUnpacksToNothing) {
    EXPECT_EQ(SFUnpack(nullptr, nullptr, 0, 0), 0u);
    EXPECT_EQ(SFUnpackStr(Hex("00 00 00 00")), "");
}

} // namespace
