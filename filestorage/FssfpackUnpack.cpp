// The unpacker: validates every length, count and table entry before it moves bytes.
#include <bit>
#include <cstring>

#include "filestorage/Fssfpack.h"
#include "filestorage/FssfpackBytes.h"
#include "filestorage/FssfpackScan.h"

using namespace sfpack_detail;

namespace {

// Out of line, so that the checks stay small in the loops that make them.
[[noreturn, gnu::cold]] void Damaged(const char* detail) {
    throw EPackedDataError(detail);
}

// The output window; every fill and copy is checked against its end first. Short ones
// move whole blocks when the window has room for them, as later output overwrites the
// excess.
class Output {
public:
    static constexpr size_t Block = 32;

    Output(uint8_t* start, uint32_t size) : start_(start), pos_(start), end_(start + size) {}

    // Copies count bytes; readable is how many bytes from may be read.
    void Copy(const uint8_t* from, size_t count, size_t readable) {
        Reserve(count);
        if (count <= Block && readable >= Block && Room() >= Block)
            std::memcpy(pos_, from, Block);
        else if (count)
            std::memcpy(pos_, from, count);
        pos_ += count;
    }
    // Copies the bytes at from up to the first stopValue among the count there, and
    // returns how many it copied.
    size_t CopyUntil(const uint8_t* from, size_t count, uint8_t stopValue) {
        size_t copied = 0;
        for (; copied + Block <= count && Room() >= Block; copied += Block, pos_ += Block) {
            std::memcpy(pos_, from + copied, Block);
            const uint32_t stops = ValueMask16(from + copied, stopValue) |
                                   ValueMask16(from + copied + 16, stopValue) << 16;
            if (stops) {
                const auto literals = static_cast<size_t>(std::countr_zero(stops));
                pos_ += literals;
                return copied + literals;
            }
        }
        const auto* found =
            static_cast<const uint8_t*>(std::memchr(from + copied, stopValue, count - copied));
        const size_t literals = found ? static_cast<size_t>(found - from) - copied : count - copied;
        Copy(from + copied, literals, 0);
        return copied + literals;
    }
    void Fill(uint8_t value, size_t count) {
        Reserve(count);
        if (count <= Block && Room() >= Block)
            std::memset(pos_, value, Block);
        else
            std::memset(pos_, value, count);
        pos_ += count;
    }
    uint32_t Written() const { return static_cast<uint32_t>(pos_ - start_); }

private:
    size_t Room() const { return static_cast<size_t>(end_ - pos_); }
    void Reserve(size_t count) const {
        if (count > Room())
            Damaged("it unpacks to more bytes than announced");
    }
    uint8_t* start_;
    uint8_t* pos_;
    uint8_t* end_;
};

// Reads a count field at offset within [0, limit) of data; returns the run length
// and moves offset past the field.
inline size_t ReadRunLength(const uint8_t* data, size_t& offset, size_t limit) {
    if (offset >= limit)
        Damaged("a run's count is cut off");
    const uint8_t shortCount = data[offset++];
    if (shortCount)
        return static_cast<size_t>(shortCount) + 1;
    if (limit - offset < 2)
        Damaged("a run's count is cut off");
    const size_t count = Get16(data + offset);
    offset += 2;
    return count + 1;
}

void DecodeMarkerMode(const uint8_t* data, size_t length, uint8_t marker, Output& out) {
    size_t offset = 2;
    while (offset < length) {
        const size_t stop = offset + out.CopyUntil(data + offset, length - offset, marker);
        if (stop == length)
            break;
        if (length - stop < 3)
            Damaged("a run token is cut off");
        const uint8_t value = data[stop + 1];
        offset = stop + 2;
        out.Fill(value, ReadRunLength(data, offset, length));
    }
}

void DecodeRunTableMode(const uint8_t* data, size_t length, size_t tokenEnd, Output& out) {
    if (tokenEnd > length || (length - tokenEnd) % 2)
        Damaged("a run table does not fit its chunk");
    size_t offset = 2;
    for (size_t entry = length; entry > tokenEnd;) {
        entry -= 2;
        const size_t countOffset = Get16(data + entry);
        if (countOffset <= offset || countOffset >= tokenEnd)
            Damaged("a run table entry lies outside its tokens");
        out.Copy(data + offset, countOffset - 1 - offset, length - offset);
        const uint8_t value = data[countOffset - 1];
        offset = countOffset;
        out.Fill(value, ReadRunLength(data, offset, tokenEnd));
    }
    out.Copy(data + offset, tokenEnd - offset, length - offset);
}

} // namespace

uint32_t SFUnpack(const void* Source, void* Target, uint32_t Size, uint32_t TargetSize) {
    const auto* in = static_cast<const uint8_t*>(Source);
    const uint8_t* const end = in + Size;
    Output out(static_cast<uint8_t*>(Target), TargetSize);
    while (in != end) {
        if (end - in < 2)
            Damaged("a chunk length is cut off");
        const size_t length = Get16(in);
        in += 2;
        if (length > static_cast<size_t>(end - in))
            Damaged("a chunk runs past the end of the data");
        if (length < 2)
            Damaged("a chunk has no header word");
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
        Damaged("its unpacked size is larger than its chunks can hold");
}

void SFUnpackExact(const void* Source, void* Target, uint32_t Size, uint32_t UnpackedSize) {
    if (SFUnpack(Source, Target, Size, UnpackedSize) != UnpackedSize)
        Damaged("it unpacks to fewer bytes than announced");
}
