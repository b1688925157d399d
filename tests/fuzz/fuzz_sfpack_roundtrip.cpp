// Whatever is packed unpacks to itself, and packing never writes past its target.
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <memory>
#include <string>

#include "filestorage/Fssfpack.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string input(reinterpret_cast<const char*>(data), size);
    const std::string packed = SFPackStr(input);
    if (SFUnpackStr(packed) != input)
        __builtin_trap();

    // A target of exactly the traditional bound: either the same block or a clean 0.
    const auto length = static_cast<uint32_t>(size);
    const size_t bound = SFCalcTargetSz(length);
    auto target = std::make_unique<uint8_t[]>(bound);
    const uint32_t written = SFPack(data, target.get(), length);
    if (written != 0 &&
        (written != packed.size() || std::memcmp(target.get(), packed.data(), written) != 0))
        __builtin_trap();
    if (written == 0 && packed.size() <= bound)
        __builtin_trap();
    return 0;
}
