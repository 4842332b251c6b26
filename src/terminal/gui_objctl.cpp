// Controls emulated through handler objects: the handler named by DEFCTL
// OBJECT, the bindings of single control ids to objects, the translation of
// control operations into method names and argument lists, and the text
// form in which a control definition is handed to the handler.
//
// Definition text: items "Name=value" separated by ",".  Numbers are
// written with their decimals (a position of 1250 hundredths is 12.5 ...
// written "12.50"), left out when 0; strings as Name$="text" with double
// quotes doubled, or Name$=$HEX$ when a byte is outside 32..126 or a
// single quote; single characters always, a double quote as the word QUO.
//
// Bindings are control records of type OBJCTL_BINDING in the console's
// current window, holding the bound object's slot and one reference to it.
#include "terminal/gui_objctl.h"

#include <cstdio>
#include <cstring>

#include "core/codes.h"
#include "core/errors.h"
#include "core/evaluator.h"
#include "core/host.h"
#include "core/line_store.h"
#include "core/memory.h"
#include "core/nested_run.h"
#include "core/workspace.h"
#include "terminal/controls.h"
#include "terminal/terminal.h"
#include "terminal/program_calls.h"

Objctl_hooks Objctl_hook;

namespace {

constexpr uint16_t OBJCTL_BINDING = 128;

// Method names of the whole-control definitions, by control type.
struct Ctl_method {
  const char* name;
  uint16_t type;
};
constexpr Ctl_method ObjCtlTbl[] = {
    {"List_Box", 4},     {"Drop_Box", 6},      {"VarList_Box", 5}, {"VarDrop_Box", 7},  {"Multi_line", 8},
    {"List_view", 11},   {"Tree_view", 12},    {"Grid", 13},       {"Chart", 14},       {"Button", 1},
    {"Check_box", 2},    {"Tristate_box", 3},  {"Radio_button", 9}, {"V_ScrollBar", 16}, {"H_ScrollBar", 32},
};
constexpr const char* Single_methods[] = {"GetMse",       "Input",       "Set_Mouse",   "Msgbox",       "Popup_Menu",
                                          "Read_Caption", "Winprt_Open", "ObjFunction", "SetFocusRead", "SetFocus"};
constexpr size_t N_CTL = sizeof ObjCtlTbl / sizeof ObjCtlTbl[0];
constexpr size_t N_SINGLE = sizeof Single_methods / sizeof Single_methods[0];

struct State {
  int32_t handler = 0;       // slot of the handler (0 none)
  int32_t last_handler = 0;  // the last one named, for DEFCTL OBJECT =ENABLE
  bool ctl_exists[N_CTL] = {};
  uint8_t single_kind[N_SINGLE] = {};  // 0 none, 1 numeric, 2 string method
  bool bindings = false;     // a binding was made
  // Service objects: handles read from the handler's properties of those
  // names (-1 not looked up yet, 0 none).
  int64_t services[6] = {-1, -1, -1, -1, -1, -1};
} st;

constexpr const char* Service_names[] = {"ClipBoard", "MenuBar", "DragDrop", "GetFile", "SystemHelp", "Mnemonics"};

bool hooked() { return Objctl_hook.slot_of != nullptr; }

bool stmt_end(uint8_t c) { return c == code::END_SCAN || (Cde_tbl[c] & CC_STMT_END); }

Window_rec* current_window() {
  if (!ws.Con_fcb) return nullptr;
  return &Dev(ws.Con_fcb)->win;
}

Wob* find_record(int32_t id) {
  Window_rec* w = current_window();
  if (!w) return nullptr;
  for (Wob* o = w->controls; o; o = o->next)
    if (o->id == id) return o;
  return nullptr;
}

// The kind of the object's method of that name: 1 numeric, 2 string
// (NAME$), 0 none.  A numeric method is taken first, except for the
// methods whose result is text.
uint8_t method_kind(int32_t slot, const char* name) {
  bool text = std::strcmp(name, "GetMse") == 0 || std::strcmp(name, "Input") == 0 ||
              std::strcmp(name, "ObjFunction") == 0 || std::strcmp(name, "Read_Caption") == 0;
  uint8_t first = text ? 2 : 1, second = text ? 1 : 2;
  if (Objctl_hook.has_method(slot, name, first)) return first;
  if (Objctl_hook.has_method(slot, name, second)) return second;
  return 0;
}

// Whether the running object is slot or lies on slot's fallback chain.
bool running_in_chain(int32_t slot) {
  int32_t r = Objctl_hook.running();
  if (r == 0 || slot == 0) return false;
  for (int hops = 0; slot && hops < 1000; ++hops) {
    if (r == slot) return true;
    slot = Objctl_hook.delegate_of(slot);
  }
  return false;
}

void fill_exists() {
  for (size_t i = 0; i < N_CTL; ++i) st.ctl_exists[i] = Objctl_hook.has_method(st.handler, ObjCtlTbl[i].name, 1);
  for (size_t i = 0; i < N_SINGLE; ++i) st.single_kind[i] = method_kind(st.handler, Single_methods[i]);
}

void set_handler(int32_t slot) {
  if (st.handler) Objctl_hook.mark(st.handler, false);
  st.handler = slot;
  for (int64_t& h : st.services) h = -1;
  if (slot) {
    Objctl_hook.mark(slot, true);
    fill_exists();
  }
}

int32_t handle_slot(int64_t h) {
  if (h < 0 && (ws.Con_flags & 0x800)) h = -h;  // handles reported negated
  int32_t slot = Objctl_hook.slot_of(h);
  if (!slot) Rpt_error_text(err::BAD_OBJECT, "the handle " + std::to_string(h) + " names no live object");
  return slot;
}

void delete_binding(Wob* o) {
  Window_rec* w = current_window();
  if (w) {
    Wob** at = &w->controls;
    while (*at && *at != o) at = &(*at)->next;
    if (*at) *at = o->next;
  }
  int32_t slot = o->bound_obj;
  delete o;
  if (slot && Objctl_hook.slot_of(int64_t(slot) + 100000) == slot) {
    Objctl_hook.mark(slot, slot == st.handler);
    Objctl_hook.ref(slot, -1);
  }
}

const char* method_of(uint16_t op) {
  switch (op) {
    case OBJCTL_OFF: return "SetOff";
    case OBJCTL_OBJFN: return "ObjFunction";
    case OBJCTL_EXT | 150: return "Add";
    case code::D_CLEAR: return "Clear";
    case OBJCTL_DEF: return "Define";
    case code::D_DEFCTL: return "DefCtl";
    case code::D_DELETE: return "Delete";
    case OBJCTL_EXT | 161: return "Auto";
    case code::D_EDIT: return "Edit";
    case OBJCTL_EXT | 169: return "Disable";
    case OBJCTL_EXT | 170: return "Enable";
    case code::D_FIND: return "Find";
    case code::D_GOTO: return "Focus";
    case code::D_LOAD: return "Load";
    case code::D_LOCK: return "Lock";
    case code::D_NEXT: return "SetFocus";
    case code::D_ON: return "SetOn";
    case code::D_OPEN: return "Open";
    case OBJCTL_EXT | 198: return "Select";
    case code::D_PRINT: return "Print";
    case OBJCTL_EXT | 202: return "Show";
    case OBJCTL_EXT | 203: return "Hide";
    case code::D_READ: return "Read";
    case code::D_REMOVE: return "Remove";
    case code::D_RESET: return "Reset";
    case code::D_UNLOCK: return "UnLock";
    case code::D_WRITE: return "Write";
    default: return nullptr;
  }
}

// The trace-log line of an operation on control 0 that has no method.
void skip_control0(uint16_t op) {
  char name[16];
  const char* m;
  switch (op) {
    case OBJCTL_EXT | 169: m = "Disable"; break;
    case OBJCTL_EXT | 170: m = "Enable"; break;
    case code::D_GOTO: m = "Goto"; break;
    case code::D_LOAD: m = "Load"; break;
    case OBJCTL_EXT | 202: m = "Show"; break;
    case OBJCTL_EXT | 203: m = "Hide"; break;
    case code::D_READ: m = "Read"; break;
    case code::D_WRITE: m = "Write"; break;
    default:
      std::snprintf(name, sizeof name, "fc:%2x.x", unsigned(op & 0xFF));
      m = name;
  }
  std::string path = Term_program_path();
  std::string line = "Skipping ref to control 0 (" + std::string(m) + ") at " + std::to_string(ws.Cur_stno) + ":" +
                     (path.empty() ? std::string("-noname-") : path);
  OruLogError(line.c_str());
}

void skip_statement() {
  while (!stmt_end(*ws.Exec_ptr) && !(*ws.Exec_ptr == code::COMMA && ws.Exec_ptr[1] == code::IOPT_FIRST + 4)) {
    if (Skip_code() == 255) break;
  }
}

// The rest of the statement as an argument list.  For LOAD, a first
// operand followed by '/' turns the method into "Delete".
Arg_rec* statement_args(uint16_t op, bool* to_delete) {
  *to_delete = false;
  if (*ws.Exec_ptr != code::COMMA || ws.Exec_ptr[1] == code::IOPT_FIRST + 4) return nullptr;
  ++ws.Exec_ptr;
  if (op == code::D_LOAD) {
    uint8_t* at = ws.Exec_ptr;
    Need_operand();
    Eval_formula();
    if (*ws.Exec_ptr == code::COMMA && ws.Exec_ptr[1] == code::OP_DIV) {
      ws.Exec_ptr += 2;
      Arg_rec* list = nullptr;
      if (ws.Str_len >= 0) Term_arg_string(&list, ws.Str_ptr, size_t(ws.Str_len));
      else Term_arg_number(&list, ws.Num_acc);
      *to_delete = true;
      return list;
    }
    ws.Exec_ptr = at;
  }
  return Term_args(false);
}

struct Arg_guard {
  Arg_rec* list;
  ~Arg_guard() { Term_free_args(list); }
  Arg_rec* take() {
    Arg_rec* l = list;
    list = nullptr;
    return l;
  }
};

void hex_of(std::string& out, const std::string& v) {
  static const char hx[] = "0123456789ABCDEF";
  out += '$';
  for (unsigned char c : v) {
    out += hx[c >> 4];
    out += hx[c & 15];
  }
  out += '$';
}

}  // namespace

