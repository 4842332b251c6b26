// The line editor: LIST, DELETE, AUTO, EDIT, RENUMBER and console listing.
//
// RENUMBER map: one entry {old line, new line, next free number} per line of
// the range, framed by an entry for the last line before the range and one
// for the first line after it (65000 when none); both keep their numbers.
// Line references (code 7) are rewritten through the map; the program is
// only touched once every new number is known to be valid.
#include "core/hooks.h"
#include "core/editor.h"

#include <unistd.h>

#include <cctype>
#include <cstdio>
#include <cstring>
#include <vector>

#include "core/console_device.h"
#include "core/codes.h"
#include "core/exec_command.h"
#include "core/compiler.h"
#include "core/directives.h"
#include "core/errors.h"
#include "core/evaluator.h"
#include "core/line_store.h"
#include "core/lister.h"
#include "core/memory.h"
#include "core/messages.h"
#include "core/params.h"
#include "core/switches.h"
#include "core/workspace.h"
#include "core/signal_flags.h"

namespace {

constexpr int LIST_WIDTH = 79;
constexpr int PAGE_LINES = 24;  // the console's page length when it has none

int page_left = PAGE_LINES - 2;

bool stmt_end(uint8_t c) { return (Cde_tbl[c] & CC_STMT_END) != 0; }

void refuse_protected() {
  if (ws.Pgm_flags & PGM_PROTECTED) Rpt_error(err::PROTECTED);
}

// A number operand of AUTO or RENUMBER, 1..64999.
uint16_t line_operand() {
  uint8_t* p = ws.Exec_ptr;
  int32_t v;
  if (*p == code::SMALL_INT || *p == code::LINE_REF) {
    v = get_u16be(p + 1);
    ws.Exec_ptr = p + 3;
  } else {
    v = Eval_integer();
  }
  if (v < 1 || v >= LAST_LINE_NO) Rpt_error(err::OUT_OF_RANGE);
  return uint16_t(v);
}

struct Work_guard {
  uint8_t* saved = ws.Work_ptr;
  ~Work_guard() { ws.Work_ptr = saved; }
};

// Stores a compiled line (line number, statements, 255) through Add_line.
void store_compiled(const std::vector<uint8_t>& line) {
  Work_guard g;
  uint8_t* buf = Work_take(line.size());
  std::memcpy(buf, line.data(), line.size());
  ws.Str_ptr = buf;
  ws.Str_len = int32_t(line.size());
  Add_line();
}

void list_current(int flags) {
  Work_guard g;
  Decompile_Obj(flags, nullptr, 0);
  List_line(ws.Str_ptr, size_t(ws.Str_len));
}

// Lists a line as it would read with another number (RENUMBER's warning).
void list_renumbered(const Str_blk* b, uint16_t n) {
  std::vector<uint8_t> copy(b->bytes(), b->bytes() + b->len);
  put_u16be(copy.data(), n);
  std::string text = Decompile_text(copy.data(), copy.size(), 0);
  List_line(reinterpret_cast<const uint8_t*>(text.data()), text.size());
}

std::string literal_text(const uint8_t* p) {
  return std::string(reinterpret_cast<const char*>(p + 3), get_u16be(p + 1));
}

// The one-letter name of an EDIT command (C, D or R), else 0.
char edit_command(const uint8_t* p) {
  const uint8_t* name;
  int len;
  if (p[1] & 0x80) {
    const uint8_t* e = Var_name_entry((uint32_t(p[1] & 0x7F) << 8) | p[2]);
    if (!e) return 0;
    len = e[0];
    name = e + 1;
  } else {
    len = p[1];
    name = p + 2;
  }
  if (len != 1) return 0;
  char c = char(std::toupper(name[0]));
  return (c == 'C' || c == 'D' || c == 'R') ? c : 0;
}

// ---- RENUMBER ----

struct Reno_entry {
  uint16_t old_no, new_no, next_free;
};

// A remark line (after an optional label) whose text starts with a number:
// "[^]N[,S]".
struct Steering {
  bool present = false;
  bool round_up = false;
  uint32_t number = 0;
  uint32_t step = 0;
};

Steering remark_steering(const Str_blk* b) {
  Steering s;
  const uint8_t* p = b->bytes() + 2;
  const uint8_t* end = b->bytes() + b->len;
  if (p < end && *p == code::LABEL) {
    p += Item_size(p, end);
    if (p < end && *p == code::LABEL_END) p++;
    if (p < end && *p == code::STMT_SEP) p++;
  }
  if (p >= end || (*p != code::D_REM && *p != code::D_COMMENT)) return s;
  p++;
  if (p < end && *p == '^') {
    s.round_up = true;
    p++;
  }
  if (p >= end || !std::isdigit(*p)) return s;
  while (p < end && std::isdigit(*p)) {
    s.number = s.number * 10 + uint32_t(*p++ - '0');
    if (s.number > 1000000) s.number = 1000000;
  }
  s.present = true;
  if (p + 1 < end && *p == ',' && std::isdigit(p[1])) {
    p++;
    while (p < end && std::isdigit(*p)) {
      s.step = s.step * 10 + uint32_t(*p++ - '0');
      if (s.step > 1000000) s.step = 1000000;
    }
  }
  return s;
}

[[noreturn]] void reno_fail(uint16_t old_no) {
  char buf[80];
  std::snprintf(buf, sizeof buf, "Unable to process line %d  - Program unchanged", int(old_no));
  Rpt_error_text(err::LINE_NOT_PROCESSED, buf);
}

uint16_t reno_cnv(const std::vector<Reno_entry>& map, uint16_t lo_bound, uint16_t hi_bound,
                  uint16_t v) {
  if (v < lo_bound || v > hi_bound) return v;
  // map[0].old_no < lo_bound <= v <= hi_bound < map.back().old_no
  size_t a = 0, b = map.size() - 1;
  while (b - a > 1) {
    size_t m = (a + b) / 2;
    if (map[m].old_no <= v) a = m;
    else b = m;
  }
  if (map[a].old_no == v) return map[a].new_no;
  uint16_t lo = map[a].new_no, hi = map[b].new_no;
  if (lo < v && v < hi) return v;
  if (hi - lo >= 2) return uint16_t(lo + (hi - lo) / 2);
  return map[a].next_free;
}

void reno_refs(Str_blk* b, const std::vector<Reno_entry>& map, uint16_t lo, uint16_t hi) {
  uint8_t* p = b->bytes() + 2;
  uint8_t* end = b->bytes() + b->len;
  while (p < end) {
    uint8_t c = *p;
    if (c == code::END_SCAN || c == code::EOL || c == code::D_REM || c == code::D_COMMENT ||
        c == code::D_TABLE)
      break;
    if (c == code::LINE_REF && p + 3 <= end) put_u16be(p + 1, reno_cnv(map, lo, hi, get_u16be(p + 1)));
    p += Item_size(p, end);
  }
}

}  // namespace

