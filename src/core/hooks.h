// Calls from the core up to the layers above it.  The core is the bottom
// layer and includes nothing above it; where it must reach a higher layer it
// calls through Core_hook, which src/app fills at start-up (App_wire).  A
// hook left at its default (the functions in hook_default) does something
// safe and clear: nothing where "no such layer is linked" is a valid state,
// error 99 naming what is missing where it is not.
//
// None of these is on the statement loop's fast path: the loop calls them
// only behind a run flag or behind Perform_on_active, as it called the
// functions themselves before.
#pragma once
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "core/switches.h"
#include "core/workspace.h"

struct Ctl_frame;
struct Prog_obj;
struct Pgm_path;

namespace hook_default {
int console_command();
void commit();
void debug_link();
void trace();
void nothing();
void perform_on_line(uint16_t n);
void perform_on_label(const uint8_t* p);
bool perform_exec();
void load_statement(bool run);
void exec_exit(bool has_code, int n);
void escape_program(const char* name);
void object_precision(int n);
void select_release(Ctl_frame* f);
void select_next();
void function_return();
bool in_image(const uint8_t* p);
void image_line(const uint8_t* rec, size_t len, bool keep_indexes, std::vector<uint8_t>& out);
void program_drop(Prog_obj* rec);
void path_unref(Pgm_path* path);
std::string program_path();
void list_channel_begin();
void list_channel_line(const uint8_t* text, int32_t len);
void clear_except(bool all);
void clear_select();
const uint8_t* iolist_items();
const uint8_t* iolist_items_of_string(const uint8_t* s, int32_t len);
}  // namespace hook_default

struct Core_hooks {
  // The console's line reader: prompts, reads one console line and runs it;
  // 0 when the console is to be left.  Default: 0 (no console to return to).
  int (*console_command)() = hook_default::console_command;

  // ---- served between statements behind their run flags (executor) ----
  // RF_COMMIT: the finished statement's updates are committed (channels).
  // Default: the flag is dropped.
  void (*commit)() = hook_default::commit;
  // RF_DEBUG_LINK: the process debug link (programs).  Default: the flag is
  // dropped.
  void (*debug_link)() = hook_default::debug_link;
  // RF_TRACE: the line trace (functions).  Default: the flag is dropped.
  void (*trace)() = hook_default::trace;

  // ---- the debugger's command window (terminal), called only while
  // switch DW is on (Cmd_window_open/Cmd_window_close) ----
  void (*command_window_open)() = hook_default::nothing;
  void (*command_window_close)() = hook_default::nothing;

  // ---- run control ----
  // A program stops or is reset: the line trace ends.  Default: nothing.
  void (*trace_end)() = hook_default::nothing;
  // END or BEGIN ends the run's transactions and closes its channels.
  // Default: nothing (no channel can be open).
  void (*end_run)() = hook_default::nothing;
  // RUN "name": the program is loaded (and run).  Default: error 99.
  void (*load_statement)(bool run) = hook_default::load_statement;
  // END or STOP inside a called program: EXIT.  Default: error 99.
  void (*exec_exit)(bool has_code, int n) = hook_default::exec_exit;
  // The debugger's END: the called programs are left, down to the top
  // level (or the level a nested run started).  Default: nothing.
  void (*leave_calls)() = hook_default::nothing;
  // CALL of the escape-handler program (SETESC "name") before the statement
  // an escape interrupted; its EXIT resumes that statement.  Default: error 99.
  void (*escape_program)(const char* name) = hook_default::escape_program;
  // PRECISION n FOR OBJECT.  Default: error 99.
  void (*object_precision)(int n) = hook_default::object_precision;

  // ---- PERFORM ON / EXECUTE ON (programs), called only while
  // Perform_on_active is set ----
  void (*perform_on_start)() = hook_default::nothing;
  void (*perform_on_line)(uint16_t n) = hook_default::perform_on_line;
  void (*perform_on_label)(const uint8_t* p) = hook_default::perform_on_label;
  // Runs the pending logic entry; true when the cursor moved.
  bool (*perform_exec)() = hook_default::perform_exec;

