#pragma once
// Byte comparisons over whole blocks for the codec's scans: SSE2 where the target has it
// (every x86-64), 64-bit words elsewhere. VOKA_FSSFPACK_PLAIN selects the words on any
// machine, so that the portable path is tested too. Loads are unaligned and read exactly
// the bytes named.
#include <bit>
#include <cstddef>
#include <cstdint>
#include <cstring>

#if defined(__SSE2__) && !defined(VOKA_FSSFPACK_PLAIN)
#define VOKA_FSSFPACK_SSE2 1
#include <emmintrin.h>
#endif

namespace sfpack_detail {

#ifdef VOKA_FSSFPACK_SSE2

inline __m128i Load16(const uint8_t* p) {
    return _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
}

// Bit k set where p[k] == q[k], for k < 16.
inline uint32_t EqualMask16(const uint8_t* p, const uint8_t* q) {
    return static_cast<uint32_t>(_mm_movemask_epi8(_mm_cmpeq_epi8(Load16(p), Load16(q))));
}

// Bit k set where p[k] == value, for k < 16.
inline uint32_t ValueMask16(const uint8_t* p, uint8_t value) {
    const __m128i pattern = _mm_set1_epi8(static_cast<char>(value));
    return static_cast<uint32_t>(_mm_movemask_epi8(_mm_cmpeq_epi8(Load16(p), pattern)));
}

// Where the 64 bytes at p equal pattern, the four blocks' comparisons combined.
inline __m128i Equal64(const uint8_t* p, __m128i pattern) {
    const auto equal = [&](int offset) { return _mm_cmpeq_epi8(Load16(p + offset), pattern); };
    return _mm_and_si128(_mm_and_si128(equal(0), equal(16)), _mm_and_si128(equal(32), equal(48)));
}

// Whether the Size bytes at p all equal value, for Size 64 or 128.
template <size_t Size> inline bool AllEqual(const uint8_t* p, uint8_t value) {
    static_assert(Size == 64 || Size == 128);
    const __m128i pattern = _mm_set1_epi8(static_cast<char>(value));
    __m128i all = Equal64(p, pattern);
    if constexpr (Size == 128)
        all = _mm_and_si128(all, Equal64(p + 64, pattern));
    return _mm_movemask_epi8(all) == 0xFFFF;
}

// 64 bytes of a piece held for the packer's scan: their copy, and whether three equal
// bytes begin at an even offset among them, as in every run of four or more that starts
// at offsets 0 to 62. Reads p[0] to p[64].
class Window64 {
public:
    explicit Window64(const uint8_t* p)
        : a_(Load16(p)), b_(Load16(p + 16)), c_(Load16(p + 32)), d_(Load16(p + 48)),
          triples_(_mm_or_si128(_mm_or_si128(Triples(a_, p + 1), Triples(b_, p + 17)),
                                _mm_or_si128(Triples(c_, p + 33), Triples(d_, p + 49)))) {}

