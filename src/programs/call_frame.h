// Subprogram calls: call frames.
//
// The program context is the part of the workspace that describes the
// running program: its lines or image and names, variable trees and table,
// localisations, control stack, error and escape lines, flags, precision,
// access masks, path, name and description, argument list and user
// functions (the Prog_context base of the workspace).  A call copies the
// caller's context into a Call_frame and clears it; ws.Call_link points at
// the caller's frame, whose own Call_link field points at its caller's, so
// the frames form a chain that ends with null at the top level.
//
// A call runs in the executor's own loop: CALL pushes a frame, loads the
// program and leaves the cursor on its first statement; EXIT pops the
// frame and leaves the cursor after the calling statement.  A call from the
// console or from a nested execution (Inline_Call, Perform_Logic, the
// error-handler and file-event programs) returns to an empty statement on
// line 0, which ends that console line or nested execution.
#pragma once
#include <cstdint>
#include <type_traits>

#include "core/workspace.h"
#include "programs/arguments.h"

struct Ctl_frame;

// A bound call passes at most this many arguments (Exec_call_bound).
constexpr uint32_t CALL_FRAME_ARGS = 6;

// A saved program context (the workspace's Prog_context), and the argument
// records of a bound call made from it: the called context's ws.Arg_list
// then links these (in_frame set), which live as long as the frame.
struct Call_frame : Prog_context {
  Arg_rec args[CALL_FRAME_ARGS];
  // Pgm_load_epoch when a bound call pushed the frame (0: any other push):
  // its return parks the called program's record while nothing has been
  // loaded since (programs/program_list.h).
  uint64_t load_epoch = 0;
  // How many of the frame's own records a bound call's argument list is, in
  // order (0: any other push), so that its return takes them without
  // walking the list.
  uint32_t bound_n = 0;
  // The shape of the records' kinds and links (0: none known; see
  // bound_shape in call_frame.cpp): only a bound call writes them, and only
  // when its shape differs.
  uint32_t arg_shape = 0;
  // Var_shape_gen as a bound call found it before binding (0: any other
  // push), so that its return knows whether any variable node changed its
  // shape since.
  uint64_t shape_gen = 0;
  Call_frame() {
    for (Arg_rec& a : args) a.in_frame = true;
  }
};
static_assert(ARG_NUM_REF == 1 && ARG_STR_REF == 2, "a bound argument's kind is its variable's type code");
static_assert(std::is_trivially_copyable_v<Prog_context>, "a call saves the context as one block");

// The running program's call level: 1 at the top, one more per CALL.
int32_t Prog_call_level();

// A program context kept for a later warm start: the pointers each call
// owns or takes from its caller are cleared, so the kept copy holds none.
inline void Forget_call_owned(Prog_context& c) {
  c.Call_link = nullptr;
  c.Arg_list = nullptr;
  c.Pgm_cache_ent = nullptr;
  c.Cur_pgm = nullptr;
  c.Pgm_name = nullptr;
  c.Var_index = nullptr;
  c.Loc_num_tree = c.Loc_str_tree = nullptr;
  c.Pgm_text_blk = nullptr;
}

// Forms of Exec_subprogram
enum : int {
  FORM_CALL = 152,
  FORM_PERFORM = 197,
};

// Pushes a frame and loads the program named by the string accumulator
// (with an optional entry point after ";") as the current program, with
// the argument list (owned by the new context from here on).  PERFORM
// hands the caller's variables to the program.  A program that cannot be
// loaded pops the frame again and its error is raised at the calling
// statement.
void Exec_subprogram(int form, Arg_rec* list);
// A call whose program the caller has found already (the object layer's
// method frame): load does Exec_load's work for the context that has just
// been cleared, with ctx its own, and returns 1 when it left the cursor on
// an entry point (as Exec_load).  Null: Exec_load.
using Call_loader = int (*)(void* ctx);
void Exec_subprogram_with(int form, Arg_rec* list, Call_loader load, void* ctx);
// A bound call: CALL of the program named by name/len with the arguments
// at the cursor, when the program starts warm (a resident or cached image
// whose last call kept its context) at its planned ENTER, and every
// argument is a variable of the caller passed by reference to a scalar
// item of its type whose kept variable is free of flags.  The frame is
// pushed, the arguments are bound straight to the callee's variables (no
// argument list is built, ENTER does not run) and the cursor is left after
// the ENTER, as if it had run.  Anything else, or any pending request of
// the statement loop (TRACE, step, breakpoints, escape ...): false, and
// nothing was done.  The call's ERR= is taken here.
bool Exec_call_bound(const uint8_t* name, uint32_t len);
// Pops the current frame: arguments flow back, the called program and its
// variables go, the caller's context and position return.
void Exec_pop();
// The statement loop's own ways into a bound call and out of a call
// (Call_exit_path, core/executor.h); CALL
// goes on through named_call when the bound call refuses.
void Call_register_loop_paths(void (*named_call)());
// Pops every frame (QUIT, START, shut-down).
void Pop_all_frames();
// Pops the frames of calls down to the top level, or to the level a nested
// run started (which its own END leaves as EXIT).
void Call_leave_plain();
// CALL of a program by name, no arguments, running in the executor's loop
// (the console's or a nested one).  A failure to start is raised with the
// frame popped again.
void Exec_call(const char* name);
// CALL of the name in the string accumulator run to completion in a nested
// execution; the exit code (-1 none), the error number when it failed to
// start, 10 for an empty name.
int Inline_Call();
// PERFORM of a name run to completion in a nested execution; the exit code
// (-1 none) or the error raised while it started.
int Perform_Logic(const char* name);
// Starts a call of the name in the string accumulator with the argument
// list in a nested execution and runs it to completion; flags2 are set in
// the called program's ws.Pgm_flags2.  The exit code (-1 none) or the error
// number when it failed to start (*started, when given, tells which).
int Nested_call(int form, Arg_rec* list, uint32_t flags2, bool* started = nullptr, Call_loader load = nullptr,
                void* ctx = nullptr);
// Number of frames on the chain (0 at the top level).
int Call_depth();
// The push of a call whose callee makes its context current itself (the
// object layer's warm method frame): a frame holding the caller's context,
// with the place the call returns to marked, as Exec_subprogram_with's own
// push.  ws is still the caller's context.
Call_frame* Call_push_saved();
// The FOR loops of a control stack whose control variable is one gone
// picks (about to be freed) go on without it: a count with the loop's own
// counter, a loop over a string's pieces counting them alone.
void Ctl_loops_detach(Ctl_frame* f, bool (*gone)(const Var_node* v, const void* ctx), const void* ctx);
// The current variables are about to be cleared: the argument bindings to
// them are forgotten, and callers' loops on them (shared) detached.
void Vars_clearing();
// Pops frames left above depth (a nested run that ended without its
// return, or by an error), as a failed start pops its frame.
void Call_unwind_to(int depth);
// The empty statement a call made from line 0 returns to.
uint8_t* Empty_statement();
