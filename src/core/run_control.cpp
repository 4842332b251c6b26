// Run control: RUN, END, STOP, GOTO, the remark forms and QUIT.
//
// The stop point (ws.Stop_stno, ws.Stop_ptr) is where RUN resumes: the
// executor records it whenever a program line leaves Exec_line (STOP, an
// escape, an error), GOTO typed at the console sets it, and END clears it so
// that the next RUN starts at the first line.
#include "core/codes.h"
#include "core/directives.h"
#include "core/errors.h"
#include "core/executor.h"
#include "core/line_store.h"
#include "core/workspace.h"

namespace {

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

// A stop point still inside its line (the line may have been edited since).
bool stop_point_valid() {
  if (ws.Stop_stno == 0 || ws.Stop_ptr == nullptr) return false;
  if (Find_line(ws.Stop_stno) != ws.Stop_stno) return false;
  return ws.Stop_ptr >= ws.Str_ptr + 2 && ws.Stop_ptr < ws.Str_ptr + ws.Str_len;
}

// END and STOP: the program stops and the console takes over.
void end_program(bool keep_stop_point) {
  if (ws.Start_flags & SF_NESTED) Rpt_error(34);
  // RESET as far as its parts exist: error state, precision, floating mode.
  ws.Err_no = 0;
  ws.Err_stno = 0;
  ws.Precision = 2;
  ws.Num_flags &= ~uint32_t(NF_FLOATING);
  ws.Run_flags &= ~RF_TRACE;
  ws.Exec_ptr = statement_end();
  if (!keep_stop_point) {
    ws.Stop_stno = 0;
    ws.Stop_ptr = nullptr;
    ws.Cur_stno = 0;  // the program no longer runs: no stop point is recorded
  }
  ws.Con_flags |= CON_MODE | CON_LEAVE_NESTED;
  ws.Run_flags |= RF_STOP;
}

}  // namespace

// RUN [line]: starts the program at the given line, else resumes it at its
// stop point, else starts it at its first line.
void d_run() {
  uint8_t c = *ws.Exec_ptr;
  uint16_t n;
  uint8_t* start;
  if (c == code::LINE_REF || c == code::LABEL || c == code::LABEL_IDX || c == code::LABEL_IDX2) {
    n = Find_line(Get_line());
    start = ws.Str_ptr + 2;
  } else if (c == code::STMT_SEP || c == code::EOL) {
    if (stop_point_valid()) {
      n = ws.Stop_stno;
      start = ws.Stop_ptr;
    } else {
      n = Find_line(0);
      start = ws.Str_ptr + 2;
    }
  } else {
    Not_built("RUN of a program file");
  }
  ws.Stop_stno = 0;
  ws.Stop_ptr = nullptr;
  ws.Con_flags &= ~uint32_t(CON_MODE);
  ws.Cur_stno = n;
  ws.Exec_ptr = start;
}

void d_end() { end_program(false); }

void d_stop() { end_program(true); }

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
    if (!(ws.Start_flags & SF_NESTED)) end_program(false);
    ws.Prm.XT = true;
    ws.Run_flags |= RF_STOP;
  }
}
