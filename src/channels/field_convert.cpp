// Field conversion: separated, BBx-style and typed fields, TBL= tables and
// the number <-> text forms the record directives use.
#include "channels/field_convert.h"

#include <algorithm>
#include <cstring>
#include <string>

#include "channels/io_options.h"
#include "core/codes.h"
#include "core/errors.h"
#include "core/evaluator.h"
#include "core/memory.h"
#include "core/workspace.h"
#include "core/masks.h"

namespace {

int64_t get_be(const uint8_t* p, int n) {
  int64_t v = (p[0] & 0x80) ? -1 : 0;
  for (int i = 0; i < n; i++) v = int64_t((uint64_t(v) << 8) | p[i]);
  return v;
}

void typed_field(const uint8_t* rec, int32_t len, int32_t* pos, Field_in& out) {
  int32_t i = *pos;
  if (i >= len) {
    out.short_field = true;
    return;
  }
  uint8_t t = rec[i++];
  auto need = [&](int64_t n) {
    if (n < 0 || int64_t(i) + n > len) Rpt_error(err::FIELD_OUTSIDE_RECORD);
  };
  if (t == 0x00) {
    out.p = rec + i;
  } else if (t <= 0x7F) {
    need(t);
    out.p = rec + i;
    out.n = t;
    i += t;
  } else if (t == 0x81 || t == 0x82 || t == 0x84 || t == 0x86 || t == 0x88 || t == 0x91 || t == 0x92 ||
             t == 0x94 || t == 0x96 || t == 0x98) {
    int scale = 0;
    if (t & 0x10) {
      need(1);
      scale = int8_t(rec[i++]);
    }
    int w = t & 0x0F;
    need(w);
    out.numeric = true;
    out.num.mant = get_be(rec + i, w);
    out.num.scale = int8_t(scale);
    i += w;
  } else if (t == 0xEE) {
    need(1);
    out.error = rec[i++];
  } else if (t == 0xF2) {
    need(2);
    int64_t n = get_u16be(rec + i);
    i += 2;
    need(n);
    out.p = rec + i;
    out.n = int32_t(n);
    i += int32_t(n);
  } else if (t == 0xF4) {
    need(4);
    int64_t n = get_u32be(rec + i);
    i += 4;
    need(n);
    out.p = rec + i;
    out.n = int32_t(n);
    i += int32_t(n);
  } else {
    Rpt_error(err::FIELD_OUTSIDE_RECORD);
  }
  *pos = i;
}

inline bool bbx_end(uint8_t c) { return c == 0 || c == '\n' || c == '\r' || (c >= 0x1C && c <= 0x1F); }

}  // namespace

void Cnv_field(const uint8_t* rec, int32_t len, int32_t* pos, int32_t sep, Field_in& out) {
  out = Field_in{};
  int32_t i = *pos;
  if (sep >= 0) {
    const void* hit = i < len ? std::memchr(rec + i, sep, size_t(len - i)) : nullptr;
    out.p = rec + i;
    if (hit) {
      int32_t e = int32_t(static_cast<const uint8_t*>(hit) - rec);
      out.n = e - i;
      *pos = e + 1;
    } else {
      out.n = len > i ? len - i : 0;
      out.short_field = true;
      *pos = len;
    }
    return;
  }
  if (sep == SEP_NONE || sep == SEP_TYPED) {
    typed_field(rec, len, pos, out);
    return;
  }
  // BBx-style: the field ends at its first end byte, which is consumed.
  int32_t e = i;
  while (e < len && !bbx_end(rec[e])) e++;
  if (e >= len) Rpt_error(err::END_OF_FILE);
  out.p = rec + i;
  out.n = e - i;
  *pos = e + 1;
}

void Cnv_skip_field(const uint8_t* rec, int32_t len, int32_t* pos, int32_t sep) {
  Field_in f;
  Cnv_field(rec, len, pos, sep, f);
}

int Wrt_dynasep_num(const Num_val& v, uint8_t* out) {
  int64_t m = v.mant;
  int scale = v.scale;
  if (scale < 0) {  // a negative scale multiplies: write it as an integer
    Num_val t = v;
    Set_scl(t, 0, 0);
    m = t.mant;
    scale = 0;
  }
  // Smallest width holding the value: 1, 2, 4, 6 or 8 bytes.
  int w = 8;
  static const int widths[] = {1, 2, 4, 6};
  for (int cand : widths) {
    int64_t lo = -(int64_t(1) << (cand * 8 - 1)), hi = (int64_t(1) << (cand * 8 - 1)) - 1;
    if (m >= lo && m <= hi) {
      w = cand;
      break;
    }
  }
  int n = 0;
  out[n++] = uint8_t(0x80 | w | (scale ? 0x10 : 0));
  if (scale) out[n++] = uint8_t(scale);
  for (int i = w - 1; i >= 0; i--) out[n++] = uint8_t(uint64_t(m) >> (i * 8));
  return n;
}

