#include "tests/platform/devices/RecordedDevices.h"

#include <cstdlib>
#include <cstring>
#include <filesystem>
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

void RecordedDevices::Add(const std::string& recording) {
    GError* error = nullptr;
    if (!umockdev_testbed_add_from_string(testbed_, recording.c_str(), &error)) {
        ADD_FAILURE() << (error ? error->message : "not added") << "\n" << recording;
        g_clear_error(&error);
    }
}

void RecordedDevices::Remove(const std::string& sysPath) {
    // Announced while it is still there: the testbed sends events of present devices only.
    Uevent(sysPath, "remove");
    const std::string path = "/sys" + sysPath;
    umockdev_testbed_remove_device(testbed_, path.c_str());
}

void RecordedDevices::Uevent(const std::string& sysPath, const std::string& action) {
    const std::string path = "/sys" + sysPath;
    umockdev_testbed_uevent(testbed_, path.c_str(), action.c_str());
}

void RecordedDevices::MakeSerialLinksRelative() {
    namespace fs = std::filesystem;
    gchar* root = umockdev_testbed_get_root_dir(testbed_); // the caller's to free
    const fs::path dev = fs::path(root) / "dev";
    g_free(root);
    for (const char* folder : {"serial/by-id", "serial/by-path"}) {
        std::error_code error;
        for (const auto& link : fs::directory_iterator(dev / folder, error)) {
            std::error_code linkError;
            const fs::path target = fs::read_symlink(link.path(), linkError);
            if (linkError || target.is_relative())
                continue;
            fs::remove(link.path());
            fs::create_symlink(fs::path("../..") / target.lexically_relative(dev), link.path());
        }
    }
}
