#include "platform/rtl/SysUtils.h"
#include "platform/Raised.h"

#include <gtest/gtest.h>

#include <atomic>
#include <cmath>
#include <thread>
#include <vector>

namespace {

// Turkish settings and a fixed clock: 2024-03-15 14:30:45.250.
class DateTimeTest : public ::testing::Test {
protected:
    TFormatSettingsGuard guard{TurkishFormatSettings()};
    TDateTime fixedNow = EncodeDate(2024, 3, 15) + EncodeTime(14, 30, 45, 250);
    void SetUp() override { SetNowProvider([this] { return fixedNow; }); }
    void TearDown() override { SetNowProvider(nullptr); }
};

TFormatSettings UsSettings()
{
    TFormatSettings s = TurkishFormatSettings();
    s.DateSeparator = '/';
    s.ShortDateFormat = "mm/dd/yyyy";
    s.TimeAMString = "AM";
    s.TimePMString = "PM";
    return s;
}

}  // namespace

TEST_F(DateTimeTest, EncodeAndDecodeDates)
{
    EXPECT_EQ(EncodeDate(1899, 12, 30), 0.0);
    EXPECT_EQ(EncodeDate(1900, 1, 1), 2.0);
    EXPECT_EQ(EncodeDate(2000, 1, 1), 36526.0);
    EXPECT_EQ(EncodeDate(2005, 12, 25), 38711.0);
    EXPECT_EQ(EncodeDate(1, 1, 1), -693593.0);
    struct Ymd { Word y, m, d; };
    for (Ymd c : {Ymd{1, 1, 1}, Ymd{1600, 2, 29}, Ymd{1899, 12, 29}, Ymd{1900, 2, 28}, Ymd{2000, 2, 29},
                  Ymd{2024, 12, 31}, Ymd{9999, 12, 31}}) {
        Word y, m, d;
        const TDateTime day = EncodeDate(c.y, c.m, c.d);
        DecodeDate(day < 0 ? day - 0.75 : day + 0.75, y, m, d);  // the time never moves the day
        EXPECT_EQ(y, c.y);
        EXPECT_EQ(m, c.m);
        EXPECT_EQ(d, c.d);
    }
    for (Ymd bad : {Ymd{0, 1, 1}, Ymd{10000, 1, 1}, Ymd{2023, 2, 29}, Ymd{1900, 2, 29}, Ymd{2024, 13, 1},
                    Ymd{2024, 0, 1}, Ymd{2024, 4, 31}, Ymd{2024, 1, 0}}) {
        TDateTime dt = 123;
        EXPECT_FALSE(TryEncodeDate(bad.y, bad.m, bad.d, dt));
        EXPECT_EQ(dt, 123);
    }
    EXPECT_EQ(MessageOf<EConvertError>([&] { EncodeDate(2023, 2, 29); }), "Invalid argument to date encode");
    EXPECT_TRUE(IsLeapYear(2000));
    EXPECT_FALSE(IsLeapYear(1900));
    EXPECT_EQ(DaysInAMonth(2024, 2), 29);
    EXPECT_EQ(MonthDays[0][1], 28);
}

TEST_F(DateTimeTest, TimesAndRounding)
{
    EXPECT_DOUBLE_EQ(EncodeTime(12, 0, 0, 0), 0.5);
    EXPECT_THROW(EncodeTime(24, 0, 0, 0), EConvertError);
    EXPECT_THROW(EncodeTime(1, 60, 0, 0), EConvertError);
    EXPECT_THROW(EncodeTime(1, 0, 0, 1000), EConvertError);
    Word h, n, s, ms;
    DecodeTime(EncodeTime(23, 59, 59, 999), h, n, s, ms);
    EXPECT_EQ(h * 10000000 + n * 100000 + s * 1000 + ms, 235959999);
    // Just before midnight rounds to the next day, for the date as well.
    TDateTime late = EncodeDate(2024, 1, 31) + 0.99999999999;
    DecodeTime(late, h, n, s, ms);
    EXPECT_EQ(h + n + s + ms, 0);
    Word y, m, d;
    DecodeDate(late, y, m, d);
    EXPECT_EQ(m * 100 + d, 201);
    // Before 1899-12-30 the fraction still is the time of day.
    DecodeTime(-1.25, h, n, s, ms);
    EXPECT_EQ(h, 6);
    DecodeDate(-1.25, y, m, d);
    EXPECT_EQ(d, 29);
}

