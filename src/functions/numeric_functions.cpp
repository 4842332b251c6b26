// Numeric and bit functions: ABS( SGN( INT( PRC( FPT( MOD( EPT( EXP( LOG(
// SQR( the trigonometric functions, BSZ( HSA( SSZ( MAX( MIN( CSE( NUL(
// NOT( AND( IOR( XOR( ASC( LEN( BIN( DEC(.
#include <cmath>
#include <cstring>

#include "core/line_store.h"
#include "core/memory.h"
#include "core/utf8.h"
#include "functions/fnc_args.h"
#include "functions/function_table.h"
#include "core/masks.h"

namespace {

constexpr uint32_t MATH_FLOAT_USED = 8;  // ws.Math_flags: a floating function ran

// Runs f on the argument as a double and stores the result.
template <class F>
void float_function(F f) {
  Num_val x = Fnc_num();
  double d = Val_to_dbl(x);
  double r = f(d);
  Num_val v;
  Dbl_to_val(r, v);
  Fnc_result(v);
  ws.Math_flags |= MATH_FLOAT_USED;
}

int64_t integer_part(Num_val v) {
  Set_scl(v, 0, 0);
  return v.mant;
}

// Byte-wise AND, IOR, XOR of two strings of one length, or of two numbers
// truncated to integers.
template <class Op>
void bit_function(Op op) {
  Eval_formula();
  if (ws.Str_len < 0) {
    int64_t a = integer_part(ws.Num_acc);
    Fnc_comma();
    int64_t b = integer_part(Fnc_num());
    Fnc_result_int(op(a, b));
    return;
  }
  Fnc_str a{ws.Str_ptr, ws.Str_len};
  Fnc_comma();
  Fnc_str b = Fnc_string();
  if (a.len != b.len) Rpt_error(err::STRING_LENGTH);
  uint8_t* out = Rsv_out(a.len);
  for (int32_t i = 0; i < a.len; ++i) out[i] = uint8_t(op(a.p[i], b.p[i]));
}

int cmp_bytes(const Fnc_str& a, const Fnc_str& b) {
  int32_t n = a.len < b.len ? a.len : b.len;
  int c = n > 0 ? std::memcmp(a.p, b.p, size_t(n)) : 0;
  if (c != 0) return c < 0 ? -1 : 1;
  return a.len < b.len ? -1 : (a.len > b.len ? 1 : 0);
}

// MAX( and MIN(: want 1 keeps the largest, -1 the smallest.
void extreme(int want) {
  Eval_formula();
  if (ws.Str_len < 0) {
    Num_val best = ws.Num_acc;
    while (Fnc_more()) {
      Num_val v = Fnc_num();
      ws.Num_acc2 = v;
      ws.Num_acc = best;
      if (Cmp_val() == want) best = v;
    }
    Fnc_result(best);
    return;
  }
  Fnc_str best{ws.Str_ptr, ws.Str_len};
  while (Fnc_more()) {
    Fnc_str s = Fnc_string();
    if (cmp_bytes(s, best) == want) best = s;
  }
  Fnc_result_str(best.p, best.len);
}

}  // namespace

bool Fnc_utf8_opt(int bit) {
  bool on = KestUtf8Opt(bit) != 0;
  // The option stands after the last argument with its comma: ",OPT=s".
  uint8_t* p = ws.Exec_ptr;
  if (p[0] == code::COMMA && p[1] == FNC_OPT_UTF8) {
    ws.Exec_ptr = p + 2;
    Fnc_str s = Fnc_string();
    for (int32_t i = 0; i < s.len; ++i) {
      if (s.p[i] == 'U' || s.p[i] == 'u') on = true;
      if (s.p[i] == 'B' || s.p[i] == 'b') on = false;
    }
  }
  return on;
}

void Fnc_skip_arg() { Skip_xpr(); }

void fnc_abs() {
  Num_val v = Fnc_num();
  if (v.mant < 0) Neg_val(v);
  Fnc_result(v);
}

void fnc_sgn() {
  Num_val v = Fnc_num();
  Fnc_result_int(v.mant < 0 ? -1 : (v.mant > 0 ? 1 : 0));
}

void fnc_int() {
  Num_val v = Fnc_num();
  if (v.scale > 0) Set_scl(v, 0, 0);
  Fnc_result(v);
}

void fnc_prc() {
  Num_val v = Fnc_num();
  int n = ws.Precision;
  if (Fnc_more()) n = Eval_range(0, 18);
  if (v.scale > n) Set_scl(v, n, 1);
  Fnc_result(v);
}

void fnc_fpt() {
  Num_val v = Fnc_num();
  Num_val whole = v;
  if (whole.scale > 0) Set_scl(whole, 0, 0);
  ws.Num_acc2 = v;
  ws.Num_acc = whole;
  Sub_val();
  Num_val r = ws.Num_acc;
  if (r.scale != ws.Precision) Set_scl(r, ws.Precision, 1);
  Fnc_result(r);
  ws.Math_flags |= MATH_FLOAT_USED;
}

void fnc_mod() {
  Num_val a = Fnc_num();
  Fnc_comma();
  Num_val b = Fnc_num();
  if (*ws.Exec_ptr == FNC_ERR_OPT) {
    Chk_err();
    if (b.mant == 0) Rpt_error(err::NUMERIC_OVERFLOW);
  }
  ws.Num_acc2 = a;
  ws.Num_acc = b;
  Mod_val();
  ws.Str_len = -1;
}

