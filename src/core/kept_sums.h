// The kept sums of the statement loop (core/executor.cpp) and the line
// steps between them, which READ's loop of a file (channels/record_io.cpp)
// runs too: "X = X + b" kept by its statement's address for as long as the
// loop's epoch holds, the list of those a kept step leads to, and the step
// that makes a line current.  Both callers inline them.
#pragma once

#include <cstdint>

#include "core/executor.h"
#include "core/oru_assert.h"
#include "core/signal_flags.h"
#include "core/variables.h"
#include "core/workspace.h"

// The statement loop's inline paths are inlined into run_statements (and
// READ's loop) in optimized builds.  Unoptimized (debug and sanitizer)
// builds keep the larger of them out of line: there every local of an
// inlined function keeps its own stack slot in run_statements' frame, which
// each nested program, method or function level repeats.
#if defined(__OPTIMIZE__)
#define LOOP_INLINE [[gnu::always_inline]] inline
#else
#define LOOP_INLINE [[gnu::noinline]] inline
#endif

// "X = X + b" and "X = X - b" as num_let_fast's first case takes them, b a
// plain numeric scalar, a constant or an element of a one-dimensional array
// by a constant or scalar subscript, kept by the statement's address for as
// long as the statement loop's epoch holds (core/executor.h): the target,
// the operand, the operator and the code after the statement.  While the
// epoch holds, the variables and arrays are the same and the parameters
// unchanged, so only the values (and an element's subscript) are looked at.
struct alignas(128) Let_site {  // a power of two: the slot is found by a shift
  const uint8_t* at = nullptr;
  uint64_t epoch = 0;
  Var_node* node = nullptr;
  const Num_val* operand = nullptr;  // a variable's value, or &k (null: an element)
  const Var_node* array = nullptr;   // an element: its array,
  const Var_node* sub_var = nullptr;  // its subscript variable (null: sub_k)
  uint8_t* next = nullptr;
  Num_val k;
  int32_t sub_k = 0;  // a constant subscript (SMALL_INT: 16 bits)
  bool sub = false;
  // Whether the last keep here served a statement (a loop whose epoch moves
  // on every pass never does), and how many more times the statement is
  // left unkept after a keep that did not.
  bool paid = false;
  uint8_t wait = 0;
  // A statement that ends its line: the step to the next line.
  Line_step step;
};
static_assert(sizeof(Let_site) == 128, "the slot is found by a shift");

// The sum of the statement kept at s for this epoch, when it is
// num_let_fast's first case (one scale without decimals, no overflow, an
// element in range): done as num_let_fast does it, but for the cursor.
// False, with nothing done, otherwise.  Pay: mark the site as serving a
// statement (Let_site::paid), which a site listed after a READ already is
// (kept_lines_after marked it when it listed it).
template <bool Pay = true>
LOOP_INLINE bool let_site_sum(Let_site& s) {
  // The operand read in place, each field when it is needed (it may be the
  // target's own value: all of it is read before the target is written).
  const Num_val* b;
  if (s.operand) {
    b = s.operand;
  } else {
    int64_t sub = s.sub_k;
    if (const Var_node* v = s.sub_var) {
      if (v->num.scale != 0) return false;
      sub = v->num.mant;
    }
    const Var_node* a = s.array;
    uint64_t i = uint64_t(sub) - uint64_t(int64_t(a->base[0]));
    if (i >= uint64_t(a->size[0])) return false;
    b = static_cast<const Num_val*>(a->elems) + i;
  }
  Var_node* node = s.node;
  const int8_t scale = b->scale;
  int64_t r;
  if (scale != node->num.scale || scale > 0 ||
      (s.sub ? __builtin_sub_overflow(node->num.mant, b->mant, &r) : __builtin_add_overflow(node->num.mant, b->mant, &r)))
    return false;
  const uint8_t spare = b->spare;
  ws.Math_flags = 2;
  ws.Num_acc.mant = r;
  ws.Num_acc.scale = scale;
  ws.Num_acc.spare = spare;
  ws.Str_len = -1;
  node->num.mant = r;  // the scale is the operand's already
  node->num.spare = spare;
  node->flags |= VF_ASSIGNED;
  if constexpr (Pay) s.paid = true;
  ORU_ASSERT(s.paid);
  return true;
}

// The line state the kept step t goes to, its first statement current.
[[gnu::always_inline]] inline void take_line_step(const Line_step& t) {
  uint8_t* str = t.str;
  ws.Cur_edit_blk = t.blk;
  ws.Cur_line_rec = t.rec;
  ws.Str_ptr = str;
  ws.Str_len = t.len;
  ws.Exec_ptr = str + 2;
  ws.Cur_line_no = t.no;
  ws.Cur_stno = t.no;
}

// The kept assignments kept_lines_after ran from a step, in order, as it
// found them (n: how many; more than KEPT_CHAIN, too many to list).  While
// the epoch holds it would find them again the same way from that step.
constexpr int KEPT_CHAIN = 8;
struct Kept_chain {
  Let_site* site[KEPT_CHAIN];
  int n = 0;
};

// The sums kept_lines_after found from r and listed, first to stop, done
// again while the epoch holds (a list that led to done last time leads
// there again when every sum is done): only their sums are done.  done when
// every sum was done; else the step before the sum that was not done, or
// null when work became pending after a sum (the line state and cursor set
// to the statement after it).
LOOP_INLINE const Line_step* kept_lines_listed(const Line_step* r, Let_site* const* first, Let_site* const* stop,
                                               const Line_step* done) {
  for (Let_site* const* p = first; p != stop; ++p) {
    Let_site& s = **p;
    // The step that led to this sum's line.
    auto from = [&] { return p == first ? r : &p[-1]->step; };
    ORU_ASSERT(s.at == from()->str + 2 && s.epoch == Exec_epoch && s.step.str);
    if (!let_site_sum<false>(s)) [[unlikely]]
      return from();
    if (Work_pending()) [[unlikely]] {
      take_line_step(*from());
      ws.Exec_ptr = s.next;
      ws.Str_len = -1;
      return nullptr;
    }
  }
  ORU_ASSERT((first == stop ? r : &stop[-1]->step) == done);
  return done;
}
