// Objects: the object table, NEW and copies, reference counts, freeing,
// DROP OBJECT / DELETE OBJECT and REF(.
//
// Handles are slot + 100000; a new object takes the lowest free slot, so a
// handle is reused once its object is gone.  An object is freed when its
// count reaches 0 and it is not busy (a method of it is running): the delete
// handlers run first, then its property values, their arrays and strings,
// and the record itself are released.
#include <cstring>
#include <exception>
#include <new>
#include <string>
#include <vector>

#include "channels/channel.h"
#include "core/codes.h"
#include "core/errors.h"
#include "core/evaluator.h"
#include "core/memory.h"
#include "core/params.h"
#include "core/params.h"
#include "core/variables.h"
#include "core/workspace.h"
#include "programs/call_frame.h"
#include "programs/arguments.h"
#include "programs/oop_client.h"
#include "programs/oop_internal.h"
#include "terminal/tc_protocol.h"
#include "terminal/obj_attach.h"
#include "terminal/gui_objctl.h"

namespace {

constexpr int32_t SLOT_GROWTH = 1000;

bool negated() { return (ws.Con_flags & 0x800) != 0; }

int32_t new_slot() {
  int32_t n = int32_t(oop.objs.size());
  for (int32_t i = oop.first_free; i < n; i++)
    if (!oop.objs[size_t(i)]) return i;
  oop.objs.resize(size_t(n + SLOT_GROWTH), nullptr);
  return n;
}

// Copies a property value (scalar or array) into a fresh variable record.
void copy_value(Var_node* dst, Var_node* src, bool object_prop) {
  if (Is_array(src)) {
    Copy_Array(dst, src);
    if (object_prop && dst->type == code::NUM_VAR)
      for (uint32_t e = 0; e < Var_count(dst); e++) OopIfValidAdjRef(Num_elem(dst, e)->mant, 1);
    return;
  }
  if (src->type == code::NUM_VAR) {
    dst->num = src->num;
    if (object_prop) OopIfValidAdjRef(dst->num.mant, 1);
  } else if (src->str && src->str->len) {
    dst->str = Get_str(src->str->len);
    std::memcpy(dst->str->bytes(), src->str->bytes(), src->str->len);
    dst->str->len = src->str->len;
  }
  dst->flags |= src->flags & VF_ASSIGNED;
}

}  // namespace

int32_t Oop_handle_of(int32_t slot) { return negated() ? -(slot + OOP_HANDLE_BASE) : slot + OOP_HANDLE_BASE; }

Oop_object* OopFindObject(int32_t slot) {
  if (slot < 1 || slot >= int32_t(oop.objs.size())) Rpt_error(err::BAD_OBJECT);
  return oop.objs[size_t(slot)];
}

int32_t Oop_slot_of_handle(int64_t handle) {
  if (handle < 0 && negated()) handle = -handle;
  int64_t slot = handle - OOP_HANDLE_BASE;
  return slot >= 1 && slot < int64_t(oop.objs.size()) && oop.objs[size_t(slot)] ? int32_t(slot) : 0;
}

Oop_object* Oop_object_of_handle(int64_t handle) {
  const int32_t slot = Oop_slot_of_handle(handle);
  if (!slot)
    Rpt_error_text(err::BAD_OBJECT,
                   "no object has the handle " + std::to_string(handle < 0 && negated() ? -handle : handle));
  Oop_object* o = oop.objs[size_t(slot)];
  if (o->state & OS_FREEING) Rpt_error(err::BAD_OBJECT);
  return o;
}

Prop_inst* Oop_add_inst(Oop_object* o, const Oop_name* id, Oop_prop* entry) {
  auto* pi = static_cast<Prop_inst*>(Get_blk(sizeof(Prop_inst)));
  if (!pi) Rpt_error(err::OUT_OF_MEMORY);
  pi->entry = entry;
  pi->name = id;
  pi->dynamic = false;
  uint8_t type = id->kind == 2 ? code::STR_VAR : code::NUM_VAR;
  try {
    pi->var = Var_node_new(type, reinterpret_cast<const uint8_t*>(id->text), id->len);
  } catch (...) {
    Ret_blk(pi);
    throw;
  }
  pi->var->flags |= VF_PROPERTY;
  if (!entry) o->flags |= OF_RT_PROPS;
  pi->next = o->props;
  o->props = pi;
  return pi;
}

