// The bound call: a CALL whose program starts warm at its planned ENTER,
// its arguments bound straight to the callee's kept variables (no argument
// list built, ENTER not run).
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

// A record's caller's variable and the callee's it is bound to.
[[gnu::always_inline]] inline void set_arg_vars(Arg_rec* a, Var_node* var, Var_node* bound) {
  a->var = var;
  a->bound = bound;
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
// pending.  w: rec's warm start; Own as call_bound's.  The
// callee's cursor, or null (the long way).
template <bool Own>
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
  save_context(f);
  mark_return<true>(f);
  mark_bound(f, 0);
  clear_stale(w);
  warm_start(rec, Own, f, nullptr, text);
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
template <bool Own, bool Usual = false, bool Shaped = false>
[[gnu::always_inline]] inline uint8_t* start_bound(Prog_obj* rec, const Warm_start* w, const Enter_plan* plan,
                                                   Call_frame* f, uint8_t* p, Pgm_text* text) {
  save_context(f);
  mark_return<true>(f, p);
  const uint32_t count = plan->count;
  mark_bound(f, count);
  warm_start<Usual>(rec, Own, f, count ? &f->args[0] : nullptr, text, w);
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
      var_keep::set_bound_piece(v, nullptr, vw);
    } else {
      ORU_ASSERT(!v->str);  // (bound_args)
      vw = (cw & MASKS) | VF_ASSIGNED;
      var_keep::set_bound_piece(v, c->str, vw);
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
template <bool Own>
[[gnu::always_inline]] inline bool call_bound(Prog_obj* rec, uint8_t* at) {
  ORU_ASSERT(at == ws.Exec_ptr);
  auto* w = static_cast<Warm_start*>(rec->warm_start);
  const auto* plan = static_cast<const Enter_plan*>(rec->enter_plan);
  if (w->bound_plan != plan) [[unlikely]] {
    if (no_arguments(ws.Exec_ptr)) return call_bare<Own>(rec, w) != nullptr;
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
    return !fit && no_arguments(ws.Exec_ptr) && call_bare<Own>(rec, w) != nullptr;
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
  start_bound<Own>(rec, w, plan, f, p, text);
  return true;
}

// A bound call of a record of the own cache: the callee's cursor, or null.
[[gnu::noinline]] uint8_t* call_bound_own(const uint8_t* name, uint32_t len, uint8_t* args) {
  Prog_obj* rec = own_warm_record(name, len);
  return rec && call_bound<true>(rec, args) ? ws.Exec_ptr : nullptr;
}

// A bound call by name: the record at the front of the list or in the own
// cache, when nothing is pending and the call is made from a program line.
[[gnu::always_inline]] inline bool call_bound_named(const uint8_t* name, uint32_t len, uint8_t* args) {
  ORU_ASSERT(len > 0);  // (Exec_call_bound tests it; the loop's literal is never empty)
  if (Work_pending() || ws.Cur_stno == 0) return false;
  Prog_obj* rec = warm_record(name, len);
  if (!rec) [[unlikely]]
    return call_bound_own(name, len, args) != nullptr;
  return call_bound<false>(rec, args);
}

// A bound call the whole way (call_bound_named): the callee's cursor, or
// null.
[[gnu::noinline]] uint8_t* call_bound_whole(const uint8_t* name, uint32_t len, uint8_t* args) {
  return call_bound_named(name, len, args) ? ws.Exec_ptr : nullptr;
}

// The bound call's usual start once its checks passed, in a function of its
// own: the record, its plan and the frame read again (the checks held none
// of them to the end).  Shaped: the frame's records hold the warm start's
// shape.
template <bool Shaped>
[[gnu::noinline]] uint8_t* usual_start(const Warm_start* w, Call_frame* f, uint8_t* p) {
  Prog_obj* const rec = ws.Prog_head;
  ORU_ASSERT(rec->warm_start == w && frame_top[-1] == f);
  const auto* const plan = static_cast<const Enter_plan*>(rec->enter_plan);
  --frame_top;
  return start_bound<false, true, Shaped>(rec, w, plan, f, p, nullptr);
}

// usual_start after the check of the file of a program the program cache
// keeps, as warm_record takes it (a changed one goes the whole way, which
// takes the record the list holds by its name).
[[gnu::noinline]] uint8_t* checked_start(const Warm_start* w, Call_frame* f, uint8_t* p) {
  if (Prog_file_changed(ws.Prog_head)) {
    uint8_t* const at = ws.Exec_ptr;
    return call_bound_whole(at - w->name_len, w->name_len, at);
  }
  return usual_start<false>(w, f, p);
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
// Every way out, and the start itself, is a function of its own; the file
// of a program the program cache keeps is checked on such a way
// (checked_start).
[[gnu::always_inline]] inline uint8_t* usual_bound(const uint8_t* name, uint32_t len, uint8_t* args) {
  ORU_ASSERT(len > 0 && name + len == args && args == ws.Exec_ptr);
  if (ws.Cur_stno == 0) [[unlikely]]
    return nullptr;
  Prog_obj* const rec = ws.Prog_head;
  // (No list: the own cache's, as the whole way goes on.)
  if (!rec) [[unlikely]]
    return call_bound_own(name, len, args);
  const auto* const w = static_cast<const Warm_start*>(rec->warm_start);
  if (!w || !warm_named(w, name, len)) [[unlikely]]
    return call_bound_whole(name, len, args);
  auto whole = [name, len, args]() __attribute__((always_inline)) { return call_bound_whole(name, len, args); };
  const uint32_t flags_state = Prog_flags_state(rec);
  if (!rec->parked || rec->has_desc || frame_top == frame_cache || !warm_state_fits(rec, w, flags_state)) [[unlikely]]
    return whole();
  // (A plan not learnt, or none, is never the warm start's: bound_unasked.
  // A call without arguments of a program the program cache keeps goes
  // the whole way, which checks its file.)
  const auto* const plan = static_cast<const Enter_plan*>(rec->enter_plan);
  if (w->bound_plan != plan) [[unlikely]] {
    if (no_arguments(args) && (flags_state & (PO_RESIDENT | PO_PINNED))) return call_bare<false>(rec, w);
    return whole();
  }
  Call_frame* const f = frame_top[-1];
  const uint32_t n = plan->count;
  uint8_t* const p = args + 4 * size_t(n);
  if (!bound_args<true>(w, n, args, rec, f->args) || !(Cde_tbl[*p] & CC_STMT_END)) [[unlikely]]
    return whole();
  if (!(flags_state & (PO_RESIDENT | PO_PINNED))) [[unlikely]]
    return checked_start(w, f, p);
  if (n && f->arg_shape != w->bound_shape) [[unlikely]]
    return usual_start<false>(w, f, p);
  return usual_start<true>(w, f, p);
}

// The statement loop's form (Call_exit_paths::bound_call), Exec_call_bound's
// too: the callee's cursor, or null.
[[gnu::noinline]] uint8_t* call_bound_loop(const uint8_t* name, uint32_t len, uint8_t* args) {
  return usual_bound(name, len, args);
}

}  // namespace call_frames

using namespace call_frames;

bool Exec_call_bound(const uint8_t* name, uint32_t len) {
  if (len == 0) return false;
  // A name that is not the literal before the arguments (an evaluated one),
  // or pending work since the statement's start (an IF's condition
  // evaluated, say): the whole way, which tests both.
  uint8_t* const args = ws.Exec_ptr;
  if (name + len != args || Work_pending()) {
    return call_bound_whole(name, len, args) != nullptr;
  }
  return call_bound_loop(name, len, args) != nullptr;
}
