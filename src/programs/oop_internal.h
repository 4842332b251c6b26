// Records of the object system, shared by its files (not by other layers).
//
// Class: its properties and methods, newest declaration first; its parents
// in declaration order.  A method or property expression is kept as a
// self-contained compiled line: names inline, literals inline, ending with
// 255, so it evaluates whatever program is current.  A program method is a
// program reference: the program (a path; empty for the class's own
// program) and an entry point (a label or a line number).
//
// Object: one record per live slot of the object table (slot 0 unused);
// handle = slot + 100000.  Property instances and the record itself are
// Get_blk blocks, counted by the memory accounting like every variable.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

#include "core/decimal.h"
#include "core/executor.h"
#include "core/params.h"
#include "core/variables.h"
#include "core/workspace.h"

#include "programs/arguments.h"
#include "programs/objects.h"

struct Var_node;
struct Arg_rec;
struct Oop_class;

constexpr int32_t OOP_HANDLE_BASE = 100000;

// A method whose body is ENTER's plain numeric items ending their line and,
// on the next line, RETURN of numeric operands joined by "+" and "-" (its
// parameters, property names, constants): learnt with its entry, such a
// call is answered from the arguments' numbers and the object's property
// variables, as the body would compute it (Oop_frame_inline).
struct Method_inline_item {
  uint8_t op;    // OP_ADD or OP_SUB (the first item's is unused)
  uint8_t kind;  // METHOD_INLINE_PARAM, _NAME or _CONST
  uint16_t param;
  const struct Oop_name* id;  // a name's registry id
  Num_val value;              // a constant's value
};
enum : uint8_t { METHOD_INLINE_PARAM, METHOD_INLINE_NAME, METHOD_INLINE_CONST };
constexpr uint32_t METHOD_INLINE_MAX = 8;

// The context a method call made current before its variables were bound
// (the pointers a call owns cleared), with what it depended on beyond its
// entry: the caller's global access mask and the record's state.
struct Method_warm {
  bool has_ctx = false;  // ctx, glob and state are kept
  uint32_t glob = 0, state = 0;
  Prog_context ctx;
  uint32_t inline_count = 0;  // 0: the body is no chain (Method_inline_item)
  Method_inline_item inline_items[METHOD_INLINE_MAX];
};
// An owned Method_warm that a copy does not share: a copied or assigned
// entry starts without one (it is learnt again by its next call).
class Method_warm_ptr {
 public:
  Method_warm_ptr() = default;
  Method_warm_ptr(const Method_warm_ptr&) {}
  Method_warm_ptr& operator=(const Method_warm_ptr& o) {
    if (this != &o) reset();
    return *this;
  }
  ~Method_warm_ptr() { reset(); }
  Method_warm* get() const { return p_; }
  Method_warm* make() {
    if (!p_) p_ = new Method_warm;
    return p_;
  }
  void reset() {
    delete p_;
    p_ = nullptr;
  }

 private:
  Method_warm* p_ = nullptr;
};

