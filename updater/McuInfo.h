#pragma once
// What the boot loader tells about the unit's microcontroller and its flash.
#include <cstdint>
#include <string>
#include <vector>

struct McuRange {
    uint16_t first = 0;
    uint16_t last = 0; // inclusive
};

struct McuInfo {
    uint8_t version = 0;
    uint16_t sdid = 0;
    std::vector<McuRange> ranges;
    uint16_t eraseSize = 0;
    uint8_t writeSize = 0;
    std::string name;

    uint32_t FlashBytes() const;
    // The protocol's rules for an identification; false for a malformed one.
    bool Valid() const;
};
