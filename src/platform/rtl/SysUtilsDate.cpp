// Dates and times: encoding, the clock, FormatDateTime and the date/time parsers.
#include <chrono>
#include <cmath>
#include <ctime>
#include <mutex>

#include "platform/rtl/CodePage.h"
#include "platform/rtl/SysUtils.h"

const Word MonthDays[2][12] = {
    {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31},
    {31, 29, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31},
};

namespace {

inline constexpr const char* SInvalidTimeStamp = "'%d.%d' is not a valid timestamp";
// 0001-01-01 (time stamp day 1) to 1970-01-01
constexpr Int64 kDaysTo1970 = 719162;
// Time stamp day of 9999-12-31, the last day the calendar encodes.
constexpr Integer kLastStampDay = 3652059;

std::mutex& ClockLock()
{
    static std::mutex m;
    return m;
}

std::function<TDateTime()>& ClockProvider()
{
    static std::function<TDateTime()> p;
    return p;
}

TDateTime SystemNow()
{
    using namespace std::chrono;
    auto now = system_clock::now();
    std::time_t secs = system_clock::to_time_t(now);
    auto ms = duration_cast<milliseconds>(now.time_since_epoch()).count() % 1000;
    if (ms < 0) ms += 1000;
    std::tm tm{};
    localtime_r(&secs, &tm);
    return EncodeDate(static_cast<Word>(tm.tm_year + 1900), static_cast<Word>(tm.tm_mon + 1), static_cast<Word>(tm.tm_mday)) +
           EncodeTime(static_cast<Word>(tm.tm_hour), static_cast<Word>(tm.tm_min),
                      static_cast<Word>(std::min(tm.tm_sec, 59)), static_cast<Word>(ms));
}

// Whole time stamp days (1 = 0001-01-01) to the civil date.
void CivilFromDays(Int64 stampDays, Word& y, Word& m, Word& d)
{
    Int64 z = stampDays - 1 - kDaysTo1970 + 719468;
    Int64 era = (z >= 0 ? z : z - 146096) / 146097;
    Int64 doe = z - era * 146097;
    Int64 yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
    Int64 yy = yoe + era * 400;
    Int64 doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
    Int64 mp = (5 * doy + 2) / 153;
    Int64 dd = doy - (153 * mp + 2) / 5 + 1;
    Int64 mm = mp < 10 ? mp + 3 : mp - 9;
    if (mm <= 2) ++yy;
    y = static_cast<Word>(yy);
    m = static_cast<Word>(mm);
    d = static_cast<Word>(dd);
}

// Adds the time of day to a date: for dates before 1899-12-30 the fraction counts the other way.
TDateTime Combine(TDateTime date, TDateTime time)
{
    return date < 0 ? date - std::fabs(time) : date + std::fabs(time);
}

AnsiString Pad(Integer v, int digits)
{
    AnsiString s = std::to_string(v);
    if (static_cast<int>(s.size()) < digits) s.insert(0, static_cast<size_t>(digits) - s.size(), '0');
    return s;
}

bool StartsWithCI(const AnsiString& s, size_t i, const char* word)
{
    size_t n = std::char_traits<char>::length(word);
    if (i + n > s.size()) return false;
    for (size_t k = 0; k < n; ++k)
        if (AnsiUpperChar(s[i + k]) != AnsiUpperChar(word[k])) return false;
    return true;
}

bool IsAmPmAt(const AnsiString& f, size_t i)
{
    return StartsWithCI(f, i, "am/pm") || StartsWithCI(f, i, "a/p") || StartsWithCI(f, i, "ampm");
}

// Start of the last am/pm marker of the format outside literals, npos when none. Hours before
// it are on the 12-hour clock; found once per format, so long formats stay linear.
size_t LastAmPm(const AnsiString& f)
{
    size_t last = AnsiString::npos;
    char quote = 0;
    for (size_t i = 0; i < f.size(); ++i) {
        char c = f[i];
        if (quote) {
            if (c == quote) quote = 0;
        } else if (c == '"' || c == '\'') {
            quote = c;
        } else if (IsAmPmAt(f, i)) {
            last = i;
        }
    }
    return last;
}

class DateFormatter {
public:
    DateFormatter(TDateTime dt, const TFormatSettings& fs) : FValue(dt), FFs(fs)
    {
        DecodeDateFully(dt, FYear, FMonth, FDay, FDow);
        DecodeTime(dt, FHour, FMin, FSec, FMSec);
    }