TEST_F(DateTimeTest, DayOfWeekAndIncMonth)
{
    EXPECT_EQ(DayOfWeek(EncodeDate(2024, 3, 17)), 1);  // Sunday
    EXPECT_EQ(DayOfWeek(EncodeDate(2024, 3, 15)), 6);  // Friday
    Word y, m, d, dow;
    EXPECT_TRUE(DecodeDateFully(EncodeDate(2024, 3, 18), y, m, d, dow));
    EXPECT_EQ(dow, 2);
    EXPECT_EQ(IncMonth(EncodeDate(2024, 1, 31)), EncodeDate(2024, 2, 29));
    EXPECT_EQ(IncMonth(EncodeDate(2023, 1, 31)), EncodeDate(2023, 2, 28));
    EXPECT_EQ(IncMonth(EncodeDate(2024, 11, 30), 3), EncodeDate(2025, 2, 28));
    EXPECT_EQ(IncMonth(EncodeDate(2024, 3, 31), -1), EncodeDate(2024, 2, 29));
    EXPECT_EQ(IncMonth(EncodeDate(2024, 1, 15), -13), EncodeDate(2022, 12, 15));
    EXPECT_DOUBLE_EQ(IncMonth(EncodeDate(2024, 1, 15) + 0.25, 1), EncodeDate(2024, 2, 15) + 0.25);
    EXPECT_THROW(IncMonth(EncodeDate(9999, 12, 1), 1), EConvertError);
}

TEST_F(DateTimeTest, ClockSeam)
{
    EXPECT_EQ(Now(), fixedNow);
    EXPECT_EQ(Date(), EncodeDate(2024, 3, 15));
    EXPECT_NEAR(Time(), EncodeTime(14, 30, 45, 250), 1e-9);
    SetNowProvider(nullptr);
    EXPECT_GT(Now(), EncodeDate(2020, 1, 1));  // the system clock again
}

TEST_F(DateTimeTest, TimeStamps)
{
    TTimeStamp ts = DateTimeToTimeStamp(EncodeDate(1, 1, 1));
    EXPECT_EQ(ts.Date, 1);
    ts = DateTimeToTimeStamp(0.5);
    EXPECT_EQ(ts.Date, DateDelta);
    EXPECT_EQ(ts.Time, MSecsPerDay / 2);
    for (TDateTime v : {0.0, 38711.75, -700.25, 2.0 + 1.0 / 86400000})
        EXPECT_NEAR(TimeStampToDateTime(DateTimeToTimeStamp(v)), v, 1e-9) << v;
    EXPECT_THROW(TimeStampToDateTime(TTimeStamp{-1, 5}), EConvertError);
    EXPECT_THROW(TimeStampToDateTime(TTimeStamp{0, 0}), EConvertError);
    EXPECT_THROW(TimeStampToDateTime(TTimeStamp{MSecsPerDay, 5}), EConvertError);
}