int32_t Objctl_handler() { return st.handler; }
bool Objctl_bindings_active() { return st.bindings; }

void KestAppndNum(std::string& out, const char* name, int64_t value, int decimals) {
  if (value == 0) return;
  if (!out.empty()) out += ',';
  out += name;
  out += '=';
  bool neg = value < 0;
  uint64_t mag = neg ? uint64_t(0) - uint64_t(value) : uint64_t(value);
  std::string digits = std::to_string(mag);
  if (decimals > 0) {
    if (digits.size() <= size_t(decimals)) digits.insert(0, size_t(decimals) + 1 - digits.size(), '0');
    digits.insert(digits.size() - size_t(decimals), 1, '.');
  }
  if (neg) out += '-';
  out += digits;
}

void KestAppndStr(std::string& out, const char* name, const std::string& value) {
  if (value.empty()) return;
  if (!out.empty()) out += ',';
  out += name;
  out += "$=";
  bool plain = true;
  for (unsigned char c : value)
    if (c < 32 || c > 126 || c == '\'') plain = false;
  if (!plain) {
    hex_of(out, value);
    return;
  }
  out += '"';
  for (char c : value) {
    if (c == '"') out += '"';
    out += c;
  }
  out += '"';
}

void KestAppndChr(std::string& out, const char* name, uint8_t c) {
  if (!out.empty()) out += ',';
  out += name;
  out += "$=";
  if (c == '"') {
    out += "QUO";
  } else if (c < 32 || c > 126) {
    hex_of(out, std::string(1, char(c)));
  } else {
    out += '"';
    out += char(c);
    out += '"';
  }
}

