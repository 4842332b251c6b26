// The console loop: the process's main loop.  Each pass reads one console
// line, compiles it, and either stores it as a numbered program line or runs
// it at once through the executor.  A program started by RUN runs inside the
// Exec_line call of the console line that started it.
//
// When standard input is not a terminal, each line read is echoed after the
// prompt, followed by a new line, so that a piped session reads like a
// terminal transcript.  End of input ends the process with status 0.
#include "core/console.h"

#include <sys/stat.h>
#include <unistd.h>

#include <csignal>
#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <string>
#include <vector>

#include "channels/console_device.h"
#include "core/codes.h"
#include "core/compiler.h"
#include "core/control_stack.h"
#include "core/editor.h"
#include "core/errors.h"
#include "core/executor.h"
#include "core/lexicon.h"
#include "core/line_store.h"
#include "core/memory.h"
#include "core/host.h"
#include "core/messages.h"
#include "core/startup.h"
#include "core/variables.h"
#include "core/workspace.h"
#include "programs/program_info.h"
#include "programs/call_frame.h"
#include "programs/debug_link.h"
#include "programs/program_list.h"
#include "core/signal_flags.h"
#include "terminal/terminal.h"
#include "pdf/pdf_channel.h"

#ifndef ORU_BUILD_LIBDIR
#define ORU_BUILD_LIBDIR "lib"
#endif

namespace {

// A console line whose statement is only END: the cursor rests on it while
// the console reads, so that anything looking at the statement sees END.
uint8_t Console_END[] = {0, 0, code::D_END, code::EOL};
// The RUN a breakpoint command runs after setting its breakpoint.
uint8_t RunCommand[] = {0, 0, code::D_RUN, code::EOL};

bool input_is_terminal = true;

void install_break_handler() {
  struct sigaction sa;
  std::memset(&sa, 0, sizeof sa);
  sa.sa_handler = oru_break;
  sa.sa_flags = SA_RESETHAND;  // re-armed by the handler while it may be
  sigemptyset(&sa.sa_mask);
  sigaction(SIGINT, &sa, nullptr);
}

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

}  // namespace

// Counts the interrupts since the escape was last served or dropped; after
// the fifth the default action is left in place, so the sixth ends the
// process.
void oru_break(int) {
  int n = Sig_break_count + 1;
  Sig_break_count = n;
  Sig_escape = 1;
  Sig_pending = 1;
  if (n < 5) install_break_handler();
}

void Set_break_handler() {
  Sig_break_count = 0;
  install_break_handler();
}

void Prompt_out() {
  Set_console();
  if (ws.Prm.QT) return;
  Term_prompt_attr();
  if (Con_column() != 0) Con_newline();
  // Inside a called program the prompt shows the call depth.
  if (ws.Call_link) Con_puts(std::to_string(Call_depth() + 1).c_str());
  else Con_puts("-");
  Con_puts((ws.Pgm_flags & PGM_CHANGED) ? ":" : ">");
}

void Process_input(std::string& line) {
  if (Step_command(line)) line = "RUN";
  if (!line.empty() && line[0] == '/') line[0] = '\\';
  if (!line.empty() && line[0] == '\'') line[0] = '`';
  if (!input_is_terminal) Con_newline();
  uint8_t* buf = Work_take(line.size() + 1);
  std::memcpy(buf, line.data(), line.size());
  buf[line.size()] = 0;
  ws.Str_ptr = buf;
  ws.Str_len = int32_t(line.size());
}