    void Append(const AnsiString& f, int depth)
    {
        if (depth > 2) return;  // settings that refer to themselves
        char quote = 0;
        char lastToken = 0;
        const size_t lastAmPm = LastAmPm(f);
        size_t i = 0;
        auto count = [&](char upper) {
            size_t n = 0;
            while (i + n < f.size() && AnsiUpperChar(f[i + n]) == upper) ++n;
            i += n;
            return static_cast<int>(n);
        };
        while (i < f.size()) {
            char c = f[i];
            if (quote) {
                if (c == quote) quote = 0; else FOut += c;
                ++i;
                continue;
            }
            char u = (c >= 'a' && c <= 'z') ? static_cast<char>(c - 32) : c;
            switch (u) {
            case '"': case '\'':
                quote = c;
                ++i;
                break;
            case 'Y': {
                int n = count('Y');
                FOut += n <= 2 ? Pad(FYear % 100, 2) : Pad(FYear, 4);
                break;
            }
            case 'M': {
                int n = count('M');
                if (n <= 2 && lastToken == 'H') FOut += Pad(FMin, n);
                else if (n <= 2) FOut += Pad(FMonth, n);
                else if (FMonth == 0) break;  // no calendar date: no name
                else if (n == 3) FOut += FFs.ShortMonthNames[FMonth - 1];
                else FOut += FFs.LongMonthNames[FMonth - 1];
                break;
            }
            case 'D': {
                int n = count('D');
                if (n <= 2) FOut += Pad(FDay, n);
                else if (n <= 4 && FDow == 0) break;
                else if (n == 3) FOut += FFs.ShortDayNames[FDow - 1];
                else if (n == 4) FOut += FFs.LongDayNames[FDow - 1];
                else if (n == 5) Append(FFs.ShortDateFormat, depth + 1);
                else Append(FFs.LongDateFormat, depth + 1);
                break;
            }
            case 'H': {
                size_t at = i;
                int n = count('H');
                Word h = FHour;
                if (lastAmPm != AnsiString::npos && lastAmPm > at) {
                    h = h % 12;
                    if (h == 0) h = 12;
                }
                FOut += Pad(h, n >= 2 ? 2 : 1);
                break;
            }
            case 'N': {
                int n = count('N');
                FOut += Pad(FMin, n >= 2 ? 2 : 1);
                break;
            }
            case 'S': {
                int n = count('S');
                FOut += Pad(FSec, n >= 2 ? 2 : 1);
                break;
            }
            case 'Z': {
                int n = count('Z');
                FOut += Pad(FMSec, n >= 2 ? 3 : 1);
                break;
            }
            case 'T': {
                int n = count('T');
                Append(n == 1 ? FFs.ShortTimeFormat : FFs.LongTimeFormat, depth + 1);
                break;
            }
            case 'C': {
                count('C');
                Append(FFs.ShortDateFormat, depth + 1);
                if (FHour != 0 || FMin != 0 || FSec != 0 || FMSec != 0) {
                    FOut += ' ';
                    Append(FFs.LongTimeFormat, depth + 1);
                }
                break;
            }
            case 'A':
                if (StartsWithCI(f, i, "am/pm")) {
                    FOut += FHour < 12 ? f.substr(i, 2) : f.substr(i + 3, 2);
                    i += 5;
                } else if (StartsWithCI(f, i, "a/p")) {
                    FOut += FHour < 12 ? f[i] : f[i + 2];
                    i += 3;
                } else if (StartsWithCI(f, i, "ampm")) {
                    FOut += FHour < 12 ? FFs.TimeAMString : FFs.TimePMString;
                    i += 4;
                } else {
                    FOut += c;
                    ++i;
                }
                break;
            case '/':
                FOut += FFs.DateSeparator;
                ++i;
                break;
            case ':':
                FOut += FFs.TimeSeparator;
                ++i;
                break;
            default:
                FOut += c;
                ++i;
                break;
            }
            if (u == 'H' || u == 'Y' || u == 'M' || u == 'D' || u == 'N' || u == 'S' || u == 'Z') lastToken = u;
        }
    }