// ---- listing ----

// A page holds the console's page length less 2 lines.
void List_page_start() {
  int lines = Con_lines();
  page_left = (lines > 2 ? lines : PAGE_LINES) - 2;
}

int List_Continue() {
  if (!isatty(1)) return 0;
  if (--page_left > 0) return 0;
  std::string prompt = Msg_text(MSG_PAGE_STOP);
  if (Con_column() != 0) Con_newline();
  Con_puts(prompt.c_str());
  // One key: the escape key (or an interrupt) stops the listing, any
  // other goes on.
  int key = Con_read_key();
  List_page_start();
  if (Con_column() != 0) Con_newline();
  if (key < 0 || key == 27 || (Run_flags_now() & RF_ESCAPE)) return 1;
  return 0;
}

int List_line(const uint8_t* t, size_t len) {
  size_t w = 0;
  while (w < len && w < 5 && std::isdigit(t[w])) w++;
  std::string number(reinterpret_cast<const char*>(t), w);
  if (List_Continue()) return 1;
  int col = 0;
  size_t i = 0;
  while (i < len) {
    uint8_t c = t[i];
    if (c == '\n') {
      Con_newline();
      if (List_Continue()) return 1;
      std::string lead(w, ' ');
      lead += ':';
      Con_puts(lead.c_str());
      col = int(w) + 1;
      i++;
      continue;
    }
    if (c == 27 && i + 2 < len) {  // an embedded mnemonic takes no column
      Con_write(t + i, 3);
      i += 3;
      continue;
    }
    if ((c & 0xC0) == 0x80) {  // UTF-8 continuation byte: same column
      Con_write(&c, 1);
      i++;
      continue;
    }
    int adv = c == '\t' ? 8 - col % 8 : 1;
    if (col + adv > LIST_WIDTH) {
      Con_newline();
      if (List_Continue()) return 1;
      std::string lead = number + ":";
      Con_puts(lead.c_str());
      col = int(w) + 1;
      if (c == '\t') adv = 8 - col % 8;
    }
    Con_write(&c, 1);
    col += adv;
    i++;
  }
  Con_newline();
  return 0;
}