TEST_F(DateTimeTest, FormatDateTimeSpecifiers)
{
    const TDateTime dt = EncodeDate(2005, 2, 7) + EncodeTime(9, 5, 3, 7);
    struct Case { const char* fmt; const char* text; };
    const Case cases[] = {
        {"d.m.yy", "7.2.05"},
        {"dd.mm.yyyy", "07.02.2005"},
        {"ddd dddd", "Pzt Pazartesi"},
        {"mmm mmmm", "Şub Şubat"},
        {"ddddd", "07.02.2005"},
        {"dddddd", "07 Şubat 2005 Pazartesi"},
        {"h:n:s", "9:5:3"},
        {"hh:nn:ss.zzz", "09:05:03.007"},
        {"hh:mm", "09:05"},              // m after h is minutes
        {"z", "7"},
        {"t", "09:05"},
        {"tt", "09:05:03"},
        {"c", "07.02.2005 09:05:03"},
        {"yyyy/mm/dd", "2005.02.07"},   // "/" is the date separator
        {"hh:nn AM/PM", "09:05 AM"},
        {"h:nn am/pm", "9:05 am"},
        {"h a/p", "9 a"},
        {"hh:mm AMPM", "09:05 ÖÖ"},
        {"'Tarih:' dd \"mm\"", "Tarih: 07 mm"},
        {"yyyymmdd", "20050207"},
        {"", "07.02.2005 09:05:03"},
    };
    for (const Case& c : cases) EXPECT_EQ(FormatDateTime(c.fmt, dt), c.text) << c.fmt;

    const TDateTime evening = EncodeDate(2005, 2, 7) + EncodeTime(21, 0, 0, 0);
    EXPECT_EQ(FormatDateTime("hh:mm AM/PM", evening), "09:00 PM");
    EXPECT_EQ(FormatDateTime("hh:mm AMPM", evening), "09:00 ÖS");
    EXPECT_EQ(FormatDateTime("h AM/PM", EncodeTime(0, 30, 0, 0)), "12 AM");
    EXPECT_EQ(FormatDateTime("hh:nn", evening), "21:00");
    EXPECT_EQ(FormatDateTime("c", EncodeDate(2005, 2, 7)), "07.02.2005");  // no time at midnight
    EXPECT_EQ(DateToStr(dt), "07.02.2005");
    EXPECT_EQ(TimeToStr(dt), "09:05:03");
    EXPECT_EQ(DateTimeToStr(dt), "07.02.2005 09:05:03");
    EXPECT_EQ(DateToStr(dt, UsSettings()), "02/07/2005");
}

TEST_F(DateTimeTest, FormatDateTimeSurvivesBadDatesAndSelfReferringSettings)
{
    for (TDateTime bad : {EncodeDate(1, 1, 1) - 5, 1e300, std::nan("")}) {
        Word y = 1, m = 1, d = 1;
        DecodeDate(bad, y, m, d);
        EXPECT_EQ(y + m + d, 0);
        EXPECT_NO_THROW(FormatDateTime("dddd d mmmm yyyy", bad));
    }
    FormatSettings.ShortDateFormat = "ddddd";
    EXPECT_NO_THROW(DateToStr(EncodeDate(2005, 2, 7)));
}

TEST_F(DateTimeTest, StrToDateFollowsTheSettings)
{
    EXPECT_EQ(StrToDate("25.12.2005"), EncodeDate(2005, 12, 25));
    EXPECT_EQ(StrToDate(" 5.1.2005 "), EncodeDate(2005, 1, 5));
    EXPECT_EQ(StrToDate("25.12"), EncodeDate(2024, 12, 25));     // current year
    EXPECT_EQ(StrToDate("25.12.05"), EncodeDate(2005, 12, 25));
    EXPECT_EQ(StrToDate("25.12.80"), EncodeDate(1980, 12, 25));  // window of 50 years back from 2024
    EXPECT_EQ(StrToDate("25.12.74"), EncodeDate(1974, 12, 25));
    EXPECT_EQ(StrToDate("25.12.73"), EncodeDate(2073, 12, 25));
    EXPECT_EQ(StrToDate("25.12.0005"), EncodeDate(5, 12, 25));   // four digits are taken as written
    EXPECT_EQ(StrToDate("12/25/2005", UsSettings()), EncodeDate(2005, 12, 25));
    TFormatSettings iso = TurkishFormatSettings();
    iso.ShortDateFormat = "yyyy-mm-dd";
    iso.DateSeparator = '-';
    EXPECT_EQ(StrToDate("2005-12-25", iso), EncodeDate(2005, 12, 25));
    for (const char* bad : {"", "25", "25.13.2005", "30.02.2005", "25/12/2005", "25.12.2005x", "a.b.c",
                            "25.12.20055", "25..2005"}) {
        TDateTime v = 1;
        EXPECT_FALSE(TryStrToDate(bad, v)) << bad;
        EXPECT_EQ(v, 1);
    }
    EXPECT_EQ(MessageOf<EConvertError>([&] { StrToDate("31.04.2005"); }), "'31.04.2005' geçerli bir tarih değil");
    EXPECT_EQ(StrToDateDef("x", 7), 7);
}

