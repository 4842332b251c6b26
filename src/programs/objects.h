// The object system: classes, objects, properties and methods, and the
// name registry they share.  What other layers call.
#pragma once
#include <cstdint>
#include <string>

struct Var_node;

// Fills the hooks of the core (object references in expressions and
// statements, the variable lookup) once at start-up.
void Oop_init();
// Shut-down: frees every object, class and name.
void OopClrNames();

// ---- name registry ----
// A registered name: kind (1 numeric, 2 string, 66 class), length, text.
// Its address is its identity for the life of the registry.
struct Oop_name {
  uint8_t kind;
  uint8_t len;
  uint8_t sys;   // a system property's number (Oop_sys_name), 0 for others
  char text[1];  // len bytes and a terminating zero
};
const Oop_name* OopFindName(uint8_t kind, int len, const char* text);  // null: not registered
const Oop_name* OopDefName(uint8_t kind, int len, const char* text);   // error 46 for ""
int OopName_count();

// ---- statements and functions reached from other directives ----
void OopLoadClass();          // DEF CLASS: the cursor after CLASS
void OopLoadClassFromFile();  // LOAD CLASS "name"[,"file"]: after CLASS
void OopDropClass();          // DROP CLASS "name": after CLASS
void OopRenameClass();        // RENAME CLASS "old","new": after CLASS
void OopDropObject();         // DROP OBJECT / DELETE OBJECT h: after OBJECT
void DefObject();             // DEF OBJECT v,"*system": after OBJECT
void Oop_stat();              // STATIC / ADD PROPERTY (kind 215 for ADD PROPERTY)
void Oop_stat_form(int form);
void Oop_MergeProp();         // MERGE OBJECT a,b: after OBJECT
void Oop_ClearProp();         // DROP PROPERTY name, h: after PROPERTY
void Set_ObjectPrc(int32_t n);
void DoOnEvent();             // ON EVENT: after EVENT
void DoOruEvent(bool enable); // ENABLE / DISABLE EVENT: after EVENT
void d_dump();
void Oop_class_statement();   // a class-body statement reached by the flow: error 92

// NEW( and REF( (function handlers: the cursor after the function code)
void fnc_fnew();
void fnc_fref();
void vl_voop();
// The running object's handle (0 outside one), for VOOP.
int32_t Oop_running_handle();
std::string Oop_running_method();  // "" when no method runs
// Highest handle in use (0 none) for TCB(39).
int32_t GetHighestObjId();
// The handle of the object in a slot (0 when the slot is empty).
int32_t Oop_slot_handle(int32_t slot);
// OBJ(LIST): a line per live object (handle, count, class, program; TABs
// between, the FS character at the end).
std::string Kest_ObjList();
// An object property in a CLEAR list (the cursor on the reference's handle
// variable): the property's instance is removed with its value, so that a
// declared property starts afresh, empty.  The cursor moves past it.
void Oop_clear_ref();
// An object property in a CLEAR EXCEPT list: the handle variable (the
// cursor on it) is returned so that it is kept; the cursor moves past the
// whole reference.
Var_node* Oop_except_ref();

// Variable lookup of the program layer: loaded data sets, then the running
// object's properties.  Installed as Var_lookup_hook while either exists.
Var_node* Oop_var_lookup(uint8_t type, const uint8_t* name, int len);

// A Var_node flag of the object layer's own: the node is a property
// instance's variable (never a node of a program's trees).
constexpr uint32_t VF_PROPERTY = 64;

// At the return of a program method's own frame, what of its variables may
// be kept for the next call while objects live (Prog_keep_vars): the tag
// the next call checks (the object's class and the shape count) and the
// object whose property slots may stay bound.  Oop_method_keep says whether
// anything may be kept (false: nothing is, and nothing was changed); when it
// may, it has settled already which slots of the frame's table stay bound:
// the program's own variables (ENTER's and the others) and, in rec's small
// table, the object's property slots; a system property's slot is cleared.
// (Only nodes outside the program's trees are looked at, so the trees may be
// cleared after.)  In line: programs/oop_keep.h.
constexpr uint32_t METHOD_KEEP_MAX = 16;
struct Method_keep {
  const void* tag = nullptr;
  uint32_t epoch = 0;
};
void Oop_hook_update();

// Memory accounting of the object layer (tests): live objects.
int Oop_object_count();

// Events raised by the system on the event-handler object ("*system").
void Signal_event(const char* name);
// Serves pending asynchronous events at a statement boundary.
void Oop_serve_events();
