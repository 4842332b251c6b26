// Call frames: the general push and pop of the program context (any CALL,
// PERFORM or method frame the bound call does not take), and the nested
// calls that run a program to completion.
#include "programs/call_frame.h"

#include <bit>
#include <cstddef>
#include <cstring>
#include <functional>
#include <memory>
#include <new>
#include <string>
#include <vector>

#include "core/block_copy.h"
#include "core/codes.h"
#include "core/exec_command.h"
#include "core/control_stack.h"
#include "core/executor.h"
#include "core/errors.h"
#include "core/line_store.h"
#include "core/memory.h"
#include "core/nested_run.h"
#include "core/oru_assert.h"
#include "core/params.h"
#include "core/signal_flags.h"
#include "core/variables.h"
#include "programs/program_info.h"
#include "programs/arguments.h"
#include "programs/program_list.h"
#include "programs/program_load.h"
#include "programs/perform_on.h"
#include "programs/call_frame_ops.h"
#include "programs/var_keep.h"
#include "programs/warm_start.h"
#include "terminal/obj_attach.h"

namespace call_frames {

[[gnu::noinline]] Call_frame* make_frame() {
  void* b = Get_blk_line(sizeof(Call_frame));
  if (!b) Rpt_error(err::OUT_OF_MEMORY);
  return new (b) Call_frame();
}

// A new frame, or null when there is no memory for it.
[[gnu::noinline]] Call_frame* make_frame_or_null() {
  void* b = Get_blk_line(sizeof(Call_frame));
  return b ? new (b) Call_frame() : nullptr;
}

// The context of a program that has just been called: the workspace's
// defaults.
const Prog_context& fresh() {
  static const Prog_context defaults{};
  return defaults;
}

// The workspace's context made the defaults a called program starts from.
void clear_context() { restore_context(&fresh()); }

// The called program released: release_image's way for an image alone,
// else Clr_program's.
void release_program() {
  if (image_only()) release_image();
  else Clr_program();
}

// The callee's side of a return: attached objects released,
// values back (flow_back), control frames unstacked, variables kept,
// freed or handed back to a caller that shared them.
void leave_general(Call_frame* f, bool flow_back, std::vector<Var_node*>& refill) {
  // Objects attached to the program that returns lose their reference.
  if (Obj4_count()) Obj4_OnClose(OBJ4_PROGRAM, Prog_call_level());
  if (flow_back) {
    // Once their values are back the arguments are done with: the list
    // goes now, so that nothing below walks it again.
    Args_flow_back(ws.Arg_list, refill);
    FreeArgList(ws.Arg_list);
    ws.Arg_list = nullptr;
  }

  while (ws.Ctl_stack) Exec_unstack();
  ws.Ctl_depth = 0;
  if (f->Pgm_flags & PGM_SHARES_VARS) {
    // The caller's variables go back to it, without the callee's LOCALs.
    Delocalize_all();
    f->Loc_num_tree = ws.Loc_num_tree;
    f->Loc_str_tree = ws.Loc_str_tree;
    ws.Loc_num_tree = ws.Loc_str_tree = nullptr;
    if (ws.Pgm_flags & PGM_VARS_CLEARED) {
      // The callee cleared them: every node the caller's table knew is gone,
      // and with them those its ENTER bound to its own caller's arguments.
      for (uint32_t i = 0; i < f->Var_index_cnt; i++)
        if (f->Var_index) f->Var_index[i] = nullptr;
      Clr_arg_vars(f->Arg_list);
      f->Pgm_flags |= PGM_VARS_CLEARED;
    }
    f->Pgm_flags &= ~uint32_t(PGM_SHARES_VARS);
  } else if (!Prog_keep_vars()) {
    Clr_var();
  }
  if (ws.Arg_list) {
    FreeArgList(ws.Arg_list);
    ws.Arg_list = nullptr;
  }
}

// Pops the current frame.  flow_back: the arguments' values go back to the
// caller (an EXIT); without it (a call that failed to start) the caller's
// cursor returns to the start of the calling statement, where the error is
// raised.
void pop_frame(bool flow_back) {
  Call_frame* f = ws.Call_link;
  const Caller_acc acc;
  std::vector<Var_node*> refill;
  leave_general(f, flow_back, refill);
  release_program();
  back_to_caller(f, flow_back);
  acc.restore();
  if (!refill.empty()) Args_refill(refill);
  if (Perform_on_active) Perform_on_returned();
}

// The callee's variables when neither keep could keep them: freed.  The
// accumulators are the caller's and come back afterwards (Clr_var runs
// pending ++/--; the keeps evaluate nothing).
[[gnu::noinline]] void clear_vars() {
  const Caller_acc acc;
  Clr_var();
  acc.restore();
}

// Runs a started call in a nested execution until its frame is popped.  The
// caller's cursor, ERR= target, handed-back error and I/O area come back
// however the run ends.
int run_nested(int form, Arg_rec* list, uint32_t flags2, uint32_t frame_flags, bool* started,
               Call_loader load = nullptr, void* ctx = nullptr) {
  Nested_run_guard<NESTED_IO | NESTED_CALL_ERR> saved;
  if (started) *started = false;
  int depth = Call_depth();
  const uint16_t line = ws.Cur_stno;
  ws.Cur_stno = 0;  // the frame returns to line 0: its EXIT ends the nested line
  try {
    // The statement that runs the program keeps its exit hook: a program
    // that cannot start is this call's failure, not the statement's.
    Catch_region region;
    Exec_subprogram_with(form, list, load, ctx);
  } catch (const Oru_error& e) {
    return e.no;
  }
  // The caller's line, as its level shows it (DUMP, the debug links).
  if (line && Call_depth() > depth) ws.Call_link->Stop_stno = line;
  if (started) *started = true;
  ws.Call_err = -1;  // (opening the program's file uses the word too)
  ws.Pgm_flags2 |= flags2;
  ws.Call_link->Pgm_flags |= frame_flags;
  try {
    InternalExecLine();
  } catch (...) {
    Call_unwind_to(depth);
    throw;
  }
  // A program that stopped without returning (QUIT) is taken down here.
  Call_unwind_to(depth);
  return ws.Call_err;
}

}  // namespace call_frames