void Exec_list() { list_current(ws.Prm.LE ? LST_EDIT_LAYOUT : 0); }

// ---- LIST ----

void d_list() {
  refuse_protected();
  uint8_t*& p = ws.Exec_ptr;
  int flags = ws.Prm.LE ? LST_EDIT_LAYOUT : 0;
  if (*p == code::LPAREN) {
    // LIST (ch): the lines as text rows on the channel, unwrapped.
    Core_hook.list_channel_begin();
    if (*p == code::D_EDIT) {
      p++;
      flags |= LST_EDIT_LAYOUT;
    }
    uint16_t first, last;
    Get_range(first, last);
    if (*p == code::NUM_VAR || *p == code::STR_VAR) Rpt_error(err::LABEL_NOT_FOUND);
    for (uint16_t n = Find_line(first); n <= last && n < LAST_LINE_NO; n = Next_line(n)) {
      Work_guard g;
      Decompile_Obj(flags, nullptr, 0);
      Core_hook.list_channel_line(ws.Str_ptr, ws.Str_len);
      Find_line(n);  // printing may have moved the line store's cursor
    }
    return;
  }
  if (*p == code::D_EDIT) {
    p++;
    flags |= LST_EDIT_LAYOUT;
  }
  if (*p >= code::IOPT_FIRST && *p <= code::IOPT_LAST) Rpt_error(err::SYNTAX);
  uint16_t first, last;
  Get_range(first, last);
  if (*p == code::NUM_VAR || *p == code::STR_VAR) Rpt_error(err::LABEL_NOT_FOUND);
  List_page_start();
  for (uint16_t n = Find_line(first); n <= last && n < LAST_LINE_NO; n = Next_line(n)) {
    Work_guard g;
    Decompile_Obj(flags, nullptr, 0);
    if (List_line(ws.Str_ptr, size_t(ws.Str_len))) break;
  }
}

// ---- DELETE ----

void d_dele() {
  uint8_t* p = ws.Exec_ptr;
  if (*p == code::PREFIX2) {
    if (p[1] != 64 || !Delete_object_hook) Rpt_error(err::SYNTAX);
    ws.Exec_ptr = p + 2;
    Delete_object_hook();
    return;
  }
  if (stmt_end(*p)) {
    Clr_lines();
    return;
  }
  refuse_protected();
  uint16_t first, last;
  Get_range(first, last);
  Delete_lines(first, last);
}

// ---- AUTO ----

void d_auto() {
  refuse_protected();
  uint16_t start = 10, step = 10;
  if (!stmt_end(*ws.Exec_ptr)) {
    start = line_operand();
    if (*ws.Exec_ptr == code::COMMA) {
      ws.Exec_ptr++;
      step = line_operand();
    }
  }
  ws.Auto_line = start;
  ws.Auto_step = step;
  ws.Cmd_flags |= CMD_AUTO;
}

bool Auto_next(std::string& prefix) {
  if (!(ws.Cmd_flags & CMD_AUTO)) return false;
  if (ws.Auto_line >= LAST_LINE_NO) {
    ws.Cmd_flags &= ~uint32_t(CMD_AUTO);
    ws.Auto_line = LAST_LINE_NO;
    return false;
  }
  char buf[8];
  Output_stno(ws.Auto_line, buf);
  prefix = std::string(buf) + " ";
  return true;
}

// ---- EDIT ----