void fnc_ept() {
  Num_val v = Fnc_num();
  char digits[20];
  bool neg;
  int n = Cnv_val(v, digits, &neg);
  // Digits before the decimal point: the exponent of the value in the form
  // .ddd times 10 to it; zero has exponent 0.
  Fnc_result_int(v.mant == 0 ? 0 : n - v.scale);
}

void fnc_exp() {
  Num_val x = Fnc_num();
  ws.Num_acc2 = x;
  Load_Long(ws.Num_acc, 127);
  if (Cmp_val() >= 0) Rpt_error(err::NUMERIC_OVERFLOW);
  Num_val whole = x;
  if (whole.scale != 0) Set_scl(whole, 0, 0);  // 1E2 is 100 at scale 0
  ws.Num_acc2 = whole;
  ws.Num_acc = x;
  Num_val v;
  if (whole.scale == 0 && Cmp_val() == 0 && whole.mant >= 0) {
    // A whole power of ten is exact: 1 with the scale negated (a double
    // holds no 10^23).  Negative powers go through pow and take the
    // precision in force, as 10^-3 does.
    v.mant = 1;
    v.scale = int8_t(-whole.mant);
  } else {
    Dbl_to_val(std::pow(10.0, Val_to_dbl(x)), v);
  }
  Fnc_result(v);
  ws.Math_flags |= MATH_FLOAT_USED;
}

void fnc_log() {
  Num_val x = Fnc_num();
  if (x.mant <= 0) Rpt_error(err::NUMERIC_OVERFLOW);
  Num_val v;
  Dbl_to_val(std::log10(Val_to_dbl(x)), v);
  Fnc_result(v);
  ws.Math_flags |= MATH_FLOAT_USED;
}

void fnc_sqr() {
  Num_val x = Fnc_num();
  if (x.mant < 0) Rpt_error(err::NUMERIC_OVERFLOW);
  Num_val v;
  Dbl_to_val(std::sqrt(Val_to_dbl(x)), v);
  Fnc_result(v);
  ws.Math_flags |= MATH_FLOAT_USED;
}

void fnc_sin() { float_function([](double d) { return std::sin(d); }); }
void fnc_cos() { float_function([](double d) { return std::cos(d); }); }
void fnc_tan() { float_function([](double d) { return std::tan(d); }); }
void fnc_atn() { float_function([](double d) { return std::atan(d); }); }
void fnc_asn() {
  float_function([](double d) {
    if (d < -1.0 || d > 1.0) Rpt_error(err::NUMERIC_OVERFLOW);
    return std::asin(d);
  });
}
void fnc_acs() {
  float_function([](double d) {
    if (d < -1.0 || d > 1.0) Rpt_error(err::NUMERIC_OVERFLOW);
    return std::acos(d);
  });
}

void fnc_bsz() {
  Eval_formula();
  Fnc_result_int(0);
}
void fnc_hsa() {
  Eval_formula();
  Fnc_result_int(0);
}
void fnc_ssz() {
  Eval_formula();
  Fnc_result_int(256);
}

void fnc_max() { extreme(1); }
void fnc_min() { extreme(-1); }

void fnc_cse() {
  Eval_formula();
  int32_t index = 0;
  if (ws.Str_len < 0) {
    Num_val x = ws.Num_acc;
    for (int32_t i = 1; Fnc_more(); ++i) {
      ws.Num_acc2 = Fnc_num();
      ws.Num_acc = x;
      if (Cmp_val() == 0) {
        index = i;
        break;
      }
    }
  } else {
    Fnc_str x{ws.Str_ptr, ws.Str_len};
    for (int32_t i = 1; Fnc_more(); ++i) {
      Fnc_str s = Fnc_string();
      if (cmp_bytes(s, x) == 0) {
        index = i;
        break;
      }
    }
  }
  while (Fnc_more()) Fnc_skip_arg();
  Fnc_result_int(index);
}

void fnc_nul() {
  Fnc_str s = Fnc_string();
  int32_t i = 0;
  while (i < s.len && s.p[i] == ' ') ++i;
  Fnc_result_int(i == s.len ? 1 : 0);
}

void fnc_not() {
  Eval_formula();
  if (ws.Str_len < 0) {
    Fnc_result_int(ws.Num_acc.mant == 0 ? 1 : 0);
    return;
  }
  Fnc_str s{ws.Str_ptr, ws.Str_len};
  uint8_t* out = Rsv_out(s.len);
  for (int32_t i = 0; i < s.len; ++i) out[i] = uint8_t(~s.p[i]);
}

void fnc_fand() {
  bit_function([](int64_t a, int64_t b) { return a & b; });
}
void fnc_ior() {
  bit_function([](int64_t a, int64_t b) { return a | b; });
}
void fnc_xor() {
  bit_function([](int64_t a, int64_t b) { return a ^ b; });
}

void fnc_asc() {
  Fnc_str s = Fnc_string();
  if (s.len == 0) Rpt_error(err::STRING_LENGTH);
  Fnc_result_int(s.p[0]);
}

void fnc_len() {
  Fnc_str s = Fnc_string();
  bool utf8 = Fnc_utf8_opt(0);
  Fnc_result_int(utf8 ? KestUtf8Len(s.p, s.len) : s.len);
}

void fnc_bin() {
  Num_val x = Fnc_num();
  Fnc_comma();
  int32_t width = Eval_range(0, 1024);
  uint8_t* out = Rsv_out(width);
  Cnv_bin(x, out, width);
}

void fnc_dec() {
  Fnc_str s = Fnc_string();
  Num_val v = Cnv_dec(s.p, s.len);
  Fnc_result(v);
}
