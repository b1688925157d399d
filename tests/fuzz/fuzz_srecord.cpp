// Arbitrary bytes as a firmware file: every line is loaded, skipped or reported at its own
// number, and what was loaded reads back the same once written out again as records.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <sstream>
#include <string>

#include "tools/lumivox-sim/FirmwareImage.h"
#include "updater/SRecordReader.h"

namespace {
// The defined bytes as S1 records of at most 32 bytes each.
std::string AsRecords(const FirmwareImage& image) {
    std::string records;
    for (uint32_t address = 0; address < FirmwareImage::kSpace;) {
        if (!image.defined[address]) {
            ++address;
            continue;
        }
        std::string data;
        const uint32_t first = address;
        while (address < FirmwareImage::kSpace && image.defined[address] && data.size() < 32)
            data.push_back(char(image.bytes[address++]));
        records += SRecordLine('1', first, data) + "\n";
    }
    return records;
}
} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string text(reinterpret_cast<const char*>(data), size);
    std::istringstream in(text);
    FirmwareImage image;
    const SRecordResult result = ReadSRecords(in, image, [](const std::string& note) {
        if (note.rfind("Skipping S", 0) != 0 || note.back() != '\n')
            __builtin_trap();
    });
    const long long lines = std::count(text.begin(), text.end(), '\n') + 1;
    // A string never fails to read; a failure names a line of the text.
    if (result.error == SRecordError::CannotOpen || result.line < 0 || result.line > lines)
        __builtin_trap();
    if (bool(result) != result.Message("f.s19").empty() || (!result && result.line == 0))
        __builtin_trap();

    std::istringstream again(AsRecords(image));
    FirmwareImage copy;
    if (!ReadSRecords(again, copy, nullptr) || copy.bytes != image.bytes ||
        copy.defined != image.defined)
        __builtin_trap();
    return 0;
}
