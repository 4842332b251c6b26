// The calendar, JUL and DTE, the mask language, DAY and TIM, and the
// statements SETDAY, SETTIME, WAIT and DATE FORMAT.
#include <gtest/gtest.h>

#include <chrono>
#include <cstring>
#include <ctime>
#include <string>

#include "core/dates.h"
#include "core/errors.h"
#include "core/lexicon.h"
#include "core/memory.h"
#include "core/messages.h"
#include "core/params.h"
#include "core/workspace.h"
#include "console_env.h"
#include "test_util.h"

namespace {

Num_val num(int64_t mant, int scale = 0) {
  Num_val v;
  v.mant = mant;
  v.scale = int8_t(scale);
  return v;
}

// Today from the host, for comparison.
struct tm host_today() {
  time_t t = time(nullptr);
  struct tm lt {};
  localtime_r(&t, &lt);
  return lt;
}

class DatesTest : public Console_env {
 protected:
  void SetUp() override {
    Console_env::SetUp();
    Prm_defaults();
    Dates_reset();
    ws.Day_offset = ws.Time_offset = 0;
  }
  void TearDown() override {
    Prm_defaults();
    Dates_reset();
    ws.Day_offset = ws.Time_offset = 0;
    Console_env::TearDown();
  }
  // Types a console line; returns the error it raised (0: none).
  int type(const std::string& s) {
    ws.Err_no = 0;
    Console_env::type(s);
    return ws.Err_no;
  }
};

TEST(Calendar, LeapYears) {
  EXPECT_TRUE(Is_leap(2000));
  EXPECT_FALSE(Is_leap(1900));
  EXPECT_FALSE(Is_leap(4000));
  EXPECT_TRUE(Is_leap(2024));
  EXPECT_FALSE(Is_leap(2023));
  EXPECT_EQ(Jul_year(2001) - Jul_year(2000), 366);
  EXPECT_EQ(Jul_year(4001) - Jul_year(4000), 365);
  EXPECT_EQ(Jul_year(1901) - Jul_year(1900), 365);
}

TEST(Calendar, OriginAndMissingYearZero) {
  EXPECT_EQ(Jul_year(-7999), 0);
  EXPECT_EQ(ConvertDay(-7999, 1, 1), 0);
  EXPECT_EQ(ConvertDay(1, 1, 1) - ConvertDay(-1, 12, 31), 1);  // no year 0 between them
  Day_parts p = ParseDay(ConvertDay(1, 1, 1) - 1);
  EXPECT_EQ(p.year, -1);
  EXPECT_EQ(p.month, 12);
  EXPECT_EQ(p.day, 31);
  p = ParseDay(0);
  EXPECT_EQ(p.year, -7999);
  EXPECT_EQ(p.yday, 1);
}

TEST(Calendar, AgreesWithTheHostCalendar) {
  // 1 January 1970 is a Thursday and 719,162 days after 1 January of year 1.
  EXPECT_EQ(ConvertDay(1970, 1, 1) - ConvertDay(1, 1, 1), 719162);
  EXPECT_EQ(Week_day(ConvertDay(1970, 1, 1)), 4);  // Monday is 1
  EXPECT_EQ(Week_day(ConvertDay(2024, 3, 3)), 7);  // a Sunday
}

TEST(Calendar, RoundTripsAcrossEdges) {
  const int32_t edges[][3] = {{1899, 12, 31}, {1900, 2, 28}, {1900, 3, 1},  {2000, 2, 29}, {2000, 12, 31},
                              {2100, 3, 1},   {3999, 12, 31}, {4000, 2, 28}, {4000, 3, 1},  {4001, 1, 1},
                              {-1, 1, 1},     {1, 12, 31},   {-4713, 1, 1}, {32000, 12, 31}, {-7999, 12, 31},
                              {8000, 2, 28},  {2400, 2, 29}, {12000, 2, 28}};
  for (auto& e : edges) {
    int32_t d = ConvertDay(e[0], e[1], e[2]);
    Day_parts p = ParseDay(d);
    EXPECT_EQ(p.year, e[0]);
    EXPECT_EQ(p.month, e[1]);
    EXPECT_EQ(p.day, e[2]) << e[0] << "-" << e[1];
  }
  // Every day of a stretch around 4000 and around year 1 converts back.
  for (int32_t base : {ConvertDay(3996, 1, 1), ConvertDay(-3, 1, 1)}) {
    for (int32_t d = base; d < base + 365 * 8; ++d) {
      Day_parts p = ParseDay(d);
      ASSERT_EQ(ConvertDay(p.year, p.month, p.day), d);
    }
  }
}

TEST(Calendar, InvalidDatesAreError35) {
  auto err = [](int y, int m, int d) {
    try {
      ConvertDay(y, m, d);
    } catch (const Oru_error& e) {
      return e.no;
    }
    return 0;
  };
  EXPECT_EQ(err(1900, 2, 29), 35);
  EXPECT_EQ(err(4000, 2, 29), 35);
  EXPECT_EQ(err(2000, 13, 1), 35);
  EXPECT_EQ(err(2000, 4, 31), 35);
  EXPECT_EQ(err(8000, 2, 29), 35);  // 8000 + 8000 is divisible by 4000
  EXPECT_EQ(err(2000, 2, 29), 0);
  EXPECT_EQ(Get_dayno(20000229), ConvertDay(2000, 2, 29));
}

TEST_F(DatesTest, JulCountsFromTheBaseYear) {
  EXPECT_EQ(Jul_value(1970, 1, 1), 0);
  EXPECT_EQ(Jul_value(1970, 1, 2), 1);
  EXPECT_EQ(Jul_value(0, 0, 0), CurrentDay() - ConvertDay(1970, 1, 1));
  Exec_param(Prm_code('B', 'Y'), 0);  // astronomical origin
  EXPECT_EQ(Jul_value(2000, 1, 1), 2451545);  // the Julian day number of that day
  Exec_param(Prm_code('B', 'Y'), 1970);
  struct tm t = host_today();
  int32_t century = (t.tm_year + 1900) / 100 * 100;
  EXPECT_EQ(Jul_value(5, 3, 1), ConvertDay(century + 5, 3, 1) - ConvertDay(1970, 1, 1));
  Exec_param(Prm_code('+', 'Y'), 19);
  EXPECT_EQ(Jul_value(99, 12, 31), ConvertDay(1999, 12, 31) - ConvertDay(1970, 1, 1));
  EXPECT_EQ(Jul_value(2020, 0, 1), ConvertDay(2020, t.tm_mon + 1, 1) - ConvertDay(1970, 1, 1));
}

TEST_F(DatesTest, JulRanges) {
  EXPECT_EQ(error_no([] { Jul_value(-6001, 1, 1); }), 41);
  EXPECT_EQ(error_no([] { Jul_value(32001, 1, 1); }), 41);
  EXPECT_EQ(error_no([] { Jul_value(2000, 13, 1); }), 41);
  EXPECT_EQ(error_no([] { Jul_value(2000, 2, 30); }), 35);
}

TEST_F(DatesTest, DateStringsThroughTheMask) {
  EXPECT_EQ(Cnv_day_string("12/31/99"), ConvertDay(2099, 12, 31) - ConvertDay(1970, 1, 1));
  Set_date_mask("DD.MM.YYYY");
  EXPECT_EQ(Cnv_day_string("29.02.2000"), ConvertDay(2000, 2, 29) - ConvertDay(1970, 1, 1));
  EXPECT_EQ(error_no([] { Cnv_day_string("29.02.200"); }), 46);
  EXPECT_EQ(error_no([] { Cnv_day_string("29.0x.2000"); }), 41);
  Set_date_mask("MMDDAA");
  EXPECT_EQ(Cnv_day_string("0704B5"), ConvertDay(2015, 7, 4) - ConvertDay(1970, 1, 1));
  EXPECT_EQ(Cnv_day_string("070495"), ConvertDay(1995, 7, 4) - ConvertDay(1970, 1, 1));
  // Long digit fields: the years of JUL(y, m, d), and no wrapping into
  // a valid day or year.
  Set_date_mask("YYYYYYYYYYYY/MM/DD");
  EXPECT_EQ(Cnv_day_string("000000032000/12/31"), Jul_value(32000, 12, 31));
  EXPECT_EQ(error_no([] { Cnv_day_string("000000032001/01/01"); }), 41);
  EXPECT_EQ(error_no([] { Cnv_day_string("004294969296/01/01"); }), 41);  // 2^32 + 2000
  Set_date_mask("DDDDDDDDDDDD/MM/YYYY");
  EXPECT_EQ(error_no([] { Cnv_day_string("004294967297/01/2000"); }), 35);  // 2^32 + 1
}

TEST_F(DatesTest, YearCodes) {
  EXPECT_EQ(Year_code(1999), "99");
  EXPECT_EQ(Year_code(1905), "05");
  EXPECT_EQ(Year_code(2000), "A0");
  EXPECT_EQ(Year_code(2015), "B5");
}

TEST_F(DatesTest, MaskLanguage) {
  int32_t d = ConvertDay(2015, 3, 7);  // a Saturday
  int32_t ms = ConvertTime(14, 5, 9) + 42;
  EXPECT_EQ(FormatDTEString("%Y-%Mz-%Dz", d, ms, true, false), "2015-03-07");
  EXPECT_EQ(FormatDTEString("%Yz%J %W", d, ms, true, false), "1566 6");
  EXPECT_EQ(FormatDTEString("%H:%mz:%sz.%kz %hd%%", d, ms, true, false), "14:05:09.042 2%");
  EXPECT_EQ(FormatDTEString("%S", d, ms, true, false), "50709");
  EXPECT_EQ(FormatDTEString("%A", d, ms, true, false), "B5");
  EXPECT_EQ(FormatDTEString("%Pd%pd", d, 0, true, false), "11");
  EXPECT_EQ(FormatDTEString("%Ml %Ms", d, ms, true, false),
            std::string(Dte_name(3)) + " " + std::string(Dte_name(26)));
  EXPECT_EQ(FormatDTEString("%Dl|%Wl|%Pl|%ps", d, ms, true, false),
            std::string(Dte_name(18)) + "|" + std::string(Dte_name(18)) + "|" + std::string(Dte_name(23)) +
                "|" + std::string(Dte_name(44)));
  EXPECT_EQ(FormatDTEString("%Mp", d, ms, true, false), std::string(1, '\3'));
  EXPECT_EQ(FormatDTEString("DD/MM/YY YYYY AA", d, ms, true, false), "07/03/15 2015 AA");
  EXPECT_EQ(FormatDTEString("AA", d, ms, false, true), "B5");
  EXPECT_EQ(FormatDTEString("%Y", ConvertDay(-44, 3, 15), 0, true, false), "-44");
}

TEST_F(DatesTest, DteOfTodayAndOfGivenDays) {
  struct tm t = host_today();
  char want[48];
  std::snprintf(want, sizeof want, "%02d-%02d-%02d", (t.tm_year + 1900) % 100, t.tm_mon + 1, t.tm_mday);
  std::string mask = "%Yz-%Mz-%Dz";
  EXPECT_EQ(Dte_value(num(0), nullptr, false, &mask), want);
  EXPECT_EQ(Dte_value(num(-1), nullptr, false, &mask), "");
  std::string hm = "%Y%Mz%Dz %Hz%mz";
  EXPECT_EQ(Dte_value(num(1), nullptr, false, &hm).substr(0, 8), "19700102");
  Num_val half_past_one = num(135, 1);
  EXPECT_EQ(Dte_value(num(15), &half_past_one, false, &hm), "19700116 1330");
  EXPECT_EQ(Dte_value(num(175, 1), nullptr, true, &hm), "19700118 1200");  // the fraction is the time
  Num_val bad = num(25);
  EXPECT_THROW(Dte_value(num(1), &bad, false, &hm), Oru_error);
  EXPECT_EQ(Dte_value(num(1), nullptr, false, nullptr), "01/02/70");
}

TEST_F(DatesTest, TimIsHoursWithSixDecimals) {
  Num_val v = Tim_value();
  EXPECT_EQ(v.scale, 6);
  EXPECT_GE(v.mant, 0);
  EXPECT_LT(v.mant, 24000000);
}

TEST_F(DatesTest, SetdayMovesTheCalendar) {
  EXPECT_EQ(type("SETDAY \"12/31/99\""), 0);
  EXPECT_EQ(Day_text(), "12/31/99");
  EXPECT_EQ(ParseDay(CurrentDay()).year, 1999);
  EXPECT_EQ(type("SETDAY \"2-29-2000\""), 0);
  EXPECT_EQ(Day_text(), "02/29/00");
  EXPECT_EQ(type("SETDAY \"2/30/2000\""), 35);
  EXPECT_EQ(type("SETDAY \"12/31\""), 35);
  EXPECT_EQ(type("SETDAY \"12/31/99/1\""), 35);
  EXPECT_EQ(type("SETDAY \"/12/31/99\""), 35);
  EXPECT_EQ(type("SETDAY \"\""), 0);
  EXPECT_EQ(ws.Day_offset, 0);
}

TEST_F(DatesTest, DayUsesTheDateFormatMask) {
  EXPECT_EQ(type("SETDAY \"06/15/2015\""), 0);
  EXPECT_EQ(type("DFMT \"AA\""), 0);
  EXPECT_EQ(Day_text(), "B5");
  EXPECT_EQ(type("DFMT \"YYYY-MM-DD\""), 0);
  EXPECT_EQ(Day_text(), "2015-06-15");
  EXPECT_EQ(type("DFMT READ M$"), 0);
  EXPECT_EQ(GetDefaultDateFormatter(), "YYYY-MM-DD");
  EXPECT_EQ(type("DFMT"), 0);
  EXPECT_EQ(Day_text(), "06/15/15");
}

TEST_F(DatesTest, SettimeOffsetsTheClock) {
  EXPECT_EQ(type("SETTIME 13.5"), 0);
  int32_t t = CurrentTime();
  EXPECT_GE(t, ConvertTime(13, 30, 0));
  EXPECT_LT(t, ConvertTime(13, 30, 5));
  EXPECT_EQ(type("SETTIME 24.01"), 41);
  EXPECT_EQ(type("SETTIME -1"), 41);
  EXPECT_EQ(type("SETTIME 0"), 0);
  EXPECT_LT(CurrentTime(), 5000);
}

TEST_F(DatesTest, WaitRangeAndDuration) {
  EXPECT_EQ(type("WAIT 1000000"), 41);
  EXPECT_EQ(type("WAIT -1"), 41);
  // The shortest of up to five runs (a loaded machine can only lengthen a
  // run, and one that waits too long does so every time); each run at least
  // as long as the wait.
  auto shortest = [this](const char* line, long at_least, long below) {
    long best = -1;
    for (int i = 0; i < 5 && !(best >= 0 && best < below); ++i) {
      auto t0 = std::chrono::steady_clock::now();
      EXPECT_EQ(type(line), 0);
      long ms = long(std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - t0).count());
      EXPECT_GE(ms, at_least);
      if (best < 0 || ms < best) best = ms;
    }
    return best;
  };
  EXPECT_LT(shortest("WAIT 0.25", 240, 1000), 1000);
  EXPECT_LT(shortest("WAIT 0", 0, 100), 100);
}

}  // namespace