using namespace call_frames;

Call_frame* Call_push_saved() {
  Call_frame* f = new_frame();
  save_context(f);
  mark_return(f);
  return f;
}

void Ctl_loops_detach(Ctl_frame* f, bool (*gone)(const Var_node* v, const void* ctx), const void* ctx) {
  for (; f; f = f->link) {
    if (f->tag != TAG_FOR || !f->for_var || !gone(f->for_var, ctx)) continue;
    f->for_var = nullptr;
    if (f->for_flags & FOR_STRING) continue;
    f->counter = *f->for_val;
    f->for_val = &f->counter;
    f->for_flags |= FOR_COUNT;
  }
}

namespace {

bool in_current_trees(const Var_node* v, const void*) {
  auto* name = reinterpret_cast<const uint8_t*>(v->name);
  return Var_tree_find(ws.Loc_num_tree, name, v->name_len) == v ||
         Var_tree_find(ws.Loc_str_tree, name, v->name_len) == v;
}

}  // namespace

void Vars_clearing() {
  Clr_arg_var();
  // A program running on its caller's variables (PERFORM, an ENTER without
  // a list) that clears them leaves its callers' loops on them counting
  // alone.
  Call_frame* f = ws.Call_link;
  if (!f || !(f->Pgm_flags & PGM_SHARES_VARS)) return;
  for (; f; f = f->Call_link) Ctl_loops_detach(f->Ctl_stack, in_current_trees, nullptr);
}

void Call_unwind_to(int depth) {
  while (Call_depth() > depth) pop_frame(false);
}

uint8_t* Empty_statement() { return empty_statement + 2; }

int Call_depth() {
  int n = 0;
  for (Call_frame* f = ws.Call_link; f; f = f->Call_link) n++;
  return n;
}

std::string Program_path(int level) {
  Pgm_path* p = ws.Cur_pgm;
  Call_frame* f = ws.Call_link;
  for (; level > 0 && f; level--, f = f->Call_link) p = f->Cur_pgm;
  if (level > 0) return std::string();
  return p && p->path ? std::string(p->path) : std::string();
}

int Program_line(int level) {
  if (level <= 0) return ws.Cur_stno;
  Call_frame* f = ws.Call_link;
  for (; level > 1 && f; level--) f = f->Call_link;
  if (!f || (f->Pgm_flags & PGM_FROM_CONSOLE)) return 0;
  return f->Stop_stno;
}

void Program_at_level(int level, const std::function<void()>& fn) {
  Call_frame* f = ws.Call_link;
  for (; level > 1 && f; level--) f = f->Call_link;
  if (level <= 0 || !f) {
    fn();
    return;
  }
  // The frame is only read: the running program's context comes back
  // however fn ends, and the frame keeps its own line caches.
  struct Swap {
    std::unique_ptr<Prog_context> mine = std::make_unique<Prog_context>();
    explicit Swap(const Call_frame* from) {
      copy_context(mine.get(), &ws);
      copy_context(&ws, from);
    }
    ~Swap() { copy_context(&ws, mine.get()); }
  } swap(f);
  fn();
}

void Exec_subprogram(int form, Arg_rec* list) { Exec_subprogram_with(form, list, nullptr, nullptr); }