// DEFCTL OBJECT =h | =DISABLE | =ENABLE | =REMOVE | h,id
void KestDEFCTLObjCtl() {
  if (!hooked()) Not_built("control-handler objects (the object system is not linked)");
  if (*ws.Exec_ptr == code::OP_EQ) {
    ++ws.Exec_ptr;
    if (ws.Exec_ptr[0] == code::EXT_DIR && ws.Exec_ptr[1] == 169) {  // DISABLE: suspend
      ws.Exec_ptr += 2;
      Chk_err();
      if (!st.last_handler) Rpt_error_text(err::BAD_OBJECT, "no control handler has been named");
      set_handler(0);
      return;
    }
    if (ws.Exec_ptr[0] == code::EXT_DIR) {  // ENABLE (any other extended keyword): resume
      ws.Exec_ptr += 2;
      Chk_err();
      if (!st.last_handler || Objctl_hook.slot_of(int64_t(st.last_handler) + 100000) != st.last_handler)
        Rpt_error_text(err::BAD_OBJECT, "no control handler to resume");
      set_handler(st.last_handler);
      return;
    }
    if (*ws.Exec_ptr == code::D_REMOVE) {
      ++ws.Exec_ptr;
      Chk_err();
      set_handler(0);
      st.last_handler = 0;
      return;
    }
    Need_operand();
    Eval_val();
    int64_t h = To_integer(ws.Num_acc);
    Chk_err();
    int32_t slot = handle_slot(h);
    set_handler(0);
    st.last_handler = 0;
    set_handler(slot);
    st.last_handler = slot;
    return;
  }
  // Binding form: handle (0 removes), control id.
  Need_operand();
  Eval_val();
  int64_t h = To_integer(ws.Num_acc);
  if (*ws.Exec_ptr != code::COMMA) Rpt_error(err::SYNTAX);
  ++ws.Exec_ptr;
  int32_t id = Eval_integer();
  Chk_err();
  if (id < -32000 || id > 32767) Rpt_error(err::OUT_OF_RANGE);
  if (id == 0) Rpt_error_text(err::NO_CONTROL, "control 0 cannot be bound to an object");
  int32_t slot = h == 0 ? 0 : handle_slot(h);
  if (!current_window()) Rpt_error(err::WRONG_MODE);
  Wob* rec = find_record(id);
  if (rec && rec->type != OBJCTL_BINDING) Rpt_error_text(err::NO_CONTROL, "control " + std::to_string(id) + " is already defined");
  if (slot == 0) {
    if (!rec || !rec->bound_obj) Rpt_error_text(err::NO_CONTROL, "control " + std::to_string(id) + " has no binding");
    delete_binding(rec);
    return;
  }
  if (rec) delete_binding(rec);
  Window_rec* w = current_window();
  Wob* b = new Wob;
  b->type = OBJCTL_BINDING;
  b->id = id;
  b->bound_obj = slot;
  b->home_window = w->number;
  b->next = w->controls;
  w->controls = b;
  st.bindings = true;
  Objctl_hook.ref(slot, 1);
  Objctl_hook.mark(slot, true);
}

