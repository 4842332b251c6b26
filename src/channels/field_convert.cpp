// Field conversion: separated, BBx-style and typed fields, TBL= tables and
// the number <-> text forms the record directives use.
#include "channels/field_convert.h"

#include <cstring>

#include "core/codes.h"
#include "core/errors.h"
#include "core/memory.h"
#include "core/workspace.h"
#include "functions/masks.h"

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
    if (n < 0 || int64_t(i) + n > len) Rpt_error(116);
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
    Rpt_error(116);
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
  if (e >= len) Rpt_error(2);
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
