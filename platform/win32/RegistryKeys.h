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
