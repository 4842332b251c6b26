// Properties and methods: object references in expressions and statements
// (H'AGE, H'NAME$="x", H'M(1,2)), properties seen as variables inside an
// object's code, expression and program methods, create and delete
// handlers.
//
// Compiled object reference: 250 and the handle variable's name (inline or
// indexed), then the property's own name item (1 numeric, 2 string; a
// string name keeps its "$") or code 47 for "*", then for a method call
// "(" [FROM "CLASS" [,]] arguments ")".  The name's registry id is its
// identity; ids of a program's indexed names are cached per name index.
//
// The running object: its slot and the call depth its code runs at.  Inside
// that depth the variable lookup offers the object's properties before the
// program's own variables (an expression method's parameters come first).
#include <cstdlib>
#include <cstring>
#include <new>
#include <string>
#include <vector>

#include "core/codes.h"
#include "core/control_stack.h"
#include "core/decimal.h"
#include "core/line_store.h"
#include "core/params.h"
#include "core/errors.h"
#include "core/evaluator.h"
#include "core/eval_fast.h"
#include "core/memory.h"
#include "core/variables.h"
#include "core/workspace.h"
#include "programs/remote_args.h"
#include "programs/arguments.h"
#include "programs/call_directives.h"
#include "programs/call_frame.h"
#include "programs/oop_internal.h"
#include "core/masks.h"
#include "terminal/gui_client.h"
#include "terminal/gui_objctl.h"
#include "terminal/terminal.h"

Oop_result* oop_ret = nullptr;

namespace {

bool stmt_end(uint8_t c) { return (Cde_tbl[c] & CC_STMT_END) != 0; }

// Bytes of a compiled name item: code, then an index (2 bytes, top bit set)
// or a length and the name.
size_t Item_name_size(const uint8_t* p) { return (p[1] & 0x80) ? 3 : 2 + size_t(p[1]); }

Var_node* sys_var(Var_node*& v, uint8_t type, const char* name) {
  if (!v) v = Var_node_new(type, reinterpret_cast<const uint8_t*>(name), int(std::strlen(name)));
  return v;
}

void set_str_var(Var_node* v, const char* s, size_t n) {
  if (v->str && v->str->cap >= n && v->str->cap != 0) {
    std::memcpy(v->str->bytes(), s, n);
    v->str->len = uint32_t(n);
    return;
  }
  if (v->str) Ret_str(v->str);
  v->str = Get_str(n);
  std::memcpy(v->str->bytes(), s, n);
  v->str->len = uint32_t(n);
}

int64_t integer_of(Num_val v) {
  if (v.scale == 0) return v.mant;
  Set_scl(v, 0, 0);
  return v.mant;
}

void load_var(Var_node* v) {
  if (v->type == code::STR_VAR) {
    if (v->str) {
      ws.Str_ptr = v->str->bytes();
      ws.Str_len = int32_t(v->str->len);
    } else {
      ws.Str_ptr = Work_take(0);
      ws.Str_len = 0;
    }
  } else {
    ws.Num_acc = v->num;
    ws.Str_len = -1;
  }
}

void set_number(int64_t n) {
  ws.Num_acc = Num_val{};
  ws.Num_acc.mant = n;
  ws.Str_len = -1;
}

void set_string(const std::string& s) {
  uint8_t* p = s.size() <= 4096 ? Work_take(s.size()) : static_cast<uint8_t*>(Get_temp(s.size()));
  if (!s.empty()) std::memcpy(p, s.data(), s.size());
  ws.Str_ptr = p;
  ws.Str_len = int32_t(s.size());
}

void tree_insert(Var_node** root, Var_node* n) {
  while (*root) {
    int c = Var_name_cmp(reinterpret_cast<const uint8_t*>(n->name), n->name_len, (*root)->name, (*root)->name_len);
    root = c < 0 ? &(*root)->left : &(*root)->right;
  }
  *root = n;
}

bool is_running(const Oop_object* o) { return o->slot == oop.cur_obj && Call_depth() == oop.cur_depth; }

// Saves the accumulators' value so that code run in between cannot clobber it.
struct Saved_value {
  bool is_str;
  Num_val num;
  std::string str;
  Saved_value() {
    is_str = ws.Str_len >= 0;
    if (is_str) str.assign(reinterpret_cast<const char*>(ws.Str_ptr), size_t(ws.Str_len));
    else num = ws.Num_acc;
  }
  void restore() const {
    if (is_str) set_string(str);
    else {
      ws.Num_acc = num;
      ws.Str_len = -1;
    }
  }
};

// ---- the handle variable of a reference ----

// A control id in a reference: the object bound to it, else the control
// lives on the thin client.
int64_t control_object(int64_t id) {
  std::string name;
  bool method = false;
  uint8_t c = *ws.Exec_ptr;
  if (c == code::NUM_VAR || c == code::STR_VAR) {
    int kind;
    const Oop_name* n = Oop_name_of_item(ws.Exec_ptr, &kind);
    name.assign(n->text, n->len);
    const uint8_t* after = ws.Exec_ptr + ((ws.Exec_ptr[1] & 0x80) ? 3 : 2 + ws.Exec_ptr[1]);
    method = *after == code::LPAREN;
  }
  int64_t h = KestMapObjCtl(id, name, method);
  if (h >= -32000 && h <= 32767) {
    if (ws.Con_fcb && (ws.Con_fcb->st2 & ST2_THIN_CLIENT)) return h;  // the client's control
    Rpt_error_text(err::NO_CONTROL, "control " + std::to_string(id) + " has no object and there is no thin client");
  }
  return h;
}

bool on_client() { return ws.Con_fcb && (ws.Con_fcb->st2 & ST2_THIN_CLIENT); }

// A handle or control id that lives on the thin client: -32000..32000
// controls, below -32000 client objects.
bool remote_id(int64_t h) { return on_client() && h != 0 && h <= 32767; }

// remote: set to the id when the reference names a client-side control or
// object (the function then returns null).
// The handle variable of the reference at the cursor (on code 250); the
// cursor moves past its name.
Var_node* handle_var_at_cursor() {
  uint8_t* p = ws.Exec_ptr;
  Var_node* hv;
  if (p[1] & 0x80) {
    // The handle's node is cached in the variable table like any variable's.
    uint32_t idx = (uint32_t(p[1] & 0x7F) << 8) | p[2];
    hv = idx < ws.Var_index_cnt ? ws.Var_index[idx] : nullptr;
    if (!hv || hv->type != code::NUM_VAR) {
      const uint8_t* e = Var_name_entry(idx);
      if (!e || e[0] == 255) Rpt_error(err::INTERNAL_CODE);
      hv = Find_var_name(code::NUM_VAR, e + 1, e[0]);
      if (idx < ws.Var_index_cnt && !(hv->flags & VF_WITH)) {
        ws.Var_index[idx] = hv;
        Var_note_bind(ws.Var_index, idx);
      }
    }
    ws.Exec_ptr = p + 3;
  } else {
    hv = Find_var_name(code::NUM_VAR, p + 2, p[1]);
    ws.Exec_ptr = p + 2 + p[1];
  }
  if (hv->type != code::NUM_VAR) Rpt_error(err::TYPE_MISMATCH);
  return hv;
}

Oop_object* object_at_cursor(int64_t* remote = nullptr) {
  Var_node* hv = handle_var_at_cursor();
  int64_t h = integer_of(hv->num);
  // The common case inline: a positive handle of a live object.
  uint64_t slot = uint64_t(h - OOP_HANDLE_BASE);
  if (h > OOP_HANDLE_BASE && slot < oop.objs.size())
    if (Oop_object* o = oop.objs[slot]; o && !(o->state & OS_FREEING)) return o;
  if (h != 0 && h >= -32000 && h <= 32767) h = control_object(h);
  if (remote && remote_id(h)) {
    *remote = h;
    return nullptr;
  }
  if (h == 0) Rpt_error_text(err::NO_CONTROL, std::string("the handle variable ") + hv->name + " holds no object");
  return Oop_object_of_handle(h);
}

// The end of a call's argument list at the cursor: an optional ERR= (its
// line into *err_line, Get_line form), then ")".  A missing ")" frees the
// list.
void close_call(Arg_rec* args, uint32_t* err_line) {
  if (*ws.Exec_ptr == code::IOPT_FIRST + 4) {
    ws.Exec_ptr++;
    try {
      *err_line = Get_line();
    } catch (...) {
      FreeArgList(args);
      throw;
    }
  }
  if (*ws.Exec_ptr != code::RPAREN) {
    FreeArgList(args);
    Rpt_error(err::SYNTAX);
  }
  ws.Exec_ptr++;
}

// A call's own ERR= takes the errors of the call (the search for the
// method and what the method raises) in place of the statement's: the
// statement's ERR= line and its statement start still to be scanned are
// put aside while the call runs and come back when it returns.  An error
// leaves the call's line, where the error goes.
struct Call_err {
  uint32_t line;
  uint32_t saved_line = 0;
  uint8_t* saved_stmt = nullptr;
  explicit Call_err(uint32_t l) : line(l) {
    if (!line) return;
    saved_line = ws.Err_line;
    saved_stmt = ws.Stmt_save;
    ws.Err_line = line;
    ws.Stmt_save = nullptr;
  }
  void done() const {
    if (!line) return;
    ws.Err_line = saved_line;
    ws.Stmt_save = saved_stmt;
  }
};

// The call's arguments at the cursor (on "("): an optional class
// qualifier, the list, an optional ERR=, ")".
Arg_rec* read_call(Oop_object* o, Oop_class** start, uint32_t* err_line) {
  ws.Exec_ptr++;
  *start = nullptr;
  if (ws.Exec_ptr[0] == code::PREFIX2 && ws.Exec_ptr[1] == 57) {
    ws.Exec_ptr += 2;
    Eval_str();
    std::string q(reinterpret_cast<const char*>(ws.Str_ptr), size_t(ws.Str_len));
    const Oop_name* id = OopFindName(66, int(q.size()), q.c_str());
    Oop_class* qc = nullptr;
    for (Oop_class* c : oop.classes)
      if (c->name == id) qc = c;
    if (!qc) Rpt_error(err::CLASS_NOT_FOUND);
    if (!OopSubClass(o->cls, qc)) Rpt_error(err::BAD_CLASS);
    *start = qc;
    if (*ws.Exec_ptr == code::COMMA) ws.Exec_ptr++;
  }
  Arg_rec* args = nullptr;
  if (*ws.Exec_ptr != code::RPAREN) args = Do_Args(false);
  close_call(args, err_line);
  return args;
}

// The system properties of an object: true when the name is one.
bool get_system(Oop_object* o, const Oop_name* id) {
  switch (id->sys) {
    case SYS_OBJ: set_number(Oop_handle_of(o->slot)); break;
    case SYS_CLASS: set_string(std::string(o->cls->name->text, o->cls->name->len)); break;
    case SYS_REFCNT: set_number(o->refs); break;
    case SYS_PROPLIST: set_string(o->proplist ? std::string(o->proplist) : std::string()); break;
    case SYS_PROPSEP: set_string(std::string(1, char(o->sep))); break;
    case SYS_PROPVALUES: set_string(Oop_get_proplist_values(o)); break;
    default: return false;
  }
  return true;
}

bool set_system(Oop_object* o, const Oop_name* id) {
  if (id->sys == SYS_NONE || id->sys == SYS_TYPE) return false;
  if (id->sys == SYS_OBJ || id->sys == SYS_CLASS || id->sys == SYS_REFCNT) Rpt_error(err::UNKNOWN_MEMBER);
  if (id->sys == SYS_PROPLIST) {
    if (ws.Str_len < 0) Rpt_error(err::TYPE_MISMATCH);
    if (o->proplist) Ret_blk(o->proplist);
    o->proplist = nullptr;
    if (ws.Str_len > 0) {
      o->proplist = static_cast<char*>(Get_blk(size_t(ws.Str_len) + 1));
      std::memcpy(o->proplist, ws.Str_ptr, size_t(ws.Str_len));
    }
    return true;
  }
  if (id->sys == SYS_PROPSEP) {
    if (ws.Str_len < 0) Rpt_error(err::TYPE_MISMATCH);
    o->sep = ws.Str_len > 0 ? ws.Str_ptr[0] : uint8_t(prmblk.FS);
    return true;
  }
  if (id->sys == SYS_PROPVALUES) {
    if (ws.Str_len < 0) Rpt_error(err::TYPE_MISMATCH);
    Oop_set_proplist_values(o, std::string(reinterpret_cast<const char*>(ws.Str_ptr), size_t(ws.Str_len)));
    return true;
  }
  return false;
}

void load_property(Oop_object* x, Prop_inst* pi) {
  Oop_prop* e = pi->entry;
  if (e && (e->flags & (PF_LOCAL | PF_NO_GET)) && !is_running(x)) Rpt_error(err::UNKNOWN_MEMBER);
  if (!e && !pi->dynamic && !is_running(x)) Rpt_error(err::UNKNOWN_MEMBER);  // a local run-time property
  if (e && (e->flags & PF_GET_EXPR)) {
    OopDoExpression(x, x->cls, e->get_expr, nullptr, pi->name, &e->fast);
    return;
  }
  if (e && e->get.present) {
    OopDoFunction(x, e->owner, e->get, nullptr, false, false, pi->name);
    return;
  }
  load_var(pi->var);
}

void store_value(Var_node* v) {
  if (v->type == code::STR_VAR) {
    Let_string_scalar(v);
  } else {
    if (ws.Str_len >= 0) Rpt_error(err::TYPE_MISMATCH);
    Store_num(v, &v->num);
  }
}

}  // namespace