bool KestEmulateObjCtl(int64_t id, uint16_t op, uint16_t op2, Arg_rec* args, bool from_statement) {
  Arg_guard given{args};
  if (!hooked()) return false;
  int32_t slot = 0;
  if (id >= -32000 && id <= 32767) {
    // Controls reach objects only while a handler is named (a suspended
    // handler suspends the bindings too).
    if (!st.handler) return false;
    if (id == 0) {
      if (op == code::D_READ && st.single_kind[5] && !running_in_chain(st.handler)) {  // Read_Caption
        bool del;
        Arg_rec* list = from_statement ? statement_args(op, &del) : given.take();
        Objctl_hook.call(st.handler, "Read_Caption", st.single_kind[5], list);
        return true;
      }
      if (op == code::D_GOTO || running_in_chain(st.handler)) return false;
      skip_control0(op);
      if (from_statement) skip_statement();
      return true;
    }
    if (!st.bindings) return false;
    Wob* rec = find_record(int32_t(id));
    if (!rec || !rec->bound_obj) return false;
    if (Objctl_hook.running() == rec->bound_obj) return false;
    slot = rec->bound_obj;
  } else {
    int32_t high = Objctl_hook.highest_slot();
    int64_t s = id - 100000;
    if (s < 1 || s > high) Rpt_error_text(err::OUT_OF_RANGE, "the control id " + std::to_string(id) + " names no object");
    slot = Objctl_hook.slot_of(id);
    if (!slot) Rpt_error_text(err::BAD_OBJECT, "the control id " + std::to_string(id) + " names no live object");
  }
  const char* base = method_of(op);
  if (!base) Rpt_error_text(err::UNKNOWN_MEMBER, "this operation has no method of a control object");
  std::string name = base;
  switch (op2) {
    case 0: break;
    case OBJCTL_ID: name += "_Id"; break;
    case code::D_NEXT: name += "Next"; break;
    case code::D_READ: name += "Read"; break;
    case code::D_RETRY: name += "_Retry"; break;
    case code::D_RESET: name += "Reset"; break;
    default: Rpt_error_text(err::UNKNOWN_MEMBER, "this second keyword has no method of a control object");
  }
  bool to_delete = false;
  Arg_rec* list = from_statement ? statement_args(op, &to_delete) : given.take();
  Arg_guard own{list};
  if (to_delete) name = "Delete";
  if (from_statement) Chk_err();
  uint8_t kind = method_kind(slot, name.c_str());
  if (!kind && op == code::D_REMOVE) return true;  // nothing to remove
  Objctl_hook.call(slot, name.c_str(), kind ? kind : 1, own.take());
  return true;
}

