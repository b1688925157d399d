#pragma once
// The firmware file as a stream: only a regular file is opened, and opening never waits
// (a FIFO has no writer to wait for here). A failed read turns the stream bad, so that it
// is never taken for the end of the file.
#include <istream>
#include <streambuf>
#include <string>

class FirmwareFile {
public:
    explicit FirmwareFile(const std::string& path);
    ~FirmwareFile();
    FirmwareFile(const FirmwareFile&) = delete;
    FirmwareFile& operator=(const FirmwareFile&) = delete;

    // False when the path is missing, unreadable or not a regular file.
    bool IsOpen() const { return buffer_.fd >= 0; }
    std::istream& Stream() { return stream_; }

private:
    struct ReadBuffer : std::streambuf {
        int fd = -1;
        char bytes[4096];
        int_type underflow() override;
    };
    ReadBuffer buffer_;
    std::istream stream_{&buffer_};
};
