// UTF-8 walking, field splitting, code-point encoding and the conversions
// to and from 16-bit units.
#include "core/utf8.h"

#include <bit>
#include <cstring>

#include "core/errors.h"
#include "core/memory.h"
#include "core/workspace.h"

static_assert(std::endian::native == std::endian::little,
              "the wide buffer holds little-endian units as the host stores them");

namespace {

constexpr int WIDE_STATIC_BYTES = 1538;  // 512 units of 3 bytes and a terminator
constexpr int WIDE_STATIC_LIMIT = 512;   // conversions of fewer characters use it
constexpr uint32_t CVS_WORK_BYTES = 200;

uint16_t wide_static[WIDE_STATIC_BYTES / 2];
uint8_t narrow_static[WIDE_STATIC_BYTES];
uint16_t* wide_blk = nullptr;  // kept block for longer conversions (units)
uint8_t* narrow_blk = nullptr;
uint16_t* wide_cur = wide_static;
uint8_t* narrow_cur = narrow_static;

int seq_len(uint8_t b) { return b < 192 ? 1 : b < 224 ? 2 : b < 240 ? 3 : 4; }
bool is_cont(uint8_t b) { return (b & 0xC0) == 0x80; }

// Length of the valid sequence led by s[i] (i < end), or 0 when s[i] does not
// lead one.
int valid_seq(const uint8_t* s, int i, int end) {
  int l = seq_len(s[i]);
  if (l == 1 || end - i < l) return 0;
  for (int k = 1; k < l; k++)
    if (!is_cont(s[i + k])) return 0;
  return l;
}

bool strict() { return (ws.Utf8_mode & UTF8_STRICT) != 0; }

// Bytes of the character at s[i].
int char_step(const uint8_t* s, int i, int end) {
  uint8_t b = s[i];
  if (b < 128) return 1;
  int l = valid_seq(s, i, end);
  if (l) return l;
  if (strict()) Rpt_error(err::BAD_UTF8);
  return 1;
}

int64_t pow10_i(int n) {
  int64_t p = 1;
  while (n-- > 0) p *= 10;
  return p;
}

}  // namespace

int KestUtf8TrueInc(const uint8_t* s, int end, int start, int n) {
  int i = start < 0 ? 0 : start;
  int k = 0;
  while (k < n && i < end) {
    i += char_step(s, i, end);
    k++;
  }
  // Past the largest int the count stays there: the callers take it as
  // "beyond the end".
  int64_t bytes = int64_t(i - (start < 0 ? 0 : start)) + (n - k);
  return bytes > INT32_MAX ? INT32_MAX : int(bytes);
}

const uint8_t* KestUtf8FindSep(const uint8_t* buf, uint8_t sep, int len) {
  if (len <= 0) return nullptr;
  if (sep < 128) return static_cast<const uint8_t*>(std::memchr(buf, sep, size_t(len)));
  for (int i = 0; i < len;) {
    if (buf[i] == sep) return buf + i;
    i += char_step(buf, i, len);
  }
  return nullptr;
}

int KestUtf8Field(const uint8_t* buf, uint8_t sep, int len, int field, int* start, int* flen) {
  if (len < 0) len = 0;
  *start = len;
  *flen = 0;
  if (field < 1) return 0;
  int cur = 1, fstart = 0;
  for (int i = 0; i < len;) {
    if (buf[i] == sep) {
      if (cur == field) {
        *start = fstart;
        *flen = i - fstart;
        return 1;
      }
      cur++;
      fstart = ++i;
    } else {
      i += char_step(buf, i, len);
    }
  }
  if (cur != field || (len > 0 && fstart == len)) return 0;  // nothing after a final separator
  *start = fstart;
  *flen = len - fstart;
  return 1;
}

int KestUtf8FieldCnt(const uint8_t* buf, uint8_t sep, int len) {
  if (len < 0) len = 0;
  int seps = 0;
  bool ends_with_sep = false;
  for (int i = 0; i < len;) {
    if (buf[i] == sep) {
      seps++;
      i++;
      ends_with_sep = (i == len);
    } else {
      i += char_step(buf, i, len);
    }
  }
  return ends_with_sep ? seps : seps + 1;
}

int KestUtf8Len(const uint8_t* s, int len) {
  int chars = 0;
  for (int i = 0; i < len; chars++) i += char_step(s, i, len);
  return chars;
}

int KestUtf8Opt(int option_bit) { return (ws.Utf8_mode & uint32_t(option_bit)) != 0; }

// ---- code points to UTF-8 ----

uint32_t Utf8_code_point(const Num_val& v) {
  int64_t m = v.mant;
  if (v.scale > 0) {
    m = v.scale > 18 ? 0 : m / pow10_i(v.scale);
  } else if (v.scale < 0 && m != 0) {
    // Too large already, or it would be once scaled: checked before the
    // product can overflow.
    if (-v.scale > 7 || m < 0 || m >= 0x200000) Rpt_error(err::OUT_OF_RANGE);
    m *= pow10_i(-v.scale);
  }
  if (m < 0 || m >= 0x200000) Rpt_error(err::OUT_OF_RANGE);
  return uint32_t(m);
}

void Utf8_text_begin(Utf8_text& t) {
  t.buf = Work_take(CVS_WORK_BYTES);
  t.cap = CVS_WORK_BYTES;
  t.len = 0;
}

