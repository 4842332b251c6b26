// SQL channels: rows into records and records into column values, key
// strings of rows and KEY= values split into key segments.
#include <algorithm>
#include <cstring>

#include "core/messages.h"
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

}  // namespace

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
  for (const Sql_col& c : sc->cols) {
    std::string v;
    if (c.type == '\'') {
      v = c.literal;
    } else {
      const Sql_value& x = row[size_t(c.sel)];
      if (!x.null) {
        if (c.type == 'N') {
          v = Dbx_number_text(x.s);
          if (c.fixed && int(v.size()) < c.len) v.insert(0, size_t(c.len - int(v.size())), ' ');
        } else {
          v = x.s;
        }
      }
      if ((sc->opts & SQO_STRIP) && c.type != 'N' && !c.binary) v = rtrim(v);
    }
    if (c.fixed) {
      v.resize(size_t(c.len), ' ');
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
  int32_t pos = 0;
  bool nonulls = sc->opts & SQO_NONULLS;
  for (const Sql_col& c : sc->cols) {
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
    std::string v(reinterpret_cast<const char*>(rec + pos), size_t(end - pos));
    pos = next;
    if (c.type == '\'') continue;
    Sql_value& out = (*vals)[size_t(c.sel)];
    (*present)[size_t(c.sel)] = true;
    if (c.type == 'N') {
      v = strip_blanks(v);
      // An empty number is NULL, written alike by INSERT and UPDATE (0
      // under NONULLS).
      if (v.empty()) {
        out.null = !nonulls;
        out.s = nonulls ? "0" : "";
      } else {
        out.s = v;
      }
    } else if (c.type == 'D') {
      v = date_out(v);
      out.null = v.empty();
      out.s = v;
    } else {
      if (c.fixed && !c.binary) v = rtrim(v);
      out.null = v.empty() && !nonulls;
      out.s = v;
    }
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
    if (c.type == 'N') {
      t = v.null ? "" : Dbx_number_text(v.s);
      if (int(t.size()) > n) t = t.substr(t.size() - size_t(n));
      else t.insert(0, size_t(n - int(t.size())), '0');
    } else {
      t = v.null ? "" : v.s;
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

int Dbx_parse_key(Sql_chan* sc, int k, const std::string& keystr, Sql_row* vals, bool* partial) {
  const Sql_key& key = sc->keys[size_t(k)];
  vals->clear();
  *partial = false;
  size_t pos = 0;
  bool keep_blanks = sc->opts & (SQO_NULLPADKEY | SQO_NONULLS_KEYS);
  for (size_t i = 0; i < key.seg.size() && pos < keystr.size(); i++) {
    const Sql_col& c = sc->cols[size_t(key.seg[i])];
    bool last = i + 1 == key.seg.size();
    size_t n = size_t(key.seg_len[i]);
    size_t take = last ? keystr.size() - pos : std::min(n, keystr.size() - pos);
    if (!last && take < n) *partial = true;
    std::string t = keystr.substr(pos, take);
    pos += take;
    Sql_value v;
    if (c.type == 'N') {
      t = strip_blanks(t);
      bool neg = !t.empty() && t[0] == '-';
      if (neg) t.erase(0, 1);
      size_t nz = t.find_first_not_of('0');
      t = nz == std::string::npos ? "0" : t.substr(nz);
      if (!t.empty() && t[0] == '.') t.insert(0, "0");
      v.s = neg ? "-" + t : t;
    } else {
      if (sc->opts & SQO_NULLPADKEY) t = rtrim(t, '\0');
      else if (!keep_blanks && !c.binary) t = rtrim(t);
      if (c.type == 'D') t = date_out(t);
      t = fold(t, key.flag[i]);
      v.null = t.empty() && !(sc->opts & SQO_NONULLS);
      v.s = t;
    }
    vals->push_back(v);
  }
  return int(vals->size());
}