// The object's instance of a name; with bind, a declared property of its
// class or an ancestor gets its instance now.
Prop_inst* Oop_inst(Oop_object* o, const Oop_name* id, bool bind) {
  for (Prop_inst* pi = o->props; pi; pi = pi->next)
    if (pi->name == id) return pi;
  if (!bind) return nullptr;
  Oop_prop* e = Oop_find_prop_entry(o->cls, id);
  if (!e) return nullptr;
  return Oop_add_inst(o, id, e);
}

void Oop_free_inst(Prop_inst* pi, Oop_object* owner) {
  Oop_object_shape_changed(owner);
  Var_node* v = pi->var;
  if (pi->entry && (pi->entry->flags & PF_OBJECT) && v->type == code::NUM_VAR) {
    int32_t own = owner ? Oop_handle_of(owner->slot) : 0;
    if (Is_array(v)) {
      for (uint32_t e = 0; e < Var_count(v); e++) {
        int64_t h = Num_elem(v, e)->mant;
        Num_elem(v, e)->mant = 0;
        if (h != own) OopIfValidAdjRef(h, -1);
      }
    } else {
      int64_t h = v->num.mant;
      v->num.mant = 0;
      if (h != own) OopIfValidAdjRef(h, -1);
    }
  }
  Clr_tree(v);
  Ret_blk(pi);
}

// NEW of a class: the record, then the create handlers with the arguments
// at args_at (a comma and the list, or the end of the call).
int32_t OopMakeObject(Oop_class* c, bool run_create, uint8_t* args_at) {
  if (oop.shutting_down) Rpt_error(err::BAD_OBJECT);
  if ((c->flags & CF_SHARED) && c->shared_slot) {
    OopRefObject(c->shared_slot, 1);
    return Oop_handle_of(c->shared_slot);
  }
  int32_t slot = new_slot();
  auto* o = static_cast<Oop_object*>(Get_blk(sizeof(Oop_object)));  // cleared
  if (!o) Rpt_error(err::OUT_OF_MEMORY);
  o->cls = c;
  o->slot = slot;
  o->serial = ++oop.serial_counter;
  o->refs = 1;
  o->creator = oop.cur_obj;
  o->precision = -2;
  o->sep = uint8_t(prmblk.FS);
  if (c->flags2 & CF2_OWN_VARS) o->flags |= OF_OWN_VARS;
  oop.objs[size_t(slot)] = o;
  oop.first_free = slot + 1;
  oop.live++;
  c->instances++;
  Oop_hook_update();
  if (c->flags & CF_SYSTEM) oop.system_slot = slot;
  if (run_create) {
    try {
      Oop_run_create(o, c, args_at, false);
    } catch (...) {
      o->refs = 0;
      OopFreeObject(slot);
      throw;
    }
  }
  if (c->flags & CF_SHARED) c->shared_slot = slot;
  return Oop_handle_of(slot);
}

int32_t OopCloneObject(int64_t handle) {
  if (handle < 0 && !negated()) Rpt_error(err::BAD_OBJECT);
  Oop_object* src = Oop_object_of_handle(handle);
  int32_t h = OopMakeObject(src->cls, false, nullptr);
  Oop_object* o = Oop_object_of_handle(h);
  o->creator = oop.cur_obj;
  o->sep = src->sep;
  // Instances in the source's order (the list is newest first: build it
  // backwards so the copy lists the same way), every one of them.
  std::vector<Prop_inst*> order;
  for (Prop_inst* pi = src->props; pi; pi = pi->next) order.push_back(pi);
  for (size_t i = order.size(); i-- > 0;) {
    Prop_inst* pi = Oop_add_inst(o, order[i]->name, order[i]->entry);
    pi->dynamic = order[i]->dynamic;
    copy_value(pi->var, order[i]->var, order[i]->entry && (order[i]->entry->flags & PF_OBJECT));
  }
  return h;
}

int32_t OopRefObject(int32_t slot, int delta) {
  Oop_object* o = OopFindObject(slot);
  if (!o) Rpt_error(err::BAD_OBJECT);
  o->refs += delta;
  if (o->refs < 0) o->refs = 0;
  int32_t n = o->refs;
  if (n == 0 && o->lock == 0) OopFreeObject(slot);
  return n;
}

void OopIfValidAdjRef(int64_t handle, int delta) {
  if (handle == 0) return;
  if (handle < 0 && Oop_client_handle(handle)) {
    // An object of the thin client: its count is the client's; a client
    // that fails to answer changes nothing here.
    Catch_region region;
    try {
      Oop_client_ref(delta, int32_t(handle));
    } catch (const Oru_error&) {
    }
    return;
  }
  if (handle < 0) {
    if (!negated()) return;
    handle = -handle;
  }
  int64_t slot = handle - OOP_HANDLE_BASE;
  if (slot < 1 || slot >= int64_t(oop.objs.size())) return;
  Oop_object* o = oop.objs[size_t(slot)];
  if (!o || o->refs <= 0 || (o->state & OS_FREEING)) return;
  if (int32_t(slot) == oop.cur_obj && o->refs + delta <= 0) return;
  OopRefObject(int32_t(slot), delta);
}

