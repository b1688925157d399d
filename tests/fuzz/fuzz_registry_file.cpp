// Arbitrary hive files: parse them; a hive that parsed is saved, and the saved text must
// parse again to the same keys and values, down to letter case and value order.
#include <cstddef>
#include <cstdint>
#include <string>

#include "platform/win32/RegFile.h"

namespace {
constexpr const char* root = "HKEY_CURRENT_USER";

// Everything a hive holds, spelled out independently of the file format.
std::string Contents(const RegistryHive& hive) {
    std::string contents;
    hive.ForEachKey([&](const AnsiString& path, const RegKey& key, bool) {
        contents += "key " + std::to_string(path.size()) + ":" + path + "\n";
        for (const RegValue& value : key.values)
            contents += "value " + std::to_string(value.name.size()) + ":" + value.name + " " +
                        std::to_string(value.type) + " " + std::to_string(value.data.size()) + ":" +
                        value.data + "\n";
    });
    return contents;
}
} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    RegistryHive hive;
    AnsiString error;
    if (!ParseRegFile(std::string(reinterpret_cast<const char*>(data), size), root, hive, error))
        return 0;
    const std::string saved = FormatRegFile(hive, root);
    RegistryHive again;
    if (!ParseRegFile(saved, root, again, error))
        __builtin_trap(); // a saved hive that does not load again
    if (Contents(again) != Contents(hive))
        __builtin_trap();
    return 0;
}
