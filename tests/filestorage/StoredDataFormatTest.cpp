// Damaged "StoredData" records, and packed stream records one after another.
#include <gmock/gmock.h>

#include "filestorage/Fssfpack.h"
#include "filestorage/StoredDataFormat.h"
#include "tests/filestorage/PackHelpers.h"

namespace {

AnsiString Contents(TMemoryStream& stream) {
    return AnsiString(static_cast<const char*>(stream.Memory()), stream.Size());
}

TEST(StoredDataFormat, DamagedRecordsEndInAReadError) {
    const AnsiString block = SFPackStr("hello hello");
    ASSERT_EQ(block.size(), 19u);
    const AnsiString good =
        Hex("53 46 50 31 01 00 00 00 03 00 00 00") + "a.b" + Hex("13 00 00 00") + block;
    {
        TStringStream stream(good);
        const TStoredDataHeader header = ReadStoredDataHeader(&stream);
        AnsiString name;
        TMemoryStream contents;
        ReadStoredRecord(&stream, header.Compressed, name, &contents);
        ASSERT_EQ(Contents(contents), "hello hello");
    }
    const std::vector<AnsiString> damaged = {
        good.substr(0, good.size() - 1),                              // chunks cut short
        AnsiString(good).replace(8, 4, Hex("FF FF FF 7F")),           // name longer than the stream
        AnsiString(good).replace(15, 4, Hex("FF FF FF FF")),          // PackedSize past the end
        AnsiString(good).replace(15, 4, Hex("02 00 00 00")),          // PackedSize below 4
        AnsiString(good).replace(19, 4, Hex("0C 00 00 00")),          // UnpackedSize one too many
        Hex("01 00 00 00 00 00 00 00 01 00 00 00 61 05 00 00 00 68"), // legacy, short
        Hex("01 00 00 00 00 00 00 00 01 00 00 00 61 FF FF FF FF"),    // legacy, negative
    };
    for (const AnsiString& bytes : damaged) {
        TStringStream stream(bytes);
        const TStoredDataHeader header = ReadStoredDataHeader(&stream);
        AnsiString name;
        TMemoryStream contents;
        EXPECT_THROW(ReadStoredRecord(&stream, header.Compressed, name, &contents), EReadError);
    }
}

TEST(StoredDataFormat, UnpackStreamReadsMemoryInPlaceAndStopsAfterTheRecord) {
    TMemoryStream stream;
    TStringStream first("first file, first file, first file");
    TStringStream second(std::string(300, 's'));
    SFPackStream(&first, &stream);
    const int64_t secondStart = stream.Position();
    SFPackStream(&second, &stream);
    stream.SetPosition(0);
    std::unique_ptr<TMemoryStream> unpacked(SFUnpackStream(&stream));
    EXPECT_EQ(Contents(*unpacked), Contents(first));
    EXPECT_EQ(unpacked->Position(), 0);
    EXPECT_EQ(stream.Position(), secondStart);
}

} // namespace
