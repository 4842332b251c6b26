// SQL channels: rows into records and records into column values, key
// strings of rows and KEY= values split into key segments.
#include <algorithm>
#include <cstdio>
#include <cstring>

#include "core/dates.h"
#include "core/errors.h"
#include "core/messages.h"
#include "core/params.h"
#include "net/sql_channel.h"

namespace {

std::string rtrim(std::string s, char c = ' ') {
  while (!s.empty() && s.back() == c) s.pop_back();
  return s;
}

std::string strip_blanks(const std::string& s) {
  std::string t;
  for (char c : s)
    if (c != ' ' && c != '\0') t += c;
  return t;
}

// A date value as written: "YYYY?MM?DD" of ten characters becomes
// "YYYY-MM-DD"; anything else goes to the server as it stands.
std::string date_out(const std::string& s) {
  std::string t = rtrim(s);
  if (t.size() == 10 && std::isdigit(uint8_t(t[0])) && std::isdigit(uint8_t(t[5])) && std::isdigit(uint8_t(t[8])))
    return t.substr(0, 4) + "-" + t.substr(5, 2) + "-" + t.substr(8, 2);
  return t;
}

std::string fold(std::string s, char flag) {
  if (flag == 'C')
    for (auto& c : s) c = char(Uppercs[uint8_t(c)]);
  else if (flag == 'L')
    for (auto& c : s) c = char(Lowercs[uint8_t(c)]);
  return s;
}

const char Hex_digits[] = "0123456789ABCDEF";

// Text for a column that is not binary: byte 255 is sent as 254.
void text_to_server(std::string* t) {
  for (char& c : *t)
    if (uint8_t(c) == 0xFF) c = char(0xFE);
}

int hex_value(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

// The six-byte date: two bytes of year (year / 64 + 32, year mod 64 + 32),
// then month and day as two digits each.
std::string tavro_date(const std::string& iso) {
  if (iso.size() < 10) return "";
  int y = std::atoi(iso.substr(0, 4).c_str());
  std::string out;
  out += char(y / 64 + 32);
  out += char(y % 64 + 32);
  out += iso.substr(5, 2) + iso.substr(8, 2);
  return out;
}

std::string iso_from_tavro(const std::string& f) {
  // A field that is no six-byte date goes to the server as it stands, which
  // refuses it as it refuses any other malformed date (never a NULL).
  if (f.size() < 6 || f.find_first_not_of("0123456789", 2) < 6) return rtrim(f);
  auto b0 = uint8_t(f[0]), b1 = uint8_t(f[1]);
  if (b0 >= 128) return "2300-12-31";
  int y = std::max(1801, (int(b0) - 32) * 64 + int(b1) - 32);
  char buf[16];
  std::snprintf(buf, sizeof buf, "%04d-", y);
  return buf + f.substr(2, 2) + "-" + f.substr(4, 2);
}

// A number scaled by 10^dec as an unsigned big-endian integer of len bytes.
std::string pack_number(const std::string& text, int dec, int len) {
  std::string t = strip_blanks(text);
  size_t dot = t.find('.');
  std::string ip = t.substr(0, dot), fp = dot == std::string::npos ? "" : t.substr(dot + 1);
  fp.resize(size_t(std::max(dec, 0)), '0');
  unsigned __int128 v = 0;
  for (char c : ip + fp)
    if (c >= '0' && c <= '9') v = v * 10 + unsigned(c - '0');
  std::string out(size_t(len), '\0');
  for (int i = len - 1; i >= 0; i--) {
    out[size_t(i)] = char(uint8_t(v & 0xFF));
    v >>= 8;
  }
  return out;
}

std::string unpack_number(const std::string& f, int dec) {
  unsigned __int128 v = 0;
  for (char c : f) v = (v << 8) | uint8_t(c);
  std::string digits;
  do {
    digits.insert(digits.begin(), char('0' + int(v % 10)));
    v /= 10;
  } while (v);
  if (dec > 0) {
    if (int(digits.size()) <= dec) digits.insert(0, size_t(dec + 1 - int(digits.size())), '0');
    digits.insert(digits.size() - size_t(dec), ".");
  }
  return digits;
}

// DATEFMT: a positional mask as long as the field; runs of Y, M and D take
// the year's last digits, the month and the day, zero-padded; A takes the
// year's code letter ("B" for 201x); any other character stands as it is.
std::string mask_date(const std::string& iso, const std::string& mask) {
  if (iso.size() < 10) return "";
  int y = std::atoi(iso.substr(0, 4).c_str()), m = std::atoi(iso.substr(5, 2).c_str()),
      d = std::atoi(iso.substr(8, 2).c_str());
  std::string out;
  for (size_t i = 0; i < mask.size();) {
    char k = mask[i];
    size_t j = i;
    while (j < mask.size() && mask[j] == k) ++j;
    size_t run = j - i;
    if (k == 'Y' || k == 'M' || k == 'D') {
      long v = k == 'Y' ? y : k == 'M' ? m : d;
      std::string digits = std::to_string(v);
      if (digits.size() > run) digits = digits.substr(digits.size() - run);
      out += std::string(run - digits.size(), '0') + digits;
    } else if (k == 'A') {
      out += std::string(run, Year_code(y)[0]);
    } else {
      out.append(run, k);
    }
    i = j;
  }
  return out;
}

// A field written under DATEFMT back to "YYYY-MM-DD"; a year of two digits
// takes the century of parameter +Y (2000 when it is 0).
std::string unmask_date(const std::string& f, const std::string& mask) {
  int y = 0, m = 0, d = 0;
  bool seen_a = false;
  for (size_t i = 0; i < mask.size() && i < f.size(); ++i) {
    char k = mask[i];
    auto c = uint8_t(f[i]);
    bool digit = c >= '0' && c <= '9';
    if (k == 'A' && !seen_a) {
      seen_a = true;
      if (digit) y = 190 + (c - '0');
      else if (c >= 'A' && c <= 'Z') y = 200 + (c - 'A');
      else Rpt_error(err::OUT_OF_RANGE);
      continue;
    }
    if (k != 'D' && k != 'M' && k != 'Y') continue;
    if (!digit) Rpt_error(err::OUT_OF_RANGE);
    int v = c - '0';
    if (k == 'D') d = d * 10 + v;
    else if (k == 'M') m = m * 10 + v;
    else y = y * 10 + v;
    if (d > 99 || m > 99 || y > 9999) Rpt_error(err::OUT_OF_RANGE);  // a mask with too many digits for a date
  }
  if (y < 100) y += prmblk.Plus_Y != 0 ? prmblk.Plus_Y * 100 : 2000;  // the century of parameter +Y
  char buf[32];
  std::snprintf(buf, sizeof buf, "%04u-%02u-%02u", unsigned(y) % 10000u, unsigned(m) % 100u, unsigned(d) % 100u);
  return buf;
}

// One unit of a variant pattern at p[*i] against a selector byte (-1: the
// end of the selector bytes); *i moves past the unit.
bool unit_match(const std::string& p, size_t* i, int byte) {
  char c = p[*i];
  if (c == '.') {
    ++*i;
    return true;
  }
  if (c == '[') {
    size_t j = p.find(']', *i + 1);
    if (j != std::string::npos) {
      std::string cls = p.substr(*i + 1, j - *i - 1);
      *i = j + 1;
      if (cls.empty()) return byte < 0;  // "[]": the end
      if (byte < 0) return false;
      bool neg = cls[0] == '^';
      if (neg) cls.erase(0, 1);
      bool in = false;
      for (size_t k = 0; k < cls.size() && !in; k++) {
        if (k + 2 < cls.size() && cls[k + 1] == '-') {
          in = byte >= uint8_t(cls[k]) && byte <= uint8_t(cls[k + 2]);
          k += 2;
        } else {
          in = byte == uint8_t(cls[k]);
        }
      }
      return in != neg;
    }
  }
  ++*i;
  return byte >= 0 && byte == uint8_t(c);
}

// The text a selector column shows in a record, as wide as the field when
// it is laid at full width.
std::string selector_text(const Sql_col& c, std::string v) {
  if (c.fixed && int(v.size()) < c.len) {
    if (c.type == 'N') v.insert(0, size_t(c.len - int(v.size())), ' ');
    else v.resize(size_t(c.len), ' ');
  }
  return v;
}

void add_slice(std::string* out, const std::string& v, const Sql_selector& s) {
  std::string part = size_t(s.off) < v.size() ? v.substr(size_t(s.off), size_t(s.len)) : "";
  part.resize(size_t(s.len), ' ');
  *out += part;
}

}  // namespace

bool Dbx_variant_chk(const std::string& p, const std::string& sel) {
  size_t i = 0;
  while (i < p.size()) {
    bool ok = true;
    for (size_t k = 0; k < sel.size(); k++) {
      if (i >= p.size()) return ok;  // a shorter pattern tests the first bytes
      if (!unit_match(p, &i, uint8_t(sel[k]))) ok = false;
    }
    if (i >= p.size()) return ok;
    if (!unit_match(p, &i, -1)) ok = false;
    if (ok) return true;
  }
  return false;
}

std::vector<bool> Dbx_variant_sections(Sql_chan* sc, const std::string& sel) {
  std::vector<bool> on(sc->sections.size(), false);
  int group = -1;
  bool matched = false;
  for (size_t i = 0; i < sc->sections.size(); i++) {
    const Sql_section& s = sc->sections[i];
    if (s.group != group) {
      group = s.group;
      matched = false;
    }
    if (matched) continue;
    bool m = s.pattern.empty() || Dbx_variant_chk(s.pattern, sel);
    if (s.negate && !s.pattern.empty()) m = !m;
    if (m) on[i] = matched = true;
  }
  if (sc->open_group && !sc->sections.empty() && !matched)
    Rpt_error_text(err::NO_RECORD_VARIANT, "no variant of the record map fits the record's selector bytes");
  return on;
}

std::string Dbx_field_out(Sql_chan* sc, const Sql_col& c, const Sql_value& x) {
  if (x.null) return "";
  if (c.fmt == SQF_PACKED) return pack_number(x.s, c.dec, c.len);
  if (c.fmt == SQF_HEX) {
    std::string out;
    for (size_t i = 0; i + 1 < x.s.size(); i += 2) {
      int h = hex_value(x.s[i]), l = hex_value(x.s[i + 1]);
      if (h < 0 || l < 0) break;
      out += char(h * 16 + l);
    }
    return out;
  }
  if (c.type == 'N') return Dbx_number_text(x.s);
  if (c.type == 'Y') {
    int y = std::atoi(x.s.c_str());
    if (y < 0 || y > 9999) return "";
    return std::string(1, char(y / 64 + 32)) + char(y % 64 + 32);
  }
  if (c.type == 'D' && (sc->opts & SQO_TAVRODATE)) return tavro_date(x.s);
  if (c.type == 'D' && !sc->datefmt.empty()) return mask_date(x.s, sc->datefmt);
  return x.s;
}

Sql_value Dbx_field_in(Sql_chan* sc, const Sql_col& c, const std::string& field) {
  Sql_value out;
  bool nonulls = sc->opts & SQO_NONULLS;
  std::string v = field;
  if (c.fmt == SQF_PACKED) {
    out.s = unpack_number(v, c.dec);
  } else if (c.fmt == SQF_HEX) {
    for (char ch : v) {
      out.s += Hex_digits[uint8_t(ch) >> 4];
      out.s += Hex_digits[uint8_t(ch) & 15];
    }
    out.null = v.empty() && !nonulls;
  } else if (c.type == 'N') {
    if (v.find_first_not_of("0123456789 .-+") != std::string::npos)
      Dbx_message_trace(c.name, "Non-numeric data in numeric field");  // the value is still used
    v = strip_blanks(v);
    // An empty number is NULL, written alike by INSERT and UPDATE (0
    // under NONULLS).
    if (v.empty()) {
      out.null = !nonulls;
      out.s = nonulls ? "0" : "";
    } else {
      out.s = v;
    }
  } else if (c.type == 'Y') {
    // The two-byte year: (b0 - 32) x 64 + b1 - 32.
    if (v.size() >= 2 && rtrim(v).size() >= 2) {
      char buf[16];
      std::snprintf(buf, sizeof buf, "%04d", std::max(0, (int(uint8_t(v[0])) - 32) * 64 + int(uint8_t(v[1])) - 32));
      out.s = buf;
    } else {
      out.null = !nonulls;
    }
  } else if (c.type == 'D') {
    if (sc->opts & SQO_TAVRODATE) v = rtrim(v).empty() ? "" : iso_from_tavro(v);
    else if (!sc->datefmt.empty()) v = rtrim(v).empty() ? "" : unmask_date(v, sc->datefmt);
    v = date_out(v);
    out.null = v.empty();
    out.s = v;
  } else {
    if (c.fixed && !c.binary) v = rtrim(v);
    if (!c.binary) text_to_server(&v);
    out.null = v.empty() && !nonulls;
    out.s = v;
  }
  return out;
}

std::string Dbx_number_text(const std::string& s) {
  std::string t = strip_blanks(s);
  size_t dot = t.find('.');
  if (dot != std::string::npos && t.find_first_of("eE") == std::string::npos) {
    while (!t.empty() && t.back() == '0') t.pop_back();
    if (!t.empty() && t.back() == '.') t.pop_back();
    if (t.empty() || t == "-") t = "0";
  }
  if (t == "-0") t = "0";
  return t;
}

std::string Dbx_make_rec(Sql_chan* sc, const Sql_row& row, int sep) {
  std::string rec;
  rec.reserve(128);
  std::vector<bool> on;
  if (!sc->sections.empty()) {
    std::string sel;
    for (const Sql_selector& s : sc->selectors) {
      const Sql_col& c = sc->cols[size_t(s.col)];
      add_slice(&sel, selector_text(c, Dbx_field_out(sc, c, row[size_t(c.sel)])), s);
    }
    on = Dbx_variant_sections(sc, sel);
  }
  bool prev_fixed = false;
  for (size_t ci = 0; ci < sc->cols.size(); ci++) {
    const Sql_col& c = sc->cols[ci];
    if (c.type == '?' || (c.vsec >= 0 && !on[size_t(c.vsec)])) continue;  // a section this record lacks
    bool after_fixed = prev_fixed;
    prev_fixed = c.fixed;
    std::string v;
    if (c.type == '\'') {
      v = c.literal;
    } else {
      const Sql_value& x = row[size_t(c.sel)];
      v = Dbx_field_out(sc, c, x);
      // A number laid at full width, or right after a field that is, is
      // right-aligned in blanks.
      if (c.type == 'N' && c.fmt != SQF_PACKED && (c.fixed || after_fixed) && int(v.size()) < c.len)
        v.insert(0, size_t(c.len - int(v.size())), ' ');
      if ((sc->opts & SQO_STRIP) && c.type != 'N' && c.type != 'Y' && !c.binary && !c.fmt) v = rtrim(v);
    }
    if (c.fixed) {
      // RECDATA: the last field is not padded.
      if (!(sc->recdata && ci + 1 == sc->cols.size()) || int(v.size()) > c.len)
        v.resize(size_t(c.len), c.fmt == SQF_PACKED ? '\0' : ' ');
      rec += v;
    } else {
      rec += v;
      if (sep >= 0) rec += char(sep);
    }
  }
  return rec;
}

void Dbx_split_rec(Sql_chan* sc, const uint8_t* rec, int32_t len, int sep, Sql_row* vals,
                   std::vector<bool>* present) {
  vals->assign(sc->sel.size(), Sql_value{});
  present->assign(sc->sel.size(), false);
  // RECDATA: trailing NUL bytes are not part of the record, nor the field
  // separator that ends a record written from a list.
  if (sc->recdata) {
    while (len > 0 && rec[len - 1] == 0) len--;
    if (len > 0 && sep >= 0 && rec[len - 1] == uint8_t(sep)) len--;
  }
  int32_t pos = 0;
  std::vector<bool> on;
  std::vector<std::string> raw(sc->cols.size());  // field texts of the columns before the sections
  for (size_t ci = 0; ci < sc->cols.size(); ci++) {
    const Sql_col& c = sc->cols[ci];
    if (c.type == '?') {
      if (on.empty() && !sc->sections.empty()) {
        std::string sel;
        for (const Sql_selector& s : sc->selectors)
          add_slice(&sel, selector_text(sc->cols[size_t(s.col)], raw[size_t(s.col)]), s);
        on = Dbx_variant_sections(sc, sel);
      }
      continue;
    }
    if (c.vsec >= 0 && !on[size_t(c.vsec)]) continue;  // a section this record lacks
    if (pos >= len) break;
    int32_t end;
    int32_t next;
    if (c.fixed) {
      end = std::min(len, pos + c.len);
      next = end;
    } else {
      const void* hit = sep >= 0 ? std::memchr(rec + pos, sep, size_t(len - pos)) : nullptr;
      end = hit ? int32_t(static_cast<const uint8_t*>(hit) - rec) : len;
      next = hit ? end + 1 : len;
    }
    // A text field is cut to its length, as every fixed field of a record
    // is (a number or a date is not: cut, it would be another value).
    if (!c.fixed && c.type == 'C' && end - pos > c.len) end = pos + c.len;
    std::string v(reinterpret_cast<const char*>(rec + pos), size_t(end - pos));
    pos = next;
    if (c.vsec < 0 && on.empty()) raw[ci] = v;
    if (c.type == '\'') continue;
    (*vals)[size_t(c.sel)] = Dbx_field_in(sc, c, v);
    (*present)[size_t(c.sel)] = true;
  }
}

std::string Dbx_row_key(Sql_chan* sc, int k, const Sql_row& row) {
  const Sql_key& key = sc->keys[size_t(k)];
  std::string out;
  for (size_t i = 0; i < key.seg.size(); i++) {
    const Sql_col& c = sc->cols[size_t(key.seg[i])];
    const Sql_value& v = row[size_t(c.sel)];
    int n = key.seg_len[i];
    bool last = i + 1 == key.seg.size();
    std::string t;
    if (c.type == 'N' && c.fmt != SQF_PACKED) {
      t = v.null ? "" : Dbx_number_text(v.s);
      if (int(t.size()) > n) t = t.substr(t.size() - size_t(n));
      else t.insert(0, size_t(n - int(t.size())), '0');
    } else {
      t = Dbx_field_out(sc, c, v);
      if (int(t.size()) > n) t.resize(size_t(n));
      if (!last) t.resize(size_t(n), (sc->opts & SQO_NULLPADKEY) ? '\0' : ' ');
      t = fold(t, key.flag[i]);
    }
    out += t;
  }
  // Trailing NUL bytes of a key are not part of it.
  while (!out.empty() && out.back() == '\0') out.pop_back();
  return out;
}

bool Dbx_key_numbers_valid(Sql_chan* sc, int k, const Sql_row& vals) {
  const Sql_key& key = sc->keys[size_t(k)];
  for (size_t i = 0; i < vals.size() && i < key.seg.size(); i++) {
    const Sql_col& c = sc->cols[size_t(key.seg[i])];
    if (c.type != 'N' || c.fmt || vals[i].null) continue;
    const std::string& s = vals[i].s;
    size_t p = s.size() > 0 && s[0] == '-' ? 1 : 0;
    size_t digits = 0;
    while (p < s.size() && s[p] >= '0' && s[p] <= '9') p++, digits++;
    if (p < s.size() && s[p] == '.') {
      p++;
      while (p < s.size() && s[p] >= '0' && s[p] <= '9') p++, digits++;
    }
    if (digits == 0 || p != s.size()) return false;
  }
  return true;
}

namespace {

// One segment of a key string as the value compared with its column: an
// empty text is NULL (an empty string under NONULLS), an empty number 0.
Sql_value key_segment(Sql_chan* sc, const Sql_col& c, char flag, std::string t) {
  Sql_value v;
  if (c.fmt || c.type == 'Y' || (c.type == 'D' && ((sc->opts & SQO_TAVRODATE) || !sc->datefmt.empty()))) {
    v = Dbx_field_in(sc, c, t);
  } else if (c.type == 'N') {
    t = strip_blanks(t);
    bool neg = !t.empty() && t[0] == '-';
    if (neg) t.erase(0, 1);
    size_t nz = t.find_first_not_of('0');
    t = nz == std::string::npos ? "0" : t.substr(nz);
    if (!t.empty() && t[0] == '.') t.insert(0, "0");
    v.s = neg ? "-" + t : t;
  } else {
    if (sc->opts & SQO_NULLPADKEY) t = rtrim(t, '\0');
    else if (!(sc->opts & SQO_NONULLS_KEYS) && !c.binary) t = rtrim(t);
    if (c.type == 'D') t = date_out(t);
    t = fold(t, flag);
    if (!c.binary) text_to_server(&t);
    v.null = t.empty() && !(sc->opts & SQO_NONULLS);
    v.s = t;
  }
  return v;
}

}  // namespace

int Dbx_parse_key(Sql_chan* sc, int k, const std::string& keystr, Sql_row* vals, bool* partial) {
  const Sql_key& key = sc->keys[size_t(k)];
  vals->clear();
  *partial = false;
  size_t pos = 0;
  for (size_t i = 0; i < key.seg.size() && pos < keystr.size(); i++) {
    bool last = i + 1 == key.seg.size();
    size_t n = size_t(key.seg_len[i]);
    size_t take = last ? keystr.size() - pos : std::min(n, keystr.size() - pos);
    if (!last && take < n) *partial = true;
    vals->push_back(key_segment(sc, sc->cols[size_t(key.seg[i])], key.flag[i], keystr.substr(pos, take)));
    pos += take;
  }
  return int(vals->size());
}

void Dbx_empty_key(Sql_chan* sc, int k, Sql_row* vals) {
  const Sql_key& key = sc->keys[size_t(k)];
  vals->clear();
  for (size_t i = 0; i < key.seg.size(); i++)
    vals->push_back(key_segment(sc, sc->cols[size_t(key.seg[i])], key.flag[i], std::string()));
}
