// Run control: RUN, END, STOP, GOTO, the remark forms, QUIT, ESCAPE, the
// escape stop, RETRY, SETERR, SETESC, RESET, PRECISION, FLOATING POINT and
// ROUND.
//
// The stop point (ws.Stop_stno, ws.Stop_ptr) is where RUN resumes: the
// executor records it whenever a program line leaves Exec_line (STOP, an
// escape, a breakpoint, an error), GOTO typed at the console sets it, and END
// clears it so that the next RUN starts at the first line.  STOP keeps the
// control stack, so a program stopped inside a loop or subroutine goes on
// there; END and a RUN from the start clear it.
#include "core/console_device.h"
#include "core/hooks.h"
#include "core/with_stack.h"
#include "core/codes.h"
#include "core/dispatch.h"
#include "core/control_stack.h"
#include "core/directives.h"
#include "core/editor.h"
#include "core/errors.h"
#include "core/evaluator.h"
#include "core/data_pointer.h"
#include "core/executor.h"
#include "core/host.h"
#include "core/line_store.h"
#include "core/params.h"
#include "core/workspace.h"

namespace {

constexpr uint8_t OFF = 61;

// The end of the current statement: a separator or the line end (a remark
// runs to the end of its line).
uint8_t* statement_end() {
  uint8_t* save = ws.Exec_ptr;
  while (*ws.Exec_ptr != code::STMT_SEP && *ws.Exec_ptr != code::EOL) {
    if (Skip_code() == code::EOL) break;
  }
  uint8_t* p = ws.Exec_ptr;
  ws.Exec_ptr = save;
  return p;
}

// A position still inside line n (the line may have been edited since).
bool inside_line(uint16_t n, const uint8_t* ptr) {
  if (n == 0 || n >= LAST_LINE_NO || ptr == nullptr) return false;
  if (Find_line(n) != n) return false;
  return ptr >= ws.Str_ptr + 2 && ptr < ws.Str_ptr + ws.Str_len;
}

bool stop_point_valid() { return inside_line(ws.Stop_stno, ws.Stop_ptr); }

// END and STOP: the program stops and the console takes over.
void end_program(bool keep_stop_point) {
  if (ws.Start_flags & SF_NESTED) Rpt_error(err::NOT_AT_CONSOLE);
  Core_hook.trace_end();
  ws.Exec_ptr = statement_end();
  if (!keep_stop_point) {
    Core_hook.end_run();
    Do_reset();
    ws.Stop_stno = 0;
    ws.Stop_ptr = nullptr;
    ws.Cur_stno = 0;  // the program no longer runs: no stop point is recorded
  }
  ws.Con_flags |= CON_MODE | CON_LEAVE_NESTED;
  ws.Run_flags |= RF_STOP;
}

void start_at(uint16_t n, uint8_t* start) {
  Data_restore(0);
  if (Perform_on_active) Core_hook.perform_on_start();
  ws.Stop_stno = 0;
  ws.Stop_ptr = nullptr;
  ws.Con_flags &= ~uint32_t(CON_MODE);
  ws.Cur_stno = n;
  ws.Exec_ptr = start;
}

// A line reference operand, or 0 for OFF.
uint32_t line_or_off() {
  if (*ws.Exec_ptr == OFF) {
    ws.Exec_ptr++;
    return 0;
  }
  return Get_line();
}

}  // namespace

void Run_continue(bool must_resume) {
  if (stop_point_valid()) {
    start_at(ws.Stop_stno, ws.Stop_ptr);
    return;
  }
  if (must_resume) Rpt_error(err::NOTHING_TO_RETRY);  // CONTINUE with nothing stopped
  Clr_stack();
  uint16_t n = Find_line(0);
  start_at(n, ws.Str_ptr + 2);
}

// RUN [line]: starts the program at the given line, else resumes it at its
// stop point, else starts it at its first line.
void d_run() {
  if (Ide_run_hook) Ide_run_hook();
  if (Client_requests.run) Client_requests.run();
  uint8_t c = *ws.Exec_ptr;
  if (Is_line_ref(c)) {
    uint16_t n = Find_line(Get_line());
    Clr_stack();
    start_at(n, ws.Str_ptr + 2);
  } else if (c == code::STMT_SEP || c == code::EOL) {
    Run_continue(false);
  } else {
    Core_hook.load_statement(true);
  }
}

