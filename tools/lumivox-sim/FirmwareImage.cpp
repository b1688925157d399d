#include "tools/lumivox-sim/FirmwareImage.h"

#include <cstdio>

namespace {
int AddressBytes(char type) {
    switch (type) {
    case '2':
    case '8':
        return 3;
    case '3':
    case '7':
        return 4;
    default:
        return 2;
    }
}

void AppendRecords(std::string& out, uint32_t address, const std::string& bytes) {
    constexpr size_t kPerRecord = 32;
    for (size_t at = 0; at < bytes.size(); at += kPerRecord)
        out += SRecordLine('1', uint32_t(address + at),
                           std::string_view(bytes).substr(at, kPerRecord)) +
               "\r\n";
}

// Code-like filler: a fixed pseudo-random sequence, so the image is the same every build.
std::string CodeBytes(size_t length, uint32_t seed) {
    std::string bytes;
    for (size_t i = 0; i < length; ++i) {
        seed = seed * 1103515245u + 12345u;
        bytes.push_back(char(seed >> 16));
    }
    return bytes;
}
} // namespace

std::string SRecordLine(char type, uint32_t address, std::string_view data) {
    const int addressBytes = AddressBytes(type);
    const unsigned count = unsigned(addressBytes + data.size() + 1);
    unsigned sum = count;
    std::string line = {'S', type};
    char hex[4];
    std::snprintf(hex, sizeof hex, "%02X", count & 0xFF);
    line += hex;
    for (int i = addressBytes - 1; i >= 0; --i) {
        const unsigned byte = (address >> (8 * i)) & 0xFF;
        sum += byte;
        std::snprintf(hex, sizeof hex, "%02X", byte);
        line += hex;
    }
    for (char c : data) {
        sum += uint8_t(c);
        std::snprintf(hex, sizeof hex, "%02X", unsigned(uint8_t(c)));
        line += hex;
    }
    std::snprintf(hex, sizeof hex, "%02X", ~sum & 0xFF);
    line += hex;
    return line;
}

std::string MakeDefaultFirmware(const FlashLayout& layout) {
    const uint16_t codeStart = layout.ranges.back().first;
    const uint16_t tableStart = layout.ranges.front().first;
    constexpr size_t kCodeSize = 0xC00;
    constexpr size_t kTableSize = 0x100;

    std::string image = SRecordLine('0', 0, "KZRA503") + "\r\n";
    AppendRecords(image, tableStart, CodeBytes(kTableSize, 503));
    AppendRecords(image, codeStart, CodeBytes(kCodeSize, 0x4B5A));

    // 32 two-byte vectors, big-endian; every one but reset points to a return-from-interrupt.
    const uint16_t spareHandler = uint16_t(codeStart + kCodeSize - 2);
    std::string vectors;
    for (int i = 0; i < 32; ++i) {
        const uint16_t target = i == 31 ? codeStart : spareHandler;
        vectors.push_back(char(target >> 8));
        vectors.push_back(char(target & 0xFF));
    }
    AppendRecords(image, layout.ApplicationVectors(), vectors);
    image += SRecordLine('9', codeStart, {}) + "\r\n";
    return image;
}
