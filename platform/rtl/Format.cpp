// Format: the platform's directive syntax "%" [index ":"] ["-"] [width] ["." precision] type.
#include <cinttypes>
#include <cstdio>

#include "platform/rtl/SysUtils.h"

namespace {

[[noreturn]] void RaiseInvalid(const char* format) {
    throw EConvertError("Format '" + AnsiString(format) +
                        "' invalid or incompatible with argument");
}

struct Directive {
    bool leftJustify = false;
    int width = -1;
    int precision = -1;
    char type = 0;
};

class Formatter {
public:
    Formatter(const char* format, const TVarRec* args, size_t count)
        : format_(format), args_(args), count_(count) {}

    AnsiString Run() {
        AnsiString out;
        const char* p = format_;
        while (*p) {
            if (*p != '%') {
                out += *p++;
                continue;
            }
            ++p;
            if (*p == '%') {
                out += '%';
                ++p;
                continue;
            }
            Directive d;
            p = ParseDirective(p, d);
            out += Pad(Convert(d, NextArg()), d);
        }
        return out;
    }

private:
    const TVarRec& NextArg() {
        if (next_ >= count_)
            RaiseInvalid(format_);
        return args_[next_++];
    }

    // A number, or '*' taking it from the arguments; -1 when absent.
    int ParseNumber(const char*& p) {
        if (*p == '*') {
            ++p;
            const TVarRec& arg = NextArg();
            if (arg.VType != TVarRec::vtInteger)
                RaiseInvalid(format_);
            return static_cast<int>(arg.VInteger);
        }
        if (*p < '0' || *p > '9')
            return -1;
        int64_t value = 0;
        while (*p >= '0' && *p <= '9') {
            value = value * 10 + (*p++ - '0');
            if (value > 1'000'000)
                RaiseInvalid(format_);
        }
        return static_cast<int>(value);
    }

    const char* ParseDirective(const char* p, Directive& d) {
        // An explicit argument index "%1:s" sets where the following directives read from.
        const char* digits = p;
        while (*digits >= '0' && *digits <= '9')
            ++digits;
        if (*digits == ':') {
            next_ = digits == p ? 0 : static_cast<size_t>(ParseNumber(p));
            p = digits + 1;
        }
        if (*p == '-') {
            d.leftJustify = true;
            ++p;
        }
        d.width = ParseNumber(p);
        if (*p == '.') {
            ++p;
            d.precision = ParseNumber(p);
            if (d.precision < 0)
                d.precision = 0;
        }
        if (!*p)
            RaiseInvalid(format_);
        d.type = *p++;
        return p;
    }

    // Negative integers print as their two's complement: 32 bits when they fit, else 64.
    static uint64_t AsUnsigned(int64_t value) {
        if (value < 0 && value >= INT32_MIN)
            return static_cast<uint32_t>(value);
        return static_cast<uint64_t>(value);
    }

    static AnsiString ZeroPad(AnsiString digits, int precision) {
        if (precision > 0 && static_cast<int>(digits.size()) < precision)
            digits.insert(0, static_cast<size_t>(precision) - digits.size(), '0');
        return digits;
    }

    AnsiString Convert(const Directive& d, const TVarRec& arg) {
        char buffer[64];
        switch (d.type) {
        case 'd':
        case 'D': {
            if (arg.VType != TVarRec::vtInteger)
                RaiseInvalid(format_);
            const bool negative = arg.VInteger < 0;
            const uint64_t magnitude = negative ? 0 - static_cast<uint64_t>(arg.VInteger)
                                                : static_cast<uint64_t>(arg.VInteger);
            std::snprintf(buffer, sizeof buffer, "%" PRIu64, magnitude);
            return (negative ? "-" : "") + ZeroPad(buffer, d.precision);
        }
        case 'u':
        case 'U':
            if (arg.VType != TVarRec::vtInteger)
                RaiseInvalid(format_);
            std::snprintf(buffer, sizeof buffer, "%" PRIu64, AsUnsigned(arg.VInteger));
            return ZeroPad(buffer, d.precision);
        case 'x':
        case 'X':
            if (arg.VType != TVarRec::vtInteger)
                RaiseInvalid(format_);
            std::snprintf(buffer, sizeof buffer, "%" PRIX64, AsUnsigned(arg.VInteger));
            return ZeroPad(buffer, d.precision);
        case 'p':
        case 'P':
            if (arg.VType != TVarRec::vtPointer)
                RaiseInvalid(format_);
            std::snprintf(buffer, sizeof buffer, "%016" PRIXPTR,
                          reinterpret_cast<uintptr_t>(arg.VPointer));
            return buffer;
        case 'c':
        case 'C':
            if (arg.VType == TVarRec::vtChar)
                return arg.VString;
            if (arg.VType == TVarRec::vtInteger)
                return AnsiString(1, static_cast<char>(arg.VInteger));
            RaiseInvalid(format_);
        case 's':
        case 'S': {
            if (arg.VType != TVarRec::vtString && arg.VType != TVarRec::vtChar)
                RaiseInvalid(format_);
            if (d.precision >= 0 && static_cast<size_t>(d.precision) < arg.VString.size())
                return arg.VString.substr(0, static_cast<size_t>(d.precision));
            return arg.VString;
        }
        case 'f':
        case 'F':
        case 'e':
        case 'E':
        case 'g':
        case 'G': {
            if (arg.VType != TVarRec::vtExtended)
                RaiseInvalid(format_);
            const char conversion[] = {'%', '.', '*', static_cast<char>(d.type | 0x20), 0};
            int precision = d.precision;
            if (precision < 0)
                precision = (d.type | 0x20) == 'f' ? 2 : 15;
            const int length = std::snprintf(nullptr, 0, conversion, precision, arg.VExtended);
            AnsiString text(static_cast<size_t>(length > 0 ? length : 0), '\0');
            std::snprintf(text.data(), text.size() + 1, conversion, precision, arg.VExtended);
            return text;
        }
        default:
            RaiseInvalid(format_);
        }
    }

    static AnsiString Pad(AnsiString text, const Directive& d) {
        if (d.width > 0 && static_cast<int>(text.size()) < d.width) {
            const size_t fill = static_cast<size_t>(d.width) - text.size();
            if (d.leftJustify)
                text.append(fill, ' ');
            else
                text.insert(0, fill, ' ');
        }
        return text;
    }

    const char* format_;
    const TVarRec* args_;
    size_t count_;
    size_t next_ = 0;
};

} // namespace

AnsiString FormatArgs(const char* format, const TVarRec* args, size_t count) {
    if (!format)
        return AnsiString();
    return Formatter(format, args, count).Run();
}
