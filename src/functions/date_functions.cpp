// The date and time functions JUL( and DTE(, the system variables DAY, TIM
// and TME, and PRM( (the value of one system parameter).  The calendar, the
// clock and the mask language belong to core/dates.
#include <cstring>
#include <string>

#include "core/dates.h"
#include "core/messages.h"
#include "core/params.h"
#include "functions/fnc_args.h"
#include "functions/function_table.h"

namespace {

constexpr uint8_t CODE_COLON = 58;

void text_result(const std::string& s) {
  uint8_t* out = Rsv_out(int64_t(s.size()));
  if (!s.empty()) std::memcpy(out, s.data(), s.size());
}

int32_t whole(Num_val v) {
  Set_scl(v, 0, 0);
  return To_integer(v);
}

}  // namespace

// JUL(y, m, d): the day number of a date, counted from the base year;
// JUL(s): a date string read through the default mask.
void fnc_jul() {
  Eval_formula();
  if (ws.Str_len >= 0) {
    std::string s(reinterpret_cast<const char*>(ws.Str_ptr), size_t(ws.Str_len));
    Fnc_result_int(Cnv_day_string(s));
    return;
  }
  int32_t y = whole(ws.Num_acc);
  Fnc_comma();
  int32_t m = whole(Fnc_num());
  Fnc_comma();
  int32_t d = whole(Fnc_num());
  Fnc_result_int(Jul_value(y, m, d));
}

// DTE(/): the names list.  DTE([day] [, hours | , /] [: mask]): day is a
// day number from the base (0 today, negative: "") or a date string; the
// time is given in hours, or with "/" taken from the day's fraction, else
// it is now; the mask is the default one when none is given.
void fnc_dte() {
  uint8_t* p = ws.Exec_ptr;
  if (p[0] == code::OP_DIV && p[1] == code::RPAREN) {
    ++ws.Exec_ptr;
    text_result(Dte_names());
    return;
  }
  Num_val day;  // 0: today
  bool from_string = false;
  int32_t abs_day = 0;
  if (p[0] != code::RPAREN && p[0] != CODE_COLON && p[0] != code::COMMA) {
    Eval_formula();
    if (ws.Str_len >= 0) {
      std::string s(reinterpret_cast<const char*>(ws.Str_ptr), size_t(ws.Str_len));
      abs_day = Cnv_day_string(s) + Jul_base();
      from_string = true;
    } else {
      day = ws.Num_acc;
    }
  }
  Num_val hours;
  bool has_time = false, slash = false;
  if (Fnc_more()) {
    if (*ws.Exec_ptr == code::OP_DIV) {
      ++ws.Exec_ptr;
      slash = true;
    } else {
      hours = Fnc_num();
      has_time = true;
    }
  }
  std::string mask;
  bool has_mask = false;
  if (*ws.Exec_ptr == CODE_COLON) {
    ++ws.Exec_ptr;
    Fnc_str m = Fnc_string();
    mask.assign(reinterpret_cast<const char*>(m.p), size_t(m.len));
    has_mask = true;
  }
  if (!from_string) {
    text_result(Dte_value(day, has_time ? &hours : nullptr, slash, has_mask ? &mask : nullptr));
    return;
  }
  // A date string names its day exactly (its day 0 is the base day, not
  // today); a string has no fraction, so "/" gives midnight.
  if (mask.size() > 8192) Rpt_error(err::STRING_LENGTH);
  int32_t ms = 0;
  if (has_time) {
    double hv = Val_to_dbl(hours);
    if (hv < 0 || hv > 24) Rpt_error(err::OUT_OF_RANGE);
    ms = int32_t(hv * 3600000.0 + 0.5);
    if (ms >= MS_PER_DAY) ms = MS_PER_DAY - 1;
  } else if (!slash) {
    ms = CurrentTime();
  }
  text_result(FormatDTEString(has_mask ? mask : GetDefaultDateFormatter(), abs_day, ms, true,
                              !has_mask && Date_mask_set()));
}

// PRM(s): s is ESC and the two characters of a system parameter; the
// parameter's value (-1 for an unknown code).
void fnc_prm() {
  Fnc_str s = Fnc_string();
  if (s.len != 3) Rpt_error(err::STRING_LENGTH);
  if (s.p[0] != 0x1B) Rpt_error(err::BAD_MNEMONIC);
  Fnc_result_int(Get_param(Prm_code(char(s.p[1]), char(s.p[2]))));
}

void vl_day() { text_result(Day_text()); }

void vl_tim() {
  ws.Num_acc = Tim_value();
  ws.Str_len = -1;
}

// TME reads the same clock as TIM.
void vl_tme() { vl_tim(); }