// Where a program method starts, learnt at its first call through the
// general load (programs/oop_frame.cpp) and used while the class's program
// record is the same load of the same image: the statement the entry point
// names with the line state the load left, and the table slots of the
// ENTER that stands there.  Plain pointers into the record's image; never
// owned.
struct Method_entry {
  struct Prog_obj* rec = nullptr;
  const uint8_t* image = nullptr;
  uint32_t serial = 0;
  uint16_t stno = 0, line_no = 0;
  uint8_t* exec = nullptr;
  uint8_t* line_rec = nullptr;
  uint8_t* str_ptr = nullptr;
  int32_t str_len = 0;
  uint32_t go_ref = 0, go_size = 0;
  uint16_t go_no = 0;
  uint8_t* go_line = nullptr;
  int32_t go_len = 0;
  uint8_t* go_rec = nullptr;
  uint32_t enter_count = 0;  // ENTER's plain items (0: none or not plain)
  uint16_t enter_slots[16] = {};
  // Each item's form (ENTER_ITEM_*) and the cursor after the items, for
  // the binding the loader makes itself (oop_frame.cpp).
  uint8_t enter_forms[16] = {};
  uint8_t* enter_end = nullptr;
  bool enter_distinct = false;  // no two items name one slot
  bool enter_nums = false;      // every item a numeric scalar (no string, no "[ALL]")
  // ENTER ends its line: where a call whose items the loader bound goes on
  // when nothing is pending (none: it goes on from enter_end).
  Image_line_step enter_next;
  // The context a call made current from this entry had before its
  // variables were bound, kept for the next call to start from in one copy
  // (Oop_frame_run), and the body's chain (Oop_frame_inline); null until
  // a call kept one or the entry was learnt with a chain.
  Method_warm_ptr warm;
  // The class and class epoch under which the entry was last found valid
  // with its name compared (a class's program and entry names change only
  // with a new class, which moves the epoch).
  const struct Oop_class* valid_cls = nullptr;
  uint32_t valid_epoch = 0;
};
// An ENTER item's form: string (else numeric), "(V)", "V[ALL]".
enum : uint8_t { ENTER_ITEM_STR = 1, ENTER_ITEM_BY_VALUE = 2, ENTER_ITEM_WHOLE = 4 };

struct Prog_ref {
  bool present = false;
  std::string program;  // empty: the class's own program
  std::string label;    // entry label, or
  uint32_t line = 0;    // entry line number (0: none)
  // The last "program;entry" text built for it and what it was built from.
  mutable std::string full_cache, base_cache, label_cache;
  mutable uint32_t line_cache = 0;
  // The class and class epoch full_cache was last found right under: a
  // class's program and its entries' names change only with a new class,
  // which moves the epoch.  A copy starts unchecked (it may be given
  // another entry).
  struct Checked {
    const Oop_class* cls = nullptr;
    uint32_t epoch = 0;
    Checked() = default;
    Checked(const Checked&) {}
    Checked& operator=(const Checked&) {
      cls = nullptr;
      return *this;
    }
  };
  mutable Checked checked;
  mutable Method_entry entry;
};

// An expression method's (or GET expression's) code made ready to run fast:
// its names indexed into a table of its own whose slots hold the
// parameters' reusable nodes and the running object's property variables
// (oop_expr.cpp).
struct Oop_fast_expr;
void Oop_fast_expr_free(Oop_fast_expr* f);
// Built, of a form the fast path takes, and not running now.
bool Oop_fast_expr_ready(const Oop_fast_expr* f);

// Property entry flags
enum : uint16_t {
  PF_LOCAL = 1,
  PF_GET_EXPR = 2,
  PF_OBJECT = 4,
  PF_HIDDEN = 8,
  PF_NO_GET = 16,
  PF_READ_ONLY = 32,
};

struct Oop_prop {
  Oop_class* owner = nullptr;
  const Oop_name* name = nullptr;
  uint16_t flags = 0;
  std::vector<uint8_t> get_expr;  // PF_GET_EXPR: the expression line
  Prog_ref get, set;
  Oop_fast_expr* fast = nullptr;  // get_expr made ready to run (built at its first use)
  ~Oop_prop() { Oop_fast_expr_free(fast); }
};

// Method modifiers
enum : uint16_t { MM_PERFORM = 1, MM_LOCAL = 2, MM_HIDDEN = 4 };

struct Oop_method {
  Oop_class* owner = nullptr;
  const Oop_name* name = nullptr;
  uint32_t mask = 0;      // 0 none, 1 any, else sentinel bit and one bit per argument
  uint32_t obj_mask = 0;  // one bit per object argument
  uint16_t modifiers = 0;
  bool is_expr = false;
  std::vector<uint8_t> expr;  // parameters "(" ... ")" then "=" and the expression, 255
  Prog_ref ref;
  std::string event;          // FOR EVENT name ("" none)
  std::vector<std::string> param_sig;  // "N", "S", "N{ALL}" per argument (the typed list)
  Oop_fast_expr* fast = nullptr;  // expr made ready to run (built at its first call)
  ~Oop_method() { Oop_fast_expr_free(fast); }
};

