#include "updater/SRecordReader.h"

#include <cstdio>

#include "updater/FirmwareFile.h"

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

// "S", the type, the count and its 255 counted bytes.
constexpr size_t kLongestRecord = 4 + 2 * 255;

void TrimLineEnd(std::string& line) {
    while (!line.empty() && (line.back() == '\r' || line.back() == ' ' || line.back() == '\t'))
        line.pop_back();
}

enum class LineRead { Line, TooLong, End, Failed };

// The next line without its line end and trailing blanks. A line is given up as soon as
// it is longer than any record, so nothing grows with what the file holds.
LineRead NextLine(std::istream& in, std::string& line) {
    line.clear();
    bool any = false;
    char c = 0;
    while (in.get(c)) {
        any = true;
        if (c == '\n')
            return LineRead::Line;
        line.push_back(c);
        if (line.size() > kLongestRecord) {
            TrimLineEnd(line);
            if (line.size() > kLongestRecord)
                return LineRead::TooLong;
        }
    }
    if (in.bad())
        return LineRead::Failed;
    return any ? LineRead::Line : LineRead::End;
}

std::string LineMessage(const char* format, long long line) {
    char buffer[128];
    std::snprintf(buffer, sizeof buffer, format, line);
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
        return "Can't open input file " + fileName + "\n";
    case SRecordError::Parse:
        return LineMessage("S-record parse error at line %lld\n", line);
    case SRecordError::Checksum:
        return LineMessage("S-record checksum error at line %lld\n", line);
    case SRecordError::DataParse:
        return LineMessage("S-record data parse error at line %lld\n", line);
    case SRecordError::AddressOutOfRange:
        return LineMessage("Address out of range at line %lld\n", line);
    }
    return {};
}

SRecordResult ReadSRecords(std::istream& in, FirmwareImage& image,
                           const std::function<void(const std::string&)>& note) {
    std::string line;
    for (long long number = 1;; ++number) {
        switch (NextLine(in, line)) {
        case LineRead::Line:
            break;
        case LineRead::TooLong:
            return {SRecordError::Parse, number};
        case LineRead::End:
            return {};
        case LineRead::Failed:
            return {SRecordError::CannotOpen, 0};
        }
        TrimLineEnd(line);
        switch (KindOf(line)) {
        case LineKind::Ignored:
            continue;
        case LineKind::End:
            return {};
        case LineKind::Unknown:
            // Built as a string: the type may be any byte, a zero byte included.
            if (note)
                note("Skipping S" + std::string(1, line[1]) + " record at line " +
                     std::to_string(number) + "\n");
            continue;
        case LineKind::Data:
            if (const SRecordError error = LoadDataRecord(line, image); error != SRecordError::None)
                return {error, number};
        }
    }
}

SRecordResult LoadSRecordFile(const std::string& path, FirmwareImage& image,
                              const std::function<void(const std::string&)>& note) {
    FirmwareFile file(path);
    if (!file.IsOpen())
        return {SRecordError::CannotOpen, 0};
    return ReadSRecords(file.Stream(), image, note);
}
