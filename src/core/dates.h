// The calendar and clock: day numbers, today and the time of day with the
// SETDAY and SETTIME offsets, the JUL and DTE computations, the date-mask
// language, DAY and TIM, WAIT.
//
// A day number counts days from 1 January of the year -7999 (day 0).  There
// is no year 0: the year before 1 is -1.  With y' = y + 8000 a year is a leap
// year when y' is divisible by 4, except when divisible by 100 and not by
// 400, and except when divisible by 4000.
#pragma once
#include <cstdint>
#include <string>
#include <string_view>

#include "core/decimal.h"

constexpr int32_t MS_PER_DAY = 86400000;

// ---- calendar ----
bool Is_leap(int32_t y);
extern int Month_days[12];
void Leap_set(int32_t y);  // February of Month_days becomes 28 or 29
int32_t Jul_year(int32_t y);  // day number of 1 January of y
// Year of a day number; *day_of_year gets the 0-based day within it.
int32_t Year_jul(int32_t day, int32_t* day_of_year);
// Error 35 unless 1 <= m <= 12 and 1 <= d <= the month's length.
int32_t ConvertDay(int32_t y, int32_t m, int32_t d);
struct Day_parts {
  int32_t year, month, day, yday;  // yday 1-based
};
Day_parts ParseDay(int32_t day);
int32_t ConvertTime(int32_t h, int32_t m, int32_t s);  // milliseconds
void ParseTime(int32_t ms, int32_t* h, int32_t* m, int32_t* s);
int32_t Get_dayno(int32_t yyyymmdd);
// Weekday 1..7 of a day number (1 is Monday).
int32_t Week_day(int32_t day);

// ---- today ----
// Today as a day number: the local date, one more or less when the time
// offset crosses midnight, plus the day offset.
int32_t CurrentDay();
// Local time of day in milliseconds plus the time offset, wrapped into a day.
int32_t CurrentTime();

// ---- JUL and DTE ----
// Day number of the day JUL and DTE count from: 1 January of parameter BY,
// or with BY 0 the astronomical origin (1 January -4713 less 40 days).
int32_t Jul_base();
// JUL(y, m, d): y -6000..32000, m 0..12, d 0..31 (error 41); zero parts are
// today's; years 0..99 get a century.  The result counts from Jul_base.
int32_t Jul_value(int32_t y, int32_t m, int32_t d);
// JUL(s): s read through the default mask (error 46 when the lengths
// differ, 41 for a non-digit where a digit belongs).
int32_t Cnv_day_string(std::string_view s);
// The default mask: the DATE FORMAT mask, else "MM/DD/YY".
std::string GetDefaultDateFormatter();
bool Date_mask_set();
// DATE FORMAT: an empty mask clears it; above 8,192 characters error 46.
void Set_date_mask(std::string_view mask);
// The mask language over an absolute day number and a time of day.
// percent: the "%" fields are active (DTE; DAY has only the short letters);
// aa: "AA" gives the year code.
std::string FormatDTEString(std::string_view mask, int32_t day, int32_t ms, bool percent, bool aa);
// The two-character year code: "99" for 1999, "B5" for 2015.
std::string Year_code(int32_t year);
// DTE(day [, time] [: mask]): day counted from the base, truncated (0 =
// today, negative gives ""); hours 0..24 when given (error 41); with slash
// the time is the fraction of day; mask null means the default mask.
std::string Dte_value(const Num_val& day, const Num_val* hours, bool slash, const std::string* mask);

// ---- system variables ----
std::string Day_text();  // DAY
Num_val Tim_value();     // TIM: hours with 6 decimals

// ---- waiting ----
// Flushes the console and sleeps for the hundredths on the statement timer;
// an escape ends the sleep early.
void TrueWait(int32_t hundredths);

// Start-up: clears the DATE FORMAT mask.
void Dates_reset();
