#include "platform/win32/Registry.h"

#include <algorithm>
#include <cstring>
#include <mutex>
#include <optional>

#include "platform/win32/Folders.h"
#include "platform/win32/Modules.h"
#include "platform/win32/RegistryKeys.h"

namespace {
bool HasControlCharacters(const AnsiString& name) {
    return std::any_of(name.begin(), name.end(),
                       [](char c) { return static_cast<unsigned char>(c) < 0x20; });
}

void RegisterKeyNameQuery() {
    static std::once_flag once;
    std::call_once(once, [] { RegisterModuleProc("ntdll.dll", "ZwQueryKey", &ZwQueryKey); });
}

// Seeds the shell folders when their key is reached, but not from inside the seeding.
thread_local bool seedingShellFolders = false;
void SeedIfShellFolders(HiveId hive, const AnsiString& path) {
    if (hive != HiveId::User || seedingShellFolders || !SameName(path, SHELL_FOLDERS_KEY))
        return;
    seedingShellFolders = true;
    SeedShellFolders();
    seedingShellFolders = false;
}

// A key handle whose key vanished (another process may have deleted it).
LONG CheckKeyExists(const KeyRef& ref) {
    if (!ref.object || IsAlwaysPresent(ref.hive, ref.path) || IsLiveDeviceTree(ref.hive, ref.path))
        return ERROR_SUCCESS;
    bool exists = false;
    ReadHive(ref.hive, [&](const RegistryHive& data) { exists = data.Find(ref.path) != nullptr; });
    return exists ? ERROR_SUCCESS : ERROR_KEY_DELETED;
}

LONG OpenOrCreate(HKEY key, LPCSTR subKey, REGSAM desired, PHKEY result, bool create,
                  LPDWORD disposition) {
    if (!result)
        return ERROR_INVALID_PARAMETER;
    *result = nullptr;
    RegisterKeyNameQuery();
    KeyRef base;
    if (LONG status = ResolveKey(key, base); status != ERROR_SUCCESS)
        return status;
    AnsiString sub = subKey ? subKey : "";
    AnsiString path = JoinKeyPath(base.path, sub);
    SeedIfShellFolders(base.hive, path);

    bool created = false;
    std::optional<LiveKeyState> live;
    if (IsAlwaysPresent(base.hive, path)) {
        // always there
    } else if (IsBelowLivePortMap(base.hive, path)) {
        return create ? ERROR_ACCESS_DENIED : ERROR_FILE_NOT_FOUND;
    } else if (IsLiveDeviceTree(base.hive, path)) {
        if (create)
            return ERROR_ACCESS_DENIED;
        live = FindLiveDeviceKey(path);
        if (!live)
            return ERROR_FILE_NOT_FOUND;
    } else if (create) {
        if (!(base.access & KEY_CREATE_SUB_KEY))
            return ERROR_ACCESS_DENIED;
        if (HasControlCharacters(sub) || KeyPathBeyondLimits(path))
            return ERROR_INVALID_PARAMETER; // a hive holding it would not load again
        LONG status = ChangeHive(base.hive, [&](RegistryHive& data, bool& changed) -> LONG {
            data.Create(path, created);
            changed = created;
            return ERROR_SUCCESS;
        });
        if (status != ERROR_SUCCESS)
            return status;
    } else {
        bool exists = false;
        ReadHive(base.hive, [&](const RegistryHive& data) { exists = data.Find(path) != nullptr; });
        if (!exists)
            return ERROR_FILE_NOT_FOUND;
    }
    if (LONG status = CheckKeyExists(base); status != ERROR_SUCCESS)
        return status;

    auto object = std::make_shared<RegistryKeyObject>();
    object->hive = base.hive;
    object->path = path;
    object->access = desired;
    if (IsLivePortMap(base.hive, path))
        object->ports = CurrentSerialPorts();
    if (live) {
        object->deviceValues = std::move(live->values);
        object->livePath = live->path;
    }
    *result = RegisterHandle(object);
    if (disposition)
        *disposition = created ? REG_CREATED_NEW_KEY : REG_OPENED_EXISTING_KEY;
    return ERROR_SUCCESS;
}

// The values of the key: the live port map's snapshot, or the stored ones.
LONG ValuesOf(const KeyRef& ref, std::vector<RegValue>& values) {
    if (ref.object && ref.object->ports) {
        for (const auto& [device, port] : *ref.object->ports)
            values.push_back({device, REG_SZ, port + '\0'});
        return ERROR_SUCCESS;
    }
    if (ref.object && ref.object->deviceValues) {
        values = *ref.object->deviceValues;
        return ERROR_SUCCESS;
    }
    bool exists = false;
    ReadHive(ref.hive, [&](const RegistryHive& data) {
        if (const RegKey* stored = data.Find(ref.path)) {
            exists = true;
            values = stored->values;
        }
    });
    if (exists || IsAlwaysPresent(ref.hive, ref.path))
        return ERROR_SUCCESS;
    return ERROR_KEY_DELETED;
}

LONG ResolveWithAccess(HKEY key, REGSAM needed, KeyRef& ref) {
    if (LONG status = ResolveKey(key, ref); status != ERROR_SUCCESS)
        return status;
    return (ref.access & needed) == needed ? ERROR_SUCCESS : ERROR_ACCESS_DENIED;
}

// Copies bytes into a caller's buffer by the registry's size rules.
bool IsStringType(DWORD type) {
    return type == REG_SZ || type == REG_EXPAND_SZ || type == REG_MULTI_SZ;
}

// A string stored without its zero gets one after it when the buffer has room; the size
// reported stays the stored one (whether Windows counts that zero is left open).
LONG CopyData(const RegValue& value, BYTE* data, LPDWORD dataSize) {
    if (!dataSize)
        return ERROR_SUCCESS;
    const std::string& bytes = value.data;
    auto size = static_cast<DWORD>(bytes.size());
    if (data) {
        if (*dataSize < size) {
            *dataSize = size;
            return ERROR_MORE_DATA;
        }
        std::memcpy(data, bytes.data(), size);
        bool unterminated = bytes.empty() || bytes.back() != '\0';
        if (IsStringType(value.type) && unterminated && *dataSize > size)
            data[size] = 0;
    }
    *dataSize = size;
    return ERROR_SUCCESS;
}

// Copies a name with its zero; size in characters, in: the buffer, out: the name's length.
LONG CopyName(const AnsiString& name, LPSTR buffer, LPDWORD size) {
    if (name.size() + 1 > *size)
        return ERROR_MORE_DATA;
    std::memcpy(buffer, name.c_str(), name.size() + 1);
    *size = static_cast<DWORD>(name.size());
    return ERROR_SUCCESS;
}

LONG ChangeStoredKey(const KeyRef& ref, const std::function<LONG(RegKey&, bool&)>& change) {
    if (IsLivePortMap(ref.hive, ref.path) || IsLiveDeviceTree(ref.hive, ref.path))
        return ERROR_ACCESS_DENIED;
    return ChangeHive(ref.hive, [&](RegistryHive& data, bool& changed) -> LONG {
        RegKey* key = data.Find(ref.path);
        if (!key && IsAlwaysPresent(ref.hive, ref.path)) {
            bool created = false;
            key = &data.Create(ref.path, created);
        }
        if (!key)
            return ERROR_KEY_DELETED;
        return change(*key, changed);
    });
}
} // namespace

