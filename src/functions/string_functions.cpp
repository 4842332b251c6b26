// String functions: CHR( LCS( UCS( HTA( ATH( STR( NUM( MID( POS( PAD( JST(
// STP( SUB( TBL( TRX( LOC( DIM(.
#include <algorithm>
#include <cstring>
#include <string>

#include "channels/io_options.h"
#include "core/array_search.h"
#include "core/control_stack.h"
#include "core/line_store.h"
#include "core/memory.h"
#include "core/messages.h"
#include "core/params.h"
#include "core/utf8.h"
#include "functions/fnc_args.h"
#include "functions/function_table.h"
#include "core/mask_match.h"
#include "core/masks.h"

namespace {

constexpr char Hex_tbl[] = "0123456789ABCDEF";
constexpr uint8_t OP_COLON = code::LABEL_END;  // ":" in POS( (any of a set), STR( masks
constexpr uint8_t OP_NOT_IN = code::OP_POW;    // "^" in POS( (none of a set)

void copy_result(const std::string& s) {
  uint8_t* out = Rsv_out(int64_t(s.size()));
  if (!s.empty()) std::memcpy(out, s.data(), s.size());
}

// Case translation through a table; under the UTF-8 option only ASCII.
// Followed by "/" the result is the table itself.
void translate(const uint8_t* table, int utf8_bit) {
  if (*ws.Exec_ptr == code::OP_DIV && ws.Exec_ptr[1] == code::RPAREN) {
    ++ws.Exec_ptr;
    std::memcpy(Rsv_out(256), table, 256);
    return;
  }
  Fnc_str s = Fnc_string();
  bool utf8 = Fnc_utf8_opt(utf8_bit);
  uint8_t* out = Rsv_out(s.len);
  for (int32_t i = 0; i < s.len; ++i) {
    uint8_t c = s.p[i];
    out[i] = (utf8 && c >= 0x80) ? c : table[c];
  }
}

// The failure path of STR(: a further argument is the result (true), an
// ERR= clause takes the error, parameter FI keeps the unformatted value
// (false: the caller makes it).
bool conversion_failed(int err) {
  if (Fnc_more()) {
    Eval_formula();
    return true;
  }
  if (*ws.Exec_ptr == FNC_ERR_OPT) {
    Chk_err();
    Rpt_error(err);
  }
  if (Sw_on(sw::FI)) return false;
  Rpt_error(err);
}

void skip_fallback() {
  if (Fnc_more()) Fnc_skip_arg();
}

// The text form of a number (STR( without a mask).
void number_text(Num_val v) {
  if (ws.Prm.RS && v.scale > ws.Precision) Set_scl(v, ws.Precision, 1);
  char buf[CONV_NORMAL_MAX];
  int n = Conv_normal(v, buf);
  uint8_t* out = Rsv_out(n);
  std::memcpy(out, buf, size_t(n));
}

// POS( relational test of s1 against s2 from i: -1 s1 less, 0 equal, 1 greater.
int compare_at(const Fnc_str& a, const Fnc_str& b, int32_t i) {
  for (int32_t j = 0; j < a.len; ++j) {
    if (i + j >= b.len) return -1;
    uint8_t x = a.p[j], y = b.p[i + j];
    if (x != y) return x > y ? 1 : -1;
  }
  return 0;
}

bool relation_holds(uint8_t op, int r) {
  switch (op) {
    case code::OP_EQ:
      return r == 0;
    case code::OP_NE:
      return r != 0;
    case code::OP_LE:
      return r <= 0;
    case code::OP_GE:
      return r >= 0;
    case code::OP_GT:
      return r > 0;
    default:
      return r < 0;
  }
}

// One character back from i (UTF-8): skips continuation bytes.
int32_t utf8_back(const uint8_t* s, int32_t i) {
  --i;
  while (i > 0 && (s[i] & 0xC0) == 0x80) --i;
  return i;
}

// PAD( and JST(: justify is true for JST( (the sense of L and R reversed).
void pad(bool justify) {
  Fnc_str s = Fnc_string();
  Fnc_comma();
  Num_val nv = Fnc_num();
  if (nv.mant < 0) Rpt_error(err::OUT_OF_RANGE);
  ws.Num_acc = nv;
  int32_t n = To_integer(nv);
  if (n > ws.Max_strlen) Rpt_error(err::STRING_LENGTH);
  int mode = 1;  // 0 padding before, 1 after, 2 centred
  uint8_t fill = ' ';
  bool char_mode = false;
  if (Fnc_more()) {
    Eval_formula();
    if (ws.Str_len < 0) {
      int32_t m = To_integer(ws.Num_acc);
      if (m < 0 || m > 2) Rpt_error(err::OUT_OF_RANGE);
      mode = m;
    } else if (ws.Str_len == 0) {
      char_mode = true;  // an empty pad character keeps the space
    } else {
      uint8_t c = Uppercs[ws.Str_ptr[0]];
      if (c == 'B' || c == 'C') {
        mode = 2;
      } else if (c == 'L') {
        mode = justify ? 1 : 0;
      } else if (c == 'R') {
        mode = justify ? 0 : 1;
      } else {
        fill = ws.Str_ptr[0];
        char_mode = true;
      }
    }
    if (Fnc_more()) {
      if (char_mode) Rpt_error(err::TYPE_MISMATCH);
      Fnc_str c = Fnc_string();
      if (c.len > 0) fill = c.p[0];
    }
  }
  if (n <= s.len) {
    Fnc_result_str(s.p, n);
    return;
  }
  int32_t total = n - s.len;
  int32_t before = mode == 0 ? total : (mode == 2 ? total / 2 : 0);
  // The argument may live in the work area: copy it before reserving.
  std::string keep(reinterpret_cast<const char*>(s.p), size_t(s.len));
  uint8_t* out = Rsv_out(n);
  std::memset(out, fill, size_t(before));
  std::memcpy(out + before, keep.data(), keep.size());
  std::memset(out + before + s.len, fill, size_t(total - before));
}

// STP(s:mask): drops what the mask inserted.
void strip_format(const Fnc_str& s, const Fnc_str& m) {
  std::string out;
  int32_t i = 0, k = 0;
  while (i < s.len && k < m.len) {
    uint8_t mc = m.p[k];
    bool literal = false;
    if (mc == '\\' && k + 1 < m.len) {
      mc = m.p[++k];
      literal = true;
    }
    ++k;
    bool data = !literal && std::strchr("0AXZaxz", mc) != nullptr && mc != 0;
    if (data) {
      out += char(s.p[i++]);
    } else if (s.p[i] == mc) {
      ++i;
    }
  }
  while (!out.empty() && out.back() == ' ') out.pop_back();
  copy_result(out);
}

}  // namespace