bool KestObjCtlDefine(const Objctl_def& d) {
  if (!hooked() || !st.handler || running_in_chain(st.handler)) return false;
  if (Wob* rec = find_record(d.id)) {
    if (d.type == CT_RADIO_BUTTON && rec->type == CT_RADIO_BUTTON) return false;
    if (d.type == CT_RADIO_BUTTON && rec->type == OBJCTL_BINDING && rec->bound_obj) {
      std::string text;
      KestAppndNum(text, "Ctlno", d.id, 0);
      Arg_rec* list = nullptr;
      Term_arg_string(&list, reinterpret_cast<const uint8_t*>(text.data()), text.size());
      Objctl_hook.call(rec->bound_obj, "NewId", 1, list);
      return true;
    }
    Rpt_error_text(err::NO_CONTROL, "control " + std::to_string(d.id) + " is already defined");
  }
  uint16_t type = d.type;
  if (type == CT_LIST_BOX) {
    // Options with 'e', 'r' or 'l': the last of them makes a tree view
    // ('e') or a list view ('r', 'l').
    size_t at = d.options.find_last_of("erl");
    if (at != std::string::npos) type = d.options[at] == 'e' ? 12 : 11;
  }
  size_t row = N_CTL;
  for (size_t i = 0; i < N_CTL; ++i)
    if (ObjCtlTbl[i].type == type) row = i;
  if (row == N_CTL || !st.ctl_exists[row]) return false;
  std::string text;
  KestAppndNum(text, "Ctlno", d.id, 0);
  KestAppndNum(text, "Col", d.col, 2);
  KestAppndNum(text, "Line", d.line, 2);
  KestAppndNum(text, "Cols", d.cols, 2);
  KestAppndNum(text, "Lines", d.lines, 2);
  bool button = type == CT_BUTTON || type == CT_CHECK_BOX || type == CT_TRISTATE_BOX || type == CT_RADIO_BUTTON;
  bool bar = type == CT_VSCROLL || type == CT_HSCROLL;
  if (bar) {
    KestAppndStr(text, "Options", d.options);
  } else if (button) {
    KestAppndNum(text, "MenuCtl", d.menu_ctl, 0);
    if (type == CT_RADIO_BUTTON) KestAppndNum(text, "Id", d.group, 0);
    KestAppndStr(text, "Options", d.options);
    KestAppndStr(text, "Text", d.text);
    KestAppndStr(text, "Font", d.font);
    KestAppndStr(text, "Xlate", d.xlate);
    KestAppndStr(text, "Message", d.message);
    KestAppndStr(text, "Tip", d.tip);
  } else {
    KestAppndNum(text, "MenuCtl", d.menu_ctl, 0);
    KestAppndNum(text, "MaxLen", d.max_len, 0);
    KestAppndStr(text, "Options", d.options);
    KestAppndStr(text, "Format", d.format);
    KestAppndStr(text, "Font", d.font);
    KestAppndStr(text, "Xlate", d.xlate);
    KestAppndStr(text, "Message", d.message);
    KestAppndStr(text, "NullText", d.null_text);
    KestAppndStr(text, "Tip", d.tip);
    KestAppndChr(text, "Delim", d.delim);
    KestAppndChr(text, "Altkey", d.alt_key);
  }
  Arg_rec* list = nullptr;
  Term_arg_string(&list, reinterpret_cast<const uint8_t*>(text.data()), text.size());
  Objctl_hook.call(st.handler, ObjCtlTbl[row].name, 1, list);
  return true;
}

