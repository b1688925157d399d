// Runs a fuzz target's entry point over saved inputs, without the fuzzing engine, so that
// every build (gcc included) checks the corpus: each argument is a file or a folder of files.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size);
extern "C" __attribute__((weak)) int LLVMFuzzerInitialize(int* argc, char*** argv);

namespace {
std::vector<uint8_t> ReadWhole(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

void Replay(const std::filesystem::path& path) {
    const std::vector<uint8_t> input = ReadWhole(path);
    // An empty vector has no data pointer; the engine never passes null either.
    static const uint8_t empty = 0;
    LLVMFuzzerTestOneInput(input.empty() ? &empty : input.data(), input.size());
}
} // namespace

int main(int argc, char** argv) {
    if (LLVMFuzzerInitialize)
        LLVMFuzzerInitialize(&argc, &argv);
    size_t inputs = 0;
    for (int i = 1; i < argc; ++i) {
        const std::filesystem::path argument(argv[i]);
        std::vector<std::filesystem::path> files;
        if (std::filesystem::is_directory(argument)) {
            for (const auto& entry : std::filesystem::directory_iterator(argument))
                if (entry.is_regular_file())
                    files.push_back(entry.path());
        } else {
            files.push_back(argument);
        }
        std::sort(files.begin(), files.end());
        for (const auto& file : files) {
            Replay(file);
            ++inputs;
        }
    }
    if (inputs == 0) {
        std::fprintf(stderr, "replay: no inputs\n");
        return 1;
    }
    std::printf("replay: %zu inputs ran clean\n", inputs);
    return 0;
}