    const AnsiString& Result() const { return FOut; }

private:
    TDateTime FValue;
    const TFormatSettings& FFs;
    Word FYear, FMonth, FDay, FDow;
    Word FHour, FMin, FSec, FMSec;
    AnsiString FOut;
};

// ---- parsing ------------------------------------------------------------------------------------

enum class DateOrder { MDY, DMY, YMD };

DateOrder OrderOf(const AnsiString& f)
{
    for (char c : f) {
        char u = static_cast<char>(c & ~0x20);
        if (u == 'Y') return DateOrder::YMD;
        if (u == 'M') return DateOrder::MDY;
        if (u == 'D') return DateOrder::DMY;
    }
    return DateOrder::MDY;
}

struct Scanner {
    const AnsiString& s;
    size_t pos = 0;

    void Blanks()
    {
        while (pos < s.size() && (s[pos] == ' ' || s[pos] == '\t')) ++pos;
    }
    // Up to four digits.
    bool Number(int& value, int& digits)
    {
        Blanks();
        size_t start = pos;
        int v = 0;
        while (pos < s.size() && s[pos] >= '0' && s[pos] <= '9' && pos - start < 4) v = v * 10 + (s[pos++] - '0');
        digits = static_cast<int>(pos - start);
        if (digits == 0 || (pos < s.size() && s[pos] >= '0' && s[pos] <= '9')) {
            pos = start;
            return false;
        }
        value = v;
        return true;
    }
    bool Char(char c)
    {
        size_t save = pos;
        Blanks();
        if (pos < s.size() && s[pos] == c) {
            ++pos;
            return true;
        }
        pos = save;
        return false;
    }
    bool Word(const AnsiString& w)
    {
        if (w.empty()) return false;
        size_t save = pos;
        Blanks();
        if (StartsWithCI(s, pos, w.c_str())) {
            pos += w.size();
            return true;
        }
        pos = save;
        return false;
    }
    bool AtEnd()
    {
        Blanks();
        return pos >= s.size();
    }
};

Word CurrentYear()
{
    Word y, m, d;
    DecodeDate(Now(), y, m, d);
    return y;
}

bool ScanDate(Scanner& sc, TDateTime& date, const TFormatSettings& fs)
{
    size_t start = sc.pos;
    int n1, n2, n3 = 0, l1, l2, l3 = 0;
    if (!sc.Number(n1, l1) || !sc.Char(fs.DateSeparator) || !sc.Number(n2, l2)) {
        sc.pos = start;
        return false;
    }
    bool three = false;
    size_t afterTwo = sc.pos;
    if (sc.Char(fs.DateSeparator)) {
        if (sc.Number(n3, l3)) three = true;
        else sc.pos = afterTwo;
    }
    int y, m, d, yearDigits;
    DateOrder order = OrderOf(fs.ShortDateFormat);
    if (!three) {
        y = CurrentYear();
        yearDigits = 4;
        if (order == DateOrder::DMY) { d = n1; m = n2; }
        else { m = n1; d = n2; }
    } else {
        switch (order) {
        case DateOrder::MDY: m = n1; d = n2; y = n3; yearDigits = l3; break;
        case DateOrder::DMY: d = n1; m = n2; y = n3; yearDigits = l3; break;
        default: y = n1; m = n2; d = n3; yearDigits = l1; break;
        }
    }
    y = WindowedYear(y, yearDigits, fs);
    if (y < 1 || y > 9999 ||  // checked before the Word cast, which would wrap
        !TryEncodeDate(static_cast<Word>(y), static_cast<Word>(m), static_cast<Word>(d), date)) {
        sc.pos = start;
        return false;
    }
    return true;
}

bool ScanTime(Scanner& sc, TDateTime& time, const TFormatSettings& fs)
{
    size_t start = sc.pos;
    auto ampm = [&](int& base) {
        if (sc.Word(fs.TimeAMString) || sc.Word("AM")) base = 0;
        else if (sc.Word(fs.TimePMString) || sc.Word("PM")) base = 12;
    };
    int base = -1;
    ampm(base);
    int h, m = 0, s = 0, ms = 0, l;
    if (!sc.Number(h, l)) { sc.pos = start; return false; }
    bool minutes = false;
    if (sc.Char(fs.TimeSeparator)) {
        if (!sc.Number(m, l)) { sc.pos = start; return false; }
        minutes = true;
        if (sc.Char(fs.TimeSeparator)) {
            if (!sc.Number(s, l)) { sc.pos = start; return false; }
            if (sc.Char(fs.DecimalSeparator) || sc.Char('.')) {
                if (!sc.Number(ms, l)) { sc.pos = start; return false; }
            }
        }
    }
    if (base < 0) ampm(base);
    if (!minutes && base < 0) { sc.pos = start; return false; }
    if (base >= 0) {
        if (h == 0 || h > 12) { sc.pos = start; return false; }
        h = h % 12 + base;
    }
    if (!TryEncodeTime(static_cast<Word>(h), static_cast<Word>(m), static_cast<Word>(s), static_cast<Word>(ms), time)) {
        sc.pos = start;
        return false;
    }
    return true;
}

}  // namespace

