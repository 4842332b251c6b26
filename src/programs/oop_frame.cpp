// The method frame: a program method's call made current without loading
// its program by name.
//
// A program method runs as a nested call (Nested_call) of "program;entry".
// Its first call takes the general load (Exec_load: the name parsed, the
// program found in the list, the entry compiled and searched for); what the
// load left (the entry statement, the line state, the ENTER standing there)
// is kept in the method's reference (Method_entry).  A later call whose
// class still holds the same load of the same image, under the same name,
// repeats the load's work on the fresh context from that record: the use
// taken and the record moved to the front as the list's search does, the
// context entered, the image made current, the cursor put on the entry.
// Such a call keeps the context it built (Method_warm), and the calls after
// it start from that in one copy (Oop_frame_run: the frame pushed and the
// kept context installed in its own nested run) with the caller's carried
// fields and the kept variables put in.
//
// Variables: while objects live the lookup asks the object layer first, so
// a plain call's variables are not kept for its next call (a property of
// the object may have bound a slot).  A method's own frame keeps its
// program's table (Oop_method_keep), tagged with the object's class and the
// shape count; the next call takes it when it fits its object: the same
// class and shape, no run-time property and no variables of its own in the
// object, no data set loaded.  Under those a name is looked up as it was
// for the call that kept the table, so the slots of the program's own
// variables stay bound (their nodes cleared); property slots stay for the
// same object only; system properties' slots are cleared.  While the frame
// runs, every slot bound in its table is noted (Var_bind_note), so that its
// return visits those and the property slots it started with, not every
// slot of the table.  When the kept table is taken and the arguments fit
// ENTER's plain items, the loader binds them itself and the call starts
// after that ENTER.
//
// A body that is only ENTER of numbers and RETURN of a sum of parameters,
// properties and constants is answered without a frame (Oop_frame_inline)
// while nothing would make running its two lines differ.
#include <algorithm>
#include <cstring>

#include "core/block_copy.h"
#include "core/codes.h"
#include "core/errors.h"
#include "core/exec_command.h"
#include "core/hooks.h"
#include "core/line_store.h"
#include "core/memory.h"
#include "core/nested_run.h"
#include "core/signal_flags.h"
#include "core/variables.h"
#include "core/workspace.h"
#include "programs/arguments.h"
#include "programs/call_frame.h"
#include "programs/oop_internal.h"
#include "programs/oop_keep.h"
#include "programs/program_list.h"
#include "programs/program_load.h"
#include "programs/var_data.h"

Method_frame* Method_frame::current = nullptr;