// Class flags
enum : uint16_t {
  CF_DEFINED = 1,
  CF_ON_DEMAND = 2,
  CF_PRECISION = 4,
  CF_SHARED = 8,
  CF_NO_CREATE = 16,
  CF_NO_DELETE = 32,
  CF_SYSTEM = 64,
  CF_CREATE_DERIVED = 0x400,  // the create handler runs for derived classes' objects too
  CF_DELETE_DERIVED = 0x800,  // likewise the delete handler
};
// flags2
enum : uint16_t { CF2_OWN_VARS = 1, CF2_RT_LOCAL = 2, CF2_RT_ANY = 4 };

struct Oop_class {
  const Oop_name* name = nullptr;
  std::vector<Oop_class*> parents;
  std::vector<Oop_prop*> props;      // newest first
  std::vector<Oop_method*> methods;  // newest first
  Prog_ref create, del;
  uint16_t flags = 0, flags2 = 0;
  int precision = -2;
  std::string program;     // path of the program that ran DEF CLASS ("" never saved)
  std::string program_file;  // PROGRAM clause
  int instances = 0;
  uint32_t stamp = 0;
  struct Prog_obj* prog_rec = nullptr;  // one use held on the loaded class program
  int shared_slot = 0;
  // Names with a prefix whose class file defined this class under their
  // last characters ("sub/WIDGET" for class WIDGET): NEW of them finds it.
  std::vector<const Oop_name*> found_as;
};

// Object state / flags
enum : uint16_t { OS_FREEING = 1, OS_OWN_PREC = 4 };
// OF_CONTROL: a control handler or bound to a control; OF_RT_PROPS: it has
// had a run-time property (STATIC, ADD PROPERTY, an assignment of an
// unknown one), never cleared.
enum : uint16_t { OF_OWN_VARS = 8, OF_CONTROL = 16, OF_RT_PROPS = 32 };

struct Prop_inst {
  Prop_inst* next;
  Oop_prop* entry;  // declaring entry; null for a run-time property
  const Oop_name* name;
  bool dynamic;     // run-time property made public (ADD PROPERTY)
  Var_node* var;
};

struct Oop_event;

struct Oop_object {
  Oop_class* cls;
  Prop_inst* props;
  Oop_event* events;      // events this object raises
  int32_t creator;
  int32_t delegate;
  uint16_t state;
  uint16_t flags;
  int32_t slot;
  int32_t refs;
  int32_t lock;
  int32_t open_files;
  int32_t precision;
  uint8_t sep;
  Var_node* own_num;
  Var_node* own_str;
  char* proplist;  // Get_blk text, zero-terminated (null none)
  Var_node* sys[3];  // "_OBJ", "_CLASS$", "_REFCNT" as variables of its own code
  // Unique among all objects ever made, and taken afresh whenever one of
  // its property instances is freed: a cache that names the object and
  // its instances keeps the serial it was filled under (an object made
  // later at the same address, or the same object with an instance gone,
  // has another).
  uint64_t serial;
};

struct Oop_event {
  Oop_event* next;
  int32_t handler_slot;
  Oop_method* method;
  int32_t preinput;
  std::string name;
};

// A class file being loaded: DEF CLASS of the wanted class at that call
// depth ends the file's run.
struct Oop_class_loading {
  static Oop_class_loading* current;
  std::string wanted;
  int depth;
  bool found = false;
  struct Oop_class* cls = nullptr;  // the class the file defined (found)
  Oop_class_loading* prev;
  Oop_class_loading(const std::string& w, int d) : wanted(w), depth(d), prev(current) { current = this; }
  ~Oop_class_loading() { current = prev; }
  // Whether a class of that name is the one wanted: the wanted name, or
  // the end of it (a name given with a prefix, as "sub/WIDGET" for
  // "WIDGET"), without regard to case.
  bool wants(const struct Oop_name* id) const;
};
int KestAdjClassCache(Oop_class* c, bool free_all);

