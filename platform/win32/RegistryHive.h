#pragma once
// The contents of one registry hive: keys by path, each with its values.
#include <map>
#include <string>
#include <vector>

#include "platform/rtl/SysUtils.h"
#include "platform/win32/WinTypes.h"

struct RegValue {
    AnsiString name; // "" is the key's default value
    DWORD type = 0;
    std::string data;
};

struct RegKey {
    std::vector<RegValue> values; // in the order first set

    const RegValue* FindValue(const AnsiString& name) const;
    // Replaces the data and type of a value or appends a new one.
    void SetValue(const AnsiString& name, DWORD type, std::string data);
    bool DeleteValue(const AnsiString& name);
};

// Orders paths by their lower-case letters, so a key's descendants lie together.
struct KeyPathLess {
    bool operator()(const AnsiString& a, const AnsiString& b) const;
};

// Paths are relative to the hive root (""), components joined by '\', no empty ones.
class RegistryHive {
public:
    RegistryHive();

    const RegKey* Find(const AnsiString& path) const;
    RegKey* Find(const AnsiString& path);
    // Creates the key and its missing parents; created tells whether the key is new.
    RegKey& Create(const AnsiString& path, bool& created);
    // Removes the key; false when it is missing, the root, or has subkeys.
    bool Remove(const AnsiString& path);
    bool HasSubkeys(const AnsiString& path) const;
    // Names (last component, as stored) of the direct subkeys, in path order.
    std::vector<AnsiString> SubkeyNames(const AnsiString& path) const;
    // The path with each component's letter case as stored ("" when missing).
    AnsiString StoredPath(const AnsiString& path) const;

    const std::map<AnsiString, RegKey, KeyPathLess>& Keys() const { return keys_; }

private:
    std::map<AnsiString, RegKey, KeyPathLess> keys_;
};

bool SameName(const AnsiString& a, const AnsiString& b);
// Splits at '\' dropping empty components, and joins again.
AnsiString NormalizeKeyPath(const AnsiString& path);
AnsiString JoinKeyPath(const AnsiString& base, const AnsiString& sub);
