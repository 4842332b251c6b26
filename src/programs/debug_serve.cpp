// The debugged side of the process debug link: served between statements
// (the executor calls KestDbgSlavery while run flag 0x80000000 is set).
// Each statement: the trace, the breakpoint check, then the commands that
// wait; a stopped process waits here (a poll on its input FIFO) until a
// command lets it run again.
//
// Replies: "OK", "NA" (not understood), "END" (a step ended with no program
// running), "Gone" (the process leaves), a text, or an error: 0xFF and the
// error number.
#include <poll.h>
#include <signal.h>
#include <strings.h>
#include <unistd.h>

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "channels/channel.h"
#include "core/codes.h"
#include "core/console_device.h"
#include "core/compiler.h"
#include "core/control_stack.h"
#include "core/decimal.h"
#include "core/errors.h"
#include "core/evaluator.h"
#include "core/hooks.h"
#include "core/host.h"
#include "core/lexicon.h"
#include "core/lister.h"
#include "core/line_store.h"
#include "core/memory.h"
#include "core/nested_run.h"
#include "core/signal_flags.h"
#include "core/workspace.h"
#include "programs/call_frame.h"
#include "programs/debug_internal.h"
#include "programs/debug_link.h"
#include "keyed/key_driver.h"
#include "programs/dump.h"
#include "programs/objects.h"
#include "programs/perform_on.h"
#include "programs/program_list.h"