// ---- shared state ----
struct Oop_state {
  std::vector<Oop_object*> objs{nullptr};  // slot 0 unused
  int32_t first_free = 1;
  int32_t live = 0;
  std::vector<Oop_class*> classes;  // newest first
  int32_t cur_obj = 0;             // running object's slot
  int cur_depth = -1;              // call depth at which the running object's code runs
  bool in_expr = false;            // an expression method's parameters are the local trees
  const Oop_name* cur_method = nullptr;
  bool shutting_down = false;
  uint32_t cache_counter = 0;
  int32_t system_slot = 0;  // the event-handler object ("*system")
  uint32_t evt_flags = 0;   // 1 FileOpen, 2 timer, 4 LoadClass
  int32_t event_records = 0;  // live Oop_event records of all objects
  // Counts every change that can make a cached lookup wrong: a property
  // instance freed, an object freed, a class defined, changed or freed, a
  // delegate set, the name registry cleared.  Call-site caches keep the
  // count they were filled under and are used only while it stands.
  uint32_t shape_epoch = 1;
  // Counts the changes of that list that are not one object's own: a
  // class defined, changed or freed, a delegate set, the name registry
  // cleared.  Caches that also check an object's serial use this one, so
  // that freeing objects (DROP) leaves the caches of other objects alone.
  uint32_t class_epoch = 1;
  uint64_t serial_counter = 0;  // the last object serial given
  // Methods (program and expression) running inside one another: each
  // nests the interpreter once more on the machine stack.
  int method_depth = 0;
  // The newest running-object context entered (its guard holds the one
  // outside it): the object of each call level, for DUMP.
  struct Oop_run_guard* run_guards = nullptr;
};
extern Oop_state oop;
inline void Oop_shape_changed() {
  ++oop.shape_epoch;
  ++oop.class_epoch;
}
// One object's property instances changed (one freed): its serial is new.
inline void Oop_object_shape_changed(Oop_object* o) {
  ++oop.shape_epoch;
  if (o) o->serial = ++oop.serial_counter;
}
// Deeper than this a method call is error 30 (nesting too deep), well
// before the machine stack could run out.
constexpr int METHOD_DEPTH_MAX = 1000;
// Counts one method level for its lifetime; at the limit it frees the
// call's arguments and raises error 30.
struct Method_depth_guard {
  // (Too deep: the arguments are freed and the error raised.)
  explicit Method_depth_guard(Arg_rec* args) {
    if (oop.method_depth >= METHOD_DEPTH_MAX) [[unlikely]]
      too_deep(args);
    ++oop.method_depth;
  }
  ~Method_depth_guard() { --oop.method_depth; }
  [[noreturn, gnu::cold]] static void too_deep(Arg_rec* args);
  Method_depth_guard(const Method_depth_guard&) = delete;
  Method_depth_guard& operator=(const Method_depth_guard&) = delete;
};
// Forgets every call-site cache at once (tests, CLEAR of the name registry).
void Oop_sites_clear();

// names
// The names the object system gives meaning of its own (any case).
enum Oop_sys_name : uint8_t {
  SYS_NONE = 0, SYS_OBJ, SYS_CLASS, SYS_REFCNT, SYS_PROPLIST, SYS_PROPSEP, SYS_PROPVALUES, SYS_TYPE,
};
const Oop_name* Oop_name_of_item(const uint8_t* p, int* kind_out);  // a compiled name item
const Oop_name* Oop_name_quick(uint8_t kind, const uint8_t* p);   // cached by name index
void Oop_names_clear();
// The id of a name that is only looked up (a property read), not
// registered by the look-up: null when no property can have it (never
// registered), except that a system name is always known.
const Oop_name* Oop_name_to_read(uint8_t kind, int len, const char* text);
void Oop_name_hits_clear();  // forgets the names cached by text address
bool Oop_name_is(const Oop_name* n, const char* text);