int32_t OopHandleResult(int32_t h) {
  set_number(h);
  return h;
}

// ---- the running-object context ----

namespace {

// Names looked up inside objects' code, by the address of the name's text:
// a method's compiled code keeps its names in place, so one address asks
// for one name again and again.  A hit is checked against the text.
struct Name_hit {
  const uint8_t* at;
  const Oop_name* id;
};
Name_hit name_hits[2][64];

const Oop_name* find_name_at(uint8_t kind, const uint8_t* name, int len) {
  Name_hit& h = name_hits[kind - 1][(uintptr_t(name) >> 1) & 63];
  if (h.at == name && h.id->len == len && std::memcmp(h.id->text, name, size_t(len)) == 0) return h.id;
  const Oop_name* id = OopFindName(kind, len, reinterpret_cast<const char*>(name));
  if (id) h = {name, id};
  return id;
}

}  // namespace

void Oop_name_hits_clear() { std::memset(name_hits, 0, sizeof name_hits); }

namespace {

// A property whose GET is an expression, bound inside the object's code:
// its value is the expression's, taken once now.  The expression of the
// statement being evaluated keeps its accumulators.
void expression_value(Oop_object* o, Prop_inst* pi) {
  const Num_val num = ws.Num_acc, num2 = ws.Num_acc2;
  uint8_t* const str = ws.Str_ptr;
  const int32_t len = ws.Str_len;
  const uint32_t math = ws.Math_flags;
  Oop_prop* e = pi->entry;
  OopDoExpression(o, o->cls, e->get_expr, nullptr, pi->name, &e->fast);
  Var_node* v = pi->var;
  if (v->type == code::STR_VAR) {
    if (ws.Str_len < 0) Rpt_error(err::TYPE_MISMATCH);
    set_str_var(v, reinterpret_cast<const char*>(ws.Str_ptr), size_t(ws.Str_len));
  } else {
    if (ws.Str_len >= 0) Rpt_error(err::TYPE_MISMATCH);
    v->num = ws.Num_acc;
  }
  v->flags |= VF_ASSIGNED;
  ws.Num_acc = num;
  ws.Num_acc2 = num2;
  ws.Str_ptr = str;
  ws.Str_len = len;
  ws.Math_flags = math;
}

// A name that is no property of the running object, looked for in the
// objects whose methods called it: down the call levels while each is a
// method's level with an object (an object met again is passed by), the
// first that has or binds the property.
Var_node* caller_property(const Oop_object* o, const Oop_name* id) {
  int want = oop.cur_depth - 1;
  int32_t last = o->slot;
  for (const Oop_run_guard* g = oop.run_guards; g; g = g->outer) {
    if (g->depth > want) continue;  // (an expression's context at the same level)
    if (g->depth != want || g->obj < 1 || g->obj >= int32_t(oop.objs.size())) break;
    Oop_object* x = oop.objs[size_t(g->obj)];
    if (!x || (x->state & OS_FREEING)) break;
    if (g->obj != last)
      if (Prop_inst* pi = Oop_inst(x, id, true)) return pi->var;
    last = g->obj;
    want--;
  }
  return nullptr;
}

}  // namespace

// Inside the running object's code: its properties, its system properties
// and, for an object that keeps its own variables, those.
Var_node* Oop_property_var(uint8_t type, const uint8_t* name, int len) {
  if (Call_depth() != oop.cur_depth) return nullptr;
  if (oop.cur_obj < 1 || oop.cur_obj >= int32_t(oop.objs.size())) return nullptr;
  Oop_object* o = oop.objs[size_t(oop.cur_obj)];
  if (!o) {
    oop.cur_obj = 0;
    return nullptr;
  }
  if (oop.in_expr) {  // an expression method's parameters first
    if (Var_node* n = Var_tree_find(type == code::STR_VAR ? ws.Loc_str_tree : ws.Loc_num_tree, name, len))
      return n;
  }
  uint8_t kind = type == code::STR_VAR ? 2 : 1;
  const Oop_name* id = find_name_at(kind, name, len);
  if (id) {
    if (Prop_inst* pi = Oop_inst(o, id, false)) return pi->var;
    if (Prop_inst* pi = Oop_inst(o, id, true)) {
      if (pi->entry && (pi->entry->flags & PF_GET_EXPR)) expression_value(o, pi);
      return pi->var;
    }
  }
  if (len > 1 && name[0] == '_') {
    id = OopDefName(kind, len, reinterpret_cast<const char*>(name));
    // Each object has its own records: a call frame caches the node.
    if (id->sys == SYS_OBJ) {
      Var_node* v = sys_var(o->sys[0], code::NUM_VAR, "_OBJ");
      v->num = Num_val{};
      v->num.mant = Oop_handle_of(o->slot);
      v->flags |= VF_READ_ONLY;
      return v;
    }
    if (id->sys == SYS_REFCNT) {
      Var_node* v = sys_var(o->sys[2], code::NUM_VAR, "_REFCNT");
      v->num = Num_val{};
      v->num.mant = o->refs;
      v->flags |= VF_READ_ONLY;
      return v;
    }
    if (id->sys == SYS_CLASS) {
      Var_node* v = sys_var(o->sys[1], code::STR_VAR, "_CLASS$");
      set_str_var(v, o->cls->name->text, o->cls->name->len);
      v->flags |= VF_READ_ONLY;
      return v;
    }
  }
  if (id) {
    // A property's name that is none of this object's: the calling
    // object's property when it has one, not bound to the compiled
    // reference; else the method's own variable, bound for this run only
    // (the next run may be called from another object).
    if (oop.cur_depth > 0)
      if (Var_node* n = caller_property(o, id)) {
        Var_bind_refused = true;
        return n;
      }
    if (o->flags & OF_OWN_VARS) Var_bind_refused = true;
    else Var_bind_shadow = true;
  }
  if ((o->flags & OF_OWN_VARS) && len > 0 && name[0] != '%') {
    Var_node** root = type == code::STR_VAR ? &o->own_str : &o->own_num;
    if (Var_node* n = Var_tree_find(*root, name, len)) return n;
    Var_node* n = Var_node_new(type, name, len);
    tree_insert(root, n);
    return n;
  }
  return nullptr;
}

