#include "tools/lumivox-sim/UnitEngine.h"

#include <cstdio>

std::string HexBytes(std::string_view bytes, size_t limit) {
    std::string text;
    for (size_t i = 0; i < bytes.size() && i < limit; ++i) {
        char item[8];
        std::snprintf(item, sizeof item, "%s0x%02X", i ? " " : "",
                      static_cast<unsigned>(static_cast<uint8_t>(bytes[i])));
        text += item;
    }
    if (bytes.size() > limit)
        text += " ...";
    return text;
}
