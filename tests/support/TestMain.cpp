// Every test process runs with its own temporary home, so no test touches the
// user's real folders, registry files or port numbers. VOKA_BIN names the build's
// program folder (tests live in <build>/tests, programs in <build>/bin), and Qt
// draws offscreen. Then the test program starts its platform (TestPlatform.h).
#include <gmock/gmock.h>

#include <cstdlib>
#include <filesystem>
#include <string>

#include "tests/support/TestPlatform.h"

namespace {
class TemporaryHome : public ::testing::Environment {
public:
    void SetUp() override {
        std::string pattern =
            (std::filesystem::temp_directory_path() / "voka-home-XXXXXX").string();
        if (!mkdtemp(pattern.data()))
            std::abort();
        home_ = pattern;
        setenv("VOKA_HOME", (home_ / "voka").c_str(), 1);
        setenv("HOME", home_.c_str(), 1);
        setenv("XDG_CONFIG_HOME", (home_ / ".config").c_str(), 1);
        setenv("XDG_DATA_HOME", (home_ / ".local/share").c_str(), 1);
        setenv("XDG_RUNTIME_DIR", home_.c_str(), 1);
    }
    void TearDown() override {
        std::error_code ignored;
        std::filesystem::remove_all(home_, ignored);
    }

private:
    std::filesystem::path home_;
};

void SetBuildEnvironment() {
    std::error_code error;
    auto self = std::filesystem::read_symlink("/proc/self/exe", error);
    if (!error)
        setenv("VOKA_BIN", (self.parent_path().parent_path() / "bin").c_str(), 1);
    setenv("QT_QPA_PLATFORM", "offscreen", 0);
}
} // namespace

int main(int argc, char** argv) {
    SetBuildEnvironment();
    StartTestPlatform();
    ::testing::InitGoogleMock(&argc, argv);
    ::testing::AddGlobalTestEnvironment(new TemporaryHome);
    return RUN_ALL_TESTS();
}