// ---- reading and assigning from outside ----

namespace {

// A string name made of names each ended by "." ("A.B.$") stands for several
// properties at once.
bool multi_name(const Oop_name* id) {
  return id->kind == 2 && id->len >= 3 && id->text[id->len - 1] == '$' && id->text[id->len - 2] == '.';
}

std::vector<std::string> multi_names(const Oop_name* id) {
  std::vector<std::string> names;
  std::string one;
  for (int i = 0; i < id->len - 1; i++) {
    if (id->text[i] != '.') {
      one += id->text[i];
      continue;
    }
    names.push_back(one);
    one.clear();
  }
  return names;
}

// An error absorbed by a multi-property read or write leaves no trace in
// the error state the program reads.
struct Err_state_keep {
  int32_t code = ws.Err_code;
  uint32_t flags = ws.Err_flags;
  ~Err_state_keep() {
    ws.Err_code = code;
    ws.Err_flags = flags;
  }
};

// One property of the list read: as a string, else (no string property of
// the name) as a number; nothing (an empty value) when neither reads.
std::string multi_get_one(Oop_object* o, const std::string& name) {
  if (name.empty()) return "";
  Err_state_keep keep;
  for (uint8_t kind : {uint8_t(2), uint8_t(1)}) {
    std::string n = kind == 2 ? name + "$" : name;
    // A name never registered is no property: the read does not register it.
    const Oop_name* id = Oop_name_to_read(kind, int(n.size()), n.c_str());
    if (!id) {
      if (kind == 2) continue;
      return "";
    }
    try {
      Catch_region region;
      return Oop_property_text(o, id, kind);
    } catch (const Oru_error& e) {
      if (e.no == err::UNKNOWN_MEMBER && kind == 2) continue;
      return "";
    }
  }
  return "";
}

// H'A.B.$: each property's value followed by a NUL byte.
void multi_get(Oop_object* o, const Oop_name* id) {
  std::string out;
  for (const std::string& name : multi_names(id)) {
    out += multi_get_one(o, name);
    out += '\0';
  }
  set_string(out);
}

// H'A.B.$="1|x|": the value list is a value per name, each ended by the
// list's last byte; a name with no value left keeps its own.  Each is
// assigned as a string, else (no string property of the name) as a number;
// a value that is no number for a numeric property is error 88; other
// failures leave the name as it was.  A name is registered only when the
// class takes it as a new property (Oop_name_to_set).
void multi_set(Oop_object* o, const Oop_name* id) {
  std::string values(reinterpret_cast<const char*>(ws.Str_ptr), size_t(ws.Str_len));
  if (values.empty()) return;
  const char sep = values.back();
  size_t start = 0;
  for (const std::string& name : multi_names(id)) {
    size_t end = values.find(sep, start);
    if (end == std::string::npos) break;
    std::string value = values.substr(start, end - start);
    start = end + 1;
    if (name.empty()) continue;
    bool numeric = false;
    {
      Err_state_keep keep;
      try {
        Catch_region region;
        std::string n = name + "$";
        set_string(value);
        OopSetProperty(o, Oop_name_to_set(o, 2, int(n.size()), n.c_str()), 2);
      } catch (const Oru_error& e) {
        numeric = e.no == err::UNKNOWN_MEMBER;
      }
    }
    if (!numeric) continue;
    Num_val v;
    if (Conv_str_chk(reinterpret_cast<const uint8_t*>(value.data()), value.size(), v) != 0)
      Rpt_error_text(err::UNKNOWN_MEMBER, "\"" + value + "\" is no number for the property " + name);
    Err_state_keep keep;
    try {
      Catch_region region;
      ws.Num_acc = v;
      ws.Str_len = -1;
      OopSetProperty(o, Oop_name_to_set(o, 1, int(name.size()), name.c_str()), 1);
    } catch (const Oru_error&) {
    }
  }
}

}  // namespace

void OopGetProperty(Oop_object* o, const Oop_name* id, uint8_t kind) {
  if (kind == 2 && multi_name(id)) {
    multi_get(o, id);
    return;
  }
  if (get_system(o, id)) return;
  Oop_object* x = o;
  for (int hops = 0; x && hops <= int(oop.objs.size()); hops++) {
    if (Prop_inst* pi = Oop_inst(x, id, true)) {
      load_property(x, pi);
      return;
    }
    int32_t d = x->delegate;
    x = (d > 0 && d < int32_t(oop.objs.size())) ? oop.objs[size_t(d)] : nullptr;
  }
  if (id->sys == SYS_TYPE) {
    set_string(OopReturnPropsExt(o));
    return;
  }
  Rpt_error_text(err::UNKNOWN_MEMBER, std::string("no property ") + id->text + " in class " + o->cls->name->text);
}

std::string Oop_property_text(Oop_object* o, const Oop_name* id, uint8_t kind) {
  OopGetProperty(o, id, kind);
  if (ws.Str_len >= 0) return std::string(reinterpret_cast<const char*>(ws.Str_ptr), size_t(ws.Str_len));
  char t[CONV_NORMAL_MAX];
  return std::string(t, size_t(Conv_normal(ws.Num_acc, t)));
}

namespace {

[[noreturn]] void no_property(const Oop_object* o, const char* name) {
  Rpt_error_text(err::UNKNOWN_MEMBER, std::string("no property ") + name + " in class " + o->cls->name->text);
}

}  // namespace

const Oop_name* Oop_name_to_set(Oop_object* o, uint8_t kind, int len, const char* text) {
  if (const Oop_name* id = Oop_name_to_read(kind, len, text)) return id;
  if (!(o->cls->flags2 & CF2_RT_ANY)) no_property(o, std::string(text, size_t(len)).c_str());
  return OopDefName(kind, len, text);
}

void OopSetProperty(Oop_object* o, const Oop_name* id, uint8_t kind) {
  if (kind == 2 && ws.Str_len >= 0 && multi_name(id)) {
    multi_set(o, id);
    return;
  }
  if (set_system(o, id)) return;
  Oop_object* x = o;
  Prop_inst* pi = nullptr;
  for (int hops = 0; x && hops <= int(oop.objs.size()); hops++) {
    if ((pi = Oop_inst(x, id, true))) break;
    int32_t d = x->delegate;
    x = (d > 0 && d < int32_t(oop.objs.size())) ? oop.objs[size_t(d)] : nullptr;
  }
  if (!pi) {
    if (!(o->cls->flags2 & CF2_RT_ANY)) no_property(o, id->text);
    x = o;
    pi = Oop_add_inst(o, id, nullptr);
    pi->dynamic = true;
  }
  Oop_prop* e = pi->entry;
  if (e && (e->flags & (PF_LOCAL | PF_READ_ONLY))) Rpt_error(err::UNKNOWN_MEMBER);
  if (!e && !pi->dynamic) Rpt_error(err::UNKNOWN_MEMBER);
  if (e && e->set.present) {
    Arg_rec* args = nullptr;
    Arg_rec** tail = &args;
    if (ws.Str_len >= 0) Arg_string(tail, ws.Str_ptr, size_t(ws.Str_len));
    else Arg_number(tail, ws.Num_acc);
    OopDoFunction(x, e->owner, e->set, args, false, false, id);
    return;
  }
  store_value(pi->var);
}

// ---- methods ----

void Oop_arg_masks(Arg_rec* args, uint32_t* mask, uint32_t* obj_mask) {
  uint32_t m = args ? 1 : 0, om = 0;  // in locals: the stores below cannot alias the list
  int n = 0;
  for (Arg_rec* a = args; a; a = a->next) {
    if (++n > 30) Rpt_error(err::BAD_ARGUMENT);
    uint8_t k = a->kind;
    bool numeric = k == ARG_NUM_REF || k == ARG_NUM_VAL || (k == ARG_ARRAY && a->var && a->var->type == code::NUM_VAR);
    m = (m << 1) | (numeric ? 1u : 0u);
    om = (om << 1) | (k == ARG_ARRAY ? 1u : 0u);
  }
  *mask = m;
  *obj_mask = om;
}

