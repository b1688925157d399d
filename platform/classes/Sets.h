#pragma once
// Sets of enumeration values, as the component library's published set properties use
// them. Elements are the enumeration's ordinals 0..63.
#include <cstdint>
#include <initializer_list>
#include <type_traits>

template <class E>
requires std::is_enum_v<E>
class TSet {
public:
    using ElementType = E;

    constexpr TSet() = default;
    constexpr TSet(std::initializer_list<E> items) {
        for (E item : items)
            Include(item);
    }
    static constexpr TSet FromBits(uint64_t bits) {
        TSet set;
        set.bits_ = bits;
        return set;
    }
    constexpr uint64_t Bits() const { return bits_; }

    constexpr bool Contains(E item) const { return (bits_ & BitOf(item)) != 0; }
    constexpr bool Empty() const { return bits_ == 0; }
    constexpr TSet& Include(E item) {
        bits_ |= BitOf(item);
        return *this;
    }
    constexpr TSet& Exclude(E item) {
        bits_ &= ~BitOf(item);
        return *this;
    }

    constexpr TSet operator+(TSet other) const { return FromBits(bits_ | other.bits_); }
    constexpr TSet operator-(TSet other) const { return FromBits(bits_ & ~other.bits_); }
    constexpr TSet operator*(TSet other) const { return FromBits(bits_ & other.bits_); }
    constexpr TSet& operator+=(TSet other) { return *this = *this + other; }
    constexpr TSet& operator-=(TSet other) { return *this = *this - other; }
    constexpr bool operator==(const TSet&) const = default;

private:
    // An ordinal outside 0..63 cannot be a member; it maps to no bit instead of shifting
    // out of range.
    static constexpr uint64_t BitOf(E item) {
        auto ordinal = static_cast<uint64_t>(item);
        return ordinal < 64 ? uint64_t{1} << ordinal : 0;
    }
    uint64_t bits_ = 0;
};