// The channels the object opened close with it (their errors dropped).
void Oop_close_owned(Oop_object* o) {
  if (o->open_files <= 0) {  // the common case: nothing to close, no channel state to keep
    o->open_files = 0;
    return;
  }
  Io_save_guard keep;
  while (o->open_files > 0) {
    Fcb* f = ws.Fcb_list;
    while (f && f->owner != o->slot) f = f->next;
    if (!f) break;
    ws.Io_stmt = code::D_CLOSE;
    ws.Io_opts = 0;
    Select_channel(f);
    uint16_t ch = f->channel;
    Catch_region region;
    try {
      Cls_file();
    } catch (const Oru_error&) {
    }
    if (Fcb* left = Find_fp(ch); left && left->owner == o->slot) left->owner = 0;  // could not close: nobody's now
  }
  o->open_files = 0;
}

void OopFreeObject(int32_t slot) {
  if (slot == oop.cur_obj && oop.cur_obj) Rpt_error(err::CLASS_IN_USE);
  if (slot < 1 || slot >= int32_t(oop.objs.size())) return;
  Oop_object* o = oop.objs[size_t(slot)];
  if (!o || (o->state & OS_FREEING)) return;
  o->state |= OS_FREEING;
  if (o->flags & OF_CONTROL) {
    Io_touch();  // (its control goes from the window)
    KestFreeObjCtl(slot);
  }
  Obj4_Detach_all(slot);
  Obj4_OnClose(OBJ4_OBJECT, slot);
  // Errors of the delete handlers and of the object properties' own
  // releases are dropped: the object goes whatever they do.  A handler
  // that leaves by another way (START) is held until the object is gone;
  // at shut-down it is dropped too, as the session ends anyway.
  // A dropped error leaves the caller's ERR as it was.
  std::exception_ptr held;
  {
    Catch_region region;
    const int err_no = ws.Err_no, err_code = ws.Err_code, last_errno = ws.Last_errno;
    const uint16_t err_stno = ws.Err_stno, err_orig = ws.Err_orig_stno;
    const uint32_t err_flags = ws.Err_flags;
    try {
      if (!(ws.Con_flags & CON_LEAVE_NESTED)) Oop_run_delete(o, o->cls, false);
    } catch (const Oru_error&) {
      ws.Err_no = err_no;
      ws.Err_code = err_code;
      ws.Last_errno = last_errno;
      ws.Err_stno = err_stno;
      ws.Err_orig_stno = err_orig;
      ws.Err_flags = err_flags;
    } catch (...) {
      held = std::current_exception();
    }
  }
  Oop_close_owned(o);
  OopDisconnectAll(o);
  while (Prop_inst* pi = o->props) {
    o->props = pi->next;
    Oop_free_inst(pi, o);
  }
  if (o->own_num) Clr_tree(o->own_num);
  if (o->own_str) Clr_tree(o->own_str);
  for (Var_node*& v : o->sys)
    if (v) {
      Clr_tree(v);
      v = nullptr;
    }
  if (o->proplist) Ret_blk(o->proplist);
  Oop_class* c = o->cls;
  if (c->shared_slot == slot) c->shared_slot = 0;
  if (oop.system_slot == slot) {
    Oop_timer_off();
    oop.system_slot = 0;
    oop.evt_flags = 0;
  }
  oop.objs[size_t(slot)] = nullptr;
  if (slot < oop.first_free) oop.first_free = slot;
  oop.live--;
  ++oop.shape_epoch;  // the object's serial dies with it: the class epoch stands
  Ret_blk(o);
  OopDeRefClass(c);
  Oop_hook_update();
  if (held && !oop.shutting_down) std::rethrow_exception(held);
}

