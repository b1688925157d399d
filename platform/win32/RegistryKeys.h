#pragma once
// What an open registry key is, shared by the registry functions and the key-name query.
#include <memory>
#include <optional>

#include "platform/win32/Handles.h"
#include "platform/win32/Registry.h"
#include "platform/win32/RegistryStore.h"

using PortList = std::vector<std::pair<AnsiString, AnsiString>>;

// Keys are held by path, so a key another process deleted is noticed on the next call.
class RegistryKeyObject : public KernelObject {
public:
    HiveId hive = HiveId::User;
    AnsiString path;
    REGSAM access = 0;
    std::optional<PortList> ports; // set for the live port map, taken when it was opened
    // Set for a live device key: its values when it was opened, and its path as spelled there.
    std::optional<std::vector<RegValue>> deviceValues;
    AnsiString livePath;
};

struct KeyRef {
    HiveId hive = HiveId::User;
    AnsiString path;
    REGSAM access = KEY_ALL_ACCESS;
    std::shared_ptr<RegistryKeyObject> object; // null for the predefined roots
};

// The predefined roots and open key handles; ERROR_INVALID_HANDLE for anything else.
LONG ResolveKey(HKEY key, KeyRef& ref);

// The live port map key and the keys above it exist without being stored.
extern const char* const SERIAL_COMM_PATH;
bool IsLivePortMap(HiveId hive, const AnsiString& path);
bool IsAboveLivePortMap(HiveId hive, const AnsiString& path);
bool IsBelowLivePortMap(HiveId hive, const AnsiString& path);

// The port map as the provider gives it now.
PortList CurrentSerialPorts();

// The live device keys: ...\Enum and below, read-only; the keys above it always exist.
extern const char* const DEVICE_ENUM_PATH;
bool IsLiveDeviceTree(HiveId hive, const AnsiString& path);
bool IsAboveLiveDeviceTree(HiveId hive, const AnsiString& path);
// A key of the live tree as the provider gives it now (path spelled as there, from the
// root); nothing when the tree has no such key.
struct LiveKeyState {
    AnsiString path;
    std::vector<RegValue> values;
};
std::optional<LiveKeyState> FindLiveDeviceKey(const AnsiString& path);
// The names of the live subkeys of a key (the live tree, the keys above it, the root).
std::vector<AnsiString> LiveDeviceSubkeys(HiveId hive, const AnsiString& path);

// Keys that exist without being stored: the live port map and the keys above both live trees.
inline bool IsAlwaysPresent(HiveId hive, const AnsiString& path) {
    return IsLivePortMap(hive, path) || IsAboveLivePortMap(hive, path) ||
           IsAboveLiveDeviceTree(hive, path);
}
