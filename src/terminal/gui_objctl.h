// Controls emulated through handler objects.
//
// DEFCTL OBJECT =h names a control-handler object: from then on the GUI
// directives become method calls on objects of the object system, so that a
// class library draws the dialogue itself.  DEFCTL OBJECT h,id binds one
// control id to an object: directives and property references that name the
// id reach that object.  An id outside -32000..32767 is an object handle
// and always goes to its object.
//
// The terminal layer sits below the object system: it reaches objects only
// through Objctl_hook, which the object system fills at start-up.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

#include "core/decimal.h"

struct Arg_rec;

// What the emulation needs of the object system.  Slots are object-table
// slots (handle - 100000).
struct Objctl_hooks {
  // The slot of a live local object with that handle, 0 when none.
  int32_t (*slot_of)(int64_t handle) = nullptr;
  // The highest slot in use.
  int32_t (*highest_slot)() = nullptr;
  // Whether the object (or an object along its fallback chain) has a
  // method of that name (any argument list); kind 1 a numeric method, 2 a
  // string method (NAME$).
  bool (*has_method)(int32_t slot, const char* name, uint8_t kind) = nullptr;
  // Whether the object has a property of that name.
  bool (*has_property)(int32_t slot, const char* name) = nullptr;
  // Calls a method of that kind; the list is consumed.  The result is in
  // the accumulators (an empty string when the method returns none).
  void (*call)(int32_t slot, const char* name, uint8_t kind, Arg_rec* args) = nullptr;
  // Reads a numeric property without raising: 0 when missing or failing.
  int64_t (*number_property)(int32_t slot, const char* name) = nullptr;
  // The object's reference count changes by delta.
  void (*ref)(int32_t slot, int delta) = nullptr;
  // Marks the object as a handler or bound object (its control flag).
  void (*mark)(int32_t slot, bool on) = nullptr;
  // The running object's slot (0 outside one).
  int32_t (*running)() = nullptr;
  // The next object of an object's fallback chain (0 none).
  int32_t (*delegate_of)(int32_t slot) = nullptr;
};
extern Objctl_hooks Objctl_hook;

// Operation codes the emulation takes: a primary directive code, or
// OBJCTL_EXT | the second byte of an extended directive.
constexpr uint16_t OBJCTL_EXT = 0x100;
constexpr uint16_t OBJCTL_DEF = 0;
constexpr uint16_t OBJCTL_OFF = 61;
constexpr uint16_t OBJCTL_OBJFN = 0x400;  // OBJ(
// Second keywords: codes of NEXT, READ, RESET, RETRY, or OBJCTL_ID for the
// window-number form.
constexpr uint16_t OBJCTL_ID = 0x800;

// DEFCTL OBJECT ...: the cursor after the two codes of OBJECT.
void KestDEFCTLObjCtl();

// The handler object's slot (0 none).
int32_t Objctl_handler();
// Whether any binding exists.
bool Objctl_bindings_active();

// One operation on a control id or object handle as a method call.
// args: the list to pass (consumed), or null with from_statement set to
// evaluate the rest of the statement (after its ",") as the arguments.
// True when an object took the operation.
bool KestEmulateObjCtl(int64_t id, uint16_t op, uint16_t op2, Arg_rec* args, bool from_statement);

// The definition of a control, in the text form handed to the handler.
struct Objctl_def {
  uint16_t type = 0;
  int32_t id = 0;
  int32_t col = 0, line = 0, cols = 0, lines = 0;  // hundredths of a cell
  int32_t menu_ctl = 0, max_len = 0, group = 0;
  std::string options, format, font, xlate, message, null_text, tip, text;
  std::string ext1, ext2;  // further texts (XT1=, XT2=): the thin client's
  uint8_t delim = 0, alt_key = 0;
};
// The whole-control definitions: true when the handler took it.
bool KestObjCtlDefine(const Objctl_def& d);

// Text form pieces (items separated by ","): a number with that many
// decimals (nothing when 0), a string, a single character.
void KestAppndNum(std::string& out, const char* name, int64_t value, int decimals);
void KestAppndStr(std::string& out, const char* name, const std::string& value);
void KestAppndChr(std::string& out, const char* name, uint8_t c);

