// The statement executor: runs compiled statements from ws.Exec_ptr until the
// program stops, the console line ends or nested execution is left.
//
// The loop per statement:
//   A  restore the work area pointer (the only per-statement reset);
//   B  remember the statement start, read its code and, only when a bit of
//      RF_SERVE_MASK is set in ws.Run_flags, serve the pending requests out
//      of line;
//   C  dispatch: the separator, numeric assignment and NEXT are tested
//      first; IF, GOTO, GOSUB, RETURN, the block close and string
//      assignment inline (a switch by a dense index of the code, one jump
//      table); CALL's and EXIT's usual forms straight to the programs
//      layer (Call_exit_path); every other directive through dir_jmp
//      (code - 149) and, after the prefix 149, ext_jmp (b - 150): tables the
//      layers fill at start-up (core/dispatch.h).  "X = expression" for
//      an indexed numeric scalar and "S$ = S$ + ..." take fast paths
//      (num_let_fast, append_fast) that fall back to implied_let.
// The executor is a recovery point: an error raised by a statement is caught
// here and Recover_error decides whether the loop goes on (a retry, an ERR=
// branch, the SETERR line) or the program stops.
#include "core/executor.h"

#include <array>
#include <cstddef>
#include <cstring>

#include "core/console_device.h"
#include "core/hooks.h"
#include "core/codes.h"
#include "core/control_stack.h"
#include "core/dates.h"
#include "core/directives.h"
#include "core/dispatch.h"
#include "core/error_recovery.h"
#include "core/errors.h"
#include "core/host.h"
#include "core/evaluator.h"
#include "core/eval_fast.h"
#include "core/line_store.h"
#include "core/editor.h"
#include "core/memory.h"
#include "core/oru_assert.h"
#include "core/variables.h"
#include "core/workspace.h"
#include "core/signal_flags.h"
#include "core/kept_sums.h"

// The extended-directive prefix: the second byte selects ext_jmp.  WITH (223)
// is the last valid second byte.
void d_extd() {
  uint8_t b = *ws.Exec_ptr++;
  if (b < code::X_ADD || b > code::X_WITH) Rpt_error(err::SYNTAX);
  ext_jmp[b - code::X_ADD]();
}

void Set_console() {
  // Channel 0 is the only channel of this build and is always current.
}