namespace {

constexpr size_t NAME_KEEP = 511;  // as much of the name as a load keeps

bool stmt_end(uint8_t c) { return (Cde_tbl[c] & CC_STMT_END) != 0; }

// The table slots of the ENTER at p (on its directive code) when every item
// is a plain variable named by its index: [(]NAME[)][[ALL]] separated by
// commas, no "*", default or ERR=; each item's form into forms and the
// cursor after the items into *end.  0 otherwise.
uint32_t enter_slots(uint8_t* p, uint16_t* slots, uint8_t* forms, uint8_t** end) {
  if (*p != code::D_ENTER) return 0;
  p++;
  uint32_t n = 0;
  for (;;) {
    bool by_value = *p == code::LPAREN;
    if (by_value) p++;
    if ((*p != code::NUM_VAR && *p != code::STR_VAR) || !(p[1] & 0x80)) return 0;
    if (n == METHOD_KEEP_MAX) return 0;
    forms[n] = uint8_t((*p == code::STR_VAR ? ENTER_ITEM_STR : 0) | (by_value ? ENTER_ITEM_BY_VALUE : 0));
    slots[n++] = uint16_t(((p[1] & 0x7F) << 8) | p[2]);
    p += 3;
    if (by_value) {
      if (*p != code::RPAREN) return 0;
      p++;
    }
    if (*p == code::WHOLE_ARRAY) {
      forms[n - 1] |= ENTER_ITEM_WHOLE;
      p++;
    }
    if (*p == code::COMMA) {
      p++;
      continue;
    }
    if (!stmt_end(*p)) return 0;
    *end = p;
    return n;
  }
}

// A name of rec's table by its slot: (length, text), or null for one the
// table does not hold in plain form.
const uint8_t* table_name(const Prog_obj* rec, uint32_t idx) {
  if (idx >= rec->name_cnt || !rec->name_index || !rec->name_area) return nullptr;
  const uint8_t* n = rec->name_area + rec->name_index[idx];
  return n[0] == 0 || n[0] == 255 ? nullptr : n;
}

// Whether the body at the entry is the chain Oop_frame_inline answers:
// ENTER's items all plain numeric scalars (no "%" name, distinct) ending
// their line, and the next line of the image RETURN followed by numeric
// operands joined by "+" and "-" up to its end: each a parameter (an ENTER
// slot), a name some class declares (a property of the object at the call)
// or a constant.  inline_count stays 0 for any other body.
void learn_inline(Method_entry& e, const Prog_obj* rec) {
  if (Method_warm* w = e.warm.get()) w->inline_count = 0;
  uint32_t n = e.enter_count;
  if (!n || !e.enter_distinct || !e.enter_end || *e.enter_end != code::EOL || !e.line_rec) return;
  for (uint32_t i = 0; i < n; i++) {
    if (e.enter_forms[i] & (ENTER_ITEM_STR | ENTER_ITEM_WHOLE)) return;
    const uint8_t* nm = table_name(rec, e.enter_slots[i]);
    if (!nm || nm[nm[0]] == '%') return;
  }
  const uint8_t* image = rec->image;
  const uint8_t* end = image + rec->image_size;
  const uint8_t* line = e.line_rec;
  if (line < image || line + 4 > end || e.exec < line + 4 || e.exec >= line + 2 + get_u16be(line)) return;
  const uint8_t* next = line + 2 + get_u16be(line);
  if (next + 5 > end || next + 2 + get_u16be(next) > end || next[4] != code::D_RETURN) return;
  const uint8_t* limit = next + 2 + get_u16be(next);
  const uint8_t* p = next + 5;
  Method_inline_item items[METHOD_INLINE_MAX];
  uint32_t count = 0;
  uint8_t op = code::OP_ADD;
  for (;;) {
    if (count == METHOD_INLINE_MAX || p + 3 > limit) return;
    Method_inline_item it{};
    it.op = op;
    uint8_t c = p[0];
    if (c == code::NUM_VAR) {
      if (!(p[1] & 0x80)) return;
      uint16_t idx = uint16_t(((p[1] & 0x7F) << 8) | p[2]);
      it.kind = METHOD_INLINE_NAME;
      for (uint32_t i = 0; i < n; i++)
        if (e.enter_slots[i] == idx) {
          it.kind = METHOD_INLINE_PARAM;
          it.param = uint16_t(i);
        }
      if (it.kind == METHOD_INLINE_NAME) {
        const uint8_t* nm = table_name(rec, idx);
        if (!nm || nm[1] == '%' || nm[1] == '_') return;
        it.id = OopFindName(1, nm[0], reinterpret_cast<const char*>(nm + 1));
        if (!it.id || it.id->sys != SYS_NONE) return;
      }
      p += 3;
    } else if (c == code::SMALL_INT) {
      it.kind = METHOD_INLINE_CONST;
      it.value.mant = get_u16be(p + 1);
      p += 3;
    } else if (c == code::NUM_LIT || c == code::EXP_LIT) {
      // In line (a program's image keeps no literal pool): the scale, then
      // 48 bits of mantissa.
      if (p + 8 > limit) return;
      it.kind = METHOD_INLINE_CONST;
      it.value.mant = int64_t(get_u48be(p + 2));
      it.value.scale = int8_t(p[1]);
      p += 8;
    } else {
      return;
    }
    items[count++] = it;
    if (p >= limit) return;
    c = *p;
    if (c == code::EOL) break;
    if (c != code::OP_ADD && c != code::OP_SUB) return;
    op = c;
    p++;
  }
  Method_warm* w = e.warm.make();
  std::copy(items, items + count, w->inline_items);
  w->inline_count = count;
}

// What the general load left, kept for the next call.
void learn_entry(Method_entry& e, Prog_obj* rec) {
  e.rec = rec;
  e.image = rec->image;
  e.serial = rec->load_serial;
  e.stno = ws.Cur_stno;
  e.exec = ws.Exec_ptr;
  e.line_no = ws.Cur_line_no;
  e.line_rec = ws.Cur_line_rec;
  e.str_ptr = ws.Str_ptr;
  e.str_len = ws.Str_len;
  e.go_ref = ws.Go_cache_ref;
  e.go_no = ws.Go_cache_no;
  e.go_line = ws.Go_cache_line;
  e.go_len = ws.Go_cache_len;
  e.go_rec = ws.Go_cache_rec;
  e.go_size = ws.Go_cache_size;
  e.enter_count = enter_slots(ws.Exec_ptr, e.enter_slots, e.enter_forms, &e.enter_end);
  e.enter_distinct = true;
  e.enter_nums = true;
  for (uint32_t i = 0; i < e.enter_count; i++)
    if (e.enter_forms[i] & (ENTER_ITEM_STR | ENTER_ITEM_WHOLE)) e.enter_nums = false;
  for (uint32_t i = 0; i < e.enter_count; i++)
    for (uint32_t j = 0; j < i; j++)
      if (e.enter_slots[i] == e.enter_slots[j] && ((e.enter_forms[i] ^ e.enter_forms[j]) & ENTER_ITEM_STR) == 0)
        e.enter_distinct = false;
  // Where a call goes on from an ENTER that ends its line.
  e.enter_next.next = nullptr;
  if (e.enter_count && ws.Pgm_image == rec->image)
    e.enter_next.learn(rec->image, rec->image_size, e.line_rec, e.enter_end, e.stno, e.line_no);
  learn_inline(e, rec);
}

// The ENTER at the entry bound by the loader itself, when the variables the
// last call kept are the program's table now (each ENTER slot bound to a
// cleared node of its own) and every argument fits its item as ENTER's own
// binding takes it without a failure: a number or a numeric variable for a
// numeric scalar, a string or a string variable (lent) for a string scalar,
// no arrays, as many arguments as items.  The cursor is left after the
// items.  False, with nothing bound, otherwise: ENTER runs as usual.
// NUMS: every item is a numeric scalar (Method_entry::enter_nums), the
// usual case, compiled without the string and array tests.
template <bool NUMS>
[[gnu::always_inline]] inline bool bind_items(const Method_entry& e) {
  const uint32_t n = e.enter_count;
  Var_node* const* table = ws.Var_index;
  const uint32_t cnt = ws.Var_index_cnt;
  Var_node* vars[METHOD_KEEP_MAX];
  Arg_rec* a = ws.Arg_list;
  for (uint32_t i = 0; i < n; i++, a = a->next) {
    if (!a || a->bound) return false;
    const uint8_t form = e.enter_forms[i];
    const uint8_t kind = a->kind;
    const uint32_t idx = e.enter_slots[i];
    Var_node* v = idx < cnt ? table[idx] : nullptr;
    if (NUMS || !(form & (ENTER_ITEM_STR | ENTER_ITEM_WHOLE))) {
      if (kind != ARG_NUM_VAL && !(kind == ARG_NUM_REF && a->var)) return false;
      if (!v || v->type != code::NUM_VAR) return false;
    } else {
      if (form & ENTER_ITEM_WHOLE) return false;
      if (!(kind == ARG_STR_REF && !(form & ENTER_ITEM_BY_VALUE) && a->var) && !(kind == ARG_STR_VAL && a->str))
        return false;
      if (!v || v->type != code::STR_VAR) return false;
    }
    if ((v->flags & (VF_RECORD | VF_READ_ONLY | VF_INTEGER)) ||
        (reinterpret_cast<uintptr_t>(v->elems) | reinterpret_cast<uintptr_t>(v->assoc) | v->dims))
      return false;
    vars[i] = v;
  }
  if (a) return false;
  a = ws.Arg_list;
  for (uint32_t i = 0; i < n; i++, a = a->next) {
    Var_node* v = vars[i];
    const uint8_t kind = a->kind;
    if (NUMS || kind == ARG_NUM_REF || kind == ARG_NUM_VAL) {
      v->num = a->num;
      uint32_t flags = v->flags | VF_ASSIGNED;
      if (kind == ARG_NUM_REF && !(e.enter_forms[i] & ENTER_ITEM_BY_VALUE)) {
        flags |= Var_lend_integer(a->var->flags);
        Arg_bind_ref(a, v);
      }
      v->flags = flags;
      continue;
    }
    Str_blk* old;
    if (kind == ARG_STR_REF) {
      old = Arg_lend_str(a, v);
    } else {
      old = v->str;
      v->str = a->str;
      a->str = nullptr;
    }
    v->flags |= VF_ASSIGNED;
    if (old) Ret_str(old);
  }
  if (e.enter_next.next && !Work_pending()) {
    // On to the next line's first statement, as the statement loop goes
    // from ENTER's line end when nothing is pending there (the caller
    // checked what entry_valid asks: no PERFORM ON; the cursor is on ENTER's
    // line of the image).  The loop's test of pending work at that
    // statement serves both, as it does after its own step.
    e.enter_next.take();
    return true;
  }
  ws.Exec_ptr = ws.Stmt_ptr = e.enter_end;
  return true;
}

[[gnu::always_inline]] inline bool bind_enter(const Method_entry& e) {
  if (!e.enter_count || !e.enter_distinct || !e.enter_end || (ws.Run_flags & RF_SERVE_MASK)) return false;
  return e.enter_nums ? bind_items<true>(e) : bind_items<false>(e);
}

// The frame's program name is the record's (before the ";" of its entry).
// (Out of line: a warm call compared it under its class and epoch already.)
[[gnu::noinline]] bool name_is_record(const Method_frame& m, const Prog_obj* rec) {
  const std::string& n = *m.name;
  size_t len = n.size();
  while (len > 0 && n[len - 1] == ' ') len--;
  size_t semi = n.find(';');
  return semi != std::string::npos && semi == rec->path->name_len &&
         std::memcmp(rec->path->name, n.data(), semi) == 0;
}

// The class's record still is what a search by the name would find: held
// by the class, not replaced, stale or changed, and the learnt entry is of
// this load of its image.
[[gnu::always_inline]] inline bool entry_valid(const Method_frame& m, const Method_entry& e) {
  Prog_obj* rec = m.cls->prog_rec;
  if (!rec || e.rec != rec || e.serial != rec->load_serial || e.image != rec->image || !rec->image) return false;
  if ((rec->flags & (PO_STALE | PO_CHANGED)) || (rec->state & PO_STATE_DATA_SET)) return false;
  if (!(rec->flags & PO_PINNED) || Perform_on_active || Text_source()) return false;
  // The name was compared under this class and epoch already.
  if (e.valid_cls == m.cls && e.valid_epoch == oop.class_epoch) return true;
  return name_is_record(m, rec);
}

// The frame remembers its entry's record and its pushed frame for the keep
// at its return.
void note_entry(Method_frame& m, const Method_entry& e) {
  m.rec = e.rec;
  m.link = ws.Call_link;
}

}  // namespace

