// The handler tables indexed by code bytes: directives (dir_jmp, ext_jmp),
// built-in functions (Fnc_all) and system variables (Jmp_val, Ext_val).
//
// The tables belong to the core, which dispatches through them, but most of
// their handlers live in the layers above it.  So the tables start out with
// every slot "unwired" (error 99 naming the statement or function whose
// layer did not register it), and each layer fills its own slots once at
// start-up from its registration function, which App_wire calls in layer
// order:
//   Core_register_directives       core/dispatch.cpp
//   Channels_register_directives   channels/directive_list.cpp
//   Terminal_register_directives   terminal/directive_list.cpp
//   Keyed_register_directives      keyed/directive_list.cpp
//   Programs_register_directives   programs/directive_list.cpp
//   Functions_register_directives  functions/directive_list.cpp
//   Functions_register_handlers    functions/function_table.cpp (Fnc_all, Jmp_val, Ext_val)
//   the two of src/app             app/wiring.cpp
// A new directive handler is one line {code::D_..., d_xxxx} in the list of
// the layer that defines it.  Registering a slot that already holds another
// handler is a wiring fault: the process stops at start-up saying which.
// After the wiring, Dispatch_unwired() is empty (App_wire checks it): every
// code the compiler can produce has its handler.
//
// Dispatch stays one indexed indirect call: the tables are plain arrays,
// written only during start-up.
#pragma once
#include <array>
#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <vector>

using Dir_fn = void (*)();

// Directive codes 149..243 (149 is the extended-directive prefix, d_extd)
// and the second bytes 150..223 after it.
constexpr int DIR_SLOTS = 95;
constexpr int EXT_SLOTS = 74;
extern std::array<Dir_fn, DIR_SLOTS> dir_jmp;  // [code - 149]
extern std::array<Dir_fn, EXT_SLOTS> ext_jmp;  // [second byte - 150]

// One slot of a registration list: a directive code (code::D_..., or
// code::EXT_DIR) or an extended directive's second byte (code::X_...).
struct Dir_reg {
  uint8_t code;
  Dir_fn fn;
};
void Register_directives(std::span<const Dir_reg> list);
void Register_extended(std::span<const Dir_reg> list);

// ---- built-in functions and system variables ----
// (the code layout is drawn in functions/function_table.h)
using Fnc_handler = void (*)();
constexpr int FNC_SLOTS = 60;
constexpr int XFNC_SLOTS = 60;
constexpr int ZFNC_SLOTS = 53;
constexpr int ALL_FNC_SLOTS = FNC_SLOTS + XFNC_SLOTS + ZFNC_SLOTS;
constexpr int JMP_VAL_SLOTS = 23;
constexpr int EXT_VAL_SLOTS = 44;
// The joined function tables: Fnc_jtbl = Fnc_all, Xfnc_jtbl = Fnc_all + 60,
// Zfnc_jtbl = Fnc_all + 120.
extern std::array<Fnc_handler, ALL_FNC_SLOTS> Fnc_all;
// System variables; a null slot has no variable (error 49).
extern std::array<Fnc_handler, JMP_VAL_SLOTS> Jmp_val;
extern std::array<Fnc_handler, EXT_VAL_SLOTS> Ext_val;
// Copies a layer's complete tables in (null entries stay null: no variable).
void Register_functions(std::span<const Fnc_handler, ALL_FNC_SLOTS> fnc,
                        std::span<const Fnc_handler, JMP_VAL_SLOTS> jmp_val,
                        std::span<const Fnc_handler, EXT_VAL_SLOTS> ext_val);
// Function slot 0 (the 0x48 prefix) and the unused first slots of the two
// other tables (error 49).
void Fnc_extend();
void Fnc_error();
// Second byte b after the 0x48 prefix: index into Fnc_all (0..172), or -1.
inline int ext_index(uint8_t b) {
  if (b < 0x0C || b > 0xB8) return -1;
  return b - 0x0C;
}
// Second byte b after the 0xFE prefix: Xfnc_jtbl from 0x0C, Zfnc_jtbl from 0x48.
inline int alt_index(uint8_t b) {
  if (b < 0x0C || b > 0x7C) return -1;
  return FNC_SLOTS + (b - 0x0C);
}

// The core's own directives.
void Core_register_directives();
// Every slot still unwired, one text each ("directive 183", "extended
// directive 153", "function slot 12", "system variable 0x0C 0x10"): empty
// once every layer has registered.
std::vector<std::string> Dispatch_unwired();
// Every slot back to unwired, and the statement loop's ways through CALL and
// EXIT (Call_exit_path) back to them (tests of the wiring; App_wire fills
// them again).
void Dispatch_reset();
// Whether a slot holds a registered handler (tests).
bool Dir_wired(uint8_t code);
bool Ext_wired(uint8_t second);
bool Fnc_wired(int slot);