namespace {

// ---- method call-site caches ----
//
// A method call of a compiled reference remembers, by the address of its
// method-name item, the class it last called into, the argument masks the
// overload was chosen for, and the method chosen.  A hit needs the same
// address, item bytes and variable table (as for properties), the same
// class of the object, the same masks and an unchanged oop.class_epoch (no
// class defined, changed or freed since, so overloads newest first and a
// child's method hiding its parent's are chosen as the search would).
// Calls with a class qualifier, calls answered by a delegate and LOCAL
// methods are not cached.
struct Method_site {
  const uint8_t* at = nullptr;
  uint32_t names_id = 0;
  uint32_t epoch = 0;
  uint32_t key = 0;  // the item's three bytes and the "(" after them
  Oop_class* cls = nullptr;
  uint32_t mask = 0, obj_mask = 0;
  const Oop_name* id = nullptr;
  Oop_method* m = nullptr;
};
constexpr size_t METHOD_SITES = 256;
Method_site method_sites[METHOD_SITES];
// Whether a site of either table was filled since they were last cleared:
// a run that calls no method and reads no property leaves their pages
// untouched, at exit too.
bool sites_filled = false;

inline Method_site& msite_of(const uint8_t* p) { return method_sites[(uintptr_t(p) >> 2) & (METHOD_SITES - 1)]; }

inline uint32_t msite_key(const uint8_t* p) {
  uint32_t k;
  std::memcpy(&k, p, 4);
  return k;
}

inline Method_site* msite_hit(const uint8_t* p, Oop_class* c) {
  Method_site& s = msite_of(p);
  if (s.at == p && s.cls == c && s.epoch == oop.class_epoch && s.names_id == ws.Names_id && s.key == msite_key(p))
    return &s;
  return nullptr;
}

}  // namespace

void OopDoMethod(Oop_object* o, const Oop_name* id, uint8_t kind, Oop_class* start, Arg_rec* args,
                 const uint8_t* at) {
  (void)kind;
  uint32_t mask, obj_mask;
  try {
    Oop_arg_masks(args, &mask, &obj_mask);
  } catch (...) {
    FreeArgList(args);
    throw;
  }
  if (at && !(at[1] & 0x80)) at = nullptr;  // only indexed items are cached
  if (at && !start) {
    if (Method_site* s = msite_hit(at, o->cls); s && s->mask == mask && s->obj_mask == obj_mask) {
      Oop_method* m = s->m;
      if (m->is_expr) OopDoExpression(o, m->owner, m->expr, args, s->id, &m->fast);
      else OopDoFunction(o, m->owner, m->ref, args, (m->modifiers & MM_PERFORM) != 0, false, s->id);
      return;
    }
    // The arguments' code may have freed what the name stood on: again.
    id = Oop_name_of_item(at, nullptr);
  }
  bool by_name = false;
  Oop_object* x = o;
  Oop_method* m = nullptr;
  Oop_class* c = start ? start : o->cls;
  for (int hops = 0; x && hops <= int(oop.objs.size()); hops++) {
    if ((m = OopFindFunction(c, id, mask, obj_mask, &by_name))) break;
    int32_t d = x->delegate;
    x = (d > 0 && d < int32_t(oop.objs.size())) ? oop.objs[size_t(d)] : nullptr;
    if (x) c = x->cls;
  }
  if (!m) {
    FreeArgList(args);
    if (by_name) Rpt_error_text(err::BAD_ARGUMENT, std::string("no form of method ") + id->text + " takes these arguments");
    Rpt_error_text(err::UNKNOWN_MEMBER, std::string("no method ") + id->text + " in class " + o->cls->name->text);
  }
  if ((m->modifiers & MM_LOCAL) && !is_running(x)) {
    FreeArgList(args);
    Rpt_error(err::UNKNOWN_MEMBER);
  }
  if (at && !start && x == o && !(m->modifiers & MM_LOCAL) && ws.Names_id != 0) {
    Method_site& s = msite_of(at);
    sites_filled = true;
    s.at = at;
    s.names_id = ws.Names_id;
    s.epoch = oop.class_epoch;
    s.key = msite_key(at);
    s.cls = o->cls;
    s.mask = mask;
    s.obj_mask = obj_mask;
    s.id = id;
    s.m = m;
  }
  if (m->is_expr) {
    OopDoExpression(x, m->owner, m->expr, args, id, &m->fast);
    return;
  }
  OopDoFunction(x, m->owner, m->ref, args, (m->modifiers & MM_PERFORM) != 0, false, id);
}

void Method_depth_guard::too_deep(Arg_rec* args) {
  FreeArgList(args);
  Rpt_error_text(err::NESTING_TOO_DEEP, "methods nested more than " + std::to_string(METHOD_DEPTH_MAX) + " deep");
}

void OopDoExpression(Oop_object* o, Oop_class* c, const std::vector<uint8_t>& expr, Arg_rec* args,
                     const Oop_name* method_name, Oop_fast_expr** fast) {
  Method_depth_guard depth_guard(args);
  if (fast && Oop_fast_expression(o, c, expr, args, method_name, fast)) return;
  Oop_expr_context context(args);
  Oop_run_guard guard(o->slot, method_name, Call_depth(), true);
  Oop_set_precision_for(o, c);
  uint8_t* p = const_cast<uint8_t*>(expr.data());
  if (*p == code::LPAREN) {
    p++;
    Arg_rec* a = args;
    if (*p == code::OP_MUL) p++;  // (*): any arguments, none bound
    while (*p != code::RPAREN) {
      uint8_t t = *p;
      if (t != code::NUM_VAR && t != code::STR_VAR) Rpt_error(err::BAD_CLASS);
      if (!a) Rpt_error(err::BAD_ARGUMENT);
      Var_node* v = Var_node_new(t, p + 2, p[1]);
      tree_insert(t == code::STR_VAR ? &ws.Loc_str_tree : &ws.Loc_num_tree, v);
      p += 2 + p[1];
      if (*p == code::WHOLE_ARRAY) p++;
      bool numeric_arg = a->kind == ARG_NUM_REF || a->kind == ARG_NUM_VAL;
      if (t == code::NUM_VAR) {
        if (numeric_arg) v->num = a->num;
        else Rpt_error(err::TYPE_MISMATCH);
      } else if (a->kind == ARG_STR_REF && a->var && a->var->str) {
        v->str = Get_str(a->var->str->len);
        std::memcpy(v->str->bytes(), a->var->str->bytes(), a->var->str->len);
        v->str->len = a->var->str->len;
      } else if (a->str) {
        v->str = Get_str(a->str->len);
        std::memcpy(v->str->bytes(), a->str->bytes(), a->str->len);
        v->str->len = a->str->len;
      } else if (numeric_arg) {
        Rpt_error(err::TYPE_MISMATCH);
      }
      a = a->next;
      if (*p == code::COMMA) p++;
    }
    p++;
    if (*p != code::OP_EQ) Rpt_error(err::BAD_CLASS);
    p++;
  }
  ws.Exec_ptr = p;
  Eval_formula();
  Oop_keep_expr_string();
}

void Oop_keep_expr_string() {
  // The value may live in the trees or nodes that are about to go.
  if (ws.Str_len > 0) {
    uint8_t* keep = ws.Str_len <= 4096 ? Work_take(size_t(ws.Str_len)) : static_cast<uint8_t*>(Get_temp(size_t(ws.Str_len)));
    std::memcpy(keep, ws.Str_ptr, size_t(ws.Str_len));
    ws.Str_ptr = keep;
  }
}

void Oop_set_precision_for(Oop_object* o, Oop_class* c) {
  // The class's PRECISION, else the object's own, else the default: never
  // the caller's.
  int prc = prmblk.PD;
  if (c && (c->flags & CF_PRECISION)) prc = c->precision;
  else if (o->state & OS_OWN_PREC) prc = o->precision;
  if (prc == -1) {
    ws.Num_flags |= NF_FLOATING;
    ws.Precision = 18;
  } else {
    ws.Num_flags &= ~uint32_t(NF_FLOATING);
    ws.Precision = prc;
  }
}

