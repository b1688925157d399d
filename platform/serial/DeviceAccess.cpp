#include "platform/serial/DeviceAccess.h"

#include <cerrno>
#include <grp.h>
#include <sys/stat.h>
#include <unistd.h>

#include "platform/serial/SerialPlatform.h"

std::optional<DeniedDevice> DeniedPortDevice(const AnsiString& portName) {
    const AnsiString node = ResolvePortName(portName);
    struct stat status {};
    if (node.empty() || node[0] != '/' || ::stat(node.c_str(), &status) != 0)
        return std::nullopt;
    // The effective user is the one that opens; eaccess is glibc's name for that test.
    if (::eaccess(node.c_str(), R_OK | W_OK) == 0 || errno != EACCES)
        return std::nullopt;
    DeniedDevice denied{node, std::to_string(status.st_gid)};
    if (const group* entry = ::getgrgid(status.st_gid))
        denied.group = entry->gr_name;
    return denied;
}
