// Registry key names and values as texts.
#include <vector>

#include "devices/pnp/nrwin32helpers.h"
#include "platform/win32/CodePage.h"
#include "platform/win32/Modules.h"

namespace {
constexpr size_t ROOT_NAME_POSITION = 10;    // after "\REGISTRY"
constexpr size_t MACHINE_PREFIX_LENGTH = 18; // "\REGISTRY\MACHINE\"
constexpr size_t USER_PREFIX_LENGTH = 15;    // "\REGISTRY\USER\"

// The UTF-16 text at Text, up to its zero, in the single-byte code page.
AnsiString Narrowed(const WCHAR* Text) {
    const int size = WideCharToMultiByte(CP_ACP, 0, Text, -1, nullptr, 0, nullptr, nullptr);
    if (size <= 1)
        return {};
    AnsiString narrow(static_cast<size_t>(size), '\0');
    WideCharToMultiByte(CP_ACP, 0, Text, -1, narrow.data(), size, nullptr, nullptr);
    narrow.pop_back();
    return narrow;
}

// Position (1-based, as the text functions count) of the first occurrence, 0 when none.
size_t Pos(const AnsiString& Sub, const AnsiString& Text) {
    const size_t at = Text.find(Sub);
    return at == AnsiString::npos ? 0 : at + 1;
}

// Asks the kernel's key-name query; false when there is no name to be had.
bool QueryKeyName(HKEY Key, AnsiString& Name) {
    HMODULE ntdll = LoadLibraryA("ntdll.dll");
    if (!ntdll)
        return false;
    auto query = reinterpret_cast<decltype(&ZwQueryKey)>(GetProcAddress(ntdll, "ZwQueryKey"));
    bool named = false;
    if (query) {
        ULONG needed = 0;
        query(Key, KeyNameInformation, nullptr, 0, &needed);
        std::vector<uint8_t> block(size_t(needed) + 2, 0);
        if (needed >= sizeof(ULONG) &&
            query(Key, KeyNameInformation, block.data(), needed, &needed) == STATUS_SUCCESS) {
            // Two extra zero bytes end the text; the block is aligned for its 32-bit length.
            Name = Narrowed(reinterpret_cast<const WCHAR*>(block.data() + sizeof(ULONG)));
            named = true;
        }
    }
    FreeLibrary(ntdll);
    return named;
}
} // namespace

AnsiString RegGetKeyFullName(HKEY Key, HKEY* Root) {
    AnsiString result;
    if (Key == INVALID_HANDLE_VALUE || !QueryKeyName(Key, result))
        return {};
    if (!Root)
        return result;
    if (Pos("\\MACHINE\\", result) == ROOT_NAME_POSITION) {
        *Root = HKEY_LOCAL_MACHINE;
        result.erase(0, MACHINE_PREFIX_LENGTH);
    } else if (Pos("\\USER\\", result) == ROOT_NAME_POSITION) {
        *Root = HKEY_CURRENT_USER;
        result.erase(0, USER_PREFIX_LENGTH);
        // The user's security identifier.
        if (const size_t slash = result.find('\\'); slash != AnsiString::npos)
            result.erase(0, slash + 1);
    } else {
        *Root = nullptr;
    }
    return result;
}

AnsiString RegGetKeyParentName(const AnsiString& Path) {
    const size_t slash = Path.rfind('\\');
    return slash == AnsiString::npos ? AnsiString() : Path.substr(0, slash);
}

AnsiString RegReadString(HKEY Root, const AnsiString& Path, const AnsiString& ValueName) {
    HKEY key = nullptr;
    if (RegOpenKeyExA(Root, Path.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS)
        return {};
    AnsiString result;
    DWORD size = 0;
    if (RegQueryValueExA(key, ValueName.c_str(), nullptr, nullptr, nullptr, &size) ==
        ERROR_SUCCESS) {
        AnsiString data(size, ' ');
        DWORD type = REG_NONE;
        if (RegQueryValueExA(key, ValueName.c_str(), nullptr, &type,
                             reinterpret_cast<BYTE*>(data.data()), &size) == ERROR_SUCCESS) {
            data.resize(size);
            // A string's terminating NUL; other values keep every byte.
            const bool text = type == REG_SZ || type == REG_EXPAND_SZ;
            if (text && !data.empty() && data.back() == '\0')
                data.pop_back();
            result = data;
        }
    }
    RegCloseKey(key);
    return result;
}

AnsiString GetParsedWin32StrList(const char* Buffer, int32_t Length, const AnsiString& Separator) {
    AnsiString result;
    if (Length < 2 || !Buffer)
        return result;
    for (int32_t i = 0; i <= Length - 2; ++i) {
        if (Buffer[i] != '\0')
            result += Buffer[i];
        else if (i == Length - 2)
            break;
        else
            result += Separator;
    }
    return result;
}
