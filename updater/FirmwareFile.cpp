#include "updater/FirmwareFile.h"

#include <cerrno>
#include <fcntl.h>
#include <ios>
#include <sys/stat.h>
#include <unistd.h>

namespace {
bool IsRegular(const struct stat& info) {
    return S_ISREG(info.st_mode);
}
} // namespace

FirmwareFile::FirmwareFile(const std::string& path) {
    // Looked at first, so that a device or a FIFO is not even opened.
    struct stat info {};
    if (::stat(path.c_str(), &info) != 0 || !IsRegular(info))
        return;
    const int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
    if (fd < 0)
        return;
    // The name may have been given to something else in between.
    if (::fstat(fd, &info) != 0 || !IsRegular(info)) {
        ::close(fd);
        return;
    }
    buffer_.fd = fd;
}

FirmwareFile::~FirmwareFile() {
    if (buffer_.fd >= 0)
        ::close(buffer_.fd);
}

FirmwareFile::ReadBuffer::int_type FirmwareFile::ReadBuffer::underflow() {
    for (;;) {
        const ssize_t count = ::read(fd, bytes, sizeof bytes);
        if (count > 0) {
            setg(bytes, bytes, bytes + count);
            return traits_type::to_int_type(bytes[0]);
        }
        if (count == 0)
            return traits_type::eof();
        if (errno != EINTR)
            // The stream catches this and turns bad, as it does for its own file buffers.
            throw std::ios_base::failure("cannot read the firmware file");
    }
}
