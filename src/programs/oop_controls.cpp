// What the control emulation of the terminal layer needs of the object
// system: live objects, method and property lookup, calls, references and
// the control flag.  Filled into Objctl_hook at start-up.
#include <cstring>
#include <string>

#include "core/errors.h"
#include "core/workspace.h"
#include "programs/arguments.h"
#include "programs/oop_internal.h"
#include "terminal/gui_objctl.h"

namespace {

Oop_object* live(int32_t slot) {
  if (slot < 1 || slot >= int32_t(oop.objs.size())) return nullptr;
  Oop_object* o = oop.objs[size_t(slot)];
  return (o && !(o->state & OS_FREEING)) ? o : nullptr;
}

int32_t slot_of(int64_t handle) {
  int64_t s = handle - OOP_HANDLE_BASE;
  if (s < 1 || s >= int64_t(oop.objs.size())) return 0;
  return live(int32_t(s)) ? int32_t(s) : 0;
}

int32_t highest_slot() { return int32_t(oop.objs.size()) - 1; }

const Oop_name* name_id(uint8_t kind, const char* name) {
  return OopFindName(kind, int(std::strlen(name)), name);
}

// A method's registered name: a string method's ends in "$".
std::string method_name(uint8_t kind, const char* name) { return kind == 2 ? std::string(name) + "$" : name; }

bool has_method(int32_t slot, const char* name, uint8_t kind) {
  const Oop_name* id = name_id(kind, method_name(kind, name).c_str());
  if (!id) return false;
  Oop_object* x = live(slot);
  for (int hops = 0; x && hops <= int(oop.objs.size()); hops++) {
    bool by_name = false;
    if (OopFindFunction(x->cls, id, ~0u, ~0u, &by_name) || by_name) return true;
    x = live(x->delegate);
  }
  return false;
}

bool has_property(int32_t slot, const char* name) {
  Oop_object* x = live(slot);
  for (uint8_t kind = 1; kind <= 2; kind++) {
    const Oop_name* id = name_id(kind, name);
    if (!id) continue;
    if (x && (Oop_inst(x, id, false) || Oop_find_prop_entry(x->cls, id))) return true;
  }
  return false;
}

void call(int32_t slot, const char* name, uint8_t kind, Arg_rec* args) {
  Oop_object* o = live(slot);
  if (!o) {
    FreeArgList(args);
    Rpt_error_text(err::BAD_OBJECT, "the control's object is gone");
  }
  const Oop_name* id;
  try {
    std::string text = method_name(kind, name);
    id = OopDefName(kind, int(text.size()), text.c_str());
  } catch (...) {
    FreeArgList(args);
    throw;
  }
  OopDoMethod(o, id, kind, nullptr, args);
}

int64_t number_property(int32_t slot, const char* name) {
  Oop_object* o = live(slot);
  const Oop_name* id = name_id(1, name);
  if (!o || !id) return 0;
  Catch_region region;
  try {
    OopGetProperty(o, id, 1);
  } catch (const Oru_error&) {
    return 0;
  }
  if (ws.Str_len >= 0) return 0;
  Num_val v = ws.Num_acc;
  Set_scl(v, 0, 0);
  return v.mant;
}

void ref(int32_t slot, int delta) {
  if (!live(slot)) return;
  OopRefObject(slot, delta);
}

void mark(int32_t slot, bool on) {
  if (Oop_object* o = live(slot)) {
    if (on) o->flags |= OF_CONTROL;
    else o->flags &= uint16_t(~OF_CONTROL);
  }
}

int32_t running() { return oop.cur_obj; }

int32_t delegate_of(int32_t slot) {
  Oop_object* o = live(slot);
  return o ? o->delegate : 0;
}

}  // namespace

void Oop_init_controls() {
  Objctl_hook.slot_of = slot_of;
  Objctl_hook.highest_slot = highest_slot;
  Objctl_hook.has_method = has_method;
  Objctl_hook.has_property = has_property;
  Objctl_hook.call = call;
  Objctl_hook.number_property = number_property;
  Objctl_hook.ref = ref;
  Objctl_hook.mark = mark;
  Objctl_hook.running = running;
  Objctl_hook.delegate_of = delegate_of;
}