bool Objctl_single(const char* name) {
  if (!hooked() || !st.handler || running_in_chain(st.handler)) return false;
  for (size_t i = 0; i < N_SINGLE; ++i)
    if (std::strcmp(Single_methods[i], name) == 0) return st.single_kind[i] != 0;
  return false;
}

void Objctl_call_single(const char* name, Arg_rec* args) {
  uint8_t kind = 1;
  for (size_t i = 0; i < N_SINGLE; ++i)
    if (std::strcmp(Single_methods[i], name) == 0 && st.single_kind[i]) kind = st.single_kind[i];
  Objctl_hook.call(st.handler, name, kind, args);
}

void Objctl_call_single_with_operands(const char* name, Arg_rec* leading) {
  Arg_rec* args = Term_args_join(leading, Term_args(false));
  Chk_err();
  Objctl_call_single(name, args);
}

void KestHideShowObjCtl(uint16_t op, std::string& entries) {
  if (!st.bindings || !hooked()) return;
  std::string kept;
  for (size_t i = 0; i + 3 <= entries.size(); i += 3) {
    int32_t id = int16_t(uint16_t(uint8_t(entries[i]) << 8 | uint8_t(entries[i + 1])));
    uint8_t window = uint8_t(entries[i + 2]);
    Wob* rec = find_record(id);
    if (!rec || rec->type != OBJCTL_BINDING || !rec->bound_obj) {
      kept.append(entries, i, 3);
      continue;
    }
    Arg_rec* list = nullptr;
    if (window) {
      Num_val v{};
      v.mant = window;
      Term_arg_number(&list, v);
    }
    KestEmulateObjCtl(id, op, window ? OBJCTL_ID : 0, list, false);
  }
  entries = kept;
}

int64_t KestMapObjCtl(int64_t id, const std::string& name, bool method) {
  if (id < -32000 || id > 32767 || !st.bindings || !hooked()) return id;
  Wob* rec = find_record(int32_t(id));
  if (!rec || !rec->bound_obj) return id;
  int32_t slot = rec->bound_obj;
  if (rec->type == OBJCTL_BINDING) return int64_t(slot) + 100000;
  if (Objctl_hook.running() == slot) return id;
  if (method || Objctl_hook.has_property(slot, name.c_str())) return int64_t(slot) + 100000;
  return id;
}

void KestFreeObjCtl(int32_t slot) {
  if (st.handler == slot) st.handler = 0;
  if (st.last_handler == slot) st.last_handler = 0;
  if (!ws.Con_fcb) return;
  // The records stay (a window's list may be walked right now) but no
  // longer lead anywhere; the object is going, so no reference is given
  // back.
  for (Window_rec* w = &Dev(ws.Con_fcb)->win; w; w = w->saved)
    for (Wob* o = w->controls; o; o = o->next)
      if (o->bound_obj == slot) o->bound_obj = 0;
}