int Wrt_dynasep_str_hdr(int64_t n, uint8_t* out) {
  if (n <= 0x7F) {
    out[0] = uint8_t(n);
    return 1;
  }
  if (n <= 0xFFFF) {
    out[0] = 0xF2;
    put_u16be(out + 1, uint16_t(n));
    return 3;
  }
  out[0] = 0xF4;
  put_u32be(out + 1, uint32_t(n));
  return 5;
}

void Cnv_table(uint8_t* p, int32_t n, const uint8_t* table, int32_t table_len) {
  if (!table || table_len <= 0) return;
  uint8_t mask = table[0];
  for (int32_t i = 0; i < n; i++) {
    int idx = p[i] & mask;
    p[i] = idx + 1 < table_len ? table[idx + 1] : uint8_t(idx);
  }
}

void Conv_val() {
  uint8_t* out = Work_take(CONV_NORMAL_MAX);
  int n = Conv_normal(ws.Num_acc, reinterpret_cast<char*>(out));
  ws.Str_ptr = out;
  ws.Str_len = n;
}

void Conv_str() {
  const uint8_t* s = ws.Str_ptr;
  int32_t n = ws.Str_len;
  int32_t i = 0;
  while (i < n && s[i] == ' ') i++;
  Num_val v;
  if (i < n) {
    int e = Conv_str_chk(s, size_t(n), v);
    if (e) Rpt_error(e);
  }
  ws.Num_acc = v;
  ws.Str_len = -1;
}

// ---- format items ----

namespace {

constexpr int32_t FMT_WORK_MAX = 2048;  // longer fields build in a temporary block
constexpr int32_t FMT_DELIM_MAX = 4096;

uint8_t* fmt_buffer(int64_t n) {
  if (n > ws.Max_strlen) Rpt_error(err::STRING_LENGTH);
  size_t sz = size_t(n) + 1;
  return n <= FMT_WORK_MAX ? Work_take(sz) : static_cast<uint8_t*>(Get_temp(sz));
}

bool binary_code(uint8_t c) { return c == fmt::BIN || c == fmt::INT; }

// The current value as a number (a string is converted; error 43 when it is
// no number).
Num_val value_as_number() {
  if (ws.Str_len < 0) return ws.Num_acc;
  Conv_str();
  return ws.Num_acc;
}

// v times 10^s.
Num_val scaled_up(Num_val v, int32_t s) {
  if (s == 0 || v.mant == 0) return v;
  if (v.scale - s < -127) Rpt_error(err::NUMERIC_OVERFLOW);
  v.scale = int8_t(v.scale - s);
  return v;
}

// Decimal digits of the integer nearest to |v| (no sign), into out; returns
// the count.
int abs_digits(Num_val v, char* out) {
  Set_scl(v, 0, 1);
  uint64_t m = v.mant < 0 ? uint64_t(0) - uint64_t(v.mant) : uint64_t(v.mant);
  char tmp[24];
  int n = 0;
  do {
    tmp[n++] = char('0' + m % 10);
    m /= 10;
  } while (m);
  for (int i = 0; i < n; i++) out[i] = tmp[n - 1 - i];
  return n;
}

// A quoted text (at rec[i] == '"') unquoted into a work copy: inner doubled
// quotes stand for one.  *closed tells whether the closing quote came.
int32_t unquote(const uint8_t* rec, int32_t len, int32_t* i, uint8_t** out, bool* closed) {
  int32_t j = *i + 1;
  uint8_t* buf = fmt_buffer(len - *i);
  int32_t n = 0;
  *closed = false;
  while (j < len) {
    if (rec[j] == '"') {
      if (j + 1 < len && rec[j + 1] == '"') {
        buf[n++] = '"';
        j += 2;
        continue;
      }
      j++;
      *closed = true;
      break;
    }
    buf[n++] = rec[j++];
  }
  *i = j;
  *out = buf;
  return n;
}

int32_t quoted_size(const uint8_t* s, int32_t n) {
  int32_t q = 2;
  for (int32_t i = 0; i < n; i++) q += s[i] == '"' ? 2 : 1;
  return q;
}

uint8_t* put_quoted(uint8_t* o, const uint8_t* s, int32_t n) {
  *o++ = '"';
  for (int32_t i = 0; i < n; i++) {
    if (s[i] == '"') *o++ = '"';
    *o++ = s[i];
  }
  *o++ = '"';
  return o;
}

// Number text of a field read through NUM( or SGN( (a trailing sign for
// SGN(, so that what SGN( wrote reads back).
Num_val digits_value(const uint8_t* p, int32_t n, bool trailing_sign) {
  bool neg = false;
  int32_t e = n;
  while (e > 0 && p[e - 1] == ' ') e--;
  if (trailing_sign && e > 0 && (p[e - 1] == '-' || p[e - 1] == '+')) {
    neg = p[e - 1] == '-';
    e--;
  }
  Num_val v;
  int32_t i = 0;
  while (i < e && p[i] == ' ') i++;
  if (i < e) {
    int err = Conv_str_chk(p + i, size_t(e - i), v);
    if (err) Rpt_error(err);
  }
  if (neg) Neg_val(v);
  return v;
}

}  // namespace