// ---- encoding -----------------------------------------------------------------------------------

Integer WindowedYear(Integer Year, Integer Digits, const TFormatSettings& Settings)
{
    if (Year < 0 || Year > 99 || Digits > 2) return Year;
    const int base = CurrentYear() - Settings.TwoDigitYearCenturyWindow;
    Year += base / 100 * 100;
    if (Settings.TwoDigitYearCenturyWindow > 0 && Year < base) Year += 100;
    return Year;
}

bool IsLeapYear(Word Year) { return Year % 4 == 0 && (Year % 100 != 0 || Year % 400 == 0); }

Word DaysInAMonth(Word Year, Word Month)
{
    if (Month < 1 || Month > 12) return 0;
    return MonthDays[IsLeapYear(Year)][Month - 1];
}

bool TryEncodeDate(Word Year, Word Month, Word Day, TDateTime& Date)
{
    if (Year < 1 || Year > 9999 || Month < 1 || Month > 12 || Day < 1 || Day > DaysInAMonth(Year, Month)) return false;
    Int64 days = Day;
    for (int i = 0; i < Month - 1; ++i) days += MonthDays[IsLeapYear(Year)][i];
    Int64 y = Year - 1;
    days += y * 365 + y / 4 - y / 100 + y / 400;
    Date = static_cast<TDateTime>(days - DateDelta);
    return true;
}

TDateTime EncodeDate(Word Year, Word Month, Word Day)
{
    TDateTime d;
    if (!TryEncodeDate(Year, Month, Day, d)) throw EConvertError(SDateEncodeError);
    return d;
}

bool TryEncodeTime(Word Hour, Word Min, Word Sec, Word MSec, TDateTime& Time)
{
    if (Hour >= 24 || Min >= 60 || Sec >= 60 || MSec >= 1000) return false;
    Time = (Hour * 3600000.0 + Min * 60000.0 + Sec * 1000.0 + MSec) / MSecsPerDay;
    return true;
}

TDateTime EncodeTime(Word Hour, Word Min, Word Sec, Word MSec)
{
    TDateTime t;
    if (!TryEncodeTime(Hour, Min, Sec, MSec, t)) throw EConvertError(STimeEncodeError);
    return t;
}

