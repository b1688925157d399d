// The stream wrappers: packed stream records (PackedSize, then a packed block).
#include <memory>
#include <vector>

#include "filestorage/Fssfpack.h"
#include "filestorage/FssfpackBytes.h"
#include "platform/rtl/Streams.h"

using namespace sfpack_detail;

void SFPackStream(TMemoryStream* Source, TStream* Target) {
    const int64_t size = Source->GetSize();
    if (size > static_cast<int64_t>(UINT32_MAX))
        throw Exception("Data too large to pack");
    const auto length = static_cast<uint32_t>(size);
    std::vector<uint8_t> record(4 + SFMaxPackedSz(length));
    const uint32_t packedSize =
        SFPack(Source->Memory(), record.data() + 4, length, record.size() - 4);
    Put32(record.data(), packedSize);
    Target->WriteBuffer(record.data(), 4 + static_cast<int64_t>(packedSize));
}

void SFUnpackStreamInto(TStream* Source, TMemoryStream* Target) {
    uint8_t sizes[8];
    Source->ReadBuffer(sizes, sizeof sizes);
    const uint32_t packedSize = Get32(sizes);
    const uint32_t unpackedSize = Get32(sizes + 4);
    if (packedSize < 4)
        throw EPackedDataError("its packed size is smaller than its unpacked size field");
    const uint32_t chunkBytes = packedSize - 4;

    // Neither the chunks nor the result may be larger than the source can back.
    auto* memorySource = dynamic_cast<TMemoryStream*>(Source);
    const int64_t position = Source->GetPosition();
    const int64_t size = Source->GetSize();
    if (position >= 0 && size >= position && static_cast<int64_t>(chunkBytes) > size - position)
        throw EReadError();
    SFCheckUnpackedSize(unpackedSize, chunkBytes);

    Target->SetSize(unpackedSize);
    Target->SetPosition(0);
    if (memorySource) {
        // Unpacked in place: the chunks are read straight from the source's memory.
        const auto* chunks =
            static_cast<const uint8_t*>(memorySource->Memory()) + memorySource->GetPosition();
        SFUnpackExact(chunks, Target->Memory(), chunkBytes, unpackedSize);
        memorySource->Seek(chunkBytes, soFromCurrent);
    } else {
        std::vector<uint8_t> chunks(chunkBytes);
        Source->ReadBuffer(chunks.data(), chunkBytes);
        SFUnpackExact(chunks.data(), Target->Memory(), chunkBytes, unpackedSize);
    }
}

TMemoryStream* SFUnpackStream(TStream* Source) {
    auto result = std::make_unique<TMemoryStream>();
    SFUnpackStreamInto(Source, result.get());
    return result.release();
}
