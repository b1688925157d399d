// The packer: one pass over each piece after its occurrence map, no allocation.
#include "filestorage/Fssfpack.h"

#include <algorithm>
#include <cstring>
#if defined(__SSE2__)
#include <emmintrin.h>
#endif

#include "filestorage/FssfpackBytes.h"

using namespace sfpack_detail;

namespace {

// Chunk data never exceeds the piece by more than its header word: a run token or a
// run with its table entry is never longer than the run.
constexpr size_t MaxChunkDataFor(size_t pieceLength) {
    return pieceLength + 2;
}

// 0 when a run of at least Threshold equal bytes starts at p; otherwise how far the
// scan may move on, since no such run can start before the first unequal neighbours.
template <int Threshold> inline size_t SkipToPossibleRun(const uint8_t* p) {
    for (int k = Threshold - 1; k >= 1; --k)
        if (p[k] != p[k - 1])
            return static_cast<size_t>(k);
    return 0;
}

// How many of the count bytes at p equal value; 32 bytes per step where SSE2 is at hand,
// since long runs are where a run-length packer spends its time.
inline size_t EqualPrefix(const uint8_t* p, size_t count, uint8_t value) {
    size_t i = 0;
#if defined(__SSE2__)
    const __m128i pattern = _mm_set1_epi8(static_cast<char>(value));
    const auto equalAt = [&](size_t offset) {
        return _mm_cmpeq_epi8(_mm_loadu_si128(reinterpret_cast<const __m128i*>(p + offset)),
                              pattern);
    };
    // 64 bytes per step while all are equal; then 16 at a time to find the first other.
    while (i + 64 <= count) {
        const __m128i all = _mm_and_si128(_mm_and_si128(equalAt(i), equalAt(i + 16)),
                                          _mm_and_si128(equalAt(i + 32), equalAt(i + 48)));
        if (_mm_movemask_epi8(all) != 0xFFFF)
            break;
        i += 64;
    }
    while (i + 16 <= count) {
        const unsigned equal = static_cast<unsigned>(_mm_movemask_epi8(equalAt(i)));
        if (equal != 0xFFFF)
            return i + static_cast<size_t>(__builtin_ctz(~equal));
        i += 16;
    }
#else
    uint64_t pattern;
    std::memset(&pattern, value, sizeof pattern);
    while (i + 8 <= count) {
        uint64_t word;
        std::memcpy(&word, p + i, sizeof word);
        if (word != pattern)
            break;
        i += 8;
    }
#endif
    while (i < count && p[i] == value)
        ++i;
    return i;
}

// End of the run of at least minLength equal bytes that starts at start.
inline size_t RunEnd(const uint8_t* piece, size_t start, size_t minLength, size_t length) {
    const size_t from = start + minLength;
    return from + EqualPrefix(piece + from, length - from, piece[start]);
}

inline uint8_t* PutCount(uint8_t* out, size_t runLength) {
    const size_t count = runLength - 1;
    if (count <= 255) {
        *out++ = static_cast<uint8_t>(count);
    } else {
        *out++ = 0;
        Put16(out, static_cast<uint32_t>(count));
        out += 2;
    }
    return out;
}

inline uint8_t* PutLiterals(uint8_t* out, const uint8_t* from, size_t count) {
    if (count)
        std::memcpy(out, from, count);
    return out + count;
}

// The lowest byte value absent from the piece, or -1 when all 256 occur. Marks whole
// 64-byte blocks without branching on each byte, passes over blocks that are one run,
// and stops early once every value has been seen (typical of binary data).
int LowestAbsentValue(const uint8_t* piece, size_t length) {
    constexpr size_t Block = 64;
    constexpr size_t Window = 4096;
    bool seen[256] = {};
    size_t i = 0;
    while (i < length) {
        const size_t end = std::min(length, i + Window);
        while (i + Block <= end) {
            const uint8_t first = piece[i];
            if (piece[i + Block - 1] == first && EqualPrefix(piece + i, Block, first) == Block) {
                seen[first] = true;
                i += Block + EqualPrefix(piece + i + Block, end - i - Block, first);
                continue;
            }
            for (size_t j = 0; j < Block; ++j)
                seen[piece[i + j]] = true;
            i += Block;
        }
        for (; i < end; ++i)
            seen[piece[i]] = true;
        if (std::find(seen, seen + 256, false) == seen + 256)
            return -1;
    }
    return static_cast<int>(std::find(seen, seen + 256, false) - seen);
}

size_t EncodeMarkerMode(const uint8_t* piece, size_t length, uint8_t marker, uint8_t* data) {
    Put16(data, marker);
    uint8_t* out = data + 2;
    size_t literalStart = 0;
    size_t i = 0;
    while (i + 4 <= length) {
        if (size_t skip = SkipToPossibleRun<4>(piece + i)) {
            i += skip;
            continue;
        }
        out = PutLiterals(out, piece + literalStart, i - literalStart);
        const size_t end = RunEnd(piece, i, 4, length);
        *out++ = marker;
        *out++ = piece[i];
        out = PutCount(out, end - i);
        i = literalStart = end;
    }
    out = PutLiterals(out, piece + literalStart, length - literalStart);
    return static_cast<size_t>(out - data);
}

// The table grows downwards from the end of the room the chunk may use, so the first
// run's entry lands last, as the format wants; it never meets the token stream since
// tokens plus entries never outgrow the bytes consumed.
size_t EncodeRunTableMode(const uint8_t* piece, size_t length, uint8_t* data) {
    uint8_t* const roomEnd = data + MaxChunkDataFor(length);
    uint8_t* table = roomEnd;
    uint8_t* out = data + 2;
    size_t literalStart = 0;
    size_t i = 0;
    while (i + 5 <= length) {
        if (size_t skip = SkipToPossibleRun<5>(piece + i)) {
            i += skip;
            continue;
        }
        out = PutLiterals(out, piece + literalStart, i - literalStart);
        const size_t end = RunEnd(piece, i, 5, length);
        *out++ = piece[i];
        const size_t countOffset = static_cast<size_t>(out - data);
        out = PutCount(out, end - i);
        table -= 2;
        Put16(table, static_cast<uint32_t>(countOffset));
        i = literalStart = end;
    }
    out = PutLiterals(out, piece + literalStart, length - literalStart);
    Put16(data, static_cast<uint32_t>(out - data));
    const size_t tableBytes = static_cast<size_t>(roomEnd - table);
    if (tableBytes)
        std::memmove(out, table, tableBytes);
    return static_cast<size_t>(out - data) + tableBytes;
}

// Encodes one piece as chunk data at data, which has room for MaxChunkDataFor(length).
size_t EncodePiece(const uint8_t* piece, size_t length, uint8_t* data) {
    const int marker = LowestAbsentValue(piece, length);
    if (marker >= 0)
        return EncodeMarkerMode(piece, length, static_cast<uint8_t>(marker), data);
    return EncodeRunTableMode(piece, length, data);
}

// A piece near the end of a tight target is encoded aside and kept only if it fits.
size_t EncodePieceBounded(const uint8_t* piece, size_t length, uint8_t* data, size_t room) {
    uint8_t scratch[MaxChunkDataFor(SFPieceSize)];
    const size_t written = EncodePiece(piece, length, scratch);
    if (written > room)
        return SIZE_MAX;
    std::memcpy(data, scratch, written);
    return written;
}

} // namespace

