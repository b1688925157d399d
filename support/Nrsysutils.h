#pragma once
// Small free functions of the communication library: date-time packing, octal text,
// a wildcard matcher, GUID texts, quote stripping, folders and the process-wide thread lock.
#include <cstdint>

#include "platform/rtl/DateUtils.h"
#include "platform/rtl/SysUtils.h"
#include "platform/win32/Ole.h"

namespace Nrsysutils {

void DecodeDateTime(TDateTime value, uint16_t& Year, uint16_t& Month, uint16_t& Day, uint16_t& Hour,
                    uint16_t& Min, uint16_t& Sec, uint16_t& MSec);
// Raises EConvertError for an impossible date or time.
TDateTime EncodeDateTime(uint16_t Year, uint16_t Month, uint16_t Day, uint16_t Hour, uint16_t Min,
                         uint16_t Sec, uint16_t MSec);

// Octal digits, most significant first; 0 gives an empty text.
AnsiString IntToOct(uint32_t Value);
// Value of an octal digit text (wrapping at 32 bits); any other character gives 0.
int32_t OctToInt(const AnsiString& Text);

// Case-sensitive match with "*" (any run, also empty) and "?" (any one byte).
// Works in O(text x pattern) at worst, whatever the number of stars.
bool MatchPatternSimple(const char* Text, const char* Pattern);

// "{4D36E978-E325-11CE-BFC1-08002BE10318}"
AnsiString GUIDToString(const GUID& Guid);
// Raises Exception("!!!!") for text the CLSID parser rejects.
GUID StringToGUID(const AnsiString& Text);
HRESULT CreateGUID(GUID& Guid);

// Strips one pair of matching double quotes or apostrophes around the text.
AnsiString GetDequotedString(const AnsiString& Text);

bool DirectoryExists(const AnsiString& Path);
AnsiString ExcludeTrailingPathDelimiter(const AnsiString& Path);
// Creates a folder and its missing parents; true when the folder exists afterwards.
bool ForceDirectories(const AnsiString& Path);

// The process-wide recursive thread lock.
void nrEnterThreadCritical();
void nrLeaveThreadCritical();

} // namespace Nrsysutils
