#pragma once
// TRegistry: one open key under a root, with typed reads and writes that raise
// ERegistryException when the registry refuses them.
#include <vector>

#include "platform/rtl/Object.h"
#include "platform/win32/Registry.h"

class TStrings;

class ERegistryException : public Exception {
public:
    using Exception::Exception;
};

enum TRegDataType { rdUnknown, rdString, rdExpandString, rdInteger, rdBinary };

struct TRegDataInfo {
    TRegDataType RegData = rdUnknown;
    int DataSize = 0;
};

class TRegistry : public TObject {
public:
    TRegistry(); // HKEY_CURRENT_USER, KEY_ALL_ACCESS
    explicit TRegistry(REGSAM access);
    ~TRegistry() override;

    HKEY GetRootKey() const { return rootKey_; }
    // Closes the open key first.
    void SetRootKey(HKEY rootKey);
    HKEY GetCurrentKey() const { return currentKey_; }
    AnsiString GetCurrentPath() const { return currentPath_; }
    REGSAM GetAccess() const { return access_; }
    void SetAccess(REGSAM access) { access_ = access; }

    // A key starting with '\' is taken from the root, otherwise below the open key.
    // Returns whether the key is open now; does not raise.
    bool OpenKey(const AnsiString& key, bool canCreate);
    bool OpenKeyReadOnly(const AnsiString& key);
    void CloseKey();
    bool KeyExists(const AnsiString& key);

    bool ValueExists(const AnsiString& name);
    bool GetDataInfo(const AnsiString& name, TRegDataInfo& info);
    int GetDataSize(const AnsiString& name); // -1 when the value is missing
    TRegDataType GetDataType(const AnsiString& name);
    std::vector<AnsiString> GetValueNames();
    void GetValueNames(TStrings& names); // replaces the list's contents
    bool DeleteValue(const AnsiString& name);

    // Bytes read; 0 when the value is missing. A value that is not binary or does not fit
    // raises "Invalid data type for '%s'".
    int ReadBinaryData(const AnsiString& name, void* buffer, int bufferSize);
    void WriteBinaryData(const AnsiString& name, const void* buffer, int bufferSize);
    // Empty when missing; a value that is not a string raises.
    AnsiString ReadString(const AnsiString& name);
    void WriteString(const AnsiString& name, const AnsiString& value);
    // A missing value raises "Failed to get data for '%s'".
    int ReadInteger(const AnsiString& name);
    void WriteInteger(const AnsiString& name, int value);

    AnsiString ClassName() const override { return "TRegistry"; }

private:
    // The open key when key is relative and one is open, else the root.
    HKEY BaseKey(bool relative) const;
    bool OpenWith(const AnsiString& key, bool canCreate, REGSAM access);
    void ChangeKey(HKEY key, const AnsiString& path);
    int GetData(const AnsiString& name, void* buffer, int bufferSize, TRegDataType& type);
    void PutData(const AnsiString& name, const void* buffer, int bufferSize, DWORD type);

    HKEY rootKey_ = HKEY_CURRENT_USER;
    HKEY currentKey_ = nullptr;
    AnsiString currentPath_;
    REGSAM access_ = KEY_ALL_ACCESS;
};
