// Arbitrary bytes as a firmware file: every line is loaded, skipped or reported at its own
// number, and what was loaded reads back the same once written out again as records.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <sstream>
#include <string>

#include "tools/lumivox-sim/FirmwareImage.h"
#include "updater/SRecordReader.h"

namespace {
// The text read onto a background of 0xFF and onto one of 0x00: a byte is defined where the
// two agree. Comparing whole chunks keeps an input from costing a walk over all addresses.
struct TwoReadings {
    FirmwareImage high, low;
    SRecordResult result;
    explicit TwoReadings(const std::string& text) {
        low.bytes.assign(FirmwareImage::kSpace, 0x00);
        std::istringstream first(text), second(text);
        result = ReadSRecords(first, high, [](const std::string& note) {
            if (note.rfind("Skipping S", 0) != 0 || note.back() != '\n')
                __builtin_trap();
        });
        if (ReadSRecords(second, low, nullptr).Message("f") != result.Message("f"))
            __builtin_trap();
    }
    // The defined bytes as S1 records of at most 32 bytes each.
    std::string AsRecords() const {
        static const std::string ff(64, char(0xFF)), zero(64, '\0');
        std::string records, data;
        uint32_t first = 0;
        const auto flush = [&] {
            if (!data.empty())
                records += SRecordLine('1', first, data) + "\n";
            data.clear();
        };
        for (uint32_t chunk = 0; chunk < FirmwareImage::kSpace; chunk += 64) {
            if (!std::memcmp(&high.bytes[chunk], ff.data(), 64) &&
                !std::memcmp(&low.bytes[chunk], zero.data(), 64)) {
                flush();
                continue;
            }
            for (uint32_t a = chunk; a < chunk + 64; ++a) {
                if (high.bytes[a] != low.bytes[a] || data.size() == 32)
                    flush();
                if (high.bytes[a] != low.bytes[a])
                    continue;
                if (data.empty())
                    first = a;
                data.push_back(char(high.bytes[a]));
            }
        }
        flush();
        return records;
    }
};
} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string text(reinterpret_cast<const char*>(data), size);
    const TwoReadings reading(text);
    const SRecordResult& result = reading.result;
    const long long lines = std::count(text.begin(), text.end(), '\n') + 1;
    // A string never fails to read; a failure names a line of the text.
    if (result.error == SRecordError::CannotOpen || result.line < 0 || result.line > lines)
        __builtin_trap();
    if (bool(result) != result.Message("f.s19").empty() || (!result && result.line == 0))
        __builtin_trap();

    const TwoReadings again(reading.AsRecords());
    if (!again.result || again.high.bytes != reading.high.bytes ||
        again.low.bytes != reading.low.bytes)
        __builtin_trap();
    return 0;
}
