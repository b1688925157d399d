#pragma once
// The contents of one registry hive: a tree of keys below the hive root, each key with its
// values. Finding, creating or removing a key costs in proportion to the path given, and
// finding or setting a value grows with the logarithm of the key's values only, so reading
// and writing a hive file costs in proportion to the file.
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "platform/rtl/SysUtils.h"
#include "platform/win32/WinTypes.h"

struct RegValue {
    AnsiString name; // "" is the key's default value
    DWORD type = 0;
    std::string data;
};

// Orders names by their letters without regard to case.
struct KeyPathLess {
    bool operator()(const AnsiString& a, const AnsiString& b) const;
};

class RegKey {
public:
    // In the order first set. Read it freely; change it only through the operations below,
    // which keep the look-up by name in step.
    std::vector<RegValue> values;

    const RegValue* FindValue(const AnsiString& name) const;
    // Replaces the data and type of a value or appends a new one.
    void SetValue(const AnsiString& name, DWORD type, std::string data);
    bool DeleteValue(const AnsiString& name);

private:
    std::map<AnsiString, size_t, KeyPathLess> places_; // name -> index in values
};

// The most a hive holds: keys at most this many levels below the root, and no key name
// (one component of a path) longer than this.
constexpr size_t MAX_KEY_DEPTH = 512;
constexpr size_t MAX_KEY_NAME_LENGTH = 255;

// Paths are relative to the hive root (""), components joined by '\', no empty ones.
class RegistryHive {
public:
    RegistryHive() = default;
    RegistryHive(const RegistryHive& other);
    RegistryHive& operator=(const RegistryHive& other);
    RegistryHive(RegistryHive&&) noexcept = default;
    RegistryHive& operator=(RegistryHive&&) noexcept = default;

    const RegKey* Find(const AnsiString& path) const;
    RegKey* Find(const AnsiString& path);
    // Creates the key and its missing parents; created tells whether the key is new. The
    // path must be within the hive's limits (KeyPathBeyondLimits).
    RegKey& Create(const AnsiString& path, bool& created);
    // Removes the key; false when it is missing, the root, or has subkeys.
    bool Remove(const AnsiString& path);
    // Removes the key and everything below it; for the root, everything below it.
    void RemoveTree(const AnsiString& path);
    bool HasSubkeys(const AnsiString& path) const;
    // Names (last component, as stored) of the direct subkeys, ordered by KeyPathLess.
    std::vector<AnsiString> SubkeyNames(const AnsiString& path) const;
    // The path with each component's letter case as stored ("" when missing).
    AnsiString StoredPath(const AnsiString& path) const;
    // Every key with its path as stored, the root first, each key before its subkeys.
    using KeyVisitor =
        std::function<void(const AnsiString& path, const RegKey& key, bool hasSubkeys)>;
    void ForEachKey(const KeyVisitor& visit) const;

private:
    struct Node {
        RegKey key;
        std::map<AnsiString, std::unique_ptr<Node>, KeyPathLess> subkeys;
    };
    static void CopyTree(const Node& from, Node& to);
    static void VisitTree(const Node& node, AnsiString& path, const KeyVisitor& visit);
    const Node* FindNode(const AnsiString& path) const;
    Node* FindNode(const AnsiString& path);

    Node root_;
};

bool SameName(const AnsiString& a, const AnsiString& b);
// Splits at '\' dropping empty components, and joins again.
AnsiString NormalizeKeyPath(const AnsiString& path);
AnsiString JoinKeyPath(const AnsiString& base, const AnsiString& sub);
// Why a normalized path cannot be held by a hive, or nullptr when it can.
const char* KeyPathBeyondLimits(const AnsiString& path);
