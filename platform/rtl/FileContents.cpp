// Whole files read, with a size limit checked before reading.
#include <cerrno>
#include <sys/stat.h>
#include <unistd.h>

#include "platform/rtl/FileUtils.h"

namespace {
// "4 GiB", "64 MiB" or "1000 bytes".
AnsiString SizeText(uint64_t bytes) {
    if (bytes != 0 && bytes % (1ull << 30) == 0)
        return Format("%d GiB", static_cast<int64_t>(bytes >> 30));
    if (bytes != 0 && bytes % (1ull << 20) == 0)
        return Format("%d MiB", static_cast<int64_t>(bytes >> 20));
    return Format("%d bytes", static_cast<int64_t>(bytes));
}
} // namespace

TFileReader::TFileReader(const AnsiString& fileName, uint64_t sizeLimit)
    : file_(fileName, fmOpenRead | fmShareDenyWrite), sizeLimit_(sizeLimit) {
    struct stat info {};
    const bool regular = ::fstat(file_.Handle(), &info) == 0 && S_ISREG(info.st_mode);
    size_ = regular ? static_cast<uint64_t>(info.st_size) : 0;
    if (size_ >= sizeLimit)
        throw TooLarge(Format("It holds %d bytes", static_cast<int64_t>(size_)));
}

EInOutError TFileReader::TooLarge(const AnsiString& size) const {
    return EInOutError(Format("Cannot read file \"%s\". %s; files of %s and more are not "
                              "supported",
                              file_.FileName(), size, SizeText(sizeLimit_)),
                       EFBIG);
}

size_t TFileReader::ReadSome(char* into, size_t count) {
    ssize_t n;
    do {
        n = ::read(file_.Handle(), into, count);
    } while (n < 0 && errno == EINTR);
    if (n < 0)
        throw EInOutError(
            Format("Cannot read file \"%s\". %s", file_.FileName(), SysErrorMessage(errno)), errno);
    return static_cast<size_t>(n);
}

size_t TFileReader::ReadFull(char* into, size_t count) {
    size_t done = 0;
    while (done < count)
        if (const size_t n = ReadSome(into + done, count - done))
            done += n;
        else
            break;
    return done;
}

AnsiString TFileReader::ReadAll() {
    AnsiString bytes(static_cast<size_t>(size_), '\0');
    const size_t done = ReadFull(bytes.data(), bytes.size());
    if (done < bytes.size()) { // it shrank while we read
        bytes.resize(done);
        return bytes;
    }
    // Past the size it had (a pipe, a device, a file that grows): piece by piece to the end.
    char piece[1 << 16];
    while (const size_t n = ReadSome(piece, sizeof piece)) {
        if (bytes.size() + n >= sizeLimit_)
            throw TooLarge(Format("It holds %s or more", SizeText(sizeLimit_)));
        bytes.append(piece, n);
    }
    return bytes;
}

AnsiString ReadFileContents(const AnsiString& fileName, uint64_t sizeLimit) {
    return TFileReader(fileName, sizeLimit).ReadAll();
}
