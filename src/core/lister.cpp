// The lister: turns a compiled line back into source text by running the
// syntax program over the compiled items instead of source tokens.  A rule
// that reads a token in the compiler consumes the matching item here and
// writes its text; keywords the compiler dropped (OPTIONAL, EXPECT_DROP) are
// written without consuming anything.
//
// Blanks: a keyword made of letters is set off by blanks from the words
// around it; operators and punctuation are written tight, except ";" (a
// blank after it) and the block braces (a blank on either side).
#include "core/hooks.h"
#include "core/lister.h"

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "core/codes.h"
#include "core/compiler.h"
#include "core/decimal.h"
#include "core/errors.h"
#include "core/line_store.h"
#include "core/lexicon.h"
#include "core/memory.h"
#include "core/syntax_vm.h"
#include "core/workspace.h"

namespace {

bool is_word_char(char c) {
  return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '_' ||
         c == '.' || c == '$' || c == '%' || c == '"' || c == '\'';
}

bool would_join(char a, char b) {
  return (a == '+' && b == '+') || (a == '-' && b == '-') || (a == '<' && (b == '>' || b == '=')) ||
         (a == '>' && b == '=') ||
         (b == '=' && (a == '+' || a == '-' || a == '*' || a == '/' || a == '^'));  // "+ =" is not "+="
}

bool is_prefix(uint8_t c) {
  return c == code::EXT_DIR || c == code::XFNC_PREFIX || c == code::ALT_FNC || c == code::EXT_SYSVAR ||
         c == code::INC_DEC || c == code::PREFIX2 || c == code::IOPT_FIRST ||  // 132: "SEP=", "BIN=" ...
         c == code::ASSIGN_OP;
}

constexpr uint32_t LF_IO_LIST = 0x0002;  // statement flag: I/O option words (ERR=, KEY=...) are read
constexpr uint32_t LF_RANGE = 0x0008;   // statement flag: a range list is read
constexpr uint32_t LF_OWN_WORDS = 0x0010;  // statement flag: codes list as the directive's own words

struct Lst_failure {
  int no;
};
[[noreturn]] void lfail(int n) { throw Lst_failure{n}; }

class Lister {
 public:
  Lister(const uint8_t* code, size_t len, bool layout = false) : in_(code), len_(len), layout_(layout) {}
  void run();
  std::string& text() { return out_; }

  // ---- hooks of the syntax program (see syntax_vm.h) ----
  bool try_token(int t) {
    if (t == code::LINE_REF && star_target()) return true;
    if (peek() != t) return false;
    consume();
    return true;
  }
  void expect(int t) {
    if (t == code::LINE_REF && star_target()) return;
    if (peek() != t) lfail(49);
    consume();
  }
  int switch_token(int lo, int hi) {
    int t = peek();
    if (t < lo || t > hi) return -1;
    consume();
    return t;
  }
  void dropped(int t, bool) { write_keyword(t, -1); }  // the compiler dropped it: write it
  void emit(int b) {  // the compiler added this byte: nothing to write
    if (peek() != b) lfail(49);
    ++pos_;
  }
  void unemit() {}
  void putback() {
    pos_ = last_.pos;
    out_.resize(last_.out_len);
    pending_blank_ = last_.pending_blank;
    prefix_ = last_.prefix;
    keyword_end_ = last_.keyword_end;
    depth_ = last_.depth;
    blocks_ = last_.blocks;
    brk_ = last_.brk;
  }
  void mark(const Syntax_flags& f) {
    mark_ = {snap(), last_, f};
  }
  void restore(Syntax_flags& f) {
    pos_ = mark_.at.pos;
    out_.resize(mark_.at.out_len);
    pending_blank_ = mark_.at.pending_blank;
    prefix_ = mark_.at.prefix;
    keyword_end_ = mark_.at.keyword_end;
    depth_ = mark_.at.depth;
    blocks_ = mark_.at.blocks;
    brk_ = mark_.at.brk;
    last_ = mark_.last;
    f = mark_.flags;
  }
  [[noreturn]] void fail(int n) { lfail(n); }

 private:
  struct State {
    size_t pos;
    size_t out_len;
    bool pending_blank;
    int prefix;
    size_t keyword_end;
    int depth;
    int blocks;
    bool brk;
  };
  State snap() const { return {pos_, out_.size(), pending_blank_, prefix_, keyword_end_, depth_, blocks_, brk_}; }

