// TRANSLATE target$, table$ [, base]: byte translation of a string variable.
//
// With a base (a number, or the first byte of a string; an empty string is
// 0) each byte b of the target becomes table[(b - base) mod 256] when that
// index lies inside the table; other bytes stay.
//
// Without a base the table is a list of entries, each
//   byte, count n, n replacement bytes
// and each byte of the target is replaced by the bytes of the first entry
// for it (n = 0 deletes it) or kept when no entry names it.  In UTF-8 mode a
// lead byte of 192 or more and its continuation bytes are copied as they
// stand.  The table is checked whole before the target changes (an entry
// that runs past the table's end is error 46).
#include <array>
#include <string>
#include <vector>

#include "core/codes.h"
#include "core/directives.h"
#include "core/errors.h"
#include "core/evaluator.h"
#include "core/variables.h"
#include "core/workspace.h"

namespace {

// Offsets of the first entry for each byte in an entry table (-1: none).
std::array<int32_t, 256> index_entries(const std::string& t) {
  std::array<int32_t, 256> first;
  first.fill(-1);
  size_t i = 0;
  while (i < t.size()) {
    if (i + 1 >= t.size()) Rpt_error(err::STRING_LENGTH);
    size_t n = uint8_t(t[i + 1]);
    if (i + 2 + n > t.size()) Rpt_error(err::STRING_LENGTH);
    uint8_t b = uint8_t(t[i]);
    if (first[b] < 0) first[b] = int32_t(i);
    i += 2 + n;
  }
  return first;
}

std::string translate_entries(const std::string& s, const std::string& t) {
  std::array<int32_t, 256> first = index_entries(t);
  std::string out;
  out.reserve(s.size());
  for (size_t i = 0; i < s.size();) {
    uint8_t b = uint8_t(s[i]);
    if (ws.Utf8_mode && b >= 192) {
      size_t n = 1 + (b < 224 ? 1 : b < 240 ? 2 : 3);
      if (n > s.size() - i) n = s.size() - i;
      out.append(s, i, n);
      i += n;
      continue;
    }
    if (first[b] < 0) {
      out += char(b);
    } else {
      size_t at = size_t(first[b]);
      out.append(t, at + 2, uint8_t(t[at + 1]));
    }
    ++i;
  }
  return out;
}

}  // namespace

static void trns_body() {
  if (*ws.Exec_ptr == code::PREFIX2) Rpt_error_text(err::NOT_BUILT, "TRANSLATE FROM is not supported");
  uint8_t c = *ws.Exec_ptr;
  if (c != code::STR_VAR && c != code::NUM_VAR && c != code::REC_VAR) Rpt_error(err::SYNTAX);
  Get_value();
  Check_assignable(ws.Cur_var);
  Let_target target;
  Let_define(target);
  if (target.str_len < 0) Rpt_error(err::TYPE_MISMATCH);
  std::string s(reinterpret_cast<const char*>(ws.Str_ptr), size_t(ws.Str_len));
  if (*ws.Exec_ptr != code::COMMA) Rpt_error(err::SYNTAX);
  ++ws.Exec_ptr;
  Eval_str();
  std::string table(reinterpret_cast<const char*>(ws.Str_ptr), size_t(ws.Str_len));
  std::string out;
  if (*ws.Exec_ptr == code::COMMA && !At_err_tail()) {
    ++ws.Exec_ptr;
    Eval_formula();
    int base;
    if (ws.Str_len >= 0)
      base = ws.Str_len ? ws.Str_ptr[0] : 0;
    else
      base = int(To_integer(ws.Num_acc) & 0xFF);
    out = s;
    for (char& ch : out) {
      size_t idx = size_t((uint8_t(ch) - base) & 0xFF);
      if (idx < table.size()) ch = table[idx];
    }
  } else {
    out = translate_entries(s, table);
  }
  ws.Str_ptr = reinterpret_cast<uint8_t*>(out.data());  // Let_assign copies it
  ws.Str_len = int32_t(out.size());
  Let_assign(target);
}

// TRANSLATE target, table [, base] [, ERR=line]
void d_trns() { Err_tail_run(trns_body); }
