#include "platform/serial/PortDiscovery.h"

#include <algorithm>
#include <map>
#include <optional>
#include <set>

#include "platform/devices/UdevDevices.h"
#include "platform/win32/Registry.h"

const char* const STABLE_PORT_NUMBERS_KEY = "Software\\VOKA\\Ports";

namespace {
constexpr int FIRST_ADAPTER_NUMBER = 3;
constexpr const char* SERIAL_LINKS = "/dev/serial/";

// The number after "ttyS" when the name is "ttyS" followed by decimal digits only.
std::optional<int> UartNumber(const std::string& name) {
    const std::string prefix = "ttyS";
    if (name.size() <= prefix.size() || name.compare(0, prefix.size(), prefix) != 0)
        return std::nullopt;
    const std::string digits = name.substr(prefix.size());
    if (digits.size() > 6 || !std::all_of(digits.begin(), digits.end(), ::isdigit))
        return std::nullopt;
    return std::stoi(digits);
}

AnsiString LinkIn(const UdevDevice& tty, const char* folder) {
    const AnsiString prefix = AnsiString(SERIAL_LINKS) + folder + "/";
    for (const AnsiString& link : tty.links)
        if (link.rfind(prefix, 0) == 0)
            return AnsiString(folder) + "/" + link.substr(prefix.size());
    return {};
}

bool HasSerialNumber(const UdevReading& reading, int port) {
    if (!reading.devices[size_t(port)].Property("ID_SERIAL_SHORT").empty())
        return true;
    const int usb = reading.Nearest(port, false, [](const UdevDevice& device) {
        return device.subsystem == "usb" && device.devType == "usb_device";
    });
    return usb >= 0 && !reading.devices[size_t(usb)].Attribute("serial").empty();
}

// The name under which the adapter keeps its number.
AnsiString StableKey(const UdevReading& reading, int port) {
    const UdevDevice& tty = reading.devices[size_t(port)];
    const bool serial = HasSerialNumber(reading, port);
    for (const char* folder : serial ? std::vector{"by-id", "by-path"} : std::vector{"by-path"})
        if (AnsiString key = LinkIn(tty, folder); !key.empty())
            return key;
    return "node/" + tty.sysName;
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

struct Adapter {
    AnsiString node;
    AnsiString key;
};

// Numbers for the adapters: the kept one unless this run has taken it, else the first
// number that is neither taken nor kept for another adapter. New adapters keep theirs.
void NumberAdapters(const std::vector<Adapter>& adapters, std::set<int> taken,
                    std::vector<std::pair<int, AnsiString>>& found) {
    HKEY key = nullptr;
    if (RegCreateKeyExA(HKEY_CURRENT_USER, STABLE_PORT_NUMBERS_KEY, 0, nullptr, 0,
                        KEY_READ | KEY_WRITE, nullptr, &key, nullptr) != ERROR_SUCCESS)
        return;
    const NumberMap stored = ReadStoredNumbers(key);
    std::set<int> kept;
    for (const auto& [name, number] : stored)
        kept.insert(number);
    auto nextFree = [&] {
        int number = FIRST_ADAPTER_NUMBER;
        while (taken.count(number) || kept.count(number))
            ++number;
        return number;
    };
    for (const Adapter& adapter : adapters) {
        auto known = stored.find(adapter.key);
        int number;
        if (known != stored.end() && !taken.count(known->second)) {
            number = known->second;
        } else {
            number = nextFree();
            if (known == stored.end()) {
                DWORD value = static_cast<DWORD>(number);
                RegSetValueExA(key, adapter.key.c_str(), 0, REG_DWORD,
                               reinterpret_cast<const BYTE*>(&value), sizeof value);
                kept.insert(number);
            }
        }
        taken.insert(number);
        found.emplace_back(number, adapter.node);
    }
    RegCloseKey(key);
}
} // namespace

std::vector<std::pair<AnsiString, AnsiString>>
DiscoverSerialDevices(const std::vector<int>& reserved) {
    const UdevReading reading = ReadUdevDevices({"tty"});
    std::vector<std::pair<int, AnsiString>> found; // number, node
    std::vector<Adapter> adapters;
    for (int port : reading.SerialPorts()) {
        const UdevDevice& tty = reading.devices[size_t(port)];
        if (auto uart = UartNumber(tty.sysName))
            found.emplace_back(*uart + 1, tty.devNode);
        else
            adapters.push_back({tty.devNode, StableKey(reading, port)});
    }
    std::sort(adapters.begin(), adapters.end(),
              [](const Adapter& a, const Adapter& b) { return a.node < b.node; });

    if (!adapters.empty()) {
        std::set<int> taken(reserved.begin(), reserved.end());
        for (const auto& [number, node] : found)
            taken.insert(number);
        NumberAdapters(adapters, taken, found);
    }

    std::stable_sort(found.begin(), found.end(),
                     [](const auto& a, const auto& b) { return a.first < b.first; });
    std::vector<std::pair<AnsiString, AnsiString>> ports;
    for (const auto& [number, node] : found)
        ports.emplace_back(node, "COM" + std::to_string(number));
    return ports;
}
