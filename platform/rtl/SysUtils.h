#pragma once
// Strings, formatting and the platform's exception classes.
#include <cstdint>
#include <stdexcept>
#include <string>
#include <type_traits>

// A byte string; may hold zero bytes and serves as a byte container.
using AnsiString = std::string;

// Base of every error the platform raises. Message is the text the error display shows.
class Exception : public std::exception {
public:
    explicit Exception(AnsiString message) : Message(std::move(message)) {}
    const char* what() const noexcept override { return Message.c_str(); }
    AnsiString Message;
};

// List index out of range: "List index out of bounds (%d)".
class EListError : public Exception {
public:
    using Exception::Exception;
    static EListError IndexOutOfBounds(int64_t index);
};

class EStreamError : public Exception {
public:
    using Exception::Exception;
};
// "Stream read error"
class EReadError : public EStreamError {
public:
    EReadError() : EStreamError("Stream read error") {}
    using EStreamError::EStreamError;
};
// "Stream write error"
class EWriteError : public EStreamError {
public:
    EWriteError() : EStreamError("Stream write error") {}
    using EStreamError::EStreamError;
};
class EFCreateError : public EStreamError {
public:
    using EStreamError::EStreamError;
};
class EFOpenError : public EStreamError {
public:
    using EStreamError::EStreamError;
};
// A file that cannot be read or written in full: the message names the file and the
// system's reason; ErrorCode is the errno value.
class EInOutError : public Exception {
public:
    EInOutError(AnsiString message, int errorCode)
        : Exception(std::move(message)), ErrorCode(errorCode) {}
    int ErrorCode;
};
// "'%s' is not a valid integer value", or another conversion text.
class EConvertError : public Exception {
public:
    using Exception::Exception;
};
// "Abstract Error"
class EAbstractError : public Exception {
public:
    EAbstractError() : Exception("Abstract Error") {}
};
// "Out of memory"
class EOutOfMemory : public Exception {
public:
    EOutOfMemory() : Exception("Out of memory") {}
};
// An operating-system failure with its error code.
class EOSError : public Exception {
public:
    EOSError(AnsiString message, uint32_t errorCode)
        : Exception(std::move(message)), ErrorCode(errorCode) {}
    uint32_t ErrorCode;
};

// One argument of Format, like the platform's "array of const" entry.
struct TVarRec {
    enum Kind { vtInteger, vtString, vtChar, vtExtended, vtPointer } VType;
    int64_t VInteger = 0;
    AnsiString VString;
    double VExtended = 0;
    const void* VPointer = nullptr;

    template <class T>
    requires std::is_integral_v<T> || std::is_enum_v<T> TVarRec(T value)
        : VType(vtInteger), VInteger(static_cast<int64_t>(value)) {}
    TVarRec(char value) : VType(vtChar), VString(1, value) {}
    TVarRec(const AnsiString& value) : VType(vtString), VString(value) {}
    TVarRec(const char* value) : VType(vtString), VString(value ? value : "") {}
    TVarRec(double value) : VType(vtExtended), VExtended(value) {}
    TVarRec(const void* value) : VType(vtPointer), VPointer(value) {}
};

// Formatting with the platform's directives: %s %d %u %x %X %c %p %f %e %g %%, with
// an argument index ("%1:s"), the '-' flag, width and precision ("%.8x" zero-pads to 8
// digits, "%2X" pads with spaces; '*' takes either from the arguments). Hexadecimal is
// upper-case for %x and %X alike, as on the platform; negative integers print as their
// 32-bit two's complement under %u/%x. A bad directive, a directive that does not fit its
// argument or a missing argument raises EConvertError
// "Format '%s' invalid or incompatible with argument".
AnsiString FormatArgs(const char* format, const TVarRec* args, size_t count);

template <class... Args> AnsiString Format(const char* format, const Args&... args) {
    if constexpr (sizeof...(Args) == 0) {
        return FormatArgs(format, nullptr, 0);
    } else {
        const TVarRec records[] = {TVarRec(args)...};
        return FormatArgs(format, records, sizeof...(Args));
    }
}

AnsiString IntToStr(int64_t value);
AnsiString IntToHex(uint64_t value, int digits);
int StrToInt(const AnsiString& text); // raises EConvertError
int StrToIntDef(const AnsiString& text, int fallback);
AnsiString UpperCase(const AnsiString& text);
AnsiString LowerCase(const AnsiString& text);
AnsiString Trim(const AnsiString& text);
int CompareText(const AnsiString& a, const AnsiString& b); // ASCII case-insensitive
bool SameText(const AnsiString& a, const AnsiString& b);

int64_t StrToInt64(const AnsiString& text); // raises EConvertError
int64_t StrToInt64Def(const AnsiString& text, int64_t fallback);
bool TryStrToInt64(const AnsiString& text, int64_t& value);
AnsiString TrimLeft(const AnsiString& text);
AnsiString TrimRight(const AnsiString& text);

// Collation order of user-visible lists: punctuation, then digits, then letters, letters
// compared without case; AnsiCompareStr then puts a lower-case letter before its capital.
int AnsiCompareText(const AnsiString& a, const AnsiString& b);
int AnsiCompareStr(const AnsiString& a, const AnsiString& b);
bool AnsiSameText(const AnsiString& a, const AnsiString& b);

// The line break of text files and of string lists' Text.
inline constexpr const char* sLineBreak = "\n";

// The system's text for an errno value, without a trailing full stop.
AnsiString SysErrorMessage(int error);