// CHR(n): one byte, n modulo 256; CHR(/): the 256-byte Printables table.
void fnc_chr() {
  if (*ws.Exec_ptr == code::OP_DIV) {
    ++ws.Exec_ptr;
    std::memcpy(Rsv_out(256), Printables, 256);
    return;
  }
  // The code is a 32-bit integer (a fraction rounded, error 41 beyond),
  // taken modulo 256.
  const int32_t n = To_integer(Fnc_num());
  uint8_t* out = Rsv_out(1);
  out[0] = uint8_t(uint32_t(n) & 0xFF);
}

void fnc_lcs() { translate(Lowercs, UTF8_CASE); }
void fnc_ucs() { translate(Uppercs, UTF8_CASE); }

void fnc_hta() {
  Fnc_str s = Fnc_string();
  if (int64_t(s.len) * 2 > ws.Max_strlen) Rpt_error(err::STRING_LENGTH);
  uint8_t* out = Rsv_out(int64_t(s.len) * 2);
  for (int32_t i = 0; i < s.len; ++i) {
    out[2 * i] = uint8_t(Hex_tbl[s.p[i] >> 4]);
    out[2 * i + 1] = uint8_t(Hex_tbl[s.p[i] & 15]);
  }
}

void fnc_ath() {
  Fnc_str s = Fnc_string();
  if (s.len & 1) Rpt_error(err::STRING_LENGTH);
  auto nibble = [](uint8_t c) -> uint8_t {
    if (c >= '0' && c <= '9') return uint8_t(c - '0');
    if ((c >= 'A' && c <= 'F') || (c >= 'a' && c <= 'f')) return uint8_t((c & 7) + 9);
    Rpt_error(err::BAD_HEX);
  };
  uint8_t* out = Rsv_out(s.len / 2);
  for (int32_t i = 0; i < s.len / 2; ++i)
    out[i] = uint8_t(nibble(s.p[2 * i]) << 4 | nibble(s.p[2 * i + 1]));
}

