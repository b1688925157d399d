// Splitting file names at the current profile's delimiter.
#include "platform/rtl/FileUtils.h"
#include "platform/rtl/FolderProfile.h"

namespace {
// Characters after which a file name part begins: the delimiter, and a drive's ':' under
// a Windows profile.
AnsiString Delimiters() {
    const char delimiter = PathDelim();
    return delimiter == '\\' ? AnsiString("\\:") : AnsiString(1, delimiter);
}

// Index just past the last delimiter (0 when none).
size_t NameStart(const AnsiString& fileName) {
    const size_t last = fileName.find_last_of(Delimiters());
    return last == AnsiString::npos ? 0 : last + 1;
}

// Index of the extension's dot, or npos.
size_t ExtensionStart(const AnsiString& fileName) {
    const size_t dot = fileName.find_last_of(Delimiters() + ".");
    return dot != AnsiString::npos && fileName[dot] == '.' ? dot : AnsiString::npos;
}
} // namespace

AnsiString ExtractFilePath(const AnsiString& fileName) {
    return fileName.substr(0, NameStart(fileName));
}

AnsiString ExtractFileName(const AnsiString& fileName) {
    return fileName.substr(NameStart(fileName));
}

AnsiString ExtractFileExt(const AnsiString& fileName) {
    const size_t dot = ExtensionStart(fileName);
    return dot == AnsiString::npos ? AnsiString() : fileName.substr(dot);
}

AnsiString ChangeFileExt(const AnsiString& fileName, const AnsiString& extension) {
    const size_t dot = ExtensionStart(fileName);
    return (dot == AnsiString::npos ? fileName : fileName.substr(0, dot)) + extension;
}

AnsiString IncludeTrailingPathDelimiter(const AnsiString& path) {
    const char delimiter = PathDelim();
    return !path.empty() && path.back() == delimiter ? path : path + delimiter;
}

AnsiString ExcludeTrailingPathDelimiter(const AnsiString& path) {
    const char delimiter = PathDelim();
    return !path.empty() && path.back() == delimiter ? path.substr(0, path.size() - 1) : path;
}