TTimeStamp DateTimeToTimeStamp(TDateTime DateTime)
{
    // Beyond the calendar (or not a number): day 0, which no date decodes to.
    if (!std::isfinite(DateTime) || std::fabs(DateTime) > 3.0e6) return TTimeStamp{0, 0};
    // Rounded to the millisecond over the whole value, so 23:59:59.9999 is the next midnight.
    Int64 total = std::llround(std::fabs(static_cast<Extended>(DateTime)) * MSecsPerDay);
    TTimeStamp ts;
    ts.Time = static_cast<Integer>(total % MSecsPerDay);
    Int64 days = total / MSecsPerDay;
    ts.Date = static_cast<Integer>(DateDelta + (DateTime < 0 ? -days : days));
    return ts;
}

TDateTime TimeStampToDateTime(const TTimeStamp& TimeStamp)
{
    if (TimeStamp.Time < 0 || TimeStamp.Time >= MSecsPerDay || TimeStamp.Date <= 0)
        throw EConvertError(SInvalidTimeStamp, {TimeStamp.Time, TimeStamp.Date});
    return Combine(static_cast<TDateTime>(TimeStamp.Date - DateDelta),
                   static_cast<TDateTime>(TimeStamp.Time) / MSecsPerDay);
}

bool DecodeDateFully(TDateTime Date, Word& Year, Word& Month, Word& Day, Word& DOW)
{
    TTimeStamp ts = DateTimeToTimeStamp(Date);
    if (ts.Date <= 0 || ts.Date > kLastStampDay) {
        Year = Month = Day = DOW = 0;
        return false;
    }
    CivilFromDays(ts.Date, Year, Month, Day);
    DOW = static_cast<Word>(ts.Date % 7 + 1);
    return IsLeapYear(Year);
}

void DecodeDate(TDateTime Date, Word& Year, Word& Month, Word& Day)
{
    Word dow;
    DecodeDateFully(Date, Year, Month, Day, dow);
}

void DecodeTime(TDateTime Time, Word& Hour, Word& Min, Word& Sec, Word& MSec)
{
    Integer ms = DateTimeToTimeStamp(Time).Time;
    Hour = static_cast<Word>(ms / 3600000);
    Min = static_cast<Word>(ms / 60000 % 60);
    Sec = static_cast<Word>(ms / 1000 % 60);
    MSec = static_cast<Word>(ms % 1000);
}

Word DayOfWeek(TDateTime Date) { return static_cast<Word>(DateTimeToTimeStamp(Date).Date % 7 + 1); }

TDateTime IncMonth(TDateTime Date, Integer NumberOfMonths)
{
    // Day and time from one rounding: 23:59:59.9999 counts as the next midnight for both.
    const TTimeStamp ts = DateTimeToTimeStamp(Date);
    Word y, m, d, dow;
    DecodeDateFully(Date, y, m, d, dow);
    if (y == 0) throw EConvertError(SDateEncodeError);
    Int64 months = Int64(y) * 12 + (m - 1) + NumberOfMonths;
    if (months < 12 || months >= Int64(10000) * 12) throw EConvertError(SDateEncodeError);
    const Word ny = static_cast<Word>(months / 12);
    const Word nm = static_cast<Word>(months % 12 + 1);
    TDateTime r = EncodeDate(ny, nm, std::min(d, DaysInAMonth(ny, nm)));
    return Combine(r, static_cast<TDateTime>(ts.Time) / MSecsPerDay);
}

// ---- the clock -----------------------------------------------------------------------------------

void SetNowProvider(std::function<TDateTime()> Provider)
{
    std::lock_guard<std::mutex> lock(ClockLock());
    ClockProvider() = std::move(Provider);
}

TDateTime Now()
{
    std::function<TDateTime()> p;
    {
        std::lock_guard<std::mutex> lock(ClockLock());
        p = ClockProvider();
    }
    return p ? p() : SystemNow();
}

TDateTime Date() { return std::trunc(Now()); }

TDateTime Time()
{
    TDateTime n = Now();
    return std::fabs(n - std::trunc(n));
}

// ---- text ----------------------------------------------------------------------------------------

