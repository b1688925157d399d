// Arbitrary bytes as a file whose version resource is asked for: headers and sections that
// lie about their places and sizes must give no resource, never a read out of bounds.
#include <cstddef>
#include <cstdint>
#include <string>
#include <sys/mman.h>
#include <unistd.h>
#include <vector>

#include "platform/win32/Version.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const int fd = memfd_create("version", 0);
    if (fd < 0)
        return 0;
    if (write(fd, data, size) == static_cast<ssize_t>(size)) {
        const std::string name = "/proc/self/fd/" + std::to_string(fd);
        DWORD handle = 0;
        const DWORD length = GetFileVersionInfoSizeA(name.c_str(), &handle);
        if (length > 0) {
            std::vector<uint8_t> block(length);
            if (!GetFileVersionInfoA(name.c_str(), handle, length, block.data()))
                __builtin_trap();
            LPVOID fixed = nullptr;
            UINT fixedLength = 0;
            if (VerQueryValueA(block.data(), "\\", &fixed, &fixedLength) &&
                (fixedLength != sizeof(VS_FIXEDFILEINFO) ||
                 static_cast<uint8_t*>(fixed) + fixedLength > block.data() + block.size()))
                __builtin_trap();
        }
    }
    close(fd);
    return 0;
}
