// Integer conversion, case and trimming, text comparison, error texts.
#include "platform/rtl/SysUtils.h"

#include <algorithm>
#include <cinttypes>
#include <cstdio>
#include <limits>
#include <system_error>

EListError EListError::IndexOutOfBounds(int64_t index) {
    return EListError(Format("List index out of bounds (%d)", index));
}

AnsiString IntToStr(int64_t value) {
    return Format("%d", value);
}

AnsiString IntToHex(uint64_t value, int digits) {
    char buffer[24];
    std::snprintf(buffer, sizeof buffer, "%0*" PRIX64, std::clamp(digits, 0, 16), value);
    return buffer;
}

// Decimal with an optional sign, or hexadecimal after '$' or "0x"; leading blanks allowed.
bool TryStrToInt64(const AnsiString& text, int64_t& value) {
    size_t i = 0;
    while (i < text.size() && text[i] == ' ')
        ++i;
    bool negative = false;
    if (i < text.size() && (text[i] == '-' || text[i] == '+'))
        negative = text[i++] == '-';
    unsigned base = 10;
    if (i < text.size() && text[i] == '$') {
        base = 16;
        ++i;
    } else if (i + 1 < text.size() && text[i] == '0' &&
               (text[i + 1] == 'x' || text[i + 1] == 'X')) {
        base = 16;
        i += 2;
    }
    if (i == text.size())
        return false;
    // Accumulate the magnitude; the negative range reaches one further than the positive.
    const uint64_t limit = negative ? uint64_t(std::numeric_limits<int64_t>::max()) + 1
                                    : uint64_t(std::numeric_limits<int64_t>::max());
    uint64_t magnitude = 0;
    for (; i < text.size(); ++i) {
        const char c = text[i];
        unsigned digit;
        if (c >= '0' && c <= '9')
            digit = unsigned(c - '0');
        else if (base == 16 && c >= 'a' && c <= 'f')
            digit = unsigned(c - 'a' + 10);
        else if (base == 16 && c >= 'A' && c <= 'F')
            digit = unsigned(c - 'A' + 10);
        else
            return false;
        if (digit >= base || magnitude > (limit - digit) / base)
            return false;
        magnitude = magnitude * base + digit;
    }
    value = negative ? static_cast<int64_t>(0 - magnitude) : static_cast<int64_t>(magnitude);
    return true;
}

int64_t StrToInt64(const AnsiString& text) {
    int64_t value;
    if (!TryStrToInt64(text, value))
        throw EConvertError(Format("'%s' is not a valid integer value", text));
    return value;
}

int64_t StrToInt64Def(const AnsiString& text, int64_t fallback) {
    int64_t value;
    return TryStrToInt64(text, value) ? value : fallback;
}

namespace {
bool TryStrToInt32(const AnsiString& text, int& value) {
    int64_t wide;
    if (!TryStrToInt64(text, wide) || wide < std::numeric_limits<int>::min() ||
        wide > std::numeric_limits<int>::max())
        return false;
    value = static_cast<int>(wide);
    return true;
}

char ToUpper(char c) {
    return c >= 'a' && c <= 'z' ? char(c - 'a' + 'A') : c;
}
char ToLower(char c) {
    return c >= 'A' && c <= 'Z' ? char(c - 'A' + 'a') : c;
}
bool IsBlank(char c) {
    return static_cast<unsigned char>(c) <= ' ';
}
} // namespace

int StrToInt(const AnsiString& text) {
    int value;
    if (!TryStrToInt32(text, value))
        throw EConvertError(Format("'%s' is not a valid integer value", text));
    return value;
}

int StrToIntDef(const AnsiString& text, int fallback) {
    int value;
    return TryStrToInt32(text, value) ? value : fallback;
}

AnsiString UpperCase(const AnsiString& text) {
    AnsiString result = text;
    std::transform(result.begin(), result.end(), result.begin(), ToUpper);
    return result;
}

AnsiString LowerCase(const AnsiString& text) {
    AnsiString result = text;
    std::transform(result.begin(), result.end(), result.begin(), ToLower);
    return result;
}

AnsiString TrimLeft(const AnsiString& text) {
    size_t first = 0;
    while (first < text.size() && IsBlank(text[first]))
        ++first;
    return text.substr(first);
}

AnsiString TrimRight(const AnsiString& text) {
    size_t end = text.size();
    while (end > 0 && IsBlank(text[end - 1]))
        --end;
    return text.substr(0, end);
}

AnsiString Trim(const AnsiString& text) {
    return TrimLeft(TrimRight(text));
}

int CompareText(const AnsiString& a, const AnsiString& b) {
    const size_t common = std::min(a.size(), b.size());
    for (size_t i = 0; i < common; ++i) {
        const int diff =
            static_cast<unsigned char>(ToUpper(a[i])) - static_cast<unsigned char>(ToUpper(b[i]));
        if (diff != 0)
            return diff;
    }
    return a.size() < b.size() ? -1 : a.size() > b.size() ? 1 : 0;
}

bool SameText(const AnsiString& a, const AnsiString& b) {
    return CompareText(a, b) == 0;
}

namespace {
// Primary weight: punctuation and blanks by code, then digits, then letters without case,
// then bytes beyond ASCII by code.
int CollationWeight(char c) {
    const auto byte = static_cast<unsigned char>(c);
    if (byte >= '0' && byte <= '9')
        return 0x100 + byte;
    if ((byte >= 'a' && byte <= 'z') || (byte >= 'A' && byte <= 'Z'))
        return 0x200 + ToLower(c);
    if (byte >= 0x80)
        return 0x300 + byte;
    return byte;
}

int Sign(int value) {
    return (value > 0) - (value < 0);
}
} // namespace

int AnsiCompareText(const AnsiString& a, const AnsiString& b) {
    const size_t common = std::min(a.size(), b.size());
    for (size_t i = 0; i < common; ++i) {
        const int diff = CollationWeight(a[i]) - CollationWeight(b[i]);
        if (diff != 0)
            return Sign(diff);
    }
    return a.size() < b.size() ? -1 : a.size() > b.size() ? 1 : 0;
}

int AnsiCompareStr(const AnsiString& a, const AnsiString& b) {
    if (const int primary = AnsiCompareText(a, b); primary != 0)
        return primary;
    // Same letters: the first difference in case decides, lower case first.
    for (size_t i = 0; i < a.size(); ++i) {
        if (a[i] != b[i])
            return a[i] >= 'a' && a[i] <= 'z' ? -1 : 1;
    }
    return 0;
}

bool AnsiSameText(const AnsiString& a, const AnsiString& b) {
    return AnsiCompareText(a, b) == 0;
}

AnsiString SysErrorMessage(int error) {
    AnsiString text = std::generic_category().message(error);
    while (!text.empty() && (text.back() == '.' || IsBlank(text.back())))
        text.pop_back();
    return text;
}
