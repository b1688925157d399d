#include "tests/platform/devices/RecordedDevices.h"

#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iterator>
#include <unistd.h>

namespace {
constexpr const char* PRELOAD = "libumockdev-preload.so.0";

// Runs before main (glibc hands constructors the program's arguments): starts the program
// again with umockdev's preload, and with ASan told the preload may come first.
[[gnu::constructor]] void RunUnderUmockdev(int, char** argv, char**) {
    const char* preload = std::getenv("LD_PRELOAD");
    if (preload && std::strstr(preload, PRELOAD))
        return;
    std::string libraries = PRELOAD;
    if (preload && *preload)
        libraries += std::string(":") + preload;
    setenv("LD_PRELOAD", libraries.c_str(), 1);
    const char* asan = std::getenv("ASAN_OPTIONS");
    std::string options = asan && *asan ? std::string(asan) + ":" : std::string();
    setenv("ASAN_OPTIONS", (options + "verify_asan_link_order=0").c_str(), 1);
    execv("/proc/self/exe", argv);
    std::perror("cannot run the tests under umockdev's preload");
    std::_Exit(127);
}
} // namespace

std::string RecordedDevices::Attribute(const std::string& devicePath,
                                       const std::string& name) const {
    gchar* sys = umockdev_testbed_get_sys_dir(testbed_); // the caller's to free
    std::ifstream file(std::string(sys) + devicePath + "/" + name);
    g_free(sys);
    return std::string(std::istreambuf_iterator<char>(file), {});
}
