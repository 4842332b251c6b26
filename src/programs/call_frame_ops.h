// The pieces of a call's push and pop that the general way
// (call_frame.cpp), the warm start (warm_start.cpp), the bound call
// (bound_call.cpp) and the bound return (bound_return.cpp) share: the
// frame cache, the context's moves, the called program's release and the
// caller's return.  Private to the programs layer.
#pragma once

#include <cstdint>
#include <cstring>
#include <type_traits>

#include "core/block_copy.h"
#include "core/codes.h"
#include "core/executor.h"
#include "core/line_store.h"
#include "core/memory.h"
#include "core/signal_flags.h"
#include "core/variables.h"
#include "core/workspace.h"
#include "programs/call_frame.h"
#include "programs/program_list.h"

namespace call_frames {

// The empty statement a call made from line 0 returns to (its code at
// offset 2).
inline uint8_t empty_statement[] = {0, 0, code::EOL};

// A few popped frames are kept for the next call.
constexpr int FRAME_CACHE_MAX = 8;
inline Call_frame* frame_cache[FRAME_CACHE_MAX];
inline Call_frame** frame_top = frame_cache;  // above the newest kept frame

// A new frame from the memory pool; make_frame raises "out of memory"
// when there is none, make_frame_or_null returns null.
Call_frame* make_frame();
Call_frame* make_frame_or_null();

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

// A popped frame kept for the next call, or freed when the cache is full.
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

// The executor's GOTO cache dropped (another program's lines).
[[gnu::always_inline]] inline void drop_go_cache() {
  if (ws.Go_cache_ref) ws.Go_cache_ref = 0;
}

// The context moves as a block (it is trivially copyable; its padding is
// not moved), as core/block_copy.h copies a block.
[[gnu::always_inline]] inline void copy_context(Prog_context* to, const Prog_context* from) {
  Block_copy<PROG_CONTEXT_BYTES>(to, from);
}

// The caller's context saved in its frame; a saved one made current.
[[gnu::always_inline]] inline void save_context(Call_frame* f) { copy_context(f, &ws); }
[[gnu::always_inline]] inline void restore_context(const Prog_context* f) { copy_context(&ws, f); }

// The statement after the call (or the empty statement of line 0).
[[gnu::always_inline]] inline void resume_caller() {
  if (ws.Pgm_flags & PGM_FROM_CONSOLE) {
    ws.Exec_ptr = ws.Stmt_ptr = empty_statement + 2;
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

// A number copied as the 16-byte block it is (its padding with it).
static_assert(sizeof(Num_val) == 16 && std::is_trivially_copyable_v<Num_val>, "a number is one 16-byte block");
[[gnu::always_inline]] inline void num_copy(Num_val* to, const Num_val* from) { std::memcpy(to, from, sizeof *to); }

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

// back_to_caller's first part: the caller's context back, with the access
// masks and the run flag's call bit; the caller's flags.  (Read from the
// frame, the copy's source, not from the workspace it has just written; the
// frame is not released yet.)
[[gnu::always_inline]] inline uint32_t context_back(Call_frame* f) {
  // The caller sees the global access mask as it is now.
  uint32_t mask_glob = ws.Var_mask_glob;
  restore_context(f);
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
// The cursor after the calling statement (flow_back; else at its start).
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
[[gnu::always_inline]] inline void back_to_caller(Call_frame* f, bool flow_back) {
  if (usual_caller(context_back(f))) [[likely]] {
    usual_cursor(f, flow_back);
    release_frame(f);
    return;
  }
  release_frame(f);
  other_caller_cursor(flow_back);
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

// Pops the current frame.  flow_back: the arguments' values go back to the
// caller (an EXIT); without it (a call that failed to start) the caller's
// cursor returns to the start of the calling statement, where the error is
// raised.
void pop_frame(bool flow_back);
// The callee's variables freed when neither keep could keep them, the
// caller's accumulators kept across.
void clear_vars();

// The statement loop's ways into a bound call (bound_call.cpp) and out of a
// call (bound_return.cpp): as Call_exit_paths' bound_call and exit_pop.
uint8_t* call_bound_loop(const uint8_t* name, uint32_t len, uint8_t* args);
uint8_t* exit_pop();

}  // namespace call_frames
