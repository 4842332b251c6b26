// The bound return: an EXIT whose argument list is the frame's own records
// (a bound call's or a method's direct call) or none, the values sent back
// to the caller's variables in place, the callee's variables kept for its
// next call.
#include "programs/call_frame.h"

#include <bit>
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
#include "programs/warm_start.h"
#include "terminal/obj_attach.h"

namespace call_frames {

// One bound record a's value back to its caller's variable (v: the bound
// variable), unless the caller's is not plain or, unless Frees, holds a
// string to free first: false then, with nothing done.
// (kind: the record's, when the caller knows it.)
template <bool Frees>
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
    v->str = nullptr;
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
// (Call_frame::arg_shape).  A record no longer bound (the called program
// ran CLEAR, which freed its variables) is returned too: values_back's
// walk from there passes it by.
template <uint32_t N>
[[gnu::always_inline]] inline Arg_rec* values_back_fixed(Arg_rec* args, uint32_t shape) {
#pragma GCC unroll 6
  for (uint32_t i = 0; i < N; i++) {
    Var_node* const v = args[i].bound;
    if (!v || !value_back<false>(args + i, v, uint8_t(shape >> (4 + 2 * i) & 3))) [[unlikely]]
      return args + i;
  }
  return nullptr;
}
// values_back_fixed for the frame's count of records (1 to 6).
[[gnu::always_inline]] inline Arg_rec* values_back_bound(Call_frame* f, Arg_rec* list, uint32_t n) {
  Arg_rec* const args = f->args;
  ORU_ASSERT(list == args && n <= CALL_FRAME_ARGS && n == (f->arg_shape & 15));
  // (A frame with bound records holds the kinds of its shape: its bound
  // call shaped them.)
  const uint32_t shape = f->arg_shape;
  static_assert(CALL_FRAME_ARGS == 6, "a case for each count a bound call passes");
  switch (n) {
    case 1: return values_back_fixed<1>(args, shape);
    case 2: return values_back_fixed<2>(args, shape);
    case 3: return values_back_fixed<3>(args, shape);
    case 4: return values_back_fixed<4>(args, shape);
    case 5: return values_back_fixed<5>(args, shape);
    case 6: return values_back_fixed<6>(args, shape);
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

// The end of a bound call's pop, once the values are back: the callee's
// variables kept, its image released, the caller's context back.  (In the
// usual case nothing here evaluates or touches the accumulators.)
[[gnu::always_inline]] inline void finish_bound(Call_frame* f) {
  ws.Arg_list = nullptr;
  ws.Ctl_depth = 0;
  // (While objects live the plain keep never applies: it is not asked.)
  if ((Var_lookup_hook || !var_keep::keep_plain_vars(ws.Pgm_cache_ent)) && !var_keep::keep_vars())
    clear_vars();
  release_image();
  back_to_caller(f, true);
}

// Whether the return of the bound call whose frame is f parks rec (the
// plain keep takes its variables): nothing was loaded or saved since the
// call, so that the context's record and its warm start, its name block
// (not null, with the warm start's name) and its path (the record's, one
// reference held) are the ones the warm start gave; and the record has no
// name block or object slots of its own (a method of the program may have
// run meanwhile).
[[gnu::always_inline]] inline bool parks(const Call_frame* f, const Prog_obj* rec) {
  return !(uint64_t(f->load_epoch ^ Pgm_load_epoch) | reinterpret_cast<uintptr_t>(rec->spare_name) |
           uintptr_t(rec->spare_props));
}

// finish_bound's way from the keep of a method on, where the plain keep
// does not apply (keep_plain_vars would refuse, changing nothing) or its
// clear refused a node.
[[gnu::always_inline]] inline bool finish_unplain(Call_frame* f) {
  ws.Arg_list = nullptr;
  ws.Ctl_depth = 0;
  if (!var_keep::keep_vars()) clear_vars();
  release_image();
  back_to_caller(f, true);
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
[[gnu::always_inline]] inline bool finish_plain(Call_frame* f, Prog_obj* rec) {
  if (!var_keep::clear_chain(ws.Loc_num_tree) || !var_keep::clear_chain(ws.Loc_str_tree)) [[unlikely]] {
    return finish_unplain(f);
  }
  if (parks(f, rec)) [[likely]] {
    park_record(rec);
    release_image<true, true>();
  } else {
    var_keep::hand_over_plain(rec);
    release_image<true>();
  }
  back_to_caller(f, true);
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
    return finish_plain(f, rec);
  finish_bound(f);
  return false;
}

// The ways out that pop_bound leaves its usual way by, each a function of
// its own that takes the return on from there: pop_bound_from from the
// record from on; finish_bound_out and finish_plain_out once the values are
// back; parked_release once the record is parked (a key and description
// block to release, or the last use of the record); caller_back_other once
// the caller's context is back (a console caller or a stop asked);
// frame_free at the very end (no room in the frame cache).  Each returns as
// exit_pop does: the caller's cursor when the usual case's whole way ran,
// else null.
[[gnu::noinline]] uint8_t* pop_bound_from(Call_frame* f, Arg_rec* list, Arg_rec* from) {
  return pop_bound_from_body(f, list, from) ? ws.Exec_ptr : nullptr;
}
[[gnu::noinline]] uint8_t* parked_release(Call_frame* f) {
  release_image<true, true>();
  back_to_caller(f, true);
  return ws.Exec_ptr;
}
[[gnu::noinline]] uint8_t* finish_bound_out(Call_frame* f) {
  finish_unplain(f);
  return nullptr;
}
[[gnu::noinline]] uint8_t* finish_plain_out(Call_frame* f, Prog_obj* rec) {
  return finish_plain(f, rec) ? ws.Exec_ptr : nullptr;
}
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

[[gnu::noinline]] uint8_t* pop_walked(Call_frame* f, Prog_obj* rec);
[[gnu::always_inline]] inline uint8_t* pop_parked(Call_frame* f, Prog_obj* rec, bool only_bound, bool stale = false);

// An EXIT's pop when the argument list is the frame's own records (list,
// a bound call's or a method's direct call), or there is none: in the usual
// case (no attached objects, no control frames, user functions or lines of
// the callee's own, variables not shared with the caller; every value back
// without a call, the plain keep taking the variables, all of them usual
// nodes, the record parked) all of it in one, calling nothing.  Anything
// else: pop_general's or pop_bound_from's way (see above).  As exit_pop:
// the caller's cursor when the usual case's whole way ran (finish_plain's),
// else null.
[[gnu::always_inline]] inline uint8_t* pop_bound(Arg_rec* list) {
  Call_frame* f = ws.Call_link;
  // (image_only's tests, the frame's flag and attached objects together.)
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
    if (f->bound_n && list == &f->args[0]) a = values_back_bound(f, list, f->bound_n);
    else a = values_back<false>(list);
  }
  if (a) [[unlikely]]
    return pop_bound_from(f, list, a);
  // (As pop_bound_from_body asks.)
  Prog_obj* rec = ws.Pgm_cache_ent;
  if (!var_keep::plain_keeps_unhooked(rec)) [[unlikely]]
    return finish_bound_out(f);
  // finish_plain's way while the nodes are usual and the record parks (a
  // node cleared by the walk is cleared again the same by finish_plain's).
  // When the trees held the plan's kept variables alone as the call took
  // them, and no node anywhere changed in shape since the call bound them,
  // those are all the nodes, still usual (their strings went back above):
  // they are left holding their values (stale_bound), which the next bound
  // call sets whole and any other way empties first.  Anything else walks
  // the trees (pop_walked).
  if (f->shape_gen != Var_shape_gen || !parked_only_bound(rec)) [[unlikely]]
    return pop_walked(f, rec);
  ORU_ASSERT(list == &f->args[0] && trees_hold_only(f) && bound_nodes_are(f, rec));
  return pop_parked(f, rec, true, true);
}

// pop_bound's way on once the called program's variables are cleared: the
// record parked (only_bound: its trees held the plan's kept variables
// alone), the caller's context back.
[[gnu::always_inline]] inline uint8_t* pop_parked(Call_frame* f, Prog_obj* rec, bool only_bound, bool stale) {
  if (!parks(f, rec)) [[unlikely]]
    return finish_plain_out(f, rec);
  park_record(rec, only_bound, stale);
  // release_image<true, true>'s way while another use holds the record and
  // there is no key and description block.
  if (ws.Pgm_text_blk || rec->uses <= 1) [[unlikely]]
    return parked_release(f);
  rec->uses--;
  end_auto();
  // back_to_caller's way for the usual caller.
  if (!usual_caller(context_back(f))) [[unlikely]]
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
[[gnu::always_inline]] inline uint8_t* pop_walked_body(Call_frame* f, Prog_obj* rec) {
  uint32_t nodes = 0;
  if (!var_keep::clear_usual_chain(ws.Loc_num_tree, &nodes) ||
      !var_keep::clear_usual_chain(ws.Loc_str_tree, &nodes)) [[unlikely]]
    return finish_plain_out(f, rec);
  return pop_parked(f, rec, nodes == f->bound_n && f->shape_gen && trees_hold_only(f));
}
// pop_walked_body, out of line.
[[gnu::noinline]] uint8_t* pop_walked(Call_frame* f, Prog_obj* rec) {
  return pop_walked_body(f, rec);
}
// An EXIT's pop when there is no argument list (a call without arguments,
// however it was made): pop_bound's way, which has no values to send back
// then; its usual case is pop_frame's for any frame without a list (the
// keep takes the same variables, the record the same use).
[[gnu::noinline]] uint8_t* pop_bare() { return pop_bound(nullptr); }

// An EXIT's pop (Exec_pop with a frame known to be there): pop_bound's way
// for a list of the frame's own records, or for none (pop_bare), else
// pop_frame's; as pop_bound, the caller's cursor when its usual case's
// whole way ran, else null.
[[gnu::noinline]] uint8_t* exit_pop() {
  if (Arg_rec* list = ws.Arg_list) [[likely]] {
    if (list->in_frame) return pop_bound(list);
    return pop_general();
  }
  return pop_bare();
}

}  // namespace call_frames

using namespace call_frames;

void Exec_pop() {
  if (!ws.Call_link) return;
  // The usual way back returns a program caller's cursor unstored: stored
  // here as usual_cursor stores it (the statement the caller stopped at is
  // back with its context).  Every other way that returns one stored it so
  // already; a console caller's is the empty statement.
  uint8_t* const at = exit_pop();
  if (at && !(ws.Pgm_flags & PGM_FROM_CONSOLE)) {
    ws.Exec_ptr = at;
    ws.Stmt_ptr = ws.Stop_stmt;
  }
}

void Call_register_loop_paths(void (*named_call)()) {
  Call_exit_path.bound_call = call_bound_loop;
  Call_exit_path.named_call = named_call;
  Call_exit_path.exit_pop = exit_pop;
}
