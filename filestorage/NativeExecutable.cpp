#include "filestorage/NativeExecutable.h"

#include <cstring>

bool IsNativeExecutable(const void* Contents, size_t Size) {
    const auto* bytes = static_cast<const char*>(Contents);
    return (Size >= 4 && std::memcmp(bytes,
                                     "\x7F"
                                     "ELF",
                                     4) == 0) ||
           (Size >= 2 && std::memcmp(bytes, "#!", 2) == 0);
}

bool MarkExecutableIfNative(TReplacingFileStream& File, const void* Contents, size_t Size) {
    return !IsNativeExecutable(Contents, Size) || File.AddExecutePermission();
}
