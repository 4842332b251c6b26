// MERGE and the text form of programs: lines read from a text file are
// compiled and stored into the current program.
//
// Text form: one program line per text line, numbered ("10 PRINT X") or,
// for a program without line numbers, not ("PRINT X": numbered while read,
// by parameter AI or, with UL, by the line's position).  A line continues
// with the next one when it ends with "\" (removed) or ";" (kept), and in
// numbered text also when the next line does not begin with a letter or a
// digit (an indented line, or a ":" row of a wrapped listing); the
// continuation is appended without its leading blanks, its first ":" turned
// into a blank.  A first line "**Password**:" and 16 hexadecimal digits
// carries the protection key of a protected program.
#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <string>

#include "core/codes.h"
#include "core/compiler.h"
#include "core/directives.h"
#include "core/errors.h"
#include "core/file_trust.h"
#include "core/evaluator.h"
#include "core/host.h"
#include "core/line_store.h"
#include "core/memory.h"
#include "core/params.h"
#include "core/switches.h"
#include "core/workspace.h"
#include "channels/channel.h"
#include "programs/load_channel.h"
#include "programs/program_protect.h"
#include "programs/program_channel.h"
#include "programs/program_crypt.h"
#include "programs/program_file.h"
#include "programs/program_list.h"
#include "programs/program_load.h"
#include "programs/objects.h"

namespace {

// Where program text comes from: rows one at a time.
class Row_source {
 public:
  virtual ~Row_source() = default;
  virtual bool next(std::string& line) = 0;
};

// Rows of a channel (Read_next_line), copied out of its buffer.
class Line_reader : public Row_source {
 public:
  explicit Line_reader(Fcb* f) : f_(f) {}
  bool next(std::string& line) override {
    uint8_t* work = ws.Work_ptr;
    bool got = Read_next_line(f_, nullptr) == 0;
    if (got) line.assign(reinterpret_cast<const char*>(ws.Str_ptr), size_t(ws.Str_len));
    else line.clear();
    ws.Work_ptr = work;
    return got;
  }

 private:
  Fcb* f_;
};

size_t skip_blanks(const std::string& s) {
  size_t i = 0;
  while (i < s.size() && (s[i] == ' ' || s[i] == '\t')) i++;
  return i;
}

// Rows of text held in memory ("\n" ends a row; a "\r" and a ^Z before it
// are dropped, as Read_next_line does).
class Text_rows : public Row_source {
 public:
  explicit Text_rows(const std::string& t) : t_(t) {}
  bool next(std::string& line) override {
    if (at_ >= t_.size()) return false;
    size_t e = t_.find('\n', at_);
    if (e == std::string::npos) e = t_.size();
    line.assign(t_, at_, e - at_);
    at_ = e + 1;
    if (!line.empty() && line.back() == '\r') line.pop_back();
    if (!line.empty() && line.back() == 26) line.pop_back();
    return true;
  }

