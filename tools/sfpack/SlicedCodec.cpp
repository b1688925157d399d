#include "tools/sfpack/SlicedCodec.h"

#include <algorithm>

#include "filestorage/Fssfpack.h"

namespace {

constexpr size_t PiecesPerSlice = 64; // about 4 MiB of input

uint32_t Le32(const char* p) {
    const auto* b = reinterpret_cast<const uint8_t*>(p);
    return static_cast<uint32_t>(b[0] | (b[1] << 8) | (b[2] << 16)) |
           (static_cast<uint32_t>(b[3]) << 24);
}

} // namespace

// Pieces are packed independently, so packing whole pieces slice by slice and dropping
// each slice's own size field gives the same block as one call.
std::string PackInSlices(const std::string& source, const TProgress& progress) {
    if (source.size() > UINT32_MAX)
        throw Exception("Input too large to pack (4 GiB or more)");
    const auto size = static_cast<uint32_t>(source.size());
    std::string packed(SFMaxPackedSz(size), '\0');
    size_t written = 4;
    constexpr size_t sliceSize = PiecesPerSlice * SFPieceSize;
    for (size_t offset = 0; offset < source.size(); offset += sliceSize) {
        const auto length = static_cast<uint32_t>(std::min(sliceSize, source.size() - offset));
        // The slice's size field lands on the previous slice's last 4 bytes: keep them.
        char saved[4];
        std::copy_n(packed.data() + written - 4, 4, saved);
        const uint32_t sliceBytes = SFPack(source.data() + offset, packed.data() + written - 4,
                                           length, packed.size() - written + 4);
        std::copy_n(saved, 4, packed.data() + written - 4);
        if (sliceBytes == 0)
            throw Exception("Packing overran its buffer");
        written += sliceBytes - 4;
        progress(offset + length, source.size());
    }
    for (int i = 0; i < 4; ++i)
        packed[i] = static_cast<char>((size >> (8 * i)) & 0xFF);
    packed.resize(written);
    return packed;
}

std::string UnpackInSlices(const std::string& packed, const TProgress& progress) {
    if (packed.size() < 4)
        throw EPackedDataError("it is shorter than its unpacked size field");
    const uint32_t unpackedSize = Le32(packed.data());
    SFCheckUnpackedSize(unpackedSize, packed.size() - 4);
    std::string result(unpackedSize, '\0');
    size_t in = 4;
    size_t out = 0;
    while (in < packed.size()) {
        // Gather up to a slice's worth of chunks, then unpack them in one call.
        size_t end = in;
        for (size_t chunks = 0; chunks < PiecesPerSlice && end + 2 <= packed.size(); ++chunks)
            end += 2 + (static_cast<uint8_t>(packed[end]) |
                        (static_cast<uint8_t>(packed[end + 1]) << 8));
        end = std::min(std::max(end, in + 1), packed.size());
        out += SFUnpack(packed.data() + in, result.data() + out, static_cast<uint32_t>(end - in),
                        static_cast<uint32_t>(result.size() - out));
        in = end;
        progress(out, result.size());
    }
    if (out != result.size())
        throw EPackedDataError("it unpacks to fewer bytes than announced");
    return result;
}