// Single-purpose methods of the handler ("SetFocus", "Msgbox", ...): true
// when the handler implements it and is not running its own code.
bool Objctl_single(const char* name);
// Calls a single-purpose method with the list (consumed).
void Objctl_call_single(const char* name, Arg_rec* args);
// Calls a single-purpose method with the arguments of leading (consumed;
// may be null), then the statement's operands at the cursor (a target
// passes by reference).
void Objctl_call_single_with_operands(const char* name, Arg_rec* leading);

// SHOW / HIDE / ENABLE / DISABLE: the 3-byte entries whose ids are bound go
// to their objects and leave the string.
void KestHideShowObjCtl(uint16_t op, std::string& entries);

// A control id in a property reference: the bound object's handle, or the
// id unchanged.  name: the property or method name that follows; method:
// whether a call follows.
int64_t KestMapObjCtl(int64_t id, const std::string& name, bool method);

// An object is being freed: it stops being the handler and loses its
// bindings.
void KestFreeObjCtl(int32_t slot);

// A window of the console is dropped: each binding in it is removed, its
// object first getting the REMOVE operation (method "Remove", when it has
// one); the menu bar and drag-and-drop services are looked up again.
struct Window_rec;
void KestClearObjCtls(Window_rec& w);

// A window's control list is being freed: a binding record gives back its
// reference to the bound object (the record itself is freed by the caller).
struct Wob;
void Objctl_release_binding(Wob* o);

// Service objects of the handler ("ClipBoard", "MenuBar", "DragDrop",
// "GetFile", "SystemHelp", "Mnemonics"): the handle the handler's property
// of that name holds, looked up once per handler (0 none).
int64_t KestObjCtlGetObjId(const char* name);
// The operation goes to the service object of that name as a method call
// (args as for KestEmulateObjCtl): true when one took it.  Nothing while
// the handler's own code runs.
bool Objctl_service(const char* name, uint16_t op, Arg_rec* args, bool from_statement);
// The console's windows were cleared: the menu bar and drag-and-drop
// services are looked up again.
void Objctl_windows_cleared();

// The "Mnemonics" service object: a long mnemonic (operation code and its
// parameters) or the two-letter mnemonics 'CS' and 'DO' (code as two
// letters, no parameters) on the console become a call of the matching
// method ("Show", "Frame", "Picture", "Text", "Font", "Caption", "Option",
// "Image", "ImageDelete", "ImageDisable", "ImageEnable", "Beep", "Colour",
// "_Colour", "ClearScreen", "DropObjects", "MessageBar") with the
// parameters as arguments.  True when the method exists and its result is
// not 0 (the mnemonic is done); the accumulators are kept.
bool KestObjCtlMNEM(uint16_t code, const uint8_t* p, uint32_t n);

// ---- single-purpose methods that answer with a value (gui_objctl_single.cpp)
// Each returns false when the handler does not take the request (no handler,
// no such method, or the handler's own code is running): the caller then
// takes its ordinary route.

// The mouse query (MSE): "GetMse" without arguments; a non-empty text
// result is the record.
bool KestObjCtlMSE(std::string& out);

// SETMSE of a rectangle (or the whole window): "Set_Mouse" with the four
// positions in hundredths of a cell relative to the window, the code (1 the
// region acts on release, +2 the channel-wide list) and the value.  A
// numeric result of 0 declines the region (it is then kept as usual).
struct Objctl_region {
  int32_t col = 0, line = 0, cols = 0, lines = 0;
  int32_t code = 0;
  bool is_text = false;  // the value is a statement's text
  Num_val value{};
  std::string text;
};
bool KestObjCtlSETMSE(const Objctl_region& r);

// A console line input: "Input" with the cursor column and line, the mode
// (1 the field is echoed, +2 echo was switched off by 'EE'), the field's
// maximum length, the preset text of INPUT EDIT and the TIM= value in
// hundredths (-1 none).  The result is the answer (a number as its text).
struct Objctl_input {
  int32_t col = 0, line = 0, mode = 0, max_len = 0, tim = -1;
  std::string preset;
};
bool KestObjCtlINPUT(const Objctl_input& in, std::string& answer);

// OBJ( on a text terminal: id 0 asks the handler's "ObjFunction", a
// positive id the object bound to it; the result must be text (26).
bool KestObjCtlFOBJ(int64_t id, std::string& out);