TEST_F(DateTimeTest, StrToTimeAndDateTime)
{
    EXPECT_NEAR(StrToTime("14:30"), EncodeTime(14, 30, 0, 0), 1e-12);
    EXPECT_NEAR(StrToTime("14:30:45"), EncodeTime(14, 30, 45, 0), 1e-12);
    EXPECT_NEAR(StrToTime("14:30:45,250"), EncodeTime(14, 30, 45, 250), 1e-12);
    EXPECT_NEAR(StrToTime("14:30:45.250"), EncodeTime(14, 30, 45, 250), 1e-12);
    EXPECT_NEAR(StrToTime("2:30 PM"), EncodeTime(14, 30, 0, 0), 1e-12);
    EXPECT_NEAR(StrToTime("12:15 am"), EncodeTime(0, 15, 0, 0), 1e-12);
    EXPECT_NEAR(StrToTime("3 ÖS"), EncodeTime(15, 0, 0, 0), 1e-12);
    for (const char* bad : {"", "14", "24:00", "12:60", "13:00 PM", "1:2:3:4", "ab:cd"})
        EXPECT_THROW(StrToTime(bad), EConvertError) << bad;
    EXPECT_EQ(MessageOf<EConvertError>([&] { StrToTime("25:00"); }), "'25:00' geçerli bir saat değil");
    EXPECT_NEAR(StrToDateTime("25.12.2005 10:30:15"), EncodeDate(2005, 12, 25) + EncodeTime(10, 30, 15, 0), 1e-9);
    EXPECT_EQ(StrToDateTime("25.12.2005"), EncodeDate(2005, 12, 25));
    EXPECT_NEAR(StrToDateTime("10:30"), EncodeTime(10, 30, 0, 0), 1e-12);
    EXPECT_EQ(MessageOf<EConvertError>([&] { StrToDateTime("25.12.2005 xx"); }),
              "'25.12.2005 xx' geçerli bir tarih ve saat değil");
    TDateTime v;
    EXPECT_TRUE(TryStrToDateTime("12/25/2005 1:00 PM", v, UsSettings()));
    EXPECT_NEAR(v, EncodeDate(2005, 12, 25) + EncodeTime(13, 0, 0, 0), 1e-9);
    EXPECT_EQ(StrToDateTimeDef("?", 3), 3);
}

TEST_F(DateTimeTest, TextRoundTrips)
{
    for (TDateTime v : {EncodeDate(2005, 12, 25), EncodeDate(1999, 1, 1) + EncodeTime(23, 59, 59, 0),
                        EncodeDate(2024, 2, 29) + EncodeTime(0, 0, 1, 0)}) {
        EXPECT_NEAR(StrToDateTime(DateTimeToStr(v)), v, 1e-9) << DateTimeToStr(v);
        EXPECT_NEAR(StrToDateTime(DateTimeToStr(v, UsSettings()), UsSettings()), v, 1e-9);
    }
}

TEST_F(DateTimeTest, IncMonthTakesDayAndTimeFromTheSameRounding)
{
    // 31 January 23:59:59.99999 is shown as 1 February 00:00; a month later is 1 March 00:00,
    // not 1 March plus almost a whole day.
    const TDateTime late = EncodeDate(2024, 1, 31) + 0.99999999999;
    EXPECT_NEAR(IncMonth(late, 1), EncodeDate(2024, 3, 1), 1e-6);
    EXPECT_NEAR(IncMonth(late, 0), EncodeDate(2024, 2, 1), 1e-6);
    // Before 1899-12-30 the time is kept as well.
    EXPECT_NEAR(IncMonth(EncodeDate(1899, 11, 30) - 0.25, 1), EncodeDate(1899, 12, 30) + 0.25, 1e-9);
    // Out of the calendar or beyond year 9999 is an encoding error, never a wrapped date.
    for (TDateTime bad : {std::nan(""), 1e300, -1e300, EncodeDate(1, 1, 1) - 10})
        EXPECT_THROW(IncMonth(bad, 1), EConvertError) << bad;
    EXPECT_THROW(IncMonth(EncodeDate(2024, 1, 1), INT32_MAX), EConvertError);
    EXPECT_THROW(IncMonth(EncodeDate(2024, 1, 1), INT32_MIN), EConvertError);
    EXPECT_EQ(IncMonth(EncodeDate(2, 1, 31), -12), EncodeDate(1, 1, 1) + 30);
    EXPECT_THROW(IncMonth(EncodeDate(2, 1, 31), -13), EConvertError);
}

