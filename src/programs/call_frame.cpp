// Call frames: pushing and popping the program context, and the nested
// calls that run a program to completion.
#include "programs/call_frame.h"

#include <bit>
#if defined(__SSE2__)
#include <emmintrin.h>
#endif
#include <cstddef>
#include <cstring>
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
#include "programs/var_keep.h"
#include "terminal/obj_attach.h"

namespace {

uint8_t empty_statement[] = {0, 0, code::EOL};

// A few popped frames are kept for the next call.
constexpr int FRAME_CACHE_MAX = 8;
Call_frame* frame_cache[FRAME_CACHE_MAX];
Call_frame** frame_top = frame_cache;  // above the newest kept frame

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

// A frame for a push other than a bound call's.
[[gnu::always_inline]] inline Call_frame* new_frame() {
  if (frame_top != frame_cache) {
    Call_frame* f = *--frame_top;
    f->load_epoch = 0;
    f->bound_n = 0;
    f->shape_gen = 0;
    return f;
  }
  return make_frame();
}

[[gnu::always_inline]] inline void release_frame(Call_frame* f) {
  if (frame_top != frame_cache + FRAME_CACHE_MAX) {
    *frame_top++ = f;
    return;
  }
  f->~Call_frame();
  Ret_blk_line(f);
}

// Automatic line numbering ends (a call, a return): the flag and the next
// number reset.
[[gnu::always_inline]] inline void end_auto() {
  // (Only while it is on: the next number means nothing without the flag,
  // and every way that sets the flag sets the number.)
  if (ws.Cmd_flags & CMD_AUTO) [[unlikely]] {
    ws.Cmd_flags &= ~uint32_t(CMD_AUTO);
    ws.Auto_line = LAST_LINE_NO;
  }
}

// The executor's GOTO cache dropped (another program's lines), by a store
// only when it holds an entry.
[[gnu::always_inline]] inline void drop_go_cache() {
  if (ws.Go_cache_ref) ws.Go_cache_ref = 0;
}

// The context of a program that has just been called: the workspace's
// defaults.
const Prog_context& fresh() {
  static const Prog_context defaults{};
  return defaults;
}

// The context moves as a block (it is trivially copyable; its padding is
// not moved), in 16-byte pieces (core/block_copy.h); Wide, in 32-byte
// pieces: only in the bound call's and the bound return's forms compiled
// for AVX2 (call_bound_wide, exit_pop_wide), which a processor that has it
// runs.
template <bool Wide = false>
[[gnu::always_inline]] inline void copy_context(Prog_context* to, const Prog_context* from) {
  if constexpr (Wide) Block_copy_wide<PROG_CONTEXT_BYTES>(to, from);
  else Block_copy<PROG_CONTEXT_BYTES>(to, from);
}

// The key and description block of a warm start's program (its record's
// description; a program with a key starts warm never), or null for none;
// false when there is no memory for it (the call goes the long way).
[[gnu::always_inline]] inline bool warm_text(const Prog_obj* rec, Pgm_text** text) {
  *text = nullptr;
  if (!rec->has_desc) return true;
  auto* t = static_cast<Pgm_text*>(Get_blk(sizeof(Pgm_text)));
  if (!t) return false;
  std::memcpy(t->desc, rec->desc, sizeof t->desc);
  *text = t;
  return true;
}

template <bool Wide = false>
[[gnu::always_inline]] inline void save_context(Call_frame* f) {
  copy_context<Wide>(f, &ws);
}

// save_context for a bound call's push: Wide, through assembly (no 32-byte
// value of the compiler's, as restore_context), the run of moves ended by
// warm_start's Block_wide_done.
template <bool Wide>
[[gnu::always_inline]] inline void save_bound_context(Call_frame* f) {
  if constexpr (Wide) Block_copy_ymm<PROG_CONTEXT_BYTES>(static_cast<Prog_context*>(f), static_cast<Prog_context*>(&ws));
  else save_context(f);
}

template <bool Wide = false>
[[gnu::always_inline]] inline void restore_context(const Prog_context* f) {
#if defined(BLOCK_COPY_WIDE)
  if constexpr (Wide) {
    // (Through assembly: no 32-byte value of the compiler's own, for which
    // it would realign the stack of the whole bound return.)
    Block_copy_ymm<PROG_CONTEXT_BYTES>(static_cast<Prog_context*>(&ws), f);
    Block_wide_done();
    return;
  }
#endif
  copy_context<Wide>(&ws, f);
}

void clear_context() { restore_context(&fresh()); }

// The statement after the call (or the empty statement of line 0).
[[gnu::always_inline]] inline void resume_caller() {
  if (ws.Pgm_flags & PGM_FROM_CONSOLE) {
    // (The pointer as the compiler's opaque value: it would otherwise build
    // the pair of them on every return, whichever way it goes.)
    uint8_t* empty = empty_statement + 2;
    asm("" : "+r"(empty));
    ws.Exec_ptr = ws.Stmt_ptr = empty;
    ws.Cur_stno = 0;
  } else {
    ws.Cur_stno = ws.Stop_stno;
    ws.Exec_ptr = ws.Stop_ptr;
    ws.Stmt_ptr = ws.Stop_stmt;
  }
}

// The called program goes before its context is overwritten by the
// caller's: an image program (image_only) releases its record use, path,
// name and variable table (release_image); anything else (lines, user
// functions, control frames) takes Clr_program's whole way.
[[gnu::always_inline]] inline bool image_only() {
  return ws.Pgm_image && ws.Pgm_cache_ent && !ws.Ctl_stack && !ws.Fnc_ctx &&
         (!ws.Edit_list || ws.Edit_list == Last_line());
}

// Both ways put the caller's context back at once (back_to_caller): the
// fields released here are left as they are for it to overwrite, but
// before a record is dropped, which may look at the running program.
// Kept: the variables were handed to the record by the plain keep
// (var_keep::hand_over_plain), which leaves the workspace's table and trees
// naming them: they are not the program's to free, and are forgotten before
// a drop.  Parked: the record was parked (park_record) with the variables,
// the name block and the path's reference.
template <bool Kept = false, bool Parked = false>
[[gnu::always_inline]] inline void release_image() {
  static_assert(Kept || !Parked, "a parked record keeps the variables");
  if (!Kept && ws.Var_index) Ret_blk(ws.Var_index);
  Prog_obj* rec = ws.Pgm_cache_ent;
  if constexpr (!Parked) {
    // The record's own reference keeps the path, usually.
    if (Pgm_path* path = ws.Cur_pgm; path && path->refs > 1) path->refs--;
    else Path_unref(path);
    // The name block waits in the record for the next call (the record may
    // be freed by the drop below, and the block with it), unless it has one
    // already, spare or parked.
    if (Str_blk* name = ws.Pgm_name) {
      if (!rec->spare_name && !rec->parked) rec->spare_name = name;
      else Ret_str(name);
    }
  }
  if (ws.Pgm_text_blk) Pgm_text_release();
  // Another use (ADDR, a caller running it) usually holds the record.
  if (rec->uses > 1) {
    rec->uses--;
  } else {
    if constexpr (Kept) ws.Loc_num_tree = ws.Loc_str_tree = nullptr;
    ws.Var_index = nullptr;
    ws.Pgm_cache_ent = nullptr;
    ws.Pgm_image = nullptr;
    ws.Cur_pgm = nullptr;
    ws.Pgm_name = nullptr;
    Prog_drop(rec);
  }
  end_auto();
}

void release_program() {
  if (image_only()) release_image();
  else Clr_program();
}

// A number moved as the 16-byte block it is (its padding with it): one
// load and one store, where its fields would take two of each.
static_assert(sizeof(Num_val) == 16 && std::is_trivially_copyable_v<Num_val>, "a number is one 16-byte block");
[[gnu::always_inline]] inline void num_copy(Num_val* to, const Num_val* from) { std::memcpy(to, from, sizeof *to); }

// One bound record a's value back to its caller's variable (v: the bound
// variable), unless the caller's is not plain or, unless Frees, holds a
// string to free first: false then, with nothing done.
// (kind: the record's, when the caller knows it.)
template <bool Frees, bool Wide = false>
[[gnu::always_inline]] inline bool value_back(Arg_rec* a, Var_node* v, uint8_t kind) {
  ORU_ASSERT(v && kind == a->kind && (kind == ARG_NUM_REF || kind == ARG_STR_REF));
  Var_node* c = a->var;
  uint64_t cf;
  std::memcpy(&cf, &c->flags, sizeof cf);
  if (cf & (VF_READ_ONLY | VF_INTEGER)) [[unlikely]]
    return false;
  if (kind == ARG_NUM_REF) [[likely]] {
    num_copy(&c->num, &v->num);
  } else {
    if (c->str) {
      if constexpr (!Frees) return false;
      Ret_str(c->str);
    }
    c->str = v->str;
    var_keep::drop_str<Wide>(v);
  }
  // (Stored only when the flag is new: a caller's variable passed again
  // and again has it.)
  if ((cf & VF_ASSIGNED) != VF_ASSIGNED) [[unlikely]] {
    cf |= VF_ASSIGNED;
    std::memcpy(&c->flags, &cf, sizeof cf);
  }
  return true;
}

// The values of a frame's own records from the record from on straight
// back to the caller's variables (numbers copied, strings handed over), up
// to the first record whose caller's variable is not plain (read-only or an
// integer) or, unless Frees, holds a string to free first: that record is
// returned (null when all went back).  A frame's own record that is bound
// is a reference to a scalar (a bound call's, or a method's direct call's
// bound by ENTER: values are never bound, and neither fills records of
// other kinds).
template <bool Frees>
[[gnu::always_inline]] inline Arg_rec* values_back(Arg_rec* from) {
  for (Arg_rec* a = from; a; a = a->next)
    if (Var_node* v = a->bound; v && !value_back<Frees>(a, v, a->kind)) return a;
  return nullptr;
}

// values_back<false>'s way for a bound call's list of N records, the
// frame's first ones (Call_frame::bound_n), each at its fixed place: none
// of them walked to by its link, their kinds read from the frame's shape
// (Call_frame::arg_shape) in one word.
template <uint32_t N, bool Wide>
[[gnu::always_inline]] inline Arg_rec* values_back_fixed(Arg_rec* args, uint32_t shape) {
#pragma GCC unroll 6
  for (uint32_t i = 0; i < N; i++)
    if (!value_back<false, Wide>(args + i, args[i].bound, uint8_t(shape >> (4 + 2 * i) & 3))) [[unlikely]]
      return args + i;
  return nullptr;
}
template <bool Wide>
[[gnu::always_inline]] inline Arg_rec* values_back_bound(Call_frame* f, Arg_rec* list, uint32_t n) {
  Arg_rec* const args = f->args;
  ORU_ASSERT(list == args && n <= CALL_FRAME_ARGS && n == (f->arg_shape & 15));
  // (A frame with bound records holds the kinds of its shape: its bound
  // call shaped them.)
  const uint32_t shape = f->arg_shape;
  static_assert(CALL_FRAME_ARGS == 6, "a case for each count a bound call passes");
  switch (n) {
    case 1: return values_back_fixed<1, Wide>(args, shape);
    case 2: return values_back_fixed<2, Wide>(args, shape);
    case 3: return values_back_fixed<3, Wide>(args, shape);
    case 4: return values_back_fixed<4, Wide>(args, shape);
    case 5: return values_back_fixed<5, Wide>(args, shape);
    case 6: return values_back_fixed<6, Wide>(args, shape);
    default: __builtin_unreachable();
  }
}

// values_back's way for a bound list, freeing the caller's strings: the
// record it stops at, and the ones after it, are left for Args_flow_back;
// only then are the records done here marked so (bound cleared), for that
// walk: otherwise the list is done with as a whole (the frame's next call
// fills its records again).  from: the first record to send back (those
// before it went back already).
[[gnu::always_inline]] inline Arg_rec* flow_back_plain(Arg_rec* list, Arg_rec* from) {
  Arg_rec* const a = values_back<true>(from);
  if (a) [[unlikely]]
    for (Arg_rec* b = list; b != a; b = b->next) b->bound = nullptr;
  return a;
}

// The caller's accumulators, kept across a return's work that may
// evaluate (pending ++/-- run when variables are freed) and put back before
// a record of the caller is filled again.
struct Caller_acc {
  Num_val num = ws.Num_acc;
  uint8_t* str = ws.Str_ptr;
  int32_t len = ws.Str_len;
  void restore() const {
    ws.Num_acc = num;
    ws.Str_ptr = str;
    ws.Str_len = len;
  }
};

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
      // The callee cleared them: every node the caller's table knew is gone.
      for (uint32_t i = 0; i < f->Var_index_cnt; i++)
        if (f->Var_index) f->Var_index[i] = nullptr;
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

// back_to_caller's first part: the caller's context back, with the access
// masks and the run flag's call bit; the caller's flags.  (Read from the
// frame, the copy's source, not from the workspace it has just written; the
// frame is not released yet.)
template <bool Wide = false>
[[gnu::always_inline]] inline uint32_t context_back(Call_frame* f) {
  // The caller sees the global access mask as it is now.
  uint32_t mask_glob = ws.Var_mask_glob;
  restore_context<Wide>(f);
  const uint32_t pgm_flags = f->Pgm_flags;
  // (Stored when the copy did not bring them: usually it did.)
  const uint32_t mask = mask_glob | f->Var_mask_pgm;
  if ((f->Var_mask_glob ^ mask_glob) | (f->Var_mask ^ mask)) [[unlikely]] {
    ws.Var_mask_glob = mask_glob;
    ws.Var_mask = mask;
  }
  static_assert(uint32_t(PGM_IN_CALL) == uint32_t(RF_CALL_DEPTH), "the frame's bit is the run flag's");
  // (The flag cleared, then set again when the caller is itself called:
  // one write of the word either way.)
  if (pgm_flags & PGM_IN_CALL) Run_flags_set(RF_CALL_DEPTH);
  else Run_flags_clear(RF_CALL_DEPTH);
  drop_go_cache();
  return pgm_flags;
}

// Whether the caller is a program's statement with no stop asked (the
// console caller and a stop request tested as one): the cursor goes back
// as usual_cursor puts it.
[[gnu::always_inline]] inline bool usual_caller(uint32_t pgm_flags) {
  return !(pgm_flags & (PGM_FROM_CONSOLE | PGM_STOP_REQUEST));
}
[[gnu::always_inline]] inline void usual_cursor(const Call_frame* f, bool flow_back) {
  ws.Cur_stno = f->Stop_stno;
  ws.Exec_ptr = flow_back ? f->Stop_ptr : f->Stop_stmt;
  ws.Stmt_ptr = f->Stop_stmt;
}

// back_to_caller's last part for any other caller, once the frame is
// released: the cursor from the caller's context, a stop asked made.
[[gnu::always_inline]] inline void other_caller_cursor(bool flow_back) {
  if (flow_back || (ws.Pgm_flags & PGM_FROM_CONSOLE)) {
    resume_caller();
  } else {
    ws.Cur_stno = ws.Stop_stno;
    ws.Exec_ptr = ws.Stmt_ptr = ws.Stop_stmt;
  }
  if (ws.Pgm_flags & PGM_STOP_REQUEST) {
    ws.Pgm_flags &= ~uint32_t(PGM_STOP_REQUEST);
    ws.Run_flags |= RF_STOP;
  }
}

// The caller's context back, the frame released, the cursor after the
// call (flow_back; else at the start of the calling statement, or the
// empty statement of line 0).
template <bool Wide = false>
[[gnu::always_inline]] inline void back_to_caller(Call_frame* f, bool flow_back) {
  if (usual_caller(context_back<Wide>(f))) [[likely]] {
    usual_cursor(f, flow_back);
    release_frame(f);
    return;
  }
  release_frame(f);
  other_caller_cursor(flow_back);
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
}

// The callee's variables when neither keep could keep them: freed.  The
// accumulators are the caller's and come back afterwards (Clr_var runs
// pending ++/--; the keeps evaluate nothing).
[[gnu::noinline]] void clear_vars() {
  const Caller_acc acc;
  Clr_var();
  acc.restore();
}

// The end of a bound call's pop, once the values are back: the callee's
// variables kept, its image released, the caller's context back.  (In the
// usual case nothing here evaluates or touches the accumulators.)
template <bool Wide = false>
[[gnu::always_inline]] inline void finish_bound(Call_frame* f) {
  ws.Arg_list = nullptr;
  ws.Ctl_depth = 0;
  // (While objects live the plain keep never applies: it is not asked.)
  if ((Var_lookup_hook || !var_keep::keep_plain_vars<Wide>(ws.Pgm_cache_ent)) && !var_keep::keep_vars<Wide>())
    clear_vars();
  release_image();
  back_to_caller<Wide>(f, true);
}

// Whether the return of the bound call whose frame is f parks rec (the
// plain keep takes its variables): nothing was loaded or saved since the
// call, so that the context's record and its warm start, its name block
// (not null, with the warm start's name) and its path (the record's, one
// reference held) are the ones the warm start gave; and the record has no
// name block or object slots of its own (a method of the program may have
// run meanwhile).
[[gnu::always_inline]] inline bool parks(const Call_frame* f, const Prog_obj* rec) {
  // (The three tests as one word.)
  return !(uint64_t(f->load_epoch ^ Pgm_load_epoch) | reinterpret_cast<uintptr_t>(rec->spare_name) |
           uintptr_t(rec->spare_props));
}

// The keep of a parking return: the variables and name block into the
// warm start's context, where the next call's copy takes them.
[[gnu::always_inline]] inline void park_record(Prog_obj* rec, bool only_bound = false, bool stale = false);
// Whether rec's warm start knows its trees to hold its plan's kept
// variables alone (Warm_start::only_bound).
[[gnu::always_inline]] inline bool parked_only_bound(const Prog_obj* rec);

// finish_bound's way from the keep of a method on, where the plain keep
// does not apply (keep_plain_vars would refuse, changing nothing) or its
// clear refused a node.
template <bool Wide>
[[gnu::always_inline]] inline bool finish_unplain(Call_frame* f) {
  ws.Arg_list = nullptr;
  ws.Ctl_depth = 0;
  if (!var_keep::keep_vars<Wide>()) clear_vars();
  release_image();
  back_to_caller<Wide>(f, true);
  return false;
}

// finish_bound's usual case, for a program that the plain keep takes
// (var_keep::plain_keeps_unhooked said yes once the values went back: nothing
// since changed its answer; no control frames: image_only): the variables
// cleared and handed to the record, the image released, the caller's
// context back.  A node the clear cannot take (a frame refers to it):
// finish_bound's way from the keep of a method on, as keep_plain_vars'
// refusal leads there.  (The callee's PGM_VARS_CLEARED is not set: every
// way from here puts the caller's flags back over it, and only
// leave_general reads it, on a way that does not come here; the long way
// (finish_unplain's) sets it as before.)
template <bool Wide>
[[gnu::always_inline]] inline bool finish_plain(Call_frame* f, Prog_obj* rec) {
  if (!var_keep::clear_chain<Wide>(ws.Loc_num_tree) || !var_keep::clear_chain<Wide>(ws.Loc_str_tree)) [[unlikely]] {
    var_keep::wide_done<Wide>();
    return finish_unplain<Wide>(f);
  }
  if (parks(f, rec)) [[likely]] {
    park_record(rec);
    release_image<true, true>();
  } else {
    var_keep::hand_over_plain(rec);
    release_image<true>();
  }
  back_to_caller<Wide>(f, true);
  return true;
}

// pop_bound's way when a caller's variable is not plain (an integer, or
// read-only now): the values from rest on (flow_back_plain's record) take
// Args_flow_back's way, and the accumulators come back before a record is
// filled again (as pop_frame).
[[gnu::noinline]] void pop_bound_rest(Call_frame* f, Arg_rec* rest) {
  const Caller_acc acc;
  std::vector<Var_node*> refill;
  Args_flow_back(rest, refill);
  finish_bound(f);
  acc.restore();
  if (!refill.empty()) Args_refill(refill);
}

// Not zero just when objects are attached (Obj4_count() is not 0): the
// queue's ends differ (no division for a test OR'd with others).
[[gnu::always_inline]] inline uintptr_t obj4_any() {
  return reinterpret_cast<uintptr_t>(std::to_address(Obj4_queue.end())) ^
         reinterpret_cast<uintptr_t>(Obj4_queue.data());
}

// An EXIT's pop when the argument list is the frame's own records (list,
// a bound call's or a method's direct call), or there is none, once the
// usual case's entry tests passed (no attached objects, no control frames,
// user functions or lines of the callee's own, variables not shared with
// the caller): the values from record from on straight back (a caller's
// variable that is not plain: pop_bound_rest), the callee's variables kept,
// its image released, the caller's context back.  True when the usual
// case's whole way ran (finish_plain's): it evaluated nothing and took no
// work area, exit hook, saved statement or busy line
// (Call_exit_paths::exit_pop).
template <bool Wide>
[[gnu::always_inline]] inline bool pop_bound_from_body(Call_frame* f, Arg_rec* list, Arg_rec* from) {
  if (Arg_rec* rest = flow_back_plain(list, from)) [[unlikely]] {
    pop_bound_rest(f, rest);
    return false;
  }
  // (Asked after the values went back, which changes nothing it reads.
  // While objects live, a method's return usually, the plain keep never
  // applies: finish_bound's way.)
  Prog_obj* rec = ws.Pgm_cache_ent;
  if (var_keep::plain_keeps_unhooked(rec)) [[likely]]
    return finish_plain<Wide>(f, rec);
  finish_bound<Wide>(f);
  return false;
}

// The ways out of line that pop_bound's usual way leaves by (so that it
// calls nothing on its own way: it saves none of its caller's registers),
// each of them taking the return on as pop_bound's code would have from
// there: pop_bound_from's from the record from on; finish_bound_out's and
// finish_plain_out's once the values are back; parked_release's once
// the record is parked (a key and description block to release, or the
// last use of the record); caller_back_other's once the caller's context is
// back (a console caller or a stop asked); frame_free's at the very end (no
// room in the frame cache).  The wide forms are compiled for AVX2.  Each
// returns as exit_pop does: the caller's cursor when the usual case's whole
// way ran, else null.
template <bool Wide>
[[gnu::noinline]] uint8_t* pop_bound_from(Call_frame* f, Arg_rec* list, Arg_rec* from) {
  return pop_bound_from_body<Wide>(f, list, from) ? ws.Exec_ptr : nullptr;
}
template <bool Wide>
[[gnu::noinline]] uint8_t* parked_release(Call_frame* f) {
  release_image<true, true>();
  back_to_caller<Wide>(f, true);
  return ws.Exec_ptr;
}
template <bool Wide>
[[gnu::noinline]] uint8_t* finish_bound_out(Call_frame* f) {
  finish_unplain<Wide>(f);
  return nullptr;
}
template <bool Wide>
[[gnu::noinline]] uint8_t* finish_plain_out(Call_frame* f, Prog_obj* rec) {
  return finish_plain<Wide>(f, rec) ? ws.Exec_ptr : nullptr;
}
#if defined(BLOCK_COPY_WIDE)
template <>
[[gnu::noinline, gnu::target("avx2")]] uint8_t* finish_bound_out<true>(Call_frame* f) {
  finish_unplain<true>(f);
  return nullptr;
}
template <>
[[gnu::noinline, gnu::target("avx2")]] uint8_t* finish_plain_out<true>(Call_frame* f, Prog_obj* rec) {
  return finish_plain<true>(f, rec) ? ws.Exec_ptr : nullptr;
}
template <>
[[gnu::noinline, gnu::target("avx2")]] uint8_t* pop_bound_from<true>(Call_frame* f, Arg_rec* list, Arg_rec* from) {
  return pop_bound_from_body<true>(f, list, from) ? ws.Exec_ptr : nullptr;
}
template <>
[[gnu::noinline, gnu::target("avx2")]] uint8_t* parked_release<true>(Call_frame* f) {
  release_image<true, true>();
  back_to_caller<true>(f, true);
  return ws.Exec_ptr;
}
#endif
[[gnu::noinline]] uint8_t* caller_back_other(Call_frame* f) {
  release_frame(f);
  other_caller_cursor(true);
  return ws.Exec_ptr;
}
[[gnu::noinline]] uint8_t* frame_free(Call_frame* f, uint8_t* at) {
  f->~Call_frame();
  Ret_blk(f);
  return at;
}

// pop_frame's whole way, out of line: null (Call_exit_paths::exit_pop).
[[gnu::noinline]] uint8_t* pop_general() {
  pop_frame(true);
  return nullptr;
}

// Whether the called program's variable trees hold the bound call's kept
// variables (the frame's records) and no others, each a usual node (no
// string among them).  (The trees of usual nodes are chains to the right.)
[[gnu::noinline]] bool trees_hold_only(const Call_frame* f) {
  uint32_t nodes = 0;
  for (Var_node* t : {ws.Loc_num_tree, ws.Loc_str_tree})
    for (Var_node* n = t; n; n = n->right) {
      if (!var_keep::usual_node(n)) return false;
      bool bound = false;
      for (uint32_t i = 0; i < f->bound_n; i++) bound |= f->args[i].bound == n;
      if (!bound) return false;
      nodes++;
    }
  return nodes == f->bound_n;
}

template <bool Wide>
[[gnu::noinline]] uint8_t* pop_walked(Call_frame* f, Prog_obj* rec);
template <bool Wide>
[[gnu::always_inline]] inline uint8_t* pop_parked(Call_frame* f, Prog_obj* rec, bool only_bound, bool stale = false);
bool bound_nodes_are(const Call_frame* f, const Prog_obj* rec);

// An EXIT's pop when the argument list is the frame's own records (list,
// a bound call's or a method's direct call), or there is none: in the usual
// case (no attached objects, no control frames, user functions or lines of
// the callee's own, variables not shared with the caller; every value back
// without a call, the plain keep taking the variables, all of them usual
// nodes, the record parked) all of it in one, calling nothing.  Anything
// else: pop_general's or pop_bound_from's way (see above).  As exit_pop:
// the caller's cursor when the usual case's whole way ran (finish_plain's),
// else null.
template <bool Wide>
[[gnu::always_inline]] inline uint8_t* pop_bound(Arg_rec* list) {
  Call_frame* f = ws.Call_link;
  // (image_only's null tests and the frame's flag as one word.)
  const uintptr_t other = reinterpret_cast<uintptr_t>(ws.Ctl_stack) | reinterpret_cast<uintptr_t>(ws.Fnc_ctx) |
                          (f->Pgm_flags & PGM_SHARES_VARS) | obj4_any();
  // (A warm start's edit list is the last line's: the null test only when
  // it is not.)
  if (other || !ws.Pgm_image || !ws.Pgm_cache_ent || (ws.Edit_list != Last_line() && ws.Edit_list))
    return pop_general();
  // flow_back_plain's way until a record needs more (a caller's variable
  // not plain, a caller's string to free).
  // (No list: nothing to send back, and nothing here to test.  The fixed
  // places only for the very list the bound call made.)
  Arg_rec* a = nullptr;
  if (list) {
    if (f->bound_n && list == &f->args[0]) a = values_back_bound<Wide>(f, list, f->bound_n);
    else a = values_back<false>(list);
  }
  if (a) [[unlikely]]
    return pop_bound_from<Wide>(f, list, a);
  // (As pop_bound_from_body asks.)
  Prog_obj* rec = ws.Pgm_cache_ent;
  if (!var_keep::plain_keeps_unhooked(rec)) [[unlikely]]
    return finish_bound_out<Wide>(f);
  // finish_plain's way while the nodes are usual and the record parks (a
  // node cleared by the walk is cleared again the same by finish_plain's).
  // When the trees held the plan's kept variables alone as the call took
  // them, and no node anywhere changed in shape since the call bound them,
  // those are all the nodes, still usual (their strings went back above):
  // they are left holding their values (stale_bound), which the next bound
  // call sets whole and any other way empties first.  Anything else walks
  // the trees, in a function of its own (it calls out: this way calls
  // nothing, and keeps nothing in the registers a call preserves).
  if (f->shape_gen != Var_shape_gen || !parked_only_bound(rec)) [[unlikely]]
    return pop_walked<Wide>(f, rec);
  ORU_ASSERT(list == &f->args[0] && trees_hold_only(f) && bound_nodes_are(f, rec));
  return pop_parked<Wide>(f, rec, true, true);
}

// pop_bound's way on once the called program's variables are cleared: the
// record parked (only_bound: its trees held the plan's kept variables
// alone), the caller's context back.
template <bool Wide>
[[gnu::always_inline]] inline uint8_t* pop_parked(Call_frame* f, Prog_obj* rec, bool only_bound, bool stale) {
  if (!parks(f, rec)) [[unlikely]]
    return finish_plain_out<Wide>(f, rec);
  park_record(rec, only_bound, stale);
  // release_image<true, true>'s way while another use holds the record and
  // there is no key and description block.
  if (ws.Pgm_text_blk || rec->uses <= 1) [[unlikely]]
    return parked_release<Wide>(f);
  rec->uses--;
  end_auto();
  // back_to_caller's way for the usual caller.
  if (!usual_caller(context_back<Wide>(f))) [[unlikely]]
    return caller_back_other(f);
  // usual_cursor's way, but the cursor is returned, not stored: the caller
  // stores it (the statement loop as its next statement's start, Exec_pop
  // with the statement the caller stopped at, back with its context).
  uint8_t* const at = f->Stop_ptr;
  ws.Cur_stno = f->Stop_stno;
  if (frame_top == frame_cache + FRAME_CACHE_MAX) [[unlikely]]
    return frame_free(f, at);
  *frame_top++ = f;
  return at;
}

// pop_bound's way when the called program's trees are walked: every node
// cleared (all of them usual nodes, else finish_plain's way), the record
// parked with whether they were the plan's kept variables alone.
template <bool Wide>
[[gnu::always_inline]] inline uint8_t* pop_walked_body(Call_frame* f, Prog_obj* rec) {
  uint32_t nodes = 0;
  if (!var_keep::clear_usual_chain<Wide>(ws.Loc_num_tree, &nodes) ||
      !var_keep::clear_usual_chain<Wide>(ws.Loc_str_tree, &nodes)) [[unlikely]]
    return finish_plain_out<Wide>(f, rec);
  return pop_parked<Wide>(f, rec, nodes == f->bound_n && f->shape_gen && trees_hold_only(f));
}
template <bool Wide>
[[gnu::noinline]] uint8_t* pop_walked(Call_frame* f, Prog_obj* rec) {
  return pop_walked_body<Wide>(f, rec);
}
#if defined(BLOCK_COPY_WIDE)
template <>
[[gnu::noinline, gnu::target("avx2")]] uint8_t* pop_walked<true>(Call_frame* f, Prog_obj* rec) {
  return pop_walked_body<true>(f, rec);
}
#endif

// An EXIT's pop when there is no argument list (a call without arguments,
// however it was made): pop_bound's way, which has no values to send back
// then; its usual case is pop_frame's for any frame without a list (the
// keep takes the same variables, the record the same use).
[[gnu::noinline]] uint8_t* pop_bare_narrow() { return pop_bound<false>(nullptr); }

// An EXIT's pop (Exec_pop with a frame known to be there), in the form for
// this processor: pop_bound's way for a list of the frame's own records,
// in line, or for none (pop_bare_*); as pop_bound, the caller's cursor when
// its usual case's whole way ran, else null.
[[gnu::noinline]] uint8_t* exit_pop_narrow() {
  if (Arg_rec* list = ws.Arg_list) [[likely]] {
    if (list->in_frame) return pop_bound<false>(list);
    return pop_general();
  }
  return pop_bare_narrow();
}

#if defined(BLOCK_COPY_WIDE)
[[gnu::noinline, gnu::target("avx2")]] uint8_t* pop_bare_wide() { return pop_bound<true>(nullptr); }

[[gnu::noinline, gnu::target("avx2")]] uint8_t* exit_pop_wide() {
  if (Arg_rec* list = ws.Arg_list) [[likely]] {
    if (list->in_frame) return pop_bound<true>(list);
    return pop_general();
  }
  return pop_bare_wide();
}
#else
uint8_t* exit_pop_wide() { return exit_pop_narrow(); }
#endif

// A warm start.  A plain CALL of an image program (resident, or kept by the
// program cache and unchanged on disk) whose last call kept its variables
// and name block starts from the context that call built the long way (Exec_load and Prog_take), kept in the program's
// record: one block copy and the fields the call owns, instead of the
// name's resolution, the context's clearing and its filling field by
// field.  The kept context holds what a call of that name builds from the
// record and from the caller's fields listed below; a call whose caller
// differs in any of them, or whose record changed (a new load serial), goes
// the long way and leaves a new one.
constexpr uint32_t WARM_NAME_MAX = 64;
// The bits of an argument's first code word a bound call tests (bytes in
// memory order: the comma, the type code, the slot's high byte with its
// top bit, the slot's low byte).
constexpr uint32_t BOUND_LEAD_MASK = 0x0080FFFF;

// What a warm start's bound_plan is before a bound call asked.
const char bound_unasked = 0;

struct Warm_start {
  Prog_context ctx;  // owned pointers cleared: each call sets its own
  // What it was built from
  uint32_t load_serial;
  int precision;  // (then num_flags: the pair as in the context)
  uint32_t num_flags;
  uint32_t var_mask_glob;
  int32_t with_ctx;  // (then with_depth: the pair as in the context)
  uint32_t with_depth;
  uint64_t err_handler;  // the caller's PGM2_ERR_HANDLER bit, as in Pgm_flag_words
  // The cursor on the program's first statement, and its line (the kept
  // context's line fields are the bound call's, once a plan that ends its
  // line is learnt: see learn_plan)
  uint16_t stno;
  uint16_t line_no;
  uint8_t* line_rec;
  uint8_t* exec;
  uint8_t* str_ptr;
  int32_t str_len;
  uint32_t name_len;
  uint8_t name[WARM_NAME_MAX];  // the name the call gave
  // The record's ENTER plan once Exec_call_bound found it fit for a bound
  // call from this warm start (both stay as they are while the record
  // lives; a new warm start asks again: &bound_unasked, never null, so that
  // a record without a plan never equals it): every item's slot within the
  // record's table; whether more than one item is a string.
  const void* bound_plan;
  bool bound_strs;
  // Each item as a bound call checks its argument: the bits of the code
  // word an argument must start with that BOUND_LEAD_MASK tests (the comma,
  // the item's type code, the top bit of a bound slot), and the item's slot
  // within the record's table.
  struct Bound_item {
    uint32_t lead;
    uint16_t kept;
    uint8_t type;
  } bound_items[CALL_FRAME_ARGS];
  // The shape of a bound call's records (bound_shape): their count and
  // each one's kind.
  uint32_t bound_shape;
  // While the record is parked: its variable trees hold the plan's kept
  // variables and no others (found by the return that parked it), so that
  // a bound call's return that finds no node changed in shape since the
  // call (Var_shape_gen) empties just those, without testing them.
  bool only_bound;
  // While the record is parked with only_bound: those variables still hold
  // the values of the bound call that parked it (its return left them:
  // the next bound call of the plan sets every one of them whole).  Any
  // other way that takes the record, or changes the plan, empties them
  // first (clear_stale).
  bool stale_bound;
  // Where a bound call goes on from an ENTER that ends its line (fixed with
  // the plan; none when the ENTER does not end its line that way).
  Image_line_step bound_next;
  // The ENTER's own line when lines of remarks come before it (see
  // first_enter; none when it is on the first line), where a bound call
  // goes on from an ENTER that does not end its line.
  Image_line_step bound_line;
  // The record's ENTER plan once found unfit for a bound call from this warm
  // start (null: none was), so that a call does not ask again.
  const void* bound_refused;
  // Where a bound call without arguments starts: the line of the first
  // statement that is not a remark (first_statement), none when that is on
  // the first line or the walk found none.
  Image_line_step bare_line;
};
static_assert(std::is_trivially_copyable_v<Warm_start>, "a warm start is a plain block");
static_assert(offsetof(Prog_context, Num_flags) == offsetof(Prog_context, Precision) + 4 &&
                  offsetof(Warm_start, num_flags) == offsetof(Warm_start, precision) + 4 &&
                  offsetof(Prog_context, With_depth) == offsetof(Prog_context, With_ctx) + 4 &&
                  offsetof(Warm_start, with_depth) == offsetof(Warm_start, with_ctx) + 4,
              "the pairs compared as one word lie together in both");

// The 8 bytes at a as one word (two fields at once).
[[gnu::always_inline]] inline uint64_t pair_word(const void* a) {
  uint64_t x;
  std::memcpy(&x, a, 8);
  return x;
}

// A variable's flags (low half) and its read and write masks (the two
// quarters above), as one word.
static_assert(std::endian::native == std::endian::little, "the word's halves are read little-endian");
static_assert(offsetof(Var_node, read_mask) == offsetof(Var_node, flags) + 4 &&
                  offsetof(Var_node, write_mask) == offsetof(Var_node, flags) + 6,
              "flags and access masks lie together");
inline uint64_t Var_flags_masks(const Var_node* v) {
  uint64_t word;
  std::memcpy(&word, &v->flags, sizeof word);
  return word;
}

// A record's flags (low half) and state (high half) as one word.
static_assert(offsetof(Prog_obj, state) == offsetof(Prog_obj, flags) + 2 && sizeof(Prog_obj::flags) == 2,
              "a record's flags and state lie together");
[[gnu::always_inline]] inline uint32_t Prog_flags_state(const Prog_obj* rec) {
  uint32_t word;
  std::memcpy(&word, &rec->flags, sizeof word);
  return word;
}

// A context's Pgm_flags (low half) and Pgm_flags2 (high half) as one word.
static_assert(offsetof(Prog_context, Pgm_flags2) == offsetof(Prog_context, Pgm_flags) + 4,
              "the two flag words lie together");
[[gnu::always_inline]] inline uint64_t Pgm_flag_words(const Prog_context& c) {
  uint64_t word;
  std::memcpy(&word, &c.Pgm_flags, sizeof word);
  return word;
}

// Whether the warm start w was kept for a call of this very name.
[[gnu::always_inline]] inline bool warm_named(const Warm_start* w, const uint8_t* name, uint32_t name_len) {
  return name_len == w->name_len && Block_equal(name, w->name, name_len);
}

// The checks of rec's warm start w (kept for the call's name: warm_named)
// that do not depend on where the record was found (warm_fits): the record
// as Prog_take and Exec_load would take it (kept variables and name block,
// the same load), the caller's fields the kept context was built from, and
// nothing that would make the long way do more.  warm_state_fits makes all
// but the unparked record's: each a word that is zero when it passes, all
// of them ORed into one (a single branch).
// (flags_state: the record's word, when the caller has read it.)
[[gnu::always_inline]] inline bool warm_state_fits(const Prog_obj* rec, const Warm_start* w, uint32_t flags_state) {
  const uint64_t differs =
      (flags_state & (PO_STALE | PO_CHANGED | uint32_t(PO_STATE_DATA_SET) << 16)) |
      (w->load_serial ^ rec->load_serial) | (pair_word(&ws.Precision) ^ pair_word(&w->precision)) |
      (ws.Var_mask_glob ^ w->var_mask_glob) | (pair_word(&ws.With_ctx) ^ pair_word(&w->with_ctx)) |
      ((Pgm_flag_words(ws) & (PGM_SHARES_VARS | uint64_t(PGM2_ERR_HANDLER) << 32)) ^ w->err_handler) |
      // What would make the long way do more: objects or data sets that
      // find variables (the kept ones are not taken then), a PERFORM ON, a
      // text source left open.
      reinterpret_cast<uintptr_t>(Var_lookup_hook) | uint64_t(Perform_on_active) |
      reinterpret_cast<uintptr_t>(Text_source());
  return !differs;
}
[[gnu::always_inline]] inline bool warm_state_fits(const Prog_obj* rec, const Warm_start* w) {
  return warm_state_fits(rec, w, Prog_flags_state(rec));
}
[[gnu::always_inline]] inline bool warm_fits(const Prog_obj* rec, const Warm_start* w) {
  if (!warm_state_fits(rec, w)) return false;
  // (A parked record holds all of it, the name block's bytes the warm
  // start's name.)
  // A program without variables keeps no table (nor trees: no keep takes
  // them without one).
  if (!rec->parked) [[unlikely]] {
    if ((!rec->spare_index && rec->var_cnt) || !rec->spare_name || !rec->image) return false;
    if (rec->spare_name->len != w->name_len || !Block_equal(rec->spare_name->bytes(), w->name, w->name_len))
      return false;
  }
  return true;
}

// The record a CALL of the name may start warm from the list, or null.
// Only checks (and, for a record that is not resident, the check of its
// file that the search by name makes).  The record must be the one Prog_load
// would find first (usually the front of the list; else found as the search
// by name finds it, and the warm start moves it to the front as that search
// does), with the kept variables and name block that Prog_take and
// Exec_load would take.
[[gnu::always_inline]] inline Prog_obj* warm_record(const uint8_t* name, uint32_t name_len) {
  Prog_obj* rec = ws.Prog_head;
  if (!rec) return nullptr;
  const auto* w = static_cast<const Warm_start*>(rec->warm_start);
  if (!w || !warm_named(w, name, name_len)) [[unlikely]] {
    // Another program's call was the last: programs called in turn.
    rec = Prog_list_find(name, name_len);
    if (!rec || !rec->warm_start) return nullptr;
    w = static_cast<const Warm_start*>(rec->warm_start);
    if (!warm_named(w, name, name_len)) return nullptr;
  }
  if (!warm_fits(rec, w)) return nullptr;
  // A program kept by the program cache is taken only while its file is
  // unchanged, as the search by name takes it (a changed one is marked
  // there).
  if (!(rec->flags & (PO_RESIDENT | PO_PINNED)) && Prog_file_changed(rec)) return nullptr;
  return rec;
}

// The record of the own cache that a CALL of the name (name_len > 0) would
// take back (see Prog_own_find) when it may start warm, or null: as
// warm_record, but its file is checked when it is taken (warm_take).
[[gnu::noinline]] Prog_obj* own_warm_record(const uint8_t* name, uint32_t name_len) {
  // The search by name drops trailing blanks; a name with them goes the
  // long way.
  if (name[name_len - 1] == ' ') return nullptr;
  Prog_obj* rec = Prog_own_find(name, name_len);
  if (!rec || !rec->warm_start) return nullptr;
  const auto* w = static_cast<const Warm_start*>(rec->warm_start);
  if (!warm_named(w, name, name_len) || !warm_fits(rec, w)) return nullptr;
  return rec;
}

#if defined(BLOCK_COPY_WIDE)
constexpr bool WIDE_HEAD_STORE = true;
#else
constexpr bool WIDE_HEAD_STORE = false;
#endif

// The part of a kept context a warm start copies: all but the four
// pointers that begin it, which it sets itself, as it sets the one that
// ends it after the copy (the kept one is null: the copy stays whole
// 32-byte moves).
constexpr size_t WARM_FROM = offsetof(Prog_context, Pgm_attr);
constexpr size_t WARM_TO = PROG_CONTEXT_BYTES;
static_assert(offsetof(Prog_context, Call_link) == 0 && offsetof(Prog_context, Arg_list) == 8 &&
                  offsetof(Prog_context, Pgm_cache_ent) == 16 && offsetof(Prog_context, Cur_pgm) == 24 &&
                  WARM_FROM == 32 && offsetof(Prog_context, Pgm_text_blk) + sizeof(Pgm_text*) == WARM_TO,
              "a warm start sets the context's first four fields and its last");

// A record own_warm_record found back in the list, as the search by name
// takes it (Prog_own_take): false when its file changed
// (the record is gone then, and the call goes the long way); else a load
// with a new serial, which the warm start follows (the context's variable
// table is identified by it).
[[gnu::noinline]] bool warm_take(Prog_obj* rec) {
  if (!Prog_own_take(rec)) return false;
  auto* w = static_cast<Warm_start*>(rec->warm_start);
  w->load_serial = rec->load_serial;
  w->ctx.Names_id = rec->load_serial & 0x7FFFFFFF;
  return true;
}

// The kept variable of the warm start's plan item i, in its table.
[[gnu::always_inline]] inline Var_node* bound_node(const Warm_start* w, uint32_t i) {
  return w->ctx.Var_index[w->bound_items[i].kept];
}

// The plan's kept variables a bound call's return left holding their values
// (stale_bound) emptied, as that return would have.
[[gnu::noinline]] void empty_stale(Warm_start* w) {
  ORU_ASSERT(w->only_bound);
  for (uint32_t i = 0, n = w->bound_shape & 15; i < n; i++) var_keep::clear_known(bound_node(w, i));
  w->stale_bound = false;
}
[[gnu::always_inline]] inline void clear_stale(const Warm_start* w) {
  if (w->stale_bound) [[unlikely]]
    empty_stale(const_cast<Warm_start*>(w));
}

// Whether the frame's records name the plan's kept variables of rec's warm
// start (as the called program's table has them), the nodes a return that
// leaves them holding their values leaves so (checked where asserts are).
bool bound_nodes_are(const Call_frame* f, const Prog_obj* rec) {
  const auto* w = static_cast<const Warm_start*>(rec->warm_start);
  if (f->bound_n != (w->bound_shape & 15)) return false;
  for (uint32_t i = 0; i < f->bound_n; i++)
    if (ws.Var_index[w->bound_items[i].kept] != f->args[i].bound) return false;
  return true;
}

// The call's context from the warm start of rec (warm_record said yes, and
// a record of the own cache was taken back: own), with its key and
// description block (warm_text); the caller's context is saved in f
// already.
// Usual: the record is parked and at the front of the list, and the call
// not from the own cache (the usual bound call's facts, known to it: no
// test, and nothing called).
template <bool Wide = false, bool Usual = false>
[[gnu::always_inline]] inline void warm_start(Prog_obj* rec, bool own, Call_frame* f, Arg_rec* list,
                                              Pgm_text* text,
                                              const Warm_start* w = nullptr) {
  // (w: the record's warm start, when the caller has it at hand.)
  if (!w) w = static_cast<const Warm_start*>(rec->warm_start);
  auto* to = reinterpret_cast<unsigned char*>(static_cast<Prog_context*>(&ws)) + WARM_FROM;
  const auto* from = reinterpret_cast<const unsigned char*>(&w->ctx) + WARM_FROM;
  if constexpr (Wide) {
    Block_copy_ymm<WARM_TO - WARM_FROM>(to, from);
    Block_wide_done();
  } else {
    Block_copy<WARM_TO - WARM_FROM>(to, from);
  }
  ORU_ASSERT(!Usual || (!own && rec == ws.Prog_head && rec->parked));
  // (Only a bound call, which sets the plan's kept variables itself, takes
  // them as its return may have left them: stale_bound.)
  ORU_ASSERT(!w->stale_bound || list == &f->args[0]);
  // (The kept context's is null, which the copy brought: the usual call
  // has none to set.)
  ORU_ASSERT(!w->ctx.Pgm_text_blk && (!Usual || !text));
  if (!Usual) ws.Pgm_text_blk = text;
  // The usual call's four fields that begin the context as one 32-byte
  // store (the record parked: its path's reference is the park's).
  constexpr bool head_store = Wide && Usual && WIDE_HEAD_STORE;
  if constexpr (head_store) {
#if defined(BLOCK_COPY_WIDE)
    static_assert(offsetof(Prog_context, Cur_pgm) == 24, "the four first fields fill 32 bytes");
    asm("vmovq %1, %%xmm14\n\tvpinsrq $1, %2, %%xmm14, %%xmm14\n\tvmovq %3, %%xmm13\n\t"
        "vpinsrq $1, %4, %%xmm13, %%xmm13\n\tvinserti128 $1, %%xmm13, %%ymm14, %%ymm14\n\tvmovdqu %%ymm14, %0"
        : "=m"(*reinterpret_cast<Block_piece32_mem*>(static_cast<Prog_context*>(&ws)))
        : "r"(f), "r"(list), "r"(rec), "r"(rec->path)
        : "xmm13", "xmm14");
#endif
  } else {
    ws.Call_link = f;
    ws.Arg_list = list;
    ws.Pgm_cache_ent = rec;
  }
  rec->uses++;
  if (!own) {
    // As the search by name takes it (CacheLoad).  (A take from the own
    // cache counted a load, and linked it at the front.)
    if (!Usual && rec != ws.Prog_head) [[unlikely]]
      Cache_to_front(rec);
    ws.Prog_hits++;
  }
  if (Usual || rec->parked) [[likely]] {
    // The copy brought the variables and the name block; the path's
    // reference is the park's.
    rec->parked = false;
    if constexpr (!head_store) ws.Cur_pgm = rec->path;
  } else {
    ws.Cur_pgm = Path_ref(rec->path);
    ws.Pgm_name = rec->spare_name;
    rec->spare_name = nullptr;
    Prog_take_spare_vars(rec, false);
    // (What the last park found of its trees says nothing of these.)
    static_cast<Warm_start*>(rec->warm_start)->only_bound = false;
  }
  Run_flags_set(RF_CALL_DEPTH);
  drop_go_cache();
  end_auto();
}

[[gnu::always_inline]] inline bool parked_only_bound(const Prog_obj* rec) {
  return static_cast<const Warm_start*>(rec->warm_start)->only_bound;
}

[[gnu::always_inline]] inline void park_record(Prog_obj* rec, bool only_bound, bool stale) {
  auto* w = static_cast<Warm_start*>(rec->warm_start);
  ORU_ASSERT(!stale || only_bound);
  // (Usually what the last park left: stored only when it differs.)
  if (w->only_bound != only_bound) w->only_bound = only_bound;
  if (w->stale_bound != stale) w->stale_bound = stale;
  // (Stored when one differs from what the call took: the table grew, a
  // variable was made, ...; usually all four are the ones it took.)
  const auto differs = [](const void* a, const void* b) {
    return reinterpret_cast<uintptr_t>(a) ^ reinterpret_cast<uintptr_t>(b);
  };
  // A return that leaves the kept variables' values (stale) found no node
  // changed in shape since the call (no tree changed) and the table's count
  // the record's (it did not grow): the table and the trees are the ones the
  // call took, and only the name block is compared.
  ORU_ASSERT(!stale || (w->ctx.Var_index == ws.Var_index && w->ctx.Loc_num_tree == ws.Loc_num_tree &&
                        w->ctx.Loc_str_tree == ws.Loc_str_tree));
  if (differs(w->ctx.Pgm_name, ws.Pgm_name) |
      (stale ? 0
             : differs(w->ctx.Var_index, ws.Var_index) | differs(w->ctx.Loc_num_tree, ws.Loc_num_tree) |
                   differs(w->ctx.Loc_str_tree, ws.Loc_str_tree))) {
    w->ctx.Pgm_name = ws.Pgm_name;
    w->ctx.Var_index = ws.Var_index;
    w->ctx.Loc_num_tree = ws.Loc_num_tree;
    w->ctx.Loc_str_tree = ws.Loc_str_tree;
  }
  rec->parked = true;
  // No current variable is left naming a parked one (stored only when one
  // is current).
  if (reinterpret_cast<uintptr_t>(ws.Cur_var) | reinterpret_cast<uintptr_t>(ws.Cur_val)) {
    ws.Cur_var = nullptr;
    ws.Cur_val = nullptr;
    ws.Cur_elem = -1;
  }
}

// The cursor on the program's first statement, as the warm start has it.
void warm_cursor(const Warm_start* w) {
  ws.Cur_stno = w->stno;
  // (Unless the kept context's line is still the first one.)
  if (w->ctx.Cur_line_rec != w->line_rec) {
    ws.Cur_line_no = w->line_no;
    ws.Cur_line_rec = w->line_rec;
    ws.Cur_edit_blk = nullptr;  // (an image's: a warm start is kept for no other)
  }
  ws.Exec_ptr = ws.Stmt_ptr = w->exec;
  ws.Str_ptr = w->str_ptr;
  ws.Str_len = w->str_len;
}

// warm_cursor, then the cursor and the statement start at (returned) on
// that line.
[[gnu::noinline]] uint8_t* warm_cursor_at(const Warm_start* w, uint8_t* at) {
  warm_cursor(w);
  ws.Exec_ptr = ws.Stmt_ptr = at;
  return at;
}

uint8_t* first_statement(const Prog_obj* rec, const Warm_start* w, Image_line_step* line);

// After a plain call set up the long way: the context it built is kept as
// the program's warm start when a later call can take it (see
// warm_record).  name: the name the call gave.
void keep_warm_start(const Call_frame* f, const uint8_t* name, uint32_t name_len) {
  Prog_obj* rec = ws.Pgm_cache_ent;
  // A program that is neither resident nor kept by the program cache (PC 0)
  // leaves the list at its return: only the own cache keeps its warm start.
  if (!rec || (!(rec->flags & (PO_RESIDENT | PO_PINNED)) && prmblk.PC == 0 && !Prog_own_keeps(rec)) ||
      !ws.Pgm_image ||
      rec->image != ws.Pgm_image || name_len > WARM_NAME_MAX ||
      (ws.Pgm_flags & (PGM_ENCIPHERED | PGM_PROTECTED)) || (f->Pgm_flags & PGM_SHARES_VARS) || ws.Ctl_stack ||
      ws.Fnc_ctx || ws.Loc_chain || ws.Edit_list != Last_line() || ws.Cur_edit_blk)
    return;
  if (rec->parked) Prog_unpark(rec);  // (the copy below would overwrite what it holds)
  Pgm_load_epoch++;                     // a name other than the parked one's may follow
  auto* w = static_cast<Warm_start*>(rec->warm_start);
  if (!w) {
    w = static_cast<Warm_start*>(Get_blk_line(sizeof(Warm_start)));
    if (!w) return;  // the next call goes the long way again
    rec->warm_start = w;
  }
  copy_context(&w->ctx, &ws);
  Forget_call_owned(w->ctx);
  w->only_bound = false;
  w->stale_bound = false;
  w->load_serial = rec->load_serial;
  w->num_flags = f->Num_flags;
  w->precision = f->Precision;
  w->var_mask_glob = f->Var_mask_glob;
  w->with_ctx = f->With_ctx;
  w->with_depth = f->With_depth;
  w->err_handler = uint64_t(f->Pgm_flags2 & PGM2_ERR_HANDLER) << 32;
  w->stno = ws.Cur_stno;
  w->line_no = ws.Cur_line_no;
  w->line_rec = ws.Cur_line_rec;
  w->exec = ws.Exec_ptr;
  w->str_ptr = ws.Str_ptr;
  w->str_len = ws.Str_len;
  w->name_len = name_len;
  std::memcpy(w->name, name, name_len);
  w->bound_plan = &bound_unasked;
  w->bound_strs = false;
  w->bound_next.next = nullptr;
  w->bound_line.next = nullptr;
  w->bound_refused = nullptr;
  if (!first_statement(rec, w, &w->bare_line)) w->bare_line.next = nullptr;
}

// A record's caller's and callee's variable, side by side, in one store.
static_assert(offsetof(Arg_rec, bound) == offsetof(Arg_rec, var) + sizeof(Var_node*), "var, then bound");
[[gnu::always_inline]] inline void set_arg_vars(Arg_rec* a, Var_node* var, Var_node* bound) {
#if defined(__SSE2__)
  _mm_storeu_si128(reinterpret_cast<__m128i*>(&a->var),
                   _mm_set_epi64x(reinterpret_cast<long long>(bound), reinterpret_cast<long long>(var)));
#else
  a->var = var;
  a->bound = bound;
#endif
}

// A bound call's arguments at p (after the name), checked against the
// items of rec's ENTER plan as the warm start w keeps them (n of them):
// every argument a variable of the caller by its bound slot, as Do_Args
// takes it by reference (readable and writable, no record, a string not
// passed twice), and every item's kept variable a plain scalar of the same
// type (kept variables are cleared: no storage): what ENTER would bind
// without a failure.  The variables in the records args (the caller's in
// var, the kept one in bound; the kinds are the shape's); the cursor
// after the arguments (p + 4 * n) is what a caller goes on with; false when
// an argument does not fit.
// A parked record's kept variables (Parked: known parked, as usual_bound
// knows it) are all cleared (a record is parked only by a return whose
// clear took every one of its variables, and nothing reaches them until a
// call takes them back), or the plan's hold the values of the bound call
// that parked it (stale_bound), which the binding sets whole; none of the
// plan's is an integer (learn_plan), which alone keeps a flag when
// cleared: only their presence is tested.
template <bool Parked = false>
[[gnu::always_inline]] inline bool bound_args(const Warm_start* w, uint32_t n, uint8_t* p, const Prog_obj* rec,
                                                 Arg_rec* args) {
  ORU_ASSERT(!Parked || rec->parked);
  const bool parked = Parked || rec->parked;
  Var_node** const kept = parked ? w->ctx.Var_index : rec->spare_index;
  Var_node** const slots = ws.Var_index;
  const uint32_t slot_cnt = ws.Var_index_cnt;
  // A caller's variable is refused by its flags word and access masks in
  // one test: flags (read-only, record), then the read and the write mask
  // against the bits the program lacks.
  const uint64_t lacking = uint16_t(~ws.Var_mask);
  const uint64_t refuse = (lacking << 48) | (lacking << 32) | (VF_READ_ONLY | VF_RECORD);
  // Argument i (a constant in each case below: every offset is fixed).
  auto fits = [&](size_t i) __attribute__((always_inline)) {
    // The item's lead and kept slot in one read.
    static_assert(sizeof(Warm_start::Bound_item) == 8 && offsetof(Warm_start::Bound_item, kept) == 4,
                  "an item is one word: its lead, then its kept slot");
    uint64_t item;
    std::memcpy(&item, &w->bound_items[i], sizeof item);
    // ", name" with the item's type, the name by its bound slot, as one
    // word: the comma, the type code, the slot big-endian (its top bit set:
    // bound); what follows is the next one's comma or the end, tested there.
    uint32_t word;
    std::memcpy(&word, p + 4 * i, 4);
    if ((word & BOUND_LEAD_MASK) != uint32_t(item)) return false;
    uint32_t idx = __builtin_bswap32(word) & 0x7FFFu;
    if (idx >= slot_cnt) return false;
    // (The item's type, which the lead holds.)
    const uint8_t c = uint8_t(word >> 8);
    ORU_ASSERT(c == w->bound_items[i].type);
    // (The record is the frame's: it holds nothing when a check fails.)
    Var_node* v = slots[idx];
    if (!v || v->type != c || (Var_flags_masks(v) & refuse)) return false;
    // The kept variable as the keep left it (cleared, or holding the last
    // bound call's value: either way the binding sets its flags and masks
    // whole, and it has no string to free); a record, a read-only or an
    // integer one (a "%" name keeps its flag) goes the long way.
    Var_node* cv = kept[uint16_t(item >> 32)];  // (within the table: checked with the plan)
    if (parked) {
      if (!cv) return false;
      ORU_ASSERT(cv->type == c && !cv->str && !cv->rec_list && !cv->dims && (!cv->flags || w->stale_bound));
    } else if (!cv || cv->type != c || (cv->flags | reinterpret_cast<uintptr_t>(cv->str))) {
      return false;
    }
    set_arg_vars(args + i, v, cv);
    return true;
  };
  static_assert(CALL_FRAME_ARGS == 6, "a case for each argument a bound call passes");
  // (The plan's count is CALL_FRAME_ARGS at most: no other case to test.)
  ORU_ASSERT(n <= CALL_FRAME_ARGS);
  if (n > CALL_FRAME_ARGS) __builtin_unreachable();
  switch (n) {
    case 6: if (!fits(5)) return false; [[fallthrough]];
    case 5: if (!fits(4)) return false; [[fallthrough]];
    case 4: if (!fits(3)) return false; [[fallthrough]];
    case 3: if (!fits(2)) return false; [[fallthrough]];
    case 2: if (!fits(1)) return false; [[fallthrough]];
    case 1: if (!fits(0)) return false; [[fallthrough]];
    default: break;
  }
  // A string passed twice goes by value the second time: the long way.
  if (w->bound_strs) [[unlikely]]
    for (uint32_t i = 1; i < n; i++)
      if (w->bound_items[i].type == code::STR_VAR)
        for (uint32_t j = 0; j < i; j++)
          if (args[j].var == args[i].var) return false;
  return true;
}

// The place the call returns to, and how it was made, in the caller's
// context saved in f.  (Written into the frame after the copy: a field of
// the workspace written just before the copy reads it would hold the copy
// up.)
// FromLine: the call is made from a program line (ws.Cur_stno is not 0).
// exec: the cursor (ws.Exec_ptr), when the caller has it at hand.  (The
// flags are the workspace's, which the frame's copy holds: not read back
// from the copy just stored.)
template <bool FromLine = false>
[[gnu::always_inline]] inline void mark_return(Call_frame* f, uint8_t* exec = ws.Exec_ptr) {
  uint32_t flags = ws.Pgm_flags & ~uint32_t(PGM_FROM_CONSOLE | PGM_IN_CALL);
  if constexpr (FromLine) {
    // The frame's copy holds the workspace's stop position and flags, which
    // the return of the frame's last call put back: usually this very
    // call's (a call in a loop), and nothing is stored then.
    const uint16_t stno = ws.Cur_stno;
    uint8_t* const stmt = ws.Stmt_ptr;
    flags |= ws.Run_flags & RF_CALL_DEPTH;  // PGM_IN_CALL
    if (uint64_t(ws.Stop_stno ^ stno) | uint64_t(ws.Pgm_flags ^ flags) |
        (reinterpret_cast<uintptr_t>(ws.Stop_ptr) ^ reinterpret_cast<uintptr_t>(exec)) |
        (reinterpret_cast<uintptr_t>(ws.Stop_stmt) ^ reinterpret_cast<uintptr_t>(stmt))) {
      f->Stop_stno = stno;
      f->Stop_ptr = exec;
      f->Stop_stmt = stmt;
      f->Pgm_flags = flags;
    }
    return;
  }
  if (ws.Cur_stno != 0) {
    f->Stop_stno = ws.Cur_stno;
    f->Stop_ptr = exec;
    f->Stop_stmt = ws.Stmt_ptr;
  } else {
    flags |= PGM_FROM_CONSOLE;
  }
  f->Pgm_flags = flags | (ws.Run_flags & RF_CALL_DEPTH);  // PGM_IN_CALL
}

// Runs a started call in a nested execution until its frame is popped.  The
// caller's cursor, ERR= target, handed-back error and I/O area come back
// however the run ends.
int run_nested(int form, Arg_rec* list, uint32_t flags2, uint32_t frame_flags, bool* started,
               Call_loader load = nullptr, void* ctx = nullptr) {
  Nested_run_guard<NESTED_IO | NESTED_CALL_ERR> saved;
  if (started) *started = false;
  int depth = Call_depth();
  ws.Cur_stno = 0;  // the frame returns to line 0: its EXIT ends the nested line
  try {
    // The statement that runs the program keeps its exit hook: a program
    // that cannot start is this call's failure, not the statement's.
    Catch_region region;
    Exec_subprogram_with(form, list, load, ctx);
  } catch (const Oru_error& e) {
    return e.no;
  }
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

}  // namespace

Call_frame* Call_push_saved() {
  Call_frame* f = new_frame();
  save_context(f);
  mark_return(f);
  return f;
}

#if defined(BLOCK_COPY_WIDE)
[[gnu::target("avx2")]] Call_frame* Call_push_saved_wide() {
  Call_frame* f = new_frame();
  save_context<true>(f);
  mark_return(f);
  return f;
}
#else
Call_frame* Call_push_saved_wide() { return Call_push_saved(); }
#endif

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

namespace {

// The first statement a call of rec's program runs from the warm start w
// that is not a remark: the program's first statement, or the first one
// after lines that hold nothing but empty statements and a remark or
// comment, which the statement loop runs through without a trace while
// nothing is pending (the end of a line: next_program_line's step, each
// line's number below the end line's); null when the walk meets anything
// else (the end line, a line out of the image).  *line: that statement's
// line as the loop steps to it (next null when it is the warm start's own
// line).
uint8_t* first_statement(const Prog_obj* rec, const Warm_start* w, Image_line_step* line) {
  line->next = nullptr;
  uint8_t* at = w->line_rec;
  const uint8_t* const end = rec->image + rec->image_size;
  uint8_t* p = w->exec;
  for (;;) {
    while (*p == code::STMT_SEP) p++;
    if (*p != code::EOL && *p != code::D_REM && *p != code::D_COMMENT) return p;
    // The step to the next line as the loop takes it in an image: from the
    // cursor's own line (the warm start's, or one stepped to here).
    if (!line->next && (w->stno != w->line_no || uint16_t(w->stno - 1) >= LAST_LINE_NO - 1)) return nullptr;
    if (!at || at < rec->image || at + 4 > end) return nullptr;
    at += 2 + get_u16be(at);
    if (at + 4 > end || at + 2 + get_u16be(at) > end) return nullptr;
    const uint16_t no = get_u16be(at + 2);
    if (uint16_t(no - 1) >= LAST_LINE_NO - 1) return nullptr;
    line->next = at;
    line->len = get_u16be(at);
    line->no = no;
    p = at + 4;
  }
}

// The ENTER a call of rec's program reaches first (first_statement), or
// null.
uint8_t* first_enter(const Prog_obj* rec, const Warm_start* w, Image_line_step* line) {
  uint8_t* p = first_statement(rec, w, line);
  return p && *p == code::D_ENTER ? p : nullptr;
}

// Whether the name of slot idx in the context's table is a plain one: not
// an integer's ("%": its variable keeps its flag when cleared, and a bound
// call binds only variables cleared to no flags at all), nor a data
// dictionary's reference.
bool plain_item_name(const Prog_context& c, uint32_t idx) {
  if (idx >= c.Name_cnt || !c.Name_index || !c.Name_pool) return false;
  const uint32_t off = c.Name_index[idx];
  if (off >= c.Name_pool_size) return false;
  const uint8_t len = c.Name_pool[off];
  if (len == 0 || len == 255 || off + 1 + uint32_t(len) > c.Name_pool_size) return false;
  return c.Name_pool[off + len] != '%';
}

// A bound call's records in one word: their count (1 to CALL_FRAME_ARGS) in
// the low 4 bits, then 2 bits per record, its kind (a variable's type code,
// 1 or 2).  A frame whose records were last shaped for the same word
// (Call_frame::arg_shape) holds those kinds, each record linked to the next
// and the last to none: only a bound call writes a frame's kinds and links.
static_assert(CALL_FRAME_ARGS < 16 && code::NUM_VAR < 4 && code::STR_VAR < 4, "a shape fits its word");
uint32_t bound_shape(const Enter_plan* plan) {
  uint32_t shape = plan->count;
  for (uint32_t i = 0; i < plan->count; i++) shape |= uint32_t(plan->items[i].type) << (4 + 2 * i);
  return shape;
}

// The frame's records given the kinds and links of shape (not 0).
[[gnu::noinline]] void shape_records(Call_frame* f, uint32_t shape) {
  const uint32_t n = shape & 15;
  for (uint32_t i = 0; i < CALL_FRAME_ARGS; i++) {
    f->args[i].kind = uint8_t(shape >> (4 + 2 * i) & 3);
    f->args[i].next = i + 1 < n ? &f->args[i + 1] : nullptr;
  }
  f->arg_shape = shape;
}

// Whether rec's ENTER plan fits a bound call from the warm start w (see
// call_bound), learnt into w when it does; a plan that does not is
// remembered (bound_refused).
[[gnu::noinline]] bool learn_plan(Prog_obj* rec, Warm_start* w, const Enter_plan* plan) {
  // (The last plan's kept variables, left holding values, emptied first.)
  clear_stale(w);
  // The program's first statement (past lines of remarks) is the planned
  // ENTER, with items that name different variables, each a plain scalar
  // taken by reference.
  Image_line_step line;
  const uint8_t* enter;
  if (!plan->distinct || !plan->refs_only || plan->count > CALL_FRAME_ARGS || !(enter = first_enter(rec, w, &line)) ||
      plan->stmt != enter + 1) {
    w->bound_refused = plan;
    return false;
  }
  uint32_t strs = 0;
  for (uint32_t i = 0; i < plan->count; i++) {
    const Enter_item& it = plan->items[i];
    if (it.idx >= rec->var_cnt || !plain_item_name(w->ctx, it.idx)) {
      w->bound_refused = plan;
      return false;
    }
    strs += it.type == code::STR_VAR;
    static_assert(std::endian::native == std::endian::little, "an argument's code word is read little-endian");
    w->bound_items[i] = {uint32_t(code::COMMA) | uint32_t(it.type) << 8 | 0x800000u, it.idx, it.type};
  }
  w->bound_shape = bound_shape(plan);
  w->only_bound = false;
  w->bound_plan = plan;
  w->bound_strs = strs > 1;
  w->bound_line = line;
  // ENTER ends its line: a call goes on to the next line's first
  // statement.  (The warm start's cursor is on the first line, its record
  // current; a later line is stepped to as the loop steps.)
  if (line.next) w->bound_next.learn(rec->image, rec->image_size, line.next, plan->end, line.no, line.no);
  else w->bound_next.learn(rec->image, rec->image_size, w->line_rec, plan->end, w->stno, w->line_no);
  // The step's line fields into the kept context, which the usual bound
  // call's copy brings (its step stores the rest of it); every other way
  // from the warm start sets them itself (warm_cursor, the steps).
  if (const Image_line_step& next = w->bound_next; next.next) {
    w->ctx.Cur_line_rec = next.next;
    w->ctx.Cur_edit_blk = nullptr;
    w->ctx.Cur_line_no = next.no;
  }
  return true;
}

// Whether a CALL's arguments at p (after the name) are none: the
// statement ends, or only ", ERR=line" follows.
[[gnu::always_inline]] inline bool no_arguments(const uint8_t* p) {
  return (Cde_tbl[*p] & CC_STMT_END) || (p[0] == code::COMMA && p[1] == code::IOPT_FIRST + 4);
}

// The frame f marked as a bound call's push of count records (its return
// parks the record while nothing has been loaded since, and takes the
// records at their fixed places), with the shape generation as the call
// finds it before binding (an integer caller's variable lends its flag to
// the callee's, which moves it); none for a call without arguments, whose
// return walks the trees.  (Each stored when it differs: the frame's last
// call usually left the same.)
[[gnu::always_inline]] inline void mark_bound(Call_frame* f, uint32_t count) {
  if (f->load_epoch != Pgm_load_epoch) f->load_epoch = Pgm_load_epoch;
  if (f->bound_n != count) f->bound_n = count;
  const uint64_t gen = count ? Var_shape_gen : 0;
  if (f->shape_gen != gen) f->shape_gen = gen;
}

// A frame for a bound call, or null when there is no memory for it (the
// long way finds none either).
[[gnu::always_inline]] inline Call_frame* bound_frame() {
  if (frame_top != frame_cache) [[likely]] {
    Call_frame* f = *--frame_top;
    // (A kept frame is never null: the caller's test is the new frame's.)
    if (!f) __builtin_unreachable();
    return f;
  }
  return make_frame_or_null();
}

// A bound call without arguments (no_arguments at the cursor), of any
// program: the warm start alone, the cursor on the program's first
// statement, as the long way leaves it with no argument list (an ENTER
// there runs as it would then), or on the line of its first statement that
// is not a remark (bare_line), as the loop steps to it when nothing is
// pending.  w: rec's warm start; Own and Wide as call_bound's.  The
// callee's cursor, or null (the long way).
template <bool Own, bool Wide>
[[gnu::noinline]] uint8_t* call_bare(Prog_obj* rec, const Warm_start* w) {
  Call_frame* f = bound_frame();
  if (!f) return nullptr;
  // A record of the own cache whose file changed is gone: the long way.
  if (Own && !warm_take(rec)) {
    release_frame(f);
    return nullptr;
  }
  if (*ws.Exec_ptr == code::COMMA) {
    ws.Exec_ptr++;
    try {
      Chk_err();
    } catch (...) {
      release_frame(f);
      throw;
    }
  }
  Pgm_text* text;
  if (!warm_text(rec, &text)) {
    release_frame(f);
    Rpt_error(err::OUT_OF_MEMORY);
  }
  save_bound_context<Wide>(f);
  mark_return<true>(f);
  mark_bound(f, 0);
  clear_stale(w);
  warm_start<Wide>(rec, Own, f, nullptr, text);
  if (w->bare_line.next) w->bare_line.take();
  else warm_cursor(w);
  return ws.Exec_ptr;
}

// A bound call's start once its checks passed (call_bound, usual_bound):
// the caller's context saved in the frame f, with the place it returns to
// (p, the cursor after the arguments); the call's context from rec's warm
// start w; ENTER's binding; the cursor on the callee's statement after its
// ENTER, which is returned.  Usual as warm_start's.  Shaped: the frame's
// records hold the warm start's shape (usual_bound tested it).  (In
// the usual case nothing here calls out: the way that does is the last
// step, its own function.)
template <bool Own, bool Wide, bool Usual = false, bool Shaped = false>
[[gnu::always_inline]] inline uint8_t* start_bound(Prog_obj* rec, const Warm_start* w, const Enter_plan* plan,
                                                   Call_frame* f, uint8_t* p, Pgm_text* text) {
  save_bound_context<Wide>(f);
  mark_return<true>(f, p);
  // (The count read again: held across the copies, it would be spilled.)
  const uint32_t count = plan->count;
  mark_bound(f, count);
  warm_start<Wide, Usual>(rec, Own, f, count ? &f->args[0] : nullptr, text, w);
  // ENTER's binding (enter_planned's cases for references to scalars),
  // recorded in the frame's own argument records (they own nothing: str
  // and rec_list stay null).  The callee's variable has no string, record
  // or dimensions, and no flags but those the last such binding gave it
  // (bound_args): its flags and masks are set as one word, the caller's
  // masks with the flags a binding gives.
  constexpr uint64_t MASKS = ~uint64_t(0xFFFFFFFF);
  Arg_rec* const end = f->args + count;
  // The records' kinds and links, unless they hold them from the frame's
  // last call of this shape (usually the very same call).
  ORU_ASSERT(!Shaped || !count || f->arg_shape == w->bound_shape);
  if (!Shaped && count && f->arg_shape != w->bound_shape) [[unlikely]]
    shape_records(f, w->bound_shape);
  // (The kinds from the shape's word, read once.)
  const uint32_t shape = w->bound_shape;
  auto bind = [&](uint32_t i) __attribute__((always_inline)) {
    Arg_rec* const a = f->args + i;
    Var_node* c = a->var;
    Var_node* v = a->bound;
    const uint8_t kind = uint8_t(shape >> (4 + 2 * i) & 3);
    ORU_ASSERT(a->kind == kind && a->next == (a + 1 == end ? nullptr : a + 1) && !v->rec_list && !v->dims);
    const uint64_t cw = Var_flags_masks(c);
    uint64_t vw;
    if (kind == code::NUM_VAR) {
      Num_val x;
      num_copy(&x, &c->num);
      num_copy(&a->num, &x);
      num_copy(&v->num, &x);
      vw = (cw & MASKS) | Var_lend_integer(uint32_t(cw)) | VF_ASSIGNED;
      var_keep::set_bound_piece<Wide>(v, nullptr, vw);
    } else {
      ORU_ASSERT(!v->str);  // (bound_args)
      vw = (cw & MASKS) | VF_ASSIGNED;
      var_keep::set_bound_piece<Wide>(v, c->str, vw);
      c->str = nullptr;
    }
  };
  // (A case for each count, as bound_args' checks: every record at a fixed
  // offset, no loop.  The last first: the arguments name different callee
  // variables, and a caller's string is passed once, so the order is none
  // of the binding's concern.)
  if (count > CALL_FRAME_ARGS) __builtin_unreachable();  // (as bound_args')
  switch (count) {
    case 6: bind(5); [[fallthrough]];
    case 5: bind(4); [[fallthrough]];
    case 4: bind(3); [[fallthrough]];
    case 3: bind(2); [[fallthrough]];
    case 2: bind(1); [[fallthrough]];
    case 1: bind(0); [[fallthrough]];
    default: break;
  }
  if constexpr (Wide) Block_wide_done();
  // (A copy: the workspace's stores below cannot change it.)
  const Image_line_step next = w->bound_next;
  if (next.next) [[likely]] {
    // (The usual call's copy brought the line's fields: learn_plan.)
    ORU_ASSERT(!Usual || (ws.Cur_line_rec == next.next && !ws.Cur_edit_blk && ws.Cur_line_no == next.no));
    if constexpr (Usual) next.take_cursor();
    else next.take();
    return next.next + 4;
  }
  uint8_t* const at = plan->end;
  if (w->bound_line.next) {
    w->bound_line.take();
    ws.Exec_ptr = ws.Stmt_ptr = at;
    return at;
  }
  return warm_cursor_at(w, at);
}

// Exec_call_bound's work once the record is found: at the front of the list
// (warm_record), or in the own cache (own_warm_record; Own).  at: the
// cursor after the name (ws.Exec_ptr), at hand.
template <bool Own, bool Wide>
[[gnu::always_inline]] inline bool call_bound(Prog_obj* rec, uint8_t* at) {
  ORU_ASSERT(at == ws.Exec_ptr);
  auto* w = static_cast<Warm_start*>(rec->warm_start);
  const auto* plan = static_cast<const Enter_plan*>(rec->enter_plan);
  if (w->bound_plan != plan) [[unlikely]] {
    if (no_arguments(ws.Exec_ptr)) return call_bare<Own, Wide>(rec, w) != nullptr;
    if (!plan || plan == w->bound_refused || !learn_plan(rec, w, plan)) return false;
  }
  // The frame's own records take the arguments as they are checked: the
  // frame is taken first (none: no memory, and the long way finds none
  // either) and goes back when a check fails.
  Call_frame* f = bound_frame();
  if (!f) return false;
  const uint32_t n = plan->count;
  uint8_t* p = at;
  bool fit = bound_args(w, n, p, rec, f->args);
  p += 4 * size_t(n);
  if (fit && !(Cde_tbl[*p] & CC_STMT_END)) {
    // Only ", ERR=line" may follow.
    if (p[0] == code::COMMA && p[1] == code::IOPT_FIRST + 4) p++;
    else fit = false;
  }
  // The last check: a record of the own cache whose file changed is gone
  // and the call goes the long way (from its name again).
  if (!fit || (Own && !warm_take(rec))) {
    release_frame(f);
    // (A planned program called without arguments: its ENTER runs.)
    return !fit && no_arguments(ws.Exec_ptr) && call_bare<Own, Wide>(rec, w) != nullptr;
  }
  // (The cursor after the arguments is set where something reads it: the
  // call's cursor on the callee's statement replaces it below.)
  if (*p == code::IOPT_FIRST + 4) [[unlikely]] {
    ws.Exec_ptr = p;
    try {
      Chk_err();
    } catch (...) {
      release_frame(f);
      throw;
    }
    p = ws.Exec_ptr;
  }
  Pgm_text* text;
  if (!warm_text(rec, &text)) {
    // (The long way's load would find no memory for it either.)
    ws.Exec_ptr = p;
    release_frame(f);
    Rpt_error(err::OUT_OF_MEMORY);
  }
  start_bound<Own, Wide>(rec, w, plan, f, p, text);
  return true;
}

// A bound call of a record of the own cache: the callee's cursor, or null.
template <bool Wide>
[[gnu::noinline]] uint8_t* call_bound_own(const uint8_t* name, uint32_t len, uint8_t* args) {
  Prog_obj* rec = own_warm_record(name, len);
  return rec && call_bound<true, Wide>(rec, args) ? ws.Exec_ptr : nullptr;
}

template <bool Wide>
[[gnu::always_inline]] inline bool call_bound_named(const uint8_t* name, uint32_t len, uint8_t* args) {
  ORU_ASSERT(len > 0);  // (Exec_call_bound tests it; the loop's literal is never empty)
  if (Work_pending() || ws.Cur_stno == 0) return false;
  Prog_obj* rec = warm_record(name, len);
  if (!rec) [[unlikely]]
    return call_bound_own<Wide>(name, len, args) != nullptr;
  return call_bound<false, Wide>(rec, args);
}

// A bound call the whole way (call_bound_named): the callee's cursor, or
// null.
template <bool Wide>
[[gnu::noinline]] uint8_t* call_bound_whole(const uint8_t* name, uint32_t len, uint8_t* args) {
  return call_bound_named<Wide>(name, len, args) ? ws.Exec_ptr : nullptr;
}

// The bound call's usual start once its checks passed, in a function of its
// own: the record, its plan and the frame read again (the checks held none
// of them to the end).  Shaped: the frame's records hold the warm start's
// shape.
template <bool Wide, bool Shaped>
[[gnu::noinline]] uint8_t* usual_start(const Warm_start* w, Call_frame* f, uint8_t* p) {
  Prog_obj* const rec = ws.Prog_head;
  ORU_ASSERT(rec->warm_start == w && frame_top[-1] == f);
  const auto* const plan = static_cast<const Enter_plan*>(rec->enter_plan);
  --frame_top;
  return start_bound<false, Wide, true, Shaped>(rec, w, plan, f, p, nullptr);
}

// usual_start after the check of the file of a program the program cache
// keeps, as warm_record takes it (a changed one is marked: the whole way
// does not look again).
template <bool Wide>
[[gnu::noinline]] uint8_t* checked_start(const Warm_start* w, Call_frame* f, uint8_t* p) {
  if (Prog_file_changed(ws.Prog_head)) {
    uint8_t* const at = ws.Exec_ptr;
    return call_bound_whole<Wide>(at - w->name_len, w->name_len, at);
  }
  return usual_start<Wide, false>(w, f, p);
}

// The bound call's usual case: the record at the front of the list, parked,
// with no description, its plan learnt for this warm start; a frame in the
// cache; every argument fitting the plan and the statement ending after
// them.  Anything else goes call_bound_whole's way from the start: nothing
// has changed by then but the kept frame's argument records, which every
// call fills anew.  The callee's cursor (the cursor after the call is the
// frame's), or null.  The name is the literal that ends where the
// arguments begin (args, ws.Exec_ptr), and pending work was tested at the
// statement's start (nothing having run since: as for the statement loop's
// other statements, what a signal asks meanwhile is taken at the next one).
// The checks call nothing on their way (so that they keep nothing in the
// registers a call preserves: none to save and restore): every way out,
// and the start itself, is a jump to a function of its own, each reading
// from memory what it needs (the cursor at the arguments, the name's length
// once it matched the warm start's) rather than having it held here.  The
// file of a program the program cache keeps is checked on such a way
// (checked_start).
template <bool Wide>
[[gnu::always_inline]] inline uint8_t* usual_bound(const uint8_t* name, uint32_t len, uint8_t* args) {
  ORU_ASSERT(len > 0 && name + len == args && args == ws.Exec_ptr);
  if (ws.Cur_stno == 0) [[unlikely]]
    return nullptr;
  Prog_obj* const rec = ws.Prog_head;
  // (No list: the own cache's, as the whole way goes on.)
  if (!rec) [[unlikely]]
    return call_bound_own<Wide>(name, len, args);
  const auto* const w = static_cast<const Warm_start*>(rec->warm_start);
  if (!w || !warm_named(w, name, len)) [[unlikely]]
    return call_bound_whole<Wide>(name, len, args);
  // (From here, the name from the cursor and the warm start's length, read
  // on the way out: relaxed atomic loads, which the compiler does not
  // replace with the values it had.)
  auto whole = [w]() __attribute__((always_inline)) {
    uint8_t* const at = __atomic_load_n(&ws.Exec_ptr, __ATOMIC_RELAXED);
    const uint32_t l = __atomic_load_n(&w->name_len, __ATOMIC_RELAXED);
    return call_bound_whole<Wide>(at - l, l, at);
  };
  const uint32_t flags_state = Prog_flags_state(rec);
  if (!rec->parked || rec->has_desc || frame_top == frame_cache || !warm_state_fits(rec, w, flags_state)) [[unlikely]]
    return whole();
  // (A plan not learnt, or none, is never the warm start's: bound_unasked.
  // A call without arguments of a program the program cache keeps goes
  // the whole way, which checks its file.)
  const auto* const plan = static_cast<const Enter_plan*>(rec->enter_plan);
  if (w->bound_plan != plan) [[unlikely]] {
    if (no_arguments(args) && (flags_state & (PO_RESIDENT | PO_PINNED))) return call_bare<false, Wide>(rec, w);
    return whole();
  }
  Call_frame* const f = frame_top[-1];
  const uint32_t n = plan->count;
  uint8_t* const p = args + 4 * size_t(n);
  if (!bound_args<true>(w, n, args, rec, f->args) || !(Cde_tbl[*p] & CC_STMT_END)) [[unlikely]]
    return whole();
  if (!(flags_state & (PO_RESIDENT | PO_PINNED))) [[unlikely]]
    return checked_start<Wide>(w, f, p);
  if (n && f->arg_shape != w->bound_shape) [[unlikely]]
    return usual_start<Wide, false>(w, f, p);
  return usual_start<Wide, true>(w, f, p);
}

// The statement loop's form (Call_exit_paths::bound_call), Exec_call_bound's
// too: the callee's cursor, or null.
#if defined(BLOCK_COPY_WIDE)
[[gnu::noinline]] uint8_t* call_bound_wide(const uint8_t* name, uint32_t len, uint8_t* args) {
  return usual_bound<true>(name, len, args);
}
#else
uint8_t* call_bound_wide(const uint8_t* name, uint32_t len, uint8_t* args) { return usual_bound<false>(name, len, args); }
#endif

[[gnu::noinline]] uint8_t* call_bound_narrow(const uint8_t* name, uint32_t len, uint8_t* args) {
  return usual_bound<false>(name, len, args);
}

}  // namespace

bool Exec_call_bound(const uint8_t* name, uint32_t len) {
  if (len == 0) return false;
  // A name that is not the literal before the arguments (an evaluated one),
  // or pending work since the statement's start (an IF's condition
  // evaluated, say): the whole way, which tests both.
  uint8_t* const args = ws.Exec_ptr;
  if (name + len != args || Work_pending()) {
    if (Block_wide_moves) return call_bound_whole<true>(name, len, args) != nullptr;
    return call_bound_whole<false>(name, len, args) != nullptr;
  }
  if (Block_wide_moves) return call_bound_wide(name, len, args) != nullptr;
  return call_bound_narrow(name, len, args) != nullptr;
}

void Prog_unpark(Prog_obj* rec) {
  auto* w = static_cast<Warm_start*>(rec->warm_start);
  clear_stale(w);
  rec->parked = false;
  w->only_bound = false;
  rec->spare_tag = nullptr;
  rec->spare_epoch = 0;
  rec->spare_index = w->ctx.Var_index;
  rec->spare_num = w->ctx.Loc_num_tree;
  rec->spare_str = w->ctx.Loc_str_tree;
  rec->spare_name = w->ctx.Pgm_name;
  Forget_call_owned(w->ctx);
  Path_unref(rec->path);  // (the record's own reference remains)
}

int32_t Prog_call_level() {
  int32_t n = 1;
  for (const Call_frame* f = ws.Call_link; f; f = f->Call_link) ++n;
  return n;
}

void Exec_pop() {
  if (!ws.Call_link) return;
  // The usual way back returns a program caller's cursor unstored: stored
  // here as usual_cursor stores it (the statement the caller stopped at is
  // back with its context).  Every other way that returns one stored it so
  // already; a console caller's is the empty statement.
  uint8_t* const at = Block_wide_moves ? exit_pop_wide() : exit_pop_narrow();
  if (at && !(ws.Pgm_flags & PGM_FROM_CONSOLE)) {
    ws.Exec_ptr = at;
    ws.Stmt_ptr = ws.Stop_stmt;
  }
}

void Call_register_loop_paths(void (*named_call)()) {
  Call_exit_path.bound_call = Block_wide_moves ? call_bound_wide : call_bound_narrow;
  Call_exit_path.named_call = named_call;
  Call_exit_path.exit_pop = Block_wide_moves ? exit_pop_wide : exit_pop_narrow;
}

void Pop_all_frames() {
  while (ws.Call_link) pop_frame(false);
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
