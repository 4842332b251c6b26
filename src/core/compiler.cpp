// The statement compiler.
//
// A tokenizer (Cpl_nsu) reads the source one token at a time and appends the
// token's code and inline bytes to the output; the syntax program (sn_tax,
// assembled from lib/sn_tax.src) decides what may come next.  A token that
// does not fit is put back: the input position and the output length return
// to where they were before it, so it is read again with the next
// expectation (a digit is a line number where a line reference is expected,
// a number elsewhere).
//
// Output: u16 BE line number, the compiled statements, 255.  A line that
// fails is rebuilt as: line number, 0, the untouched source, 255.
#include "core/compiler.h"

#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

#include "core/codes.h"
#include "core/control_stack.h"
#include "core/errors.h"
#include "core/fn_arg_check.h"
#include "core/lexicon.h"
#include "core/line_store.h"
#include "core/lister.h"
#include "core/memory.h"
#include "core/messages.h"
#include "core/syntax_vm.h"
#include "core/workspace.h"

namespace {

constexpr size_t MAX_INPUT = 24576;
constexpr size_t SHORT_INPUT = 2048;
constexpr size_t SHORT_BUFFER = 4128;
constexpr size_t FULL_BUFFER = 30000;  // 3 x 10,000: the largest compiled line
constexpr size_t BUFFER_RESERVE = 128;
constexpr size_t WRITTEN_NAME_MAX = 127;  // the longest name a program writes

// The first buffer is sized from the input; a line that overflows it is
// compiled again into the full one, so the limit on a compiled line is the
// same whatever text spelt it ("00.030" and ".03" compile alike, and a
// listing must compile back).
size_t first_buffer(size_t len) {
  return len <= SHORT_INPUT ? SHORT_BUFFER : 3 * std::min<size_t>(len, 10000);
}

// Statement flags the tokenizer reads.
constexpr uint32_t SF_BIG_LINE = 0x0001;  // SETERR: 65001 and 65002 allowed
constexpr uint32_t SF_IO_LIST = 0x0002;   // I/O option words (ERR=, KEY=...) are read
constexpr uint32_t SF_EXPR = 0x4000;      // the text is one expression (Compile_expression)
constexpr uint32_t SF_OWN_WORDS = 0x0010; // the directive's own words (COMMIT ...) are read
constexpr uint32_t SF_NAMES = 0x0020;     // a word tried as a name is one even where it spells a keyword

struct Cpl_fail {
  int no;
};
[[noreturn]] void fail(int n) { throw Cpl_fail{n}; }

bool is_name_char(uint8_t c) {
  return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '_' ||
         c == '.';
}
bool is_letter(uint8_t c) { return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z'); }
bool is_digit(uint8_t c) { return c >= '0' && c <= '9'; }
int hex_value(uint8_t c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  return -1;
}

// Where the tokenizer stands: restored to put a token back or to backtrack.
struct Tok_state {
  size_t pos;
  size_t out_len;
  int pending2;
};

class Compiler {
 public:
  Compiler(const uint8_t* src, size_t len, uint8_t* out, size_t cap, uint16_t line_no,
           uint32_t start_flags = 0)
      : in_(src), in_len_(len), out_(out), cap_(cap), line_no_(line_no), start_flags_(start_flags) {}

  size_t run();  // runs the syntax program; returns the output length

  // ---- hooks of the syntax program (see syntax_vm.h) ----
  bool try_token(int t) {
    if (next_token(t) == t) return true;
    put_back();
    return false;
  }
  void expect(int t) {
    if (next_token(t) != t) fail(20);
  }
  int switch_token(int lo, int hi) {
    int t = next_token(0);
    if (t >= lo && t <= hi) return t;
    put_back();
    return -1;
  }
  void dropped(int t, bool must) {  // the keyword is read but not kept
    if (next_token(t) == t) {
      --out_len_;
    } else if (must) {
      fail(20);
    } else {
      put_back();
    }
  }
  void emit(int b) { emit(uint8_t(b)); }
  void unemit() {
    if (out_len_ <= 2) fail(49);
    --out_len_;
  }
  void putback() { put_back(); }
  void mark(const Syntax_flags& f) { mark_ = {{pos_, out_len_, pending2_}, last_, f, tok_}; }
  void restore(Syntax_flags& f) {
    pos_ = mark_.tok.pos;
    out_len_ = mark_.tok.out_len;
    pending2_ = mark_.tok.pending2;
    last_ = mark_.last;
    f = mark_.flags;
    tok_ = mark_.tok_code;
  }
  [[noreturn]] void fail(int n) { ::fail(n); }

  size_t pos() const { return pos_; }
  // Where compiling stopped: the start of the token that failed, or, when
  // the line ended too early, of the last token before the end.
  size_t fail_pos() const { return tok_start_ < in_len_ ? tok_start_ : last_start_; }

 private:
  // ---- output ----
  void emit(uint8_t b) {
    if (out_len_ >= cap_ - BUFFER_RESERVE) fail(19);
    out_[out_len_++] = b;
  }
  void emit_u16(uint16_t v) {
    emit(uint8_t(v >> 8));
    emit(uint8_t(v));
  }

  // ---- tokenizer ----
  int next_token(int expected);
  void put_back() {
    pos_ = last_.pos;
    out_len_ = last_.out_len;
    pending2_ = last_.pending2;
  }
  void skip_blanks() {
    while (pos_ < in_len_ && (in_[pos_] == ' ' || in_[pos_] == '\t')) ++pos_;
  }
  int scan_line_ref(int code);
  int scan_star_target();
  int scan_number();
  int scan_string();
  int scan_hex();
  bool bare_hex_rest() const;
  int scan_bare_hex();
  int scan_mnemonic();
  int scan_bracket();
  int scan_name(int expected);
  bool at_field_name() const;
  void copy_raw();

  // ---- syntax program state ----
  struct Mark {
    Tok_state tok;
    Tok_state last;
    Syntax_flags flags;
    int tok_code;
  };
  Mark mark_{};
  const Syntax_flags* flags_ = nullptr;

  const uint8_t* in_;
  size_t in_len_;
  size_t pos_ = 0;
  uint8_t* out_;
  size_t cap_;
  size_t out_len_ = 0;
  uint16_t line_no_;
  uint32_t start_flags_;  // statement flags the syntax program starts with
  int pending2_ = -1;
  // pending2_ holds PROP_PENDING after an object reference: its property
  // comes next (kept with the token state, so a put-back undoes it).
  static constexpr int PROP_PENDING = -2;
  bool in_prop_ = false;  // reading that property's name
  bool word_is(const char* w) const;
  bool method_head() const;
  bool modifier_word() const;
  Tok_state last_{0, 0, -1};
  size_t tok_start_ = 0;
  size_t last_start_ = 0;
  int tok_ = 0;
};

// Whether the source at the cursor is the word w (not the start of a
// longer name).
bool Compiler::word_is(const char* w) const {
  size_t n = std::strlen(w);
  if (pos_ + n > in_len_) return false;
  for (size_t i = 0; i < n; ++i)
    if (Uppercs[in_[pos_ + i]] != uint8_t(w[i])) return false;
  return pos_ + n == in_len_ || !(is_letter(in_[pos_ + n]) || is_digit(in_[pos_ + n]) || in_[pos_ + n] == '_' ||
                                   in_[pos_ + n] == '$');
}

// Whether the output so far ends with FUNCTION and any method modifiers
// (PERFORM 197, LOCAL 149 209, HIDE 149 203): a method's name comes next.
// (The walk stays off the line number's two bytes at the start.)
bool Compiler::method_head() const {
  constexpr size_t BODY = 2;
  size_t k = out_len_;
  for (;;) {
    if (k >= BODY + 2 && out_[k - 2] == code::EXT_DIR) {
      if (out_[k - 1] == 216) return true;
      if (out_[k - 1] == code::X_HIDE || out_[k - 1] == code::X_LOCAL) {
        k -= 2;
        continue;
      }
    }
    if (k >= BODY + 1 && out_[k - 1] == code::D_PERFORM) {
      k -= 1;
      continue;
    }
    return false;
  }
}

// Whether the source at the cursor is a method modifier (HIDE, LOCAL or
// PERFORM) followed by blanks and a name: a method may itself be named so
// (FUNCTION LOCAL(X)).
bool Compiler::modifier_word() const {
  for (const char* w : {"HIDE", "LOCAL", "PERFORM"}) {
    if (!word_is(w)) continue;
    size_t i = pos_ + std::strlen(w);
    if (i >= in_len_ || in_[i] != ' ') return false;
    while (i < in_len_ && in_[i] == ' ') ++i;
    return i < in_len_ && (is_letter(in_[i]) || in_[i] == '_');
  }
  return false;
}

// Reads the next token, appending its code and inline bytes to the output.
int Compiler::next_token(int expected) {
  last_ = {pos_, out_len_, pending2_};
  if (pending2_ >= 0) {  // second byte of a two-byte keyword, or the chain mark
    int t = pending2_;
    pending2_ = t == code::OBJ_CHAIN ? PROP_PENDING : -1;
    emit(uint8_t(t));
    return tok_ = t;
  }
  skip_blanks();
  tok_start_ = pos_;
  if (pos_ < in_len_ && pos_ > last_start_) last_start_ = pos_;
  if (pos_ >= in_len_) {
    emit(code::EOL);
    return tok_ = code::EOL;
  }
  uint8_t c = in_[pos_];
  if (c < ' ' || c >= 127) fail(20);  // stray control or 8-bit byte outside a string
  if (pending2_ == PROP_PENDING) {  // the property after "'": a name even where it spells a keyword, or "*"
    pending2_ = -1;
    if (c == '*') {
      ++pos_;
      emit(code::OP_MUL);
      return tok_ = code::OP_MUL;
    }
    in_prop_ = true;
    int t = scan_name(code::NUM_VAR);
    in_prop_ = false;
    return tok_ = t;
  }
  // The name after FUNCTION and its modifiers is a method name even where
  // it spells a keyword (a class implements LOAD, READ, WRITE ...);
  // FUNCTION END stays.
  // A modifier there is the keyword, even where a name could stand.
  const bool head = is_letter(c) && method_head();
  const bool modifier = head && modifier_word();
  if (head && !modifier &&
      !(out_[out_len_ - 1] == 216 && out_[out_len_ - 2] == code::EXT_DIR && word_is("END"))) {
    in_prop_ = true;
    int t = scan_name(code::NUM_VAR);
    in_prop_ = false;
    return tok_ = t;
  }
  if (c == '"') return tok_ = scan_string();
  if (c == '$') return tok_ = scan_hex();
  if (expected == code::HEX_LIT && bare_hex_rest()) return tok_ = scan_bare_hex();
  if (c == '\'') return tok_ = scan_mnemonic();
  if (is_digit(c) || (c == '.' && pos_ + 1 < in_len_ && is_digit(in_[pos_ + 1]))) {
    if (expected == code::LINE_REF || expected == code::LABEL) return tok_ = scan_line_ref(code::LINE_REF);
    return tok_ = scan_number();
  }
  if (c == '.' && pos_ + 1 < in_len_ && (is_letter(in_[pos_ + 1]) || in_[pos_ + 1] == '_'))
    return tok_ = scan_name(expected);  // a reader of the WITH value
  if (c == '*' && expected == code::LINE_REF && pos_ + 1 < in_len_ && is_letter(in_[pos_ + 1]))
    return tok_ = scan_star_target();
  if (expected == code::BRACKET_TEXT && (c == '[' || c == '{')) return tok_ = scan_bracket();
  if (at_field_name()) return tok_ = scan_name(expected);

  const bool own = (flags_->stmt & SF_OWN_WORDS) != 0;
  Lex_match m = Find_lex(in_ + pos_, in_len_ - pos_, false, own);
  if (m.code >= code::IOPT_FIRST && m.code <= code::IOPT_LAST && !(flags_->stmt & SF_IO_LIST) && m.consumed > 1 &&
      in_[pos_ + size_t(m.consumed) - 1] == '=') {
    // outside an I/O list "ERR=5" is the system variable ERR and "="
    m = Find_lex(in_ + pos_, size_t(m.consumed) - 1, false, own);
  }
  if (m.code != 0) {
    // A keyword followed by "'" names an object only where object references
    // are read; until they are, it stays the keyword (a name read here would
    // not list back as a name).
    bool as_label = expected == code::LABEL && (m.flags & LEX_MAY_BE_LABEL);
    bool as_var = expected == code::NUM_VAR && (m.flags & LEX_OBJECT_NAME);
    // Where only a name may stand (the names of a class's PROPERTY list),
    // a word is a name whatever it spells.
    if ((flags_->stmt & SF_NAMES) && (expected == code::NUM_VAR || expected == code::STR_VAR) && is_letter(c))
      as_var = true;
    if (modifier) as_var = false;
    if (!as_label && !as_var) {
      pos_ += size_t(m.consumed);
      emit(m.code);
      if (m.code2 != 0) pending2_ = m.code2;
      if (m.code == code::D_REM || m.code == code::D_COMMENT) copy_raw();
      return tok_ = m.code;
    }
  }
  if (is_letter(c) || c == '%' || c == '_') return tok_ = scan_name(expected);
  fail(20);
}

// Right after the "." or "::" that follows a record's name: the field name,
// read as a name even where it spells a keyword (R$.TO is a field).
bool Compiler::at_field_name() const {
  if (pos_ >= in_len_ || !(is_letter(in_[pos_]) || in_[pos_] == '_')) return false;
  if (pos_ >= 2 && in_[pos_ - 1] == '.' && in_[pos_ - 2] == '$') return true;
  return pos_ >= 3 && in_[pos_ - 1] == ':' && in_[pos_ - 2] == ':' && in_[pos_ - 3] == '$';
}

// The rest of the line, raw, without leading blanks (remarks).
void Compiler::copy_raw() {
  skip_blanks();
  while (pos_ < in_len_) {
    uint8_t c = in_[pos_];
    if (c < ' ' && c != '\t') fail(20);
    if (c == 0xFF) fail(20);
    emit(c);
    ++pos_;
  }
}

// Line number reference: digits up to 65000 (65002 after SETERR).
int Compiler::scan_line_ref(int code_out) {
  uint32_t v = 0;
  uint32_t limit = (flags_->stmt & SF_BIG_LINE) ? 65002 : LAST_LINE_NO;
  if (!is_digit(in_[pos_])) fail(20);
  while (pos_ < in_len_ && is_digit(in_[pos_])) {
    v = v * 10 + uint32_t(in_[pos_++] - '0');
    if (v > limit) fail(21);
  }
  if (v != 0 && line_no_ == 0 && (ws.Prm.NN || (ws.Pgm_flags2 & PGM2_COMPILE_FN))) fail(85);
  emit(uint8_t(code_out));
  emit_u16(uint16_t(v));
  return code_out;
}

// A starred jump target where a line reference may stand: "*" and a word,
// compiled as the "*" operator and the word's keyword codes (Get_line reads
// them as a statement reference).  The syntax program sees a line reference.
int Compiler::scan_star_target() {
  struct Target {
    const char* word;
    uint8_t b[2];
    int n;
  };
  static const Target targets[] = {
      {"BREAK", {code::EXT_DIR, code::X_BREAK}, 2},   {"CONTINUE", {code::EXT_DIR, code::X_CONTINUE}, 2},
      {"RETURN", {code::D_RETURN, 0}, 1},              {"RETRY", {code::D_RETRY, 0}, 1},
      {"STOP", {code::D_STOP, 0}, 1},                  {"SAME", {code::PREFIX2, code::P2_SAME}, 2},
      {"NEXT", {code::D_NEXT, 0}, 1},                  {"NEXTLINE", {code::PREFIX2, code::P2_NEXTLINE}, 2},
      {"END", {code::D_END, 0}, 1},
  };
  size_t p = pos_ + 1;
  std::string word;
  while (p < in_len_ && (is_letter(in_[p]) || is_digit(in_[p]) || in_[p] == '_')) word += char(Uppercs[in_[p++]]);
  for (const Target& t : targets) {
    if (word != t.word) continue;
    pos_ = p;
    emit(code::OP_MUL);
    for (int i = 0; i < t.n; ++i) emit(t.b[i]);
    return code::LINE_REF;
  }
  fail(20);
}

// Numeric literal: digits with one ".", an optional exponent.  The mantissa
// keeps about 14 digits (it must fit 48 bits); further integer digits lower
// the scale, further fraction digits are dropped.
int Compiler::scan_number() {
  uint64_t mant = 0;
  int scale = 0;
  bool point = false;
  while (pos_ < in_len_) {
    uint8_t c = in_[pos_];
    if (c == '.') {
      if (point) break;
      point = true;
      ++pos_;
      continue;
    }
    if (!is_digit(c)) break;
    ++pos_;
    if ((mant >> 32) < 3276) {
      mant = mant * 10 + uint64_t(c - '0');
      if (point) ++scale;
    } else if (!point) {
      --scale;
    }
  }
  int code_out = code::NUM_LIT;
  if (pos_ < in_len_ && (in_[pos_] == 'E' || in_[pos_] == 'e')) {
    size_t p = pos_ + 1;
    bool neg = false;
    if (p < in_len_ && (in_[p] == '+' || in_[p] == '-')) {
      neg = in_[p] == '-';
      ++p;
    }
    if (p < in_len_ && is_digit(in_[p])) {
      int e = 0;
      while (p < in_len_ && is_digit(in_[p])) {
        e = e * 10 + (in_[p++] - '0');
        if (e > 1000) fail(40);
      }
      pos_ = p;
      scale -= neg ? -e : e;
      code_out = code::EXP_LIT;
    }
  }
  // Zero keeps its scale and exponent form too ("0.0" lists back as written).
  if (scale < -127 || scale > 127) fail(40);
  if (code_out == code::NUM_LIT && scale == 0 && mant < 65536) {
    emit(code::SMALL_INT);
    emit_u16(uint16_t(mant));
    return code::SMALL_INT;
  }
  emit(uint8_t(code_out));
  emit(uint8_t(int8_t(scale)));
  uint8_t b[6];
  put_u48be(b, mant);
  for (uint8_t x : b) emit(x);
  return code_out;
}

// String literal: up to the closing quote; two quotes stand for one.  An
// unterminated string is closed at the end of a console line only.
int Compiler::scan_string() {
  ++pos_;
  emit(code::STR_LIT);
  size_t len_at = out_len_;
  emit_u16(0);
  size_t n = 0;
  for (;;) {
    if (pos_ >= in_len_) {
      if (!(ws.Con_flags & CON_MODE)) fail(20);
      break;
    }
    uint8_t c = in_[pos_++];
    if (c == '"') {
      if (pos_ < in_len_ && in_[pos_] == '"') {
        ++pos_;
      } else {
        break;
      }
    }
    emit(c);
    ++n;
  }
  if (n > 0xFFFF) fail(19);
  put_u16be(out_ + len_at, uint16_t(n));
  return code::STR_LIT;
}

// Hexadecimal string: pairs of hex digits (blanks ignored) up to "$".
int Compiler::scan_hex() {
  ++pos_;
  emit(code::HEX_LIT);
  size_t len_at = out_len_;
  emit_u16(0);
  size_t n = 0;
  int high = -1;
  for (;;) {
    if (pos_ >= in_len_) fail(75);
    uint8_t c = in_[pos_++];
    if (c == '$') break;
    if (c == ' ' || c == '\t') continue;
    int v = hex_value(c);
    if (v < 0) fail(75);
    if (high < 0) {
      high = v;
    } else {
      emit(uint8_t(high * 16 + v));
      ++n;
      high = -1;
    }
  }
  if (high >= 0) fail(75);
  put_u16be(out_ + len_at, uint16_t(n));
  return code::HEX_LIT;
}

// TABLE data: the rest of the line is hexadecimal digit pairs (blanks
// between them ignored).
bool Compiler::bare_hex_rest() const {
  size_t digits = 0;
  for (size_t p = pos_; p < in_len_; ++p) {
    if (in_[p] == ' ' || in_[p] == '\t') continue;
    if (hex_value(in_[p]) < 0) return false;
    ++digits;
  }
  return digits > 0 && digits % 2 == 0;
}

int Compiler::scan_bare_hex() {
  emit(code::HEX_LIT);
  size_t len_at = out_len_;
  emit_u16(0);
  size_t n = 0;
  int high = -1;
  for (; pos_ < in_len_; ++pos_) {
    int v = hex_value(in_[pos_]);
    if (v < 0) continue;  // a blank
    if (high < 0) {
      high = v;
    } else {
      emit(uint8_t(high * 16 + v));
      ++n;
      high = -1;
    }
  }
  if (n > 0xFFFF) fail(19);
  put_u16be(out_ + len_at, uint16_t(n));
  return code::HEX_LIT;
}

// Mnemonic literal: two characters between apostrophes, upper-cased.
int Compiler::scan_mnemonic() {
  ++pos_;
  if (pos_ + 2 > in_len_) fail(29);
  uint8_t a = in_[pos_], b = in_[pos_ + 1];
  if (a < ' ' || b < ' ' || a >= 127 || b >= 127) fail(29);
  pos_ += 2;
  if (pos_ < in_len_) {
    if (in_[pos_] != '\'') fail(29);
    ++pos_;
  }
  emit(code::MNEM_LIT);
  emit(Uppercs[a]);
  emit(Uppercs[b]);
  return code::MNEM_LIT;
}

// Bracketed text: "[" ... "]" or "{" ... "}".
int Compiler::scan_bracket() {
  uint8_t close = uint8_t(in_[pos_] + 2);
  size_t start = ++pos_;
  while (pos_ < in_len_ && in_[pos_] != close) ++pos_;
  if (pos_ >= in_len_) fail(20);
  size_t n = pos_ - start;
  ++pos_;
  emit(code::BRACKET_TEXT);
  emit_u16(uint16_t(n));
  for (size_t i = 0; i < n; ++i) emit(in_[start + i]);
  return code::BRACKET_TEXT;
}

// A name: letters, digits, "_" and "."; "%" in front marks a global, "$" at
// the end a string, "%" at the end an integer variable.  "." is a name
// character, so A.B is one plain name; only a string name followed by "."
// or "::" and a letter or "_" names a record: R$.NAME$ compiles to the
// record item (247, "R$") followed by the field's own item (2, "NAME$").
int Compiler::scan_name(int expected) {
  size_t start = pos_;
  const bool field = at_field_name();
  // ".NAME" reads the current WITH value: a numeric name, never a string,
  // an integer variable, a global or a label.
  const bool with_reader = in_[pos_] == '.';
  if (with_reader) ++pos_;
  else if (in_[pos_] == '%') ++pos_;
  if (pos_ >= in_len_ || !(is_letter(in_[pos_]) || in_[pos_] == '_')) fail(20);
  if (ws.Prm.SF) {
    ++pos_;
    while (pos_ < in_len_ && is_digit(in_[pos_])) ++pos_;
  } else {
    while (pos_ < in_len_ && is_name_char(in_[pos_])) {
      if (in_[pos_] == '.' && ws.Prm.PlusT) break;
      ++pos_;
    }
  }
  int code_out = code::NUM_VAR;
  if (pos_ < in_len_ && in_[pos_] == '$') {
    ++pos_;
    code_out = code::STR_VAR;
  } else if (pos_ < in_len_ && in_[pos_] == '%') {
    ++pos_;  // always the integer variable: "%=" is no operator (the remainder is "MOD=")
  }
  size_t n = pos_ - start;
  // A template field's name has up to 127 characters, so a text field's
  // takes 128 with its "$": its item holds the name without the "$" (the
  // string code says what it is).  Any other name has at most 127.
  const bool long_text_field = field && n == WRITTEN_NAME_MAX + 1 && code_out == code::STR_VAR;
  if (n > WRITTEN_NAME_MAX && !long_text_field) fail(20);
  if (with_reader && (code_out != code::NUM_VAR || in_[pos_ - 1] == '%')) fail(20);
  if (code_out == code::STR_VAR && pos_ < in_len_ && expected != code::LABEL) {
    size_t sep = in_[pos_] == '.' ? 1 : (in_[pos_] == ':' && pos_ + 1 < in_len_ && in_[pos_ + 1] == ':') ? 2 : 0;
    size_t f = pos_ + sep;
    if (sep && f < in_len_ && (is_letter(in_[f]) || in_[f] == '_')) {
      code_out = code::REC_VAR;
      pos_ = f;  // the field name is the next token
    }
  }
  if (long_text_field) {
    if (code_out != code::STR_VAR) fail(20);  // a record's own name keeps its "$"
    n = WRITTEN_NAME_MAX;
  }
  // "'" right after a numeric name makes it an object reference (H'AGE),
  // also where a label could stand (a statement's start); anywhere else "'"
  // opens a mnemonic.
  if (code_out == code::NUM_VAR && !in_prop_ && pos_ + 1 < in_len_ && in_[pos_] == '\'' &&
      (is_letter(in_[pos_ + 1]) || in_[pos_ + 1] == '_' || in_[pos_ + 1] == '*') && in_[start] != '%') {
    code_out = code::OBJ_REF;
    n = pos_ - start;
    ++pos_;
    pending2_ = PROP_PENDING;
  }
  // A property followed by "'" and a name: the chain goes on (the
  // property's value is the next object).
  bool chain = in_prop_ && (code_out == code::NUM_VAR || code_out == code::STR_VAR) && pos_ + 1 < in_len_ && in_[pos_] == '\'' &&
               (is_letter(in_[pos_ + 1]) || in_[pos_ + 1] == '_' || in_[pos_ + 1] == '*');
  if (expected == code::LABEL && code_out == code::NUM_VAR && !with_reader) code_out = code::LABEL;
  if (chain) {
    ++pos_;
    pending2_ = code::OBJ_CHAIN;
  }
  emit(uint8_t(code_out));
  emit(uint8_t(n));
  for (size_t i = 0; i < n; ++i) {
    uint8_t c = in_[start + i];
    emit(ws.Prm.MC ? c : Uppercs[c]);
  }
  return code_out;
}

size_t Compiler::run() {
  emit_u16(line_no_);
  Syntax_flags flags;
  flags.stmt = start_flags_;
  flags_ = &flags;
  Run_syntax(*this, flags);
  return out_len_;
}

// The failed form: line number, 0, the source after the line number, 255.
size_t failed_form(uint8_t* out, size_t cap, uint16_t line_no, const uint8_t* src, size_t len) {
  size_t n = std::min(len, cap - 4);
  put_u16be(out, line_no);
  out[2] = 0;
  std::memcpy(out + 3, src, n);
  out[3 + n] = code::EOL;
  return n + 4;
}

int last_fail_pos = -1;

// Compiles a statement's body (or one expression) into out: first in a
// buffer sized for the text, once more in the full one when that is too
// small.  A failure leaves the text in its failed form; `offset` is where
// the body starts in the line, for the error position.
int compile_body(const uint8_t* body, size_t body_len, uint16_t line_no, uint32_t flags, size_t offset,
                 std::vector<uint8_t>& out) {
  size_t cap = first_buffer(offset + body_len);
  out.resize(std::max(cap, body_len + 8));
  if (!Lex_loaded()) {
    out.resize(failed_form(out.data(), out.size(), line_no, body, body_len));
    return 64;
  }
  for (;;) {
    Compiler c(body, body_len, out.data(), cap, line_no, flags);
    try {
      out.resize(c.run());
      // a function called with a count of arguments it does not take
      if (int e = Check_fn_args(out.data() + 2, out.data() + out.size())) {
        last_fail_pos = int(offset);
        out.resize(std::max(cap, body_len + 8));
        out.resize(failed_form(out.data(), out.size(), line_no, body, body_len));
        return e;
      }
      return 0;
    } catch (const Cpl_fail& f) {
      if (f.no == 19 && cap < FULL_BUFFER) {
        cap = FULL_BUFFER;
        out.resize(std::max(cap, body_len + 8));
        continue;
      }
      last_fail_pos = int(offset + c.fail_pos());
      out.resize(failed_form(out.data(), out.size(), line_no, body, body_len));
      return f.no;
    }
  }
}

int compile_into(const uint8_t* src, size_t len, std::vector<uint8_t>& out);

// The continuation form "n:text": the stored line n as text with text
// appended, compiled in its place.  False when the program has no line n
// (the form then compiles as written, and fails).  The line cursor and the
// string accumulator are left as they were.
bool compile_continued(uint16_t line_no, const uint8_t* rest, size_t rest_at, size_t rest_len, int& err,
                       std::vector<uint8_t>& out) {
  Line_pos pos = Save_line_pos();
  uint8_t* str = ws.Str_ptr;
  int32_t str_len = ws.Str_len;
  std::string text;
  bool found = Find_line(line_no) == line_no;
  if (found) text = Decompile_text(ws.Str_ptr, size_t(ws.Str_len));
  Restore_line_pos(pos);
  ws.Str_ptr = str;
  ws.Str_len = str_len;
  if (!found) return false;
  size_t stored = text.size();
  text.append(reinterpret_cast<const char*>(rest), rest_len);
  if (text.size() > MAX_INPUT) Rpt_error(err::LINE_TOO_LONG);
  err = compile_into(reinterpret_cast<const uint8_t*>(text.data()), text.size(), out);
  // The error position in the line as typed: in the appended text, or at
  // its start when the stored part failed.
  if (err != 0) last_fail_pos = int(rest_at + (size_t(last_fail_pos) > stored ? size_t(last_fail_pos) - stored : 0));
  return true;
}

// Compiles src into out; returns the error number and the output length.
int compile_into(const uint8_t* src, size_t len, std::vector<uint8_t>& out) {
  size_t pos = 0;
  last_fail_pos = 0;
  while (pos < len && (src[pos] == ' ' || src[pos] == '\t')) ++pos;
  uint32_t line_no = 0;
  if (pos < len && is_digit(src[pos])) {
    while (pos < len && is_digit(src[pos])) {
      if (line_no >= 6500) {  // one more digit passes 64999
        out.assign({0, 0, code::EOL});
        return 21;
      }
      line_no = line_no * 10 + uint32_t(src[pos++] - '0');
    }
    if (line_no >= LAST_LINE_NO) {
      out.assign({0, 0, code::EOL});
      return 21;
    }
    if (pos < len && src[pos] == '?') ++pos;
    while (pos < len && (src[pos] == ' ' || src[pos] == '\t')) ++pos;
    int err = 0;
    if (line_no != 0 && pos < len && src[pos] == ':' &&
        compile_continued(uint16_t(line_no), src + pos + 1, pos + 1, len - pos - 1, err, out))
      return err;
  }
  const uint8_t* body = src + pos;
  size_t body_len = len - pos;
  if (line_no != 0 && body_len == 0) {
    out.resize(3);
    put_u16be(out.data(), uint16_t(line_no));
    out[2] = code::EOL;
    return 0;
  }
  return compile_body(body, body_len, uint16_t(line_no), 0, pos, out);
}

}  // namespace

int Compile_error_pos() { return last_fail_pos; }

int Compile_text(const std::string& src, std::vector<uint8_t>& out) {
  if (src.size() > MAX_INPUT) Rpt_error(err::LINE_TOO_LONG);
  return compile_into(reinterpret_cast<const uint8_t*>(src.data()), src.size(), out);
}

int Compile_text_fn(const std::string& src, std::vector<uint8_t>& out) {
  struct Flag_guard {
    uint32_t saved = ws.Pgm_flags2 & PGM2_COMPILE_FN;
    Flag_guard() { ws.Pgm_flags2 |= PGM2_COMPILE_FN; }
    ~Flag_guard() { ws.Pgm_flags2 = (ws.Pgm_flags2 & ~PGM2_COMPILE_FN) | saved; }
  } guard;
  return Compile_text(src, out);
}

int Compile_expression(const uint8_t* src, size_t len, std::vector<uint8_t>& out) {
  if (len > MAX_INPUT) Rpt_error(err::LINE_TOO_LONG);
  last_fail_pos = 0;
  return compile_body(src, len, 0, SF_EXPR, 0, out);
}

int Compile_line() {
  if (ws.Str_len < 0) Rpt_error(err::INTERNAL_CODE);
  size_t len = size_t(ws.Str_len);
  if (len > MAX_INPUT) Rpt_error(err::LINE_TOO_LONG);
  static std::vector<uint8_t> out;  // reused: short lines compile without allocating
  int err = compile_into(ws.Str_ptr, len, out);
  uint8_t* dst = Work_take(out.size());
  std::memcpy(dst, out.data(), out.size());
  ws.Str_ptr = dst;
  ws.Str_len = int32_t(out.size());
  return err;
}
