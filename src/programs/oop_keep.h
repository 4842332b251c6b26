// The object layer's part of the keep at a program method's return
// (Oop_method_keep, programs/objects.h), in line in the return's keep
// (programs/var_keep.h).
#pragma once

#include <cstring>

#include "core/workspace.h"
#include "programs/call_frame.h"
#include "programs/oop_internal.h"
#include "programs/program_list.h"
#include "programs/var_data.h"

// Oop_method_keep's visit of the slots a call bound, or of the whole table
// (noted: the frame's note holds them all): programs/oop_frame.cpp.
[[gnu::noinline]] void Oop_keep_visit_slots(const Method_frame* m, Prog_obj* rec, bool noted);

[[gnu::always_inline]] inline bool Oop_method_keep(Prog_obj* rec, Method_keep* k) {
  const Method_frame* m = Method_frame::current;
  if (!m || m->form != FORM_CALL || !m->rec || m->link != ws.Call_link || oop.in_expr || oop.cur_depth != m->depth)
    return false;
  // The object itself (not a slot reused since) still runs this frame.
  Oop_object* const o = m->obj;
  if (oop.cur_obj < 1 || size_t(oop.cur_obj) >= oop.objs.size() || oop.objs[size_t(oop.cur_obj)] != o) return false;
  if (LoadData_any() || (o->flags & OF_OWN_VARS) || ws.Pgm_cache_ent != m->rec) return false;
  k->tag = o->cls;
  k->epoch = oop.shape_epoch;
  rec->spare_obj = o;
  const bool noted = m->noting && m->note.table == ws.Var_index && m->note.count <= VAR_BIND_NOTE_MAX;
  if (noted && m->note.count == 0) {
    // Nothing bound since the loader made the table current: it is as the
    // last keep left it.
    static_assert(sizeof rec->spare_prop_slots == sizeof m->start_prop_slots, "the same small table");
    std::memcpy(rec->spare_prop_slots, m->start_prop_slots, sizeof rec->spare_prop_slots);
    rec->spare_props = m->start_props;
  } else {
    Oop_keep_visit_slots(m, rec, noted);
  }
  return true;
}
