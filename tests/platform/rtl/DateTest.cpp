#include <gtest/gtest.h>

#include <cmath>

#include "platform/rtl/DateUtils.h"

namespace {
struct Ymd {
    int year, month, day;
    bool operator==(const Ymd&) const = default;
};
Ymd Decoded(TDateTime value) {
    Ymd d{};
    DecodeDate(value, d.year, d.month, d.day);
    return d;
}
} // namespace

TEST(DateEncoding, KnownDayNumbers) {
    EXPECT_EQ(EncodeDate(1899, 12, 30), 0.0);
    EXPECT_EQ(EncodeDate(1900, 1, 1), 2.0);
    EXPECT_EQ(EncodeDate(2000, 1, 1), 36526.0);
    EXPECT_EQ(EncodeDate(1, 1, 1), -693593.0);
    EXPECT_EQ(EncodeDate(9999, 12, 31), 2958465.0);
    EXPECT_EQ(DayOfWeek(EncodeDate(2000, 1, 1)), 7); // a Saturday
    uint16_t year, month, day;
    DecodeDate(EncodeDate(2024, 2, 29), year, month, day);
    EXPECT_EQ(year * 10000 + month * 100 + day, 20240229);
}

TEST(DateEncoding, LeapDaysAndImpossibleDates) {
    EXPECT_NO_THROW(EncodeDate(2000, 2, 29));
    EXPECT_NO_THROW(EncodeDate(2024, 2, 29));
    try {
        EncodeDate(1900, 2, 29);
        FAIL();
    } catch (const EConvertError& e) {
        EXPECT_EQ(e.Message, "Invalid argument to date encode");
    }
    for (const Ymd bad : {Ymd{2100, 2, 29}, Ymd{2023, 4, 31}, Ymd{2023, 13, 1}, Ymd{2023, 0, 1},
                          Ymd{0, 1, 1}, Ymd{10000, 1, 1}, Ymd{2023, 1, 0}})
        EXPECT_THROW(EncodeDate(bad.year, bad.month, bad.day), EConvertError)
            << bad.year << "-" << bad.month << "-" << bad.day;
}

TEST(DateEncoding, EveryDayRoundTripsAcrossCenturyAndCycleEdges) {
    for (const int year :
         {1, 4, 99, 100, 101, 399, 400, 401, 1600, 1899, 1900, 1999, 2000, 2100, 9999}) {
        for (int month = 1; month <= 12; ++month) {
            for (int day = 1; day <= DaysInAMonth(year, month); ++day) {
                ASSERT_EQ(Decoded(EncodeDate(year, month, day)), (Ymd{year, month, day}))
                    << year << "-" << month << "-" << day;
            }
        }
    }
}

TEST(TimeEncoding, RoundTripsAndRejectsImpossibleTimes) {
    int h, m, s, ms;
    DecodeTime(EncodeTime(23, 59, 59, 999), h, m, s, ms);
    EXPECT_EQ(h * 10'000'000 + m * 100'000 + s * 1000 + ms, 235'959'999);
    DecodeTime(EncodeTime(12, 0, 0, 1), h, m, s, ms);
    EXPECT_EQ(ms, 1);
    EXPECT_EQ(EncodeTime(6, 0, 0, 0), 0.25);
    try {
        EncodeTime(24, 0, 0, 0);
        FAIL();
    } catch (const EConvertError& e) {
        EXPECT_EQ(e.Message, "Invalid argument to time encode");
    }
    EXPECT_THROW(EncodeTime(0, 60, 0, 0), EConvertError);
    EXPECT_THROW(EncodeTime(0, 0, 60, 0), EConvertError);
    EXPECT_THROW(EncodeTime(0, 0, 0, 1000), EConvertError);
    EXPECT_THROW(EncodeTime(-1, 0, 0, 0), EConvertError);
}

TEST(DateDecoding, NegativeDaysCountTheFractionForwardFromMidnight) {
    int h, m, s, ms;
    EXPECT_EQ(Decoded(-1.25), (Ymd{1899, 12, 29}));
    DecodeTime(-1.25, h, m, s, ms);
    EXPECT_EQ(h, 6);
    // A value a hair below midnight rounds to the next day, not to 24:00.
    const TDateTime almost = EncodeDate(2001, 3, 4) + 1.0 - 1e-10;
    EXPECT_EQ(Decoded(almost), (Ymd{2001, 3, 5}));
    DecodeTime(almost, h, m, s, ms);
    EXPECT_EQ(h + m + s + ms, 0);
}

TEST(DateDecoding, OutOfRangeValuesDecodeAsZero) {
    EXPECT_EQ(Decoded(-700000.0), (Ymd{0, 0, 0})); // before year 1
    for (const double bad : {3e6, double(NAN), double(INFINITY), -1e300}) {
        EXPECT_EQ(Decoded(bad), (Ymd{0, 0, 0})) << bad;
        int h = -1, m = -1, s = -1, ms = -1;
        DecodeTime(bad, h, m, s, ms);
        EXPECT_EQ(h == 0 && m == 0 && s == 0 && ms == 0, true) << bad;
    }
}

TEST(DateFormatting, PatternsNamesAndLiterals) {
    const TDateTime value = EncodeDate(2024, 3, 7) + EncodeTime(14, 5, 9, 42);
    EXPECT_EQ(FormatDateTime("yyyy-mm-dd hh:nn:ss.zzz", value), "2024-03-07 14:05:09.042");
    EXPECT_EQ(FormatDateTime("d/m/yy h:m:s", value), "7-3-24 14:5:9");
    EXPECT_EQ(FormatDateTime("ddd dddd mmm mmmm", value), "Thu Thursday Mar March");
    EXPECT_EQ(FormatDateTime("h:nn am/pm", value), "2:05 pm");
    EXPECT_EQ(FormatDateTime("\"at\" hh 'o''clock'", value), "at 14 oclock");
    EXPECT_EQ(DateTimeToStr(value), "2024-03-07 14:05:09");
    EXPECT_EQ(DateTimeToStr(EncodeDate(2024, 3, 7)), "2024-03-07");
    EXPECT_EQ(FormatDateTime("hh:nn", EncodeTime(0, 30, 0, 0)), "00:30");
}

TEST(Clock, NowIsTodayPlusTheTimeOfDay) {
    const TDateTime before = Now();
    const TDateTime today = Date();
    const TDateTime after = Now();
    EXPECT_LE(before, after);
    EXPECT_EQ(today, std::floor(today));
    EXPECT_LE(today, after);
    EXPECT_GT(today + 1, before);
    EXPECT_GT(Decoded(today).year, 2000);
}