void fnc_str() {
  Eval_formula();
  if (*ws.Exec_ptr != OP_COLON) {
    if (ws.Str_len < 0) number_text(ws.Num_acc);
    skip_fallback();
    return;
  }
  ++ws.Exec_ptr;
  bool is_num = ws.Str_len < 0;
  Num_val x = ws.Num_acc;
  Fnc_str xs{ws.Str_ptr, ws.Str_len};
  Fnc_str mask = Fnc_string();
  std::string out;
  int err = mask.len > int32_t(FMT_MASK_MAX) ? 46
            : is_num ? Conv_val_viafmt(x, mask.p, size_t(mask.len), out)
                     : Fmt_str(xs.p, size_t(xs.len), mask.p, size_t(mask.len), out);
  if (err == 0) {
    copy_result(out);
    skip_fallback();
    return;
  }
  if (conversion_failed(err)) return;
  // FI: the value unformatted.
  if (is_num)
    number_text(x);
  else
    Fnc_result_str(xs.p, xs.len);
}

void fnc_num() {
  Fnc_str s = Fnc_string();
  Num_val v;
  int err = Conv_str_chk(s.p, size_t(s.len), v);
  if (ws.Exec_ptr[0] == code::COMMA && ws.Exec_ptr[1] == code::OP_DIV) {  // NUM(s,/): valid or not
    ws.Exec_ptr += 2;
    Fnc_result_int(err == 0 ? 1 : 0);
    return;
  }
  if (err == 0) {
    skip_fallback();
    Fnc_result(v);
    return;
  }
  if (Fnc_more()) {
    Eval_formula();
    return;
  }
  if (*ws.Exec_ptr == FNC_ERR_OPT) Chk_err();
  Rpt_error(err);
}

void fnc_mid() {
  Fnc_str s = Fnc_string();
  Fnc_comma();
  int32_t p = Eval_integer();
  bool has_n = false;
  int32_t n = 0;
  if (Fnc_more()) {
    n = Eval_integer();
    has_n = true;
  }
  bool utf8 = Fnc_utf8_opt(UTF8_MID);
  bool err_clause = *ws.Exec_ptr == FNC_ERR_OPT;
  if (err_clause) Chk_err();
  if (p == 0) Rpt_error(err::OUT_OF_RANGE);
  bool clipped = false;
  int64_t start = p > 0 ? int64_t(p) - 1 : int64_t(s.len) + p;
  if (start < 0) {
    start = 0;
    clipped = true;
  }
  int64_t len;
  if (!has_n) {
    len = int64_t(s.len) - start;
  } else if (n >= 0) {
    len = n;
    if (utf8 && start < s.len) len = KestUtf8TrueInc(s.p, s.len, int(start), n);
  } else {
    int64_t from = start + n;
    if (from < 0) {
      from = 0;
      clipped = true;
    }
    len = start - from;
    start = from;
  }
  if (start > s.len) {
    start = s.len;
    clipped = true;
  }
  if (len < 0) len = 0;
  if (start + len > s.len) {
    len = s.len - start;
    clipped = true;
  }
  if (clipped && err_clause) Rpt_error(err::SUBSTRING_RANGE);
  Fnc_result_str(s.p + start, int32_t(len));
}

