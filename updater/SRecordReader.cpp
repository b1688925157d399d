#include "updater/SRecordReader.h"

#include <cstdio>
#include <fstream>

namespace {
int HexDigit(char c) {
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    return -1;
}

// The byte written as two hex digits at text[at], or -1.
int HexByte(const std::string& text, size_t at) {
    if (at + 1 >= text.size())
        return -1;
    const int high = HexDigit(text[at]);
    const int low = HexDigit(text[at + 1]);
    return high < 0 || low < 0 ? -1 : high * 16 + low;
}

std::string Printf(const char* format, const char* text, int number) {
    char buffer[512];
    if (text)
        std::snprintf(buffer, sizeof buffer, format, text);
    else
        std::snprintf(buffer, sizeof buffer, format, number);
    return buffer;
}

enum class LineKind { Ignored, Data, End, Unknown };

LineKind KindOf(const std::string& line) {
    if (line.empty() || line[0] != 'S')
        return LineKind::Ignored;
    if (line.size() < 2)
        return LineKind::Data; // a bare "S" fails as a malformed record
    switch (line[1]) {
    case '0':
        return LineKind::Ignored;
    case '1':
    case '2':
    case '3':
        return LineKind::Data;
    case '7':
    case '8':
    case '9':
        return LineKind::End;
    default:
        return LineKind::Unknown;
    }
}

SRecordError LoadDataRecord(const std::string& line, FirmwareImage& image) {
    if (line.size() < 4)
        return SRecordError::Parse;
    const int addressBytes = line[1] - '0' + 1; // S1: 2, S2: 3, S3: 4
    const int count = HexByte(line, 2);
    if (count < addressBytes + 1)
        return SRecordError::Parse;
    if (line.size() != 4 + 2 * size_t(count))
        return SRecordError::DataParse;
    unsigned sum = unsigned(count);
    std::vector<uint8_t> fields;
    for (int i = 0; i < count; ++i) {
        const int byte = HexByte(line, 4 + 2 * size_t(i));
        if (byte < 0)
            return SRecordError::DataParse;
        fields.push_back(uint8_t(byte));
        sum += unsigned(byte);
    }
    if ((sum & 0xFF) != 0xFF)
        return SRecordError::Checksum;
    uint32_t address = 0;
    for (int i = 0; i < addressBytes; ++i)
        address = address << 8 | fields[size_t(i)];
    const size_t dataLength = size_t(count - addressBytes - 1);
    if (uint64_t(address) + dataLength > FirmwareImage::kSpace)
        return SRecordError::AddressOutOfRange;
    for (size_t i = 0; i < dataLength; ++i)
        image.Set(uint32_t(address + i), fields[size_t(addressBytes) + i]);
    return SRecordError::None;
}
} // namespace

std::string SRecordResult::Message(const std::string& fileName) const {
    switch (error) {
    case SRecordError::None:
        return {};
    case SRecordError::CannotOpen:
        return Printf("Can't open input file %s\n", fileName.c_str(), 0);
    case SRecordError::Parse:
        return Printf("S-record parse error at line %d\n", nullptr, line);
    case SRecordError::Checksum:
        return Printf("S-record checksum error at line %d\n", nullptr, line);
    case SRecordError::DataParse:
        return Printf("S-record data parse error at line %d\n", nullptr, line);
    case SRecordError::AddressOutOfRange:
        return Printf("Address out of range at line %d\n", nullptr, line);
    }
    return {};
}

SRecordResult ReadSRecords(std::istream& in, FirmwareImage& image,
                           const std::function<void(const std::string&)>& note) {
    std::string line;
    int number = 0;
    while (std::getline(in, line)) {
        ++number;
        while (!line.empty() && (line.back() == '\r' || line.back() == ' ' || line.back() == '\t'))
            line.pop_back();
        switch (KindOf(line)) {
        case LineKind::Ignored:
            continue;
        case LineKind::End:
            return {};
        case LineKind::Unknown: {
            char text[64];
            std::snprintf(text, sizeof text, "Skipping S%c record at line %d\n", line[1], number);
            if (note)
                note(text);
            continue;
        }
        case LineKind::Data:
            if (const SRecordError error = LoadDataRecord(line, image); error != SRecordError::None)
                return {error, number};
        }
    }
    return {};
}

SRecordResult LoadSRecordFile(const std::string& path, FirmwareImage& image,
                              const std::function<void(const std::string&)>& note) {
    std::ifstream in(path, std::ios::binary);
    if (!in)
        return {SRecordError::CannotOpen, 0};
    return ReadSRecords(in, image, note);
}