namespace {

constexpr size_t TEXT_MAX = 20000;   // call stack, channels, trace replies
constexpr size_t VALUE_MAX = 8000;   // an evaluated string
constexpr size_t TRACE_MAX = 500;    // lines kept
constexpr size_t TRACE_TEXT_MAX = 511;
constexpr int IDLE_POLL_MS = 250;

// Statements the link puts in the program's way: END and QUIT.
uint8_t End_stmt[] = {code::D_END, code::EOL};
uint8_t Quit_stmt[] = {code::D_QUIT, code::EOL};

// END or QUIT served inside a wait: the statement that runs next.
uint8_t* wait_redirect = nullptr;

void reply(const std::string& s) {
  if (!Dbg_send(dbg.out_fd, dbg.msg_id, s.data(), s.size())) KestDbgShutdown();
}

void reply_error(int err) {
  std::string s = {char(0xFF), char(uint8_t(err))};
  reply(s);
}

std::string program_name(const Prog_context* c) {
  if (!c->Cur_pgm || !c->Cur_pgm->name) return "<unsaved>";
  return c->Cur_pgm->name;
}

std::string program_path(const Prog_context* c) {
  return c->Cur_pgm && c->Cur_pgm->path ? c->Cur_pgm->path : "";
}

uint32_t current_line() { return ws.Cur_stno ? ws.Cur_stno : ws.Stop_stno; }

std::string keyword_of(uint8_t tag) {
  bool nothing = false;
  if (tag == 11) return std::string(Lex_text(code::D_FOR, 0, &nothing));
  if (tag == 171) return std::string(Lex_text(code::EXT_DIR, 171, &nothing));
  return std::string(Lex_text(tag, 0, &nothing));
}

// ---- command texts ----

std::string call_stack() {
  std::vector<const Prog_context*> chain;
  chain.push_back(&ws);
  for (Call_frame* f = ws.Call_link; f; f = f->Call_link) chain.push_back(f);
  std::string out;
  char b[32];
  for (size_t i = 0; i < chain.size(); i++) {
    const Prog_context* c = chain[i];
    std::string level;
    uint32_t line = c == &ws ? current_line() : c->Stop_stno;
    std::snprintf(b, sizeof b, "+%5.5u ", line);
    level += b + program_name(c);
    std::string path = program_path(c);
    if (!path.empty() && path != program_name(c)) level += " (" + path + ")";
    level += "\n";
    for (const Ctl_frame* f = c->Ctl_stack; f; f = f->link) {
      std::snprintf(b, sizeof b, " %5.5u ", unsigned(f->origin_line));
      level += b + keyword_of(f->tag) + "\n";
    }
    if (out.size() + level.size() >= TEXT_MAX) {
      out += "...\n";
      break;
    }
    out += level;
  }
  return out;
}

const char* kind_name(int32_t kind) {
  static const char* const names[] = {"Alias",  "Device", "Serial", "Keyed",   "Indexed", "Program", "Binary",
                                      "Dir",    "AuxPrn", "Pipe",   "C-ISAM",  "?",       "?",       "?",
                                      "Client", "BBxKey", "BBxKey", "Tcp",     "VarData", "Memory",  "?",
                                      "?",      "Eff",    "LibMbr", "Pdf",     "?",       "MySql",   "?"};
  int i = kind + 1;
  return i >= 0 && i < int(sizeof names / sizeof names[0]) ? names[i] : "?";
}

// The current key of a keyed channel as the list shows it: "AtStart " when
// none is current, else Key:'...' with bytes outside 32..126 as ".".
std::string key_mark(Fcb* f) {
  std::string key;
  bool at_start = true;
  if (!Key_current_key(f, &key, &at_start) || at_start) return "AtStart ";
  for (char& c : key)
    if (uint8_t(c) < 32 || uint8_t(c) > 126) c = '.';
  return "Key:'" + key + "' ";
}

std::string open_channels() {
  std::string out;
  for (Fcb* f = ws.Fcb_list; f; f = f->next) {
    std::string line = std::to_string(f->channel) + "\t" + kind_name(f->kind) + "\t" +
                       (f->path && f->path->path ? f->path->path : "") + "\t";
    if (f->kind == FK_KEYED || f->kind == FK_EFF) line += key_mark(f);
    if (f->kind == FK_INDEXED || f->kind == FK_BINARY) line += "Index:" + std::to_string(f->rec_index) + " ";
    if (f->st1 & ST1_INPUT_ONLY) line += "ReadOnly ";
    if (f->st4 & ST4_EXCLUSIVE) line += "Locked ";
    if (f->st2 & ST2_LOAD) line += "Load ";
    if (f->owner) line += "Obj#" + std::to_string(Oop_slot_handle(f->owner));
    else if (!line.empty() && line.back() == ' ') line.pop_back();
    line += "\n";
    if (out.size() + line.size() > TEXT_MAX) break;
    out += line;
  }
  return out;
}

std::string status_text() {
  char b[16];
  std::snprintf(b, sizeof b, "%c%5.5u%c", dbg.stopped ? 'S' : 'R', current_line(), dbg.trace_hidden ? '-' : ' ');
  std::string s = b + program_name(&ws);
  std::string path = program_path(&ws);
  if (!path.empty() && path != program_name(&ws)) s += " (" + path + ")";
  return s;
}

std::string value_text() {
  if (ws.Str_len < 0) {
    char buf[CONV_NORMAL_MAX];
    return std::string(buf, size_t(Conv_normal(ws.Num_acc, buf)));
  }
  return Dump_string_text(ws.Str_ptr, size_t(ws.Str_len), VALUE_MAX, false);
}

void end_step();

// ---- breakpoints ----

bool names_match(const std::string& want, const Prog_context* c) {
  if (!c->Cur_pgm) return false;
  auto same = [&](const char* s) { return s && strcasecmp(s, want.c_str()) == 0; };
  if (same(c->Cur_pgm->name) || same(c->Cur_pgm->path)) return true;
  const char* path = c->Cur_pgm->path;
  const char* slash = path ? std::strrchr(path, '/') : nullptr;
  return slash && same(slash + 1);
}

bool break_matches(const Dbg_break& b, uint32_t line) {
  return names_match(b.prog, &ws) && (b.line == 0 || b.line == line);
}

void check_break() {
  uint32_t line = current_line();
  if (!ws.Cur_pgm || line == 0 || dbg.breaks.empty()) return;
  if (dbg.have_cur_break && break_matches(dbg.cur_break, line) && dbg.cur_break.line != 0) return;
  if (dbg.have_cur_break && dbg.cur_break.line == 0 && names_match(dbg.cur_break.prog, &ws)) return;
  dbg.have_cur_break = false;
  for (const Dbg_break& b : dbg.breaks)
    if (break_matches(b, line)) {
      dbg.cur_break = b;
      dbg.have_cur_break = true;
      // A step that meets a breakpoint ends there.
      if (dbg.step_type) end_step();
      dbg.stopped = true;
      return;
    }
}

std::string break_list() {
  std::string out;
  char b[16];
  for (const Dbg_break& e : dbg.breaks) {
    std::snprintf(b, sizeof b, "%5.5u\t", e.line);
    out += b + e.prog + "\n";
    if (out.size() > TEXT_MAX) break;
  }
  return out;
}

void break_set(const std::string& operand) {
  char sign;
  uint32_t line;
  std::string prog;
  int err = Dbg_parse_break(operand, sign, line, prog);
  if (err) {
    reply_error(err);
    return;
  }
  size_t at = dbg.breaks.size();
  for (size_t i = 0; i < dbg.breaks.size(); i++)
    if (dbg.breaks[i].line == line && strcasecmp(dbg.breaks[i].prog.c_str(), prog.c_str()) == 0) at = i;
  if (sign == '+') {
    if (at == dbg.breaks.size()) dbg.breaks.insert(dbg.breaks.begin(), Dbg_break{line, prog});
  } else if (at < dbg.breaks.size()) {
    if (dbg.have_cur_break && dbg.cur_break.line == line && strcasecmp(dbg.cur_break.prog.c_str(), prog.c_str()) == 0)
      dbg.have_cur_break = false;
    dbg.breaks.erase(dbg.breaks.begin() + long(at));
  }
  reply("OK");
}

// ---- trace ----

void add_trace(bool program, const std::string& text) {
  // Statement lines before any program line, and program lines with no
  // statement after them, are dropped from the front; past the limit the
  // oldest statement lines go.
  while (!dbg.trace.empty() && (!dbg.trace.front().program ||
                                (dbg.trace.size() > 1 && dbg.trace[1].program)))
    dbg.trace.pop_front();
  while (dbg.trace.size() >= TRACE_MAX) {
    size_t i = 1;
    while (i < dbg.trace.size() && dbg.trace[i].program) i++;
    if (i >= dbg.trace.size()) {
      dbg.trace.pop_front();
      continue;
    }
    dbg.trace.erase(dbg.trace.begin() + long(i));
  }
  dbg.trace.push_back({dbg.trace_next++, program, text});
}

bool program_hidden() {
  return (ws.Pgm_flags & 0x4000) != 0 || (ws.Pgm_attr & 0x70000000) == 0;
}

void trace_statement() {
  uint32_t line = ws.Cur_stno;
  if (line == 0) return;
  const void* pgm = ws.Cur_pgm;
  if (dbg.trace_started && pgm == dbg.trace_pgm && line == dbg.trace_line) return;
  bool hidden = program_hidden();
  if (!dbg.trace_started || pgm != dbg.trace_pgm) {
    if (!(hidden && dbg.trace_hidden && dbg.trace_started))
      add_trace(true, ws.Cur_pgm && ws.Cur_pgm->path ? ws.Cur_pgm->path : "<No program>");
    dbg.trace_pgm = pgm;
    dbg.trace_hidden = hidden;
    dbg.trace_started = true;
    dbg.trace_line = 0;
  }
  dbg.trace_line = line;
  if (hidden) return;
  if (*ws.Exec_ptr == 64 && !(ws.Pgm_attr & 0x40000000)) return;
  // The line as the lister shows it; the work pointer and the string
  // accumulator stay as they were.
  uint8_t* work = ws.Work_ptr;
  uint8_t* str = ws.Str_ptr;
  int32_t len = ws.Str_len;
  std::string text = " " + std::string(size_t(Call_depth()), '.');
  try {
    if (Find_line(uint16_t(line)) == line) text += Decompile_text(ws.Str_ptr, size_t(ws.Str_len));
  } catch (const Oru_error&) {
  }
  ws.Work_ptr = work;
  ws.Str_ptr = str;
  ws.Str_len = len;
  if (text.size() > TRACE_TEXT_MAX) text.resize(TRACE_TEXT_MAX);
  add_trace(false, text);
}

std::string trace_from(const std::string& operand) {
  long from = std::strtol(operand.c_str(), nullptr, 10);
  std::string out;
  char b[16];
  size_t i = 0;
  for (; i < dbg.trace.size(); i++) {
    const Dbg_trace_line& t = dbg.trace[i];
    if (long(t.number) < from) continue;
    std::snprintf(b, sizeof b, "%6.6u", t.number);
    std::string line = b + t.text + "\n";
    if (out.size() + line.size() > TEXT_MAX) break;
    out += line;
  }
  if (i >= dbg.trace.size()) out += "*End*\n";
  return out;
}

// ---- steps ----

bool frame_on_stack(const Ctl_frame* want) {
  for (const Ctl_frame* f = ws.Ctl_stack; f; f = f->link)
    if (f == want) return true;
  return false;
}

void start_step(const std::string& options) {
  Dbg_parse_step(options, dbg.step_type, dbg.step_count);
  dbg.step_line = current_line();
  dbg.step_depth = Call_depth();
  dbg.step_frame = ws.Ctl_stack;
  dbg.step_pgm = ws.Cur_pgm;
  dbg.step_first = true;
  dbg.stopped = false;
}

// One statement of a step; true when the step ends here.
bool step_ends() {
  int depth = Call_depth();
  bool first = dbg.step_first;
  dbg.step_first = false;
  switch (dbg.step_type) {
    case 1:
      if (current_line() != dbg.step_line && --dbg.step_count <= 0) return true;
      return false;
    case 2:
      return first ? false : --dbg.step_count <= 0;
    case 5:
      if (first) {
        if (depth != dbg.step_depth) {
          dbg.step_type = 3;
        } else {
          dbg.step_frame = ws.Ctl_stack;
          dbg.step_type = 3;
        }
      }
      [[fallthrough]];
    case 3:
      if (depth < dbg.step_depth) return true;
      if (depth == dbg.step_depth && dbg.step_frame && !frame_on_stack(dbg.step_frame)) return true;
      return false;
    case 4:
      return depth < dbg.step_depth;
    case 6:
      return ws.Cur_pgm != dbg.step_pgm;
    default:
      return true;
  }
}

void end_step() {
  dbg.step_type = 0;
  dbg.stopped = true;
  reply(ws.Cur_stno != 0 ? "OK" : "END");
}

// ---- commands ----

// Runs f under an error trap; 0 or the error number.
template <class F>
int trapped(F f) {
  Catch_region region;
  try {
    f();
  } catch (const Oru_error& e) {
    return e.no;
  }
  return 0;
}

void quit_process();

void cmd_execute(const std::string& text) {
  dbg.in_exec = true;
  uint16_t stop = ws.Stop_stno;
  int err = 0;
  {
    Exec_cursor_guard cursor;
    uint32_t line = ws.Cur_stno;
    err = trapped([&] { err = Exec_text(text); if (err > 0) Rpt_error(err); });
    ws.Cur_stno = line;
  }
  ws.Stop_stno = stop;
  dbg.in_exec = false;
  if (ws.End_process) {
    // The executed line ends the process: the quit command follows.
    reply("Gone");
    quit_process();
    return;
  }
  if (err) reply_error(err);
  else reply("OK");
}

void cmd_eval(const std::string& text) {
  std::vector<uint8_t> code;
  int err = Compile_expression(reinterpret_cast<const uint8_t*>(text.data()), text.size(), code);
  if (err) {
    reply_error(err);
    return;
  }
  std::string value;
  {
    Exec_cursor_guard cursor;
    uint8_t* work = ws.Work_ptr;
    err = trapped([&] {
      ws.Exec_ptr = code.data() + 2;
      Eval_formula();
      if (*ws.Exec_ptr != code::EOL) Rpt_error(err::SYNTAX);
      value = value_text();
    });
    ws.Work_ptr = work;
  }
  if (err) reply_error(err);
  else reply(value);
}

void cmd_load(const std::string& name) {
  std::string stmt = "LOAD \"";
  for (char c : name) {
    if (c == '"') stmt += '"';
    stmt += c;
  }
  stmt += "\"";
  cmd_execute(stmt);
}

// The console is reading a line: no statement runs, so commands are
// served from the read's signal check.
bool at_console() { return (ws.Run_flags & RF_CONSOLE_READ) != 0; }

// At the console: the console reads RUN next, as if typed.
void console_run() {
  static const uint8_t run[] = {'R', 'U', 'N', '\n'};
  Con_unread(run, sizeof run);
}

// The link goes and the process leaves.  At the console the read ends as
// at the end of input; in a wait the statement is abandoned for QUIT.
void quit_process() {
  bool in_wait = dbg.in_wait;  // the shut-down clears the link's state
  KestDbgShutdown();
  if (at_console()) ws.End_process = true;
  else if (in_wait) wait_redirect = Quit_stmt;
  else ws.Exec_ptr = Quit_stmt;
}

void serve_command() {
  dbg.cmd_waiting = false;
  std::string payload;
  uint16_t id = 0;
  int r = Dbg_receive(dbg.in_fd, 0, id, payload);
  if (r == 0) return;  // the signal came without a message
  if (r < 0) {
    // The debugger closed its end (or sent a short message): detach.  An
    // empty payload is a command not understood.
    KestDbgShutdown();
    return;
  }
  dbg.msg_id = id;
  // More may wait behind this one.
  struct pollfd p = {dbg.in_fd, POLLIN, 0};
  if (poll(&p, 1, 0) > 0) dbg.cmd_waiting = true;
  Dbg_command c = Dbg_parse_command(reinterpret_cast<const uint8_t*>(payload.data()), payload.size());
  switch (c.cmd) {
    case DBG_RESUME:
      dbg.stopped = false;
      dbg.step_type = 0;
      dbg.have_cur_break = false;
      reply("OK");
      if (at_console()) console_run();  // at the console: the program starts as by RUN
      break;
    case DBG_DETACH:
      reply("OK");
      KestDbgShutdown();
      break;
    case DBG_QUIT:
      reply("OK");
      quit_process();
      break;
    case DBG_END:
      dbg.stopped = false;
      dbg.step_type = 0;
      dbg.have_cur_break = false;
      reply("OK");
      // The program ends as by END at the top level, whatever its depth.
      ws.Prm.XT = false;
      if (dbg.in_wait) wait_redirect = End_stmt;
      else if (!at_console()) ws.Exec_ptr = End_stmt;
      End_all_levels = dbg.in_wait || !at_console();
      break;
    case DBG_STOP:
      dbg.stopped = true;
      dbg.step_type = 0;
      reply("OK");
      break;
    case DBG_CALLS: reply(call_stack()); break;
    case DBG_BREAK_LIST: reply(break_list()); break;
    case DBG_BREAK_SET: break_set(c.operand); break;
    case DBG_FILES: reply(open_channels()); break;
    case DBG_EXECUTE: cmd_execute(c.operand); break;
    case DBG_LOAD: cmd_load(c.operand); break;
    case DBG_EVAL: cmd_eval(c.operand); break;
    case DBG_TRACE:
      if (c.has_operand) {
        reply(trace_from(c.operand));
      } else {
        char b[16];
        std::snprintf(b, sizeof b, "%6.6u", dbg.trace_next - 1);
        reply(b);
      }
      break;
    case DBG_STATUS: reply(status_text()); break;
    case DBG_STEP:
      // The reply comes when the step ends; at the console the program
      // starts as by RUN and the step runs in it.
      start_step(c.operand);
      if (at_console()) console_run();
      break;
    default: reply("NA"); break;
  }
}

// A stopped process waits for its next command: a poll on the input FIFO,
// so that a command that comes without its signal is served too.
void idle() {
  struct pollfd p = {dbg.in_fd, POLLIN, 0};
  int r = poll(&p, 1, IDLE_POLL_MS);
  if (r > 0) dbg.cmd_waiting = true;
  if (Sig_pending) Take_signals();
}

}  // namespace