LONG ResolveKey(HKEY key, KeyRef& ref) {
    if (key == HKEY_LOCAL_MACHINE || key == HKEY_CURRENT_USER) {
        ref = KeyRef{key == HKEY_LOCAL_MACHINE ? HiveId::Machine : HiveId::User, "", KEY_ALL_ACCESS,
                     nullptr};
        return ERROR_SUCCESS;
    }
    DWORD savedError = GetLastError(); // registry calls report through their result only
    auto object = std::dynamic_pointer_cast<RegistryKeyObject>(LookupHandle(key));
    SetLastError(savedError);
    if (!object)
        return ERROR_INVALID_HANDLE;
    ref = KeyRef{object->hive, object->path, object->access, object};
    return ERROR_SUCCESS;
}

LONG RegOpenKeyExA(HKEY key, LPCSTR subKey, DWORD, REGSAM desired, PHKEY result) {
    return OpenOrCreate(key, subKey, desired, result, false, nullptr);
}

LONG RegCreateKeyExA(HKEY key, LPCSTR subKey, DWORD, LPSTR, DWORD, REGSAM desired,
                     LPSECURITY_ATTRIBUTES, PHKEY result, LPDWORD disposition) {
    if (!subKey)
        return ERROR_INVALID_PARAMETER;
    return OpenOrCreate(key, subKey, desired, result, true, disposition);
}

