// Argument helpers shared by the function handlers (see function_table.h
// for the calling convention).
#pragma once
#include <cstddef>
#include <cstdint>
#include <string>

#include "core/codes.h"
#include "core/decimal.h"
#include "core/errors.h"
#include "core/evaluator.h"
#include "core/workspace.h"

// I/O option token that carries a UTF-8 option string ("U" / "B").
constexpr uint8_t FNC_OPT_UTF8 = 146;
constexpr uint8_t FNC_ERR_OPT = 136;  // ERR=

struct Fnc_str {
  const uint8_t* p;
  int32_t len;
};

// The comma before a further, required argument (error 49 when it is missing).
inline void Fnc_comma() {
  if (*ws.Exec_ptr != code::COMMA) Rpt_error(err::INTERNAL_CODE);
  ++ws.Exec_ptr;
}
// Steps over a comma when one follows: a further, optional argument.  A
// comma before an option word (",OPT=", ",SEP=" ...) is left for the
// option's reader: the arguments have ended.
inline bool Fnc_more() {
  const uint8_t* p = ws.Exec_ptr;
  if (p[0] != code::COMMA || (p[1] >= code::IOPT_FIRST && p[1] <= code::IOPT_LAST)) return false;
  ++ws.Exec_ptr;
  return true;
}
inline Num_val Fnc_num() {
  Eval_val();
  return ws.Num_acc;
}
inline Fnc_str Fnc_string() {
  Eval_str();
  return {ws.Str_ptr, ws.Str_len};
}
inline void Fnc_result(const Num_val& v) {
  ws.Num_acc = v;
  ws.Str_len = -1;
}
inline void Fnc_result_int(int64_t n) {
  ws.Num_acc = Num_val{};
  ws.Num_acc.mant = n;
  ws.Str_len = -1;
}
// Result that points at existing bytes (no copy).
inline void Fnc_result_str(const uint8_t* p, int32_t len) {
  ws.Str_ptr = const_cast<uint8_t*>(p);
  ws.Str_len = len;
}

// A string result copied from p (up to 200 bytes in the work area, else a
// per-statement temporary; see Rsv_out).
void Fnc_result_copy(const void* p, size_t n);
inline void Fnc_result_text(const std::string& s) { Fnc_result_copy(s.data(), s.size()); }

// UTF-8 option of a function: the default is bit `bit` of ws.Utf8_mode; a
// trailing option (token 146 and a string) overrides it: each "U"/"u" turns
// it on, each "B"/"b" off, the last letter wins.
bool Fnc_utf8_opt(int bit);
// Skips one argument expression unevaluated (the cursor is on its first
// code; it stops on the "," or ")" that ends it).
void Fnc_skip_arg();