namespace {

// Whether a call of m may take the variables its record kept: 0 no, 1 the
// same class under the same shape, 2 also the same object (its property
// instances are the ones the slots point at: a freed instance or object
// moves the shape).
[[gnu::always_inline]] inline int kept_vars_fit(const Method_frame& m, const Prog_obj* rec) {
  const Oop_object* o = m.obj;
  if (m.form != FORM_CALL || !rec->spare_index || rec->spare_tag != o->cls || rec->spare_epoch != oop.shape_epoch ||
      (o->flags & (OF_OWN_VARS | OF_RT_PROPS)) || LoadData_any())
    return 0;
  return rec->spare_obj == o ? 2 : 1;
}

// The property slots a call of the same object finds bound (vars: as
// kept_vars_fit said), before the table is taken.
void note_start_props(Method_frame& m, const Prog_obj* rec, int vars) {
  m.start_props = vars == 2 ? rec->spare_props : 0;
  for (uint8_t i = 0; i < m.start_props; i++) m.start_prop_slots[i] = rec->spare_prop_slots[i];
}

// From here every slot bound in the table is noted (the kept ENTER slots
// and the start_props slots are bound already).
void start_noting(Method_frame& m) {
  m.noting = true;
  m.note.table = ws.Var_index;
  m.note.count = 0;
  Var_bind_noting = &m.note;
}

// The program's name: the block the last call of the program gave back
// when it fits (kept: it does, checked by the caller), else a new one.
[[gnu::always_inline]] inline void take_name(const Method_frame& m, Prog_obj* rec) {
  size_t len = std::min(m.name->size(), NAME_KEEP);
  if (Str_blk* kept = rec->spare_name; kept && kept->cap >= len) {
    ws.Pgm_name = kept;
    rec->spare_name = nullptr;
    if (kept->len != len || !Block_equal(kept->bytes(), m.name->data(), len)) {
      std::memcpy(kept->bytes(), m.name->data(), len);
      kept->len = uint32_t(len);
    }
  } else {
    ws.Pgm_name = Get_str(len);
    if (!ws.Pgm_name) Rpt_error(err::OUT_OF_MEMORY);
    std::memcpy(ws.Pgm_name->bytes(), m.name->data(), len);
    ws.Pgm_name->len = uint32_t(len);
  }
}

// The cursor where the entry's search left it (the workspace's fields
// outside the program context).
[[gnu::always_inline]] inline void enter_cursor(const Method_entry& e) {
  ws.Cmd_flags &= ~uint32_t(CMD_AUTO);
  ws.Auto_line = LAST_LINE_NO;
  ws.Go_cache_ref = e.go_ref;
  ws.Go_cache_no = e.go_no;
  ws.Go_cache_line = e.go_line;
  ws.Go_cache_len = e.go_len;
  ws.Go_cache_rec = e.go_rec;
  ws.Go_cache_blk = nullptr;
  ws.Go_cache_size = e.go_size;
  ws.Str_ptr = e.str_ptr;
  ws.Str_len = e.str_len;
  ws.Cur_stno = e.stno;
  ws.Exec_ptr = ws.Stmt_ptr = e.exec;
}

// The context just made current, kept for the next call's warm start: the
// pointers each call owns (or sets from its caller) cleared.
void keep_warm(Method_entry& e, const Prog_obj* rec) {
  if (ws.Pgm_text_blk) return;  // a described program's context owns its description: not kept
  Method_warm* w = e.warm.make();
  w->ctx = static_cast<const Prog_context&>(ws);
  Forget_call_owned(w->ctx);
  w->glob = ws.Var_mask_glob;
  w->state = rec->state;
  w->has_ctx = true;
}

}  // namespace

