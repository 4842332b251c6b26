// The keyword lexicon: loading, lookup on input and the listing texts.
//
// The file layout is drawn in lexicon.h.  Lookup: a binary search on the
// upper-cased first input byte finds the run of entries that begin with it;
// every entry of the run is tried in order and the last that matches wins.
// Entries are sorted by text, so a keyword sorts after every keyword that is
// a prefix of it and the last match is the longest.  User aliases (ULEX) are
// tried before the lexicon, newest first.
#include "core/lexicon.h"

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "core/codes.h"
#include "core/errors.h"
#include "core/messages.h"
#include "core/workspace.h"

struct Lex_data {
  std::vector<uint8_t> raw;
  const uint8_t* tbl = nullptr;
  size_t count = 0;  // entries
  const uint8_t* name = nullptr;
  size_t name_len = 0;
  const uint8_t* ptrs = nullptr;
};

namespace {

struct Alias {
  std::string text;  // upper case
  uint8_t code, code2, flags;
};
std::vector<Alias> aliases;  // newest first

bool is_blank(uint8_t c) { return c == ' ' || c == '\t'; }
bool is_name_char(uint8_t c) {
  return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '_' ||
         c == '.';
}

// Compares the keyword kw with the input at p and decides whether it ends
// there.  Returns the bytes consumed, or -1 when the keyword does not match.
int lex_check(const uint8_t* kw, size_t kw_len, uint8_t flags, uint8_t code, const uint8_t* p,
              size_t n, bool prev_dcolon) {
  const bool sf = ws.Prm.SF;
  size_t i = 0;
  bool plain = true;  // only letters, digits, "_" and "."
  for (size_t k = 0; k < kw_len; ++k) {
    uint8_t c = kw[k];
    if (sf)
      while (i < n && is_blank(p[i])) ++i;
    if (c == ' ') {
      plain = false;
      if (sf) continue;
      if (i >= n || !is_blank(p[i])) return -1;
      while (i < n && is_blank(p[i])) ++i;
      continue;
    }
    if (!is_name_char(c)) plain = false;
    if (i >= n || Uppercs[p[i]] != c) return -1;
    ++i;
  }
  if (flags & LEX_LIST_ONLY) return -1;
  if (sf || code == 88 || !plain) return int(i);
  if (i < n) {
    uint8_t c = p[i];
    if (is_name_char(c) || c == '%' || c == '$') return -1;
    if (c == ':') {
      if (i + 1 < n && p[i + 1] == ':') return -1;
      if (prev_dcolon) return -1;
    }
  }
  return int(i);
}

std::string lex_file_for(const std::string& lang) {
  return Lib_dir_path() + "/lextbl." + lang;
}

}  // namespace

bool Lex_loaded() { return ws.Lex != nullptr; }

void Clear_lex() {
  delete ws.Lex;
  ws.Lex = nullptr;
}

int Load_lex(const char* path) {
  FILE* f = std::fopen(path, "rbe");
  if (!f) return 12;
  auto lex = new Lex_data;
  uint8_t buf[8192];
  size_t got;
  const size_t max_size = 3 * (2 + 0xFFFF);
  while ((got = std::fread(buf, 1, sizeof buf, f)) > 0) {
    lex->raw.insert(lex->raw.end(), buf, buf + got);
    if (lex->raw.size() > max_size) break;
  }
  std::fclose(f);

  // Three sections, each a u16 length and its bytes, and nothing after.
  const std::vector<uint8_t>& r = lex->raw;
  size_t at = 0, len[3], start[3];
  bool ok = true;
  for (int s = 0; s < 3 && ok; ++s) {
    if (at + 2 > r.size()) {
      ok = false;
      break;
    }
    len[s] = get_u16be(&r[at]);
    start[s] = at + 2;
    at = start[s] + len[s];
    if (at > r.size()) ok = false;
  }
  ok = ok && at == r.size() && len[0] != 0 && len[0] % 6 == 0 && len[2] == LEX_PTRS_SIZE;
  if (ok) {
    lex->tbl = &r[start[0]];
    lex->count = len[0] / 6;
    lex->name = &r[start[1]];
    lex->name_len = len[1];
    lex->ptrs = &r[start[2]];
    uint8_t prev_first = 0;
    for (size_t e = 0; e < lex->count && ok; ++e) {
      const uint8_t* ent = lex->tbl + e * 6;
      size_t tlen = ent[3], off = get_u16be(ent + 4);
      if (tlen == 0 || off == 0xFFFF || off + tlen > lex->name_len) {
        ok = false;
        break;
      }
      uint8_t first = lex->name[off];
      if (first < prev_first) ok = false;  // the binary search needs this order
      prev_first = first;
    }
    for (size_t s = 0; s < LEX_PTRS_SIZE / 2 && ok; ++s) {
      unsigned v = get_u16be(lex->ptrs + s * 2);
      if (v < 0xFFFE && (v % 6 != 0 || v / 6 >= lex->count)) ok = false;
    }
  }
  if (!ok) {
    delete lex;
    return 13;
  }
  Clear_lex();
  ws.Lex = lex;
  return 0;
}