namespace {

// OopDoFunction's work, in line in it and in the plain call a filled call
// site makes (no PERFORM, not a default handler: those tests fold away).
[[gnu::always_inline]] inline bool do_function(Oop_object* o, Oop_class* c, const Prog_ref& r, Arg_rec* args,
                                               bool perform, bool is_default, const Oop_name* method_name) {
  if (is_default && c->program.empty() && c->program_file.empty()) {
    // A class of a program that was never saved has no program to run
    // its default handler from: there is none.
    FreeArgList(args);
    return false;
  }
  Method_depth_guard depth_guard(args);
  const std::string* progp;
  try {
    progp = &Oop_class_program(c, r);
  } catch (...) {
    FreeArgList(args);
    throw;
  }
  const std::string& prog = *progp;
  if (!c->prog_rec && r.program.empty()) Oop_hold_program(c, prog);
  Oop_result result;
  Oop_result* outer = oop_ret;
  oop_ret = &result;
  struct Busy {
    Oop_object* o;
    Oop_result* outer;
    Method_frame* frame;
    Var_bind_note* note;
    ~Busy() {
      o->lock--;
      oop_ret = outer;
      Method_frame::current = frame;
      Var_bind_noting = note;
    }
  };
  int rc;
  bool started = false;
  {
    int depth = Call_depth() + 1;
    Oop_run_guard guard(o->slot, method_name, depth, false);
    Method_frame frame;  // its note is filled only when the loader notes
    frame.obj = o;
    frame.cls = c;
    frame.ref = &r;
    frame.name = &prog;
    frame.form = perform ? FORM_PERFORM : FORM_CALL;
    frame.depth = depth;
    frame.outer = Method_frame::current;
    o->lock++;
    Busy busy{o, outer, Method_frame::current, Var_bind_noting};
    Method_frame::current = &frame;
    rc = Oop_frame_run(frame, args, &started);  // (its nested run puts the cursor back)
  }
  if (!started) {
    if (rc == 55 && is_default) return false;
    Rpt_error(rc);
  }
  if (rc > 0) Rpt_error(rc);  // an EXIT with an error number
  // The result, kept across the free that may follow.
  if (o->refs == 0 && o->lock == 0 && !(o->state & OS_FREEING)) OopFreeObject(o->slot);
  if (result.set) {
    if (result.is_str) set_string(result.str);
    else {
      ws.Num_acc = result.num;
      ws.Str_len = -1;
    }
  } else if (method_name && method_name->kind == 2) {
    set_string(std::string());
  } else {
    set_number(0);
  }
  return true;
}

// A call site's plain call of a program method.
[[gnu::noinline]] void call_plain(Oop_object* o, Oop_class* c, const Prog_ref& r, Arg_rec* args,
                                  const Oop_name* method_name) {
  do_function(o, c, r, args, false, false, method_name);
}

}  // namespace

bool OopDoFunction(Oop_object* o, Oop_class* c, const Prog_ref& r, Arg_rec* args, bool perform, bool is_default,
                   const Oop_name* method_name) {
  return do_function(o, c, r, args, perform, is_default, method_name);
}

// RETURN in a method's own frame with no GOSUB open: the method's value
// and its end.
bool Oop_method_return() {
  if (!oop_ret || !oop.cur_obj || oop.in_expr) return false;
  // The depth: the method frame's own when its pushed frame is the newest
  // (the usual case), else counted down the chain.
  const Method_frame* m = Method_frame::current;
  if ((m && m->link && m->link == ws.Call_link ? m->depth : Call_depth()) != oop.cur_depth) return false;
  for (Ctl_frame* f = ws.Ctl_stack; f; f = f->link)
    if (f->tag != TAG_SWITCH) return false;
  if (!stmt_end(*ws.Exec_ptr)) {
    // A numeric value of one or two plain operands on the evaluator's fast
    // path (the same value and flags), anything else the general way.
    Num_val v;
    if (const uint8_t* q = Eval_simple_at(ws.Exec_ptr, v)) {
      ws.Exec_ptr = const_cast<uint8_t*>(q);
      ws.Num_acc = v;
      ws.Str_len = -1;
    } else {
      Eval_formula();
    }
    oop_ret->set = true;
    oop_ret->is_str = ws.Str_len >= 0;
    if (oop_ret->is_str) oop_ret->str.assign(reinterpret_cast<const char*>(ws.Str_ptr), size_t(ws.Str_len));
    else oop_ret->num = ws.Num_acc;
  }
  // On a line of the method (not typed at the console) EXIT's work is the
  // pop alone.
  if (ws.Cur_stno != 0) Exec_pop();
  else Exec_exit(false, 0);
  return true;
}

// ---- create and delete handlers ----

// The parents' handlers first (each marked as an ancestor's: it runs only
// when its class declared it DERIVED), then the class's own.
void Oop_run_create(Oop_object* o, Oop_class* c, uint8_t* args_at, bool ancestor) {
  for (Oop_class* p : c->parents) Oop_run_create(o, p, args_at, true);
  ws.Exec_ptr = args_at;
  if (ancestor && !(c->flags & CF_CREATE_DERIVED)) return;
  Arg_rec* args = nullptr;
  if (*ws.Exec_ptr == code::COMMA) {
    ws.Exec_ptr++;
    args = Do_Args(false);
  }
  uint8_t* after = ws.Exec_ptr;
  if (c->flags & CF_NO_CREATE) {
    FreeArgList(args);
    return;
  }
  Prog_ref r = c->create;
  bool dflt = !r.present;
  if (dflt) {
    r.present = true;
    r.label = "ON_CREATE";
  }
  if (!OopDoFunction(o, c, r, args, false, dflt, nullptr)) c->flags |= CF_NO_CREATE;
  ws.Exec_ptr = after;
}

// The class's own handler first, then its parents' (an ancestor's only
// when its class declared it DERIVED).
void Oop_run_delete(Oop_object* o, Oop_class* c, bool ancestor) {
  if (!(c->flags & CF_NO_DELETE) && (!ancestor || (c->flags & CF_DELETE_DERIVED))) {
    Prog_ref r = c->del;
    bool dflt = !r.present;
    if (dflt) {
      r.present = true;
      r.label = "ON_DELETE";
    }
    uint8_t* exec = ws.Exec_ptr;
    Saved_value keep;
    if (!OopDoFunction(o, c, r, nullptr, false, dflt, nullptr)) c->flags |= CF_NO_DELETE;
    keep.restore();
    ws.Exec_ptr = exec;
  }
  for (Oop_class* p : c->parents) Oop_run_delete(o, p, true);
}


// ---- the core's hooks: references in expressions and statements ----

