// Formatting date-times with pattern letters.
#include <cctype>
#include <cmath>

#include "platform/rtl/DateUtils.h"

namespace {
const char* const ShortDayNames[] = {"Sun", "Mon", "Tue", "Wed", "Thu", "Fri", "Sat"};
const char* const LongDayNames[] = {"Sunday",   "Monday", "Tuesday", "Wednesday",
                                    "Thursday", "Friday", "Saturday"};
const char* const ShortMonthNames[] = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                       "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};
const char* const LongMonthNames[] = {"January",   "February", "March",    "April",
                                      "May",       "June",     "July",     "August",
                                      "September", "October",  "November", "December"};

constexpr char DateSeparator = '-';
constexpr char TimeSeparator = ':';

struct Parts {
    int year, month, day, hour, minute, second, millisecond, weekDay;
};

AnsiString Number(int value, int digits) {
    return Format("%.*d", digits, value);
}

bool StartsWithNoCase(const AnsiString& text, size_t at, const char* prefix) {
    for (size_t i = 0; prefix[i]; ++i)
        if (at + i >= text.size() ||
            std::tolower(static_cast<unsigned char>(text[at + i])) != prefix[i])
            return false;
    return true;
}

class DateFormatter {
public:
    DateFormatter(const AnsiString& format, const Parts& parts) : format_(format), parts_(parts) {}

    AnsiString Run() {
        while (at_ < format_.size())
            Token();
        return out_;
    }

private:
    // Length of the run of the same letter (case-insensitive) starting at at_.
    size_t RunLength() const {
        const int letter = std::tolower(static_cast<unsigned char>(format_[at_]));
        size_t n = 0;
        while (at_ + n < format_.size() &&
               std::tolower(static_cast<unsigned char>(format_[at_ + n])) == letter)
            ++n;
        return n;
    }

    bool TwelveHour() const {
        for (size_t i = at_; i < format_.size(); ++i)
            if (StartsWithNoCase(format_, i, "am/pm") || StartsWithNoCase(format_, i, "a/p"))
                return true;
        return false;
    }

    void Token() {
        const char c = format_[at_];
        const int letter = std::tolower(static_cast<unsigned char>(c));
        if (c == '"' || c == '\'') {
            const size_t end = format_.find(c, at_ + 1);
            const size_t stop = end == AnsiString::npos ? format_.size() : end;
            out_ += format_.substr(at_ + 1, stop - at_ - 1);
            at_ = end == AnsiString::npos ? stop : end + 1;
            return;
        }
        if (StartsWithNoCase(format_, at_, "am/pm")) {
            out_ += parts_.hour < 12 ? "am" : "pm";
            if (std::isupper(static_cast<unsigned char>(c)))
                out_ = out_.substr(0, out_.size() - 2) + (parts_.hour < 12 ? "AM" : "PM");
            at_ += 5;
            return;
        }
        if (StartsWithNoCase(format_, at_, "a/p")) {
            const bool upper = std::isupper(static_cast<unsigned char>(c));
            out_ += parts_.hour < 12 ? (upper ? 'A' : 'a') : (upper ? 'P' : 'p');
            at_ += 3;
            return;
        }
        const size_t run = letter >= 'a' && letter <= 'z' ? RunLength() : 1;
        switch (letter) {
        case 'y':
            out_ += run <= 2 ? Number(parts_.year % 100, 2) : Number(parts_.year, 4);
            break;
        case 'm':
            if (afterHour_ && run <= 2)
                out_ += Number(parts_.minute, static_cast<int>(run));
            else if (run <= 2)
                out_ += Number(parts_.month, static_cast<int>(run));
            else if (parts_.month >= 1)
                out_ +=
                    run == 3 ? ShortMonthNames[parts_.month - 1] : LongMonthNames[parts_.month - 1];
            break;
        case 'd':
            if (run <= 2)
                out_ += Number(parts_.day, static_cast<int>(run));
            else if (run == 4)
                out_ += LongDayNames[parts_.weekDay];
            else
                out_ += ShortDayNames[parts_.weekDay];
            break;
        case 'h': {
            int hour = parts_.hour;
            if (TwelveHour()) {
                hour %= 12;
                if (hour == 0)
                    hour = 12;
            }
            out_ += Number(hour, run >= 2 ? 2 : 1);
            break;
        }
        case 'n':
            out_ += Number(parts_.minute, run >= 2 ? 2 : 1);
            break;
        case 's':
            out_ += Number(parts_.second, run >= 2 ? 2 : 1);
            break;
        case 'z':
            out_ += Number(parts_.millisecond, run >= 3 ? 3 : 1);
            break;
        case '/':
            out_ += DateSeparator;
            break;
        case ':':
            out_ += TimeSeparator;
            break;
        default:
            out_.append(run, c);
            break;
        }
        if (letter >= 'a' && letter <= 'z')
            afterHour_ = letter == 'h';
        at_ += run;
    }

    const AnsiString& format_;
    const Parts& parts_;
    AnsiString out_;
    size_t at_ = 0;
    bool afterHour_ = false;
};
} // namespace

AnsiString FormatDateTime(const AnsiString& format, TDateTime value) {
    Parts parts{};
    DecodeDate(value, parts.year, parts.month, parts.day);
    DecodeTime(value, parts.hour, parts.minute, parts.second, parts.millisecond);
    const int weekDay = DayOfWeek(value);
    parts.weekDay = weekDay > 0 ? weekDay - 1 : 0;
    return DateFormatter(format, parts).Run();
}

AnsiString DateToStr(TDateTime value) {
    return FormatDateTime("yyyy-mm-dd", value);
}

AnsiString TimeToStr(TDateTime value) {
    return FormatDateTime("hh:nn:ss", value);
}

AnsiString DateTimeToStr(TDateTime value) {
    int hour, minute, second, millisecond;
    DecodeTime(value, hour, minute, second, millisecond);
    if (hour == 0 && minute == 0 && second == 0)
        return DateToStr(value);
    return DateToStr(value) + " " + TimeToStr(value);
}