namespace {

// Room left after the text when an appended string moves to a new block.
constexpr size_t APPEND_ROOM = 128;

enum class Served { go_on, leave, restart };

// Statements still allowed while memory stays over the limit.  EXIT is one:
// leaving a called program gives memory back, and an error that must be
// handed up the call levels leaves through it.
bool allowed_over_limit(const uint8_t* p) {
  switch (p[0]) {
    case code::D_LIST: case code::D_RELEASE: case code::D_START: case code::D_QUIT:
    case code::D_DELETE: case code::D_BEGIN: case code::D_CLEAR: case code::D_END:
    case code::D_EXIT:
      return true;
    case code::EXT_DIR:
      return p[1] == code::X_SET_PARAM;
    default:
      return false;
  }
}

// Single stepping: true when the program stops before this statement.  The
// step count counts lines; -1 and -2 step over (the count becomes 1 once the
// control stack is back where the step began).
bool step_stops() {
  if (ws.Step_count == 0) {
    ws.Run_flags &= ~RF_STEP;
    ws.Con_flags |= CON_MODE;
    return true;
  }
  if (*ws.Exec_ptr == code::STMT_SEP && (ws.Sys_flags11 & STEP_INTO)) {
    ws.Step_line = 0;
    ws.Sys_flags11 &= ~uint16_t(STEP_INTO);
    return false;
  }
  if (ws.Cur_stno == ws.Step_line) return false;
  if (ws.Step_count == -1) ws.Step_count = -2;
  if (ws.Step_count == -2 && (ws.Ctl_stack == ws.Step_stack || ws.Ctl_stack == nullptr)) ws.Step_count = 1;
  ws.Step_line = ws.Cur_stno;
  if (ws.Step_count > 0 && --ws.Step_count == 0) {
    if (Ide_step_hook) Ide_step_hook();
    if (Find_line(ws.Cur_stno) == ws.Cur_stno) {
      Set_console();
      Cmd_window_open();
      if (Con_column() != 0) Con_newline();
      uint8_t* work = ws.Work_ptr;
      Exec_list();
      ws.Work_ptr = work;
    }
    if (!ws.Prm.PlusZ) {
      ws.Run_flags &= ~RF_STEP;
      ws.Sys_flags11 &= ~uint16_t(STEP_INTO);
      ws.Con_flags |= CON_MODE;
      ws.Run_flags |= RF_STOP;
      return true;
    }
  }
  return false;
}

// Requests raised between statements, served in a fixed order.  The cursor
// is still on the statement's first code.
Served serve_requests() {
  ++Exec_epoch;
  Io_touch();  // (traces, events, the debugger, signals' work may do I/O)
  if (Sig_pending) Take_signals();
  // The statement that just ended left an update for the commit.
  if (ws.Run_flags & RF_COMMIT) Core_hook.commit();
  // The process debug link stays set while this process is debugged.
  if (ws.Run_flags & RF_DEBUG_LINK) Core_hook.debug_link();
  if (ws.Run_flags & RF_IDE_LINK) {
    if (Ide_poll_hook) Ide_poll_hook();
    else ws.Run_flags &= ~RF_IDE_LINK;
  }
  if (ws.Run_flags & RF_PERFORM_ON) {
    ws.Run_flags &= ~RF_PERFORM_ON;
    if (Core_hook.perform_exec()) return Served::restart;
  }
  if (ws.Run_flags & RF_INCDEC) Do_incrdecr();
  if (ws.Run_flags & RF_HELD_OUTPUT) {
    if (Held_output_hook) Held_output_hook(true);
    else ws.Run_flags &= ~RF_HELD_OUTPUT;
  }
  if (ws.Run_flags & RF_EVENT) {
    ws.Run_flags &= ~RF_EVENT;
    if (Event_serve_hook) Event_serve_hook();
  }
  if (ws.Run_flags & RF_PENDING_WAIT) {
    ws.Run_flags &= ~uint32_t(RF_PENDING_WAIT);
    int32_t w = ws.Pending_wait;
    ws.Pending_wait = -1;
    if (w >= 0) TrueWait(w);
  }
  // The console runs over a connection: every so many statements its
  // output goes out and what the client sent is taken (a break among it
  // stops the program below).
  if ((ws.Run_flags & RF_CLIENT_LIVE) && --ws.ZefVrl_Count <= 0) {
    ws.ZefVrl_Count = LIVE_CHECK_STATEMENTS;
    if (Client_requests.check_live) Client_requests.check_live();
  }
  ws.Run_flags &= ~RF_CLEAR_EACH;
  if (ws.Run_flags & RF_MEM_LIMIT) {
    ws.Run_flags &= ~RF_MEM_LIMIT;
    // What the finished statement held (its temporaries, the cached string
    // block) is given back first: it must not count against this statement.
    if (ws.Run_flags & RF_TEMPS) Ret_temp();
    Memory_chk();
    if (ws.Mem_used > ws.Mem_limit && !allowed_over_limit(ws.Exec_ptr)) Rpt_error(err::MEMORY_LIMIT);
  }
  // Checked at the start of each statement (not again at the end of its
  // line, where the next line's statements have not begun).
  if ((ws.Run_flags & RF_CLIENT_DEBUG) && ws.Cur_stno != 0 && ws.Call_status == 0 && *ws.Exec_ptr != code::EOL &&
      Client_debug_hook && Client_debug_hook())
    Exec_escape();
  if ((ws.Run_flags & RF_BREAKPOINTS) && ws.Cur_stno != 0 && ws.Call_status == 0 &&
      ws.Exec_ptr != ws.Brk_hit_ptr) {
    ws.Brk_hit_ptr = nullptr;
    if (ws.Cur_stno != ws.Brk_hit_line) {
      ws.Brk_hit_line = 0;
      for (int i = 0; i < ws.Brk_count; ++i)
        if (ws.Brk_lines[i] == ws.Cur_stno) {
          ws.Brk_hit_line = ws.Cur_stno;
          ws.Brk_hit_ptr = ws.Exec_ptr;
          Exec_escape();
          break;
        }
    }
  }
  if ((ws.Run_flags & RF_ESCAPE) && !(ws.Start_flags & SF_NESTED)) {
    if (ws.Cur_stno == 0) return Served::leave;
    ws.Run_flags &= ~RF_ESCAPE;
    Set_break_handler();  // the interrupt was answered: count afresh
    if (!(ws.Cmd_flags & CMD_NO_ESCAPE)) {
      if (ws.Esc_line && !(ws.Cmd_flags & CMD_ESC_OPTION)) {
        ws.Err_no = 127;
        Internal_gosub(ws.Esc_line);
        return Served::restart;
      }
      if (!Esc_pgm_name().empty() && !(ws.Cmd_flags & CMD_ESC_NO_PGM)) {
        ws.Err_no = 127;
        std::string name = Esc_pgm_name();
        Core_hook.escape_program(name.c_str());
        return Served::restart;
      }
      Exec_escape();
    }
  }
  if (ws.Run_flags & RF_STOP) {
    if (End_at_top_level && !(ws.Start_flags & SF_NESTED)) {
      // The nested levels that the debugger's END met are left: the
      // program ends here, as by that END.
      static uint8_t end_stmt[] = {code::D_END, code::EOL};
      End_at_top_level = false;
      End_all_levels = true;
      ws.Run_flags &= ~uint32_t(RF_STOP);
      ws.Con_flags &= ~uint32_t(CON_LEAVE_NESTED);
      ws.Exec_ptr = end_stmt;
      return Served::go_on;
    }
    return Served::leave;
  }
  if ((ws.Run_flags & RF_STEP) && !(ws.Start_flags & SF_NESTED) && ws.Cur_stno != 0 &&
      !(ws.Pgm_flags & PGM_PROTECTED) && ws.Call_status == 0) {
    if (step_stops()) return Served::leave;
  }
  if (ws.Run_flags & RF_TRACE) Core_hook.trace();
  if (ws.Run_flags & RF_TEMPS) Ret_temp();
  return Served::go_on;
}

// A label at the start of a statement: code 10, the name, code 58.
inline void skip_label() {
  uint8_t* p = ws.Exec_ptr;
  p += (p[1] & 0x80) ? 3 : size_t(p[1]) + 2;
  if (*p == code::LABEL_END) ++p;
  ws.Exec_ptr = p;
}

// Next_line's two usual cases in place: the next record of an image, or the
// next block of an edit list (the end line 65000 stops either); the cursor
// on its first statement, its number to n.  False, with nothing done, for
// anything else.
[[gnu::always_inline]] inline bool step_to_next_line(uint16_t& n) {
  if (ws.Pgm_image) {
    uint8_t* rec = ws.Cur_line_rec;
    if (!rec) return false;
    rec += 2 + get_u16be(rec);
    ws.Cur_edit_blk = nullptr;
    ws.Cur_line_rec = rec;
    n = get_u16be(rec + 2);
    ws.Str_ptr = rec + 2;
    ws.Str_len = get_u16be(rec);
    ws.Exec_ptr = rec + 4;
  } else {
    Str_blk* b = ws.Cur_edit_blk;
    if (!b || !(b = b->link)) return false;
    uint8_t* bytes = b->bytes();
    ws.Cur_edit_blk = b;
    ws.Cur_line_rec = bytes;
    n = get_u16be(bytes);
    ws.Str_ptr = bytes;
    ws.Str_len = int32_t(b->len);
    ws.Exec_ptr = bytes + 2;
  }
  return true;
}

// The end of a program line: on to the next one (a label that starts it is
// dispatched as a statement of its own).
inline void next_program_line() {
  ++Exec_epoch;
  if (ws.Cur_stno >= LAST_LINE_NO) {
    // The last line holds END; reaching its end means END has run or the
    // line store holds no END there: stop the program either way.
    d_end();
    return;
  }
  uint16_t n = ws.Cur_stno;
  if (n != ws.Cur_line_no || !step_to_next_line(n)) [[unlikely]] {
    n = Next_line(n);
    ws.Exec_ptr = ws.Str_ptr + 2;
  }
  ws.Cur_line_no = n;
  ws.Cur_stno = n;
  if (Perform_on_active) Core_hook.perform_on_line(n);
}

// The end of a program line in Next_line's two usual cases, below the last
// line and without PERFORM ON: what next_program_line does there.  False,
// with nothing done, for anything else.
[[gnu::always_inline]] inline bool quick_line_advance() {
  uint16_t n = ws.Cur_stno;
  if (uint16_t(n - 1) >= LAST_LINE_NO - 1 || n != ws.Cur_line_no || Perform_on_active || !step_to_next_line(n))
    return false;
  ws.Cur_line_no = n;
  ws.Cur_stno = n;
  return true;
}

// GOTO to a plain line number that is the target of the last jump, in a
// running program whose lines have not changed since: Exec_go's cached
// case, inline.  False, with nothing done, for anything else.
uint64_t go_epoch = 0;  // the epoch in which goto_cached last found its checks met

[[gnu::always_inline]] inline bool goto_cached(uint32_t target) {
  if (target != ws.Go_cache_ref) return false;
  // The other checks hold for as long as the epoch does (they change only
  // with statements that move it).
  if (go_epoch != Exec_epoch) [[unlikely]] {
    if (target == 0 || ws.Go_cache_size != ws.Pgm_size || ws.Cur_stno == 0 || Perform_on_active) return false;
    go_epoch = Exec_epoch;
  }
  uint8_t* line = ws.Go_cache_line;
  ws.Cur_line_no = ws.Go_cache_no;
  ws.Cur_line_rec = ws.Go_cache_rec;
  ws.Cur_edit_blk = ws.Go_cache_blk;
  ws.Str_ptr = line;
  ws.Str_len = ws.Go_cache_len;
  ws.Cur_stno = ws.Go_cache_no;
  ws.Exec_ptr = line + 2;
  return true;
}

// The variable of an indexed reference (code, 0x80|high, low at p) when it
// exists, has the given type and may be read; else null.
inline Var_node* indexed_var(const uint8_t* p, uint8_t type) {
  if (!(p[1] & 0x80)) return nullptr;
  uint32_t idx = (uint32_t(p[1] & 0x7F) << 8) | p[2];
  if (idx >= ws.Var_index_cnt) return nullptr;
  Var_node* node = ws.Var_index[idx];
  if (!node || node->type != type || (node->read_mask & ~ws.Var_mask)) return nullptr;
  return node;
}

inline bool assignable(const Var_node* node) {
  return !(node->flags & VF_READ_ONLY) && !(node->write_mask & ~ws.Var_mask);
}

constexpr size_t LET_SITES = 64;
constexpr uint8_t LET_KEEP_WAIT = 32;
Let_site let_sites[LET_SITES];

// By the statement's address in 8-byte steps: a kept statement is at least
// 8 bytes long, so two never share a slot within 512 bytes of code (by the
// address itself, the assignments of consecutive lines 16 bytes apart took
// turns in four slots: a loop of five such lines kept none).
// (The slot's offset is the address shifted left, the 8-byte step then
// sitting at the slot size, masked: two instructions, as the address itself
// took.)
inline Let_site& let_slot(const uint8_t* p) {
  constexpr uintptr_t step_to_slot = sizeof(Let_site) / 8;
  static_assert(step_to_slot == 16, "the slot is found by a shift");
  const uintptr_t offset = (uintptr_t(p) * step_to_slot) & ((LET_SITES - 1) * sizeof(Let_site));
  return *reinterpret_cast<Let_site*>(reinterpret_cast<char*>(let_sites) + offset);
}

// The kept statement at p, when it is kept for this epoch and let_site_sum
// takes it: done, the cursor after it, and its site returned.  Null, with
// nothing done, otherwise.
LOOP_INLINE Let_site* let_kept(uint8_t* p) {
  Let_site& s = let_slot(p);
  if (s.at != p || s.epoch != Exec_epoch || !let_site_sum(s)) return nullptr;
  ws.Exec_ptr = s.next;
  return &s;
}

// The kept step t after a kept statement, when it has one and nothing is
// pending: what the statement loop does at a line end then
// (quick_line_advance, and a GOTO that starts the next line when the step
// was kept through it).  False, with nothing done, otherwise.  The line
// state is the one the step was kept from: the statement's site holds for
// this epoch, and while the epoch holds the loop reaches a statement only
// with its own line's state (a line step, a cached GOTO and NEXT each set
// the state of the line they go to, and nothing else sets any).
LOOP_INLINE bool kept_line_step(const Line_step& t) {
  if (!t.str || Work_pending()) return false;
  ORU_ASSERT(ws.Cur_line_rec == t.from_rec && ws.Cur_stno == t.from_no);
  take_line_step(t);
  return true;
}

// After the kept step t (taken with nothing pending, its line state not yet
// set): the lines it leads to whose one statement is a kept assignment with
// a kept step of its own, run as the loop runs them (let_kept, then
// kept_line_step), the line state set once, for the line the last step
// goes to; the step to take returned.  Nothing runs between those
// statements, so only the state they leave is seen.  Null when work became
// pending at the end of such a line: the state is then that line's, the
// cursor at its end, as the loop leaves it there to serve the work.  The
// assignments run are listed in *seen when it is given.
LOOP_INLINE const Line_step* kept_lines_after(const Line_step* t, Kept_chain* seen = nullptr) {
  if (seen) seen->n = 0;
  for (;;) {
    uint8_t* const p = t->str + 2;
    if (*p != code::NUM_VAR) return t;
    Let_site& s = let_slot(p);
    if (s.at != p || s.epoch != Exec_epoch || !s.step.str || !let_site_sum(s)) return t;
    ORU_ASSERT(s.step.from_rec == t->rec && s.step.from_no == t->no);
    if (seen) {
      if (seen->n < KEPT_CHAIN) seen->site[seen->n] = &s;
      seen->n++;
    }
    if (Work_pending()) [[unlikely]] {
      take_line_step(*t);
      ws.Exec_ptr = s.next;
      ws.Str_len = -1;  // (the sum's, as let_site_sum left it)
      return nullptr;
    }
    t = &s.step;
  }
}

// Keeps "X = X op b" at p (b at p + 8, its value v) for let_kept, when b is a
// plain scalar, a constant or an element as element_operand takes it, and
// the rounding parameter cannot apply.
[[gnu::noinline]] void let_keep(uint8_t* p, const Num_val& v, uint8_t* next) {
  if (ws.Prm.RN & 64) return;
  Let_site& s = let_slot(p);
  if (s.at == p && !s.paid) {
    // Kept here last time and never served: the statement's loop moves the
    // epoch on every pass.  It is tried again after a while.
    if (s.wait) {
      --s.wait;
      return;
    }
    s.wait = LET_KEEP_WAIT;
  }
  s.at = nullptr;  // free until it is filled whole
  s.paid = false;
  const uint8_t* b = p + 8;
  s.operand = nullptr;
  if (b[0] == code::NUM_VAR) {
    Var_node* n = eval_fast::indexed_num(b);
    if (!n) return;
    if (!eval_fast::more_than_scalar(b[3])) {
      s.operand = &n->num;
    } else {
      // An element: element_operand's checks have passed for it.
      const uint8_t* q = b + 3;
      Num_val probe;
      if (q[0] != code::LBRACKET || !eval_fast::element_operand(n, q, probe)) return;
      s.array = n;
      s.sub_var = nullptr;
      if (q[1] == code::SMALL_INT) {
        s.sub_k = get_u16be(q + 2);
      } else {
        s.sub_var = eval_fast::indexed_num(q + 1);
        if (!s.sub_var) return;
      }
    }
  } else if (b[0] == code::SMALL_INT || b[0] == code::NUM_LIT || b[0] == code::EXP_LIT) {
    s.k = v;
    s.operand = &s.k;
  } else {
    return;
  }
  s.at = p;
  s.epoch = Exec_epoch;
  s.node = ws.Var_index[(uint32_t(p[1] & 0x7F) << 8) | p[2]];
  s.next = next;
  s.sub = p[7] == code::OP_SUB;
  s.step.str = nullptr;
  if (*next == code::EOL) Keep_line_step(s.step);
}

// "X = expression" for a numeric scalar X by its index that may be read and
// assigned: what implied_let does, without fetching the target's value.  A
// value without decimals is stored as Store_num would store it.  0, with
// nothing done, for any other target; 2 when the expression took the
// evaluator's fast path (nothing but the variable, the accumulators and the
// cursor changed), 1 otherwise.
LOOP_INLINE int num_let_fast() {
  uint8_t* p = ws.Exec_ptr;
  if (!(p[1] & 0x80) || p[3] != code::OP_EQ) return 0;
  uint32_t idx = (uint32_t(p[1] & 0x7F) << 8) | p[2];
  if (idx >= ws.Var_index_cnt) return 0;
  Var_node* node = ws.Var_index[idx];
  if (!node || !eval_fast::assignable_num(node)) return 0;
  const uint8_t* q;
  bool self_op = p[4] == code::NUM_VAR && p[5] == p[1] && p[6] == p[2] && (p[7] == code::OP_ADD || p[7] == code::OP_SUB);
  if (self_op) {
    // "X = X + b" and "X = X - b", b a simple operand of X's scale without
    // decimals and nothing after it: the exact sum of the mantissas while it
    // does not overflow, as Add_val and Sub_val make it (the result keeps b's
    // spare byte, as theirs does).  Everything else (an overflow, mixed
    // scales, decimals) takes the general operators below.
    Num_val b;
    q = eval_fast::simple_operand(p + 8, b);
    int64_t r;
    if (q && !(Cde_tbl[*q] & (CC_BINOP | CC_LOGOP)) && b.scale == node->num.scale && b.scale <= 0 &&
        !(p[7] == code::OP_ADD ? __builtin_add_overflow(node->num.mant, b.mant, &r)
                               : __builtin_sub_overflow(node->num.mant, b.mant, &r)) &&
        !((ws.Prm.RN & 64) && b.scale > ws.Precision)) [[likely]] {
      const Num_val operand = b;
      b.mant = r;
      ws.Math_flags = 2;
      ws.Num_acc = b;
      ws.Str_len = -1;
      node->num = b;
      node->flags |= VF_ASSIGNED;
      uint8_t* next = const_cast<uint8_t*>(q);
      if (*next == code::COMMA) ++next;
      ws.Exec_ptr = next;
      if (p[8] != code::OBJ_REF) let_keep(p, operand, next);
      return 2;
    }
  }
  Num_val v;
  ws.Math_flags = 0;
  if (self_op) {
    // "X = X + ...": the first operand is the target, already checked.
    q = Eval_simple_rest(node->num, p + 7, v);
  } else {
    q = Eval_simple_at(p + 4, v);
  }
  int how = 2;
  if (q) {
    p = const_cast<uint8_t*>(q);
    ws.Num_acc = v;
    ws.Str_len = -1;
  } else {
    // (The simple forms were tried just now: the general way at once.)
    ws.Exec_ptr = p + 4;
    Eval_val_general();
    v = ws.Num_acc;
    p = ws.Exec_ptr;
    how = 1;
  }
  if (v.scale > 0) {
    ws.Exec_ptr = p;
    Store_num(node, &node->num);
  } else {
    node->num = v;
    node->flags |= VF_ASSIGNED;
  }
  if (*p == code::COMMA) ++p;
  ws.Exec_ptr = p;
  return how;
}

// NEXT (at p) of a FOR loop whose step and limit share a scale, named as FOR
// named it or not named, when the value has the step's scale, the sum does
// not overflow and the loop goes on: what d_next does in that case.  False,
// with nothing done, for anything else (the last pass, NEXT RECORD, a
// SWITCH frame above the loop, ...).
[[gnu::always_inline]] inline bool next_fast(const uint8_t* p) {
  Ctl_frame* f = ws.Ctl_stack;
  if (!f) return false;
  // The tag and the FOR flags side by side: TAG_FOR with FOR_FAST (never set
  // together with FOR_STRING) in one test.
  static_assert(offsetof(Ctl_frame, for_flags) == offsetof(Ctl_frame, tag) + 1, "tag, then the FOR flags");
  uint16_t tag_flags;
  std::memcpy(&tag_flags, &f->tag, 2);
  if ((tag_flags & (0xFF | FOR_FAST << 8)) != (TAG_FOR | FOR_FAST << 8)) return false;
  ++p;
  if (*p == code::NUM_VAR) {
    // The variable as FOR compiled it: the code is the same, the index is
    // compared (a frame without one holds zeros, which no reference has).
    if (std::memcmp(p + 1, f->var_ref + 1, 2) != 0) return false;
  } else if (*p != code::STMT_SEP && *p != code::EOL) {
    return false;
  }
  Num_val* v = f->for_val;
  int64_t nv;
  // The sum of two mantissas of one scale is the exact decimal sum while it
  // does not overflow.
  if (v->scale != f->step.scale || __builtin_add_overflow(v->mant, f->step.mant, &nv)) return false;
  if (f->step.mant > 0) {
    if (nv > f->limit.mant) return false;
  } else if (nv < f->limit.mant) {
    return false;
  }
  v->mant = nv;
  // Exec_return, inline.
  if (Perform_on_active) [[unlikely]]
    Exec_resumed_line(f, ws.Cur_stno);
  ws.Exec_ptr = f->resume_ptr;
  ws.Cur_stno = f->resume.no;
  if (f->resume.blk || f->resume.rec) {
    ws.Cur_line_no = f->resume.no;
    ws.Cur_line_rec = f->resume.rec;
    ws.Cur_edit_blk = f->resume.blk;
  }
  return true;
}

// "X op= expression" for a numeric scalar X by its index, as num_let_fast
// takes "X = expression": the present value, the right side, the decimal
// operator (the cheap cases of Add_val and Sub_val inline) and the Store_num
// rules.  False, with nothing done, for any other target.
inline bool num_compound_fast() {
  uint8_t* p = ws.Exec_ptr;
  if (!(p[1] & 0x80) || p[3] != code::ASSIGN_OP) return false;
  uint8_t op = p[4];
  uint32_t idx = (uint32_t(p[1] & 0x7F) << 8) | p[2];
  if (idx >= ws.Var_index_cnt || op < code::OP_ADD || op > code::OP_MOD) return false;
  Var_node* node = ws.Var_index[idx];
  if (!node || !eval_fast::assignable_num(node)) return false;
  ws.Exec_ptr = p + 5;
  ws.Math_flags = 0;
  Num_val present = node->num;
  Eval_val();
  ws.Num_acc2 = present;
  int64_t r;
  if (op == code::OP_ADD && present.scale == ws.Num_acc.scale &&
      !__builtin_add_overflow(present.mant, ws.Num_acc.mant, &r)) [[likely]] {
    ws.Math_flags |= 2;
    ws.Num_acc.mant = r;
  } else if (op == code::OP_SUB && present.scale == ws.Num_acc.scale &&
             !__builtin_sub_overflow(present.mant, ws.Num_acc.mant, &r)) {
    ws.Math_flags |= 2;
    ws.Num_acc.mant = r;
  } else {
    Evl_tbl[op - code::OP_EQ]();
    if ((ws.Prm.RN & 64) && ws.Num_acc.scale > ws.Precision) Set_scl(ws.Num_acc, ws.Precision, 1);
  }
  if (ws.Num_acc.scale > 0) {
    Store_num(node, &node->num);
  } else {
    node->num = ws.Num_acc;
    node->flags |= VF_ASSIGNED;
  }
  if (*ws.Exec_ptr == code::COMMA) ++ws.Exec_ptr;
  return true;
}

// The text of a string operand "+" may append without running any code: a
// string literal or a plain string scalar by its index.  Returns the code
// after it, null for anything else.
inline uint8_t* plain_string(uint8_t* p, const uint8_t*& text, size_t& len) {
  if (*p == code::STR_LIT || *p == code::HEX_LIT) {
    len = get_u16be(p + 1);
    text = p + 3;
    return p + 3 + len;
  }
  if (*p != code::STR_VAR) return nullptr;
  Var_node* node = indexed_var(p, code::STR_VAR);
  uint8_t next = p[3];
  if (!node || (node->flags & VF_RECORD) || next == code::LBRACKET || next == code::LPAREN ||
      next == code::WHOLE_ARRAY || next == code::BLOCK_OPEN)
    return nullptr;
  Str_blk* b = node->str;
  text = b ? b->bytes() : nullptr;
  len = b ? b->len : 0;
  return p + 3;
}

// "S$ = S$ + a [+ b]..." and "S$ += a [+ b]..." for a string scalar S$ by
// its index and plain operands: the text is appended in the variable's own
// block while it has APPEND_ROOM bytes to spare, else the value moves to a
// new block with that much room, so a string built piece by piece is not copied on every statement.
// The operands are all read before anything is written, and only past the
// old length, so an operand that is S$ itself reads the old value, as in the
// general path.  False, with nothing done, for any other statement (a
// fixed-length or record target, a total over the maximum length, ...).
inline bool append_fast() {
  uint8_t* p = ws.Exec_ptr;
  uint8_t* q;  // the first operand, after a "+"
  if (p[3] == code::ASSIGN_OP && p[4] == code::OP_ADD) {
    q = p + 4;
  } else if (p[3] == code::OP_EQ && p[4] == code::STR_VAR && p[5] == p[1] && p[6] == p[2] &&
             p[7] == code::OP_ADD) {
    q = p + 7;
  } else {
    return false;
  }
  Var_node* node = indexed_var(p, code::STR_VAR);
  if (!node || (node->flags & (VF_FIXED | VF_RECORD)) || !assignable(node)) return false;
  Str_blk* old = node->str;
  size_t len = old ? old->len : 0;
  size_t max = size_t(ws.Max_strlen < 0 ? 0 : ws.Max_strlen);
  size_t total = len;
  if (total > max) return false;
  uint8_t* const first = q;
  const uint8_t* text = nullptr;
  size_t n = 0;
  while (*q == code::OP_ADD) {
    q = plain_string(q + 1, text, n);
    if (!q || n > max - total) return false;
    total += n;
  }
  if (total == 0) return false;
  Str_blk* b = old;
  // In place only while the block keeps APPEND_ROOM spare bytes (a locked
  // block has capacity 0).
  if (!old || old->cap < total || old->cap - len < APPEND_ROOM) {
    b = Get_str(total + APPEND_ROOM < max ? total + APPEND_ROOM : max);
    if (!b) Rpt_error(err::OUT_OF_MEMORY);
    if (len) std::memcpy(b->bytes(), old->bytes(), len);
  }
  size_t at = len;
  q = first;
  while (*q == code::OP_ADD) {
    q = plain_string(q + 1, text, n);
    if (n) std::memcpy(b->bytes() + at, text, n);
    at += n;
  }
  b->len = uint32_t(total);
  if (b != old) {
    node->str = b;
    if (old) Ret_str(old);
  }
  node->flags |= VF_ASSIGNED;
  ws.Str_ptr = b->bytes();
  ws.Str_len = int32_t(total);
  ws.Exec_ptr = q;
  if (*q == code::COMMA) ws.Exec_ptr = q + 1;
  return true;
}

// Implied assignment: "A = expression" or "A$ = expression" without LET,
// and the compound forms "A += expression" ...  The cursor is on the
// variable's code.
inline void implied_let() {
  Get_value();
  if (*ws.Exec_ptr == code::ASSIGN_OP) {
    Check_assignable(ws.Cur_var);
    Let_target t;
    Let_define(t);
    uint8_t op = ws.Exec_ptr[1];
    ws.Exec_ptr += 2;
    Let_compound(t, op);
    if (*ws.Exec_ptr == code::COMMA) ++ws.Exec_ptr;
    return;
  }
  if (*ws.Exec_ptr != code::OP_EQ) {
    if (ws.Str_len < 0 && (ws.Run_flags & RF_INCDEC)) return;  // "A++" alone
    ws.Exec_ptr = ws.Stmt_ptr;
    d_let();
    return;
  }
  Var_node* node = ws.Cur_var;
  Check_assignable(node);
  if (ws.Str_len < 0) {
    Num_val* dst = static_cast<Num_val*>(ws.Cur_val);
    ++ws.Exec_ptr;
    ws.Math_flags = 0;
    Eval_val();
    Store_num(node, dst);
  } else {
    Let_target t;
    Let_define(t);
    ++ws.Exec_ptr;
    Eval_str();
    Let_assign(t);
  }
  if (*ws.Exec_ptr == code::COMMA) ++ws.Exec_ptr;
}

// The statement loop's switch by a dense index of the statement's first
// code, so that one jump table takes all its cases (the codes themselves
// lie in clusters far apart, each a compare and a table of its own).
enum Stmt_case : uint8_t {
  SC_SYNTAX,     // code 0 (a line that failed to compile) and strays
  SC_DIRECTIVE,  // any other directive: through dir_jmp
  SC_READ,
  SC_LINE_END,
  SC_IF,
  SC_GOTO,
  SC_GOSUB,
  SC_RETURN,
  SC_CALL,
  SC_EXIT,
  SC_STR_VAR,
  SC_STR_LIT,
  SC_BLOCK_CLOSE,
  SC_INC_DEC,
  SC_LABEL,
  SC_OBJ_REF,
  SC_REC_VAR,
};
constexpr std::array<uint8_t, 256> stmt_cases = [] {
  std::array<uint8_t, 256> t{};
  for (int c = code::EXT_DIR; c <= code::DIR_LAST; ++c) t[c] = SC_DIRECTIVE;
  t[code::D_READ] = SC_READ;
  t[code::EOL] = t[code::D_REM] = t[code::D_COMMENT] = SC_LINE_END;
  t[code::D_IF] = SC_IF;
  t[code::D_GOTO] = SC_GOTO;
  t[code::D_GOSUB] = SC_GOSUB;
  t[code::D_RETURN] = SC_RETURN;
  t[code::D_CALL] = SC_CALL;
  t[code::D_EXIT] = SC_EXIT;
  t[code::STR_VAR] = SC_STR_VAR;
  t[code::STR_LIT] = SC_STR_LIT;
  t[code::BLOCK_CLOSE] = SC_BLOCK_CLOSE;
  t[code::INC_DEC] = SC_INC_DEC;
  t[code::LABEL] = SC_LABEL;
  t[code::OBJ_REF] = SC_OBJ_REF;
  t[code::REC_VAR] = SC_REC_VAR;
  return t;
}();
static_assert(
    [] {
      for (uint8_t k : stmt_cases)
        if (k > SC_REC_VAR) return false;
      return true;
    }(),
    "every entry of the table has its case in the switch");

// What the statement loop resets between statements.
[[gnu::always_inline]] inline void statement_resets(uint8_t* work) {
  ws.Work_ptr = work;
  ws.Err_hook = nullptr;
  ws.Err_line = 0;
  ws.Stmt_save = nullptr;
  ws.Bsy_line = 0;
}

// Runs statements until a leave; errors propagate to Exec_line.
void run_statements(uint8_t* work) {
  // The cursor (ws.Exec_ptr) as the statement's code byte was read from it,
  // at hand in a register for the statements that go on from it at once
  // (NEXT, CALL, EXIT): not read back from the store just made.
  uint8_t* cur = nullptr;
  for (;;) {
    // A: between statements.  Every way but READ's comes here through the
    // loop's head, which moves the epoch on.
    ++Exec_epoch;
  after_read:
    statement_resets(work);
    // B: the statement start.
  next_statement:
    ws.Stmt_ptr = ws.Exec_ptr;
    // One test for all pending work: requests of the main line and flags
    // set by signal handlers.
    uint8_t c;
    uint64_t pending;
    if ((pending = Work_pending())) {
      // The liveness countdown alone is counted here: a program that runs
      // with a thin client attached keeps the statement fast path.
      if (pending == RF_CLIENT_LIVE && --ws.ZefVrl_Count > 0) {
        c = *(cur = ws.Exec_ptr);
        goto nothing_pending_at;
      }
      Served s = serve_requests();
      if (s == Served::leave) return;
      if (s == Served::restart) continue;
      ws.Work_ptr = work;
      ws.Stmt_ptr = ws.Exec_ptr;
      c = *(cur = ws.Exec_ptr);
      if (c == code::STMT_SEP) {  // served again at the statement after it
        ++ws.Exec_ptr;
        goto next_statement;
      }
    } else {
      c = *(cur = ws.Exec_ptr);
      if (c == code::EOL && quick_line_advance()) {
        // The end of a line with nothing pending: on to the next line's
        // first statement at once, which this test of pending work serves
        // too (nothing runs in between; a signal that came meanwhile is
        // taken at the statement after it).
        ws.Stmt_ptr = ws.Exec_ptr;
        c = *(cur = ws.Exec_ptr);
      }
    nothing_pending_at:
      if (c == code::STMT_SEP) {
        // Nothing was pending at the separator and nothing has run since:
        // the statement after it starts at once.
        uint8_t* q = ws.Exec_ptr;
        do c = *++q;
        while (c == code::STMT_SEP);
        ws.Exec_ptr = q;
        ws.Stmt_ptr = q;
        cur = q;
      }
    }
    // The statements of loop bodies are tested first, ahead of the switch.
  dispatch:
    if (c == code::NUM_VAR) {
      Let_site* kept = let_kept(ws.Exec_ptr);
      int how = kept ? 2 : num_let_fast();
      if (how == 2) {  // nothing the loop's resets undo
        // "...; NEXT" ends most loop bodies: NEXT is dispatched here, past
        // its separator, after the same test of pending work.
        uint8_t* q = ws.Exec_ptr;
        if (q[0] == code::STMT_SEP) {
          if (q[1] == code::D_NEXT) {
            if (!Work_pending() && next_fast(q + 1)) {
              // Nothing was pending at NEXT and NEXT set nothing: the body's
              // first statement starts at once (a signal that came meanwhile
              // is taken at the statement after it).
              q = ws.Exec_ptr;
              c = *(cur = q);
              if (c == code::STMT_SEP) goto next_statement;
              ws.Stmt_ptr = q;
              goto dispatch;
            }
            ws.Exec_ptr = ++q;
          } else if (q[1] == code::D_RETURN && !Work_pending()) {
            // "...; RETURN" ends many subroutine and method bodies: RETURN
            // as the dispatch below would reach it.
            ws.Stmt_ptr = q + 1;
            ws.Exec_ptr = q + 2;
            // d_rtrn's two usual cases in line: a GOSUB's frame on top, and
            // no frame open in a method's body, whose return is the object
            // layer's (a false answer changed nothing: d_rtrn asks again and
            // goes on).
            if (Ctl_frame* f = ws.Ctl_stack; f && f->tag == TAG_GOSUB) {
              Exec_return(f);
              Exec_unstack();
            } else if (f || !Method_return_hook || !Method_return_hook()) {
              d_rtrn();
            }
            continue;
          }
        } else if (kept) {
          // A kept statement that ends its line, nothing pending at the
          // line's end: the kept step to the next line, whose first
          // statement this test of pending work serves too, as at a line
          // end below (or through the GOTO that starts it, to its target:
          // READ, the usual first statement of a file loop, at once).
          if (kept_line_step(kept->step)) {
            ws.Stmt_ptr = ws.Exec_ptr;
            c = *(cur = ws.Exec_ptr);
            if (c == code::D_READ) goto read_at;
            goto nothing_pending_at;
          }
        }
        goto next_statement;
      }
      if (how == 0 && !num_compound_fast()) implied_let();
      continue;
    }
    if (c == code::D_NEXT) {
      ORU_ASSERT(cur == ws.Exec_ptr);
      if (next_fast(cur)) goto next_statement;
      ++Exec_epoch;
      ++ws.Exec_ptr;
      d_next();
      goto next_statement;
    }
    // The end of a line and GOTO come before the switch: they are most of
    // what a loop of several lines runs besides its assignments, and a
    // test of its own predicts better than the switch's one jump.
    if (c == code::EOL) {
      if (ws.Cur_stno == 0) return;
      next_program_line();
      goto next_statement;
    }
    if (c == code::D_GOTO) {
      uint8_t* q = ws.Exec_ptr + 1;
      if (*q == code::LINE_REF || *q == code::LABEL_IDX || *q == code::LABEL_IDX2) {
        // A plain line number, or in a saved program a label by index: what
        // Get_line returns for them, inline.
        uint32_t target = get_u16be(q + 1);
        if (*q != code::LINE_REF) target |= LINE_LABEL_BIT;
        ws.Exec_ptr = q + 3;
        if (goto_cached(target)) {  // it set nothing the loop's resets undo
          // The target line's first statement, as at B below.
          if (Work_pending()) goto next_statement;
          ws.Stmt_ptr = ws.Exec_ptr;
          c = *(cur = ws.Exec_ptr);
          if (c == code::D_READ) goto read_at;
          goto nothing_pending_at;
        }
        Exec_go(target);
      } else {
        ws.Exec_ptr = q;
        Exec_go(Get_line());
      }
      continue;
    }
    switch (stmt_cases[c]) {
      case SC_READ: {
        // Its handler moves the epoch when it does more than its fast path.
        // Reached through the switch when no path above goes to it at once.
      read_at:
        ++ws.Exec_ptr;
        Read_line_step = nullptr;
        dir_jmp[code::D_READ - int(code::EXT_DIR)]();
        if (const Line_step* t = Read_line_step) {
          // Its fast path, which sets nothing the loop's resets undo; at the
          // end of its line, the kept step to the next line with nothing
          // pending, as after a kept assignment above.
          // Kept assignments on the lines after it run at once (the usual
          // loop of a file: READ, a count or a sum, back to READ).
          if (!t->str || Work_pending()) goto next_statement;
          ORU_ASSERT(ws.Cur_line_rec == t->from_rec && ws.Cur_stno == t->from_no);
          if (!(t = kept_lines_after(t))) goto next_statement;
          take_line_step(*t);
          ws.Stmt_ptr = ws.Exec_ptr;
          c = *(cur = ws.Exec_ptr);
          if (c != code::D_READ) goto nothing_pending_at;
          // Back at a READ.  When it is the one just run (the loop of a
          // file), its kept path reads the following lines at once, each
          // followed by what follows it above, while the steps lead back to
          // this line by the same kept step: the line state then stays the
          // one just set but for the current string and the cursor, which
          // READ sets.  Nothing else runs in between (the epoch holds, no
          // other READ runs), so its findings, checked once here, hold.
          void* site;
          Read_again_fn again;
          Read_again_loop_fn again_loop;
          if (Read_again_find && (again = Read_again_find(ws.Exec_ptr + 1, &site, &again_loop))) {
            // The READ's step is the same on every pass (its site's, kept for
            // the epoch), and so are the kept assignments after it: found
            // on the first pass, listed for the next ones.
            const Line_step* const back = t;
            Kept_chain chain;
            if (const Line_step* const r = again(site)) {
              if (!r->str || Work_pending()) goto next_statement;
              ORU_ASSERT(ws.Cur_line_rec == r->from_rec && ws.Cur_stno == r->from_no);
              if (!(t = kept_lines_after(r, &chain))) goto next_statement;
              if (t != back) goto read_led_elsewhere;
              if (chain.n <= KEPT_CHAIN) {
                // The lines after it and their listed sums, in the form's
                // own loop (Read_again_loop_fn).
                t = again_loop(site, r, back, chain);
                if (!t) goto next_statement;
                if (t != back) goto read_led_elsewhere;
              } else {
                while (again(site)) {
                  if (Work_pending()) goto next_statement;
                  if (!(t = kept_lines_after(r))) goto next_statement;
                  if (t != back) [[unlikely]]
                    goto read_led_elsewhere;
                }
              }
            }
            // A line the kept path does not take at once: the READ's whole
            // path, from the line state it would start with.
            take_line_step(*back);
          }
          goto read_at;
        read_led_elsewhere:
          // The steps after the READ led to another line (an assignment
          // that stopped being kept, a line that is not one): as above.
          take_line_step(*t);
          ws.Stmt_ptr = ws.Exec_ptr;
          c = *(cur = ws.Exec_ptr);
          if (c == code::D_READ) goto read_at;
          goto nothing_pending_at;
        }
        goto after_read;
      }
      case SC_LINE_END:  // the end of a line, REM, a comment
        if (ws.Cur_stno == 0) return;
        next_program_line();
        goto next_statement;
      case SC_IF: {
        // A condition of one or two plain operands (no call, nothing it
        // could change) and the part that runs found (the cursor moved, or
        // an error): nothing the loop's resets or its epoch undo.
        ++ws.Exec_ptr;
        if (Eval_val_simple()) {
          Exec_if_part();
          goto next_statement;
        }
        Exec_if();
        break;
      }
      case SC_GOTO: {
        uint8_t* q = ++ws.Exec_ptr;
        if (*q == code::LINE_REF) {  // a plain line number: Get_line's first case, inline
          ws.Exec_ptr = q + 3;
          Exec_go(get_u16be(q + 1));
        } else {
          Exec_go(Get_line());
        }
        break;
      }
      case SC_GOSUB:
        ++ws.Exec_ptr;
        True_gosub(Get_line());
        break;
      case SC_RETURN:
        ++ws.Exec_ptr;
        d_rtrn();
        break;
      // CALL and EXIT (a subprogram call's pair of statements) have cases of
      // their own, past the default's range test: their usual forms go
      // straight to the programs layer's bound call and pop
      // (Call_exit_path), the rest to their handlers.  (Their own work
      // leaves the current-I/O area alone: what they start, a program's
      // load or its statements, takes an owed save itself.)
      case SC_CALL: {
        ORU_ASSERT(cur == ws.Exec_ptr);
        uint8_t* at = cur + 1;
        // A plain literal name (no routing prefix) goes to the bound call
        // at once, as d_call sends it there.
        uint32_t n;
        if (uint8_t* const end = Call_literal_name(at, &n)) {
          uint8_t* const name = at + 3;
          ws.Exec_ptr = end;
          if (uint8_t* const q = Call_exit_path.bound_call(name, n, end)) {
            // It took no work area, exit hook, saved statement or busy
            // line: the ERR= line (the callee's context's, or this
            // statement's) is the one reset the callee's statement needs.
            ORU_ASSERT(ws.Work_ptr == work && !ws.Err_hook && !ws.Stmt_save && !ws.Bsy_line);
            ORU_ASSERT(q == ws.Exec_ptr);
            ++Exec_epoch;
            // (Usually 0 already: stored only when it is not.)
            if (ws.Err_line) ws.Err_line = 0;
            // The statement start as B makes it (the call set it with the
            // cursor, at hand: not read back from the workspace); pending
            // work, or a line's end, the way B takes them.
            ORU_ASSERT(ws.Stmt_ptr == q);
            c = *(cur = q);
            if (Work_pending() || c == code::EOL) [[unlikely]]
              goto next_statement;
            goto nothing_pending_at;
          }
          ws.Str_ptr = name;
          ws.Str_len = int32_t(n);
          Call_exit_path.named_call();
          break;
        }
        ws.Exec_ptr = at;
        dir_jmp[code::D_CALL - int(code::EXT_DIR)]();
        break;
      }
      case SC_EXIT: {
        ORU_ASSERT(cur == ws.Exec_ptr);
        uint8_t* q = ws.Exec_ptr = cur + 1;
        // EXIT alone on a program line, in a called program: d_exit's usual
        // case, the frame popped at once.
        if ((Cde_tbl[*q] & CC_STMT_END) && ws.Cur_stno != 0 && ws.Call_link && ws.Call_status != -1) {
          if (uint8_t* at = Call_exit_path.exit_pop()) {
            // As after a bound call: the ERR= line is the one reset needed.
            ORU_ASSERT(ws.Work_ptr == work && !ws.Err_hook && !ws.Stmt_save && !ws.Bsy_line);
            ++Exec_epoch;
            if (ws.Err_line) ws.Err_line = 0;
            // (The pop returns the cursor without storing it.)
            ws.Exec_ptr = at;
            goto next_statement;
          }
          break;
        }
        dir_jmp[code::D_EXIT - int(code::EXT_DIR)]();
        break;
      }
      case SC_STR_VAR:
        if (!append_fast()) implied_let();
        break;
      case SC_STR_LIT:
        Io_touch();
        d_invo();
        break;
      case SC_BLOCK_CLOSE:
        ++ws.Exec_ptr;
        if (*ws.Exec_ptr == code::D_ELSE) {
          ++ws.Exec_ptr;
          if (*ws.Exec_ptr == code::BLOCK_OPEN) {
            ++ws.Exec_ptr;
            if (Skipto_code(code::BLOCK_CLOSE, code::BLOCK_OPEN) && *ws.Exec_ptr == code::D_ELSE) Rpt_error(err::TEXT_AFTER_STATEMENT);
          } else {
            d_else();
          }
        }
        break;
      case SC_INC_DEC:
        Get_value();
        Do_incrdecr();
        break;
      case SC_LABEL:
        ++Exec_epoch;
        if (Perform_on_active && ws.Cur_stno != 0) Core_hook.perform_on_label(ws.Exec_ptr);
        skip_label();
        goto next_statement;
      case SC_OBJ_REF:
        if (!Set_object_hook) Not_built("object references");
        Set_object_hook();
        break;
      case SC_REC_VAR:
        d_let();
        break;
      case SC_DIRECTIVE:
        ++ws.Exec_ptr;
        Io_touch();  // (what a directive does is its own: the loop's statements above do no I/O)
        dir_jmp[c - code::EXT_DIR]();
        break;
      case SC_SYNTAX:
        Rpt_error(err::SYNTAX);  // code 0 (a line that failed to compile) and strays
      default:
        __builtin_unreachable();  // (every entry of the table has its case)
    }
  }
}

// Step E.  The stop point is recorded for a program line.
void leave_exec(uint8_t* work) {
  if (!(ws.Con_flags & CON_LEAVE_NESTED)) ws.Run_flags &= ~RF_STOP;
  if (ws.Cur_stno != 0) {
    ws.Stop_stno = ws.Cur_stno;
    ws.Stop_ptr = ws.Exec_ptr;
  }
  ws.Work_ptr = work;
}

}  // namespace

