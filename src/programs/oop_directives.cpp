// Directives of the object system that run as statements: the class-body
// statements reached by the program flow (error 92), run-time properties
// (STATIC), DEF OBJECT of the "*system" object and of objects kept on the
// thin client.
#include <cstring>
#include <string>

#include "channels/channel.h"
#include "core/codes.h"
#include "core/directives.h"
#include "core/errors.h"
#include "core/evaluator.h"
#include "core/line_store.h"
#include "core/text_case.h"
#include "core/variables.h"
#include "core/workspace.h"
#include "programs/call_frame.h"
#include "programs/oop_client.h"
#include "programs/oop_internal.h"
#include "terminal/tc_protocol.h"
#include "terminal/command_window.h"
#include "terminal/terminal.h"

namespace {

bool stmt_end(uint8_t c) { return (Cde_tbl[c] & CC_STMT_END) != 0; }

constexpr uint8_t POSITION_CODE = 122;  // "@(" of a position, the code of LOC(

bool valid_rt_name(const std::string& n) {
  if (n.empty()) return false;
  for (size_t i = 0; i < n.size(); i++) {
    char c = n[i];
    bool letter = (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || c == '_' || c == '.';
    bool digit = c >= '0' && c <= '9';
    if (c == '$' && i + 1 == n.size() && i > 0) continue;
    if (!letter && !(digit && i > 0)) return false;
  }
  return true;
}

}  // namespace

// Class-body statements are declarations read by DEF CLASS; the flow must
// never reach one.
void d_proy() { Rpt_error_text(err::BAD_CLASS, "PROPERTY outside a class definition"); }
void d_func() { Rpt_error_text(err::BAD_CLASS, "FUNCTION outside a class definition"); }
void d_get() { Rpt_error_text(err::BAD_CLASS, "GET outside a class definition"); }
void d_set() { Rpt_error_text(err::BAD_CLASS, "SET outside a class definition"); }

// STATIC * (the running object keeps its own variables) and STATIC name
// [=value], ... (local run-time properties of the running object).
void d_stat() { Oop_stat_form(code::X_STATIC); }

void Oop_stat_form(int form) {
  if (oop.cur_obj < 1 || oop.cur_obj >= int32_t(oop.objs.size()) || !oop.objs[size_t(oop.cur_obj)])
    Rpt_error_text(err::BAD_OBJECT, "run-time properties need a running object");
  Oop_object* o = oop.objs[size_t(oop.cur_obj)];
  if (*ws.Exec_ptr == code::OP_MUL) {
    ws.Exec_ptr++;
    o->flags |= OF_OWN_VARS;
    return;
  }
  bool dynamic = form == code::X_PROPERTY;
  if (dynamic && (o->cls->flags2 & CF2_RT_LOCAL)) Rpt_error(err::NOT_ACCESSIBLE);
  for (;;) {
    uint8_t c = *ws.Exec_ptr;
    std::string name;
    if (c == code::NUM_VAR || c == code::STR_VAR) {
      uint8_t* p = ws.Exec_ptr;
      if (p[1] & 0x80) {
        const uint8_t* e = Var_name_entry((uint32_t(p[1] & 0x7F) << 8) | p[2]);
        if (!e || e[0] == 255) Rpt_error(err::INTERNAL_CODE);
        name.assign(reinterpret_cast<const char*>(e + 1), e[0]);
        ws.Exec_ptr = p + 3;
      } else {
        name.assign(reinterpret_cast<const char*>(p + 2), p[1]);
        ws.Exec_ptr = p + 2 + p[1];
      }
    } else if (c == code::EXT_DIR && ws.Exec_ptr[1] == code::X_GET) {
      ws.Exec_ptr += 2;
      Eval_str();
      name.assign(reinterpret_cast<const char*>(ws.Str_ptr), size_t(ws.Str_len));
      if (!valid_rt_name(name)) Rpt_error(err::BAD_NAME);
    } else {
      Rpt_error(err::BAD_IOLIST_ITEM);
    }
    uint8_t kind = !name.empty() && name.back() == '$' ? 2 : 1;
    // The system properties' names are reserved in any case.
    auto same_nocase = [&name](std::string_view w) { return name.size() == w.size() && Starts_ci(name, w.data()); };
    if (same_nocase("_OBJ") || same_nocase("_CLASS$") || same_nocase("_REFCNT"))
      Rpt_error(err::BAD_NAME);
    const Oop_name* id = OopDefName(kind, int(name.size()), name.c_str());
    Prop_inst* pi = Oop_inst(o, id, true);
    if (!pi) pi = Oop_add_inst(o, id, nullptr);
    if (!pi->entry) pi->dynamic = dynamic || pi->dynamic;
    if (*ws.Exec_ptr == code::OP_EQ) {
      ws.Exec_ptr++;
      ws.Math_flags = 0;
      Eval_formula();
      if (pi->var->type == code::STR_VAR) Let_string_scalar(pi->var);
      else {
        if (ws.Str_len >= 0) Rpt_error(err::TYPE_MISMATCH);
        Store_num(pi->var, &pi->var->num);
      }
    }
    if (*ws.Exec_ptr != code::COMMA || ws.Exec_ptr[1] == code::IOPT_FIRST + 4) break;
    ws.Exec_ptr++;
  }
  if (*ws.Exec_ptr == code::COMMA && ws.Exec_ptr[1] == code::IOPT_FIRST + 4) {
    ws.Exec_ptr++;
    Chk_err();
  }
  if (!stmt_end(*ws.Exec_ptr)) Rpt_error(err::BAD_IOLIST_ITEM);
  // Compiled references resolve again and find the new properties.
  if (ws.Var_index)
    for (uint32_t i = 0; i < ws.Var_index_cnt; i++) ws.Var_index[i] = nullptr;
}

// DEF OBJECT var, [@(x,y,width,height),] name [, ERR=line]: an object kept
// on the thin client ("[vrl]" name, geometry in hundredths of a cell), or
// the event-handler object ("*system").  DEF OBJECT var [, ERR=line]: the
// object of the control the client shows with the id the variable holds.
void DefObject() {
  DropComndWdw();
  uint8_t* p = ws.Exec_ptr;
  if (*p != code::NUM_VAR) Rpt_error(err::SYNTAX);
  Var_node* target = Find_var();
  auto assign = [&](int32_t h) {
    Check_assignable(target);
    ws.Num_acc = Num_val{};
    ws.Num_acc.mant = h;
    ws.Str_len = -1;
    Store_num(target, &target->num);
  };
  int32_t geometry[4] = {0, 0, -100, -100};
  bool named = *ws.Exec_ptr == code::COMMA && ws.Exec_ptr[1] != code::IOPT_FIRST + 4;
  std::string name;
  if (named) {
    ws.Exec_ptr++;
    if (*ws.Exec_ptr == POSITION_CODE) {
      ws.Exec_ptr++;
      for (int i = 0; i < 4; i++) {
        if (i && *ws.Exec_ptr++ != code::COMMA) Rpt_error(err::SYNTAX);
        Need_operand();
        geometry[i] = Eval_integer();
      }
      if (*ws.Exec_ptr++ != code::RPAREN || *ws.Exec_ptr++ != code::COMMA) Rpt_error(err::SYNTAX);
    }
    Eval_str();
    name.assign(reinterpret_cast<const char*>(ws.Str_ptr), size_t(ws.Str_len));
  }
  if (*ws.Exec_ptr == code::COMMA && ws.Exec_ptr[1] == code::IOPT_FIRST + 4) ws.Exec_ptr++;
  Chk_err();
  bool client = Tc_attached();
  if (!named) {
    int64_t id = To_integer(target->num);
    if (id == 0) Rpt_error_text(err::BAD_OBJECT, "DEF OBJECT without a name takes a control id from its variable: it holds 0");
    if (!client || id >= 32001) Rpt_error_text(err::NOT_BUILT, "DEF OBJECT of a control needs the thin client");
    if (int32_t h = Oop_client_create("", int32_t(id), geometry)) assign(h);
    return;
  }
  if (name.empty()) Rpt_error(err::BAD_FILE_NAME);
  if (Oop_client_name(name)) {
    if (!client) Rpt_error_text(err::NOT_BUILT, "DEF OBJECT of [vrl]" + name + ": objects of the thin client need an attached thin client");
    if (name.empty()) Rpt_error_text(err::BAD_FILE_NAME, "DEF OBJECT of \"[vrl]\" needs the name of the client's object");
    assign(Oop_client_create(name, 0, geometry));
    return;
  }
  if (!Oop_name_is(OopDefName(66, int(name.size()), name.c_str()), "*system"))
    Rpt_error_text(err::NOT_BUILT, "DEF OBJECT of " + name + " needs the control layer");
  Oop_class* c = OopFindClass(name, 0);
  if (!c) {
    // The event-handler class needs no definition of its own.
    c = new Oop_class;
    c->name = OopDefName(66, int(name.size()), name.c_str());
    c->flags = CF_DEFINED | CF_SYSTEM | CF_NO_CREATE | CF_NO_DELETE;
    oop.classes.insert(oop.classes.begin(), c);
  }
  assign(OopMakeObject(c, false, nullptr));
}

// MERGE OBJECT a, b [, ERR=line]: b answers the properties and methods a
// does not know (b's own delegates after it); MERGE OBJECT a, a removes
// the delegate.  A chain that would lead back to a or b is refused.
void Oop_MergeProp() {
  Eval_val();
  Num_val a = ws.Num_acc;
  if (*ws.Exec_ptr != code::COMMA) Rpt_error(err::SYNTAX);
  ws.Exec_ptr++;
  Eval_val();
  Num_val b = ws.Num_acc;
  if (*ws.Exec_ptr == code::COMMA && ws.Exec_ptr[1] == code::IOPT_FIRST + 4) ws.Exec_ptr++;
  Chk_err();
  Set_scl(a, 0, 0);
  Set_scl(b, 0, 0);
  Oop_object* oa = Oop_object_of_handle(a.mant);
  if (a.mant == b.mant) {
    oa->delegate = 0;
    Oop_shape_changed();
    return;
  }
  Oop_object* ob = Oop_object_of_handle(b.mant);
  // Walk b's chain: a link to a gone object is cut where it is met.
  Oop_object* x = ob;
  for (size_t hops = 0; hops <= oop.objs.size(); hops++) {
    int32_t d = x->delegate;
    if (d == 0) break;
    if (d < 1 || d >= int32_t(oop.objs.size()) || !oop.objs[size_t(d)]) {
      x->delegate = 0;
      Oop_shape_changed();
      break;
    }
    if (d == oa->slot || d == ob->slot)
      Rpt_error_text(err::BAD_OBJECT, "the delegate chain would come back to its start");
    x = oop.objs[size_t(d)];
  }
  oa->delegate = ob->slot;
  Oop_shape_changed();
}

// PRECISION n FOR OBJECT: the running object keeps its own precision, which
// applies whenever its code runs.
void Set_ObjectPrc(int32_t n) {
  if (oop.cur_obj < 1 || oop.cur_obj >= int32_t(oop.objs.size()) || !oop.objs[size_t(oop.cur_obj)])
    Rpt_error_text(err::BAD_OBJECT, "PRECISION FOR OBJECT needs a running object");
  if (n < 0) Rpt_error(err::OUT_OF_RANGE);
  Oop_object* o = oop.objs[size_t(oop.cur_obj)];
  o->precision = n;
  o->state |= OS_OWN_PREC;
  ws.Precision = n;
  ws.Num_flags &= ~uint32_t(NF_FLOATING);
}

// DROP PROPERTY name, h [, ERR=line]: the object's instance of that name is
// removed with its value; a declared property starts afresh at its next use.
// CLEAR in the running object's own code: its property values go (an
// object property gives back the reference its handle held); declared
// properties bind afresh, empty, when next touched.
void OopClearVariables() {
  if (oop.cur_obj < 1 || oop.cur_obj >= int32_t(oop.objs.size()) || Call_depth() != oop.cur_depth) return;
  Oop_object* o = oop.objs[size_t(oop.cur_obj)];
  if (!o) return;
  while (Prop_inst* pi = o->props) {
    o->props = pi->next;
    // Compiled references of every call level may point at the instance.
    for (Prog_context* c = &ws; c; c = static_cast<Prog_context*>(c->Call_link))
      if (c->Var_index)
        for (uint32_t i = 0; i < c->Var_index_cnt; i++)
          if (c->Var_index[i] == pi->var) c->Var_index[i] = nullptr;
    if (ws.Cur_var == pi->var) ws.Cur_var = nullptr;
    Oop_free_inst(pi, o);
  }
}

void Oop_ClearProp() {
  ws.Stmt_save = ws.Exec_ptr;  // an ERR= at the end takes the statement's errors
  Err_scan();
  uint8_t* p = ws.Exec_ptr;
  if (*p != code::NUM_VAR && *p != code::STR_VAR) Rpt_error(err::SYNTAX);
  std::string name;
  if (p[1] & 0x80) {
    const uint8_t* e = Var_name_entry((uint32_t(p[1] & 0x7F) << 8) | p[2]);
    if (!e) Rpt_error(err::INTERNAL_CODE);
    if (e[0] == 255) Rpt_error(err::INTERNAL_CODE);
    name.assign(reinterpret_cast<const char*>(e + 1), e[0]);
    ws.Exec_ptr = p + 3;
  } else {
    name.assign(reinterpret_cast<const char*>(p + 2), p[1]);
    ws.Exec_ptr = p + 2 + p[1];
  }
  if (*ws.Exec_ptr != code::COMMA) Rpt_error(err::SYNTAX);
  ws.Exec_ptr++;
  Eval_val();
  Num_val v = ws.Num_acc;
  Set_scl(v, 0, 0);
  if (*ws.Exec_ptr == code::COMMA && ws.Exec_ptr[1] == code::IOPT_FIRST + 4) {
    ws.Exec_ptr++;
    Chk_err();
  }
  if (!stmt_end(*ws.Exec_ptr)) Rpt_error(err::SYNTAX);
  Oop_object* o = Oop_object_of_handle(v.mant);
  const Oop_name* id = OopFindName(*p == code::STR_VAR ? 2 : 1, int(name.size()), name.c_str());
  if (id) Oop_remove_inst(o, id);
}

void Oop_remove_inst(Oop_object* o, const Oop_name* id) {
  for (Prop_inst** at = &o->props; *at; at = &(*at)->next) {
    if ((*at)->name != id) continue;
    Prop_inst* pi = *at;
    *at = pi->next;
    // Compiled references of every call level may point at the instance.
    for (Prog_context* c = &ws; c; c = static_cast<Prog_context*>(c->Call_link))
      if (c->Var_index)
        for (uint32_t i = 0; i < c->Var_index_cnt; i++)
          if (c->Var_index[i] == pi->var) c->Var_index[i] = nullptr;
    if (ws.Cur_var == pi->var) ws.Cur_var = nullptr;
    Oop_free_inst(pi, o);
    return;
  }
}
