#include "tools/lumivox-sim/FlashModel.h"

#include <algorithm>
#include <cstdio>
#include <fstream>
#include <iterator>

FlashLayout FlashLayout::Default() {
    FlashLayout layout;
    layout.sdid = 0x0017;
    layout.ranges = {{0x1000, 0x17FF}, {0x8000, 0xFFFF}};
    layout.eraseSize = 512;
    layout.writeSize = 64;
    layout.name = "MC9S08 LV-503";
    layout.bootLoader = {0xFE00, 0xFFFF};
    return layout;
}

uint32_t FlashLayout::TotalBytes() const {
    uint32_t total = 0;
    for (const auto& range : ranges)
        total += uint32_t(range.last) - range.first + 1;
    return total;
}

bool FlashLayout::InRanges(uint32_t address, uint32_t length) const {
    if (length == 0)
        return false;
    return std::any_of(ranges.begin(), ranges.end(), [&](const FlashRange& range) {
        return range.Contains(address) && range.Contains(address + length - 1);
    });
}

FlashModel::FlashModel(FlashLayout layout) : layout_(std::move(layout)), bytes_(kSpace, kErased) {}

bool FlashModel::Erase(uint16_t address) {
    if (address % layout_.eraseSize != 0 || !layout_.InRanges(address, layout_.eraseSize) ||
        layout_.bootLoader.Contains(address))
        return false;
    std::fill_n(bytes_.begin() + address, layout_.eraseSize, kErased);
    return true;
}

bool FlashModel::InsideOneWriteBlock(uint16_t address, uint32_t length) const {
    return length >= 1 && length <= layout_.writeSize &&
           address / layout_.writeSize == (address + length - 1) / layout_.writeSize &&
           layout_.InRanges(address, length);
}

bool FlashModel::Write(uint16_t address, const std::string& data) {
    if (!InsideOneWriteBlock(address, uint32_t(data.size())) ||
        layout_.bootLoader.Contains(address))
        return false;
    // Flash programs only erased cells.
    const auto first = bytes_.begin() + address;
    if (!std::all_of(first, first + data.size(), [](uint8_t b) { return b == kErased; }))
        return false;
    std::copy(data.begin(), data.end(), first);
    return true;
}

bool FlashModel::Read(uint16_t address, uint8_t length, std::string& data) const {
    if (!InsideOneWriteBlock(address, length))
        return false;
    data.assign(bytes_.begin() + address, bytes_.begin() + address + length);
    return true;
}

bool FlashModel::Load(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in)
        return false;
    std::vector<uint8_t> bytes((std::istreambuf_iterator<char>(in)), {});
    if (bytes.size() != kSpace)
        return false;
    bytes_ = std::move(bytes);
    return true;
}

bool FlashModel::Save(const std::string& path) const {
    const std::string temporary = path + ".tmp";
    {
        std::ofstream out(temporary, std::ios::binary | std::ios::trunc);
        out.write(reinterpret_cast<const char*>(bytes_.data()), std::streamsize(bytes_.size()));
        if (!out.flush())
            return false;
    }
    return std::rename(temporary.c_str(), path.c_str()) == 0;
}