// ">" alone removes every breakpoint, "> -n" the one on line n; "> n" sets
// one and runs, "> +n" only sets it (a second "+" on the same line is error
// 56).  At most ten; a line that does not exist is error 21.
void Breakpoint_command(const uint8_t* p) {
  if (*p == code::EOL) {
    ws.Brk_count = 0;
    ws.Run_flags &= ~uint32_t(RF_BREAKPOINTS);
    return;
  }
  uint8_t sign = 0;
  if (*p == code::OP_SUB || *p == code::OP_ADD) sign = *p++;
  if (*p != code::LINE_REF) Rpt_error(21);
  uint16_t want = get_u16be(p + 1);
  uint16_t n = Find_line(want);
  if (n != want || n >= LAST_LINE_NO) Rpt_error(21);
  int at = -1;
  for (int i = 0; i < ws.Brk_count; ++i)
    if (ws.Brk_lines[i] == n) at = i;
  if (sign == code::OP_SUB) {
    if (at < 0) Rpt_error(21);
    ws.Brk_lines[at] = ws.Brk_lines[--ws.Brk_count];  // the last entry fills the gap
    if (ws.Brk_count == 0) ws.Run_flags &= ~uint32_t(RF_BREAKPOINTS);
    return;
  }
  if (sign == code::OP_ADD && at >= 0) Rpt_error(56);
  if (at < 0) {
    if (ws.Brk_count >= 10) Rpt_error(21);
    ws.Brk_lines[ws.Brk_count++] = n;
  }
  ws.Run_flags |= RF_BREAKPOINTS;
  if (sign == code::OP_ADD) return;
  ws.Exec_ptr = ws.Stmt_ptr = RunCommand + 2;
  ws.Cur_stno = 0;
  Exec_line();
}

// The step commands typed at the console: "." (one line), ".n" (n lines),
// ".." (over subroutines and loops), "..." (run on freely) and ";" (one
// statement).  Each then runs as RUN; true when the line was one.
bool Step_command(const std::string& line) {
  if (line == ";") {
    ws.Run_flags |= RF_STEP;
    ws.Step_count = 1;
    ws.Sys_flags11 |= STEP_INTO;
  } else if (line == "...") {
    ws.Run_flags &= ~uint32_t(RF_STEP);
    ws.Pgm_flags2 |= 0x100;
    return true;
  } else if (line == "..") {
    ws.Run_flags |= RF_STEP;
    ws.Step_count = -1;
    ws.Step_stack = ws.Ctl_stack;
  } else if (!line.empty() && line[0] == '.' &&
             line.find_first_not_of("0123456789", 1) == std::string::npos) {
    long n = line.size() > 1 ? std::strtol(line.c_str() + 1, nullptr, 10) : 1;
    ws.Run_flags |= RF_STEP;
    ws.Step_count = n < 1 ? 1 : (n > 65535 ? 65535 : int32_t(n));
  } else {
    return false;
  }
  ws.Step_line = ws.Stop_stno;  // the line stopped at runs before the next stop
  return true;
}

// A console line that did not compile may name a console command program:
// "word rest" runs CALL "*cmd/word","rest" (or "*cmd/system/word") when the
// library's "_cmd" directory holds that file.  Returns 0 when the line was
// replaced by the compiled CALL, else the error.
constexpr uint16_t SF10_CONSOLE_CMD = 0x4000;  // bit of ws.Sys_flags10: a console command program ran

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

