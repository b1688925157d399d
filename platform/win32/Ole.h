#pragma once
// GUIDs: the 16-byte record, the CLSID text parser and GUID creation.
#include "platform/win32/WinTypes.h"

struct GUID {
    DWORD Data1 = 0;
    WORD Data2 = 0;
    WORD Data3 = 0;
    BYTE Data4[8] = {};
    bool operator==(const GUID&) const = default;
};
static_assert(sizeof(GUID) == 16);

constexpr HRESULT S_OK = 0;
constexpr HRESULT NOERROR = 0;
constexpr HRESULT E_INVALIDARG = static_cast<HRESULT>(0x80070057);
constexpr HRESULT E_FAIL = static_cast<HRESULT>(0x80004005);
constexpr HRESULT CO_E_CLASSSTRING = static_cast<HRESULT>(0x800401F3);

// Parses "{xxxxxxxx-xxxx-xxxx-xxxx-xxxxxxxxxxxx}" (hex digits in either case) from wide text.
// Anything else, including trailing characters, gives CO_E_CLASSSTRING.
HRESULT CLSIDFromString(const WCHAR* text, GUID* clsid);

// A new random (version 4) GUID from the system's random source.
HRESULT CoCreateGuid(GUID* guid);