void Edit_script::apply(const Edit_step& step) {
  if (step.op == 0) {
    out_ += step.text;
    return;
  }
  if (step.op == 'R') {
    if (step.text.size() > line_.size() - pos_) Rpt_error(err::REPLACEMENT_TOO_LONG);
    out_ += step.text;
    pos_ += step.text.size();
    return;
  }
  size_t at = line_.find(step.text, pos_);
  if (at == std::string::npos) Rpt_error(err::TEXT_NOT_FOUND);
  size_t upto = at + step.text.size();
  if (step.op == 'C') out_ += line_.substr(pos_, upto - pos_);
  pos_ = upto;
}

void d_edit() {
  refuse_protected();
  uint8_t*& p = ws.Exec_ptr;
  uint16_t n = ws.Last_entered;
  if (Is_line_ref(*p)) n = Get_stno();
  if (n == 0 || Find_line(n) != n) Rpt_error(err::LINE_NUMBER_RANGE);
  std::string listed;
  {
    Work_guard g;
    Decompile_Obj(0, nullptr, 0);
    listed.assign(reinterpret_cast<const char*>(ws.Str_ptr), size_t(ws.Str_len));
  }
  if (stmt_end(*p)) {
    // Editing the line in place needs the terminal line editor; until then
    // the line is shown so that it can be typed again.
    List_page_start();
    List_line(reinterpret_cast<const uint8_t*>(listed.data()), listed.size());
    return;
  }
  Edit_script script(listed);
  while (!stmt_end(*p)) {
    uint8_t c = *p;
    if (c == code::COMMA) {
      p++;
    } else if (c == code::STR_LIT) {
      script.apply({0, literal_text(p)});
      p += 3 + get_u16be(p + 1);
    } else if (c == code::NUM_VAR) {
      char op = edit_command(p);
      if (!op) Rpt_error(err::BAD_EDIT_COMMAND);
      p += (p[1] & 0x80) ? 3 : 2 + p[1];
      if (*p != code::STR_LIT) Rpt_error(err::BAD_EDIT_COMMAND);
      script.apply({op, literal_text(p)});
      p += 3 + get_u16be(p + 1);
    } else {
      Rpt_error(err::BAD_EDIT_COMMAND);
    }
  }
  std::vector<uint8_t> line;
  int err = Compile_text(script.result(), line);
  if (line.size() < 3 || get_u16be(line.data()) == 0) Rpt_error(err == 21 ? err::LINE_NUMBER_RANGE : err::LINE_NUMBER_REQUIRED);
  uint16_t stored = get_u16be(line.data());
  store_compiled(line);
  if (Find_line(stored) == stored) {
    List_page_start();
    list_current(0);
  }
  if (err) Rpt_error(err);
}

// ---- console find and replace ----
//
// The compiled console line (its line number, 0 or not, is where the search
// starts):
//   9 text [39 9 new] 255          the next line holding text, wrapping once
//   37 7 n 9 text [39 9 new] 255   line n only
//   47 9 text [39 9 new] 255       every line from there to the end
// An empty text stands for the remembered one.  Lines are searched as they
// list, from the statement text after the line number, case-blind with
// system parameter IC; nothing found is error 71.

