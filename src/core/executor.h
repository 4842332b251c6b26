// The statement executor.
#pragma once
#include <cstdint>

#include "core/dispatch.h"

void Exec_line();
// The statement loop's epoch: it moves on whenever anything but the loop's
// own inline paths runs (a statement through the directive tables, an
// assignment or NEXT on its general path, served requests, a jump or line
// change the loop does not take inline, an error, entering or leaving
// Exec_line).  While it stands still, only those inline paths (numeric
// assignment of simple operands, NEXT, cached GOTO, the step to the next
// line) and READ's fast path have run: no channel, variable, parameter,
// program line or current-I/O field has changed but variable values, the
// program cursor and what READ's fast path itself sets.  A directive may so
// keep what it learned about a statement for as long as the epoch it saw
// holds (READ of a serial channel does).  READ is dispatched by the loop
// without moving the epoch: its handler moves it when it takes its general
// path.  Never 0.
inline uint64_t Exec_epoch = 1;
// Thrown by an operation that moved the program cursor itself (the line
// editor's SETCTL branch, an escape while waiting for a key): Exec_line
// carries on from ws.Exec_ptr, abandoning the statement in progress.
struct Stmt_restart {};

struct Str_blk;
// The step from the end of a line to the next line's first statement, as
// the statement loop takes it in Next_line's two usual cases, kept for a
// statement that ends its line (Keep_line_step): the next line's Str_ptr
// (null: no step kept; its first statement at str + 2), record, edit block,
// length and number, and the line state it was taken from.  While the
// statement loop's epoch holds, the step holds for that line state.  When
// the next line starts with a GOTO that the loop would take from its cache,
// the step is kept through it: to the GOTO's target line.
struct Line_step {
  uint8_t* str = nullptr;
  uint8_t* rec = nullptr;
  Str_blk* blk = nullptr;
  const uint8_t* from_rec = nullptr;
  int32_t len = 0;
  uint16_t no = 0;
  uint16_t from_no = 0;
};
// Keeps in t the step the statement loop would take at the end of the
// current line now (none, str null, when it would not take one there).
void Keep_line_step(Line_step& t);
// The step READ's fast path kept for its statement (str null when the
// statement does not end its line), set by that path when it has read the
// statement and nothing else: the statement loop clears it before READ and
// takes the step after it, as after a kept assignment.  That path sets none
// of the fields the loop resets after a statement (no ERR= line, no work
// area), so the loop does not reset them after it.
inline const Line_step* Read_line_step = nullptr;
void Exec_go(uint32_t target);  // GOTO: jump to a line (program) or set the stop point (console)
void Set_console();
// IF: evaluates the condition and moves to the part that runs.
void Exec_if();
// IF after its condition (the value in ws.Num_acc, the cursor after it):
// moves to the part that runs.  It moves only the cursor (and the current
// line, for a block IF), or raises an error.
void Exec_if_part();
// RUN without a line (and CONTINUE at the console): the program goes on at
// its stop point, or (unless must_resume, then error 27) starts at its first
// line.
void Run_continue(bool must_resume);
// RESET: error state, SETERR and SETESC lines, the control stack, precision.
void Do_reset();

// The directive tables dir_jmp and ext_jmp: core/dispatch.h.
