// The packer: one pass over each piece after its occurrence map, no allocation.
#include "filestorage/Fssfpack.h"

#include <algorithm>
#include <bit>
#include <cstdint>
#include <cstring>

#include "filestorage/FssfpackBytes.h"
#include "filestorage/FssfpackScan.h"

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

// Bit k set where Threshold equal bytes begin at p[k], for k < 66 - Threshold; reads
// p[0] to p[64].
template <int Threshold> uint64_t RunStarts(const uint8_t* p) {
    const uint64_t equal = NeighbourEqualMask64(p);
    uint64_t starts = equal;
    for (int k = 1; k <= Threshold - 2; ++k)
        starts &= equal >> k;
    return starts;
}

// Finds the first position from i on where Threshold equal bytes begin (the start of a
// whole run, as no such run reaches back past i), or length when there is none, and puts
// the literals before it at out. The scan moves by windows of 64 bytes, copied whole: the
// copy may run up to 64 bytes past the literals, never past the piece's own length from
// out's start. A window's bytes are loaded before the previous window's are stored, so
// that the loads do not wait on stores to addresses that look alike.
template <int Threshold>
size_t CopyLiteralsToRun(const uint8_t* piece, size_t from, size_t length, uint8_t*& out) {
    constexpr size_t Span = 64;
    constexpr size_t Alignment = 16;
    const auto literalsAt = [out, from](size_t i) { return out + (i - from); };
    size_t i = from;
    while (i + Span < length) {
        Window64 window(piece + i);
        if (!window.MayHoldRun()) {
            // Windows without runs, one after the other, as in binary data. Each rules out
            // starts up to 62 bytes on and the next may begin up to 64 bytes on, as it looks
            // one byte back: the second where its loads are aligned, the others 64 apart.
            const uint8_t* const last = piece + length - Span - 1;
            const uint8_t* at = piece + i;
            const uint8_t* next = at + Span - reinterpret_cast<uintptr_t>(at + Span) % Alignment;
            uint8_t* copy = literalsAt(i);
            while (next <= last) {
                const Window64 following(next);
                window.StoreTo(copy);
                copy += next - at;
                at = next;
                window = following;
                if (window.MayHoldRun())
                    break;
                next = at + Span;
            }
            i = static_cast<size_t>(at - piece);
            if (!window.MayHoldRun()) {
                window.StoreTo(copy);
                i += Span - 1;
                break;
            }
        }
        window.StoreTo(literalsAt(i));
        // After a window without runs the byte before this one is still open.
        const size_t base = i > from ? i - 1 : i;
        if (const uint64_t starts = RunStarts<Threshold>(piece + base)) {
            i = base + static_cast<size_t>(std::countr_zero(starts));
            out = literalsAt(i);
            return i;
        }
        i = base + Span + 2 - Threshold;
    }
    const size_t tail = i;
    while (i + Threshold <= length) {
        const size_t skip = SkipToPossibleRun<Threshold>(piece + i);
        if (!skip)
            break;
        i += skip;
    }
    if (i + Threshold > length)
        i = length;
    if (i > tail)
        std::memcpy(literalsAt(tail), piece + tail, i - tail);
    out = literalsAt(i);
    return i;
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

// Puts the token stream of the piece at out: literals, and each run of at least Threshold
// equal bytes through putRun(out, value, length), which returns the new end.
template <int Threshold, typename PutRun>
uint8_t* PutTokens(const uint8_t* piece, size_t length, uint8_t* out, PutRun putRun) {
    for (size_t i = 0; (i = CopyLiteralsToRun<Threshold>(piece, i, length, out)) < length;) {
        const uint8_t value = piece[i];
        const size_t end =
            i + Threshold + EqualPrefix(piece + i + Threshold, length - i - Threshold, value);
        out = putRun(out, value, end - i);
        i = end;
    }
    return out;
}

// Whether every byte value has been marked.
bool AllSeen(const uint8_t (&seen)[256]) {
    uint64_t all = ~uint64_t{0};
    for (size_t offset = 0; offset < 256; offset += 8) {
        uint64_t word;
        std::memcpy(&word, seen + offset, sizeof word);
        all &= word;
    }
    return all == 0x0101010101010101;
}

// The lowest byte value absent from the piece, or -1 when all 256 occur. Marks whole
// 64-byte blocks without branching on each byte, passes over runs a block at a time, and
// stops early once every value has been seen (typical of binary data): often at first,
// then every 4 KiB.
int LowestAbsentValue(const uint8_t* piece, size_t length) {
    constexpr size_t Block = 64;
    uint8_t seen[256] = {};
    size_t i = 0;
    size_t nextCheck = 256;
    while (i + Block <= length) {
        const uint8_t first = piece[i];
        if (piece[i + Block - 1] == first && AllEqual<Block>(piece + i, first)) {
            seen[first] = 1;
            i += Block + EqualPrefix(piece + i + Block, length - i - Block, first);
        } else {
            // Eight marks per step: the loop's own bookkeeping would cost as much as them.
            for (const uint8_t* at = piece + i; at != piece + i + Block; at += 8) {
                seen[at[0]] = 1;
                seen[at[1]] = 1;
                seen[at[2]] = 1;
                seen[at[3]] = 1;
                seen[at[4]] = 1;
                seen[at[5]] = 1;
                seen[at[6]] = 1;
                seen[at[7]] = 1;
            }
            i += Block;
        }
        if (i >= nextCheck) {
            if (AllSeen(seen))
                return -1;
            nextCheck = i + (i < 4096 ? 256 : 4096);
        }
    }
    for (; i < length; ++i)
        seen[piece[i]] = 1;
    const auto lowest = static_cast<int>(std::find(seen, seen + 256, 0) - seen);
    return lowest < 256 ? lowest : -1;
}

size_t EncodeMarkerMode(const uint8_t* piece, size_t length, uint8_t marker, uint8_t* data) {
    Put16(data, marker);
    const uint8_t* const end =
        PutTokens<4>(piece, length, data + 2, [marker](uint8_t* out, uint8_t value, size_t run) {
            *out++ = marker;
            *out++ = value;
            return PutCount(out, run);
        });
    return static_cast<size_t>(end - data);
}

// The table grows downwards from the end of the room the chunk may use, so the first
// run's entry lands last, as the format wants; it never meets the token stream, nor the
// literal blocks' overrun, since tokens plus entries never outgrow the bytes consumed.
size_t EncodeRunTableMode(const uint8_t* piece, size_t length, uint8_t* data) {
    uint8_t* const roomEnd = data + MaxChunkDataFor(length);
    uint8_t* table = roomEnd;
    uint8_t* const out = PutTokens<5>(piece, length, data + 2,
                                      [data, &table](uint8_t* out, uint8_t value, size_t run) {
                                          *out++ = value;
                                          table -= 2;
                                          Put16(table, static_cast<uint32_t>(out - data));
                                          return PutCount(out, run);
                                      });
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