void Exec_command(int from_console) {
  const uint8_t* src = ws.Str_ptr;
  size_t src_len = size_t(ws.Str_len);
  ws.Go_cache_ref = 0;  // a console line may change the stored lines
  int err = Compile_line();
  if (err != 0 && get_u16be(ws.Str_ptr) == 0 && !Lib_dir_path().empty()) {
    err = Check_cmd(err);
    if (err == 0) ws.Sys_flags10 |= SF10_CONSOLE_CMD;
  }
  uint8_t* line = ws.Str_ptr;
  uint16_t stno = get_u16be(line);
  uint8_t first = line[2];
  if (err == 0) {
    if (first == code::BRACKET_TEXT || first == code::COMMA || first == code::OP_MUL) {
      if (ws.Pgm_flags & PGM_PROTECTED) Rpt_error(52);
      ws.Cmd_flags &= ~uint32_t(CMD_AUTO);
      ws.Auto_line = LAST_LINE_NO;
      Exec_edit();
      return;
    }
    if (first == code::OP_GT) {
      if (stno != 0) Rpt_error(21);
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
    ws.Exec_ptr = line + 2;
    ws.Stmt_ptr = ws.Exec_ptr;
    ws.Cur_stno = 0;
    if (!from_console && !(ws.Con_opts & 2)) InternalExecLine();
    else Exec_line();
    return;
  }
  int r = Add_line();
  ws.Go_cache_ref = 0;
  if (r == 1) ws.Last_entered = stno;
  else if (from_console) Disp_error(21);
}

int ConsoleCmnd() {
  Drop_escape();
  ws.Run_flags &= ~uint32_t(RF_STOP);
  ws.Sys_flags10 &= ~uint16_t(SF10_CONSOLE_CMD);
  if (ws.Con_opts & 1) ws.Prm.XT = true;
  if (ws.Prm.XT || ws.End_process) return 0;
  if (!Lex_loaded()) {
    // Nothing can be compiled: say so, give the message time to be read,
    // and end the process.
    Disp_error(64);
    Con_flush();
    struct timespec two_seconds = {2, 0};
    nanosleep(&two_seconds, nullptr);
    ws.End_process = true;
    ws.Exit_status = 1;
    return 0;
  }
  ws.Var_mask = ws.Var_mask_glob;
  Prog_drop(nullptr);  // programs nobody uses are read from their files again
  Prompt_out();
  // AUTO pre-types the next line number, shown as if typed.
  std::string prefix;
  if (Auto_next(prefix)) Con_write(prefix.data(), prefix.size());
  ws.Cur_stno = 0;
  ws.Exec_ptr = ws.Stmt_ptr = Console_END + 2;
  try {
    std::string line;
    ws.Run_flags |= RF_CONSOLE_READ;
    int ide = Ide_console_hook ? Ide_console_hook(line) : 0;
    if (ide < 0) {
      ws.Run_flags &= ~uint32_t(RF_CONSOLE_READ);
      ws.End_process = true;
      ws.Exit_status = 0;
      return 0;
    }
    bool got = ide > 0 || Con_read_line(line);
    Drop_escape();  // an interrupt while reading only ends the read
    ws.Run_flags &= ~uint32_t(RF_CONSOLE_READ);
    if (!got) {
      if (Con_column() != 0) Con_newline();
      ws.End_process = true;
      ws.Exit_status = 0;
      return 0;
    }
    if (!input_is_terminal) Con_write(line.data(), line.size());
    if (!prefix.empty()) line.insert(0, prefix);
    Process_input(line);
    if (ws.Str_len > 0) Exec_command(1);
  } catch (const Oru_error& e) {
    ws.Run_flags &= ~RF_CONSOLE_READ;
    Report_error(e.no);
  }
  return 1;
}

void ProcessExecLine() {
  Exec_line_guard guard{ws.Work_ptr};
  if (ws.Run_flags & RF_TEMPS) Ret_temp();
  for (;;) {
    ws.Work_ptr = guard.work;
    if (ws.Con_flags & CON_LEAVE_NESTED) break;
    if (!(ws.Con_flags & CON_MODE)) {
      Exec_line();
    } else if (ConsoleCmnd() == 0) {
      break;
    }
    if (!(ws.Con_flags & CON_MODE)) break;
  }
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
  ProcessExecLine();
  return int16_t(console_mode != 0);
}

// Calls the library's program `name`, kept in the file `file` of the
// library, as a console line when that file is there.  An error in it is
// reported after the line `failed`; the console goes on.
void call_library_program(const std::string& file, const std::string& name, const char* failed) {
  std::string lib = Lib_dir_path();
  struct stat st;
  if (lib.empty() || ::stat((lib + "/" + file).c_str(), &st) != 0 || !S_ISREG(st.st_mode)) return;
  // The compiled line CALL "name"; kept while the call runs.
  static std::vector<uint8_t> line;
  line = {0, 0, code::D_CALL, code::STR_LIT, 0, uint8_t(name.size())};
  line.insert(line.end(), name.begin(), name.end());
  line.push_back(code::EOL);
  ws.Exec_ptr = ws.Stmt_ptr = line.data() + 2;
  ws.Cur_stno = 0;
  ws.Call_err = 0;
  ProcessExecLine();
  if (ws.Call_err > 0) {
    Con_write(failed, std::strlen(failed));
    Con_newline();
    Report_error(ws.Call_err);
  }
  ws.Call_err = 0;
  Drop_escape();
  ws.Run_flags &= ~uint32_t(RF_STOP);
  ws.Con_flags &= ~uint32_t(CON_MODE);
}

// The start-up program "*start.up" of the library (the file "_start.up"),
// called once before anything else when it is there.
void run_start_up() {
  call_library_program("_start.up", "*start.up", "Start-up program *start.up failed:");
}

// The mirror start-up: with the installation's mirror switch on ([Config]
// Mirror) and the file "_kest/mirror/start_up" in the library, that program
// ("*kest/mirror/start_up") is called before anything else.
void KestMirrorInit() {
  if (!Kest_cfg.mirror) return;
  std::string lib = Lib_dir_path();
  struct stat st;
  if (lib.empty() || ::stat((lib + "/_kest/mirror/start_up").c_str(), &st) != 0 || !S_ISREG(st.st_mode)) return;
  Drop_escape();
  ws.Run_flags &= ~uint32_t(RF_STOP);
  ws.Con_flags &= ~uint32_t(CON_MODE);
  call_library_program("_kest/mirror/start_up", "*kest/mirror/start_up",
                       "Mirror start-up program *kest/mirror/start_up failed:");
}

void Exec_console() {
  for (;;) {
    ws.Work_ptr = ws.Work_mark = ws.Work_base;
    ws.Con_flags &= ~uint32_t(CON_LEAVE_NESTED);
    try {
      if (ws.Start_flags & SF_FIRST_PASS) {
        ws.Start_flags &= ~uint32_t(SF_FIRST_PASS);
        Drop_escape();
        ws.Run_flags &= ~uint32_t(RF_STOP);
        ws.Con_flags &= ~uint32_t(CON_MODE);
        KestMirrorInit();
        run_start_up();
        if (ws.Cmd_flags & CMD_PROGRAM_NAMED) {
          // RUN of the program named on the command line.
          // A program that cannot be started is reported, not passed over.
          ws.Exec_ptr = ws.Stmt_ptr = Lead_dir() + 2;
          ws.Cur_stno = 0;
          ws.Call_err = 0;
          ProcessExecLine();
          if (ws.Call_err > 0) {
            // The program named on the command line could not be run.
            std::string text = "Unable to initialize lead program:\r\n " + Msg_text(ws.Call_err) + "\r\n";
            Con_write(text.data(), text.size());
            Report_error(ws.Call_err);
          }
          ws.Call_err = 0;
        }
      } else {
        ws.Con_flags |= CON_MODE;
        ProcessExecLine();
      }
    } catch (const Oru_error& e) {
      Report_error(e.no);
    } catch (const Restart_request& r) {
      // START: every guard has run on the way out; begin afresh.
      Restart(r);
    }
    if (ws.Prm.XT || ws.End_process) break;
  }
}

void main_wrapup() {
  KestDbgShutdown();
  if (Ide_shutdown_hook) Ide_shutdown_hook();
  Con_flush();
  Wrap_up();
  Pdf_FreeLibHaru();
  Clr_glo_var();
  Reset_line();
  System_wrapup();
  std::free(ws.Work_base);
  ws.Work_base = ws.Work_ptr = ws.Work_mark = ws.Work_end = nullptr;
}

int OruMain(int argc, char** argv) {
  Main_args(argc, argv);
  if (!ws.Work_base) {
    ws.Work_base = static_cast<uint8_t*>(std::malloc(WORK_AREA_SIZE));
    if (!ws.Work_base) return 1;
    ws.Work_ptr = ws.Work_mark = ws.Work_base;
    ws.Work_end = ws.Work_base + WORK_AREA_SIZE;
  }
  input_is_terminal = isatty(0) != 0;
  Process_init();
  ws.Start_flags |= SF_FIRST_PASS;
  Exec_console();
  main_wrapup();
  return ws.Exit_status;
}