// classes
Oop_class* OopFindClass(const std::string& name, int load_flags);
void OopFreeClass(Oop_class* c, bool force);
void OopDeRefClass(Oop_class* c);
void Oop_classes_clear();
bool OopSubClass(const Oop_class* c, const Oop_class* anc);
Oop_prop* Oop_find_prop_entry(Oop_class* c, const Oop_name* id);
Oop_method* OopFindFunction(Oop_class* c, const Oop_name* id, uint32_t mask, uint32_t obj_mask, bool* by_name);
const std::string& Oop_class_program_built(const Oop_class* c, const Prog_ref& r);
// (Its usual case in line: the text already found right under this class
// and class epoch.)
inline const std::string& Oop_class_program(const Oop_class* c, const Prog_ref& r) {
  if (r.checked.cls == c && r.checked.epoch == oop.class_epoch) return r.full_cache;
  return Oop_class_program_built(c, r);
}
// Self-contained copy of compiled code from p up to the end of the
// statement or a code of stop (0: none) at bracket level 0.
std::vector<uint8_t> Oop_copy_code(const uint8_t* p, const uint8_t** end_out, int stop1, int stop2);

// objects
Oop_object* OopFindObject(int32_t slot);  // error 95 out of range; null when empty
// The slot of the object a handle names (one being freed included), or 0.
int32_t Oop_slot_of_handle(int64_t handle);
Oop_object* Oop_object_of_handle(int64_t handle);  // error 95 unless live
int32_t Oop_handle_of(int32_t slot);
int32_t OopMakeObject(Oop_class* c, bool run_create, uint8_t* args_at);
int32_t OopRefObject(int32_t slot, int delta);
void OopIfValidAdjRef(int64_t handle, int delta);
void OopFreeObject(int32_t slot);
int32_t OopCloneObject(int64_t handle);
Prop_inst* Oop_inst(Oop_object* o, const Oop_name* id, bool bind);
Prop_inst* Oop_add_inst(Oop_object* o, const Oop_name* id, Oop_prop* entry);
void Oop_free_inst(Prop_inst* pi, Oop_object* owner);
// Removes the object's own instance of the name with its value (none: nothing).
void Oop_remove_inst(Oop_object* o, const Oop_name* id);
void Oop_objects_clear();
void OopDisconnectAll(Oop_object* o);

// properties and methods
void OopGetProperty(Oop_object* o, const Oop_name* id, uint8_t kind);
void OopSetProperty(Oop_object* o, const Oop_name* id, uint8_t kind);
// The id of a name that OopSetProperty is to be given, for a name taken
// from a value at run time: a name never registered is no property, so it
// is registered only when o's class takes run-time properties (the
// assignment adds one); otherwise it is error 88, as the assignment would
// raise, and nothing is registered.  A system name is always known.
const Oop_name* Oop_name_to_set(Oop_object* o, uint8_t kind, int len, const char* text);
// A property's value as OopGetProperty reads it, as text: a string as it
// is, a number in its normal form.
std::string Oop_property_text(Oop_object* o, const Oop_name* id, uint8_t kind);
// at: the method-name item of a compiled reference (its call-site cache),
// or null.
void OopDoMethod(Oop_object* o, const Oop_name* id, uint8_t kind, Oop_class* start, Arg_rec* args,
                 const uint8_t* at = nullptr);
// Runs a program reference as a method of o; the value it returns is in
// the accumulators (empty string when none); returns false when a default
// handler's label does not exist (quiet).
bool OopDoFunction(Oop_object* o, Oop_class* c, const Prog_ref& r, Arg_rec* args, bool perform, bool is_default,
                   const Oop_name* method_name);

