#pragma once
// Byte-level helpers for the codec and container tests.
#include <cstdint>
#include <random>
#include <string>

// "61 62 63" -> the three bytes.
inline std::string Hex(const std::string& text) {
    std::string bytes;
    for (size_t i = 0; i < text.size();) {
        if (text[i] == ' ') {
            ++i;
            continue;
        }
        bytes.push_back(static_cast<char>(std::stoi(text.substr(i, 2), nullptr, 16)));
        i += 2;
    }
    return bytes;
}

inline std::string AllByteValues() {
    std::string bytes;
    for (int v = 0; v < 256; ++v)
        bytes.push_back(static_cast<char>(v));
    return bytes;
}

inline std::string RandomBytes(size_t count, uint32_t seed) {
    std::mt19937 generator(seed);
    std::string bytes(count, '\0');
    for (auto& byte : bytes)
        byte = static_cast<char>(generator() & 0xFF);
    return bytes;
}

inline uint32_t Le32(const std::string& bytes, size_t offset) {
    uint32_t value = 0;
    for (int i = 3; i >= 0; --i)
        value = (value << 8) | static_cast<uint8_t>(bytes[offset + i]);
    return value;
}

inline uint16_t Le16(const std::string& bytes, size_t offset) {
    return static_cast<uint16_t>(static_cast<uint8_t>(bytes[offset]) |
                                 (static_cast<uint8_t>(bytes[offset + 1]) << 8));
}