void fnc_pos() {
  if (Get_value() < 0) Rpt_error(err::TYPE_MISMATCH);
  if (*ws.Exec_ptr == code::OP_ADD) Xeval_str();
  Fnc_str a{ws.Str_ptr, ws.Str_len};
  uint8_t op = *ws.Exec_ptr;
  if (!(op >= code::OP_EQ && op <= code::OP_LT) && op != OP_COLON && op != OP_NOT_IN) Rpt_error(err::TYPE_MISMATCH);
  ++ws.Exec_ptr;
  Fnc_str b = Fnc_string();
  int32_t step = 1;
  int32_t occ = 1;
  if (Fnc_more()) {
    step = Eval_integer();
    if (step == 0) Rpt_error(err::OUT_OF_RANGE);
    if (Fnc_more()) occ = Eval_range(0, ws.Max_strlen);
  }
  bool utf8 = Fnc_utf8_opt(UTF8_POS);
  if (a.len == 0 || b.len == 0) {
    Fnc_result_int(0);
    return;
  }
  int32_t count = 0;
  if (op == code::OP_EQ && step == 1 && occ == 0 && a.len == 1) {
    Fnc_result_int(int64_t(Count_byte(b.p, size_t(b.len), a.p[0])));
    return;
  }
  if (op == code::OP_EQ && step == 1) {
    // Fast path: from one occurrence to the next (they may overlap).
    const uint8_t* p = b.p;
    const uint8_t* end = b.p + b.len;
    while (end - p >= a.len) {
      p = Find_bytes(p, size_t(end - p), a.p, size_t(a.len));
      if (!p) break;
      ++count;
      if (occ != 0 && count == occ) {
        Fnc_result_int(p - b.p + 1);
        return;
      }
      ++p;
    }
    Fnc_result_int(occ == 0 ? count : 0);
    return;
  }
  bool relational = op != OP_COLON && op != OP_NOT_IN;
  int64_t i = step > 0 ? 0 : int64_t(b.len) + step;
  while (i >= 0 && i < b.len) {
    bool match;
    if (relational) {
      match = relation_holds(op, compare_at(a, b, int32_t(i)));
    } else {
      bool in_set = std::memchr(a.p, b.p[i], size_t(a.len)) != nullptr;
      match = op == OP_COLON ? in_set : !in_set;
    }
    if (match) {
      ++count;
      if (occ != 0 && count == occ) {
        Fnc_result_int(i + 1);
        return;
      }
      i += step;
    } else if (utf8 && relational) {
      if (step > 0) {
        i += KestUtf8TrueInc(b.p, b.len, int(i), step);
      } else {
        for (int32_t k = step; k < 0 && i >= 0; ++k) i = i > 0 ? utf8_back(b.p, int32_t(i)) : -1;
      }
    } else {
      i += step;
    }
  }
  Fnc_result_int(occ == 0 ? count : 0);
}

void fnc_pad() { pad(false); }
void fnc_jst() { pad(true); }

// STP(MNEMONIC s): s without its escape mnemonics.  Every ESC with at least
// two bytes after it goes with those two; after ESC "mn" (a long mnemonic)
// the byte that follows, a length byte and that many bytes go too.  An ESC
// too near the end stays.
void strip_mnemonics() {
  Fnc_str s = Fnc_string();
  std::string out;
  out.reserve(size_t(s.len));
  for (int32_t i = 0; i < s.len;) {
    if (s.p[i] != 27 || s.len - i < 3) {
      out += char(s.p[i++]);
      continue;
    }
    bool long_form = s.p[i + 1] == 'm' && s.p[i + 2] == 'n';
    i += 3;
    if (long_form) {
      i += 1;  // the long mnemonic's code byte
      if (i < s.len) i += 1 + s.p[i];
      if (i > s.len) i = s.len;
    }
  }
  copy_result(out);
}

void fnc_stp() {
  if (*ws.Exec_ptr == code::D_MNEMONIC) {
    ++ws.Exec_ptr;
    strip_mnemonics();
    return;
  }
  Fnc_str s = Fnc_string();
  if (*ws.Exec_ptr == OP_COLON) {
    ++ws.Exec_ptr;
    Fnc_str m = Fnc_string();
    strip_format(s, m);
    return;
  }
  int mode = 1;
  std::string set = " ";
  if (Fnc_more()) {
    Eval_formula();
    if (ws.Str_len < 0) {
      int32_t m = To_integer(ws.Num_acc);
      if (m < 0 || m > 3) Rpt_error(err::OUT_OF_RANGE);
      mode = m;
    } else {
      if (ws.Str_len == 0) Rpt_error(err::STRING_LENGTH);
      switch (Uppercs[ws.Str_ptr[0]]) {
        case 'L':
          mode = 0;
          break;
        case 'R':
          mode = 1;
          break;
        case 'B':
        case 'C':
          mode = 2;
          break;
        case 'A':
          mode = 3;
          break;
        default:
          Rpt_error(err::TYPE_MISMATCH);
      }
    }
    if (Fnc_more()) {
      if (*ws.Exec_ptr == code::OP_DIV) {
        ++ws.Exec_ptr;
        Fnc_str c = Fnc_string();
        if (c.len == 0) Rpt_error(err::STRING_LENGTH);
        set.assign(reinterpret_cast<const char*>(c.p), size_t(c.len));
      } else {
        Fnc_str c = Fnc_string();
        if (c.len > 0) set.assign(1, char(c.p[0]));
      }
    }
  }
  auto strip = [&](uint8_t c) { return set.find(char(c)) != std::string::npos; };
  if (mode == 3) {
    std::string out;
    out.reserve(size_t(s.len));
    for (int32_t i = 0; i < s.len; ++i)
      if (!strip(s.p[i])) out += char(s.p[i]);
    copy_result(out);
    return;
  }
  int32_t from = 0, to = s.len;
  if (mode == 0 || mode == 2)
    while (from < to && strip(s.p[from])) ++from;
  if (mode == 1 || mode == 2)
    while (to > from && strip(s.p[to - 1])) --to;
  Fnc_result_str(s.p + from, to - from);
}