  // The token the next item stands for (its code, or the second byte after
  // a prefix).
  int peek() const {
    if (pos_ >= len_) return code::EOL;
    return in_[pos_];
  }
  size_t item_size(uint8_t c) const;
  void consume();
  bool star_target();
  void write_word(std::string_view s);   // letter keyword: blanks around
  void write_item(std::string_view s);   // name, literal: blank if needed before
  bool name_takes_eq() const;
  bool after_mod() const;
  bool word_after_comma() const;
  bool word_takes(const char* next) const;
  void write_punct(std::string_view s);  // tight
  void write_operator(std::string_view s);
  void write_keyword(int token, int prefix);
  void write_name(const uint8_t* p, uint8_t c);
  void write_number(const uint8_t* p, uint8_t c);
  void write_string(const uint8_t* p);
  void write_hex(const uint8_t* p);

  const uint8_t* in_;
  size_t len_;
  size_t pos_ = 0;
  const Syntax_flags* flags_ = nullptr;
  std::string out_;
  bool pending_blank_ = false;
  int prefix_ = -1;  // prefix code of the item just consumed, -1 none
  size_t field_at_ = 0;  // out_ size right after a record's "."
  size_t keyword_end_ = SIZE_MAX;  // out_ size right after the last keyword written
  size_t sysvar_end_ = SIZE_MAX;   // out_ size right after the last system variable written
  int depth_ = 0;                  // parentheses and function calls open
  // The edit layout: the statement blocks open, and whether the line ends
  // before the next item (after a "}" that closed a nested block).
  bool layout_ = false;
  int blocks_ = 0;
  bool brk_ = false;
  State last_{0, 0, false, -1, SIZE_MAX, 0, 0, false};
  struct Mark {
    State at;
    State last;
    Syntax_flags flags;
  } mark_{};
};

size_t Lister::item_size(uint8_t c) const {
  if (prefix_ >= 0) return 1;  // second byte of a two-byte form
  const uint8_t* p = in_ + pos_;
  size_t left = len_ - pos_;
  auto need = [&](size_t n) {
    if (n > left) lfail(49);
    return n;
  };
  switch (c) {
    case code::NUM_VAR:
    case code::STR_VAR:
    case code::LABEL:
    case code::REC_VAR:
    case code::OBJ_REF:
      need(2);
      return need((p[1] & 0x80) ? 3 : size_t(p[1]) + 2);
    case code::NUM_LIT:
    case code::EXP_LIT:
      return need(8);
    case code::STR_LIT:
    case code::HEX_LIT:
    case code::BRACKET_TEXT:
      need(3);
      return need(size_t(get_u16be(p + 1)) + 3);
    case code::LINE_REF:
    case code::MNEM_LIT:
    case code::SMALL_INT:
    case code::LABEL_IDX:
    case code::LABEL_IDX2:
      return need(3);
    case code::D_REM:
    case code::D_COMMENT: {
      size_t n = 1;
      while (n < left && p[n] != code::EOL) ++n;
      return n;
    }
    default:
      return 1;
  }
}

// A starred jump target where a line reference stands ("*" and keyword
// codes, see codes.h): consumed and written as "*BREAK" ...; false when the
// next item is something else.
bool Lister::star_target() {
  if (prefix_ >= 0 || pos_ + 1 >= len_ || in_[pos_] != code::OP_MUL) return false;
  const uint8_t* p = in_ + pos_;
  const char* word = nullptr;
  size_t n = 2;
  switch (p[1]) {
    case code::EXT_DIR:
      if (pos_ + 2 >= len_) return false;
      word = p[2] == code::X_BREAK ? "*BREAK" : p[2] == code::X_CONTINUE ? "*CONTINUE" : nullptr;
      n = 3;
      break;
    case code::PREFIX2:
      if (pos_ + 2 >= len_) return false;
      word = p[2] == code::P2_SAME ? "*SAME" : p[2] == code::P2_NEXTLINE ? "*NEXTLINE" : nullptr;
      n = 3;
      break;
    case code::D_RETURN: word = "*RETURN"; break;
    case code::D_RETRY: word = "*RETRY"; break;
    case code::D_STOP: word = "*STOP"; break;
    case code::D_NEXT: word = "*NEXT"; break;
    case code::D_END: word = "*END"; break;
    default: break;
  }
  if (!word) return false;
  last_ = snap();
  pos_ += n;
  if (!out_.empty() && out_.back() != ' ' && (pending_blank_ || is_word_char(out_.back()))) out_ += ' ';
  out_ += word;
  pending_blank_ = false;
  return true;
}

void Lister::write_word(std::string_view s) {
  if (!out_.empty() && (is_word_char(out_.back()) || out_.back() == ')' || out_.back() == ']'))
    out_ += ' ';
  else if (pending_blank_ && !out_.empty() && out_.back() != ' ')
    out_ += ' ';
  out_ += s;
  pending_blank_ = !s.empty() && ((s.back() >= 'A' && s.back() <= 'Z') || (s.back() >= 'a' && s.back() <= 'z'));
}

void Lister::write_item(std::string_view s) {
  bool glued = !out_.empty() && (out_.back() == '.' || out_.back() == '\'') && out_.size() == field_at_;
  if (!glued && !out_.empty() && out_.back() != ' ' &&
      (pending_blank_ || (is_word_char(out_.back()) && !s.empty() && is_word_char(s.front()))))
    out_ += ' ';
  out_ += s;
  pending_blank_ = false;
}

void Lister::write_punct(std::string_view s) {
  out_ += s;
  pending_blank_ = false;
}

void Lister::write_keyword(int token, int prefix) {
  bool nothing = false;
  std::string_view t;
  // SET_JOURNAL COMMIT: a code that stands for a word of the directive's own
  // lists as that word.
  if (prefix < 0 && flags_ && (flags_->stmt & LF_OWN_WORDS)) t = Lex_own_text(uint8_t(token));
  if (t.empty())
    t = prefix >= 0 ? Lex_text(uint8_t(prefix), uint8_t(token), &nothing) : Lex_text(uint8_t(token), 0, &nothing);
  if (nothing || t.empty()) return;
  switch (token) {
    case code::STMT_SEP:
      if (prefix < 0) {
        write_punct(t);
        pending_blank_ = true;
        return;
      }
      break;
    case code::BLOCK_OPEN:
    case code::BLOCK_CLOSE:
      // A range list: "{" right after a name (not after THEN or ELSE), "}"
      // while the list is read.
      if (prefix < 0 && ((flags_ && (flags_->stmt & LF_RANGE)) ||
                         (token == code::BLOCK_OPEN && !out_.empty() && keyword_end_ != out_.size() &&
                          is_word_char(out_.back())))) {
        write_punct(t);
        return;
      }
      if (prefix < 0) {
        if (!out_.empty() && out_.back() != ' ') out_ += ' ';
        out_ += t;
        pending_blank_ = true;
        // The edit layout ends the line after a "}" that closes a nested
        // block; the rest is indented by the blocks still open.
        if (token == code::BLOCK_OPEN) {
          blocks_++;
        } else if (blocks_ > 0) {
          if (layout_ && blocks_ >= 2) brk_ = true;
          blocks_--;
        }
        return;
      }
      break;
    case code::LABEL_END:
      if (prefix < 0 && flags_ && (flags_->stmt & LF_RANGE)) {  // A{1:3}
        write_punct(t);
        return;
      }
      if (prefix < 0) {
        // colons in a row stay together ("TO::" is a name, "TO: :" is not);
        // a keyword directly before "::" would read back as a name
        if (!out_.empty() && out_.back() == ':') pending_blank_ = false;
        if (keyword_end_ == out_.size()) pending_blank_ = true;
        if (pending_blank_ && !out_.empty() && out_.back() != ' ') out_ += ' ';
        write_punct(t);
        pending_blank_ = true;
        return;
      }
      break;
    default:
      break;
  }
  char first = t.front();
  if (prefix == code::EXT_SYSVAR || (prefix < 0 && (Cde_tbl[token] & CC_SYSVAR))) {
    write_item(t);  // a system variable reads like a name
    keyword_end_ = sysvar_end_ = out_.size();
    return;
  }
  bool letters = (first >= 'A' && first <= 'Z') || (first >= 'a' && first <= 'z');
  if (letters) {
    write_word(t);
    keyword_end_ = out_.size();
  } else if (t == ")" || t == "]") {
    write_punct(t);
  } else if (t == ",") {
    if (pending_blank_ && !out_.empty() && out_.back() != ' ') out_ += ' ';
    write_punct(t);
  } else {
    // A name that is an option word would read back with its "=" as the
    // option ("IND" "=" as IND=).
    if (token == code::OP_EQ && prefix < 0 && (name_takes_eq() || after_mod())) pending_blank_ = true;
    // Inside parentheses, or anywhere in an I/O statement's list, "ERR" "="
    // would read back as the option ERR=.
    // So would a value that follows a "," where a statement reads its
    // ERR=line clause after any operand (CALL "x",1,ERR =5).
    const bool options_read = depth_ > 0 || (flags_ && (flags_->stmt & LF_IO_LIST)) || word_after_comma();
    if (token == code::OP_EQ && prefix < 0 && options_read && sysvar_end_ == out_.size() && word_takes("="))
      pending_blank_ = true;
    // A word that reads as a function with "(" ("IND" "(" as IND().
    if (token == code::LPAREN && prefix < 0 && word_takes("(")) pending_blank_ = true;
    write_operator(t);
  }
}

// Whether the text so far ends with the operator MOD ("MOD" "=" would read
// back as the compound "MOD=").
bool Lister::after_mod() const {
  size_t n = out_.size();
  return n >= 3 && keyword_end_ == n && out_.compare(n - 3, 3, "MOD") == 0 &&
         (n == 3 || !is_word_char(out_[n - 4]));
}

// Whether the word that ends the text so far stands right after a ",".
bool Lister::word_after_comma() const {
  size_t i = out_.size();
  while (i > 0 && is_word_char(out_[i - 1])) --i;
  return i > 0 && i < out_.size() && out_[i - 1] == ',';
}

// Whether the word that ends the text so far, followed by `next`, reads as
// one keyword ("IND" "(" as IND(, "ERR" "=" as ERR=).
bool Lister::word_takes(const char* next) const {
  size_t i = out_.size();
  while (i > 0 && is_word_char(out_[i - 1])) --i;
  if (i == out_.size()) return false;
  std::string word = out_.substr(i) + next;
  Lex_match m = Find_lex(reinterpret_cast<const uint8_t*>(word.data()), word.size(), false);
  return m.code != 0 && m.consumed == int(word.size());
}

// Whether the word that ends the text so far, followed by "=", reads as a
// keyword of its own.
bool Lister::name_takes_eq() const {
  size_t i = out_.size();
  while (i > 0 && is_word_char(out_[i - 1])) --i;
  if (i == out_.size() || i < keyword_end_ || !((out_[i] >= 'A' && out_[i] <= 'Z') || (out_[i] >= 'a' && out_[i] <= 'z')))
    return false;
  std::string word = out_.substr(i) + "=";
  Lex_match m = Find_lex(reinterpret_cast<const uint8_t*>(word.data()), word.size(), false);
  return m.code != 0 && m.consumed == int(word.size());
}

// Operators: a blank only where a keyword asked for one, or where two
// operators would read back as one ("- --X", "< =").
void Lister::write_operator(std::string_view t) {
  if (!out_.empty() && out_.back() != ' ' && (pending_blank_ || would_join(out_.back(), t.front())))
    out_ += ' ';
  out_ += t;
  pending_blank_ = false;
}

void Lister::write_name(const uint8_t* p, uint8_t c) {
  std::string name;
  if (p[1] & 0x80) {
    uint32_t idx = (uint32_t(p[1] & 0x7F) << 8) | p[2];
    if (c == code::LABEL || idx >= ws.Name_cnt || !ws.Name_index || !ws.Name_pool) lfail(49);
    uint32_t off = ws.Name_index[idx];
    if (off >= ws.Name_pool_size) lfail(49);
    uint8_t n = ws.Name_pool[off];
    if (n == 255) {
      // A data-dictionary reference: the dictionary gives the name.
      const uint8_t* e = nullptr;
      if (off + 5 <= ws.Name_pool_size) {
        try {
          e = Var_name_entry(idx);
        } catch (const Oru_error&) {
          e = nullptr;
        }
      }
      if (!e || e[0] == 255) lfail(49);
      name.assign(reinterpret_cast<const char*>(e + 1), e[0]);
    } else {
      if (off + 1 + n > ws.Name_pool_size) lfail(49);
      name.assign(reinterpret_cast<const char*>(ws.Name_pool + off + 1), n);
    }
  } else {
    name.assign(reinterpret_cast<const char*>(p + 2), p[1]);
    // A text field named with 127 characters: its item leaves out the "$".
    if (c == code::STR_VAR && p[1] == 127 && name.back() != '$') name += '$';
  }
  write_item(name);
  if (c == code::REC_VAR) {  // the field's name follows without a blank
    out_ += '.';
    field_at_ = out_.size();
  }
  if (c == code::OBJ_REF) {  // the property follows without a blank: H'AGE
    out_ += '\'';
    field_at_ = out_.size();
  }
}

// Code 3: integer digits (zeros up to the point for a negative scale), then
// "." and the fraction digits when there are any; code 4: ".", the digits,
// "E", the sign and a two-digit exponent.  A zero keeps its form: ".0",
// ".0E+06" (the exponent of its one digit); a code-3 zero without fraction
// digits is "0".
void Lister::write_number(const uint8_t* p, uint8_t c) {
  int scale = int8_t(p[1]);
  uint64_t mant = get_u48be(p + 2);
  std::string digits = std::to_string(mant);
  std::string s;
  if (c == code::EXP_LIT) {
    int exp = int(digits.size()) - scale;
    char buf[16];
    std::snprintf(buf, sizeof buf, "E%c%02d", exp < 0 ? '-' : '+', exp < 0 ? -exp : exp);
    s = "." + digits + buf;
  } else if (mant == 0 && scale <= 0) {
    s = "0";  // a zero without fraction digits
  } else if (scale <= 0) {
    s = digits + std::string(size_t(-scale), '0');
  } else {
    if (digits.size() <= size_t(scale)) digits.insert(0, size_t(scale) - digits.size(), '0');
    s = digits.substr(0, digits.size() - size_t(scale)) + "." + digits.substr(digits.size() - size_t(scale));
  }
  write_item(s);
}

void Lister::write_string(const uint8_t* p) {
  size_t n = get_u16be(p + 1);
  std::string s = "\"";
  for (size_t i = 0; i < n; ++i) {
    char ch = char(p[3 + i]);
    if (ch == '"') s += '"';
    s += ch;
  }
  s += '"';
  write_item(s);
}

void Lister::write_hex(const uint8_t* p) {
  static const char* hex = "0123456789ABCDEF";
  size_t n = get_u16be(p + 1);
  std::string s = "$";
  for (size_t i = 0; i < n; ++i) {
    s += hex[p[3 + i] >> 4];
    s += hex[p[3 + i] & 15];
  }
  s += '$';
  write_item(s);
}

// Consumes the next item and writes its text.
void Lister::consume() {
  last_ = snap();
  if (pos_ >= len_) lfail(49);
  uint8_t c = in_[pos_];
  if (brk_ && c != code::EOL && c != code::END_SCAN) {
    brk_ = false;
    out_ += '\n';
    out_.append(size_t(blocks_), '\t');
    out_ += ' ';
    pending_blank_ = false;
  }
  const uint8_t* p = in_ + pos_;
  size_t n = item_size(c);
  int prefix = prefix_;
  pos_ += n;
  prefix_ = -1;
  if (prefix < 0) {  // parentheses and function calls, counted as the error scan counts them
    if (c == code::LPAREN || (c >= code::FNC_FIRST && c <= code::FNC_LAST && c != 88) ||
        c == code::XFNC_PREFIX || c == code::ALT_FNC)
      ++depth_;
    else if (c == code::RPAREN && depth_ > 0)
      --depth_;
    else if (c == code::EOL)
      depth_ = 0;
  }
  if (prefix == code::ASSIGN_OP) {  // "+=" ... "^=", and " MOD=" with one blank before it
    if (c < code::OP_ADD || c > code::OP_MOD) lfail(49);
    if (c == code::OP_MOD) {
      if (!out_.empty() && out_.back() != ' ') out_ += ' ';
      out_ += "MOD=";
      pending_blank_ = false;
      return;
    }
    const char op[3] = {"+-*/^"[c - code::OP_ADD], '=', 0};
    write_operator(op);
    return;
  }
  if (prefix >= 0) {
    write_keyword(c, prefix);
    return;
  }
  switch (c) {
    case code::NUM_VAR:
    case code::STR_VAR:
    case code::LABEL:
    case code::REC_VAR:
    case code::OBJ_REF:
      write_name(p, c);
      return;
    case code::OBJ_CHAIN:  // the next property follows without a blank: H'A'B
      out_ += '\'';
      field_at_ = out_.size();
      pending_blank_ = false;
      return;
    case code::NUM_LIT:
    case code::EXP_LIT:
      write_number(p, c);
      return;
    case code::STR_LIT:
      write_string(p);
      return;
    case code::HEX_LIT:
      write_hex(p);
      return;
    case code::LINE_REF:
    case code::SMALL_INT:
      write_item(std::to_string(get_u16be(p + 1)));
      return;
    case code::MNEM_LIT: {
      char s[5] = {'\'', char(p[1]), char(p[2]), '\'', 0};
      write_item(s);
      return;
    }
    case code::BRACKET_TEXT: {
      // Text typed between braces may hold "]"; it cannot hold "}" then.
      std::string text(reinterpret_cast<const char*>(p + 3), get_u16be(p + 1));
      bool braces = text.find(']') != std::string::npos;
      write_item((braces ? "{" : "[") + text + (braces ? "}" : "]"));
      return;
    }
    case code::LABEL_IDX:
    case code::LABEL_IDX2:
      lfail(49);  // label indexes belong to loaded program images
    case code::EOL:
    case code::END_SCAN:
      pending_blank_ = false;
      return;
    case code::D_REM:
    case code::D_COMMENT:
      write_keyword(c, -1);
      if (n > 1) {
        pending_blank_ = false;
        out_ += ' ';
        out_.append(reinterpret_cast<const char*>(p + 1), n - 1);
      }
      return;
    default:
      if (is_prefix(c)) {
        prefix_ = c;
        return;
      }
      write_keyword(c, -1);
  }
}

void Lister::run() {
  Syntax_flags flags;
  flags_ = &flags;
  Run_syntax(*this, flags);
}

}  // namespace

