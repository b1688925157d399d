#pragma once
// Firmware images in S-record form, loaded into the 64 KiB address space of the unit.
#include <cstdint>
#include <functional>
#include <istream>
#include <string>
#include <vector>

struct FirmwareImage {
    static constexpr uint32_t kSpace = 0x10000;
    std::vector<uint8_t> bytes = std::vector<uint8_t>(kSpace, 0xFF);
    std::vector<bool> defined = std::vector<bool>(kSpace, false);

    void Set(uint32_t address, uint8_t value) {
        bytes[address] = value;
        defined[address] = true;
    }
};

enum class SRecordError { None, CannotOpen, Parse, Checksum, DataParse, AddressOutOfRange };

struct SRecordResult {
    SRecordError error = SRecordError::None;
    long long line = 0; // counted from 1
    explicit operator bool() const { return error == SRecordError::None; }
    // The updater's text for the failure ("S-record checksum error at line 7\n").
    std::string Message(const std::string& fileName) const;
};

// Reads records until an S7, S8 or S9 record or the end of the input. Lines that do not
// begin with 'S' and S0 records are ignored; record types the reader does not know are
// skipped, each with a note "Skipping S%c record at line %d\n". A line longer than any
// record is a parse error; a read error (the stream turned bad) is CannotOpen.
SRecordResult ReadSRecords(std::istream& in, FirmwareImage& image,
                           const std::function<void(const std::string&)>& note);
// The file at path, which must be a regular file.
SRecordResult LoadSRecordFile(const std::string& path, FirmwareImage& image,
                              const std::function<void(const std::string&)>& note);
