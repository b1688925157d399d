// The stored-file container: "StoredData" in and out, form descriptions, Upload.
#include <gmock/gmock.h>

#include "filestorage/FileStorage.h"
#include "filestorage/Fssfpack.h"
#include "platform/classes/ClassRegistry.h"
#include "platform/classes/FormStreaming.h"
#include "platform/win32/User.h"
#include "tests/filestorage/PackHelpers.h"
#include "tests/support/TempDir.h"

namespace {

void SetContents(TMemoryStream& stream, const AnsiString& bytes) {
    stream.SetSize(0);
    stream.WriteBuffer(bytes.data(), static_cast<int64_t>(bytes.size()));
}

AnsiString Contents(TMemoryStream& stream) {
    return AnsiString(static_cast<const char*>(stream.Memory()), stream.Size());
}

void AddFile(TFileStorage& storage, const AnsiString& name, const AnsiString& contents) {
    auto file = std::make_unique<TStoredFile>(&storage);
    file->FileName = name;
    SetContents(*file->Data, contents);
    file->FileSize = static_cast<int>(contents.size());
    storage.Files.push_back(std::move(file));
}

AnsiString Written(TFileStorage& storage) {
    TMemoryStream stream;
    storage.WriteData(&stream);
    return Contents(stream);
}

class CapturedMessageBoxes : public UserServices {
public:
    CapturedMessageBoxes() : previous_(SetUserServices(this)) {}
    ~CapturedMessageBoxes() override { SetUserServices(previous_); }
    int MessageBox(HWND, const AnsiString& text, const AnsiString& caption, UINT flags) override {
        Boxes.push_back({text, caption, flags});
        return IDOK;
    }
    BOOL MessageBeep(UINT) override { return TRUE; }
    HWND GetForegroundWindow() override { return nullptr; }
    void OutputDebugString(const AnsiString&) override {}