void Oop_objects_clear() {
  // Four sweeps: objects nobody else holds that no object created, then
  // those nobody else holds, then every object, each with its delete
  // handlers; the last frees what is left without them (leaving nested
  // runs and stopping).  The end of the session may have asked nested
  // runs to end already: the handlers of the first three run all the same.
  // Errors are dropped and the sweep goes on.
  const uint32_t con_before = ws.Con_flags, run_before = ws.Run_flags;
  for (int sweep = 0; sweep < 4; sweep++) {
    if (sweep == 3) {
      ws.Con_flags |= CON_LEAVE_NESTED;
      ws.Run_flags |= RF_STOP;
    } else {
      ws.Con_flags &= ~uint32_t(CON_LEAVE_NESTED);
      ws.Run_flags &= ~uint32_t(RF_STOP);
    }
    bool again = true;
    while (again) {
      again = false;
      for (size_t i = 1; i < oop.objs.size(); i++) {
        Oop_object* o = oop.objs[i];
        if (!o) continue;
        if ((sweep == 0 && (o->refs > 1 || o->creator)) || (sweep == 1 && o->refs > 1)) continue;
        Catch_region region;
        try {
          o->lock = 0;
          OopFreeObject(int32_t(i));
        } catch (...) {
        }
        if (oop.objs[i] == o) {  // could not go (or is still being freed): forget it the hard way
          oop.objs[i] = nullptr;
          oop.live--;
        }
        again = true;
        break;
      }
    }
  }
  ws.Con_flags = (ws.Con_flags & ~uint32_t(CON_LEAVE_NESTED)) | (con_before & CON_LEAVE_NESTED);
  ws.Run_flags = (ws.Run_flags & ~uint32_t(RF_STOP)) | (run_before & RF_STOP);
  oop.objs.assign(1, nullptr);
  oop.first_free = 1;
  oop.live = 0;
}

int Oop_object_count() { return oop.live; }

int32_t GetHighestObjId() {
  for (size_t i = oop.objs.size(); i-- > 1;)
    if (oop.objs[i]) return Oop_handle_of(int32_t(i));
  return 0;
}

int32_t Oop_running_handle() { return oop.cur_obj ? Oop_handle_of(oop.cur_obj) : 0; }

std::string Oop_running_method() {
  if (!oop.cur_obj || !oop.cur_method) return std::string();
  return std::string(oop.cur_method->text, oop.cur_method->len);
}

// DROP OBJECT h [,ERR=n] and DELETE OBJECT h [,ERR=n]
void OopDropObject() {
  Eval_val();
  Num_val v = ws.Num_acc;
  if (*ws.Exec_ptr == code::COMMA && ws.Exec_ptr[1] == code::IOPT_FIRST + 4) ws.Exec_ptr++;
  Chk_err();
  Set_scl(v, 0, 0);
  int64_t h = v.mant;
  if (h == 0) Rpt_error(err::NO_CONTROL);
  if (h < 32001 && Oop_client_handle(h)) {  // an object or control of the thin client
    Oop_client_drop(int32_t(h));
    return;
  }
  if (h >= -32767 && h <= 32767) Rpt_error_text(err::NO_CONTROL, "no control of that number exists");
  if (h < 0 && negated()) h = -h;
  int64_t slot = h - OOP_HANDLE_BASE;
  if (slot < 1 || slot >= int64_t(oop.objs.size()) || !oop.objs[size_t(slot)]) Rpt_error(err::BAD_OBJECT);
  if (int32_t(slot) == oop.cur_obj) Rpt_error(err::CLASS_IN_USE);
  OopRefObject(int32_t(slot), -1);
}

namespace {

void new_object(Oop_class* c);

// NEW call sites by the address of their argument's code: the text the
// class was named by and the class found (while oop.class_epoch stands).
struct New_site {
  const uint8_t* at = nullptr;
  uint32_t epoch = 0;
  size_t len = 0;
  char name[32] = {};
  Oop_class* cls = nullptr;
};
constexpr size_t NEW_SITES = 64;
New_site new_sites[NEW_SITES];

}  // namespace

