#include "platform/serial/PortDiscovery.h"

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <map>
#include <mutex>
#include <optional>
#include <set>

#include "platform/win32/Registry.h"

namespace fs = std::filesystem;

const char* const STABLE_PORT_NUMBERS_KEY = "Software\\VOKA\\Ports";

namespace {
constexpr int FIRST_ADAPTER_NUMBER = 3;
constexpr const char* ADAPTER_PREFIXES[] = {"ttyUSB", "ttyACM", "ttyAMA", "rfcomm", "ttyXRUSB",
                                            "ttyGS",  "ttymxc", "ttySC",  "ttyTHS", "ttyO"};

std::mutex rootsMutex;
DiscoveryRoots& Roots() {
    static auto* roots = new DiscoveryRoots;
    return *roots;
}

// The number after prefix when name is prefix followed by decimal digits only.
std::optional<int> NumberAfter(const std::string& name, const std::string& prefix) {
    if (name.size() <= prefix.size() || name.compare(0, prefix.size(), prefix) != 0)
        return std::nullopt;
    const std::string digits = name.substr(prefix.size());
    if (digits.size() > 6 || !std::all_of(digits.begin(), digits.end(), ::isdigit))
        return std::nullopt;
    return std::stoi(digits);
}

bool IsRealUart(const fs::path& ttyFolder) {
    std::ifstream type(ttyFolder / "type");
    int value = 0;
    return type >> value && value != 0;
}

bool IsAdapter(const std::string& node) {
    return std::any_of(std::begin(ADAPTER_PREFIXES), std::end(ADAPTER_PREFIXES),
                       [&](const char* prefix) { return NumberAfter(node, prefix).has_value(); });
}

// The name under which the adapter keeps its number: by-id, else by-path, else the node.
AnsiString StableKey(const fs::path& dev, const std::string& node) {
    for (const char* folder : {"by-id", "by-path"}) {
        std::error_code error;
        for (const auto& link : fs::directory_iterator(dev / "serial" / folder, error)) {
            std::error_code linkError;
            fs::path target = fs::read_symlink(link.path(), linkError);
            if (!linkError && target.filename() == node)
                return AnsiString(folder) + "/" + link.path().filename().string();
        }
    }
    return "node/" + node;
}

using NumberMap = std::map<AnsiString, int>;

NumberMap ReadStoredNumbers(HKEY key) {
    NumberMap numbers;
    for (DWORD index = 0;; ++index) {
        char name[1024];
        DWORD nameSize = sizeof name;
        DWORD type = 0, value = 0, size = sizeof value;
        LONG result = RegEnumValueA(key, index, name, &nameSize, nullptr, &type,
                                    reinterpret_cast<BYTE*>(&value), &size);
        if (result == ERROR_NO_MORE_ITEMS)
            break;
        if (result == ERROR_SUCCESS && type == REG_DWORD && value > 0)
            numbers[AnsiString(name, nameSize)] = static_cast<int>(value);
    }
    return numbers;
}
} // namespace

void SetDiscoveryRoots(const DiscoveryRoots& roots) {
    std::lock_guard guard(rootsMutex);
    Roots() = roots;
}

DiscoveryRoots GetDiscoveryRoots() {
    std::lock_guard guard(rootsMutex);
    return Roots();
}

std::vector<std::pair<AnsiString, AnsiString>>
DiscoverSerialDevices(const std::vector<int>& reserved) {
    const DiscoveryRoots roots = GetDiscoveryRoots();
    const fs::path dev = roots.dev;
    std::vector<std::pair<int, AnsiString>> found; // number, node
    std::vector<std::string> adapters;
    std::error_code error;
    for (const auto& entry : fs::directory_iterator(roots.sysClassTty, error)) {
        const std::string node = entry.path().filename().string();
        if (auto uart = NumberAfter(node, "ttyS")) {
            if (IsRealUart(entry.path()))
                found.emplace_back(*uart + 1, node);
        } else if (IsAdapter(node)) {
            adapters.push_back(node);
        }
    }
    std::sort(adapters.begin(), adapters.end());

    if (!adapters.empty()) {
        HKEY key = nullptr;
        if (RegCreateKeyExA(HKEY_CURRENT_USER, STABLE_PORT_NUMBERS_KEY, 0, nullptr, 0,
                            KEY_READ | KEY_WRITE, nullptr, &key, nullptr) == ERROR_SUCCESS) {
            NumberMap stored = ReadStoredNumbers(key);
            std::set<int> used(reserved.begin(), reserved.end());
            for (const auto& [number, node] : found)
                used.insert(number);
            for (const auto& [name, number] : stored)
                used.insert(number);
            for (const auto& node : adapters) {
                const AnsiString stableKey = StableKey(dev, node);
                auto known = stored.find(stableKey);
                int number;
                if (known != stored.end()) {
                    number = known->second;
                } else {
                    number = FIRST_ADAPTER_NUMBER;
                    while (used.count(number))
                        ++number;
                    used.insert(number);
                    DWORD value = static_cast<DWORD>(number);
                    RegSetValueExA(key, stableKey.c_str(), 0, REG_DWORD,
                                   reinterpret_cast<const BYTE*>(&value), sizeof value);
                }
                found.emplace_back(number, node);
            }
            RegCloseKey(key);
        }
    }

    std::stable_sort(found.begin(), found.end(),
                     [](const auto& a, const auto& b) { return a.first < b.first; });
    std::vector<std::pair<AnsiString, AnsiString>> ports;
    for (const auto& [number, node] : found)
        ports.emplace_back((dev / node).string(), "COM" + std::to_string(number));
    return ports;
}
