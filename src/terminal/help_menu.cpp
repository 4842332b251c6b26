// Help-menu texts for SYSTEM_HELP FOR.
#include "terminal/help_menu.h"

#include <cctype>

#include "core/codes.h"
#include "core/lexicon.h"

namespace {

bool word_char(uint8_t c) { return std::isalnum(c) || c == '_' || c == '@' || c == '\''; }

std::string upper(std::string s) {
  for (char& c : s) c = char(std::toupper(uint8_t(c)));
  return s;
}

// The help folder name of a word: lower case, letters, digits and '_' only.
std::string path_name(const std::string& w) {
  std::string out;
  for (char c : w)
    if (std::isalnum(uint8_t(c)) || c == '_') out += char(std::tolower(uint8_t(c)));
  return out;
}

enum Kind { NONE, DIRECTIVE, FUNCTION, SYSVAR };

Kind kind_of(const Lex_match& m) {
  if (m.code == 0) return NONE;
  if (m.code == code::EXT_DIR) return DIRECTIVE;
  if (m.code == code::EXT_SYSVAR) return SYSVAR;
  uint8_t cls = Cde_tbl[m.code];
  if (cls & CC_FUNCTION) return FUNCTION;
  if (cls & CC_SYSVAR) return SYSVAR;
  if (cls & CC_DIRECTIVE) return DIRECTIVE;
  return NONE;
}

// A quoted pair stands for a mnemonic when both characters are upper-case
// letters, digits or one of "+-*@".
bool mnemonic_pair(const std::string& w) {
  if (w.size() != 4 || w[0] != '\'' || w[3] != '\'') return false;
  for (int i = 1; i <= 2; ++i) {
    uint8_t c = uint8_t(w[size_t(i)]);
    if (!(std::isupper(c) || std::isdigit(c) || c == '+' || c == '-' || c == '*' || c == '@')) return false;
  }
  return true;
}

}  // namespace

void Help_menu_text(const std::string& text, int pos, std::string& entry, std::string& path) {
  entry = "&General Help";
  path.clear();
  int n = int(text.size());
  if (n == 0) return;
  int i = pos < 0 ? 0 : pos >= n ? n - 1 : pos;
  // Back over what is not part of a word.
  while (i >= 0 && !word_char(uint8_t(text[size_t(i)])) && text[size_t(i)] != '!') --i;
  if (i < 0) return;
  if (text[size_t(i)] == '!') {
    if (i + 1 >= n || !word_char(uint8_t(text[size_t(i + 1)]))) return;
    ++i;
  }
  int start = i, end = i;
  while (start > 0 && word_char(uint8_t(text[size_t(start - 1)]))) --start;
  while (end + 1 < n && word_char(uint8_t(text[size_t(end + 1)]))) ++end;
  if (start > 0 && text[size_t(start - 1)] == '!') --start;
  std::string word = text.substr(size_t(start), size_t(end - start + 1));
  // A quoted mnemonic inside a longer run ('CS'+A$ reads as "'CS'").
  if (word.size() >= 4 && word[0] == '\'') word = word.substr(0, 4);
  if (mnemonic_pair(upper(word))) {
    word = upper(word);
    entry = "&Help for " + word + " Mnemonic";
    path = "mnemonics/" + path_name(word);
    return;
  }
  while (!word.empty() && word.front() == '\'') word.erase(word.begin());
  while (!word.empty() && word.back() == '\'') word.pop_back();
  if (word.empty()) return;
  std::string up = upper(word);
  if (up == "GET" || up == "SET") return;
  bool paren = end + 1 < n && text[size_t(end + 1)] == '(';
  if (!Lex_loaded()) return;
  Lex_match m;
  if (paren) {
    std::string f = up + "(";
    m = Find_lex(reinterpret_cast<const uint8_t*>(f.data()), f.size(), false);
    if (m.consumed != int(f.size()) || kind_of(m) != FUNCTION) m = Lex_match{};
    if (m.code) {
      entry = "&Help for " + up + "() Function";
      path = "functions/" + path_name(up);
      return;
    }
  }
  // The longest keyword from the word's start: a directive that begins a
  // name of several words is taken whole.
  std::string rest = upper(text.substr(size_t(start)));
  m = Find_lex(reinterpret_cast<const uint8_t*>(rest.data()), rest.size(), false);
  if (m.consumed < int(up.size())) return;
  if (m.consumed > int(up.size()) && std::isalnum(uint8_t(rest[size_t(up.size())]))) return;
  std::string name = rest.substr(0, size_t(m.consumed));
  while (!name.empty() && name.back() == ' ') name.pop_back();
  if (m.consumed > int(up.size()) && name.find(' ') == std::string::npos) name = up;
  switch (kind_of(m)) {
    case DIRECTIVE:
      entry = "&Help for " + name + " Directive";
      path = "directives/" + path_name(name);
      return;
    case SYSVAR:
      entry = "&Help for " + name + " System Variable";
      path = "variables/" + path_name(name);
      return;
    case FUNCTION:
      if (!paren) return;  // a function name without its '(' is a variable of that name
      return;
    default:
      return;
  }
}
