// The statement executor.
#pragma once
#include <cstddef>
#include <cstdint>
#include <string>

#include "core/codes.h"
#include "core/dispatch.h"
#include "core/workspace.h"

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
// The step from the end of a line of a program image to the next line's
// first statement, as the statement loop takes it there when nothing is
// pending (the next record: length, line number, code), found once for a
// statement that ends its line and kept with it: a call's ENTER, where the
// call goes on.  It holds for as long as the image does.
struct Image_line_step {
  uint8_t* next = nullptr;  // the next line's record (null: no step)
  int32_t len = 0;
  uint16_t no = 0;
  // The step after the statement that ends at stmt_end, on the line whose
  // record is line within image (size bytes), the cursor on line stno at
  // line position line_no; none when the statement does not end the line,
  // the cursor is not that line's own, or the line is the last.
  void learn(const uint8_t* image, size_t size, uint8_t* line, const uint8_t* stmt_end, uint16_t stno,
             uint16_t line_no);
  // take()'s stores but the line's own fields (record, number, no edit
  // block), which a copy of a context brought.
  [[gnu::always_inline]] void take_cursor() const {
    ws.Str_ptr = next + 2;
    ws.Str_len = len;
    ws.Cur_stno = no;
    ws.Exec_ptr = ws.Stmt_ptr = next + 4;
  }
  // The next line's first statement made current.
  [[gnu::always_inline]] void take() const {
    ws.Cur_edit_blk = nullptr;
    ws.Cur_line_rec = next;
    ws.Cur_line_no = no;
    take_cursor();
  }
};
// The step READ's fast path kept for its statement (str null when the
// statement does not end its line), set by that path when it has read the
// statement and nothing else: the statement loop clears it before READ and
// takes the step after it, as after a kept assignment.  That path sets none
// of the fields the loop resets after a statement (no ERR= line, no work
// area), so the loop does not reset them after it.
inline const Line_step* Read_line_step = nullptr;
// The name of a CALL at `at` (the code after the keyword) given as a plain
// literal that a call reads in place: not empty, no routing prefix ("["),
// followed by the arguments' comma or the statement's end.  Its length in
// *n and the code after it; null for any other name.
[[gnu::always_inline]] inline uint8_t* Call_literal_name(uint8_t* at, uint32_t* n) {
  if (at[0] != code::STR_LIT) return nullptr;
  const uint32_t len = get_u16be(at + 1);
  uint8_t* const end = at + 3 + len;
  if (!len || at[3] == '[' || !(*end == code::COMMA || (Cde_tbl[*end] & CC_STMT_END))) return nullptr;
  *n = len;
  return end;
}
// Without the programs layer: no bound call, CALL and EXIT through their
// dispatch slots (unwired there: error 99).
namespace call_exit_default {
inline uint8_t* bound_call(const uint8_t*, uint32_t, uint8_t*) { return nullptr; }
inline void named_call() {
  ws.Exec_ptr = ws.Str_ptr - 3;  // back on the literal's code
  dir_jmp[code::D_CALL - int(code::EXT_DIR)]();
}
inline uint8_t* exit_pop() {
  dir_jmp[code::D_EXIT - int(code::EXT_DIR)]();
  return nullptr;
}
}  // namespace call_exit_default
// CALL and EXIT in their usual forms, which the statement loop takes itself
// instead of through d_call and d_exit: filled by the programs layer at
// start-up beside those two.  Each does exactly what the directive does in
// that case.
struct Call_exit_paths {
  // CALL "name" of a plain literal name (never empty): the bound call, args
  // the cursor after the name (ws.Exec_ptr, at hand).  When it ran, the
  // cursor and the statement start (ws.Exec_ptr, ws.Stmt_ptr) on the
  // callee's statement after its ENTER, the cursor returned, and of
  // what the loop resets after a statement only the ERR= line may have
  // changed.  Null, with nothing done, otherwise.
  uint8_t* (*bound_call)(const uint8_t* name, uint32_t len, uint8_t* args) = call_exit_default::bound_call;
  // CALL's way on when bound_call refused: the name in ws.Str_ptr and
  // ws.Str_len (a literal's text), the cursor after it.
  void (*named_call)() = call_exit_default::named_call;
  // EXIT alone on a program line of a called program (ws.Call_link set,
  // ws.Call_status not -1): the frame popped.  When it took the bound
  // call's usual way back, the caller's cursor after the call, returned and
  // not stored (the loop stores it, the start of the caller's next
  // statement): the caller's line is current, and of what the loop resets
  // after a statement only the ERR= line (the caller's, back with its
  // context) may have changed.  Null otherwise, the cursor stored.
  uint8_t* (*exit_pop)() = call_exit_default::exit_pop;
};
inline Call_exit_paths Call_exit_path;
// A file's loop comes back to the READ it has just run (READ, kept
// assignments, GOTO back): the statement loop asks that READ's kept path for
// the following lines at once, without the dispatch and line state between
// them.  Read_again_find (filled by the channel layer) gives, for the READ
// whose code after its keyword starts at p, when it is the READ the fast
// path took last and its findings still hold, its one-line form and its
// site (null: none).  While the epoch holds and no other READ runs, the form
// reads the site's next line as the kept path would and returns its kept
// step (the one the kept path sets in Read_line_step; the form need not set
// it), or returns null with nothing done for a line the kept path does not
// take at once.
// Once the kept assignments after the READ are listed (Kept_chain, in
// core/kept_sums.h), the form's loop (Read_again_loop_fn) reads the lines
// and runs the listed sums after each, as the statement loop would by the
// list (kept_lines_listed), for as long as the lines are taken and the steps
// lead back: r the READ's kept step, back the step back to the READ.  It
// returns null when work became pending (the state as the statement loop
// leaves it to serve the work), back at a line the kept path does not take
// at once (nothing done for it), or the step the sums led to elsewhere; on
// those two ways out the statement loop takes the step returned, which sets
// the line state, the current string and the cursor (the loop leaves them
// to it).
struct Kept_chain;
using Read_again_fn = const Line_step* (*)(void* site);
using Read_again_loop_fn = const Line_step* (*)(void* site, const Line_step* r, const Line_step* back,
                                                const Kept_chain& chain);
inline Read_again_fn (*Read_again_find)(const uint8_t* p, void** site, Read_again_loop_fn* loop) = nullptr;
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
// The escape-handler program (SETESC "name"); empty when none is set.
const std::string& Esc_pgm_name();

// The directive tables dir_jmp and ext_jmp: core/dispatch.h.