// END and STOP: inside a called program they are EXIT.
void d_end() {
  if (*ws.Exec_ptr == code::EXT_DIR && ws.Exec_ptr[1] == code::X_WITH) {
    ws.Exec_ptr += 2;
    End_with();
    return;
  }
  if (End_all_levels) {
    End_all_levels = false;
    if (ws.Start_flags & SF_NESTED) {
      // A nested run cannot end the program from inside: its levels are
      // left first, and the top level then runs this END.
      End_at_top_level = true;
      ws.Con_flags |= CON_LEAVE_NESTED;
      ws.Run_flags |= RF_STOP;
      return;
    }
    Core_hook.leave_calls();
  }
  if (ws.Call_link) {
    Core_hook.exec_exit(false, 0);
    return;
  }
  end_program(false);
}

void d_stop() {
  if (ws.Call_link) {
    Core_hook.exec_exit(false, 0);
    return;
  }
  end_program(true);
}

void d_goto() { Exec_go(Get_line()); }

// REM and the comment form: the rest of the line is their text.
void d_rem() {
  uint8_t* p = ws.Exec_ptr;
  while (*p != code::EOL) ++p;
  ws.Exec_ptr = p;
}

void d_remc() { d_rem(); }

// QUIT: the process ends once the console loop is reached again.
void d_quit() {
  ws.End_process = true;
  if (!(ws.Run_flags & RF_STOP)) {
    // Inside a nested run (a method, an event handler) every level is left
    // first; the process ends once the outermost has stopped.
    if (!(ws.Start_flags & SF_NESTED)) end_program(false);
    else ws.Con_flags |= CON_LEAVE_NESTED;
    ws.Prm.XT = true;
    ws.Run_flags |= RF_STOP;
  }
}

// ---- escapes ----

void Exec_escape() {
  if (ws.Start_flags & SF_NESTED) return;
  ws.Prm.XT = false;
  ws.Con_opts |= 4;
  uint16_t n = ws.Cur_stno ? ws.Cur_stno : ws.Stop_stno;
  if (n == 0) return;
  Set_console();
  Cmd_window_open();
  if (Con_column() != 0) Con_newline();
  if (n < LAST_LINE_NO && Find_line(n) == n) {
    uint8_t* work = ws.Work_ptr;
    Exec_list();
    ws.Work_ptr = work;
  }
  if (ws.Cur_stno != 0) {
    ws.Con_flags |= CON_MODE;
    ws.Run_flags |= RF_STOP;
  }
}

// ESCAPE n raises error n; bare ESCAPE stops the program as an interrupt
// does; ESCAPE OFF and ESCAPE ON disable and enable that (and interrupts).
void d_esca() {
  uint8_t c = *ws.Exec_ptr;
  if (c == OFF) {
    ws.Exec_ptr++;
    ws.Cmd_flags |= CMD_NO_ESCAPE;
    return;
  }
  if (c == code::D_ON) {
    ws.Exec_ptr++;
    ws.Cmd_flags &= ~uint32_t(CMD_NO_ESCAPE);
    return;
  }
  if (!(Cde_tbl[c] & CC_STMT_END)) {
    int n = Eval_range(0, 255);
    Rpt_error(n);
  }
  if (ws.Cmd_flags & CMD_NO_ESCAPE) return;
  if (ws.Start_flags & SF_NESTED) {
    // Inside a method the escape stop does nothing.
    if (Running_object_hook && Running_object_hook()) return;
    Rpt_error(err::NOT_AT_CONSOLE);
  }
  Exec_escape();
}

namespace {
std::string esc_pgm;
}  // namespace

const std::string& Esc_pgm_name() { return esc_pgm; }

