// The registry store on a wide hive (40,000 values in one key, about 1 MB) and on a deep one
// (512 nested levels, the most a hive may have): parsing and formatting the hive text, and one
// value written through the registry functions (reload under the lock, save, fsync). The
// work must grow with the file, not with the depth of its keys or the number of values.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

#include "platform/win32/RegFile.h"
#include "platform/win32/Registry.h"

namespace {
constexpr const char* root = "HKEY_CURRENT_USER";

std::string WideHiveText() {
    std::string text =
        "Windows Registry Editor Version 5.00\n\n[HKEY_CURRENT_USER\\Software\\Wide]\n";
    char line[64];
    for (int i = 0; i < 40000; ++i) {
        std::snprintf(line, sizeof line, "\"v%05d\"=\"0123456789abcd\"\n", i);
        text += line;
    }
    return text;
}

// Every level listed, as a saved hive lists it: the file grows with the square of the depth.
std::string DeepHiveText() {
    std::string text = "Windows Registry Editor Version 5.00\n";
    std::string path = root;
    for (int level = 0; level < 512; ++level) {
        path += "\\k";
        text += "\n[" + path + "]\n";
    }
    return text + "\"Leaf\"=dword:00000001\n";
}

// The deepest key's path below the root.
std::string DeepKeyPath() {
    std::string path = "k";
    for (int level = 1; level < 512; ++level)
        path += "\\k";
    return path;
}

RegistryHive Parsed(const std::string& text) {
    RegistryHive hive;
    AnsiString error;
    if (!ParseRegFile(text, root, hive, error))
        std::fprintf(stderr, "bench_registry: the hive does not parse: %s\n", error.c_str());
    return hive;
}

void Load(benchmark::State& state, const std::string& text) {
    for (auto _ : state)
        benchmark::DoNotOptimize(Parsed(text));
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * text.size()));
}

void Save(benchmark::State& state, const std::string& text) {
    const RegistryHive hive = Parsed(text);
    for (auto _ : state)
        benchmark::DoNotOptimize(FormatRegFile(hive, root));
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * text.size()));
}

// A fresh VOKA_HOME holding the hive as user.reg; removed at the end.
class HomeWithHive {
public:
    explicit HomeWithHive(const std::string& text) {
        char folder[] = "/tmp/bench_registry.XXXXXX";
        if (!mkdtemp(folder))
            std::abort();
        home_ = folder;
        setenv("VOKA_HOME", home_.c_str(), 1);
        std::ofstream(home_ / "user.reg", std::ios::binary) << text;
    }
    ~HomeWithHive() { std::filesystem::remove_all(home_); }

private:
    std::filesystem::path home_;
};

// One changed value written to the hive's file through the registry functions.
void SetValue(benchmark::State& state, const std::string& text, const char* keyPath) {
    HomeWithHive home(text);
    HKEY key = nullptr;
    if (RegOpenKeyExA(HKEY_CURRENT_USER, keyPath, 0, KEY_ALL_ACCESS, &key) != ERROR_SUCCESS) {
        state.SkipWithError("the key is missing");
        return;
    }
    DWORD value = 0;
    for (auto _ : state) {
        ++value;
        RegSetValueExA(key, "Changed", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&value), 4);
    }
    RegCloseKey(key);
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * text.size()));
}

void LoadWideHive(benchmark::State& state) {
    Load(state, WideHiveText());
}
void SaveWideHive(benchmark::State& state) {
    Save(state, WideHiveText());
}
void SetValueInWideHive(benchmark::State& state) {
    SetValue(state, WideHiveText(), "Software\\Wide");
}
void LoadDeepHive(benchmark::State& state) {
    Load(state, DeepHiveText());
}
void SaveDeepHive(benchmark::State& state) {
    Save(state, DeepHiveText());
}
void SetValueInDeepHive(benchmark::State& state) {
    SetValue(state, DeepHiveText(), DeepKeyPath().c_str());
}
} // namespace

BENCHMARK(LoadWideHive)->Unit(benchmark::kMillisecond);
BENCHMARK(SaveWideHive)->Unit(benchmark::kMillisecond);
BENCHMARK(SetValueInWideHive)->Unit(benchmark::kMillisecond);
BENCHMARK(LoadDeepHive)->Unit(benchmark::kMillisecond);
BENCHMARK(SaveDeepHive)->Unit(benchmark::kMillisecond);
BENCHMARK(SetValueInDeepHive)->Unit(benchmark::kMillisecond);
BENCHMARK_MAIN();