int Oop_frame_load(void* ctx) {
  Method_frame& m = *static_cast<Method_frame*>(ctx);
  Method_entry& e = m.ref->entry;
  if (!m.ref->program.empty() || !entry_valid(m, e)) {
    e.rec = nullptr;
    e.warm.reset();
    e.valid_cls = nullptr;
    uint8_t* p = Work_take(m.name->size());
    std::memcpy(p, m.name->data(), m.name->size());
    ws.Str_ptr = p;
    ws.Str_len = int32_t(m.name->size());
    m.noting = false;
    Var_bind_noting = nullptr;
    int entry = Exec_load(1);
    Prog_obj* rec = m.cls->prog_rec;
    if (entry == 1 && m.ref->program.empty() && rec && ws.Pgm_cache_ent == rec && ws.Pgm_image == rec->image &&
        ws.Edit_list == Last_line() && ws.Pgm_name && ws.Pgm_name->len == std::min(m.name->size(), NAME_KEEP))
      learn_entry(e, rec);
    if (e.rec) note_entry(m, e);
    Oop_set_precision_for(m.obj, m.cls);
    return entry;
  }
  // The load's work (Exec_load on a found record, for a fresh call context).
  e.valid_cls = m.cls;
  e.valid_epoch = oop.class_epoch;
  Prog_obj* rec = e.rec;
  CacheLoad(rec);
  rec->uses++;
  ws.Edit_list = Last_line();
  ws.Pgm_flags &= ~uint32_t(PGM_ENCIPHERED | 4 | PGM_PROTECTED);
  ws.Pgm_cache_ent = rec;
  int vars = kept_vars_fit(m, rec);
  Var_node** spare = vars ? rec->spare_index : nullptr;
  note_start_props(m, rec, vars);
  Prog_take(rec, vars);
  bool taken = spare && ws.Var_index == spare;
  if (!taken) m.start_props = 0;  // a new, empty table
  start_noting(m);
  take_name(m, rec);
  ws.Cur_edit_blk = nullptr;
  ws.Cur_line_rec = e.line_rec;
  ws.Cur_line_no = e.line_no;
  ws.Stop_stno = e.stno;
  ws.Stop_ptr = e.exec;
  enter_cursor(e);
  note_entry(m, e);
  if (taken) {
    if (m.form == FORM_CALL && !(ws.Pgm_flags & (PGM_ENCIPHERED | PGM_PROTECTED))) keep_warm(e, rec);
    bind_enter(e);
  }
  Oop_set_precision_for(m.obj, m.cls);
  return 1;
}

