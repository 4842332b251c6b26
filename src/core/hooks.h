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
#include <cstdint>

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
void object_precision(int n);
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
  // PRECISION n FOR OBJECT.  Default: error 99.
  void (*object_precision)(int n) = hook_default::object_precision;

  // ---- PERFORM ON / EXECUTE ON (programs), called only while
  // Perform_on_active is set ----
  void (*perform_on_start)() = hook_default::nothing;
  void (*perform_on_line)(uint16_t n) = hook_default::perform_on_line;
  void (*perform_on_label)(const uint8_t* p) = hook_default::perform_on_label;
  // Runs the pending logic entry; true when the cursor moved.
  bool (*perform_exec)() = hook_default::perform_exec;
};
extern Core_hooks Core_hook;

// True while the PERFORM ON registry holds an entry: the executor's trigger
// points test it before anything else.  Set only by the programs layer.
extern bool Perform_on_active;
