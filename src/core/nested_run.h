// The guards that put the caller's context back around nested work, on
// every way out, normal or by a thrown error:
//   Io_save_guard     the current-I/O area alone (I/O on another channel);
//   Exec_cursor_guard the program cursor alone (reading ahead in the program);
//   Nested_run_guard  the execution context around a nested run of compiled
//                     code (a console-style line, a function body, a mouse
//                     region's statement, a program run to completion by a
//                     nested CALL, a terminal driver program), with what else
//                     the run may change chosen by flags.
// Work that runs code in a nested way takes one of these rather than saving
// fields by hand, so that no way out skips a field.
#pragma once

#include <cstdint>
#include <optional>

#include "core/control_stack.h"
#include "core/workspace.h"

// What a nested run restores beyond the position (cursor and line), the
// ERR= target, the statement not yet scanned for ERR= and the call status.
enum Nested_restore : unsigned {
  NESTED_UNWIND = 1,    // pop control-stack entries the nested run left behind
  NESTED_STOP = 2,      // the STOP position and the busy line
  NESTED_IO = 4,        // the whole current-I/O area (ws's Io_state)
  NESTED_CALL_ERR = 8,  // ws.Call_err, the error a nested call hands back
  NESTED_WORK = 16,     // the work-area pointer (what the run took is given back)
};

// The whole current-I/O area, saved and restored around nested I/O.
class Io_save_guard {
 public:
  Io_save_guard() : saved_(static_cast<Io_state&>(ws)) {}
  ~Io_save_guard() { static_cast<Io_state&>(ws) = saved_; }
  Io_save_guard(const Io_save_guard&) = delete;
  Io_save_guard& operator=(const Io_save_guard&) = delete;
 private:
  Io_state saved_;
};

// The program cursor alone (the position and the statement start), put back
// on every way out: for statements that read ahead in the program (DATA
// values, a SELECT loop's WHERE) without running another line.
class Exec_cursor_guard {
 public:
  Exec_cursor_guard() : exec_(ws.Exec_ptr), stmt_(ws.Stmt_ptr) {}
  ~Exec_cursor_guard() {
    ws.Exec_ptr = exec_;
    ws.Stmt_ptr = stmt_;
  }
  Exec_cursor_guard(const Exec_cursor_guard&) = delete;
  Exec_cursor_guard& operator=(const Exec_cursor_guard&) = delete;

 private:
  uint8_t* exec_;
  uint8_t* stmt_;
};

class Nested_run_guard {
 public:
  explicit Nested_run_guard(unsigned restore) : restore_(restore) {
    if (restore & NESTED_IO) io_.emplace(static_cast<Io_state&>(ws));
  }
  ~Nested_run_guard() {
    // Unstacking runs first: it may move the position put back below.
    if (restore_ & NESTED_UNWIND)
      while (ws.Ctl_depth > depth_) Exec_unstack();
    ws.Exec_ptr = exec_;
    ws.Stmt_ptr = stmt_;
    ws.Cur_stno = stno_;
    Restore_line_pos(pos_);
    if (restore_ & NESTED_STOP) {
      ws.Stop_stno = stop_stno_;
      ws.Stop_ptr = stop_ptr_;
      ws.Bsy_line = bsy_line_;
    }
    ws.Err_line = err_line_;
    ws.Stmt_save = stmt_save_;
    ws.Call_status = call_status_;
    if (io_) static_cast<Io_state&>(ws) = *io_;
    if (restore_ & NESTED_CALL_ERR) ws.Call_err = call_err_;
    if (restore_ & NESTED_WORK) ws.Work_ptr = work_;
  }
  Nested_run_guard(const Nested_run_guard&) = delete;
  Nested_run_guard& operator=(const Nested_run_guard&) = delete;

 private:
  unsigned restore_;
  uint8_t* exec_ = ws.Exec_ptr;
  uint8_t* stmt_ = ws.Stmt_ptr;
  uint16_t stno_ = ws.Cur_stno;
  Line_pos pos_ = Save_line_pos();
  uint16_t stop_stno_ = ws.Stop_stno;
  uint8_t* stop_ptr_ = ws.Stop_ptr;
  uint32_t bsy_line_ = ws.Bsy_line;
  uint32_t err_line_ = ws.Err_line;
  uint8_t* stmt_save_ = ws.Stmt_save;
  int call_status_ = ws.Call_status;
  uint32_t depth_ = ws.Ctl_depth;
  int call_err_ = ws.Call_err;
  uint8_t* work_ = ws.Work_ptr;
  std::optional<Io_state> io_;
};
