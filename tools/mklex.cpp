// mklex: builds the keyword lexicon file from its readable table.
//
//   mklex keywords.txt lextbl.en
//
// Input: one keyword a line, "text code second-code flags", "#" starts a
// comment; a text with blanks or punctuation stands in double quotes.
// Output (the layout read by Load_lex, see src/core/lexicon.h): three
// sections, each a u16 big-endian length and that many bytes:
//   Lex_tbl   6-byte entries sorted by upper-case text (byte order):
//             code, second code, flags, text length, u16 BE offset in Lex_name
//   Lex_name  the texts, identical texts stored once
//   Lex_ptrs  LEX_PTRS_SIZE bytes: per bank, 256 u16 BE entry offsets
// The entry listed for a code is its list-only entry when it has one, else its
// first entry in the input.  The alternative function forms 72 b (b 13..71)
// and 254 b (b 13..124) list as the one-byte function b + 60 and the form
// 72 (b + 60).
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <map>
#include <string>
#include <vector>

#include "../src/core/lexicon.h"

namespace {

struct Entry {
  std::string text;
  int code = 0, code2 = 0, flags = 0;
  int line = 0;
};

[[noreturn]] void fail(const char* file, int line, const std::string& what) {
  std::fprintf(stderr, "%s:%d: %s\n", file, line, what.c_str());
  std::exit(1);
}

bool parse_int(const std::string& s, size_t& i, int& out) {
  while (i < s.size() && (s[i] == ' ' || s[i] == '\t')) ++i;
  size_t start = i;
  while (i < s.size() && s[i] >= '0' && s[i] <= '9') ++i;
  if (i == start || i - start > 5) return false;
  out = std::atoi(s.substr(start, i - start).c_str());
  return true;
}

std::vector<Entry> read_table(const char* path) {
  FILE* f = std::fopen(path, "r");
  if (!f) {
    std::perror(path);
    std::exit(1);
  }
  std::vector<Entry> out;
  char buf[1024];
  int line = 0;
  while (std::fgets(buf, sizeof buf, f)) {
    ++line;
    std::string s(buf);
    while (!s.empty() && (s.back() == '\n' || s.back() == '\r')) s.pop_back();
    size_t i = 0;
    while (i < s.size() && (s[i] == ' ' || s[i] == '\t')) ++i;
    if (i == s.size() || s[i] == '#') continue;
    Entry e;
    e.line = line;
    if (s[i] == '"') {
      size_t end = s.find('"', i + 1);
      if (end == std::string::npos) fail(path, line, "unterminated quoted text");
      e.text = s.substr(i + 1, end - i - 1);
      i = end + 1;
    } else {
      size_t start = i;
      while (i < s.size() && s[i] != ' ' && s[i] != '\t') ++i;
      e.text = s.substr(start, i - start);
    }
    if (!parse_int(s, i, e.code) || !parse_int(s, i, e.code2) || !parse_int(s, i, e.flags))
      fail(path, line, "expected: text code second-code flags");
    while (i < s.size() && (s[i] == ' ' || s[i] == '\t')) ++i;
    if (i < s.size() && s[i] != '#') fail(path, line, "unexpected text after the flags");
    if (e.text.empty() || e.text.size() > 255) fail(path, line, "text must be 1..255 bytes");
    if (e.text.front() == ' ' || e.text.back() == ' ') fail(path, line, "text begins or ends with a blank");
    for (char& c : e.text) {
      if (static_cast<unsigned char>(c) < 0x21 && c != ' ') fail(path, line, "control character in text");
      if (c >= 'a' && c <= 'z') c = char(c - 'a' + 'A');
    }
    if (e.code > 255 || e.code2 > 255) fail(path, line, "code out of range");
    if (e.flags & ~(LEX_LIST_ONLY | LEX_OBJECT_NAME | LEX_MAY_BE_LABEL | LEX_OWN_WORD)) fail(path, line, "unknown flag");
    if (Lex_bank(uint8_t(e.code)) != 0 && e.code2 == 0) fail(path, line, "prefix code without a second byte");
    out.push_back(e);
  }
  std::fclose(f);
  return out;
}

void put16(std::vector<uint8_t>& v, size_t at, unsigned x) {
  v[at] = uint8_t(x >> 8);
  v[at + 1] = uint8_t(x);
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 3) {
    std::fprintf(stderr, "usage: mklex keywords.txt lextbl.xx\n");
    return 2;
  }
  std::vector<Entry> in = read_table(argv[1]);
  if (in.empty()) fail(argv[1], 0, "no keywords");