void Dbg_command_signal() {
  if (dbg.role != Dbg_role::debugged) return;
  dbg.cmd_waiting = true;
  ws.Run_flags |= RF_DEBUG_LINK;
  if (!at_console() || dbg.in_exec) return;
  // Between console lines the process is stopped by nature: what waits is
  // served now (a resume or a step has no program to let run).
  Exec_cursor_guard cursor;
  uint8_t* work = ws.Work_ptr;
  while (dbg.cmd_waiting && dbg.role == Dbg_role::debugged && !ws.End_process) serve_command();
  ws.Work_ptr = work;
}

// Inside a wait of a statement (a TCP READ that waits for its peer): the
// commands that wait are served now, so the program can be inspected and
// changed while it waits; STOP and steps take effect at the next statement.
// The caller has saved the I/O area and marked its channel busy.
bool Dbg_serve_in_wait() {
  if (dbg.role != Dbg_role::debugged || dbg.in_exec || dbg.in_wait || at_console()) return false;
  if (!dbg.cmd_waiting) {
    // A command whose signal came before the wait began.
    struct pollfd p = {dbg.in_fd, POLLIN, 0};
    if (poll(&p, 1, 0) <= 0) return false;
    dbg.cmd_waiting = true;
  }
  dbg.in_wait = true;
  wait_redirect = nullptr;
  {
    Exec_cursor_guard cursor;
    uint8_t* work = ws.Work_ptr;
    while (dbg.cmd_waiting && dbg.role == Dbg_role::debugged && !ws.End_process && !wait_redirect) serve_command();
    ws.Work_ptr = work;
  }
  dbg.in_wait = false;
  if (!wait_redirect) return false;
  ws.Exec_ptr = wait_redirect;
  wait_redirect = nullptr;
  return true;
}