void Image_line_step::learn(const uint8_t* image, size_t size, uint8_t* line, const uint8_t* stmt_end, uint16_t stno,
                            uint16_t line_no) {
  next = nullptr;
  if (!image || !line || !stmt_end || *stmt_end != code::EOL || stno != line_no ||
      uint16_t(stno - 1) >= LAST_LINE_NO - 1)
    return;
  const uint8_t* end = image + size;
  if (line < image || line + 4 > end) return;
  uint8_t* at = line + 2 + get_u16be(line);
  if (stmt_end < line + 4 || stmt_end >= at || at + 4 > end || at + 2 + get_u16be(at) > end) return;
  next = at;
  len = get_u16be(at);
  no = get_u16be(at + 2);
}

// quick_line_advance taken on the line state as it is, and the state put
// back: the loop's own step, whatever it takes.
void Keep_line_step(Line_step& t) {
  Str_blk* const blk = ws.Cur_edit_blk;
  uint8_t* const rec = ws.Cur_line_rec;
  uint8_t* const str = ws.Str_ptr;
  uint8_t* const at = ws.Exec_ptr;
  const int32_t len = ws.Str_len;
  const uint16_t line_no = ws.Cur_line_no, stno = ws.Cur_stno;
  t.str = nullptr;
  if (quick_line_advance()) {
    t.str = ws.Str_ptr;
    t.rec = ws.Cur_line_rec;
    t.blk = ws.Cur_edit_blk;
    t.len = ws.Str_len;
    t.no = ws.Cur_stno;
    t.from_rec = rec;
    t.from_no = stno;
    // A next line that starts with a GOTO the loop would take from its
    // cache (goto_cached): the step goes on to the GOTO's target, as the
    // loop goes when nothing is pending at the GOTO, so one test of pending
    // work serves both statements (nothing runs between them).  While the
    // epoch holds, the lines and so the target's place stay as they are.
    const uint8_t* q = ws.Exec_ptr;
    if (q[0] == code::D_GOTO && (q[1] == code::LINE_REF || q[1] == code::LABEL_IDX || q[1] == code::LABEL_IDX2)) {
      uint32_t target = get_u16be(q + 2);
      if (q[1] != code::LINE_REF) target |= LINE_LABEL_BIT;
      if (target != 0 && target == ws.Go_cache_ref && ws.Go_cache_size == ws.Pgm_size) {
        t.str = ws.Go_cache_line;
        t.rec = ws.Go_cache_rec;
        t.blk = ws.Go_cache_blk;
        t.len = ws.Go_cache_len;
        t.no = ws.Go_cache_no;
      }
    }
  }
  ws.Cur_edit_blk = blk;
  ws.Cur_line_rec = rec;
  ws.Str_ptr = str;
  ws.Exec_ptr = at;
  ws.Str_len = len;
  ws.Cur_line_no = line_no;
  ws.Cur_stno = stno;
}