namespace {

// The value just read is the handle of the next object of a chain (H'A'B).
Oop_object* chained_object() {
  int64_t h;
  if (ws.Str_len >= 0) {
    std::string t(reinterpret_cast<const char*>(ws.Str_ptr), size_t(ws.Str_len));
    char* end = nullptr;
    long long v = std::strtoll(t.c_str(), &end, 10);
    if (t.empty() || !end || *end) Rpt_error_text(err::TYPE_MISMATCH, "a property in a chain does not hold an object handle");
    h = v;
  } else {
    h = integer_of(ws.Num_acc);
  }
  if (h != 0 && h >= -32000 && h <= 32767) h = control_object(h);
  if (h == 0) Rpt_error_text(err::NO_CONTROL, "a property in a chain holds no object");
  return Oop_object_of_handle(h);
}

bool arg_end(uint8_t c) {
  return c == code::COMMA || stmt_end(c) || c == code::IOPT_FIRST + 4 || c == code::RPAREN;
}

// A call whose site was filled for an expression method (the cursor on its
// "("): numeric arguments are read straight into numbers, as Do_Args reads
// them (the same order, checks and errors), and the method's fast form
// runs with them.  At the first argument of another form (a string, an
// array, "*") the numbers read so far become list entries, Do_Args reads
// the rest, and the call goes the general way, as it does when the site no
// longer holds after the arguments (their code may change what it stands
// on).  False, with nothing read, for a call with a class qualifier.
[[gnu::always_inline]] inline bool direct_expr_call(Oop_object* o, const uint8_t* at, const Oop_name* id, int kind,
                                                    Method_site* site) {
  uint8_t* open = ws.Exec_ptr;
  if (open[1] == code::PREFIX2 && open[2] == 57) return false;
  ws.Exec_ptr = open + 1;
  constexpr size_t MAX = 8;  // more arguments go the general way
  union Num_slot {
    Num_val v;  // written before it is read
    Num_slot() {}
  } num_slots[MAX];
  Num_val* nums = &num_slots[0].v;
  static_assert(sizeof(Num_slot) == sizeof(Num_val), "the slots are an array of numbers");
  Var_node* refs[MAX];
  size_t n = 0;
  bool general = false, string = false;
  bool ran_code = false;  // an argument's code ran: the site must be checked again
  for (;;) {
    uint8_t c = *ws.Exec_ptr;
    if (c == code::COMMA) {
      ws.Exec_ptr++;
      continue;
    }
    // The usual arguments first: a variable already in the table alone,
    // or a value of one or two plain operands.  Neither can run code.
    bool alone = c == code::NUM_VAR && (ws.Exec_ptr[1] & 0x80) && arg_end(ws.Exec_ptr[3]);
    if (n < MAX) {
      if (alone) {
        if (Var_node* v = eval_fast::indexed_num(ws.Exec_ptr)) {
          if ((v->flags & VF_READ_ONLY) || (v->write_mask & ~ws.Var_mask)) Rpt_error(err::NOT_ACCESSIBLE);
          ws.Exec_ptr += 3;
          refs[n] = v;
          nums[n++] = v->num;
          continue;
        }
      } else if (c == code::SMALL_INT && arg_end(ws.Exec_ptr[3])) {
        // A small integer alone: the value the evaluator's fast path reads.
        ws.Math_flags = 0;
        ws.Exec_ptr += 3;
        refs[n] = nullptr;
        nums[n] = Num_val{};
        nums[n++].mant = get_u16be(ws.Exec_ptr - 2);
        continue;
      } else {
        Num_val v;
        ws.Math_flags = 0;
        if (const uint8_t* q = Eval_simple_at(ws.Exec_ptr, v); q && arg_end(*q)) {
          ws.Exec_ptr = const_cast<uint8_t*>(q);
          refs[n] = nullptr;
          nums[n++] = v;
          continue;
        }
      }
    }
    if (stmt_end(c) || c == code::IOPT_FIRST + 4 || c == code::RPAREN || c == code::D_FOR) break;
    if (n == MAX || c == code::STR_VAR || c == code::OP_MUL) {
      general = true;
      break;
    }
    ran_code = true;
    if (c == code::NUM_VAR) {
      uint8_t* save = ws.Exec_ptr;
      Var_node* v = Find_var();
      uint8_t next = *ws.Exec_ptr;
      if (next == code::WHOLE_ARRAY) {
        ws.Exec_ptr = save;
        general = true;
        break;
      }
      if (arg_end(next)) {  // a variable by reference: it must be writable
        if ((v->flags & VF_READ_ONLY) || (v->write_mask & ~ws.Var_mask)) Rpt_error(err::NOT_ACCESSIBLE);
        refs[n] = v;
        nums[n++] = v->num;
        continue;
      }
      ws.Exec_ptr = save;  // an expression that begins with a variable
    }
    ws.Math_flags = 0;
    Eval_formula();
    if (ws.Str_len >= 0) {
      general = string = true;
      break;
    }
    refs[n] = nullptr;
    nums[n++] = ws.Num_acc;
  }
  if (!general && *ws.Exec_ptr == code::RPAREN) {
    ws.Exec_ptr++;
    uint32_t mask = n ? 1u : 0u;
    for (size_t i = 0; i < n; i++) mask = (mask << 1) | 1u;
    if (ran_code) site = msite_hit(at, o->cls);
    if (Method_site* s = site; s && s->mask == mask && s->obj_mask == 0 && s->m->is_expr) {
      Oop_method* m = s->m;
      Method_depth_guard depth_guard(nullptr);
      if (Oop_fast_expression_nums(o, m->owner, m->expr, nums, n, s->id, &m->fast)) return true;
    }
    ws.Exec_ptr--;  // on ")" again for the list's end below
  }
  // The general list: the numbers read so far, then the rest.
  Arg_rec* args = nullptr;
  try {
    Arg_rec** tail = &args;
    for (size_t i = 0; i < n; i++) {
      Arg_rec* a = Arg_number(tail, nums[i]);
      if (refs[i]) {
        a->kind = ARG_NUM_REF;
        a->var = refs[i];
      }
      tail = &a->next;
    }
    if (string) tail = &Arg_string(tail, ws.Str_ptr, size_t(ws.Str_len))->next;
    if (general) *tail = Do_Args(false);
  } catch (...) {
    FreeArgList(args);
    throw;
  }
  uint32_t err_line = 0;
  close_call(args, &err_line);
  uint8_t* after = ws.Exec_ptr;
  const Call_err call_err(err_line);
  OopDoMethod(o, id, uint8_t(kind), nullptr, args, at);
  call_err.done();
  ws.Exec_ptr = after;
  return true;
}

// A call whose site was filled for a program method (the cursor on its
// "("), when every argument is plain: a scalar variable already in the
// table alone (by reference, as Do_Args takes it: accessible, not a record,
// a string not passed twice) or a number of one or two plain operands.
// Neither can run code, so the site still holds after them.  The argument
// records are the call's own, on this stack (in_frame: never pooled or
// freed), and the masks are made as they are read.  False, with nothing
// read, for any other call: the general way builds the list.
[[gnu::always_inline]] inline bool direct_prog_call(Oop_object* o, Method_site* s) {
  Oop_method* m = s->m;
  if (m->is_expr || (m->modifiers & MM_PERFORM) || s->obj_mask) return false;
  const uint8_t* p = ws.Exec_ptr;
  if (p[1] == code::PREFIX2 && p[2] == 57) return false;  // a class qualifier
  p++;
  constexpr uint32_t MAX = 8;
  union Rec_slot {
    Arg_rec a;
    Rec_slot() {}
  } slots[MAX];
  uint32_t n = 0, mask = 0;
  const uint32_t vmask = ws.Var_mask;
  // A value's operators set the math flags: they come back when the call
  // goes the general way after all.
  struct Math_keep {
    uint32_t flags = ws.Math_flags;
    bool done = false;
    ~Math_keep() {
      if (!done) ws.Math_flags = flags;
    }
  } math;
  if (*p != code::RPAREN) {
    mask = 1;
    for (;;) {
      if (n == MAX) return false;
      uint8_t c = p[0];
      Arg_rec* a = new (&slots[n].a) Arg_rec;  // (its members' own initial values: no zeroing first)
      a->in_frame = true;
      if ((c == code::NUM_VAR || c == code::STR_VAR) && (p[1] & 0x80) &&
          (p[3] == code::COMMA || p[3] == code::RPAREN)) {
        uint32_t idx = (uint32_t(p[1] & 0x7F) << 8) | p[2];
        Var_node* v = idx < ws.Var_index_cnt ? ws.Var_index[idx] : nullptr;
        if (!v || v->type != c || ((v->read_mask | v->write_mask) & ~vmask) || (v->flags & (VF_READ_ONLY | VF_RECORD)))
          return false;
        if (c == code::NUM_VAR) {
          a->kind = ARG_NUM_REF;
          a->num = v->num;
        } else {
          for (uint32_t j = 0; j < n; j++)
            if (slots[j].a.var == v) return false;  // passed twice: the second goes by value
          a->kind = ARG_STR_REF;
        }
        a->var = v;
        mask = (mask << 1) | (c == code::NUM_VAR ? 1u : 0u);
        p += 3;
      } else if (c == code::SMALL_INT && (p[3] == code::COMMA || p[3] == code::RPAREN)) {
        // A small integer alone: the value the evaluator's fast path reads.
        ws.Math_flags = 0;
        a->kind = ARG_NUM_VAL;
        a->num.mant = get_u16be(p + 1);
        mask = (mask << 1) | 1u;
        p += 3;
      } else {
        Num_val v;
        ws.Math_flags = 0;
        const uint8_t* q = Eval_simple_at(p, v);
        if (!q || (*q != code::COMMA && *q != code::RPAREN)) return false;
        a->kind = ARG_NUM_VAL;
        a->num = v;
        mask = (mask << 1) | 1u;
        p = q;
      }
      if (n) slots[n - 1].a.next = a;
      n++;
      if (*p == code::RPAREN) break;
      p++;
    }
  }
  if (mask != s->mask) return false;
  math.done = true;
  ws.Exec_ptr = const_cast<uint8_t*>(p) + 1;
  uint8_t* after = ws.Exec_ptr;
  if (Oop_frame_has_chain(m->ref) && Oop_frame_inline(o, m->owner, m->ref, n ? &slots[0].a : nullptr, n)) return true;
  call_plain(o, m->owner, m->ref, n ? &slots[0].a : nullptr, s->id);
  ws.Exec_ptr = after;
  return true;
}

// One segment of a reference at the cursor: a property read or a method
// called.  Returns the name's kind (1 numeric, 2 string).
int read_segment(Oop_object* o, const Oop_name** id_out, bool target) {
  const uint8_t* at = ws.Exec_ptr;
  int kind = at[0] == code::STR_VAR ? 2 : 1;
  size_t size = Item_name_size(at);
  if (at[size] == code::LPAREN) {
    // A call: a cached site spares the name's lookup.
    const Oop_name* id;
    Method_site* s = (at[1] & 0x80) ? msite_hit(at, o->cls) : nullptr;
    bool direct = false;
    if (s) {
      id = s->id;
      direct = s->m->is_expr && Oop_fast_expr_ready(s->m->fast);
    } else {
      id = Oop_name_of_item(at, &kind);
    }
    *id_out = id;
    ws.Exec_ptr += size;
    if (direct && direct_expr_call(o, at, id, kind, s)) return -kind;
    if (s && !direct && direct_prog_call(o, s)) return -kind;
    Oop_class* start;
    uint32_t err_line = 0;
    Arg_rec* args = read_call(o, &start, &err_line);
    uint8_t* after = ws.Exec_ptr;
    const Call_err call_err(err_line);
    OopDoMethod(o, id, uint8_t(kind), start, args, at);
    call_err.done();
    ws.Exec_ptr = after;
    return -kind;  // a call
  }
  const Oop_name* id = Oop_name_of_item(at, &kind);
  ws.Exec_ptr += size;
  *id_out = id;
  if (*ws.Exec_ptr == code::LPAREN) {
    Oop_class* start;
    uint32_t err_line = 0;
    Arg_rec* args = read_call(o, &start, &err_line);
    uint8_t* after = ws.Exec_ptr;
    const Call_err call_err(err_line);
    OopDoMethod(o, id, uint8_t(kind), start, args);
    call_err.done();
    ws.Exec_ptr = after;
    return -kind;  // a call
  }
  // As a target the last property followed by "=" is assigned, not read.
  if (!target || *ws.Exec_ptr != code::OP_EQ) OopGetProperty(o, id, uint8_t(kind));
  return kind;
}

// The rest of a reference to a client-side control or object: its path
// ("A'B$'M(1,\"x\")"), then a read (the value is the reply, numbers
// converted) or, as a target followed by "=", a write.
int remote_ref(int64_t id, bool target) {
  std::string path;
  int kind = 2;
  uint32_t err_line = 0;
  Remote_arrays_freed arrays;
  for (;;) {
    uint8_t c = *ws.Exec_ptr;
    if (c == code::OP_MUL) {
      ws.Exec_ptr++;
      path += '*';
      kind = 2;
    } else if (c == code::NUM_VAR || c == code::STR_VAR) {
      const Oop_name* n = Oop_name_of_item(ws.Exec_ptr, &kind);
      ws.Exec_ptr += (ws.Exec_ptr[1] & 0x80) ? 3 : 2 + ws.Exec_ptr[1];
      path.append(n->text, n->len);
    } else {
      Rpt_error(err::INTERNAL_CODE);
    }
    if (*ws.Exec_ptr == code::LPAREN) {
      ws.Exec_ptr++;
      path += '(';
      bool first = true;
      while (*ws.Exec_ptr != code::RPAREN) {
        if (ws.Exec_ptr[0] == code::COMMA && ws.Exec_ptr[1] == code::IOPT_FIRST + 4) {
          ws.Exec_ptr += 2;  // the call's ERR=: the request's errors go there
          err_line = Get_line();
          continue;
        }
        if (!first) {
          if (*ws.Exec_ptr != code::COMMA) Rpt_error(err::SYNTAX);
          ws.Exec_ptr++;
          path += ',';
        }
        first = false;
        if (*ws.Exec_ptr == code::OP_DIV) {
          ws.Exec_ptr++;
          path += '*';
          continue;
        }
        if (Remote_array_arg(path, arrays.sent)) continue;
        Eval_formula();
        Remote_arg_text(path);
      }
      ws.Exec_ptr++;
      path += ')';
    }
    if (*ws.Exec_ptr != code::OBJ_CHAIN) break;
    ws.Exec_ptr++;
    path += '\'';
  }
  bool string = kind == 2;
  if (target && *ws.Exec_ptr == code::OP_EQ) {
    ws.Exec_ptr++;
    ws.Math_flags = 0;
    if (string) Eval_str();
    else Eval_val();
    std::string value;
    if (string) value.assign(reinterpret_cast<const char*>(ws.Str_ptr), size_t(ws.Str_len));
    else {
      char t[CONV_NORMAL_MAX];
      value.assign(t, size_t(Conv_normal(ws.Num_acc, t)));
    }
    const Call_err call_err(err_line);
    if (string && ws.Tc_link == 1 && Remote_multi_path(path)) KestWexaMultiSet(int32_t(id), path, value);
    else Gui_prop_write(int32_t(id), path, string, value);
    call_err.done();
    return 0;
  }
  const Call_err call_err(err_line);
  std::string back = string && ws.Tc_link == 1 && Remote_multi_path(path) ? KestWexaMultiGet(int32_t(id), path)
                                                                           : Gui_prop_read(int32_t(id), path, string);
  call_err.done();
  if (string) {
    set_string(back);
  } else {
    Num_val v;
    if (back.empty()) v = Num_val{};
    else if (Conv_str_chk(reinterpret_cast<const uint8_t*>(back.data()), back.size(), v) != 0)
      Rpt_error_text(err::TYPE_MISMATCH, "the client's value of " + path + " is not a number");
    ws.Num_acc = v;
    ws.Str_len = -1;
  }
  return ws.Str_len;
}

// ---- property call-site caches ----
//
// A property read or assignment of a compiled reference remembers, by the
// address of its property-name item, the object it last reached, that
// object's serial and its variable for the name.  A hit needs the same
// address, the same item bytes and code after them (an edited line may put
// other code there), the same variable table (ws.Names_id: an index means
// one name within it), the same object under the same serial (no instance
// of it freed, not an object made since at the same address) and an
// unchanged oop.class_epoch (no class or delegate changed since).  Freeing
// other objects leaves a site alone.  Only plain properties are cached: no
// GET/SET handler, not local, not read-only for an assignment, not reached
// through a delegate, no system property.
//
// A site also keeps the object's class and the declaring entry: an object
// of the same class under the same class epoch (a new one at the same
// site, as a loop of NEWs gives) finds or binds its instance of that entry
// without the search by name.
struct Prop_site {
  const uint8_t* at = nullptr;
  uint32_t key = 0;  // the item's three bytes and the code after it
  uint32_t names_id = 0;
  uint32_t epoch = 0;  // oop.class_epoch
  uint8_t mode = 0;    // 1 read, 2 assignment
  uint64_t serial = 0;
  Oop_object* obj = nullptr;
  Var_node* var = nullptr;
  const Oop_name* id = nullptr;  // the name's registry entry (valid while the item and table are)
  Oop_class* cls = nullptr;      // obj's class
  Oop_prop* entry = nullptr;     // the declaring entry (null: a run-time property)
};
constexpr size_t PROP_SITES = 256;
Prop_site prop_sites[PROP_SITES];

inline Prop_site& site_of(const uint8_t* p) { return prop_sites[(uintptr_t(p) >> 2) & (PROP_SITES - 1)]; }

inline uint32_t site_key(const uint8_t* p) {
  uint32_t k;
  std::memcpy(&k, p, 4);
  return k;
}

// The site of the item at p as filled, whatever object it names now.
inline bool site_same_code(const Prop_site& s, const uint8_t* p, uint8_t mode) {
  return s.at == p && s.key == site_key(p) && s.mode == mode && s.names_id == ws.Names_id;
}

[[gnu::always_inline]] inline Var_node* site_hit(const uint8_t* p, const Oop_object* o, uint8_t mode) {
  const Prop_site& s = site_of(p);
  if (s.obj == o && s.serial == o->serial && s.epoch == oop.class_epoch && site_same_code(s, p, mode)) return s.var;
  return nullptr;
}

// After a lookup by name: remembers it when the item is indexed, the
// instance is the object's own and the property is plain.
void site_fill(const uint8_t* p, Oop_object* o, const Oop_name* id, uint8_t mode) {
  if (!(p[1] & 0x80) || ws.Names_id == 0 || id->sys != SYS_NONE) return;
  Prop_inst* pi = nullptr;
  for (Prop_inst* x = o->props; x; x = x->next)
    if (x->name == id) {
      pi = x;
      break;
    }
  if (!pi) return;
  if (const Oop_prop* e = pi->entry) {
    uint16_t bad = PF_LOCAL | PF_NO_GET | PF_GET_EXPR | (mode == 2 ? PF_READ_ONLY : 0);
    if ((e->flags & bad) || e->get.present || e->set.present) return;
  } else if (!pi->dynamic) {
    return;
  }
  if ((pi->var->type == code::STR_VAR) != (p[0] == code::STR_VAR)) return;
  Prop_site& s = site_of(p);
  sites_filled = true;
  s.at = p;
  s.key = site_key(p);
  s.names_id = ws.Names_id;
  s.epoch = oop.class_epoch;
  s.mode = mode;
  s.serial = o->serial;
  s.obj = o;
  s.var = pi->var;
  s.id = id;
  s.cls = o->cls;
  s.entry = pi->entry;
}

// The name of the item at p: a filled site knows it whatever has changed
// since, as long as the item and the variable table are the same (the
// registry itself going clears every site).
[[gnu::noinline]] const Oop_name* site_name(const uint8_t* p, int* kind, uint8_t mode) {
  const Prop_site& s = site_of(p);
  if (site_same_code(s, p, mode)) {
    *kind = p[0] == code::STR_VAR ? 2 : 1;
    return s.id;
  }
  return Oop_name_of_item(p, kind);
}

// An assignment's site filled for another object of the same class (class
// epoch unchanged): that object's instance of the declared entry, bound
// now when it has none yet, as OopSetProperty would find or bind it; the
// site then names this object.  Null when the site does not fit.
Var_node* site_same_class(const uint8_t* p, Oop_object* o) {
  Prop_site& s = site_of(p);
  if (s.cls != o->cls || !s.entry || s.epoch != oop.class_epoch || !site_same_code(s, p, 2)) return nullptr;
  Var_node* v = nullptr;
  for (Prop_inst* x = o->props; x; x = x->next)
    if (x->name == s.id) {
      if (x->entry != s.entry) return nullptr;
      v = x->var;
      break;
    }
  if (!v) {
    if (o->flags & OF_RT_PROPS) return nullptr;  // run-time instances: the general way
    v = Oop_add_inst(o, s.id, s.entry)->var;
  }
  s.obj = o;
  s.serial = o->serial;
  s.var = v;
  return v;
}

// The property-name item at p is a whole reference's last segment.
inline bool last_plain_segment(const uint8_t* p) {
  if ((p[0] != code::NUM_VAR && p[0] != code::STR_VAR) || !(p[1] & 0x80)) return false;
  return p[3] != code::LPAREN && p[3] != code::OBJ_CHAIN;
}

// The object a reference at p (on code 250) names when its handle variable
// is indexed, already in the table and holds a live object's positive
// handle; null for anything else, with nothing done.
[[gnu::always_inline]] inline Oop_object* quick_object(const uint8_t* p) {
  if (!(p[1] & 0x80)) return nullptr;
  uint32_t idx = (uint32_t(p[1] & 0x7F) << 8) | p[2];
  if (idx >= ws.Var_index_cnt) return nullptr;
  const Var_node* hv = ws.Var_index[idx];
  if (!hv || hv->type != code::NUM_VAR || hv->num.scale != 0) return nullptr;
  uint64_t slot = uint64_t(hv->num.mant - OOP_HANDLE_BASE);
  if (slot - 1 >= uint64_t(oop.objs.size()) - 1) return nullptr;
  Oop_object* o = oop.objs[slot];
  if (!o || (o->state & OS_FREEING)) return nullptr;
  return o;
}

// A numeric property read "h'NAME" at p (on code 250) through a filled
// site: its value to v and the code after it; null, with nothing done,
// for anything else.
[[gnu::always_inline]] inline const uint8_t* quick_num_read(const uint8_t* p, Num_val& v) {
  Oop_object* o = quick_object(p);
  if (!o) return nullptr;
  p += 3;
  if (p[0] != code::NUM_VAR || !last_plain_segment(p)) return nullptr;
  Var_node* var = site_hit(p, o, 1);
  if (!var) return nullptr;
  v = var->num;
  return p + 3;
}

// Obj_operand_hook: the same for the evaluator's fast path.
const uint8_t* operand_hook(const uint8_t* p, Num_val& v) { return quick_num_read(p, v); }

// A numeric value of one or two plain operands, the first of which may be
// a numeric property read through a filled site (the evaluator's fast path
// with that operand added); null, with nothing done, for anything else.
const uint8_t* quick_num_value(const uint8_t* p, Num_val& out) {
  if (*p != code::OBJ_REF) return Eval_simple_at(p, out);
  Num_val a;
  const uint8_t* q = quick_num_read(p, a);
  if (!q) return nullptr;
  if (!(Cde_tbl[*q] & (CC_BINOP | CC_LOGOP))) {
    out = a;
    return q;
  }
  return Eval_simple_rest(a, q, out);
}

int ret_object() {
  Oop_object* o = quick_object(ws.Exec_ptr);
  if (o) {
    ws.Exec_ptr += 3;
  } else {
    int64_t remote = 0;
    o = object_at_cursor(&remote);
    if (!o) return remote_ref(remote, false);
  }
  uint8_t* p = ws.Exec_ptr;
  if (last_plain_segment(p)) {
    if (Var_node* v = site_hit(p, o, 1)) {
      ws.Exec_ptr = p + 3;
      load_var(v);
      return ws.Str_len;
    }
    const Oop_name* id;
    int kind = read_segment(o, &id, false);
    if (kind == 2 && ws.Str_len < 0) Rpt_error(err::TYPE_MISMATCH);
    if (kind == 1 && ws.Str_len >= 0) Rpt_error(err::TYPE_MISMATCH);
    // The read may have run code: the object must still be there.
    if (size_t(o->slot) < oop.objs.size() && oop.objs[size_t(o->slot)] == o) site_fill(p, o, id, 1);
    return ws.Str_len;
  }
  for (;;) {
    uint8_t c = *ws.Exec_ptr;
    if (c == code::OP_MUL) {
      ws.Exec_ptr++;
      set_string(OopReturnProps(o));
      return ws.Str_len;
    }
    if (c != code::NUM_VAR && c != code::STR_VAR) Rpt_error(err::INTERNAL_CODE);
    const Oop_name* id;
    int kind = read_segment(o, &id, false);
    if (kind < 0) kind = -kind;
    if (*ws.Exec_ptr == code::OBJ_CHAIN) {
      ws.Exec_ptr++;
      o = chained_object();
      continue;
    }
    if (kind == 2 && ws.Str_len < 0) Rpt_error(err::TYPE_MISMATCH);
    if (kind == 1 && ws.Str_len >= 0) Rpt_error(err::TYPE_MISMATCH);
    return ws.Str_len;
  }
}

// The value in the accumulators assigned to the property at p of o, whose
// site did not hit (epoch: oop.shape_epoch before the value was computed).
void store_missed(const uint8_t* p, Oop_object* o, uint32_t epoch) {
  // The value's code may have freed the object.
  Oop_object* again = oop.objs.size() > size_t(o->slot) ? oop.objs[size_t(o->slot)] : nullptr;
  if (again != o) Rpt_error(err::BAD_OBJECT);
  // Another object of the class the site knows: its instance directly.
  if (epoch == oop.shape_epoch)
    if (Var_node* w = site_same_class(p, o)) {
      store_value(w);
      return;
    }
  int kind;
  const Oop_name* id = site_name(p, &kind, 2);
  OopSetProperty(o, id, uint8_t(kind));
  again = oop.objs.size() > size_t(o->slot) ? oop.objs[size_t(o->slot)] : nullptr;
  if (again == o) site_fill(p, o, id, 2);
}

void set_object() {
  // The common case first: a numeric property assigned a value of plain
  // operands (a filled site's property among them), which runs no code and
  // raises no error before the store.
  Oop_object* o = quick_object(ws.Exec_ptr);
  if (o) {
    uint8_t* p = ws.Exec_ptr += 3;
    if (p[0] == code::NUM_VAR && last_plain_segment(p) && p[3] == code::OP_EQ) {
      Var_node* v = site_hit(p, o, 2);
      Num_val value;
      ws.Math_flags = 0;
      if (const uint8_t* q = quick_num_value(p + 4, value)) {
        ws.Exec_ptr = const_cast<uint8_t*>(q);
        ws.Num_acc = value;
        ws.Str_len = -1;
        if (v) Store_num(v, &v->num);
        else store_missed(p, o, oop.shape_epoch);
        return;
      }
    }
  } else {
    int64_t remote = 0;
    o = object_at_cursor(&remote);
    if (!o) {
      remote_ref(remote, true);
      return;
    }
  }
  uint8_t* p = ws.Exec_ptr;
  if (last_plain_segment(p) && p[3] == code::OP_EQ) {
    uint32_t epoch = oop.shape_epoch;
    Var_node* v = site_hit(p, o, 2);
    ws.Exec_ptr = p + 4;
    ws.Math_flags = 0;
    Eval_formula();
    // The value's code may have changed what the cache stands on.
    if (v && epoch == oop.shape_epoch) store_value(v);
    else store_missed(p, o, epoch);
    return;
  }
  for (;;) {
    uint8_t c = *ws.Exec_ptr;
    if (c == code::OP_MUL) Rpt_error(err::UNKNOWN_MEMBER);
    if (c != code::NUM_VAR && c != code::STR_VAR) Rpt_error(err::INTERNAL_CODE);
    const Oop_name* id;
    int kind = read_segment(o, &id, true);
    if (*ws.Exec_ptr == code::OBJ_CHAIN) {
      ws.Exec_ptr++;
      o = chained_object();
      continue;
    }
    if (kind < 0 || *ws.Exec_ptr != code::OP_EQ) return;  // a call, or a property read alone
    ws.Exec_ptr++;
    ws.Math_flags = 0;
    Eval_formula();
    // The object may have gone while the value was computed.
    Oop_object* again = oop.objs.size() > size_t(o->slot) ? oop.objs[size_t(o->slot)] : nullptr;
    if (again != o) Rpt_error(err::BAD_OBJECT);
    OopSetProperty(o, id, uint8_t(kind));
    return;
  }
}

}  // namespace

