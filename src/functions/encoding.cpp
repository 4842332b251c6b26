// Check values, packed numbers, byte swapping and key building.
//
// PCK( form (n bytes, most significant digit first):
//   byte = digit + 32, digit 0..99 (two decimal digits); the first byte of a
//   negative number is digit + 132.  When the field-separator byte FS is above
//   32, every byte equal to or above it is raised by one, so no packed byte
//   equals FS (the largest byte is 232).
//
// Key definition entries (KGN(), 4-byte form:
//   [0] low nibble: key number mod 16; bits 4-6: bits 8-10 of the offset
//   [1] field: 0 whole record, 1..254 separated field, 255 external key
//   [2] low 8 bits of the offset   [3] bits 0-6 length, bit 7 descending
//   an entry 254 after a segment carries the segment's option bits in [1];
//   255 ends the list.
// 8-byte form: [0] key nibble, [1] field, [2..3] offset big-endian, [4]
//   length, [5] bit 0 descending, bits 1-4 the option bits; an entry with
//   [0] 14 and [2] 15 is skipped, 254 skipped, 255 ends.
// Option bits: 8 fold accents, 2 upper case, else 4 lower case, 16 reverse.
#include "functions/encoding.h"

#include <algorithm>
#include <cstring>
#include <utility>
#include <vector>

#include "channels/dyna_sep.h"
#include "core/errors.h"
#include "core/messages.h"
#include "core/utf8.h"

namespace {

constexpr uint8_t par_tbl[16] = {0, 1, 1, 0, 1, 0, 0, 1, 1, 0, 0, 1, 0, 1, 1, 0};
constexpr char trx_chars[] = " 0123456789-$ABCDEFGHIJKLMNOPQRSTUVWXYZ.";
static_assert(sizeof(trx_chars) == 41);

uint16_t rotl16(uint16_t v, int n) { return uint16_t((v << n) | (v >> (16 - n))); }

// Low 16 decimal digits of |integer part of v| (8 base-100 digits).
uint64_t low_digits(const Num_val& v, bool* neg) {
  Num_val t = v;
  if (t.scale > 0) Set_scl(t, 0, 0);
  *neg = t.mant < 0;
  unsigned __int128 m = *neg ? uint64_t(0) - uint64_t(t.mant) : uint64_t(t.mant);
  constexpr uint64_t TOP = 10000000000000000ULL;  // 10^16
  m %= TOP;
  for (int s = t.scale; s < 0 && m != 0; s++) m = (m * 10) % TOP;
  return uint64_t(m);
}

}  // namespace

uint16_t Seed_value(const uint8_t* s, int64_t len) {
  if (len != 2) Rpt_error(err::STRING_LENGTH);
  return uint16_t((s[0] << 8) | s[1]);
}

uint16_t Native_hash(const uint8_t* s, size_t len, uint16_t h) {
  for (size_t i = 0; i < len; i++) h = uint16_t(rotl16(h, (h & 0x8000) ? 1 : 2) ^ s[i]);
  return h;
}

uint8_t Lrc_value(const uint8_t* s, size_t len) {
  uint8_t x = 0;
  for (size_t i = 0; i < len; i++) x ^= s[i];
  return x;
}

void Set_parity(const uint8_t* s, size_t len, bool odd, uint8_t* out) {
  uint8_t p = odd ? 1 : 0;
  for (size_t i = 0; i < len; i++) {
    uint8_t b = s[i];
    uint8_t low7 = par_tbl[b & 15] ^ par_tbl[(b >> 4) & 7];
    out[i] = uint8_t((b & 0x7F) | ((p ^ low7) << 7));
  }
}

void Radix_text(const uint8_t* s, size_t len, uint8_t* out) {
  if (len % 2 != 0) Rpt_error(err::STRING_LENGTH);
  for (size_t i = 0; i < len; i += 2) {
    unsigned v = unsigned(s[i] << 8) | s[i + 1];
    if (v >= 64000) Rpt_error(err::OUT_OF_RANGE);
    *out++ = uint8_t(trx_chars[v / 1600]);
    *out++ = uint8_t(trx_chars[(v / 40) % 40]);
    *out++ = uint8_t(trx_chars[v % 40]);
  }
}

void Pack_number(const Num_val& v, int n, uint8_t fs, uint8_t* out) {
  if (n < 0 || n > 8) Rpt_error(err::OUT_OF_RANGE);
  bool neg = false;
  uint64_t m = low_digits(v, &neg);
  for (int i = n - 1; i >= 0; i--) {
    unsigned b = unsigned(m % 100) + 32;
    m /= 100;
    if (i == 0 && neg) b += 100;
    if (fs > 32 && b >= fs) b++;
    out[i] = uint8_t(b);
  }
}

Num_val Unpack_number(const uint8_t* s, size_t len, uint8_t fs) {
  if (len > 8) Rpt_error(err::STRING_LENGTH);
  bool neg = false;
  int64_t m = 0;
  for (size_t i = 0; i < len; i++) {
    int b = s[i];
    if (b < 32) Rpt_error(err::TYPE_MISMATCH);
    int d = (fs > 32 && b >= fs) ? b - 33 : b - 32;
    if (d >= 100) {
      neg = true;
      d -= 100;
    }
    if (d < 0 || d > 99) Rpt_error(err::TYPE_MISMATCH);
    m = m * 100 + d;
  }
  Num_val v;
  v.mant = neg ? -m : m;
  return v;
}

void Ieee_bytes(const Num_val& v, uint8_t out[8]) {
  double d = Val_to_dbl(v);
  uint64_t u;
  std::memcpy(&u, &d, 8);
  for (int i = 7; i >= 0; i--) {
    out[i] = uint8_t(u);
    u >>= 8;
  }
}

