#include "platform/win32/CodePage.h"

#include <cstring>
#include <string>

namespace {
std::u16string Widen(std::string_view text) {
    std::u16string wide;
    for (size_t i = 0; i < text.size();) {
        auto byte = static_cast<unsigned char>(text[i]);
        int length = byte < 0x80         ? 1
                     : (byte >> 5) == 6  ? 2
                     : (byte >> 4) == 14 ? 3
                     : (byte >> 3) == 30 ? 4
                                         : 0;
        uint32_t code = length == 1   ? byte
                        : length == 2 ? byte & 0x1F
                        : length == 3 ? byte & 0x0F
                                      : byte & 0x07;
        bool valid = length > 0 && i + static_cast<size_t>(length) <= text.size();
        for (int k = 1; valid && k < length; ++k) {
            auto next = static_cast<unsigned char>(text[i + static_cast<size_t>(k)]);
            valid = (next & 0xC0) == 0x80;
            code = code << 6 | (next & 0x3F);
        }
        if (!valid) {
            wide += static_cast<char16_t>(byte);
            ++i;
            continue;
        }
        if (code >= 0x10000) {
            code -= 0x10000;
            wide += static_cast<char16_t>(0xD800 + (code >> 10));
            wide += static_cast<char16_t>(0xDC00 + (code & 0x3FF));
        } else {
            wide += static_cast<char16_t>(code);
        }
        i += static_cast<size_t>(length);
    }
    return wide;
}

void AppendUtf8(std::string& out, uint32_t code) {
    if (code < 0x80) {
        out += static_cast<char>(code);
    } else if (code < 0x800) {
        out += static_cast<char>(0xC0 | code >> 6);
        out += static_cast<char>(0x80 | (code & 0x3F));
    } else if (code < 0x10000) {
        out += static_cast<char>(0xE0 | code >> 12);
        out += static_cast<char>(0x80 | (code >> 6 & 0x3F));
        out += static_cast<char>(0x80 | (code & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | code >> 18);
        out += static_cast<char>(0x80 | (code >> 12 & 0x3F));
        out += static_cast<char>(0x80 | (code >> 6 & 0x3F));
        out += static_cast<char>(0x80 | (code & 0x3F));
    }
}

// A lone surrogate becomes U+FFFD.
std::string Narrow(std::u16string_view wide) {
    std::string out;
    for (size_t i = 0; i < wide.size(); ++i) {
        uint32_t code = wide[i];
        if (code >= 0xD800 && code < 0xDC00 && i + 1 < wide.size() && wide[i + 1] >= 0xDC00 &&
            wide[i + 1] < 0xE000) {
            code = 0x10000 + ((code - 0xD800) << 10) + (wide[i + 1] - 0xDC00);
            ++i;
        } else if (code >= 0xD800 && code < 0xE000) {
            code = 0xFFFD;
        }
        AppendUtf8(out, code);
    }
    return out;
}

template <class Out, class Text> int CopyOut(const Text& converted, Out* buffer, int size) {
    const int needed = static_cast<int>(converted.size());
    if (size == 0)
        return needed;
    if (needed > size) {
        SetLastError(ERROR_INSUFFICIENT_BUFFER);
        return 0;
    }
    std::memcpy(buffer, converted.data(), converted.size() * sizeof(Out));
    return needed;
}
} // namespace

int WideCharToMultiByte(UINT, DWORD, const WCHAR* wide, int wideCount, LPSTR multi, int multiSize,
                        LPCSTR, BOOL* usedDefaultChar) {
    if (!wide || wideCount == 0 || wideCount < -1 || multiSize < 0 || (multiSize > 0 && !multi)) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return 0;
    }
    const size_t count =
        wideCount == -1 ? std::char_traits<char16_t>::length(wide) + 1 : size_t(wideCount);
    if (usedDefaultChar)
        *usedDefaultChar = FALSE;
    return CopyOut(Narrow(std::u16string_view(wide, count)), multi, multiSize);
}

int MultiByteToWideChar(UINT, DWORD, LPCSTR multi, int multiCount, WCHAR* wide, int wideSize) {
    if (!multi || multiCount == 0 || multiCount < -1 || wideSize < 0 || (wideSize > 0 && !wide)) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return 0;
    }
    const size_t count = multiCount == -1 ? std::strlen(multi) + 1 : size_t(multiCount);
    return CopyOut(Widen(std::string_view(multi, count)), wide, wideSize);
}