namespace {

// Whether a call of m can start from its entry's kept context (the caller's
// context is ws's or saved in a frame: glob and pgm_flags are its access
// mask and flags): how kept_vars_fit takes the kept variables (1 or 2), or
// 0 with nothing changed but the entry's note of its valid class.
[[gnu::always_inline]] inline int warm_fit(const Method_frame& m, Method_entry& e, uint32_t glob, uint32_t pgm_flags) {
  const Method_warm* w = e.warm.get();
  if (!w || !w->has_ctx || !m.ref->program.empty() || !entry_valid(m, e)) return 0;
  e.valid_cls = m.cls;
  e.valid_epoch = oop.class_epoch;
  Prog_obj* rec = e.rec;
  int vars = kept_vars_fit(m, rec);
  // What the kept context was built from, and what Prog_take asks before it
  // takes the kept variables.
  if (!vars || glob != w->glob || rec->state != w->state || (pgm_flags & PGM_SHARES_VARS) ||
      !rec->spare_name || rec->spare_name->cap < std::min(m.name->size(), NAME_KEEP))
    return 0;
  return vars;
}

// The called context made current from the entry's kept one (warm_fit said
// vars), the caller's saved in f.
[[gnu::always_inline]] inline void warm_install(Method_frame& m, const Method_entry& e, int vars, Call_frame* f,
                                                Arg_rec* list) {
  Prog_obj* rec = e.rec;
  Block_copy<PROG_CONTEXT_BYTES>(&static_cast<Prog_context&>(ws), &e.warm.get()->ctx);
  ws.Call_link = f;
  ws.Arg_list = list;
  // The caller's fields a call carries over, and what the loading left.
  ws.Num_flags = f->Num_flags;
  ws.Precision = f->Precision;
  Oop_set_precision_for(m.obj, m.cls);  // the object code's own, not the caller's
  ws.Var_mask_glob = f->Var_mask_glob;
  ws.With_ctx = f->With_ctx;
  ws.With_depth = f->With_depth;
  ws.Var_mask = ws.Var_mask_glob | ws.Var_mask_pgm;
  ws.Pgm_flags &= ~uint32_t(PGM_LOADING);
  ws.Pgm_flags2 |= f->Pgm_flags2 & PGM2_ERR_HANDLER;
  Run_flags_set(RF_CALL_DEPTH);
  CacheLoad(rec);
  rec->uses++;
  ws.Pgm_cache_ent = rec;
  ws.Cur_pgm = Path_ref(rec->path);
  note_start_props(m, rec, vars);
  Prog_take_spare_vars(rec, vars == 2);
  start_noting(m);
  take_name(m, rec);
  enter_cursor(e);
  note_entry(m, e);
  bind_enter(e);
}

// Nested_call's run, with its push and the warm start in line (warm_fit
// said vars).  (Out of line: the general way keeps no room for its guard,
// which counts in a method's recursion.)
[[gnu::noinline]] int run_warm(Method_frame& m, const Method_entry& e, int vars, Arg_rec* args,
                                           bool* started) {
  Nested_run_guard<NESTED_IO_OWED | NESTED_CALL_ERR> saved;
  *started = false;
  const int depth = m.depth - 1;
  Call_frame* const link = ws.Call_link;  // the caller's frame: back when the return popped
  const uint16_t line = ws.Cur_stno;
  ws.Cur_stno = 0;  // the frame returns to line 0: its return ends the nested line
  try {
    Catch_region region;
    Call_frame* f;
    try {
      f = Call_push_saved();
    } catch (...) {
      FreeArgList(args);
      throw;
    }
    if (line) f->Stop_stno = line;  // the caller's line, as its level shows it
    warm_install(m, e, vars, f, args);
  } catch (const Oru_error& err) {
    return err.no;
  }
  *started = true;
  ws.Call_err = -1;
  try {
    InternalExecLine();
  } catch (...) {
    Call_unwind_to(depth);
    throw;
  }
  // A program that stopped without returning (QUIT) is taken down here.
  if (ws.Call_link != link) Call_unwind_to(depth);
  return ws.Call_err;
}

// The general way: Nested_call with the loader (nothing there would fit
// either).  Out of line, as run_warm: these are this function's tail calls.
[[gnu::noinline]] int run_loaded(Method_frame& m, Arg_rec* args, bool* started) {
  return Nested_call(m.form, args, 0, started, Oop_frame_load, &m);
}

}  // namespace