void fnc_sub() {
  Fnc_str s = Fnc_string();
  Fnc_comma();
  Fnc_str old = Fnc_string();
  Fnc_comma();
  Fnc_str rep = Fnc_string();
  int32_t n = 0;
  if (Fnc_more()) n = Eval_integer();
  if (old.len == 0) Rpt_error(err::STRING_LENGTH);
  if (s.len < old.len) {
    Fnc_result_str(s.p, s.len);
    return;
  }
  auto find = [&](int32_t from) -> int32_t {
    const uint8_t* end = s.p + s.len;
    const uint8_t* p = s.p + from;
    while (end - p >= old.len) {
      p = static_cast<const uint8_t*>(std::memchr(p, old.p[0], size_t(end - p - old.len + 1)));
      if (!p) return -1;
      if (std::memcmp(p, old.p, size_t(old.len)) == 0) return int32_t(p - s.p);
      ++p;
    }
    return -1;
  };
  if (n < 0) {
    int32_t c = 0;
    for (int32_t at = find(0); at >= 0; at = find(at + old.len)) ++c;
    int64_t k = -int64_t(n);
    if (k <= c) {
      n = int32_t(c - k + 1);
    } else if (k == int64_t(c) + 1) {
      n = 0;
    } else {
      Fnc_result_str(s.p, s.len);
      return;
    }
  }
  std::string out;
  out.reserve(size_t(s.len) + 3 * size_t(rep.len));
  int32_t pos = 0, occurrence = 0;
  for (int32_t at = find(0); at >= 0; at = find(at + old.len)) {
    ++occurrence;
    if (n != 0 && occurrence != n) continue;
    out.append(reinterpret_cast<const char*>(s.p + pos), size_t(at - pos));
    out.append(reinterpret_cast<const char*>(rep.p), size_t(rep.len));
    pos = at + old.len;
    if (out.size() > size_t(ws.Max_strlen)) Rpt_error(err::STRING_LENGTH);
    if (n != 0) break;
  }
  out.append(reinterpret_cast<const char*>(s.p + pos), size_t(s.len - pos));
  if (out.size() > size_t(ws.Max_strlen)) Rpt_error(err::STRING_LENGTH);
  copy_result(out);
}

namespace {

constexpr uint8_t TBL_OPT = 143;  // TBL=

}  // namespace

