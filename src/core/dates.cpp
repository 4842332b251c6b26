// Calendar, clock, date masks and the directives SETDAY, SETTIME, WAIT and
// DATE FORMAT.
//
// Day numbers: v = y + 7999 counts the years from the origin (the missing
// year 0 is counted as v = 7999 and taken out again), so 1 January of y is
//   v*365 + v/4 - v/100 + v/400 - v/4000, less 365 when v >= 8000.
// A leap year ends every cycle (4, 100, 400, 4000 years), which is why the
// inverse can cap each cycle count at its last value.
#include "core/dates.h"

#include <sys/time.h>

#include <cmath>
#include <cstring>
#include <ctime>

#include "core/console_device.h"
#include "core/codes.h"
#include "core/directives.h"
#include "core/errors.h"
#include "core/evaluator.h"
#include "core/host.h"
#include "core/memory.h"
#include "core/messages.h"
#include "core/params.h"
#include "core/variables.h"
#include "core/workspace.h"

int Month_days[12] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};

namespace {

constexpr int32_t YEAR0_DAY = 2921573;  // day number of 1 January of year 1
constexpr size_t MASK_MAX = 8192;
// The years JUL( takes, and the bound past which the digits of a date
// string are no longer accumulated.
constexpr int32_t JUL_YEAR_MIN = -6000, JUL_YEAR_MAX = 32000;
constexpr int32_t DIGITS_CAP = 100000000;
constexpr const char* DEFAULT_MASK = "MM/DD/YY";

std::string date_mask;  // DATE FORMAT; empty: none

int64_t floor_div(int64_t a, int64_t b) {
  int64_t q = a / b;
  if ((a % b != 0) && ((a < 0) != (b < 0))) --q;
  return q;
}

// The host's local date and time of day (ms), without offsets.
void local_now(int32_t* day, int32_t* ms) {
  struct timeval tv {};
  gettimeofday(&tv, nullptr);
  time_t t = tv.tv_sec;
  struct tm lt {};
  localtime_r(&t, &lt);
  if (day) *day = ConvertDay(lt.tm_year + 1900, lt.tm_mon + 1, lt.tm_mday);
  if (ms) *ms = ((lt.tm_hour * 60 + lt.tm_min) * 60 + lt.tm_sec) * 1000 + int32_t(tv.tv_usec / 1000);
}

int32_t current_century() { return ParseDay(CurrentDay()).year / 100 * 100; }

void put_num(std::string& out, int64_t v, int width) {
  if (v < 0) {
    out += '-';
    v = -v;
  }
  std::string d = std::to_string(v);
  if (int(d.size()) < width) out.append(size_t(width) - d.size(), '0');
  out += d;
}

}  // namespace

bool Is_leap(int32_t y) {
  int64_t yp = int64_t(y) + 8000;
  if (yp % 4 != 0) return false;
  if (yp % 4000 == 0) return false;
  if (yp % 400 == 0) return true;
  return yp % 100 != 0;
}

void Leap_set(int32_t y) { Month_days[1] = Is_leap(y) ? 29 : 28; }

int32_t Jul_year(int32_t y) {
  int64_t v = int64_t(y) + 7999;
  int64_t d = v * 365 + floor_div(v, 4) - floor_div(v, 100) + floor_div(v, 400) - floor_div(v, 4000);
  if (v >= 8000) d -= 365;
  return int32_t(d);
}

int32_t Year_jul(int32_t day, int32_t* day_of_year) {
  int64_t d = day;
  if (d >= YEAR0_DAY) d += 365;
  int64_t c1 = floor_div(d, 1460969);
  d -= c1 * 1460969;
  int64_t c2 = d / 146097;
  if (c2 > 9) c2 = 9;
  d -= c2 * 146097;
  int64_t c3 = d / 36524;
  if (c3 > 3) c3 = 3;
  d -= c3 * 36524;
  int64_t c4 = d / 1461;
  if (c4 > 24) c4 = 24;
  d -= c4 * 1461;
  int64_t c5 = d / 365;
  if (c5 > 3) c5 = 3;
  d -= c5 * 365;
  if (day_of_year) *day_of_year = int32_t(d);
  return int32_t(c1 * 4000 + c2 * 400 + c3 * 100 + c4 * 4 + c5 - 7999);
}

