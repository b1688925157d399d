// Byte-exact packed blocks for the documented inputs.
#include <gmock/gmock.h>

#include "filestorage/Fssfpack.h"
#include "tests/filestorage/PackHelpers.h"

namespace {

TEST(FssfpackFormat, SmallInputsPackToTheDocumentedBytes) {
    EXPECT_EQ(SFPackStr(""), Hex("00 00 00 00"));
    EXPECT_EQ(SFPackStr("abc"), Hex("03 00 00 00 05 00 00 00 61 62 63"));
    EXPECT_EQ(SFPackStr(std::string(1, '\0')), Hex("01 00 00 00 03 00 01 00 00"));
    EXPECT_EQ(SFPackStr("aaaa"), Hex("04 00 00 00 05 00 00 00 00 61 03"));
    EXPECT_EQ(SFPackStr("aaab"), Hex("04 00 00 00 06 00 00 00 61 61 61 62"));
}

TEST(FssfpackFormat, CountFieldSwitchesToSixteenBitsAbove255) {
    EXPECT_EQ(SFPackStr(std::string(256, 'a')), Hex("00 01 00 00 05 00 00 00 00 61 FF"));
    EXPECT_EQ(SFPackStr(std::string(257, 'a')), Hex("01 01 00 00 07 00 00 00 00 61 00 00 01"));
}

TEST(FssfpackFormat, AllValuesOnceGiveAnEmptyRunTable) {
    const std::string packed = SFPackStr(AllByteValues());
    ASSERT_EQ(packed.size(), 264u);
    EXPECT_EQ(Le16(packed, 4), 258u); // ChunkLength
    EXPECT_EQ(packed.substr(6, 2), Hex("02 01"));
    EXPECT_EQ(packed.substr(8), AllByteValues());
}

TEST(FssfpackFormat, RunTableModeThresholdIsFive) {
    const std::string five = SFPackStr(AllByteValues() + std::string(5, 'z'));
    EXPECT_EQ(five.substr(6, 2), Hex("04 01")); // TokenEnd 260
    EXPECT_EQ(five.substr(8 + 256, 2), Hex("7A 04"));
    EXPECT_EQ(five.substr(8 + 258), Hex("03 01")); // one entry: 259
    EXPECT_EQ(Le16(five, 4), 262u);

    const std::string four = SFPackStr(AllByteValues() + std::string(4, 'z'));
    EXPECT_EQ(four.substr(6, 2), Hex("06 01")); // TokenEnd 262, no table
    EXPECT_EQ(four.substr(8), AllByteValues() + "zzzz");
}

TEST(FssfpackFormat, RunTableListsTheLastRunFirst) {
    const std::string input = AllByteValues() + std::string(6, 'x') + "q" + std::string(300, 'y');
    const std::string packed = SFPackStr(input);
    // Tokens: 256 values, 78 05, 71, 79 00 2B 01 -> counts at 259 and 262.
    EXPECT_EQ(packed.substr(8 + 256), Hex("78 05 71 79 00 2B 01 06 01 03 01"));
    EXPECT_EQ(Le16(packed, 6), 2u + 256 + 7);
    EXPECT_EQ(SFUnpackStr(packed), input);
}

TEST(FssfpackFormat, PiecesSplitAt65533AndRunsDoNotCrossThem) {
    const std::string twoPieces = SFPackStr(RandomBytes(65534, 7));
    const uint16_t first = Le16(twoPieces, 4);
    EXPECT_EQ(first, 65535u);
    EXPECT_EQ(twoPieces.size(), 4u + 2 + first + 2 + 3); // last chunk: marker word + 1 byte

    const std::string spanning = std::string(65530, 'a') + std::string(10, 'b');
    const std::string packed = SFPackStr(spanning);
    // Piece 1: a x65530, b x3 (literals). Piece 2: b x7 as one run.
    EXPECT_EQ(packed.substr(4),
              Hex("0A 00 00 00 00 61 00 F9 FF 62 62 62") + Hex("05 00 00 00 00 62 06"));
}

TEST(FssfpackFormat, TargetSizeBoundKeepsItsFormula) {
    EXPECT_EQ(SFCalcTargetSz(0), 263u);
    EXPECT_EQ(SFCalcTargetSz(255), 263u);
    EXPECT_EQ(SFCalcTargetSz(256), 264u);
    EXPECT_EQ(SFCalcTargetSz(65535), 65547u);
    EXPECT_EQ(SFCalcTargetSz(121984), 121996u);
}

} // namespace
