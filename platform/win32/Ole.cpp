#include "platform/win32/Ole.h"

#include <random>

namespace {
int HexDigit(WCHAR c) {
    if (c >= u'0' && c <= u'9')
        return c - u'0';
    if (c >= u'a' && c <= u'f')
        return c - u'a' + 10;
    if (c >= u'A' && c <= u'F')
        return c - u'A' + 10;
    return -1;
}

// Reads `digits` hex digits at text[pos]; false on a non-digit (including the terminator).
bool ReadHex(const WCHAR* text, size_t& pos, int digits, uint32_t& value) {
    value = 0;
    for (int i = 0; i < digits; ++i) {
        int digit = HexDigit(text[pos]);
        if (digit < 0)
            return false;
        value = value * 16 + static_cast<uint32_t>(digit);
        ++pos;
    }
    return true;
}

bool Expect(const WCHAR* text, size_t& pos, WCHAR c) {
    if (text[pos] != c)
        return false;
    ++pos;
    return true;
}
} // namespace

HRESULT CLSIDFromString(const WCHAR* text, GUID* clsid) {
    if (!text || !clsid)
        return E_INVALIDARG;
    GUID result;
    size_t pos = 0;
    uint32_t value = 0;
    if (!Expect(text, pos, u'{') || !ReadHex(text, pos, 8, value))
        return CO_E_CLASSSTRING;
    result.Data1 = value;
    if (!Expect(text, pos, u'-') || !ReadHex(text, pos, 4, value))
        return CO_E_CLASSSTRING;
    result.Data2 = static_cast<WORD>(value);
    if (!Expect(text, pos, u'-') || !ReadHex(text, pos, 4, value))
        return CO_E_CLASSSTRING;
    result.Data3 = static_cast<WORD>(value);
    if (!Expect(text, pos, u'-'))
        return CO_E_CLASSSTRING;
    for (int i = 0; i < 8; ++i) {
        if (i == 2 && !Expect(text, pos, u'-'))
            return CO_E_CLASSSTRING;
        if (!ReadHex(text, pos, 2, value))
            return CO_E_CLASSSTRING;
        result.Data4[i] = static_cast<BYTE>(value);
    }
    if (!Expect(text, pos, u'}') || text[pos] != 0)
        return CO_E_CLASSSTRING;
    *clsid = result;
    return NOERROR;
}

HRESULT CoCreateGuid(GUID* guid) {
    if (!guid)
        return E_INVALIDARG;
    std::random_device source;
    uint8_t bytes[16];
    for (auto& byte : bytes)
        byte = static_cast<uint8_t>(source());
    bytes[6] = static_cast<uint8_t>((bytes[6] & 0x0F) | 0x40); // version 4
    bytes[8] = static_cast<uint8_t>((bytes[8] & 0x3F) | 0x80); // RFC 4122 variant
    guid->Data1 = static_cast<DWORD>(bytes[0] << 24 | bytes[1] << 16 | bytes[2] << 8 | bytes[3]);
    guid->Data2 = static_cast<WORD>(bytes[4] << 8 | bytes[5]);
    guid->Data3 = static_cast<WORD>(bytes[6] << 8 | bytes[7]);
    for (int i = 0; i < 8; ++i)
        guid->Data4[i] = bytes[8 + i];
    return S_OK;
}