uint32_t SFCalcTargetSz(uint32_t Size) {
    const uint64_t m = std::max<uint64_t>(Size, 255);
    return static_cast<uint32_t>(std::min<uint64_t>(m + 4 * (m / 65535) + 8, UINT32_MAX));
}

size_t SFMaxPackedSz(uint32_t Size) {
    const size_t pieces = (static_cast<size_t>(Size) + SFPieceSize - 1) / SFPieceSize;
    return 4 + static_cast<size_t>(Size) + 4 * pieces;
}

uint32_t SFPack(const void* Source, void* Target, uint32_t Size, size_t TargetSize) {
    // A packed block's length must itself fit in 32 bits.
    const size_t capacity = std::min<size_t>(TargetSize, UINT32_MAX);
    if (capacity < 4)
        return 0;
    const auto* in = static_cast<const uint8_t*>(Source);
    auto* const start = static_cast<uint8_t*>(Target);
    uint8_t* out = start + 4;
    Put32(start, Size);
    size_t remaining = Size;
    while (remaining) {
        const size_t length = std::min<size_t>(remaining, SFPieceSize);
        const size_t room = capacity - static_cast<size_t>(out - start);
        if (room < 2)
            return 0;
        size_t written;
        if (room - 2 >= MaxChunkDataFor(length)) {
            written = EncodePiece(in, length, out + 2);
        } else {
            written = EncodePieceBounded(in, length, out + 2, room - 2);
            if (written == SIZE_MAX)
                return 0;
        }
        Put16(out, static_cast<uint32_t>(written));
        out += 2 + written;
        in += length;
        remaining -= length;
    }
    return static_cast<uint32_t>(out - start);
}

uint32_t SFPack(const void* Source, void* Target, uint32_t Size) {
    return SFPack(Source, Target, Size, SFCalcTargetSz(Size));
}
