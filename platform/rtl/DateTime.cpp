// Encoding and decoding of day-count date-times, and the local clock.
#include <algorithm>
#include <cmath>
#include <ctime>

#include "platform/rtl/DateUtils.h"

namespace {
// Days from 1 January 0001 (day 1) to 30 December 1899 (day 0 of TDateTime).
constexpr int64_t DateDelta = 693594;
// TDateTime of 31 December 9999, the last day that decodes.
constexpr int64_t MaxDateTimeDay = 2958465;

// Day number since 1 January 0001 (= 1) and milliseconds into the day. The whole-day
// part counts towards zero and the fraction forward, as the day-count format defines.
struct TimeStamp {
    int64_t date = 0;
    int64_t time = 0;
};

bool ToTimeStamp(TDateTime value, TimeStamp& stamp) {
    if (!std::isfinite(value) || std::fabs(value) > MaxDateTimeDay + 1.0)
        return false;
    const int64_t total = std::llround(value * MSecsPerDay);
    const int64_t magnitude = total < 0 ? -total : total;
    const int64_t days = magnitude / MSecsPerDay;
    stamp.date = (total < 0 ? -days : days) + DateDelta;
    stamp.time = magnitude % MSecsPerDay;
    return true;
}
} // namespace

bool IsLeapYear(int year) {
    return year % 4 == 0 && (year % 100 != 0 || year % 400 == 0);
}

int DaysInAMonth(int year, int month) {
    static const int days[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    if (month < 1 || month > 12)
        return 0;
    return days[month - 1] + (month == 2 && IsLeapYear(year) ? 1 : 0);
}

bool TryEncodeDate(int year, int month, int day, TDateTime& result) {
    if (year < 1 || year > 9999 || month < 1 || month > 12 || day < 1 ||
        day > DaysInAMonth(year, month))
        return false;
    int64_t dayOfYear = day;
    for (int m = 1; m < month; ++m)
        dayOfYear += DaysInAMonth(year, m);
    const int64_t y = year - 1;
    result = static_cast<double>(y * 365 + y / 4 - y / 100 + y / 400 + dayOfYear - DateDelta);
    return true;
}

bool TryEncodeTime(int hour, int minute, int second, int millisecond, TDateTime& result) {
    if (hour < 0 || hour >= HoursPerDay || minute < 0 || minute >= 60 || second < 0 ||
        second >= 60 || millisecond < 0 || millisecond >= 1000)
        return false;
    const int64_t ms = ((int64_t(hour) * 60 + minute) * 60 + second) * 1000 + millisecond;
    result = static_cast<double>(ms) / MSecsPerDay;
    return true;
}

TDateTime EncodeDate(int year, int month, int day) {
    TDateTime result;
    if (!TryEncodeDate(year, month, day, result))
        throw EConvertError("Invalid argument to date encode");
    return result;
}

TDateTime EncodeTime(int hour, int minute, int second, int millisecond) {
    TDateTime result;
    if (!TryEncodeTime(hour, minute, second, millisecond, result))
        throw EConvertError("Invalid argument to time encode");
    return result;
}

void DecodeDate(TDateTime value, int& year, int& month, int& day) {
    year = month = day = 0;
    TimeStamp stamp;
    if (!ToTimeStamp(value, stamp) || stamp.date <= 0)
        return;
    constexpr int64_t D1 = 365;
    constexpr int64_t D4 = D1 * 4 + 1;
    constexpr int64_t D100 = D4 * 25 - 1;
    constexpr int64_t D400 = D100 * 4 + 1;
    int64_t t = stamp.date - 1;
    int64_t y = 1 + t / D400 * 400;
    t %= D400;
    // The last day of a 400-year (or 4-year) cycle belongs to its final century (year).
    int64_t i = std::min<int64_t>(t / D100, 3);
    t -= i * D100;
    y += i * 100;
    y += t / D4 * 4;
    t %= D4;
    i = std::min<int64_t>(t / D1, 3);
    t -= i * D1;
    y += i;
    if (y > 9999)
        return;
    int m = 1;
    while (t >= DaysInAMonth(static_cast<int>(y), m)) {
        t -= DaysInAMonth(static_cast<int>(y), m);
        ++m;
    }
    year = static_cast<int>(y);
    month = m;
    day = static_cast<int>(t) + 1;
}

void DecodeTime(TDateTime value, int& hour, int& minute, int& second, int& millisecond) {
    hour = minute = second = millisecond = 0;
    TimeStamp stamp;
    if (!ToTimeStamp(value, stamp))
        return;
    int64_t t = stamp.time;
    millisecond = static_cast<int>(t % 1000);
    t /= 1000;
    second = static_cast<int>(t % 60);
    t /= 60;
    minute = static_cast<int>(t % 60);
    hour = static_cast<int>(t / 60);
}

void DecodeDate(TDateTime value, uint16_t& year, uint16_t& month, uint16_t& day) {
    int y, m, d;
    DecodeDate(value, y, m, d);
    year = static_cast<uint16_t>(y);
    month = static_cast<uint16_t>(m);
    day = static_cast<uint16_t>(d);
}

void DecodeTime(TDateTime value, uint16_t& hour, uint16_t& minute, uint16_t& second,
                uint16_t& millisecond) {
    int h, m, s, ms;
    DecodeTime(value, h, m, s, ms);
    hour = static_cast<uint16_t>(h);
    minute = static_cast<uint16_t>(m);
    second = static_cast<uint16_t>(s);
    millisecond = static_cast<uint16_t>(ms);
}

int DayOfWeek(TDateTime value) {
    TimeStamp stamp;
    if (!ToTimeStamp(value, stamp) || stamp.date <= 0)
        return 0;
    return static_cast<int>(stamp.date % 7) + 1;
}

TDateTime Now() {
    timespec now{};
    clock_gettime(CLOCK_REALTIME, &now);
    tm local{};
    localtime_r(&now.tv_sec, &local);
    return EncodeDate(local.tm_year + 1900, local.tm_mon + 1, local.tm_mday) +
           EncodeTime(local.tm_hour, local.tm_min, std::min(local.tm_sec, 59),
                      static_cast<int>(now.tv_nsec / 1'000'000));
}

TDateTime Date() {
    return std::floor(Now());
}

TDateTime Time() {
    const TDateTime now = Now();
    return now - std::floor(now);
}
