#include "platform/win32/RegistryAccess.h"

#include <cstring>
#include <string>

#include "platform/rtl/StringList.h"

namespace {
TRegDataType DataTypeToRegData(DWORD type) {
    switch (type) {
    case REG_SZ:
        return rdString;
    case REG_EXPAND_SZ:
        return rdExpandString;
    case REG_DWORD:
        return rdInteger;
    case REG_BINARY:
        return rdBinary;
    default:
        return rdUnknown;
    }
}

[[noreturn]] void ReadError(const AnsiString& name) {
    throw ERegistryException(Format("Invalid data type for '%s'", name));
}

// A key not starting with '\' is relative; the leading '\' is dropped from the text.
bool SplitRelative(AnsiString& key) {
    bool relative = key.empty() || key[0] != '\\';
    if (!relative)
        key.erase(0, 1);
    return relative;
}
} // namespace

TRegistry::TRegistry() = default;

TRegistry::TRegistry(REGSAM access) : access_(access) {}

TRegistry::~TRegistry() {
    CloseKey();
}

void TRegistry::SetRootKey(HKEY rootKey) {
    if (rootKey == rootKey_)
        return;
    rootKey_ = rootKey;
    CloseKey();
}

HKEY TRegistry::BaseKey(bool relative) const {
    return currentKey_ && relative ? currentKey_ : rootKey_;
}

void TRegistry::ChangeKey(HKEY key, const AnsiString& path) {
    CloseKey();
    currentKey_ = key;
    currentPath_ = path;
}

bool TRegistry::OpenWith(const AnsiString& key, bool canCreate, REGSAM access) {
    AnsiString path = key;
    bool relative = SplitRelative(path);
    HKEY opened = nullptr;
    bool ok;
    if (!canCreate || path.empty()) {
        ok = RegOpenKeyExA(BaseKey(relative), path.c_str(), 0, access, &opened) == ERROR_SUCCESS;
    } else {
        DWORD disposition = 0;
        ok = RegCreateKeyExA(BaseKey(relative), path.c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE,
                             access, nullptr, &opened, &disposition) == ERROR_SUCCESS;
    }
    if (ok) {
        if (currentKey_ && relative)
            path = currentPath_ + '\\' + path;
        ChangeKey(opened, path);
    }
    return ok;
}

bool TRegistry::OpenKey(const AnsiString& key, bool canCreate) {
    return OpenWith(key, canCreate, access_);
}

bool TRegistry::OpenKeyReadOnly(const AnsiString& key) {
    if (!OpenWith(key, false, KEY_READ))
        return false;
    access_ = KEY_READ;
    return true;
}

void TRegistry::CloseKey() {
    if (currentKey_)
        RegCloseKey(currentKey_);
    currentKey_ = nullptr;
    currentPath_.clear();
}

bool TRegistry::KeyExists(const AnsiString& key) {
    AnsiString path = key;
    bool relative = SplitRelative(path);
    HKEY probe = nullptr;
    if (RegOpenKeyExA(BaseKey(relative), path.c_str(), 0, KEY_QUERY_VALUE | KEY_ENUMERATE_SUB_KEYS,
                      &probe) != ERROR_SUCCESS)
        return false;
    RegCloseKey(probe);
    return true;
}

bool TRegistry::GetDataInfo(const AnsiString& name, TRegDataInfo& info) {
    info = TRegDataInfo{};
    DWORD type = REG_NONE;
    DWORD size = 0;
    bool ok = RegQueryValueExA(currentKey_, name.c_str(), nullptr, &type, nullptr, &size) ==
              ERROR_SUCCESS;
    info.RegData = DataTypeToRegData(type);
    info.DataSize = static_cast<int>(size);
    return ok;
}

bool TRegistry::ValueExists(const AnsiString& name) {
    TRegDataInfo info;
    return GetDataInfo(name, info);
}