int32_t ConvertDay(int32_t y, int32_t m, int32_t d) {
  if (m < 1 || m > 12) Rpt_error(err::BAD_DATE);
  Leap_set(y);
  if (d < 1 || d > Month_days[m - 1]) Rpt_error(err::BAD_DATE);
  int32_t day = Jul_year(y);
  for (int i = 0; i < m - 1; ++i) day += Month_days[i];
  return day + d - 1;
}

Day_parts ParseDay(int32_t day) {
  Day_parts p{};
  int32_t doy = 0;
  p.year = Year_jul(day, &doy);
  p.yday = doy + 1;
  Leap_set(p.year);
  int m = 0;
  while (m < 11 && doy >= Month_days[m]) doy -= Month_days[m++];
  p.month = m + 1;
  p.day = doy + 1;
  return p;
}

int32_t ConvertTime(int32_t h, int32_t m, int32_t s) { return ((h * 60 + m) * 60 + s) * 1000; }

void ParseTime(int32_t ms, int32_t* h, int32_t* m, int32_t* s) {
  int32_t secs = ms / 1000;
  if (h) *h = secs / 3600;
  if (m) *m = secs / 60 % 60;
  if (s) *s = secs % 60;
}

int32_t Get_dayno(int32_t yyyymmdd) {
  return ConvertDay(yyyymmdd / 10000, yyyymmdd / 100 % 100, yyyymmdd % 100);
}

int32_t Week_day(int32_t day) { return int32_t(((int64_t(day) + 3) % 7 + 7) % 7 + 1); }

int32_t CurrentDay() {
  int32_t day = 0, ms = 0;
  local_now(&day, &ms);
  int64_t t = int64_t(ms) + ws.Time_offset;
  if (t >= MS_PER_DAY) ++day;
  if (t < 0) --day;
  return day + ws.Day_offset;
}

int32_t CurrentTime() {
  int32_t ms = 0;
  local_now(nullptr, &ms);
  int64_t t = (int64_t(ms) + ws.Time_offset) % MS_PER_DAY;
  if (t < 0) t += MS_PER_DAY;
  return int32_t(t);
}

int32_t Jul_base() {
  if (prmblk.BY == 0) return ConvertDay(-4713, 1, 1) - 40;
  return Jul_year(prmblk.BY);
}

int32_t Jul_value(int32_t y, int32_t m, int32_t d) {
  if (y < JUL_YEAR_MIN || y > JUL_YEAR_MAX || m < 0 || m > 12 || d < 0 || d > 31) Rpt_error(err::OUT_OF_RANGE);
  if (y == 0 && m == 0 && d == 0) return CurrentDay() - Jul_base();
  if (m == 0 || d == 0) {
    Day_parts today = ParseDay(CurrentDay());
    if (m == 0) m = today.month;
    if (d == 0) d = today.day;
  }
  if (y >= 0 && y <= 99) y += prmblk.Plus_Y != 0 ? prmblk.Plus_Y * 100 : current_century();
  return ConvertDay(y, m, d) - Jul_base();
}

std::string GetDefaultDateFormatter() { return date_mask.empty() ? std::string(DEFAULT_MASK) : date_mask; }

bool Date_mask_set() { return !date_mask.empty(); }

void Set_date_mask(std::string_view mask) {
  if (mask.size() > MASK_MAX) Rpt_error(err::STRING_LENGTH);
  date_mask.assign(mask);
}

void Dates_reset() {
  date_mask.clear();
  date_mask.shrink_to_fit();
}