void KestClearObjCtls(Window_rec& w) {
  if (!hooked()) return;
  // Each call may change the list (its method may define or remove
  // controls): the scan starts again from the head after each one.
  for (int guard = 0; guard < 100000; ++guard) {
    Wob* o = w.controls;
    while (o && !(o->type == OBJCTL_BINDING && o->bound_obj)) o = o->next;
    if (!o) break;
    int32_t slot = o->bound_obj;
    Wob** at = &w.controls;
    while (*at && *at != o) at = &(*at)->next;
    if (*at) *at = o->next;
    // The binding's reference is given back after the call: it may be the
    // object's last one.
    auto release = [o] {
      Objctl_release_binding(o);
      delete o;
    };
    uint8_t kind = 0;
    if (Objctl_hook.slot_of(int64_t(slot) + 100000) == slot && Objctl_hook.running() != slot)
      kind = method_kind(slot, "Remove");
    if (kind) {
      try {
        Io_save_guard io;
        Objctl_hook.call(slot, "Remove", kind, nullptr);
      } catch (...) {
        release();
        throw;
      }
    }
    release();
  }
  Objctl_windows_cleared();
}

void Objctl_release_binding(Wob* o) {
  int32_t slot = o->bound_obj;
  o->bound_obj = 0;
  if (slot && hooked() && Objctl_hook.slot_of(int64_t(slot) + 100000) == slot) {
    Objctl_hook.mark(slot, slot == st.handler);
    Objctl_hook.ref(slot, -1);
  }
}

int64_t KestObjCtlGetObjId(const char* name) {
  if (!hooked() || !st.handler) return 0;
  size_t i = 0;
  while (i < 6 && std::strcmp(Service_names[i], name) != 0) ++i;
  if (i == 6) return 0;
  if (st.services[i] == -1) {
    // Read under a catch region (a missing property or a failed read is
    // none); the accumulators are the statement's and stay as they were.
    Num_val num = ws.Num_acc;
    uint8_t* sp = ws.Str_ptr;
    int32_t sl = ws.Str_len;
    int64_t h = Objctl_hook.number_property(st.handler, name);
    ws.Num_acc = num;
    ws.Str_ptr = sp;
    ws.Str_len = sl;
    st.services[i] = h;
  }
  return st.services[i];
}

bool Objctl_service(const char* name, uint16_t op, Arg_rec* args, bool from_statement) {
  Arg_guard given{args};
  if (!hooked() || !st.handler || running_in_chain(st.handler)) return false;
  int64_t h = KestObjCtlGetObjId(name);
  // A service is an object: a value in the range of control ids is none.
  if (h >= -32000 && h <= 32767) return false;
  if (Objctl_hook.running() == Objctl_hook.slot_of(h)) return false;
  return KestEmulateObjCtl(h, op, 0, given.take(), from_statement);
}

void Objctl_windows_cleared() {
  st.services[1] = -1;  // MenuBar
  st.services[2] = -1;  // DragDrop
}

// ---- the "Mnemonics" service object ----