int Oop_frame_run(Method_frame& m, Arg_rec* args, bool* started) {
  Method_entry& e = m.ref->entry;
  if (int vars = warm_fit(m, e, ws.Var_mask_glob, ws.Pgm_flags))
    return run_warm(m, e, vars, args, started);
  return run_loaded(m, args, started);
}

// Oop_method_keep's visit of the slots a call bound (noted: the frame's
// note holds them all), or of the whole table.  A slot bound to a node of
// the trees kept (ENTER's variables, the method's other variables) stays
// bound: the next call of the class finds the same node there (the same
// class and shape, no properties added at run time, no variables of the
// object's own: what the take asks).  The slots bound to the object's
// properties (a few, in a small table) stay for a next call of the same
// object, and are cleared by the take for another; a read-only node (a
// system property of the running object) is the object's: its slot is
// cleared.  (Neither kind is a node of the trees.)
void Oop_keep_visit_slots(const Method_frame* m, Prog_obj* rec, bool noted) {
  Var_node** slots = ws.Var_index;
  const uint32_t n = ws.Var_index_cnt;
  uint16_t* prop_slots = rec->spare_prop_slots;
  uint8_t nprops = 0;
  bool props_fit = n <= 256;
  auto visit = [&](uint32_t i) {
    Var_node* v = i < n ? slots[i] : nullptr;
    if (!v) return;
    if (v->flags & VF_PROPERTY) {
      for (uint8_t j = 0; j < nprops; j++)
        if (prop_slots[j] == i) return;
      if (props_fit && nprops < 8) {
        prop_slots[nprops++] = uint16_t(i);
        return;
      }
      // More than the table holds: none of them stays.
      for (uint8_t j = 0; j < nprops; j++) slots[prop_slots[j]] = nullptr;
      nprops = 0;
      props_fit = false;
      slots[i] = nullptr;
      return;
    }
    // (A variable named as some class's property: the next call may be
    // made from an object that has it.)
    if (v->flags & (VF_READ_ONLY | VF_SHADOW)) slots[i] = nullptr;
  };
  if (noted) {
    // What was bound when the call began and what it bound since: no other
    // slot can have changed.
    for (uint8_t i = 0; i < m->start_props; i++) visit(m->start_prop_slots[i]);
    for (uint32_t i = 0; i < m->note.count; i++) visit(m->note.slots[i]);
  } else {
    for (uint32_t i = 0; i < n; i++) visit(i);
  }
  rec->spare_props = nprops;
}