bool Is_fmt_code(uint8_t c) {
  switch (c) {
    case fmt::BIN:
    case fmt::CHR:
    case fmt::DEC:
    case fmt::INT:
    case fmt::LEN:
    case fmt::NUM:
    case fmt::SGN:
    case fmt::STR:
      return true;
    default:
      return false;
  }
}

void Fmt_parse(Fmt_item& fi) {
  fi = Fmt_item{};
  fi.code = *ws.Exec_ptr++;
  if (fi.code == fmt::STR && ws.Exec_ptr[0] == code::OP_SUB && ws.Exec_ptr[1] == code::RPAREN) {
    fi.prefixed = true;
    ws.Exec_ptr += 2;
    return;
  }
  Eval_formula();
  if (ws.Str_len >= 0) {
    if (ws.Str_len == 0) Rpt_error(err::OUT_OF_RANGE);
    fi.delim = ws.Str_ptr[0];
  } else {
    int32_t n = To_integer(ws.Num_acc);
    if (n < 1 || n > ws.Max_strlen - 100) Rpt_error(err::OUT_OF_RANGE);
    fi.length = n;
  }
  while (Next_option_item()) {
    uint8_t c = *ws.Exec_ptr;
    if (c == iopt::SIZ2) {  // LEN=
      ws.Exec_ptr++;
      fi.max_len = Eval_range(1, FMT_DELIM_MAX);
    } else if (c == iopt::EXT && ws.Exec_ptr[1] == iopt::X_SEP) {
      ws.Exec_ptr += 2;
      if (*ws.Exec_ptr == code::OP_DIV) {
        ws.Exec_ptr++;
        fi.outer = -1;
      } else {
        Eval_str();
        fi.outer = ws.Str_len > 0 ? ws.Str_ptr[0] : (ws.Io_sep >= 0 ? ws.Io_sep : -1);
      }
    } else {
      fi.scale = Eval_range(0, 20);
    }
  }
  // LEN= bounds a field closed by a character; binary and DEC( fields need
  // their length.
  if (fi.max_len && fi.delim < 0) Rpt_error(err::OUT_OF_RANGE);
  if (fi.delim >= 0 && (binary_code(fi.code) || fi.code == fmt::DEC)) Rpt_error(err::OUT_OF_RANGE);
}