// SETESC line | OFF: an interrupt runs the line as a subroutine.  SETESC STOP
// and SETESC ON set and clear the option that passes the line by (the
// escape then goes to the escape-handler program, else stops the program);
// SETESC "name" sets that program (an empty name clears it); SETESC DISABLE
// and SETESC ENABLE set and clear the option that passes the program by.
// Every form re-arms the interrupt handler.
void d_sesc() {
  Set_break_handler();
  uint8_t c = *ws.Exec_ptr;
  if (c == code::D_STOP || c == code::D_ON) {
    ws.Exec_ptr++;
    if (c == code::D_STOP) ws.Cmd_flags |= CMD_ESC_OPTION;
    else ws.Cmd_flags &= ~uint32_t(CMD_ESC_OPTION);
    return;
  }
  if (c == code::EXT_DIR && (ws.Exec_ptr[1] == code::X_DISABLE || ws.Exec_ptr[1] == code::X_ENABLE)) {
    if (ws.Exec_ptr[1] == code::X_DISABLE) ws.Cmd_flags |= CMD_ESC_NO_PGM;
    else ws.Cmd_flags &= ~uint32_t(CMD_ESC_NO_PGM);
    ws.Exec_ptr += 2;
    return;
  }
  if (c == OFF || Is_line_ref(c)) {
    ws.Esc_line = line_or_off();
    return;
  }
  Eval_str();
  esc_pgm.assign(reinterpret_cast<const char*>(ws.Str_ptr), size_t(ws.Str_len));
}

// ---- errors ----

void d_serr() {
  ws.Pgm_flags2 &= ~uint32_t(PGM2_IN_SETERR);
  if (*ws.Exec_ptr == code::STR_LIT) {
    ext_jmp[code::X_ERRH - code::X_ADD]();  // SETERR "program" is ERRH "program"
    return;
  }
  ws.Seterr_line = line_or_off();
}

void d_retr() {
  if (ws.Cur_stno == 0) Rpt_error(err::NOT_AT_CONSOLE);
  if (ws.Retry_stno == 0 || !inside_line(ws.Retry_stno, ws.Retry_ptr)) Rpt_error(err::NOTHING_TO_RETRY);
  ws.Cur_stno = ws.Retry_stno;
  ws.Exec_ptr = ws.Retry_ptr;
  ws.Pgm_flags2 &= ~uint32_t(PGM2_IN_SETERR);
}

// ---- RESET and the arithmetic mode ----

void Do_reset() {
  Data_restore(0);
  ws.Err_no = 0;
  ws.Err_stno = 0;
  ws.Seterr_line = 0;
  ws.Esc_line = 0;
  ws.Retry_stno = 0;
  ws.Retry_ptr = nullptr;
  ws.Pgm_flags2 &= ~uint32_t(PGM2_IN_SETERR);
  Clr_stack();
  ws.Precision = prmblk.PD;
  ws.Num_flags &= ~uint32_t(NF_FLOATING);
}

void d_rset() { Do_reset(); }

void d_floa() {
  ws.Num_flags |= NF_FLOATING;
  ws.Precision = 18;
}

void d_prec() {
  // PRECISION n FOR OBJECT,ERR=line: the clause takes a bad n too.
  if (!ws.Err_line) Err_scan_from(ws.Exec_ptr);
  int n = Eval_range(-1, 18);
  if (ws.Exec_ptr[0] == code::D_FOR && ws.Exec_ptr[1] == code::PREFIX2 && ws.Exec_ptr[2] == 64) {
    // PRECISION n FOR OBJECT: the running object's own precision.
    ws.Exec_ptr += 3;
    if (*ws.Exec_ptr == code::COMMA) ws.Exec_ptr++;
    Chk_err();
    Core_hook.object_precision(n);
    return;
  }
  if (At_err_tail()) {
    ws.Exec_ptr++;
    Chk_err();
  }
  if (n == -1) {
    d_floa();
    return;
  }
  ws.Precision = n;
  ws.Num_flags &= ~uint32_t(NF_FLOATING);
}

void d_roun() {
  if (*ws.Exec_ptr == OFF) {
    ws.Exec_ptr++;
    ws.Num_flags &= ~uint32_t(NF_ROUND);
    return;
  }
  ws.Num_flags |= NF_ROUND;
}