int Output_stno(unsigned n, char* buf) {
  int width = (n >= 10000 || ws.Prm.Plus5) ? 5 : 4;
  std::snprintf(buf, 8, "%0*u", width, std::min(n, 99999u));  // line numbers have at most 5 digits
  return width;
}

std::string Decompile_text(const uint8_t* line, size_t len, int flags) {
  if (len < 3) Rpt_error(err::INTERNAL_CODE);
  if (Core_hook.in_image(line)) {
    // A line of a loaded image: its resolved references back to line
    // numbers and labels first.
    std::vector<uint8_t> conv;
    Core_hook.image_line(line, len, true, conv);
    return Decompile_text(conv.data(), conv.size(), flags);
  }
  std::string text;
  unsigned line_no = get_u16be(line);
  if (line_no != 0) {
    char buf[8];
    Output_stno(line_no, buf);
    text = buf;
  }
  const uint8_t* body = line + 2;
  size_t body_len = len - 2;
  if (body[0] == code::END_SCAN) {  // a line that failed to compile: its source
    size_t n = body_len >= 2 ? body_len - 2 : 0;
    if (line_no != 0) text += ' ';
    text.append(reinterpret_cast<const char*>(body + 1), n);
    return text;
  }
  Lister l(body, body_len, (flags & LST_EDIT_LAYOUT) != 0);
  try {
    l.run();
  } catch (const Lst_failure& f) {
    Rpt_error(f.no);
  }
  if (!l.text().empty()) {
    bool label = body[0] == code::LABEL || body[0] == code::D_REM || body[0] == code::D_COMMENT;
    if (line_no != 0) text += (flags & LST_EDIT_LAYOUT) && !label ? '\t' : ' ';
    text += l.text();
  }
  return text;
}

void Decompile_Obj(int flags, Var_node*, int) {
  if (ws.Str_len < 0) Rpt_error(err::INTERNAL_CODE);
  std::string text = Decompile_text(ws.Str_ptr, size_t(ws.Str_len), flags);
  uint8_t* dst = Work_take(text.size());
  std::memcpy(dst, text.data(), text.size());
  ws.Str_ptr = dst;
  ws.Str_len = int32_t(text.size());
}