void Exec_line() {
  uint8_t* work = ws.Work_ptr;
  ++Exec_epoch;
  for (;;) {
    try {
      run_statements(work);
      break;
    } catch (const Oru_error& e) {
      ++Exec_epoch;
      if (!Recover_error(e.no)) break;
    } catch (const Stmt_restart&) {
      ++Exec_epoch;
    }
  }
  ++Exec_epoch;
  leave_exec(work);
}

namespace {

// The cursor onto the code that ends the current statement.
void to_statement_end() {
  uint8_t* p = ws.Stmt_ptr;
  const uint8_t* end = Code_end(p);
  while (!(Cde_tbl[*p] & CC_STMT_END) && *p != code::END_SCAN) p += Scan_size(p, end);
  if (*p == code::END_SCAN) Rpt_error(err::SYNTAX);
  ws.Exec_ptr = p;
}

constexpr uint32_t X2(uint8_t second) { return (uint32_t(code::EXT_DIR) << 8) | second; }
constexpr uint32_t P2(uint8_t second) { return (uint32_t(code::PREFIX2) << 8) | second; }

// A starred target (*BREAK ...): where the program goes on, seen from the
// statement that names it (a GOTO, or a statement whose ERR=, END= or DOM=
// branch is taken).
void go_star_target(uint32_t target) {
  if (ws.Cur_stno == 0) Rpt_error(err::BAD_LINE_REF);
  switch (target & 0xFFFF) {
    case X2(code::X_BREAK):
      to_statement_end();
      d_brea();
      return;
    case X2(code::X_CONTINUE):
      to_statement_end();
      d_cont();
      return;
    case code::D_RETURN:
      to_statement_end();
      d_rtrn();
      return;
    case code::D_RETRY:
      ws.Exec_ptr = ws.Stmt_ptr;
      return;
    case code::D_STOP:  // the program stops at the statement; RUN takes it again
      ws.Exec_ptr = ws.Stmt_ptr;
      if (!(ws.Start_flags & SF_NESTED)) ws.Con_flags |= CON_MODE;
      ws.Run_flags |= RF_STOP;
      return;
    case P2(code::P2_SAME):
      Exec_go(ws.Cur_stno);
      return;
    case code::D_NEXT:
      to_statement_end();
      return;
    case P2(code::P2_NEXTLINE):
      if (ws.Cur_stno >= LAST_LINE_NO) {
        to_statement_end();
        d_end();
        return;
      }
      ws.Cur_stno = Next_line(ws.Cur_stno);
      ws.Exec_ptr = ws.Str_ptr + 2;
      return;
    case code::D_END:
      to_statement_end();
      d_end();
      return;
    default:
      Rpt_error(err::INTERNAL_CODE);
  }
}

}  // namespace

