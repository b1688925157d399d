// Arbitrary "StoredData" streams: read every record the stream announces, then write
// the result and read it back unchanged.
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "filestorage/Fssfpack.h"
#include "filestorage/StoredDataFormat.h"

namespace {

struct Record {
    AnsiString name;
    AnsiString contents;
};

std::vector<Record> ReadAll(TStream* stream) {
    const TStoredDataHeader header = ReadStoredDataHeader(stream);
    std::vector<Record> records;
    for (int32_t i = 0; i < header.Count; ++i) {
        Record record;
        TMemoryStream contents;
        ReadStoredRecord(stream, header.Compressed, record.name, &contents);
        record.contents.assign(static_cast<const char*>(contents.Memory()), contents.Size());
        records.push_back(std::move(record));
    }
    return records;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::vector<Record> records;
    try {
        TStringStream input(std::string(reinterpret_cast<const char*>(data), size));
        records = ReadAll(&input);
    } catch (const EReadError&) {
        return 0;
    }
    TMemoryStream output;
    WriteStoredDataHeader(&output, static_cast<int32_t>(records.size()));
    for (Record& record : records) {
        TStringStream contents(record.contents);
        WriteStoredRecord(&output, record.name, &contents);
    }
    output.SetPosition(0);
    const std::vector<Record> again = ReadAll(&output);
    if (again.size() != records.size())
        __builtin_trap();
    for (size_t i = 0; i < again.size(); ++i)
        if (again[i].name != records[i].name || again[i].contents != records[i].contents)
            __builtin_trap();
    return 0;
}