Num_val Ieee_value(const uint8_t* s, int64_t len) {
  if (len != 8) Rpt_error(err::STRING_LENGTH);
  uint64_t u = 0;
  for (int i = 0; i < 8; i++) u = (u << 8) | s[i];
  double d;
  std::memcpy(&d, &u, 8);
  Num_val v;
  Dbl_to_val(d, v);
  return v;
}

void Swap_it(uint8_t* b, size_t len, int m) {
  if (m & 1)
    for (size_t i = 0; i + 2 <= len; i += 2) std::swap(b[i], b[i + 1]);
  if (m & 2)
    for (size_t i = 0; i + 4 <= len; i += 4) {
      std::swap(b[i], b[i + 2]);
      std::swap(b[i + 1], b[i + 3]);
    }
  if (m & 4)
    for (size_t i = 0; i + 8 <= len; i += 8)
      for (int k = 0; k < 4; k++) std::swap(b[i + k], b[i + 4 + k]);
}

// ---- KGN( ----

namespace {

struct Segment {
  int field;
  size_t offset;
  size_t length;
  bool desc;
  int opts;
};

// The segments of key k (1-based); the descending marks are kept when
// with_desc is set.
std::vector<Segment> key_segments(const Key_source& src, int64_t k, bool with_desc) {
  std::vector<Segment> segs;
  const uint8_t* p = src.kdef;
  size_t esz = src.wide ? 8 : 4;
  int64_t key_no = 0;
  int last_nibble = -1;
  for (size_t at = 0; at + esz <= src.kdef_len; at += esz) {
    const uint8_t* e = p + at;
    if (e[0] == 255) break;
    if (e[0] == 254) {
      // The option byte of the segment just read (4-byte form).
      if (!src.wide && key_no == k && !segs.empty()) segs.back().opts = e[1];
      continue;
    }
    if (src.wide && e[0] == 14 && e[2] == 15) continue;
    int nib = e[0] & 15;
    if (nib != last_nibble) {
      key_no++;
      last_nibble = nib;
    }
    if (key_no != k) continue;
    Segment s{};
    s.field = e[1];
    if (src.wide) {
      s.offset = size_t((e[2] << 8) | e[3]);
      s.length = e[4];
      s.desc = (e[5] & 1) && with_desc;
      s.opts = e[5] & 0x1E;
    } else {
      s.offset = size_t(e[2]) + size_t(e[0] & 0x70) * 16;
      s.length = e[3] & 0x7F;
      s.desc = (e[3] & 0x80) && with_desc;
      s.opts = 0;
    }
    segs.push_back(s);
  }
  return segs;
}

// Field n (from 1) of the record: its start and length; empty past the end.
void find_field(const Key_source& src, int n, size_t* start, size_t* len) {
  *start = 0;
  *len = 0;
  uint8_t sep = src.sep < 0 ? Kest_DynaSep(src.rec, src.rec_len) : uint8_t(src.sep);
  if (src.utf8) {
    int fs = 0, fl = 0;
    if (KestUtf8Field(src.rec, sep, int(src.rec_len), n, &fs, &fl)) {
      *start = size_t(fs);
      *len = size_t(fl);
    }
    return;
  }
  size_t at = 0;
  for (int f = 1; at <= src.rec_len; f++) {
    const void* e = std::memchr(src.rec + at, sep, src.rec_len - at);
    size_t end = e ? size_t(static_cast<const uint8_t*>(e) - src.rec) : src.rec_len;
    if (f == n) {
      if (at < src.rec_len || e) {
        *start = at;
        *len = end - at;
      }
      return;
    }
    if (!e) return;
    at = end + 1;
  }
}

}  // namespace

std::string Key_build(const Key_source& src, int64_t k) {
  bool with_desc;
  if (src.wide) {
    with_desc = k > 256;
    if (with_desc) k -= 256;
  } else {
    with_desc = k >= 0;
    if (k < 0) k = -k;
  }
  if (k < 1) Rpt_error(err::OUT_OF_RANGE);
  std::vector<Segment> segs = key_segments(src, k, with_desc);
  if (segs.empty()) Rpt_error(err::OUT_OF_RANGE);
  std::string key;
  size_t pad_start = 0;
  for (const Segment& s : segs) {
    const uint8_t* base;
    size_t blen;
    if (s.field == 0) {
      base = src.rec;
      blen = src.rec_len;
    } else if (s.field == 255) {
      if (!src.ext) Rpt_error(err::SUBSTRING_RANGE);
      base = src.ext;
      blen = src.ext_len;
    } else {
      size_t fs, fl;
      find_field(src, s.field, &fs, &fl);
      base = src.rec + fs;
      blen = fl;
    }
    std::string part;
    if (s.offset < blen) {
      size_t n = std::min(s.length, blen - s.offset);
      part.assign(reinterpret_cast<const char*>(base + s.offset), n);
    }
    for (char& c : part) {
      uint8_t b = uint8_t(c);
      if (s.opts & 8) b = Accents[b];
      if (s.opts & 2)
        b = Uppercs[b];
      else if (s.opts & 4)
        b = Lowercs[b];
      c = char(b);
    }
    if (s.opts & 16) std::reverse(part.begin(), part.end());
    if (s.desc)
      for (char& c : part) c = char(uint8_t(c) ^ 0xFF);
    key += part;
    pad_start = key.size();
    key.append(s.length - part.size(), char(s.desc ? 0xFF : 0));
  }
  key.resize(pad_start);
  return key;
}