  // Two keywords that can both match the same input would make lookup
  // depend on table order.
  std::map<std::string, const Entry*> matchable;
  for (const Entry& e : in) {
    if (e.flags & LEX_LIST_ONLY) continue;
    auto [it, fresh] = matchable.emplace(e.text, &e);
    if (!fresh) fail(argv[1], e.line, "duplicate keyword " + e.text);
  }

  std::vector<size_t> order(in.size());
  for (size_t i = 0; i < order.size(); ++i) order[i] = i;
  std::stable_sort(order.begin(), order.end(),
                   [&](size_t a, size_t b) { return in[a].text < in[b].text; });
  std::vector<size_t> pos_of(in.size());  // input index -> sorted position
  for (size_t p = 0; p < order.size(); ++p) pos_of[order[p]] = p;

  std::vector<uint8_t> tbl(in.size() * 6), names;
  std::map<std::string, size_t> name_at;
  for (size_t p = 0; p < order.size(); ++p) {
    const Entry& e = in[order[p]];
    auto it = name_at.find(e.text);
    size_t off;
    if (it != name_at.end()) {
      off = it->second;
    } else {
      off = names.size();
      names.insert(names.end(), e.text.begin(), e.text.end());
      name_at.emplace(e.text, off);
    }
    tbl[p * 6] = uint8_t(e.code);
    tbl[p * 6 + 1] = uint8_t(e.code2);
    tbl[p * 6 + 2] = uint8_t(e.flags);
    tbl[p * 6 + 3] = uint8_t(e.text.size());
    put16(tbl, p * 6 + 4, unsigned(off));
  }
  if (tbl.size() >= 0xFFFE || names.size() > 0xFFFF) fail(argv[1], 0, "table too large");

  // Listing pointers, as slot numbers first (-1 unset).
  std::vector<long> slot(LEX_BANKS * 256, -1);
  std::vector<bool> slot_list_only(slot.size(), false);
  const long NOTHING = -2;
  for (int c : {0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 247, 250, 252, 253, 255}) slot[c] = NOTHING;
  for (uint8_t c : LEX_BANK_PREFIX) slot[c] = NOTHING;
  for (size_t i = 0; i < in.size(); ++i) {
    const Entry& e = in[i];
    size_t bank = Lex_bank(uint8_t(e.code));
    size_t s;
    if (bank != 0) {
      s = bank * 256 + size_t(e.code2);
    } else if (e.code2 == 0) {
      s = size_t(e.code);
    } else {
      continue;  // two tokens in a row: an input alias only
    }
    if (e.flags & LEX_OWN_WORD) continue;  // listed by its directive's rule
    bool list_only = (e.flags & LEX_LIST_ONLY) != 0;
    if (slot[s] == NOTHING) fail(argv[1], e.line, "code is printed by the lister itself");
    if (slot[s] == -1 || (list_only && !slot_list_only[s])) {
      slot[s] = long(pos_of[i]);
      slot_list_only[s] = list_only;
    }
  }
  const size_t b72 = Lex_bank(72) * 256, b254 = Lex_bank(254) * 256;
  for (size_t b = 13; b <= 71; ++b)
    if (slot[b72 + b] == -1) slot[b72 + b] = slot[b + 60];
  for (size_t b = 13; b <= 124; ++b)
    if (slot[b254 + b] == -1) slot[b254 + b] = slot[b72 + b + 60];

  std::vector<uint8_t> ptrs(LEX_PTRS_SIZE);
  for (size_t s = 0; s < slot.size(); ++s) {
    unsigned v = slot[s] == -1 ? 0xFFFF : slot[s] == NOTHING ? 0xFFFE : unsigned(slot[s] * 6);
    put16(ptrs, s * 2, v);
  }

  FILE* out = std::fopen(argv[2], "wb");
  if (!out) {
    std::perror(argv[2]);
    return 1;
  }
  for (const std::vector<uint8_t>* sec : {&tbl, &names, &ptrs}) {
    uint8_t len[2] = {uint8_t(sec->size() >> 8), uint8_t(sec->size())};
    std::fwrite(len, 1, 2, out);
    std::fwrite(sec->data(), 1, sec->size(), out);
  }
  if (std::fclose(out) != 0) {
    std::perror(argv[2]);
    return 1;
  }
  return 0;
}
