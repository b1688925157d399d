#pragma once
// Little-endian fields of the packed formats, independent of the host's byte order.
#include <cstdint>

namespace sfpack_detail {

inline uint16_t Get16(const uint8_t* p) {
    return static_cast<uint16_t>(p[0] | (p[1] << 8));
}

inline uint32_t Get32(const uint8_t* p) {
    return static_cast<uint32_t>(p[0]) | (static_cast<uint32_t>(p[1]) << 8) |
           (static_cast<uint32_t>(p[2]) << 16) | (static_cast<uint32_t>(p[3]) << 24);
}

inline void Put16(uint8_t* p, uint32_t value) {
    p[0] = static_cast<uint8_t>(value);
    p[1] = static_cast<uint8_t>(value >> 8);
}

inline void Put32(uint8_t* p, uint32_t value) {
    Put16(p, value);
    Put16(p + 2, value >> 16);
}

} // namespace sfpack_detail
