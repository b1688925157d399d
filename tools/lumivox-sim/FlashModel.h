#pragma once
// The unit's flash memory as its boot loader sees it: the ranges it may program, erase
// blocks and write blocks, and a boot-loader block that refuses to be erased.
#include <cstdint>
#include <string>
#include <vector>

struct FlashRange {
    uint16_t first = 0;
    uint16_t last = 0; // inclusive
    bool Contains(uint32_t address) const { return address >= first && address <= last; }
};

struct FlashLayout {
    uint16_t sdid = 0;
    std::vector<FlashRange> ranges;
    uint16_t eraseSize = 0;
    uint8_t writeSize = 0;
    std::string name;
    FlashRange bootLoader; // protected: erase and write are refused here

    // The simulated unit's layout: two ranges, 512-byte erase blocks, 64-byte writes and
    // the boot loader in the top erase block (its vectors included).
    static FlashLayout Default();
    uint32_t TotalBytes() const;
    // True when [address, address + length) lies inside one range.
    bool InRanges(uint32_t address, uint32_t length) const;
    // Where the firmware keeps its own vector table, just below the boot loader.
    uint16_t ApplicationVectors() const { return uint16_t(bootLoader.first - 0x40); }
};

class FlashModel {
public:
    static constexpr uint32_t kSpace = 0x10000;
    static constexpr uint8_t kErased = 0xFF;

    explicit FlashModel(FlashLayout layout);

    const FlashLayout& Layout() const { return layout_; }
    // Each returns false and changes nothing when the boot loader would refuse.
    bool Erase(uint16_t address);
    bool Write(uint16_t address, const std::string& data);
    bool Read(uint16_t address, uint8_t length, std::string& data) const;

    uint8_t At(uint32_t address) const { return bytes_[address]; }
    const std::vector<uint8_t>& Bytes() const { return bytes_; }
    // The whole 64 KiB space as a file; Load accepts only a file of exactly that size.
    bool Load(const std::string& path);
    bool Save(const std::string& path) const;

private:
    bool InsideOneWriteBlock(uint16_t address, uint32_t length) const;

    FlashLayout layout_;
    std::vector<uint8_t> bytes_;
};