int Init_lex() {
  std::string lang = Lib_language();
  int rc = Load_lex(lex_file_for(lang).c_str());
  if (rc != 0 && lang != "en") rc = Load_lex(lex_file_for("en").c_str());
  return rc;
}

Lex_match Find_lex(const uint8_t* p, size_t n, bool prev_dcolon, bool own_words) {
  Lex_match m;
  if (n == 0) return m;
  for (const Alias& a : aliases) {
    int used = lex_check(reinterpret_cast<const uint8_t*>(a.text.data()), a.text.size(), a.flags,
                         a.code, p, n, prev_dcolon);
    if (used >= 0) {
      m.code = a.code;
      m.code2 = a.code2;
      m.flags = a.flags;
      m.consumed = used;
      return m;
    }
  }
  const Lex_data* lex = ws.Lex;
  if (!lex) return m;
  const uint8_t first = Uppercs[p[0]];
  auto first_of = [lex](size_t e) { return lex->name[get_u16be(lex->tbl + e * 6 + 4)]; };
  size_t lo = 0, hi = lex->count;  // first entry whose text starts at or after `first`
  while (lo < hi) {
    size_t mid = (lo + hi) / 2;
    if (first_of(mid) < first)
      lo = mid + 1;
    else
      hi = mid;
  }
  for (size_t e = lo; e < lex->count && first_of(e) == first; ++e) {
    const uint8_t* ent = lex->tbl + e * 6;
    if ((ent[2] & LEX_OWN_WORD) && !own_words) continue;
    int used = lex_check(lex->name + get_u16be(ent + 4), ent[3], ent[2], ent[0], p, n, prev_dcolon);
    if (used >= 0) {
      m.code = ent[0];
      m.code2 = ent[1];
      m.flags = ent[2];
      m.consumed = used;
    }
  }
  return m;
}

std::string_view Lex_text(uint8_t code, uint8_t code2, bool* nothing) {
  if (nothing) *nothing = false;
  const Lex_data* lex = ws.Lex;
  if (!lex) Rpt_error(err::NO_LEXICON);
  size_t bank = Lex_bank(code);
  size_t slot = bank == 0 ? code : bank * 256 + code2;
  unsigned v = get_u16be(lex->ptrs + slot * 2);
  if (v == 0xFFFE) {
    if (nothing) *nothing = true;
    return {};
  }
  if (v == 0xFFFF) Rpt_error(err::INTERNAL_CODE);  // a code no keyword lists: damaged code
  const uint8_t* ent = lex->tbl + v;
  return {reinterpret_cast<const char*>(lex->name + get_u16be(ent + 4)), ent[3]};
}

std::string_view Lex_own_text(uint8_t code) {
  const Lex_data* lex = ws.Lex;
  if (!lex) return {};
  for (size_t e = 0; e < lex->count; ++e) {
    const uint8_t* ent = lex->tbl + e * 6;
    if (ent[0] == code && ent[1] == 0 && (ent[2] & LEX_OWN_WORD))
      return {reinterpret_cast<const char*>(lex->name + get_u16be(ent + 4)), ent[3]};
  }
  return {};
}

int Lex_add_alias(std::string_view alias, std::string_view keyword) {
  if (alias.empty()) return 46;
  if (alias.size() > 255) return 46;
  const Lex_data* lex = ws.Lex;
  if (!lex) return 64;
  for (size_t e = 1; e < lex->count; ++e) {
    const uint8_t* ent = lex->tbl + e * 6;
    if (ent[3] != keyword.size() || (ent[2] & LEX_LIST_ONLY)) continue;
    if (keyword.compare(0, keyword.size(), reinterpret_cast<const char*>(lex->name + get_u16be(ent + 4)),
                        ent[3]) != 0)
      continue;
    Alias a{std::string(alias), ent[0], ent[1], ent[2]};
    for (char& c : a.text) c = char(Uppercs[uint8_t(c)]);
    aliases.insert(aliases.begin(), std::move(a));
    return 0;
  }
  return 71;
}

void Lex_clear_aliases() { aliases.clear(); }