    bool MayHoldRun() const { return _mm_movemask_epi8(triples_) != 0; }
    void StoreTo(uint8_t* out) const {
        _mm_storeu_si128(reinterpret_cast<__m128i*>(out), a_);
        _mm_storeu_si128(reinterpret_cast<__m128i*>(out + 16), b_);
        _mm_storeu_si128(reinterpret_cast<__m128i*>(out + 32), c_);
        _mm_storeu_si128(reinterpret_cast<__m128i*>(out + 48), d_);
    }

private:
    // Where pairs of bytes equal the pairs one byte further on.
    static __m128i Triples(__m128i bytes, const uint8_t* next) {
        return _mm_cmpeq_epi16(bytes, Load16(next));
    }
    __m128i a_, b_, c_, d_;
    __m128i triples_;
};

#else

// Eight bytes with p[k] in bits 8k to 8k + 7, whatever the host's byte order.
inline uint64_t Load8(const uint8_t* p) {
    uint64_t word = 0;
    if constexpr (std::endian::native == std::endian::little) {
        std::memcpy(&word, p, sizeof word);
    } else {
        for (int k = 7; k >= 0; --k)
            word = word << 8 | p[k];
    }
    return word;
}

// Bit k set where byte k of word is zero, for k < 8.
inline uint32_t ZeroByteMask8(uint64_t word) {
    constexpr uint64_t low7 = 0x7F7F7F7F7F7F7F7F;
    // A byte's top bit ends up clear exactly when the byte is zero; no carry crosses bytes.
    const uint64_t zeroTops = ~(((word & low7) + low7) | word) & ~low7;
    // Gathers the eight top bits, byte k's into bit 56 + k, without overlapping carries.
    return static_cast<uint32_t>(((zeroTops >> 7) * 0x0102040810204080) >> 56);
}

inline uint32_t EqualMask16(const uint8_t* p, const uint8_t* q) {
    return ZeroByteMask8(Load8(p) ^ Load8(q)) | ZeroByteMask8(Load8(p + 8) ^ Load8(q + 8)) << 8;
}

inline uint64_t Repeated8(uint8_t value) {
    return value * uint64_t{0x0101010101010101};
}

inline uint32_t ValueMask16(const uint8_t* p, uint8_t value) {
    const uint64_t pattern = Repeated8(value);
    return ZeroByteMask8(Load8(p) ^ pattern) | ZeroByteMask8(Load8(p + 8) ^ pattern) << 8;
}

template <size_t Size> inline bool AllEqual(const uint8_t* p, uint8_t value) {
    static_assert(Size == 64 || Size == 128);
    const uint64_t pattern = Repeated8(value);
    uint64_t differences = 0;
    for (size_t offset = 0; offset < Size; offset += 8)
        differences |= Load8(p + offset) ^ pattern;
    return differences == 0;
}

class Window64 {
public:
    explicit Window64(const uint8_t* p) {
        uint64_t triples = 0;
        for (int k = 0; k < 8; ++k) {
            std::memcpy(&bytes_[k], p + 8 * k, 8);
            uint64_t next;
            std::memcpy(&next, p + 8 * k + 1, 8);
            triples |= ZeroPairs(bytes_[k] ^ next);
        }
        mayHoldRun_ = triples != 0;
    }

    bool MayHoldRun() const { return mayHoldRun_; }
    void StoreTo(uint8_t* out) const { std::memcpy(out, bytes_, sizeof bytes_); }

private:
    // Nonzero when some 16-bit lane of word (a pair of bytes at an even offset) is zero.
    static uint64_t ZeroPairs(uint64_t word) {
        constexpr uint64_t low15 = 0x7FFF7FFF7FFF7FFF;
        return ~(((word & low15) + low15) | word) & ~low15;
    }
    uint64_t bytes_[8];
    bool mayHoldRun_;
};

#endif

// Bit k set where p[k] == p[k + 1], for k < 64; reads p[0] to p[64].
inline uint64_t NeighbourEqualMask64(const uint8_t* p) {
    const auto part = [p](int offset) {
        return static_cast<uint64_t>(EqualMask16(p + offset, p + offset + 1)) << offset;
    };
    return part(0) | part(16) | part(32) | part(48);
}

// How many of the count bytes at p equal value. Short runs end within the first block;
// long ones are then passed 128 bytes at a time.
inline size_t EqualPrefix(const uint8_t* p, size_t count, uint8_t value) {
    size_t i = 0;
    if (count >= 16) {
        if (const uint32_t equal = ValueMask16(p, value); equal != 0xFFFF)
            return static_cast<size_t>(std::countr_one(equal));
        i = 16;
        while (i + 128 <= count && AllEqual<128>(p + i, value))
            i += 128;
    }
    for (; i + 16 <= count; i += 16)
        if (const uint32_t equal = ValueMask16(p + i, value); equal != 0xFFFF)
            return i + static_cast<size_t>(std::countr_one(equal));
    while (i < count && p[i] == value)
        ++i;
    return i;
}

} // namespace sfpack_detail