bool Oop_frame_inline(Oop_object* o, Oop_class* c, const Prog_ref& r, Arg_rec* args, uint32_t n) {
  const Method_entry& e = r.entry;
  const Method_warm* w = e.warm.get();
  if (!w || !w->inline_count || n != e.enter_count || e.valid_cls != c || e.valid_epoch != oop.class_epoch ||
      !r.program.empty())
    return false;
  // Anything the statement loop would serve at the body's statements (TRACE,
  // steps, breakpoints, signals, events), and what entry_valid asks of the
  // record; a depth the frame would refuse.
  if (Work_pending() || oop.method_depth >= METHOD_DEPTH_MAX) return false;
  Prog_obj* rec = c->prog_rec;
  if (!rec || e.rec != rec || e.serial != rec->load_serial || e.image != rec->image || !rec->image ||
      (rec->flags & (PO_STALE | PO_CHANGED)) || (rec->state & PO_STATE_DATA_SET) || !(rec->flags & PO_PINNED) ||
      Perform_on_active || Text_source() || LoadData_any())
    return false;
  if (!Oop_caller_precision_fits(o, c)) return false;
  const Num_val* nums[METHOD_KEEP_MAX];  // (pointers: no values to construct)
  uint32_t i = 0;
  for (Arg_rec* a = args; a; a = a->next, i++) {
    if (i >= n || (a->kind != ARG_NUM_REF && a->kind != ARG_NUM_VAL)) return false;
    nums[i] = &a->num;
  }
  if (i != n) return false;
  // The chain as the evaluator runs it, on its integral fast path only:
  // operands of one scale, no overflow, no rounding to the precision
  // (anything else goes the frame's way, where the evaluator decides).
  Num_val acc{}, left{};
  for (uint32_t k = 0; k < w->inline_count; k++) {
    const Method_inline_item& it = w->inline_items[k];
    Num_val b;
    if (it.kind == METHOD_INLINE_PARAM) {
      b = *nums[it.param];
    } else if (it.kind == METHOD_INLINE_CONST) {
      b = it.value;
    } else {
      Prop_inst* pi = Oop_inst(o, it.id, true);
      const Var_node* v = pi ? pi->var : nullptr;
      if (!v || v->type != code::NUM_VAR || v->read_mask) return false;
      b = v->num;
    }
    if (k == 0) {
      acc = b;
      continue;
    }
    int64_t sum;
    if (acc.scale != b.scale || (it.op == code::OP_ADD ? __builtin_add_overflow(acc.mant, b.mant, &sum)
                                                       : __builtin_sub_overflow(acc.mant, b.mant, &sum)))
      return false;
    left = acc;
    acc.mant = sum;
    if ((ws.Prm.RN & 64) && acc.scale > ws.Precision) return false;
  }
  if (w->inline_count == 1 && (ws.Prm.RN & 64) && acc.scale > ws.Precision) return false;
  // What the frame's return leaves: references flow back (their values
  // unchanged), the record moved to the front of the list as its load
  // would, no current variable.
  for (Arg_rec* a = args; a; a = a->next)
    if (a->kind == ARG_NUM_REF && a->var) a->var->flags |= VF_ASSIGNED;
  CacheLoad(rec);
  if (w->inline_count > 1) {
    ws.Num_acc2 = left;
    ws.Math_flags |= 2;
  }
  ws.Num_acc = acc;
  ws.Str_len = -1;
  ws.Cur_var = nullptr;
  ws.Cur_val = nullptr;
  ws.Cur_elem = -1;
  return true;
}