// The mask's letters pick the digits: D day, M month, Y year; the first A is
// the decade code (a digit d: the decades 190d, a letter: 200 + its offset
// from "A"), a later A the units digit of the year.
int32_t Cnv_day_string(std::string_view s) {
  std::string mask = GetDefaultDateFormatter();
  if (s.size() != mask.size()) Rpt_error(err::STRING_LENGTH);
  int32_t y = 0, m = 0, d = 0;
  bool seen_a = false;
  for (size_t i = 0; i < mask.size(); ++i) {
    char k = mask[i];
    unsigned char c = uint8_t(s[i]);
    bool digit = c >= '0' && c <= '9';
    if (k == 'A' && !seen_a) {
      seen_a = true;
      if (digit)
        y = 190 + (c - '0');
      else if (c >= 'A' && c <= 'Z')
        y = 200 + (c - 'A');
      else
        Rpt_error(err::OUT_OF_RANGE);
      continue;
    }
    if (k != 'D' && k != 'M' && k != 'Y' && k != 'A') continue;
    if (!digit) Rpt_error(err::OUT_OF_RANGE);
    int v = c - '0';
    // A long run of digits stops growing once it is out of every range.
    int32_t& part = k == 'D' ? d : k == 'M' ? m : y;
    if (part < DIGITS_CAP) part = part * 10 + v;
  }
  if (y > JUL_YEAR_MAX) Rpt_error(err::OUT_OF_RANGE);
  if (y < 100) y += current_century();
  return ConvertDay(y, m, d) - Jul_base();
}

std::string Year_code(int32_t year) {
  int32_t y = year < 0 ? -year : year;
  std::string out;
  if (y >= 2000) {
    int32_t dec = (y - 2000) / 10;
    out += dec < 26 ? char('A' + dec) : '*';
  } else {
    out += char('0' + y % 100 / 10);
  }
  out += char('0' + y % 10);
  return out;
}

std::string FormatDTEString(std::string_view mask, int32_t day, int32_t ms, bool percent, bool aa) {
  Day_parts p = ParseDay(day);
  int32_t h = 0, mi = 0, se = 0;
  ParseTime(ms, &h, &mi, &se);
  int32_t wd = Week_day(day);
  std::string out;
  size_t i = 0, n = mask.size();
  auto at = [&](size_t k, std::string_view lit) { return mask.substr(k, lit.size()) == lit; };
  while (i < n) {
    char c = mask[i];
    if (percent && c == '%') {
      if (i + 1 < n && mask[i + 1] == '%') {
        out += '%';
        i += 2;
        continue;
      }
      if (i + 1 >= n) {
        out += '%';
        ++i;
        continue;
      }
      char f = mask[i + 1];
      int64_t v;
      constexpr int NO_NAMES = -1000;
      int name_base = NO_NAMES;  // names list index of value 0, when the field has names
      switch (f) {
        case 'Y': v = p.year; break;
        case 'A': v = 0; break;
        case 'M': v = p.month; name_base = 0; break;
        case 'D': v = p.day; name_base = 12 + wd - p.day; break;  // the weekday's name
        case 'J': v = p.yday; break;
        case 'W': v = wd; name_base = 12; break;
        case 'H': v = h; break;
        case 'h': v = h % 12 == 0 ? 12 : h % 12; break;
        case 'P': v = h < 12 ? 1 : 2; name_base = 21; break;
        case 'p': v = h < 12 ? 1 : 2; name_base = 19; break;
        case 'm': v = mi; break;
        case 's': v = se; break;
        case 'S': v = ms / 1000; break;
        case 'k': v = ms % 1000; break;
        default:
          out += '%';
          ++i;
          continue;
      }
      i += 2;
      char fmt = 'd';
      if (i < n && std::strchr("dzpls", mask[i]) != nullptr && mask[i] != '\0') fmt = mask[i++];
      if (f == 'A') {
        out += Year_code(p.year);
        continue;
      }
      if ((fmt == 'l' || fmt == 's') && name_base != NO_NAMES) {  // %D's base may be negative
        int64_t idx = name_base + v + (fmt == 's' ? 23 : 0);
        if (idx >= 0 && idx < DTE_NAME_COUNT) out += Dte_name(int(idx));
        continue;
      }
      switch (fmt) {
        case 'z':
          if (f == 'Y') v %= 100;
          put_num(out, v, f == 'k' ? 3 : 2);
          break;
        case 'p': out += char(uint8_t(v)); break;
        default: put_num(out, v, 0); break;
      }
      continue;
    }
    if (aa && at(i, "AA")) {
      out += Year_code(p.year);
      i += 2;
    } else if (at(i, "DD")) {
      put_num(out, p.day, 2);
      i += 2;
    } else if (at(i, "MM")) {
      put_num(out, p.month, 2);
      i += 2;
    } else if (at(i, "YYYY")) {
      put_num(out, p.year, 4);
      i += 4;
    } else if (at(i, "YY")) {
      put_num(out, (p.year < 0 ? -p.year : p.year) % 100, 2);
      i += 2;
    } else {
      out += c;
      ++i;
    }
  }
  return out;
}