// ---- the method frame (oop_frame.cpp) ----
// A program method's call: the frame that Nested_call pushes, made current
// from the entry learnt at the method's first call instead of by name.
struct Method_frame {
  Oop_object* obj;
  Oop_class* cls;
  const Prog_ref* ref;
  const std::string* name;  // the "program;entry" text
  int form;
  int depth;               // the call depth its code runs at
  Method_frame* outer;     // the frame of the method that called this one
  // Of the entry it was made current from (set by the loader): the record.
  const struct Prog_obj* rec = nullptr;
  struct Call_frame* link = nullptr;  // the call frame pushed for it
  // The slots bound since the loader made the table current, when noting
  // (the loader knew the table's bound slots then: ENTER's kept ones and
  // the start_props property slots), for the keep at the return.
  bool noting = false;
  uint8_t start_props = 0;
  uint16_t start_prop_slots[8] = {};
  Var_bind_note note;
  static Method_frame* current;
};
// The loader that Nested_call runs for a method frame (ctx: its Method_frame).
int Oop_frame_load(void* ctx);
// Runs the method frame m to its return with the arguments args (owned
// from here), as Nested_call with that loader; when the entry's kept
// context fits, the push and the warm start are made here.
// The exit code (-1 none), or the error of a start that failed (*started
// false).
int Oop_frame_run(Method_frame& m, Arg_rec* args, bool* started);
// A call of the program method r of class c on o with n numeric arguments
// (args, a list) answered without a frame, when r's body is a learnt chain
// (Method_entry::inline_items) whose entry still holds and nothing would
// make the frame behave otherwise: the value to the accumulators, the
// arguments' variables as the return leaves them.  False, with nothing
// done, otherwise.
bool Oop_frame_inline(Oop_object* o, Oop_class* c, const Prog_ref& r, Arg_rec* args, uint32_t n);
// Whether r's entry was learnt with a chain at all (Oop_frame_inline's
// first test, in line: a framed method's call spares the call).
inline bool Oop_frame_has_chain(const Prog_ref& r) {
  const Method_warm* w = r.entry.warm.get();
  return w && w->inline_count;
}
void OopDoExpression(Oop_object* o, Oop_class* c, const std::vector<uint8_t>& expr, Arg_rec* args,
                     const Oop_name* method_name, Oop_fast_expr** fast = nullptr);
// An expression method's run, for its lifetime: the local variable trees
// start empty, and at the end the ones it made are freed and the caller's
// trees, code pointers, precision and number flags come back; the call's
// arguments (owned from here) are freed.
struct Oop_expr_context {
  Var_node* num = ws.Loc_num_tree;
  Var_node* str = ws.Loc_str_tree;
  uint8_t* exec = ws.Exec_ptr;
  uint8_t* stmt = ws.Stmt_ptr;
  int prec = ws.Precision;
  uint32_t nflags = ws.Num_flags;
  Arg_rec* args;
  explicit Oop_expr_context(Arg_rec* a) : args(a) { ws.Loc_num_tree = ws.Loc_str_tree = nullptr; }
  ~Oop_expr_context() {
    Clr_tree(ws.Loc_num_tree);
    Clr_tree(ws.Loc_str_tree);
    ws.Loc_num_tree = num;
    ws.Loc_str_tree = str;
    ws.Exec_ptr = exec;
    ws.Stmt_ptr = stmt;
    ws.Precision = prec;
    ws.Num_flags = nflags;
    FreeArgList(args);
  }
  Oop_expr_context(const Oop_expr_context&) = delete;
  Oop_expr_context& operator=(const Oop_expr_context&) = delete;
};
// An expression method's string value (the accumulator) moved to the
// statement's work area, out of the variables its context is about to free.
void Oop_keep_expr_string();
// The fast form of OopDoExpression (oop_expr.cpp): false when this call
// cannot take it (the caller then runs the general one); args are freed
// on every path when it returns true or throws.
bool Oop_fast_expression(Oop_object* o, Oop_class* c, const std::vector<uint8_t>& expr, Arg_rec* args,
                         const Oop_name* method_name, Oop_fast_expr** fast);