namespace {

std::string bracket_operand(const uint8_t*& p) {
  if (*p != code::BRACKET_TEXT) Rpt_error(err::INTERNAL_CODE);
  size_t n = get_u16be(p + 1);
  std::string text(reinterpret_cast<const char*>(p + 3), n);
  p += 3 + n;
  return text;
}

// Offset of the first occurrence of needle in hay at or after from.
size_t find_text(const std::string& hay, const std::string& needle, size_t from, bool blind) {
  if (!blind) return hay.find(needle, from);
  for (size_t i = from; i + needle.size() <= hay.size(); i++) {
    size_t k = 0;
    while (k < needle.size() && Uppercs[uint8_t(hay[i + k])] == Uppercs[uint8_t(needle[k])]) k++;
    if (k == needle.size()) return i;
  }
  return std::string::npos;
}

// The listed text of the current line, split after the line number and its
// blank: the search looks at the statements only.
struct Listed {
  std::string text;
  size_t body = 0;
};

Listed list_line_text() {
  Listed l;
  l.text = Decompile_text(ws.Str_ptr, size_t(ws.Str_len), 0);
  while (l.body < l.text.size() && std::isdigit(uint8_t(l.text[l.body]))) l.body++;
  if (l.body < l.text.size() && l.text[l.body] == ' ') l.body++;
  return l;
}

int list_text(const std::string& text) {
  return List_line(reinterpret_cast<const uint8_t*>(text.data()), text.size());
}

// Replaces every occurrence in the listed line, stores the result and lists
// it.  A result that does not compile is stored as its text and its error
// shown; the search goes on.  Non-zero when the listing was stopped.
int replace_in_line(const Listed& l, const std::string& find, const std::string& repl, bool blind) {
  std::string out = l.text.substr(0, l.body);
  size_t at = l.body;
  for (;;) {
    size_t hit = find_text(l.text, find, at, blind);
    if (hit == std::string::npos) break;
    out.append(l.text, at, hit - at);
    out += repl;
    at = hit + find.size();
  }
  out.append(l.text, at, std::string::npos);
  std::vector<uint8_t> line;
  int err = Compile_text(out, line);
  if (line.size() < 3) Rpt_error(err ? err : err::INTERNAL_CODE);
  uint16_t stored = get_u16be(line.data());
  store_compiled(line);
  ws.Go_cache_ref = 0;
  int stop = 0;
  if (Find_line(stored) == stored) {
    Work_guard g;
    Decompile_Obj(0, nullptr, 0);
    stop = List_line(ws.Str_ptr, size_t(ws.Str_len));
  }
  if (err) Disp_error(err);
  return stop;
}

}  // namespace

void Exec_edit() {
  refuse_protected();
  const uint8_t* p = ws.Str_ptr;
  uint16_t from = get_u16be(p);
  p += 2;
  enum { NEXT, ONE_LINE, TO_END } form = NEXT;
  uint16_t only = 0;
  if (*p == code::COMMA) {
    form = ONE_LINE;
    p++;
    if (*p != code::LINE_REF) Rpt_error(err::LINE_NUMBER_RANGE);
    only = get_u16be(p + 1);
    p += 3;
  } else if (*p == code::OP_MUL) {
    form = TO_END;
    p++;
  }
  std::string find = bracket_operand(p);
  bool replacing = *p == code::OP_EQ;
  std::string repl;
  if (replacing) {
    p++;
    repl = bracket_operand(p);
  }
  if (*p != code::EOL) Rpt_error(err::SYNTAX);

  if (find.empty()) {
    find.assign(reinterpret_cast<const char*>(ws.Find_text), ws.Find_len);
    if (find.empty()) Rpt_error(err::TEXT_NOT_FOUND);  // nothing to look for yet
  } else {
    if (find.size() > FIND_TEXT_MAX) Rpt_error(err::STRING_LENGTH);
    std::memcpy(ws.Find_text, find.data(), find.size());
    ws.Find_len = uint16_t(find.size());
  }
  bool blind = Sw_on(sw::IC);
  List_page_start();

  // Tests the current line; lists or changes it when it matches.  0: no
  // match, 1: done, 2: done and the listing was stopped.
  auto visit = [&](uint16_t n) {
    Listed l = list_line_text();
    if (find_text(l.text, find, l.body, blind) == std::string::npos) return 0;
    ws.Find_stno = n;
    int stop = replacing ? replace_in_line(l, find, repl, blind) : list_text(l.text);
    return stop ? 2 : 1;
  };

  if (form == ONE_LINE) {
    if (only == 0 || Find_line(only) != only) Rpt_error(err::LINE_NUMBER_RANGE);
    if (!visit(only)) Rpt_error(err::TEXT_NOT_FOUND);
    return;
  }
  if (form == TO_END) {
    bool any = false;
    for (uint16_t n = Find_line(from); n < LAST_LINE_NO; n = Find_line(uint32_t(n) + 1)) {
      int r = visit(n);
      if (r) any = true;
      if (r == 2) break;
    }
    if (!any) Rpt_error(err::TEXT_NOT_FOUND);
    return;
  }
  // From the line given, else after the last line found; once round.
  uint16_t start = from != 0 ? from : uint16_t(ws.Find_stno + 1);
  for (uint16_t n = Find_line(start); n < LAST_LINE_NO; n = Find_line(uint32_t(n) + 1))
    if (visit(n)) return;
  for (uint16_t n = First_line(); n < start && n < LAST_LINE_NO; n = Find_line(uint32_t(n) + 1))
    if (visit(n)) return;
  Rpt_error(err::TEXT_NOT_FOUND);
}