bool Dbg_is_debugged() { return dbg.role == Dbg_role::debugged; }

void KestDbgSlavery() {
  if (dbg.role != Dbg_role::debugged) {
    ws.Run_flags &= ~uint32_t(RF_DEBUG_LINK);
    return;
  }
  if (dbg.in_exec) return;
  // The executor also stops at the end of each line, and may serve one
  // statement twice (a restart after another request): steps and
  // breakpoints count statements.
  static const uint8_t* last_stmt = nullptr;
  static uint32_t last_line = 0;
  bool same = *ws.Exec_ptr == code::EOL || (ws.Exec_ptr == last_stmt && ws.Cur_stno == last_line);
  last_stmt = ws.Exec_ptr;
  last_line = ws.Cur_stno;
  trace_statement();
  if (!same) check_break();
  bool stepped = same;
  while (dbg.role == Dbg_role::debugged && !ws.End_process) {
    if (dbg.cmd_waiting) {
      serve_command();
      continue;
    }
    if (dbg.step_type && !stepped && !dbg.stopped) {
      stepped = true;
      if (step_ends()) {
        end_step();
        continue;
      }
    }
    if (!dbg.stopped) break;
    idle();
  }
}

void Debug_link_init() {
  Wait_serve_hook = Dbg_serve_in_wait;
  Wait_serve_active = Dbg_is_debugged;
  Debug_signal_hook = [](int sig) {
    if (sig == SIGUSR2) {
      if (dbg.role == Dbg_role::none) Dbg_attach_debugged();
      return;
    }
    Dbg_command_signal();
  };
}