// The same with numbers already read for a method whose parameters are all
// numeric (a call site's direct arguments); false as above, nothing to free.
bool Oop_fast_expression_nums(Oop_object* o, Oop_class* c, const std::vector<uint8_t>& expr, const Num_val* nums,
                              size_t count, const Oop_name* method_name, Oop_fast_expr** fast);
std::string OopReturnProps(Oop_object* o);
std::string OopReturnPropsExt(Oop_object* o);
void Oop_set_precision_for(Oop_object* o, Oop_class* c);
// Whether the precision object code of o and c runs with is the caller's
// own (no PRECISION of the class or object, the caller at the default), so
// that a fast path may compute in the caller's context.
inline bool Oop_caller_precision_fits(const Oop_object* o, const Oop_class* c) {
  return !(c && (c->flags & CF_PRECISION)) && !(o->state & OS_OWN_PREC) && ws.Precision == prmblk.PD &&
         !(ws.Num_flags & NF_FLOATING);
}

// Running-object context: entered around expression and method code.
struct Oop_run_guard {
  int32_t obj;
  const Oop_name* method;
  int depth;
  bool in_expr;
  Oop_run_guard* outer;
  Oop_run_guard(int32_t slot, const Oop_name* m, int d, bool e)
      : obj(oop.cur_obj), method(oop.cur_method), depth(oop.cur_depth), in_expr(oop.in_expr), outer(oop.run_guards) {
    oop.run_guards = this;
    oop.cur_obj = slot;
    oop.cur_method = m;
    oop.cur_depth = d;
    oop.in_expr = e;
    // With objects alive the hook can only be the object lookup already:
    // the update would leave it as it is.
    if (Var_lookup_hook != Oop_var_lookup || oop.live <= 0) Oop_hook_update();
  }
  ~Oop_run_guard() {
    oop.run_guards = outer;
    oop.cur_obj = obj;
    oop.cur_method = method;
    oop.cur_depth = depth;
    oop.in_expr = in_expr;
    if (oop.cur_obj && (oop.cur_obj >= int32_t(oop.objs.size()) || !oop.objs[size_t(oop.cur_obj)])) oop.cur_obj = 0;
  }
};

// The value a program method gave back with RETURN (or nothing).
struct Oop_result {
  bool set = false;
  bool is_str = false;
  Num_val num;
  std::string str;
};
extern Oop_result* oop_ret;  // the running program method's result slot

void Oop_run_create(Oop_object* o, Oop_class* c, uint8_t* args_at, bool ancestor);
void Oop_run_delete(Oop_object* o, Oop_class* c, bool ancestor);
void Oop_close_owned(Oop_object* o);
int32_t OopHandleResult(int32_t h);  // the handle as a numeric result
Var_node* Oop_property_var(uint8_t type, const uint8_t* name, int len);

std::string Oop_get_proplist_values(Oop_object* o);
void Oop_set_proplist_values(Oop_object* o, const std::string& v);
bool Oop_method_return();
void Oop_init_access();
void OopClearVariables();  // CLEAR inside the running object's code
void Oop_init_events();
void Oop_init_controls();  // the control emulation's hooks
void Oop_events_clear();
// Raises "LoadClass" (the wanted class name its argument) on the
// event-handler object at once; false when the event is off or unconnected.
bool Oop_raise_load_class(const std::string& name);
// Stops the event timer when ENABLE EVENT TIM started it.
void Oop_timer_off();
void Oop_hold_program(Oop_class* c, const std::string& prog);

// Argument masks of a call's list.
void Oop_arg_masks(Arg_rec* args, uint32_t* mask, uint32_t* obj_mask);