// NEW("CLASS"[,args]) and NEW(h): the cursor after the function code;
// the dispatcher reads the closing ")".
void fnc_fnew() {
  const uint8_t* at = ws.Exec_ptr;
  Eval_formula();
  if (ws.Str_len < 0) {
    Num_val v = ws.Num_acc;
    Set_scl(v, 0, 0);
    Io_touch();
    OopHandleResult(OopCloneObject(v.mant));
    return;
  }
  // The class a NEW site found last, while no class has changed since
  // (the name given is the same text).
  New_site& site = new_sites[(uintptr_t(at) >> 2) & (NEW_SITES - 1)];
  if (site.at == at && site.epoch == oop.class_epoch && site.len == size_t(ws.Str_len) &&
      std::memcmp(site.name, ws.Str_ptr, site.len) == 0) {
    Oop_class* c = site.cls;
    if (c->stamp && c->instances == 0) c->stamp = 0;  // back out of the class cache, as a search does
    new_object(c);
    return;
  }
  // (The search may load a class's program; the thin client's objects
  // talk to it: work that may change the current-I/O area.)
  Io_touch();
  std::string name(reinterpret_cast<const char*>(ws.Str_ptr), size_t(ws.Str_len));
  if (name.empty()) Rpt_error(err::STRING_LENGTH);
  // "[lcl]" asks for the client's object when a client is attached, else
  // for the local one; "[vrl]" for the client's.
  if (Oop_client_name(name)) {
    if (!Tc_attached())
      Rpt_error_text(err::CLASS_NOT_FOUND, "objects of the thin client need an attached thin client");
    OopHandleResult(Oop_client_new(name));
    return;
  }
  Oop_class* c = OopFindClass(name, 2);
  if (!c) Rpt_error(err::CLASS_NOT_FOUND);
  // Only a class found by the very name given is kept: a name that led to
  // a class file ("sub/WIDGET" defining WIDGET) is searched for again at
  // each NEW, as it would be without the site.
  if (name.size() <= sizeof site.name && c->name == OopFindName(66, int(name.size()), name.c_str())) {
    site.at = at;
    site.epoch = oop.class_epoch;
    site.len = name.size();
    std::memcpy(site.name, name.data(), name.size());
    site.cls = c;
  }
  new_object(c);
}

namespace {

// NEW of class c with the create arguments at the cursor.
void new_object(Oop_class* c) {
  uint8_t* args_at = ws.Exec_ptr;
  int32_t h = OopMakeObject(c, true, args_at);
  if (*ws.Exec_ptr == code::D_FOR) {
    // FOR target: the object's reference goes to the target, which gives
    // it back when it closes.  A bad target frees the object again.
    ws.Exec_ptr++;
    Oop_object* o = Oop_object_of_handle(h);
    Io_touch();
    try {
      Obj4_Attach(o->slot, Prog_call_level());
    } catch (...) {
      OopRefObject(o->slot, -1);
      throw;
    }
  }
  OopHandleResult(h);
}

}  // namespace

// REF(ADD h) / REF(DROP h) / REF(h): the new count.
void fnc_fref() {
  uint8_t c = *ws.Exec_ptr;
  int delta;
  if (c == code::EXT_DIR && ws.Exec_ptr[1] == code::X_ADD) {
    delta = 1;
    ws.Exec_ptr += 2;
  } else if (c == code::D_DROP) {
    delta = -1;
    ws.Exec_ptr++;
  } else {
    delta = 0;  // REF(h) and REF(READ h): the count as it stands
  }
  Eval_val();
  Num_val v = ws.Num_acc;
  Set_scl(v, 0, 0);
  int64_t h = v.mant;
  if (h < 0 && Oop_client_handle(h)) {  // an object of the thin client keeps its count there
    int32_t n = Oop_client_ref(delta, int32_t(h));
    ws.Num_acc = Num_val{};
    ws.Num_acc.mant = n;
    ws.Str_len = -1;
    return;
  }
  if (h < 0 && negated()) h = -h;
  int64_t slot = h - OOP_HANDLE_BASE;
  if (slot < 1 || slot >= int64_t(oop.objs.size()) || !oop.objs[size_t(slot)]) Rpt_error(err::BAD_OBJECT);
  // The running object's last reference may go: it is freed once its
  // method returns (it is busy until then).
  int32_t n = OopRefObject(int32_t(slot), delta);
  ws.Num_acc = Num_val{};
  ws.Num_acc.mant = n;
  ws.Str_len = -1;
}

void vl_voop() {
  ws.Num_acc = Num_val{};
  ws.Num_acc.mant = Oop_running_handle();
  ws.Str_len = -1;
}

// OBJ(LIST): one line per live object, lowest slot first: handle, TAB,
// reference count, TAB, class name, TAB, path of the program that defined
// the class, TAB, then the FS parameter character.
std::string Kest_ObjList() {
  std::string out;
  for (size_t slot = 1; slot < oop.objs.size(); slot++) {
    const Oop_object* o = oop.objs[slot];
    if (!o || (o->state & OS_FREEING)) continue;
    out += std::to_string(Oop_handle_of(int32_t(slot)));
    out += '\t';
    out += std::to_string(o->refs);
    out += '\t';
    out.append(o->cls->name->text, o->cls->name->len);
    out += '\t';
    out += o->cls->program;
    out += '\t';
    out += char(prmblk.FS);
  }
  return out;
}

int32_t Oop_slot_handle(int32_t slot) {
  if (slot < 1 || slot >= int32_t(oop.objs.size()) || !oop.objs[size_t(slot)]) return 0;
  return Oop_handle_of(slot);
}
