// The console loop: the process's main loop.  Each pass reads one console
// line, compiles it, and either stores it as a numbered program line or runs
// it at once through the executor.  A program started by RUN runs inside the
// Exec_line call of the console line that started it.
//
// When standard input is not a terminal, each line read is echoed after the
// prompt, followed by a new line, so that a piped session reads like a
// terminal transcript.  End of input ends the process with status 0.
#include "app/console.h"
#include "app/wiring.h"

#include <sys/stat.h>
#include <unistd.h>

#include <csignal>
#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <string>
#include <vector>

#include "core/console_device.h"
#include "core/codes.h"
#include "core/compiler.h"
#include "core/control_stack.h"
#include "core/editor.h"
#include "core/error_recovery.h"
#include "core/errors.h"
#include "core/executor.h"
#include "core/lexicon.h"
#include "core/line_store.h"
#include "core/memory.h"
#include "core/hooks.h"
#include "core/host.h"
#include "core/messages.h"
#include "app/startup.h"
#include "core/variables.h"
#include "core/workspace.h"
#include "programs/program_info.h"
#include "programs/call_frame.h"
#include "programs/debug_link.h"
#include "programs/program_list.h"
#include "core/signal_flags.h"
#include "terminal/command_window.h"
#include "terminal/terminal.h"
#include "pdf/pdf_channel.h"

#ifndef ORU_BUILD_LIBDIR
#define ORU_BUILD_LIBDIR "lib"
#endif

namespace {

// A console line whose statement is only END: the cursor rests on it while
// the console reads, so that anything looking at the statement sees END.
uint8_t Console_END[] = {0, 0, code::D_END, code::EOL};
bool input_is_terminal = true;

// CTL values that a key definition gives the console's own read.
constexpr int32_t CTL_IGNORE_LINE = 32001;
constexpr int32_t CTL_CLOSE_CMD_WINDOW = 32002;

}  // namespace

void Prompt_out() {
  Set_console();
  bool cmd_window = Cmd_window_enabled() && Cmd_window_is_open();
  if (cmd_window) Cmd_window_prompt();
  if (ws.Prm.QT) return;
  Term_prompt_attr();
  if (Con_column() != 0) Con_newline();
  // Inside a called program the prompt shows the call depth.
  if (ws.Call_link) Con_puts(std::to_string(Call_depth() + 1).c_str());
  else Con_puts("-");
  // The command window's prompt shows that the debugger reads the line.
  if (cmd_window) Con_puts((ws.Pgm_flags & PGM_CHANGED) ? ";" : "}");
  else Con_puts((ws.Pgm_flags & PGM_CHANGED) ? ":" : ">");
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
  GotoComndWdw();
  Prog_drop(nullptr);  // programs nobody uses are read from their files again
  Prompt_out();
  // AUTO pre-types the next line number, shown as if typed.
  std::string prefix;
  if (Auto_next(prefix)) Con_write(prefix.data(), prefix.size());
  ws.Cur_stno = 0;
  ws.Exec_ptr = ws.Stmt_ptr = Console_END + 2;
  try {
    std::string line;
    if (Cmd_window_enabled()) ws.Ctl_value = 0;  // CTL values of the line read below only
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
    if (Cmd_window_enabled()) {
      // Keys of the command window: CTL 32001 ignores the line, 32002
      // closes the window; otherwise the line is read in the window.
      if (ws.Ctl_value == CTL_IGNORE_LINE) return 1;
      if (ws.Ctl_value == CTL_CLOSE_CMD_WINDOW) {
        DropComndWdw();
        return 1;
      }
      GotoComndWdw();
    }
    Process_input(line);
    if (ws.Str_len > 0) Exec_command(1);
  } catch (const Oru_error& e) {
    ws.Run_flags &= ~RF_CONSOLE_READ;
    ws.Err_no = e.no;  // ERR reads it, as after an error of a statement
    Report_error(e.no);
  }
  return 1;
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
  if (ws.Call_err > 0) Report_error(ws.Call_err, std::string(failed) + "\n");
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
    End_at_top_level = false;  // (a program that stopped otherwise meanwhile)
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
          Last_stop = Program_stop{};
          ProcessExecLine();
          if (Last_stop.error >= 0 && !Last_stop.reported) {
            // The program named on the command line could not be run, or
            // stopped on an error (busy 0 as well) that was not reported.
            // A line of the program is reported as any program error; the
            // lead text is for the RUN itself failing.
            int n = Last_stop.error;
            if (Last_stop.on_line) {
              Report_error(n);
            } else {
              std::string text = "Unable to initialize lead program:\r\n " + Msg_text(n) + "\r\n";
              Report_error(n, text);
            }
          }
          // The process ends when the program returns to the console: one
          // that stopped on an error ends it with status 1.
          if (Last_stop.error >= 0) ws.Exit_status = 1;
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
  App_wire();
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