std::string Dte_value(const Num_val& day, const Num_val* hours, bool slash, const std::string* mask) {
  if (mask && mask->size() > MASK_MAX) Rpt_error(err::STRING_LENGTH);
  double dv = Val_to_dbl(day);
  if (dv < 0) return std::string();
  double whole = std::floor(dv);
  if (whole > 20000000.0) Rpt_error(err::OUT_OF_RANGE);
  int32_t ms;
  if (hours) {
    double hv = Val_to_dbl(*hours);
    if (hv < 0 || hv > 24) Rpt_error(err::OUT_OF_RANGE);
    ms = int32_t(std::llround(hv * 3600000.0));
    if (ms >= MS_PER_DAY) ms = MS_PER_DAY - 1;
  } else if (slash) {
    ms = int32_t((dv - whole) * MS_PER_DAY);
  } else {
    ms = CurrentTime();
  }
  int32_t abs_day = whole == 0 ? CurrentDay() : int32_t(whole) + Jul_base();
  if (mask) return FormatDTEString(*mask, abs_day, ms, true, false);
  return FormatDTEString(GetDefaultDateFormatter(), abs_day, ms, true, Date_mask_set());
}

std::string Day_text() { return FormatDTEString(GetDefaultDateFormatter(), CurrentDay(), 0, false, true); }

Num_val Tim_value() {
  Num_val v;
  v.mant = int64_t(CurrentTime()) * 10 / 36;
  v.scale = 6;
  if (Sw_on(sw::BX)) Set_scl(v, ws.Precision, 1);
  return v;
}

void TrueWait(int32_t hundredths) {
  Con_flush();
  if (hundredths <= 0) return;
  // A console over a connection is checked at least every 5 seconds of the
  // wait; an escape (a break the check found among them) ends the wait.
  if ((ws.Run_flags & RF_CLIENT_LIVE) && Client_requests.check_live) {
    while (hundredths > 0 && !(ws.Run_flags & (RF_ESCAPE | RF_STOP)) && !ws.End_process) {
      Client_requests.check_live();
      if (ws.Run_flags & (RF_ESCAPE | RF_STOP)) break;
      int32_t slice = hundredths < 500 ? hundredths : 500;
      Set_timer(slice);
      Wait_timer();
      hundredths -= slice;
    }
    return;
  }
  if (!Event_serve_hook) {
    Set_timer(hundredths);
    Wait_timer();
    return;
  }
  // Each event signalled meanwhile (the event timer, SIGUSR1) runs its
  // handler at once, the wait being a statement boundary, and the wait goes
  // on until its end (the handler's time counts against it).  Channels
  // watched for DataAvailable are looked at every few milliseconds of the
  // wait.  A request to come back at every boundary stands again afterwards.
  bool again = (ws.Run_flags & RF_EVENT) != 0;
  ws.Run_flags &= ~uint32_t(RF_EVENT);
  const int64_t end = Mono_ms() + int64_t(hundredths) * 10;
  bool waiting = false;  // events left for later (raised while handlers ran)
  for (;;) {
    const int64_t left = end - Mono_ms();
    if (left <= 0) break;
    const bool watch = waiting || (Event_data_watch_hook && Event_data_watch_hook());
    const int64_t slice = watch && left > DATA_SLICE_MS ? int64_t(DATA_SLICE_MS) : left;
    Set_timer(int32_t((slice + 9) / 10));
    Wait_timer_or_event();
    Kill_timer();
    if ((ws.Run_flags & (RF_ESCAPE | RF_STOP)) || ws.End_process) break;
    if (!(ws.Run_flags & RF_EVENT) && !watch) continue;
    ws.Run_flags &= ~uint32_t(RF_EVENT);
    Event_serve_hook();
    waiting = (ws.Run_flags & RF_EVENT) != 0;
    again |= waiting;
    ws.Run_flags &= ~uint32_t(RF_EVENT);
  }
  if (again) ws.Run_flags |= RF_EVENT;
}