void Oop_sites_clear() {
  if (!sites_filled) return;
  sites_filled = false;
  for (Prop_site& s : prop_sites) s = Prop_site{};
  for (Method_site& s : method_sites) s = Method_site{};
}

void Oop_init_access() {
  Ret_object_hook = ret_object;
  Set_object_hook = set_object;
  Obj_operand_hook = operand_hook;
}

// ---- object properties in CLEAR lists ----

void Oop_clear_ref() {
  int64_t remote = 0;
  Oop_object* o = object_at_cursor(&remote);
  if (!o) Rpt_error_text(err::UNKNOWN_MEMBER, "a property of a control or object of the thin client cannot be cleared");
  for (;;) {
    uint8_t c = *ws.Exec_ptr;
    if (c != code::NUM_VAR && c != code::STR_VAR) Rpt_error(err::SYNTAX);
    if (ws.Exec_ptr[Item_name_size(ws.Exec_ptr)] == code::OBJ_CHAIN) {
      const Oop_name* id;
      if (read_segment(o, &id, false) < 0) Rpt_error(err::SYNTAX);
      ws.Exec_ptr++;
      o = chained_object();
      continue;
    }
    int kind;
    const Oop_name* id = Oop_name_of_item(ws.Exec_ptr, &kind);
    ws.Exec_ptr += Item_name_size(ws.Exec_ptr);
    if (*ws.Exec_ptr == code::LPAREN) Rpt_error(err::SYNTAX);  // a method call is no property
    if (id->sys != SYS_NONE) Rpt_error(err::UNKNOWN_MEMBER);
    if (!Oop_inst(o, id, false) && !Oop_find_prop_entry(o->cls, id))
      Rpt_error_text(err::UNKNOWN_MEMBER, std::string("no property ") + id->text + " in class " + o->cls->name->text);
    Oop_remove_inst(o, id);
    return;
  }
}

Var_node* Oop_except_ref() {
  Var_node* hv = handle_var_at_cursor();
  for (;;) {
    uint8_t c = *ws.Exec_ptr;
    if (c != code::NUM_VAR && c != code::STR_VAR) Rpt_error(err::SYNTAX);
    ws.Exec_ptr += Item_name_size(ws.Exec_ptr);
    if (*ws.Exec_ptr != code::OBJ_CHAIN) break;
    ws.Exec_ptr++;
  }
  return hv;
}
