// The provider behind the live HKEY_LOCAL_MACHINE\SYSTEM\CurrentControlSet\Enum keys.
#include <algorithm>
#include <mutex>

#include "platform/win32/RegistryKeys.h"

const char* const DEVICE_ENUM_PATH = "SYSTEM\\CurrentControlSet\\Enum";

namespace {
std::mutex providerMutex;
DeviceKeyProvider& Provider() {
    static auto* provider = new DeviceKeyProvider;
    return *provider;
}

std::vector<LiveDeviceKey> CurrentDeviceKeys() {
    DeviceKeyProvider provider;
    {
        std::lock_guard guard(providerMutex);
        provider = Provider();
    }
    return provider ? provider() : std::vector<LiveDeviceKey>();
}

// The path below Enum ("" for Enum itself), or nothing when path is not in the tree.
std::optional<AnsiString> BelowEnum(const AnsiString& path) {
    const AnsiString enumPath = DEVICE_ENUM_PATH;
    if (SameName(path, enumPath))
        return AnsiString();
    if (path.size() > enumPath.size() && path[enumPath.size()] == '\\' &&
        SameName(path.substr(0, enumPath.size()), enumPath))
        return path.substr(enumPath.size() + 1);
    return std::nullopt;
}

// Whether key (a provider path) is relative itself or lies below it; prefix receives the
// provider's spelling of relative.
bool Covers(const AnsiString& key, const AnsiString& relative, AnsiString& prefix) {
    if (key.size() < relative.size() || !SameName(key.substr(0, relative.size()), relative))
        return false;
    if (key.size() > relative.size() && key[relative.size()] != '\\')
        return false;
    prefix = key.substr(0, relative.size());
    return true;
}
} // namespace

void SetDeviceKeyProvider(DeviceKeyProvider provider) {
    std::lock_guard guard(providerMutex);
    Provider() = std::move(provider);
}

bool IsLiveDeviceTree(HiveId hive, const AnsiString& path) {
    return hive == HiveId::Machine && BelowEnum(path).has_value();
}

bool IsAboveLiveDeviceTree(HiveId hive, const AnsiString& path) {
    return hive == HiveId::Machine &&
           (SameName(path, "SYSTEM") || SameName(path, "SYSTEM\\CurrentControlSet"));
}

std::optional<LiveKeyState> FindLiveDeviceKey(const AnsiString& path) {
    const std::optional<AnsiString> relative = BelowEnum(path);
    if (!relative)
        return std::nullopt;
    if (relative->empty())
        return LiveKeyState{DEVICE_ENUM_PATH, {}};
    std::optional<LiveKeyState> found;
    for (const LiveDeviceKey& key : CurrentDeviceKeys()) {
        AnsiString prefix;
        if (!Covers(NormalizeKeyPath(key.path), NormalizeKeyPath(*relative), prefix))
            continue;
        if (!found)
            found = LiveKeyState{AnsiString(DEVICE_ENUM_PATH) + '\\' + prefix, {}};
        if (SameName(prefix, NormalizeKeyPath(key.path)))
            for (const auto& [name, value] : key.values)
                found->values.push_back({name, REG_SZ, value + '\0'});
    }
    return found;
}

std::vector<AnsiString> LiveDeviceSubkeys(HiveId hive, const AnsiString& path) {
    if (hive != HiveId::Machine)
        return {};
    if (path.empty())
        return {"SYSTEM"};
    if (SameName(path, "SYSTEM"))
        return {"CurrentControlSet"};
    if (SameName(path, "SYSTEM\\CurrentControlSet"))
        return {"Enum"};
    const std::optional<AnsiString> relative = BelowEnum(path);
    if (!relative)
        return {};
    std::vector<AnsiString> names;
    for (const LiveDeviceKey& key : CurrentDeviceKeys()) {
        const AnsiString keyPath = NormalizeKeyPath(key.path);
        AnsiString prefix;
        if (!relative->empty() && !Covers(keyPath, NormalizeKeyPath(*relative), prefix))
            continue;
        const size_t start = relative->empty() ? 0 : prefix.size() + 1;
        if (start >= keyPath.size())
            continue;
        const AnsiString child = keyPath.substr(start, keyPath.find('\\', start) - start);
        if (std::none_of(names.begin(), names.end(),
                         [&](const AnsiString& name) { return SameName(name, child); }))
            names.push_back(child);
    }
    return names;
}