void Utf8_text_add(Utf8_text& t, uint32_t cp) {
  if (cp >= 0x200000) Rpt_error(err::OUT_OF_RANGE);
  if (t.cap - t.len < 4) {
    auto* nb = static_cast<uint8_t*>(Get_temp(size_t(t.cap) * 2));
    if (!nb) Rpt_error(err::OUT_OF_MEMORY);
    std::memcpy(nb, t.buf, t.len);
    // The old buffer is the work area or an earlier temporary; either goes
    // when the statement ends.
    t.buf = nb;
    t.cap *= 2;
  }
  uint8_t* p = t.buf + t.len;
  if (cp < 0x80) {
    p[0] = uint8_t(cp);
    t.len += 1;
  } else if (cp < 0x800) {
    p[0] = uint8_t(0xC0 | (cp >> 6));
    p[1] = uint8_t(0x80 | (cp & 0x3F));
    t.len += 2;
  } else if (cp < 0x10000) {
    p[0] = uint8_t(0xE0 | (cp >> 12));
    p[1] = uint8_t(0x80 | ((cp >> 6) & 0x3F));
    p[2] = uint8_t(0x80 | (cp & 0x3F));
    t.len += 3;
  } else {
    p[0] = uint8_t(0xF0 | (cp >> 18));
    p[1] = uint8_t(0x80 | ((cp >> 12) & 0x3F));
    p[2] = uint8_t(0x80 | ((cp >> 6) & 0x3F));
    p[3] = uint8_t(0x80 | (cp & 0x3F));
    t.len += 4;
  }
}

void Utf8_text_end(Utf8_text& t) {
  // Give back the unused part of the work area when the text stayed there.
  if (ws.Work_ptr == t.buf + CVS_WORK_BYTES && t.cap == CVS_WORK_BYTES) ws.Work_ptr = t.buf + t.len;
  ws.Str_ptr = t.buf;
  ws.Str_len = int32_t(t.len);
}

void KestUtf8CVS() {
  uint32_t cp = Utf8_code_point(ws.Num_acc);
  Utf8_text t;
  Utf8_text_begin(t);
  Utf8_text_add(t, cp);
  Utf8_text_end(t);
}

// ---- wide conversions ----

int KestUtf8ToWide(const uint8_t* s, int len) {
  int n = len < 0 ? int(std::strlen(reinterpret_cast<const char*>(s))) : len;
  uint16_t* out;
  if (n < WIDE_STATIC_LIMIT) {
    out = wide_static;
  } else {
    size_t units = size_t(n) + 100;
    if (!wide_blk || Blk_size(wide_blk) < units * sizeof(uint16_t)) {
      Ret_blk(wide_blk);
      wide_blk = static_cast<uint16_t*>(Get_blk_nc(units * sizeof(uint16_t)));
      if (!wide_blk) {
        wide_cur = wide_static;
        wide_cur[0] = 0;
        return 0;
      }
    }
    out = wide_blk;
  }
  int u = 0;
  for (int i = 0; i < n;) {
    uint8_t b = s[i];
    uint32_t c = b;
    int l = 1;
    if (b == 128) {
      c = 0x20AC;
    } else if (b > 192 && (l = valid_seq(s, i, n)) != 0) {
      c = b & (0x7F >> l);
      for (int k = 1; k < l; k++) c = (c << 6) | (s[i + k] & 0x3F);
    } else {
      l = 1;
    }
    out[u++] = uint16_t(c);
    i += l;
  }
  out[u] = 0;
  wide_cur = out;
  return u;
}

int KestUtf8FromWide(const uint16_t* w, int len) {
  int n = 0;
  if (len < 0) {
    while (w[n]) n++;
  } else {
    n = len;
  }
  uint8_t* out;
  if (n < WIDE_STATIC_LIMIT) {
    out = narrow_static;
  } else {
    size_t bytes = size_t(n) * 3 + 100;
    if (!narrow_blk || Blk_size(narrow_blk) < bytes) {
      Ret_blk(narrow_blk);
      narrow_blk = static_cast<uint8_t*>(Get_blk_nc(bytes));
      if (!narrow_blk) {
        narrow_cur = narrow_static;
        narrow_cur[0] = 0;
        return 0;
      }
    }
    out = narrow_blk;
  }
  int o = 0;
  for (int i = 0; i < n; i++) {
    uint32_t c = w[i];
    if (c < 0x80) {
      out[o++] = uint8_t(c);
    } else if (c < 0x800) {
      out[o++] = uint8_t(0xC0 | (c >> 6));
      out[o++] = uint8_t(0x80 | (c & 0x3F));
    } else {
      out[o++] = uint8_t(0xE0 | (c >> 12));
      out[o++] = uint8_t(0x80 | ((c >> 6) & 0x3F));
      out[o++] = uint8_t(0x80 | (c & 0x3F));
    }
  }
  out[o] = 0;
  narrow_cur = out;
  return o;
}

const uint16_t* Utf8_wide_buf() { return wide_cur; }
const uint8_t* Utf8_narrow_buf() { return narrow_cur; }

void Utf8_release_buffers() {
  Ret_blk(wide_blk);
  Ret_blk(narrow_blk);
  wide_blk = nullptr;
  narrow_blk = nullptr;
  wide_cur = wide_static;
  narrow_cur = narrow_static;
}
