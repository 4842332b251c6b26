// Nested_run_guard: the caller's execution context around a nested run of
// compiled code (a console-style line, a function body, a mouse region's
// statement), put back on every way out, normal or by a thrown error.
#pragma once

#include <cstdint>

#include "core/control_stack.h"
#include "core/workspace.h"

// What a nested run restores beyond the position, ERR= target and status.
enum Nested_restore : unsigned {
  NESTED_UNWIND = 1,  // pop control-stack entries the nested run left behind
  NESTED_STOP = 2,    // the STOP position and the busy line
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
  explicit Nested_run_guard(unsigned restore) : restore_(restore) {}
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
};