namespace {

struct Mnem_method {
  const char* name;
  uint16_t code;
};
constexpr uint16_t img(uint8_t keyword) { return uint16_t(keyword << 8 | 25); }
constexpr uint16_t two(char a, char b) { return uint16_t(uint8_t(a) << 8 | uint8_t(b)); }
constexpr Mnem_method MnemTbl[] = {
    {"Show", 22},           {"Frame", 28},           {"Picture", 8},           {"Text", 26},
    {"Font", 18},           {"Caption", 21},         {"Option", 40},           {"Image", img(156)},
    {"ImageDelete", img(158)}, {"ImageDisable", img(169)}, {"ImageEnable", img(170)}, {"Beep", 42},
    {"Colour", 43},         {"_Colour", 44},         {"ClearScreen", two('C', 'S')}, {"DropObjects", two('D', 'O')},
    {"MessageBar", 24},
};

const char* mnem_format(uint8_t op) {
  switch (op) {
    case 8: return "XYXYSN";
    case 18: return "S2SN";
    case 19: return "XY00SS";
    case 21: case 42: case 43: case 44: return "S";
    case 22: return "N";
    case 24: return "SN";
    case 25: return "S";
    case 26: return "XYXYSS";
    case 28: return "XYXYNS";
    case 40: return "SS";
    case 41: return "XYXYLS";
    default: return "";
  }
}

// The parameters as arguments by the format letters; every read is
// bounded by the block (missing bytes give 0 or an empty text).
Arg_rec* mnem_args(const char* format, const uint8_t* p, uint32_t n) {
  Arg_rec* list = nullptr;
  uint32_t at = 0;
  auto number = [&](int64_t v, int decimals) {
    Num_val x{};
    x.mant = v;
    x.scale = int8_t(decimals);
    list = Term_args_add_number(list, x);
  };
  auto text = [&](uint32_t len_bytes) {
    uint32_t len = 0;
    if (at + len_bytes <= n) {
      for (uint32_t i = 0; i < len_bytes; ++i) len = len << 8 | p[at + i];
      at += len_bytes;
    } else {
      at = n;
    }
    if (len > n - at) len = n - at;
    list = Term_args_add_text(list, p + at, len);
    at += len;
  };
  for (const char* f = format; *f; ++f) {
    switch (*f) {
      case 'X': case 'Y': case 'N': case '2': {
        int64_t v = 0;
        if (at + 2 <= n) {
          v = int16_t(uint16_t(p[at] << 8 | p[at + 1]));
          at += 2;
        } else {
          at = n;
        }
        number(v, *f == '2' ? 2 : 0);
        break;
      }
      case '0': number(0, 0); break;
      case 'S': text(1); break;
      case 'L': text(4); break;
      default: break;
    }
  }
  return list;
}

}  // namespace

bool KestObjCtlMNEM(uint16_t code, const uint8_t* p, uint32_t n) {
  if (!hooked() || !st.handler || running_in_chain(st.handler)) return false;
  int64_t h = KestObjCtlGetObjId("Mnemonics");
  if (h >= -32000 && h <= 32767) return false;
  int32_t slot = Objctl_hook.slot_of(h);
  if (!slot || Objctl_hook.running() == slot) return false;
  uint16_t key = code;
  const char* format = "";
  if (code < 256) {
    uint8_t op = uint8_t(code);
    format = mnem_format(op);
    if (op == 19 || op == 41) key = 26;  // both texts go to "Text"
    if (op == 25) {
      if (n < 1) return false;
      key = img(p[0]);
      ++p;
      --n;
    }
  }
  const char* name = nullptr;
  for (const Mnem_method& m : MnemTbl)
    if (m.code == key) name = m.name;
  if (!name || !Objctl_hook.has_method(slot, name, 1)) return false;
  Arg_rec* list;
  if (code == two('D', 'O')) {
    // The current window's left column, top line, right column, bottom
    // line: the cells of its text area (inside any frame) as positions on
    // the screen, on a terminal and on the thin client alike.
    list = nullptr;
    Window_rec* w = current_window();
    int32_t v[4] = {0, 0, 0, 0};
    if (w) {
      v[0] = w->scr_col + w->col0;
      v[1] = w->scr_line + w->line0;
      v[2] = v[0] + w->cols - 1;
      v[3] = v[1] + w->lines - 1;
    }
    for (int32_t x : v) list = Term_args_add_number(list, x);
  } else {
    list = mnem_args(format, p, n);
  }
  Num_val num = ws.Num_acc;
  uint8_t* sp = ws.Str_ptr;
  int32_t sl = ws.Str_len;
  Objctl_hook.call(slot, name, 1, list);
  bool taken = ws.Str_len < 0 ? ws.Num_acc.mant != 0 : ws.Str_len > 0;
  ws.Num_acc = num;
  ws.Str_ptr = sp;
  ws.Str_len = sl;
  return taken;
}
