// A program's warm start: the context a plain CALL built the long way,
// kept in the program's record so that the next call of the same name
// starts from a copy of it, and the checks that say whether it may.  Shared
// by the general push (call_frame.cpp), the bound call and its return.
// Private to the programs layer.
#pragma once

#include <bit>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <type_traits>

#include "core/oru_assert.h"
#include "programs/call_frame_ops.h"
#include "programs/perform_on.h"
#include "programs/program_info.h"
#include "programs/program_load.h"
#include "programs/var_keep.h"
#include "core/exec_command.h"

namespace call_frames {

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
inline constexpr char bound_unasked = 0;

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
// warm_state_fits, and a record that is not parked still holds its kept
// variables and name block (the warm start's name).
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
  // A program kept by the program cache starts warm only while its file is
  // unchanged; otherwise the call goes the whole way (which finds the same
  // record by name).
  if (!(rec->flags & (PO_RESIDENT | PO_PINNED)) && Prog_file_changed(rec)) return nullptr;
  return rec;
}

// The record of the own cache that a CALL of the name (name_len > 0) would
// take back (see Prog_own_find) when it may start warm, or null: as
// warm_record, but its file is checked when it is taken (warm_take).
Prog_obj* own_warm_record(const uint8_t* name, uint32_t name_len);
// A record own_warm_record found taken back as the search by name takes
// it: false when its file changed (the record is gone then).
bool warm_take(Prog_obj* rec);

// The part of a kept context a warm start copies: all but its first 64
// bytes, which hold the five pointers it sets itself and the fields a call
// carries over from the caller (precision, number flags, WITH value and
// depth, global access mask): warm_state_fits found the caller's the ones
// the kept context holds (keep_warm_start keeps none that differs).
constexpr size_t WARM_FROM = offsetof(Prog_context, Pgm_attr);
constexpr size_t WARM_TO = PROG_CONTEXT_BYTES;
static_assert(offsetof(Prog_context, Call_link) == 0 && offsetof(Prog_context, Arg_list) == 8 &&
                  offsetof(Prog_context, Pgm_cache_ent) == 16 && offsetof(Prog_context, Cur_pgm) == 24 &&
                  offsetof(Prog_context, Pgm_text_blk) == 32 && offsetof(Prog_context, Precision) == 40 &&
                  offsetof(Prog_context, Num_flags) == 44 && offsetof(Prog_context, With_ctx) == 48 &&
                  offsetof(Prog_context, With_depth) == 52 && offsetof(Prog_context, Var_mask_glob) == 56 &&
                  WARM_FROM == 64 && (WARM_TO - WARM_FROM) % 16 == 0,
              "a warm start copies all but the fields it sets or carries over");

// The kept variable of the warm start's plan item i, in its table.
[[gnu::always_inline]] inline Var_node* bound_node(const Warm_start* w, uint32_t i) {
  return w->ctx.Var_index[w->bound_items[i].kept];
}

// The plan's kept variables a bound call's return left holding their values
// (stale_bound) emptied, as that return would have; clear_stale when there
// are such.
void empty_stale(Warm_start* w);
// The plan's kept variables emptied when a return left them holding values.
[[gnu::always_inline]] inline void clear_stale(const Warm_start* w) {
  if (w->stale_bound) [[unlikely]]
    empty_stale(const_cast<Warm_start*>(w));
}

// Whether the frame's records name the plan's kept variables of rec's warm
// start (checked where asserts are).
bool bound_nodes_are(const Call_frame* f, const Prog_obj* rec);

// The call's context from the warm start of rec (warm_record said yes, and
// a record of the own cache was taken back: own), with its key and
// description block (warm_text); the caller's context is saved in f
// already.
// Usual: the record is parked and at the front of the list, and the call
// not from the own cache (the usual bound call's facts, known to it: no
// test, and nothing called).
template <bool Usual = false>
[[gnu::always_inline]] inline void warm_start(Prog_obj* rec, bool own, Call_frame* f, Arg_rec* list,
                                              Pgm_text* text,
                                              const Warm_start* w = nullptr) {
  // (w: the record's warm start, when the caller has it at hand.)
  if (!w) w = static_cast<const Warm_start*>(rec->warm_start);
  auto* to = reinterpret_cast<unsigned char*>(static_cast<Prog_context*>(&ws)) + WARM_FROM;
  const auto* from = reinterpret_cast<const unsigned char*>(&w->ctx) + WARM_FROM;
  Block_copy<WARM_TO - WARM_FROM>(to, from);
  ORU_ASSERT(!Usual || (!own && rec == ws.Prog_head && rec->parked));
  // (Only a bound call, which sets the plan's kept variables itself, takes
  // them as its return may have left them: stale_bound.)
  ORU_ASSERT(!w->stale_bound || list == &f->args[0]);
  ORU_ASSERT(!w->ctx.Pgm_text_blk && (!Usual || !text));
  ORU_ASSERT(ws.Precision == w->ctx.Precision && ws.Num_flags == w->ctx.Num_flags &&
             ws.With_ctx == w->ctx.With_ctx && ws.With_depth == w->ctx.With_depth &&
             ws.Var_mask_glob == w->ctx.Var_mask_glob);
  ws.Pgm_text_blk = Usual ? nullptr : text;
  ws.Call_link = f;
  ws.Arg_list = list;
  ws.Pgm_cache_ent = rec;
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
    ws.Cur_pgm = rec->path;
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

// Whether rec's warm start knows its trees to hold its plan's kept
// variables alone (Warm_start::only_bound).
[[gnu::always_inline]] inline bool parked_only_bound(const Prog_obj* rec) {
  return static_cast<const Warm_start*>(rec->warm_start)->only_bound;
}

// The keep of a parking return: the variables and name block into the
// warm start's context, where the next call's copy takes them.
[[gnu::always_inline]] inline void park_record(Prog_obj* rec, bool only_bound = false, bool stale = false) {
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

// The cursor on the program's first statement, as the warm start has it;
// warm_cursor_at: then the cursor and the statement start at `at` (returned)
// on that line.
void warm_cursor(const Warm_start* w);
uint8_t* warm_cursor_at(const Warm_start* w, uint8_t* at);
// The first statement a call of rec's program runs from the warm start w
// that is not a remark, or null; *line: that statement's line as the loop
// steps to it (next null when it is the warm start's own line).
uint8_t* first_statement(const Prog_obj* rec, const Warm_start* w, Image_line_step* line);
// After a plain call set up the long way: the context it built kept as the
// program's warm start when a later call can take it.  name: the name the
// call gave.
void keep_warm_start(const Call_frame* f, const uint8_t* name, uint32_t name_len);

}  // namespace call_frames
