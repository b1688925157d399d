// Packing and unpacking in slices of whole chunks: the input is read and the output handed
// on a slice at a time through buffers of a few hundred KiB, and progress can be told in between.
#include <algorithm>
#include <vector>

#include "filestorage/Fssfpack.h"
#include "filestorage/FssfpackBytes.h"

using namespace sfpack_detail;

namespace {
constexpr size_t SliceSize = SFSlicePieces * SFPieceSize;
static_assert(SliceSize <= SFWindowSize);
} // namespace

// Pieces are packed independently, so packing whole pieces slice by slice and leaving out
// each slice's own size field gives the same block as one call.
void SFPackSlices(SFInput& Source, const SFWriter& Write, const SFProgress& Progress) {
    const uint64_t size = Source.Size();
    if (size > UINT32_MAX)
        throw Exception("Data too large to pack");
    std::vector<uint8_t> packed(
        SFMaxPackedSz(static_cast<uint32_t>(std::min<uint64_t>(size, SliceSize))));
    if (size == 0) {
        Put32(packed.data(), 0);
        Write(packed.data(), 4);
    }
    for (uint64_t offset = 0; offset < size;) {
        const std::span<const uint8_t> slice =
            Source.Peek(static_cast<size_t>(std::min<uint64_t>(SliceSize, size - offset)));
        const auto length = static_cast<uint32_t>(slice.size());
        if (length == 0)
            throw EReadError("Stream read error"); // an input shorter than its size
        const uint32_t bytes = SFPack(slice.data(), packed.data(), length, packed.size());
        if (bytes == 0)
            throw Exception("Packing overran its buffer");
        if (offset == 0) {
            Put32(packed.data(), static_cast<uint32_t>(size));
            Write(packed.data(), bytes);
        } else {
            Write(packed.data() + 4, bytes - 4);
        }
        Source.Skip(length);
        offset += length;
        if (Progress)
            Progress(offset, size);
    }
}

uint32_t SFUnpackedSize(std::span<const uint8_t> Header, uint64_t Size) {
    if (Size < 4 || Header.size() < 4)
        throw EPackedDataError("it is shorter than its unpacked size field");
    if (Size - 4 > UINT32_MAX)
        throw EPackedDataError("it is too large");
    const uint32_t unpackedSize = Get32(Header.data());
    SFCheckUnpackedSize(unpackedSize, static_cast<size_t>(Size - 4));
    return unpackedSize;
}

void SFUnpackSlices(SFInput& Source, const SFWriter& Write, const SFProgress& Progress) {
    const uint32_t unpackedSize = SFUnpackedSize(Source.Peek(4), Source.Size());
    Source.Skip(4);
    // Whole pieces fit; a chunk that unpacks to more (no packer writes one) gets more room.
    std::vector<char> unpacked(std::min<size_t>(unpackedSize, SliceSize));
    uint32_t out = 0;
    for (uint64_t left = Source.Size() - 4; left > 0;) {
        // Up to a slice's worth of whole chunks, or the rest when the last is cut off.
        const std::span<const uint8_t> window = Source.Peek(SFWindowSize);
        if (window.empty())
            throw EReadError("Stream read error"); // an input shorter than its size
        size_t end = 0;
        for (size_t chunks = 0; chunks < SFSlicePieces && end + 2 <= window.size(); ++chunks)
            end += 2 + Get16(window.data() + end);
        end = std::min(std::max<size_t>(end, 1), window.size());
        const auto unpack = [&] {
            return SFUnpack(
                window.data(), unpacked.data(), static_cast<uint32_t>(end),
                static_cast<uint32_t>(std::min<size_t>(unpacked.size(), unpackedSize - out)));
        };
        uint32_t bytes;
        try {
            bytes = unpack();
        } catch (const EPackedDataError&) {
            if (unpacked.size() >= unpackedSize - out)
                throw;
            unpacked.resize(unpackedSize - out);
            bytes = unpack();
        }
        Write(unpacked.data(), bytes);
        out += bytes;
        Source.Skip(end);
        left -= end;
        if (Progress)
            Progress(out, unpackedSize);
    }
    if (out != unpackedSize)
        throw EPackedDataError("it unpacks to fewer bytes than announced");
}
