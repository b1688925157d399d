// The unpacker: validates every length, count and table entry before it moves bytes.
#include <cstring>

#include "filestorage/Fssfpack.h"
#include "filestorage/FssfpackBytes.h"

using namespace sfpack_detail;

namespace {

// The output window; every fill and copy is checked against its end first.
class Output {
public:
    Output(uint8_t* start, uint32_t size) : start_(start), pos_(start), end_(start + size) {}

    void Copy(const uint8_t* from, size_t count) {
        Reserve(count);
        if (count)
            std::memcpy(pos_, from, count);
        pos_ += count;
    }
    void Fill(uint8_t value, size_t count) {
        Reserve(count);
        std::memset(pos_, value, count);
        pos_ += count;
    }
    uint32_t Written() const { return static_cast<uint32_t>(pos_ - start_); }

private:
    void Reserve(size_t count) const {
        if (count > static_cast<size_t>(end_ - pos_))
            throw EPackedDataError("it unpacks to more bytes than announced");
    }
    uint8_t* start_;
    uint8_t* pos_;
    uint8_t* end_;
};

// Reads a count field at offset within [0, limit) of data; returns the run length
// and moves offset past the field.
size_t ReadRunLength(const uint8_t* data, size_t& offset, size_t limit) {
    if (offset >= limit)
        throw EPackedDataError("a run's count is cut off");
    const uint8_t shortCount = data[offset++];
    if (shortCount)
        return static_cast<size_t>(shortCount) + 1;
    if (limit - offset < 2)
        throw EPackedDataError("a run's count is cut off");
    const size_t count = Get16(data + offset);
    offset += 2;
    return count + 1;
}

void DecodeMarkerMode(const uint8_t* data, size_t length, uint8_t marker, Output& out) {
    size_t offset = 2;
    while (offset < length) {
        const auto* found =
            static_cast<const uint8_t*>(std::memchr(data + offset, marker, length - offset));
        const size_t stop = found ? static_cast<size_t>(found - data) : length;
        out.Copy(data + offset, stop - offset);
        if (!found)
            break;
        if (length - stop < 3)
            throw EPackedDataError("a run token is cut off");
        const uint8_t value = data[stop + 1];
        offset = stop + 2;
        out.Fill(value, ReadRunLength(data, offset, length));
    }
}

void DecodeRunTableMode(const uint8_t* data, size_t length, size_t tokenEnd, Output& out) {
    if (tokenEnd > length || (length - tokenEnd) % 2)
        throw EPackedDataError("a run table does not fit its chunk");
    size_t offset = 2;
    for (size_t entry = length; entry > tokenEnd;) {
        entry -= 2;
        const size_t countOffset = Get16(data + entry);
        if (countOffset <= offset || countOffset >= tokenEnd)
            throw EPackedDataError("a run table entry lies outside its tokens");
        out.Copy(data + offset, countOffset - 1 - offset);
        const uint8_t value = data[countOffset - 1];
        offset = countOffset;
        out.Fill(value, ReadRunLength(data, offset, tokenEnd));
    }
    out.Copy(data + offset, tokenEnd - offset);
}

} // namespace

uint32_t SFUnpack(const void* Source, void* Target, uint32_t Size, uint32_t TargetSize) {
    const auto* in = static_cast<const uint8_t*>(Source);
    const uint8_t* const end = in + Size;
    Output out(static_cast<uint8_t*>(Target), TargetSize);
    while (in != end) {
        if (end - in < 2)
            throw EPackedDataError("a chunk length is cut off");
        const size_t length = Get16(in);
        in += 2;
        if (length > static_cast<size_t>(end - in))
            throw EPackedDataError("a chunk runs past the end of the data");
        if (length < 2)
            throw EPackedDataError("a chunk has no header word");
        const uint16_t header = Get16(in);
        if (header < 256)
            DecodeMarkerMode(in, length, static_cast<uint8_t>(header), out);
        else
            DecodeRunTableMode(in, length, header, out);
        in += length;
    }
    return out.Written();
}

// Every chunk but the last holds a whole piece in at least 9 bytes (length, header and
// one long run token); the last takes at least 5.
void SFCheckUnpackedSize(uint32_t UnpackedSize, size_t Size) {
    const size_t pieces = (static_cast<size_t>(UnpackedSize) + SFPieceSize - 1) / SFPieceSize;
    if (pieces && Size < 9 * (pieces - 1) + 5)
        throw EPackedDataError("its unpacked size is larger than its chunks can hold");
}

void SFUnpackExact(const void* Source, void* Target, uint32_t Size, uint32_t UnpackedSize) {
    if (SFUnpack(Source, Target, Size, UnpackedSize) != UnpackedSize)
        throw EPackedDataError("it unpacks to fewer bytes than announced");
}