TEST_F(DateTimeTest, DatesBeyondTheCalendarDecodeToNothing)
{
    // Past 9999-12-31 (or before 0001-01-01) there is no calendar date to show.
    for (TDateTime bad : {EncodeDate(9999, 12, 31) + 1, 2999999.0, EncodeDate(1, 1, 1) - 1.5}) {
        Word y = 1, m = 1, d = 1;
        DecodeDate(bad, y, m, d);
        EXPECT_EQ(y + m + d, 0) << bad;
        EXPECT_EQ(FormatDateTime("dd.mm.yyyy", bad), "00.00.0000") << bad;
    }
    Word y, m, d;
    DecodeDate(EncodeDate(9999, 12, 31) + 0.5, y, m, d);
    EXPECT_EQ(y, 9999);
}

TEST_F(DateTimeTest, LongFormatsStayLinear)
{
    // Each hour token looks ahead for an am/pm marker; that must not cost a scan per token.
    AnsiString fmt;
    for (int i = 0; i < 40000; ++i) fmt += "h:";
    fmt += "am/pm";
    const AnsiString text = FormatDateTime(fmt, EncodeTime(14, 0, 0, 0));
    EXPECT_EQ(text.substr(0, 6), "2:2:2:");
    EXPECT_EQ(text.substr(text.size() - 2), "pm");
    AnsiString quoted = "'" + AnsiString(100000, 'h') + "' hh";
    EXPECT_EQ(FormatDateTime(quoted, EncodeTime(14, 0, 0, 0)).substr(100000), " 14");
}

TEST_F(DateTimeTest, ClockProviderCanChangeWhileOtherThreadsReadIt)
{
    std::atomic<bool> stop{false};
    std::atomic<long> reads{0};
    std::vector<std::thread> readers;
    for (int t = 0; t < 3; ++t)
        readers.emplace_back([&] {
            while (!stop) {
                const TDateTime n = Now();
                if (n < EncodeDate(2000, 1, 1)) ADD_FAILURE() << n;
                ++reads;
            }
        });
    for (int i = 0; i < 2000; ++i) {
        const TDateTime fixed = EncodeDate(2024, 1, 1) + i;
        SetNowProvider([fixed] { return fixed; });
        SetNowProvider(nullptr);
    }
    while (reads < 1000) std::this_thread::yield();
    stop = true;
    for (std::thread& t : readers) t.join();
}

TEST_F(DateTimeTest, TwoDigitYearsNeverWrapIntoAnotherCentury)
{
    // A window wider than the years since 0001 leaves no century for a two-digit year; the
    // arithmetic must not wrap round into some valid year instead.
    TFormatSettings wide = TurkishFormatSettings();
    for (Word window : {Word(2100), Word(30000), Word(65535)}) {
        wide.TwoDigitYearCenturyWindow = window;
        TDateTime v = 1;
        if (TryStrToDate("1.1.05", v, wide)) {
            Word y, m, d;
            DecodeDate(v, y, m, d);
            EXPECT_EQ(y % 100, 5) << window;
            EXPECT_LE(y, 2024) << window;
        }
    }
    wide.TwoDigitYearCenturyWindow = 0;  // no window: the current century
    EXPECT_EQ(StrToDate("1.1.99", wide), EncodeDate(2099, 1, 1));
}
