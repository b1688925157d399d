#include <gtest/gtest.h>

#include <sstream>

#include "tools/lumivox-sim/FirmwareImage.h"
#include "updater/SRecordReader.h"

namespace {
struct Outcome {
    SRecordResult result;
    std::string notes;
    FirmwareImage image;
};

Outcome Read(const std::string& text) {
    Outcome outcome;
    std::istringstream in(text);
    outcome.result =
        ReadSRecords(in, outcome.image, [&](const std::string& note) { outcome.notes += note; });
    return outcome;
}

std::string Message(const std::string& text) {
    return Read(text).result.Message("f.s19");
}
} // namespace

TEST(SRecordReader, LoadsS1S2S3AndIgnoresHeadersAndOtherLines) {
    const std::string text =
        SRecordLine('0', 0, "hdr") + "\n" + "; a comment\n\n" + SRecordLine('1', 0x1234, "ab") +
        "\r\n" + SRecordLine('2', 0x002000, "c") + "\n" + SRecordLine('3', 0x0000FFFF, "d") + "\n";
    const Outcome outcome = Read(text);
    ASSERT_TRUE(outcome.result);
    EXPECT_EQ(outcome.image.bytes[0x1234], 'a');
    EXPECT_EQ(outcome.image.bytes[0x1235], 'b');
    EXPECT_EQ(outcome.image.bytes[0x2000], 'c');
    EXPECT_EQ(outcome.image.bytes[0xFFFF], 'd');
    EXPECT_EQ(std::count(outcome.image.defined.begin(), outcome.image.defined.end(), true), 4);
    EXPECT_EQ(outcome.notes, "");
}

TEST(SRecordReader, AcceptsLowerCaseHexAndStopsAtTheEndRecord) {
    std::string record = SRecordLine('1', 0xABCD, "\xEF");
    for (char& c : record)
        c = char(std::tolower(c));
    record[0] = 'S';
    const Outcome outcome =
        Read(record + "\n" + SRecordLine('9', 0, "") + "\nS1 garbage after the end\n");
    ASSERT_TRUE(outcome.result);
    EXPECT_EQ(outcome.image.bytes[0xABCD], 0xEF);
}

TEST(SRecordReader, SkipsUnknownTypesWithTheirLineNumbers) {
    const Outcome outcome =
        Read("\n" + SRecordLine('5', 1, "") + "\nSX00\n" + SRecordLine('1', 0x10, "z") + "\n");
    ASSERT_TRUE(outcome.result);
    EXPECT_EQ(outcome.notes, "Skipping S5 record at line 2\nSkipping SX record at line 3\n");
    EXPECT_EQ(outcome.image.bytes[0x10], 'z');
}

TEST(SRecordReader, ReportsEachKindOfErrorAtItsLine) {
    const std::string good = SRecordLine('1', 0x100, "ok") + "\n";
    std::string badSum = SRecordLine('1', 0x100, "ok");
    badSum.back() = badSum.back() == '0' ? '1' : '0';
    std::string badDigit = SRecordLine('1', 0x100, "ok");
    badDigit[9] = 'G';

    EXPECT_EQ(Message(good + badSum + "\n"), "S-record checksum error at line 2\n");
    EXPECT_EQ(Message(good + good + "S1ZZ\n"), "S-record parse error at line 3\n");
    EXPECT_EQ(Message("S\n"), "S-record parse error at line 1\n");
    EXPECT_EQ(Message("S10200FD\n"), "S-record parse error at line 1\n"); // count too small
    EXPECT_EQ(Message(badDigit + "\n"), "S-record data parse error at line 1\n");
    EXPECT_EQ(Message(good + good.substr(0, good.size() - 3) + "\n"),
              "S-record data parse error at line 2\n");
    EXPECT_EQ(Message(SRecordLine('1', 0xFFFF, "ab") + "\n"), "Address out of range at line 1\n");
    EXPECT_EQ(Message(SRecordLine('2', 0x010000, "a") + "\n"), "Address out of range at line 1\n");
}

TEST(SRecordReader, MissingFileAndTheDefaultImage) {
    FirmwareImage image;
    const SRecordResult missing = LoadSRecordFile("/nonexistent/x.s19", image, nullptr);
    EXPECT_EQ(missing.Message("x.s19"), "Can't open input file x.s19\n");

    // Our default image reads cleanly and stays inside the unit's flash, off its boot loader.
    const FlashLayout layout = FlashLayout::Default();
    const Outcome outcome = Read(MakeDefaultFirmware(layout));
    ASSERT_TRUE(outcome.result);
    for (uint32_t address = 0; address < FirmwareImage::kSpace; ++address) {
        if (!outcome.image.defined[address])
            continue;
        EXPECT_TRUE(layout.InRanges(address, 1)) << address;
        EXPECT_FALSE(layout.bootLoader.Contains(address)) << address;
    }
    const uint16_t reset = layout.ApplicationVectors() + 62;
    EXPECT_EQ(outcome.image.bytes[reset] << 8 | outcome.image.bytes[reset + 1], 0x8000);
}
