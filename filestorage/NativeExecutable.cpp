#include "filestorage/NativeExecutable.h"

#include <cstring>
#include <sys/stat.h>

bool IsNativeExecutable(const void* Contents, size_t Size) {
    const auto* bytes = static_cast<const char*>(Contents);
    return (Size >= 4 && std::memcmp(bytes,
                                     "\x7F"
                                     "ELF",
                                     4) == 0) ||
           (Size >= 2 && std::memcmp(bytes, "#!", 2) == 0);
}

bool MarkExecutableIfNative(const AnsiString& FileName, const void* Contents, size_t Size) {
    if (!IsNativeExecutable(Contents, Size))
        return true;
    struct stat status {};
    if (stat(FileName.c_str(), &status) != 0)
        return false;
    // Execute for whoever may read it: r-- becomes r-x.
    const mode_t execute = (status.st_mode & (S_IRUSR | S_IRGRP | S_IROTH)) >> 2;
    return chmod(FileName.c_str(), (status.st_mode & 07777) | execute) == 0;
}