    struct Box {
        AnsiString Text, Caption;
        UINT Flags;
    };
    std::vector<Box> Boxes;

private:
    UserServices* previous_;
};

TEST(FileStorage, WrittenContainerReadsBackWithTheSameFiles) {
    TFileStorage source(nullptr);
    AddFile(source, "update.exe", "MZ" + RandomBytes(70000, 8));
    AddFile(source, "KZRA503.s19", std::string(1000, 'S'));
    AddFile(source, "empty.bin", "");
    EXPECT_EQ(source.GetCount(), 3);
    EXPECT_EQ(source.GetDataSize(), 70002 + 1000);

    const AnsiString bytes = Written(source);
    // The empty file: NameLength, name, PackedSize 4, UnpackedSize 0.
    EXPECT_EQ(bytes.substr(bytes.size() - 21),
              Hex("09 00 00 00") + "empty.bin" + Hex("04 00 00 00 00 00 00 00"));
    TStringStream stream(bytes);
    TFileStorage copy(nullptr);
    copy.ReadData(&stream);
    EXPECT_TRUE(copy.Compressed);
    ASSERT_EQ(copy.GetCount(), 3);
    for (int i = 0; i < 3; ++i) {
        EXPECT_EQ(copy.Files[i]->FileName, source.Files[i]->FileName);
        EXPECT_EQ(copy.Files[i]->FileSize, source.Files[i]->FileSize);
        EXPECT_EQ(Contents(*copy.Files[i]->Data), Contents(*source.Files[i]->Data));
        EXPECT_EQ(copy.Files[i]->Storage, &copy);
    }
    EXPECT_EQ(copy.GetDataSize(), source.GetDataSize());
}

TEST(FileStorage, LegacyUnpackedStreamIsReadAndRewrittenPacked) {
    TStringStream legacy(Hex("01 00 00 00 12 34 56 78 03 00 00 00 61 2E 62 02 00 00 00 68 69"));
    TFileStorage storage(nullptr);
    storage.ReadData(&legacy);
    EXPECT_FALSE(storage.Compressed);
    ASSERT_EQ(storage.GetCount(), 1);
    EXPECT_EQ(storage.Files[0]->FileName, "a.b");
    EXPECT_EQ(storage.Files[0]->FileSize, 2);
    EXPECT_EQ(Written(storage), Hex("53 46 50 31 01 00 00 00 03 00 00 00 61 2E 62") +
                                    Hex("0A 00 00 00") + SFPackStr("hi"));
}

TEST(FileStorage, ZeroOrNegativeCountGivesAnEmptyContainer) {
    for (const char* bytes :
         {"53 46 50 31 00 00 00 00", "53 46 50 31 FF FF FF FF", "FE FF FF FF 00 00 00 00"}) {
        TStringStream stream(Hex(bytes));
        TFileStorage storage(nullptr);
        storage.ReadData(&stream);
        EXPECT_EQ(storage.GetCount(), 0);
        EXPECT_EQ(storage.GetDataSize(), 0);
    }
}

TEST(FileStorage, DamagedStreamRaisesAReadErrorAndAddsNoFiles) {
    TFileStorage source(nullptr);
    AddFile(source, "one", "first contents");
    AddFile(source, "two", "second contents");
    const AnsiString good = Written(source);
    for (size_t cut : {size_t{6}, size_t{20}, good.size() - 1}) {
        TStringStream stream(good.substr(0, cut));
        TFileStorage storage(nullptr);
        EXPECT_THROW(storage.ReadData(&stream), EReadError) << "cut at " << cut;
        EXPECT_EQ(storage.GetCount(), 0);
    }
    TStringStream hugeCount(Hex("53 46 50 31 FF FF FF 7F"));
    TFileStorage storage(nullptr);
    EXPECT_THROW(storage.ReadData(&hugeCount), EReadError);
}

class FileStorageForm : public ::testing::Test {
protected:
    void SetUp() override { RegisterClasses<TFileStorage>(); }
};

TEST_F(FileStorageForm, DescriptionCarriesStoredDataOnlyWhenThereAreFiles) {
    TFileStorage empty(nullptr);
    empty.SetName("FileStorage1");
    const AnsiString emptyText = WriteComponentToText(&empty);
    EXPECT_THAT(emptyText, ::testing::Not(::testing::HasSubstr("StoredData")));
    std::unique_ptr<TComponent> readEmpty(ReadComponentFromText(emptyText, nullptr));
    EXPECT_EQ(dynamic_cast<TFileStorage&>(*readEmpty).GetCount(), 0);

    TFileStorage full(nullptr);
    full.SetName("FileStorage1");
    full.AutoExtract->Overwrite = owAlways;
    full.AutoExtract->ExtractTo->Subdirectory = "sub";
    AddFile(full, "a.txt", "alpha alpha alpha");
    AddFile(full, "b.bin", RandomBytes(300, 1));
    const AnsiString text = WriteComponentToText(&full);
    EXPECT_THAT(text, ::testing::HasSubstr("StoredData"));
    EXPECT_THAT(text, ::testing::HasSubstr("AutoExtract.Overwrite = owAlways"));
    EXPECT_THAT(text, ::testing::Not(::testing::HasSubstr("Count")));

    std::unique_ptr<TComponent> read(ReadComponentFromText(text, nullptr));
    auto& storage = dynamic_cast<TFileStorage&>(*read);
    ASSERT_EQ(storage.GetCount(), 2);
    EXPECT_TRUE(storage.Compressed);
    EXPECT_EQ(storage.Files[1]->FileName, "b.bin");
    EXPECT_EQ(Contents(*storage.Files[1]->Data), Contents(*full.Files[1]->Data));
    EXPECT_EQ(storage.AutoExtract->Overwrite, owAlways);
    EXPECT_EQ(storage.AutoExtract->ExtractTo->Subdirectory, "sub");
}

TEST(StoredFileUpload, LoadsAFileAndNamesItAfterTheSource) {
    TempDir dir;
    WriteFileBytes(dir / "firmware.s19", "S00600004844521B\r\n");
    TFileStorage storage(nullptr);
    TStoredFile file(&storage);
    ASSERT_TRUE(file.Upload(dir / "firmware.s19"));
    EXPECT_EQ(file.FileName, "firmware.s19");
    EXPECT_EQ(file.FileSize, 18);
    EXPECT_EQ(Contents(*file.Data), "S00600004844521B\r\n");
}

TEST(StoredFileUpload, MissingFileShowsTheMessageAndKeepsTheOldContents) {
    CapturedMessageBoxes boxes;
    TempDir dir;
    TFileStorage storage(nullptr);
    storage.SetName("FileStorage1");
    TStoredFile file(&storage);
    file.FileName = "old.bin";
    SetContents(*file.Data, "old");
    file.FileSize = 3;
    EXPECT_FALSE(file.Upload(dir / "missing.bin"));
    EXPECT_EQ(file.FileName, "missing.bin");
    EXPECT_EQ(file.FileSize, 3);
    EXPECT_EQ(Contents(*file.Data), "old");
    ASSERT_EQ(boxes.Boxes.size(), 1u);
    EXPECT_EQ(boxes.Boxes[0].Text, "This file can not be uploaded.");
    EXPECT_EQ(boxes.Boxes[0].Caption, "FileStorage1");
    EXPECT_EQ(boxes.Boxes[0].Flags, MB_ICONERROR | MB_OK);
}

TEST(StoredFileUpload, ClearDataEmptiesTheFile) {
    TStoredFile file(nullptr);
    file.FileName = "x";
    SetContents(*file.Data, "abc");
    file.FileSize = 3;
    file.ClearData();
    EXPECT_EQ(file.FileName, "");
    EXPECT_EQ(file.FileSize, 0);
    EXPECT_EQ(file.Data->Size(), 0);
}

} // namespace

namespace {

// A container shaped like the utility's own: a 49,152-byte program using every byte
// value and a 121,984-byte firmware text.
TEST(FileStorage, ContainerShapedLikeTheUtilitysOwn) {
    TFileStorage source(nullptr);
    AnsiString program = "MZ" + RandomBytes(49152 - 2, 21);
    AnsiString firmware;
    while (firmware.size() < 121984)
        firmware += "S1130000285F245F2212226A000424290008237C2A\r\n";
    firmware.resize(121984);
    AddFile(source, "update.exe", program);
    AddFile(source, "KZRA503.s19", firmware);
    const AnsiString bytes = Written(source);
    EXPECT_EQ(bytes.substr(0, 12), Hex("53 46 50 31 02 00 00 00 0A 00 00 00"));
    EXPECT_EQ(bytes.substr(12, 10), "update.exe");
    EXPECT_EQ(bytes.substr(26, 4), Hex("00 C0 00 00"));
    EXPECT_GE(Le16(bytes, 32), 256u); // a run-table chunk

    TStringStream stream(bytes);
    TFileStorage storage(nullptr);
    storage.ReadData(&stream);
    EXPECT_EQ(storage.GetCount(), 2);
    EXPECT_EQ(storage.GetDataSize(), 171136);
    EXPECT_EQ(Contents(*storage.Files[0]->Data).substr(0, 2), "MZ");
    EXPECT_EQ(storage.Files[1]->FileName, "KZRA503.s19");
    // Two marker-mode chunks with the marker 0 (no zero byte in the text).
    const size_t second = 22 + 4 + Le32(bytes, 22) + 4 + 11;
    EXPECT_EQ(Le32(bytes, second + 4), 121984u);
    EXPECT_EQ(Le16(bytes, second + 10), 0u);
}

} // namespace
