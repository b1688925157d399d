// Arbitrary bytes as packed strings and as bare chunk sequences: damage must be
// reported, never read or written out of bounds.
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "filestorage/Fssfpack.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    try {
        const std::string unpacked =
            SFUnpackStr(std::string(reinterpret_cast<const char*>(data), size));
        if (SFPackStr(unpacked).size() > SFMaxPackedSz(static_cast<uint32_t>(unpacked.size())))
            __builtin_trap();
    } catch (const EPackedDataError&) {
    }
    // The chunks alone, into a target whose size the first two bytes choose: the
    // buffer is exactly that large, so any stray write is caught.
    if (size >= 2) {
        std::vector<uint8_t> target(static_cast<size_t>(data[0] | (data[1] << 8)));
        try {
            if (SFUnpack(data + 2, target.data(), static_cast<uint32_t>(size - 2),
                         static_cast<uint32_t>(target.size())) > target.size())
                __builtin_trap();
        } catch (const EPackedDataError&) {
        }
    }
    return 0;
}