void Exec_subprogram_with(int form, Arg_rec* list, Call_loader load, void* ctx) {

  Call_frame* f;
  try {
    f = new_frame();
  } catch (...) {
    FreeArgList(list);
    throw;
  }
  bool own = false;
  Prog_obj* warm = nullptr;
  if (!load && form == FORM_CALL && ws.Str_len > 0) {
    warm = warm_record(ws.Str_ptr, uint32_t(ws.Str_len));
    if (!warm && (warm = own_warm_record(ws.Str_ptr, uint32_t(ws.Str_len)))) own = true;
  }
  Pgm_text* text = nullptr;
  if (warm && !warm_text(warm, &text)) warm = nullptr;
  if (own && warm && !warm_take(warm)) {
    if (text) Ret_blk(text);
    warm = nullptr;
  }
  save_context(f);
  mark_return(f);
  if (warm) {
    clear_stale(static_cast<const Warm_start*>(warm->warm_start));
    warm_start(warm, own, f, list, text);
    warm_cursor(static_cast<const Warm_start*>(warm->warm_start));
    return;
  }
  // The name as the call gave it, for the warm start kept below.
  const uint8_t* given = ws.Str_ptr;
  uint32_t given_len = ws.Str_len > 0 ? uint32_t(ws.Str_len) : 0;
  clear_context();
  ws.Call_link = f;
  ws.Arg_list = list;
  ws.Num_flags = f->Num_flags;
  ws.Precision = f->Precision;
  ws.Var_mask_glob = f->Var_mask_glob;
  ws.Var_mask = ws.Var_mask_glob;
  ws.With_ctx = f->With_ctx;  // the WITH scope carries over; the return takes the caller's back
  ws.With_depth = f->With_depth;
  // Until the program is there, the cursor rests on the end line's END.
  Str_blk* end = Last_line();
  ws.Cur_edit_blk = end;
  ws.Cur_line_rec = end->bytes();
  ws.Cur_line_no = 65001;
  ws.Exec_ptr = ws.Stmt_ptr = end->bytes() + 3;
  ws.Cur_stno = LAST_LINE_NO - 1;
  if (form == FORM_PERFORM) {
    ws.Loc_num_tree = f->Loc_num_tree;
    ws.Loc_str_tree = f->Loc_str_tree;
    f->Loc_num_tree = f->Loc_str_tree = nullptr;
    f->Pgm_flags |= PGM_SHARES_VARS;
  }
  ws.Run_flags |= RF_CALL_DEPTH;
  ws.Pgm_flags |= PGM_LOADING;
  ws.Go_cache_ref = 0;
  int entry;
  try {
    entry = load ? load(ctx) : Exec_load(1);
  } catch (const Oru_error&) {
    pop_frame(false);
    throw;
  }
  if (entry && (f->Pgm_flags & PGM_SHARES_VARS)) ws.Pgm_flags2 |= PGM2_ENTRY_SHARED;
  ws.Pgm_flags &= ~uint32_t(PGM_LOADING);
  ws.Pgm_flags2 |= f->Pgm_flags2 & PGM2_ERR_HANDLER;
  ws.Var_mask = ws.Var_mask_glob | ws.Var_mask_pgm;
  if (!load && form == FORM_CALL && !entry) keep_warm_start(f, given, given_len);
}

int32_t Prog_call_level() {
  int32_t n = 1;
  for (const Call_frame* f = ws.Call_link; f; f = f->Call_link) ++n;
  return n;
}

void Pop_all_frames() {
  while (ws.Call_link) pop_frame(false);
}

void Call_leave_plain() {
  while (ws.Call_link && !(ws.Pgm_flags2 & PGM2_NESTED_CALL)) pop_frame(false);
}

void Exec_call(const char* name) {
  size_t n = std::strlen(name);
  uint8_t* p = Work_take(n);
  std::memcpy(p, name, n);
  ws.Str_ptr = p;
  ws.Str_len = int32_t(n);
  Exec_subprogram(FORM_CALL, nullptr);
}

int Inline_Call() {
  if (ws.Str_len <= 0) return 10;
  return run_nested(FORM_CALL, nullptr, PGM2_NESTED_CALL, 0, nullptr);
}

int Perform_Logic(const char* name) {
  size_t n = std::strlen(name);
  uint8_t* p = Work_take(n);
  std::memcpy(p, name, n);
  ws.Str_ptr = p;
  ws.Str_len = int32_t(n);
  return run_nested(FORM_PERFORM, nullptr, PGM2_NESTED_CALL | PGM2_ENTRY_SHARED, 64, nullptr);
}

int Nested_call(int form, Arg_rec* list, uint32_t flags2, bool* started, Call_loader load, void* ctx) {
  return run_nested(form, list, flags2, 0, started, load, ctx);
}