 private:
  const std::string& t_;
  size_t at_ = 0;
};

bool is_digit(char c) { return c >= '0' && c <= '9'; }
bool is_letter(char c) { return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z'); }
bool blank(const std::string& s) { return skip_blanks(s) == s.size(); }

// A dry run counts the lines and those that do not compile, and stores
// nothing.
struct Text_check {
  int lines = 0;
  int failed = 0;
};

// Compiles the text and stores it as a program line (a text that does not
// compile is stored as its source, as at the console).  Returns the line's
// first code (0 for a line that did not compile).
uint8_t store_line(const std::string& text, Text_check* dry) {
  struct Restore {
    uint8_t* w = ws.Work_ptr;
    uint32_t con = ws.Con_flags & CON_MODE;
    ~Restore() {
      ws.Work_ptr = w;
      ws.Con_flags |= con;
    }
  } restore;
  uint8_t* buf = Work_take(text.size() + 1);
  std::memcpy(buf, text.data(), text.size());
  buf[text.size()] = 0;
  ws.Str_ptr = buf;
  ws.Str_len = int32_t(text.size());
  ws.Con_flags &= ~uint32_t(CON_MODE);  // an unterminated string is an error in a file
  int err = Compile_line();
  if (ws.Str_len < 3 || get_u16be(ws.Str_ptr) == 0) Rpt_error(err::LINE_NUMBER_RANGE);
  const uint8_t first = err == 0 ? ws.Str_ptr[2] : 0;
  if (dry) {
    dry->lines++;
    if (err != 0) dry->failed++;
    return first;
  }
  Add_line();
  return first;
}

// Appends a continuation row: without its leading blanks, its first ":"
// made a blank.
void append_row(std::string& text, const std::string& row) {
  std::string rest = row.substr(skip_blanks(row));
  if (!rest.empty() && rest[0] == ':') rest[0] = ' ';
  text += rest;
}

// The rows of the source as program lines; stop_at_end: the merge ends
// after a line whose first code is END (an indexed source).
int merge_rows(Row_source& in, Text_check* dry, bool stop_at_end = false) {
  std::string cur;
  int position = 0;  // the row's position in the text (UL), blank rows counted
  do {
    if (!in.next(cur)) return 0;
    position++;
  } while (blank(cur));
  uint8_t key[8];
  bool protect = false;
  if (cur.size() == PASSWORD_LINE_LEN && cur.compare(0, sizeof PASSWORD_MARK - 1, PASSWORD_MARK) == 0) {
    if (!Prg_password_key(cur.data(), cur.size(), key)) Rpt_error(err::BAD_FORMAT);
    protect = true;
    do {
      if (!in.next(cur)) return 0;
      position++;
    } while (blank(cur));
  }
  bool numbered = is_digit(cur[skip_blanks(cur)]);
  if (!numbered && !dry) ws.Pgm_flags2 |= PGM2_NO_NUMBERS;
  uint32_t number = 0;  // text without numbers: the number given last
  int added = 0;
  bool have = true;
  while (have) {
    if (blank(cur)) {
      have = in.next(cur);
      position++;
      continue;
    }
    int line_pos = position;
    std::string text = cur.substr(skip_blanks(cur));
    // A ":" row that no line before it took as its continuation.
    if (text[0] == ':' || numbered != is_digit(text[0])) Rpt_error(err::LINE_NUMBER_RANGE);
    have = false;
    for (;;) {
      size_t end = text.find_last_not_of(" \t");
      char tail = end == std::string::npos ? 0 : text[end];
      if (tail == '\\' || tail == ';') {
        if (tail == '\\') text.erase(end);
        std::string row;
        bool got = false;
        while (in.next(row)) {
          position++;
          if (!blank(row)) {
            got = true;
            break;
          }
        }
        if (!got) break;  // at the end of the file the line stands alone
        append_row(text, row);
        continue;
      }
      if (!in.next(cur)) break;
      position++;
      // Numbered text: a row that does not begin with a letter or a digit
      // continues the line; text without numbers: a row beginning ":".
      bool cont = numbered ? !cur.empty() && !blank(cur) && !is_letter(cur[0]) && !is_digit(cur[0])
                           : !blank(cur) && cur[skip_blanks(cur)] == ':';
      if (!cont) {
        have = true;
        break;
      }
      append_row(text, cur);
    }
    if (!numbered) {
      if (number >= LAST_LINE_NO) Rpt_error(err::LINE_NUMBER_RANGE);
      uint32_t n = Sw_on(sw::UL) ? uint32_t(line_pos) : number + prmblk.AI;
      if (n >= LAST_LINE_NO || n == 0) Rpt_error(err::LINE_NUMBER_RANGE);
      number = n;
      text = std::to_string(n) + " " + text;
    }
    const uint8_t first = store_line(text, dry);
    added++;
    if (stop_at_end && first == code::D_END) break;
  }
  if (protect && !dry) {
    // Protected once every line is in: a protected program takes no lines.
    std::memcpy(Pgm_text_own().key, key, 8);
    ws.Pgm_flags |= PGM_PROTECTED | PGM_ENCIPHERED;
    if (Prg_key_given(key)) ws.Pgm_flags &= ~uint32_t(PGM_PROTECTED);  // PASSWORD gave its key
  }
  return added;
}

// Bytes that never stand in program text: control characters other than
// tab, line and form feed, carriage return and ^Z.
bool binary_bytes(const std::string& t) {
  for (unsigned char c : t)
    if ((c < 32 && c != '\t' && c != '\n' && c != '\r' && c != '\f' && c != 26) || c == 127) return true;
  return false;
}

}  // namespace

int Merge_channel(Fcb* f) {
  if (f->kind != FK_SERIAL && f->kind != FK_INDEXED && f->kind != FK_MEMORY) Rpt_error(err::WRONG_FILE_KIND);
  Line_reader in(f);
  return merge_rows(in, nullptr, f->kind == FK_INDEXED);
}

void Check_program_text(const std::string& path) {
  constexpr int64_t TEXT_MAX = 16 << 20;
  Refuse_unless_regular(path);
  int fd = Open(path.c_str(), O_RDONLY, Open_opts{});
  if (fd < 0) Sys_error();
  struct Fd_guard {
    int fd;
    ~Fd_guard() { Close(fd); }
  } guard{fd};
  std::string text;
  char buf[65536];
  for (;;) {
    ssize_t n = ::read(fd, buf, sizeof buf);
    if (n < 0) {
      if (errno == EINTR) continue;
      Sys_error();
    }
    if (n == 0) break;
    if (binary_bytes(std::string(buf, size_t(n)))) {
      Set_ext_error("not a program: the file holds binary data");
      Rpt_error(err::WRONG_FILE_KIND);
    }
    if (int64_t(text.size()) + n > TEXT_MAX) {
      Set_ext_error("not a program: a text of more than 16 MB");
      Rpt_error(err::WRONG_FILE_KIND);
    }
    text.append(buf, size_t(n));
  }
  Text_rows rows(text);
  Text_check check;
  merge_rows(rows, &check);
  // Program text may hold a line that does not compile (it is kept as its
  // source); a text most of whose lines do not is no program.
  if (check.lines > 0 && check.failed * 2 > check.lines) {
    Set_ext_error("not a program: " + std::to_string(check.failed) + " of " + std::to_string(check.lines) +
                  " lines do not compile");
    Rpt_error(err::WRONG_FILE_KIND);
  }
}

int Exec_merge() {
  Fcb* f = Text_source();
  if (!f) Rpt_error(err::WRONG_MODE);
  return Merge_channel(f);
}

// MERGE name [, ERR=line] | MERGE channel: program lines in text form into
// the program.
void d_merg() {
  if (ws.Exec_ptr[0] == code::PREFIX2 && ws.Exec_ptr[1] == 64) {  // MERGE OBJECT a, b
    ws.Exec_ptr += 2;
    Oop_MergeProp();
    return;
  }
  if (*ws.Exec_ptr == code::PREFIX2 || *ws.Exec_ptr == code::OBJ_REF) Rpt_error(err::SYNTAX);
  if (ws.Pgm_flags & PGM_PROTECTED) Rpt_error(err::NOT_ACCESSIBLE);
  ws.Stmt_save = ws.Exec_ptr;  // the statement's ERR= takes the errors of the name too
  Eval_formula();
  ws.Stmt_save = nullptr;
  if (ws.Str_len < 0) {
    // An open channel.
    int32_t chan = To_integer(ws.Num_acc);
    if (*ws.Exec_ptr == code::COMMA && ws.Exec_ptr[1] == code::IOPT_FIRST + 4) ws.Exec_ptr++;
    Chk_err();
    Fcb* f = chan >= 0 && chan <= 65000 ? Find_fp(uint16_t(chan)) : nullptr;
    if (!f) Rpt_error(err::CHANNEL_STATE);
    Merge_channel(f);
    return;
  }
  std::string name(reinterpret_cast<const char*>(ws.Str_ptr), size_t(ws.Str_len));
  if (*ws.Exec_ptr == code::COMMA && ws.Exec_ptr[1] == code::IOPT_FIRST + 4) ws.Exec_ptr++;
  Chk_err();
  Scratch_guard chan;
  chan.f = Open_scratch(name, false);
  Merge_channel(chan.f);
}