void fnc_tbl() {
  Eval_formula();
  if (ws.Str_len < 0) {
    Num_val x = ws.Num_acc;
    if (x.mant < 0) Rpt_error(err::OUT_OF_RANGE);
    int32_t k = To_integer(x);
    bool found = false;
    for (int32_t i = 0; Fnc_more(); ++i) {
      if (i == k) {
        Eval_formula();
        found = true;
      } else {
        Fnc_skip_arg();
      }
    }
    if (!found) Rpt_error(err::OUT_OF_RANGE);
    return;
  }
  Fnc_str s{ws.Str_ptr, ws.Str_len};
  Fnc_comma();
  Fnc_str t;
  std::string table_stmt, first;
  if (*ws.Exec_ptr == TBL_OPT) {  // TBL=line: the table of that line's TABLE statement
    ++ws.Exec_ptr;
    first.assign(reinterpret_cast<const char*>(s.p), size_t(s.len));  // the table's expression may reuse s's place
    s = {reinterpret_cast<const uint8_t*>(first.data()), int32_t(first.size())};
    Eval_table_line(Get_line(), err::LINE_NUMBER_RANGE);
    table_stmt.assign(reinterpret_cast<const char*>(ws.Str_ptr), size_t(ws.Str_len));
    t = {reinterpret_cast<const uint8_t*>(table_stmt.data()), int32_t(table_stmt.size())};
  } else {
    t = Fnc_string();
  }
  if (Fnc_more()) {
    Fnc_str to = Fnc_string();
    if (t.len != to.len) Rpt_error(err::STRING_LENGTH);
    uint8_t map[256];
    bool set[256] = {};
    for (int i = 0; i < 256; ++i) map[i] = uint8_t(i);
    for (int32_t i = 0; i < t.len; ++i)
      if (!set[t.p[i]]) {
        set[t.p[i]] = true;
        map[t.p[i]] = to.p[i];
      }
    std::string keep(reinterpret_cast<const char*>(s.p), size_t(s.len));
    uint8_t* out = Rsv_out(s.len);
    for (int32_t i = 0; i < s.len; ++i) out[i] = map[uint8_t(keep[size_t(i)])];
    return;
  }
  if (t.len == 0) Rpt_error(err::STRING_LENGTH);
  std::string keep(reinterpret_cast<const char*>(s.p), size_t(s.len));
  uint8_t* out = Rsv_out(s.len);
  for (int32_t i = 0; i < s.len; ++i) {
    uint8_t idx = uint8_t(keep[size_t(i)]) & t.p[0];
    out[i] = int32_t(idx) + 1 < t.len ? t.p[idx + 1] : idx;
  }
}

void fnc_trx() {
  Fnc_str s = Fnc_string();
  auto code40 = [](uint8_t c) -> int {
    if (c >= '0' && c <= '9') return c - '0' + 1;
    if (c == '-') return 11;
    if (c == '$') return 12;
    if (c >= 'A' && c <= 'Z') return c - 'A' + 13;
    if (c >= 'a' && c <= 'z') return c - 'a' + 13;
    if (c == '.') return 39;
    return 0;
  };
  int32_t groups = (s.len + 2) / 3;
  std::string keep(reinterpret_cast<const char*>(s.p), size_t(s.len));
  uint8_t* out = Rsv_out(int64_t(groups) * 2);
  for (int32_t g = 0; g < groups; ++g) {
    int v = 0;
    for (int j = 0; j < 3; ++j) {
      int32_t i = g * 3 + j;
      v = v * 40 + (i < s.len ? code40(uint8_t(keep[size_t(i)])) : 0);
    }
    out[2 * g] = uint8_t(v >> 8);
    out[2 * g + 1] = uint8_t(v);
  }
}

void fnc_loc() {
  int32_t r = Eval_range(0, 255);
  if (Fnc_more()) {
    int32_t c = Eval_range(0, 255);
    uint8_t* out = Rsv_out(5);
    out[0] = 0x1B;
    out[1] = '@';
    out[2] = '2';
    out[3] = uint8_t(r);
    out[4] = uint8_t(c);
    return;
  }
  uint8_t* out = Rsv_out(4);
  out[0] = 0x1B;
  out[1] = '@';
  out[2] = '1';
  out[3] = uint8_t(r);
}

void fnc_dim() {
  uint8_t c = *ws.Exec_ptr;
  if (c == code::D_READ) return Dim_bounds();
  if (c == code::D_FIND) return Dim_find();
  if (c == code::EXT_DIR) return Dim_sum();
  if (c == code::PREFIX2) return Dim_assoc();
  Num_val nv = Fnc_num();
  if (nv.mant < 0) Rpt_error(err::OUT_OF_RANGE);
  int32_t n = To_integer(nv);
  if (n > ws.Max_strlen) Rpt_error(err::STRING_LENGTH);
  std::string fill(1, ' ');
  if (Fnc_more()) {
    Fnc_str s = Fnc_string();
    if (s.len == 0)
      fill.assign(1, char(prmblk.Plus_P));
    else
      fill.assign(reinterpret_cast<const char*>(s.p), size_t(s.len));
  }
  uint8_t* out = Rsv_out(n);
  if (fill.size() == 1) {
    std::memset(out, uint8_t(fill[0]), size_t(n));
    return;
  }
  for (int32_t i = 0; i < n; ++i) out[i] = uint8_t(fill[size_t(i) % fill.size()]);
}
