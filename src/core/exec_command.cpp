// One command line: compiled, then stored as a numbered program line, edited,
// or run at once (Exec_command); nested runs of compiled code that stay
// until the code stops (ProcessExecLine, InternalExecLine).  A nested run
// that stops at the console reads console lines through the console's own
// reader in src/app (Core_hook.console_command).
#include "core/exec_command.h"

#include <sys/stat.h>

#include <algorithm>
#include <cstring>
#include <string>

#include "core/console_device.h"
#include "core/codes.h"
#include "core/compiler.h"
#include "core/editor.h"
#include "core/errors.h"
#include "core/executor.h"
#include "core/hooks.h"
#include "core/line_store.h"
#include "core/memory.h"
#include "core/messages.h"
#include "core/nested_run.h"
#include "core/workspace.h"

namespace {

// Restores the saved work pointer and clears console mode on every way out.
struct Exec_line_guard {
  uint8_t* work;
  ~Exec_line_guard() {
    ws.Work_ptr = work;
    ws.Con_flags &= ~uint32_t(CON_MODE);
  }
};

// The text shown after a compile error: up to 10 characters of the source.
void show_compile_error(int err, const uint8_t* src, size_t len, bool ignored) {
  std::string text = Msg_text(err);
  text += " ...";
  size_t n = len < 10 ? len : 10;
  text.append(reinterpret_cast<const char*>(src), n);
  if (n < len) text += "...";
  if (ignored) text += " <ignored>";
  if (Con_column() != 0) Con_newline();
  Con_write(text.data(), text.size());
  Con_newline();
}

// The RUN a breakpoint command runs after setting its breakpoint.
uint8_t RunCommand[] = {0, 0, code::D_RUN, code::EOL};

}  // namespace

// ">" alone removes every breakpoint, "> -n" the one on line n; "> n" sets
// one and runs, "> +n" only sets it (a second "+" on the same line is error
// 56).  At most ten; a line that does not exist is error 21.
void Console_breaks_clear() {
  ws.Brk_count = 0;
  ws.Brk_hit_line = 0;
  ws.Brk_hit_ptr = nullptr;
  ws.Run_flags &= ~uint32_t(RF_BREAKPOINTS);
}

void Breakpoint_command(const uint8_t* p) {
  if (*p == code::EOL) {
    Console_breaks_clear();
    return;
  }
  uint8_t sign = 0;
  if (*p == code::OP_SUB || *p == code::OP_ADD) sign = *p++;
  if (*p != code::LINE_REF) Rpt_error(err::LINE_NUMBER_RANGE);
  uint16_t want = get_u16be(p + 1);
  uint16_t n = Find_line(want);
  if (n != want || n >= LAST_LINE_NO) Rpt_error(err::LINE_NUMBER_RANGE);
  int at = -1;
  for (int i = 0; i < ws.Brk_count; ++i)
    if (ws.Brk_lines[i] == n) at = i;
  if (sign == code::OP_SUB) {
    if (at < 0) Rpt_error(err::LINE_NUMBER_RANGE);
    ws.Brk_lines[at] = ws.Brk_lines[--ws.Brk_count];  // the last entry fills the gap
    if (ws.Brk_count == 0) ws.Run_flags &= ~uint32_t(RF_BREAKPOINTS);
    return;
  }
  if (sign == code::OP_ADD && at >= 0) Rpt_error(err::BREAKPOINT_SET);
  if (at < 0) {
    if (ws.Brk_count >= 10) Rpt_error(err::LINE_NUMBER_RANGE);
    ws.Brk_lines[ws.Brk_count++] = n;
  }
  ws.Run_flags |= RF_BREAKPOINTS;
  if (sign == code::OP_ADD) return;
  ws.Exec_ptr = ws.Stmt_ptr = RunCommand + 2;
  ws.Cur_stno = 0;
  Exec_line();
}

