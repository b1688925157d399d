#include <gtest/gtest.h>

#include <array>
#include <atomic>
#include <fcntl.h>
#include <sstream>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>

#include "tests/support/TempDir.h"

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
    // Any byte is a type, a zero byte too.
    using namespace std::string_literals;
    EXPECT_EQ(Read("S\0\n"s).notes, "Skipping S\0 record at line 1\n"s);
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

namespace {
// Serves text, then fails the next read the way a file's read error does: the buffer throws
// and the stream turns bad.
class ReadErrorAfter : public std::streambuf {
public:
    explicit ReadErrorAfter(std::string text) : text_(std::move(text)) {
        setg(text_.data(), text_.data(), text_.data() + text_.size());
    }

protected:
    int_type underflow() override { throw std::ios_base::failure("injected read error"); }

private:
    std::string text_;
};

// One line of 'S' of the given length and no line end, counting what the reader took.
class LongLine : public std::streambuf {
public:
    explicit LongLine(size_t length) : left_(length) { chunk_.fill('S'); }
    size_t taken = 0;

protected:
    int_type underflow() override {
        if (left_ == 0)
            return traits_type::eof();
        const size_t size = std::min(left_, chunk_.size());
        left_ -= size;
        taken += size;
        setg(chunk_.data(), chunk_.data(), chunk_.data() + size);
        return 'S';
    }

private:
    std::array<char, 4096> chunk_;
    size_t left_;
};
} // namespace

TEST(SRecordReader, AReadErrorAnywhereIsNeverTakenForTheEnd) {
    const std::string firmware = MakeDefaultFirmware(FlashLayout::Default());
    for (const size_t offset : {size_t(0), size_t(1), firmware.size() / 2, firmware.size() - 1}) {
        ReadErrorAfter source(firmware.substr(0, offset));
        std::istream in(&source);
        FirmwareImage image;
        const SRecordResult result = ReadSRecords(in, image, nullptr);
        EXPECT_EQ(result.Message("f.s19"), "Can't open input file f.s19\n") << offset;
    }
}

TEST(SRecordReader, ALineLongerThanTheLongestRecordIsAParseErrorThere) {
    // The longest record: a count of 255, so 4 + 510 characters.
    const std::string longest = SRecordLine('1', 0x1000, std::string(252, 'x'));
    ASSERT_EQ(longest.size(), 514u);
    const Outcome outcome = Read(longest + "  \r\n" + std::string(514, ';') + "\n");
    EXPECT_TRUE(outcome.result) << outcome.result.Message("f.s19");
    EXPECT_EQ(outcome.image.bytes[0x10FB], 'x');

    EXPECT_EQ(Message(longest + "\n" + std::string(515, ';') + "\n"),
              "S-record parse error at line 2\n");
    EXPECT_EQ(Message(longest + "0\n"), "S-record parse error at line 1\n");

    // A line without end is given up early, whatever its length.
    LongLine endless(size_t(64) << 20);
    std::istream in(&endless);
    FirmwareImage image;
    EXPECT_EQ(ReadSRecords(in, image, nullptr).Message("f.s19"),
              "S-record parse error at line 1\n");
    EXPECT_LT(endless.taken, size_t(64) << 10);
}

TEST(SRecordReader, OnlyARegularFileIsReadAndOpeningNeverWaits) {
    TempDir dir;
    FirmwareImage image;
    const std::string fifo = dir / "fifo.s19";
    ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
    // Were the reader waiting for a writer, this one would let it go on with a record.
    std::atomic<bool> done{false};
    std::thread writer([&] {
        while (!done) {
            const int fd = open(fifo.c_str(), O_WRONLY | O_NONBLOCK);
            if (fd >= 0) {
                const std::string record = SRecordLine('1', 0x8000, "a") + "\n";
                EXPECT_GT(write(fd, record.data(), record.size()), 0);
                close(fd);
                return;
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        }
    });
    const SRecordResult fromFifo = LoadSRecordFile(fifo, image, nullptr);
    done = true;
    writer.join();
    EXPECT_EQ(fromFifo.error, SRecordError::CannotOpen);

    for (const std::string& path : {dir.Path().string(), std::string("/dev/null")})
        EXPECT_EQ(LoadSRecordFile(path, image, nullptr).error, SRecordError::CannotOpen) << path;
    EXPECT_FALSE(std::count(image.defined.begin(), image.defined.end(), true));

    WriteFileBytes(dir / "fw.s19", SRecordLine('1', 0x8000, "a") + "\n");
    EXPECT_TRUE(LoadSRecordFile(dir / "fw.s19", image, nullptr));
    EXPECT_EQ(image.bytes[0x8000], 'a');
}