int Cnv_inpfmt(const Fmt_item& fi, const uint8_t* rec, int32_t len, int32_t* pos, Field_in& out) {
  out = Field_in{};
  int32_t i = *pos < len ? *pos : len;
  const uint8_t* p = rec + i;
  int32_t n = 0;
  bool shorted = false;
  if (binary_code(fi.code) && fi.length > 6) Rpt_error(err::STRING_LENGTH);

  if (fi.prefixed) {
    uint32_t want;
    int32_t hdr;
    if (len - i >= 2 && rec[i] == 0xFF && rec[i + 1] == 0xFF) {
      out.null_value = true;
      *pos = i + 2;
      out.p = rec + i;
      return 0;
    }
    if (len - i >= 1 && rec[i] == 0xFF) {
      hdr = 5;
      want = len - i >= 5 ? get_u32be(rec + i + 1) : 0;
    } else {
      hdr = 2;
      want = len - i >= 2 ? get_u16be(rec + i) : 0;
    }
    if (len - i < hdr) {
      shorted = true;
      i = len;
    } else {
      i += hdr;
      if (int64_t(want) > len - i) {
        want = uint32_t(len - i);
        shorted = true;
      }
      p = rec + i;
      n = int32_t(want);
      i += n;
    }
  } else if (fi.delim >= 0) {
    int32_t limit = fi.max_len ? std::min(len, i + fi.max_len) : len;
    if (fi.code == fmt::STR && i < len && rec[i] == '"') {
      uint8_t* buf;
      bool closed;
      n = unquote(rec, limit, &i, &buf, &closed);
      p = buf;
      shorted = !closed;
      // Whatever stands between the closing quote and the delimiter is dropped.
      while (i < len && rec[i] != fi.delim) i++;
      if (i < len) i++;
    } else {
      const void* hit = i < limit ? std::memchr(rec + i, fi.delim, size_t(limit - i)) : nullptr;
      if (hit) {
        int32_t e = int32_t(static_cast<const uint8_t*>(hit) - rec);
        n = e - i;
        i = e + 1;
      } else {
        n = limit - i;
        shorted = limit >= len;
        i = limit;
      }
    }
  } else {
    n = fi.length;
    if (n > len - i) {
      n = len - i;
      shorted = true;
    }
    i += n;
    if (fi.code == fmt::STR && n > 0 && p[0] == '"') {
      int32_t k = 0;
      uint8_t* buf;
      bool closed;
      n = unquote(p, n, &k, &buf, &closed);
      p = buf;
    }
  }
  if (!shorted && fi.outer >= 0 && i < len && rec[i] == fi.outer) i++;
  *pos = i;

  out.div_scale = int8_t(fi.code == fmt::DEC ? 0 : fi.scale);
  switch (fi.code) {
    case fmt::CHR:
    case fmt::DEC:
      while (n > 0 && p[n - 1] == ' ') n--;
      break;
    case fmt::BIN:
    case fmt::INT: {
      out.numeric = true;
      if (n > 0) {
        if (fi.code == fmt::BIN) {
          out.num.mant = int64_t(uint64_t(p[0] & 0x80 ? -1 : 0));
          for (int32_t k = 0; k < n; k++) out.num.mant = int64_t((uint64_t(out.num.mant) << 8) | p[k]);
        } else {
          uint64_t u = 0;
          for (int32_t k = 0; k < n; k++) u = (u << 8) | p[k];
          out.num.mant = int64_t(u);
        }
      }
      break;
    }
    case fmt::NUM:
    case fmt::SGN:
      out.numeric = true;
      out.num = digits_value(p, n, fi.code == fmt::SGN);
      break;
    default:
      break;
  }
  out.p = p;
  out.n = n;
  out.short_field = shorted;
  return shorted ? 1 : 0;
}

