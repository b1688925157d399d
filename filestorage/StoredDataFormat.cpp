// Reading and writing the "StoredData" stream's header and records.
#include "filestorage/StoredDataFormat.h"

#include "filestorage/Fssfpack.h"
#include "filestorage/FssfpackBytes.h"

using namespace sfpack_detail;

namespace {

uint32_t ReadUInt32(TStream* stream) {
    uint8_t bytes[4];
    stream->ReadBuffer(bytes, sizeof bytes);
    return Get32(bytes);
}

void WriteUInt32(TStream* stream, uint32_t value) {
    uint8_t bytes[4];
    Put32(bytes, value);
    stream->WriteBuffer(bytes, sizeof bytes);
}

// A damaged length must fail as a short read, not as a huge allocation first.
void RequireAvailable(TStream* stream, uint32_t count) {
    const int64_t position = stream->GetPosition();
    const int64_t size = stream->GetSize();
    if (position >= 0 && size >= position && static_cast<int64_t>(count) > size - position)
        throw EReadError();
}

} // namespace

TStoredDataHeader ReadStoredDataHeader(TStream* Stream) {
    const uint32_t first = ReadUInt32(Stream);
    const uint32_t second = ReadUInt32(Stream);
    if (first == StoredDataMagic)
        return {true, static_cast<int32_t>(second)};
    return {false, static_cast<int32_t>(first)};
}

void ReadStoredRecord(TStream* Stream, bool Packed, AnsiString& Name, TMemoryStream* Contents) {
    const uint32_t nameLength = ReadUInt32(Stream);
    RequireAvailable(Stream, nameLength);
    AnsiString name(nameLength, '\0');
    Stream->ReadBuffer(name.data(), nameLength);
    Name = std::move(name);
    if (Packed) {
        SFUnpackStreamInto(Stream, Contents);
        return;
    }
    const auto fileSize = static_cast<int32_t>(ReadUInt32(Stream));
    if (fileSize < 0)
        throw EPackedDataError("a stored file has a negative size");
    RequireAvailable(Stream, static_cast<uint32_t>(fileSize));
    Contents->SetSize(fileSize);
    Contents->SetPosition(0);
    Stream->ReadBuffer(Contents->Memory(), fileSize);
}

void WriteStoredDataHeader(TStream* Stream, int32_t Count) {
    WriteUInt32(Stream, StoredDataMagic);
    WriteUInt32(Stream, static_cast<uint32_t>(Count));
}

void WriteStoredRecord(TStream* Stream, const AnsiString& Name, TMemoryStream* Contents) {
    WriteUInt32(Stream, static_cast<uint32_t>(Name.size()));
    Stream->WriteBuffer(Name.data(), static_cast<int64_t>(Name.size()));
    SFPackStream(Contents, Stream);
}