// ---- RENUMBER ----

void d_reno() {
  refuse_protected();
  // Frames hold line numbers and cursors into the lines about to change.
  if (ws.Ctl_depth > 0) Rpt_error(err::LINE_IN_USE);
  uint8_t*& p = ws.Exec_ptr;
  uint16_t start = 10, step = 10, first = 1, last = LAST_LINE_NO - 1;
  if (!stmt_end(*p)) {
    start = line_operand();
    if (*p == code::COMMA) {
      p++;
      if (!stmt_end(*p) && *p != code::COMMA) step = line_operand();
      if (*p == code::COMMA) {
        p++;
        Get_range(first, last);
      }
    }
  }
  Core_hook.image_own_lines();  // a loaded image gets lines of its own first
  Console_breaks_clear();

  std::vector<Str_blk*> lines;
  for (Str_blk* b = Edit_head(); b->link; b = b->link) lines.push_back(b);
  size_t i0 = 0;
  while (i0 < lines.size() && get_u16be(lines[i0]->bytes()) < first) i0++;
  size_t i1 = i0;
  while (i1 < lines.size() && get_u16be(lines[i1]->bytes()) <= last) i1++;
  if (i0 == i1) return;

  uint16_t before = i0 > 0 ? get_u16be(lines[i0 - 1]->bytes()) : 0;
  uint16_t after = i1 < lines.size() ? get_u16be(lines[i1]->bytes()) : LAST_LINE_NO;
  std::vector<Reno_entry> map;
  map.reserve(i1 - i0 + 2);
  map.push_back({before, before, before});
  uint32_t next = start, cur_step = step, prev = before;
  bool keep_old = false;
  for (size_t i = i0; i < i1; i++) {
    uint16_t old_no = get_u16be(lines[i]->bytes());
    Steering s = remark_steering(lines[i]);
    if (s.present) {
      if (s.number == 0) {
        keep_old = true;
      } else if (s.round_up) {
        keep_old = false;
        next = (next + s.number - 1) / s.number * s.number;
      } else if (s.number < LAST_LINE_NO && s.number > prev) {
        keep_old = false;
        next = s.number;
      } else {
        uint32_t would = keep_old ? old_no : next;
        list_renumbered(lines[i], uint16_t(would > LAST_LINE_NO ? LAST_LINE_NO : would));
      }
      if (s.step > 0) cur_step = s.step;
    }
    uint32_t new_no = keep_old ? old_no : next;
    if (new_no > LAST_LINE_NO) new_no = LAST_LINE_NO;
    // A new number must stay between the lines around the range: lines are
    // never moved past one another, nor onto a line outside the range.
    if (new_no >= LAST_LINE_NO || new_no <= prev || new_no >= after) reno_fail(old_no);
    uint32_t free_no = new_no + cur_step;
    map.push_back({old_no, uint16_t(new_no),
                   uint16_t(free_no > LAST_LINE_NO ? LAST_LINE_NO : free_no)});
    prev = new_no;
    next = new_no + cur_step;
  }
  map.push_back({after, after, after});

  for (Str_blk* b : lines) reno_refs(b, map, first, last);
  for (size_t i = i0; i < i1; i++) put_u16be(lines[i]->bytes(), map[i - i0 + 1].new_no);
  auto moved = [&](uint16_t n) {
    if (n >= first && n <= last && n != 0) {
      for (const Reno_entry& e : map)
        if (e.old_no == n) return e.new_no;
    }
    return n;
  };
  ws.Stop_stno = moved(ws.Stop_stno);
  ws.Last_entered = moved(ws.Last_entered);
  if (ws.Cur_stno) ws.Cur_stno = moved(ws.Cur_stno);
  ws.Cur_edit_blk = nullptr;
  ws.Cur_line_rec = nullptr;
  ws.Cur_line_no = 0;
  ws.Pgm_flags |= PGM_CHANGED;
  ws.Pgm_flags &= ~4u;
}