int TRegistry::GetDataSize(const AnsiString& name) {
    TRegDataInfo info;
    return GetDataInfo(name, info) ? info.DataSize : -1;
}

TRegDataType TRegistry::GetDataType(const AnsiString& name) {
    TRegDataInfo info;
    return GetDataInfo(name, info) ? info.RegData : rdUnknown;
}

std::vector<AnsiString> TRegistry::GetValueNames() {
    std::vector<AnsiString> names;
    if (!currentKey_)
        return names;
    std::string buffer(256, '\0');
    for (DWORD index = 0;;) {
        auto size = static_cast<DWORD>(buffer.size());
        LONG status = RegEnumValueA(currentKey_, index, buffer.data(), &size, nullptr, nullptr,
                                    nullptr, nullptr);
        if (status == ERROR_MORE_DATA && buffer.size() < 65536) {
            buffer.resize(buffer.size() * 2);
            continue;
        }
        if (status != ERROR_SUCCESS)
            break;
        names.emplace_back(buffer.data(), size);
        ++index;
    }
    return names;
}

void TRegistry::GetValueNames(TStrings& names) {
    names.Clear();
    for (const auto& name : GetValueNames())
        names.Add(name);
}

bool TRegistry::DeleteValue(const AnsiString& name) {
    return RegDeleteValueA(currentKey_, name.c_str()) == ERROR_SUCCESS;
}

int TRegistry::GetData(const AnsiString& name, void* buffer, int bufferSize, TRegDataType& type) {
    DWORD dataType = REG_NONE;
    auto size = static_cast<DWORD>(bufferSize);
    if (RegQueryValueExA(currentKey_, name.c_str(), nullptr, &dataType, static_cast<BYTE*>(buffer),
                         &size) != ERROR_SUCCESS)
        throw ERegistryException(Format("Failed to get data for '%s'", name));
    type = DataTypeToRegData(dataType);
    return static_cast<int>(size);
}

void TRegistry::PutData(const AnsiString& name, const void* buffer, int bufferSize, DWORD type) {
    if (bufferSize < 0 ||
        RegSetValueExA(currentKey_, name.c_str(), 0, type, static_cast<const BYTE*>(buffer),
                       static_cast<DWORD>(bufferSize)) != ERROR_SUCCESS)
        throw ERegistryException(Format("Failed to set data for '%s'", name));
}

int TRegistry::ReadBinaryData(const AnsiString& name, void* buffer, int bufferSize) {
    TRegDataInfo info;
    if (!GetDataInfo(name, info))
        return 0;
    if ((info.RegData != rdBinary && info.RegData != rdUnknown) || info.DataSize > bufferSize)
        ReadError(name);
    TRegDataType type;
    return GetData(name, buffer, info.DataSize, type);
}

void TRegistry::WriteBinaryData(const AnsiString& name, const void* buffer, int bufferSize) {
    PutData(name, buffer, bufferSize, REG_BINARY);
}

AnsiString TRegistry::ReadString(const AnsiString& name) {
    int size = GetDataSize(name);
    if (size <= 0)
        return {};
    AnsiString text(static_cast<size_t>(size), '\0');
    TRegDataType type;
    GetData(name, text.data(), size, type);
    if (type != rdString && type != rdExpandString)
        ReadError(name);
    text.resize(std::strlen(text.c_str()));
    return text;
}

void TRegistry::WriteString(const AnsiString& name, const AnsiString& value) {
    PutData(name, value.c_str(), static_cast<int>(value.size() + 1), REG_SZ);
}

int TRegistry::ReadInteger(const AnsiString& name) {
    int32_t value = 0;
    TRegDataType type;
    GetData(name, &value, sizeof value, type);
    if (type != rdInteger)
        ReadError(name);
    return value;
}

void TRegistry::WriteInteger(const AnsiString& name, int value) {
    auto number = static_cast<int32_t>(value);
    PutData(name, &number, sizeof number, REG_DWORD);
}
