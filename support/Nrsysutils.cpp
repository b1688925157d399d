#include "support/Nrsysutils.h"

#include "platform/rtl/FileUtils.h"
#include "platform/rtl/FolderProfile.h"
#include "platform/win32/Files.h"
#include "platform/win32/Synch.h"

namespace Nrsysutils {

void DecodeDateTime(TDateTime value, uint16_t& Year, uint16_t& Month, uint16_t& Day, uint16_t& Hour,
                    uint16_t& Min, uint16_t& Sec, uint16_t& MSec) {
    int year, month, day, hour, min, sec, msec;
    DecodeDate(value, year, month, day);
    DecodeTime(value, hour, min, sec, msec);
    Year = static_cast<uint16_t>(year);
    Month = static_cast<uint16_t>(month);
    Day = static_cast<uint16_t>(day);
    Hour = static_cast<uint16_t>(hour);
    Min = static_cast<uint16_t>(min);
    Sec = static_cast<uint16_t>(sec);
    MSec = static_cast<uint16_t>(msec);
}

TDateTime EncodeDateTime(uint16_t Year, uint16_t Month, uint16_t Day, uint16_t Hour, uint16_t Min,
                         uint16_t Sec, uint16_t MSec) {
    const TDateTime date = EncodeDate(Year, Month, Day);
    const TDateTime time = EncodeTime(Hour, Min, Sec, MSec);
    // Before 30 December 1899 the day is negative and the time counts away from zero.
    return date < 0 ? date - time : date + time;
}

AnsiString IntToOct(uint32_t Value) {
    AnsiString result;
    while (Value != 0) {
        result.insert(result.begin(), static_cast<char>('0' + (Value & 7)));
        Value >>= 3;
    }
    return result;
}

int32_t OctToInt(const AnsiString& Text) {
    uint32_t result = 0;
    for (char c : Text) {
        if (c < '0' || c > '7')
            return 0;
        result = result * 8 + static_cast<uint32_t>(c - '0');
    }
    return static_cast<int32_t>(result);
}

// The recursive definition tries every split after each star; only the last star
// matters for backtracking, since an earlier one can always absorb what a later
// retry would need. So remember the last star and where the text stood, and on a
// mismatch let that star take one byte more. Same results, no exponential blow-up.
bool MatchPatternSimple(const char* Text, const char* Pattern) {
    const char* text = Text;
    const char* pattern = Pattern;
    const char* starPattern = nullptr;
    const char* starText = nullptr;
    while (*text) {
        if (*pattern == '*') {
            starPattern = ++pattern;
            if (!*pattern)
                return true;
            starText = text;
        } else if (*pattern == '?' || *pattern == *text) {
            ++pattern;
            ++text;
        } else if (starPattern) {
            pattern = starPattern;
            text = ++starText;
        } else {
            return false;
        }
    }
    while (*pattern == '*')
        ++pattern;
    return *pattern == 0;
}

AnsiString GUIDToString(const GUID& Guid) {
    return Format("{%.8x-%.4x-%.4x-%.2x%.2x-%.2x%.2x%.2x%.2x%.2x%.2x}", Guid.Data1, Guid.Data2,
                  Guid.Data3, Guid.Data4[0], Guid.Data4[1], Guid.Data4[2], Guid.Data4[3],
                  Guid.Data4[4], Guid.Data4[5], Guid.Data4[6], Guid.Data4[7]);
}

GUID StringToGUID(const AnsiString& Text) {
    std::u16string wide(Text.begin(), Text.end()); // widening, byte for byte
    GUID result;
    if (CLSIDFromString(wide.c_str(), &result) != NOERROR)
        throw Exception("!!!!");
    return result;
}

HRESULT CreateGUID(GUID& Guid) {
    return CoCreateGuid(&Guid);
}

AnsiString GetDequotedString(const AnsiString& Text) {
    if (Text.size() >= 2 && (Text.front() == '"' || Text.front() == '\'') &&
        Text.back() == Text.front())
        return Text.substr(1, Text.size() - 2);
    return Text;
}

bool DirectoryExists(const AnsiString& Path) {
    DWORD attributes = GetFileAttributesA(Path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
}

AnsiString ExcludeTrailingPathDelimiter(const AnsiString& Path) {
    if (!Path.empty() && Path.back() == PathDelim())
        return Path.substr(0, Path.size() - 1);
    return Path;
}

bool ForceDirectories(const AnsiString& Path) {
    if (Path.empty())
        return false;
    AnsiString path = ExcludeTrailingPathDelimiter(Path);
    // A drive root ("C:") is shorter than 3 characters; on a system without drive
    // letters only the root itself ("/", empty once its delimiter is dropped) is.
    const size_t rootLength = PathDelim() == '\\' ? 3 : 1;
    AnsiString parent = ExtractFilePath(path);
    if (path.size() < rootLength || DirectoryExists(path) || path == parent)
        return true;
    // A relative name has no parent part: its parent is the current folder, which exists.
    if (!parent.empty() && !ForceDirectories(parent))
        return false;
    return CreateDirectoryA(path.c_str(), nullptr) != FALSE;
}

namespace {
// The unit's lock, alive for the whole process (from first use to process end).
class TCriticalSection {
public:
    TCriticalSection() { InitializeCriticalSection(&section_); }
    ~TCriticalSection() { DeleteCriticalSection(&section_); }
    void Enter() { EnterCriticalSection(&section_); }
    void Leave() { LeaveCriticalSection(&section_); }

private:
    CRITICAL_SECTION section_;
};

TCriticalSection& ThreadLock() {
    static TCriticalSection lock;
    return lock;
}
} // namespace

void nrEnterThreadCritical() {
    ThreadLock().Enter();
}
void nrLeaveThreadCritical() {
    ThreadLock().Leave();
}

} // namespace Nrsysutils