AnsiString FormatDateTime(const AnsiString& Format, TDateTime DateTime)
{
    return FormatDateTime(Format, DateTime, FormatSettings);
}

AnsiString FormatDateTime(const AnsiString& Format, TDateTime DateTime, const TFormatSettings& Settings)
{
    DateFormatter f(DateTime, Settings);
    f.Append(Format.empty() ? AnsiString("c") : Format, 0);
    return f.Result();
}

AnsiString DateToStr(TDateTime Date) { return DateToStr(Date, FormatSettings); }
AnsiString DateToStr(TDateTime Date, const TFormatSettings& Settings) { return FormatDateTime("ddddd", Date, Settings); }
AnsiString TimeToStr(TDateTime Time) { return TimeToStr(Time, FormatSettings); }
AnsiString TimeToStr(TDateTime Time, const TFormatSettings& Settings) { return FormatDateTime("tt", Time, Settings); }
AnsiString DateTimeToStr(TDateTime DateTime) { return DateTimeToStr(DateTime, FormatSettings); }
AnsiString DateTimeToStr(TDateTime DateTime, const TFormatSettings& Settings) { return FormatDateTime("c", DateTime, Settings); }

bool TryStrToDate(const AnsiString& S, TDateTime& Value, const TFormatSettings& Settings)
{
    Scanner sc{S};
    TDateTime d;
    if (!ScanDate(sc, d, Settings) || !sc.AtEnd()) return false;
    Value = d;
    return true;
}

bool TryStrToTime(const AnsiString& S, TDateTime& Value, const TFormatSettings& Settings)
{
    Scanner sc{S};
    TDateTime t;
    if (!ScanTime(sc, t, Settings) || !sc.AtEnd()) return false;
    Value = t;
    return true;
}

bool TryStrToDateTime(const AnsiString& S, TDateTime& Value, const TFormatSettings& Settings)
{
    Scanner sc{S};
    TDateTime d = 0, t = 0;
    if (ScanDate(sc, d, Settings)) {
        if (!sc.AtEnd() && !ScanTime(sc, t, Settings)) return false;
    } else if (!ScanTime(sc, t, Settings)) {
        return false;
    }
    if (!sc.AtEnd()) return false;
    Value = Combine(d, t);
    return true;
}

bool TryStrToDate(const AnsiString& S, TDateTime& Value) { return TryStrToDate(S, Value, FormatSettings); }
bool TryStrToTime(const AnsiString& S, TDateTime& Value) { return TryStrToTime(S, Value, FormatSettings); }
bool TryStrToDateTime(const AnsiString& S, TDateTime& Value) { return TryStrToDateTime(S, Value, FormatSettings); }

TDateTime StrToDate(const AnsiString& S) { return StrToDate(S, FormatSettings); }

TDateTime StrToDate(const AnsiString& S, const TFormatSettings& Settings)
{
    TDateTime v;
    if (!TryStrToDate(S, v, Settings)) throw EConvertError(SInvalidDate, {S});
    return v;
}

TDateTime StrToTime(const AnsiString& S) { return StrToTime(S, FormatSettings); }

TDateTime StrToTime(const AnsiString& S, const TFormatSettings& Settings)
{
    TDateTime v;
    if (!TryStrToTime(S, v, Settings)) throw EConvertError(SInvalidTime, {S});
    return v;
}

TDateTime StrToDateTime(const AnsiString& S) { return StrToDateTime(S, FormatSettings); }

TDateTime StrToDateTime(const AnsiString& S, const TFormatSettings& Settings)
{
    TDateTime v;
    if (!TryStrToDateTime(S, v, Settings)) throw EConvertError(SInvalidDateTime, {S});
    return v;
}

TDateTime StrToDateDef(const AnsiString& S, TDateTime Default)
{
    TDateTime v;
    return TryStrToDate(S, v) ? v : Default;
}

TDateTime StrToDateTimeDef(const AnsiString& S, TDateTime Default)
{
    TDateTime v;
    return TryStrToDateTime(S, v) ? v : Default;
}
