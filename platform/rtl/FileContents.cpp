// Whole files read into memory, with a size limit checked before reading.
#include <cerrno>
#include <sys/stat.h>
#include <unistd.h>

#include "platform/rtl/FileUtils.h"
#include "platform/rtl/Streams.h"

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

AnsiString ReadFileContents(const AnsiString& fileName, uint64_t sizeLimit) {
    TFileStream file(fileName, fmOpenRead | fmShareDenyWrite);
    auto tooLarge = [&](const AnsiString& size) {
        return EInOutError(Format("Cannot read file \"%s\". %s; files of %s and more are not "
                                  "supported",
                                  fileName, size, SizeText(sizeLimit)),
                           EFBIG);
    };
    // Moves what the next read gives, 0 at the end.
    auto readSome = [&](char* into, size_t count) {
        ssize_t n;
        do {
            n = ::read(file.Handle(), into, count);
        } while (n < 0 && errno == EINTR);
        if (n < 0)
            throw EInOutError(
                Format("Cannot read file \"%s\". %s", fileName, SysErrorMessage(errno)), errno);
        return static_cast<size_t>(n);
    };

    struct stat info {};
    const bool regular = ::fstat(file.Handle(), &info) == 0 && S_ISREG(info.st_mode);
    const auto expected = regular ? static_cast<uint64_t>(info.st_size) : 0;
    if (expected >= sizeLimit)
        throw tooLarge(Format("It holds %d bytes", static_cast<int64_t>(expected)));
    AnsiString bytes(static_cast<size_t>(expected), '\0');
    size_t done = 0;
    while (done < bytes.size()) {
        const size_t n = readSome(bytes.data() + done, bytes.size() - done);
        if (n == 0) { // it shrank while we read
            bytes.resize(done);
            return bytes;
        }
        done += n;
    }
    // Past the size it had (a pipe, a device, a file that grows): piece by piece to the end.
    char piece[1 << 16];
    while (const size_t n = readSome(piece, sizeof piece)) {
        if (bytes.size() + n >= sizeLimit)
            throw tooLarge(Format("It holds %s or more", SizeText(sizeLimit)));
        bytes.append(piece, n);
    }
    return bytes;
}