// A console line that did not compile may name a console command program:
// "word rest" runs CALL "*cmd/word","rest" (or "*cmd/system/word") when the
// library's "_cmd" directory holds that file.  Returns 0 when the line was
// replaced by the compiled CALL, else the error.
int Check_cmd(int err) {
  const uint8_t* line = ws.Str_ptr;
  if (ws.Str_len < 4) return err;
  size_t len = size_t(ws.Str_len) - 3;
  const uint8_t* src = line + 3;
  if (len > 0 && src[len - 1] == code::EOL) --len;
  bool ctl_cmd = ws.Ctl_value >= -3999 && ws.Ctl_value <= -3001;
  if (!ctl_cmd) {
    if (line[2] != 0 || len == 0) return err;
    uint8_t c = src[0];
    if (!((c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z'))) return err;
  } else if (line[2] != 0) {
    return err;
  }
  size_t w = 0;
  while (w < len && src[w] >= 33 && src[w] <= 254) ++w;
  if (w == 0) return err;
  std::string word;
  for (size_t i = 0; i < w; ++i) word += char(Lowercs[src[i]]);
  std::string lib = Lib_dir_path();
  if (lib.empty()) return err;
  auto is_file = [](const std::string& path) {
    struct stat st;
    return ::stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode);
  };
  std::string name;
  if (is_file(lib + "/_cmd/" + word)) name = "*cmd/" + word;
  else if (is_file(lib + "/_cmd/system/" + word)) name = "*cmd/system/" + word;
  else return err;
  // The rest of the line, without the blanks that part it from the word.
  size_t r = w;
  while (r < len && (src[r] == ' ' || src[r] == '\t')) ++r;
  std::string rest(reinterpret_cast<const char*>(src + r), len - r);
  if (name.size() > 65535 || rest.size() > 65535) return err;
  size_t size = 3 + 3 + name.size() + (rest.empty() ? 0 : 4 + rest.size()) + 1;
  uint8_t* out = Work_take(size);
  uint8_t* p = out;
  *p++ = 0;
  *p++ = 0;
  *p++ = code::D_CALL;
  auto literal = [&p](const std::string& t) {
    *p++ = code::STR_LIT;
    *p++ = uint8_t(t.size() >> 8);
    *p++ = uint8_t(t.size());
    std::memcpy(p, t.data(), t.size());
    p += t.size();
  };
  literal(name);
  if (!rest.empty()) {
    *p++ = code::COMMA;
    literal(rest);
  }
  *p++ = code::EOL;
  ws.Str_ptr = out;
  ws.Str_len = int32_t(p - out);
  return 0;
}

namespace {

// A CALL on a line without a number ends the line: the called program
// returns to the prompt, so a statement after it would never run.  True
// when one follows (remarks aside).
bool statements_after_call(const uint8_t* line, size_t len) {
  const uint8_t* end = line + len;
  bool call = false;
  for (const uint8_t* p = line + 2; p < end;) {
    uint8_t c = *p;
    if (c == code::EOL || c == code::END_SCAN || c == code::D_REM || c == code::D_COMMENT) return false;
    if (c == code::D_CALL) call = true;
    if (c == code::STMT_SEP && call && p + 1 < end) {
      uint8_t next = p[1];
      if (next != code::EOL && next != code::END_SCAN && next != code::D_REM && next != code::D_COMMENT) return true;
    }
    size_t n = Item_size(p, end);
    if (n == 0) return false;
    p += n;
  }
  return false;
}

}  // namespace

void Exec_command(int from_console) {
  const uint8_t* src = ws.Str_ptr;
  size_t src_len = size_t(ws.Str_len);
  ws.Go_cache_ref = 0;  // a console line may change the stored lines
  int err;
  {
    // Only a line typed at the console has its unterminated string closed;
    // the text of EXECUTE and the like compiles as a program line does.
    uint32_t con = ws.Con_flags;
    if (!from_console) ws.Con_flags &= ~uint32_t(CON_MODE);
    struct Back {
      uint32_t con;
      ~Back() { ws.Con_flags = (ws.Con_flags & ~uint32_t(CON_MODE)) | (con & CON_MODE); }
    } back{con};
    err = Compile_line();
  }
  if (err != 0 && get_u16be(ws.Str_ptr) == 0 && !Lib_dir_path().empty()) {
    err = Check_cmd(err);
    if (err == 0) ws.Sys_flags10 |= SF10_CONSOLE_CMD;
  }
  uint8_t* line = ws.Str_ptr;
  uint16_t stno = get_u16be(line);
  uint8_t first = line[2];
  if (err == 0) {
    if (first == code::BRACKET_TEXT || first == code::COMMA || first == code::OP_MUL) {
      if (ws.Pgm_flags & PGM_PROTECTED) Rpt_error(err::PROTECTED);
      ws.Cmd_flags &= ~uint32_t(CMD_AUTO);
      ws.Auto_line = LAST_LINE_NO;
      Exec_edit();
      return;
    }
    if (first == code::OP_GT) {
      if (stno != 0) Rpt_error(err::LINE_NUMBER_RANGE);
      Breakpoint_command(line + 3);
      return;
    }
  } else if (from_console) {
    // A failed line keeps its source after the line number: number, 0, text,
    // 255.  Lines that begin with an edit form are dropped, not stored.  The
    // message shows the source from where compiling stopped.
    const uint8_t* body = line + 3;
    size_t body_len = ws.Str_len > 4 ? size_t(ws.Str_len) - 4 : 0;
    if (line[2] != 0) body_len = 0;
    size_t i = 0;
    while (i < body_len && (body[i] == ' ' || body[i] == '\t')) ++i;
    bool ignored = i < body_len && (body[i] == ',' || body[i] == '[' || body[i] == '{');
    size_t at = std::min(size_t(Compile_error_pos()), src_len);
    show_compile_error(err, src + at, src_len - at, ignored);
    if (ignored) return;
  }
  if (stno == 0) {
    if (err != 0) {
      if (!from_console && ws.Cpl_err == -1) ws.Cpl_err = err;
      return;
    }
    if (statements_after_call(line, size_t(ws.Str_len))) Rpt_error(err::TEXT_AFTER_STATEMENT);
    ws.Exec_ptr = line + 2;
    ws.Stmt_ptr = ws.Exec_ptr;
    ws.Cur_stno = 0;
    if (!from_console && !(ws.Con_opts & 2)) InternalExecLine();
    else Exec_line();
    return;
  }
  if (err != 0) {
    if (!from_console && ws.Cpl_err == -1) ws.Cpl_err = err;  // raised by EXECUTE
    // A line that fails keeps its text only where no line had its number:
    // it never replaces a stored line.
    if (Line_stored(stno)) return;
  }
  int r = Add_line();
  ws.Go_cache_ref = 0;
  if (r == 1) ws.Last_entered = stno;
  else if (from_console) Disp_error(21);
}

namespace {

// ProcessExecLine's loop, in line in InternalExecLine too (every nested run
// of a method, a called program or EXECUTE goes through it).
[[gnu::always_inline]] inline void process_exec_line() {
  Exec_line_guard guard{ws.Work_ptr};
  if (ws.Run_flags & RF_TEMPS) Ret_temp();
  for (;;) {
    ws.Work_ptr = guard.work;
    if (ws.Con_flags & CON_LEAVE_NESTED) break;
    if (!(ws.Con_flags & CON_MODE)) {
      Exec_line();
    } else if (Io_touch(), Core_hook.console_command() == 0) {
      break;
    }
    if (!(ws.Con_flags & CON_MODE)) break;
  }
}

}  // namespace

void ProcessExecLine() { process_exec_line(); }

Io_live_save* Io_owed = nullptr;

void Io_take_owed() {
  Io_live_save* owed = Io_owed;
  owed->save(ws);
  owed->taken = true;
  // Until the run that owed it ends, its restore covers whatever comes:
  // nothing further is owed (the area is back as it was at the start of
  // any outer run that still owes its save when this one ends).
  Io_owed = nullptr;
}

int16_t InternalExecLine() {
  uint32_t console_mode = ws.Con_flags & CON_MODE;
  uint32_t nested = ws.Start_flags & SF_NESTED;
  struct Restore {
    uint32_t console_mode, nested;
    ~Restore() {
      ws.Con_flags = (ws.Con_flags & ~uint32_t(CON_MODE)) | console_mode;
      ws.Start_flags = (ws.Start_flags & ~uint32_t(SF_NESTED)) | nested;
    }
  } restore{console_mode, nested};
  ws.Con_flags &= ~uint32_t(CON_MODE);
  ws.Start_flags |= SF_NESTED;
  process_exec_line();
  return int16_t(console_mode != 0);
}

int Exec_text(const std::string& text) {
  Nested_run_guard<NESTED_UNWIND | NESTED_STOP> saved;
  int cpl = ws.Cpl_err;
  struct Cpl_back {
    int v;
    ~Cpl_back() { ws.Cpl_err = v; }
  } cpl_back{cpl};
  uint8_t* p = Work_take(text.size() + 1);
  if (!text.empty()) std::memcpy(p, text.data(), text.size());
  p[text.size()] = 0;
  ws.Str_ptr = p;
  ws.Str_len = int32_t(text.size());
  ws.Cur_stno = 0;
  ws.Call_status = -1;
  ws.Cpl_err = -1;
  Exec_command(0);
  if (ws.Cpl_err > 0) return ws.Cpl_err;
  return ws.Call_status > 0 ? ws.Call_status : 0;
}