  // ---- SELECT record loops (channels) ----
  // A SELECT frame goes: its loop block is released (the frame's select is
  // set only by the channels layer).  Default: nothing.
  void (*select_release)(Ctl_frame* f) = hook_default::select_release;
  // NEXT RECORD.  Default: error 99.
  void (*select_next)() = hook_default::select_next;

  // ---- multi-line functions (functions) ----
  // RETURN value inside a function body.  Default: error 99.
  void (*function_return)() = hook_default::function_return;
  // The program's function definitions go with its lines.  Default: nothing.
  void (*functions_clear)() = hook_default::nothing;

  // ---- loaded program images and the program list (programs) ----
  // True when p lies inside the current program's image.  Default: false.
  bool (*in_image)(const uint8_t* p) = hook_default::in_image;
  // One record of the current image in compiled form (see
  // programs/image_lines.h, Ln_conv).  Default: error 99.
  void (*image_line)(const uint8_t* rec, size_t len, bool keep_indexes, std::vector<uint8_t>& out) =
      hook_default::image_line;
  // The current image becomes an edit list of its own before it changes
  // (Sve_conv).  Default: nothing (no image is loaded).
  void (*image_own_lines)() = hook_default::nothing;
  // A loaded-program record or a program path loses the current program's
  // use.  Default: nothing.
  void (*program_drop)(Prog_obj* rec) = hook_default::program_drop;
  void (*path_unref)(Pgm_path* path) = hook_default::path_unref;
  // The running program's path ("" for a program typed at the console).
  // Default: "".
  std::string (*program_path)() = hook_default::program_path;
  // The callee's variables bound to arguments go (CLEAR, RUN).  Default:
  // nothing.
  void (*clear_arg_vars)() = hook_default::nothing;

  // ---- LIST (ch) (channels) ----
  // The channel at the cursor becomes the output of a LIST.  Default: 99.
  void (*list_channel_begin)() = hook_default::list_channel_begin;
  // One listed line, then a new line, on that channel.
  void (*list_channel_line)(const uint8_t* text, int32_t len) = hook_default::list_channel_line;

  // ---- CLEAR lists and EXCEPT (functions) ----  Default: error 99.
  void (*clear_except)(bool all) = hook_default::clear_except;
  void (*clear_select)() = hook_default::clear_select;

  // ---- I/O lists (channels) ----
  // The items of the IOLIST line referenced at the cursor (Check_iol).
  // Default: error 99.
  const uint8_t* (*iolist_items)() = hook_default::iolist_items;
  // The items of a string holding a compiled list (Iol_items_of_string).
  // Default: error 99.
  const uint8_t* (*iolist_items_of_string)(const uint8_t* s, int32_t len) = hook_default::iolist_items_of_string;
};
extern Core_hooks Core_hook;

// The debugger's command window: opened where a program stops (escape,
// breakpoint, single step, error report), closed where console output of a
// running program begins.  One flag test while switch DW is off.
inline bool Cmd_window_enabled() { return (ws.Sys_flags8 & sw::DW.mask) != 0; }
inline void Cmd_window_open() {
  if (Cmd_window_enabled()) Core_hook.command_window_open();
}
inline void Cmd_window_close() {
  if (Cmd_window_enabled()) Core_hook.command_window_close();
}

// True while the PERFORM ON registry holds an entry: the executor's trigger
// points test it before anything else.  Set only by the programs layer.
extern bool Perform_on_active;
// Set by the debug link for the END it has the program run: that END ends
// the program at any call depth.
extern bool End_all_levels;
// Set by that END inside a nested run (a method, an event program): the
// nested levels are being left, as QUIT leaves them, and the top level's
// next statement is the END.
extern bool End_at_top_level;