void Exec_go(uint32_t target) {
  if (target & 0x20000) {
    go_star_target(target);
    return;
  }
  uint16_t n;
  uint8_t* line;
  if (target == ws.Go_cache_ref && target != 0 && ws.Go_cache_size == ws.Pgm_size) {
    n = ws.Go_cache_no;
    line = ws.Go_cache_line;
    ws.Cur_line_no = n;
    ws.Cur_line_rec = ws.Go_cache_rec;
    ws.Cur_edit_blk = ws.Go_cache_blk;
    ws.Str_ptr = line;
    ws.Str_len = ws.Go_cache_len;
  } else {
    n = Find_line(target);
    line = ws.Str_ptr;
    ws.Go_cache_ref = target;
    ws.Go_cache_no = n;
    ws.Go_cache_line = line;
    ws.Go_cache_len = ws.Str_len;
    ws.Go_cache_rec = ws.Cur_line_rec;
    ws.Go_cache_blk = ws.Cur_edit_blk;
    ws.Go_cache_size = ws.Pgm_size;
  }
  if (ws.Cur_stno == 0) {
    // At the console the target only becomes the place RUN starts from.
    ws.Stop_stno = n;
    ws.Stop_ptr = line + 2;
    return;
  }
  ws.Cur_stno = n;
  ws.Exec_ptr = line + 2;
  if (Perform_on_active) Core_hook.perform_on_line(n);
}
