// The object layer's start-up, shut-down and variable lookup.
#include <cstring>

#include "core/codes.h"
#include "core/evaluator.h"
#include "core/variables.h"
#include "core/workspace.h"
#include "programs/objects.h"
#include "programs/oop_internal.h"
#include "programs/var_data.h"

Oop_state oop;

Var_node* Oop_var_lookup(uint8_t type, const uint8_t* name, int len) {
  if (LoadData_any())
    if (Var_node* n = LoadData_find(type, name, len)) return n;
  if (oop.cur_obj) return Oop_property_var(type, name, len);
  return nullptr;
}

void Oop_hook_update() { Var_lookup_hook = (LoadData_any() || oop.live > 0) ? Oop_var_lookup : nullptr; }

namespace {

// A change of +J trims the cache of unused classes to the new size at once.
void class_cache_param(uint16_t code, int32_t) {
  if (code == Prm_code('+', 'J') && !oop.shutting_down) KestAdjClassCache(nullptr, false);
}

}  // namespace

void Oop_init() {
  Var_clear_hook = LoadData_dropall;
  Clear_object_hook = OopClearVariables;
  Oop_init_access();
  Delete_object_hook = OopDropObject;
  Rename_class_hook = OopRenameClass;
  Method_return_hook = Oop_method_return;
  On_event_hook = DoOnEvent;
  Oop_init_events();
  Oop_init_controls();
  Prm_watch(class_cache_param);
  Oop_hook_update();
}

void OopClrNames() {
  oop.shutting_down = true;
  oop.cur_obj = 0;
  oop.cur_depth = -1;
  Oop_events_clear();
  Oop_objects_clear();
  Oop_classes_clear();
  Oop_name_hits_clear();
  Oop_names_clear();
  LoadData_clear();
  oop.shutting_down = false;
  oop.system_slot = 0;
  oop.evt_flags = 0;
  Oop_hook_update();
}