LONG RegCloseKey(HKEY key) {
    KeyRef ref;
    if (LONG status = ResolveKey(key, ref); status != ERROR_SUCCESS)
        return status;
    if (ref.object) {
        DWORD savedError = GetLastError();
        CloseHandle(key);
        SetLastError(savedError);
    }
    return ERROR_SUCCESS;
}

LONG RegQueryValueExA(HKEY key, LPCSTR valueName, LPDWORD reserved, LPDWORD type, BYTE* data,
                      LPDWORD dataSize) {
    if (reserved || (data && !dataSize))
        return ERROR_INVALID_PARAMETER;
    KeyRef ref;
    if (LONG status = ResolveWithAccess(key, KEY_QUERY_VALUE, ref); status != ERROR_SUCCESS)
        return status;
    std::vector<RegValue> values;
    if (LONG status = ValuesOf(ref, values); status != ERROR_SUCCESS)
        return status;
    AnsiString name = valueName ? valueName : "";
    auto found = std::find_if(values.begin(), values.end(),
                              [&](const RegValue& value) { return SameName(value.name, name); });
    if (found == values.end())
        return ERROR_FILE_NOT_FOUND;
    if (type)
        *type = found->type;
    return CopyData(*found, data, dataSize);
}

LONG RegSetValueExA(HKEY key, LPCSTR valueName, DWORD, DWORD type, const BYTE* data,
                    DWORD dataSize) {
    if (!data && dataSize > 0)
        return ERROR_NOACCESS;
    AnsiString name = valueName ? valueName : "";
    if (HasControlCharacters(name))
        return ERROR_INVALID_PARAMETER;
    KeyRef ref;
    if (LONG status = ResolveWithAccess(key, KEY_SET_VALUE, ref); status != ERROR_SUCCESS)
        return status;
    std::string bytes(reinterpret_cast<const char*>(data), dataSize);
    // A string counted without its zero (strlen) is stored terminated.
    if ((type == REG_SZ || type == REG_EXPAND_SZ) && !bytes.empty() && bytes.back() != '\0')
        bytes.push_back('\0');
    return ChangeStoredKey(ref, [&](RegKey& stored, bool& changed) -> LONG {
        const RegValue* old = stored.FindValue(name);
        changed = !old || old->type != type || old->data != bytes;
        if (changed)
            stored.SetValue(name, type, bytes);
        return ERROR_SUCCESS;
    });
}

LONG RegEnumValueA(HKEY key, DWORD index, LPSTR valueName, LPDWORD valueNameSize, LPDWORD reserved,
                   LPDWORD type, BYTE* data, LPDWORD dataSize) {
    if (!valueName || !valueNameSize || reserved || (data && !dataSize))
        return ERROR_INVALID_PARAMETER;
    KeyRef ref;
    if (LONG status = ResolveWithAccess(key, KEY_QUERY_VALUE, ref); status != ERROR_SUCCESS)
        return status;
    std::vector<RegValue> values;
    if (LONG status = ValuesOf(ref, values); status != ERROR_SUCCESS)
        return status;
    if (index >= values.size())
        return ERROR_NO_MORE_ITEMS;
    const RegValue& value = values[index];
    if (LONG status = CopyName(value.name, valueName, valueNameSize); status != ERROR_SUCCESS)
        return status;
    if (type)
        *type = value.type;
    return CopyData(value, data, dataSize);
}

