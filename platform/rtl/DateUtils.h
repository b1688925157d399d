#pragma once
// Date and time as a day count: whole days since 30 December 1899 plus the fraction of
// the day. Before that day the whole part is negative and the fraction still counts
// forward from midnight (-1.25 is 29 December 1899, 06:00).
#include <cstdint>

#include "platform/rtl/SysUtils.h"

using TDateTime = double;

constexpr int HoursPerDay = 24;
constexpr int MinsPerDay = HoursPerDay * 60;
constexpr int SecsPerDay = MinsPerDay * 60;
constexpr int MSecsPerDay = SecsPerDay * 1000;

bool IsLeapYear(int year);
int DaysInAMonth(int year, int month);

// Raise EConvertError "Invalid argument to date encode" / "Invalid argument to time
// encode" for an impossible date (year 1..9999) or time.
TDateTime EncodeDate(int year, int month, int day);
TDateTime EncodeTime(int hour, int minute, int second, int millisecond);
bool TryEncodeDate(int year, int month, int day, TDateTime& result);
bool TryEncodeTime(int hour, int minute, int second, int millisecond, TDateTime& result);
// Out-of-range values decode as 0 in every part.
void DecodeDate(TDateTime value, int& year, int& month, int& day);
void DecodeTime(TDateTime value, int& hour, int& minute, int& second, int& millisecond);
// The same with the platform's 16-bit parts.
void DecodeDate(TDateTime value, uint16_t& year, uint16_t& month, uint16_t& day);
void DecodeTime(TDateTime value, uint16_t& hour, uint16_t& minute, uint16_t& second,
                uint16_t& millisecond);
int DayOfWeek(TDateTime value); // 1 = Sunday .. 7 = Saturday

// Local time.
TDateTime Now();
TDateTime Date();
TDateTime Time();

// Patterns: yyyy yy m mm mmm mmmm d dd ddd dddd h hh n nn s ss z zzz am/pm, "quoted" and
// 'quoted' text, and the separators : and / (as ':' and '-'). "m" after h/hh means minutes.
AnsiString FormatDateTime(const AnsiString& format, TDateTime value);
// "yyyy-mm-dd hh:nn:ss", without the time when it is midnight.
AnsiString DateTimeToStr(TDateTime value);
AnsiString DateToStr(TDateTime value); // "yyyy-mm-dd"
AnsiString TimeToStr(TDateTime value); // "hh:nn:ss"