void Cnv_outfmt(const Fmt_item& fi) {
  static const uint8_t no_text = 0;
  bool numeric = ws.Str_len < 0;
  const uint8_t* s = ws.Str_ptr ? ws.Str_ptr : &no_text;
  int32_t sn = numeric ? 0 : ws.Str_len;
  int32_t tail = (fi.delim >= 0 ? 1 : 0) + (fi.outer >= 0 ? 1 : 0);
  uint8_t* buf = nullptr;
  uint8_t* o = nullptr;
  char num[CONV_NORMAL_MAX];
  if (binary_code(fi.code) && fi.length > 8) Rpt_error(err::STRING_LENGTH);
  if (fi.code == fmt::SGN && fi.length == 1) Rpt_error(err::STRING_LENGTH);

  if (fi.prefixed) {
    if (numeric) Rpt_error(err::TYPE_MISMATCH);
    int32_t hdr = sn >= 0xFF00 ? 5 : 2;
    o = buf = fmt_buffer(int64_t(hdr) + sn + tail);
    if (hdr == 5) {
      *o++ = 0xFF;
      put_u32be(o, uint32_t(sn));
      o += 4;
    } else {
      put_u16be(o, uint16_t(sn));
      o += 2;
    }
    if (sn) std::memcpy(o, s, size_t(sn));
    o += sn;
  } else {
    switch (fi.code) {
      case fmt::CHR:
      case fmt::LEN: {
        bool right = numeric;
        if (numeric) {
          sn = Conv_normal(scaled_up(ws.Num_acc, fi.scale), num);
          s = reinterpret_cast<const uint8_t*>(num);
        }
        if (fi.delim >= 0) {
          if (fi.max_len && sn > fi.max_len) {
            if (numeric) Rpt_error(err::BAD_FORMAT);
            sn = fi.max_len;
          }
          o = buf = fmt_buffer(int64_t(sn) + tail);
          std::memcpy(o, s, size_t(sn));
          o += sn;
        } else {
          int32_t w = fi.length;
          // A number that does not fit would be read back as another value.
          if (numeric && sn > w) Rpt_error(err::BAD_FORMAT);
          int32_t k = sn < w ? sn : w;
          o = buf = fmt_buffer(int64_t(w) + tail);
          std::memset(o, ' ', size_t(w));
          if (k > 0) std::memcpy(o + (right ? w - k : 0), s, size_t(k));
          o += w;
        }
        break;
      }
      case fmt::DEC: {
        Num_val v = value_as_number();
        int32_t w = fi.length, d = fi.scale;
        if (w < (d ? d + 2 : 1) || w > FMT_DELIM_MAX) Rpt_error(err::OUT_OF_RANGE);
        uint8_t* mask = Work_take(size_t(w));
        int32_t lead = d ? w - d - 2 : w - 1;
        std::memset(mask, '#', size_t(lead));
        mask[lead] = '0';
        if (d) {
          mask[lead + 1] = '.';
          std::memset(mask + lead + 2, '0', size_t(d));
        }
        std::string text;
        int err = Conv_val_viafmt(v, mask, size_t(w), text);
        if (err) Rpt_error(err);
        o = buf = fmt_buffer(int64_t(text.size()) + tail);
        std::memcpy(o, text.data(), text.size());
        o += text.size();
        break;
      }
      case fmt::BIN:
      case fmt::INT: {
        Num_val v = scaled_up(value_as_number(), fi.scale);
        Set_scl(v, 0, 0);
        int32_t w = fi.length;
        // A value the field cannot hold is refused rather than cut.
        if (w < 8) {
          int64_t lo = -(int64_t(1) << (w * 8 - 1));
          int64_t hi = fi.code == fmt::BIN ? (int64_t(1) << (w * 8 - 1)) - 1 : (int64_t(1) << (w * 8)) - 1;
          if (v.mant < lo || v.mant > hi) Rpt_error(err::OUT_OF_RANGE);
        }
        o = buf = fmt_buffer(int64_t(w) + tail);
        Cnv_bin(v, o, size_t(w));
        o += w;
        break;
      }
      case fmt::NUM:
      case fmt::SGN: {
        Num_val v = scaled_up(value_as_number(), fi.scale);
        char digits[24];
        int nd = abs_digits(v, digits);
        bool neg = v.mant < 0 && nd > 0 && !(nd == 1 && digits[0] == '0');
        int32_t sign = fi.code == fmt::SGN ? 1 : 0;
        if (fi.delim >= 0) {
          o = buf = fmt_buffer(int64_t(nd) + sign + tail);
          std::memcpy(o, digits, size_t(nd));
          o += nd;
        } else {
          int32_t w = fi.length - sign;
          // Digits cut on the left would read back as another number.
          if (nd > w) Rpt_error(err::BAD_FORMAT);
          o = buf = fmt_buffer(int64_t(fi.length) + tail);
          std::memset(o, '0', size_t(w - nd));
          std::memcpy(o + (w - nd), digits, size_t(nd));
          o += w;
        }
        if (sign) *o++ = neg ? '-' : '+';
        break;
      }
      case fmt::STR: {
        if (numeric) {
          sn = Conv_normal(scaled_up(ws.Num_acc, fi.scale), num);
          s = reinterpret_cast<const uint8_t*>(num);
        }
        int32_t q = quoted_size(s, sn);
        if (fi.delim >= 0) {
          if (fi.max_len && q > fi.max_len) Rpt_error(err::STRING_LENGTH);
          o = buf = fmt_buffer(int64_t(q) + tail);
          o = put_quoted(o, s, sn);
        } else {
          // A quoted text cut short could not be read back.
          if (q > fi.length) Rpt_error(err::STRING_LENGTH);
          o = buf = fmt_buffer(int64_t(fi.length) + tail);
          uint8_t* e = put_quoted(o, s, sn);
          std::memset(e, ' ', size_t(fi.length - q));
          o += fi.length;
        }
        break;
      }
      default:
        Rpt_error(err::INTERNAL_CODE);
    }
  }
  if (fi.delim >= 0) *o++ = uint8_t(fi.delim);
  if (fi.outer >= 0) *o++ = uint8_t(fi.outer);
  ws.Str_ptr = buf;
  ws.Str_len = int32_t(o - buf);
}