// WAIT seconds: up to two decimals, 0 to 9,999 seconds.
void d_wait() {
  Err_tail_run([] {
    int32_t n = Eval_int100();
    if (n < 0 || n > 999900) Rpt_error(err::OUT_OF_RANGE);
    TrueWait(n);
  });
}

// SETTIME hours: the clock is moved by an offset so that it now shows them.
static void stim_body() {
  Eval_val();
  double secs = Val_to_dbl(ws.Num_acc) * 3600.0;
  if (!(secs >= 0 && secs <= 86400.0)) Rpt_error(err::OUT_OF_RANGE);
  int64_t target = std::llround(secs * 1000.0);
  int64_t off = int64_t(ws.Time_offset) + (target - CurrentTime());
  int32_t days = 0;
  while (off > MS_PER_DAY) {
    off -= MS_PER_DAY;
    ++days;
  }
  while (off < -int64_t(MS_PER_DAY)) {
    off += MS_PER_DAY;
    --days;
  }
  ws.Time_offset = int32_t(off);
  ws.Day_offset += days;
}
void d_stim() { Err_tail_run(stim_body); }

// SETDAY "mm/dd/yy": the calendar is moved by a day offset so that today is
// that date; an empty string puts both offsets back to 0.  The year goes up
// to JUL('s bound; a longer number is an invalid date, not a shorter year.
static void sday_body() {
  Eval_str();
  std::string s(reinterpret_cast<const char*>(ws.Str_ptr), size_t(ws.Str_len));
  if (s.empty()) {
    ws.Day_offset = 0;
    ws.Time_offset = 0;
    return;
  }
  int32_t part[3] = {0, 0, 0};
  int count = 0;
  size_t i = 0;
  while (i < s.size()) {
    if (s[i] < '0' || s[i] > '9') Rpt_error(err::BAD_DATE);
    if (count == 3) Rpt_error(err::BAD_DATE);
    int32_t v = 0;
    while (i < s.size() && s[i] >= '0' && s[i] <= '9') {
      v = v * 10 + (s[i] - '0');
      if (v > JUL_YEAR_MAX) Rpt_error(err::BAD_DATE);  // no date of the calendar: not cut short
      ++i;
    }
    part[count++] = v;
    if (i == s.size()) break;
    while (i < s.size() && (s[i] < '0' || s[i] > '9')) ++i;
    if (i == s.size()) Rpt_error(err::BAD_DATE);
  }
  if (count != 3) Rpt_error(err::BAD_DATE);
  int32_t y = part[2];
  if (y < 100) y += y < 70 ? 2000 : 1900;
  int32_t want = ConvertDay(y, part[0], part[1]);
  ws.Day_offset = 0;
  ws.Day_offset = want - CurrentDay();
}
void d_sday() { Err_tail_run(sday_body); }

// DATE FORMAT [mask] and DATE FORMAT READ variable.
static void dfmt_body() {
  uint8_t c = *ws.Exec_ptr;
  if (c == code::D_READ) {
    ++ws.Exec_ptr;
    if (*ws.Exec_ptr != code::STR_VAR) Rpt_error(err::SYNTAX);
    Get_value();
    Check_assignable(ws.Cur_var);
    Let_target t;
    Let_define(t);
    std::string m = GetDefaultDateFormatter();
    uint8_t* p = Work_take(m.size() + 1);
    std::memcpy(p, m.data(), m.size());
    ws.Str_ptr = p;
    ws.Str_len = int32_t(m.size());
    Let_assign(t);
    return;
  }
  if (c == code::STMT_SEP || c == code::EOL || At_err_tail()) {
    Set_date_mask("");
    return;
  }
  Eval_str();
  Set_date_mask(std::string_view(reinterpret_cast<const char*>(ws.Str_ptr), size_t(ws.Str_len)));
}
void d_dfmt() { Err_tail_run(dfmt_body); }
