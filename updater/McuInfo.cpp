#include "updater/McuInfo.h"

#include <bit>

uint32_t McuInfo::FlashBytes() const {
    uint32_t total = 0;
    for (const auto& range : ranges)
        total += uint32_t(range.last) - range.first + 1;
    return total;
}

bool McuInfo::Valid() const {
    if (version != 1 || ranges.empty() || ranges.size() > 8)
        return false;
    if (eraseSize == 0 || !std::has_single_bit(eraseSize))
        return false;
    if (writeSize < 8 || writeSize > 128 || !std::has_single_bit(writeSize))
        return false;
    for (const auto& range : ranges) {
        if (range.first > range.last || range.first % eraseSize != 0 ||
            (uint32_t(range.last) + 1) % eraseSize != 0)
            return false;
    }
    return true;
}