LONG RegEnumKeyExA(HKEY key, DWORD index, LPSTR name, LPDWORD nameSize, LPDWORD reserved,
                   LPSTR keyClass, LPDWORD keyClassSize, FILETIME* lastWriteTime) {
    if (!name || !nameSize || reserved)
        return ERROR_INVALID_PARAMETER;
    KeyRef ref;
    if (LONG status = ResolveWithAccess(key, KEY_ENUMERATE_SUB_KEYS, ref); status != ERROR_SUCCESS)
        return status;
    if (LONG status = CheckKeyExists(ref); status != ERROR_SUCCESS)
        return status;
    std::vector<AnsiString> names;
    ReadHive(ref.hive, [&](const RegistryHive& data) { names = data.SubkeyNames(ref.path); });
    std::vector<AnsiString> liveChildren = LiveDeviceSubkeys(ref.hive, ref.path);
    if (ref.hive == HiveId::Machine) {
        if (ref.path.empty())
            liveChildren.push_back("HARDWARE");
        else if (SameName(ref.path, "HARDWARE"))
            liveChildren.push_back("DEVICEMAP");
        else if (SameName(ref.path, "HARDWARE\\DEVICEMAP"))
            liveChildren.push_back("SERIALCOMM");
    }
    bool added = false;
    for (const AnsiString& child : liveChildren)
        if (std::none_of(names.begin(), names.end(),
                         [&](const AnsiString& n) { return SameName(n, child); })) {
            names.push_back(child);
            added = true;
        }
    if (added)
        std::sort(names.begin(), names.end(), KeyPathLess{});
    if (index >= names.size())
        return ERROR_NO_MORE_ITEMS;
    if (LONG status = CopyName(names[index], name, nameSize); status != ERROR_SUCCESS)
        return status;
    if (keyClass && keyClassSize && *keyClassSize > 0)
        keyClass[0] = 0;
    if (keyClassSize)
        *keyClassSize = 0;
    if (lastWriteTime)
        *lastWriteTime = FILETIME{};
    return ERROR_SUCCESS;
}

LONG RegDeleteValueA(HKEY key, LPCSTR valueName) {
    KeyRef ref;
    if (LONG status = ResolveWithAccess(key, KEY_SET_VALUE, ref); status != ERROR_SUCCESS)
        return status;
    AnsiString name = valueName ? valueName : "";
    return ChangeStoredKey(ref, [&](RegKey& stored, bool& changed) -> LONG {
        changed = stored.DeleteValue(name);
        return changed ? ERROR_SUCCESS : ERROR_FILE_NOT_FOUND;
    });
}

LONG RegDeleteKeyA(HKEY key, LPCSTR subKey) {
    if (!subKey)
        return ERROR_INVALID_PARAMETER;
    KeyRef ref;
    if (LONG status = ResolveKey(key, ref); status != ERROR_SUCCESS)
        return status;
    AnsiString path = JoinKeyPath(ref.path, subKey);
    if (path.empty() || IsAlwaysPresent(ref.hive, path) || IsLiveDeviceTree(ref.hive, path))
        return ERROR_ACCESS_DENIED;
    return ChangeHive(ref.hive, [&](RegistryHive& data, bool& changed) -> LONG {
        if (!data.Find(path))
            return ERROR_FILE_NOT_FOUND;
        if (data.HasSubkeys(path))
            return ERROR_ACCESS_DENIED;
        changed = data.Remove(path);
        return ERROR_SUCCESS;
    });
}
